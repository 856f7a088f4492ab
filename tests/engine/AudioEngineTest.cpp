#include "AudioEngine.h"

#include <gtest/gtest.h>

#include <cmath>

#include "EngineControls.h"
#include "EngineRig.h"
#include "SignalAnalysis.h"

using calverine::AudioEngine;
namespace control = calverine::control;

namespace {

// Renders a host block the way the shell does: slices of at most 16 frames,
// then the queue is emptied.
void renderHostBlock(AudioEngine& engine, int frames, float* left = nullptr, float* right = nullptr) {
    for (int pos = 0; pos < frames; pos += 16) {
        const int n = std::min(16, frames - pos);
        float* out[2] = {left ? left + pos : nullptr, right ? right + pos : nullptr};
        engine.renderBlock(left ? out : nullptr, n, pos);
    }
    engine.clearEventQueue();
}

}  // namespace

TEST(AudioEngine, EventsApplyInTheirSliceAndNeverTwice) {
    AudioEngine engine;
    // A 40-frame host block: on and off of note 60 at frame 3, note 62 on at 20,
    // note 64 on at 39 (the last frame).
    engine.queueNoteEvent(60, 0.5f, 3, 0, true, 0);
    engine.queueNoteEvent(60, 0.0f, 3, 0, false, 0);
    engine.queueNoteEvent(62, 0.25f, 20, 0, true, 0);
    engine.queueNoteEvent(64, 1.0f, 39, 0, true, 0);

    engine.renderBlock(nullptr, 16, 0);
    EXPECT_FALSE(engine.keyDown(60));  // on and off at the same frame, in queue order
    EXPECT_FLOAT_EQ(engine.keyVelocity(60), 0.5f);
    EXPECT_FALSE(engine.keyDown(62));

    engine.renderBlock(nullptr, 16, 16);
    EXPECT_FALSE(engine.keyDown(60));  // frame 3 is not replayed by the second slice
    EXPECT_TRUE(engine.keyDown(62));
    EXPECT_FALSE(engine.keyDown(64));

    engine.renderBlock(nullptr, 8, 32);
    EXPECT_TRUE(engine.keyDown(64));
    engine.clearEventQueue();

    // Every sub-sample of the block was given to the voices exactly once.
    EXPECT_EQ(engine.voice(0).sampleCounter, 4u * 40u);
    EXPECT_EQ(engine.voice(7).sampleCounter, 4u * 40u);
}

TEST(AudioEngine, OutOfOrderEventsAreSortedAndOverflowIsDropped) {
    AudioEngine engine;
    engine.queueNoteEvent(70, 1.0f, 30, 0, true, 0);
    engine.queueNoteEvent(71, 1.0f, 2, 0, true, 0);  // arrives late but plays first
    engine.renderBlock(nullptr, 16, 0);
    EXPECT_TRUE(engine.keyDown(71));
    EXPECT_FALSE(engine.keyDown(70));
    engine.renderBlock(nullptr, 16, 16);
    EXPECT_TRUE(engine.keyDown(70));
    engine.clearEventQueue();

    for (int i = 0; i < 300; ++i) engine.queueNoteEvent(static_cast<std::uint32_t>(i & 127), 1.0f, i % 64, 0, true, 0);
    EXPECT_EQ(engine.queuedEvents(), 128u);
    renderHostBlock(engine, 64);
    EXPECT_EQ(engine.queuedEvents(), 0u);
}

