#include "CView.h"

#include "CFrame.h"
#include "CViewContainer.h"

namespace gui {

void CView::setViewSize(const CRect& size) {
    if (size == size_) return;
    invalidate();
    size_ = size;
    invalidate();
}

CFrame* CView::getFrame() const {
    return parent_ ? parent_->getFrame() : nullptr;
}

CPoint CView::localToFrame(CPoint p) const {
    for (const CView* v = this; v && v->parent_; v = v->parent_) p = p + v->size_.topLeft();
    return p;
}

CPoint CView::frameToLocal(CPoint p) const {
    return p - localToFrame({0, 0});
}

bool CView::isDescendantOf(const CView* ancestor) const {
    for (const CView* v = this; v; v = v->parent_)
        if (v == ancestor) return true;
    return false;
}

void CView::setVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = true;  // so that the invalidation below reaches the frame
    invalidate();
    visible_ = visible;
}

void CView::setAlphaValue(float alpha) {
    if (alpha == alpha_) return;
    alpha_ = alpha;
    invalidate();
}

void CView::invalidRect(const CRect& local) {
    if (!visible_ || !parent_) return;
    const CRect mine = local.intersect(localBounds());
    if (!mine.empty()) parent_->invalidRect(mine.offset(size_.topLeft()));
}

}  // namespace gui
