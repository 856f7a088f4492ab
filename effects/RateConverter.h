// Runs the reverb at a reduced rate above 88 kHz: an 8th-order Butterworth
// low-pass at 22 kHz (four state-variable sections) then every 2nd or 4th
// sample; back up with a linear interpolator (no anti-image filter). One per
// channel.
#pragma once

#include <cstdint>

#include "Svf.h"

namespace calverine {

class RateConverter {
public:
    static constexpr int kMaxSlice = 16;

    // reductions: how often the host rate was halved (1 -> factor 2, more -> 4).
    void setUp(int reductions, double hostRate);
    int factor() const { return 1 << shift_; }

    // n host-rate samples in; the m reduced-rate samples are written to the
    // front of buffer; returns m.
    int decimate(int n, float* buffer);
    // m reduced-rate samples in (front of buffer); n host-rate samples out.
    void interpolate(int m, int n, float* buffer);

private:
    int shift_ = 1;
    SvfCoefficients sections_[4];
    float s1_[4] = {}, s2_[4] = {};
    float pipeline_[4] = {};  // each section's output of the previous sample
    float decimated_[64] = {};
    std::uint32_t decimatedRead_ = 0, decimatedWrite_ = 0;
    std::uint32_t phase_ = 0;
    float interpolated_[128] = {};
    std::uint32_t interpolatedRead_ = 0, interpolatedWrite_ = 0;
    float previous_ = 0.0f;
};

}  // namespace calverine
