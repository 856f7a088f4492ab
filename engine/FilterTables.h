// Lookup tables of the voice filters, built once per sample rate: the
// prewarped integrator gain for 256 steps per semitone from 27.5 Hz, and the
// resonance compensation. They replace tan() in the sample loop.
#pragma once

#include <vector>

namespace calverine {

class FilterTables {
public:
    static constexpr int kEntries = 29502;
    static constexpr float kIndexScale = 29500.0f;  // cut-off control 0..1 -> index
    static constexpr double kLowest = 27.5;         // Hz at index 0
    static constexpr double kStepsPerOctave = 3072.0;

    // Allocates; not for the audio thread.
    void build(double sampleRate);

    // c: the cut-off control, already clamped to 0..0.98.
    static int indexOf(float c) { return static_cast<int>(c * kIndexScale); }
    float gain(int index) const { return gain_[static_cast<std::size_t>(index)]; }
    float compensation(int index) const { return compensation_[static_cast<std::size_t>(index)]; }
    // The tables themselves, for lookups of many lanes at once.
    const float* gains() const { return gain_.data(); }
    const float* compensations() const { return compensation_.data(); }
    static double frequencyAt(int index);

private:
    std::vector<float> gain_;
    std::vector<float> compensation_;
};

}  // namespace calverine
