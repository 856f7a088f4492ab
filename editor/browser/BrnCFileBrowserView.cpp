#include "BrnCFileBrowserView.h"

#include <algorithm>
#include <cmath>

#include "CFrame.h"
#include "Messages.h"
#include "Theme.h"

namespace calverine {

namespace {

constexpr double kDragDistance = 4;
constexpr int kWheelRows = 3;
constexpr const char* kEmptySlots = "Select 2-3 Patches for Genetics";
constexpr const char* kDropSlot = "Drop Patch for Genetics";
constexpr const char* kOrSelect = "or select 2-3 Patches";

std::string baseName(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

}  // namespace

BrnCFileBrowserView::BrnCFileBrowserView(const gui::CRect& size, std::string root, BrowserHost& host,
                                         double fontSize)
    : CViewContainer(size), model_(std::move(root), host), fontSize_(fontSize) {
    setBackgroundColor(gui::theme::kPanel);
    search_ = add<BrnCFileBrowserTextEdit>(searchRect(), BrowserModel::kSearchPlaceholder);
    search_->setFont(gui::theme::font(fontSize_ * 0.8));
    search_->setMaxLength(BrowserModel::kMaxSearchLength);
    search_->changed = [this](const std::string& text) {
        model_.setSearchText(text);
        scroll_[2] = 0;
        changed();
    };
    search_->accepted = search_->changed;
    knob_ = add<BrnCFileBrowserKnob>(gui::CRect{});
    knob_->setValue(float(model_.amount() * 100));
    knob_->moved = [this](float value) {
        model_.setAmount(value / 100.0);
        invalidRect(geneticsRect());
    };
    moveInfo_ = add<BrnCFileBrowserFMoveInfo>(gui::CRect::fromSize(0, 0, 10, rowHeight() + 4));
    popup_.setChosenCallback([this](const std::vector<int>&, int tag) {
        if (tag < 0 || tag >= int(popupTitles_.size()) || !popupRun_) return;
        // The callback may open another menu; keep what it needs.
        const std::string title = popupTitles_[std::size_t(tag)];
        auto run = popupRun_;
        run(title);
    });
    chooseFile = [this](const gui::FileDialogOptions& options) { return pick(options); };
    layoutChildren();
}

// ---- layout --------------------------------------------------------------------------

gui::CRect BrnCFileBrowserView::menuButtonRect() const {
    const double s = scale();
    return {4 * s, 5 * s, 84 * s, 25 * s};
}
gui::CRect BrnCFileBrowserView::searchRect() const {
    const double s = scale();
    return {92 * s, 5 * s, 332 * s, 25 * s};
}
gui::CRect BrnCFileBrowserView::authorRect() const {
    const double s = scale();
    return {340 * s, 5 * s, 540 * s, 25 * s};
}
gui::CRect BrnCFileBrowserView::clearRect() const {
    const double s = scale();
    return {546 * s, 5 * s, 566 * s, 25 * s};
}
gui::CRect BrnCFileBrowserView::geneticsButtonRect() const {
    const double s = scale();
    return {kWidth * s - 124 * s, 5 * s, kWidth * s - 4 * s, 25 * s};
}

gui::CRect BrnCFileBrowserView::columnRect(Column column) const {
    const double s = scale();
    const double top = std::floor(kBar * s);
    const double bottom = getViewSize().height() - (model_.geneticsOpen() ? std::floor(kGenetics * s) : 0);
    const double bankRight = std::floor(kBankColumn * s);
    const double categoryRight = bankRight + std::floor(kCategoryColumn * s);
    switch (column) {
    case Column::Banks: return {0, top, bankRight, bottom};
    case Column::Categories: return {bankRight, top, categoryRight, bottom};
    default: return {categoryRight, top, getViewSize().width(), bottom};
    }
}

gui::CRect BrnCFileBrowserView::rowRect(Column column, int row) const {
    const gui::CRect c = columnRect(column);
    const int shown = row - scroll_[int(column)];
    if (shown < 0 || shown >= visibleRows(column)) return {};
    const double top = c.top + shown * rowHeight();
    return {c.left, top, c.right, top + rowHeight()};
}

gui::CRect BrnCFileBrowserView::geneticsRect() const {
    if (!model_.geneticsOpen()) return {};
    const double bottom = getViewSize().height();
    return {0, bottom - std::floor(kGenetics * scale()), getViewSize().width(), bottom};
}

gui::CRect BrnCFileBrowserView::slotRect(int slot) const {
    const gui::CRect g = geneticsRect();
    if (g.empty()) return {};
    const double s = scale();
    const double left = 8 * s + slot * 160 * s;
    return {left, g.top + 24 * s, left + 152 * s, g.bottom - 8 * s};
}

gui::CRect BrnCFileBrowserView::breedRect() const {
    const gui::CRect g = geneticsRect();
    if (g.empty()) return {};
    const double s = scale();
    return {g.right - 124 * s, g.top + 24 * s, g.right - 8 * s, g.top + 46 * s};
}

gui::CRect BrnCFileBrowserView::storeRect() const {
    const gui::CRect g = geneticsRect();
    if (g.empty()) return {};
    const double s = scale();
    return {g.right - 124 * s, g.top + 54 * s, g.right - 8 * s, g.top + 76 * s};
}

void BrnCFileBrowserView::layoutChildren() {
    const gui::CRect g = geneticsRect();
    knob_->setVisible(!g.empty());
    if (!g.empty()) {
        const double s = scale();
        knob_->setViewSize({500 * s, g.top + 10 * s, 548 * s, g.top + 58 * s});
    }
    clampScroll();
    invalidate();
}

int BrnCFileBrowserView::rowCount(Column column) const {
    switch (column) {
    case Column::Banks: return int(model_.library().banks().size());
    case Column::Categories: return int(model_.categoryRows().size());
    default: return int(model_.visiblePatches().size());
    }
}

int BrnCFileBrowserView::visibleRows(Column column) const {
    return std::max(1, int(columnRect(column).height() / rowHeight()));
}

void BrnCFileBrowserView::clampScroll() {
    for (Column c : {Column::Banks, Column::Categories, Column::Patches}) {
        int& scroll = scroll_[int(c)];
        scroll = std::clamp(scroll, 0, std::max(0, rowCount(c) - visibleRows(c)));
    }
}

void BrnCFileBrowserView::changed() {
    clampScroll();
    // Keep the current patch in sight.
    const int current = model_.currentRow();
    if (current >= 0 && rowRect(Column::Patches, current).empty()) {
        scroll_[2] = std::max(0, current - visibleRows(Column::Patches) + 1);
        if (current < scroll_[2]) scroll_[2] = current;
        clampScroll();
    }
    invalidate();
}

void BrnCFileBrowserView::refresh() {
    model_.refresh();
    changed();
}

// ---- drawing ---------------------------------------------------------------------------

std::string BrnCFileBrowserView::rowText(Column column, int row) const {
    switch (column) {
    case Column::Banks: return model_.library().banks()[std::size_t(row)].name;
    case Column::Categories: return model_.categoryText(model_.categoryRows()[std::size_t(row)]);
    default: return model_.patchRowText(row);
    }
}

bool BrnCFileBrowserView::rowSelected(Column column, int row) const {
    switch (column) {
    case Column::Banks: return row == model_.selectedBank();
    case Column::Categories: return model_.categoryRows()[std::size_t(row)] == model_.selectedCategory();
    default: return model_.isSelected(row);
    }
}

void BrnCFileBrowserView::drawButton(gui::CDrawContext& context, const gui::CRect& rect, const std::string& text,
                                     bool lit) {
    context.setFillColor(lit ? gui::theme::kAccent : gui::theme::kRaised);
    context.drawRoundRect(rect, 3 * scale());
    context.setFontColor(lit ? gui::theme::kTextOnAccent : gui::theme::kText);
    context.drawString(text, rect);
}

void BrnCFileBrowserView::drawBar(gui::CDrawContext& context) {
    const double s = scale();
    context.setFillColor(gui::theme::kSurface);
    context.drawRect({0, 0, getViewSize().width(), std::floor(kBar * s)});
    context.setFont(gui::theme::font(fontSize_ * 0.8));
    drawButton(context, menuButtonRect(), "Menu \u25BE");
    if (!model_.searchAvailable()) {
        // The search field is replaced by the notice.
        context.setFillColor(gui::theme::kTrack);
        context.drawRect(searchRect());
        context.setFontColor(gui::theme::kTextDim);
        context.drawString(BrowserModel::kSearchInTrash, searchRect().inset(6, 0), gui::HoriAlign::Left);
    }
    context.setFillColor(gui::theme::kTrack);
    context.drawRect(authorRect());
    context.setFontColor(model_.selectedAuthor() < 0 ? gui::theme::kTextDim : gui::theme::kText);
    context.drawString(model_.authorFieldText() + "", authorRect().inset(6, 0), gui::HoriAlign::Left);
    context.drawString("\u25BE", authorRect().inset(6, 0), gui::HoriAlign::Right);
    drawButton(context, clearRect(), "X");
    drawButton(context, geneticsButtonRect(), model_.geneticsOpen() ? "Close Genetics" : "Open Genetics",
               model_.geneticsOpen());
}

void BrnCFileBrowserView::drawColumn(gui::CDrawContext& context, Column column) {
    const gui::CRect c = columnRect(column);
    context.saveState();
    context.clip(c);
    context.setFillColor(column == Column::Patches ? gui::theme::kTrack : gui::theme::kSurface);
    context.drawRect(c);
    context.setFont(gui::theme::font(fontSize_ * 0.8));
    const int count = rowCount(column);
    const bool loadedColumn = column == Column::Patches;
    for (int row = scroll_[int(column)]; row < count; ++row) {
        const gui::CRect r = rowRect(column, row);
        if (r.empty()) break;
        if (rowSelected(column, row)) {
            context.setFillColor(gui::theme::kSelection);
            context.drawRect(r);
        }
        const bool loaded = loadedColumn && !model_.loadedPath().empty() &&
                            model_.visiblePatches()[std::size_t(row)].fullPath == model_.loadedPath();
        const bool uncategorized = column == Column::Categories && model_.categoryRows()[std::size_t(row)] < 0;
        context.setFontColor(loaded ? gui::theme::kAccent : uncategorized ? gui::theme::kTextDim : gui::theme::kText);
        context.drawString(rowText(column, row), r.inset(8 * scale(), 0), gui::HoriAlign::Left);
    }
    // A thin scroll thumb when the rows do not fit.
    const int shown = visibleRows(column);
    if (count > shown) {
        const double track = c.height();
        const double thumb = std::max(12.0, track * shown / count);
        const double top = c.top + (track - thumb) * scroll_[int(column)] / std::max(1, count - shown);
        context.setFillColor(gui::theme::kEdge);
        context.drawRoundRect({c.right - 5 * scale(), top, c.right - 1, top + thumb}, 2);
    }
    context.restoreState();
    context.setFrameColor(gui::theme::kEdge);
    context.drawLine({c.right - 0.5, c.top}, {c.right - 0.5, c.bottom});
}

void BrnCFileBrowserView::drawGenetics(gui::CDrawContext& context) {
    const gui::CRect g = geneticsRect();
    if (g.empty()) return;
    const double s = scale();
    context.setFillColor(gui::theme::kSurface);
    context.drawRect(g);
    context.setFrameColor(gui::theme::kEdge);
    context.drawLine({g.left, g.top + 0.5}, {g.right, g.top + 0.5});
    context.setFont(gui::theme::font(fontSize_ * 0.8, true));
    context.setFontColor(gui::theme::kAccent);
    const bool none = std::all_of(model_.slots().begin(), model_.slots().end(), [](const std::string& p) { return p.empty(); });
    context.drawString(none ? kEmptySlots : "Genetics: " + model_.loadedPatchText(),
                       {8 * s, g.top + 2 * s, 480 * s, g.top + 22 * s}, gui::HoriAlign::Left);
    context.setFont(gui::theme::font(fontSize_ * 0.72));
    for (int slot = 0; slot < BrowserModel::kSlots; ++slot) {
        const gui::CRect r = slotRect(slot);
        const std::string& path = model_.slots()[std::size_t(slot)];
        context.setFillColor(gui::theme::kTrack);
        context.drawRoundRect(r, 4 * s);
        context.setFrameColor(path.empty() ? gui::theme::kEdge : gui::theme::kAccent);
        context.drawRoundRect(r, 4 * s, gui::DrawStyle::Stroked);
        if (path.empty()) {
            context.setFontColor(gui::theme::kTextDim);
            const double mid = r.center().y;
            context.drawString(kDropSlot, {r.left, r.top, r.right, mid + 1});
            context.drawString(kOrSelect, {r.left, mid - 1, r.right, r.bottom});
        } else {
            context.setFontColor(gui::theme::kText);
            context.drawString(baseName(path), r.inset(6 * s, 0));
        }
    }
    context.setFontColor(gui::theme::kText);
    context.drawString(knob_->valueText(), {knob_->getViewSize().left - 20 * s, knob_->getViewSize().bottom,
                                            knob_->getViewSize().right + 20 * s, g.bottom - 4 * s});
    context.setFont(gui::theme::font(fontSize_ * 0.8));
    drawButton(context, breedRect(), "Breed");
    drawButton(context, storeRect(), "Store", model_.bredUnsaved());
}

void BrnCFileBrowserView::draw(gui::CDrawContext& context) {
    drawBackground(context);
    drawBar(context);
    for (Column c : {Column::Banks, Column::Categories, Column::Patches}) drawColumn(context, c);
    drawGenetics(context);
    search_->setVisible(model_.searchAvailable());
    for (const auto& child : children())
        if (child->isVisible()) drawChild(context, *child);
}

// ---- mouse ---------------------------------------------------------------------------------

BrnCFileBrowserView::Hit BrnCFileBrowserView::hitAt(gui::CPoint where) const {
    for (Column c : {Column::Banks, Column::Categories, Column::Patches}) {
        const gui::CRect r = columnRect(c);
        if (!r.contains(where)) continue;
        const int row = scroll_[int(c)] + int((where.y - r.top) / rowHeight());
        return {c, row < rowCount(c) ? row : -1, true};
    }
    return {};
}

BrowserModel::DropTarget BrnCFileBrowserView::targetAt(gui::CPoint where) const {
    for (int slot = 0; slot < BrowserModel::kSlots; ++slot)
        if (slotRect(slot).contains(where)) return BrowserModel::slotTarget(slot);
    const Hit hit = hitAt(where);
    if (!hit.inColumn || hit.row < 0) return {};
    if (hit.column == Column::Banks) return model_.bankTarget(hit.row);
    if (hit.column == Column::Categories) return model_.categoryTarget(model_.categoryRows()[std::size_t(hit.row)]);
    return {};
}

void BrnCFileBrowserView::openMenu(const std::vector<BrowserModel::MenuEntry>& entries, gui::CPoint local,
                                   std::function<void(const std::string&)> run) {
    gui::CFrame* frame = getFrame();
    if (!frame || entries.empty()) return;
    popup_.removeAllEntries();
    popupTitles_.clear();
    for (const BrowserModel::MenuEntry& e : entries) {
        if (e.separator) {
            popup_.addSeparator();
            continue;
        }
        popup_.addEntry(e.title, int(popupTitles_.size())).enabled = e.enabled;
        popupTitles_.push_back(e.title);
    }
    popup_.updateRange();
    popupRun_ = std::move(run);
    popup_.openAt(*frame, localToFrame(local));
}

void BrnCFileBrowserView::openAuthorMenu() {
    std::vector<BrowserModel::MenuEntry> entries;
    for (const std::string& name : model_.authorMenu()) entries.push_back({name});
    gui::CFrame* frame = getFrame();
    if (!frame) return;
    popup_.removeAllEntries();
    popupTitles_.clear();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        popup_.addEntry(entries[i].title, int(i)).checked = int(i) == model_.selectedAuthor() + 1;
        popupTitles_.push_back(std::to_string(i));
    }
    popup_.updateRange();
    popupRun_ = [this](const std::string& item) {
        model_.chooseAuthorItem(std::stoi(item));
        scroll_[2] = 0;
        changed();
    };
    const gui::CRect a = authorRect();
    popup_.openNextTo(*frame, {localToFrame(a.topLeft()).x, localToFrame(a.topLeft()).y,
                               localToFrame({a.right, a.bottom}).x, localToFrame({a.right, a.bottom}).y});
}

void BrnCFileBrowserView::startRename(Column column, int row, std::function<bool(const std::string&)> apply) {
    closeRename();
    const gui::CRect r = rowRect(column, row);
    if (r.empty()) return;
    const double h = rowHeight();
    rename_ = add<BrnCFileBrowserTextEdit>(r);
    rename_->setFont(gui::theme::font(fontSize_ * 0.8));
    rename_->setText(rowText(column, row));
    okCancel_ = add<BrnCFileBrowserOkCancel>(gui::CRect{r.left, r.bottom, r.right, r.bottom + h});
    applyRename_ = std::move(apply);
    const auto accept = [this] {
        const std::string name = rename_->getText();
        auto apply = applyRename_;
        closeRename();
        if (apply) apply(name);
        changed();
    };
    rename_->accepted = [accept](const std::string&) { accept(); };
    rename_->discarded = [this] { closeRename(); };
    okCancel_->ok = accept;
    okCancel_->cancel = [this] { closeRename(); };
    rename_->beginEditing();
    if (gui::CFrame* frame = getFrame()) frame->setFocusView(rename_);
}

void BrnCFileBrowserView::closeRename() {
    if (!rename_) return;
    BrnCFileBrowserTextEdit* edit = std::exchange(rename_, nullptr);
    BrnCFileBrowserOkCancel* buttons = std::exchange(okCancel_, nullptr);
    applyRename_ = nullptr;
    // Removing a view from inside its own handler is what removeView allows.
    removeView(edit);
    removeView(buttons);
    invalidate();
}

gui::FileDialogOptions BrnCFileBrowserView::importPatchDialog() {
    gui::FileDialogOptions o;
    o.title = "Import Patch";
    o.filters = {{"Program File", "*.fxp"}};
    return o;
}

gui::FileDialogOptions BrnCFileBrowserView::importFolderDialog() {
    gui::FileDialogOptions o;
    o.mode = gui::FileDialogOptions::Mode::Folder;
    o.title = "Import Folder";
    return o;
}

gui::FileDialogOptions BrnCFileBrowserView::importZipDialog() {
    gui::FileDialogOptions o;
    o.title = "Import ZIP Contents";
    o.filters = {{"ZIP archive", "*.zip"}};
    return o;
}

std::string BrnCFileBrowserView::pick(const gui::FileDialogOptions& options) {
    const gui::FileDialogResult result = gui::runFileDialog(options, [this] {
        if (gui::CFrame* frame = getFrame())
            if (gui::PlatformWindow* window = frame->window()) window->pump();
    });
    if (!result.error.empty()) platform::showMessage("Error", result.error.c_str(), platform::MessageIcon::Error);
    return result.path;
}

void BrnCFileBrowserView::runMenuButtonItem(const std::string& item) {
    if (item == "Open Genetics" || item == "Close Genetics") {
        model_.setGeneticsOpen(item == "Open Genetics");
    } else if (item == "Import Patch...") {
        if (const std::string file = chooseFile(importPatchDialog()); !file.empty()) model_.importPatch(file);
    } else if (item == "Import Folder...") {
        if (const std::string folder = chooseFile(importFolderDialog()); !folder.empty()) model_.importFolder(folder);
    } else if (item == "Import ZIP Contents...") {
        if (const std::string file = chooseFile(importZipDialog()); !file.empty()) model_.importZip(file);
    } else if (item == "Reload Soundbanks") {
        model_.reloadSoundbanks();
    }
    search_->setText(model_.searchText());
    layoutChildren();
    changed();
}

gui::MouseResult BrnCFileBrowserView::onMouseDown(gui::CPoint where, std::uint32_t buttons) {
    closeRename();  // a click elsewhere drops an open name editor
    const bool right = buttons & gui::kRButton;
    if (where.y < std::floor(kBar * scale())) {
        if (menuButtonRect().contains(where)) {
            openMenu(model_.menuButtonItems(), {menuButtonRect().left, menuButtonRect().bottom},
                     [this](const std::string& item) { runMenuButtonItem(item); });
        } else if (authorRect().contains(where)) {
            openAuthorMenu();
        } else if (clearRect().contains(where)) {
            search_->setText("");
            model_.clearFilters();
            changed();
        } else if (geneticsButtonRect().contains(where)) {
            runMenuButtonItem(model_.geneticsOpen() ? "Close Genetics" : "Open Genetics");
        }
        return gui::MouseResult::Handled;
    }
    for (int slot = 0; slot < BrowserModel::kSlots; ++slot) {
        if (!slotRect(slot).contains(where)) continue;
        if (right) model_.clearSlot(slot);
        invalidate();
        return gui::MouseResult::Handled;
    }
    if (breedRect().contains(where)) {
        model_.breedFromSlots();
        changed();
        return gui::MouseResult::Handled;
    }
    if (storeRect().contains(where)) {
        model_.storeBred();
        changed();
        return gui::MouseResult::Handled;
    }
    const Hit hit = hitAt(where);
    if (!hit.inColumn || hit.row < 0) return gui::MouseResult::Handled;
    switch (hit.column) {
    case Column::Banks:
        model_.selectBank(hit.row);
        scroll_[1] = scroll_[2] = 0;
        changed();
        if (right) {
            const int bank = hit.row;
            openMenu(model_.bankMenu(bank), where, [this, bank](const std::string& item) {
                if (item == "Rename Soundbank")
                    startRename(Column::Banks, bank, [this, bank](const std::string& name) {
                        return model_.renameBank(bank, name);
                    });
                else
                    model_.runBankCommand(bank, item);
                changed();
            });
        }
        return gui::MouseResult::Handled;
    case Column::Categories: {
        const int category = model_.categoryRows()[std::size_t(hit.row)];
        const int row = hit.row;
        model_.selectCategory(category);
        scroll_[2] = 0;
        changed();
        if (right)
            openMenu(model_.categoryMenu(category), where, [this, category, row](const std::string& item) {
                if (item == "Rename Folder")
                    startRename(Column::Categories, row, [this, category](const std::string& name) {
                        return model_.renameCategory(category, name);
                    });
                else
                    model_.runCategoryCommand(category, item);
                changed();
            });
        return gui::MouseResult::Handled;
    }
    default: break;
    }
    if (right) {
        const std::vector<BrowserModel::MenuEntry> menu = model_.patchMenu(hit.row);
        invalidate();
        openMenu(menu, where, [this](const std::string& item) {
            model_.runPatchCommand(item);
            layoutChildren();
            changed();
        });
        return gui::MouseResult::Handled;
    }
    const std::uint32_t modifiers = buttons & (gui::kShift | gui::kControl);
    press_ = Press{hit.row, buttons, where, false, false};
    if (modifiers || !model_.isSelected(hit.row))
        model_.clickPatch(hit.row, modifiers);
    else
        press_.selectOnUp = true;  // a drag of the selection, or a click that selects this row alone
    changed();
    return gui::MouseResult::Capture;
}

gui::MouseResult BrnCFileBrowserView::onMouseMoved(gui::CPoint where, std::uint32_t buttons) {
    if (press_.row < 0 || !(buttons & gui::kLButton)) return gui::MouseResult::NotHandled;
    if (!press_.dragging) {
        const gui::CPoint d = where - press_.where;
        if (std::hypot(d.x, d.y) < kDragDistance || !model_.canDrag()) return gui::MouseResult::Handled;
        press_.dragging = true;
    }
    const std::string hint = model_.dropHint(targetAt(where));
    const double width = hint.empty() ? 10 : getFrame() ? getFrame()->stringWidth(hint, gui::theme::font(rowHeight() * 0.6)) + 18 : 200;
    moveInfo_->show(hint, where, localBounds(), width);
    return gui::MouseResult::Handled;
}

gui::MouseResult BrnCFileBrowserView::onMouseUp(gui::CPoint where, std::uint32_t) {
    const Press press = std::exchange(press_, Press{});
    moveInfo_->show("", where, localBounds(), 0);
    if (press.row < 0) return gui::MouseResult::Handled;
    if (press.dragging) {
        model_.drop(targetAt(where));
    } else if (press.selectOnUp) {
        model_.clickPatch(press.row, 0);
    }
    layoutChildren();
    changed();
    return gui::MouseResult::Handled;
}

void BrnCFileBrowserView::onMouseCancel() {
    press_ = Press{};
    moveInfo_->show("", {}, localBounds(), 0);
}

bool BrnCFileBrowserView::onWheel(gui::CPoint where, double notches, std::uint32_t) {
    const Hit hit = hitAt(where);
    if (!hit.inColumn) return false;
    scroll_[int(hit.column)] -= int(std::lround(notches * kWheelRows));
    clampScroll();
    invalidate();
    return true;
}

}  // namespace calverine
