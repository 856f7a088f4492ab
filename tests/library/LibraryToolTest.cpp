// calverine-library: commands run in-process the way main() runs them, and
// the built program itself for its exit status.
#include <stdlib.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "CapturedRun.h"
#include "LibraryTestSupport.h"
#include "LibraryTool.h"

namespace calverine::test {
namespace {

using Strings = std::vector<std::string>;

// An environment variable set for one test.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = getenv(name)) old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() { old_.empty() ? unsetenv(name_) : setenv(name_, old_.c_str(), 1); }

private:
    const char* name_;
    std::string old_;
};

class LibraryToolTest : public LibraryFixture {
protected:
    Printed run(const std::vector<std::string>& args) {
        return captured([&](std::FILE* out, std::FILE* err) { return librarytool::run(args, out, err); });
    }
    // The command on the fixture's library.
    Printed command(std::vector<std::string> args) {
        args.insert(args.begin(), {"--root", root_});
        return run(args);
    }
};

TEST_F(LibraryToolTest, ListsAndChangesTheLibrary) {
    put("Bank/Pads/Warm Pad.fxp");
    put("Bank/Pads/Bass Pad.fxp");
    put("Bank/Solo.fxp");

    EXPECT_EQ(command({"banks"}).out, "Favourites\nGenetics\nUser\nBank\nTrash\n");
    EXPECT_EQ(command({"patches", "Bank", "Pads"}).out, "Bank/Pads/Bass Pad.fxp\nBank/Pads/Warm Pad.fxp\n");
    EXPECT_EQ(command({"patches", "Bank"}).out, "Bank/Solo.fxp\n");
    EXPECT_EQ(command({"search", "b"}).out, "Bank/Pads/Bass Pad.fxp\n");
    EXPECT_EQ(command({"search", "PAD"}).out, "Bank/Pads/Bass Pad.fxp\nBank/Pads/Warm Pad.fxp\n");
    EXPECT_EQ(command({"--fixed-categories", "categories"}).out.substr(0, 11), "Bass\nBrass\n");

    EXPECT_EQ(command({"add-favourite", "Bank\\Pads\\Warm Pad"}).status, 0);
    EXPECT_EQ(command({"favourites"}).out, "Bank/Pads/Warm Pad.fxp\n");
    EXPECT_EQ(command({"move-to-trash", "Bank/Solo.fxp"}).status, 0);
    EXPECT_EQ(command({"trash"}).out, "Bank/Solo.bin\n");
    EXPECT_EQ(command({"restore", "Bank/Solo"}).status, 0);
    EXPECT_EQ(command({"rename-patch", "Bank/Solo", "Duo"}).status, 0);
    EXPECT_EQ(command({"move", "Bank/Duo", "User"}).status, 0);
    EXPECT_TRUE(exists("User/Duo.fxp"));
    EXPECT_EQ(command({"import-patch", path("User/Duo.fxp"), "Bank", "Pads"}).out, "Bank/Pads/Duo.fxp\n");

    const Printed refused = command({"remove-category", "Pads"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.err,
              "Please delete all patches from this folder\nor move them to the other folder before.\n\n"
              "Patches found: 3\n");
    const Printed badName = command({"create-bank", "A|B"});
    EXPECT_EQ(badName.status, 2);
    EXPECT_NE(badName.err.find("not allowed in the name of the bank"), std::string::npos);

    std::filesystem::remove(path("Favourites.db"));
    std::filesystem::create_directory(path("Favourites.db"));  // cannot be written
    const Printed unsaved = command({"add-favourite", "Bank/Pads/Bass Pad"});
    EXPECT_EQ(unsaved.status, 1);
    EXPECT_EQ(unsaved.err, "calverine-library: Favourites.db could not be written; the favourites are as they were\n");

    EXPECT_EQ(command({"patches", "Nowhere"}).err, "calverine-library: no soundbank 'Nowhere'; see the list of 'banks'\n");
    EXPECT_EQ(command({"restore", "Bank/Missing"}).status, 2);
    EXPECT_EQ(command({"rename-bank", "Bank"}).err, "calverine-library: usage: rename-bank BANK NEW-NAME\n");
    EXPECT_EQ(command({"--frob", "banks"}).err, "calverine-library: unknown option '--frob'; try --help\n");
}

TEST_F(LibraryToolTest, ImportPatchWarnsAboutAFileThatIsNotAPatchAndStrictRefusesIt) {
    // A program-file header: chunk magic, size, opaque-chunk kind, version, plug-in id, then the rest.
    const auto header = [](const std::string& id) {
        return std::string("CcnK") + std::string(4, '\0') + "FPCh" + std::string(3, '\0') + "\1" + id +
               std::string(40, '\0') + "chunk";
    };
    put(base_ + "/in/Ours.fxp", header("CLVS"));
    put(base_ + "/in/Theirs.fxp", header("ABCD"));
    put(base_ + "/in/Short.fxp", header("CLVS").substr(0, 59));
    put(base_ + "/in/Notes.fxp", "just text");
    command({"banks"});  // creates the reserved folders
    const Strings before = tree();

    for (const char* file : {"Theirs", "Short", "Notes"}) {
        const std::string source = base_ + "/in/" + file + ".fxp";
        const Printed refused = command({"import-patch", "--strict", source});
        EXPECT_EQ(refused.status, 2) << file;
        EXPECT_EQ(refused.err, "calverine-library: '" + source + "' is not a Calverine patch; nothing imported (--strict)\n");
        EXPECT_EQ(tree(), before) << file;
    }
    EXPECT_EQ(command({"--strict", "import-patch", base_ + "/in/Notes.fxp"}).status, 2);
    EXPECT_EQ(tree(), before);

    const Printed ours = command({"import-patch", "--strict", base_ + "/in/Ours.fxp"});
    EXPECT_EQ(ours.status, 0) << ours.err;
    EXPECT_EQ(ours.err, "");
    const Printed warned = command({"import-patch", base_ + "/in/Notes.fxp"});
    EXPECT_EQ(warned.status, 0);
    EXPECT_EQ(warned.out, "User/Notes.fxp\n");
    EXPECT_EQ(warned.err, "calverine-library: warning: '" + base_ + "/in/Notes.fxp' is not a Calverine patch; imported all the same\n");
    EXPECT_EQ(read("User/Notes.fxp"), "just text");
    EXPECT_EQ(read("User/Ours.fxp"), header("CLVS"));
}

TEST_F(LibraryToolTest, ChangesFailWhenFavouritesCannotBeSaved) {
    put("Bank/Warm.fxp", "warm");
    put("Favourites.db", "Bank\\Warm.fxp");
    blockFavouritesWrites();
    const Printed unsaved = command({"rename-patch", "Bank/Warm", "Hot"});
    EXPECT_EQ(unsaved.status, 2);
    EXPECT_EQ(unsaved.err, std::string(PatchLibrary::kFavouritesUnsaved) + "\n");
    EXPECT_EQ(command({"favourites"}).out, "Bank/Warm.fxp\n");
    EXPECT_EQ(read("Bank/Warm.fxp"), "warm");
    EXPECT_NE(command({"move-to-trash", "Bank/Warm"}).status, 0);
    EXPECT_NE(command({"move", "Bank/Warm", "User"}).status, 0);
    EXPECT_EQ(read("Bank/Warm.fxp"), "warm");
}

TEST_F(LibraryToolTest, AFreshMachineGetsItsLibraryFolderOnTheFirstChange) {
    // No data folder yet: listing creates nothing; the first change creates
    // the library folder below the data folder.
    const ScopedEnv data("CALVERINE_DATA_DIR", base_ + "/fresh");
    const Printed empty = run({"banks"});
    EXPECT_EQ(empty.status, 0) << empty.err;
    EXPECT_EQ(empty.out, "Favourites\nGenetics\nUser\nTrash\n");
    EXPECT_FALSE(std::filesystem::exists(base_ + "/fresh"));

    writeZip(base_ + "/Keys.zip", {{"Keys/E Piano.fxp", "ep"}, {"Keys/Organ/B3.fxp", "b3"}});
    const Printed imported = run({"import-zip", base_ + "/Keys.zip"});
    EXPECT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(imported.out, "Keys\n");
    EXPECT_TRUE(std::filesystem::exists(base_ + "/fresh/Soundbanks/Keys/Organ/B3.fxp"));
    EXPECT_EQ(run({"--root", base_ + "/new/Soundbanks", "create-bank", "Mine"}).status, 0);
    EXPECT_TRUE(std::filesystem::is_directory(base_ + "/new/Soundbanks/Mine"));

    const Printed refused = run({"remove-bank", "Keys"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.err, "Please remove all patches from this soundbank first.\nPatches found: 2\n");
    EXPECT_EQ(run({"--root", root_}).err, "calverine-library: no command given; try --help\n");
}

TEST_F(LibraryToolTest, TheProgramPrintsItsHelpAndExitsWithTheRefusal) {
    const std::string program = CALVERINE_LIBRARY_PATH, out = base_ + "/out.txt", err = base_ + "/err.txt";
    EXPECT_EQ(std::system((program + " --help > " + out).c_str()), 0);
    EXPECT_EQ(read(out).rfind("Usage: calverine-library", 0), 0u);
    const int status = std::system((program + " --root " + root_ + " remove-bank User 2> " + err).c_str());
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_EQ(read(err), "The soundbanks Favourites, Genetics, User and Trash cannot be renamed or removed.\n");
}

TEST_F(LibraryToolTest, OpenHandsTheFolderToTheFileManager) {
    // A stand-in xdg-open that writes down what it was given.
    const std::string bin = base_ + "/bin", seen = base_ + "/seen.txt";
    std::filesystem::create_directories(bin);
    std::ofstream(bin + "/xdg-open") << "#!/bin/sh\nprintf '%s' \"$1\" > '" << seen << ".tmp' && mv '" << seen
                                     << ".tmp' '" << seen << "'\n";
    std::filesystem::permissions(bin + "/xdg-open", std::filesystem::perms::owner_all);
    put("Bank/Pads/Warm.fxp");
    const ScopedEnv path("PATH", bin + ":/usr/bin:/bin");

    const Printed open = command({"open", "Bank", "Pads"});
    EXPECT_EQ(open.status, 0) << open.err;
    for (int i = 0; i < 500 && !std::filesystem::exists(seen); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ifstream in(seen);
    std::string folder;
    std::getline(in, folder);
    EXPECT_EQ(folder, this->path("Bank/Pads"));
    EXPECT_EQ(command({"open", "Trash"}).status, 2);
}

}  // namespace
}  // namespace calverine::test
