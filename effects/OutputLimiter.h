// The output limiter the shell runs over each host block when "Limiter" is
// on. A smoothed envelope (0.8 ms attack, 200 ms release) holds the level at
// 0.7; a peak-hold stage with instant attack catches what passes it, so no
// sample leaves above 0.999.
#pragma once

namespace calverine {

class OutputLimiter {
public:
    void setSampleRate(double rate) { rate_ = rate; }
    void process(int frames, float* left, float* right);

private:
    double rate_ = 44100.0;
    double peakHold_ = 1.0;
    double smoothed_ = 1.0;
};

}  // namespace calverine
