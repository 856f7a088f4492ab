// The Windows window: a Win32 child window of the host's HWND, drawn with
// GDI+ into a back buffer.
//
// Messages reach the window procedure through the host's message loop (and
// through any modal loop, such as a file dialog's), so input needs no pump.
// A window timer drives the toolkit's clock 30 times a second; dirty regions
// become invalid rectangles that Windows paints when the queue is empty.
// Drops arrive through OLE (files and text, with feedback while dragging)
// and, from sources that only post it, WM_DROPFILES.
//
// Thread: the GUI thread only (the thread that created the window).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "../PlatformWindow.h"

namespace gui {

class Win32DropTarget;

class Win32Window final : public PlatformWindow {
public:
    Win32Window(HWND parent, int width, int height, WindowListener& listener);
    ~Win32Window() override;
    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;

    // False when Windows refused to make the window.
    bool created() const { return hwnd_ != nullptr; }

    void pump() override;
    void invalidate(const CRect& r) override;
    void setSize(int width, int height) override;
    void setCursor(CursorType cursor) override;
    void setKeyboardFocus(bool wanted) override;
    std::string clipboardText() override;
    void setClipboardText(const std::string& text) override;
    void* nativeHandle() const override { return hwnd_; }

    WindowListener& listener() { return listener_; }

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);

    void detach();
    void paint();
    void makeBackBuffer();
    void freeBackBuffer();

    void mouseButton(UINT message, WPARAM wParam, LPARAM lParam);
    void mouseMoved(WPARAM wParam, LPARAM lParam);
    void captureLost();
    bool wheel(UINT message, WPARAM wParam, LPARAM lParam);
    bool keyDown(WPARAM vk, bool down);
    bool character(wchar_t unit);

    HWND parent_;
    HWND hwnd_ = nullptr;
    WindowListener& listener_;
    int width_;
    int height_;

    HDC backDc_ = nullptr;
    HBITMAP backBitmap_ = nullptr;
    HGDIOBJ oldBitmap_ = nullptr;
    void* backBits_ = nullptr;

    std::uint32_t buttonsDown_ = 0;  // kLButton, kMButton, kRButton while captured
    CPoint lastMouse_;
    bool trackingLeave_ = false;
    HCURSOR cursor_ = nullptr;
    HWND focusBefore_ = nullptr;
    bool focusWanted_ = false;
    wchar_t highSurrogate_ = 0;

    Win32DropTarget* dropTarget_ = nullptr;
    bool oleStarted_ = false;
};

// The paths of a shell drop (CF_HDROP), as UTF-8.
std::vector<std::string> pathsFromHdrop(HDROP drop);

}  // namespace gui
