// The control factory: the class of every kind, the image of the kind, the
// size from the image, and the message for a missing image.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>

#include "BrnCOptionMenuSkinSW.h"
#include "BrnCVUDisplay.h"
#include "CAnimKnobCustomDraw.h"
#include "CBarDisplay.h"
#include "CBarsSelectorPopupItem.h"
#include "CBrinURLControl.h"
#include "CDisplayAnimKnob.h"
#include "CDisplayOnOffButton.h"
#include "CJustImage.h"
#include "CKeyboardWheel.h"
#include "CMMPopupItem.h"
#include "COnOffButtonNoEdit.h"
#include "COnOffButtonPartEdit.h"
#include "CPresetSelector.h"
#include "CRRButton.h"
#include "CSwitchToBacksideControl.h"
#include "ControlFactory.h"
#include "ControlsTestSupport.h"
#include "SkinIds.h"

using namespace controlstest;
using namespace calverine;

namespace {

LayoutRecord record(int kind, int tag, int left = 10, int top = 20, int right = 60, int bottom = 70) {
    LayoutRecord r{};
    r.panel = 1;
    r.kind = kind;
    r.tag = tag;
    r.left = left;
    r.top = top;
    r.right = right;
    r.bottom = bottom;
    std::strcpy(r.view, "Main");
    return r;
}

// Every Medium image as a small synthetic PNG: one 20 x 16 frame per frame.
void registerMediumImages() {
    static std::map<int, std::vector<std::uint8_t>> bytes;
    if (!bytes.empty()) return;
    for (int kind = 0; kind <= 32; ++kind)
        for (int tag : {312, 342}) {
            const int id = skin::imageFor(kind, tag);
            if (id == 0 || bytes.count(id)) continue;
            const int frames = std::max(1, skin::knobFrames(kind));
            bytes[id] = COffscreenContext::create(20, 16 * frames)->png();
            CBitmap::registerResource(id, bytes[id].data(), bytes[id].size());
        }
}

template <class T>
std::function<bool(CView*)> is() {
    return [](CView* v) { return dynamic_cast<T*>(v) != nullptr; };
}

}  // namespace

TEST(ControlFactory, EveryKindMakesItsClass) {
    registerMediumImages();
    MessageCatcher messages;
    FakeServices services;
    guitest::Recorder rec;
    const std::map<int, std::pair<int, std::function<bool(CView*)>>> kinds{
        {0, {312, is<CJustImage>()}},
        {1, {306, is<CBrinURLControl>()}},
        {2, {304, is<CSwitchToBacksideControl>()}},
        {3, {301, is<BrnCVUDisplay>()}},
        {5, {7, is<CDisplayAnimKnob>()}},
        {6, {130, is<CDisplayAnimKnob>()}},
        {7, {96, is<CDisplayAnimKnob>()}},
        {8, {84, is<CDisplayAnimKnob>()}},
        {9, {110, is<CDisplayAnimKnob>()}},
        {10, {100, is<CMMPopupItem>()}},
        {11, {120, is<CMMPopupItem>()}},
        {12, {314, is<COnOffButtonPartEdit>()}},
        {13, {54, is<CRRButton>()}},
        {15, {10, is<CDisplayOnOffButton>()}},
        {16, {70, is<COnOffButtonNoEdit>()}},
        {17, {108, is<CDisplayOnOffButton>()}},
        {18, {119, is<CDisplayOnOffButton>()}},
        {19, {310, is<COnOffButtonPartEdit>()}},
        {20, {99, is<CKeyboardWheel>()}},
        {21, {222, is<CAnimKnobCustomDraw>()}},
        {22, {302, is<CPresetSelector>()}},
        {23, {340, is<CJustImage>()}},
        {24, {341, is<CJustImage>()}},
        {25, {307, is<BrnCOptionMenuSkinSW>()}},
        {26, {343, is<CBarsSelectorPopupItem>()}},
        {27, {200, is<CBarDisplay>()}},
        {28, {126, is<CAnimKnobCustomDraw>()}},
        {29, {41, is<CDisplayAnimKnob>()}},
        {30, {44, is<CDisplayAnimKnob>()}},
        {31, {159, is<CDisplayAnimKnob>()}},
        {32, {346, is<COnOffButtonNoEdit>()}},
    };
    for (const auto& [kind, expected] : kinds) {
        const auto& [tag, check] = expected;
        auto view = createControl(record(kind, tag), CRect{10, 20, 60, 70}, 0, &rec, services);
        ASSERT_NE(view, nullptr) << "kind " << kind;
        EXPECT_TRUE(check(view.get())) << "kind " << kind;
        EXPECT_EQ(view->getViewSize(), (CRect{10, 20, 60, 70})) << "kind " << kind;
        if (auto* control = dynamic_cast<CControl*>(view.get()); control && kind != 1) {
            EXPECT_EQ(control->getTag(), tag) << "kind " << kind;
        }
    }
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(createControl(record(5, -1), CRect{10, 20, 60, 70}, 0, &rec, services), nullptr);

    // The voice-mode button carries its menu; the patch selector its four buttons.
    auto mode = createControl(record(19, 313), CRect{0, 0, 60, 20}, 0, &rec, services);
    auto* menu = dynamic_cast<CMMPopupItem*>(static_cast<COnOffButtonPartEdit*>(mode.get())->menu());
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->list(), CMMPopupItem::List::VoiceMode);
    auto bank = createControl(record(22, 348), CRect{0, 0, 200, 20}, 0, &rec, services);
    EXPECT_EQ(static_cast<CPresetSelector*>(bank.get())->buttons().size(), 2u);
}

TEST(ControlFactory, SizesComeFromTheImageWhenTheRecordHasNone) {
    registerMediumImages();
    FakeServices services;
    auto knob = createControl(record(5, 7, 100, 50, 0, 0), CRect{100, 50, 100, 50}, 0, nullptr, services);
    EXPECT_EQ(knob->getViewSize(), (CRect{100, 50, 120, 66}));  // one frame of 187
}

TEST(ControlFactory, MatrixAmountKnobsAreBipolar) {
    for (int tag : {110, 111, 112, 113, 114, 115, 183, 186, 189, 192, 195, 198}) EXPECT_TRUE(isBipolarKnob(tag)) << tag;
    for (int tag : {109, 116, 146, 182, 184, 185, 199}) EXPECT_FALSE(isBipolarKnob(tag)) << tag;
}

TEST(ControlFactory, AMissingImageIsReportedAndTheControlIsStillMade) {
    MessageCatcher messages;
    FakeServices services;
    auto knob = createControl(record(5, 7), CRect{8, 16, 48, 56}, 100, nullptr, services);  // Small: id 102
    ASSERT_NE(dynamic_cast<CDisplayAnimKnob*>(knob.get()), nullptr);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].title, "Error");
    EXPECT_EQ(messages.messages[0].text, "Resource images not found! Please reinstall the plugin (id: 102).");
    // Drawn by code instead.
    CFrame frame(100, 100);
    frame.addView(std::move(knob));
    auto image = frame.renderOffscreen();
    EXPECT_GT(guitest::pixelsNear(*image, theme::kRaised, CRect{8, 16, 48, 56}), 100);
}
