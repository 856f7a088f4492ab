// The view tree and the frame: drawing order and clipping, hit testing,
// capture and hover, dirty regions, timers, the modal message box, drops,
// keyboard focus and the clipboard.
#include <gtest/gtest.h>

#include "CFrame.h"
#include "CMessageBox.h"
#include "CTimer.h"
#include "GuiTestSupport.h"

using namespace gui;
using namespace guitest;

namespace {

constexpr CColor kRed{255, 0, 0, 255};
constexpr CColor kGreen{0, 255, 0, 255};
constexpr CColor kBlue{0, 0, 255, 255};

// Paints its colour over a rectangle larger than itself (the clip must
// hold it in) and records the mouse events it gets.
struct Probe : CView {
    CColor color;
    MouseResult answer = MouseResult::Handled;
    std::vector<std::string> log;
    CPoint lastWhere;
    int draws = 0;
    DropData::Kind accepts = DropData::Kind::Files;
    bool acceptsDrops = false;
    std::vector<std::string> dropped;

    Probe(const CRect& r, CColor c) : CView(r), color(c) {}
    void draw(CDrawContext& dc) override {
        ++draws;
        dc.setFillColor(color);
        dc.drawRect(localBounds().inset(-20, -20));
    }
    MouseResult onMouseDown(CPoint p, std::uint32_t) override { return note("down", p), answer; }
    MouseResult onMouseMoved(CPoint p, std::uint32_t) override {
        return note("moved", p), answer == MouseResult::NotHandled ? answer : MouseResult::Handled;
    }
    MouseResult onMouseUp(CPoint p, std::uint32_t) override { return note("up", p), MouseResult::Handled; }
    void onMouseEntered() override { log.push_back("entered"); }
    void onMouseExited() override { log.push_back("exited"); }
    bool onDragOver(CPoint, DropData::Kind k) override { return acceptsDrops && k == accepts; }
    bool onDrop(CPoint, const DropData& d) override { return dropped = d.items, true; }
    void note(const char* what, CPoint p) { log.push_back(what), lastWhere = p; }
};

}  // namespace

TEST(ViewTree, ChildrenDrawInOrderTranslatedClippedAndDimmed) {
    CFrame frame(100, 80);
    frame.setBackgroundColor(kBlue);
    auto* lower = frame.add<Probe>(CRect{10, 10, 50, 50}, kRed);
    auto* upper = frame.add<Probe>(CRect{30, 30, 70, 70}, kGreen);
    auto* hidden = frame.add<Probe>(CRect{0, 0, 100, 80}, kRed);
    hidden->setVisible(false);
    auto image = frame.renderOffscreen();
    EXPECT_EQ(image->pixel(15, 15), kRed);
    EXPECT_EQ(image->pixel(40, 40), kGreen);  // the later child lies on top
    EXPECT_EQ(image->pixel(5, 5), kBlue);     // each child stays inside its rectangle
    EXPECT_EQ(image->pixel(75, 75), kBlue);
    EXPECT_EQ(hidden->draws, 0);

    upper->setAlphaValue(0.5f);
    lower->setVisible(false);
    image = frame.renderOffscreen();
    const CColor half = image->pixel(40, 40);
    EXPECT_NEAR(half.green, 128, 2);
    EXPECT_NEAR(half.blue, 127, 2);
    EXPECT_EQ(image->pixel(15, 15), kBlue);
}

TEST(ViewTree, EventsReachTheTopMostViewThatWantsThemInLocalCoordinates) {
    CFrame frame(200, 100);
    auto* box = frame.add<CViewContainer>(CRect{20, 10, 120, 90});
    auto* lower = box->add<Probe>(CRect{10, 10, 60, 60}, kRed);
    auto* upper = box->add<Probe>(CRect{40, 40, 90, 80}, kGreen);

    click(frame, {70, 60});  // inside both: the upper one, at (10, 10) of its own
    EXPECT_NE(std::find(upper->log.begin(), upper->log.end(), "down"), upper->log.end());
    EXPECT_EQ(upper->lastWhere, (CPoint{10, 10}));
    EXPECT_EQ(std::count(lower->log.begin(), lower->log.end(), "down"), 0);

    // A view that does not handle the click passes it to the one below;
    // invisible and mouse-disabled views are not asked.
    for (auto answer : {0, 1, 2}) {
        upper->log.clear();
        lower->log.clear();
        upper->answer = answer == 0 ? MouseResult::NotHandled : MouseResult::Handled;
        upper->setVisible(answer != 1);
        upper->setMouseEnabled(answer != 2);
        frame.platformMouseDown({70, 60}, kLButton);
        frame.platformMouseUp({70, 60}, kLButton);
        EXPECT_EQ(std::count(lower->log.begin(), lower->log.end(), "down"), 1) << answer;
        EXPECT_EQ(lower->lastWhere, (CPoint{40, 40})) << answer;
    }
    // Nothing under the point: nobody hears it.
    lower->log.clear();
    click(frame, {150, 50});
    EXPECT_EQ(std::count(lower->log.begin(), lower->log.end(), "down"), 0);
}

