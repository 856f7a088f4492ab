// Input events as the window layer hands them to the frame: mouse buttons
// and modifier keys as one bit set, keys as a character or a named key,
// dropped data as a list of paths or a text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gui {

// Buttons and modifiers of a mouse or key event.
enum Buttons : std::uint32_t {
    kLButton = 1u << 0,
    kMButton = 1u << 1,
    kRButton = 1u << 2,
    kShift = 1u << 3,
    kControl = 1u << 4,
    kAlt = 1u << 5,
    kDoubleClick = 1u << 6,
};

// What a mouse handler tells the frame.
enum class MouseResult {
    NotHandled,  // the event goes on to the views below
    Handled,     // consumed; no capture
    Capture,     // consumed, and moves/ups go to this view until the button is released
};

enum class VirtualKey : std::uint8_t {
    None,
    Back,
    Tab,
    Return,
    Escape,
    Space,
    End,
    Home,
    Left,
    Up,
    Right,
    Down,
    PageUp,
    PageDown,
    Insert,
    Delete,
};

struct KeyEvent {
    char32_t character = 0;  // the typed character, 0 for a named key
    VirtualKey key = VirtualKey::None;
    std::uint32_t modifiers = 0;  // kShift, kControl, kAlt
};

enum class CursorType : std::uint8_t { Default, Hand, VerticalSize, HorizontalSize, Text, Copy, NotAllowed };

// Data dropped onto a view: file paths (native separators) or a text.
struct DropData {
    enum class Kind : std::uint8_t { Files, Text } kind = Kind::Files;
    std::vector<std::string> items;  // one path per entry, or one text
};

}  // namespace gui
