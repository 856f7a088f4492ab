// The xcb window under Xvfb, driven as a person would: xdotool moves the
// real pointer and presses real keys; what the window reports is recorded.
#include <poll.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include "XTestRig.h"

using namespace gui;
using namespace calverine::test;
using namespace std::chrono_literals;

namespace {

constexpr CColor kRed{255, 0, 0, 255};
constexpr CColor kBlue{0, 0, 255, 255};

class Window : public XTest {};
class Mouse : public XTest {};
class Clipboard : public XTest {};

class Keys : public XTest {
protected:
    // Puts each keysym on a keycode that has none.
    void addKeysToLayout(std::vector<xcb_keysym_t> symbols) {
        const xcb_setup_t* setup = xcb_get_setup(c_);
        const int count = setup->max_keycode - setup->min_keycode + 1;
        auto* map = xcb_get_keyboard_mapping_reply(
            c_, xcb_get_keyboard_mapping(c_, setup->min_keycode, std::uint8_t(count)), nullptr);
        ASSERT_NE(map, nullptr);
        const int perCode = map->keysyms_per_keycode;
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map);
        for (int code = count - 1; code > 0 && !symbols.empty(); --code) {
            if (std::any_of(syms + code * perCode, syms + (code + 1) * perCode, [](xcb_keysym_t s) { return s; }))
                continue;
            std::vector<xcb_keysym_t> column(std::size_t(perCode), symbols.back());
            xcb_change_keyboard_mapping(c_, 1, xcb_keycode_t(setup->min_keycode + code), std::uint8_t(perCode),
                                        column.data());
            symbols.pop_back();
        }
        std::free(map);
        EXPECT_TRUE(symbols.empty()) << "no free keycodes";
        std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
    }
};

std::string at(const PlatformWindow& w, int x, int y) {
    return "mousemove --window " +
           std::to_string(reinterpret_cast<std::uintptr_t>(w.nativeHandle())) + " " + std::to_string(x) + " " +
           std::to_string(y);
}

}  // namespace

TEST_F(Window, IsAMappedEmbeddableDropTargetInsideTheParent) {
    auto window = open();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(children(parent_), std::vector<xcb_window_t>{id(*window)});

    auto* attributes = xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, id(*window)), nullptr);
    ASSERT_NE(attributes, nullptr);
    EXPECT_EQ(attributes->map_state, XCB_MAP_STATE_VIEWABLE);
    std::free(attributes);

    auto property = [&](const char* name) {
        std::vector<std::uint32_t> values;
        auto* r = xcb_get_property_reply(
            c_, xcb_get_property(c_, 0, id(*window), atom(name), XCB_GET_PROPERTY_TYPE_ANY, 0, 16), nullptr);
        if (r && r->format == 32) {
            auto* v = static_cast<std::uint32_t*>(xcb_get_property_value(r));
            values.assign(v, v + xcb_get_property_value_length(r) / 4);
        }
        std::free(r);
        return values;
    };
    EXPECT_EQ(property("_XEMBED_INFO"), (std::vector<std::uint32_t>{0, 1}));  // version 0, mapped
    EXPECT_EQ(property("XdndAware"), std::vector<std::uint32_t>{5});

    std::string error;
    EXPECT_EQ(PlatformWindow::create(reinterpret_cast<void*>(std::uintptr_t(0x7ffffff)), 10, 10, listener_, &error),
              nullptr);
    EXPECT_FALSE(error.empty());
}

