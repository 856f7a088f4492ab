// The reverb's octave shimmer: the input played one octave up by spectral
// phase doubling, with a delayed feedback path (regeneration) that sends the
// result round again for further octaves. ReverbUnit adds its output to the
// reverb's input.
//
// Per sample the input goes into an analysis ring; every hop of N/16 samples
// a Nuttall-windowed frame of N = 4096 samples is transformed, every bin
// below N/5 has its phase doubled (magnitude kept), everything else is
// removed, and every second sample of the inverse is overlap-added into the
// output ring: played at twice the speed, an octave up.
//
// Threads: the constructor allocates every buffer; the rest runs on the
// audio thread and never allocates, locks or waits.
#pragma once

#include "RealFft.h"
#include "Svf.h"

#include <algorithm>
#include <vector>

namespace calverine {

class OctaveShimmer {
public:
    // The FFT size (the reverb never runs above 88 kHz) and the hop.
    static constexpr int kFftSize = 4096;
    static constexpr int kHop = kFftSize / 16;

    OctaveShimmer();
    OctaveShimmer(const OctaveShimmer&) = delete;
    OctaveShimmer& operator=(const OctaveShimmer&) = delete;

    // Chooses the feedback delay (3500 samples at exactly 44100 Hz, else
    // 3809). Does not clear.
    void setSampleRate(double rate);
    // The shimmer amount and the regeneration amount for the coming slice,
    // both 0 to 1.
    void setGains(float amount, float regen) {
        gain_ = amount;
        regenGain_ = regen;
    }
    // Empties every ring and restarts the hop.
    void clear();

    // One sample: `in` is left + right; returns the shimmer sample S. Inline
    // so that it stays inside the reverb's sample loop; the transform runs
    // out of line once per hop.
    float next(float in) {
        // Inputs below 1e-15 are taken as silence: they would only feed tiny
        // values around the regeneration loop.
        float x = (in * gain_ + feedback_ * regenGain_) * 0.0625f;
        flushTiny(x, 1e-15f);
        silentInput_ = x == 0.0f ? std::min(silentInput_ + 1, 3 * kFftSize) : 0;
        analysis_[position_] = x;
        // The counter counts this sample first, so a frame runs every kHop samples.
        if (++hopCounter_ == kHop) {
            hopCounter_ = 0;
            // After 3N silent samples every analysis, accumulation and output
            // position holds zero, so a frame would only add zeros.
            if (silentInput_ < 3 * kFftSize) frame();
        }
        const float s = output_[position_];
        feedbackRing_[feedbackPosition_] = s;
        feedback_ = feedbackRing_[(feedbackPosition_ - feedbackDelay_) & kFeedbackMask];
        feedbackPosition_ = (feedbackPosition_ + 1) & kFeedbackMask;
        position_ = (position_ + 1) & kFftMask;
        return s;
    }

    // True when any ring or state holds a subnormal float.
    bool hasSubnormalState() const;

private:
    static constexpr unsigned kFftMask = kFftSize - 1;
    static constexpr int kFeedbackSize = 4096;
    static constexpr unsigned kFeedbackMask = kFeedbackSize - 1;

    // One hop: window, transform, double the phases, overlap-add.
    void frame();

    float gain_ = 0.0f, regenGain_ = 0.0f;

    // Every transform is N/2 points: the forward one is split into even and
    // odd samples, and the octave-up read-out needs only even samples.
    RealFft halfFft_;
    std::vector<float> halfEven_, halfOdd_;
    std::vector<float> twiddleRe_, twiddleIm_;  // exp(-2 pi i k / N), k = 1 .. N/5 - 1
    std::vector<float> synthesisWindow_;        // W at the even points, times 1/2
    std::vector<float> analysis_, accumulation_, output_, frame_, window_, feedbackRing_;
    unsigned position_ = 0;
    int hopCounter_ = 0;
    unsigned feedbackPosition_ = 0;
    unsigned feedbackDelay_ = 3809;
    float feedback_ = 0.0f;  // the feedback ring's delayed sample
    int silentInput_ = 0;    // samples since the analysis ring last took a nonzero value
};

}  // namespace calverine
