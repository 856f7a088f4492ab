#include "OutputLimiter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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
    float peak = 0.0f;
    for (float x : left) peak = std::max(peak, std::fabs(x));
    EXPECT_LE(peak, 0.999f);
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

}  // namespace
}  // namespace calverine
