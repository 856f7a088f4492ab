// Driving an effect unit the way the chain does: 16-sample slices over a
// whole signal, in place.
#pragma once

#include <algorithm>
#include <cmath>
#include <complex>
#include <functional>
#include <vector>

namespace effects_test {

struct Stereo {
    std::vector<float> left, right;
    explicit Stereo(std::size_t n = 0) : left(n), right(n) {}
    std::size_t size() const { return left.size(); }
};

// Calls slice(n, left, right) for consecutive slices of at most 16 samples.
inline void inSlices(Stereo& s, const std::function<void(int, float*, float*)>& slice) {
    for (std::size_t at = 0; at < s.size(); at += 16) {
        const int n = static_cast<int>(std::min<std::size_t>(16, s.size() - at));
        slice(n, s.left.data() + at, s.right.data() + at);
    }
}

// Index of the largest magnitude in [from, to).
inline std::size_t peakAt(const std::vector<float>& x, std::size_t from, std::size_t to) {
    std::size_t best = from;
    for (std::size_t i = from; i < to && i < x.size(); ++i)
        if (std::fabs(x[i]) > std::fabs(x[best])) best = i;
    return best;
}

// |H(f)| of the impulse response h (a direct DFT at one frequency).
inline double responseAt(const std::vector<float>& h, double frequency, double rate) {
    std::complex<double> sum = 0.0;
    for (std::size_t i = 0; i < h.size(); ++i) sum += static_cast<double>(h[i]) * std::polar(1.0, -2.0 * M_PI * frequency * i / rate);
    return std::abs(sum);
}

inline bool allNormal(const std::vector<float>& x) {
    return std::all_of(x.begin(), x.end(), [](float v) { return std::isfinite(v) && std::fpclassify(v) != FP_SUBNORMAL; });
}

// A fixed pseudo-random signal in -amplitude..amplitude.
inline std::vector<float> noise(std::size_t n, float amplitude, unsigned seed = 1) {
    std::vector<float> x(n);
    for (float& v : x) {
        seed = seed * 1664525u + 1013904223u;
        v = amplitude * (static_cast<float>(seed >> 8) / 8388608.0f - 1.0f);
    }
    return x;
}

// Noise on both channels: one signal, or seeds `seed` and `seed + 1`.
inline Stereo noisy(std::size_t n, float amplitude, unsigned seed = 1, bool twoSeeds = false) {
    Stereo s(n);
    s.left = noise(n, amplitude, seed);
    s.right = twoSeeds ? noise(n, amplitude, seed + 1) : s.left;
    return s;
}

}  // namespace effects_test
