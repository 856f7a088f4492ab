#include "X11Window.h"

#include <cairo-xcb.h>
#include <poll.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "../cairo/CairoContext.h"

namespace gui {
namespace {

constexpr auto kFramePeriod = std::chrono::milliseconds(33);
constexpr auto kTickPeriod = std::chrono::milliseconds(33);
constexpr auto kClipboardWait = std::chrono::milliseconds(200);
constexpr xcb_timestamp_t kDoubleClickMs = 400;
constexpr int kDoubleClickDistance = 4;
constexpr std::uint32_t kXdndVersion = 5;
constexpr std::uint32_t kXembedMapped = 1;

const char* const kAtomNames[X11Window::kAtomCount] = {
    "CLIPBOARD",     "UTF8_STRING",    "TARGETS",     "CALVERINE_CLIPBOARD", "CALVERINE_DROP",
    "_XEMBED_INFO",  "XdndAware",      "XdndEnter",   "XdndPosition",        "XdndStatus",
    "XdndLeave",     "XdndDrop",       "XdndFinished", "XdndSelection",      "XdndTypeList",
    "XdndActionCopy", "text/uri-list", "text/plain;charset=utf-8", "text/plain",
};

// Glyphs of the core X cursor font, in CursorType order.
constexpr std::uint16_t kCursorGlyphs[] = {
    68,   // left_ptr
    60,   // hand2
    116,  // sb_v_double_arrow
    108,  // sb_h_double_arrow
    152,  // xterm
    90,   // plus
    0,    // X_cursor
};

xcb_visualtype_t* findVisual(xcb_screen_t* screen, xcb_visualid_t id) {
    for (auto d = xcb_screen_allowed_depths_iterator(screen); d.rem; xcb_depth_next(&d))
        for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v))
            if (v.data->visual_id == id) return v.data;
    return nullptr;
}

std::uint32_t modifiers(std::uint16_t state) {
    std::uint32_t bits = 0;
    if (state & XCB_MOD_MASK_SHIFT) bits |= kShift;
    if (state & XCB_MOD_MASK_CONTROL) bits |= kControl;
    if (state & XCB_MOD_MASK_1) bits |= kAlt;
    return bits;
}

// The buttons held, from an event's state (which is the state before it).
std::uint32_t heldButtons(std::uint16_t state) {
    std::uint32_t bits = 0;
    if (state & XCB_BUTTON_MASK_1) bits |= kLButton;
    if (state & XCB_BUTTON_MASK_2) bits |= kMButton;
    if (state & XCB_BUTTON_MASK_3) bits |= kRButton;
    return bits;
}

std::uint32_t buttonBit(xcb_button_t button) {
    switch (button) {
        case 1: return kLButton;
        case 2: return kMButton;
        case 3: return kRButton;
        default: return 0;
    }
}

// Buttons 4 to 7 are wheel notches: up, down, left, right.
bool isWheel(xcb_button_t button) { return button >= 4 && button <= 7; }

char32_t characterOf(xcb_keysym_t sym) {
    if ((sym >= 0x20 && sym <= 0x7e) || (sym >= 0xa0 && sym <= 0xff)) return sym;  // Latin-1
    if ((sym & 0xff000000) == 0x01000000) return sym & 0x00ffffff;                 // Unicode keysyms
    if (sym >= 0xffb0 && sym <= 0xffb9) return U'0' + (sym - 0xffb0);              // keypad digits
    switch (sym) {
        case 0xff80: return U' ';      // KP_Space
        case 0xffaa: return U'*';      // KP_Multiply
        case 0xffab: return U'+';      // KP_Add
        case 0xffac: return U',';      // KP_Separator
        case 0xffad: return U'-';      // KP_Subtract
        case 0xffae: return U'.';      // KP_Decimal
        case 0xffaf: return U'/';      // KP_Divide
        case 0xffbd: return U'=';      // KP_Equal
        case 0x20ac: return U'\u20ac';  // EuroSign
        default: return 0;
    }
}

