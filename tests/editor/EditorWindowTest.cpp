// Controls in a real window, clicked and dragged by xdotool, and the plug-in's
// editor opened, used and closed through the host interface.
#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>
#include <cmath>
#include <thread>

#include "ADEditor.h"
#include "BrnCOptionMenuSkinSW.h"
#include "CAnimKnob.h"
#include "CFrame.h"
#include "CMenuPopup.h"
#include "COnOffButton.h"
#include "COptionMenu.h"
#include "MessageCapture.h"
#include "ParameterTable.h"
#include "Messages.h"
#include "TestHost.h"
#include "VendorRequests.h"
#include "VstXSynth.h"
#include "XTestRig.h"

using namespace gui;
using namespace calverine::test;
using calverine::ADEditor;
using calverine::VstXSynth;
namespace params = calverine::params;

namespace {

struct Edits : IControlListener {
    std::vector<std::pair<char, int>> log;  // ('b'egin | 'v'alue | 'e'nd, tag)
    void valueChanged(CControl* c) override { log.emplace_back('v', c->getTag()); }
    void beginEdit(int tag) override { log.emplace_back('b', tag); }
    void endEdit(int tag) override { log.emplace_back('e', tag); }
    int count(char kind, int tag) const { return int(std::count(log.begin(), log.end(), std::pair{kind, tag})); }
};

std::string over(std::uintptr_t window, int x, int y) {
    return "mousemove --window " + std::to_string(window) + " " + std::to_string(x) + " " + std::to_string(y);
}

class FrameInWindow : public XTest {};

class EditorInHost : public XTest {
protected:
    void SetUp() override {
        XTest::SetUp();
        if (IsSkipped()) return;
        xcb_destroy_window(c_, parent_);
        parent_ = parentWindow(1200, 800);
    }
    VstIntPtr dispatch(VstXSynth& synth, VstInt32 opcode, void* ptr = nullptr) {
        AEffect* e = synth.getAeffect();
        return e->dispatcher(e, opcode, 0, 0, ptr, 0);
    }
    void* parentHandle() const { return reinterpret_cast<void*>(std::uintptr_t(parent_)); }
    bool idleUntil(VstXSynth& synth, const std::function<bool()>& done) {
        for (int i = 0; i < 1500 && !done(); ++i) {
            dispatch(synth, effEditIdle);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return done();
    }
    std::vector<float> render(VstXSynth& synth) {
        synth.setSampleRate(44100.0f);
        synth.setBlockSize(512);
        synth.resume();
        MidiList notes{{0, 0x90, 60, 100}, {0, 0x90, 64, 90}};
        synth.processEvents(notes.events());
        std::vector<float> all, left(512), right(512);
        for (int block = 0; block < 40; ++block) {
            float* outs[2] = {left.data(), right.data()};
            synth.processReplacing(nullptr, outs, 512);
            all.insert(all.end(), left.begin(), left.end());
        }
        return all;
    }
    TestHost host_;
};

}  // namespace

TEST_F(FrameInWindow, RealClicksAndDragsReachTheControlUnderThePointer) {
    Edits edits;
    CFrame frame(400, 300);
    auto* button = frame.add<COnOffButton>(CRect{20, 20, 100, 50}, &edits, 1);
    auto* knob = frame.add<CAnimKnob>(CRect{200, 100, 260, 160}, &edits, 2);
    auto* menu = frame.add<COptionMenu>(CRect{20, 200, 180, 224}, &edits, 3);
    menu->addEntry("Saw");
    menu->addEntry("Pulse");
    menu->addEntry("Noise");
    std::string error;
    ASSERT_TRUE(frame.open(reinterpret_cast<void*>(std::uintptr_t(parent_)), &error)) << error;
    PlatformWindow& window = *frame.window();
    const std::uintptr_t id = std::uintptr_t(window.nativeHandle());
    ASSERT_TRUE(pumpUntil(window, [] { return true; }));

    ASSERT_EQ(xdotool(over(id, 60, 35) + " click 1"), 0);
    ASSERT_TRUE(pumpUntil(window, [&] { return edits.count('e', 1) == 1; }));
    EXPECT_EQ(button->getValue(), 1.0f);
    EXPECT_EQ(knob->getValue(), 0.0f);

    // 120 pixels up is a quarter of the knob's range, in one gesture.
    ASSERT_EQ(xdotool(over(id, 230, 150) + " mousedown 1 " + over(id, 230, 100) + " " + over(id, 230, 30) +
                      " mouseup 1"),
              0);
    ASSERT_TRUE(pumpUntil(window, [&] { return edits.count('e', 2) == 1; }));
    EXPECT_NEAR(knob->getValue(), 0.25f, 0.01f);
    EXPECT_EQ(edits.count('b', 2), 1);

    // The menu opens inside the frame; the second entry is picked by a click on it.
    ASSERT_EQ(xdotool(over(id, 100, 212) + " click 1"), 0);
    ASSERT_TRUE(pumpUntil(window, [&] { return frame.topModal() != nullptr; }));
    auto* popup = dynamic_cast<CMenuPopup*>(frame.topModal());
    ASSERT_NE(popup, nullptr);
    const CPoint second = popup->itemRect(0, 1).center();
    ASSERT_EQ(xdotool(over(id, int(second.x), int(second.y)) + " click 1"), 0);
    ASSERT_TRUE(pumpUntil(window, [&] { return frame.topModal() == nullptr; }));
    EXPECT_EQ(menu->getValue(), 1.0f);
    EXPECT_EQ(edits.count('b', 3), edits.count('e', 3));
}

namespace {

// The centre of the (first) control with `tag`, in frame coordinates.
CPoint centreOf(const ADEditor& editor, int tag) { return editor.viewsWithTag(tag).at(0)->getViewSize().center(); }

CControl* controlOf(const ADEditor& editor, int tag) {
    return dynamic_cast<CControl*>(editor.viewsWithTag(tag).at(0));
}

}  // namespace

TEST_F(EditorInHost, OpensAtItsSizeAndAKnobDragIsOneAutomatedGesture) {
    VstXSynth synth(TestHost::callback);
    synth.adoptEditor(std::make_unique<ADEditor>(synth));
    EXPECT_TRUE(synth.getAeffect()->flags & effFlagsHasEditor);
    ERect* rect = nullptr;
    ASSERT_EQ(dispatch(synth, effEditGetRect, &rect), 1);
    EXPECT_EQ(rect->right - rect->left, 1165);
    EXPECT_EQ(rect->bottom - rect->top, 725);

    ASSERT_EQ(dispatch(synth, effEditOpen, parentHandle()), 1);
    ASSERT_EQ(children(parent_).size(), 1u);
    auto* editor = static_cast<ADEditor*>(synth.getEditor());
    const std::uintptr_t id = children(parent_)[0];
    ASSERT_TRUE(idleUntil(synth, [] { return true; }));

    // Volume: control 7, host parameter 1.
    const CPoint volume = centreOf(*editor, 7);
    const float before = synth.getParameter(1);
    host_.requests.clear();
    const int x = int(volume.x), y = int(volume.y);
    ASSERT_EQ(xdotool(over(id, x, y) + " mousedown 1 " + over(id, x, y - 60) + " " + over(id, x, y - 120) +
                      " mouseup 1"),
              0);
    ASSERT_TRUE(idleUntil(synth, [&] {
        return std::count(host_.requests.begin(), host_.requests.end(), audioMasterEndEdit) == 1;
    }));
    EXPECT_NEAR(synth.getParameter(1), std::min(1.0f, before + 0.25f), 0.01f);
    EXPECT_EQ(std::count(host_.requests.begin(), host_.requests.end(), audioMasterBeginEdit), 1);
    EXPECT_GE(std::count(host_.requests.begin(), host_.requests.end(), audioMasterAutomate), 1);

    // The knob follows the host's automation on the next idle call.
    synth.setParameter(1, 0.125f);
    dispatch(synth, effEditIdle);
    EXPECT_FLOAT_EQ(controlOf(*editor, 7)->getValue(), 0.125f);

    dispatch(synth, effEditClose);
    EXPECT_TRUE(children(parent_).empty());
    EXPECT_EQ(editor->frame(), nullptr);
}
TEST_F(EditorInHost, TheSoundIsTheSameWithTheEditorOpenAndReopeningLeavesNothingBehind) {
    VstXSynth quiet(TestHost::callback);
    const std::vector<float> without = render(quiet);

    VstXSynth synth(TestHost::callback);
    synth.adoptEditor(std::make_unique<ADEditor>(synth));
    ASSERT_EQ(dispatch(synth, effEditOpen, parentHandle()), 1);
    // The audio runs on its own thread while the user interface idles.
    std::vector<float> with;
    std::atomic<bool> done{false};
    std::thread audio([&] {
        with = render(synth);
        done = true;
    });
    idleUntil(synth, [&] { return done.load(); });
    audio.join();
    EXPECT_EQ(with, without);
    EXPECT_GT(*std::max_element(without.begin(), without.end()), 0.01f);

    for (int i = 0; i < 100; ++i) {
        dispatch(synth, effEditClose);
        ASSERT_EQ(dispatch(synth, effEditOpen, parentHandle()), 1);
        dispatch(synth, effEditIdle);
    }
    EXPECT_EQ(children(parent_).size(), 1u);
    dispatch(synth, effEditClose);
    EXPECT_TRUE(children(parent_).empty());
}

TEST_F(EditorInHost, MessagesShowInsideTheOpenEditorAndGoBackToTheHookAfterwards) {
    MessageCapture capture;
    VstXSynth synth(TestHost::callback);
    synth.adoptEditor(std::make_unique<ADEditor>(synth));
    ASSERT_EQ(dispatch(synth, effEditOpen, parentHandle()), 1);
    auto* editor = static_cast<ADEditor*>(synth.getEditor());

    platform::showMessage("Error", "shown at once", platform::MessageIcon::Error);
    EXPECT_NE(editor->frame()->topModal(), nullptr);
    editor->frame()->platformKeyDown(KeyEvent{0, VirtualKey::Return, 0});
    EXPECT_EQ(editor->frame()->topModal(), nullptr);

    // From another thread the message waits for the next idle call.
    std::thread([] { platform::showMessage("Error", "from elsewhere", platform::MessageIcon::Error); }).join();
    EXPECT_EQ(editor->frame()->topModal(), nullptr);
    dispatch(synth, effEditIdle);
    EXPECT_NE(editor->frame()->topModal(), nullptr);
    EXPECT_TRUE(capture.texts.empty());

    dispatch(synth, effEditClose);
    platform::showMessage("Error", "after closing", platform::MessageIcon::Error);
    EXPECT_EQ(capture.take(), std::vector<std::string>{"after closing"});
}

TEST_F(EditorInHost, ASizeChangeReopensInTheSameWindowAndIsRemembered) {
    {
        VstXSynth synth(TestHost::callback);
        synth.adoptEditor(std::make_unique<ADEditor>(synth));
        ASSERT_EQ(dispatch(synth, effEditOpen, parentHandle()), 1);
        auto* editor = static_cast<ADEditor*>(synth.getEditor());
        editor->setUISize(2);
        dispatch(synth, effEditIdle);
        ASSERT_NE(editor->frame(), nullptr);
        EXPECT_EQ(editor->frame()->getViewSize().width(), 1631);
        EXPECT_EQ(static_cast<calverine::BrnCOptionMenuSkinSW*>(editor->viewsWithTag(307).at(0))->sizeIndex(), 2);
        EXPECT_EQ(children(parent_).size(), 1u);
        // (765, 26) at Medium is (1071, 36) at Large: every control is floor-scaled.
        const CRect volume = editor->viewsWithTag(7).at(0)->getViewSize();
        EXPECT_EQ(volume.left, std::floor(volume.left));
        dispatch(synth, effEditClose);
    }
    // A new plug-in object opens at the size chosen last.
    VstXSynth again(TestHost::callback);
    again.adoptEditor(std::make_unique<ADEditor>(again));
    ERect* rect = nullptr;
    dispatch(again, effEditGetRect, &rect);
    EXPECT_EQ(rect->right, 1631);
    EXPECT_EQ(rect->bottom, 1015);
}

TEST_F(EditorInHost, PagesPartsAndTheStepEditorReachThePlugIn) {
    VstXSynth synth(TestHost::callback);
    synth.adoptEditor(std::make_unique<ADEditor>(synth));
    ASSERT_EQ(dispatch(synth, effEditOpen, parentHandle()), 1);
    auto* editor = static_cast<ADEditor*>(synth.getEditor());
    // Page 0 shows the effects, page 1 the matrix.
    EXPECT_TRUE(editor->viewsWithTag(90).at(0)->isVisible());
    EXPECT_FALSE(editor->viewsWithTag(100).at(0)->isVisible());
    controlOf(*editor, 331)->setValueNotify(1.0f);
    EXPECT_FALSE(editor->viewsWithTag(90).at(0)->isVisible());
    EXPECT_TRUE(editor->viewsWithTag(100).at(0)->isVisible());

    // Part B's cut-off is edited after the part B button.
    controlOf(*editor, 311)->setValueNotify(1.0f);
    synth.setControl(50, 0.3f * params::scaleOf(50), 1, false);
    synth.setControl(50, 0.8f * params::scaleOf(50), 0, false);
    dispatch(synth, effEditIdle);
    EXPECT_NEAR(controlOf(*editor, 50)->getValue(), 0.3f, 1e-6);

    // A click at the top of the step editor's first step sets it to full.
    controlOf(*editor, 330)->setValueNotify(1.0f);
    auto* bars = controlOf(*editor, 200);
    ASSERT_TRUE(bars->isVisible());
    const CRect r = bars->getViewSize();
    editor->frame()->platformMouseDown({r.left + 1, r.top}, kLButton);
    editor->frame()->platformMouseUp({r.left + 1, r.top}, kLButton);
    EXPECT_EQ(synth.parameters().current().steps[0][0], 1.0f);
    EXPECT_EQ(synth.engine().stepValue(0, 0), 1.0f);
    dispatch(synth, effEditClose);
}

TEST_F(EditorInHost, HostWheelMessagesTurnTheControlUnderTheMouseAndUnusedKeysStayTheHosts) {
    VstXSynth synth(TestHost::callback);
    synth.adoptEditor(std::make_unique<ADEditor>(synth));
    auto* editor = static_cast<ADEditor*>(synth.getEditor());
    constexpr VstInt32 kStCA = ('s' << 24) | ('t' << 16) | ('C' << 8) | 'A';
    constexpr VstInt32 kWhee = ('W' << 24) | ('h' << 16) | ('e' << 8) | 'e';
    AEffect* e = synth.getAeffect();
    // Closed, the message is nobody's.
    EXPECT_EQ(e->dispatcher(e, effVendorSpecific, kStCA, kWhee, nullptr, 1.0f), 0);

    ASSERT_EQ(dispatch(synth, effEditOpen, parentHandle()), 1);
    editor->frame()->platformMouseMoved(centreOf(*editor, 7), 0);
    const float before = synth.getParameter(1);
    EXPECT_EQ(e->dispatcher(e, effVendorSpecific, kStCA, kWhee, nullptr, 2.0f), 1);
    EXPECT_GT(synth.getParameter(1), before);

    EXPECT_EQ(e->dispatcher(e, effEditKeyDown, ' ', kVKeySpace, nullptr, 0.0f), 0);
    EXPECT_EQ(e->dispatcher(e, effEditKeyDown, 0, kVKeyLeft, nullptr, 0.0f), 0);
    dispatch(synth, effEditClose);
}

TEST(EditorScreenshot, AClosedEditorDrawsItselfIntoAPngAtEachSize) {
    TestHost host;
    VstXSynth synth(TestHost::callback);
    synth.adoptEditor(std::make_unique<ADEditor>(synth));
    AEffect* e = synth.getAeffect();
    const int sizes[3][2] = {{1165, 725}, {932, 580}, {1631, 1015}};
    for (int size = 0; size < 3; ++size) {
        const std::string path = host.folder.file("editor-" + std::to_string(size) + ".png");
        ASSERT_EQ(e->dispatcher(e, effVendorSpecific, calverine::kScreenshotRequest, size,
                                const_cast<char*>(path.c_str()), 0.0f),
                  1);
        std::ifstream in(path, std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        auto image = CBitmap::fromPng(bytes.data(), bytes.size());
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->width(), sizes[size][0]);
        EXPECT_EQ(image->height(), sizes[size][1]);
    }
    EXPECT_FALSE(synth.getEditor()->isOpen());
    EXPECT_EQ(e->dispatcher(e, effVendorSpecific, calverine::kScreenshotRequest, 0,
                            const_cast<char*>("/no/such/folder/x.png"), 0.0f),
              0);
}

TEST_F(EditorInHost, VoiceButtonsTheRightClickMenuAndDropsReachTheOpenEditor) {
    VstXSynth synth(TestHost::callback);
    synth.adoptEditor(std::make_unique<ADEditor>(synth));
    ASSERT_EQ(dispatch(synth, effEditOpen, parentHandle()), 1);
    auto* editor = static_cast<ADEditor*>(synth.getEditor());
    CFrame& frame = *editor->frame();
    auto click = [&](int tag) {
        const CPoint at = controlOf(*editor, tag)->getViewSize().center();
        frame.platformMouseDown(at, kLButton);
        frame.platformMouseUp(at, kLButton);
    };
    // Panel 3 (the part) gives way to panel 4 (the trimmers of voice 3) and back.
    ASSERT_TRUE(controlOf(*editor, 50)->isVisible());
    ASSERT_FALSE(controlOf(*editor, 133)->isVisible());
    click(316);
    EXPECT_FALSE(controlOf(*editor, 50)->isVisible());
    EXPECT_TRUE(controlOf(*editor, 133)->isVisible());
    EXPECT_EQ(controlOf(*editor, 316)->getValue(), 1.0f);
    EXPECT_EQ(controlOf(*editor, 310)->getValue(), 0.0f);
    click(316);
    EXPECT_TRUE(controlOf(*editor, 50)->isVisible());
    EXPECT_FALSE(controlOf(*editor, 133)->isVisible());
    EXPECT_EQ(controlOf(*editor, 316)->getValue(), 0.0f);
    EXPECT_EQ(controlOf(*editor, 310)->getValue(), 1.0f);

    // A right click where no control is opens the editor menu there.
    CPoint empty{-1, -1};
    for (double y = 5; y < frame.localBounds().height() && empty.x < 0; y += 37)
        for (double x = 5; x < frame.localBounds().width() && empty.x < 0; x += 41) {
            frame.platformMouseDown({x, y}, kRButton);
            if (!frame.topModal()) continue;
            frame.platformKeyDown({0, VirtualKey::Escape, 0});
            if (!const_cast<COptionMenu&>(editor->menus().editorMenu()).items().empty())
                empty = {x, y};
        }
    ASSERT_GE(empty.x, 0);

    // A patch file dropped there is imported and loaded.
    const std::string file = host_.home + "/Dropped Brass.fxp";
    {
        VstXSynth maker(TestHost::callback);
        std::string name = "Dropped Brass";
        maker.setProgramName(name.data());
        ASSERT_TRUE(maker.savePatchFile(file));
    }
    EXPECT_TRUE(frame.platformDrop(empty, DropData{DropData::Kind::Files, {file}}));
    char name[64] = {};
    synth.getProgramName(name);
    EXPECT_STREQ(name, "Dropped Brass");
    dispatch(synth, effEditClose);
}
