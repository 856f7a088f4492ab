// calverine-render as a program: run in a child process against the test
// plug-in, judged by its exit status, its output streams, the WAV it writes
// and the test plug-in's report.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sndfile.h>
#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "SignalAnalysis.h"
#include "ToolsTestSupport.h"
#include "vst24.h"

namespace calverine::test {
namespace {

constexpr int kTicks = 480;  // per quarter note; at 120 BPM one tick is 1/960 s

class RenderToolTest : public testing::Test {
protected:
    std::string reportEnv() const { return "CALVERINE_TEST_SYNTH_REPORT=" + folder_.file("report.txt"); }
    Report report() const { return readReport(folder_.file("report.txt")); }

    // Runs the tool on the test plug-in with a report file.
    RunResult render(std::vector<std::string> args, std::vector<std::string> env = {}) {
        args.insert(args.begin(), testSynthPath());
        env.push_back(reportEnv());
        return runRender(args, folder_.path(), env);
    }

    // A4 from tick 533 to tick 960 (0.5552... s to 1 s), then A5 from tick
    // 1216 to 1680 (1.2666... s to 1.75 s), at 120 BPM.
    std::string twoNoteFile() {
        SmfTrack t;
        t.tempo(0, 500000)
            .event(533, {0x90, 69, 100})
            .event(427, {0x80, 69, 0})
            .event(256, {0x90, 81, 100})
            .event(464, {0x80, 81, 0})
            .end();
        const std::string path = folder_.file("notes.mid");
        writeBytes(path, smfFile(0, kTicks, {t}));
        return path;
    }

