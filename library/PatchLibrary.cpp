#include "PatchLibrary.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "AuthorTable.h"
#include "Favourites.h"
#include "Files.h"
#include "Messages.h"
#include "Shell.h"
#include "SoundbankConfig.h"

namespace calverine {

namespace fs = std::filesystem;

namespace {

constexpr int kCodeLibrarySize = 601;
constexpr const char* kUser = "User";
constexpr const char* kGenetics = "Genetics";
constexpr const char* kFavourites = "Favourites";
constexpr const char* kTrash = "Trash";
constexpr const char* kTrashExtension = "bin";
constexpr const char* kFavouritesFile = "Favourites.db";
constexpr const char* kConfigFile = "config.ini";

// Shows the message in an "Error" box; false, for the refusals that end with it.
bool error(const std::string& text) {
    platform::showMessage("Error", text.c_str(), platform::MessageIcon::Error);
    return false;
}

bool equalIgnoringCase(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) == 0; }

std::string parentOf(const std::string& path) { return platform::fromPath(platform::toPath(path).parent_path()); }
std::string lastComponent(const std::string& path) { return platform::fromPath(platform::toPath(path).filename()); }

// The path without its extension (the text after the last dot of the file name).
std::string withoutExtension(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    const std::size_t separator = path.rfind(platform::kSeparator);
    return dot == std::string::npos || (separator != std::string::npos && dot < separator) ? path : path.substr(0, dot);
}

// A folder is removed only when no patch and no trashed patch belongs to it;
// otherwise the message for the first of the two that holds any, ending in
// their count.
template <typename Belongs>
bool holdsNoPatch(const std::vector<PatchLibrary::Patch>& patches, const std::vector<PatchLibrary::Patch>& trash,
                  Belongs belongs, const char* patchesFound, const char* trashFound) {
    for (const auto& [list, text] : {std::pair{&patches, patchesFound}, std::pair{&trash, trashFound}}) {
        const auto count = std::count_if(list->begin(), list->end(), belongs);
        if (count == 0) continue;
        error(text + std::to_string(count));
        return false;
    }
    return true;
}

// What a folder holds that is not the library's own and so stops its removal.
struct Leftovers {
    int files = 0;    // anything that is not a folder: other files, links, special files
    int folders = 0;
    bool unreadable = false;  // a folder that could not be looked into
};

// Counts everything inside `folder`, at any depth, without following links.
void countContents(const fs::path& folder, Leftovers& left) {
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->symlink_status(ec).type() == fs::file_type::directory)
            ++left.folders;
        else
            ++left.files;
    }
    if (ec) left.unreadable = true;
}

std::string leftoversMessage(const char* what, const Leftovers& left) {
    return std::string(what) +
           " still holds files or folders that are not patches.\nNothing was removed; please move or delete them "
           "first.\n\nOther files found: " +
           std::to_string(left.files) + "\nOther folders found: " + std::to_string(left.folders);
}

bool copyNew(const std::string& from, const std::string& to) {
    std::vector<std::uint8_t> bytes;
    return platform::readFile(from, bytes) && platform::writeNewFile(to, bytes.data(), bytes.size());
}

}  // namespace

PatchLibrary::PatchLibrary(std::string root, std::string extension, std::vector<std::string> fixedCategories)
    : root_(std::move(root)), extension_(std::move(extension)), fixedCategories_(std::move(fixedCategories)) {
    if (!root_.empty() && root_.back() != platform::kSeparator) root_ += platform::kSeparator;
    reload(true);
}

// ---- the model ----------------------------------------------------------------

void PatchLibrary::reload(bool full) {
    if (full) selection_ = {};
    if (root_.empty() || extension_.empty()) return;
    list();
    bool changed = fixReservedFolders();
    if (platform::isDirectory(root_)) {
        for (const char* reserved : {kUser, kGenetics}) {
            const std::string path = platform::joinPath(root_, reserved);
            if (!platform::isDirectory(path) && platform::makeDirectories(path)) changed = true;
        }
    }
    if (changed) list();
    // The trash listing walks the same folders again: only its files are new records.
    const auto trashed = std::count_if(trashListing_.entries().begin(), trashListing_.entries().end(),
                                       [](const LibraryEntry& e) { return !e.folder; });
    records_ = static_cast<int>(listing_.entries().size()) + static_cast<int>(trashed);
    if (records_ >= kMaxRecords) {
        platform::reportArrayTooLarge(records_, kMaxRecords, kCodeLibrarySize);
        listing_ = {};
        trashListing_ = {};
    }
    buildIndex();
    loadFavourites();
}

