// Imports into the patch library: one patch file, a folder tree or a ZIP
// archive (read with libzip). A folder or an archive becomes a new soundbank;
// its patches land in categories named after the folder that directly holds
// them. Nothing is created on disk before something to import has been found.
// Only regular files are read (a symbolic link counts as what it points to):
// a FIFO or a device named like a patch is passed over instead of blocking.
// The files of a soundbank import are written without a sync each; one sync
// of the file system at the end makes them durable before success is reported.
#include <zip.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "Files.h"
#include "Messages.h"
#include "PatchLibrary.h"

namespace calverine {

namespace fs = std::filesystem;

namespace {

constexpr const char* kConfigFile = "config.ini";
constexpr int kImportLevels = 10;
// A patch file is a few kilobytes; an archive entry this large is not one.
constexpr zip_uint64_t kMaxEntrySize = 16u << 20;

// Shows the message in an "Error" box; false, for the refusals that end with it.
bool error(const char* text) {
    platform::showMessage("Error", text, platform::MessageIcon::Error);
    return false;
}

// Where a patch goes: the soundbank folder itself when the folder that holds
// it has the soundbank's name (or there is none), else a category of that
// folder's name, created when missing. Empty when it cannot be created.
std::string targetFolder(const std::string& bankFolder, const std::string& bankName, const std::string& holder) {
    if (holder.empty() || holder == bankName) return bankFolder;
    const std::string folder = platform::joinPath(bankFolder, holder);
    return platform::makeDirectories(folder) ? folder : "";
}

// The soundbank folder of a folder or archive import, created only once
// something to import has been found, so a refused import leaves nothing.
bool createImportBank(const std::string& bank, bool found) {
    if (!found) return error("Nothing found to import!");
    if (!platform::makeDirectories(bank)) return error("Could not create Soundbank!");
    return true;
}

struct ZipCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct ZipFileCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};

bool extract(zip_t* archive, zip_uint64_t index, zip_uint64_t size, std::vector<std::uint8_t>& bytes) {
    if (size > kMaxEntrySize) return false;
    std::unique_ptr<zip_file_t, ZipFileCloser> file(zip_fopen_index(archive, index, 0));
    if (!file) return false;
    bytes.resize(static_cast<std::size_t>(size));
    if (zip_fread(file.get(), bytes.data(), size) != static_cast<zip_int64_t>(size)) return false;
    // libzip checks the entry's CRC when a read reaches its end, and reports
    // a mismatch on the read after the last byte: a damaged entry fails here
    // instead of being imported as a broken patch.
    std::uint8_t past = 0;
    return zip_fread(file.get(), &past, 1) == 0;
}

}  // namespace

// root\name, else root\name (1) ... root\name (32): the first that is not a
// folder and that the library would show as a soundbank (not "Trash" or
// "Favourites", no leading ".", not too long). Empty, with the message
// given, when there is no name or no such folder.
std::string PatchLibrary::uniqueBankFolder(const std::string& name) {
    if (name.empty()) {
        error("Can not fetch the Soudnbank name!");
        return "";
    }
    for (int n = 0; n <= kMaxBankNumber; ++n) {
        const std::string candidate = n == 0 ? name : name + " (" + std::to_string(n) + ")";
        const std::string path = platform::joinPath(root_, candidate);
        if (LibraryListing::listable(candidate) && !isReservedName(candidate) && path.size() <= kMaxPathLength &&
            !platform::isDirectory(path))
            return path;
    }
    error("Could not create Soundbank!");
    return "";
}

bool PatchLibrary::finishBankImport(const std::string& bank, std::string* bankPath, int missing, int patches) {
    platform::syncFileSystem(bank);
    reload();
    for (std::size_t b = 0; b < banks_.size(); ++b)
        if (banks_[b].path == bank) selection_ = {static_cast<int>(b), -1, -1};
    if (bankPath) *bankPath = bank;
    // The soundbank stands with what could be copied; the user learns that it
    // is not complete (a full disk, an unreadable file, two patches of one
    // name flattened into one category).
    if (missing > 0)
        error(("Could not import " + std::to_string(missing) + " of " + std::to_string(patches) + " patches!").c_str());
    return true;
}

bool PatchLibrary::importPatch(const std::string& file) {
    std::string folder = folderOf(selection_.bank, selection_.category);
    if (folder.empty()) folder = platform::joinPath(root_, "User");
    std::string copied;
    if (!copyUnique(file, folder, &copied)) return error("Could not import file!");
    sourcePatch_ = copied;
    reload();
    selectPath(copied);
    return true;
}

