// Controls: what they draw, and the values and edit brackets that mouse
// gestures produce.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "CAnimKnob.h"
#include "CMultiStateSwitch.h"
#include "COnOffButton.h"
#include "COptionMenu.h"
#include "CParamDisplay.h"
#include "CScrollView.h"
#include "CStaticImage.h"
#include "CTextEdit.h"
#include "GuiTestSupport.h"

using namespace gui;
using namespace guitest;

namespace {

constexpr CRect kKnob{100, 100, 150, 150};
constexpr CPoint kCentre{125, 125};

struct KnobFixture : ::testing::Test {
    CFrame frame{400, 400};
    Recorder rec;
    CAnimKnob* knob = frame.add<CAnimKnob>(kKnob, &rec, 7);
};

// A filmstrip of `frames` frames, frame i filled with grey level 10 * i.
std::shared_ptr<CBitmap> filmstrip(int frames, int size) {
    auto image = COffscreenContext::create(size, size * frames);
    for (int i = 0; i < frames; ++i) {
        image->context().setFillColor(CColor{std::uint8_t(10 * i), std::uint8_t(10 * i), std::uint8_t(10 * i), 255});
        image->context().drawRect(CRect::fromSize(0, i * size, size, size));
    }
    return image->toBitmap();
}

}  // namespace

TEST(Controls, EveryControlDrawsInsideItsRectangleAndShowsItsValue) {
    CFrame frame(300, 200);
    frame.setBackgroundColor(theme::kPanel);
    auto* knob = frame.add<CAnimKnob>(CRect{0, 0, 50, 50});
    auto* button = frame.add<COnOffButton>(CRect{60, 0, 100, 20});
    auto* sw = frame.add<CMultiStateSwitch>(CRect{110, 0, 200, 20}, nullptr, 1, 3,
                                            CMultiStateSwitch::Mode::PickHorizontal);
    auto* menu = frame.add<COptionMenu>(CRect{0, 60, 100, 80});
    menu->addEntry("Saw");
    menu->addEntry("Pulse");
    auto* display = frame.add<CParamDisplay>(CRect{110, 60, 200, 80});
    auto* text = frame.add<CTextEdit>(CRect{0, 90, 100, 110});
    auto* scroll = frame.add<CScrollView>(CRect{110, 90, 200, 190}, 400);
    scroll->content().add<COnOffButton>(CRect{0, 0, 60, 20})->setValue(1);
    auto* image = frame.add<CStaticImage>(CRect{210, 0, 240, 30}, filmstrip(3, 10), CRect{0, 20, 10, 30});

    const CRect all[] = {CRect{0, 0, 50, 50}, {60, 0, 100, 20}, {110, 0, 200, 20}, {0, 60, 100, 80},
                         {110, 60, 200, 80}, {0, 90, 100, 110}, {110, 90, 200, 190}, {210, 0, 240, 30}};
    auto blank = COffscreenContext::create(300, 200);
    blank->context().setFillColor(theme::kPanel);
    blank->context().drawRect(CRect{0, 0, 300, 200});
    auto before = frame.renderOffscreen();
    for (const CRect& r : all) EXPECT_GT(changedPixels(*before, *blank, r), r.width() * r.height() / 8);
    EXPECT_EQ(changedPixels(*before, *blank, CRect{250, 0, 300, 200}), 0);
    EXPECT_EQ(before->pixel(225, 15), (CColor{20, 20, 20, 255}));  // the third frame of the strip

    knob->setValue(0.8f);
    button->setValue(1);
    sw->setValue(2);
    menu->setValue(1);
    display->setValue(0.5f);
    text->setText("Pad");
    image->setBitmap(filmstrip(3, 10), CRect{0, 10, 10, 20});
    auto after = frame.renderOffscreen();
    for (const CRect& r : all) {
        if (r == all[6]) continue;  // the scroll view did not change
        EXPECT_GT(changedPixels(*after, *before, r), 10) << r.left << "," << r.top;
    }
    // The lit button is filled with the accent colour.
    EXPECT_GT(pixelsNear(*after, theme::kAccent, CRect{60, 0, 100, 20}), 30 * 12);
    EXPECT_LT(pixelsNear(*before, theme::kAccent, CRect{60, 0, 100, 20}), 10);
}

