// The patch browser panel: a bar (menu button, search field, author filter,
// clear button, Genetics button) over three columns (soundbanks, categories,
// patches) and, when open, the Genetics panel with three parent slots and
// the mix knob. What it shows and does is BrowserModel's; this view draws
// it and turns clicks, drags, wheel turns and typing into model calls.
//
// Mouse: a click on a patch selects and loads it (Ctrl adds or removes a
// row, Shift extends from the current row); a right click opens the menu of
// the row; a patch dragged onto a bank, a category or a Genetics slot is
// dropped there, with a hint following the pointer.
//
// Thread: the GUI thread only.
#pragma once

#include <cmath>
#include <functional>
#include <memory>
#include <string>

#include "BrnCFileBrowserParts.h"
#include "BrnCOptionMenu.h"
#include "BrowserModel.h"
#include "CViewContainer.h"
#include "FileDialog.h"

namespace calverine {

class BrnCFileBrowserView : public gui::CViewContainer {
public:
    // The panel's size at Medium; `scale` follows the UI size.
    static constexpr double kWidth = 720;
    static constexpr double kBar = 30;
    static constexpr double kRow = 20;
    static constexpr double kGenetics = 84;
    static constexpr double kBankColumn = 170;
    static constexpr double kCategoryColumn = 190;

    enum class Column { Banks, Categories, Patches };

    // `root`: the library folder; `fontSize`: the editor's text size.
    BrnCFileBrowserView(const gui::CRect& size, std::string root, BrowserHost& host, double fontSize);

    BrowserModel& model() { return model_; }
    // The plug-in may have loaded another patch: redraw the rows.
    void refresh();

    // Local rectangles, for drawing, hit tests and tests.
    gui::CRect menuButtonRect() const;
    gui::CRect searchRect() const;
    gui::CRect authorRect() const;
    gui::CRect clearRect() const;
    gui::CRect geneticsButtonRect() const;
    gui::CRect columnRect(Column column) const;
    // Row `row` of a column (counted from the list's top, not the scroll);
    // empty when it is scrolled out of sight.
    gui::CRect rowRect(Column column, int row) const;
    gui::CRect geneticsRect() const;
    gui::CRect slotRect(int slot) const;
    gui::CRect breedRect() const;
    gui::CRect storeRect() const;

    BrnCFileBrowserTextEdit& searchField() { return *search_; }
    BrnCFileBrowserFMoveInfo& moveInfo() { return *moveInfo_; }
    BrnCFileBrowserKnob& knob() { return *knob_; }
    // The open name editor, null when none.
    BrnCFileBrowserTextEdit* nameEditor() const { return rename_; }
    BrnCFileBrowserOkCancel* okCancel() const { return okCancel_; }
    // The menu last opened (context menus, menu button, author menu).
    BrnCOptionMenu& popupMenu() { return popup_; }

    // Runs a file dialog; tests replace it.
    std::function<std::string(const gui::FileDialogOptions&)> chooseFile;
    static gui::FileDialogOptions importPatchDialog();
    static gui::FileDialogOptions importFolderDialog();
    static gui::FileDialogOptions importZipDialog();
    // The menu button's entries by title: the Genetics panel, the imports
    // (each through its dialog) and the reload.
    void runMenuButtonItem(const std::string& item);

    void draw(gui::CDrawContext& context) override;
    gui::MouseResult onMouseDown(gui::CPoint where, std::uint32_t buttons) override;
    gui::MouseResult onMouseMoved(gui::CPoint where, std::uint32_t buttons) override;
    gui::MouseResult onMouseUp(gui::CPoint where, std::uint32_t buttons) override;
    void onMouseCancel() override;
    bool onWheel(gui::CPoint where, double notches, std::uint32_t buttons) override;

private:
    struct Hit {
        Column column = Column::Banks;
        int row = -1;  // -1: in the column below its rows, or outside every column
        bool inColumn = false;
    };
    double scale() const { return getViewSize().width() / kWidth; }
    double rowHeight() const { return std::floor(kRow * scale()); }
    int rowCount(Column column) const;
    int visibleRows(Column column) const;
    Hit hitAt(gui::CPoint where) const;
    BrowserModel::DropTarget targetAt(gui::CPoint where) const;
    void layoutChildren();
    void clampScroll();
    void drawBar(gui::CDrawContext& context);
    void drawColumn(gui::CDrawContext& context, Column column);
    void drawGenetics(gui::CDrawContext& context);
    void drawButton(gui::CDrawContext& context, const gui::CRect& rect, const std::string& text, bool lit = false);
    std::string rowText(Column column, int row) const;
    bool rowSelected(Column column, int row) const;

    void openMenu(const std::vector<BrowserModel::MenuEntry>& entries, gui::CPoint local,
                  std::function<void(const std::string&)> run);
    void openAuthorMenu();
    void startRename(Column column, int row, std::function<bool(const std::string&)> apply);
    void closeRename();
    std::string pick(const gui::FileDialogOptions& options);
    void changed();

    BrowserModel model_;
    double fontSize_;
    BrnCFileBrowserTextEdit* search_ = nullptr;
    BrnCFileBrowserKnob* knob_ = nullptr;
    BrnCFileBrowserFMoveInfo* moveInfo_ = nullptr;
    BrnCFileBrowserTextEdit* rename_ = nullptr;
    BrnCFileBrowserOkCancel* okCancel_ = nullptr;
    std::function<bool(const std::string&)> applyRename_;
    BrnCOptionMenu popup_{gui::CRect{}, nullptr, -1};
    std::function<void(const std::string&)> popupRun_;
    std::vector<std::string> popupTitles_;
    int scroll_[3] = {0, 0, 0};

    // A left press on a patch row, until the button comes up.
    struct Press {
        int row = -1;
        std::uint32_t buttons = 0;
        gui::CPoint where;
        bool selectOnUp = false;
        bool dragging = false;
    } press_;
};

}  // namespace calverine
