// The plug-in object's shell, linked directly.
#include "VstXSynth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>
#include <thread>

#include "PartClipboard.h"
#include "TestHost.h"

using calverine::PartClipboard;
using calverine::VstXSynth;

// Counts heap allocations while counting is on (AllocationCounter.cpp).
extern std::atomic<bool> gCounting;
extern std::atomic<int> gAllocations;

namespace {

struct Synth {
    explicit Synth(int blockSize = 512) : synth(TestHost::callback) {
        synth.setSampleRate(44100.0f);
        synth.setBlockSize(blockSize);
        synth.resume();
    }
    void render(int frames) {
        left.assign(static_cast<std::size_t>(frames), 0.25f);
        right.assign(static_cast<std::size_t>(frames), 0.25f);
        float* outs[2] = {left.data(), right.data()};
        synth.processReplacing(nullptr, outs, frames);
    }
    bool silent() const {
        for (std::size_t i = 0; i < left.size(); ++i)
            if (left[i] != 0.0f || right[i] != 0.0f) return false;
        return true;
    }
    VstXSynth synth;
    std::vector<float> left, right;
};

}  // namespace

TEST(VstXSynth, SampleRateIsClampedForTheEngine) {
    TestHost host;
    Synth s;
    s.synth.setSampleRate(22050.0f);
    EXPECT_EQ(s.synth.engine().sampleRate(), 44100.0);
    EXPECT_EQ(s.synth.getSampleRate(), 44100.0f);
    s.synth.setSampleRate(384000.0f);
    EXPECT_EQ(s.synth.engine().sampleRate(), 192000.0);
    s.synth.setSampleRate(96000.0f);
    EXPECT_EQ(s.synth.engine().sampleRate(), 96000.0);
}

TEST(VstXSynth, HostDetectionFromTheVendorString) {
    TestHost host;
    const struct {
        const char* vendor;
        bool own, singleProgram, magix;
    } cases[] = {{"Test Host", false, true, false},
                 {"Brindle Audio", true, false, false},
                 {"brindle audio", false, true, false},  // compared exactly
                 {"MAGIX", false, true, true}};
    for (const auto& c : cases) {
        host.vendor = c.vendor;
        Synth s;
        EXPECT_EQ(s.synth.isOwnHostMode(), c.own) << c.vendor;
        EXPECT_EQ(s.synth.engine().ownHostMode, c.own) << c.vendor;
        EXPECT_EQ(s.synth.isSingleProgramMode(), c.singleProgram) << c.vendor;
        EXPECT_EQ(s.synth.isMagixHost(), c.magix) << c.vendor;
    }
}

TEST(VstXSynth, SuspendResetsExceptInTheMakersOwnHost) {
    TestHost host;
    for (bool own : {false, true}) {
        host.vendor = own ? "Brindle Audio" : "Test Host";
        Synth s;
        send(s.synth, {{0, 0x90, 60, 100}});
        s.render(64);
        ASSERT_TRUE(s.synth.engine().keyDown(60));
        // The construction's own suspend consumed the skip; this one is the host's.
        s.synth.suspend();
        EXPECT_EQ(s.synth.engine().keyDown(60), own) << own;
    }
}

TEST(VstXSynth, TimeInfoGivesTempoAndDefaultsTo120) {
    TestHost host;
    Synth s;
    host.time.tempo = 97.5;
    s.render(32);
    EXPECT_EQ(s.synth.engine().hostTempo, 97.5);
    host.time.flags = 0;  // tempo not valid
    s.render(32);
    EXPECT_EQ(s.synth.engine().hostTempo, 120.0);
    host.time.flags = kVstTempoValid;
    host.answerTime = false;  // no record at all
    s.render(32);
    EXPECT_EQ(s.synth.engine().hostTempo, 120.0);
}

TEST(VstXSynth, NoteEventsLandInTheirSliceWithClampedPositions) {
    TestHost host;
    Synth s(64);
    MidiList midi;
    for (int frame = 0; frame < 40; ++frame) midi.add(frame, 0x90, static_cast<unsigned char>(40 + frame), 64);
    midi.add(-5, 0x90, 20, 100);     // before the block: frame 0
    midi.add(10000, 0x90, 21, 100);  // beyond the block size: the last frame
    midi.add(5, 0x90, 22, 0);        // velocity 0 is a note-off
    midi.add(5, 0xA0, 23, 100);      // not a note
    s.synth.processEvents(midi.events());
    EXPECT_EQ(s.synth.engine().queuedEvents(), 43u);
    EXPECT_EQ(s.synth.midiActivity(), 1);
    s.render(40);
    for (int note = 40; note < 80; ++note) EXPECT_TRUE(s.synth.engine().keyDown(note)) << note;
    EXPECT_TRUE(s.synth.engine().keyDown(20));
    EXPECT_FALSE(s.synth.engine().keyDown(21));  // frame 63 lies beyond this 40-frame block
    EXPECT_FALSE(s.synth.engine().keyDown(22));
    EXPECT_EQ(s.synth.engine().queuedEvents(), 0u);  // consumed with the block

    send(s.synth, {{10000, 0x90, 21, 100}});
    s.render(64);
    EXPECT_TRUE(s.synth.engine().keyDown(21));
}

