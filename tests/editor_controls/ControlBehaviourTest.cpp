// Knobs, buttons, wheels and menus: the floating value display, the
// per-control menu, one edit pair per gesture, and the exact menu texts.
#include <gtest/gtest.h>

#include "BrnCOptionMenuSkinSW.h"
#include "BrnCParamDisplay.h"
#include "BrnCVUDisplay.h"
#include "CAnimKnobCustomDraw.h"
#include "CBarsSelectorPopupItem.h"
#include "CBrinURLControl.h"
#include "CControlPopupMenu.h"
#include "CDisplayAnimKnob.h"
#include "CDisplayOnOffButton.h"
#include "CKeyboardWheel.h"
#include "CMMPopupItem.h"
#include "CMenuPopup.h"
#include "COnOffButtonPartEdit.h"
#include "CPresetSelector.h"
#include "CRRButton.h"
#include "ControlsTestSupport.h"
#include "ParameterTable.h"

using namespace controlstest;
using namespace guitest;
using namespace calverine;

namespace {

struct ControlFixture : ::testing::Test {
    CFrame frame{400, 300};
    Recorder rec;
    FakeServices services;

    BrnCParamDisplay* display(const CView& v) { return BrnCParamDisplay::of(v, false); }
    bool shown(const CView& v) { return display(v) && display(v)->isVisible(); }
    CMenuPopup* popup() { return dynamic_cast<CMenuPopup*>(frame.topModal()); }
    std::vector<std::string> titles(COptionMenu& menu) {
        std::vector<std::string> out;
        for (const CMenuItem& item : menu.items()) out.push_back(item.title);
        return out;
    }
};

}  // namespace

TEST_F(ControlFixture, AKnobShowsThePluginTextWhileDraggedAndHidesItOnRelease) {
    auto* knob = frame.add<CDisplayAnimKnob>(CRect{100, 100, 150, 150}, &rec, 50, filmstrip(127, 50, 50), 127,
                                             services);
    frame.platformMouseDown({125, 125}, kLButton);
    ASSERT_TRUE(shown(*knob));
    EXPECT_EQ(display(*knob)->displayText(), "440 Hz");
    EXPECT_EQ(services.calls.front(), "text 50");
    // Above the knob, inside the frame.
    const CRect r = display(*knob)->getViewSize();
    EXPECT_LE(r.bottom, 100);
    EXPECT_GE(r.top, 0);

    services.text = "880 Hz";
    frame.platformMouseMoved({125, 77}, kLButton);
    EXPECT_EQ(display(*knob)->displayText(), "880 Hz");
    EXPECT_NEAR(knob->getValue(), 0.1f, 1e-4);
    frame.platformMouseMoved({125, 29}, kLButton | kShift);  // four times finer
    EXPECT_NEAR(knob->getValue(), 0.125f, 1e-4);
    frame.platformMouseUp({125, 29}, kLButton);
    EXPECT_FALSE(shown(*knob));
    EXPECT_EQ(rec.balancedPairs(), 1);

    // Control held: the base class resets the value, no display appears.
    const std::size_t asked = services.calls.size();
    click(frame, {125, 125}, kLButton | kControl);
    EXPECT_FALSE(shown(*knob));
    EXPECT_EQ(knob->getValue(), 0);
    EXPECT_EQ(services.calls.size(), asked);
    EXPECT_EQ(rec.balancedPairs(), 2);
}

TEST_F(ControlFixture, TheDisplayStaysOnScreenNearTheEdges) {
    auto* knob = frame.add<CDisplayAnimKnob>(CRect{0, 0, 30, 30}, &rec, 7, nullptr, 0, services);
    auto* corner = frame.add<CDisplayOnOffButton>(CRect{380, 280, 400, 300}, &rec, 10, nullptr, services);
    frame.platformMouseDown({15, 15}, kLButton);
    const CRect below = display(*knob)->getViewSize();
    EXPECT_GE(below.left, 0);
    EXPECT_GE(below.top, 30);  // no room above: below the knob
    frame.platformMouseUp({15, 15}, kLButton);
    frame.platformMouseDown({390, 290}, kLButton);
    const CRect r = display(*corner)->getViewSize();
    EXPECT_LE(r.right, 400);
    EXPECT_LE(r.bottom, 280);
    frame.platformMouseUp({390, 290}, kLButton);
}

