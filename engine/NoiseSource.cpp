#include "NoiseSource.h"

#include <cmath>

namespace calverine {

void NoiseSource::configure(double sampleRate) {
    const double g = std::tan(3.14159265358979323846 * 160.0 / sampleRate);
    const double a1 = 1.0 / (1.0 + g * (g + kDamping));
    a1_ = static_cast<float>(a1);
    a2_ = static_cast<float>(g * a1);
    a3_ = static_cast<float>(g * g * a1);
    clear();
}

void NoiseSource::render(float* out, int n, float gain) {
    for (int i = 0; i < n; ++i) {
        const float x = nextRaw();
        const float bp = a1_ * s1_ + a2_ * (x - s2_);
        const float lp = s2_ + a2_ * s1_ + a3_ * (x - s2_);
        s1_ = 2.0f * bp - s1_;
        s2_ = 2.0f * lp - s2_;
        out[i] = (x - kDamping * bp - lp) * gain;
    }
}

}  // namespace calverine