void PatchLibrary::list() {
    listing_.list(root_, extension_, 2);
    trashListing_.list(root_, kTrashExtension, 2);
}

// A bank folder named "user" or "GENETICS" gets the reserved name's exact form.
bool PatchLibrary::fixReservedFolders() {
    bool renamed = false;
    for (const LibraryEntry& e : listing_.entries()) {
        if (e.depth != 0 || !e.folder) continue;
        for (const char* reserved : {kUser, kGenetics}) {
            if (e.name != reserved && equalIgnoringCase(e.name, reserved) &&
                platform::renameNoReplace(e.fullPath, platform::joinPath(root_, reserved)))
                renamed = true;
        }
    }
    return renamed;
}

void PatchLibrary::buildIndex() {
    banks_ = {{kFavourites, "", BankKind::Favourites},
              {kGenetics, platform::joinPath(root_, kGenetics), BankKind::Genetics},
              {kUser, platform::joinPath(root_, kUser), BankKind::User}};
    categories_.clear();
    authors_.clear();
    for (int a = 0; a < kBuiltInAuthors; ++a)
        authors_.emplace(std::string(builtInAuthors()[a].code), std::string(builtInAuthors()[a].name));
    extraCategories_.clear();
    for (const LibraryEntry& e : listing_.entries()) {
        if (e.depth != 0 || !e.folder || e.name == kFavourites || e.name == kTrash) continue;
        if (fixedCategoryMode() && (e.name == "All Patches" || e.name == "Init Patch")) continue;
        if (e.name != kUser && e.name != kGenetics) banks_.push_back({e.name, e.fullPath, BankKind::Folder});
        std::vector<std::uint8_t> bytes;
        if (!platform::readRegularFile(platform::joinPath(e.fullPath, kConfigFile), bytes)) continue;
        const SoundbankConfig config = parseSoundbankConfig(std::string(bytes.begin(), bytes.end()));
        for (const auto& [code, name] : config.authors) authors_.emplace(code, name);
        if (fixedCategoryMode())
            extraCategories_.insert(extraCategories_.end(), config.extraCategories.begin(), config.extraCategories.end());
    }
    banks_.push_back({kTrash, "", BankKind::Trash});

    if (fixedCategoryMode()) {
        for (const std::vector<std::string>* names : {&fixedCategories_, &extraCategories_})
            for (const std::string& name : *names)
                if (findCategory(name) < 0) categories_.push_back({name, {}});
    }
    std::map<std::string, int> bankOfFolder;
    for (std::size_t b = 0; b < banks_.size(); ++b)
        if (!banks_[b].path.empty()) bankOfFolder.emplace(banks_[b].path, static_cast<int>(b));
    for (const LibraryEntry& e : listing_.entries()) {
        if (e.depth != 1 || !e.folder || !bankOfFolder.count(parentOf(e.fullPath))) continue;
        int category = findCategory(e.name);
        if (category < 0) {
            category = static_cast<int>(categories_.size());
            categories_.push_back({e.name, {}});
        }
        categories_[static_cast<std::size_t>(category)].folders.push_back(e.fullPath);
    }
    attach(listing_, bankOfFolder, patches_);
    attach(trashListing_, bankOfFolder, trash_);
}

