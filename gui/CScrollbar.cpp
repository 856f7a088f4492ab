#include "CScrollbar.h"

#include <algorithm>

namespace gui {

namespace {
constexpr double kMinThumb = 20;
}  // namespace

CScrollbar::CScrollbar(const CRect& size, IControlListener* listener, int tag) : CControl(size, listener, tag) {}

void CScrollbar::setVisibleFraction(double fraction) {
    visible_ = std::clamp(fraction, 0.0, 1.0);
    invalidate();
}

CRect CScrollbar::thumbRect() const {
    const CRect b = localBounds();
    const double h = std::min(b.height(), std::max(kMinThumb, b.height() * visible_));
    const double top = (b.height() - h) * getValueNormalized();
    return {b.left, top, b.right, top + h};
}

void CScrollbar::draw(CDrawContext& context) {
    const CRect b = localBounds();
    context.setFillColor(theme::kTrack);
    context.drawRoundRect(b, b.width() / 2);
    if (visible_ >= 1) return;
    context.setFillColor(grab_ >= 0 ? theme::kTextDim : theme::kEdge);
    context.drawRoundRect(thumbRect().inset(2, 2), (b.width() - 4) / 2);
}

MouseResult CScrollbar::onMouseDown(CPoint where, std::uint32_t buttons) {
    if (!(buttons & kLButton) || visible_ >= 1) return MouseResult::NotHandled;
    const CRect thumb = thumbRect();
    if (!thumb.contains(where)) {
        const double page = visible_ / (1 - visible_);  // one view height in scroll units
        editTo(getValue() + float(where.y < thumb.top ? -page : page) * (getMax() - getMin()));
        return MouseResult::Handled;
    }
    beginEdit();
    grab_ = where.y - thumb.top;
    invalidate();
    return MouseResult::Capture;
}

MouseResult CScrollbar::onMouseMoved(CPoint where, std::uint32_t) {
    if (grab_ < 0) return MouseResult::NotHandled;
    const double travel = localBounds().height() - thumbRect().height();
    if (travel > 0) setValueNotify(getMin() + float((where.y - grab_) / travel) * (getMax() - getMin()));
    return MouseResult::Handled;
}

MouseResult CScrollbar::onMouseUp(CPoint, std::uint32_t) {
    if (grab_ < 0) return MouseResult::NotHandled;
    grab_ = -1;
    endEdit();
    invalidate();
    return MouseResult::Handled;
}

}  // namespace gui
