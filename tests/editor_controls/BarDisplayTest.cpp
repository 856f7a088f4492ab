// The step editor: which step and value a click sets, Control, Shift and
// Alt, gap-free drags, the step-count menu and the playing step.
#include <gtest/gtest.h>

#include <cmath>

#include "CBarDisplay.h"
#include "CMenuPopup.h"
#include "ControlsTestSupport.h"

using namespace controlstest;
using namespace guitest;
using calverine::CBarDisplay;

namespace {

constexpr double kLeft = 100, kTop = 50, kWidth = 448, kHeight = 112;

struct BarFixture : ::testing::Test {
    CFrame frame{700, 400};
    Recorder rec;
    FakeServices services;
    CBarDisplay* bar = frame.add<CBarDisplay>(CRect::fromSize(kLeft, kTop, kWidth, kHeight), &rec, 200, nullptr,
                                              services);

    // The frame point of step `step`'s middle at height `y` from the top.
    CPoint at(int step, double y) const { return {kLeft + (step + 0.5) * kWidth / bar->steps(), kTop + y}; }
    CMenuPopup* popup() { return dynamic_cast<CMenuPopup*>(frame.topModal()); }
};

}  // namespace

TEST_F(BarFixture, ClickSetsTheStepUnderThePointerToTheHeightOfThePointer) {
    click(frame, {kLeft, kTop});
    EXPECT_EQ(bar->stepValue(0), 16384);  // top
    EXPECT_EQ(bar->lastEditedStep(), 0);

    // The last pixel column is the last step, at 16 and at 128 steps.
    click(frame, {kLeft + kWidth - 1, kTop + 28});
    EXPECT_EQ(bar->lastEditedStep(), 15);
    EXPECT_EQ(bar->stepValue(15), 12288);
    bar->setSteps(128);
    click(frame, {kLeft + kWidth - 1, kTop + 20});
    EXPECT_EQ(bar->lastEditedStep(), 127);
    EXPECT_EQ(bar->stepValue(127), int(std::floor(92 * 16384.0 / kHeight)));

    // The bottom edge is 0, the last pixel row one step above it, and a drag
    // below the control stays at 0.
    EXPECT_EQ(CBarDisplay::valueAt(kHeight, kHeight), 0);
    EXPECT_EQ(CBarDisplay::valueAt(0, kHeight), 16384);
    bar->setSteps(16);
    click(frame, at(3, kHeight - 1));
    EXPECT_EQ(bar->stepValue(3), int(16384 / kHeight));
    drag(frame, at(4, 10), at(4, kHeight + 30));
    EXPECT_EQ(bar->stepValue(4), 0);

    // Control resets to the centre wherever the click lands, also while dragging.
    drag(frame, at(5, 0), at(9, 0));
    click(frame, at(5, 3), kLButton | kControl);
    EXPECT_EQ(bar->stepValue(5), 8192);
    drag(frame, at(6, 0), at(9, 100), kLButton | kControl);
    for (int s = 6; s <= 9; ++s) EXPECT_EQ(bar->stepValue(s), 8192) << s;
    EXPECT_EQ(rec.balancedPairs(), 8);  // one pair per gesture
    EXPECT_EQ(rec.values.back(), 8192.0f / 16384);
}

TEST_F(BarFixture, ShiftWhileDraggingRoundsDownToMultiplesOf682) {
    const int plain = int(std::floor((kHeight - 50) * 16384 / kHeight));  // 9069
    drag(frame, at(2, 90), at(2, 50));
    EXPECT_EQ(bar->stepValue(2), plain);
    drag(frame, at(2, 90), at(2, 50), kLButton | kShift);
    EXPECT_EQ(bar->stepValue(2), 8866);  // 13 x 682
    EXPECT_EQ(bar->stepValue(2) % 682, 0);
    drag(frame, at(2, 90), at(2, -5), kLButton | kShift);
    EXPECT_EQ(bar->stepValue(2), 16368);  // 24 x 682: the top is out of reach
}

