#include <gtest/gtest.h>

#include <set>

#include "AudioEngine.h"
#include "EngineControls.h"

using calverine::AudioEngine;
namespace control = calverine::control;

namespace {

class Allocation : public ::testing::Test {
protected:
    void on(int note, float velocity = 0.8f) { engine.queueNoteEvent(static_cast<std::uint32_t>(note), velocity, 0, 0, true, 0), render(); }
    void off(int note) { engine.queueNoteEvent(static_cast<std::uint32_t>(note), 0.0f, 0, 0, false, 0), render(); }
    void render(int frames = 16) {
        for (int pos = 0; pos < frames; pos += 16) engine.renderBlock(nullptr, std::min(16, frames - pos), pos);
        engine.clearEventQueue();
    }
    void set(int id, double value, int part = -1) { engine.setEngineParameter(id, value, part); }
    // The voices below the voice count that play `note` and are not released.
    std::set<int> playing(int note) {
        std::set<int> voices;
        for (int i = 0; i < engine.voiceCount(); ++i)
            if (engine.voice(i).note == note && !engine.voice(i).released) voices.insert(i);
        return voices;
    }
    AudioEngine engine;
};

}  // namespace

TEST_F(Allocation, DualWithEightVoicesPairsPartsAndStealsInRoundRobinOrder) {
    set(control::kPartsMode, 1);
    for (int n = 0; n < 4; ++n) on(60 + n);
    for (int n = 0; n < 4; ++n) {
        EXPECT_EQ(playing(60 + n), (std::set<int>{2 * n, 2 * n + 1})) << n;
        EXPECT_EQ(engine.voice(2 * n).part, 0u);
        EXPECT_EQ(engine.voice(2 * n + 1).part, 1u);
    }
    on(70);  // every voice busy: the two after the last one used are stolen
    EXPECT_EQ(playing(70), (std::set<int>{0, 1}));
    on(71);
    EXPECT_EQ(playing(71), (std::set<int>{2, 3}));
    off(62);
    on(72);  // the freed pair is not next in line: the search finds it anyway
    EXPECT_EQ(playing(72), (std::set<int>{4, 5}));
}

// A new note takes a voice that is releasing before it steals one whose key
// is held, wherever the round robin stands.
TEST_F(Allocation, ReleasedVoicesAreTakenBeforeHeldOnes) {
    set(control::kAmpEnvRelease, 0.75, 0);  // half-second halvings: the released voices ring on
    for (int n = 0; n < 8; ++n) on(60 + n);   // voices 1..7, then 0
    off(62);                                  // voice 3
    off(65);                                  // voice 6
    on(70);
    on(71);
    EXPECT_EQ(playing(70), (std::set<int>{3}));
    EXPECT_EQ(playing(71), (std::set<int>{6}));
    for (int note : {60, 61, 63, 64, 66, 67}) EXPECT_EQ(playing(note).size(), 1u) << note;
}

TEST_F(Allocation, SplitKeepsEachPartInItsHalfAndTheSplitNoteBelongsToB) {
    set(control::kPartsMode, 2);
    set(control::kSplit, 0.5);  // note 60
    set(control::kVoiceCount, 16);
    for (int i = 0; i < 12; ++i) on(40 + i);
    for (int i = 0; i < 12; ++i)
        for (int v : playing(40 + i)) {
            EXPECT_LT(v, 8);
            EXPECT_EQ(engine.voice(v).part, 0u);
        }
    on(60);
    const auto voices = playing(60);
    ASSERT_EQ(voices.size(), 1u);
    EXPECT_GE(*voices.begin(), 8);
    EXPECT_EQ(engine.voice(*voices.begin()).part, 1u);
    // In unison the split note takes part B's half as well.
    set(control::kUnison, 1);
    on(60);
    EXPECT_EQ(playing(60), (std::set<int>{8, 9, 10, 11, 12, 13, 14, 15}));
}

TEST_F(Allocation, MutedVoicesNeverStart) {
    set(control::voiceMute(2), 1);
    set(control::voiceMute(3), 1);
    for (int i = 0; i < 20; ++i) on(50 + i);  // fills and then steals
    EXPECT_EQ(engine.voice(2).note, 60);  // still at its initial note
    EXPECT_TRUE(engine.voice(2).released);
    EXPECT_TRUE(engine.voice(3).released);

    // A whole pool muted: notes for it are silent, the other part still plays.
    AudioEngine split;
    split.setEngineParameter(control::kPartsMode, 2, -1);
    for (int i = 0; i < 4; ++i) split.setEngineParameter(control::kVoiceMute1 + i, 1, -1);
    split.queueNoteEvent(40, 1.0f, 0, 0, true, 0);
    split.queueNoteEvent(80, 1.0f, 1, 0, true, 0);
    split.renderBlock(nullptr, 16, 0);
    int partB = 0;
    for (int i = 0; i < 8; ++i) {
        EXPECT_NE(split.voice(i).note, 40) << i;
        if (split.voice(i).note == 80 && !split.voice(i).released) {
            EXPECT_GE(i, 4);
            ++partB;
        }
    }
    EXPECT_EQ(partB, 1);
}

TEST_F(Allocation, UnisonReturnsToTheHeldKeyWithItsOwnVelocity) {
    set(control::kUnison, 1);
    on(60, 0.5f);
    on(64, 0.9f);
    EXPECT_EQ(playing(64).size(), 8u);
    off(64);
    EXPECT_EQ(playing(60).size(), 8u);
    EXPECT_FLOAT_EQ(engine.voice(5).velocity, 0.5f);
    on(64, 0.9f);
    off(60);  // not the sounding key: nothing changes
    EXPECT_EQ(playing(64).size(), 8u);
    off(64);  // nothing held any more: released
    EXPECT_TRUE(playing(64).empty());
    EXPECT_TRUE(engine.allKeysReleased());
}

TEST_F(Allocation, SameKeyTwiceTakesTwoVoicesAndOneNoteOffReleasesBoth) {
    on(60);
    on(60);
    EXPECT_EQ(playing(60).size(), 2u);
    EXPECT_FALSE(engine.allKeysReleased());
    off(60);
    EXPECT_TRUE(playing(60).empty());
    EXPECT_TRUE(engine.allKeysReleased());
}

TEST_F(Allocation, GlideRateFollowsPortamento) {
    set(control::kUnison, 1);
    set(control::kPortamento, 1.0);  // 4.5 semitones per second
    on(60);
    on(72);
    const int second = 44100 / 16 * 16;  // about one second of 16-sample blocks
    render(second);
    EXPECT_NEAR(engine.voice(0).glidePitch, 60.0 + 4.5 * second / 44100.0, 0.01);

    set(control::kPortamento, 0.0);  // 10000 semitones per second
    EXPECT_NEAR(engine.glideRate() * 44100.0, 10000.0, 1e-6);
    render(48);  // the remaining 7.5 semitones take 33 samples
    EXPECT_EQ(engine.voice(0).glidePitch, 72.0);
    on(48);  // 24 semitones down in 24 / 10000 s = 106 samples
    render(80);
    EXPECT_GT(engine.voice(3).glidePitch, 48.0);
    render(16);
    EXPECT_EQ(engine.voice(3).glidePitch, 48.0);
}
