// calverine-patch: patch text to program files and back, the errors of the
// text reader, the command in-process, and the real program once.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "CapturedRun.h"
#include "PatchChunk.h"
#include "PatchText.h"
#include "PatchTool.h"
#include "PluginParameters.h"
#include "TempFolder.h"

namespace calverine {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes programFile(const PluginParameters& store) {
    Bytes file;
    patch::writeProgramFile(store, file);
    return file;
}

// A chunk as the text reader loads it, and the version it came from.
PluginParameters loaded(const std::uint8_t* chunk, std::size_t size, std::int32_t* version = nullptr) {
    PluginParameters store;
    std::int32_t v = 0;
    std::string error;
    EXPECT_TRUE(patchtext::loadChunk(chunk, size, store, version ? *version : v, error)) << error;
    return store;
}

std::string dumpOf(const Bytes& file) {
    const std::uint8_t* chunk = nullptr;
    std::size_t size = 0;
    EXPECT_EQ(patch::findChunk(file, chunk, size), patch::FileCheck::Ok);
    std::int32_t version = 0;
    const PluginParameters store = loaded(chunk, size, &version);
    return patchtext::formatPatch(store, version);
}

std::string parseError(const std::string& text) {
    PluginParameters store;
    std::string error;
    EXPECT_FALSE(patchtext::parsePatch(text, store, error)) << text;
    return error;
}

// Builds text into a store; the store as the built file loads back.
PluginParameters built(const std::string& text) {
    PluginParameters store, back;
    std::string error;
    EXPECT_TRUE(patchtext::parsePatch(text, store, error)) << error;
    Bytes chunk;
    patch::writeChunk(store, chunk);
    EXPECT_TRUE(patch::readChunk(chunk.data(), chunk.size(), back));
    return back;
}

Bytes buildFile(const std::string& text) {
    PluginParameters store;
    std::string error;
    EXPECT_TRUE(patchtext::parsePatch(text, store, error)) << error;
    return programFile(store);
}

// Any float a patch can hold (finite, within the store's bound of +-1e6),
// often one of the awkward ones.
float randomValue(std::mt19937& rng) {
    static const float kSpecial[] = {-0.0f, std::numeric_limits<float>::denorm_min(), params::kValueBound,
                                     -std::numeric_limits<float>::min(), 0.1f, 1e-7f};
    if (rng() % 8 == 0) return kSpecial[rng() % std::size(kSpecial)];
    for (;;) {
        const std::uint32_t bits = static_cast<std::uint32_t>(rng());
        float f;
        std::memcpy(&f, &bits, 4);
        if (std::isfinite(f) && std::fabs(f) <= params::kValueBound) return f;
    }
}

void randomize(PluginParameters& store, unsigned seed) {
    std::mt19937 rng(seed);
    Preset& p = store.current();
    for (float& v : p.values) v = randomValue(rng);
    for (auto& steps : p.steps)
        for (float& v : steps) v = rng() % 3 == 0 ? 0.0f : randomValue(rng);
    for (char& c : p.name) c = static_cast<char>(1 + rng() % 255);
    std::memcpy(p.name, "\"\\#\x01\xff", 5);  // the bytes the text has to escape or quote
    p.name[31] = '\0';
    // A line of steps that is zero but for the sign of one.
    std::fill_n(p.steps[1].begin() + 96, 16, 0.0f);
    p.steps[1][100] = -0.0f;
    p.words[0] = static_cast<std::uint32_t>(rng());
    p.words[1] = static_cast<std::uint32_t>(rng());
    for (auto& b : p.info) b = rng() % 4 == 0 ? static_cast<std::uint8_t>(rng()) : 0;
}

std::string collapse(const std::string& line) {
    std::istringstream in(line);
    std::string word, out;
    while (in >> word) {
        if (!out.empty()) out.push_back(' ');
        out.append(word);
    }
    return out;
}

// The line (blanks collapsed) that starts with `start`, or "".
std::string lineStarting(const std::string& text, const std::string& start) {
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (collapse(line).rfind(start, 0) == 0) return collapse(line);
    return "";
}

TEST(PatchText, InitAndRandomPatchesRoundTripByteForByte) {
    const Bytes init = programFile(PluginParameters());
    const std::string initText = dumpOf(init);
    EXPECT_EQ(buildFile(initText), init);
    EXPECT_EQ(initText.find("\ninfo"), std::string::npos) << "zero information block left out";
    EXPECT_EQ(initText.find("\nlfo"), std::string::npos) << "zero steps left out";
    EXPECT_EQ(buildFile(""), init) << "an empty text is the Init Patch";

    for (unsigned seed = 1; seed <= 4; ++seed) {
        PluginParameters store;
        randomize(store, seed);
        store.setValue(params::kPitchWheel, 0.8f, -1);  // kept as stored, though a load centres it
        const Bytes file = programFile(store);
        const std::string text = dumpOf(file);
        EXPECT_EQ(buildFile(text), file) << "seed " << seed;
        EXPECT_EQ(lineStarting(text, "global control 99 ="), "global control 99 = 0.8 # 8.00");
    }
}

TEST(PatchText, OldVersionsAreShownBroughtUpToDate) {
    PluginParameters maker;
    maker.setValue(control::kMatrixAmount[0], 0.0f, -1);  // matrix amount 1: before version 6, 0 was the centre
    maker.setValue(control::kLfo[0].steps, 8.0f, -1);
    for (int i = 0; i < Preset::kSteps; ++i) maker.current().steps[0][static_cast<std::size_t>(i)] = static_cast<float>(i);
    Bytes old = programFile(maker);
    old[patch::kHeaderSize + patch::kVersionOffset] = 5;

    const std::string text = dumpOf(old);
    EXPECT_NE(text.find("# Read from a version 5 patch and brought up to version 13."), std::string::npos);
    const PluginParameters fromText = built(text);
    PluginParameters direct;
    ASSERT_TRUE(patch::readChunk(old.data() + patch::kHeaderSize, old.size() - patch::kHeaderSize, direct));
    EXPECT_EQ(fromText.getValue(control::kMatrixAmount[0], -1), 0.5f);
    EXPECT_EQ(fromText.getPreset(0).steps[0][3], 192.0f);  // the spread steps gathered
    EXPECT_EQ(fromText.getPreset(0).values, direct.getPreset(0).values);
    EXPECT_EQ(fromText.getPreset(0).steps, direct.getPreset(0).steps);
}

TEST(PatchText, BuiltFilesLoadWithTheWrittenValues) {
    const PluginParameters store = built(
        "# a hand-written patch\r\n"
        "name = \"Keys \\\"#2\\\"\\x7f\"   # quotes, a '#' and an escaped byte\r\n"
        "words = 0x0000002a 0xDEADBEEF\n"
        "info 8 = 00ff10\n"
        "\n"
        "global   Volume = 0.75\n"
        "B        [B] Filter Freq   =   0.25  # trailing comment\n"
        "A        control 50 = +0.5\n"
        "global\tDelay Dry/Wet = 1e-3\n"
        "voice 16 control 159 = 1\n"
        "global   control 80 = 24\n"
        "lfo 2 steps 3-4 = -0.5 2");
    const Preset& p = store.getPreset(0);
    EXPECT_STREQ(p.name, "Keys \"#2\"\x7f");
    EXPECT_EQ(p.words[0], 0x2Au);
    EXPECT_EQ(p.words[1], 0xDEADBEEFu);
    EXPECT_EQ(p.info[8], 0x00);
    EXPECT_EQ(p.info[9], 0xFF);
    EXPECT_EQ(p.info[10], 0x10);
    EXPECT_EQ(store.getValue(control::kVolume, -1), 0.75f);
    EXPECT_EQ(store.getValue(control::kFilterFreq, 1), 0.25f);
    EXPECT_EQ(store.getValue(control::kFilterFreq, 0), 0.5f);
    EXPECT_EQ(store.getValue(control::kDelayDryWet, -1), 1e-3f) << "\"Delay  Dry/Wet\" with its double blank";
    EXPECT_EQ(store.getValue(control::adjust::kSemitones, 15), 1.0f);
    EXPECT_EQ(store.getValue(control::kBendRangeUp, -1), 24.0f);
    EXPECT_EQ(p.steps[1][2], -0.5f);
    EXPECT_EQ(p.steps[1][3], 2.0f);
    // Everything else keeps its Init Patch value.
    EXPECT_EQ(store.getValue(control::kFilterReso, 0), store.defaultValue(control::kFilterReso, 0));
    EXPECT_EQ(store.getValue(control::adjust::kSemitones, 14), 0.5f);
    EXPECT_EQ(p.steps[0][2], 0.0f);
}

TEST(PatchText, ASectionRunningPastTheEndEndsTheWalk) {
    // The chunk is handed over one byte short of each section's end in turn.
    // The missing byte is still in memory, so only the walk's own rule keeps
    // the cut section out: the sections before it are taken, it and those
    // after it are not. Section sizes: 16-byte header, then pres 4 x 2,
    // name 32, para 8 x 653, bars and bar2 4 x 512, pinf 560.
    PluginParameters store;
    Preset& p = store.current();
    std::strcpy(p.name, "Cut Short");
    p.words[0] = 7;
    const std::size_t record = 10;
    ASSERT_NE(params::defaultRecords()[record].control, params::kPitchWheel);
    p.values[record] = 0.123f;
    p.steps[0][0] = 0.5f;
    p.steps[1][0] = 0.25f;
    p.info[3] = 42;
    Bytes chunk;
    patch::writeChunk(store, chunk);
    std::size_t end = static_cast<std::size_t>(Preset::kInfoSize);
    std::vector<std::size_t> ends;
    for (std::size_t data : {8u, 32u, 8u * 653u, 2048u, 2048u, 560u}) ends.push_back(end += 16 + data);
    ASSERT_EQ(ends.back(), chunk.size());
    for (std::size_t cut = 0; cut <= ends.size(); ++cut) {
        PluginParameters walked = loaded(chunk.data(), cut < ends.size() ? ends[cut] - 1 : chunk.size());
        const Preset& q = walked.current();
        EXPECT_EQ(q.words[0] == 7, cut > 0) << cut;
        EXPECT_EQ(std::string(q.name) == "Cut Short", cut > 1) << cut;
        EXPECT_EQ(q.values[record] == 0.123f, cut > 2) << cut;
        EXPECT_EQ(q.steps[0][0] == 0.5f, cut > 3) << cut;
        EXPECT_EQ(q.steps[1][0] == 0.25f, cut > 4) << cut;
        EXPECT_EQ(q.info[3] == 42, cut > 5) << cut;
    }
    // A header cut short ends the walk as well, whatever follows in memory:
    // here an empty name section one byte short.
    chunk.insert(chunk.end(), {0, 0, 0, 0, 'e', 'm', 'a', 'n', 1, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_STREQ(loaded(chunk.data(), chunk.size() - 1).current().name, "Cut Short");
}

TEST(PatchText, ParaEntriesOutsideTheTableAreIgnored) {
    // A second "para" section with a control id above 255 whose low byte
    // names a real control, and the pitch wheel (a global setting) for part
    // B: neither may change what the first section set.
    PluginParameters store;
    const int control = params::defaultRecords()[10].control;
    store.current().values[10] = 0.123f;
    store.setValue(params::kPitchWheel, 0.25f, -1);
    Bytes chunk;
    patch::writeChunk(store, chunk);
    const auto bits = [](float f) {
        std::uint32_t b;
        std::memcpy(&b, &f, 4);
        return b;
    };
    // The section header (zero, tag, entry size, count), then the entries: control id | part << 16, value.
    for (std::uint32_t v : {0u, patch::tag("para"), 8u, 2u, static_cast<std::uint32_t>(256 + control), bits(0.777f),
                            static_cast<std::uint32_t>(params::kPitchWheel) | (1u << 16), bits(0.9f)})
        for (int i = 0; i < 4; ++i) chunk.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    PluginParameters para = loaded(chunk.data(), chunk.size());
    EXPECT_EQ(para.current().values[10], 0.123f);
    EXPECT_EQ(para.getValue(params::kPitchWheel, -1), 0.25f);
}

TEST(PatchText, EveryHostParameterIsReachedByItsName) {
    for (int i = 0; i < params::kHostParameters; ++i) {
        const params::HostParameter* h = params::hostParameter(i);
        const std::string part = h->part < 0 ? "global" : h->part == 0 ? "A" : "B";
        const PluginParameters store = built(part + " " + h->name + " = 3.25");
        EXPECT_EQ(store.getValue(h->control, h->part), 3.25f) << h->name;
        int changed = 0;
        for (std::size_t r = 0; r < params::kDefaultRecords; ++r)
            changed += store.getPreset(0).values[r] != params::defaultRecords()[r].value;
        EXPECT_EQ(changed, 1) << h->name;
    }
}

TEST(PatchText, DumpShowsWhatThePluginShows) {
    PluginParameters store;
    store.setValue(control::kFilterOsc2, 2.0f, 0);
    store.setValue(control::kMatrixSource[0], 5.0f, -1);
    store.setValue(control::kVolume, 1e30f, -1);   // no display text for a value far out of range
    store.setValue(control::kLfo[1].shape, 3.0f, -1);  // on steps: its rate shows a note length
    store.setValue(control::kLfo[1].rate, 0.5f, -1);
    const std::string text = patchtext::formatPatch(store);
    EXPECT_EQ(lineStarting(text, "A [A] Filter O2 ="), "A [A] Filter O2 = 2 # Full");
    EXPECT_EQ(lineStarting(text, "global MM Source 1 ="), "global MM Source 1 = 5 # Timbre (74)");
    EXPECT_EQ(lineStarting(text, "global Volume ="), "global Volume = 1e+30");
    EXPECT_EQ(lineStarting(text, "global Mod LFO 2 Rate ="), "global Mod LFO 2 Rate = 0.5 # 1/2");
    EXPECT_EQ(lineStarting(text, "global Mod LFO 1 Rate ="), "global Mod LFO 1 Rate = 0.5") << "hertz need the engine";
    EXPECT_EQ(lineStarting(text, "voice 3 control 140 ="), "voice 3 control 140 = 0.5 # 0.00");
    EXPECT_EQ(lineStarting(text, "global control 169 ="), "global control 169 = 8 # 80.00");
}

TEST(PatchText, ErrorsNameTheLineAndTheProblem) {
    const std::pair<std::string, std::string> cases[] = {
        {"global Volume = 0.5\n\nglobal Filter Frq = 1", "line 3: unknown control 'Filter Frq'"},
        {"global control 1 = 1", "line 1: unknown control 'control 1'"},
        {"global control 224 = 1", "line 1: unknown control 'control 224'"},
        {"A [A] Filter Freq = abc", "line 1: value 'abc' is not a number"},
        {"A [A] Filter Freq = 0.5 0.6", "line 1: value '0.5 0.6' is not a number"},
        {"A [A] Filter Freq = 0x10", "line 1: value '0x10' is not a number"},
        {"global Volume = nan", "line 1: NaN is not a value"},
        {"global Volume = -inf", "line 1: infinity is not a value"},
        {"global Volume = 1e39", "line 1: value '1e39' is out of range"},
        {"global Volume =  # none", "line 1: missing value after '='"},
        {"global Volume 0.5", "line 1: missing '=' between the setting and its value"},
        {"Volume = 0.5",
         "line 1: 'Volume' is not a part; a line starts with global, A, B, voice N, version, name, words, info or lfo"},
        {"B [A] Filter Freq = 1", "line 1: '[A] Filter Freq' is a part A setting, not part B"},
        {"A Volume = 1", "line 1: 'Volume' is a global setting, not part A"},
        {"global control 140 = 1", "line 1: control 140 is a per-voice setting, not global"},
        {"voice 2 control 50 = 1", "line 1: control 50 is a per-part setting, not voice 2"},
        {"voice 17 control 140 = 1", "line 1: 'voice 17' is not a voice; voices are 1 to 16"},
        {"global Volume = 1\r\n\r\nglobal control 7 = 1", "line 3: 'control 7' is already set on line 1"},
        {"version = 12", "line 1: version 12 is not supported; this tool writes version 13"},
        {"name = \"" + std::string(32, 'x') + "\"", "line 1: the name is 32 bytes long; at most 31 fit"},
        {"name = \"a\\qb\"", "line 1: unknown escape '\\q' in the name"},
        {"name = \"a\\x00\"", "line 1: the name cannot hold a zero byte"},
        {"name = \"open # no end", "line 1: the name has no closing quote"},
        {"name = Plain", "line 1: the name needs double quotes"},
        {"name = \"a\"\nname = \"b\"", "line 2: the name is already set on line 1"},
        {"words = 0x1", "line 1: words need two hexadecimal numbers such as 0x0000002a"},
        {"words = 0x1 0x123456789", "line 1: words need two hexadecimal numbers such as 0x0000002a"},
        {"info 558 = 000000", "line 1: info bytes 558-560 run past the block's 560 bytes"},
        {"info 0 = 0g", "line 1: '0g' is not a run of hexadecimal bytes"},
        {"info 0 = 0011\ninfo 1 = 22", "line 2: info byte 1 is already set on line 1"},
        {"lfo 3 steps 1-2 = 0 0", "line 1: there is no step LFO 3; they are lfo 1 and lfo 2"},
        {"lfo 1 steps 1-3 = 0 0", "line 1: steps 1-3 need 3 values, not 2"},
        {"lfo 1 steps 0-1 = 0 0", "line 1: steps 0-1 are not a range within 1-512"},
        {"lfo 1 steps 512-513 = 0 0", "line 1: steps 512-513 are not a range within 1-512"},
        {"lfo 1 steps 1-2 = 0 nan", "line 1: NaN is not a value"},
        {"lfo 1 steps 1-2 = 0 0\nlfo 1 steps 2-2 = 1", "line 2: step 2 of lfo 1 is already set on line 1"},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(parseError(text), expected) << text;
}

void writeFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// 'text' in quotes, and a message as the tool prints it.
std::string quoted(const std::string& text) {
    std::string q = "'";
    return q.append(text).append("'");
}
std::string printed(const std::string& message) {
    std::string line = "calverine-patch: ";
    return line.append(message).append("\n");
}

// Runs the command in-process.
test::Printed runTool(const std::vector<std::string>& args) {
    return test::captured([&](std::FILE* out, std::FILE* err) { return patchtool::run(args, out, err); });
}

TEST(PatchTool, CommandsAndTheirExitStatus) {
    test::TempFolder folder;
    const std::string fxp = folder.file("p.fxp"), txt = folder.file("p.txt"), bad = folder.file("bad.txt");
    PluginParameters store;
    randomize(store, 9);
    const std::string file = [&] {
        const Bytes b = programFile(store);
        return std::string(b.begin(), b.end());
    }();
    writeFile(fxp, file);

    const test::Printed help = runTool({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: calverine-patch dump", 0), 0u);

    const test::Printed toStdout = runTool({"dump", fxp});
    ASSERT_EQ(toStdout.status, 0) << toStdout.err;
    EXPECT_EQ(runTool({"dump", fxp, "-o", txt}).status, 0);
    EXPECT_EQ(readAll(txt), toStdout.out);
    EXPECT_EQ(runTool({"build", txt, "-o", folder.file("again.fxp")}).status, 0);
    EXPECT_EQ(readAll(folder.file("again.fxp")), file);
    EXPECT_EQ(runTool({"build", "--chunk", txt, "-o", folder.file("p.bin")}).status, 0);
    EXPECT_EQ(runTool({"dump", "--chunk", folder.file("p.bin")}).out, toStdout.out);

    writeFile(bad, "global Volume = 0.5\nglobal Volume = abc\n");
    writeFile(folder.file("short.bin"), std::string(100, '\0'));
    const std::pair<std::vector<std::string>, std::string> refused[] = {
        {{}, "no command given; try --help"},
        {{"convert", txt}, "unknown command 'convert'; the commands are dump, build and breed"},
        {{"dump", txt, "--fast"}, "unknown option '--fast'; try --help"},
        {{"dump"}, "dump needs an input file"},
        {{"dump", txt, "-o"}, "-o needs a file name"},
        {{"build", txt}, "build needs an output file: -o FILE"},
        {{"dump", folder.file("none.fxp")}, "cannot read " + quoted(folder.file("none.fxp"))},
        {{"dump", folder.file("short.bin")}, quoted(folder.file("short.bin")) + " is not a Calverine program file"},
        {{"dump", "--chunk", folder.file("short.bin")},
         quoted(folder.file("short.bin")) + ": the patch is too short (100 bytes, at least 560 needed)"},
        {{"build", bad, "-o", folder.file("bad.fxp")}, bad + ": line 2: value 'abc' is not a number"},
    };
    for (const auto& [args, message] : refused) {
        const test::Printed r = runTool(args);
        EXPECT_EQ(r.status, patchtool::kExitBadInput) << message;
        EXPECT_EQ(r.err, printed(message));
    }
    EXPECT_FALSE(std::filesystem::exists(folder.file("bad.fxp")));

    const test::Printed unwritable = runTool({"build", txt, "-o", folder.file("missing/p.fxp")});
    EXPECT_EQ(unwritable.status, patchtool::kExitWriteFailed);
    EXPECT_EQ(unwritable.err, printed("cannot write " + quoted(folder.file("missing/p.fxp"))));
}

// The installed program, run by the shell with stderr in a file.
int runProgram(const std::vector<std::string>& args, const std::string& errFile) {
    std::string command = CALVERINE_PATCH_PATH;
    for (const std::string& a : args) command += " '" + a + "'";
    const int status = std::system((command + " 2> '" + errFile + "'").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(PatchTool, TheProgramConvertsAndRefusesBadTextWithoutWriting) {
    test::TempFolder folder;
    const Bytes file = programFile(PluginParameters());
    writeFile(folder.file("init.fxp"), std::string(file.begin(), file.end()));
    writeFile(folder.file("bad.txt"), "A [A] Filter Freq = NaN\n");
    const std::string err = folder.file("err.txt");

    EXPECT_EQ(runProgram({"dump", folder.file("init.fxp"), "-o", folder.file("init.txt")}, err), 0);
    EXPECT_EQ(runProgram({"build", folder.file("init.txt"), "-o", folder.file("out.fxp")}, err), 0);
    EXPECT_EQ(readAll(folder.file("out.fxp")), readAll(folder.file("init.fxp")));
    EXPECT_EQ(readAll(err), "");

    EXPECT_EQ(runProgram({"build", folder.file("bad.txt"), "-o", folder.file("bad.fxp")}, err), 2);
    EXPECT_EQ(readAll(err), printed(folder.file("bad.txt") + ": line 1: NaN is not a value"));
    EXPECT_EQ(folder.list().size(), 5u) << "no output and no temporary file left";
}

}  // namespace
}  // namespace calverine