TEST(AudioEngine, SleepsTwoSecondsAfterTheLastKeyAndThenOutputsZeros) {
    AudioEngine engine;
    engine.setEngineParameter(control::kVolume, 0.5, -1);
    engine.queueNoteEvent(60, 1.0f, 0, 0, true, 0);
    EXPECT_EQ(engine.sleepCountdown(), 1400);  // a queued note-on wakes the engine
    renderHostBlock(engine, 64);
    EXPECT_FALSE(engine.allKeysReleased());
    // Held key: the engine stays awake however long it is quiet.
    for (int i = 0; i < 6000; ++i) renderHostBlock(engine, 16);
    EXPECT_EQ(engine.sleepCountdown(), engine.wakeLength());

    engine.queueNoteEvent(60, 0.0f, 0, 0, false, 0);
    const int wake = engine.wakeLength();
    EXPECT_EQ(wake, 5512);  // two seconds of 16-sample blocks
    int block = 0, lastAudible = -1;
    float left16[16], right16[16];
    for (; block < 20 * wake && !engine.isAsleep(); ++block) {
        renderHostBlock(engine, 16, left16, right16);
        for (int i = 0; i < 16; ++i)
            if (std::fabs(left16[i]) >= 4e-6f || std::fabs(right16[i]) >= 4e-6f) lastAudible = block;
    }
    EXPECT_TRUE(engine.allKeysReleased());
    ASSERT_TRUE(engine.isAsleep());
    EXPECT_GE(lastAudible, 0);  // the release was heard
    // Two seconds' worth of quiet blocks, then sleep.
    EXPECT_EQ(block - 1 - lastAudible, wake + 1);

    std::vector<float> left(64, 1.0f), right(64, 1.0f);
    renderHostBlock(engine, 64, left.data(), right.data());
    EXPECT_EQ(analysis::peak(left) + analysis::peak(right), 0.0);
    // The effects tail keeps counting down while asleep, and stops at -1.
    for (int i = 0; i < wake + 10; ++i) renderHostBlock(engine, 16);
    EXPECT_EQ(engine.effectsTailCountdown(), -1);
}

TEST(AudioEngine, VoiceModeChangeReinitialisesVoicesOnce) {
    AudioEngine engine;
    renderHostBlock(engine, 16);
    renderHostBlock(engine, 16);
    ASSERT_TRUE(engine.isAsleep());
    const auto before = engine.voice(3).sampleCounter;
    engine.setEngineParameter(control::kUnison, 1.0, -1);
    EXPECT_EQ(engine.voiceMode(), 0);  // the audio thread makes the change, at its next block
    EXPECT_EQ(engine.voice(3).sampleCounter, before);
    renderHostBlock(engine, 16);
    EXPECT_EQ(engine.voiceMode(), 1);
    EXPECT_EQ(engine.sleepCountdown(), engine.wakeLength() / 4 - 1);  // woken for a quarter, one quiet block gone
    EXPECT_EQ(engine.voice(3).sampleCounter, 64u);
    engine.setEngineParameter(control::kUnison, 0.0, -1);  // changed and changed back before the
    engine.setEngineParameter(control::kUnison, 1.0, -1);  // next block: nothing happens
    renderHostBlock(engine, 16);
    EXPECT_EQ(engine.sleepCountdown(), engine.wakeLength() / 4 - 2);
    EXPECT_EQ(engine.voice(3).sampleCounter, 128u);
}

// Part B is kept silent, so what is heard, part A, must not change when part
// B's filter turns from A's four-pole low-pass into a two-pole band-pass.
TEST(AudioEngine, EveryVoiceSoundsThroughItsOwnPartsFilter) {
    const struct {
        const char* what;
        int voices, unison, muted;  // muted: a voice index, or -1
    } cases[] = {{"unison, 8 voices", 8, 1, -1},
                 {"unison, 16 voices", 16, 1, -1},
                 {"chord, 8 voices, the second muted", 8, 0, 1},
                 {"chord, 16 voices, the tenth muted", 16, 0, 9}};
    for (const auto& c : cases) {
        std::vector<float> heard[2];
        for (bool bandPassB : {false, true}) {
            engine_test::Rig rig;
            rig.global(control::kPartsMode, 1.0);
            rig.global(control::kVoiceCount, c.voices);
            rig.global(control::kUnison, c.unison);
            if (c.muted >= 0) rig.global(control::voiceMute(c.muted), 1.0);
            rig.set(control::kFilter4Pole, 1.0);
            rig.set(control::kFilterFreq, 0.5);
            for (int id : {control::kFilterOsc1, control::kFilterOsc2}) rig.engine.setEngineParameter(id, 0.0, 1);
            if (bandPassB) {
                rig.engine.setEngineParameter(control::kFilter4Pole, 0.0, 1);
                rig.engine.setEngineParameter(control::kFilterBandPass, 1.0, 1);
            }
            for (int note : {48, 55, 60}) rig.on(note);
            heard[bandPassB] = rig.render(0.3);
        }
        std::vector<float> difference(heard[0].size());
        for (std::size_t i = 0; i < difference.size(); ++i) difference[i] = heard[1][i] - heard[0][i];
        ASSERT_GT(analysis::rms(heard[0]), 0.01) << c.what;
        EXPECT_LT(analysis::rms(difference), 1e-3 * analysis::rms(heard[0])) << c.what;
    }
}

