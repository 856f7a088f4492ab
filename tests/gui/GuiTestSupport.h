// Shared pieces of the toolkit tests: a listener that records what controls
// report, a window that records what the frame asks of it, and mouse
// gestures fed through the frame's window interface.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CControl.h"
#include "CFrame.h"

namespace guitest {

using namespace gui;

struct Recorder : IControlListener {
    std::vector<std::string> events;  // "begin 3", "change 3", "end 3"
    std::vector<float> values;        // one per change

    void valueChanged(CControl* c) override {
        events.push_back("change " + std::to_string(c->getTag()));
        values.push_back(c->getValue());
    }
    void beginEdit(int tag) override { events.push_back("begin " + std::to_string(tag)); }
    void endEdit(int tag) override { events.push_back("end " + std::to_string(tag)); }

    // Every change lies inside a begin/end pair and pairs do not nest;
    // returns the number of pairs.
    int balancedPairs() const {
        int pairs = 0;
        bool open = false;
        for (const std::string& e : events) {
            if (e.starts_with("begin")) {
                EXPECT_FALSE(open) << "nested begin";
                open = true;
            } else if (e.starts_with("end")) {
                EXPECT_TRUE(open) << "end without begin";
                open = false;
                ++pairs;
            } else {
                EXPECT_TRUE(open) << "change outside an edit";
            }
        }
        EXPECT_FALSE(open) << "edit left open";
        return pairs;
    }
};

struct FakeWindow : PlatformWindow {
    std::vector<CRect> invalidated;
    CursorType cursor = CursorType::Default;
    bool focus = false;
    std::string clipboard;

    void pump() override {}
    void invalidate(const CRect& r) override { invalidated.push_back(r); }
    void setSize(int, int) override {}
    void setCursor(CursorType c) override { cursor = c; }
    void setKeyboardFocus(bool wanted) override { focus = wanted; }
    std::string clipboardText() override { return clipboard; }
    void setClipboardText(const std::string& text) override { clipboard = text; }
    void* nativeHandle() const override { return nullptr; }
};

inline void click(CFrame& f, CPoint p, std::uint32_t buttons = kLButton) {
    f.platformMouseDown(p, buttons);
    f.platformMouseUp(p, buttons);
}

// Presses at `from`, moves in `steps` equal steps to `to`, releases.
inline void drag(CFrame& f, CPoint from, CPoint to, std::uint32_t buttons = kLButton, int steps = 8) {
    f.platformMouseDown(from, buttons);
    for (int i = 1; i <= steps; ++i)
        f.platformMouseMoved(from + CPoint{(to.x - from.x) * i / steps, (to.y - from.y) * i / steps}, buttons);
    f.platformMouseUp(to, buttons);
}

inline KeyEvent key(VirtualKey k, std::uint32_t modifiers = 0) {
    return KeyEvent{0, k, modifiers};
}
inline KeyEvent character(char32_t c, std::uint32_t modifiers = 0) {
    return KeyEvent{c, VirtualKey::None, modifiers};
}

// Pixels of `image` inside `r` that differ from `other`.
inline int changedPixels(const COffscreenContext& image, const COffscreenContext& other, const CRect& r) {
    int n = 0;
    for (int y = int(r.top); y < int(r.bottom); ++y)
        for (int x = int(r.left); x < int(r.right); ++x) n += !(image.pixel(x, y) == other.pixel(x, y));
    return n;
}

// Pixels of `image` inside `r` close to `c` (each channel within 40).
inline int pixelsNear(const COffscreenContext& image, CColor c, const CRect& r) {
    int n = 0;
    for (int y = int(r.top); y < int(r.bottom); ++y)
        for (int x = int(r.left); x < int(r.right); ++x) {
            const CColor p = image.pixel(x, y);
            n += std::abs(p.red - c.red) < 40 && std::abs(p.green - c.green) < 40 && std::abs(p.blue - c.blue) < 40;
        }
    return n;
}

}  // namespace guitest
