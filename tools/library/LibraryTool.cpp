#include "LibraryTool.h"

#include <algorithm>
#include <map>

#include "Files.h"
#include "Folders.h"
#include "Messages.h"
#include "PatchChunk.h"
#include "PatchLibrary.h"

namespace calverine::librarytool {

namespace {

constexpr const char* kFavouritesUnsaved = PatchLibrary::kFavouritesUnsaved;

// A program file the plug-in would load (its header, as the plug-in checks
// it). The library copies files without reading them; only this tool looks,
// to warn before importing.
bool looksLikePatch(const std::vector<std::uint8_t>& file) {
    const std::uint8_t* chunk = nullptr;
    std::size_t size = 0;
    return patch::findChunk(file, chunk, size) == patch::FileCheck::Ok;
}

struct Options {
    std::string root;
    bool fixedCategories = false;
    bool strict = false;  // import-patch refuses a file that is not a patch
    bool help = false;
    std::vector<std::string> words;  // the command and its arguments
};

// Messages the library shows while a command runs; they go to stderr.
void captureMessage(const char*, const char* text, platform::MessageIcon, void* user) {
    static_cast<std::vector<std::string>*>(user)->push_back(text);
}

class Command {
public:
    Command(PatchLibrary& library, std::vector<std::string> args, bool strict, std::FILE* out, std::FILE* err)
        : library_(library), args_(std::move(args)), strict_(strict), out_(out), err_(err) {}

    int run();

private:
    int bad(const std::string& text) {
        std::fprintf(err_, "calverine-library: %s\n", text.c_str());
        return kExitRefused;
    }
    // The result of a library operation: refused with a message, or failed
    // without one.
    int result(bool ok, const std::string& failure) {
        if (ok) return kExitOk;
        if (!failure.empty()) std::fprintf(err_, "calverine-library: %s\n", failure.c_str());
        return failure.empty() ? kExitRefused : kExitFailed;
    }
    std::string relative(const std::string& fullPath) const {
        const std::string& root = library_.root();
        return fullPath.compare(0, root.size(), root) == 0 ? fullPath.substr(root.size()) : fullPath;
    }
    void print(const std::vector<LibraryEntry>& entries) {
        for (const LibraryEntry& e : entries) std::fprintf(out_, "%s\n", relative(e.fullPath).c_str());
    }
    // PATCH as typed ("Bank/Category/Name", extension optional) among `list`.
    const LibraryEntry* findPatch(const std::string& typed, const std::vector<LibraryEntry>& list,
                                  const std::string& extension) const;
    std::vector<LibraryEntry> allPatches() const {
        std::vector<LibraryEntry> all;
        for (const PatchLibrary::Patch& p : library_.patches()) all.push_back(p.entry);
        return all;
    }
    std::vector<LibraryEntry> allTrash() const {
        std::vector<LibraryEntry> all;
        for (const PatchLibrary::Patch& p : library_.trash()) all.push_back(p.entry);
        return all;
    }
    // BANK [CATEGORY] from the arguments starting at `at`; false after a message.
    bool place(std::size_t at, int& bank, int& category, std::string& error) const;
    bool needs(std::size_t least, std::size_t most, const char* shape, std::string& error) const {
        const std::size_t n = args_.size() - 1;
        if (n >= least && n <= most) return true;
        error = std::string("usage: ") + shape;
        return false;
    }