VirtualKey namedKeyOf(xcb_keysym_t sym) {
    switch (sym) {
        case 0xff08: return VirtualKey::Back;
        case 0xff09:
        case 0xfe20: return VirtualKey::Tab;  // Tab, ISO_Left_Tab (Shift+Tab)
        case 0xff0d:
        case 0xff8d: return VirtualKey::Return;  // Return, KP_Enter
        case 0xff1b: return VirtualKey::Escape;
        case 0x0020: return VirtualKey::Space;
        case 0xff50:
        case 0xff95: return VirtualKey::Home;
        case 0xff51:
        case 0xff96: return VirtualKey::Left;
        case 0xff52:
        case 0xff97: return VirtualKey::Up;
        case 0xff53:
        case 0xff98: return VirtualKey::Right;
        case 0xff54:
        case 0xff99: return VirtualKey::Down;
        case 0xff55:
        case 0xff9a: return VirtualKey::PageUp;
        case 0xff56:
        case 0xff9b: return VirtualKey::PageDown;
        case 0xff57:
        case 0xff9c: return VirtualKey::End;
        case 0xff63:
        case 0xff9e: return VirtualKey::Insert;
        case 0xffff:
        case 0xff9f: return VirtualKey::Delete;
        default: return VirtualKey::None;
    }
}

bool isKeypad(xcb_keysym_t sym) { return sym >= 0xff80 && sym <= 0xffbd; }
bool isLowerLetter(xcb_keysym_t sym) {
    return (sym >= 'a' && sym <= 'z') || (sym >= 0xdf && sym <= 0xff && sym != 0xf7);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string percentDecoded(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        int hi = -1, lo = -1;
        if (s[i] == '%' && i + 2 < s.size() && (hi = hexDigit(s[i + 1])) >= 0 && (lo = hexDigit(s[i + 2])) >= 0) {
            out += char(hi * 16 + lo);
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

}  // namespace

std::vector<std::string> pathsFromUriList(const std::string& uriList) {
    std::vector<std::string> paths;
    std::size_t start = 0;
    while (start < uriList.size()) {
        std::size_t end = uriList.find('\n', start);
        if (end == std::string::npos) end = uriList.size();
        std::string line = uriList.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("file:", 0) != 0) continue;  // comments ('#') and other schemes
        std::string rest = line.substr(5);
        if (rest.rfind("//", 0) == 0) {  // file://host/path: the host is ours
            const std::size_t slash = rest.find('/', 2);
            if (slash == std::string::npos) continue;
            rest = rest.substr(slash);
        }
        if (!rest.empty() && rest[0] == '/') paths.push_back(percentDecoded(rest));
    }
    return paths;
}

std::unique_ptr<PlatformWindow> PlatformWindow::create(void* parent, int width, int height,
                                                       WindowListener& listener, std::string* error) {
    auto fail = [&](const char* why) -> std::unique_ptr<PlatformWindow> {
        if (error) *error = why;
        return nullptr;
    };
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return fail("Cannot connect to the X display.");
    }
    const auto parentId = xcb_window_t(reinterpret_cast<std::uintptr_t>(parent));
    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, parentId), nullptr);
    if (!geometry) {
        xcb_disconnect(connection);
        return fail("The parent is not an X window.");
    }
    const xcb_window_t root = geometry->root;
    std::free(geometry);
    for (auto s = xcb_setup_roots_iterator(xcb_get_setup(connection)); s.rem; xcb_screen_next(&s))
        if (s.data->root == root)
            return std::make_unique<X11Window>(connection, s.data, parentId, width, height, listener);
    xcb_disconnect(connection);
    return fail("The parent's screen is unknown.");
}

