// The voices measured on their rendered sound: pitch, aliasing, the filters'
// responses, envelope times, and finite output at extreme settings.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "EngineRig.h"
#include "LoopWidths.h"

namespace control = calverine::control;
namespace adjust = calverine::control::adjust;

using engine_test::noteHz;
using engine_test::Rig;

TEST(VoiceSound, PitchOfNotesOffsetsBendAndTuning) {
    struct Case {
        const char* what;
        std::function<void(Rig&)> setup;
        int note;
        double hz;
    };
    const Case cases[] = {
        {"note 69", [](Rig&) {}, 69, 440.0},
        {"Osc 1 Freq 1.0 is three octaves", [](Rig& r) { r.set(control::kOsc1Freq, 1.0); }, 33, 440.0},
        {"Osc 1 Freq just below 1/3 is none", [](Rig& r) { r.set(control::kOsc1Freq, 0.333); }, 69, 440.0},
        {"Osc 2 Freq 1.0 is 63 semitones",
         [](Rig& r) {
             r.set(control::kFilterOsc1, 0.0);
             r.set(control::kFilterOsc2, 2.0);
             r.set(control::kOsc2Freq, 1.0);
         },
         12, noteHz(75)},
        {"bend up a full range", [](Rig& r) { r.engine.bend[0] = 1.0f; }, 57, 440.0},
        {"bend down with range 7",
         [](Rig& r) {
             r.global(control::kBendRangeDown, 7);
             r.engine.bend[0] = -1.0f;
         },
         76, 440.0},
        {"tuning up", [](Rig& r) { r.global(control::kTuning, 1.0); }, 69, noteHz(70)},
        {"tuning down", [](Rig& r) { r.global(control::kTuning, 0.0); }, 69, noteHz(68)},
        {"transpose", [](Rig& r) { r.global(control::kTranspose, 31); }, 62, 440.0},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.singleSaw();
        c.setup(rig);
        EXPECT_NEAR(rig.pitch(c.note), c.hz, c.hz * 1e-4) << c.what;
    }
}

TEST(VoiceSound, StrongestAliasIsFarBelowTheFundamental) {
    struct Case {
        const char* what;
        std::function<void(Rig&)> setup;
        int note;
        double audibleLimit;  // dB below the strongest harmonic
    };
    // At the top note (12.5 kHz) the 13th harmonic folds back near -53 dB.
    const Case cases[] = {
        {"saw at 5 kHz", [](Rig&) {}, 111, -60.0},
        {"pulse at 5 kHz",
         [](Rig& r) {
             r.set(control::kOsc1Saw, 0);
             r.set(control::kOsc1Pulse, 1);
             r.set(control::kPulseWidth, 0.3);
         },
         111, -60.0},
        {"saw at the top note", [](Rig&) {}, 127, -50.0},
        {"saw held at the 15 kHz limit", [](Rig& r) { r.set(control::kOsc1Freq, 0.34); }, 120, -45.0},
        {"hard sync",
         [](Rig& r) {
             r.set(control::kFilterOsc1, 0.0);
             r.set(control::kFilterOsc2, 2.0);
             r.set(control::kSync, 1);
             r.set(control::kOsc2Freq, 0.2);  // 12 semitones above the master
         },
         100, -60.0},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.singleSaw();
        c.setup(rig);
        rig.on(c.note);
        rig.render(0.2);
        const std::vector<float> x = rig.render(0.25);
        const auto spectrum = analysis::spectrum(x, 8192);
        const double binHz = 44100.0 / 8192;
        const double octave = c.note == 120 ? 12.0 : 0.0;
        const double fundamental = std::min(noteHz(c.note + octave), 15000.0);
        // More than 6 bins (the main lobe) from a harmonic is an alias; above
        // 15 kHz the decimator's transition band lets a little more fold back.
        double top = 0.0, audible = 0.0, high = 0.0;
        for (std::size_t k = 2; k < spectrum.size(); ++k) {
            const double f = k * binHz;
            const double harmonic = std::round(f / fundamental) * fundamental;
            if (harmonic > 0.0 && std::fabs(f - harmonic) <= 6 * binHz)
                top = std::max(top, spectrum[k]);
            else if (f < 15000.0)
                audible = std::max(audible, spectrum[k]);
            else
                high = std::max(high, spectrum[k]);
        }
        EXPECT_LT(analysis::decibels(audible / top), c.audibleLimit) << c.what;
        EXPECT_LT(analysis::decibels(high / top), -38.0) << c.what;
    }
}