TEST(ViewTree, CaptureFollowsTheDragAndHoverSetsCursor) {
    CFrame frame(200, 100);
    auto window = std::make_unique<FakeWindow>();
    FakeWindow* fake = window.get();
    frame.attach(std::move(window));
    auto* a = frame.add<Probe>(CRect{0, 0, 50, 50}, kRed);
    auto* b = frame.add<Probe>(CRect{100, 0, 150, 50}, kGreen);
    a->setCursor(CursorType::VerticalSize);
    a->answer = MouseResult::Capture;

    frame.platformMouseMoved({10, 10}, 0);
    EXPECT_EQ(frame.getHoverView(), a);
    EXPECT_EQ(fake->cursor, CursorType::VerticalSize);
    frame.platformMouseDown({10, 10}, kLButton);
    frame.platformMouseMoved({120, 300}, kLButton);  // far outside: still a's
    EXPECT_EQ(a->log.back(), "moved");
    EXPECT_EQ(a->lastWhere, (CPoint{120, 300}));
    EXPECT_TRUE(b->log.empty());
    frame.platformMouseUp({120, 20}, kLButton);
    EXPECT_EQ(a->log.back(), "exited");  // the release ends over b
    EXPECT_EQ(frame.getMouseCaptureView(), nullptr);
    EXPECT_EQ(b->log.front(), "entered");
    EXPECT_EQ(fake->cursor, CursorType::Default);
    frame.platformMouseExited();
    EXPECT_EQ(b->log.back(), "exited");
}

TEST(ViewTree, OnlyDirtyRegionsAreRedrawn) {
    CFrame frame(120, 60);
    frame.setBackgroundColor(kBlue);
    auto* left = frame.add<Probe>(CRect{10, 10, 40, 40}, kRed);
    auto* right = frame.add<Probe>(CRect{70, 10, 100, 40}, kRed);
    auto image = frame.renderOffscreen();
    auto before = frame.renderOffscreen();
    EXPECT_TRUE(frame.dirtyRegions().empty());

    right->color = kGreen;
    right->invalidate();
    right->invalidRect(CRect{0, 0, 5, 5});  // inside what is dirty already
    ASSERT_EQ(frame.dirtyRegions().size(), 1u);
    EXPECT_EQ(frame.dirtyRegions()[0], (CRect{70, 10, 100, 40}));

    const int leftDraws = left->draws;
    frame.drawDirty(image->context());
    EXPECT_EQ(left->draws, leftDraws);
    EXPECT_EQ(image->pixel(80, 20), kGreen);
    EXPECT_EQ(changedPixels(*image, *before, CRect{0, 0, 120, 60}), 30 * 30);
    EXPECT_TRUE(frame.dirtyRegions().empty());

    // With a window the regions go to the window instead.
    auto window = std::make_unique<FakeWindow>();
    FakeWindow* fake = window.get();
    frame.attach(std::move(window));
    fake->invalidated.clear();
    left->invalidate();
    ASSERT_EQ(fake->invalidated.size(), 1u);
    EXPECT_EQ(fake->invalidated[0], (CRect{10, 10, 40, 40}));
}

TEST(ViewTree, TimersFireAtTheirIntervalUntilStoppedOrDestroyed) {
    CFrame frame(10, 10);
    int fast = 0, slow = 0;
    CTimer every100(frame, 100, [&] { ++fast; });
    auto every500 = std::make_unique<CTimer>(frame, 500, [&] { ++slow; });
    for (int i = 0; i < 30; ++i) frame.platformTick();  // one second
    EXPECT_EQ(fast, 10);  // every third tick of 33 ms
    EXPECT_EQ(slow, 2);
    every100.stop();
    every500.reset();
    for (int i = 0; i < 30; ++i) frame.platformTick();
    EXPECT_EQ(fast, 10);
    EXPECT_EQ(slow, 2);
    every100.start();
    for (int i = 0; i < 4; ++i) frame.platformTick();
    EXPECT_EQ(fast, 11);
}

