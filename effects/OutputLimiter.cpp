#include "OutputLimiter.h"

#include <algorithm>
#include <cmath>

namespace calverine {

void OutputLimiter::setSampleRate(double rate) {
    rate_ = rate;
    peakHold_ = 1.0;
    smoothed_ = 1.0;
}

void OutputLimiter::process(int frames, float* left, float* right) {
    const double attack = std::exp(-1000.0 / (0.8 * rate_));
    const double release = std::exp(-1000.0 / (200.0 * rate_));
    for (int i = 0; i < frames; ++i) {
        if (!std::isfinite(left[i])) left[i] = 0.0f;
        if (!std::isfinite(right[i])) right[i] = 0.0f;
        const double peak = std::max(std::fabs(left[i]), std::fabs(right[i]));
        smoothed_ = peak + (smoothed_ - peak) * (peak > smoothed_ ? attack : release);
        const float levelGain = smoothed_ > 0.7 ? static_cast<float>(0.7 / smoothed_) : 1.0f;
        const double held = peak * levelGain;
        peakHold_ = held > peakHold_ ? held : held + (peakHold_ - held) * release;
        float gain = peakHold_ > 1.0 ? static_cast<float>(levelGain / peakHold_) : levelGain;
        gain *= 0.999f;
        left[i] *= gain;
        right[i] *= gain;
    }
}

}  // namespace calverine
