#include "COptionMenu.h"

#include <algorithm>
#include <cmath>

#include "CFrame.h"
#include "CMenuPopup.h"

namespace gui {

CMenuItem& CMenuItem::add(std::string title, int tag) {
    CMenuItem& item = submenu.emplace_back();
    item.title = std::move(title);
    item.tag = tag;
    return item;
}

void CMenuItem::addSeparator() {
    CMenuItem item;
    item.separator = true;
    item.enabled = false;
    submenu.push_back(item);
}

namespace {

// Walks the choosable entries depth first; `visit` returns true to stop.
template <class Visit>
bool walk(const std::vector<CMenuItem>& items, std::vector<int>& path, Visit&& visit) {
    for (int i = 0; i < int(items.size()); ++i) {
        path.push_back(i);
        const CMenuItem& item = items[i];
        const bool stop = item.submenu.empty() ? (!item.separator && visit(item, path))
                                               : walk(item.submenu, path, visit);
        path.pop_back();
        if (stop) return true;
    }
    return false;
}

}  // namespace

COptionMenu::COptionMenu(const CRect& size, IControlListener* listener, int tag) : CControl(size, listener, tag) {
    setCursor(CursorType::Hand);
    updateRange();
}

CMenuItem& COptionMenu::addEntry(std::string title, int tag) {
    CMenuItem& item = root_.add(std::move(title), tag);
    updateRange();
    return item;
}

void COptionMenu::addSeparator() {
    root_.addSeparator();
}

void COptionMenu::removeAllEntries() {
    root_.submenu.clear();
    updateRange();
}

void COptionMenu::updateRange() {
    int count = 0;
    std::vector<int> path;
    walk(root_.submenu, path, [&](const CMenuItem&, const std::vector<int>&) { return ++count, false; });
    setRange(0, float(std::max(count - 1, 1)));
    setWheelStep(1.0f / std::max(count - 1, 1));
}

int COptionMenu::flatIndexOf(const std::vector<int>& target) const {
    int index = 0, found = -1;
    std::vector<int> path;
    walk(root_.submenu, path, [&](const CMenuItem&, const std::vector<int>& p) {
        if (p == target) found = index;
        ++index;
        return found >= 0;
    });
    return found;
}

const CMenuItem* COptionMenu::currentItem() const {
    const int wanted = int(std::lround(getValue()));
    int index = 0;
    const CMenuItem* found = nullptr;
    std::vector<int> path;
    walk(root_.submenu, path, [&](const CMenuItem& item, const std::vector<int>&) {
        if (index++ == wanted) found = &item;
        return found != nullptr;
    });
    return found;
}

void COptionMenu::openPopup() {
    CFrame* frame = getFrame();
    if (!frame || items().empty()) return;
    const CPoint origin = localToFrame({0, 0});
    const CRect anchor = CRect::fromSize(origin.x, origin.y, getViewSize().width(), getViewSize().height());
    frame->pushModal(std::make_unique<CMenuPopup>(frame->localBounds(), *this, anchor));
}

void COptionMenu::choose(const std::vector<int>& path) {
    const CMenuItem* item = &root_;
    for (int i : path) item = &item->submenu.at(std::size_t(i));
    editTo(float(flatIndexOf(path)));
    if (chosen_) chosen_(path, item->tag);
}

void COptionMenu::draw(CDrawContext& context) {
    const CRect b = localBounds();
    context.setFillColor(theme::kTrack);
    context.setFrameColor(theme::kEdge);
    context.setLineWidth(1);
    context.drawRoundRect(b.inset(0.5, 0.5), 3, DrawStyle::FilledAndStroked);
    // A small downward triangle on the right in the accent colour.
    const double s = std::min(8.0, b.height() * 0.3);
    const CPoint c{b.right - 6 - s / 2, b.center().y};
    context.setFillColor(getAccent());
    context.drawPolygon({{c.x - s / 2, c.y - s / 4}, {c.x + s / 2, c.y - s / 4}, {c.x, c.y + s / 3}});
    if (const CMenuItem* item = currentItem()) {
        context.setFont(theme::font(std::clamp(b.height() * 0.55, 9.0, 12.0)));
        context.setFontColor(theme::kText);
        context.drawString(item->title, CRect{b.left + 6, b.top, b.right - s - 10, b.bottom}, HoriAlign::Left);
    }
}

MouseResult COptionMenu::onMouseDown(CPoint, std::uint32_t buttons) {
    if (!(buttons & (kLButton | kRButton))) return MouseResult::NotHandled;
    openPopup();
    return MouseResult::Handled;
}

}  // namespace gui
