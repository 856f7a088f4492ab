#include "Win32Window.h"

#include <ole2.h>
#include <shellapi.h>
#include <windowsx.h>

#include <cmath>
#include <cstring>
#include <cwctype>

#include "../gdiplus/GdiplusContext.h"
#include "win32/Module.h"
#include "win32/Wide.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace gui {
namespace {

constexpr UINT_PTR kClockTimer = 1;
constexpr UINT kClockMs = 33;
constexpr double kWheelNotch = WHEEL_DELTA;

// The window class lives while a window does: a DLL's classes outlive its
// unloading otherwise, and a reloaded copy could not register again.
int liveWindows = 0;
std::wstring className() {
    // One name per loaded copy of the module, so two copies never share a
    // class whose procedure lives in the other.
    wchar_t name[64];
    wsprintfW(name, L"CalverineEditor%p", static_cast<void*>(platform::win32::moduleOfThisCode()));
    return name;
}

std::uint32_t heldModifiers() {
    std::uint32_t bits = 0;
    if (GetKeyState(VK_SHIFT) < 0) bits |= kShift;
    if (GetKeyState(VK_CONTROL) < 0) bits |= kControl;
    if (GetKeyState(VK_MENU) < 0) bits |= kAlt;
    return bits;
}

// Buttons held, from a mouse message's wParam, with the modifiers.
std::uint32_t mouseState(WPARAM wParam) {
    std::uint32_t bits = heldModifiers();
    if (wParam & MK_LBUTTON) bits |= kLButton;
    if (wParam & MK_MBUTTON) bits |= kMButton;
    if (wParam & MK_RBUTTON) bits |= kRButton;
    return bits;
}

CPoint pointOf(LPARAM lParam) { return {double(GET_X_LPARAM(lParam)), double(GET_Y_LPARAM(lParam))}; }

VirtualKey namedKeyOf(WPARAM vk) {
    switch (vk) {
        case VK_BACK: return VirtualKey::Back;
        case VK_TAB: return VirtualKey::Tab;
        case VK_RETURN: return VirtualKey::Return;
        case VK_ESCAPE: return VirtualKey::Escape;
        case VK_SPACE: return VirtualKey::Space;
        case VK_END: return VirtualKey::End;
        case VK_HOME: return VirtualKey::Home;
        case VK_LEFT: return VirtualKey::Left;
        case VK_UP: return VirtualKey::Up;
        case VK_RIGHT: return VirtualKey::Right;
        case VK_DOWN: return VirtualKey::Down;
        case VK_PRIOR: return VirtualKey::PageUp;
        case VK_NEXT: return VirtualKey::PageDown;
        case VK_INSERT: return VirtualKey::Insert;
        case VK_DELETE: return VirtualKey::Delete;
        default: return VirtualKey::None;
    }
}

HCURSOR systemCursor(CursorType type) {
    LPCWSTR id = IDC_ARROW;
    switch (type) {
        case CursorType::Default: id = IDC_ARROW; break;
        case CursorType::Hand: id = IDC_HAND; break;
        case CursorType::VerticalSize: id = IDC_SIZENS; break;
        case CursorType::HorizontalSize: id = IDC_SIZEWE; break;
        case CursorType::Text: id = IDC_IBEAM; break;
        case CursorType::Copy: id = IDC_CROSS; break;
        case CursorType::NotAllowed: id = IDC_NO; break;
    }
    return LoadCursorW(nullptr, id);
}

// The data of a drag: files when the source offers them, else text.
DropData::Kind kindOffered(IDataObject* data, bool* any) {
    FORMATETC files{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    FORMATETC text{CF_UNICODETEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    *any = true;
    if (data->QueryGetData(&files) == S_OK) return DropData::Kind::Files;
    if (data->QueryGetData(&text) == S_OK) return DropData::Kind::Text;
    *any = false;
    return DropData::Kind::Files;
}

bool readDrop(IDataObject* data, DropData::Kind kind, DropData* out) {
    FORMATETC format{CLIPFORMAT(kind == DropData::Kind::Files ? CF_HDROP : CF_UNICODETEXT), nullptr,
                     DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (data->GetData(&format, &medium) != S_OK) return false;
    out->kind = kind;
    out->items.clear();
    if (kind == DropData::Kind::Files) {
        out->items = pathsFromHdrop(static_cast<HDROP>(medium.hGlobal));
    } else if (const auto* text = static_cast<const wchar_t*>(GlobalLock(medium.hGlobal))) {
        out->items.push_back(platform::win32::narrow(text));
        GlobalUnlock(medium.hGlobal);
    }
    ReleaseStgMedium(&medium);
    return !out->items.empty();
}

}  // namespace

std::vector<std::string> pathsFromHdrop(HDROP drop) {
    std::vector<std::string> paths;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = DragQueryFileW(drop, i, nullptr, 0);
        std::wstring path(length + 1, L'\0');
        DragQueryFileW(drop, i, path.data(), length + 1);
        path.resize(length);
        if (!path.empty()) paths.push_back(platform::win32::narrow(path));
    }
    return paths;
}

// The OLE side of drops: asks the views while the pointer moves and hands
// them the data on release.
class Win32DropTarget final : public IDropTarget {
public:
    explicit Win32DropTarget(Win32Window& window) : window_(window) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (id == IID_IUnknown || id == IID_IDropTarget) {
            *object = static_cast<IDropTarget*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD, POINTL point, DWORD* effect) override {
        kind_ = kindOffered(data, &offered_);
        return DragOver(0, point, effect);
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL point, DWORD* effect) override {
        *effect = offered_ && window_.listener().platformDragOver(clientPoint(point), kind_) ? DROPEFFECT_COPY
                                                                                            : DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override {
        offered_ = false;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL point, DWORD* effect) override {
        DropData dropped;
        const bool taken = offered_ && readDrop(data, kind_, &dropped) &&
                           window_.listener().platformDrop(clientPoint(point), dropped);
        offered_ = false;
        *effect = taken ? DROPEFFECT_COPY : DROPEFFECT_NONE;
        return S_OK;
    }

private:
    CPoint clientPoint(POINTL screen) const {
        POINT p{screen.x, screen.y};
        ScreenToClient(static_cast<HWND>(window_.nativeHandle()), &p);
        return {double(p.x), double(p.y)};
    }

    Win32Window& window_;
    ULONG references_ = 1;
    DropData::Kind kind_ = DropData::Kind::Files;
    bool offered_ = false;
};

std::unique_ptr<PlatformWindow> PlatformWindow::create(void* parent, int width, int height,
                                                       WindowListener& listener, std::string* error) {
    auto fail = [&](const char* why) -> std::unique_ptr<PlatformWindow> {
        if (error) *error = why;
        return nullptr;
    };
    if (!parent || !IsWindow(static_cast<HWND>(parent))) return fail("The parent is not a window.");
    if (!gdiplusReady()) return fail("GDI+ could not be started.");
    auto window = std::make_unique<Win32Window>(static_cast<HWND>(parent), width, height, listener);
    if (!window->created()) return fail("Windows could not create the editor window.");
    return window;
}

Win32Window::Win32Window(HWND parent, int width, int height, WindowListener& listener)
    : parent_(parent), listener_(listener), width_(width), height_(height),
      cursor_(systemCursor(CursorType::Default)) {
    const std::wstring name = className();
    if (liveWindows++ == 0) {
        WNDCLASSEXW c{};
        c.cbSize = sizeof c;
        c.style = CS_DBLCLKS;
        c.lpfnWndProc = windowProc;
        c.hInstance = platform::win32::moduleOfThisCode();
        c.hCursor = nullptr;  // WM_SETCURSOR sets ours
        c.hbrBackground = nullptr;  // nothing erased before we paint, so nothing flickers
        c.lpszClassName = name.c_str();
        RegisterClassExW(&c);
    }
    hwnd_ = CreateWindowExW(0, name.c_str(), L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0,
                            width, height, parent, nullptr, platform::win32::moduleOfThisCode(), this);
    if (!hwnd_) return;
    makeBackBuffer();
    SetTimer(hwnd_, kClockTimer, kClockMs, nullptr);
    DragAcceptFiles(hwnd_, TRUE);
    // OLE may already run on the host's thread; our start only counts up.
    const HRESULT ole = OleInitialize(nullptr);
    oleStarted_ = SUCCEEDED(ole);
    if (oleStarted_) {
        dropTarget_ = new Win32DropTarget(*this);
        if (RegisterDragDrop(hwnd_, dropTarget_) != S_OK) {
            dropTarget_->Release();
            dropTarget_ = nullptr;
        }
    }
}

// The timer and the drop registration end with the window, whether the
// editor closes it or the host destroys its parent first.
void Win32Window::detach() {
    KillTimer(hwnd_, kClockTimer);
    if (dropTarget_) RevokeDragDrop(hwnd_);
}

Win32Window::~Win32Window() {
    if (hwnd_ && IsWindow(hwnd_)) {
        detach();
        if (GetCapture() == hwnd_) {
            buttonsDown_ = 0;
            ReleaseCapture();
        }
        // No more calls on a listener that is going away.
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
    if (dropTarget_) dropTarget_->Release();
    if (oleStarted_) OleUninitialize();
    freeBackBuffer();
    if (--liveWindows == 0) UnregisterClassW(className().c_str(), platform::win32::moduleOfThisCode());
}

LRESULT CALLBACK Win32Window::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* window = static_cast<Win32Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
        window->hwnd_ = hwnd;
    }
    auto* window = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!window) return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // Destroyed with the host's window before the editor closed: the
        // object lives on without a window until then.
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        window->hwnd_ = nullptr;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    return window->handle(message, wParam, lParam);
}

LRESULT Win32Window::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: paint(); return 0;
        case WM_DESTROY: detach(); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_TIMER:
            if (wParam != kClockTimer) break;
            listener_.platformTick();
            return 0;
        case WM_LBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_MBUTTONDBLCLK:
        case WM_RBUTTONDBLCLK:
        case WM_LBUTTONUP:
        case WM_MBUTTONUP:
        case WM_RBUTTONUP: mouseButton(message, wParam, lParam); return 0;
        case WM_MOUSEMOVE: mouseMoved(wParam, lParam); return 0;
        case WM_MOUSELEAVE:
            trackingLeave_ = false;
            listener_.platformMouseExited();
            return 0;
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(lParam) != hwnd_) captureLost();
            return 0;
        case WM_MOUSEWHEEL:
        case WM_MOUSEHWHEEL:
            if (wheel(message, wParam, lParam)) return 0;
            break;  // the parent scrolls instead
        case WM_SETCURSOR:
            if (LOWORD(lParam) != HTCLIENT) break;
            SetCursor(cursor_);
            return TRUE;
        case WM_GETDLGCODE: return DLGC_WANTALLKEYS | DLGC_WANTCHARS;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            if (keyDown(wParam, true)) return 0;
            // Unused keys go on to the host's window.
            PostMessageW(parent_, message, wParam, lParam);
            return 0;
        case WM_KEYUP:
        case WM_SYSKEYUP:
            if (keyDown(wParam, false)) return 0;
            PostMessageW(parent_, message, wParam, lParam);
            return 0;
        case WM_CHAR:
            character(wchar_t(wParam));
            return 0;
        case WM_DROPFILES: {
            const auto drop = reinterpret_cast<HDROP>(wParam);
            POINT p{};
            DragQueryPoint(drop, &p);
            DropData data{DropData::Kind::Files, pathsFromHdrop(drop)};
            DragFinish(drop);
            const CPoint where{double(p.x), double(p.y)};
            if (!data.items.empty() && listener_.platformDragOver(where, data.kind)) listener_.platformDrop(where, data);
            return 0;
        }
        default: break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

