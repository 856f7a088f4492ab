// What the patch browser shows and does, without drawing: the three columns
// (soundbanks, categories, patches) with the selection, the search and the
// author filter, the contents and enabling of every menu, the drop targets
// with their hints, the Genetics slots and the imports. Every change on disk
// is one of PatchLibrary's operations followed by a refresh of the lists.
//
// BrnCFileBrowserView draws it and turns gestures into its calls; tests
// drive it directly.
//
// Thread: the GUI thread only.
#pragma once

#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "BrowserHost.h"
#include "PatchLibrary.h"

namespace calverine {

class BrowserModel {
public:
    // The category row that lists the patches lying directly in the bank.
    static constexpr int kUncategorized = -1;
    static constexpr std::size_t kMaxSearchLength = 511;
    static constexpr int kSlots = 3;

    static constexpr const char* kSearchPlaceholder = "Search patch name...";
    static constexpr const char* kSearchInTrash = "Searching is not available in Trash.";
    static constexpr const char* kAllAuthors = "All authors";
    static constexpr const char* kAuthorNotFound = "Author not found!";
    static constexpr const char* kAllAuthorsItem = "--- All authors ---";
    static constexpr const char* kUnknownAuthor = "---";
    static constexpr const char* kUncategorizedText = "Show uncategorized patches...";
    static constexpr const char* kGeneticsName = "Genetics *";

    // Modifier bits of a click (the toolkit's kShift and kControl).
    static constexpr std::uint32_t kShift = 1u << 3;
    static constexpr std::uint32_t kControl = 1u << 4;

    struct MenuEntry {
        std::string title;
        bool enabled = true;
        bool separator = false;
        bool operator==(const MenuEntry&) const = default;
    };
    static MenuEntry rule() { return {"", false, true}; }

    struct Author {
        std::string code;
        std::string name;
    };

    // Where a dragged patch is over.
    struct DropTarget {
        enum class Kind { None, Folder, Favourites, Trash, GeneticsSlot } kind = Kind::None;
        int bank = -1;
        int category = kUncategorized;
        int slot = -1;
    };

    // root: the library folder; fixedCategories: empty for a category list
    // made of the folders found.
    BrowserModel(std::string root, BrowserHost& host, std::vector<std::string> fixedCategories = kFixedCategories);

    PatchLibrary& library() { return library_; }
    const PatchLibrary& library() const { return library_; }

    // ---- columns and selection -------------------------------------------------
    int selectedBank() const { return bank_; }
    void selectBank(int bank);
    // The category rows of the selected bank: kUncategorized first, then
    // category indices; none for Favourites and Trash.
    const std::vector<int>& categoryRows() const { return categoryRows_; }
    std::string categoryText(int category) const;
    int selectedCategory() const { return category_; }
    void selectCategory(int category);

    const std::vector<LibraryEntry>& visiblePatches() const { return visible_; }
    // The name, with " *" on the loaded patch once it was edited.
    std::string patchRowText(int row) const;
    bool isSelected(int row) const;
    std::vector<int> selectedRows() const;
    std::vector<LibraryEntry> selectedPatches() const;
    // The row the selection started from, -1 for none.
    int currentRow() const;
    // A click on a patch row: plain selects it alone and loads it, Ctrl adds
    // or removes it, Shift selects the rows from the current one to it.
    void clickPatch(int row, std::uint32_t modifiers);
    void selectRow(int row);

    // The patch the plug-in plays (empty after a Genetics run until it is stored).
    const std::string& loadedPath() const { return loadedPath_; }
    // The loaded patch's name as the browser shows it: "Genetics *" after a
    // Genetics run until the child is stored, else the name (" *" when edited).
    std::string loadedPatchText() const;
    bool bredUnsaved() const { return bredUnsaved_; }

    // ---- search and authors ----------------------------------------------------
    void setSearchText(const std::string& text);
    const std::string& searchText() const { return search_; }
    bool searchAvailable() const;
    // The text the search field shows: the search text, else its placeholder.
    std::string searchFieldText() const;