// Two engines play the same note and one of them changes: the ratio of
// their outputs is the glide. The volume moves 1/1000 of the way to v^2 * 8
// each sample; channel pressure, heard through an "Aftertouch" to "Volume"
// slot, passes one-pole stages of 0.06 then 0.2 per control update.
TEST(AudioEngine, VolumeAndChannelPressureGlideAtTheirRates) {
    for (bool pressure : {false, true}) {
        engine_test::Rig steady, moving;
        for (engine_test::Rig* rig : {&steady, &moving}) {
            rig->singleSaw();
            if (pressure) {
                rig->global(control::kMatrixSource[0], 2);       // "Aftertouch"
                rig->global(control::kMatrixAmount[0], 1.0);     // amount +1
                rig->global(control::kMatrixDestination[0], 4);  // "Volume"
            }
            rig->on(117);  // 7 kHz: each block holds a few periods
        }
        steady.engine.channelPressureChannel[0] = 1.0f;
        steady.render(0.3);
        moving.render(0.3);
        if (pressure)
            moving.engine.channelPressureChannel[0] = 1.0f;
        else
            moving.global(control::kVolume, 1.0);
        const auto a = steady.render(0.1), b = moving.render(0.1);
        if (!pressure) {
            double worst = 0.0;
            for (std::size_t n = 0; n < a.size(); ++n)
                if (std::fabs(a[n]) > 0.2 * analysis::peak(a))
                    worst = std::max(worst, std::fabs(b[n] / a[n] - (8.0 - 6.0 * std::pow(0.999, n + 1.0)) / 2.0));
            EXPECT_LT(worst, 1e-3) << "volume";
            continue;
        }
        // Block k's level is read about ten samples late (the decimator); the
        // readings waver with the waveform, their mean does not.
        double bias = 0.0;
        for (int k = 1; k <= 40; ++k) {
            double ab = 0.0, aa = 0.0;
            for (auto i = static_cast<std::size_t>(16 * k - 7); i < static_cast<std::size_t>(16 * k + 9); ++i) {
                ab += static_cast<double>(a[i]) * b[i];
                aa += static_cast<double>(a[i]) * a[i];
            }
            const double expected = 1.0 - 1.342857 * std::pow(0.94, k) + 0.342857 * std::pow(0.8, k);
            EXPECT_NEAR(ab / aa, expected, 0.006) << "update " << k;
            bias += (ab / aa - expected) / 40;
        }
        EXPECT_NEAR(bias, 0.0, 0.003);
    }
}

TEST(AudioEngine, AllNotesOffReleasesKeysAndWithClearSilencesTheEffectsTails) {
    AudioEngine engine;
    // Effects on with a long echo.
    const std::pair<int, double> controls[] = {{control::kEffects, 1.0},   {control::kDelayOn, 1.0},     {control::kDelayTime, 4.0},
                                               {control::kDelayFeedback, 0.9}, {control::kDelayDryWet, 0.5}, {control::kVolume, 0.5}};
    for (const auto& [id, value] : controls) engine.setEngineParameter(id, value, -1);
    engine.queueNoteEvent(60, 1.0f, 0, 0, true, 0);
    engine.queueNoteEvent(67, 1.0f, 0, 0, true, 0);
    std::vector<float> left(4410), right(4410);
    renderHostBlock(engine, 4410, left.data(), right.data());
    ASSERT_TRUE(engine.keyDown(67));
    engine.allNotesOff(AudioEngine::Sound::Keep);
    EXPECT_FALSE(engine.keyDown(60));
    EXPECT_FALSE(engine.keyDown(67));
    EXPECT_TRUE(engine.allKeysReleased());
    renderHostBlock(engine, 4410, left.data(), right.data());
    EXPECT_GT(analysis::peak(left), 0.01);  // the echo rings on
    engine.allNotesOff(AudioEngine::Sound::Clear);
    for (int block = 0; block < 20; ++block) {
        renderHostBlock(engine, 4410, left.data(), right.data());
        ASSERT_EQ(analysis::peak(left), 0.0) << block;
    }
}
