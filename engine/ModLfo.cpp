#include "ModLfo.h"

#include <algorithm>
#include <cmath>

namespace calverine {

namespace {

constexpr double kTwoPi = 6.28318530717958647692;

// sin(2 pi phase) for phase in [0, 1], within 1e-7: folded to a quarter wave
// and summed as its series to the 11th power. Cheaper than the library's
// sine, which the LFO would otherwise call every sample.
float sineOfPhase(double phase) {
    double x = phase - std::floor(phase + 0.5);  // -0.5 .. 0.5
    if (x > 0.25) x = 0.5 - x;
    if (x < -0.25) x = -0.5 - x;
    const double t = kTwoPi * x, t2 = t * t;
    return static_cast<float>(
        t * (1.0 + t2 * (-1.0 / 6 + t2 * (1.0 / 120 + t2 * (-1.0 / 5040 + t2 * (1.0 / 362880 - t2 / 39916800))))));
}

// One whole cycle (the whole step sequence) in sixteenths of a beat: dotted,
// straight and triplet of each note value from 8/1 down to 1/32.
constexpr double kTempoTable[27] = {768,  512, 1024.0 / 3, 384, 256, 512.0 / 3, 192, 128, 256.0 / 3,
                                    96,   64,  128.0 / 3,  48,  32,  64.0 / 3,  24,  16,  32.0 / 3,
                                    12,   8,   16.0 / 3,   6,   4,   8.0 / 3,   3,   2,   4.0 / 3};

}  // namespace

double ModLfo::hertzOf(double v) {
    const double lowest = 1.0 / 60.0;
    return v < 0.5 ? lowest * std::pow(2.0 / lowest, 2.0 * v) : 2.0 * std::pow(22.0 / 2.0, 2.0 * v - 1.0);
}

void ModLfo::setRate(double value, double sampleRate) {
    rateValue = value;
    std::atomic_ref<double>(ratePerSample).store(hertzOf(std::clamp(value, 0.0, 1.0)) / sampleRate,
                                                 std::memory_order_relaxed);
}

void ModLfo::setSoften(double value, double sampleRate) {
    const double f = 5.0 * std::pow(100.0 / 5.0, 1.0 - std::clamp(value, 0.0, 1.0));
    soften = static_cast<float>(1.0 - std::exp(-kTwoPi * f / sampleRate));
}

int ModLfo::stepIndex() const {
    const int count = std::max(stepCount, 1);
    return std::min(static_cast<int>(phase * count), count - 1);
}

bool ModLfo::render(int n, double tempo, double sampleRate, float rise, const float* steps, Random& random) {
    const int startStep = stepIndex();
    const double rate = std::clamp(rateValue + rateOffset, 0.0, 1.0);
    const double free = rateOffset != 0.0 ? hertzOf(rate) / sampleRate : sharedRatePerSample();
    switch (shape) {
    case kSquare:
        for (int i = 0; i < n; ++i) {
            output[i] = phase <= 0.5 ? 1.0f : 0.0f;
            phase += free;
            if (phase > 1.0) phase -= 1.0;
        }
        blockValue = output[0] - 0.5f;
        break;
    case kSampleHold:
        for (int i = 0; i < n; ++i) {
            output[i] = held;
            phase += free;
            if (phase > 1.0) {
                phase -= 1.0;
                held = static_cast<float>(random.next()) / 32767.0f;
            }
        }
        blockValue = output[0];
        break;
    case kSteps: {
        const int index = std::min(std::max(static_cast<int>(rate * 26.001), 0), 26);
        const double increment = oneShot ? free : tempo / (kTempoTable[index] * 3.75) / sampleRate;
        const int count = std::max(stepCount, 1);
        for (int i = 0; i < n; ++i) {
            if (!oneShotFinished) {
                // Bars are drawn within +-1; a patch may carry anything finite.
                const float target = std::clamp(steps[std::min(static_cast<int>(phase * count), count - 1)], -1.0f, 1.0f);
                stepLevel += (target - stepLevel) * (stepLevel > target ? soften : rise);
            }
            output[i] = stepLevel;
            phase += increment;
            if (phase > 1.0) {
                phase -= 1.0;
                if (oneShot) oneShotFinished = 1;
            }
        }
        if (stepLevel > -1e-6f && stepLevel < 1e-6f) stepLevel = 0.0f;
        blockValue = output[0] * 0.5f;
        break;
    }
    default:
        for (int i = 0; i < n; ++i) {
            output[i] = sineOfPhase(phase);
            phase += free;
            if (phase > 1.0) phase -= 1.0;
        }
        blockValue = output[0] * 0.5f;
        break;
    }
    return shape == kSteps && stepIndex() != startStep;
}

}  // namespace calverine
