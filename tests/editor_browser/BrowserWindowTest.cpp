// The browser inside the plug-in's editor in a real window: opened, searched
// by typing, a patch loaded by a click, dragged to the trash and restored,
// all with xdotool on a library of generated patches in a temporary folder.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "ADEditor.h"
#include "BrnCFileBrowserView.h"
#include "CFrame.h"
#include "CMenuPopup.h"
#include "TempFolder.h"
#include "TestHost.h"
#include "VstXSynth.h"
#include "XTestRig.h"

using namespace calverine;
using namespace calverine::test;
namespace fs = std::filesystem;
using Column = BrnCFileBrowserView::Column;

namespace {

class BrowserInEditor : public XTest {
protected:
    void SetUp() override {
        XTest::SetUp();
        if (IsSkipped()) return;
        xcb_destroy_window(c_, parent_);
        parent_ = parentWindow(1200, 800);
        const char* old = std::getenv("CALVERINE_DATA_DIR");
        oldData_ = old ? old : "";
        hadData_ = old != nullptr;
        setenv("CALVERINE_DATA_DIR", (data_.path() + "/").c_str(), 1);
        // A few patches with their own program names, written by the plug-in itself.
        VstXSynth maker(TestHost::callback);
        for (const char* path : {"Factory/Bass/Warm Bass.fxp", "Factory/Bass/Wide Bass.fxp",
                                 "Factory/Bass/Acid Bass.fxp"}) {
            const fs::path file = fs::path(data_.path()) / "Soundbanks" / path;
            fs::create_directories(file.parent_path());
            std::string name = file.stem().string();
            maker.setProgramName(name.data());
            ASSERT_TRUE(maker.savePatchFile(file.string()));
        }
    }
    void TearDown() override {
        if (hadData_)
            setenv("CALVERINE_DATA_DIR", oldData_.c_str(), 1);
        else
            unsetenv("CALVERINE_DATA_DIR");
        XTest::TearDown();
    }
    VstIntPtr dispatch(VstXSynth& synth, VstInt32 opcode, void* ptr = nullptr) {
        AEffect* e = synth.getAeffect();
        return e->dispatcher(e, opcode, 0, 0, ptr, 0);
    }
    bool idleUntil(VstXSynth& synth, const std::function<bool()>& done) {
        for (int i = 0; i < 1500 && !done(); ++i) {
            dispatch(synth, effEditIdle);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return done();
    }
    // A browser row's centre in the editor window.
    static std::string at(std::uintptr_t window, BrnCFileBrowserView& b, gui::CPoint local) {
        const gui::CPoint p = b.localToFrame(local);
        return "mousemove --window " + std::to_string(window) + " " + std::to_string(int(p.x)) + " " +
               std::to_string(int(p.y));
    }
    std::string programName(VstXSynth& synth) {
        char name[kVstMaxProgNameLen + 1] = {};
        synth.getProgramName(name);
        return name;
    }

    TempFolder data_;
    std::string oldData_;
    bool hadData_ = false;
    TestHost host_;
};

}  // namespace

TEST_F(BrowserInEditor, SearchByTypingLoadByClickingTrashByDraggingAndRestore) {
    VstXSynth synth(TestHost::callback);
    synth.adoptEditor(std::make_unique<ADEditor>(synth));
    ASSERT_EQ(dispatch(synth, effEditOpen, reinterpret_cast<void*>(std::uintptr_t(parent_))), 1);
    auto* editor = static_cast<ADEditor*>(synth.getEditor());
    const std::uintptr_t id = children(parent_).at(0);
    ASSERT_TRUE(idleUntil(synth, [] { return true; }));
    ASSERT_NE(editor->browser(), nullptr);
    EXPECT_FALSE(editor->browser()->isVisible());
    editor->openBrowser();
    ASSERT_TRUE(editor->browser()->isVisible());
    BrnCFileBrowserView& b = *editor->browser();
    BrowserModel& m = b.model();

    const int factory = m.library().findBank("Factory");
    ASSERT_GE(factory, 0);
    ASSERT_EQ(xdotool(at(id, b, b.rowRect(Column::Banks, factory).center()) + " click 1"), 0);
    ASSERT_TRUE(idleUntil(synth, [&] { return m.selectedBank() == factory; }));
    const int bass = m.library().findCategory("Bass");
    int bassRow = -1;
    for (std::size_t r = 0; r < m.categoryRows().size(); ++r)
        if (m.categoryRows()[r] == bass) bassRow = int(r);
    ASSERT_EQ(xdotool(at(id, b, b.rowRect(Column::Categories, bassRow).center()) + " click 1"), 0);
    ASSERT_TRUE(idleUntil(synth, [&] { return m.visiblePatches().size() == 3; }));

    // Typing "w" keeps the names that begin with W.
    ASSERT_EQ(xdotool(at(id, b, b.searchRect().center()) + " click 1"), 0);
    ASSERT_TRUE(idleUntil(synth, [&] { return b.searchField().isEditingText(); }));
    ASSERT_EQ(xdotool("type --delay 30 w"), 0);
    ASSERT_TRUE(idleUntil(synth, [&] { return m.visiblePatches().size() == 2; }));
    EXPECT_EQ(m.visiblePatches()[0].name, "Warm Bass");
    EXPECT_EQ(m.visiblePatches()[1].name, "Wide Bass");

    // A click on a row loads it.
    ASSERT_EQ(xdotool(at(id, b, b.rowRect(Column::Patches, 1).center()) + " click 1"), 0);
    ASSERT_TRUE(idleUntil(synth, [&] { return programName(synth) == "Wide Bass"; }));
    EXPECT_EQ(editor->selectorText(302), "Wide Bass");

    // Dragged onto Trash, it goes there; the hint said so on the way.
    const int trash = m.library().findBank("Trash");
    const gui::CPoint from = b.rowRect(Column::Patches, 1).center();
    const gui::CPoint to = b.rowRect(Column::Banks, trash).center();
    ASSERT_EQ(xdotool(at(id, b, from) + " mousedown 1 " + at(id, b, from + gui::CPoint{-30, 0}) + " " +
                      at(id, b, to + gui::CPoint{4, 0}) + " " + at(id, b, to)),
              0);
    ASSERT_TRUE(idleUntil(synth, [&] { return b.moveInfo().isVisible(); }));
    EXPECT_EQ(b.moveInfo().text(), "Delete");
    ASSERT_EQ(xdotool("mouseup 1"), 0);
    const fs::path bin = fs::path(data_.path()) / "Soundbanks/Factory/Bass/Wide Bass.bin";
    ASSERT_TRUE(idleUntil(synth, [&] { return fs::exists(bin); }));
    EXPECT_EQ(m.visiblePatches().size(), 1u);

    // Restored from the Trash bank's menu.
    ASSERT_EQ(xdotool(at(id, b, to) + " click 1"), 0);
    ASSERT_TRUE(idleUntil(synth, [&] { return m.selectedBank() == trash; }));
    ASSERT_EQ(xdotool(at(id, b, b.rowRect(Column::Patches, 0).center()) + " click 3"), 0);
    ASSERT_TRUE(idleUntil(synth, [&] { return editor->frame()->topModal() != nullptr; }));
    auto* popup = dynamic_cast<gui::CMenuPopup*>(editor->frame()->topModal());
    ASSERT_NE(popup, nullptr);
    const gui::CPoint restore = popup->itemRect(0, 0).center();
    ASSERT_EQ(xdotool("mousemove --window " + std::to_string(id) + " " + std::to_string(int(restore.x)) + " " +
                      std::to_string(int(restore.y)) + " click 1"),
              0);
    ASSERT_TRUE(idleUntil(synth, [&] { return !fs::exists(bin); }));
    EXPECT_TRUE(fs::exists(fs::path(data_.path()) / "Soundbanks/Factory/Bass/Wide Bass.fxp"));

    if (const char* shot = std::getenv("CALVERINE_BROWSER_SHOT")) editor->frame()->renderOffscreen()->writePng(shot);
    // The browser button closes the browser again.
    editor->openBrowser();
    EXPECT_FALSE(editor->browser()->isVisible());
    dispatch(synth, effEditClose);
}
