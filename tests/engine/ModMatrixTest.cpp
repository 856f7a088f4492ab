// The modulation matrix measured on the sound and on its block-rate outputs.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "EngineRig.h"

using namespace calverine;
namespace control = calverine::control;

namespace {

// One sawtooth, and the matrix's slots.
struct Rig : engine_test::Rig {
    Rig() { singleSaw(); }
    // Slot s: source id, amount as stored (-1..1), destination id.
    void slot(int s, int source, double amount, int destination) {
        global(control::kMatrixSource[s], source);
        global(control::kMatrixAmount[s], (amount + 1.0) / 2.0);
        global(control::kMatrixDestination[s], destination);
    }
};

}  // namespace

TEST(ModMatrix, ConstantTranspositionsAreWholeSemitonesAndSlotsAdd) {
    // An amount of 0.123 is held as 0.12, twelve semitones, and -0.057 as
    // -0.05, five down, so each note sounds A4; two slots to one destination
    // add (5 + 2 semitones).
    const struct {
        double amount;
        int destination;
        float stored;
        double added;  // in slot 8, to oscillator 1
        int note;
    } cases[] = {{0.123, matrix::kOsc1Semi, 0.12f, 0.0, 57},
                 {-0.057, matrix::kOsc1Semi, -0.05f, 0.0, 74},
                 {0.05, matrix::kPitchSemi, 0.05f, 0.02, 62}};
    for (const auto& c : cases) {
        Rig rig;
        rig.slot(0, matrix::kConst, c.amount, c.destination);
        if (c.added != 0.0) rig.slot(7, matrix::kConst, c.added, matrix::kOsc1Semi);
        EXPECT_NEAR(rig.engine.modMatrix().amount(0), c.stored, 1e-6f);
        EXPECT_NEAR(rig.pitch(c.note), 440.0, 0.05) << c.note;
    }
}

TEST(ModMatrix, VelocityToVolumeWithFullAmount) {
    auto level = [](float velocity, bool routed) {
        Rig rig;
        if (routed) rig.slot(0, matrix::kVelocity, 1.0, matrix::kVolume);
        rig.on(60, velocity);
        rig.render(0.2);
        return analysis::rms(rig.render(0.3));
    };
    const double plain = level(1.0f, false);
    EXPECT_NEAR(level(1.0f, true) / plain, 1.0, 1e-3);        // full velocity leaves the level alone
    EXPECT_NEAR(level(0.25f, true) / plain, 0.25, 0.01);      // a quarter velocity takes three quarters away
    EXPECT_NEAR(level(1 / 127.0f, true) / plain, 1 / 127.0, 0.002);
}

TEST(ModMatrix, OscillatorPhaseIsSetOnlyWhenANoteStarts) {
    Rig rig;
    rig.slot(0, matrix::kConst, 0.5, matrix::kOsc1Phase);
    rig.on(60);  // the voices rest at note 60: no glide to get there
    rig.render(16 / 44100.0);
    // The voice that took the note started at phase 0.5 and ran 64 sub-samples.
    const int v = rig.engine.roundRobin(0);
    const double step = 64 * engine_test::noteHz(60) / (4 * 44100.0);
    EXPECT_NEAR(rig.engine.voice(v).osc[0].phase, 0.5 + step, 1e-4);
    rig.render(0.01);
    const float before = rig.engine.voice(v).osc[0].phase;
    rig.slot(1, matrix::kConst, 0.9, matrix::kOsc1Phase);  // while the note sounds: no jump
    rig.render(16 / 44100.0);
    EXPECT_NEAR(std::fmod(rig.engine.voice(v).osc[0].phase - before + 1.0, 1.0), step, 1e-4);
}