TEST(VoiceSound, ExtremeSettingsGiveFiniteNormalOutput) {
    forEachLoopWidth([](bool wide) {
        for (double v : {0.0, 1.0}) {
            Rig rig(48000.0);
            for (int id = 0; id < 224; ++id) {
                double value = v;
                if (id == control::kTranspose || id == control::kBendRangeUp || id == control::kBendRangeDown) value = 48 * v;
                if (id == control::kFilterOsc2 || id == control::kPartsMode) value = 2 * v;
                if (id == control::kVoiceCount) value = 16;
                const bool mute = (id >= 70 && id <= 77) || (id >= 170 && id <= 177);
                if (id == control::kVolume || mute) continue;  // something must be heard
                for (int part = 0; part < 16; ++part) rig.engine.setEngineParameter(id, value, part);
            }
            for (int note : {0, 127, 60, 61, 62, 63, 64, 65, 66, 67, 68, 69, 70, 71, 72, 73, 74, 75}) rig.on(note);
            rig.engine.bend[0] = static_cast<float>(2 * v - 1);
            std::vector<float> right, tailRight;
            const auto left = rig.render(0.5, &right);
            for (int note = 0; note < 128; ++note) rig.off(note);
            const auto tail = rig.render(0.5, &tailRight);
            int bad = 0;
            for (const std::vector<float>& x : {left, right, tail, tailRight})
                for (float v : x) bad += !std::isfinite(v) || std::fpclassify(v) == FP_SUBNORMAL;
            EXPECT_EQ(bad, 0) << "all controls at " << v << (wide ? ", eight lanes" : "");
            if (v == 1.0) {
                EXPECT_GT(analysis::peak(left), 0.0);  // at 0 both oscillator levels are off
            }
        }
    });
}

// Sixteen voices through four-lane and eight-lane loops sound the same but
// for the rounding of fused multiply-adds.
TEST(VoiceSound, BothLoopWidthsSoundTheSame) {
    if (!calverine::useWideVoiceLoops(true)) GTEST_SKIP() << "this processor runs four lanes only";
    const std::function<void(Rig&)> patches[3] = {
        [](Rig& rig) { rig.set(control::kFilter4Pole, 1.0); },
        [](Rig& rig) {
            rig.set(control::kFilterBandPass, 1.0);
            rig.global(control::kVcaSaturation, 1.0);
            for (int id : {control::kLfo[0].freqOsc1, control::kLfo[0].pwOsc1}) rig.global(id, 1.0);
            rig.global(control::kLfo[0].rate, 0.6);
            rig.global(control::kLfo[0].freqDepth, 0.2);
            rig.global(control::kLfo[0].pwDepth, 0.5);
        },
        [](Rig& rig) {
            for (int id : {control::kFilter4Pole, control::kFilterBandPass, control::kSync}) rig.set(id, 1.0);
            rig.set(control::kOsc1Saw, 0.0);  // the triangle
            rig.set(control::kCrossMod, 0.3);
        },
    };
    for (int patch = 0; patch < 3; ++patch) {
        std::vector<float> sound[2];
        forEachLoopWidth([&](bool wide) {
            Rig rig(48000.0);
            rig.global(control::kVoiceCount, 16);
            for (int id : {control::kOsc1Pulse, control::kOsc2Saw, control::kOsc2Pulse}) rig.set(id, 1.0);
            rig.set(control::kFilterFreq, 0.3);
            rig.set(control::kFilterReso, 0.7);
            rig.set(control::kFilterMod, 0.8);
            patches[patch](rig);
            for (int n = 0; n < 16; ++n) rig.on(40 + 3 * n);
            sound[wide] = rig.render(0.3);
        });
        double difference = 0.0;
        for (std::size_t i = 0; i < sound[0].size(); ++i)
            difference = std::max(difference, static_cast<double>(std::fabs(sound[0][i] - sound[1][i])));
        EXPECT_GT(analysis::peak(sound[0]), 0.05) << patch;
        EXPECT_LT(difference, 2e-4 * analysis::peak(sound[0])) << "patch " << patch;
    }
}