    PatchLibrary& library_;
    std::vector<std::string> args_;
    bool strict_;
    std::FILE* out_;
    std::FILE* err_;
};

const LibraryEntry* Command::findPatch(const std::string& typed, const std::vector<LibraryEntry>& list,
                                       const std::string& extension) const {
    std::string path = typed;
    std::replace(path.begin(), path.end(), '\\', platform::kSeparator);
    while (!path.empty() && path.front() == platform::kSeparator) path.erase(path.begin());
    const std::string withExtension = path + "." + extension;
    for (const LibraryEntry& e : list) {
        const std::string rel = relative(e.fullPath);
        if (rel == path || rel == withExtension) return &e;
    }
    return nullptr;
}

bool Command::place(std::size_t at, int& bank, int& category, std::string& error) const {
    bank = library_.findBank(args_[at]);
    category = -1;
    if (bank < 0) {
        error = "no soundbank '" + args_[at] + "'; see the list of 'banks'";
        return false;
    }
    if (args_.size() > at + 1) {
        category = library_.findCategory(args_[at + 1]);
        if (category < 0) {
            error = "no category '" + args_[at + 1] + "'; see the list of 'categories'";
            return false;
        }
    }
    return true;
}

int Command::run() {
    const std::string& name = args_[0];
    std::string error;
    const std::string ext = library_.extension();

    // The PATCH argument, found among the patches, favourites or trash; a
    // copy, since the library reloads while it acts.
    LibraryEntry patch;
    const auto patchArgument = [&](const std::vector<LibraryEntry>& list, const std::string& extension) {
        const LibraryEntry* found = findPatch(args_[1], list, extension);
        if (found)
            patch = *found;
        else
            error = "no patch '" + args_[1] + "'; the names are as 'patches', 'favourites' or 'trash' list them";
        return found != nullptr;
    };

    if (name == "banks" || name == "categories" || name == "favourites" || name == "trash" ||
        name == "clear-favourites" || name == "restore-all" || name == "clear-trash") {
        if (!needs(0, 0, name.c_str(), error)) return bad(error);
        if (name == "banks")
            for (const PatchLibrary::Bank& b : library_.banks()) std::fprintf(out_, "%s\n", b.name.c_str());
        if (name == "categories")
            for (const PatchLibrary::Category& c : library_.categories()) std::fprintf(out_, "%s\n", c.name.c_str());
        if (name == "favourites") print(library_.favourites());
        if (name == "trash") print(allTrash());
        if (name == "clear-favourites") return result(library_.clearFavourites(), kFavouritesUnsaved);
        if (name == "restore-all") return result(library_.restoreAll(), "");
        if (name == "clear-trash") return result(library_.clearTrash(), "some trashed patches could not be deleted");
        return kExitOk;
    }
    if (name == "patches") {
        int bank = -1, category = -1;
        if (!needs(1, 2, "patches BANK [CATEGORY]", error) || !place(1, bank, category, error)) return bad(error);
        print(library_.patchList(bank, category));
        return kExitOk;
    }
    if (name == "search") {
        if (!needs(1, 1, "search TEXT", error)) return bad(error);
        print(library_.search(args_[1]));
        return kExitOk;
    }
    if (name == "add-favourite") {
        if (!needs(1, 1, "add-favourite PATCH", error) || !patchArgument(allPatches(), ext)) return bad(error);
        return result(library_.addFavourite(patch), kFavouritesUnsaved);
    }
    if (name == "remove-favourite") {
        if (!needs(1, 1, "remove-favourite PATCH", error) || !patchArgument(library_.favourites(), ext))
            return bad(error);
        return result(library_.removeFavourite(patch), kFavouritesUnsaved);
    }
    if (name == "move-to-trash") {
        if (!needs(1, 1, "move-to-trash PATCH", error) || !patchArgument(allPatches(), ext)) return bad(error);
        return result(library_.moveToTrash(patch), "");
    }
    if (name == "restore") {
        if (!needs(1, 1, "restore PATCH", error) || !patchArgument(allTrash(), "bin")) return bad(error);
        if (library_.restore(patch)) return kExitOk;
        std::fprintf(err_, "%s\n", PatchLibrary::kRestoreFailed);
        return kExitRefused;
    }
    if (name == "delete") {
        if (!needs(1, 1, "delete PATCH", error) || !patchArgument(allTrash(), "bin")) return bad(error);
        return result(library_.deletePermanently(patch), "the trashed patch could not be deleted");
    }
    if (name == "rename-patch") {
        if (!needs(2, 2, "rename-patch PATCH NEW-NAME", error) || !patchArgument(allPatches(), ext)) return bad(error);
        return result(library_.renamePatch(patch, args_[2]), "");
    }
    if (name == "move") {
        int bank = -1, category = -1;
        if (!needs(2, 3, "move PATCH BANK [CATEGORY]", error) || !place(2, bank, category, error) ||
            !patchArgument(allPatches(), ext))
            return bad(error);
        const std::string folder = library_.folderOf(bank, category);
        if (folder.empty()) return bad("patches cannot be moved into '" + args_[2] + "'");
        return result(library_.movePatch(patch, folder), "");
    }
    if (name == "create-bank" || name == "create-category") {
        if (!needs(1, 1, (name + " NAME").c_str(), error)) return bad(error);
        return result(name == "create-bank" ? library_.createSoundbank(args_[1]) : library_.createCategory(args_[1]), "");
    }
    if (name == "rename-bank" || name == "remove-bank") {
        const bool rename = name == "rename-bank";
        if (!needs(rename ? 2 : 1, rename ? 2 : 1, rename ? "rename-bank BANK NEW-NAME" : "remove-bank BANK", error))
            return bad(error);
        const int bank = library_.findBank(args_[1]);
        if (bank < 0) return bad("no soundbank '" + args_[1] + "'; see the list of 'banks'");
        return result(rename ? library_.renameSoundbank(bank, args_[2]) : library_.removeSoundbank(bank), "");
    }
    if (name == "rename-category" || name == "remove-category") {
        const bool rename = name == "rename-category";
        if (!needs(rename ? 2 : 1, rename ? 2 : 1,
                   rename ? "rename-category CATEGORY NEW-NAME" : "remove-category CATEGORY", error))
            return bad(error);
        const int category = library_.findCategory(args_[1]);
        if (category < 0) return bad("no category '" + args_[1] + "'; see the list of 'categories'");
        return result(rename ? library_.renameCategory(category, args_[2]) : library_.removeCategory(category), "");
    }
    if (name == "import-patch") {
        // --strict may also follow the command.
        const auto strict = std::find(args_.begin() + 1, args_.end(), "--strict");
        if (strict != args_.end()) {
            strict_ = true;
            args_.erase(strict);
        }
        int bank = library_.findBank("User"), category = -1;
        if (!needs(1, 3, "import-patch [--strict] FILE [BANK [CATEGORY]]", error) ||
            (args_.size() > 2 && !place(2, bank, category, error)))
            return bad(error);
        if (library_.folderOf(bank, category).empty()) return bad("patches cannot be imported into '" + args_[2] + "'");
        // A file that cannot be read (or is no regular file) is left to the
        // library, which refuses it.
        std::vector<std::uint8_t> file;
        if (platform::readRegularFile(args_[1], file) && !looksLikePatch(file)) {
            if (strict_) return bad("'" + args_[1] + "' is not a Calverine patch; nothing imported (--strict)");
            std::fprintf(err_, "calverine-library: warning: '%s' is not a Calverine patch; imported all the same\n",
                         args_[1].c_str());
        }
        library_.select(bank, category, -1);
        if (!library_.importPatch(args_[1])) return kExitRefused;
        std::fprintf(out_, "%s\n", relative(library_.sourcePatch()).c_str());
        return kExitOk;
    }
    if (name == "import-folder" || name == "import-zip") {
        if (!needs(1, 1, (name + (name == "import-zip" ? " FILE.zip" : " FOLDER")).c_str(), error)) return bad(error);
        std::string bank;
        const bool ok = name == "import-zip" ? library_.importZip(args_[1], &bank) : library_.importFolder(args_[1], &bank);
        if (!ok) return kExitRefused;
        std::fprintf(out_, "%s\n", relative(bank).c_str());
        return kExitOk;
    }
    if (name == "open") {
        int bank = -1, category = -1;
        if (!needs(1, 2, "open BANK [CATEGORY]", error) || !place(1, bank, category, error)) return bad(error);
        const std::string folder = library_.folderOf(bank, category);
        if (folder.empty()) return bad("'" + args_[1] + "' has no folder to open");
        return result(library_.openInFileManager(folder), "the file manager could not be started (xdg-open)");
    }
    return bad("unknown command '" + name + "'; try --help");
}

bool parseOptions(const std::vector<std::string>& args, Options& options, std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!options.words.empty()) {
            options.words.push_back(a);  // after the command everything is an argument
        } else if (a == "-h" || a == "--help") {
            options.help = true;
            return true;
        } else if (a == "--fixed-categories") {
            options.fixedCategories = true;
        } else if (a == "--strict") {
            options.strict = true;
        } else if (a == "--root") {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                error = "--root needs a folder";
                return false;
            }
            options.root = args[++i];
        } else if (a.size() > 1 && a[0] == '-') {
            error = "unknown option '" + a + "'; try --help";
            return false;
        } else {
            options.words.push_back(a);
        }
    }
    if (options.words.empty()) {
        error = "no command given; try --help";
        return false;
    }
    return true;
}

}  // namespace

