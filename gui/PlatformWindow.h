// The thin window layer under the frame: an xcb child window on Linux, a
// Win32 child window on Windows. The window turns native events into calls
// on its listener (the frame) and hands it a canvas to draw dirty regions.
//
// Thread: everything here runs on the host's GUI thread (the thread that
// opens the editor and calls its idle).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "Events.h"
#include "Geometry.h"

namespace gui {

class CDrawContext;

// What a window reports. Coordinates are window pixels.
class WindowListener {
public:
    virtual ~WindowListener() = default;

    // Draw `dirty`; the context is already clipped to it.
    virtual void platformDraw(CDrawContext& context, const CRect& dirty) = 0;

    // `buttons` holds the mouse buttons and modifiers (Buttons), with
    // kDoubleClick on the second press of a double click.
    virtual void platformMouseDown(CPoint where, std::uint32_t buttons) = 0;
    virtual void platformMouseMoved(CPoint where, std::uint32_t buttons) = 0;
    virtual void platformMouseUp(CPoint where, std::uint32_t buttons) = 0;
    virtual void platformMouseExited() = 0;
    // `notches` is positive away from the user; true when a view used it.
    virtual bool platformMouseWheel(CPoint where, double notches, std::uint32_t buttons) = 0;

    // True when a view used the key; an unused key goes back to the host.
    virtual bool platformKeyDown(const KeyEvent& key) = 0;
    virtual bool platformKeyUp(const KeyEvent& key) = 0;

    // True when a view at `where` would take a drop of this kind.
    virtual bool platformDragOver(CPoint where, DropData::Kind kind) = 0;
    // True when a view took the data.
    virtual bool platformDrop(CPoint where, const DropData& data) = 0;

    // The toolkit's clock, about 30 times a second while the window is open.
    virtual void platformTick() = 0;
};

class PlatformWindow {
public:
    // A child of `parent` (an X11 window id on Linux, an HWND on Windows),
    // mapped and ready to draw. Null, with the reason in `error`, when there
    // is no display or the parent is not a window.
    static std::unique_ptr<PlatformWindow> create(void* parent, int width, int height,
                                                  WindowListener& listener, std::string* error = nullptr);

    // Destroys the window and frees every resource; survives a parent that
    // the host has destroyed already.
    virtual ~PlatformWindow() = default;

    // Handles every pending event without blocking, runs the clock when due
    // and draws what is dirty. The host's idle call lands here.
    virtual void pump() = 0;

    // Marks a region to draw on the next pump.
    virtual void invalidate(const CRect& r) = 0;
    virtual void setSize(int width, int height) = 0;
    virtual void setCursor(CursorType cursor) = 0;
    // Asks for keyboard focus while a text field is edited, and gives it back.
    virtual void setKeyboardFocus(bool wanted) = 0;

    virtual std::string clipboardText() = 0;
    virtual void setClipboardText(const std::string& text) = 0;

    // The X11 window id or HWND.
    virtual void* nativeHandle() const = 0;
};

}  // namespace gui
