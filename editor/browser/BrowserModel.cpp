#include "BrowserModel.h"

#include <algorithm>
#include <map>

#include "Messages.h"
#include "PatchName.h"

namespace calverine {

namespace {

constexpr int kCodeBrowserRow = 640;
constexpr int kCodeBrowserSlot = 642;

// Titles of the menus, each used where the menu is made and where it is run.
constexpr const char* kOpenGenetics = "Open Genetics";
constexpr const char* kCloseGenetics = "Close Genetics";
constexpr const char* kImportPatch = "Import Patch...";
constexpr const char* kImportFolder = "Import Folder...";
constexpr const char* kImportZip = "Import ZIP Contents...";
constexpr const char* kReload = "Reload Soundbanks";
constexpr const char* kRenameSoundbank = "Rename Soundbank";
constexpr const char* kOpenInExplorer = "Open in Explorer...";
constexpr const char* kRestoreAll = "Restore All";
constexpr const char* kClearTrash = "Clear Trash";
constexpr const char* kClearFavourites = "Clear Favourites";
constexpr const char* kRenameFolder = "Rename Folder";
constexpr const char* kRenamePatch = "Rename Patch";
constexpr const char* kDuplicatePatch = "Duplicate Patch";
constexpr const char* kMoveToTrash = "Move to Trash";
constexpr const char* kGenetics = "Genetics";
constexpr const char* kGeneticsChoose = "Genetics (choose 2-3 patches)";
constexpr const char* kAddFavourites = "Add to Favourites";
constexpr const char* kRemoveFavourites = "Remove from Favourites";
constexpr const char* kRestore = "Restore";
constexpr const char* kDeletePermanently = "Delete permanently";

void showError(const std::string& text) { platform::showMessage("Error", text.c_str(), platform::MessageIcon::Error); }

}  // namespace

BrowserModel::BrowserModel(std::string root, BrowserHost& host, std::vector<std::string> fixedCategories)
    : host_(host), library_(std::move(root), "fxp", std::move(fixedCategories)) {
    loadedPath_ = host_.currentPatchPath();
    bank_ = library_.findBank("User");
    for (const PatchLibrary::Patch& p : library_.patches()) {
        if (p.entry.fullPath != loadedPath_) continue;
        bank_ = p.entry.bankIndex;
        category_ = p.category;
        selected_ = {loadedPath_};
        anchor_ = loadedPath_;
    }
    refresh();
}

// ---- columns and selection ------------------------------------------------------

PatchLibrary::BankKind BrowserModel::kindOf(int bank) const {
    if (bank < 0 || bank >= static_cast<int>(library_.banks().size())) return PatchLibrary::BankKind::Trash;
    return library_.banks()[static_cast<std::size_t>(bank)].kind;
}

bool BrowserModel::isFolderBank(int bank) const {
    if (bank < 0 || bank >= static_cast<int>(library_.banks().size())) return false;
    const PatchLibrary::BankKind kind = kindOf(bank);
    return kind != PatchLibrary::BankKind::Favourites && kind != PatchLibrary::BankKind::Trash;
}

void BrowserModel::selectBank(int bank) {
    if (bank < 0 || bank >= static_cast<int>(library_.banks().size())) {
        platform::reportIndexOutOfRange(bank, static_cast<int>(library_.banks().size()), kCodeBrowserRow);
        return;
    }
    bank_ = bank;  // the category stays when the bank has it too
    selected_.clear();
    anchor_.clear();
    refresh();
}

void BrowserModel::selectCategory(int category) {
    category_ = category;
    selected_.clear();
    anchor_.clear();
    refresh();
}

std::string BrowserModel::categoryText(int category) const {
    if (category < 0 || category >= static_cast<int>(library_.categories().size())) return kUncategorizedText;
    return library_.categories()[static_cast<std::size_t>(category)].name;
}

void BrowserModel::rebuildCategories() {
    categoryRows_.clear();
    if (!isFolderBank(bank_)) return;
    const auto fixed = [&](const std::string& name) {
        if (!library_.fixedCategoryMode()) return false;
        const auto& extra = library_.extraCategories();
        return std::find(kFixedCategories.begin(), kFixedCategories.end(), name) != kFixedCategories.end() ||
               std::find(extra.begin(), extra.end(), name) != extra.end();
    };
    categoryRows_.push_back(kUncategorized);
    const auto& categories = library_.categories();
    for (std::size_t c = 0; c < categories.size(); ++c) {
        bool inBank = fixed(categories[c].name);
        for (const std::string& folder : categories[c].folders)
            if (library_.folderOf(bank_, static_cast<int>(c)) == folder) inBank = true;
        if (inBank) categoryRows_.push_back(static_cast<int>(c));
    }
}

std::vector<std::string> BrowserModel::codesOf(const std::string& name) {
    std::vector<std::string> codes = splitAuthorSuffix(name).codes;
    if (codes.size() > 3) codes.resize(3);
    return codes;
}

bool BrowserModel::passesAuthor(const LibraryEntry& patch) const {
    if (author_ < 0) return true;
    if (author_ >= static_cast<int>(authors_.size())) return false;
    const std::string& wanted = authors_[static_cast<std::size_t>(author_)].code;
    for (const std::string& code : codesOf(patch.name)) {
        if (wanted == kUnknownAuthor ? library_.authors().count(code) == 0 : code == wanted) return true;
    }
    return false;
}

void BrowserModel::rebuildVisible() {
    visible_.clear();
    const int category = isFolderBank(bank_) ? category_ : kUncategorized;
    for (const LibraryEntry& e : library_.patchList(bank_, category)) {
        if (searchAvailable() && !PatchLibrary::matchesSearch(e.name, search_)) continue;
        if (!passesAuthor(e)) continue;
        visible_.push_back(e);
    }
}

void BrowserModel::rebuildAuthors() {
    std::map<std::string, std::string> present;  // by code, in byte order
    for (const PatchLibrary::Patch& p : library_.patches()) {
        for (const std::string& code : codesOf(p.entry.name)) {
            const auto known = library_.authors().find(code);
            if (known != library_.authors().end())
                present.emplace(code, known->second);
            else
                present.emplace(kUnknownAuthor, kUnknownAuthor);
        }
    }
    authors_.clear();
    for (const auto& [code, name] : present) authors_.push_back({code, name});
}

void BrowserModel::refresh() {
    if (bank_ < 0 || bank_ >= static_cast<int>(library_.banks().size())) bank_ = library_.findBank("User");
    rebuildCategories();
    if (std::find(categoryRows_.begin(), categoryRows_.end(), category_) == categoryRows_.end())
        category_ = kUncategorized;
    rebuildAuthors();
    rebuildVisible();
    std::set<std::string> still;
    for (const LibraryEntry& e : visible_)
        if (selected_.count(e.fullPath)) still.insert(e.fullPath);
    selected_.swap(still);
    if (!selected_.count(anchor_)) anchor_ = selected_.empty() ? std::string() : *selected_.begin();
    syncLibrarySelection();
}

std::string BrowserModel::patchRowText(int row) const {
    if (row < 0 || row >= static_cast<int>(visible_.size())) return "";
    const LibraryEntry& e = visible_[static_cast<std::size_t>(row)];
    const bool edited = !bredUnsaved_ && e.fullPath == loadedPath_ && host_.patchEdited();
    return edited ? e.name + " *" : e.name;
}

bool BrowserModel::isSelected(int row) const {
    return row >= 0 && row < static_cast<int>(visible_.size()) &&
           selected_.count(visible_[static_cast<std::size_t>(row)].fullPath) > 0;
}

std::vector<int> BrowserModel::selectedRows() const {
    std::vector<int> rows;
    for (int r = 0; r < static_cast<int>(visible_.size()); ++r)
        if (isSelected(r)) rows.push_back(r);
    return rows;
}

std::vector<LibraryEntry> BrowserModel::selectedPatches() const {
    std::vector<LibraryEntry> patches;
    for (int r : selectedRows()) patches.push_back(visible_[static_cast<std::size_t>(r)]);
    return patches;
}

int BrowserModel::currentRow() const {
    for (int r = 0; r < static_cast<int>(visible_.size()); ++r)
        if (visible_[static_cast<std::size_t>(r)].fullPath == anchor_) return r;
    const std::vector<int> rows = selectedRows();
    return rows.empty() ? -1 : rows.front();
}

void BrowserModel::selectRow(int row) {
    selected_.clear();
    anchor_.clear();
    if (row >= 0 && row < static_cast<int>(visible_.size())) {
        anchor_ = visible_[static_cast<std::size_t>(row)].fullPath;
        selected_.insert(anchor_);
    }
    syncLibrarySelection();
}

void BrowserModel::clickPatch(int row, std::uint32_t modifiers) {
    if (row < 0 || row >= static_cast<int>(visible_.size())) {
        platform::reportIndexOutOfRange(row, static_cast<int>(visible_.size()), kCodeBrowserRow + 1);
        return;
    }
    const std::string& path = visible_[static_cast<std::size_t>(row)].fullPath;
    if (modifiers & kControl) {
        if (!selected_.erase(path)) selected_.insert(path);
        anchor_ = path;
    } else if ((modifiers & kShift) && currentRow() >= 0) {
        const int from = std::min(currentRow(), row), to = std::max(currentRow(), row);
        const std::string keep = anchor_.empty() ? path : anchor_;
        selected_.clear();
        for (int r = from; r <= to; ++r) selected_.insert(visible_[static_cast<std::size_t>(r)].fullPath);
        anchor_ = keep;
    } else {
        selectRow(row);
        if (kindOf(bank_) != PatchLibrary::BankKind::Trash && host_.loadPatchFile(path)) {
            loadedPath_ = path;
            bredUnsaved_ = false;
        }
    }
    syncLibrarySelection();
}

void BrowserModel::syncLibrarySelection() {
    int patch = -1;
    const int row = currentRow();
    if (row >= 0) {
        const std::vector<LibraryEntry> all = library_.patchList(bank_, category_);
        for (std::size_t i = 0; i < all.size(); ++i)
            if (all[i].fullPath == visible_[static_cast<std::size_t>(row)].fullPath) patch = static_cast<int>(i);
    }
    library_.select(bank_, category_, patch);
}

void BrowserModel::adoptLibrarySelection() {
    const PatchLibrary::Selection s = library_.selection();
    clearFilters();
    bank_ = s.bank;
    category_ = s.category;
    selected_.clear();
    anchor_.clear();
    const std::vector<LibraryEntry> all = library_.patchList(s.bank, s.category);
    if (s.patch >= 0 && s.patch < static_cast<int>(all.size())) {
        anchor_ = all[static_cast<std::size_t>(s.patch)].fullPath;
        selected_.insert(anchor_);
    }
    refresh();
}

void BrowserModel::selectAfterRemoval(int position, bool elsewhereWhenEmpty) {
    selected_.clear();
    anchor_.clear();
    refresh();
    if (!visible_.empty()) {
        selectRow(std::min(std::max(position, 0), static_cast<int>(visible_.size()) - 1));
        return;
    }
    if (!elsewhereWhenEmpty || library_.patches().empty()) return;
    const PatchLibrary::Patch& first = library_.patches().front();
    bank_ = first.entry.bankIndex;
    category_ = first.category;
    anchor_ = first.entry.fullPath;
    selected_.insert(anchor_);
    refresh();
}

std::string BrowserModel::loadedPatchText() const {
    if (bredUnsaved_) return kGeneticsName;
    std::string name = host_.currentPatchName();
    return host_.patchEdited() ? name + " *" : name;
}

// ---- search and authors -----------------------------------------------------------

void BrowserModel::setSearchText(const std::string& text) {
    search_ = text.substr(0, kMaxSearchLength);
    refresh();
}

bool BrowserModel::searchAvailable() const { return kindOf(bank_) != PatchLibrary::BankKind::Trash; }

std::string BrowserModel::searchFieldText() const {
    if (!searchAvailable()) return kSearchInTrash;
    return search_.empty() ? kSearchPlaceholder : search_;
}

void BrowserModel::selectAuthor(int index) {
    author_ = index < 0 ? -1 : index;
    refresh();
}

std::string BrowserModel::authorFieldText() const {
    if (author_ < 0) return kAllAuthors;
    if (author_ >= static_cast<int>(authors_.size())) return kAuthorNotFound;
    return authors_[static_cast<std::size_t>(author_)].name;
}

std::vector<std::string> BrowserModel::authorMenu() const {
    std::vector<std::string> items{kAllAuthorsItem};
    for (const Author& a : authors_) items.push_back(a.name);
    return items;
}

void BrowserModel::clearFilters() {
    search_.clear();
    author_ = -1;
    refresh();
}

// ---- menus ------------------------------------------------------------------------

std::vector<BrowserModel::MenuEntry> BrowserModel::menuButtonItems() const {
    return {{geneticsOpen_ ? kCloseGenetics : kOpenGenetics}, {kImportPatch}, {kImportFolder}, {kImportZip}, {kReload}};
}

std::vector<BrowserModel::MenuEntry> BrowserModel::bankMenu(int bank) const {
    switch (kindOf(bank)) {
    case PatchLibrary::BankKind::Trash: return {{kRestoreAll}, {kClearTrash}};
    case PatchLibrary::BankKind::Favourites: return {{kClearFavourites}};
    default: return {{kRenameSoundbank}, {kOpenInExplorer}};
    }
}

std::vector<BrowserModel::MenuEntry> BrowserModel::categoryMenu(int category) const {
    if (category < 0 || !isFolderBank(bank_)) return {};
    return {{kRenameFolder}, {kOpenInExplorer}};
}

std::vector<BrowserModel::MenuEntry> BrowserModel::patchMenu(int row) {
    if (row >= 0 && row < static_cast<int>(visible_.size()) && !isSelected(row)) {
        selected_.insert(visible_[static_cast<std::size_t>(row)].fullPath);
        if (anchor_.empty()) anchor_ = visible_[static_cast<std::size_t>(row)].fullPath;
        syncLibrarySelection();
    }
    return patchMenuForSelection();
}

bool BrowserModel::selectionIsFavourite() const {
    for (const LibraryEntry& e : selectedPatches()) {
        const auto& favourites = library_.favourites();
        if (std::none_of(favourites.begin(), favourites.end(),
                         [&](const LibraryEntry& f) { return f.fullPath == e.fullPath; }))
            return false;
    }
    return true;
}

std::vector<BrowserModel::MenuEntry> BrowserModel::patchMenuForSelection() const {
    const std::size_t count = selectedRows().size();
    if (count == 0) return {};
    switch (kindOf(bank_)) {
    case PatchLibrary::BankKind::Trash: return {{kRestore}, rule(), {kDeletePermanently}};
    case PatchLibrary::BankKind::Favourites:
        if (count == 1) return {{kRemoveFavourites}, rule(), {kClearFavourites}};
        return {{kRemoveFavourites}};
    default:
        if (count == 1) return {{kRenamePatch, false}, {kDuplicatePatch, false}, {kMoveToTrash}, rule(), {kGenetics}};
        return {{selectionIsFavourite() ? kRemoveFavourites : kAddFavourites},
                {kMoveToTrash},
                rule(),
                count <= 3 ? MenuEntry{kGenetics} : MenuEntry{kGeneticsChoose, false}};
    }
}

bool BrowserModel::runBankCommand(int bank, const std::string& item) {
    if (item == kOpenInExplorer && isFolderBank(bank))
        return library_.openInFileManager(library_.banks()[static_cast<std::size_t>(bank)].path);
    bool done = false;
    if (item == kRestoreAll && kindOf(bank) == PatchLibrary::BankKind::Trash) {
        done = library_.restoreAll();
    } else if (item == kClearTrash && kindOf(bank) == PatchLibrary::BankKind::Trash) {
        done = library_.clearTrash();
    } else if (item == kClearFavourites && kindOf(bank) == PatchLibrary::BankKind::Favourites) {
        done = library_.clearFavourites();
    } else {
        return false;  // the rename needs the name editor
    }
    refresh();
    return done;
}

bool BrowserModel::runCategoryCommand(int category, const std::string& item) {
    if (item == kOpenInExplorer && category >= 0 && isFolderBank(bank_))
        return library_.openInFileManager(library_.folderOf(bank_, category));
    return false;
}

bool BrowserModel::trashSelection() {
    const std::vector<int> rows = selectedRows();
    if (rows.empty()) return false;
    bool all = true;
    for (const LibraryEntry& e : selectedPatches())
        if (!library_.moveToTrash(e)) all = false;
    selectAfterRemoval(rows.front(), true);
    return all;
}

bool BrowserModel::restoreSelection() {
    const std::vector<int> rows = selectedRows();
    if (rows.empty()) return false;
    int failed = 0;
    for (const LibraryEntry& e : selectedPatches())
        if (!library_.restore(e, false)) ++failed;
    if (failed > 0) showError(PatchLibrary::kRestoreFailed);
    library_.reload();
    selectAfterRemoval(rows.front());
    return failed == 0;
}

bool BrowserModel::runPatchCommand(const std::string& item) {
    const std::vector<LibraryEntry> patches = selectedPatches();
    if (patches.empty()) return false;
    const std::vector<int> rows = selectedRows();
    if (item == kMoveToTrash && isFolderBank(bank_)) return trashSelection();
    if (item == kRestore && kindOf(bank_) == PatchLibrary::BankKind::Trash) return restoreSelection();
    if (item == kDeletePermanently && kindOf(bank_) == PatchLibrary::BankKind::Trash) {
        bool all = true;
        for (const LibraryEntry& e : patches)
            if (!library_.deletePermanently(e)) all = false;
        selectAfterRemoval(rows.front());
        return all;
    }
    if (item == kAddFavourites) {
        bool all = true;
        for (const LibraryEntry& e : patches)
            if (!library_.addFavourite(e)) all = false;
        refresh();
        return all;
    }
    if (item == kRemoveFavourites) {
        bool all = true;
        for (const LibraryEntry& e : patches)
            if (!library_.removeFavourite(e)) all = false;
        if (kindOf(bank_) == PatchLibrary::BankKind::Favourites)
            selectAfterRemoval(rows.front());
        else
            refresh();
        return all;
    }
    if (item == kClearFavourites) return runBankCommand(library_.findBank("Favourites"), item);
    if (item == kGenetics) {
        std::vector<std::string> paths;
        for (const LibraryEntry& e : patches) paths.push_back(e.fullPath);
        if (paths.size() == 1) {
            // One patch goes into the first free slot, to be bred with others.
            geneticsOpen_ = true;
            const auto free = std::find(slots_.begin(), slots_.end(), std::string());
            setSlot(free == slots_.end() ? 0 : static_cast<int>(free - slots_.begin()), paths.front());
            return true;
        }
        return breed(paths);
    }
    return false;
}

void BrowserModel::reloadSoundbanks() {
    const std::string bank = bank_ >= 0 && bank_ < static_cast<int>(library_.banks().size())
                                 ? library_.banks()[static_cast<std::size_t>(bank_)].name
                                 : "";
    library_.reload(true);
    bank_ = library_.findBank(bank);
    refresh();
}

bool BrowserModel::renameBank(int bank, const std::string& name) {
    if (!library_.renameSoundbank(bank, name)) return false;
    const bool wasSelected = bank == bank_;
    const std::string selectedName =
        bank_ >= 0 && bank_ < static_cast<int>(library_.banks().size()) ? library_.banks()[bank_].name : "";
    bank_ = library_.findBank(wasSelected ? name : selectedName);
    refresh();
    return true;
}

bool BrowserModel::renameCategory(int category, const std::string& name) {
    if (!library_.renameCategory(category, name)) return false;
    if (category == category_) category_ = library_.findCategory(name);
    selected_.clear();
    refresh();
    return true;
}

// ---- drag and drop ------------------------------------------------------------------

BrowserModel::DropTarget BrowserModel::bankTarget(int bank) const {
    switch (kindOf(bank)) {
    case PatchLibrary::BankKind::Favourites: return {DropTarget::Kind::Favourites, bank};
    case PatchLibrary::BankKind::Trash:
        if (bank < 0 || bank >= static_cast<int>(library_.banks().size())) return {};
        return {DropTarget::Kind::Trash, bank};
    default: return {DropTarget::Kind::Folder, bank, isFolderBank(bank_) ? category_ : kUncategorized};
    }
}

BrowserModel::DropTarget BrowserModel::categoryTarget(int category) const {
    if (!isFolderBank(bank_)) return {};
    return {DropTarget::Kind::Folder, bank_, category};
}

bool BrowserModel::canDrag() const {
    return kindOf(bank_) != PatchLibrary::BankKind::Trash && !selectedRows().empty();
}

std::string BrowserModel::dropHint(const DropTarget& target) const {
    if (!canDrag()) return "";
    switch (target.kind) {
    case DropTarget::Kind::Folder: {
        if (!isFolderBank(target.bank)) return "";
        std::string hint = "Move to: " + library_.banks()[static_cast<std::size_t>(target.bank)].name;
        if (target.category >= 0) hint += " -> " + categoryText(target.category);
        return hint;
    }
    case DropTarget::Kind::Favourites: return "Add to Favourites";
    case DropTarget::Kind::Trash: return "Delete";
    case DropTarget::Kind::GeneticsSlot: return "Add Patch to Genetics (right-click to clear)";
    default: return "";
    }
}

bool BrowserModel::drop(const DropTarget& target) {
    if (dropHint(target).empty()) return false;
    const std::vector<LibraryEntry> patches = selectedPatches();
    switch (target.kind) {
    case DropTarget::Kind::Folder: {
        const std::string folder = library_.folderOf(target.bank, target.category);
        bool all = true;
        for (const LibraryEntry& e : patches)
            if (!library_.movePatch(e, folder)) all = false;
        refresh();
        return all;
    }
    case DropTarget::Kind::Favourites: return runPatchCommand(kAddFavourites);
    case DropTarget::Kind::Trash: return trashSelection();
    case DropTarget::Kind::GeneticsSlot: setSlot(target.slot, patches.front().fullPath); return true;
    default: return false;
    }
}

// ---- Genetics -------------------------------------------------------------------------

void BrowserModel::setSlot(int slot, const std::string& path) {
    if (slot < 0 || slot >= kSlots) {
        platform::reportIndexOutOfRange(slot, kSlots, kCodeBrowserSlot);
        return;
    }
    slots_[static_cast<std::size_t>(slot)] = path;
    geneticsOpen_ = true;
    breedFromSlots();
}

void BrowserModel::clearSlot(int slot) {
    if (slot >= 0 && slot < kSlots) slots_[static_cast<std::size_t>(slot)].clear();
}

void BrowserModel::setAmount(double amount) { amount_ = std::clamp(amount, 0.0, 1.0); }

bool BrowserModel::breed(const std::vector<std::string>& parents) {
    if (parents.size() < 2 || parents.size() > 3) return false;
    geneticsOpen_ = true;
    std::string error;
    if (!host_.breedPatches(parents, amount_, error)) {
        showError(error);
        return false;
    }
    bredUnsaved_ = true;
    loadedPath_.clear();
    return true;
}

bool BrowserModel::breedFromSlots() {
    std::vector<std::string> parents;
    for (const std::string& s : slots_)
        if (!s.empty()) parents.push_back(s);
    return breed(parents);
}

bool BrowserModel::storeBred() {
    if (!bredUnsaved_) return false;
    std::string path, error;
    if (!host_.storeBredPatch(path, error)) {
        showError(error);
        return false;
    }
    bredUnsaved_ = false;
    loadedPath_ = path;
    library_.reload();
    clearFilters();
    bank_ = library_.findBank("Genetics");
    category_ = kUncategorized;
    selected_ = {path};
    anchor_ = path;
    refresh();
    return true;
}

// ---- imports -----------------------------------------------------------------------

bool BrowserModel::importPatch(const std::string& file) {
    syncLibrarySelection();
    if (!library_.importPatch(file)) return false;
    adoptLibrarySelection();
    return true;
}

bool BrowserModel::importFolder(const std::string& folder) {
    if (!library_.importFolder(folder)) return false;
    adoptLibrarySelection();
    return true;
}

bool BrowserModel::importZip(const std::string& archive) {
    if (!library_.importZip(archive)) return false;
    adoptLibrarySelection();
    return true;
}

}  // namespace calverine
