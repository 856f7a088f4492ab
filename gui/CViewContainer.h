// A view that owns child views: draws them in order (each clipped to its
// rectangle) over a background colour or bitmap, and finds the views under
// a point top-most first.
//
// Thread: the GUI thread only.
#pragma once

#include <memory>
#include <vector>

#include "CView.h"

namespace gui {

class CViewContainer : public CView {
public:
    explicit CViewContainer(const CRect& size) : CView(size) {}
    ~CViewContainer() override;

    // Takes ownership; returns the view for further set-up.
    CView* addView(std::unique_ptr<CView> view);
    template <class T, class... Args>
    T* add(Args&&... args) {
        return static_cast<T*>(addView(std::make_unique<T>(std::forward<Args>(args)...)));
    }
    // Destroys the child; the frame forgets it first (hover, capture, focus).
    void removeView(CView* view);
    void removeAll();
    const std::vector<std::unique_ptr<CView>>& children() const { return children_; }

    void setBackgroundColor(CColor c);
    CColor getBackgroundColor() const { return background_; }
    // Drawn scaled over the whole container, above the colour.
    void setBackground(std::shared_ptr<CBitmap> bitmap);

    void draw(CDrawContext& context) override;

    // The visible, mouse-enabled views under `local` that hit-test true,
    // deepest and top-most first (a container follows its own children).
    void viewsAt(CPoint local, std::vector<CView*>& out);

protected:
    // Makes `view` report `parent` as its parent without owning it.
    static void adopt(CView& view, CViewContainer* parent) { view.parent_ = parent; }
    virtual void drawBackground(CDrawContext& context);
    // Draws one child translated, clipped and with its alpha.
    void drawChild(CDrawContext& context, CView& child);

private:
    std::vector<std::unique_ptr<CView>> children_;
    CColor background_{0, 0, 0, 0};
    std::shared_ptr<CBitmap> backgroundBitmap_;
};

}  // namespace gui