// The files of a listing with the bank and category they lie in; files
// outside any bank (directly in the root, or in an ignored folder) are left out.
void PatchLibrary::attach(const LibraryListing& listing, const std::map<std::string, int>& bankOfFolder,
                          std::vector<Patch>& out) const {
    out.clear();
    for (const LibraryEntry& e : listing.entries()) {
        if (e.folder || e.depth == 0) continue;
        const std::string folder = parentOf(e.fullPath);
        const auto bank = bankOfFolder.find(e.depth == 1 ? folder : parentOf(folder));
        if (bank == bankOfFolder.end()) continue;
        Patch patch{e, -1};
        patch.entry.bankIndex = bank->second;
        if (e.depth == 2) patch.category = findCategory(lastComponent(folder));
        patch.entry.index = static_cast<int>(out.size());
        out.push_back(std::move(patch));
    }
}

int PatchLibrary::findBank(const std::string& name) const {
    for (std::size_t i = 0; i < banks_.size(); ++i)
        if (banks_[i].name == name) return static_cast<int>(i);
    return -1;
}

int PatchLibrary::findCategory(const std::string& name) const {
    for (std::size_t i = 0; i < categories_.size(); ++i)
        if (categories_[i].name == name) return static_cast<int>(i);
    return -1;
}

std::string PatchLibrary::folderOf(int bank, int category) const {
    if (bank < 0 || bank >= static_cast<int>(banks_.size())) return "";
    const std::string& path = banks_[static_cast<std::size_t>(bank)].path;
    if (path.empty() || category < 0 || category >= static_cast<int>(categories_.size())) return path;
    return platform::joinPath(path, categories_[static_cast<std::size_t>(category)].name);
}

std::vector<LibraryEntry> PatchLibrary::patchList(int bank, int category) const {
    std::vector<LibraryEntry> list;
    if (bank < 0 || bank >= static_cast<int>(banks_.size())) return list;
    switch (banks_[static_cast<std::size_t>(bank)].kind) {
    case BankKind::Favourites: return favourites_;
    case BankKind::Trash:
        for (const Patch& p : trash_) list.push_back(p.entry);
        return list;
    default:
        for (const Patch& p : patches_)
            if (p.entry.bankIndex == bank && p.category == category) list.push_back(p.entry);
        return list;
    }
}

bool PatchLibrary::matchesSearch(const std::string& name, const std::string& text) {
    const auto upper = [](std::string s) {
        for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return s;
    };
    const std::string wanted = upper(text);
    const std::string upperName = upper(name);
    if (wanted.size() == 1 && wanted[0] >= 'A' && wanted[0] <= 'Z')
        return !upperName.empty() && upperName[0] == wanted[0];
    return upperName.find(wanted) != std::string::npos;
}

std::vector<LibraryEntry> PatchLibrary::search(const std::string& text) const {
    std::vector<LibraryEntry> found;
    for (const Patch& p : patches_)
        if (matchesSearch(p.entry.name, text)) found.push_back(p.entry);
    return found;
}

bool PatchLibrary::isReservedName(const std::string& name) const {
    for (const char* reserved : {kFavourites, kGenetics, kUser, kTrash})
        if (equalIgnoringCase(name, reserved)) return true;
    return false;
}

bool PatchLibrary::isSoundbank(int bank) const {
    if (bank < 0 || bank >= static_cast<int>(banks_.size())) {
        platform::reportIndexOutOfRange(bank, static_cast<int>(banks_.size()), kCodeLibrarySize + 1);
        return false;
    }
    if (banks_[static_cast<std::size_t>(bank)].kind != BankKind::Folder)
        return error("The soundbanks Favourites, Genetics, User and Trash cannot be renamed or removed.");
    return true;
}

void PatchLibrary::selectPath(const std::string& fullPath) {
    for (const Patch& p : patches_) {
        if (p.entry.fullPath != fullPath) continue;
        const std::vector<LibraryEntry> list = patchList(p.entry.bankIndex, p.category);
        for (std::size_t i = 0; i < list.size(); ++i)
            if (list[i].fullPath == fullPath) selection_ = {p.entry.bankIndex, p.category, static_cast<int>(i)};
        return;
    }
}

// ---- changes of banks, categories and patches -----------------------------------