    TempFolder folder_;
};

double number(const std::string& text, int word = 0) {
    std::istringstream in(text);
    std::string w;
    for (int i = 0; i <= word; ++i) in >> w;
    return std::stod(w);
}

TEST_F(RenderToolTest, NotesSoundOnTheirExactFrameAndPitch) {
    const RunResult run = render({twoNoteFile(), "--rate", "48000", "--block", "64", "--tail", "0.25"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "") << "no progress bar when stderr is not a terminal";
    EXPECT_EQ(lines(run.out).size(), 1u) << "only the peak level";

    const WavData wav = readWav(folder_.file("out.wav"));
    ASSERT_TRUE(wav.ok);
    EXPECT_EQ(wav.sampleRate, 48000);
    EXPECT_EQ(wav.format, SF_FORMAT_WAV | SF_FORMAT_PCM_24);
    // Up to the last event (1.75 s), then the tail.
    EXPECT_EQ(wav.frames, 84000 + 12000);

    // At 48 kHz one tick is 50 frames. A4 starts inside a block (frame
    // 26650) and ends on a block boundary (48000); A5 starts on one (60800 =
    // 950 blocks of 64) after silence.
    EXPECT_EQ(firstSoundAt(wav.left), 26650);
    EXPECT_EQ(firstSoundAt(std::vector<float>(wav.left.begin() + 48000, wav.left.end())), 60800 - 48000);
    const auto frequency = [&](int from, int to) {
        return analysis::zeroCrossingFrequency(std::vector<float>(wav.left.begin() + from, wav.left.begin() + to), 48000);
    };
    const double low = frequency(26750, 47900);
    EXPECT_NEAR(low, 440.0, 440.0 * 0.002);
    EXPECT_NEAR(frequency(60900, 83900) / low, 2.0, 0.004);
    EXPECT_EQ(wav.left, wav.right);
}

// The output's peak level from the line "peak <dB> dBFS (<linear>)".
struct PeakLine {
    bool found = false;
    double decibels = 0.0;
    double linear = 0.0;
};
PeakLine peakLine(const std::string& out) {
    PeakLine p;
    for (const std::string& line : lines(out)) {
        char unit[8] = {};
        if (std::sscanf(line.c_str(), "peak %lf %7s (%lf)", &p.decibels, unit, &p.linear) == 3 &&
            std::string(unit) == "dBFS")
            p.found = true;
    }
    return p;
}

std::int64_t samplesAbove(const WavData& wav, float level) {
    std::int64_t n = 0;
    for (std::size_t i = 0; i < wav.left.size(); ++i)
        n += (std::fabs(wav.left[i]) > level) + (std::fabs(wav.right[i]) > level);
    return n;
}

TEST_F(RenderToolTest, PeakLevelIsReportedAndClipping24BitOutputIsWarnedOf) {
    const std::string notes = twoNoteFile();
    {
        SCOPED_TRACE("normal level, every other setting at its default");
        const RunResult run = render({notes});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "");
        const PeakLine peak = peakLine(run.out);
        ASSERT_TRUE(peak.found) << run.out;
        const WavData wav = readWav(folder_.file("out.wav"));
        ASSERT_TRUE(wav.ok);
        EXPECT_EQ(wav.sampleRate, 44100);
        EXPECT_EQ(wav.frames, (1.75 + 2.0) * 44100) << "two seconds of tail";
        EXPECT_EQ(fact(report(), "blockSize"), "512");
        EXPECT_EQ(fact(report(), "vendor"), "Calverine Render");
        const double measured = std::max(analysis::peak(wav.left), analysis::peak(wav.right));
        EXPECT_NEAR(measured, 0.2 * 100 / 127, 1e-3);
        EXPECT_NEAR(peak.linear, measured, 0.0006);
        EXPECT_NEAR(peak.decibels, analysis::decibels(measured), 0.051);
    }
    // Parameter 3 of the test plug-in turns it up tenfold, past full scale.
    std::int64_t over = 0;
    {
        SCOPED_TRACE("float output does not clip");
        const RunResult run = render({notes, "--tail", "0.1", "--param", "3=1", "--float", "-o", "loud.wav"});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "");
        const WavData wav = readWav(folder_.file("loud.wav"));
        over = samplesAbove(wav, 1.0f);
        ASSERT_GT(over, 1000);
        const PeakLine peak = peakLine(run.out);
        ASSERT_TRUE(peak.found) << run.out;
        EXPECT_NEAR(peak.linear, 2.0 * 100 / 127, 2e-3);
    }
    for (bool quiet : {false, true}) {
        SCOPED_TRACE(quiet ? "24-bit, quiet" : "24-bit");
        std::vector<std::string> args{notes, "--tail", "0.1", "--param", "3=1"};
        if (quiet) args.push_back("--quiet");
        const RunResult run = render(args);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(peakLine(run.out).found, !quiet) << run.out;
        EXPECT_EQ(run.out == "", quiet);
        ASSERT_EQ(lines(run.err).size(), 1u) << run.err;
        const std::string warning = "calverine-render: warning: " + std::to_string(over) + " samples clipped";
        EXPECT_EQ(run.err.rfind(warning + " in the 24-bit output", 0), 0u) << run.err;
        EXPECT_NE(run.err.find("use --float or a lower Volume"), std::string::npos) << run.err;
        const WavData wav = readWav(folder_.file("out.wav"));
        EXPECT_EQ(samplesAbove(wav, 0.9999f), over);  // the clipped ones sit at full scale
    }
}

TEST_F(RenderToolTest, EveryOptionReachesThePlugin) {
    writeBytes(folder_.file("p.fxp"), fxpFile({0xde, 0xad, 0xbe, 0xef, 0x01}));
    const RunResult run = render({twoNoteFile(), "--rate", "22050", "--block", "100", "--tail", "0.1", "--tempo", "133",
                                  "--host-vendor", "MAGIX", "--param", "2=0.25", "--param", "0=1", "--program", "p.fxp",
                                  "--float", "-o", "small.wav"});
    ASSERT_EQ(run.status, 0) << run.err;
    const Report r = report();
    EXPECT_EQ(fact(r, "vendor"), "MAGIX");
    EXPECT_EQ(fact(r, "hostVersion"), "2400");
    EXPECT_EQ(fact(r, "calls"), "open rate block chunk resume start stop suspend close");
    EXPECT_EQ(facts(r, "param"), (std::vector<std::string>{"2 0.250000", "0 1.000000"}));
    EXPECT_EQ(fact(r, "chunk"), "1 5 deadbeef01");
    EXPECT_EQ(fact(r, "sampleRate"), "22050.000");
    EXPECT_EQ(fact(r, "blockSize"), "100");
    EXPECT_EQ(fact(r, "maxFrames"), "100");
    EXPECT_EQ(fact(r, "events"), "4");
    for (const char* none : {"positionMismatches", "missingTimeInfo", "badDeltas", "processWhileSuspended"})
        EXPECT_EQ(fact(r, none), "0") << none;
    // One tempo for the whole render, and the position in quarter notes follows it.
    ASSERT_EQ(facts(r, "tempo").size(), 1u);
    EXPECT_DOUBLE_EQ(number(fact(r, "tempo"), 1), 133.0);
    const double samplePos = number(fact(r, "lastPosition"), 0);
    EXPECT_NEAR(number(fact(r, "lastPosition"), 1), samplePos / 22050.0 * 133.0 / 60.0, 1e-5);
    const VstInt32 flags = kVstTempoValid | kVstPpqPosValid | kVstTransportPlaying | kVstTimeSigValid;
    EXPECT_EQ(static_cast<VstInt32>(number(fact(r, "timeFlags"))) & flags, flags);
    EXPECT_EQ(fact(r, "timeSig"), "4 4");

    const WavData wav = readWav(folder_.file("small.wav"));
    ASSERT_TRUE(wav.ok);
    EXPECT_EQ(wav.sampleRate, 22050);
    EXPECT_EQ(wav.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    EXPECT_EQ(std::to_string(wav.frames), fact(r, "frames"));
    EXPECT_FALSE(std::filesystem::exists(folder_.file("out.wav")));
}

TEST_F(RenderToolTest, TempoChangesInTheFileReachThePlugin) {
    // 120 BPM, 90 BPM from beat 4 (2 s); a note keeps the render going to 3 s.
    SmfTrack conductor;
    conductor.tempo(0, 500000).tempo(4 * kTicks, 666667).end();
    SmfTrack notes;
    notes.event(0, {0x90, 60, 90}).event(4 * kTicks + 3 * kTicks / 2, {0x80, 60, 0}).end();
    writeBytes(folder_.file("tempo.mid"), smfFile(1, kTicks, {conductor, notes}));

    const RunResult run = render({"tempo.mid", "--rate", "48000", "--block", "256", "--tail", "0"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> tempos = facts(report(), "tempo");
    ASSERT_EQ(tempos.size(), 2u);
    EXPECT_DOUBLE_EQ(number(tempos[0], 0), 0.0);
    EXPECT_DOUBLE_EQ(number(tempos[0], 1), 120.0);
    const double changeAt = number(tempos[1], 0);
    EXPECT_GE(changeAt, 96000.0);
    EXPECT_LT(changeAt, 96000.0 + 256);
    EXPECT_NEAR(number(tempos[1], 1), 90.0, 0.001);
    EXPECT_NEAR(number(tempos[1], 2), 4.0 + (changeAt - 96000.0) / 48000.0 * 1.5, 1e-4);
}

TEST_F(RenderToolTest, DemoPhrasePlaysWithoutAMidiFile) {
    const RunResult run = render({"--rate", "8000", "--tail", "0.5"});
    ASSERT_EQ(run.status, 0) << run.err;
    const Report r = report();
    EXPECT_GE(number(fact(r, "noteOns")), 20);
    EXPECT_EQ(fact(r, "noteOffs"), fact(r, "noteOns"));
    EXPECT_GE(number(fact(r, "controllers")), 60);
    EXPECT_GE(number(fact(r, "bends")), 10);
    EXPECT_EQ(fact(r, "unordered"), "0");
    EXPECT_EQ(fact(r, "badDeltas"), "0");

    const WavData wav = readWav(folder_.file("out.wav"));
    ASSERT_TRUE(wav.ok);
    EXPECT_NEAR(static_cast<double>(wav.frames) / 8000.0, 8.5, 0.3);
    EXPECT_GE(firstSoundAt(wav.left), 0);
}

TEST_F(RenderToolTest, BenchPrintsTheRealTimeFactorAndWritesNothing) {
    TempFolder empty;
    const RunResult run = runRender({testSynthPath(), "--bench", "--rate", "8000", "-o", "x.wav"}, empty.path());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const auto at = run.out.find("real-time factor: ");
    ASSERT_NE(at, std::string::npos) << run.out;
    EXPECT_GT(std::stod(run.out.substr(at + 18)), 0.0);
    EXPECT_NE(run.out.find("per block (512 frames): mean "), std::string::npos) << run.out;
    EXPECT_TRUE(empty.list().empty());
}

TEST_F(RenderToolTest, HelpGoesToStandardOutput) {
    const RunResult run = runRender({"--help"}, folder_.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind("usage: calverine-render PLUGIN.so [MIDIFILE.mid] [options]\n", 0), 0u);
    EXPECT_NE(run.out.find("--host-vendor"), std::string::npos);
    EXPECT_EQ(run.err, "");
}

TEST_F(RenderToolTest, FailedWritesLeaveNoFile) {
    const RunResult missing = render({twoNoteFile(), "--tail", "0", "-o", "no/such/folder/out.wav"});
    EXPECT_EQ(missing.status, 1);
    ASSERT_EQ(lines(missing.err).size(), 1u) << missing.err;
    EXPECT_EQ(missing.err.rfind("calverine-render: cannot write 'no/such/folder/out.wav'", 0), 0u) << missing.err;

    // The whole render succeeds, only the final rename fails.
    std::filesystem::create_directories(folder_.file("taken.wav/inside"));
    const RunResult taken = render({"notes.mid", "--tail", "0", "-o", "taken.wav"});
    EXPECT_EQ(taken.status, 1);
    ASSERT_EQ(lines(taken.err).size(), 1u) << taken.err;
    EXPECT_EQ(taken.err.rfind("calverine-render: cannot write 'taken.wav'", 0), 0u) << taken.err;
    EXPECT_EQ(folder_.list(), (std::vector<std::string>{"notes.mid", "report.txt", "taken.wav"}));

    // The render needs about 500 kB; files may not grow past 64 kB, so a
    // write fails part-way through as it would on a full disk.
    TempFolder small;
    const RunResult run = runRender({testSynthPath(), "--tail", "0", "--rate", "8000", "-o", "big.wav"}, small.path(),
                                    {}, -1, 64 * 1024);
    EXPECT_EQ(run.status, 1);
    ASSERT_EQ(lines(run.err).size(), 1u) << run.err;
    EXPECT_EQ(run.err.rfind("calverine-render: cannot write 'big.wav': ", 0), 0u) << run.err;
    EXPECT_TRUE(small.list().empty());
}

TEST_F(RenderToolTest, TerminationMidwayLeavesNoFile) {
    // An hour of tail: far longer than the test waits. Once the temporary
    // file exists the render is under way, and SIGTERM stops it.
    bool sent = false;
    const RunResult run =
        runRender({testSynthPath(), "--tail", "3600", "--quiet"}, folder_.path(), {}, -1, -1, [&](pid_t pid) {
            if (!sent && !folder_.list().empty()) {
                kill(pid, SIGTERM);
                sent = true;
            }
        });
    ASSERT_TRUE(sent);
    EXPECT_EQ(run.status, 130);
    EXPECT_EQ(run.err, "calverine-render: interrupted; nothing written\n");
    EXPECT_TRUE(folder_.list().empty());
}

TEST_F(RenderToolTest, ProgressBarAppearsOnATerminalForLongAudio) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const int slave = open(ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(slave, 0);

    // The demo phrase with a minute of tail counts as long audio; --quiet
    // keeps the terminal clear all the same.
    fcntl(master, F_SETFL, O_NONBLOCK);
    const auto shownBy = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {testSynthPath(), "--rate", "8000", "--tail", "60"});
        EXPECT_EQ(runRender(args, folder_.path(), {}, slave).status, 0);
        std::string shown;
        char buffer[4096];
        for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;) shown.append(buffer, static_cast<std::size_t>(n));
        return shown;
    };
    EXPECT_EQ(shownBy({"--quiet"}), "");
    const std::string shown = shownBy({});
    close(slave);
    close(master);
    EXPECT_NE(shown.find("rendering ["), std::string::npos) << shown;
    EXPECT_NE(shown.find("100%"), std::string::npos) << shown;
}

// ---- bad input: exit status 2 and exactly one line -------------------------------

struct BadRun {
    const char* name;
    std::vector<std::string> args;
    std::vector<std::string> env = {};
};

TEST_F(RenderToolTest, BadInputExitsWithStatusTwoAndOneLine) {
    // A track without End Of Track: libsmf would abort on it.
    writeBytes(folder_.file("cut.mid"),
               {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k', 0, 0, 0, 4, 0, 0x90, 69, 64});
    writeText(folder_.file("fake.so"), "not a shared object\n");
    writeText(folder_.file("bad.fxp"), std::string(80, 'x'));
    SmfTrack t;
    t.event(0, {0x90, 60, 100}).end(96);
    writeBytes(folder_.file("ok.mid"), smfFile(0, 96, {t}));
    const std::string synth = testSynthPath();

    // One case for each source of refusal (the readers' own tests go through
    // their reasons), the plug-in's parameter count, and what used to abort.
    const std::vector<BadRun> cases = {
        {"noArguments", {}},
        {"missingMidiFile", {synth, "none.mid"}},
        {"midiFileCutShort", {synth, "cut.mid"}},
        {"pluginNotAnObject", {"fake.so", "ok.mid"}},
        {"wrongMagic", {synth, "ok.mid"}, {"CALVERINE_TEST_SYNTH_MODE=badmagic"}},
        {"blockTooLarge", {synth, "ok.mid", "--block", "9000"}},
        {"paramIndexOutOfRange", {synth, "ok.mid", "--param", "4=0.5"}},
        {"programBad", {synth, "ok.mid", "--program", "bad.fxp"}},
    };
    for (const BadRun& c : cases) {
        SCOPED_TRACE(c.name);
        const RunResult run = runRender(c.args, folder_.path(), c.env);
        EXPECT_EQ(run.status, 2) << run.err;
        EXPECT_EQ(lines(run.err).size(), 1u) << run.err;
        EXPECT_EQ(run.err.rfind("calverine-render: ", 0), 0u) << run.err;
        EXPECT_GT(run.err.size(), 30u) << "says what is wrong";
        EXPECT_EQ(run.out, "");
        EXPECT_FALSE(std::filesystem::exists(folder_.file("out.wav")));
    }
}

}  // namespace
}  // namespace calverine::test
