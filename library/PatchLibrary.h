// The patch library on disk: soundbank folders below the library root, their
// category folders and the patch files in them, with favourites, the trash
// and imports. PatchLibrary is the model the browser shows and the one place
// that changes the library on disk. After every change the model is rebuilt
// from the disk (reload); nothing is patched in memory.
//
// Refusals and failures are shown with platform::showMessage in a box titled
// "Error", and the operation returns false. The disk is never left with a lost
// patch: renames happen in one step and never replace anything, and copies are
// written under a temporary name and renamed when complete.
//
// For the user-interface thread only (or a command-line tool).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "LibraryListing.h"
#include "PatchName.h"

namespace calverine {

// The category list of fixed-category mode, before the extra categories of
// the soundbanks' config.ini files.
inline const std::vector<std::string> kFixedCategories = {
    "Bass",  "Brass", "Chords",    "Drums",  "Gated",   "Keys+Plucked", "Leads",
    "Pads",  "Sequences", "SFX",   "Splits", "Strings", "Textures",     "Vintage"};

class PatchLibrary {
public:
    enum class BankKind { Favourites, Genetics, User, Folder, Trash };
    struct Bank {
        std::string name;
        std::string path;  // empty for the virtual banks Favourites and Trash
        BankKind kind = BankKind::Folder;
    };
    // Category folders are merged by name across soundbanks.
    struct Category {
        std::string name;
        std::vector<std::string> folders;
    };
    // A patch (or a trashed patch) with the soundbank and category it lies in;
    // category -1 for a patch directly in its soundbank folder.
    struct Patch {
        LibraryEntry entry;
        int category = -1;
    };
    struct Selection {
        int bank = -1;
        int category = -1;  // -1: the patches directly in the bank
        int patch = -1;     // index into patchList(bank, category)
    };

    static constexpr int kMaxRecords = 220000;
    static constexpr std::size_t kMaxPathLength = 511;
    static constexpr int kMaxCopyNumber = 100;
    static constexpr int kMaxBankNumber = 32;
    // Renames, moves and trashing are undone when the favourites that follow
    // them cannot be saved, and say so with this message.
    static constexpr const char* kFavouritesUnsaved =
        "Favourites.db could not be written; the favourites are as they were";
    static constexpr const char* kRestoreFailed =
        "File could not be restored from trash. Please check there is no file under the same name in the target "
        "soundbank/category.";

    // root: the library folder (the data folder's "Soundbanks"); extension:
    // the patch extension without the dot; fixedCategories: empty for the
    // mode in which every category folder name is a category. Reads the disk.
    explicit PatchLibrary(std::string root, std::string extension = "fxp",
                          std::vector<std::string> fixedCategories = {});

    // Rebuilds the model from the disk. Creates the reserved folders "User"
    // and "Genetics" when the root exists and they do not, and gives a folder
    // named like them in another case their exact name. `full` also forgets
    // the selection.
    void reload(bool full = false);

    const std::string& root() const { return root_; }
    const std::string& extension() const { return extension_; }
    bool fixedCategoryMode() const { return !fixedCategories_.empty(); }
    // "Favourites", "Genetics", "User", the soundbank folders, "Trash".
    const std::vector<Bank>& banks() const { return banks_; }
    const std::vector<Category>& categories() const { return categories_; }
    const std::vector<Patch>& patches() const { return patches_; }
    const std::vector<Patch>& trash() const { return trash_; }
    const std::vector<LibraryEntry>& favourites() const { return favourites_; }
    // Author code to display name: the built-in table, then the pairs of the
    // soundbanks' config.ini files that name a code of their own.
    const std::map<std::string, std::string>& authors() const { return authors_; }
    const std::vector<std::string>& extraCategories() const { return extraCategories_; }
    // The records the last reload found (folders, patches and trashed
    // patches, each once), as checked against kMaxRecords.
    int records() const { return records_; }

    // Index of the bank or category of that exact name, or -1.
    int findBank(const std::string& name) const;
    int findCategory(const std::string& name) const;
    // The folder a bank and category stand for (category -1: the bank folder);
    // empty for the virtual banks.
    std::string folderOf(int bank, int category) const;
    // What the browser lists for a bank and category: the favourites, the
    // trash, or the patches of one soundbank in that category.
    std::vector<LibraryEntry> patchList(int bank, int category) const;
    // Patches whose name matches: a single letter matches the first letter,
    // anything longer is looked for anywhere in the name; case is ignored.
    std::vector<LibraryEntry> search(const std::string& text) const;
    // The test of search for one name; an empty text matches every name.
    static bool matchesSearch(const std::string& name, const std::string& text);

