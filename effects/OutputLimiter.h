// The output limiter the shell runs over each host block when "Limiter" is
// on. A smoothed envelope (0.8 ms attack, 200 ms release) holds the level at
// 0.7; a peak-hold stage with instant attack catches what passes it, so no
// sample leaves above 0.999.
//
// A sample that is not a finite number (a fault upstream) leaves as 0 and is
// not measured, so one bad sample neither reaches the host nor holds the
// level down afterwards.
#pragma once

namespace calverine {

class OutputLimiter {
public:
    // Also starts the envelopes afresh, as at construction.
    void setSampleRate(double rate);
    void process(int frames, float* left, float* right);

private:
    double rate_ = 44100.0;
    double peakHold_ = 1.0;
    double smoothed_ = 1.0;
};

}  // namespace calverine
