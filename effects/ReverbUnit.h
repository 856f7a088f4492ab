// The reverb: early reflections, nested-allpass diffusion and a sixteen-line
// feedback network, fed through the octave shimmer (OctaveShimmer.h) and,
// when switched on, the chorale formants (VowelChorale.h). It runs at 88 kHz
// or less; above that the effects chain hands it a decimated signal.
//
// Threads: the constructor allocates every buffer. setSampleRate and clear
// run on the audio thread (or before it starts); setControl and setOffsets
// write plain fields that process() reads once per slice. process() never
// allocates, locks or waits.
#pragma once

#include "OctaveShimmer.h"
#include "VowelChorale.h"

#include <array>
#include <cstdint>
#include <vector>

namespace calverine {

class ReverbUnit {
public:
    // The offsets of the matrix destinations "RV Time", "RV Color",
    // "RV Width", "RV Regen", "RV Shimmer" and "RV Dry/Wet", in that order.
    static constexpr int kOffsets = 6;

    static constexpr int kLines = 16;
    static constexpr int kTaps = 6;
    static constexpr int kMaxSlice = 16;
    // Floats past each ring's end that repeat its start (a slice plus one).
    static constexpr int kRingGuard = 32;

    ReverbUnit();
    ~ReverbUnit();
    ReverbUnit(const ReverbUnit&) = delete;
    ReverbUnit& operator=(const ReverbUnit&) = delete;

    // At most 88000 Hz. Clears everything.
    void setSampleRate(double rate);
    // A reverb control (ids 83, 90-95, 119); returns false for any other id.
    bool setControl(int id, float value);
    void setOffsets(const float* offsets);

    bool isOn() const { return on_; }
    // The smoothed mix level after the last slice (mix squared times the
    // effects input gain), for the reduced-rate path's blend.
    float smoothedMix() const { return smoothedMix_; }

    // n <= 16 samples in place. With wetOnly the buffers receive the wet
    // signal alone.
    void process(int n, float* left, float* right, float inputGain, bool wetOnly);

    enum class Clear {
        Network,  // the sixteen network lines and their damping states (the effects switch-off's last step)
        All,      // every ring and filter, the shimmer and the chorale
    };
    void clear(Clear what);

    // Read-only views for tests and measurements.
    double sampleRate() const { return rate_; }
    // Delay lengths in samples at the current rate.
    int inputAllpassLength(int channel) const { return inputAllpass_[channel].length; }
    int earlyTap(int channel, int tap) const { return earlyTaps_[channel][tap]; }
    int nestedLength(int unit, bool inner) const {
        return inner ? nested_[unit].inner.length : nested_[unit].outer.length;
    }
    int lineLength(int line) const { return lineLength_[line]; }
    // The shimmer engine alone: the samples S it added to the reverb's input
    // during the last slice (as many as that slice had).
    const float* shimmerSlice() const { return shimmerSlice_.data(); }
    // True when any stored state or ring holds a subnormal float.
    bool hasSubnormalState() const;

private:
    struct Ring {
        float* data = nullptr;  // kRingSize + kRingGuard floats inside storage_
        int length = 1;
    };
    struct NestedAllpass {
        Ring outer, inner;
    };

    static constexpr int kRingSize = 8192;
    static constexpr unsigned kRingMask = kRingSize - 1;
    static constexpr int kEarlySize = 16384;  // holds the 10000 samples the taps need
    static constexpr unsigned kEarlyMask = kEarlySize - 1;

    // The delay lengths of the table at 44100 Hz, scaled to rate: truncated,
    // made odd and raised to the next prime.
    static int scaledLength(int lengthAt44k, double rate);
    float clamped(float value, int offset) const;
    void updateCoefficients(int n);

    // Parameters as set, and the matrix offsets. They start at the parameter
    // table's defaults (the on switch too), except the mix, which starts at 1.
    bool on_ = true;
    bool choraleOn_ = false;
    float time_ = 0.5f, color_ = 0.2f, shimmer_ = 0.0f, regen_ = 0.0f, width_ = 1.0f, mix_ = 1.0f;
    std::array<float, kOffsets> offsets_{};

    double rate_ = 0.0;
    float mixCoefficient_ = 0.0f;  // exp(-2 pi 10 / rate)
    float inputLowpass_ = 0.0f;    // 1 - exp(-2 pi 10500 / rate)

    // Per-slice values.
    float lastTime_ = -1.0f;
    float feedback_ = 0.0f;  // g
    float damping_ = 0.9f;   // c
    float widthSmoothed_ = 1.0f;
    float smoothedMix_ = 0.0f;
    double phase_ = 0.0;
    std::array<int, kLines> delayWhole_{};
    std::array<float, kLines> delayFraction_{};

    // Every ring lives in one allocation made by the constructor.
    std::vector<float> storage_;
    std::uint32_t write_ = 0;  // one write counter for every ring

    // Input conditioning and early reflections.
    float lowL_ = 0.0f, lowR_ = 0.0f;
    std::array<float*, 2> early_{};
    std::array<std::array<int, kTaps>, 2> earlyTaps_{};
    std::array<Ring, 2> inputAllpass_{};
    std::array<NestedAllpass, 4> nested_{};

    // The network.
    std::array<float*, kLines> lines_{};
    std::array<int, kLines> lineLength_{};
    std::array<float, 8> dampState_{};

    OctaveShimmer octaveShimmer_;
    std::array<float, kMaxSlice> shimmerSlice_{};  // the shimmer samples of the last slice
    VowelChorale vowelChorale_;
};

}  // namespace calverine