X11Window::X11Window(xcb_connection_t* connection, xcb_screen_t* screen, xcb_window_t parent, int width,
                     int height, WindowListener& listener)
    : connection_(connection), screen_(screen), parent_(parent), listener_(listener), width_(width),
      height_(height) {
    xcb_intern_atom_cookie_t cookies[kAtomCount];
    for (int i = 0; i < kAtomCount; ++i)
        cookies[i] = xcb_intern_atom(connection_, 0, std::uint16_t(std::strlen(kAtomNames[i])), kAtomNames[i]);
    for (int i = 0; i < kAtomCount; ++i) {
        if (xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection_, cookies[i], nullptr)) {
            atoms_[i] = reply->atom;
            std::free(reply);
        }
    }

    // No background: the server does not clear exposed parts to a colour
    // before we draw them, so nothing flickers.
    window_ = xcb_generate_id(connection_);
    const std::uint32_t events = XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_BUTTON_PRESS |
                                 XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_POINTER_MOTION |
                                 XCB_EVENT_MASK_ENTER_WINDOW | XCB_EVENT_MASK_LEAVE_WINDOW |
                                 XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE |
                                 XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    const std::uint32_t values[] = {XCB_BACK_PIXMAP_NONE, screen_->black_pixel, events,
                                    screen_->default_colormap};
    xcb_create_window(connection_, screen_->root_depth, window_, parent_, 0, 0, std::uint16_t(width_),
                      std::uint16_t(height_), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen_->root_visual,
                      XCB_CW_BACK_PIXMAP | XCB_CW_BORDER_PIXEL | XCB_CW_EVENT_MASK | XCB_CW_COLORMAP, values);

    const std::uint32_t xembed[] = {0, kXembedMapped};
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window_, atoms_[kXembedInfo], atoms_[kXembedInfo], 32, 2,
                        xembed);
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window_, atoms_[kXdndAware], XCB_ATOM_ATOM, 32, 1,
                        &kXdndVersion);

    visual_ = findVisual(screen_, screen_->root_visual);
    gc_ = xcb_generate_id(connection_);
    const std::uint32_t noExposures = 0;
    xcb_create_gc(connection_, gc_, window_, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    makeBackBuffer();
    keySymbols_ = xcb_key_symbols_alloc(connection_);
    cursorFont_ = xcb_generate_id(connection_);
    xcb_open_font(connection_, cursorFont_, 6, "cursor");
    setCursor(CursorType::Default);

    // Some hosts only reparent an embedded window; mapping it ourselves makes
    // it show up in every host.
    xcb_map_window(connection_, window_);
    xcb_flush(connection_);
    nextTick_ = Clock::now() + kTickPeriod;
}

X11Window::~X11Window() {
    for (xcb_generic_event_t* e : deferred_) std::free(e);
    // cairo keeps a device per connection; it must let go before we close it.
    cairo_device_t* device = cairo_device_reference(cairo_surface_get_device(backSurface_));
    freeBackBuffer();
    cairo_device_finish(device);
    cairo_device_destroy(device);
    if (alive_) xcb_destroy_window(connection_, window_);  // a BadWindow here is harmless
    xcb_free_gc(connection_, gc_);
    for (xcb_cursor_t c : cursors_)
        if (c) xcb_free_cursor(connection_, c);
    xcb_close_font(connection_, cursorFont_);
    xcb_key_symbols_free(keySymbols_);
    // One round trip: when the host gets control back, the server has
    // destroyed our window (the host may reuse or destroy its parent at once).
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    xcb_disconnect(connection_);
}

bool X11Window::connected() const { return !xcb_connection_has_error(connection_); }

void* X11Window::nativeHandle() const { return reinterpret_cast<void*>(std::uintptr_t(window_)); }

void X11Window::pump() {
    if (!connected()) return;
    while (!deferred_.empty()) {
        xcb_generic_event_t* e = deferred_.front();
        deferred_.pop_front();
        handle(e);
        std::free(e);
    }
    while (xcb_generic_event_t* e = xcb_poll_for_event(connection_)) {
        handle(e);
        std::free(e);
    }
    const auto now = Clock::now();
    if (now >= nextTick_ && alive_) {
        nextTick_ = now + kTickPeriod;
        listener_.platformTick();
    }
    drawDirty();
    xcb_flush(connection_);
}