TEST(ViewTree, MessageBoxIsModalAndClosesByKeysOrOk) {
    CFrame frame(400, 300);
    frame.setBackgroundColor(CColor{40, 40, 40, 255});
    auto* below = frame.add<Probe>(CRect{0, 0, 400, 300}, CColor{40, 40, 40, 255});
    const auto plain = frame.renderOffscreen();
    int closed = 0;
    for (VirtualKey k : {VirtualKey::Return, VirtualKey::Escape}) {
        frame.showMessage("Saved", "The patch was written to disk.", MessageKind::Info, [&] { ++closed; });
        ASSERT_NE(frame.topModal(), nullptr);
        auto shown = frame.renderOffscreen();
        EXPECT_GT(changedPixels(*shown, *plain, CRect{0, 0, 400, 300}), 400 * 300 / 2);  // dimmed, box drawn
        EXPECT_TRUE(frame.platformKeyDown(character('x')));  // kept from the host while open
        EXPECT_TRUE(frame.platformKeyDown(key(k)));
        EXPECT_EQ(frame.topModal(), nullptr);
    }
    EXPECT_EQ(closed, 2);

    frame.showMessage("Error", "A long text that has to wrap over more than one line inside the box, "
                               "because it is longer than the box is wide.", MessageKind::Error);
    auto* box = dynamic_cast<CMessageBox*>(frame.topModal());
    ASSERT_NE(box, nullptr);
    below->log.clear();
    click(frame, {5, 5});  // outside the box: swallowed, still open
    EXPECT_EQ(frame.topModal(), box);
    EXPECT_EQ(std::count(below->log.begin(), below->log.end(), "down"), 0);
    EXPECT_TRUE(frame.localBounds().intersect(box->boxRect()) == box->boxRect());
    click(frame, box->okRect().center());
    EXPECT_EQ(frame.topModal(), nullptr);
    EXPECT_EQ(changedPixels(*frame.renderOffscreen(), *plain, CRect{0, 0, 400, 300}), 0);
}

TEST(ViewTree, DropsReachTheTopMostViewThatAcceptsTheKind) {
    CFrame frame(100, 100);
    auto* files = frame.add<Probe>(CRect{0, 0, 100, 100}, kRed);
    auto* text = frame.add<Probe>(CRect{20, 20, 80, 80}, kGreen);
    files->acceptsDrops = text->acceptsDrops = true;
    text->accepts = DropData::Kind::Text;

    EXPECT_TRUE(frame.platformDragOver({50, 50}, DropData::Kind::Files));
    EXPECT_TRUE(frame.platformDrop({50, 50}, DropData{DropData::Kind::Files, {"/tmp/a.fxp", "/tmp/b.fxb"}}));
    EXPECT_EQ(files->dropped, (std::vector<std::string>{"/tmp/a.fxp", "/tmp/b.fxb"}));
    EXPECT_TRUE(text->dropped.empty());
    EXPECT_TRUE(frame.platformDrop({50, 50}, DropData{DropData::Kind::Text, {"hello"}}));
    EXPECT_EQ(text->dropped, (std::vector<std::string>{"hello"}));
    EXPECT_FALSE(frame.platformDragOver({10, 10}, DropData::Kind::Text));
    EXPECT_FALSE(frame.platformDrop({10, 10}, DropData{DropData::Kind::Text, {"x"}}));
}

TEST(ViewTree, FocusAndClipboardGoThroughTheWindowWhenThereIsOne) {
    CFrame frame(100, 100);
    auto* v = frame.add<Probe>(CRect{0, 0, 50, 50}, kRed);
    frame.setClipboardText("in process");
    EXPECT_EQ(frame.clipboardText(), "in process");
    EXPECT_FALSE(frame.platformKeyDown(character(' ')));  // nobody has focus: the host gets it

    auto window = std::make_unique<FakeWindow>();
    FakeWindow* fake = window.get();
    frame.attach(std::move(window));
    frame.setClipboardText("shared");
    EXPECT_EQ(fake->clipboard, "shared");
    fake->clipboard = "from elsewhere";
    EXPECT_EQ(frame.clipboardText(), "from elsewhere");
    frame.setFocusView(v);
    EXPECT_TRUE(fake->focus);
    frame.removeView(v);  // a removed view loses focus, hover and capture
    EXPECT_EQ(frame.getFocusView(), nullptr);
    EXPECT_FALSE(fake->focus);
    std::string error;
    EXPECT_FALSE(CFrame(10, 10).open(nullptr, &error));
    EXPECT_FALSE(error.empty());
}
