// The modulation LFOs: rates, tempo lock, one-shot, soften, the matrix
// values, and a vibrato measured on the rendered sound.
#include "ModLfo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "EngineRig.h"

using namespace calverine;
namespace control = calverine::control;

namespace {

constexpr double kFs = 44100.0;

// Renders `seconds` of an LFO in 16-sample blocks; returns every sample.
std::vector<float> run(ModLfo& lfo, double seconds, const float* steps, double tempo = 120.0) {
    Random random;
    const float rise = static_cast<float>(1.0 - std::exp(-2.0 * analysis::kPi * 100.0 / kFs));
    std::vector<float> out;
    for (int block = 0; block < static_cast<int>(seconds * kFs / 16); ++block) {
        lfo.render(16, tempo, kFs, rise, steps, random);
        out.insert(out.end(), lfo.output, lfo.output + 16);
    }
    return out;
}

// Sample positions where the output starts to move by more than `jump` per sample.
std::vector<std::size_t> jumps(const std::vector<float>& x, float jump) {
    std::vector<std::size_t> at;
    bool moving = false;
    for (std::size_t i = 1; i < x.size(); ++i) {
        const bool now = std::fabs(x[i] - x[i - 1]) > jump;
        if (now && !moving) at.push_back(i);
        moving = now;
    }
    return at;
}

}  // namespace

TEST(ModLfo, RatesOfBothHalvesMeetAt2Hz) {
    ModLfo sine;
    sine.setRate(0.5, kFs);
    const auto x = run(sine, 2.0, nullptr);
    EXPECT_NEAR(analysis::zeroCrossingFrequency(x, kFs), 2.0, 0.01);
    // A clean sine: every sample where the phase puts it, to float precision.
    for (std::size_t i = 0; i < x.size(); ++i)
        ASSERT_NEAR(x[i], std::sin(2.0 * analysis::kPi * 2.0 * static_cast<double>(i) / kFs), 2e-6) << i;
}

TEST(ModLfo, StepSequenceLocksToTheTempoWhateverTheStepCount) {
    float steps[128];
    for (int i = 0; i < 128; ++i) steps[i] = (i % 2) ? 1.0f : -1.0f;  // every step a jump
    for (int count : {16, 4}) {
        ModLfo lfo;
        lfo.shape = ModLfo::kSteps;
        lfo.stepCount = count;
        lfo.setRate(16.5 / 26.001, kFs);  // tempo index 16: one beat for the whole sequence
        lfo.setSoften(0.0, kFs);
        const auto x = run(lfo, 1.0, steps);
        const auto at = jumps(x, 0.01f);
        ASSERT_GE(at.size(), 4u);
        // At 120 BPM one beat is 0.5 s: each of `count` steps lasts 0.5 / count s.
        const double stepSeconds = static_cast<double>(at[3] - at[1]) / 2.0 / kFs;
        EXPECT_NEAR(stepSeconds, 0.5 / count, 1.0 / 1000.0) << count;
    }
}

TEST(ModLfo, OneShotPlaysOnceAndHolds) {
    float steps[128];
    for (int i = 0; i < 128; ++i) steps[i] = i / 8.0f;
    ModLfo lfo;
    lfo.shape = ModLfo::kSteps;
    lfo.stepCount = 8;
    lfo.oneShot = 1;
    lfo.setRate(0.75, kFs);  // about 4.7 Hz: one run in about 0.2 s
    const auto x = run(lfo, 1.0, steps);
    EXPECT_TRUE(lfo.oneShotFinished);
    EXPECT_NEAR(x.back(), 7.0f / 8.0f, 0.01f);  // the last step, held
    EXPECT_EQ(x[x.size() - 1], x[x.size() - 2000]);

    ModLfo single;  // a step count of 0 plays one step
    single.shape = ModLfo::kSteps;
    single.stepCount = 0;
    single.setRate(0.7, kFs);
    const auto y = run(single, 0.5, steps);
    EXPECT_NEAR(y.back(), 0.0f, 1e-6f);
    EXPECT_TRUE(jumps(y, 1e-4f).empty());
}

TEST(ModLfo, SoftenSlowsOnlyFallingSteps) {
    float steps[128];
    for (int i = 0; i < 128; ++i) steps[i] = (i % 2) ? 0.0f : 1.0f;
    auto settle = [&](double soften, bool falling) {
        ModLfo lfo;
        lfo.shape = ModLfo::kSteps;
        lfo.stepCount = 2;
        lfo.setRate(0.0, kFs);  // the slowest tempo: each step lasts seconds
        lfo.setSoften(soften, kFs);
        lfo.stepLevel = falling ? 2.0f : -1.0f;
        const auto x = run(lfo, 0.5, steps);
        // samples until within 1 % of the target 1.0
        for (std::size_t i = 0; i < x.size(); ++i)
            if (std::fabs(x[i] - 1.0f) < 0.01f * (falling ? 1.0f : 2.0f)) return i / kFs;
        return 1.0;
    };
    EXPECT_LT(settle(0.0, true), 0.01);  // 100 Hz one-pole
    EXPECT_GT(settle(1.0, true), 0.1);   // 5 Hz one-pole
    EXPECT_LT(settle(1.0, false), 0.01);  // rising: always the fast one
}

TEST(ModLfo, VibratoOnTheSoundHasTheRateAndDepth) {
    engine_test::Rig rig;
    rig.singleSaw();
    rig.global(control::kLfo[0].rate, 0.5);            // 2 Hz
    rig.global(control::kLfo[0].freqDepth, 1.0 / 6.0);  // one semitone
    rig.global(control::kLfo[0].freqOsc1, 1.0);
    rig.on(69);
    const std::vector<float> left = rig.render(2.0);
    // Frequency in windows of 10 ms over the second second: a 2 Hz vibrato
    // crosses the note every quarter second.
    double lowest = 1e9, highest = 0.0, previous = 0.0;
    std::vector<std::size_t> crossings;
    for (std::size_t at = static_cast<std::size_t>(kFs); at + 441 <= left.size(); at += 441) {
        const std::vector<float> window(left.begin() + static_cast<long>(at), left.begin() + static_cast<long>(at + 441));
        const double hz = analysis::zeroCrossingFrequency(window, kFs);
        if (previous > 0.0 && (hz > 440.0) != (previous > 440.0)) crossings.push_back(at);
        previous = hz;
        lowest = std::min(lowest, hz);
        highest = std::max(highest, hz);
    }
    EXPECT_NEAR(highest, 440.0 * std::pow(2.0, 1.0 / 12.0), 4.0);
    EXPECT_NEAR(lowest, 440.0 * std::pow(2.0, -1.0 / 12.0), 4.0);
    ASSERT_GE(crossings.size(), 3u);
    EXPECT_NEAR(static_cast<double>(crossings.back() - crossings.front()) / (crossings.size() - 1) / kFs, 0.25, 0.02);
}