// Notes that wake groups of rung-out voices part-way through a slice sound
// exactly as had the groups run all along. Noise alone feeds the filters.
TEST(VoiceSound, SkippingSilentGroupsChangesNothingHeard) {
    forEachLoopWidth([](bool wide) {
        std::vector<float> sound[2];
        for (bool skip : {false, true}) {
            Rig rig(48000.0);
            rig.engine.skipSilentGroups(skip);
            rig.global(control::kVoiceCount, 16);
            for (int id : {control::kFilterOsc1, control::kFilterOsc2}) rig.set(id, 0.0);
            rig.set(control::kFilterNoise, 1.0);
            rig.set(control::kFilter4Pole, 1.0);
            rig.set(control::kFilterReso, 0.6);
            rig.set(control::kAmpEnvRelease, 0.2);
            std::vector<float>& out = sound[skip];
            auto add = [&](const std::vector<float>& part) { out.insert(out.end(), part.begin(), part.end()); };
            const int notes[6] = {50, 55, 60, 65, 70, 75};
            for (int note : notes) rig.on(note);
            add(rig.render(0.3));
            for (int note : notes) rig.off(note);
            add(rig.render(0.2));  // rung out but not yet silent: still rendered
            for (int n = 0; n < 6; n += 2)
                rig.engine.queueNoteEvent(static_cast<std::uint32_t>(notes[n]), 0.9f, 7 + 37 * n, 0, true, 0);
            add(rig.render(0.3));
            for (int n = 0; n < 6; n += 2) rig.off(notes[n]);
            add(rig.render(7.0));  // long enough for every filter to ring out to nothing
            for (int n = 0; n < 6; ++n)
                rig.engine.queueNoteEvent(static_cast<std::uint32_t>(notes[n]), 0.9f, 7 + 37 * n, 0, true, 0);
            add(rig.render(0.5));
        }
        ASSERT_EQ(sound[0].size(), sound[1].size());
        std::size_t differing = 0;
        for (std::size_t i = 0; i < sound[0].size(); ++i) differing += sound[0][i] != sound[1][i];
        EXPECT_EQ(differing, 0u) << (wide ? "eight lanes" : "four lanes");
        EXPECT_GT(analysis::peak(std::vector<float>(sound[1].end() - 24000, sound[1].end())), 0.01);
    });
}

// A rung-out voice's filter states settle to exact zeros while another key
// keeps the engine running it (the 1 Hz blocker would take some 13 s).
TEST(VoiceSound, RungOutFiltersSettleToZeroWithoutSubnormals) {
    for (bool fourPole : {false, true}) {
        Rig rig;
        rig.set(control::kFilter4Pole, fourPole ? 1.0 : 0.0);
        rig.set(control::kFilterReso, 0.9);
        rig.on(40);
        rig.render(0.5);
        const calverine::Voice& rung = rig.engine.voice(rig.engine.roundRobin(0));
        rig.off(40);
        rig.on(76);  // held throughout
        int subnormal = 0;
        for (int second = 0; second < 20; ++second) {
            rig.render(1.0);
            const calverine::FilterState& f = rung.filter;
            for (float v : {f.inputDc, f.stage[0], f.stage[1], f.stage[2], f.stage[3], f.feedbackLow, f.feedback,
                            f.outputDc, f.highPass[0], f.highPass[1], f.presence})
                subnormal += std::fpclassify(v) == FP_SUBNORMAL;
        }
        EXPECT_EQ(subnormal, 0) << (fourPole ? "four" : "two") << "-pole";
        EXPECT_TRUE(rung.filter.atRest()) << (fourPole ? "four" : "two") << "-pole";
    }
}