// Drawing

void Win32Window::makeBackBuffer() {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;  // top row first, as GDI+ lays out its pixels
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    backDc_ = CreateCompatibleDC(nullptr);
    backBitmap_ = CreateDIBSection(backDc_, &info, DIB_RGB_COLORS, &backBits_, nullptr, 0);
    if (backBitmap_) oldBitmap_ = SelectObject(backDc_, backBitmap_);
}

void Win32Window::freeBackBuffer() {
    if (backDc_ && oldBitmap_) SelectObject(backDc_, oldBitmap_);
    if (backBitmap_) DeleteObject(backBitmap_);
    if (backDc_) DeleteDC(backDc_);
    backDc_ = nullptr;
    backBitmap_ = nullptr;
    oldBitmap_ = nullptr;
    backBits_ = nullptr;
}

void Win32Window::paint() {
    PAINTSTRUCT ps;
    HDC target = BeginPaint(hwnd_, &ps);
    const RECT& r = ps.rcPaint;
    const CRect pixels = CRect::fromSize(r.left, r.top, r.right - r.left, r.bottom - r.top)
                             .intersect(CRect::fromSize(0, 0, width_, height_));
    if (backBits_ && !pixels.empty()) {
        // The views draw into the back buffer exactly as into an off-screen
        // image; the window gets a copy of the painted part.
        GpBitmap* bitmap = nullptr;
        GpGraphics* graphics = nullptr;
        if (GdipCreateBitmapFromScan0(width_, height_, width_ * 4, PixelFormat32bppPARGB,
                                      static_cast<BYTE*>(backBits_), &bitmap) == Ok &&
            GdipGetImageGraphicsContext(bitmap, &graphics) == Ok) {
            {
                GdiplusDrawContext context(graphics);
                context.clip(pixels);
                listener_.platformDraw(context, pixels);
            }
            GdipFlush(graphics, FlushIntentionSync);
        }
        if (graphics) GdipDeleteGraphics(graphics);
        if (bitmap) GdipDisposeImage(bitmap);
        BitBlt(target, r.left, r.top, r.right - r.left, r.bottom - r.top, backDc_, r.left, r.top, SRCCOPY);
    }
    EndPaint(hwnd_, &ps);
}