TEST_F(ControlFixture, RightClickOpensThePerControlMenuAndChangesNothing) {
    auto* knob = frame.add<CDisplayAnimKnob>(CRect{100, 100, 150, 150}, &rec, 50, nullptr, 0, services);
    auto* button = frame.add<CDisplayOnOffButton>(CRect{200, 100, 240, 120}, &rec, 57, nullptr, services);
    auto* mixer = frame.add<CRRButton>(CRect{260, 100, 300, 120}, &rec, 54, nullptr, services);
    auto* wheel = frame.add<CKeyboardWheel>(CRect{20, 100, 48, 228}, &rec, 99, nullptr, 0, true, services);
    knob->setValue(0.3f);
    click(frame, {125, 125}, kRButton);
    click(frame, {210, 110}, kRButton);
    click(frame, {270, 110}, kRButton);
    services.learnable = false;
    click(frame, {30, 150}, kRButton);
    EXPECT_EQ(services.calls, (std::vector<std::string>{"menu 308 50 at 125,125", "menu 308 57 at 210,110",
                                                        "menu 308 54 at 270,110", "menu 309 99 at 30,150"}));
    EXPECT_TRUE(rec.events.empty());
    EXPECT_FLOAT_EQ(knob->getValue(), 0.3f);
    EXPECT_FALSE(button->isOn());
    EXPECT_EQ(mixer->state(), 0);
    EXPECT_FLOAT_EQ(wheel->getValue(), 0.5f);
    EXPECT_FALSE(shown(*knob));
}

TEST_F(ControlFixture, ButtonsShowTheirTextWhilePressedAndTheMixerButtonCycles) {
    auto* button = frame.add<CDisplayOnOffButton>(CRect{200, 100, 240, 120}, &rec, 57, filmstrip(2, 40, 20),
                                                  services);
    frame.platformMouseDown({210, 110}, kLButton);
    EXPECT_TRUE(button->isOn());
    EXPECT_TRUE(shown(*button));
    frame.platformMouseUp({210, 110}, kLButton);
    EXPECT_FALSE(shown(*button));
    EXPECT_EQ(rec.balancedPairs(), 1);

    auto* mixer = frame.add<CRRButton>(CRect{260, 100, 300, 120}, &rec, 54, filmstrip(3, 40, 20), services);
    std::vector<float> seen;
    for (int i = 0; i < 4; ++i) {
        click(frame, {270, 110});
        seen.push_back(mixer->getValue());
    }
    EXPECT_EQ(seen, (std::vector<float>{0.5f, 1.0f, 0.0f, 0.5f}));
    EXPECT_EQ(rec.balancedPairs(), 5);
    EXPECT_FALSE(shown(*mixer));
}

TEST_F(ControlFixture, ThePitchWheelSpringsBackAndTheModWheelStays) {
    auto* pitch = frame.add<CKeyboardWheel>(CRect{20, 100, 48, 228}, &rec, 99, filmstrip(64, 28, 128), 64, true,
                                            services);
    auto* mod = frame.add<CKeyboardWheel>(CRect{60, 100, 88, 228}, &rec, 98, nullptr, 0, false, services);
    frame.platformMouseDown({30, 160}, kLButton);
    frame.platformMouseMoved({30, 128}, kLButton);
    EXPECT_FLOAT_EQ(pitch->getValue(), 0.75f);
    EXPECT_TRUE(pitch->isShowingValue());
    frame.platformMouseUp({30, 128}, kLButton);
    EXPECT_FLOAT_EQ(pitch->getValue(), 0.5f);
    EXPECT_FALSE(pitch->isShowingValue());
    EXPECT_EQ(rec.values.back(), 0.5f);  // the plug-in hears the return
    EXPECT_EQ(rec.balancedPairs(), 1);

    drag(frame, {70, 200}, {70, 136});
    EXPECT_FLOAT_EQ(mod->getValue(), 0.5f);
    EXPECT_EQ(rec.balancedPairs(), 2);
}

