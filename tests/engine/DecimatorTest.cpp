#include "Decimator.h"
#include "LoopWidths.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using calverine::Decimator;

namespace {

constexpr double kPi = 3.14159265358979323846;

// Feeds a sine of `frequency` Hz sampled at 4*fs into both channels and returns
// the output amplitude (RMS times sqrt 2) once the filter has settled.
double measuredGain(double fs, double frequency) {
    Decimator decimator;
    const int outputs = 2000;
    std::vector<float> in(4 * outputs), left(outputs), right(outputs);
    for (int i = 0; i < 4 * outputs; ++i) in[i] = static_cast<float>(std::sin(2 * kPi * frequency * i / (4 * fs)));
    for (int i = 0; i < outputs; i += 16)
        decimator.process(in.data() + 4 * i, in.data() + 4 * i, 16, left.data() + i, right.data() + i);
    double sum = 0;
    for (int i = 200; i < outputs; ++i) {
        sum += static_cast<double>(left[i]) * left[i];
        EXPECT_EQ(left[i], right[i]);
    }
    return std::sqrt(2.0 * sum / (outputs - 200));
}

}  // namespace

TEST(Decimator, CutOffSitsAtHalfAmplitudeAt048OfTheRate) {
    for (double fs : {44100.0, 192000.0}) {
        SCOPED_TRACE(fs);
        EXPECT_NEAR(measuredGain(fs, 0.48 * fs), 0.5, 0.01);
        EXPECT_NEAR(measuredGain(fs, 0.20 * fs), 1.0, 0.003);  // pass band is flat
        EXPECT_NEAR(measuredGain(fs, 0.05 * fs), 1.0, 0.003);
        EXPECT_LT(measuredGain(fs, 0.45 * fs), 0.75);
        // Everything that would fold back into the audible band is gone.
        for (double f : {0.7, 1.0, 1.5, 1.9}) EXPECT_LT(measuredGain(fs, f * fs), 1e-3) << f;
    }
}

// Four or eight lanes per vector (where the processor has them), the same sum.
TEST(Decimator, VectorPathMatchesDirectConvolutionOnOddLengths) {
    forEachLoopWidth([](bool) {
        Decimator decimator;
        const int outputs = 37;  // odd, and not a multiple of the slice length
        std::vector<float> left(4 * outputs), right(4 * outputs);
        for (int i = 0; i < 4 * outputs; ++i) {  // chirps: no two taps see the same pattern
            left[i] = std::sin(0.37f * static_cast<float>(i * i));
            right[i] = std::cos(0.23f * static_cast<float>(i * i));
        }
        std::vector<float> outLeft(outputs), outRight(outputs);
        int done = 0;
        for (int chunk : {5, 16, 3, 13}) {
            decimator.process(left.data() + 4 * done, right.data() + 4 * done, chunk, outLeft.data() + done,
                              outRight.data() + done);
            done += chunk;
        }
        ASSERT_EQ(done, outputs);
        for (int i = 0; i < outputs; ++i) {
            const int newest = 4 * i + 3;
            double l = 0, r = 0;
            for (int k = 0; k < Decimator::kTaps; ++k) {
                const int t = newest - k;
                if (t < 0) break;
                l += Decimator::kernelTap(k) * left[t];
                r += Decimator::kernelTap(k) * right[t];
            }
            EXPECT_NEAR(outLeft[i], l, 1e-5) << i;
            EXPECT_NEAR(outRight[i], r, 1e-5) << i;
        }
    });
}