// A finished voice's filter envelope, glide and oscillators go on running.
TEST(VoiceSound, FinishedVoiceKeepsItsClocksRunning) {
    for (int voices : {8, 16}) {
        Rig rig;
        rig.global(control::kVoiceCount, voices);
        rig.global(control::kPortamento, 1.0);          // 4.5 semitones per second
        rig.set(control::kFilterEnvRelease, 1.0);  // filter release: halves every 5 s
        rig.set(control::kAmpEnvRelease, 0.0);          // loudness release: 0.5 ms
        rig.on(72);  // the voice rests at note 60: twelve semitones to glide
        rig.render(0.2);
        const calverine::Voice& v = rig.engine.voice(rig.engine.roundRobin(0));
        const double filterAtRelease = v.envelopes.filterLevel;
        ASSERT_NEAR(filterAtRelease, 0.74, 1e-6);  // sustain 1
        rig.on(48);  // another voice holds the engine awake
        rig.off(72);
        rig.render(0.1);
        ASSERT_TRUE(v.finished);
        const float phase = v.osc[0].phase;
        rig.render(2.9);
        EXPECT_NEAR(v.envelopes.filterLevel, 0.74 * std::pow(0.5, 3.0 / 5.0), 0.005) << voices;
        EXPECT_EQ(v.glidePitch, 72.0) << voices;
        EXPECT_NE(v.osc[0].phase, phase) << voices;
    }
}

namespace {

// The RMS of x in windows of 100 samples (one period of note 69 to 0.2 %):
// the seconds at which it first crosses `level` after `from` seconds,
// interpolated between window centres.
double crossing(const std::vector<float>& x, double level, double from = 0.0) {
    double previous = -1.0;
    for (std::size_t w = static_cast<std::size_t>(from * 44100.0) / 100; 100 * (w + 1) <= x.size(); ++w) {
        const double rms = analysis::rms(std::vector<float>(x.begin() + 100 * w, x.begin() + 100 * (w + 1)));
        if (previous >= 0.0 && (previous - level) * (rms - level) <= 0.0)
            return (100.0 * w - 50.0 + 100.0 * (level - previous) / (rms - previous)) / 44100.0;
        previous = rms;
    }
    return -1.0;
}

}  // namespace