    // The authors of the library's patches, by code ("---" for codes not in the map).
    const std::vector<Author>& presentAuthors() const { return authors_; }
    void selectAuthor(int index);
    int selectedAuthor() const { return author_; }
    std::string authorFieldText() const;
    // "--- All authors ---", then the present authors' names.
    std::vector<std::string> authorMenu() const;
    // The author menu's entry `item`: 0 for all, else present author item - 1.
    void chooseAuthorItem(int item) { selectAuthor(item - 1); }
    void clearFilters();

    // ---- menus -----------------------------------------------------------------
    std::vector<MenuEntry> menuButtonItems() const;
    std::vector<MenuEntry> bankMenu(int bank) const;
    std::vector<MenuEntry> categoryMenu(int category) const;
    // The menu of a right click on `row`; the row joins the selection first.
    std::vector<MenuEntry> patchMenu(int row);
    std::vector<MenuEntry> patchMenuForSelection() const;

    // The commands behind the entries (the renames and imports, which need
    // a name or a file, have their own calls). False when nothing was done.
    bool runBankCommand(int bank, const std::string& item);
    bool runCategoryCommand(int category, const std::string& item);
    bool runPatchCommand(const std::string& item);
    void reloadSoundbanks();

    bool renameBank(int bank, const std::string& name);
    bool renameCategory(int category, const std::string& name);

    // ---- drag and drop ---------------------------------------------------------
    // Over a bank row: that bank with the selected category; over a category
    // row: the selected bank with that category.
    DropTarget bankTarget(int bank) const;
    DropTarget categoryTarget(int category) const;
    static DropTarget slotTarget(int slot) { return {DropTarget::Kind::GeneticsSlot, -1, kUncategorized, slot}; }
    // Whether the selected patches can be dragged at all (not from the trash).
    bool canDrag() const;
    // The floating hint, empty where nothing can be dropped.
    std::string dropHint(const DropTarget& target) const;
    // Drops the selected patches; false when the target takes none.
    bool drop(const DropTarget& target);

    // ---- Genetics --------------------------------------------------------------
    bool geneticsOpen() const { return geneticsOpen_; }
    void setGeneticsOpen(bool open) { geneticsOpen_ = open; }
    const std::array<std::string, kSlots>& slots() const { return slots_; }
    // Puts a patch into a slot; breeds when two or three slots are full.
    void setSlot(int slot, const std::string& path);
    void clearSlot(int slot);
    double amount() const { return amount_; }
    void setAmount(double amount);
    // Breeds from 2 or 3 patch files; fewer or more breed nothing.
    bool breed(const std::vector<std::string>& parents);
    bool breedFromSlots();
    // Stores the bred patch in the "Genetics" bank and selects it there.
    bool storeBred();

    // ---- imports (the file comes from the dialog) --------------------------------
    bool importPatch(const std::string& file);
    bool importFolder(const std::string& folder);
    bool importZip(const std::string& archive);

    // Rebuilds the lists after the library changed (or the plug-in loaded
    // another patch); the selection is kept by path.
    void refresh();

private:
    bool isFolderBank(int bank) const;
    PatchLibrary::BankKind kindOf(int bank) const;
    // Every selected patch is among the favourites.
    bool selectionIsFavourite() const;
    // The codes of a patch name, at most three.
    static std::vector<std::string> codesOf(const std::string& name);
    bool passesAuthor(const LibraryEntry& patch) const;
    void rebuildCategories();
    void rebuildVisible();
    void rebuildAuthors();
    // Selects the row at `position` of the rebuilt list, else the last; with
    // an empty list nothing, or (after a move to the trash) the first patch
    // of the library.
    void selectAfterRemoval(int position, bool elsewhereWhenEmpty = false);
    // Takes the library's selection as the browser's (after an import or move).
    void adoptLibrarySelection();
    void syncLibrarySelection();
    bool trashSelection();
    bool restoreSelection();

    BrowserHost& host_;
    PatchLibrary library_;
    int bank_ = -1;
    int category_ = kUncategorized;
    std::vector<int> categoryRows_;
    std::vector<LibraryEntry> visible_;
    std::set<std::string> selected_;  // full paths
    std::string anchor_;              // the row a Shift click extends from
    std::string loadedPath_;
    bool bredUnsaved_ = false;
    std::string search_;
    std::vector<Author> authors_;
    int author_ = -1;
    bool geneticsOpen_ = false;
    std::array<std::string, kSlots> slots_;
    double amount_ = 0.5;
};

}  // namespace calverine
