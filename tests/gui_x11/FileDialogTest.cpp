// File dialogs with stand-in dialog programs: shell scripts on a private
// PATH that record their arguments and answer like the real ones.
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "FileDialog.h"
#include "TempFolder.h"

using namespace gui;
using calverine::test::TempFolder;

namespace {

class FileDialog : public ::testing::Test {
protected:
    void SetUp() override {
        const char* path = std::getenv("PATH");
        savedPath_ = path ? path : "";
        setenv("PATH", bin_.path().c_str(), 1);
    }
    void TearDown() override { setenv("PATH", savedPath_.c_str(), 1); }

    // A program that writes one argument per line to args.txt, prints
    // `answer` after a short pause and exits with `status`.
    void fakeProgram(const std::string& name, const std::string& answer, int status) {
        const std::string file = bin_.file(name);
        std::ofstream(file) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" << bin_.file("args.txt")
                            << "'\n/bin/sleep 0.15\nprintf '%s\\n' '" << answer << "'\nexit " << status << "\n";
        chmod(file.c_str(), 0755);
    }
    std::string arguments() const {
        std::ifstream in(bin_.file("args.txt"));
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static FileDialogOptions saveOptions() {
        FileDialogOptions o;
        o.mode = FileDialogOptions::Mode::Save;
        o.title = "Save Patch";
        o.filters = {{"Patch files", "*.fxp"}};
        o.folder = "/home/u/Patches";
        o.defaultName = "Init.fxp";
        return o;
    }

    TempFolder bin_;
    std::string savedPath_;
};

}  // namespace

TEST_F(FileDialog, ZenityIsAskedWithTitleFilterAndStartFolderWhileWePump) {
    fakeProgram("zenity", "/home/u/Patches/Lead 1.fxp", 0);
    fakeProgram("kdialog", "/wrong", 0);
    int pumps = 0;
    const FileDialogResult r = runFileDialog(saveOptions(), [&] { ++pumps; });
    EXPECT_EQ(r.path, "/home/u/Patches/Lead 1.fxp");
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(arguments(),
              "--file-selection\n--title=Save Patch\n--save\n--filename=/home/u/Patches/Init.fxp\n"
              "--file-filter=Patch files | *.fxp\n");
    EXPECT_GE(pumps, 4);  // the program took 150 ms; we pump every 20 ms
}

TEST_F(FileDialog, KdialogStandsInAndCancellingGivesNoPathAndNoError) {
    fakeProgram("kdialog", "", 1);
    FileDialogOptions o = saveOptions();
    o.mode = FileDialogOptions::Mode::Open;
    o.defaultName.clear();
    const FileDialogResult r = runFileDialog(o, {});
    EXPECT_EQ(r.path, "");
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(arguments(), "--title\nSave Patch\n--getopenfilename\n/home/u/Patches/\n*.fxp|Patch files\n");
}

TEST_F(FileDialog, WithoutADialogProgramTheErrorNamesWhatToInstall) {
    const FileDialogResult r = runFileDialog(saveOptions(), {});
    EXPECT_EQ(r.path, "");
    EXPECT_NE(r.error.find("zenity"), std::string::npos);
    EXPECT_NE(r.error.find("kdialog"), std::string::npos);

    fakeProgram("zenity", "", 5);
    EXPECT_NE(runFileDialog(saveOptions(), {}).error, "");
}
