#include "ChorusUnit.h"

#include <gtest/gtest.h>

#include "EffectControls.h"
#include "EffectsTestSupport.h"
#include "SignalAnalysis.h"

namespace calverine {
namespace {

using namespace effects_test;
namespace ec = effects_control;

constexpr float kNoOffsets[ChorusUnit::kOffsets] = {};

struct ChorusRig {
    ChorusUnit chorus;
    explicit ChorusRig(double rate, double dryWet, double chorusRate = 0.5, bool ensemble = false) {
        chorus.setSampleRate(rate);
        const std::pair<int, double> controls[] = {{ec::kChorusOn, 1},        {ec::kChorusEnsemble, ensemble ? 1 : 0},
                                                   {ec::kChorusRate, chorusRate}, {ec::kChorusDryWet, dryWet},
                                                   {ec::kChorusLowCut, 0},    {ec::kChorusHighCut, 0}};
        for (const auto& [id, value] : controls) chorus.setControl(id, value);
        Stereo settle(8192);  // parameter glides settle
        run(settle);
    }
    void run(Stereo& s) {
        inSlices(s, [&](int n, float* l, float* r) { chorus.process(n, l, r, kNoOffsets); });
    }
};

TEST(ChorusUnit, DryWetZeroPassesTheDrySignal) {
    ChorusRig rig(48000.0, 0.0);
    Stereo s = noisy(4800, 0.5f, 5, true);
    s.left[10] = 5e-7f;  // below the input floor
    const Stereo dry = s;
    rig.run(s);
    for (std::size_t i = 0; i < s.size(); ++i) {
        ASSERT_EQ(s.left[i], i == 10 ? 0.0f : dry.left[i]) << i;
        ASSERT_EQ(s.right[i], dry.right[i]) << i;
    }
}

TEST(ChorusUnit, LeftOnlyInputComesOutDryLeftAndDelayedCrossed) {
    const double wet = 0.5;
    ChorusRig rig(48000.0, wet);
    Stereo s(2000);
    s.left[0] = 1.0f;
    rig.run(s);
    EXPECT_FLOAT_EQ(s.left[0], static_cast<float>(1.0 - wet));
    // The right output carries the left input's delayed copy x 1.25 x wet;
    // the left output the same copy x -0.3.
    const std::size_t at = peakAt(s.right, 1, s.size());
    EXPECT_GT(s.right[at], 0.3f);
    for (std::size_t i = 1; i < s.size(); ++i) ASSERT_NEAR(s.left[i], -0.3f * s.right[i], 1e-6f) << i;
}

TEST(ChorusUnit, ChorusTapsSweepBetweenTheirLimits) {
    // Left impulses every 25 ms; each comes out on the right at the tap's
    // delay of that moment. The triangle (one cycle per 2 / 0.79 s) sweeps the whole range.
    const double rate = 48000.0;
    ChorusRig rig(rate, 1.0, 0.47);
    const int spacing = 1200, pulses = 160;
    Stereo s(static_cast<std::size_t>(spacing * pulses));
    for (int p = 0; p < pulses; ++p) s.left[static_cast<std::size_t>(p * spacing)] = 1.0f;
    rig.run(s);
    double shortest = 1e9, longest = 0.0;
    for (int p = 0; p < pulses; ++p) {
        const std::size_t from = static_cast<std::size_t>(p * spacing);
        const std::size_t at = peakAt(s.right, from + 1, from + spacing);
        const double ms = 1000.0 * static_cast<double>(at - from - 1) / rate;  // less the filters' pipeline sample
        shortest = std::min(shortest, ms);
        longest = std::max(longest, ms);
    }
    const double oneSample = 1000.0 / rate;
    EXPECT_GE(shortest, 5.958 - oneSample);
    EXPECT_LE(longest, 9.354 + oneSample);
    EXPECT_LT(shortest, 5.958 + 0.1);
    EXPECT_GT(longest, 9.354 - 0.1);
}

TEST(ChorusUnit, EnsembleAtDepthZeroIsAShortFixedDelay) {
    // All taps sit two samples back in the rings, one more sample comes from
    // the input filters' pipeline; three taps at 0.55 give 1.65.
    ChorusRig rig(48000.0, 0.0, 0.5, true);
    Stereo s(4000);
    for (std::size_t i = 0; i < s.size(); ++i) s.left[i] = s.right[i] = static_cast<float>(std::sin(2 * M_PI * 1000.0 * i / 48000.0));
    const Stereo dry = s;
    rig.run(s);
    double best = -1e9;
    int lag = -1;
    for (int k = 0; k < 8; ++k) {
        double c = 0.0;
        for (std::size_t i = 1000; i < 3000; ++i) c += s.left[i] * dry.left[i - static_cast<std::size_t>(k)];
        if (c > best) best = c, lag = k;
    }
    EXPECT_EQ(lag, 3);
    EXPECT_NEAR(analysis::rms(s.left, 1000) / analysis::rms(dry.left, 1000), 1.65, 0.05);
}

TEST(ChorusUnit, EnsembleModulatesAndStaysNormalOverLongSilence) {
    ChorusRig rig(44100.0, 1.0, 1.0, true);
    rig.chorus.setControl(ec::kChorusLowCut, 1.0);
    rig.chorus.setControl(ec::kChorusHighCut, 1.0);
    Stereo loud = noisy(44100, 1.0f, 8, true);
    rig.run(loud);
    EXPECT_GT(analysis::rms(loud.left, 4410), 0.01);
    for (int second = 0; second < 10; ++second) {
        Stereo silence(44100);
        rig.run(silence);
        ASSERT_TRUE(allNormal(silence.left) && allNormal(silence.right)) << second;
    }
}

TEST(ChorusUnit, SwitchingOffClearsTheRings) {
    ChorusRig rig(48000.0, 1.0);
    Stereo loud = noisy(4800, 0.5f);
    rig.run(loud);
    rig.chorus.setControl(ec::kChorusOn, 0);
    Stereo off = noisy(16, 0.5f, 3);
    const Stereo dry = off;
    rig.run(off);
    EXPECT_EQ(off.left, dry.left);  // off passes the signal unchanged
    rig.chorus.setControl(ec::kChorusOn, 1);
    Stereo after(4800);
    rig.run(after);
    for (float v : after.left) ASSERT_EQ(v, 0.0f);
}

}  // namespace
}  // namespace calverine
