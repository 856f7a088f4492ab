#include "CScrollView.h"

#include <algorithm>

namespace gui {

CScrollView::CScrollView(const CRect& size, double contentHeight) : CViewContainer(size) {
    const double w = size.width() - kScrollbarWidth - 2;
    viewport_ = add<CViewContainer>(CRect{0, 0, w, size.height()});
    content_ = viewport_->add<CViewContainer>(CRect{0, 0, w, contentHeight});
    scrollbar_ = add<CScrollbar>(CRect{size.width() - kScrollbarWidth, 0, size.width(), size.height()},
                                static_cast<IControlListener*>(this));
    setContentHeight(contentHeight);
}

double CScrollView::maxOffset() const {
    return std::max(0.0, content_->getViewSize().height() - viewport_->getViewSize().height());
}

void CScrollView::setContentHeight(double height) {
    CRect r = content_->getViewSize();
    r.bottom = r.top + height;
    content_->setViewSize(r);
    scrollbar_->setVisibleFraction(height > 0 ? viewport_->getViewSize().height() / height : 1);
    scrollTo(scrollOffset());
}

void CScrollView::scrollTo(double offset) {
    offset = std::clamp(offset, 0.0, maxOffset());
    const CRect r = content_->getViewSize();
    content_->setViewSize(CRect::fromSize(0, -offset, r.width(), r.height()));
    scrollbar_->setValue(maxOffset() > 0 ? float(offset / maxOffset()) : 0.0f);
    viewport_->invalidate();
}

void CScrollView::scrollIntoView(const CRect& rect) {
    const double h = viewport_->getViewSize().height();
    double offset = scrollOffset();
    if (rect.bottom > offset + h) offset = rect.bottom - h;
    if (rect.top < offset) offset = rect.top;
    scrollTo(offset);
}

bool CScrollView::onWheel(CPoint, double notches, std::uint32_t buttons) {
    if (maxOffset() <= 0) return false;
    const double pixels = kWheelPixels * ((buttons & kShift) ? 0.25 : 1.0);
    scrollTo(scrollOffset() - notches * pixels);
    return true;
}

void CScrollView::valueChanged(CControl* control) {
    scrollTo(control->getValueNormalized() * maxOffset());
}

}  // namespace gui
