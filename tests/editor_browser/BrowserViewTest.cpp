// The browser view in a frame without a window: events fed as the window
// layer would, the frame drawn off-screen.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "BrnCFileBrowserView.h"
#include "CFrame.h"
#include "CMenuPopup.h"
#include "TempFolder.h"

using namespace calverine;
using calverine::test::TempFolder;
namespace fs = std::filesystem;
using Column = BrnCFileBrowserView::Column;

namespace {

struct Host : BrowserHost {
    std::string path, name = "Init";
    std::vector<std::vector<std::string>> breeds;
    bool loadPatchFile(const std::string& p) override { return path = p, name = fs::path(p).stem().string(), true; }
    std::string currentPatchPath() override { return path; }
    std::string currentPatchName() override { return name; }
    bool patchEdited() override { return false; }
    bool breedPatches(const std::vector<std::string>& parents, double, std::string&) override {
        return breeds.push_back(parents), true;
    }
    bool storeBredPatch(std::string&, std::string&) override { return false; }
};

class BrowserViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = (fs::path(folder_.path()) / "Soundbanks").string();
        for (const char* p : {"Factory/Bass/Bass One QV.fxp", "Factory/Bass/Big Subsonic.fxp",
                              "Factory/Bass/Acid Line XY.fxp", "Factory/Pads/Pad XY.fxp"}) {
            const fs::path f = fs::path(root_) / p;
            fs::create_directories(f.parent_path());
            std::ofstream(f) << p;
        }
        view_ = frame_.add<BrnCFileBrowserView>(gui::CRect{0, 0, 720, 409}, root_, host_, 15);
        BrowserModel& m = view_->model();
        m.selectBank(m.library().findBank("Factory"));
        m.selectCategory(m.library().findCategory("Bass"));
        view_->refresh();
    }
    gui::CPoint centre(Column c, int row) const { return view_->rowRect(c, row).center(); }
    void click(gui::CPoint p, std::uint32_t buttons = gui::kLButton) {
        frame_.platformMouseDown(p, buttons);
        frame_.platformMouseUp(p, buttons & ~(gui::kLButton | gui::kRButton));
    }
    void type(const std::string& text) {
        for (char c : text) frame_.platformKeyDown(gui::KeyEvent{char32_t(c)});
    }
    std::vector<std::string> popupTitles() {
        std::vector<std::string> out;
        for (const auto& item : view_->popupMenu().items()) out.push_back(item.separator ? "-" : item.title);
        return out;
    }

    TempFolder folder_;
    std::string root_;
    Host host_;
    gui::CFrame frame_{720, 409};
    BrnCFileBrowserView* view_ = nullptr;
};

}  // namespace

TEST_F(BrowserViewTest, TypingSearchesClickingLoadsAndTheRowsFollow) {
    click(view_->searchRect().center());
    type("b");
    EXPECT_EQ(view_->model().searchText(), "b");
    ASSERT_EQ(view_->model().visiblePatches().size(), 2u);
    click(centre(Column::Patches, 1));
    EXPECT_EQ(host_.name, "Big Subsonic");
    EXPECT_EQ(view_->model().selectedRows(), std::vector<int>{1});
    click(view_->clearRect().center());
    EXPECT_EQ(view_->model().visiblePatches().size(), 3u);
    EXPECT_EQ(view_->searchField().getText(), "");

    if (const char* shot = std::getenv("CALVERINE_BROWSER_SHOT")) {
        view_->model().setGeneticsOpen(true);
        view_->runMenuButtonItem("Open Genetics");
        frame_.renderOffscreen()->writePng(shot);
    }
}

TEST_F(BrowserViewTest, MenusOpenWithTheirEntriesAndRenamingGoesThroughTheNameEditor) {
    click(view_->menuButtonRect().center());
    ASSERT_NE(frame_.topModal(), nullptr);
    EXPECT_EQ(popupTitles(), (std::vector<std::string>{"Open Genetics", "Import Patch...", "Import Folder...",
                                                       "Import ZIP Contents...", "Reload Soundbanks"}));
    frame_.platformKeyDown(gui::KeyEvent{0, gui::VirtualKey::Escape});
    ASSERT_EQ(frame_.topModal(), nullptr);

    click(centre(Column::Patches, 0), gui::kRButton);
    EXPECT_EQ(popupTitles(),
              (std::vector<std::string>{"Rename Patch", "Duplicate Patch", "Move to Trash", "-", "Genetics"}));
    frame_.platformKeyDown(gui::KeyEvent{0, gui::VirtualKey::Escape});

    const int factory = view_->model().library().findBank("Factory");
    click(centre(Column::Banks, factory), gui::kRButton);
    auto* popup = dynamic_cast<gui::CMenuPopup*>(frame_.topModal());
    ASSERT_NE(popup, nullptr);
    click(popup->itemRect(0, 0).center());  // "Rename Soundbank"
    ASSERT_NE(view_->nameEditor(), nullptr);
    EXPECT_EQ(view_->nameEditor()->getText(), "Factory");
    frame_.platformKeyDown(gui::KeyEvent{0, gui::VirtualKey::End});
    type("2");
    // OK takes the keyboard away from the editor and still applies the name.
    click(view_->okCancel()->getViewSize().offset(0, 0).topLeft() + gui::CPoint{5, 5});
    EXPECT_EQ(view_->nameEditor(), nullptr);
    EXPECT_TRUE(fs::is_directory(fs::path(root_) / "Factory2"));
}

TEST_F(BrowserViewTest, ADraggedPatchShowsItsHintAndDropsOnTheTrash) {
    const int trash = view_->model().library().findBank("Trash");
    const gui::CPoint from = centre(Column::Patches, 1);
    frame_.platformMouseDown(from, gui::kLButton);
    frame_.platformMouseMoved(from + gui::CPoint{-40, 0}, gui::kLButton);
    frame_.platformMouseMoved(centre(Column::Banks, trash), gui::kLButton);
    EXPECT_TRUE(view_->moveInfo().isVisible());
    EXPECT_EQ(view_->moveInfo().text(), "Delete");
    const int pads = view_->model().library().findCategory("Pads");
    int padsRow = 0;
    for (std::size_t r = 0; r < view_->model().categoryRows().size(); ++r)
        if (view_->model().categoryRows()[r] == pads) padsRow = int(r);
    frame_.platformMouseMoved(centre(Column::Categories, padsRow), gui::kLButton);
    EXPECT_EQ(view_->moveInfo().text(), "Move to: Factory -> Pads");
    frame_.platformMouseMoved(centre(Column::Banks, trash), gui::kLButton);
    frame_.platformMouseUp(centre(Column::Banks, trash), 0);
    EXPECT_FALSE(view_->moveInfo().isVisible());
    EXPECT_TRUE(fs::exists(fs::path(root_) / "Factory/Bass/Bass One QV.bin"));
    EXPECT_EQ(view_->model().visiblePatches().size(), 2u);
}