TEST_F(Window, DrawsDirtyRegionsToTheScreenAtMostThirtyTimesASecond) {
    auto window = open();
    ASSERT_NE(window, nullptr);
    const xcb_window_t w = id(*window);
    EXPECT_EQ(listener_.drawn.front(), CRect::fromSize(0, 0, 200, 150));
    EXPECT_TRUE(pumpUntil(*window, [&] { return pixel(w, 100, 75) == kRed; }));

    // Only the dirty part is drawn again.
    listener_.paint = kBlue;
    listener_.drawn.clear();
    window->invalidate({10.5, 20, 30, 40.25});
    EXPECT_TRUE(pumpUntil(*window, [&] { return pixel(w, 20, 30) == kBlue; }));
    EXPECT_EQ(listener_.drawn, std::vector<CRect>{CRect(10, 20, 30, 41)});
    EXPECT_EQ(pixel(w, 100, 75), kRed);
    EXPECT_EQ(pixel(w, 9, 30), kRed);

    // A view that asks for a redraw on every pump gets about 30 frames a second.
    listener_.drawn.clear();
    const auto end = std::chrono::steady_clock::now() + 400ms;
    while (std::chrono::steady_clock::now() < end) {
        window->invalidate({0, 0, 5, 5});
        window->pump();
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_GE(listener_.drawn.size(), 6u);
    EXPECT_LE(listener_.drawn.size(), 14u);
}

TEST_F(Window, SetSizeResizesAndRedrawsWithoutWaitingForTheServer) {
    auto window = open();
    ASSERT_NE(window, nullptr);
    window->setSize(320, 240);
    auto* geometry = xcb_get_geometry_reply(c_, xcb_get_geometry(c_, id(*window)), nullptr);
    ASSERT_NE(geometry, nullptr);
    EXPECT_EQ(geometry->width, 320);
    EXPECT_EQ(geometry->height, 240);
    std::free(geometry);
    listener_.drawn.clear();
    EXPECT_TRUE(pumpUntil(*window, [&] { return pixel(id(*window), 310, 230) == kRed; }));
    EXPECT_EQ(listener_.drawn.front(), CRect::fromSize(0, 0, 320, 240));
}

TEST_F(Window, ClockTicksAboutThirtyTimesASecondWhilePumped) {
    auto window = open();
    ASSERT_NE(window, nullptr);
    listener_.ticks = 0;
    const auto end = std::chrono::steady_clock::now() + 500ms;
    while (std::chrono::steady_clock::now() < end) {
        window->pump();
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_GE(listener_.ticks, 9);
    EXPECT_LE(listener_.ticks, 16);
}

TEST_F(Window, OpeningAndClosingAHundredTimesLeavesNoWindowBehind) {
    auto openFiles = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), std::filesystem::directory_iterator());
    };
    const auto filesBefore = openFiles();
    for (int i = 0; i < 100; ++i) {
        auto window = PlatformWindow::create(reinterpret_cast<void*>(std::uintptr_t(parent_)), 120, 80, listener_);
        ASSERT_NE(window, nullptr);
        window->setCursor(CursorType(i % 7));
        window->invalidate({0, 0, 120, 80});
        window->pump();
    }
    EXPECT_TRUE(children(parent_).empty());
    EXPECT_EQ(openFiles(), filesBefore);  // every connection closed
}

TEST_F(Window, SurvivesAParentDestroyedBeforeItCloses) {
    for (bool pumpedAfter : {false, true}) {
        auto window = open();
        ASSERT_NE(window, nullptr);
        xcb_destroy_window(c_, parent_);
        std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
        if (pumpedAfter) {
            window->invalidate({0, 0, 10, 10});
            window->pump();
            window->setSize(50, 50);
            window->setCursor(CursorType::Hand);
            window->pump();
        }
        window.reset();
        parent_ = parentWindow();
    }
}

TEST_F(Mouse, ClicksAndDragsArriveWithPositionButtonsAndModifiers) {
    auto window = open();
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(xdotool(at(*window, 30, 40) + " click 1"), 0);
    ASSERT_TRUE(pumpUntil(*window, [&] { return listener_.of('u').size() == 1; }));
    EXPECT_EQ(listener_.of('d').at(0).where, (CPoint{30, 40}));
    EXPECT_EQ(listener_.of('d').at(0).buttons, kLButton);
    EXPECT_EQ(listener_.of('u').at(0).where, (CPoint{30, 40}));
    EXPECT_EQ(listener_.of('u').at(0).buttons, kLButton);

    listener_.mouse.clear();
    ASSERT_EQ(xdotool(at(*window, 60, 20) + " keydown shift keydown ctrl click 3 keyup ctrl keyup shift"), 0);
    ASSERT_TRUE(pumpUntil(*window, [&] { return listener_.of('u').size() == 1; }));
    EXPECT_EQ(listener_.of('d').at(0).buttons, kRButton | kShift | kControl);

    // A drag: moves carry the held button, the release lands where it ended.
    listener_.mouse.clear();
    ASSERT_EQ(xdotool(at(*window, 100, 100) + " mousedown 1 " + at(*window, 110, 70) + " " + at(*window, 150, 20) +
                      " mouseup 1"),
              0);
    ASSERT_TRUE(pumpUntil(*window, [&] { return listener_.of('u').size() == 1; }));
    const auto moves = listener_.of('m');
    ASSERT_GE(moves.size(), 2u);
    EXPECT_EQ(moves.back().where, (CPoint{150, 20}));
    EXPECT_EQ(moves.back().buttons, kLButton);
    EXPECT_EQ(listener_.of('u').at(0).where, (CPoint{150, 20}));
}