void X11Window::handle(xcb_generic_event_t* event) {
    switch (event->response_type & 0x7f) {
        case 0:  // an error: BadWindow from a parent the host destroyed, or from a vanished drop source
            break;
        case XCB_EXPOSE: {
            const auto& e = *reinterpret_cast<xcb_expose_event_t*>(event);
            invalidate(CRect::fromSize(e.x, e.y, e.width, e.height));
            break;
        }
        case XCB_BUTTON_PRESS: buttonPress(*reinterpret_cast<xcb_button_press_event_t*>(event)); break;
        case XCB_BUTTON_RELEASE: buttonRelease(*reinterpret_cast<xcb_button_release_event_t*>(event)); break;
        case XCB_MOTION_NOTIFY: {
            const auto& e = *reinterpret_cast<xcb_motion_notify_event_t*>(event);
            listener_.platformMouseMoved({double(e.event_x), double(e.event_y)},
                                         heldButtons(e.state) | modifiers(e.state));
            break;
        }
        case XCB_LEAVE_NOTIFY: {
            const auto& e = *reinterpret_cast<xcb_leave_notify_event_t*>(event);
            if (e.mode == XCB_NOTIFY_MODE_NORMAL) listener_.platformMouseExited();
            break;
        }
        case XCB_KEY_PRESS: key(*reinterpret_cast<xcb_key_press_event_t*>(event), true); break;
        case XCB_KEY_RELEASE: key(*reinterpret_cast<xcb_key_press_event_t*>(event), false); break;
        case XCB_MAPPING_NOTIFY:
            // A fresh table: refreshing one whose first fetch is still under
            // way would keep the old layout.
            if (reinterpret_cast<xcb_mapping_notify_event_t*>(event)->request == XCB_MAPPING_KEYBOARD) {
                xcb_key_symbols_free(keySymbols_);
                keySymbols_ = xcb_key_symbols_alloc(connection_);
            }
            break;
        case XCB_DESTROY_NOTIFY:
            if (reinterpret_cast<xcb_destroy_notify_event_t*>(event)->window == window_) alive_ = false;
            break;
        case XCB_CLIENT_MESSAGE: clientMessage(*reinterpret_cast<xcb_client_message_event_t*>(event)); break;
        case XCB_SELECTION_REQUEST:
            answerSelectionRequest(*reinterpret_cast<xcb_selection_request_event_t*>(event));
            break;
        case XCB_SELECTION_CLEAR:
            if (reinterpret_cast<xcb_selection_clear_event_t*>(event)->selection == atoms_[kClipboard]) {
                ownsClipboard_ = false;
                clipboard_.clear();
            }
            break;
        case XCB_SELECTION_NOTIFY: selectionArrived(*reinterpret_cast<xcb_selection_notify_event_t*>(event)); break;
        default: break;
    }
}

// Drawing

void X11Window::invalidate(const CRect& r) { dirty_ = dirty_.unite(r); }

void X11Window::makeBackBuffer() {
    backPixmap_ = xcb_generate_id(connection_);
    xcb_create_pixmap(connection_, screen_->root_depth, backPixmap_, window_, std::uint16_t(width_),
                      std::uint16_t(height_));
    backSurface_ = cairo_xcb_surface_create(connection_, backPixmap_, visual_, width_, height_);
}

void X11Window::freeBackBuffer() {
    cairo_surface_finish(backSurface_);
    cairo_surface_destroy(backSurface_);
    xcb_free_pixmap(connection_, backPixmap_);
}

void X11Window::drawDirty() {
    if (dirty_.empty() || !alive_) return;
    const auto now = Clock::now();
    if (now < nextFrame_) return;
    nextFrame_ = now + kFramePeriod;

    const CRect area = dirty_.intersect(CRect::fromSize(0, 0, width_, height_));
    dirty_ = {};
    if (area.empty()) return;
    // Whole pixels, so the copy covers every pixel the views touched.
    const int x = int(std::floor(area.left));
    const int y = int(std::floor(area.top));
    const int w = int(std::ceil(area.right)) - x;
    const int h = int(std::ceil(area.bottom)) - y;
    const CRect pixels = CRect::fromSize(x, y, w, h);

    cairo_t* cr = cairo_create(backSurface_);
    {
        CairoDrawContext context(cr);
        context.clip(pixels);
        listener_.platformDraw(context, pixels);
    }
    cairo_destroy(cr);
    cairo_surface_flush(backSurface_);
    xcb_copy_area(connection_, backPixmap_, window_, gc_, std::int16_t(x), std::int16_t(y), std::int16_t(x),
                  std::int16_t(y), std::uint16_t(w), std::uint16_t(h));
}