const char* usage() {
    return "Usage: calverine-library [--root FOLDER] [--fixed-categories] [--strict] COMMAND [ARGUMENTS]\n"
           "\n"
           "Lists and changes the Calverine patch library: soundbank folders, their\n"
           "category folders and the patch files (.fxp) in them. PATCH is a path below\n"
           "the library root as the listings print it, such as \"User/Pads/Warm Pad.fxp\"\n"
           "(the extension may be left out, \"\\\" works as well as \"/\").\n"
           "\n"
           "Listing:\n"
           "  banks                         the soundbanks, Favourites and Trash included\n"
           "  categories                    the categories (merged by name across banks)\n"
           "  patches BANK [CATEGORY]       the patches of a soundbank in that category;\n"
           "                                without CATEGORY those directly in the bank\n"
           "  search TEXT                   patches whose name holds TEXT, ignoring case;\n"
           "                                a single letter matches the first letter\n"
           "  favourites                    the favourites, sorted by name\n"
           "  trash                         the patches in the trash\n"
           "\n"
           "Favourites and trash:\n"
           "  add-favourite PATCH           remove-favourite PATCH      clear-favourites\n"
           "  move-to-trash PATCH           restore PATCH               restore-all\n"
           "  delete PATCH                  (a trashed patch, for good) clear-trash\n"
           "\n"
           "Imports (each prints what it created):\n"
           "  import-patch FILE [BANK [CATEGORY]]  copy one patch in (default bank User),\n"
           "                                under a new name if the name is taken; a file\n"
           "                                without a Calverine program-file header is\n"
           "                                imported with a warning, or refused with --strict\n"
           "  import-folder FOLDER          a folder tree as a new soundbank; patches in\n"
           "                                sub-folders go into categories named after\n"
           "                                the folder that holds them\n"
           "  import-zip FILE.zip           the same for a ZIP archive\n"
           "\n"
           "Soundbanks, categories and patches:\n"
           "  create-bank NAME              create-category NAME (in User)\n"
           "  rename-bank BANK NEW-NAME     rename-category CATEGORY NEW-NAME\n"
           "  rename-patch PATCH NEW-NAME   move PATCH BANK [CATEGORY]\n"
           "  remove-bank BANK              remove-category CATEGORY (only when nothing\n"
           "                                but config.ini and empty categories is left)\n"
           "  open BANK [CATEGORY]          show the folder in the file manager\n"
           "\n"
           "  --root FOLDER         the library folder (default: the data folder's\n"
           "                        Soundbanks, see CALVERINE_DATA_DIR); a missing one\n"
           "                        lists as an empty library and is created by the\n"
           "                        first command that puts something in it\n"
           "  --fixed-categories    the fixed category list plus the AddCategories of\n"
           "                        the soundbanks' config.ini files\n"
           "  --strict              import-patch refuses a file that is not a Calverine\n"
           "                        patch (it may also follow the command)\n"
           "  -h, --help            this text\n"
           "\n"
           "Exit status: 0 done; 1 the disk refused and there is no more to say;\n"
           "2 bad input or the library refused, with its message on standard error.\n";
}

int run(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
    Options options;
    std::string error;
    if (!parseOptions(args, options, error)) {
        std::fprintf(err, "calverine-library: %s\n", error.c_str());
        return kExitRefused;
    }
    if (options.help) {
        std::fputs(usage(), out);
        return kExitOk;
    }
    if (options.root.empty()) {
        const std::string data = platform::dataFolder();
        if (data.empty()) {
            std::fprintf(err, "calverine-library: no data folder (set HOME or CALVERINE_DATA_DIR, or use --root)\n");
            return kExitRefused;
        }
        options.root = platform::joinPath(data, "Soundbanks");
    }

    std::vector<std::string> messages;
    platform::setMessageHook(captureMessage, &messages);
    PatchLibrary library(options.root, "fxp", options.fixedCategories ? kFixedCategories : std::vector<std::string>{});
    int status = Command(library, options.words, options.strict, out, err).run();
    platform::setMessageHook(nullptr, nullptr);
    for (const std::string& m : messages) std::fprintf(err, "%s\n", m.c_str());
    if (status == kExitOk && !messages.empty()) status = kExitRefused;  // e.g. Restore All with a collision
    return status;
}

}  // namespace calverine::librarytool