TEST_F(Mouse, DoubleClickNeedsTheSameButtonNearbyAndSoon) {
    auto window = open();
    ASSERT_NE(window, nullptr);
    auto downs = [&](const std::string& actions, std::size_t count) {
        listener_.mouse.clear();
        EXPECT_EQ(xdotool(actions), 0);
        EXPECT_TRUE(pumpUntil(*window, [&] { return listener_.of('d').size() == count; }));
        std::vector<bool> doubles;
        for (const auto& d : listener_.of('d')) doubles.push_back(d.buttons & kDoubleClick);
        return doubles;
    };
    // The third quick press starts a new click.
    EXPECT_EQ(downs(at(*window, 50, 50) + " click --repeat 3 --delay 40 1", 3),
              (std::vector<bool>{false, true, false}));
    EXPECT_EQ(downs(at(*window, 150, 50) + " click 1 " + at(*window, 160, 50) + " click 1", 2),
              (std::vector<bool>{false, false}));
    EXPECT_EQ(downs(at(*window, 50, 100) + " click 1 click 3", 2), (std::vector<bool>{false, false}));
    EXPECT_EQ(downs(at(*window, 100, 100) + " click --repeat 2 --delay 450 1", 2), (std::vector<bool>{false, false}));
}

TEST_F(Mouse, WheelGivesNotchesAndLeavingIsReported) {
    auto window = open();
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(xdotool(at(*window, 70, 80) + " click 4 click 5 click 5 keydown shift click 4 keyup shift"), 0);
    ASSERT_TRUE(pumpUntil(*window, [&] { return listener_.of('w').size() == 4; }));
    const auto wheel = listener_.of('w');
    EXPECT_EQ(wheel[0].notches, 1);
    EXPECT_EQ(wheel[1].notches, -1);
    EXPECT_EQ(wheel[0].where, (CPoint{70, 80}));
    EXPECT_EQ(wheel[3].buttons, kShift);
    EXPECT_TRUE(listener_.of('d').empty());
    EXPECT_TRUE(listener_.of('u').empty());

    ASSERT_EQ(xdotool("mousemove 900 900"), 0);
    EXPECT_TRUE(pumpUntil(*window, [&] { return listener_.exits == 1; }));
}

TEST_F(Keys, TypedKeysArriveAsCharactersAndNamedKeysWhileFocused) {
    auto window = open();
    ASSERT_NE(window, nullptr);
    window->setKeyboardFocus(true);
    auto focus = [&] {
        auto* r = xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr);
        const xcb_window_t f = r ? r->focus : XCB_NONE;
        std::free(r);
        return f;
    };
    EXPECT_EQ(focus(), id(*window));
    // Keys the layout lacks get a keycode of their own first: xdotool would
    // otherwise map them to a scratch keycode only while it types, and the
    // mapping is gone before any client reads it.
    addKeysToLayout({0xe4, 0x20ac});  // adiaeresis, EuroSign

    ASSERT_EQ(xdotool("key a shift+b Return Left ctrl+c space adiaeresis EuroSign shift+Tab Delete"), 0);
    ASSERT_TRUE(pumpUntil(*window, [&] { return listener_.keysUp.size() == 10; }));
    const auto& k = listener_.keysDown;
    ASSERT_EQ(k.size(), 10u);
    EXPECT_EQ(k[0].character, U'a');
    EXPECT_EQ(k[1].character, U'B');
    EXPECT_EQ(k[1].modifiers, kShift);
    EXPECT_EQ(k[2].key, VirtualKey::Return);
    EXPECT_EQ(k[2].character, 0u);
    EXPECT_EQ(k[3].key, VirtualKey::Left);
    EXPECT_EQ(k[4].character, U'c');
    EXPECT_EQ(k[4].modifiers, kControl);
    EXPECT_EQ(k[5].key, VirtualKey::Space);
    EXPECT_EQ(k[5].character, U' ');
    EXPECT_EQ(k[6].character, U'ä');
    EXPECT_EQ(k[7].character, U'€');
    EXPECT_EQ(k[8].key, VirtualKey::Tab);
    EXPECT_EQ(k[8].modifiers, kShift);
    EXPECT_EQ(k[9].key, VirtualKey::Delete);
    EXPECT_EQ(listener_.keysUp[0].character, U'a');

    window->setKeyboardFocus(false);
    EXPECT_NE(focus(), id(*window));
}

