#include "CFrame.h"

#include <algorithm>

#include "CMessageBox.h"
#include "CTimer.h"

namespace gui {

namespace {
// Beyond this many separate regions the frame redraws their union.
constexpr std::size_t kMaxDirtyRegions = 8;
}  // namespace

CFrame::CFrame(double width, double height) : CViewContainer(CRect{0, 0, width, height}) {}

CFrame::~CFrame() {
    // No callbacks out of a frame being destroyed (their owners may be gone
    // already): a text field being edited is not committed, and a control
    // in mid-gesture closes its edit itself as it is destroyed.
    capture_ = hover_ = focus_ = nullptr;
    window_.reset();
    for (CTimer* t : timers_) t->frame_ = nullptr;
    modal_.clear();
    removeAll();
}

bool CFrame::open(void* parent, std::string* error) {
    close();
    auto window = PlatformWindow::create(parent, int(getViewSize().width()), int(getViewSize().height()), *this,
                                         error);
    if (!window) return false;
    attach(std::move(window));
    return true;
}

void CFrame::attach(std::unique_ptr<PlatformWindow> window) {
    window_ = std::move(window);
    dirty_.clear();
    window_->invalidate(localBounds());
}

void CFrame::close() {
    releaseCapture(true);
    setHover(nullptr);
    setFocusView(nullptr);
    window_.reset();
}

void CFrame::invalidRect(const CRect& local) {
    const CRect r = local.intersect(localBounds());
    if (r.empty()) return;
    if (window_) {
        window_->invalidate(r);
        return;
    }
    // Merge with every region it touches, so that the list stays disjoint.
    CRect merged = r;
    for (bool grew = true; grew;) {
        grew = false;
        for (auto it = dirty_.begin(); it != dirty_.end(); ++it) {
            if (!it->intersect(merged).empty()) {
                merged = merged.unite(*it);
                dirty_.erase(it);
                grew = true;
                break;
            }
        }
    }
    dirty_.push_back(merged);
    if (dirty_.size() > kMaxDirtyRegions) {
        CRect all;
        for (const CRect& d : dirty_) all = all.unite(d);
        dirty_ = {all};
    }
}

void CFrame::platformDraw(CDrawContext& context, const CRect& dirty) {
    context.saveState();
    context.clip(dirty);
    draw(context);
    for (auto& m : modal_) drawChild(context, *m);
    context.restoreState();
}

void CFrame::drawDirty(CDrawContext& context) {
    const std::vector<CRect> regions = std::move(dirty_);
    dirty_.clear();
    for (const CRect& r : regions) platformDraw(context, r);
}

std::unique_ptr<COffscreenContext> CFrame::renderOffscreen() {
    auto image = COffscreenContext::create(int(getViewSize().width()), int(getViewSize().height()));
    if (!image) return nullptr;
    platformDraw(image->context(), localBounds());
    if (!window_) dirty_.clear();
    return image;
}

void CFrame::setFocusView(CView* view) {
    if (view == focus_) return;
    CView* old = focus_;
    focus_ = view;
    if (old) old->onFocusLost();
    if (window_ && (old == nullptr) != (view == nullptr)) window_->setKeyboardFocus(view != nullptr);
}

void CFrame::pushModal(std::unique_ptr<CView> view) {
    releaseCapture(true);
    view->setViewSize(localBounds());
    adopt(*view, this);
    modal_.push_back(std::move(view));
    modal_.back()->invalidate();
    setHover(nullptr);
}

void CFrame::popModal(CView* view) {
    auto found = std::find_if(modal_.begin(), modal_.end(), [view](auto& m) { return m.get() == view; });
    if (found == modal_.end()) return;
    view->invalidate();
    forgetView(view);
    removed_.push_back(std::move(*found));
    modal_.erase(found);
}

void CFrame::flushRemoved() {
    removed_.clear();
}

void CFrame::showMessage(const std::string& title, const std::string& text, MessageKind kind,
                         std::function<void()> closed) {
    pushModal(std::make_unique<CMessageBox>(localBounds(), title, text, kind, std::move(closed)));
}

std::string CFrame::clipboardText() const {
    return window_ ? window_->clipboardText() : clipboard_;
}

void CFrame::setClipboardText(const std::string& text) {
    if (window_)
        window_->setClipboardText(text);
    else
        clipboard_ = text;
}

double CFrame::stringWidth(std::string_view utf8, const CFontDesc& font) {
    if (!measure_) measure_ = COffscreenContext::create(1, 1);
    if (!measure_) return 0;
    measure_->context().setFont(font);
    return measure_->context().stringWidth(utf8);
}

void CFrame::forgetView(CView* view) {
    if (capture_ && capture_->isDescendantOf(view)) releaseCapture(true);
    if (hover_ && hover_->isDescendantOf(view)) hover_ = nullptr;
    if (focus_ && focus_->isDescendantOf(view)) setFocusView(nullptr);
}

std::vector<CView*> CFrame::viewsAt(CPoint where) {
    std::vector<CView*> out;
    if (CView* modal = topModal()) {
        if (auto* container = dynamic_cast<CViewContainer*>(modal)) container->viewsAt(where, out);
        out.push_back(modal);
    } else {
        CViewContainer::viewsAt(where, out);
    }
    return out;
}

void CFrame::setHover(CView* view) {
    if (view == hover_) return;
    if (hover_) hover_->onMouseExited();
    hover_ = view;
    if (hover_) hover_->onMouseEntered();
    if (window_) window_->setCursor(hover_ ? hover_->getCursor() : CursorType::Default);
}

void CFrame::updateHover(CPoint where) {
    const auto views = viewsAt(where);
    setHover(views.empty() ? nullptr : views.front());
}

void CFrame::releaseCapture(bool cancelled) {
    CView* view = capture_;
    capture_ = nullptr;
    if (view && cancelled) view->onMouseCancel();
}

void CFrame::platformMouseDown(CPoint where, std::uint32_t buttons) {
    releaseCapture(true);
    const auto views = viewsAt(where);
    // A click anywhere but on the focused view ends its editing.
    if (focus_ && !topModal() && (views.empty() || !views.front()->isDescendantOf(focus_))) setFocusView(nullptr);
    for (CView* v : views) {
        const MouseResult r = v->onMouseDown(v->frameToLocal(where), buttons);
        if (r == MouseResult::NotHandled) continue;
        // The view may have opened a modal popup; then it gets no capture.
        if (r == MouseResult::Capture && (!topModal() || v->isDescendantOf(topModal()))) capture_ = v;
        break;
    }
    flushRemoved();
}

void CFrame::platformMouseMoved(CPoint where, std::uint32_t buttons) {
    lastMouse_ = where;
    if (capture_) {
        capture_->onMouseMoved(capture_->frameToLocal(where), buttons);
    } else {
        updateHover(where);
        for (CView* v : viewsAt(where))
            if (v->onMouseMoved(v->frameToLocal(where), buttons) != MouseResult::NotHandled) break;
    }
    flushRemoved();
}

void CFrame::platformMouseUp(CPoint where, std::uint32_t buttons) {
    if (CView* v = capture_) {
        capture_ = nullptr;
        v->onMouseUp(v->frameToLocal(where), buttons);
    } else {
        for (CView* v : viewsAt(where))
            if (v->onMouseUp(v->frameToLocal(where), buttons) != MouseResult::NotHandled) break;
    }
    updateHover(where);
    flushRemoved();
}

void CFrame::platformMouseExited() {
    if (!capture_) setHover(nullptr);
}

bool CFrame::platformMouseWheel(CPoint where, double notches, std::uint32_t buttons) {
    bool used = false;
    for (CView* v : viewsAt(where))
        if ((used = v->onWheel(v->frameToLocal(where), notches, buttons))) break;
    flushRemoved();
    return used;
}

bool CFrame::platformKeyDown(const KeyEvent& key) {
    CView* target = topModal() ? topModal() : focus_;
    const bool used = target && target->onKeyDown(key);
    flushRemoved();
    return used;
}

bool CFrame::platformKeyUp(const KeyEvent& key) {
    CView* target = topModal() ? topModal() : focus_;
    return target && target->onKeyUp(key);
}

bool CFrame::platformDragOver(CPoint where, DropData::Kind kind) {
    for (CView* v : viewsAt(where))
        if (v->onDragOver(v->frameToLocal(where), kind)) return true;
    return false;
}

bool CFrame::platformDrop(CPoint where, const DropData& data) {
    for (CView* v : viewsAt(where)) {
        const CPoint local = v->frameToLocal(where);
        if (v->onDragOver(local, data.kind)) return v->onDrop(local, data);
    }
    return false;
}

void CFrame::platformTick() {
    // A timer may stop or destroy timers; work on a copy and check each.
    const std::vector<CTimer*> timers = timers_;
    for (CTimer* t : timers)
        if (std::find(timers_.begin(), timers_.end(), t) != timers_.end()) t->advance(kTickMs);
    flushRemoved();
}

}  // namespace gui
