// The open popup of a COptionMenu: a modal view over the whole frame that
// draws the open menu levels as panes. Mouse: hover highlights and opens
// submenus, a click on an entry chooses it, a click outside closes.
// Keys: Up/Down (skipping separators and disabled entries), Right/Left into
// and out of submenus, Return chooses, Escape closes.
//
// Thread: the GUI thread only.
#pragma once

#include <vector>

#include "CView.h"

namespace gui {

class COptionMenu;
struct CMenuItem;

class CMenuPopup : public CView {
public:
    static constexpr double kItemHeight = 22;
    static constexpr double kSeparatorHeight = 9;

    // `anchor` is the rectangle (frame coordinates) the menu opens next to.
    CMenuPopup(const CRect& frameBounds, COptionMenu& menu, const CRect& anchor);

    // The open panes' rectangles in frame coordinates, outermost first.
    std::vector<CRect> paneRects() const;
    // The highlighted entry of the innermost pane, -1 for none.
    int highlighted() const;
    // The rectangle of entry `index` of pane `pane`.
    CRect itemRect(std::size_t pane, int index) const;

    void draw(CDrawContext& context) override;
    MouseResult onMouseDown(CPoint where, std::uint32_t buttons) override;
    MouseResult onMouseMoved(CPoint where, std::uint32_t buttons) override;
    MouseResult onMouseUp(CPoint where, std::uint32_t buttons) override;
    bool onWheel(CPoint, double, std::uint32_t) override { return true; }
    bool onKeyDown(const KeyEvent& key) override;

private:
    struct Pane {
        const std::vector<CMenuItem>* items;
        CRect rect;
        int highlight = -1;
    };
    // Opens the submenu of the highlighted entry of pane `pane`.
    void openSubmenu(std::size_t pane);
    void openPane(const std::vector<CMenuItem>& items, const CRect& anchor, bool beside);
    // Pane and entry under `p`; false when outside every pane.
    bool find(CPoint p, std::size_t& pane, int& index) const;
    void highlight(std::size_t pane, int index);
    // The next choosable-or-submenu entry from `from` in direction `step`.
    int nextSelectable(const Pane& pane, int from, int step) const;
    void activate(std::size_t pane, int index);
    void close();

    COptionMenu& menu_;
    std::vector<Pane> panes_;
    bool armed_ = false;  // the release of the opening click is not a choice
};

}  // namespace gui
