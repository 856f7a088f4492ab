// Envelope times measured in sub-samples at the rate of a 44.1 kHz host, with
// the factors prepared once per 16-sample block as the engine does.
#include "Envelope.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace calverine;

namespace {

constexpr double kFs4 = 4 * 44100.0;

struct Env {
    // controls: 59..66 in order (filter A D S R, loudness A D S R).
    explicit Env(std::initializer_list<double> controls) {
        double c[8];
        std::copy(controls.begin(), controls.end(), c);
        times.derive(c);
    }
    // Runs until `done` or `limit` seconds; returns the seconds taken.
    template <typename Done>
    double runUntil(Done done, double limit, bool released = false) {
        long n = 0;
        while (n < static_cast<long>(limit * kFs4)) {
            state.prepare(times, EnvelopeTrim{}, times.filterSustain, times.ampSustain, kFs4, released, filterStage, ampStage);
            for (int j = 0; j < 64; ++j, ++n) {
                if (j % 4 == 0) state.stepFilter(filterStage);  // once per output sample
                state.stepAmp(ampStage);
                if (done()) return n / kFs4;
            }
            finished = state.finish(ampStage);
        }
        return limit;
    }
    EnvelopeTimes times;
    VoiceEnvelopes state;
    std::int32_t filterStage = 0, ampStage = 0;
    bool finished = false;
};

}  // namespace

TEST(Envelope, AttackTimesReachThePeak) {
    Env fast({0, 0.5, 1, 0, 0, 0.5, 1, 0});
    EXPECT_NEAR(fast.runUntil([&] { return fast.ampStage != 0; }, 1.0), 0.00115, 0.00002);
    Env slowAmp({0, 0.5, 1, 0, 1, 0.5, 1, 0});
    EXPECT_NEAR(slowAmp.runUntil([&] { return slowAmp.ampStage != 0; }, 20.0), 13.0, 0.01);
    Env slowFilter({1, 0.5, 1, 0, 0, 0.5, 1, 0});
    EXPECT_NEAR(slowFilter.runUntil([&] { return slowFilter.filterStage != 0; }, 20.0), 14.5, 0.01);
    EXPECT_NEAR(slowFilter.state.filterLevel / VoiceEnvelopes::kPeak, 1.0, 1e-9);
}

TEST(Envelope, ReleaseHalvesEveryReleaseTimeAndFreesTheVoice) {
    // E(x, 0.0005, 5) = 0.5 s at x = 0.75
    Env env({0, 0.5, 1, 0, 0, 0.5, 1, 0.75});
    env.runUntil([&] { return env.ampStage == VoiceEnvelopes::kSustain; }, 1.0);
    ASSERT_NEAR(env.state.ampLevel, 0.74, 1e-9);
    const double half = env.runUntil([&] { return env.state.ampLevel <= 0.37; }, 2.0, true);
    EXPECT_NEAR(half, 0.5, 0.001);
    const double gone = env.runUntil([&] { return env.state.ampLevel == 0.0; }, 10.0, true);
    EXPECT_NEAR(half + gone, 0.5 * std::log2(0.74 / 0.0001), 0.01);  // about 6.4 s
    env.runUntil([] { return false; }, 0.01, true);
    EXPECT_TRUE(env.finished);
}

TEST(Envelope, ZeroSustainDecaysToSilenceAndHolds) {
    Env env({0, 0.5, 0, 0, 0, 0.25, 0, 0});  // loudness decay E(0.25) = 5 ms
    const double attack = env.runUntil([&] { return env.ampStage != 0; }, 1.0);
    // Halving every 5 ms from 0.74 until below 0.0001, then set to 0.
    const double silent = env.runUntil([&] { return env.state.ampLevel == 0.0; }, 1.0);
    EXPECT_NEAR(silent, 0.005 * std::log2(0.74 / 0.0001), 0.0015) << attack;
    env.runUntil([] { return false; }, 0.1);
    EXPECT_EQ(env.state.ampLevel, 0.0);
    EXPECT_FALSE(env.finished);  // held, not released
}

TEST(Envelope, RetriggerAndEarlyReleaseContinueFromTheLevelReached) {
    Env env({0, 0.5, 1, 0, 0.5, 0.5, 1, 0.5});
    env.runUntil([&] { return env.state.ampLevel > 0.3; }, 5.0);
    const double level = env.state.ampLevel;
    env.ampStage = VoiceEnvelopes::kAttack;  // a new note on the same voice
    env.state.stepAmp(env.ampStage);
    EXPECT_GT(env.state.ampLevel, level);
    EXPECT_LT(env.state.ampLevel, level + 0.01);
    // Released mid-attack: no jump, just decay from where it stands.
    const double before = env.state.ampLevel;
    env.runUntil([] { return true; }, 1.0, true);
    EXPECT_LT(env.state.ampLevel, before);
    EXPECT_GT(env.state.ampLevel, before * 0.99);
}