TEST_F(ControlFixture, CustomKnobsShowOffOrAPercentage) {
    EXPECT_EQ(CAnimKnobCustomDraw::percentText(0), "Off");
    EXPECT_EQ(CAnimKnobCustomDraw::percentText(0.004f), "0%");
    EXPECT_EQ(CAnimKnobCustomDraw::percentText(0.5f), "50%");
    EXPECT_EQ(CAnimKnobCustomDraw::percentText(1), "100%");
    auto* soften = frame.add<CAnimKnobCustomDraw>(CRect{100, 100, 140, 140}, &rec, 222, nullptr, services,
                                                  CAnimKnobCustomDraw::Text::Percent);
    auto* bend = frame.add<CAnimKnobCustomDraw>(CRect{200, 100, 240, 140}, &rec, 80, nullptr, services,
                                                CAnimKnobCustomDraw::Text::Plugin);
    frame.platformMouseDown({120, 120}, kLButton);
    EXPECT_EQ(display(*soften)->displayText(), "Off");
    frame.platformMouseMoved({120, 120 - 120}, kLButton);
    EXPECT_EQ(display(*soften)->displayText(), "25%");
    frame.platformMouseUp({120, 0}, kLButton);
    EXPECT_TRUE(services.calls.empty());
    frame.platformMouseDown({220, 120}, kLButton);
    EXPECT_EQ(display(*bend)->displayText(), "440 Hz");
    frame.platformMouseUp({220, 120}, kLButton);
}

TEST_F(ControlFixture, MenusListTheirExactTexts) {
    CMMPopupItem sources(CRect{0, 0, 130, 20}, &rec, 100, CMMPopupItem::List::Sources);
    CMMPopupItem destinations(CRect{0, 0, 130, 20}, &rec, 120, CMMPopupItem::List::Destinations);
    ASSERT_EQ(sources.items().size(), std::size_t(params::kSourceCount));
    ASSERT_EQ(destinations.items().size(), std::size_t(params::kDestinationCount));
    for (int i = 0; i < params::kSourceCount; ++i) EXPECT_EQ(sources.items()[std::size_t(i)].title, params::kSources[i].name);
    for (int i = 0; i < params::kDestinationCount; ++i)
        EXPECT_EQ(destinations.items()[std::size_t(i)].title, params::kDestinations[i].name);
    for (int i = 0; i < params::kDestinationCount; ++i)
        EXPECT_EQ(CMMPopupItem::indexOf(CMMPopupItem::normalizedOf(i)), i);

    CMMPopupItem voices(CRect{}, &rec, 313, CMMPopupItem::List::VoiceMode);
    EXPECT_EQ(titles(voices), (std::vector<std::string>{"Single", "Dual", "Split", "8 voices", "16 voices"}));

    BrnCOptionMenuSkinSW sizes(CRect{}, &rec, 307);
    EXPECT_EQ(titles(sizes), (std::vector<std::string>{"Small", "Medium", "Large"}));
    EXPECT_EQ(sizes.items()[0].tag, 1);
    EXPECT_EQ(sizes.items()[1].tag, 0);
    EXPECT_EQ(sizes.items()[2].tag, 2);
    sizes.setSizeIndex(2);
    EXPECT_EQ(sizes.sizeIndex(), 2);
    EXPECT_TRUE(sizes.items()[2].checked);
    EXPECT_FALSE(sizes.items()[1].checked);

    auto* steps = frame.add<CBarsSelectorPopupItem>(CRect{10, 10, 110, 30}, &rec, 343);
    EXPECT_EQ(titles(*steps),
              (std::vector<std::string>{"4 Steps", "8 Steps", "16 Steps", "32 Steps", "64 Steps", "128 Steps"}));
    steps->setValue(3);
    click(frame, {50, 20});
    ASSERT_NE(popup(), nullptr);
    for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(steps->items()[i].checked, i == 3) << i;
    click(frame, popup()->itemRect(0, 4).center());
    EXPECT_EQ(steps->steps(), 64);

    CControlPopupMenu learn(&rec, 308);
    CControlPopupMenu lock(&rec, 309);
    EXPECT_EQ(titles(learn), (std::vector<std::string>{"MIDI Learn", "MIDI Forget", "Lock Parameter"}));
    EXPECT_EQ(titles(lock), (std::vector<std::string>{"Lock Parameter"}));
}

