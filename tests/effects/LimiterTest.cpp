#include "OutputLimiter.h"
#include "SignalAnalysis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace calverine {
namespace {

TEST(OutputLimiter, SquareOfAmplitudeTwoSettlesAtTheLevelAndNeverExceedsTheCeiling) {
    OutputLimiter limiter;
    limiter.setSampleRate(48000.0);
    const int frames = 48000;
    std::vector<float> left(frames), right(frames);
    for (int i = 0; i < frames; ++i) {
        left[i] = ((i / 100) % 2) ? 2.0f : -2.0f;
        right[i] = -left[i];
    }
    // Odd block sizes: the limiter's state carries over between calls.
    for (int at = 0; at < frames;) {
        const int n = std::min(37 + at % 91, frames - at);
        limiter.process(n, left.data() + at, right.data() + at);
        at += n;
    }
    EXPECT_LE(analysis::peak(left), 0.999f);
    EXPECT_LE(std::fabs(left[0]), 0.999f);
    // After the 0.8 ms attack has settled the level is 0.7 x 0.999.
    for (int i = frames - 1000; i < frames; ++i) {
        ASSERT_NEAR(std::fabs(left[i]), 0.7f * 0.999f, 1e-4f) << i;
        ASSERT_EQ(left[i], -right[i]);
    }
}

TEST(OutputLimiter, QuietSignalPassesAtTheCeilingGainOnceTheStartLevelHasReleased) {
    // Both envelopes start at 1.0, so the first few hundred milliseconds are
    // held down; after that a signal below 0.7 only meets the 0.999 ceiling.
    OutputLimiter limiter;
    limiter.setSampleRate(44100.0);
    const int frames = 2 * 44100;
    std::vector<float> left(frames), right(frames);
    for (int i = 0; i < frames; ++i) {
        left[i] = 0.5f * std::sin(0.05f * i);
        right[i] = 0.25f * std::cos(0.03f * i);
    }
    const std::vector<float> dryLeft = left, dryRight = right;
    limiter.process(frames, left.data(), right.data());
    EXPECT_LT(std::fabs(left[100]), 0.72f * std::fabs(dryLeft[100]));
    for (int i = frames / 2; i < frames; ++i) {
        ASSERT_FLOAT_EQ(left[i], dryLeft[i] * 0.999f) << i;
        ASSERT_FLOAT_EQ(right[i], dryRight[i] * 0.999f) << i;
    }
}

// A sine of amplitude 0.5 in both channels, in blocks of 64, starting at
// sample `from` of an endless sine.
std::vector<float> sineThrough(OutputLimiter& limiter, int from, int frames) {
    std::vector<float> left(static_cast<std::size_t>(frames)), right(static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i) left[static_cast<std::size_t>(i)] = right[static_cast<std::size_t>(i)] = 0.5f * std::sin(0.03f * (from + i));
    for (int at = 0; at < frames; at += 64) limiter.process(std::min(64, frames - at), left.data() + at, right.data() + at);
    return left;
}

TEST(OutputLimiter, SamplesThatAreNotNumbersComeOutSilentAndLeaveTheLevelAlone) {
    OutputLimiter limiter;
    limiter.setSampleRate(44100.0);
    const double normal = analysis::peak(sineThrough(limiter, 0, 44100), 22050);
    ASSERT_NEAR(normal, 0.5 * 0.999, 1e-3);

    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    // The channel that is not a number comes out as 0; the other channel
    // passes at the gain it had.
    for (const auto& [l, r] : {std::pair{inf, 0.3f}, std::pair{nan, -inf}, std::pair{0.3f, nan}, std::pair{-inf, 0.3f}}) {
        float left = l, right = r;
        limiter.process(1, &left, &right);
        EXPECT_FLOAT_EQ(left, std::isfinite(l) ? l * 0.999f : 0.0f) << l << " " << r;
        EXPECT_FLOAT_EQ(right, std::isfinite(r) ? r * 0.999f : 0.0f) << l << " " << r;
    }

    // Within a second the sine is back at its level.
    const std::vector<float> after = sineThrough(limiter, 44100, 44100);
    for (float x : after) ASSERT_TRUE(std::isfinite(x));
    EXPECT_NEAR(analysis::peak(after, 22050), normal, 1e-3);
}

TEST(OutputLimiter, ANewSampleRateStartsAfresh) {
    // A loud passage pulls the level down; after a rate change the limiter
    // behaves exactly like a new one at that rate.
    OutputLimiter used;
    used.setSampleRate(44100.0);
    std::vector<float> loudLeft(4410, 3.0f), loudRight(4410, -3.0f);
    used.process(4410, loudLeft.data(), loudRight.data());
    used.setSampleRate(96000.0);
    OutputLimiter fresh;
    fresh.setSampleRate(96000.0);
    EXPECT_EQ(sineThrough(used, 0, 9600), sineThrough(fresh, 0, 9600));
}

}  // namespace
}  // namespace calverine