void X11Window::setSize(int width, int height) {
    if (width == width_ && height == height_) return;
    width_ = width;
    height_ = height;
    if (!connected()) return;
    const std::uint32_t size[] = {std::uint32_t(width), std::uint32_t(height)};
    xcb_configure_window(connection_, window_, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
    freeBackBuffer();
    makeBackBuffer();
    invalidate(CRect::fromSize(0, 0, width, height));
    xcb_flush(connection_);
}

// Mouse and keys

void X11Window::buttonPress(const xcb_button_press_event_t& e) {
    const CPoint where{double(e.event_x), double(e.event_y)};
    const std::uint32_t state = heldButtons(e.state) | modifiers(e.state);
    if (isWheel(e.detail)) {
        const double notches = (e.detail == 4 || e.detail == 6) ? 1 : -1;
        listener_.platformMouseWheel(where, notches, state);
        return;
    }
    const std::uint32_t button = buttonBit(e.detail);
    if (!button) return;
    // The second press of the same button, soon and near the first; a third
    // press starts over.
    const bool doubleClick = !lastPressWasDouble_ && e.detail == lastPressButton_ &&
                             e.time - lastPressTime_ <= kDoubleClickMs &&
                             std::abs(e.event_x - lastPressX_) <= kDoubleClickDistance &&
                             std::abs(e.event_y - lastPressY_) <= kDoubleClickDistance;
    lastPressWasDouble_ = doubleClick;
    lastPressButton_ = e.detail;
    lastPressTime_ = e.time;
    lastPressX_ = e.event_x;
    lastPressY_ = e.event_y;
    listener_.platformMouseDown(where, state | button | (doubleClick ? std::uint32_t(kDoubleClick) : 0u));
}

void X11Window::buttonRelease(const xcb_button_release_event_t& e) {
    const std::uint32_t button = buttonBit(e.detail);
    if (!button) return;  // the wheel's releases
    listener_.platformMouseUp({double(e.event_x), double(e.event_y)}, button | modifiers(e.state));
}

void X11Window::key(const xcb_key_press_event_t& e, bool down) {
    const bool shift = e.state & XCB_MOD_MASK_SHIFT;
    const bool capsLock = e.state & XCB_MOD_MASK_LOCK;
    const bool numLock = e.state & XCB_MOD_MASK_2;
    int column = shift ? 1 : 0;
    if (numLock && isKeypad(xcb_key_symbols_get_keysym(keySymbols_, e.detail, 1))) column ^= 1;
    xcb_keysym_t sym = xcb_key_symbols_get_keysym(keySymbols_, e.detail, column);
    if (!sym) sym = xcb_key_symbols_get_keysym(keySymbols_, e.detail, 0);
    if (capsLock && !shift && isLowerLetter(sym)) {
        if (const xcb_keysym_t upper = xcb_key_symbols_get_keysym(keySymbols_, e.detail, 1)) sym = upper;
    }
    KeyEvent k;
    k.character = characterOf(sym);
    k.key = namedKeyOf(sym);
    k.modifiers = modifiers(e.state);
    if (!k.character && k.key == VirtualKey::None) return;  // modifier keys, function keys
    if (down)
        listener_.platformKeyDown(k);
    else
        listener_.platformKeyUp(k);
}

void X11Window::setCursor(CursorType cursor) {
    const auto index = std::size_t(cursor);
    if (!connected() || !alive_ || index >= cursors_.size()) return;
    if (!cursors_[index]) {
        cursors_[index] = xcb_generate_id(connection_);
        const std::uint16_t glyph = kCursorGlyphs[index];
        xcb_create_glyph_cursor(connection_, cursors_[index], cursorFont_, cursorFont_, glyph, glyph + 1, 0, 0, 0,
                                0xffff, 0xffff, 0xffff);
    }
    xcb_change_window_attributes(connection_, window_, XCB_CW_CURSOR, &cursors_[index]);
    xcb_flush(connection_);
}

void X11Window::setKeyboardFocus(bool wanted) {
    if (wanted == focusWanted_ || !connected() || !alive_) return;
    focusWanted_ = wanted;
    xcb_get_input_focus_reply_t* focus =
        xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr);
    const xcb_window_t current = focus ? focus->focus : XCB_NONE;
    std::free(focus);
    if (wanted) {
        focusBefore_ = current;
        xcb_set_input_focus(connection_, XCB_INPUT_FOCUS_PARENT, window_, XCB_CURRENT_TIME);
    } else if (current == window_) {
        // Back to where it was; to the parent if that window is gone.
        xcb_set_input_focus(connection_, XCB_INPUT_FOCUS_PARENT, focusBefore_ ? focusBefore_ : parent_,
                            XCB_CURRENT_TIME);
    }
    xcb_flush(connection_);
}