// The voice that takes the note has the adjustment at one end, every other
// voice at the other end.
TEST(VoiceSound, EachVoiceAdjustmentIsHeardInWhatItAdjusts) {
    auto adjusted = [](Rig& rig, int adjustment, double v) {
        const int next = (rig.engine.roundRobin(0) + 1) % rig.engine.voiceCount();
        for (int slot = 0; slot < 16; ++slot)
            rig.engine.setEngineParameter(adjustment, slot == next ? v : 1.0 - v, slot);
    };
    // An octave ratio of 2.02 keeps note 33 and stretches the octaves above.
    const struct {
        int adjustment;
        double v;
        bool osc2;
        int note;
        double hz;
    } pitches[] = {{adjust::kOsc1Pitch, 1.0, false, 69, noteHz(69.5)},
                   {adjust::kOsc2Pitch, 1.0, true, 69, noteHz(69.5)},
                   {adjust::kOsc2Pitch, 0.0, true, 69, noteHz(68.5)},
                   {adjust::kOsc2Detune, 0.0, true, 69, noteHz(68.5)},
                   {adjust::kOsc2Detune, 1.0, false, 69, 440.0},
                   {adjust::kOsc1Scale, 1.0, false, 33, 55.0},
                   {adjust::kOsc1Scale, 1.0, false, 93, 55.0 * std::pow(2.02, 5.0)},
                   {adjust::kSemitones, 1.0, false, 69, noteHz(93)},
                   {adjust::kSemitones, 0.0, false, 69, noteHz(45)}};
    for (const auto& c : pitches) {
        Rig rig;
        rig.set(control::kFilterOsc1, c.osc2 ? 0.0 : 1.0);
        rig.set(control::kFilterOsc2, c.osc2 ? 2.0 : 0.0);
        adjusted(rig, c.adjustment, c.v);
        EXPECT_NEAR(rig.pitch(c.note), c.hz, c.hz * 1e-4) << "adjustment " << c.adjustment << " at " << c.v;
    }

    // Level 1.5^(2v - 1); cut-off +0.05 = 1475 table steps lifts harmonics on
    // the 12 dB slope by 2^(2 * 1475 / 3072), 1.936 over 5..10 kHz.
    auto sound = [&](int adjustment, double v) {
        Rig rig;
        rig.singleSaw();
        rig.set(control::kFilterFreq, std::pow(0.5, 1.25));  // cut-off control 0.5: 767 Hz
        rig.set(control::kFilterMod, 0.0);
        adjusted(rig, adjustment, v);
        rig.on(45);
        rig.render(0.2);
        return rig.render(0.2);
    };
    const auto plain = sound(adjust::kLevel, 0.5);
    {
        Rig rig;  // "Filter O2" at 1 passes oscillator 2 at -7.5 dB
        rig.set(control::kFilterOsc1, 0.0);
        rig.set(control::kFilterOsc2, 1.0);
        rig.set(control::kFilterFreq, std::pow(0.5, 1.25));
        rig.set(control::kFilterMod, 0.0);
        rig.on(45);
        rig.render(0.2);
        EXPECT_NEAR(analysis::rms(rig.render(0.2)) / analysis::rms(plain), std::pow(10.0, -7.5 / 20), 0.002);
    }
    EXPECT_NEAR(analysis::rms(sound(adjust::kLevel, 1.0)) / analysis::rms(plain), 1.5, 0.005);
    EXPECT_NEAR(analysis::rms(sound(adjust::kLevel, 0.0)) / analysis::rms(plain), 1 / 1.5, 0.005);
    auto highBand = [](const std::vector<float>& x) {
        const auto spectrum = analysis::spectrum(x, 8192);
        double sum = 0.0;
        for (std::size_t k = 5000 * 8192 / 44100; k <= 10000 * 8192 / 44100; ++k) sum += spectrum[k] * spectrum[k];
        return std::sqrt(sum);
    };
    EXPECT_NEAR(highBand(sound(adjust::kCutoff, 1.0)) / highBand(plain), 1.936, 0.015);

    // Placement: the spread adjustment scaled by "Spread".
    for (double spread : {0.0, 1.0}) {
        Rig rig;
        adjusted(rig, adjust::kSpread, 1.0);  // fully right
        rig.global(control::kSpread, spread);
        rig.on(60);
        rig.render(0.5);
        std::vector<float> right;
        const auto left = rig.render(0.3, &right);
        if (spread == 0.0)
            EXPECT_NEAR(analysis::rms(left), analysis::rms(right), 1e-6);
        else
            EXPECT_LT(analysis::rms(left), 1e-4 * analysis::rms(right));
    }

    // Attack and release times 1.5^(2v - 1) and 1.25^(2v - 1): attack 0.5
    // lasts 0.2448 s, release 0.75 halves the level every 0.5 s.
    auto envelope = [&](int adjustment, double v) {
        Rig rig;
        rig.singleSaw();
        rig.on(69);
        rig.off(69);
        rig.render(0.2);  // awake, the master volume glides in from 0
        rig.set(control::kAmpEnvAttack, 0.5);
        rig.set(control::kAmpEnvRelease, 0.75);
        adjusted(rig, adjustment, v);
        rig.on(69);
        auto x = rig.render(1.0);
        rig.off(69);
        const auto tail = rig.render(2.0);
        x.insert(x.end(), tail.begin(), tail.end());
        return x;
    };
    const double halfRise = 0.2448 * std::log(0.63) / std::log(0.26);
    for (double v : {0.5, 1.0}) {
        const auto x = envelope(adjust::kAmpAttack, v);
        const double held = analysis::rms(std::vector<float>(x.begin() + 40000, x.begin() + 44000));
        EXPECT_NEAR(crossing(x, 0.5 * held), halfRise * std::pow(1.5, 2 * v - 1), 0.001) << "attack adjustment " << v;
        const auto y = envelope(adjust::kAmpRelease, v);
        const double halvings = crossing(y, 0.125 * held, 1.0) - crossing(y, 0.5 * held, 1.0);
        EXPECT_NEAR(halvings, 2 * 0.5 * std::pow(1.25, 2 * v - 1), 0.005) << "release adjustment " << v;
    }
}

