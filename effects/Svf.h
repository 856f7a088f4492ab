// The trapezoidal state-variable step shared by the chorus input filters,
// the rate converter's anti-alias sections and the reverb's closing filter:
// g = tan(pi f / fs), k the damping (2 / Q).
#pragma once

#include <cmath>

namespace calverine {

struct SvfCoefficients {
    float a1 = 1.0f, a2 = 0.0f, a3 = 0.0f;

    static SvfCoefficients design(double g, double k) {
        SvfCoefficients c;
        c.a1 = static_cast<float>(1.0 / (1.0 + g * (g + k)));
        c.a2 = static_cast<float>(g) * c.a1;
        c.a3 = static_cast<float>(g) * c.a2;
        return c;
    }
};

// One sample through the section with states s1, s2; returns band and low.
struct SvfOutput {
    float band, low;
};

inline SvfOutput svfStep(const SvfCoefficients& c, float& s1, float& s2, float x) {
    const float e = x - s2;
    const float band = c.a1 * s1 + c.a2 * e;
    const float low = s2 + c.a2 * s1 + c.a3 * e;
    s1 = 2.0f * band - s1;
    s2 = 2.0f * low - s2;
    return {band, low};
}

// The trapezoidal state-variable section in its other form, with the
// previous input, band and low as states (the delay's cut filters, the
// reverb's formants): g = tan(pi f / fs), k the damping.
struct TrapezoidCoefficients {
    float a1 = 0.0f, bandFeedback = 0.0f, ga1 = 0.0f, twoA1 = 0.0f;

    static TrapezoidCoefficients design(double g, double k) {
        const double a1 = g / (1.0 + g * (g + k));
        return {static_cast<float>(a1), static_cast<float>(2.0 * (g + k) * a1), static_cast<float>(g * a1),
                static_cast<float>(2.0 * a1)};
    }
};

// One sample through the section; previous, band and low advance. Returns
// the new band value.
inline float trapezoidStep(const TrapezoidCoefficients& c, float x, float& previous, float& band, float& low) {
    const float e = x + previous - 2.0f * low;
    const float newBand = band + c.a1 * e - c.bandFeedback * band;
    low = low + c.ga1 * e + c.twoA1 * band;
    band = newBand;
    previous = x;
    return newBand;
}

// States this small are set to zero after each slice: no denormals.
inline void flushTiny(float& state, float limit = 1e-9f) {
    if (std::fabs(state) < limit) state = 0.0f;
}

// lo x (hi / lo)^x: the exponential mapping of a 0..1 control to a frequency.
inline double mapExponential(double x, double lo, double hi) { return lo * std::exp(x * std::log(hi / lo)); }

}  // namespace calverine