void Win32Window::pump() {
    // Input and the clock arrive through the host's message loop; paint now
    // what is dirty rather than when the queue next runs empty.
    if (hwnd_) UpdateWindow(hwnd_);
}

void Win32Window::invalidate(const CRect& r) {
    if (!hwnd_ || r.empty()) return;
    const RECT rect{LONG(std::floor(r.left)), LONG(std::floor(r.top)), LONG(std::ceil(r.right)),
                    LONG(std::ceil(r.bottom))};
    InvalidateRect(hwnd_, &rect, FALSE);
}

void Win32Window::setSize(int width, int height) {
    if (width == width_ && height == height_) return;
    width_ = width;
    height_ = height;
    freeBackBuffer();
    makeBackBuffer();
    if (!hwnd_) return;
    SetWindowPos(hwnd_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(hwnd_, nullptr, FALSE);
}

// Mouse and keys

void Win32Window::mouseButton(UINT message, WPARAM wParam, LPARAM lParam) {
    std::uint32_t button = kLButton;
    if (message == WM_MBUTTONDOWN || message == WM_MBUTTONUP || message == WM_MBUTTONDBLCLK) button = kMButton;
    if (message == WM_RBUTTONDOWN || message == WM_RBUTTONUP || message == WM_RBUTTONDBLCLK) button = kRButton;
    const CPoint where = pointOf(lParam);
    lastMouse_ = where;
    const std::uint32_t state = mouseState(wParam) & ~(kLButton | kMButton | kRButton);
    if (message == WM_LBUTTONUP || message == WM_MBUTTONUP || message == WM_RBUTTONUP) {
        if (!(buttonsDown_ & button)) return;  // pressed elsewhere
        buttonsDown_ &= ~button;
        if (buttonsDown_ == 0 && GetCapture() == hwnd_) ReleaseCapture();
        listener_.platformMouseUp(where, button | state);
        return;
    }
    const bool doubleClick =
        message == WM_LBUTTONDBLCLK || message == WM_MBUTTONDBLCLK || message == WM_RBUTTONDBLCLK;
    // Drags go on outside the window until the last button is released.
    if (buttonsDown_ == 0) SetCapture(hwnd_);
    buttonsDown_ |= button;
    listener_.platformMouseDown(where, state | button | (doubleClick ? std::uint32_t(kDoubleClick) : 0u));
}

void Win32Window::mouseMoved(WPARAM wParam, LPARAM lParam) {
    if (!trackingLeave_) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd_, 0};
        trackingLeave_ = TrackMouseEvent(&track) != FALSE;
    }
    lastMouse_ = pointOf(lParam);
    listener_.platformMouseMoved(lastMouse_, mouseState(wParam));
}

