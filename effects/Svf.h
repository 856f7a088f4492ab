// The trapezoidal state-variable low-pass step shared by the chorus input
// filters and the rate converter's anti-alias sections: g = tan(pi f / fs),
// k the damping (2 / Q).
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

// States this small are set to zero after each slice: no denormals.
inline void flushTiny(float& state, float limit = 1e-9f) {
    if (std::fabs(state) < limit) state = 0.0f;
}

// lo x (hi / lo)^x: the exponential mapping of a 0..1 control to a frequency.
inline double mapExponential(double x, double lo, double hi) { return lo * std::exp(x * std::log(hi / lo)); }

}  // namespace calverine
