// The Linux window: an xcb child window of the host's window, drawn with
// cairo through a back-buffer pixmap.
//
// Each window opens its own xcb connection, so nothing depends on the host's
// Xlib setup (or on XInitThreads). The host's idle call lands in pump(),
// which drains every pending event without blocking, runs the toolkit's clock
// about 30 times a second and draws the dirty region at most 30 times a
// second.
//
// The clock: VST 2.4 gives an editor no other entry on the GUI thread than
// the idle call, and all drawing stays on that thread, so animations advance
// with the host's idle rate: each pump() that comes 33 ms or more after the
// previous tick runs one tick (late ticks are not replayed in a burst). Hosts
// idle between 15 and 60 times a second; a host that idles rarely gets
// slower animations, never a backlog.
//
// Thread: the GUI thread only.
#pragma once

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <array>
#include <chrono>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "../PlatformWindow.h"

typedef struct _cairo_surface cairo_surface_t;

namespace gui {

class X11Window final : public PlatformWindow {
public:
    // Takes ownership of the connection; `screen` is the parent's screen.
    X11Window(xcb_connection_t* connection, xcb_screen_t* screen, xcb_window_t parent, int width, int height,
              WindowListener& listener);
    ~X11Window() override;
    X11Window(const X11Window&) = delete;
    X11Window& operator=(const X11Window&) = delete;

    void pump() override;
    void invalidate(const CRect& r) override;
    void setSize(int width, int height) override;
    void setCursor(CursorType cursor) override;
    void setKeyboardFocus(bool wanted) override;
    std::string clipboardText() override;
    void setClipboardText(const std::string& text) override;
    void* nativeHandle() const override;

    enum Atom : std::uint8_t {
        kClipboard,
        kUtf8String,
        kTargets,
        kClipboardProperty,
        kDropProperty,
        kXembedInfo,
        kXdndAware,
        kXdndEnter,
        kXdndPosition,
        kXdndStatus,
        kXdndLeave,
        kXdndDrop,
        kXdndFinished,
        kXdndSelection,
        kXdndTypeList,
        kXdndActionCopy,
        kUriList,
        kTextUtf8,
        kTextPlain,
        kAtomCount
    };

private:
    using Clock = std::chrono::steady_clock;

    bool connected() const;
    void handle(xcb_generic_event_t* event);
    void drawDirty();
    void makeBackBuffer();
    void freeBackBuffer();

    void buttonPress(const xcb_button_press_event_t& e);
    void buttonRelease(const xcb_button_release_event_t& e);
    void key(const xcb_key_press_event_t& e, bool down);

    void answerSelectionRequest(const xcb_selection_request_event_t& r);
    void selectionArrived(const xcb_selection_notify_event_t& e);
    std::string takeProperty(xcb_atom_t property);

    void clientMessage(const xcb_client_message_event_t& m);
    void sendToDropSource(xcb_atom_t type, std::array<std::uint32_t, 4> data);
    void finishDrop(const std::string& bytes);

    xcb_connection_t* connection_;
    xcb_screen_t* screen_;
    xcb_window_t parent_;
    xcb_window_t window_;
    WindowListener& listener_;
    int width_;
    int height_;
    bool alive_ = true;  // false once the server destroyed our window with its parent
    std::array<xcb_atom_t, kAtomCount> atoms_{};

    xcb_visualtype_t* visual_ = nullptr;
    xcb_gcontext_t gc_ = 0;
    xcb_pixmap_t backPixmap_ = 0;
    cairo_surface_t* backSurface_ = nullptr;
    CRect dirty_;
    Clock::time_point nextFrame_{};
    Clock::time_point nextTick_{};

    xcb_key_symbols_t* keySymbols_ = nullptr;
    xcb_font_t cursorFont_ = 0;
    std::array<xcb_cursor_t, 7> cursors_{};
    bool focusWanted_ = false;
    xcb_window_t focusBefore_ = XCB_NONE;

    // The previous press, for double clicks.
    std::uint8_t lastPressButton_ = 0;
    xcb_timestamp_t lastPressTime_ = 0;
    int lastPressX_ = 0;
    int lastPressY_ = 0;
    bool lastPressWasDouble_ = false;

    std::string clipboard_;
    bool ownsClipboard_ = false;
    std::optional<std::string> clipboardReply_;
    // Events that arrived while clipboardText() waited; pump() hands them on.
    std::deque<xcb_generic_event_t*> deferred_;

    // The drag in progress, if any.
    xcb_window_t dropSource_ = XCB_NONE;
    xcb_atom_t dropType_ = XCB_NONE;
    bool dropAccepted_ = false;
    CPoint dropWhere_;
};

// `text/uri-list` to paths: file URIs only, percent-decoded.
std::vector<std::string> pathsFromUriList(const std::string& uriList);

}  // namespace gui