// Full Organic moves pitch by up to a quarter semitone and level by +-0.87 dB.
TEST(VoiceSound, OrganicDriftMovesPitchAndLevel) {
    for (double organic : {0.0, 1.0}) {
        Rig rig;
        rig.singleSaw();
        rig.global(control::kOrganic, organic);
        rig.on(69);
        rig.render(0.3);
        double lowest = 1e9, highest = 0.0, quietest = 1e9, loudest = -1e9;
        for (int window = 0; window < 40; ++window) {
            const std::vector<float> x = rig.render(0.25);
            const double hz = analysis::zeroCrossingFrequency(x, 44100.0), level = analysis::decibels(analysis::rms(x));
            lowest = std::min(lowest, hz);
            highest = std::max(highest, hz);
            quietest = std::min(quietest, level);
            loudest = std::max(loudest, level);
        }
        if (organic == 0.0) {
            EXPECT_NEAR(highest - lowest, 0.0, 0.01);
            EXPECT_NEAR(loudest - quietest, 0.0, 0.05);
        } else {
            EXPECT_GT(highest - lowest, 0.3);  // it moves ...
            EXPECT_GT(lowest, noteHz(68.75));  // ... by at most a quarter semitone
            EXPECT_LT(highest, noteHz(69.25));
            EXPECT_GT(loudest - quietest, 1.0);
            EXPECT_LT(loudest - quietest, 1.9);
        }
    }
}

TEST(VoiceSound, CentredAdjustmentsMakeSixteenEqualVoices) {
    auto levels = [](double sustainAdjustment) {
        Rig rig;
        rig.singleSaw();  // two saws of one pitch would sum by their (random) phase difference
        rig.global(control::kVoiceCount, 16);
        for (int slot = 0; slot < 16; ++slot) {
            for (int id = control::kFirstVoiceAdjustment; id <= control::kLastVoiceAdjustment; ++id)
                rig.engine.setEngineParameter(id, 0.5, slot);
            rig.engine.setEngineParameter(control::adjust::kAmpSustain, sustainAdjustment, slot);
        }
        std::vector<double> rms;
        for (int k = 0; k < 16; ++k) {  // each note takes the next voice
            rig.on(57);
            rig.render(0.1);
            rms.push_back(analysis::rms(rig.render(0.05)));
            rig.off(57);
            rig.render(0.2);
        }
        return rms;
    };
    const auto centred = levels(0.5);
    for (double r : centred) EXPECT_NEAR(r / centred[0], 1.0, 0.01);
    const auto sustain = levels(0.0);  // the loudness sustain adjustment does nothing
    for (std::size_t k = 0; k < sustain.size(); ++k) EXPECT_NEAR(sustain[k] / centred[k], 1.0, 0.01);
}
