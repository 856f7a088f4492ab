// A private X server for the window tests: Xvfb on a display number it picks
// itself (-displayfd), started once per test program, plus a fixture with
// its own connection, a mapped parent window and a listener that records
// what the window reports.
#pragma once

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DrawContext.h"
#include "PlatformWindow.h"

namespace calverine::test {

// True once Xvfb runs and DISPLAY names it.
bool xServerRunning();

// Runs `xdotool <arguments>` on the test display; its exit status.
int xdotool(const std::string& arguments);

// Answers a selection owner's request with `data` in the requested type.
void answerSelectionRequest(xcb_connection_t* c, const xcb_selection_request_event_t& r, const std::string& data);

struct Recorder : gui::WindowListener {
    struct Mouse {
        char kind;  // 'd'own, 'm'ove, 'u'p, 'w'heel
        gui::CPoint where;
        std::uint32_t buttons;
        double notches = 0;
    };
    std::vector<Mouse> mouse;
    int exits = 0;
    std::vector<gui::KeyEvent> keysDown, keysUp;
    std::vector<gui::CRect> drawn;
    gui::CColor paint{255, 0, 0, 255};
    int ticks = 0;
    bool acceptDrag = true;
    std::vector<std::pair<gui::CPoint, gui::DropData::Kind>> dragOvers;
    std::vector<std::pair<gui::CPoint, gui::DropData>> drops;

    std::vector<Mouse> of(char kind) const;

    void platformDraw(gui::CDrawContext& context, const gui::CRect& dirty) override {
        drawn.push_back(dirty);
        context.setFillColor(paint);
        context.drawRect(dirty);
    }
    void platformMouseDown(gui::CPoint p, std::uint32_t b) override { mouse.push_back({'d', p, b}); }
    void platformMouseMoved(gui::CPoint p, std::uint32_t b) override { mouse.push_back({'m', p, b}); }
    void platformMouseUp(gui::CPoint p, std::uint32_t b) override { mouse.push_back({'u', p, b}); }
    void platformMouseExited() override { ++exits; }
    bool platformMouseWheel(gui::CPoint p, double n, std::uint32_t b) override { return mouse.push_back({'w', p, b, n}), true; }
    bool platformKeyDown(const gui::KeyEvent& k) override { return keysDown.push_back(k), true; }
    bool platformKeyUp(const gui::KeyEvent& k) override { return keysUp.push_back(k), true; }
    bool platformDragOver(gui::CPoint p, gui::DropData::Kind kind) override {
        return dragOvers.push_back({p, kind}), acceptDrag;
    }
    bool platformDrop(gui::CPoint p, const gui::DropData& data) override { return drops.push_back({p, data}), true; }
    void platformTick() override { ++ticks; }
};

class XTest : public ::testing::Test {
protected:
    // Where the parent sits on the root window.
    static constexpr int kParentX = 50;
    static constexpr int kParentY = 40;

    void SetUp() override;
    void TearDown() override;

    // A window in the parent, pumped until its first frame is drawn.
    std::unique_ptr<gui::PlatformWindow> open(int width = 200, int height = 150);
    // Pumps `window` until `done` holds, for at most `timeout`.
    bool pumpUntil(gui::PlatformWindow& window, const std::function<bool()>& done,
                   std::chrono::milliseconds timeout = std::chrono::milliseconds(3000));

    xcb_window_t parentWindow(int width = 400, int height = 300);
    xcb_atom_t atom(const char* name);
    std::vector<xcb_window_t> children(xcb_window_t window);
    gui::CColor pixel(xcb_window_t window, int x, int y);
    static xcb_window_t id(const gui::PlatformWindow& w) {
        return xcb_window_t(reinterpret_cast<std::uintptr_t>(w.nativeHandle()));
    }

    xcb_connection_t* c_ = nullptr;
    xcb_screen_t* screen_ = nullptr;
    xcb_window_t parent_ = 0;
    Recorder listener_;
};

}  // namespace calverine::test