TEST(VstXSynth, ReloadMuteSilencesBlocksAndLeavesTheEngineAlone) {
    TestHost host;
    Synth s(256);
    send(s.synth, {{0, 0x90, 64, 100}});
    s.synth.lockForReload();
    s.render(256);
    EXPECT_TRUE(s.silent());
    EXPECT_FALSE(s.synth.engine().keyDown(64));  // the engine did not run
    EXPECT_EQ(s.synth.engine().voice(0).sampleCounter, 0u);
    s.synth.unlockAfterReload();
    s.render(256);
    EXPECT_TRUE(s.synth.engine().keyDown(64));
}

TEST(VstXSynth, ReloadLockWaitsForTheRenderingBlock) {
    TestHost host;
    Synth s(128);
    std::atomic<bool> stop{false};
    std::thread audio([&] {
        float left[128], right[128];
        float* outs[2] = {left, right};
        while (!stop) s.synth.processReplacing(nullptr, outs, 128);
    });
    for (int i = 0; i < 30; ++i) {
        s.synth.lockForReload();
        // While locked the audio thread never enters the engine.
        const auto before = s.synth.engine().voice(0).sampleCounter;
        std::this_thread::sleep_for(std::chrono::microseconds(300));
        EXPECT_EQ(s.synth.engine().voice(0).sampleCounter, before);
        s.synth.unlockAfterReload();
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    stop = true;
    audio.join();
}

TEST(VstXSynth, ObjectsShareOneClipboardFreedWithTheLast) {
    TestHost host;
    ASSERT_EQ(PartClipboard::liveObjects(), 0);
    auto* first = new VstXSynth(TestHost::callback);
    ASSERT_NE(PartClipboard::records(), nullptr);
    EXPECT_EQ(PartClipboard::recordCount(), VstXSynth::kControlIds);
    EXPECT_EQ(PartClipboard::copiedPart(), -1);
    PartClipboard::records()[5] = {5, 1, 0.75f};
    PartClipboard::setCopied(1, calverine::ClipboardMode::Part);

    auto* second = new VstXSynth(TestHost::callback);
    EXPECT_EQ(PartClipboard::liveObjects(), 2);
    EXPECT_EQ(PartClipboard::copiedPart(), 1);  // the second object sees the first one's copy
    EXPECT_FLOAT_EQ(PartClipboard::records()[5].value, 0.75f);
    delete first;
    EXPECT_TRUE(PartClipboard::partCopied());
    EXPECT_NE(PartClipboard::records(), nullptr);
    delete second;
    EXPECT_EQ(PartClipboard::liveObjects(), 0);
    EXPECT_EQ(PartClipboard::records(), nullptr);
    EXPECT_EQ(PartClipboard::copiedPart(), -1);
}

TEST(VstXSynth, TheMakersOwnHostHearsEverySample195TimesLouder) {
    TestHost host;
    std::vector<float> heard[2];
    for (int own = 0; own < 2; ++own) {
        host.vendor = own ? "Brindle Audio" : "Test Host";
        Synth s(256);
        send(s.synth, {{3, 0x90, 57, 100}});
        for (int block = 0; block < 20; ++block) {
            s.render(256);
            heard[own].insert(heard[own].end(), s.left.begin(), s.left.end());
        }
    }
    double loudest = 0.0;
    for (std::size_t i = 0; i < heard[0].size(); ++i) {
        EXPECT_FLOAT_EQ(heard[1][i], heard[0][i] * 1.95f) << i;
        loudest = std::max(loudest, static_cast<double>(std::fabs(heard[0][i])));
    }
    EXPECT_GT(loudest, 0.01);  // the note was heard at all
}

TEST(VstXSynth, StepPositionsFollowTheRunningSequence) {
    TestHost host;  // 120 BPM, transport stopped
    Synth s(512);
    s.synth.setParameter(8, 1.0f);  // LFO 1 shape: steps (16 by default)
    send(s.synth, {{0, 0x90, 60, 100}});
    std::vector<int> seen;
    for (int block = 0; block < 90; ++block) {  // about a second: one whole sequence at rate 0.5
        s.render(512);
        seen.push_back(s.synth.stepPosition(0));
    }
    EXPECT_EQ(seen.front(), 0);
    for (std::size_t i = 1; i < seen.size(); ++i) {
        EXPECT_GE(seen[i], 0);
        EXPECT_LT(seen[i], 16);
        if (seen[i] < seen[i - 1]) {
            EXPECT_EQ(seen[i], 0) << "a wrap starts the sequence again";
        }
    }
    EXPECT_EQ(*std::max_element(seen.begin(), seen.end()), 15);
    EXPECT_EQ(s.synth.stepPosition(1), -1);  // LFO 2 is a sine
    send(s.synth, {{0, 0x80, 60, 0}});
    s.render(512);
    EXPECT_EQ(s.synth.stepPosition(0), -1);  // no key held and the transport stopped
}

// Nothing on the audio thread allocates, with one exception by design: a MIDI
// program change (or bank select) that selects a patch loads its file right
// there. That load is sent with the count paused; a program change that
// selects nothing is counted like every other message.
TEST(VstXSynth, NothingIsAllocatedOnTheAudioThreadWithEveryEffectAndTheLimiterOn) {
    TestHost host;
    Synth s(512);
    // Effects on with every unit, the limiter on, a loud chord.
    const std::pair<int, float> controls[] = {{10, 1.0f},  {109, 1.0f}, {84, 10.0f}, {85, 0.6f}, {89, 0.5f}, {129, 1.0f},
                                              {19, 0.5f},  {119, 1.0f}, {95, 0.3f},  {79, 1.0f}, {1, 1.0f}};
    for (const auto& [id, value] : controls) s.synth.setControl(id, value, 0, false);
    // The same patch as the library's only program.
    const std::string bank = host.home + "/data/Soundbanks/Bank";
    std::filesystem::create_directories(bank);
    ASSERT_TRUE(s.synth.savePatchFile(bank + "/Loud.fxp"));
    s.synth.rescanLibrary();
    char scratch[] = "Scratch";
    s.synth.setProgramName(scratch);
    MidiList midi;
    for (int note = 48; note < 60; note += 2) midi.add(0, 0x90, static_cast<unsigned char>(note), 127);
    s.synth.processEvents(midi.events());
    // Loading silences the held chord; it is struck again.
    MidiList load{{0, 0xC0, 0, 0}};
    for (int note = 48; note < 60; note += 2) load.add(0, 0x90, static_cast<unsigned char>(note), 127);
    VstEvents* loadEvents = load.events();
    MidiList off;
    for (int note = 48; note < 60; note += 2) off.add(0, 0x80, static_cast<unsigned char>(note), 0);
    VstEvents* offEvents = off.events();
    // A hundred short notes in every held block as well, and a program change
    // to a program the bank does not have.
    MidiList busy;
    for (int i = 0; i < 100; ++i) busy.add(i * 5, (i & 1) ? 0x80 : 0x90, static_cast<unsigned char>(62 + i / 2), 90);
    busy.add(3, 0xC0, 5, 0);
    VstEvents* busyEvents = busy.events();
    std::vector<float> heard;
    heard.reserve(100 * 512);
    s.render(512);  // the test's own buffers reach their size
    gAllocations = 0;
    gCounting = true;
    for (int block = 0; block < 40; ++block) {
        if (block == 20) {
            gCounting = false;
            s.synth.processEvents(loadEvents);
            gCounting = true;
        }
        s.synth.processEvents(busyEvents);
        s.render(block % 3 ? 512 : 77);
        heard.insert(heard.end(), s.left.begin(), s.left.end());
    }
    s.synth.processEvents(offEvents);
    const std::size_t released = heard.size();
    for (int block = 0; block < 60; ++block) {
        s.render(512);
        heard.insert(heard.end(), s.left.begin(), s.left.end());
    }
    gCounting = false;
    EXPECT_EQ(gAllocations.load(), 0);
    char name[32];
    s.synth.getProgramName(name);
    EXPECT_STREQ(name, "Loud");  // the program change loaded the file
    double peak = 0.0, tail = 0.0;
    for (std::size_t i = 0; i < heard.size(); ++i) {
        ASSERT_TRUE(std::isfinite(heard[i])) << i;
        peak = std::max(peak, static_cast<double>(std::fabs(heard[i])));
        if (i > released + 22050) tail = std::max(tail, static_cast<double>(std::fabs(heard[i])));
    }
    EXPECT_LE(peak, 0.999);
    EXPECT_GT(tail, 0.01);  // echoes and reverb ring on half a second after the release
}
