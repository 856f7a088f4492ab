#include "DelayUnit.h"

#include <gtest/gtest.h>

#include <chrono>

#include "EffectControls.h"
#include "EffectsTestSupport.h"
#include "SignalAnalysis.h"

namespace calverine {
namespace {

using namespace effects_test;
namespace ec = effects_control;

constexpr float kNoOffsets[DelayUnit::kOffsets] = {};

struct DelayRig {
    DelayUnit delay;
    double rate;
    double tempo = 120.0;
    float inputGain = 1.0f;

    explicit DelayRig(double r, int time = 7, double feedback = 0.5, double dryWet = 1.0) : rate(r) {
        delay.setSampleRate(r);
        const std::pair<int, double> controls[] = {{ec::kDelayOn, 1},     {ec::kDelayTime, time},    {ec::kDelayFeedback, feedback},
                                                   {ec::kDelayOffset, 1}, {ec::kDelayLowCut, 0},     {ec::kDelayHighCut, 0},
                                                   {ec::kDelayDryWet, dryWet}};
        for (const auto& [id, value] : controls) delay.setControl(id, value);
        Stereo settle(4096);  // the wet, feedback and width glides settle
        run(settle);
    }
    void run(Stereo& s) {
        inSlices(s, [&](int n, float* l, float* r) { delay.process(n, l, r, kNoOffsets, tempo, inputGain); });
    }
    // The response to an impulse on the left input.
    Stereo impulse(std::size_t length) {
        Stereo s(length);
        s.left[0] = 1.0f;
        run(s);
        return s;
    }
};

TEST(DelayUnit, LengthsFollowTheTempo) {
    EXPECT_EQ(DelayUnit::lengthFor(4, 48000.0, 120.0), 24000);  // 1/4
    EXPECT_EQ(DelayUnit::lengthFor(0, 48000.0, 120.0), 72000);  // 1/2 dotted
    EXPECT_EQ(DelayUnit::lengthFor(8, 48000.0, 120.0), 8000);   // 1/8 triplet
    EXPECT_EQ(DelayUnit::lengthFor(4, 44100.0, 90.0), 29400);
    // No tempo from the host means 120; an absurd one stays finite.
    EXPECT_EQ(DelayUnit::lengthFor(4, 48000.0, 0.0), 24000);
    EXPECT_GT(DelayUnit::lengthFor(0, 192000.0, 1e-30), 0);
}

TEST(DelayUnit, EchoesOfImpulsesLandAtTheirOffsetsWithFeedbackGains) {
    DelayRig rig(48000.0, 7, 0.5);  // 1/8 at 120 BPM: L = 12000
    const int length = 12000;
    const double d = 0.0025 * 48000.0;
    // An impulse on each side: the right one's echoes mirror the offsets.
    Stereo out(40000);
    out.left[0] = out.right[0] = 1.0f;
    rig.run(out);
    const std::size_t first = peakAt(out.left, 100, 18000);
    const std::size_t second = peakAt(out.left, 18000, 30000);
    const std::size_t third = peakAt(out.left, 30000, 40000);
    // One sample of the high-cut pipeline on top of each position.
    EXPECT_NEAR(static_cast<double>(first), length - d + 1, 2.0);
    EXPECT_NEAR(static_cast<double>(second), 2 * length + 1.5 * d + 1, 2.0);
    EXPECT_NEAR(static_cast<double>(third), 3 * length - d + 1, 2.0);
    const double feedback = 0.5 * 0.95 + 0.0001;
    EXPECT_NEAR(std::fabs(out.left[second]) / std::fabs(out.left[first]), feedback, 0.03);
    EXPECT_NEAR(std::fabs(out.left[third]) / std::fabs(out.left[second]), feedback, 0.03);
    // The right side hears the left echo only through the cross-feed.
    EXPECT_NEAR(out.right[first] / out.left[first], -0.125, 0.01);
    EXPECT_NEAR(static_cast<double>(peakAt(out.right, 100, 18000)), length + d + 1, 2.0);
    EXPECT_NEAR(static_cast<double>(peakAt(out.right, 18000, 30000)), 2 * length - 1.5 * d + 1, 2.0);
}

TEST(DelayUnit, CutFiltersHaveTheirCornersWhereTheControlsPutThem) {
    const double rate = 48000.0;
    struct Case {
        double lowCut, highCut, corner, reference;
    } cases[] = {
        {1.0, 0.0, 2000.0, 12000.0},  // low cut 1: an 8th-order high-pass at 2 kHz
        {0.5, 0.0, 200.0, 5000.0},    // halfway: 200 Hz
        {0.0, 1.0, 500.0, 100.0},     // high cut 1: a low-pass at 500 Hz
    };
    for (const Case& c : cases) {
        DelayRig rig(rate, 10, 0.0);
        rig.delay.setControl(ec::kDelayLowCut, c.lowCut);
        rig.delay.setControl(ec::kDelayHighCut, c.highCut);
        const Stereo out = rig.impulse(6000 + 16384);
        // The first echo (L - d = 5880) with its filter response.
        const std::vector<float> h(out.left.begin() + 5800, out.left.end());
        auto decibelsAt = [&](double f) { return 20.0 * std::log10(responseAt(h, f, rate) / responseAt(h, c.reference, rate)); };
        EXPECT_NEAR(decibelsAt(c.corner), -3.0, 0.5) << c.corner;
        if (c.lowCut == 1.0) {
            EXPECT_LT(decibelsAt(500.0), -44.0);  // 48 dB per octave below the corner
        }
    }
}

TEST(DelayUnit, TimeChangesWhileEchoesSoundWaitForTheQuarterSecondHold) {
    const double rate = 48000.0;
    DelayRig rig(rate, 10, 0.9);  // L = 6000
    EXPECT_EQ(rig.delay.currentLength(), 6000);
    Stereo loud = noisy(24000, 0.5f);  // the echoes keep sounding
    rig.run(loud);

    rig.delay.setControl(ec::kDelayTime, 13);  // 1/32: 3000
    int waited = 0;
    while (rig.delay.currentLength() != 3000 && waited < 48000) {
        Stereo s = noisy(16, 0.5f, static_cast<unsigned>(waited + 7));
        rig.run(s);
        waited += 16;
    }
    EXPECT_NEAR(waited, 12000, 32);  // 0.25 s

    // A second change soon after waits for a new hold.
    rig.delay.setControl(ec::kDelayTime, 7);  // 1/8: 12000
    Stereo s = noisy(4800, 0.5f, 99);
    rig.run(s);
    EXPECT_EQ(rig.delay.currentLength(), 3000);
    Stereo rest = noisy(8000, 0.5f, 98);
    rig.run(rest);
    EXPECT_EQ(rig.delay.currentLength(), 12000);
}

TEST(DelayUnit, TimeChangesOverSilenceTakeEffectAtOnce) {
    DelayRig rig(48000.0, 10, 0.0);
    Stereo silence(20000);
    rig.run(silence);
    rig.delay.setControl(ec::kDelayTime, 13);
    Stereo slice(16);
    rig.run(slice);
    EXPECT_EQ(rig.delay.currentLength(), 3000);
}

TEST(DelayUnit, DoubleXModesEchoAndStayBounded) {
    for (int mode : {1, 2}) {
        DelayRig rig(48000.0, 10, 1.0);
        rig.delay.setControl(ec::kDelayDoubleX, mode);
        Stereo s(96000);
        s.left = noise(96000, 0.5f);
        for (std::size_t i = 4800; i < s.size(); ++i) s.left[i] = 0.0f;
        rig.run(s);
        // The tail carries on after the input stops, on both channels (an
        // energy above 1 from 20000 samples on), and stays bounded at the
        // highest feedback.
        const double tail = static_cast<double>(s.size() - 20000);
        EXPECT_GT(std::pow(analysis::rms(s.left, 20000), 2) * tail, 1.0) << mode;
        EXPECT_GT(std::pow(analysis::rms(s.right, 20000), 2) * tail, 1.0) << mode;
        EXPECT_LT(std::max(analysis::peak(s.left, 20000), analysis::peak(s.right, 20000)), 4.0) << mode;
    }
}

TEST(DelayUnit, LongSilenceAfterLoudInputStaysNormalAndDoesNotSlowDown) {
    for (int mode : {0, 1, 2}) {
        DelayRig rig(48000.0, 14, 1.0);  // the shortest time at the highest feedback
        rig.delay.setControl(ec::kDelayDoubleX, mode);
        rig.delay.setControl(ec::kDelayHighCut, 0.5);
        rig.delay.setControl(ec::kDelayLowCut, 0.5);
        Stereo loud = noisy(48000, 1.0f, 3, true);
        rig.run(loud);
        using Clock = std::chrono::steady_clock;
        std::vector<double> seconds;
        for (int second = 0; second < 20; ++second) {
            Stereo silence(48000);
            const auto start = Clock::now();
            rig.run(silence);
            seconds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
            ASSERT_TRUE(allNormal(silence.left) && allNormal(silence.right)) << mode << " " << second;
        }
        // Denormals would make the late seconds many times slower.
        const double early = *std::min_element(seconds.begin(), seconds.begin() + 3);
        const double late = *std::min_element(seconds.end() - 3, seconds.end());
        EXPECT_LT(late, 3.0 * early) << mode;
    }
}

TEST(DelayUnit, SwitchingOffClearsTheRings) {
    DelayRig rig(48000.0, 10, 0.9);
    Stereo loud = noisy(12000, 0.5f);
    rig.run(loud);
    rig.delay.setControl(ec::kDelayOn, 0);
    Stereo off(16);
    rig.run(off);
    rig.delay.setControl(ec::kDelayOn, 1);
    Stereo after(20000);
    rig.run(after);
    for (float v : after.left) ASSERT_EQ(v, 0.0f);
}

}  // namespace
}  // namespace calverine
