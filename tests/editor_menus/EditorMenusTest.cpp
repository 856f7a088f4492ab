// The editor menu, the per-control menus and the command buttons against a
// real plug-in object.
#include <gtest/gtest.h>

#include <cmath>

#include "CControlPopupMenu.h"
#include "CMMPopupItem.h"
#include "EngineControls.h"
#include "MenuRig.h"
#include "ParameterTable.h"

using namespace calverine;
using namespace calverine::test;
using gui::CPoint;

namespace {

class EditorMenusTest : public testing::Test {
protected:
    void SetUp() override {
        voiceModeListener_.menus = &menus_;
        frame().add<EditorSurface>(frame().localBounds(), menus_, [this](const gui::DropData&) {
            ++drops_;
            return true;
        });
    }
    gui::CFrame& frame() { return editor_.frame_; }
    const gui::COptionMenu& rightClickMenu() {
        frame().platformMouseDown({600, 400}, gui::kRButton);
        frame().platformMouseUp({600, 400}, gui::kRButton);
        return menus_.editorMenu();
    }
    // Opens the menu with a right click and picks the entry with `tag` with a left click.
    void choose(int tag) {
        const gui::COptionMenu& menu = rightClickMenu();
        auto* popup = dynamic_cast<gui::CMenuPopup*>(frame().topModal());
        ASSERT_NE(popup, nullptr);
        const auto& items = const_cast<gui::COptionMenu&>(menu).items();
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (items[i].separator || items[i].tag != tag) continue;
            const CPoint at = popup->itemRect(0, int(i)).center();
            frame().platformMouseDown(at, gui::kLButton);
            frame().platformMouseUp(at, gui::kLButton);
            EXPECT_EQ(frame().topModal(), nullptr);
            return;
        }
        FAIL() << "no entry with tag " << tag;
    }
    // A click on the command button `tag`: it toggles and tells the menus.
    bool press(int tag) {
        gui::COnOffButton* button = editor_.buttons_.at(tag);
        button->setValue(button->getValue() > 0.5f ? 0.0f : 1.0f);
        return menus_.runCommand(*button);
    }
    // The voice-mode menu's entry `index`, picked in its popup.
    void chooseVoiceMode(int index) {
        voiceModes_.openAt(frame(), {50, 50});
        auto* popup = dynamic_cast<gui::CMenuPopup*>(frame().topModal());
        ASSERT_NE(popup, nullptr);
        const CPoint at = popup->itemRect(0, index).center();
        frame().platformMouseDown(at, gui::kLButton);
        frame().platformMouseUp(at, gui::kLButton);
    }
    float value(int control, int part) { return synth_.parameters().getValue(control, part); }
    // Picks `index` of a per-control menu opened for `control`.
    void chooseControlMenu(int menuTag, int control, int index) {
        CControlPopupMenu menu(nullptr, menuTag);
        menu.openFor(control, frame(), {100, 100});
        auto* popup = dynamic_cast<gui::CMenuPopup*>(frame().topModal());
        ASSERT_NE(popup, nullptr);
        const CPoint at = popup->itemRect(0, index).center();
        frame().platformMouseDown(at, gui::kLButton);
        frame().platformMouseUp(at, gui::kLButton);
        menus_.controlMenuChosen(menu);
    }
    float renderRms(VstXSynth& synth, int blocks) {
        std::vector<float> left(256), right(256);
        double sum = 0;
        for (int b = 0; b < blocks; ++b) {
            float* outs[2] = {left.data(), right.data()};
            synth.processReplacing(nullptr, outs, 256);
            for (float s : left) sum += double(s) * s;
        }
        return float(std::sqrt(sum / (256.0 * blocks)));
    }

    TestHost host_;
    VstXSynth synth_{TestHost::callback};
    StandInEditor editor_{synth_};
    EditorMenus menus_{editor_};
    struct : gui::IControlListener {
        EditorMenus* menus = nullptr;
        void valueChanged(gui::CControl* c) override { menus->runCommand(*c); }
    } voiceModeListener_;
    CMMPopupItem voiceModes_{gui::CRect{}, &voiceModeListener_, EditorMenus::kVoiceModeMenu,
                             CMMPopupItem::List::VoiceMode};
    int drops_ = 0;
};

TEST_F(EditorMenusTest, TheRightClickMenuListsEveryCommandWithItsTag) {
    synth_.setUiSize(2);
    const std::vector<std::string> expected{
        "Initialize Patch=0", "Initialize Voice Adjustments=1", "Randomize Voice Adjustments=2", "-",
        "Copy Part=4",        "(Paste Part)=5",                  "Swap Parts=6",                  "-",
        "8 voices *=8",       "16 voices=9",                     "-",                             "Open Browser=11",
        "-",                  "UI Size: Small=13",               "UI Size: Medium=14",            "UI Size: Large *=15"};
    EXPECT_EQ(describe(rightClickMenu()), expected);
    EXPECT_NE(frame().topModal(), nullptr);
}

