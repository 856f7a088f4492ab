// The base of every widget: a rectangle in its parent's coordinates that
// draws itself in its own coordinates (the frame has translated and clipped
// the context) and answers events given in its own coordinates.
//
// Thread: the GUI thread only.
#pragma once

#include <cstdint>

#include "DrawContext.h"
#include "Events.h"
#include "Geometry.h"

namespace gui {

class CFrame;
class CViewContainer;

class CView {
public:
    explicit CView(const CRect& size) : size_(size) {}
    virtual ~CView() = default;
    CView(const CView&) = delete;
    CView& operator=(const CView&) = delete;

    // The rectangle in the parent's coordinates.
    const CRect& getViewSize() const { return size_; }
    void setViewSize(const CRect& size);
    // The view's own rectangle: (0, 0) to its size.
    CRect localBounds() const { return {0, 0, size_.width(), size_.height()}; }

    CViewContainer* getParent() const { return parent_; }
    // The frame at the root of the tree, or null while the view is detached.
    virtual CFrame* getFrame() const;
    // The position of a local point in frame coordinates, and back.
    CPoint localToFrame(CPoint p) const;
    CPoint frameToLocal(CPoint p) const;
    bool isDescendantOf(const CView* ancestor) const;

    bool isVisible() const { return visible_; }
    void setVisible(bool visible);
    // A view that takes no mouse events lets them through to the views below.
    bool getMouseEnabled() const { return mouseEnabled_; }
    void setMouseEnabled(bool enabled) { mouseEnabled_ = enabled; }
    // Dimmed views draw with this alpha (multiplied down the tree).
    float getAlphaValue() const { return alpha_; }
    void setAlphaValue(float alpha);
    CursorType getCursor() const { return cursor_; }
    void setCursor(CursorType cursor) { cursor_ = cursor; }

    // Marks the whole view, or a local rectangle of it, to be redrawn.
    void invalidate() { invalidRect(localBounds()); }
    virtual void invalidRect(const CRect& local);

    // True when `local` (inside the bounds) is part of the view; round
    // widgets may answer false in their corners.
    virtual bool hitTest(CPoint local) const { return localBounds().contains(local); }

    virtual void draw(CDrawContext&) {}

    // Mouse positions are local. A view that is not interested answers
    // NotHandled and the event goes on to the views below.
    virtual MouseResult onMouseDown(CPoint, std::uint32_t) { return MouseResult::NotHandled; }
    virtual MouseResult onMouseMoved(CPoint, std::uint32_t) { return MouseResult::NotHandled; }
    virtual MouseResult onMouseUp(CPoint, std::uint32_t) { return MouseResult::NotHandled; }
    // The frame took the capture away before the button came up.
    virtual void onMouseCancel() {}
    virtual void onMouseEntered() {}
    virtual void onMouseExited() {}
    // `notches` is positive away from the user.
    virtual bool onWheel(CPoint, double, std::uint32_t) { return false; }
    virtual bool onKeyDown(const KeyEvent&) { return false; }
    virtual bool onKeyUp(const KeyEvent&) { return false; }
    virtual void onFocusLost() {}
    virtual bool onDragOver(CPoint, DropData::Kind) { return false; }
    virtual bool onDrop(CPoint, const DropData&) { return false; }

private:
    friend class CViewContainer;
    CRect size_;
    CViewContainer* parent_ = nullptr;
    bool visible_ = true;
    bool mouseEnabled_ = true;
    float alpha_ = 1;
    CursorType cursor_ = CursorType::Default;
};

}  // namespace gui
