// MIDI input through the plug-in object: lanes, controllers, learn, and notes
// reaching voices through the VST interface.
#include <gtest/gtest.h>

#include <array>
#include <utility>

#include "TestHost.h"
#include "VstXSynth.h"

using calverine::AudioEngine;
using calverine::ControllerMap;
using calverine::VstXSynth;
namespace control = calverine::control;
namespace params = calverine::params;

namespace {

class MidiInput : public ::testing::Test {
protected:
    void start(int blockSize) {
        synth.setBlockSize(blockSize);
        synth.resume();
    }
    void send(MidiList midi) { ::send(synth, std::move(midi)); }
    void render(int frames) {
        std::vector<float> left(static_cast<std::size_t>(frames)), right(static_cast<std::size_t>(frames));
        float* outs[2] = {left.data(), right.data()};
        synth.processReplacing(nullptr, outs, frames);
    }
    float stored(int control, int part = -1) { return synth.parameters().getValue(control, part); }
    AudioEngine& engine() { return synth.engine(); }

    TestHost host;
    VstXSynth synth{TestHost::callback};
};

float bendOf(int value14) { return 2.0f * (((value14 - 8192) / 16384.0f) + 0.5f) - 1.0f; }

}  // namespace

TEST_F(MidiInput, PitchBendMovesWithinTheBlockOnItsOwnChannel) {
    start(128);
    send({{10, 0xE0, 0x00, 0x50}, {70, 0xE0, 0x00, 0x30}});  // channel 1: 0x50 * 128, then 0x30 * 128
    const float first = bendOf(0x50 * 128), second = bendOf(0x30 * 128);
    EXPECT_FLOAT_EQ(engine().bendLane[0 * 16 + 0], first);
    for (int slice = 1; slice <= 7; ++slice) EXPECT_FLOAT_EQ(engine().bendLane[slice * 16 + 0], second) << slice;
    for (int slice = 0; slice <= 7; ++slice) EXPECT_EQ(engine().bendLane[slice * 16 + 1], 0.0f);
    render(128);
    EXPECT_FLOAT_EQ(engine().bend[0], second);  // the last slice's value
    EXPECT_EQ(engine().bend[1], 0.0f);
    EXPECT_FLOAT_EQ(synth.bendValue(0), second);

    send({{0, 0xE1, 0x00, 0x00}, {1, 0xE2, 0x7F, 0x7F}});
    EXPECT_EQ(synth.bendValue(1), -1.0f);
    EXPECT_LT(synth.bendValue(2), 1.0f);
    EXPECT_GT(synth.bendValue(2), 0.9998f);
}

TEST_F(MidiInput, SmallBlocksHaveNoLanes) {
    start(64);
    send({{40, 0xB0, 1, 127}, {40, 0xE0, 0, 0}});  // mod wheel and bend
    for (float v : engine().wheelLane) EXPECT_EQ(v, 0.0f);
    render(64);
    EXPECT_EQ(engine().modWheel, 1.0f);  // the whole block at the new value
    EXPECT_EQ(engine().bend[0], -1.0f);
    EXPECT_EQ(stored(params::kModWheel), 1.0f);
}

TEST_F(MidiInput, ModWheelLaneFillsFromTheEvent) {
    start(256);
    send({{40, 0xB0, 1, 64}, {100, 0xB0, 1, 127}});
    EXPECT_FLOAT_EQ(engine().wheelLane[0], 64 / 127.0f);
    EXPECT_FLOAT_EQ(engine().wheelLane[2], 64 / 127.0f);
    EXPECT_FLOAT_EQ(engine().wheelLane[3], 1.0f);
    EXPECT_FLOAT_EQ(engine().wheelLane[15], 1.0f);
    render(48);  // a host block shorter than the largest: its slices hear the lane, not the last value
    EXPECT_FLOAT_EQ(engine().modWheel, 64 / 127.0f);
}

TEST_F(MidiInput, LearnBindsTheControllerAndAppliesTheSameMessage) {
    start(64);
    send({{0, 0xB0, 7, 100}});  // unassigned: nothing happens
    EXPECT_EQ(stored(control::kFilterFreq, 1), 1.0f);

    synth.controllerMap().startLearn(50, 1);  // [B] Filter Freq
    send({{0, 0xB0, 7, 64}});
    EXPECT_FALSE(synth.controllerMap().learnPending());
    EXPECT_EQ(synth.controllerMap().entry(7).control, 50);
    EXPECT_FLOAT_EQ(stored(control::kFilterFreq, 1), 64 / 127.0f);
    EXPECT_EQ(synth.controllerMap().tableEntry(50, 1), 7);
    send({{0, 0xB3, 7, 127}});
    EXPECT_FLOAT_EQ(stored(control::kFilterFreq, 1), 1.0f);
    EXPECT_EQ(stored(control::kFilterFreq, 0), 1.0f);

    synth.controllerMap().forget(50, 1);
    EXPECT_EQ(synth.controllerMap().entry(7).control, ControllerMap::kUnassigned);
}

