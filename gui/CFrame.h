// The root of the view tree and the window's listener. It routes input to
// views (capture for drags, hover, keyboard focus), collects dirty regions,
// runs timers, and keeps a modal layer of popups (menus, message boxes)
// drawn inside the frame above everything else.
//
// The frame works without a window: tests and tools feed it events through
// the WindowListener methods and draw it with renderOffscreen().
//
// Thread: the GUI thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CViewContainer.h"
#include "PlatformWindow.h"

namespace gui {

class CTimer;

enum class MessageKind : std::uint8_t { Info, Warning, Error };

class CFrame : public CViewContainer, public WindowListener {
public:
    static constexpr double kTickMs = 1000.0 / 30;

    CFrame(double width, double height);
    ~CFrame() override;

    // Opens a window inside `parent` (an X11 window id); false, with the
    // reason in `error`, when there is none to be had.
    bool open(void* parent, std::string* error = nullptr);
    // Uses a window made elsewhere (tests use a fake one).
    void attach(std::unique_ptr<PlatformWindow> window);
    void close();
    bool isOpen() const { return window_ != nullptr; }
    PlatformWindow* window() const { return window_.get(); }

    CFrame* getFrame() const override { return const_cast<CFrame*>(this); }
    void invalidRect(const CRect& local) override;

    // Dirty regions collected while there is no window (a window keeps its own).
    const std::vector<CRect>& dirtyRegions() const { return dirty_; }
    // Draws the dirty regions (clipped to each) into `context` and forgets them.
    void drawDirty(CDrawContext& context);
    // The whole frame, modal layer included, as an image.
    std::unique_ptr<COffscreenContext> renderOffscreen();

    // Keyboard focus: keys go to this view while it is set. Null gives the
    // keyboard back to the host.
    void setFocusView(CView* view);
    CView* getFocusView() const { return focus_; }
    CView* getMouseCaptureView() const { return capture_; }
    CView* getHoverView() const { return hover_; }
    // Where the mouse was last seen moving over the frame.
    CPoint lastMousePoint() const { return lastMouse_; }

    // Modal layer. A modal view covers the frame and gets every event until
    // it is popped; the frame owns it. popModal may be called from inside
    // the modal view's own handlers.
    void pushModal(std::unique_ptr<CView> view);
    void popModal(CView* view);
    CView* topModal() const { return modal_.empty() ? nullptr : modal_.back().get(); }

    // A message box drawn inside the frame with an OK button; Return,
    // Escape or OK close it and call `closed`.
    void showMessage(const std::string& title, const std::string& text, MessageKind kind = MessageKind::Info,
                     std::function<void()> closed = {});

    // The system clipboard through the window, or one kept in the process.
    std::string clipboardText() const;
    void setClipboardText(const std::string& text);

    // Text width in `font`, for views that lay out text outside draw().
    double stringWidth(std::string_view utf8, const CFontDesc& font);

    // Called by a container before it destroys `view`.
    void forgetView(CView* view);

    // WindowListener
    void platformDraw(CDrawContext& context, const CRect& dirty) override;
    void platformMouseDown(CPoint where, std::uint32_t buttons) override;
    void platformMouseMoved(CPoint where, std::uint32_t buttons) override;
    void platformMouseUp(CPoint where, std::uint32_t buttons) override;
    void platformMouseExited() override;
    bool platformMouseWheel(CPoint where, double notches, std::uint32_t buttons) override;
    bool platformKeyDown(const KeyEvent& key) override;
    bool platformKeyUp(const KeyEvent& key) override;
    bool platformDragOver(CPoint where, DropData::Kind kind) override;
    bool platformDrop(CPoint where, const DropData& data) override;
    void platformTick() override;

private:
    friend class CTimer;
    // The views under a frame point, top-most first; only the top modal
    // view while one is open.
    std::vector<CView*> viewsAt(CPoint where);
    void updateHover(CPoint where);
    void setHover(CView* view);
    void releaseCapture(bool cancelled);
    void flushRemoved();

    std::unique_ptr<PlatformWindow> window_;
    std::vector<CRect> dirty_;
    CView* capture_ = nullptr;
    CView* hover_ = nullptr;
    CPoint lastMouse_;
    CView* focus_ = nullptr;
    std::vector<std::unique_ptr<CView>> modal_;
    std::vector<std::unique_ptr<CView>> removed_;  // popped modals, freed after the event
    std::vector<CTimer*> timers_;
    std::string clipboard_;
    std::unique_ptr<COffscreenContext> measure_;
};

}  // namespace gui
