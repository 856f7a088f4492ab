#include "CMenuPopup.h"

#include <algorithm>
#include <cmath>

#include "CFrame.h"
#include "COptionMenu.h"
#include "Theme.h"

namespace gui {

namespace {

constexpr double kPadding = 4;       // above the first and below the last entry
constexpr double kCheckColumn = 24;  // left of the titles
constexpr double kArrowColumn = 22;  // right of the titles
const CFontDesc kFont = theme::font(12);

double itemHeight(const CMenuItem& item) {
    return item.separator ? CMenuPopup::kSeparatorHeight : CMenuPopup::kItemHeight;
}

}  // namespace

CMenuPopup::CMenuPopup(const CRect& frameBounds, COptionMenu& menu, const CRect& anchor)
    : CView(frameBounds), menu_(menu) {
    openPane(menu.items(), anchor, false);
    // Open at the current entry when it is on the first level.
    const CMenuItem* current = menu.currentItem();
    for (int i = 0; i < int(menu.items().size()); ++i)
        if (&menu.items()[std::size_t(i)] == current) panes_[0].highlight = i;
}

void CMenuPopup::openPane(const std::vector<CMenuItem>& items, const CRect& anchor, bool beside) {
    const CRect bounds = localBounds();
    double width = 0, height = 2 * kPadding;
    CFrame* frame = menu_.getFrame();
    for (const CMenuItem& item : items) {
        height += itemHeight(item);
        if (frame && !item.separator) width = std::max(width, frame->stringWidth(item.title, kFont));
    }
    width = std::ceil(width + kCheckColumn + kArrowColumn);
    if (!beside) width = std::max(width, anchor.width());

    double x, y;
    if (beside) {
        // Right of the parent entry, or left of its pane when there is no room.
        x = anchor.right - 2;
        if (x + width > bounds.right) x = anchor.left - width + 2;
        y = anchor.top - kPadding;
    } else {
        // Below the button, or above it when there is no room.
        x = anchor.left;
        y = anchor.bottom;
        if (y + height > bounds.bottom) y = anchor.top - height;
    }
    x = std::max(0.0, std::min(x, bounds.right - width));
    y = std::max(0.0, std::min(y, bounds.bottom - height));
    panes_.push_back(Pane{&items, CRect::fromSize(x, y, width, height)});
    invalidate();
}

std::vector<CRect> CMenuPopup::paneRects() const {
    std::vector<CRect> out;
    for (const Pane& p : panes_) out.push_back(p.rect);
    return out;
}

int CMenuPopup::highlighted() const {
    return panes_.back().highlight;
}

CRect CMenuPopup::itemRect(std::size_t pane, int index) const {
    const Pane& p = panes_.at(pane);
    double top = p.rect.top + kPadding;
    for (int i = 0; i < index; ++i) top += itemHeight((*p.items)[std::size_t(i)]);
    return {p.rect.left, top, p.rect.right, top + itemHeight((*p.items)[std::size_t(index)])};
}

bool CMenuPopup::find(CPoint p, std::size_t& pane, int& index) const {
    for (std::size_t k = panes_.size(); k-- > 0;) {
        if (!panes_[k].rect.contains(p)) continue;
        pane = k;
        index = -1;
        for (int i = 0; i < int(panes_[k].items->size()); ++i)
            if (itemRect(k, i).contains(p)) index = i;
        return true;
    }
    return false;
}

void CMenuPopup::highlight(std::size_t pane, int index) {
    // Deeper panes belong to another entry now.
    if (panes_.size() > pane + 1 && panes_[pane].highlight != index) panes_.resize(pane + 1);
    panes_[pane].highlight = index;
    invalidate();
}

void CMenuPopup::openSubmenu(std::size_t pane) {
    const Pane& p = panes_[pane];
    if (p.highlight < 0 || panes_.size() > pane + 1) return;
    const CMenuItem& item = (*p.items)[std::size_t(p.highlight)];
    if (item.submenu.empty() || !item.enabled) return;
    const CRect row = itemRect(pane, p.highlight);
    openPane(item.submenu, CRect{p.rect.left, row.top, p.rect.right, row.bottom}, true);
}

int CMenuPopup::nextSelectable(const Pane& pane, int from, int step) const {
    const int n = int(pane.items->size());
    for (int k = 1; k <= n; ++k) {
        const int i = ((from < 0 && step < 0 ? 0 : from) + k * step + n) % n;
        const CMenuItem& item = (*pane.items)[std::size_t(i)];
        if (!item.separator && item.enabled) return i;
    }
    return -1;
}

void CMenuPopup::activate(std::size_t pane, int index) {
    if (index < 0) return;
    const CMenuItem& item = (*panes_[pane].items)[std::size_t(index)];
    if (!item.submenu.empty()) {
        highlight(pane, index);
        openSubmenu(pane);
        return;
    }
    if (!item.choosable()) return;
    std::vector<int> path;
    for (std::size_t k = 0; k < pane; ++k) path.push_back(panes_[k].highlight);
    path.push_back(index);
    close();
    menu_.choose(path);
}

void CMenuPopup::close() {
    if (CFrame* frame = getFrame()) frame->popModal(this);
}

MouseResult CMenuPopup::onMouseDown(CPoint where, std::uint32_t) {
    std::size_t pane;
    int index;
    if (!find(where, pane, index)) {
        close();
        return MouseResult::Handled;
    }
    armed_ = true;
    highlight(pane, index);
    openSubmenu(pane);
    return MouseResult::Handled;
}

MouseResult CMenuPopup::onMouseMoved(CPoint where, std::uint32_t buttons) {
    if (buttons & kLButton) armed_ = true;  // press, drag, release
    std::size_t pane;
    int index;
    if (find(where, pane, index)) {
        highlight(pane, index);
        openSubmenu(pane);
    }
    return MouseResult::Handled;
}

MouseResult CMenuPopup::onMouseUp(CPoint where, std::uint32_t) {
    std::size_t pane;
    int index;
    if (armed_ && find(where, pane, index)) activate(pane, index);
    armed_ = true;
    return MouseResult::Handled;
}

bool CMenuPopup::onKeyDown(const KeyEvent& key) {
    const std::size_t last = panes_.size() - 1;
    Pane& pane = panes_[last];
    switch (key.key) {
        case VirtualKey::Up:
        case VirtualKey::Down:
            highlight(last, nextSelectable(pane, pane.highlight, key.key == VirtualKey::Up ? -1 : 1));
            break;
        case VirtualKey::Right:
            openSubmenu(last);
            if (panes_.size() > last + 1) highlight(last + 1, nextSelectable(panes_.back(), -1, 1));
            break;
        case VirtualKey::Left:
            if (last > 0) {
                panes_.pop_back();
                invalidate();
            }
            break;
        case VirtualKey::Return:
        case VirtualKey::Space:
            if (!(*pane.items).empty() && pane.highlight >= 0) {
                activate(last, pane.highlight);
                if (panes_.size() > last + 1) highlight(last + 1, nextSelectable(panes_.back(), -1, 1));
            }
            break;
        case VirtualKey::Escape: close(); break;
        default: break;
    }
    return true;  // a modal popup keeps every key from the host
}

void CMenuPopup::draw(CDrawContext& context) {
    for (std::size_t k = 0; k < panes_.size(); ++k) {
        const Pane& p = panes_[k];
        // A soft shadow, the pane, its entries.
        context.setFillColor(CColor{0, 0, 0, 90});
        context.drawRoundRect(p.rect.offset(2, 3), 5);
        context.setFillColor(theme::kSurface);
        context.setFrameColor(theme::kEdge);
        context.setLineWidth(1);
        context.drawRoundRect(p.rect.inset(0.5, 0.5), 4, DrawStyle::FilledAndStroked);
        context.setFont(kFont);
        for (int i = 0; i < int(p.items->size()); ++i) {
            const CMenuItem& item = (*p.items)[std::size_t(i)];
            const CRect row = itemRect(k, i).inset(kPadding, 0);
            if (item.separator) {
                context.setFrameColor(theme::kEdge);
                context.drawLine({row.left + 4, row.center().y}, {row.right - 4, row.center().y});
                continue;
            }
            const bool lit = i == p.highlight && item.enabled;
            if (lit) {
                context.setFillColor(menu_.getAccent());
                context.drawRoundRect(row, 3);
            }
            const CColor text = !item.enabled ? theme::kTextDim : lit ? theme::kTextOnAccent : theme::kText;
            context.setFontColor(text);
            context.drawString(item.title, CRect{row.left + kCheckColumn - 4, row.top, row.right, row.bottom},
                               HoriAlign::Left);
            context.setFillColor(text);
            context.setFrameColor(text);
            if (item.checked) {
                const CPoint c{row.left + 10, row.center().y};
                context.setLineWidth(2);
                context.drawLine({c.x - 4, c.y}, {c.x - 1, c.y + 3});
                context.drawLine({c.x - 1, c.y + 3}, {c.x + 4, c.y - 4});
                context.setLineWidth(1);
            }
            if (!item.submenu.empty()) {
                const CPoint c{row.right - 10, row.center().y};
                context.drawPolygon({{c.x - 2, c.y - 4}, {c.x + 2, c.y}, {c.x - 2, c.y + 4}});
            }
        }
    }
}

}  // namespace gui