    const Selection& selection() const { return selection_; }
    void select(int bank, int category, int patch) { selection_ = {bank, category, patch}; }
    // The patch that copyPatchInto copies.
    const std::string& sourcePatch() const { return sourcePatch_; }
    void setSourcePatch(const std::string& path) { sourcePatch_ = path; }

    bool createSoundbank(const std::string& name);
    bool createCategory(const std::string& name);
    bool renameSoundbank(int bank, const std::string& newName);
    bool renameCategory(int category, const std::string& newName);
    bool removeSoundbank(int bank);
    bool removeCategory(int category);
    bool renamePatch(const LibraryEntry& patch, const std::string& newName);
    bool movePatch(const LibraryEntry& patch, const std::string& targetFolder);
    // Copies the source patch into the folder (empty: the folder of the
    // selection, else "User") under a unique name, then reloads.
    bool copyPatchInto(const std::string& targetFolder = "");
    // The copy without the reload: "Name.fxp", else "Name 1.fxp" ... "Name 100.fxp",
    // with author codes kept at the end ("Lead 1 A+B.fxp"). No message. The
    // folder is created when missing (a fixed category may have none in a
    // bank yet), and so is the target folder of movePatch.
    bool copyUnique(const std::string& source, const std::string& folder, std::string* newPath = nullptr);
    // The naming of copyUnique for bytes in memory: writes them as a new file
    // in `folder` (created when missing) for the patch name `name`, as
    // "name.ext", else "name 1.ext" ... "name 100.ext" (author codes kept at
    // the end). Never replaces a file. No message.
    static bool writeUnique(const std::vector<std::uint8_t>& bytes, const std::string& folder, const std::string& name,
                            const std::string& extension, std::string* newPath = nullptr);
    bool openInFileManager(const std::string& folder);

    void loadFavourites();
    // These return false when Favourites.db could not be written (the file
    // is left as it was), and without a message: the caller reports it.
    bool saveFavourites();
    bool addFavourite(const LibraryEntry& patch, bool reloadFavourites = true);
    bool removeFavourite(const LibraryEntry& patch, bool reloadFavourites = true);
    bool clearFavourites();

    bool moveToTrash(const LibraryEntry& patch);
    // Fails without a message; the caller shows kRestoreFailed.
    bool restore(const LibraryEntry& trashed, bool reloadAfter = true);
    bool restoreAll();
    bool deletePermanently(const LibraryEntry& trashed);
    bool clearTrash();

    bool importPatch(const std::string& file);
    bool importFolder(const std::string& folder, std::string* bankPath = nullptr);
    bool importZip(const std::string& archive, std::string* bankPath = nullptr);

private:
    void list();
    void buildIndex();
    void attach(const LibraryListing& listing, const std::map<std::string, int>& bankOfFolder,
                std::vector<Patch>& out) const;
    bool fixReservedFolders();
    // Renames a patch file and keeps the favourites in step.
    bool moveFile(const std::string& from, const std::string& to);
    // Every favourite at `from` or inside it moves to `to`; whether any did.
    bool retargetFavourites(const std::string& from, const std::string& to);
    // After the renames (from, to) of a patch or folder operation: saves the
    // changed favourites. When Favourites.db cannot be written the renames are
    // undone, last first, so its favourites still name the files; then the
    // library is reloaded, kFavouritesUnsaved shown, and the result is false.
    bool saveOrUndo(bool favouritesChanged, const std::vector<std::pair<std::string, std::string>>& renamed);
    bool isReservedName(const std::string& name) const;
    bool isSoundbank(int bank) const;
    std::string uniqueBankFolder(const std::string& name);
    void selectPath(const std::string& fullPath);
    // The end of a folder or archive import: reload, select the new soundbank,
    // hand out its path, and say how many of its patches could not be copied.
    bool finishBankImport(const std::string& bank, std::string* bankPath, int missing, int patches);

    std::string root_;
    std::string extension_;
    std::vector<std::string> fixedCategories_;
    LibraryListing listing_;
    LibraryListing trashListing_;
    std::vector<Bank> banks_;
    std::vector<Category> categories_;
    std::vector<Patch> patches_;
    std::vector<Patch> trash_;
    std::vector<LibraryEntry> favourites_;
    std::map<std::string, std::string> authors_;
    std::vector<std::string> extraCategories_;
    Selection selection_;
    std::string sourcePatch_;
    int records_ = 0;
};

}  // namespace calverine