TEST_F(ControlFixture, APerControlMenuReportsTheChoiceForItsParameter) {
    CControlPopupMenu learn(&rec, 308);
    for (int target : {50, 51}) {
        learn.openFor(target, frame, {150, 100});
        ASSERT_NE(popup(), nullptr);
        click(frame, popup()->itemRect(0, 1).center());
        EXPECT_EQ(popup(), nullptr);
        EXPECT_EQ(learn.targetTag(), target);
    }
    // The same entry twice is heard twice.
    EXPECT_EQ(rec.events, (std::vector<std::string>{"begin 308", "change 308", "end 308", "begin 308",
                                                    "change 308", "end 308"}));
    EXPECT_EQ(rec.values, (std::vector<float>{1, 1}));
}

TEST_F(ControlFixture, TheVoiceModeButtonOpensItsMenu) {
    auto* button = frame.add<COnOffButtonPartEdit>(CRect{100, 10, 160, 30}, &rec, 313);
    button->setMenu(std::make_unique<CMMPopupItem>(CRect{100, 10, 160, 30}, &rec, 313, CMMPopupItem::List::VoiceMode));
    click(frame, {120, 20});
    ASSERT_NE(popup(), nullptr);
    click(frame, popup()->itemRect(0, 4).center());
    EXPECT_EQ(rec.values, std::vector<float>{4});
    EXPECT_FALSE(button->isOn());
}

TEST_F(ControlFixture, ThePresetSelectorLoadsAPatchThroughTheDialog) {
    auto* selector = frame.add<CPresetSelector>(
        CRect{10, 10, 350, 34}, &rec, 302, nullptr, services,
        std::vector<CPresetSelector::Button>{CPresetSelector::Button::Previous, CPresetSelector::Button::Next,
                                             CPresetSelector::Button::Load, CPresetSelector::Button::Browser});
    gui::FileDialogOptions asked;
    selector->setDialogRunner([&](const gui::FileDialogOptions& o) {
        asked = o;
        return gui::FileDialogResult{"/patches/Warm Pad.fxp", ""};
    });
    for (std::size_t i = 0; i < 4; ++i) click(frame, selector->buttonRect(i).center() + CPoint{10, 10});
    EXPECT_EQ(asked.title, "Load Patch");
    ASSERT_EQ(asked.filters.size(), 1u);
    EXPECT_EQ(asked.filters[0].description, "Cubase Program");
    EXPECT_EQ(asked.filters[0].pattern, "*.fxp");
    EXPECT_EQ(services.calls,
              (std::vector<std::string>{"previous 302", "next 302", "load /patches/Warm Pad.fxp", "browser"}));
    EXPECT_LE(selector->buttonRect(3).right, 340);
    EXPECT_GT(selector->buttonRect(0).left, 150);
}

TEST_F(ControlFixture, TheMeterRisesAtOnceAndFallsSlowly) {
    BrnCVUDisplay meter(CRect{0, 0, 80, 12}, 301, nullptr, services);
    meter.feed(1.0f, true, 0);
    EXPECT_DOUBLE_EQ(meter.shownLevel(), 1);
    EXPECT_TRUE(meter.lampLit());
    meter.feed(0, false, 0.5);  // 12 dB lower
    EXPECT_NEAR(meter.shownLevel(), 0.8, 1e-9);
    EXPECT_DOUBLE_EQ(meter.shownPeak(), 1);  // held
    EXPECT_FALSE(meter.lampLit());
    meter.feed(0, false, 1.5);
    EXPECT_NEAR(meter.shownLevel(), 0.2, 1e-9);
    EXPECT_NEAR(meter.shownPeak(), 0.2, 1e-9);  // the hold is over
    meter.feed(0.1f, false, 0.1);  // -20 dB
    EXPECT_NEAR(meter.shownLevel(), 40.0 / 60, 1e-6);
}

TEST_F(ControlFixture, TheLinkOpensItsPage) {
    std::vector<std::string> opened;
    auto* link = frame.add<CBrinURLControl>(CRect{10, 10, 90, 30}, nullptr, "https://example.org/synth",
                                            [&](const std::string& url) { return opened.push_back(url), true; });
    click(frame, {20, 20});
    EXPECT_EQ(opened, std::vector<std::string>{"https://example.org/synth"});
    EXPECT_EQ(link->url(), "https://example.org/synth");
}
