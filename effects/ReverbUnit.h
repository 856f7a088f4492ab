// The reverb: early reflections, nested-allpass diffusion, a sixteen-line
// feedback network, octave shimmer and chorale formants. It runs at 88 kHz
// or less; above that the effects chain hands it a decimated signal.
#pragma once

namespace calverine {

class ReverbUnit {
public:
    // The offsets of the matrix destinations "RV Time", "RV Color",
    // "RV Width", "RV Regen", "RV Shimmer" and "RV Dry/Wet", in that order.
    static constexpr int kOffsets = 6;

    ReverbUnit();
    ~ReverbUnit();
    ReverbUnit(const ReverbUnit&) = delete;
    ReverbUnit& operator=(const ReverbUnit&) = delete;

    // At most 88000 Hz. Clears everything.
    void setSampleRate(double rate);
    // A reverb control (ids 83, 90-95, 119 ...); returns false for any other id.
    bool setControl(int id, float value);
    void setOffsets(const float* offsets);

    bool isOn() const { return on_; }
    // The smoothed mix level after the last slice (mix squared times the
    // effects input gain), for the reduced-rate path's blend.
    float smoothedMix() const { return smoothedMix_; }

    // n <= 16 samples in place. With wetOnly the buffers receive the wet
    // signal alone.
    void process(int n, float* left, float* right, float inputGain, bool wetOnly);
    void clear(int stage);

private:
    bool on_ = false;
    float smoothedMix_ = 0.0f;
};

}  // namespace calverine