// The map rebuilt from the table binds every part's controller of a control:
// part A's and part B's filter frequency each keep their own controller.
TEST(ControllerMapTable, RebuildingBindsEveryPartOfAControl) {
    ControllerMap map(VstXSynth::kControlIds);
    std::array<ControllerMap::Entry, 128> learnt{};
    learnt[20] = {50, 0};  // [A] Filter Freq
    learnt[21] = {50, 1};  // [B] Filter Freq
    learnt[22] = {50, 7};  // a voice slot of the same control
    learnt[30] = {40, 0};
    learnt[31] = {70, 1};
    map.replaceMap(learnt);
    learnt[30] = {60, 1};  // the table now names 30 for controls 40 and 60
    learnt[31] = {70, 0};  // and 31 for both parts of control 70
    map.replaceMap(learnt);
    ASSERT_EQ(map.tableEntry(70, 0), 31);
    ASSERT_EQ(map.tableEntry(70, 1), 31);
    map.buildFromTable();
    for (int c : {20, 21, 22}) {
        EXPECT_EQ(map.entry(c).control, 50) << c;
        EXPECT_EQ(map.entry(c).part, learnt[static_cast<std::size_t>(c)].part) << c;
    }
    EXPECT_EQ(map.entry(30).control, 60);  // the higher control wins
    EXPECT_EQ(map.entry(30).part, 1);
    EXPECT_EQ(map.entry(31).control, 70);  // within a control the lowest part wins
    EXPECT_EQ(map.entry(31).part, 0);
    EXPECT_EQ(map.entry(1).control, 98);  // the mod wheel from the parameter table
    EXPECT_EQ(map.entry(23).control, ControllerMap::kUnassigned);
}

TEST_F(MidiInput, BankSelectControllersNeverReachTheMap) {
    start(64);
    synth.controllerMap().startLearn(7, -1);  // Volume
    send({{0, 0xB0, 0, 10}});  // controller 0 cannot complete a learn
    EXPECT_TRUE(synth.controllerMap().learnPending());
    send({{0, 0xB0, 32, 127}});  // learnt, but handled as bank select
    EXPECT_EQ(synth.controllerMap().entry(32).control, 7);
    EXPECT_EQ(stored(control::kVolume), 0.5f);
}

TEST_F(MidiInput, FootAndExpressionDriveTheEngineUnlessMapped) {
    start(64);
    send({{0, 0xB2, 4, 127}, {0, 0xB2, 11, 64}});
    EXPECT_EQ(engine().foot, 1.0f);
    EXPECT_EQ(engine().footChannel[2], 1.0f);
    EXPECT_FLOAT_EQ(static_cast<float>(engine().expression), 64 / 127.0f);

    synth.controllerMap().startLearn(8, -1);  // Spread
    send({{0, 0xB2, 4, 127}});
    EXPECT_EQ(stored(control::kSpread), 1.0f);
    EXPECT_EQ(engine().foot, 0.0f);
    EXPECT_EQ(engine().footChannel[2], 0.0f);
}

TEST_F(MidiInput, FixedControllers) {
    start(64);
    send({{0, 0x90, 60, 100},
          {1, 0xB0, 64, 100},
          {2, 0xA0, 61, 127},
          {3, 0xD5, 32, 0},
          {4, 0xB1, 74, 127}});  // timbre not routed: goes through the empty map
    render(64);
    EXPECT_TRUE(engine().keyDown(60));
    EXPECT_EQ(engine().pedalUp, 0);
    EXPECT_FLOAT_EQ(static_cast<float>(engine().sustain), 100 / 127.0f);
    EXPECT_EQ(engine().polyPressure[61], 1.0f);
    EXPECT_FLOAT_EQ(engine().channelPressureChannel[5], 32 / 127.0f);
    EXPECT_EQ(engine().timbreChannel[1], 0.0f);
    send({{0, 0xB0, 64, 63}});  // the pedal is up below the middle value
    EXPECT_EQ(engine().pedalUp, 1);
    send({{0, 0xB0, 64, 64}});
    EXPECT_EQ(engine().pedalUp, 0);

    synth.setControl(101, 5.0f, -1, true);  // matrix source 2 = "Timbre (74)"
    send({{0, 0xB1, 74, 127}, {1, 0xB0, 123, 0}});  // then all notes off
    EXPECT_EQ(engine().timbreChannel[1], 1.0f);
    EXPECT_EQ(engine().timbre, 1.0f);
    EXPECT_FALSE(engine().keyDown(60));
    EXPECT_TRUE(engine().allKeysReleased());
}

TEST_F(MidiInput, LockedPitchWheelIgnoresBends) {
    start(64);
    auto& store = synth.parameters();
    store.locks()[static_cast<std::size_t>(store.recordOf(params::kPitchWheel, -1))].value = 0.5f;
    send({{0, 0xE0, 0, 0}});
    EXPECT_EQ(synth.bendValue(0), 0.0f);
    EXPECT_EQ(synth.midiActivity(), 1);
}

TEST_F(MidiInput, NotesThroughTheInterfaceReachVoices) {
    AEffect* effect = synth.getAeffect();
    effect->dispatcher(effect, effSetBlockSize, 0, 256, nullptr, 0);
    effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0);
    effect->setParameter(effect, 30, 0.5f);  // Parts Mode: Dual
    MidiList midi{{0, 0x90, 48, 127}, {100, 0x93, 52, 64}, {200, 0x90, 48, 0}};
    effect->dispatcher(effect, effProcessEvents, 0, 0, midi.events(), 0);
    float left[256], right[256];
    float* outs[2] = {left, right};
    effect->processReplacing(effect, nullptr, outs, 256);
    const AudioEngine& e = synth.engine();
    // Dual: every note takes a voice of each part; 48 was released again.
    EXPECT_EQ(e.voice(0).note, 48);
    EXPECT_TRUE(e.voice(0).released);
    EXPECT_EQ(e.voice(1).note, 48);
    EXPECT_EQ(e.voice(1).part, 1u);
    EXPECT_EQ(e.voice(2).note, 52);
    EXPECT_EQ(e.voice(2).channel, 3);
    EXPECT_FLOAT_EQ(e.voice(3).velocity, 64 / 127.0f);
    EXPECT_FALSE(e.voice(3).released);
    EXPECT_EQ(e.voice(3).part, 1u);
}
