#include "PeakMeter.h"

#include <cmath>
#include <cstdio>

namespace calverine::render {

void PeakMeter::add(const float* left, const float* right, int frames) {
    addChannel(left, frames);
    addChannel(right, frames);
}

void PeakMeter::addChannel(const float* x, int frames) {
    for (int i = 0; i < frames; ++i) {
        const double magnitude = std::fabs(static_cast<double>(x[i]));
        if (!std::isfinite(magnitude)) {
            continue;
        }
        if (magnitude > peak_) {
            peak_ = magnitude;
        }
        if (magnitude > 1.0) {
            ++over_;
        }
    }
}

std::string PeakMeter::peakLine() const {
    char text[64];
    if (peak_ > 0.0) {
        std::snprintf(text, sizeof(text), "peak %+.1f dBFS (%.3f)", 20.0 * std::log10(peak_), peak_);
    } else {
        std::snprintf(text, sizeof(text), "peak -inf dBFS (0.000)");
    }
    return text;
}

std::string PeakMeter::clippingWarning() const {
    if (over_ == 0) {
        return "";
    }
    char text[160];
    std::snprintf(text, sizeof(text), "%lld samples clipped in the 24-bit output (peak %.3f); use --float or a lower Volume",
                  static_cast<long long>(over_), peak_);
    return text;
}

}  // namespace calverine::render
