// A scrollable area: a content container taller than the view, seen
// through a viewport, with a vertical scrollbar on the right. The wheel
// scrolls when no view inside uses it.
//
// Thread: the GUI thread only.
#pragma once

#include "CControl.h"
#include "CScrollbar.h"
#include "CViewContainer.h"

namespace gui {

class CScrollView : public CViewContainer, private IControlListener {
public:
    static constexpr double kScrollbarWidth = 12;
    static constexpr double kWheelPixels = 40;  // per notch

    CScrollView(const CRect& size, double contentHeight);

    // Add the scrolled views here, in content coordinates.
    CViewContainer& content() { return *content_; }
    CScrollbar& scrollbar() { return *scrollbar_; }
    void setContentHeight(double height);
    double contentHeight() const { return content_->getViewSize().height(); }

    // Pixels scrolled from the top.
    double scrollOffset() const { return -content_->getViewSize().top; }
    void scrollTo(double offset);
    // Scrolls just enough for `rect` (content coordinates) to be seen.
    void scrollIntoView(const CRect& rect);

    bool onWheel(CPoint where, double notches, std::uint32_t buttons) override;

private:
    void valueChanged(CControl* control) override;
    double maxOffset() const;

    CViewContainer* viewport_;
    CViewContainer* content_;
    CScrollbar* scrollbar_;
};

}  // namespace gui
