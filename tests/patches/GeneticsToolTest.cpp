// Genetics from the command line: calverine-patch breed in-process and as
// the real program, and calverine-render --genetics playing the same child.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "CapturedRun.h"
#include "Genetics.h"
#include "GeneticsSupport.h"
#include "PatchChunk.h"
#include "PatchFiles.h"
#include "PatchTool.h"

namespace calverine {
namespace {

using test::Bytes;

test::Printed breedTool(const std::vector<std::string>& args) {
    std::vector<std::string> all = {"breed"};
    all.insert(all.end(), args.begin(), args.end());
    return test::captured([&](std::FILE* out, std::FILE* err) { return patchtool::run(all, out, err); });
}

// A program run by the shell; its standard output and error in files.
int runProgram(const std::string& program, const std::vector<std::string>& args, const std::string& outFile,
               const std::string& errFile) {
    std::string command = program;
    for (const std::string& a : args) command += " '" + a + "'";
    const int status = std::system((command + " > '" + outFile + "' 2> '" + errFile + "'").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string text(const std::string& path) {
    const Bytes b = test::readBytes(path);
    return std::string(b.begin(), b.end());
}

class GeneticsTool : public ::testing::Test {
protected:
    test::Home home;
    test::TempFolder folder;
    std::vector<std::string> parents = test::writeParents(folder, 3);
};

TEST_F(GeneticsTool, TheSameSeedGivesTheSameChildByteForByte) {
    const std::string a = folder.file("a.fxp"), b = folder.file("b.fxp"), c = folder.file("c.fxp");
    const test::Printed first = breedTool({parents[0], parents[1], "--amount", "0.8", "--seed", "0x4d2", "-o", a});
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.out, "seed 0x4d2\n");
    EXPECT_EQ(first.err, "");
    ASSERT_EQ(breedTool({parents[0], parents[1], "--amount", "0.8", "--seed", "1234", "-o", b}).status, 0);
    EXPECT_EQ(test::readBytes(a), test::readBytes(b));
    ASSERT_EQ(breedTool({parents[0], parents[1], "--amount", "0.8", "--seed", "1235", "-o", c}).status, 0);
    EXPECT_NE(test::readBytes(a), test::readBytes(c));

    // The child is what the breeding gives, named and described.
    const auto child = readPatchFile(a);
    ASSERT_TRUE(child);
    EXPECT_STREQ(child->current().name, "Genetics");
    EXPECT_EQ(child->current().infoText(), "Alpha|Beta|4d2");
    const std::map<int, int> sources = test::sourcesOf(child->current());
    bool second = false;
    for (const auto& [control, parent] : sources) second = second || parent == 1;
    EXPECT_TRUE(second) << "at amount 0.8 the second parent gives some controls";

    // Without --seed the clock's is used and printed, in the form --seed takes.
    const test::Printed clock = breedTool({parents[0], parents[1], parents[2], "--amount", "1", "-o", c});
    ASSERT_EQ(clock.status, 0) << clock.err;
    unsigned seed = 0;
    ASSERT_EQ(std::sscanf(clock.out.c_str(), "seed 0x%x", &seed), 1) << clock.out;
    EXPECT_LE(seed, 0xFFFFu);
    const Bytes clocked = test::readBytes(c);
    ASSERT_EQ(breedTool({parents[0], parents[1], parents[2], "--amount", "1", "--seed", clock.out.substr(5, clock.out.size() - 6), "-o", b}).status, 0);
    EXPECT_EQ(test::readBytes(b), clocked);
}

TEST_F(GeneticsTool, AmountZeroWritesTheFirstParentApartFromTheNames) {
    const std::string out = folder.file("child.fxp");
    ASSERT_EQ(breedTool({parents[1], parents[0], "--amount", "0", "--seed", "7", "-o", out}).status, 0);
    PluginParameters expected = test::parentStore(1);
    std::strcpy(expected.current().name, "Genetics");
    expected.current().setInfoText("Beta|Alpha|7");
    EXPECT_EQ(test::readBytes(out), test::programFileOf(expected));
}

TEST_F(GeneticsTool, BadCommandLinesAndParentsAreRefusedWithoutWriting) {
    const std::string out = folder.file("out.fxp");
    test::writeBytes(folder.file("junk.fxp"), Bytes(200, 'j'));
    const std::string q = "'";
    const std::pair<std::vector<std::string>, std::string> refused[] = {
        {{parents[0], "--amount", "0.5", "-o", out}, "breed needs 2 or 3 parent files, not 1"},
        {{parents[0], parents[1], parents[2], parents[0], "--amount", "0.5", "-o", out},
         "breed needs 2 or 3 parent files, not 4"},
        {{parents[0], parents[1], "-o", out}, "breed needs the breed amount: --amount X (from 0 to 1)"},
        {{parents[0], parents[1], "--amount", "0.5"}, "breed needs an output file: -o FILE"},
        {{parents[0], parents[1], "--amount", "1.01", "-o", out},
         "--amount: the breed amount must be from 0 to 1, not 1.01"},
        {{parents[0], parents[1], "--amount", "lots", "-o", out}, "--amount: 'lots' is not a number from 0 to 1"},
        {{parents[0], parents[1], "--amount", "0.5", "--seed", "0xg", "-o", out},
         "--seed: '0xg' is not a whole number from 0 to 4294967295 (or 0x0 to 0xffffffff)"},
        {{parents[0], parents[1], "--amount"}, "--amount needs a value"},
        {{parents[0], parents[1], "--chunk", "--amount", "0.5", "-o", out},
         "breed reads and writes program files; --chunk does not apply"},
        {{parents[0], folder.file("gone.fxp"), "--amount", "0.5", "-o", out},
         "the parent patch " + q + folder.file("gone.fxp") + q + " does not exist"},
        {{folder.file("junk.fxp"), parents[0], "--amount", "0.5", "-o", out},
         q + folder.file("junk.fxp") + q + " is not a Calverine program file"},
    };
    for (const auto& [args, message] : refused) {
        const test::Printed r = breedTool(args);
        EXPECT_EQ(r.status, patchtool::kExitBadInput) << message;
        EXPECT_EQ(r.err, "calverine-patch: " + message + "\n");
    }
    EXPECT_FALSE(std::filesystem::exists(out));

    const test::Printed dumpWithAmount = test::captured([&](std::FILE* o, std::FILE* e) {
        return patchtool::run({"dump", parents[0], "--amount", "0.5"}, o, e);
    });
    EXPECT_EQ(dumpWithAmount.err, "calverine-patch: --amount belongs to breed\n");

    const test::Printed unwritable =
        breedTool({parents[0], parents[1], "--amount", "0.5", "-o", folder.file("missing/out.fxp")});
    EXPECT_EQ(unwritable.status, patchtool::kExitWriteFailed);
}

TEST_F(GeneticsTool, TheProgramsBreedAndRenderTheSameChild) {
    const std::string out = folder.file("out.txt"), err = folder.file("err.txt");
    const std::string child = folder.file("child.fxp"), again = folder.file("again.fxp");
    const std::vector<std::string> breed = {"breed", parents[0], parents[1], parents[2], "--amount", "0.9",
                                            "--seed", "99"};
    auto withOutput = [&](std::vector<std::string> args, const std::string& file) {
        args.insert(args.end(), {"-o", file});
        return args;
    };
    ASSERT_EQ(runProgram(CALVERINE_PATCH_PATH, withOutput(breed, child), out, err), 0) << text(err);
    EXPECT_EQ(text(out), "seed 0x63\n");
    ASSERT_EQ(runProgram(CALVERINE_PATCH_PATH, withOutput(breed, again), out, err), 0) << text(err);
    EXPECT_EQ(test::readBytes(child), test::readBytes(again));

    // calverine-render plays that child: the same audio as from the file.
    const std::string bred = folder.file("bred.wav"), played = folder.file("played.wav");
    ASSERT_EQ(runProgram(CALVERINE_RENDER_PATH,
                         {CALVERINE_PLUGIN_PATH, "--genetics", parents[0], parents[1], parents[2], "--amount", "0.9",
                          "--seed", "99", "--tail", "0.5", "-o", bred},
                         out, err),
              0)
        << text(err);
    EXPECT_EQ(text(out).rfind("genetics seed 0x63\npeak ", 0), 0u) << text(out);
    ASSERT_EQ(runProgram(CALVERINE_RENDER_PATH, {CALVERINE_PLUGIN_PATH, "--patch", child, "--tail", "0.5", "-o", played},
                         out, err),
              0)
        << text(err);
    const Bytes audio = test::readBytes(bred);
    EXPECT_GT(audio.size(), 44u);
    EXPECT_EQ(audio, test::readBytes(played));

    // A missing parent is named, and nothing is rendered.
    EXPECT_EQ(runProgram(CALVERINE_RENDER_PATH,
                         {CALVERINE_PLUGIN_PATH, "--genetics", parents[0], folder.file("gone.fxp"), "--amount", "0.5",
                          "-o", folder.file("none.wav")},
                         out, err),
              2);
    EXPECT_EQ(text(err), "calverine-render: --genetics: the parent patch '" + folder.file("gone.fxp") + "' does not exist\n");
    EXPECT_FALSE(std::filesystem::exists(folder.file("none.wav")));

    // Another instrument gets no Calverine patch.
    EXPECT_EQ(runProgram(CALVERINE_RENDER_PATH,
                         {TEST_SYNTH_PLUGIN_PATH, "--genetics", parents[0], parents[1], "--amount", "0.5", "-o",
                          folder.file("none.wav")},
                         out, err),
              2);
    EXPECT_EQ(text(err), std::string("calverine-render: --genetics breeds Calverine patches, but '") +
                             TEST_SYNTH_PLUGIN_PATH + "' is another plug-in\n");
    EXPECT_FALSE(std::filesystem::exists(folder.file("none.wav")));
}

}  // namespace
}  // namespace calverine