TEST_F(Clipboard, TextGoesBothWaysWithAnotherClient) {
    auto window = open();
    ASSERT_NE(window, nullptr);
    const xcb_atom_t clipboard = atom("CLIPBOARD"), utf8 = atom("UTF8_STRING"), prop = atom("TEST_PROP");

    // Ours, read by another client.
    window->setClipboardText("Grüße, 42 %");
    const xcb_window_t reader = parentWindow(10, 10);
    // Requests from two connections may reach the server in either order.
    auto owner = [&] {
        auto* r = xcb_get_selection_owner_reply(c_, xcb_get_selection_owner(c_, clipboard), nullptr);
        const xcb_window_t w = r ? r->owner : XCB_NONE;
        std::free(r);
        return w;
    };
    ASSERT_TRUE(pumpUntil(*window, [&] { return owner() == id(*window); }));
    auto convert = [&](xcb_atom_t target) {
        xcb_convert_selection(c_, reader, clipboard, target, prop, XCB_CURRENT_TIME);
        xcb_flush(c_);
        xcb_generic_event_t* answer = nullptr;
        pumpUntil(*window, [&] {
            while (!answer && (answer = xcb_poll_for_event(c_)) && (answer->response_type & 0x7f) != XCB_SELECTION_NOTIFY) {
                std::free(answer);
                answer = nullptr;
            }
            return answer != nullptr;
        });
        std::free(answer);
        std::string bytes;
        auto* r = xcb_get_property_reply(c_, xcb_get_property(c_, 1, reader, prop, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024),
                                         nullptr);
        if (r) bytes.assign(static_cast<char*>(xcb_get_property_value(r)), xcb_get_property_value_length(r));
        std::free(r);
        return bytes;
    };
    EXPECT_EQ(convert(utf8), "Grüße, 42 %");
    const std::string targets = convert(atom("TARGETS"));
    ASSERT_EQ(targets.size() % 4, 0u);
    std::vector<xcb_atom_t> list(targets.size() / 4);
    std::memcpy(list.data(), targets.data(), targets.size());
    EXPECT_NE(std::find(list.begin(), list.end(), utf8), list.end());

    // Another client's, read by us while that client answers on its own
    // thread (and stays connected until we have it).
    std::atomic<bool> done{false};
    std::thread other([&] {
        xcb_connection_t* c = xcb_connect(nullptr, nullptr);
        const xcb_window_t w = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen_->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                          XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_set_selection_owner(c, w, clipboard, XCB_CURRENT_TIME);
        xcb_flush(c);
        const auto deadline = std::chrono::steady_clock::now() + 2s;
        while (!done && std::chrono::steady_clock::now() < deadline) {
            pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
            poll(&fd, 1, 20);
            while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
                if ((e->response_type & 0x7f) == XCB_SELECTION_REQUEST)
                    answerSelectionRequest(c, *reinterpret_cast<xcb_selection_request_event_t*>(e), "from elsewhere");
                std::free(e);
            }
        }
        xcb_disconnect(c);
    });
    EXPECT_TRUE(pumpUntil(*window, [&] { return window->clipboardText() == "from elsewhere"; }));
    done = true;
    other.join();

    window->setClipboardText("mine again");
    EXPECT_EQ(window->clipboardText(), "mine again");
}