TEST_F(BarFixture, AFastDragLeavesNoGapsAndInterpolatesLinearly) {
    // Two moves cross the whole editor: every step between gets a value on
    // the line from the press to the end.
    frame.platformMouseDown(at(0, 0), kLButton);
    frame.platformMouseMoved(at(7, 40), kLButton);
    frame.platformMouseMoved(at(15, kHeight - 1), kLButton);
    frame.platformMouseUp(at(15, kHeight - 1), kLButton);
    const int v7 = int(std::floor((kHeight - 40) * 16384 / kHeight));
    const int v15 = int(16384 / kHeight);
    for (int s = 0; s <= 7; ++s) EXPECT_NEAR(bar->stepValue(s), 16384 + (v7 - 16384) * s / 7.0, 1) << s;
    for (int s = 7; s <= 15; ++s) EXPECT_NEAR(bar->stepValue(s), v7 + (v15 - v7) * (s - 7) / 8.0, 1) << s;
    EXPECT_EQ(rec.balancedPairs(), 1);
    EXPECT_EQ(int(rec.values.size()), 16);  // each step reported once

    // Backwards too.
    frame.platformMouseDown(at(12, 0), kLButton);
    frame.platformMouseMoved(at(2, 0), kLButton);
    frame.platformMouseUp(at(2, 0), kLButton);
    for (int s = 2; s <= 12; ++s) EXPECT_EQ(bar->stepValue(s), 16384) << s;
}

TEST_F(BarFixture, AltDrawsAStraightLineFromThePressPoint) {
    const std::uint32_t alt = kLButton | kAlt;
    frame.platformMouseDown(at(2, 0), alt);  // 16384
    frame.platformMouseMoved(at(12, kHeight), alt);
    frame.platformMouseMoved(at(8, kHeight), alt);  // the line now ends at step 8, value 0
    frame.platformMouseUp(at(8, kHeight), alt);
    for (int s = 2; s <= 8; ++s) EXPECT_NEAR(bar->stepValue(s), 16384 * (8 - s) / 6.0, 1) << s;
    // The steps beyond stay where the longer line put them.
    EXPECT_NEAR(bar->stepValue(12), 0, 1);
    EXPECT_NEAR(bar->stepValue(10), 16384 * 2 / 10.0, 1);
    EXPECT_EQ(bar->stepValue(1), 8192);
    EXPECT_EQ(rec.balancedPairs(), 1);
}

TEST_F(BarFixture, RightClickOffersTheSixStepCountsAndChangesNoStep) {
    click(frame, at(4, 10), kRButton);
    ASSERT_NE(popup(), nullptr);
    EXPECT_TRUE(rec.events.empty());
    const char* texts[] = {"4 Steps", "8 Steps", "16 Steps", "32 Steps", "64 Steps", "128 Steps"};
    ASSERT_EQ(bar->menu().items().size(), 6u);
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(bar->menu().items()[i].title, texts[i]);
        EXPECT_EQ(bar->menu().items()[i].checked, i == 2) << i;  // 16 is current
    }
    click(frame, popup()->itemRect(0, 3).center());
    EXPECT_EQ(popup(), nullptr);
    EXPECT_EQ(bar->steps(), 32);
    EXPECT_EQ(services.count("steps 32"), 1);
    click(frame, {kLeft + kWidth - 1, kTop + 1});
    EXPECT_EQ(bar->lastEditedStep(), 31);
}

TEST_F(BarFixture, ThePlayingStepIsMarked) {
    auto before = frame.renderOffscreen();
    services.playing = 3;
    bar->idleUpdate();
    EXPECT_EQ(bar->playingStep(), 3);
    auto after = frame.renderOffscreen();
    const CRect column3 = CRect::fromSize(kLeft + 3 * 28, kTop, 28, kHeight);
    const CRect column5 = CRect::fromSize(kLeft + 5 * 28, kTop, 28, kHeight);
    EXPECT_GT(changedPixels(*after, *before, column3), 500);
    EXPECT_EQ(changedPixels(*after, *before, column5), 0);
}
