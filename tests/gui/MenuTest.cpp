// Option menus: the popup inside the frame, chosen by mouse and by keys,
// with separators, disabled entries and submenus, kept on screen.
#include <gtest/gtest.h>

#include "CMenuPopup.h"
#include "COptionMenu.h"
#include "GuiTestSupport.h"

using namespace gui;
using namespace guitest;

namespace {

struct MenuFixture : ::testing::Test {
    CFrame frame{400, 300};
    Recorder rec;
    std::vector<int> path;
    int tag = -1;
    int chosen = 0;
    COptionMenu* menu = nullptr;

    // Sine, Saw, ----, Noise (disabled), More > {Pulse, Triangle, Deeper > {Random}}
    COptionMenu* makeMenu(const CRect& r) {
        menu = frame.add<COptionMenu>(r, &rec, 9);
        menu->addEntry("Sine", 10);
        menu->addEntry("Saw", 11);
        menu->addSeparator();
        menu->addEntry("Noise", 12).enabled = false;
        CMenuItem& more = menu->addEntry("More");
        more.add("Pulse", 13);
        more.add("Triangle", 14).checked = true;
        more.add("Deeper").add("Random", 15);
        menu->updateRange();
        menu->setChosenCallback([this](const std::vector<int>& p, int t) { path = p, tag = t, ++chosen; });
        return menu;
    }
    CMenuPopup* popup() { return dynamic_cast<CMenuPopup*>(frame.topModal()); }
    CPoint itemCentre(std::size_t pane, int index) { return popup()->itemRect(pane, index).center(); }
};

}  // namespace

TEST_F(MenuFixture, MouseOpensHighlightsAndChoosesIncludingSubmenus) {
    makeMenu(CRect{20, 20, 120, 40});
    click(frame, {50, 30});
    ASSERT_NE(popup(), nullptr);
    const CRect pane = popup()->paneRects()[0];
    EXPECT_EQ(pane.top, 40);  // right below the button
    EXPECT_EQ(pane.left, 20);

    // The popup draws over what was there.
    auto shown = frame.renderOffscreen();
    EXPECT_GT(pixelsNear(*shown, theme::kSurface, pane), pane.width() * pane.height() / 2);

    // Hover highlights; a click on a disabled entry or a separator does nothing.
    frame.platformMouseMoved(itemCentre(0, 1), 0);
    EXPECT_EQ(popup()->highlighted(), 1);
    click(frame, itemCentre(0, 3));
    click(frame, itemCentre(0, 2));
    EXPECT_EQ(chosen, 0);
    ASSERT_NE(popup(), nullptr);

    // Hovering "More" opens its submenu to the right; a click there chooses.
    frame.platformMouseMoved(itemCentre(0, 4), 0);
    ASSERT_EQ(popup()->paneRects().size(), 2u);
    EXPECT_GE(popup()->paneRects()[1].left, pane.right - 2);
    frame.platformMouseMoved(itemCentre(1, 2), 0);
    ASSERT_EQ(popup()->paneRects().size(), 3u);
    click(frame, itemCentre(2, 0));
    EXPECT_EQ(popup(), nullptr);
    EXPECT_EQ(path, (std::vector<int>{4, 2, 0}));
    EXPECT_EQ(tag, 15);
    EXPECT_EQ(menu->getValue(), 5);  // Sine, Saw, Noise, Pulse, Triangle, Random
    EXPECT_EQ(menu->currentItem()->title, "Random");

    // Press on the button, drag to an entry, release: chosen in one gesture.
    frame.platformMouseDown({50, 30}, kLButton);
    frame.platformMouseMoved(itemCentre(0, 1), kLButton);
    frame.platformMouseUp(itemCentre(0, 1), kLButton);
    EXPECT_EQ(tag, 11);
    EXPECT_EQ(menu->getValue(), 1);

    // A click outside closes without a choice.
    click(frame, {50, 30});
    click(frame, {390, 290});
    EXPECT_EQ(popup(), nullptr);
    EXPECT_EQ(chosen, 2);
    EXPECT_EQ(rec.balancedPairs(), 2);
}

TEST_F(MenuFixture, KeysMoveSkipEnterLeaveChooseAndClose) {
    makeMenu(CRect{20, 20, 120, 40});
    menu->openPopup();
    auto press = [&](VirtualKey k) { EXPECT_TRUE(frame.platformKeyDown(key(k))); };
    EXPECT_EQ(popup()->highlighted(), 0);  // the current entry
    press(VirtualKey::Down);
    press(VirtualKey::Down);  // over the separator and the disabled entry
    EXPECT_EQ(popup()->highlighted(), 4);
    press(VirtualKey::Down);  // wraps around
    EXPECT_EQ(popup()->highlighted(), 0);
    press(VirtualKey::Up);
    EXPECT_EQ(popup()->highlighted(), 4);
    press(VirtualKey::Right);
    ASSERT_EQ(popup()->paneRects().size(), 2u);
    EXPECT_EQ(popup()->highlighted(), 0);
    press(VirtualKey::Left);
    EXPECT_EQ(popup()->paneRects().size(), 1u);
    press(VirtualKey::Right);
    press(VirtualKey::Down);
    press(VirtualKey::Return);
    EXPECT_EQ(popup(), nullptr);
    EXPECT_EQ(tag, 14);
    EXPECT_EQ(path, (std::vector<int>{4, 1}));

    menu->openPopup();
    press(VirtualKey::Escape);
    EXPECT_EQ(popup(), nullptr);
    EXPECT_EQ(chosen, 1);
    EXPECT_FALSE(frame.platformKeyDown(key(VirtualKey::Escape)));  // closed: the host's key again
}

TEST_F(MenuFixture, PopupsStayOnScreenAtTheFrameEdges) {
    // At the bottom right corner: the list opens above the button and the
    // submenu to the left of the list.
    makeMenu(CRect{330, 275, 400, 295});
    click(frame, {360, 285});
    ASSERT_NE(popup(), nullptr);
    frame.platformMouseMoved(itemCentre(0, 4), 0);
    frame.platformMouseMoved(itemCentre(1, 2), 0);
    const auto panes = popup()->paneRects();
    ASSERT_EQ(panes.size(), 3u);
    EXPECT_EQ(panes[0].bottom, 275);
    for (const CRect& p : panes) EXPECT_EQ(frame.localBounds().intersect(p), p);
    EXPECT_LE(panes[1].right, panes[0].left + 2);
    // At the top left of a frame too short for the list either way: clamped.
    CFrame small(150, 60);
    auto* m = small.add<COptionMenu>(CRect{0, 20, 40, 40});
    for (int i = 0; i < 6; ++i) m->addEntry("Entry " + std::to_string(i));
    m->openPopup();
    auto* p = dynamic_cast<CMenuPopup*>(small.topModal());
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->paneRects()[0].top, 0);
    EXPECT_EQ(p->paneRects()[0].left, 0);
}
