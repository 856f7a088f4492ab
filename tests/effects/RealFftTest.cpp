#include "RealFft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace calverine {
namespace {

std::vector<float> randomSignal(int n, unsigned seed) {
    std::mt19937 generator(seed);
    std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
    std::vector<float> x(n);
    for (float& v : x) v = uniform(generator);
    return x;
}

TEST(RealFft, ForwardThenInverseReturnsTheInputInPlaceAndOutOfPlace) {
    for (int n : {16, 4096}) {
        RealFft fft(n);
        const std::vector<float> x = randomSignal(n, 7u + n);
        std::vector<float> packed(n), back(n);
        fft.forward(x.data(), packed.data());
        fft.inverse(packed.data(), back.data());
        std::vector<float> inPlace = x;
        fft.forward(inPlace.data(), inPlace.data());
        fft.inverse(inPlace.data(), inPlace.data());
        for (int i = 0; i < n; ++i) {
            ASSERT_NEAR(back[i], x[i], 1e-5f) << n << " " << i;
            ASSERT_NEAR(inPlace[i], x[i], 1e-5f) << n << " " << i;
        }
    }
}

TEST(RealFft, PackedLayoutMatchesADirectDft) {
    // R0, R1, I1, ..., R(N/2-1), I(N/2-1), R(N/2) from a DFT summed in double.
    const int n = 64;
    RealFft fft(n);
    const std::vector<float> x = randomSignal(n, 3u);
    std::vector<float> packed(n);
    fft.forward(x.data(), packed.data());
    for (int k = 0; k <= n / 2; ++k) {
        double re = 0.0, im = 0.0;
        for (int i = 0; i < n; ++i) {
            const double phase = -2.0 * 3.14159265358979323846 * k * i / n;
            re += x[i] * std::cos(phase);
            im += x[i] * std::sin(phase);
        }
        if (k == 0) {
            EXPECT_NEAR(packed[0], re, 1e-4);
        } else if (k == n / 2) {
            EXPECT_NEAR(packed[n - 1], re, 1e-4);
        } else {
            EXPECT_NEAR(packed[2 * k - 1], re, 1e-4) << k;
            EXPECT_NEAR(packed[2 * k], im, 1e-4) << k;
        }
    }
    // The inverse is scaled by 1/N: a lone R1 = N/2 is a cosine of amplitude 1.
    std::vector<float> bins(n, 0.0f), out(n);
    bins[1] = n / 2.0f;
    fft.inverse(bins.data(), out.data());
    for (int i = 0; i < n; ++i) ASSERT_NEAR(out[i], std::cos(2.0 * 3.14159265358979323846 * i / n), 1e-5) << i;
}

}  // namespace
}  // namespace calverine