TEST(ModMatrix, BlockRateDestinationsAndPolyPressure) {
    Rig rig;
    rig.engine.polyPressure[60] = 1.0f;
    rig.on(60);
    rig.slot(0, matrix::kPolyPressure, 1.0, 30);  // "DL Feedback"
    rig.slot(1, matrix::kConst, 0.4, 35);         // "RV Time"
    rig.slot(2, matrix::kConst, 0.25, matrix::kLfo1Rate);
    rig.render(0.01);
    const BlockModulation& b = rig.engine.blockModulation();
    EXPECT_EQ(b.effects[0], 0.0f);  // polyphonic pressure has no block-rate value
    EXPECT_NEAR(b.effects[35 - 30], 0.4f, 1e-6f);
    EXPECT_NEAR(b.lfoRate[0], 0.25f, 1e-6f);
    // The LFO now runs at the rate of 0.75 instead of 0.5.
    const double before = rig.engine.lfo(0).phase;
    rig.render(16 / 44100.0);
    const double advance = std::fmod(rig.engine.lfo(0).phase - before + 1.0, 1.0);
    EXPECT_NEAR(advance * 44100.0 / 16, ModLfo::hertzOf(0.75), 1e-6);
}

// The envelope offsets are shared by every voice, and each voice's matrix
// sets them before its envelopes run: a slot to "Amp Attack" stretches the
// very first note, whichever voice takes it.
TEST(ModMatrix, EnvelopeDestinationsActFromTheFirstNote) {
    auto firstNote = [](bool slotOn) {
        Rig rig;
        if (slotOn) rig.slot(0, matrix::kConst, 1.0, matrix::kAmpAttack);  // 13 s
        rig.on(60);
        return analysis::rms(rig.render(0.1));
    };
    // After 0.1 s of a 13 s attack the level is 1 - 0.26^(0.1/13) = 1.0 % of the
    // peak (-40 dB); the plain attack is over after 1.15 ms.
    EXPECT_LT(analysis::decibels(firstNote(true) / firstNote(false)), -38.0);
}

// The block-rate sources come from the global controllers and the voice
// started last; with no such voice the block pass stays out.
TEST(ModMatrix, BlockRateTimbreIsTheGlobalControllerAndNeedsAReferenceVoice) {
    Rig rig;
    rig.engine.timbre = 0.5f;           // controller 74 last came on channel 2 ...
    rig.engine.timbreChannel[2] = 0.5f;  // ... channel 1 never sent it
    rig.slot(0, matrix::kTimbre, 1.0, matrix::kFirstEffect);
    rig.global(control::kVoiceCount, 16);
    rig.on(60);
    rig.render(0.01);
    EXPECT_NEAR(rig.engine.blockModulation().effects[0], 0.5f, 1e-6f);
    for (int note = 61; note < 72; ++note) rig.on(note);  // the last one takes voice 12
    rig.render(0.01);
    rig.global(control::kVoiceCount, 8);
    rig.render(0.01);
    EXPECT_EQ(rig.engine.blockModulation().effects[0], 0.0f);
}

TEST(ModMatrix, EffectsDestinationsReachTheirUnits) {
    // Delay on at dry/wet 0, reverb off: only the matrix's "DL Dry/Wet"
    // offset lets the echo through.
    auto echoAfterRelease = [](bool slotOn) {
        Rig rig;
        const std::pair<int, double> controls[] = {{control::kEffects, 1.0}, {control::kReverbOn, 0.0}, {control::kDelayOn, 1.0},
                                                    {control::kDelayTime, 10.0}, {control::kDelayFeedback, 0.5},
                                                    {control::kDelayDryWet, 0.0}};
        for (const auto& [id, value] : controls) rig.engine.setEngineParameter(id, value, -1);
        if (slotOn) rig.slot(0, matrix::kConst, 1.0, 34);  // "DL Dry/Wet"
        rig.on(60);
        rig.render(0.1);
        rig.engine.queueNoteEvent(60, 0.0f, 0, 0, false, 0);
        const std::vector<float> after = rig.render(1.0);
        // 1/16 at 120 BPM is 5512 samples; the note's release is long gone by 0.3 s.
        return analysis::peak(after, 13000);
    };
    EXPECT_LT(echoAfterRelease(false), 1e-4);
    EXPECT_GT(echoAfterRelease(true), 0.01);
}