// Selections: the clipboard and the drop data

std::string X11Window::takeProperty(xcb_atom_t property) {
    std::string bytes;
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection_, xcb_get_property(connection_, 1, window_, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1u << 24),
        nullptr);
    if (reply && reply->format == 8)
        bytes.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                     std::size_t(xcb_get_property_value_length(reply)));
    std::free(reply);
    return bytes;
}

void X11Window::setClipboardText(const std::string& text) {
    clipboard_ = text;
    ownsClipboard_ = true;
    if (!connected()) return;
    xcb_set_selection_owner(connection_, window_, atoms_[kClipboard], XCB_CURRENT_TIME);
    xcb_flush(connection_);
}

std::string X11Window::clipboardText() {
    if (!connected()) return ownsClipboard_ ? clipboard_ : std::string();
    xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
        connection_, xcb_get_selection_owner(connection_, atoms_[kClipboard]), nullptr);
    const xcb_window_t ownerWindow = owner ? owner->owner : XCB_NONE;
    std::free(owner);
    if (ownerWindow == XCB_NONE) return {};
    if (ownerWindow == window_) return clipboard_;

    clipboardReply_.reset();
    xcb_convert_selection(connection_, window_, atoms_[kClipboard], atoms_[kUtf8String],
                          atoms_[kClipboardProperty], XCB_CURRENT_TIME);
    xcb_flush(connection_);
    // Wait for the owner's answer, but not for long: the owner may hang. Other
    // events wait for the next pump so no view is called from in here.
    const auto deadline = Clock::now() + kClipboardWait;
    while (!clipboardReply_ && connected()) {
        while (xcb_generic_event_t* e = xcb_poll_for_event(connection_)) {
            const int type = e->response_type & 0x7f;
            if (type == XCB_SELECTION_NOTIFY || type == XCB_SELECTION_REQUEST) {
                handle(e);
                std::free(e);
            } else {
                deferred_.push_back(e);
            }
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (clipboardReply_ || left <= 0) break;
        pollfd fd{xcb_get_file_descriptor(connection_), POLLIN, 0};
        poll(&fd, 1, int(left));
    }
    std::string text = clipboardReply_.value_or(std::string());
    clipboardReply_.reset();
    return text;
}

void X11Window::answerSelectionRequest(const xcb_selection_request_event_t& r) {
    // Old clients leave the property out and mean the target.
    const xcb_atom_t property = r.property ? r.property : r.target;
    bool answered = false;
    if (r.selection == atoms_[kClipboard] && ownsClipboard_) {
        if (r.target == atoms_[kTargets]) {
            const xcb_atom_t targets[] = {atoms_[kTargets], atoms_[kUtf8String], atoms_[kTextUtf8]};
            xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, r.requestor, property, XCB_ATOM_ATOM, 32, 3,
                                targets);
            answered = true;
        } else if (r.target == atoms_[kUtf8String] || r.target == atoms_[kTextUtf8]) {
            xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, r.requestor, property, r.target, 8,
                                std::uint32_t(clipboard_.size()), clipboard_.data());
            answered = true;
        }
    }
    xcb_selection_notify_event_t n{};
    n.response_type = XCB_SELECTION_NOTIFY;
    n.time = r.time;
    n.requestor = r.requestor;
    n.selection = r.selection;
    n.target = r.target;
    n.property = answered ? property : xcb_atom_t(XCB_NONE);
    xcb_send_event(connection_, 0, r.requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&n));
    xcb_flush(connection_);
}

void X11Window::selectionArrived(const xcb_selection_notify_event_t& e) {
    if (e.requestor != window_) return;
    const std::string bytes = e.property ? takeProperty(e.property) : std::string();
    if (e.selection == atoms_[kClipboard])
        clipboardReply_ = bytes;
    else if (e.selection == atoms_[kXdndSelection])
        finishDrop(bytes);
}

