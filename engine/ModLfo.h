// One of the two modulation LFOs: sine, square, sample and hold, or a step
// sequence of up to 128 steps that runs locked to the host tempo (or once,
// free-running, in one-shot mode). Rendered once per block into a buffer of
// one value per sample that every voice reads.
#pragma once

#include <atomic>
#include <cstdint>

#include "Random.h"

namespace calverine {

struct ModLfo {
    enum Shape : std::int32_t { kSine = 0, kSquare = 1, kSampleHold = 2, kSteps = 3 };
    static constexpr int kMaxBlock = 16;
    static constexpr int kMaxSteps = 128;

    // settings
    double rateValue = 0.5;     // 0..1
    double ratePerSample = 0.0;  // the free-running rate in cycles per sample
    double rateOffset = 0.0;     // the matrix's "LFO Rate" for this block
    std::int32_t shape = kSine;
    std::int32_t stepCount = 16;
    std::uint8_t oneShot = 0;
    float soften = 0.0f;  // one-pole coefficient of falling steps
    float freqDepth = 0.0f;
    bool freqTarget[3] = {false, false, false};  // oscillator 1, oscillator 2, filter
    float pwDepth = 0.0f;
    bool pwTarget[2] = {false, false};

    // state
    double phase = 0.0;
    float held = 0.0f;
    float stepLevel = 0.0f;
    std::uint8_t oneShotFinished = 0;
    float output[kMaxBlock] = {};
    float blockValue = 0.0f;  // the matrix source

    // The free rate for a rate value: 1/60 Hz to 2 Hz over the lower half,
    // 2 Hz to 22 Hz over the upper half, both exponential.
    static double hertzOf(double rateValue);
    void setRate(double value, double sampleRate);
    // The free-running rate, read by the audio thread and by the host's value
    // display while a host thread may set it: one atomic word either way.
    double sharedRatePerSample() const {
        return std::atomic_ref<double>(const_cast<double&>(ratePerSample)).load(std::memory_order_relaxed);
    }
    // soften v: a falling step's one-pole at 100 Hz (v = 0) down to 5 Hz (v = 1).
    void setSoften(double value, double sampleRate);

    // n samples of the block. steps: the step values (at least stepCount);
    // rise: the one-pole coefficient of rising steps (100 Hz); tempo in BPM.
    // Returns true when a step sequence moved to another step in this block.
    bool render(int n, double tempo, double sampleRate, float rise, const float* steps, Random& random);
    // The step the sequence is on.
    int stepIndex() const;
};

}  // namespace calverine