// Another window took the mouse mid-drag (a host dialog, Alt+Tab): the views
// get the releases they would otherwise wait for.
void Win32Window::captureLost() {
    const std::uint32_t held = buttonsDown_;
    buttonsDown_ = 0;
    for (std::uint32_t button : {kLButton, kMButton, kRButton})
        if (held & button) listener_.platformMouseUp(lastMouse_, button | heldModifiers());
}

bool Win32Window::wheel(UINT message, WPARAM wParam, LPARAM lParam) {
    POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ScreenToClient(hwnd_, &p);
    double notches = GET_WHEEL_DELTA_WPARAM(wParam) / kWheelNotch;
    // Tilting right is a positive delta; the views take left as positive.
    if (message == WM_MOUSEHWHEEL) notches = -notches;
    return listener_.platformMouseWheel({double(p.x), double(p.y)}, notches, mouseState(GET_KEYSTATE_WPARAM(wParam)));
}

// Named keys come from WM_KEYDOWN, typed characters from WM_CHAR. With
// Control (and not AltGr, which Windows reports as Control+Alt) letters and
// digits arrive here as the character, since WM_CHAR would bring a control
// code: Ctrl+C is 'c' with kControl, as on Linux.
bool Win32Window::keyDown(WPARAM vk, bool down) {
    KeyEvent k;
    k.modifiers = heldModifiers();
    k.key = namedKeyOf(vk);
    if (k.key == VirtualKey::Space) k.character = U' ';
    const bool control = (k.modifiers & kControl) && !(k.modifiers & kAlt);
    const bool letterOrDigit = (vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9');
    if (k.key == VirtualKey::None) {
        if (control && letterOrDigit) {
            k.character = (vk >= 'A' && vk <= 'Z' && !(k.modifiers & kShift)) ? char32_t(vk - 'A' + 'a') : char32_t(vk);
        } else if (!down) {
            // A key-up has no WM_CHAR: the key's unshifted character.
            k.character = std::towlower(wchar_t(MapVirtualKeyW(UINT(vk), MAPVK_VK_TO_CHAR) & 0x7fff));
            if (k.character < 0x20) return false;
        } else {
            // A key that types comes back as WM_CHAR; the others (function
            // keys, Alt combinations, modifiers) belong to the host.
            return !(k.modifiers & kAlt) && MapVirtualKeyW(UINT(vk), MAPVK_VK_TO_CHAR) != 0;
        }
    }
    return down ? listener_.platformKeyDown(k) : listener_.platformKeyUp(k);
}

bool Win32Window::character(wchar_t unit) {
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        highSurrogate_ = unit;
        return true;
    }
    char32_t c = unit;
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
        if (!highSurrogate_) return false;
        c = 0x10000 + ((char32_t(highSurrogate_) - 0xD800) << 10) + (unit - 0xDC00);
    }
    highSurrogate_ = 0;
    // Control codes, Space and Delete came as named keys already.
    if (c <= 0x20 || c == 0x7f) return false;
    KeyEvent k;
    k.character = c;
    k.modifiers = heldModifiers();
    return listener_.platformKeyDown(k);
}