bool PatchLibrary::createSoundbank(const std::string& name) {
    if (!checkName(name, NameKind::Bank)) return false;
    const std::string path = platform::joinPath(root_, name);
    std::error_code ec;
    if (isReservedName(name) || fs::exists(platform::toPath(path), ec))
        return error("Soundbank already exists.\nPlease type in a different name.");
    // On a fresh machine the library folder itself may not exist yet.
    if (!platform::makeDirectories(path)) return error("Could not create Soundbank!");
    const std::string config = platform::joinPath(platform::joinPath(root_, kUser), kConfigFile);
    if (platform::fileExists(config)) copyNew(config, platform::joinPath(path, kConfigFile));
    reload();
    return true;
}

bool PatchLibrary::createCategory(const std::string& name) {
    if (!checkName(name, NameKind::Category)) return false;
    const std::string path = platform::joinPath(platform::joinPath(root_, kUser), name);
    std::error_code ec;
    if (fs::exists(platform::toPath(path), ec)) return error("Folder already exists.\nPlease type in a different name.");
    if (!platform::makeDirectories(path)) return error("Could not create Category!");
    reload();
    return true;
}

bool PatchLibrary::renameSoundbank(int bank, const std::string& newName) {
    if (!isSoundbank(bank) || !checkName(newName, NameKind::Bank)) return false;
    const std::string from = banks_[static_cast<std::size_t>(bank)].path;
    const std::string to = platform::joinPath(root_, newName);
    if (isReservedName(newName) || !platform::renameNoReplace(from, to))
        return error("Soundbank already exists.\nPlease type in a different name.");
    if (!saveOrUndo(retargetFavourites(from, to), {{from, to}})) return false;
    reload();
    return true;
}

bool PatchLibrary::renameCategory(int category, const std::string& newName) {
    if (category < 0 || category >= static_cast<int>(categories_.size())) {
        platform::reportIndexOutOfRange(category, static_cast<int>(categories_.size()), kCodeLibrarySize + 2);
        return false;
    }
    if (fixedCategoryMode()) return error("Categories cannot be renamed while the fixed categories are shown.");
    if (!checkName(newName, NameKind::Category)) return false;
    const int existing = findCategory(newName);
    if (existing >= 0 && !categories_[static_cast<std::size_t>(existing)].folders.empty())
        return error("Folder already exists.\nPlease type in a different name.");
    bool failed = false, favouritesMoved = false;
    std::vector<std::pair<std::string, std::string>> renamed;
    for (const std::string& from : categories_[static_cast<std::size_t>(category)].folders) {
        const std::string to = platform::joinPath(parentOf(from), newName);
        if (platform::renameNoReplace(from, to)) {
            renamed.emplace_back(from, to);
            favouritesMoved = retargetFavourites(from, to) || favouritesMoved;
        } else {
            failed = true;
        }
    }
    if (!saveOrUndo(favouritesMoved, renamed)) return false;
    reload();
    if (failed) error("Folder already exists.\nPlease type in a different name.");
    return !failed;
}

bool PatchLibrary::removeCategory(int category) {
    if (category < 0 || category >= static_cast<int>(categories_.size())) {
        platform::reportIndexOutOfRange(category, static_cast<int>(categories_.size()), kCodeLibrarySize + 3);
        return false;
    }
    if (!holdsNoPatch(patches_, trash_, [category](const Patch& p) { return p.category == category; },
                      "Please delete all patches from this folder\nor move them to the other folder before.\n\n"
                      "Patches found: ",
                      "There are still patches in the trash from this folder.\n\nPatches found in trash: "))
        return false;
    // Every folder of the category is checked before any is removed: one that
    // holds anything at all keeps them all.
    const std::vector<std::string> folders = categories_[static_cast<std::size_t>(category)].folders;
    Leftovers left;
    for (const std::string& folder : folders) countContents(platform::toPath(folder), left);
    if (left.unreadable) return error("Error in trying to remove folder.\nPlease check your folder access rights!");
    if (left.files + left.folders > 0) return error(leftoversMessage("This folder", left));
    bool failed = false;
    for (const std::string& folder : folders) {
        std::error_code ec;
        if (!fs::is_directory(platform::toPath(folder), ec) || !fs::remove(platform::toPath(folder), ec)) failed = true;  // only an empty folder goes
    }
    reload();
    if (failed) error("Error in trying to remove folder.\nPlease check your folder access rights!");
    return !failed;
}