bool PatchLibrary::importFolder(const std::string& folder, std::string* bankPath) {
    // "Pads/", "." or "Pads/Warm/.." name the folder they stand for.
    std::error_code ec;
    std::string source = folder.empty() ? "" : platform::fromPath(fs::absolute(platform::toPath(folder), ec).lexically_normal());
    while (source.size() > 1 && source.back() == platform::kSeparator) source.pop_back();
    const std::string name = platform::fromPath(platform::toPath(source).filename());
    const std::string bank = uniqueBankFolder(name);
    if (bank.empty()) return false;
    LibraryListing found;
    found.list(source, extension_, kImportLevels);
    std::vector<std::string> files;
    for (const LibraryEntry& e : found.entries())
        if (!e.folder && platform::fileExists(e.fullPath)) files.push_back(e.fullPath);
    if (!createImportBank(bank, !files.empty())) return false;
    int missing = 0;
    for (const std::string& file : files) {
        const fs::path path = platform::toPath(file);
        const std::string target = targetFolder(bank, name, platform::fromPath(path.parent_path().filename()));
        std::vector<std::uint8_t> bytes;
        // A file that cannot be read or written is left out (and counted).
        if (target.empty() || !platform::readRegularFile(file, bytes) ||
            !platform::writeNewFileUnsynced(platform::joinPath(target, platform::fromPath(path.filename())), bytes.data(),
                                            bytes.size()))
            ++missing;
    }
    // Every config.ini the walk finds is copied into the soundbank folder, so
    // the last one in the walk's order is the one that stays.
    LibraryListing configs;
    configs.list(source, "ini", kImportLevels);
    std::vector<std::uint8_t> config, bytes;
    bool haveConfig = false;
    for (const LibraryEntry& e : configs.entries()) {
        if (e.folder || e.fileName != kConfigFile || !platform::readRegularFile(e.fullPath, bytes)) continue;
        config.swap(bytes);
        haveConfig = true;
    }
    if (haveConfig) platform::writeNewFileUnsynced(platform::joinPath(bank, kConfigFile), config.data(), config.size());
    return finishBankImport(bank, bankPath, missing, static_cast<int>(files.size()));
}

bool PatchLibrary::importZip(const std::string& archivePath, std::string* bankPath) {
    const std::string fileName = platform::fromPath(platform::toPath(archivePath).filename());
    const std::string name = fileName.substr(0, fileName.rfind('.'));
    const std::string bank = uniqueBankFolder(name);
    if (bank.empty()) return false;
    int openError = 0;
    std::unique_ptr<zip_t, ZipCloser> archive(
        platform::fileExists(archivePath) ? zip_open(archivePath.c_str(), ZIP_RDONLY, &openError) : nullptr);
    if (!archive) return error("Failed to open ZIP archive!");

    struct Kept {
        zip_uint64_t index;
        zip_uint64_t size;
        std::string holder;  // the folder that holds it inside the archive
        std::string fileName;
    };
    std::vector<Kept> kept;
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(archive.get(), static_cast<zip_uint64_t>(i), 0, &stat) != 0 ||
            !(stat.valid & ZIP_STAT_NAME) || !(stat.valid & ZIP_STAT_SIZE))
            continue;
        std::string entry = stat.name;
        if (entry.empty() || entry[0] == '.' || entry.back() == '/' || entry.back() == '\\') continue;
        for (char& c : entry)
            if (c == '\\') c = '/';
        const fs::path path = platform::toPath(entry);
        const std::string file = platform::fromPath(path.filename());
        const std::string holder = platform::fromPath(path.parent_path().filename());
        // Names the library would not list, and "." or ".." that would lead
        // out of the soundbank, are left out.
        if (!LibraryListing::listable(file) || (!holder.empty() && !LibraryListing::listable(holder))) continue;
        if (file == kConfigFile || LibraryListing::hasExtension(file, extension_))
            kept.push_back({static_cast<zip_uint64_t>(i), stat.size, holder, file});
    }
    // Of several config.ini entries, each would land on the one before it: the
    // last one in the archive is the one kept.
    const auto lastConfig = std::find_if(kept.rbegin(), kept.rend(), [](const Kept& k) { return k.fileName == kConfigFile; });
    if (lastConfig != kept.rend()) {
        const zip_uint64_t keep = lastConfig->index;
        kept.erase(std::remove_if(kept.begin(), kept.end(),
                                  [keep](const Kept& k) { return k.fileName == kConfigFile && k.index != keep; }),
                   kept.end());
    }
    if (!createImportBank(bank, !kept.empty())) return false;
    int patches = 0, missing = 0;
    for (const Kept& k : kept) {
        const bool config = k.fileName == kConfigFile;
        const std::string target = config ? bank : targetFolder(bank, name, k.holder);
        std::vector<std::uint8_t> bytes;
        // An entry that cannot be extracted or written is left out (a patch is counted).
        const bool written = !target.empty() && extract(archive.get(), k.index, k.size, bytes) &&
                             platform::writeNewFileUnsynced(platform::joinPath(target, k.fileName), bytes.data(),
                                                            bytes.size());
        if (!config) ++patches;
        if (!config && !written) ++missing;
    }
    archive.reset();
    return finishBankImport(bank, bankPath, missing, patches);
}

}  // namespace calverine
