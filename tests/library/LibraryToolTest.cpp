// calverine-library: commands in-process, and the real program a few times.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "LibraryTestSupport.h"
#include "LibraryTool.h"

extern char** environ;

namespace calverine::test {
namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string contents(std::FILE* f) {
    std::rewind(f);
    std::string s;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) s.append(buffer, n);
    std::fclose(f);
    return s;
}

class LibraryToolTest : public LibraryFixture {
protected:
    Outcome command(std::vector<std::string> args) {
        args.insert(args.begin(), {"--root", root_});
        std::FILE* out = std::tmpfile();
        std::FILE* err = std::tmpfile();
        Outcome r;
        r.status = librarytool::run(args, out, err);
        r.out = contents(out);
        r.err = contents(err);
        return r;
    }

    // The built program, with extra environment entries.
    Outcome program(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv = {}) {
        std::vector<std::string> words{CALVERINE_LIBRARY_PATH};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(w.data());
        argv.push_back(nullptr);
        std::vector<std::string> env(extraEnv);
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e;
            const std::string key = entry.substr(0, entry.find('=') + 1);
            bool overridden = false;
            for (const std::string& x : extraEnv) overridden = overridden || x.compare(0, key.size(), key) == 0;
            if (!overridden) env.push_back(entry);
        }
        std::vector<char*> envp;
        for (std::string& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);

        const std::string outFile = base_ + "/out.txt", errFile = base_ + "/err.txt";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid = 0;
        Outcome r;
        const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) return r;
        int status = 0;
        waitpid(pid, &status, 0);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
        const auto slurp = [](const std::string& file) {
            std::ifstream in(file);
            std::stringstream s;
            s << in.rdbuf();
            return s.str();
        };
        r.out = slurp(outFile);
        r.err = slurp(errFile);
        return r;
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

    const Outcome refused = command({"remove-category", "Pads"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.err,
              "Please delete all patches from this folder\nor move them to the other folder before.\n\n"
              "Patches found: 3\n");
    const Outcome badName = command({"create-bank", "A|B"});
    EXPECT_EQ(badName.status, 2);
    EXPECT_NE(badName.err.find("not allowed in the name of the bank"), std::string::npos);

    EXPECT_EQ(command({"patches", "Nowhere"}).err, "calverine-library: no soundbank 'Nowhere'; see the list of 'banks'\n");
    EXPECT_EQ(command({"restore", "Bank/Missing"}).status, 2);
    EXPECT_EQ(command({"rename-bank", "Bank"}).err, "calverine-library: usage: rename-bank BANK NEW-NAME\n");
    EXPECT_EQ(command({"--frob", "banks"}).err, "calverine-library: unknown option '--frob'; try --help\n");
}

TEST_F(LibraryToolTest, TheProgramImportsAndReportsRefusals) {
    const Outcome help = program({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: calverine-library", 0), 0u);

    // A fresh machine: no data folder yet. Listing creates nothing; the first
    // change creates the library folder below the data folder.
    const std::string fresh = "CALVERINE_DATA_DIR=" + base_ + "/fresh";
    const Outcome empty = program({"banks"}, {fresh});
    EXPECT_EQ(empty.status, 0) << empty.err;
    EXPECT_EQ(empty.out, "Favourites\nGenetics\nUser\nTrash\n");
    EXPECT_FALSE(std::filesystem::exists(base_ + "/fresh"));
    writeZip(base_ + "/Keys.zip", {{"Keys/E Piano.fxp", "ep"}, {"Keys/Organ/B3.fxp", "b3"}});
    const Outcome imported = program({"import-zip", base_ + "/Keys.zip"}, {fresh});
    EXPECT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(imported.out, "Keys\n");
    EXPECT_TRUE(std::filesystem::exists(base_ + "/fresh/Soundbanks/Keys/Organ/B3.fxp"));
    const Outcome created = program({"--root", base_ + "/new/Soundbanks", "create-bank", "Mine"});
    EXPECT_EQ(created.status, 0) << created.err;
    EXPECT_TRUE(std::filesystem::is_directory(base_ + "/new/Soundbanks/Mine"));

    const Outcome again = program({"remove-bank", "Keys"}, {fresh});
    EXPECT_EQ(again.status, 2);
    EXPECT_EQ(again.err, "Please remove all patches from this soundbank first.\nPatches found: 2\n");
    EXPECT_TRUE(std::filesystem::exists(base_ + "/fresh/Soundbanks/Keys/E Piano.fxp"));
    EXPECT_EQ(program({"--root", root_}).err, "calverine-library: no command given; try --help\n");
}

TEST_F(LibraryToolTest, OpenHandsTheFolderToTheFileManager) {
    // A stand-in xdg-open that writes down what it was given.
    const std::string bin = base_ + "/bin", seen = base_ + "/seen.txt";
    std::filesystem::create_directories(bin);
    std::ofstream(bin + "/xdg-open") << "#!/bin/sh\nprintf '%s' \"$1\" > '" << seen << ".tmp' && mv '" << seen
                                     << ".tmp' '" << seen << "'\n";
    std::filesystem::permissions(bin + "/xdg-open", std::filesystem::perms::owner_all);
    put("Bank/Pads/Warm.fxp");

    const Outcome open = program({"--root", root_, "open", "Bank", "Pads"}, {"PATH=" + bin + ":/usr/bin:/bin"});
    EXPECT_EQ(open.status, 0) << open.err;
    for (int i = 0; i < 500 && !std::filesystem::exists(seen); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ifstream in(seen);
    std::string folder;
    std::getline(in, folder);
    EXPECT_EQ(folder, path("Bank/Pads"));
    EXPECT_EQ(program({"--root", root_, "open", "Trash"}).status, 2);
}

}  // namespace
}  // namespace calverine::test