bool PatchLibrary::removeSoundbank(int bank) {
    if (!isSoundbank(bank)) return false;
    if (!holdsNoPatch(patches_, trash_, [bank](const Patch& p) { return p.entry.bankIndex == bank; },
                      "Please remove all patches from this soundbank first.\nPatches found: ",
                      "There are still patches in the trash from this soundbank.\n\nPlease delete them, clear the "
                      "trash or restore\nthem and move to the other soundbank before.\n\nFound patches in trash: "))
        return false;
    // The folder goes with what the library itself keeps there (its
    // config.ini and empty category folders) and with nothing else: anything
    // more, a patch deeper than the listing looks included, refuses the removal
    // before a single file is deleted.
    const std::string folder = banks_[static_cast<std::size_t>(bank)].path;
    Leftovers left;
    std::vector<fs::path> emptyCategories, config;
    std::error_code ec;
    for (fs::directory_iterator it(platform::toPath(folder), ec), end; !ec && it != end; it.increment(ec)) {
        const fs::file_type type = it->symlink_status(ec).type();
        const std::string name = platform::fromPath(it->path().filename());
        if (type == fs::file_type::regular && name == kConfigFile) {
            config.push_back(it->path());
        } else if (type == fs::file_type::directory && LibraryListing::listable(name) && fs::is_empty(it->path(), ec)) {
            emptyCategories.push_back(it->path());
        } else if (type == fs::file_type::directory) {
            ++left.folders;
            countContents(it->path(), left);
        } else {
            ++left.files;
        }
    }
    if (ec || left.unreadable)
        return error("Error in trying to remove soundbank.\nPlease check your folder access rights!");
    if (left.files + left.folders > 0) return error(leftoversMessage("This soundbank", left));
    // fs::remove takes a folder only when it is empty, so a file that appears
    // meanwhile stops the removal instead of going with it.
    bool removed = true;
    for (const fs::path& category : emptyCategories) removed = fs::remove(category, ec) && removed;
    for (const fs::path& file : config) removed = removed && fs::remove(file, ec);
    removed = removed && fs::remove(platform::toPath(folder), ec);
    reload();
    if (!removed) error("Error in trying to remove soundbank.\nPlease check your folder access rights!");
    return removed;
}

bool PatchLibrary::renamePatch(const LibraryEntry& patch, const std::string& newName) {
    if (!checkName(newName, NameKind::Patch)) return false;
    const std::string extension = patch.fileName.substr(patch.name.size());  // ".fxp" as the file has it
    return moveFile(patch.fullPath, platform::joinPath(parentOf(patch.fullPath), newName + extension));
}

bool PatchLibrary::movePatch(const LibraryEntry& patch, const std::string& targetFolder) {
    platform::makeDirectories(targetFolder);  // a fixed category may have no folder in this bank yet
    return moveFile(patch.fullPath, platform::joinPath(targetFolder, patch.fileName));
}

bool PatchLibrary::moveFile(const std::string& from, const std::string& to) {
    if (to.size() > kMaxPathLength || !platform::renameNoReplace(from, to))
        return error("File could not be moved. Please check there is no file under the same name in the target "
                     "soundbank/category.");
    if (!saveOrUndo(retargetFavourites(from, to), {{from, to}})) return false;
    reload();
    return true;
}

bool PatchLibrary::copyPatchInto(const std::string& targetFolder) {
    std::string folder = targetFolder;
    if (folder.empty()) folder = folderOf(selection_.bank, selection_.category);
    if (folder.empty()) folder = platform::joinPath(root_, kUser);
    std::string copied;
    if (!copyUnique(sourcePatch_, folder, &copied)) return false;
    reload();
    return true;
}

bool PatchLibrary::copyUnique(const std::string& source, const std::string& folder, std::string* newPath) {
    const std::string name = lastComponent(withoutExtension(source));
    std::vector<std::uint8_t> bytes;
    // Only a regular file is read: a FIFO or a device named like a patch would block.
    if (name.empty() || !platform::readRegularFile(source, bytes)) return false;
    return writeUnique(bytes, folder, name, extension_, newPath);
}