TEST_F(EditorMenusTest, OnlyTheRightButtonAloneOpensTheMenu) {
    frame().platformMouseDown({600, 400}, gui::kLButton);
    EXPECT_EQ(frame().topModal(), nullptr);
    frame().platformMouseDown({600, 400}, gui::kRButton | gui::kDoubleClick);
    EXPECT_EQ(frame().topModal(), nullptr);
    frame().platformMouseDown({600, 400}, gui::kRButton | gui::kShift);
    EXPECT_NE(frame().topModal(), nullptr);
}

TEST_F(EditorMenusTest, PasteItemsNameWhatWasCopiedAndPasteIt) {
    // Part B's cut-off, copied and pasted into part A.
    synth_.setControl(50, 0.25f * params::scaleOf(50), 1, false);
    synth_.parameters().currentPart = 1;
    choose(EditorMenus::kCopy);
    EXPECT_EQ(titleOf(rightClickMenu(), EditorMenus::kPaste), "Paste Part (from #B)");
    frame().platformKeyDown({0, gui::VirtualKey::Escape, 0});
    synth_.parameters().currentPart = 0;
    choose(EditorMenus::kPaste);
    EXPECT_FLOAT_EQ(value(50, 0), 0.25f * params::scaleOf(50));

    // Every editor of the process shares the clipboard.
    VstXSynth other(TestHost::callback);
    StandInEditor otherEditor(other);
    EditorMenus otherMenus(otherEditor);
    otherMenus.openEditorMenu({10, 10});
    EXPECT_EQ(titleOf(otherMenus.editorMenu(), EditorMenus::kPaste), "Paste Part (from #B)");

    // In trimmer mode the same places hold the trimmer commands.
    press(EditorMenus::kFirstVoiceButton + 2);
    const gui::COptionMenu& menu = rightClickMenu();
    EXPECT_EQ(titleOf(menu, EditorMenus::kCopy), "Copy Trimmers");
    EXPECT_EQ(titleOf(menu, EditorMenus::kPaste), "(Paste Trimmers)");
    EXPECT_EQ(titleOf(menu, EditorMenus::kSwap), "");
    frame().platformKeyDown({0, gui::VirtualKey::Escape, 0});
    synth_.setControl(133, 0.9f * params::scaleOf(133), 2, false);
    choose(EditorMenus::kCopy);
    EXPECT_EQ(titleOf(rightClickMenu(), EditorMenus::kPaste), "Paste Trimmers (from #3)");
    frame().platformKeyDown({0, gui::VirtualKey::Escape, 0});
    press(EditorMenus::kFirstVoiceButton + 6);
    choose(EditorMenus::kPaste);
    EXPECT_FLOAT_EQ(value(133, 6), 0.9f * params::scaleOf(133));
    // Back outside trimmer mode the part clipboard holds trimmers: nothing to paste.
    press(EditorMenus::kFirstVoiceButton + 6);
    EXPECT_EQ(titleOf(rightClickMenu(), EditorMenus::kPaste), "(Paste Part)");
}

TEST_F(EditorMenusTest, PatchCommandsReachThePlugInAndTheEditorRefreshes) {
    synth_.setControl(50, 0.1f * params::scaleOf(50), 0, false);
    synth_.setControl(50, 0.7f * params::scaleOf(50), 1, false);
    choose(EditorMenus::kSwap);
    EXPECT_FLOAT_EQ(value(50, 0), 0.7f * params::scaleOf(50));
    EXPECT_FLOAT_EQ(value(50, 1), 0.1f * params::scaleOf(50));
    EXPECT_GE(editor_.refreshes_, 1);

    // "Initialize Patch" ends trimmer mode and shows part A.
    press(EditorMenus::kFirstVoiceButton + 4);
    ASSERT_TRUE(editor_.trimmer_);
    choose(EditorMenus::kInitPatch);
    EXPECT_FALSE(editor_.trimmer_);
    EXPECT_EQ(synth_.parameters().currentPart, 0);
    char name[64] = {};
    synth_.getProgramName(name);
    EXPECT_STREQ(name, "Init Patch");

    choose(EditorMenus::kOpenBrowser);
    EXPECT_EQ(editor_.browserOpened_, 1);
    choose(EditorMenus::kFirstUiSize);
    EXPECT_EQ(editor_.sizeAsked_, 1);  // "Small"
    choose(EditorMenus::kFirstUiSize + 2);
    EXPECT_EQ(editor_.sizeAsked_, 2);
}

TEST_F(EditorMenusTest, VoiceButtonsEnterAndLeaveTrimmerMode) {
    synth_.parameters().currentPart = 1;
    EXPECT_TRUE(press(EditorMenus::kFirstVoiceButton + 2));
    EXPECT_TRUE(editor_.trimmer_);
    EXPECT_EQ(synth_.parameters().currentPart, 2);
    EXPECT_EQ(editor_.lit(314, 329), std::vector<int>{316});
    // Another voice: still trimming, that voice now.
    press(EditorMenus::kFirstVoiceButton + 9);
    EXPECT_TRUE(editor_.trimmer_);
    EXPECT_EQ(synth_.parameters().currentPart, 9);
    EXPECT_EQ(editor_.lit(314, 329), std::vector<int>{323});
    // The button of the voice shown leaves, back to part B.
    press(EditorMenus::kFirstVoiceButton + 9);
    EXPECT_FALSE(editor_.trimmer_);
    EXPECT_EQ(synth_.parameters().currentPart, 1);
    EXPECT_TRUE(editor_.lit(314, 329).empty());
    gui::COnOffButton partB(gui::CRect{}, nullptr, 311);
    EXPECT_FALSE(menus_.runCommand(partB));  // the part buttons are the editor's
}

