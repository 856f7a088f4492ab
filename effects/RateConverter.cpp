#include "RateConverter.h"

#include <cmath>
#include <numbers>

namespace calverine {

void RateConverter::setUp(int reductions, double hostRate) {
    *this = RateConverter();
    shift_ = reductions <= 1 ? 1 : 2;
    const double g = std::tan(std::numbers::pi * 22000.0 / hostRate);
    // Twice sin(pi/16), sin(7 pi/16), sin(3 pi/16), sin(5 pi/16): Butterworth, 8th order.
    const double damping[4] = {2 * 0.19509, 2 * 0.980785, 2 * 0.55557, 2 * 0.83147};
    for (int k = 0; k < 4; ++k) sections_[k] = SvfCoefficients::design(g, damping[k]);
    // The interpolator starts one reduced sample behind, so a slice length
    // that is not a multiple of the factor never reads ahead of what is
    // written.
    interpolatedWrite_ = static_cast<std::uint32_t>(factor());
}

int RateConverter::decimate(int n, float* buffer) {
    const std::uint32_t mask = static_cast<std::uint32_t>(factor() - 1);
    for (int i = 0; i < n; ++i) {
        float x = std::fabs(buffer[i]) < 1e-6f ? 0.0f : buffer[i];
        x += 1e-11f;
        // A pipeline: section k takes what section k - 1 gave one sample ago.
        float input[4] = {x, pipeline_[0], pipeline_[1], pipeline_[2]};
        for (int k = 0; k < 4; ++k) pipeline_[k] = svfStep(sections_[k], s1_[k], s2_[k], input[k]).low;
        if ((phase_++ & mask) == mask) decimated_[decimatedWrite_++ & 63] = pipeline_[3];
    }
    for (int k = 0; k < 4; ++k) {
        flushTiny(s1_[k]);
        flushTiny(s2_[k]);
    }
    const int m = static_cast<int>(phase_ >> shift_);
    phase_ &= mask;
    for (int i = 0; i < m; ++i) buffer[i] = decimated_[decimatedRead_++ & 63];
    return m;
}

void RateConverter::interpolate(int m, int n, float* buffer) {
    const int f = factor();
    const float step = 1.0f / static_cast<float>(f);
    for (int i = 0; i < m; ++i) {
        const float x = buffer[i];
        for (int j = 1; j <= f; ++j) {
            const float t = static_cast<float>(j) * step;
            interpolated_[interpolatedWrite_++ & 127] = previous_ * (1.0f - t) + x * t;
        }
        previous_ = x;
    }
    for (int i = 0; i < n; ++i) buffer[i] = interpolated_[interpolatedRead_++ & 127];
}

}  // namespace calverine