// Drag and drop (XDND version 5, as the target)

void X11Window::sendToDropSource(xcb_atom_t type, std::array<std::uint32_t, 4> data) {
    xcb_client_message_event_t m{};
    m.response_type = XCB_CLIENT_MESSAGE;
    m.format = 32;
    m.window = dropSource_;
    m.type = type;
    m.data.data32[0] = window_;
    for (int i = 0; i < 4; ++i) m.data.data32[i + 1] = data[std::size_t(i)];
    xcb_send_event(connection_, 0, dropSource_, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&m));
    xcb_flush(connection_);
}

void X11Window::clientMessage(const xcb_client_message_event_t& m) {
    const std::uint32_t* d = m.data.data32;
    if (m.type == atoms_[kXdndEnter]) {
        dropSource_ = d[0];
        dropAccepted_ = false;
        std::vector<xcb_atom_t> types(d + 2, d + 5);
        if (d[1] & 1) {  // more than three types: the full list is on the source window
            xcb_get_property_reply_t* list = xcb_get_property_reply(
                connection_,
                xcb_get_property(connection_, 0, dropSource_, atoms_[kXdndTypeList], XCB_ATOM_ATOM, 0, 1024),
                nullptr);
            if (list && list->format == 32) {
                const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(list));
                types.assign(atoms, atoms + xcb_get_property_value_length(list) / 4);
            }
            std::free(list);
        }
        // Files first, then text.
        dropType_ = XCB_NONE;
        for (Atom preferred : {kUriList, kTextUtf8, kUtf8String, kTextPlain}) {
            for (xcb_atom_t t : types)
                if (t == atoms_[preferred] && dropType_ == XCB_NONE) dropType_ = t;
        }
    } else if (m.type == atoms_[kXdndPosition] && d[0] == dropSource_) {
        xcb_translate_coordinates_reply_t* local = xcb_translate_coordinates_reply(
            connection_,
            xcb_translate_coordinates(connection_, screen_->root, window_, std::int16_t(d[2] >> 16),
                                      std::int16_t(d[2] & 0xffff)),
            nullptr);
        if (local) dropWhere_ = {double(local->dst_x), double(local->dst_y)};
        std::free(local);
        const auto kind = dropType_ == atoms_[kUriList] ? DropData::Kind::Files : DropData::Kind::Text;
        dropAccepted_ = dropType_ != XCB_NONE && local && listener_.platformDragOver(dropWhere_, kind);
        // Bit 1: send every position, we have no rectangle to skip.
        sendToDropSource(atoms_[kXdndStatus], {dropAccepted_ ? 3u : 2u, 0, 0,
                                               dropAccepted_ ? atoms_[kXdndActionCopy] : xcb_atom_t(XCB_NONE)});
    } else if (m.type == atoms_[kXdndLeave] && d[0] == dropSource_) {
        dropSource_ = XCB_NONE;
    } else if (m.type == atoms_[kXdndDrop] && d[0] == dropSource_) {
        if (dropAccepted_)
            xcb_convert_selection(connection_, window_, atoms_[kXdndSelection], dropType_, atoms_[kDropProperty],
                                  d[2]);
        else
            finishDrop({});
    }
}

void X11Window::finishDrop(const std::string& bytes) {
    if (dropSource_ == XCB_NONE) return;
    DropData data;
    if (dropAccepted_ && dropType_ == atoms_[kUriList]) {
        data.kind = DropData::Kind::Files;
        data.items = pathsFromUriList(bytes);
    } else if (dropAccepted_ && !bytes.empty()) {
        data.kind = DropData::Kind::Text;
        data.items = {bytes};
    }
    const bool taken = !data.items.empty() && listener_.platformDrop(dropWhere_, data);
    sendToDropSource(atoms_[kXdndFinished], {taken ? 1u : 0u, taken ? atoms_[kXdndActionCopy] : xcb_atom_t(XCB_NONE), 0, 0});
    dropSource_ = XCB_NONE;
    dropAccepted_ = false;
}

}  // namespace gui
