// Files and the host's XML text dropped onto the editor end in the patch
// library; a dropped patch is loaded.
#include <gtest/gtest.h>

#include <zip.h>

#include "DropImport.h"
#include "Files.h"
#include "Folders.h"
#include "MenuRig.h"

using namespace calverine;
using namespace calverine::test;

namespace {

class DropImportTest : public testing::Test {
protected:
    void SetUp() override {
        root_ = platform::dataFolder() + "Soundbanks";
        ASSERT_TRUE(platform::makeDirectories(platform::joinPath(root_, "User")));
        frame().add<EditorSurface>(frame().localBounds(), menus_,
                                   [this](const gui::DropData& data) { return importDrop(synth_, data); });
    }
    gui::CFrame& frame() { return editor_.frame_; }
    // A program file named `name` made by another plug-in object.
    std::string patchFile(const std::string& folder, const std::string& name) {
        VstXSynth maker(TestHost::callback);
        std::string text = name;
        maker.setProgramName(text.data());
        const std::string path = platform::joinPath(folder, name + ".fxp");
        platform::makeDirectories(folder);
        EXPECT_TRUE(maker.savePatchFile(path));
        return path;
    }
    std::string programName() {
        char name[64] = {};
        synth_.getProgramName(name);
        return name;
    }
    bool drop(gui::DropData::Kind kind, std::vector<std::string> items) {
        return frame().platformDrop({500, 300}, gui::DropData{kind, std::move(items)});
    }
    std::string in(std::initializer_list<const char*> parts) {
        std::string path = root_;
        for (const char* p : parts) path = platform::joinPath(path, p);
        return path;
    }

    TestHost host_;
    TempFolder outside_;
    std::string root_;
    VstXSynth synth_{TestHost::callback};
    StandInEditor editor_{synth_};
    EditorMenus menus_{editor_};
};

TEST_F(DropImportTest, ADroppedPatchGoesToUserAndIsLoaded) {
    const std::string file = patchFile(outside_.path(), "Glass Bells");
    ASSERT_NE(programName(), "Glass Bells");
    EXPECT_TRUE(drop(gui::DropData::Kind::Files, {file}));
    EXPECT_TRUE(platform::fileExists(in({"User", "Glass Bells.fxp"})));
    EXPECT_EQ(programName(), "Glass Bells");
    EXPECT_EQ(synth_.currentPatchPath(), in({"User", "Glass Bells.fxp"}));
    // Again: a second copy under a new name.
    EXPECT_TRUE(drop(gui::DropData::Kind::Files, {file}));
    EXPECT_TRUE(platform::fileExists(in({"User", "Glass Bells 1.fxp"})));
}

TEST_F(DropImportTest, ADroppedPatchJoinsTheBankAndCategoryOfTheLoadedPatch) {
    const std::string loaded = patchFile(in({"Keys", "Electric"}), "Tine");
    synth_.rescanLibrary();
    ASSERT_TRUE(synth_.loadPatchFile(loaded));
    const std::string file = patchFile(outside_.path(), "Wurly");
    EXPECT_TRUE(drop(gui::DropData::Kind::Files, {file}));
    EXPECT_TRUE(platform::fileExists(in({"Keys", "Electric", "Wurly.fxp"})));
    EXPECT_EQ(programName(), "Wurly");
}

TEST_F(DropImportTest, TheHostsTextWithTwoPathsImportsBoth) {
    const std::string first = patchFile(outside_.path(), "First Pad");
    const std::string second = patchFile(outside_.path(), "Second Pad");
    const std::string xml = "\xEF\xBB\xBF<vst-xml><region><filename>" + first + "</filename></region><region><filename>" +
                            second + "</filename></region></vst-xml>";
    EXPECT_TRUE(drop(gui::DropData::Kind::Text, {xml}));
    EXPECT_TRUE(platform::fileExists(in({"User", "First Pad.fxp"})));
    EXPECT_TRUE(platform::fileExists(in({"User", "Second Pad.fxp"})));
    EXPECT_EQ(programName(), "Second Pad");

    // Text that is no such document imports nothing.
    EXPECT_FALSE(drop(gui::DropData::Kind::Text, {"<vst-xml><region>"}));
    EXPECT_FALSE(drop(gui::DropData::Kind::Text, {"just words"}));
}

TEST_F(DropImportTest, ADroppedZipOrFolderBecomesASoundbank) {
    const std::string a = patchFile(outside_.path(), "a");
    const std::string archive = platform::joinPath(outside_.path(), "Pads.zip");
    int error = 0;
    zip_t* zip = zip_open(archive.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(zip, nullptr);
    ASSERT_GE(zip_file_add(zip, "Pads/a.fxp", zip_source_file(zip, a.c_str(), 0, -1), 0), 0);
    ASSERT_GE(zip_file_add(zip, "Pads/Warm/b.fxp", zip_source_file(zip, a.c_str(), 0, -1), 0), 0);
    ASSERT_EQ(zip_close(zip), 0);

    const std::string before = programName();
    const int banks = synth_.programList().bankCount();
    EXPECT_TRUE(drop(gui::DropData::Kind::Files, {archive}));
    EXPECT_TRUE(platform::fileExists(in({"Pads", "a.fxp"})));
    EXPECT_TRUE(platform::fileExists(in({"Pads", "Warm", "b.fxp"})));
    EXPECT_EQ(programName(), before);  // a soundbank is not loaded
    EXPECT_GT(synth_.programList().bankCount(), banks);

    const std::string folder = platform::joinPath(outside_.path(), "Strings");
    patchFile(platform::joinPath(folder, "Slow"), "Violins");
    EXPECT_TRUE(drop(gui::DropData::Kind::Files, {folder}));
    EXPECT_TRUE(platform::fileExists(in({"Strings", "Slow", "Violins.fxp"})));

    // Other files are left alone.
    EXPECT_FALSE(drop(gui::DropData::Kind::Files, {platform::joinPath(outside_.path(), "notes.txt")}));
}

}  // namespace
