// A vertical scrollbar. Its value (0..1) is the scroll position; the thumb
// shows the visible part of the content. Dragging the thumb moves it with
// the mouse; a click on the track pages towards the click.
//
// Thread: the GUI thread only.
#pragma once

#include "CControl.h"

namespace gui {

class CScrollbar : public CControl {
public:
    CScrollbar(const CRect& size, IControlListener* listener = nullptr, int tag = -1);

    // The visible share of the content, 0..1.
    void setVisibleFraction(double fraction);
    double visibleFraction() const { return visible_; }
    // In local coordinates.
    CRect thumbRect() const;

    void draw(CDrawContext& context) override;
    MouseResult onMouseDown(CPoint where, std::uint32_t buttons) override;
    MouseResult onMouseMoved(CPoint where, std::uint32_t buttons) override;
    MouseResult onMouseUp(CPoint where, std::uint32_t buttons) override;

private:
    double visible_ = 1;
    double grab_ = -1;  // where the thumb was taken, in thumb coordinates; -1 while not dragging
};

}  // namespace gui