void Win32Window::setCursor(CursorType cursor) {
    cursor_ = systemCursor(cursor);
    POINT p;
    if (hwnd_ && GetCursorPos(&p) && WindowFromPoint(p) == hwnd_) SetCursor(cursor_);
}

void Win32Window::setKeyboardFocus(bool wanted) {
    if (wanted == focusWanted_ || !hwnd_) return;
    focusWanted_ = wanted;
    if (wanted) {
        focusBefore_ = GetFocus();
        SetFocus(hwnd_);
    } else if (GetFocus() == hwnd_) {
        // Back to where it was; to the parent if that window is gone.
        SetFocus(focusBefore_ && IsWindow(focusBefore_) ? focusBefore_ : parent_);
    }
}

// The clipboard

void Win32Window::setClipboardText(const std::string& text) {
    const std::wstring wide = platform::win32::widen(text);
    if (!OpenClipboard(hwnd_)) return;
    EmptyClipboard();
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (wide.size() + 1) * sizeof(wchar_t))) {
        if (void* bytes = GlobalLock(memory)) {
            std::memcpy(bytes, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
            GlobalUnlock(memory);
            if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
        } else {
            GlobalFree(memory);
        }
    }
    CloseClipboard();
}

std::string Win32Window::clipboardText() {
    std::string text;
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(hwnd_)) return text;
    if (HANDLE memory = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* wide = static_cast<const wchar_t*>(GlobalLock(memory))) {
            text = platform::win32::narrow(wide);
            GlobalUnlock(memory);
        }
    }
    CloseClipboard();
    return text;
}

}  // namespace gui