TEST(Controls, DrawnLabelsKeepEnoughContrast) {
    auto luminance = [](CColor c) {
        auto lin = [](double v) { v /= 255; return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * lin(c.red) + 0.7152 * lin(c.green) + 0.0722 * lin(c.blue);
    };
    auto contrast = [&](CColor a, CColor b) {
        const double la = luminance(a), lb = luminance(b);
        return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
    };
    for (CColor text : {theme::kText, theme::kTextDim})
        for (CColor back : {theme::kPanel, theme::kSurface, theme::kTrack, theme::kRaised})
            EXPECT_GE(contrast(text, back), 4.5);
    EXPECT_GE(contrast(theme::kTextOnAccent, theme::kAccent), 4.5);
}

TEST(Controls, FilmstripShowsTheFrameOfTheRoundedValue) {
    CFrame frame(20, 20);
    auto* knob = frame.add<CAnimKnob>(CRect{0, 0, 10, 10}, nullptr, 1, filmstrip(11, 10), 11);
    for (float v : {0.0f, 0.26f, 0.5f, 1.0f}) {
        knob->setValue(v);
        EXPECT_EQ(frame.renderOffscreen()->pixel(5, 5).red, 10 * std::lround(v * 10)) << v;
    }
}

TEST_F(KnobFixture, VerticalDragCoversTheRangeIn480Pixels) {
    drag(frame, kCentre, kCentre - CPoint{0, 240});
    EXPECT_NEAR(knob->getValue(), 0.5, 1e-4);
    drag(frame, kCentre, kCentre + CPoint{37, 120});  // sideways movement does not count
    EXPECT_NEAR(knob->getValue(), 0.25, 1e-4);
    drag(frame, kCentre, kCentre - CPoint{0, 2000});
    EXPECT_EQ(knob->getValue(), 1.0f);
    EXPECT_EQ(rec.balancedPairs(), 3);
    EXPECT_EQ(rec.values.back(), 1.0f);
}

TEST_F(KnobFixture, ShiftIsFourTimesFinerEvenWhenPressedMidDrag) {
    knob->setValue(0.5f);
    drag(frame, kCentre, kCentre - CPoint{0, 96}, kLButton | kShift);
    EXPECT_NEAR(knob->getValue(), 0.55, 1e-4);  // 96 px / 480 / 4

    // 48 px plain, then Shift held for 192 px: no jump when Shift goes down.
    rec.events.clear();
    knob->setValue(0.2f);
    frame.platformMouseDown(kCentre, kLButton);
    frame.platformMouseMoved(kCentre - CPoint{0, 48}, kLButton);
    EXPECT_NEAR(knob->getValue(), 0.3, 1e-4);
    frame.platformMouseMoved(kCentre - CPoint{0, 48}, kLButton | kShift);
    EXPECT_NEAR(knob->getValue(), 0.3, 1e-4);
    frame.platformMouseMoved(kCentre - CPoint{0, 240}, kLButton | kShift);
    EXPECT_NEAR(knob->getValue(), 0.4, 1e-4);
    frame.platformMouseUp(kCentre - CPoint{0, 240}, kLButton);
    EXPECT_EQ(rec.balancedPairs(), 1);
}

TEST_F(KnobFixture, CircularDragFollowsTheAngle) {
    knob->setMode(CAnimKnob::Mode::Circular);
    knob->setValue(0.5f);
    // From twelve o'clock a quarter turn clockwise to three o'clock: 90 of 270 degrees.
    frame.platformMouseDown(kCentre - CPoint{0, 20}, kLButton);
    for (int deg = 10; deg <= 90; deg += 10) {
        const double a = (deg - 90) * std::numbers::pi / 180;
        frame.platformMouseMoved(kCentre + CPoint{20 * std::cos(a), 20 * std::sin(a)}, kLButton);
    }
    frame.platformMouseUp(kCentre + CPoint{20, 0}, kLButton);
    EXPECT_NEAR(knob->getValue(), 0.5 + 1.0 / 3, 1e-4);
    // Back to twelve o'clock with Shift: a quarter of the way back.
    frame.platformMouseDown(kCentre + CPoint{20, 0}, kLButton);
    frame.platformMouseMoved(kCentre + CPoint{14.142, -14.142}, kLButton | kShift);
    frame.platformMouseMoved(kCentre - CPoint{0, 20}, kLButton | kShift);
    frame.platformMouseUp(kCentre - CPoint{0, 20}, kLButton);
    EXPECT_NEAR(knob->getValue(), 0.5 + 1.0 / 3 - 1.0 / 12, 1e-4);
    EXPECT_EQ(rec.balancedPairs(), 2);
}

TEST_F(KnobFixture, WheelStepsAndResetsAreOneEditEach) {
    knob->setWheelStep(0.05f);
    knob->setDefaultValue(0.5f);
    frame.platformMouseWheel(kCentre, 3, 0);
    EXPECT_NEAR(knob->getValue(), 0.15, 1e-6);
    frame.platformMouseWheel(kCentre, -1, kShift);
    EXPECT_NEAR(knob->getValue(), 0.1375, 1e-6);
    frame.platformMouseWheel(kCentre, -10, 0);
    EXPECT_EQ(knob->getValue(), 0);
    EXPECT_EQ(rec.balancedPairs(), 3);

    click(frame, kCentre, kLButton | kDoubleClick);
    EXPECT_EQ(knob->getValue(), 0.5f);
    knob->setValue(0.9f);
    click(frame, kCentre, kLButton | kControl);
    EXPECT_EQ(knob->getValue(), 0.5f);
    EXPECT_EQ(rec.balancedPairs(), 5);
    EXPECT_EQ(rec.events.back(), "end 7");
    // The round knob leaves its corners to the views below.
    EXPECT_FALSE(frame.platformMouseWheel({101, 101}, 1, 0));
}

TEST(Controls, ButtonsAndSwitchesStepThroughTheirStates) {
    CFrame frame(300, 100);
    Recorder rec;
    auto* button = frame.add<COnOffButton>(CRect{0, 0, 40, 20}, &rec, 1);
    auto* cycle = frame.add<CMultiStateSwitch>(CRect{50, 0, 90, 20}, &rec, 2, 3, CMultiStateSwitch::Mode::Cycle);
    auto* row = frame.add<CMultiStateSwitch>(CRect{100, 0, 200, 20}, &rec, 3, 4,
                                             CMultiStateSwitch::Mode::PickHorizontal);
    auto* column = frame.add<CMultiStateSwitch>(CRect{210, 0, 230, 90}, &rec, 4, 3,
                                                CMultiStateSwitch::Mode::PickVertical);
    click(frame, {20, 10});
    EXPECT_TRUE(button->isOn());
    click(frame, {20, 10});
    EXPECT_FALSE(button->isOn());

    std::vector<int> states;
    for (int i = 0; i < 4; ++i) click(frame, {70, 10}), states.push_back(cycle->state());
    click(frame, {70, 10}, kLButton | kShift);
    states.push_back(cycle->state());
    EXPECT_EQ(states, (std::vector<int>{1, 2, 0, 1, 0}));

    click(frame, {180, 10});
    EXPECT_EQ(row->state(), 3);
    drag(frame, {180, 10}, {110, 10});  // one gesture through every state
    EXPECT_EQ(row->state(), 0);
    click(frame, {220, 45});
    EXPECT_EQ(column->state(), 1);
    EXPECT_EQ(rec.balancedPairs(), 2 + 5 + 2 + 1);
}

TEST(Controls, SetValueIsSilentAndNotifyingIsOneEditOfItsOwn) {
    CFrame frame(100, 100);
    Recorder rec;
    auto* knob = frame.add<CAnimKnob>(CRect{0, 0, 40, 40}, &rec, 4);
    knob->setValue(0.3f);
    knob->setValue(7);  // clamped to the range
    EXPECT_EQ(knob->getValue(), 1);
    EXPECT_TRUE(rec.events.empty());
    knob->setValueNotify(0.25f);
    knob->setValueNotify(0.25f);  // unchanged: nothing to tell
    EXPECT_EQ(rec.events, (std::vector<std::string>{"begin 4", "change 4", "end 4"}));
    knob->setRange(-1, 1);
    knob->setValue(0);
    EXPECT_EQ(knob->getValueNormalized(), 0.5f);
}
