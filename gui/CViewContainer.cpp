#include "CViewContainer.h"

#include <algorithm>

#include "CFrame.h"

namespace gui {

CViewContainer::~CViewContainer() {
    // Children may still look up their frame while they are destroyed.
    for (auto& child : children_) child->parent_ = nullptr;
}

CView* CViewContainer::addView(std::unique_ptr<CView> view) {
    CView* raw = view.get();
    raw->parent_ = this;
    children_.push_back(std::move(view));
    raw->invalidate();
    return raw;
}

void CViewContainer::removeView(CView* view) {
    auto found = std::find_if(children_.begin(), children_.end(), [view](auto& c) { return c.get() == view; });
    if (found == children_.end()) return;
    view->invalidate();
    if (CFrame* frame = getFrame()) frame->forgetView(view);
    std::unique_ptr<CView> owned = std::move(*found);
    children_.erase(found);
    owned->parent_ = nullptr;
}

void CViewContainer::removeAll() {
    while (!children_.empty()) removeView(children_.back().get());
}

void CViewContainer::setBackgroundColor(CColor c) {
    background_ = c;
    invalidate();
}

void CViewContainer::setBackground(std::shared_ptr<CBitmap> bitmap) {
    backgroundBitmap_ = std::move(bitmap);
    invalidate();
}

void CViewContainer::drawBackground(CDrawContext& context) {
    if (background_.alpha > 0) {
        context.setFillColor(background_);
        context.drawRect(localBounds());
    }
    if (backgroundBitmap_)
        context.drawBitmapScaled(*backgroundBitmap_,
                                 CRect{0, 0, double(backgroundBitmap_->width()), double(backgroundBitmap_->height())},
                                 localBounds());
}

void CViewContainer::drawChild(CDrawContext& context, CView& child) {
    const CRect& r = child.getViewSize();
    if (!child.isVisible() || r.intersect(context.clipRect()).empty()) return;
    context.saveState();
    context.translate(r.topLeft());
    context.clip(child.localBounds());
    context.setGlobalAlpha(context.globalAlpha() * child.getAlphaValue());
    child.draw(context);
    context.restoreState();
}

void CViewContainer::draw(CDrawContext& context) {
    drawBackground(context);
    for (auto& child : children_) drawChild(context, *child);
}

void CViewContainer::viewsAt(CPoint local, std::vector<CView*>& out) {
    for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
        CView& child = **it;
        if (!child.isVisible() || !child.getViewSize().contains(local)) continue;
        const CPoint inner = local - child.getViewSize().topLeft();
        if (auto* container = dynamic_cast<CViewContainer*>(&child)) container->viewsAt(inner, out);
        if (child.getMouseEnabled() && child.hitTest(inner)) out.push_back(&child);
    }
}

}  // namespace gui