TEST_F(EditorMenusTest, TheVoiceCountChangesUnderTheReloadLockAndMovesTheCheckMark) {
    synth_.setSampleRate(44100.0f);
    synth_.setBlockSize(256);
    synth_.resume();
    MidiList note{{0, 0x90, 60, 110}};
    synth_.processEvents(note.events());
    ASSERT_GT(renderRms(synth_, 20), 0.001f);

    choose(EditorMenus::kSixteenVoices);
    EXPECT_EQ(value(control::kVoiceCount, -1), 16.0f);
    // The full reset of the change silenced the held note.
    EXPECT_LT(renderRms(synth_, 20), 1e-4f);
    EXPECT_EQ(synth_.engine().voiceCount(), 16);
    const gui::COptionMenu& menu = rightClickMenu();
    EXPECT_EQ(titleOf(menu, EditorMenus::kEightVoices), "8 voices");
    EXPECT_EQ(describe(menu)[9], "16 voices *=9");
    frame().platformKeyDown({0, gui::VirtualKey::Escape, 0});

    // The voice-mode menu: parts modes, then the voice counts.
    chooseVoiceMode(1);
    EXPECT_EQ(value(127, -1), 1.0f);
    chooseVoiceMode(2);
    EXPECT_EQ(value(127, -1), 2.0f);
    chooseVoiceMode(3);
    EXPECT_EQ(value(control::kVoiceCount, -1), 8.0f);
    EXPECT_EQ(value(127, -1), 2.0f);
    renderRms(synth_, 1);
    EXPECT_EQ(synth_.engine().voiceCount(), 8);
    EXPECT_EQ(describe(rightClickMenu())[8], "8 voices *=8");
    frame().platformKeyDown({0, gui::VirtualKey::Escape, 0});
    // The same entry again after a change elsewhere still counts.
    choose(EditorMenus::kSixteenVoices);
    chooseVoiceMode(3);
    EXPECT_EQ(value(control::kVoiceCount, -1), 8.0f);
}

TEST_F(EditorMenusTest, ShapeButtonsStepTheLfoShapesAndLightTheirButton) {
    press(334);
    EXPECT_EQ(value(control::kLfo[0].shape, -1), 2.0f);
    press(339);
    EXPECT_EQ(value(control::kLfo[1].shape, -1), 3.0f);
    press(332);
    EXPECT_EQ(value(control::kLfo[0].shape, -1), 0.0f);
    EXPECT_EQ(editor_.lit(332, 339), (std::vector<int>{332, 339}));
    // A change from elsewhere shows at the next refresh.
    synth_.setControl(control::kLfo[1].shape, 1.0f, -1, false);
    menus_.refreshCommandControls();
    EXPECT_EQ(editor_.lit(332, 339), (std::vector<int>{332, 337}));
}

TEST_F(EditorMenusTest, LearnAndForgetThroughTheControlMenu) {
    synth_.parameters().currentPart = 1;
    chooseControlMenu(CControlPopupMenu::kLearnMenu, 50, 0);
    EXPECT_TRUE(synth_.controllerMap().learnPending());
    MidiList cc{{0, 0xB0, 20, 64}};
    synth_.processEvents(cc.events());
    EXPECT_EQ(synth_.controllerMap().entry(20).control, 50);
    EXPECT_EQ(synth_.controllerMap().entry(20).part, 1);
    chooseControlMenu(CControlPopupMenu::kLearnMenu, 50, 1);
    EXPECT_EQ(synth_.controllerMap().entry(20).control, ControllerMap::kUnassigned);
}

TEST_F(EditorMenusTest, LocksAreStoredForTheNextPlugInObject) {
    synth_.parameters().currentPart = 1;
    chooseControlMenu(CControlPopupMenu::kLockMenu, 50, 0);
    chooseControlMenu(CControlPopupMenu::kLearnMenu, 333, 2);  // a shape button locks its LFO's shape
    EXPECT_TRUE(synth_.isLocked(50, 1));
    EXPECT_FALSE(synth_.isLocked(50, 0));
    EXPECT_TRUE(synth_.isLocked(control::kLfo[0].shape, -1));
    EXPECT_EQ(editor_.refreshes_, 2);
    {
        VstXSynth next(TestHost::callback);
        EXPECT_TRUE(next.isLocked(50, 1));
        EXPECT_TRUE(next.isLocked(control::kLfo[0].shape, -1));
    }
    // The same entry again unlocks, also for the next object.
    chooseControlMenu(CControlPopupMenu::kLockMenu, 50, 0);
    EXPECT_FALSE(synth_.isLocked(50, 1));
    VstXSynth next(TestHost::callback);
    EXPECT_FALSE(next.isLocked(50, 1));
}

}  // namespace
