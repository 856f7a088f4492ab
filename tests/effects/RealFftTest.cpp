#include "RealFft.h"

#include <gtest/gtest.h>

#include "EffectsTestSupport.h"

#include <cmath>
#include <vector>

namespace calverine {
namespace {

TEST(RealFft, PackedLayoutMatchesADirectDftAndTheInverseUndoesItInPlace) {
    // R0, R1, I1, ..., R(N/2-1), I(N/2-1), R(N/2) (at 2k - 1 too), from a DFT
    // summed in double, at every (N/64)th bin.
    for (int n : {64, 4096}) {
        RealFft fft(n);
        const std::vector<float> x = effects_test::noise(static_cast<std::size_t>(n), 1.0f, 3u);
        std::vector<float> packed = x;
        fft.forward(packed.data(), packed.data());
        for (int k = 0; k <= n / 2; k += n / 64) {
            double re = 0.0, im = 0.0;
            for (int i = 0; i < n; ++i) {
                re += x[i] * std::cos(2.0 * M_PI * k * i / n);
                im -= x[i] * std::sin(2.0 * M_PI * k * i / n);
            }
            EXPECT_NEAR(packed[k == 0 ? 0 : 2 * k - 1], re, 1e-4 * n) << n << " " << k;
            if (k > 0 && k < n / 2) {
                EXPECT_NEAR(packed[2 * k], im, 1e-4 * n) << n << " " << k;
            }
        }
        // The inverse is scaled by 1/N, so it returns the input.
        fft.inverse(packed.data(), packed.data());
        for (int i = 0; i < n; ++i) ASSERT_NEAR(packed[i], x[i], 1e-5f) << n << " " << i;
    }
}

}  // namespace
}  // namespace calverine