bool PatchLibrary::writeUnique(const std::vector<std::uint8_t>& bytes, const std::string& folder,
                               const std::string& name, const std::string& extension, std::string* newPath) {
    const AuthorSuffix suffix = splitAuthorSuffix(name);
    if (name.empty() || !platform::makeDirectories(folder)) return false;
    for (int n = 0; n <= kMaxCopyNumber; ++n) {
        std::string file = suffix.base;
        if (n > 0) file.append(" ").append(std::to_string(n));
        file.append(suffix.text()).append(".").append(extension);
        const std::string path = platform::joinPath(folder, file);
        if (path.size() > kMaxPathLength) return false;
        std::error_code ec;
        if (fs::exists(platform::toPath(path), ec)) continue;
        if (!platform::writeNewFile(path, bytes.data(), bytes.size())) return false;
        if (newPath) *newPath = path;
        return true;
    }
    return false;
}

bool PatchLibrary::openInFileManager(const std::string& folder) { return platform::openInFileManager(folder); }

// ---- favourites ---------------------------------------------------------------

void PatchLibrary::loadFavourites() {
    favourites_.clear();
    const std::string file = root_ + kFavouritesFile;
    std::vector<std::uint8_t> bytes;
    const bool present = platform::readFile(file, bytes);
    const std::string text(bytes.begin(), bytes.end());
    for (std::string relative : parseFavourites(text)) {
        std::string bank = relative.substr(0, relative.find(platform::kSeparator));
        // A bank folder that reload gave a reserved name's exact form ("user"
        // became "User") takes its favourites along.
        for (const char* reserved : {kUser, kGenetics}) {
            if (bank != reserved && equalIgnoringCase(bank, reserved) && !platform::isDirectory(root_ + bank)) {
                relative.replace(0, bank.size(), reserved);
                bank = reserved;
            }
        }
        LibraryEntry e;
        e.index = static_cast<int>(favourites_.size());
        e.fileName = lastComponent(relative);
        e.name = withoutExtension(e.fileName);
        e.fullPath = root_ + relative;
        e.bankIndex = findBank(bank);
        if (e.bankIndex >= 0 && banks_[static_cast<std::size_t>(e.bankIndex)].path.empty()) e.bankIndex = -1;
        favourites_.push_back(std::move(e));
    }
    std::stable_sort(favourites_.begin(), favourites_.end(), [](const LibraryEntry& a, const LibraryEntry& b) {
        return strcasecmp(a.name.c_str(), b.name.c_str()) < 0;
    });
    for (std::size_t i = 0; i < favourites_.size(); ++i) favourites_[i].index = static_cast<int>(i);
    // The file is kept sorted; it is only written when that changes it.
    std::vector<std::string> relatives;
    for (const LibraryEntry& e : favourites_) relatives.push_back(e.fullPath.substr(root_.size()));
    if (present && formatFavourites(relatives) != text) saveFavourites();
}

bool PatchLibrary::saveFavourites() {
    std::vector<std::string> relatives;
    for (const LibraryEntry& e : favourites_)
        if (e.fullPath.size() > root_.size() && e.fullPath.compare(0, root_.size(), root_) == 0)
            relatives.push_back(e.fullPath.substr(root_.size()));
    const std::string text = formatFavourites(relatives);
    return platform::writeFileAtomically(root_ + kFavouritesFile, text.data(), text.size());
}

bool PatchLibrary::addFavourite(const LibraryEntry& patch, bool reloadFavourites) {
    if (patch.folder || !LibraryListing::hasExtension(patch.fileName, extension_)) return false;
    const bool known = std::any_of(favourites_.begin(), favourites_.end(),
                                   [&](const LibraryEntry& e) { return e.fullPath == patch.fullPath; });
    if (!known) favourites_.push_back(patch);
    const bool saved = saveFavourites();
    if (reloadFavourites) loadFavourites();
    return saved;
}

