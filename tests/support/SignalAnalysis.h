// Measurements on rendered audio for the tests: frequency from interpolated
// zero crossings, RMS, peak, a magnitude spectrum through a windowed FFT.
#pragma once

#include <cmath>
#include <complex>
#include <vector>

namespace analysis {

constexpr double kPi = 3.14159265358979323846;

// Frequency from the rising zero crossings of x (with linear interpolation
// between samples), over the whole signal.
inline double zeroCrossingFrequency(const std::vector<float>& x, double sampleRate) {
    double first = -1.0, last = -1.0;
    int crossings = 0;
    for (std::size_t i = 1; i < x.size(); ++i) {
        if (x[i - 1] < 0.0f && x[i] >= 0.0f) {
            const double t = (i - 1) + x[i - 1] / static_cast<double>(x[i - 1] - x[i]);
            if (first < 0.0) first = t;
            last = t;
            ++crossings;
        }
    }
    return crossings > 1 ? (crossings - 1) * sampleRate / (last - first) : 0.0;
}

inline double rms(const std::vector<float>& x, std::size_t from = 0) {
    double sum = 0.0;
    for (std::size_t i = from; i < x.size(); ++i) sum += static_cast<double>(x[i]) * x[i];
    return x.size() > from ? std::sqrt(sum / static_cast<double>(x.size() - from)) : 0.0;
}

inline double peak(const std::vector<float>& x, std::size_t from = 0) {
    double p = 0.0;
    for (std::size_t i = from; i < x.size(); ++i) p = std::max(p, static_cast<double>(std::fabs(x[i])));
    return p;
}

// Magnitudes of bins 0..n/2 of the first n samples (n a power of two),
// Blackman-Harris windowed; a full-scale sine reads about 1 at its bin.
inline std::vector<double> spectrum(const std::vector<float>& x, std::size_t n) {
    std::vector<std::complex<double>> a(n);
    double windowSum = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double u = 2.0 * kPi * i / n;
        const double w = 0.35875 - 0.48829 * std::cos(u) + 0.14128 * std::cos(2 * u) - 0.01168 * std::cos(3 * u);
        windowSum += w;
        a[i] = x[i] * w;
    }
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const std::complex<double> step = std::polar(1.0, -2.0 * kPi / len);
        for (std::size_t i = 0; i < n; i += len) {
            std::complex<double> w(1.0);
            for (std::size_t k = 0; k < len / 2; ++k, w *= step) {
                const auto u = a[i + k], v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
            }
        }
    }
    std::vector<double> magnitude(n / 2 + 1);
    for (std::size_t k = 0; k <= n / 2; ++k) magnitude[k] = 2.0 * std::abs(a[k]) / windowSum;
    return magnitude;
}

inline double decibels(double ratio) { return 20.0 * std::log10(std::max(ratio, 1e-30)); }

}  // namespace analysis
