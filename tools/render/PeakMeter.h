// The level of what a render wrote: the largest sample magnitude of either
// channel, and how many samples lie beyond full scale (and so were clipped
// in 24-bit output). Samples that are not finite numbers are not measured.
#pragma once

#include <cstdint>
#include <string>

namespace calverine::render {

class PeakMeter {
public:
    void add(const float* left, const float* right, int frames);

    double peak() const { return peak_; }
    // Samples of either channel above 1.0 in magnitude, each counted once.
    std::int64_t overFullScale() const { return over_; }

    // "peak -0.3 dBFS (0.966)"; silence reads "peak -inf dBFS (0.000)".
    std::string peakLine() const;
    // "1234 samples clipped in the 24-bit output (peak 1.281); use --float
    // or a lower Volume", or "" when nothing went beyond full scale.
    std::string clippingWarning() const;

private:
    void addChannel(const float* x, int frames);

    double peak_ = 0.0;
    std::int64_t over_ = 0;
};

}  // namespace calverine::render