bool PatchLibrary::removeFavourite(const LibraryEntry& patch, bool reloadFavourites) {
    const auto it = std::remove_if(favourites_.begin(), favourites_.end(),
                                   [&](const LibraryEntry& e) { return e.fullPath == patch.fullPath; });
    const bool found = it != favourites_.end();
    favourites_.erase(it, favourites_.end());
    const bool saved = saveFavourites();
    if (reloadFavourites) loadFavourites();
    return found && saved;
}

bool PatchLibrary::clearFavourites() {
    favourites_.clear();
    const bool saved = saveFavourites();
    loadFavourites();
    return saved;
}

bool PatchLibrary::retargetFavourites(const std::string& from, const std::string& to) {
    bool changed = false;
    for (LibraryEntry& e : favourites_) {
        if (e.fullPath == from) {
            e.fullPath = to;
            changed = true;
        } else if (e.fullPath.size() > from.size() && e.fullPath.compare(0, from.size(), from) == 0 &&
                   e.fullPath[from.size()] == platform::kSeparator) {
            e.fullPath = to + e.fullPath.substr(from.size());
            changed = true;
        }
    }
    return changed;
}

bool PatchLibrary::saveOrUndo(bool favouritesChanged, const std::vector<std::pair<std::string, std::string>>& renamed) {
    if (!favouritesChanged || saveFavourites()) return true;
    for (auto it = renamed.rbegin(); it != renamed.rend(); ++it) platform::renameNoReplace(it->second, it->first);
    reload();  // the favourites as Favourites.db still has them
    return error(kFavouritesUnsaved);
}

// ---- trash ----------------------------------------------------------------------

bool PatchLibrary::moveToTrash(const LibraryEntry& patch) {
    const std::string trashed = withoutExtension(patch.fullPath) + "." + kTrashExtension;
    if (!platform::renameNoReplace(patch.fullPath, trashed))
        return error("File could not be moved to trash. Please check there is no file under the same name and path "
                     "in the trash already.");
    const auto dropped = std::remove_if(favourites_.begin(), favourites_.end(),
                                        [&](const LibraryEntry& e) { return e.fullPath == patch.fullPath; });
    const bool wasFavourite = dropped != favourites_.end();
    favourites_.erase(dropped, favourites_.end());
    if (!saveOrUndo(wasFavourite, {{patch.fullPath, trashed}})) return false;
    const Selection before = selection_;
    reload();
    // The patch now at the same place in the list, else the last; with an
    // empty list the first patch of the library.
    const int size = static_cast<int>(patchList(before.bank, before.category).size());
    if (size > 0) {
        selection_ = {before.bank, before.category, std::min(std::max(before.patch, 0), size - 1)};
    } else if (!patches_.empty()) {
        selectPath(patches_.front().entry.fullPath);
    } else {
        selection_.patch = -1;
    }
    return true;
}

bool PatchLibrary::restore(const LibraryEntry& trashed, bool reloadAfter) {
    const std::string to = withoutExtension(trashed.fullPath) + "." + extension_;
    if (to == trashed.fullPath || !platform::renameNoReplace(trashed.fullPath, to)) return false;
    if (reloadAfter) reload();
    return true;
}

// Restore All and Clear Trash act on what the Trash bank shows: a ".bin" file
// outside the soundbanks (in the root, or in a folder the library ignores) is
// no trashed patch and is left alone.
bool PatchLibrary::restoreAll() {
    int failed = 0;
    for (const Patch& p : trash_)
        if (!restore(p.entry, false)) ++failed;
    if (failed > 0) error(kRestoreFailed);
    reload();
    return failed == 0;
}

bool PatchLibrary::deletePermanently(const LibraryEntry& trashed) {
    std::error_code ec;
    // Only a trashed patch is ever deleted, whatever record is handed in.
    if (!LibraryListing::hasExtension(trashed.fileName, kTrashExtension) || !fs::remove(platform::toPath(trashed.fullPath), ec))
        return false;
    reload();
    return true;
}

bool PatchLibrary::clearTrash() {
    bool ok = true;
    for (const Patch& p : trash_) {
        std::error_code ec;
        if (!fs::remove(platform::toPath(p.entry.fullPath), ec)) ok = false;
    }
    reload();
    return ok;
}

}  // namespace calverine
