// The reverb: early reflections, nested-allpass diffusion, a sixteen-line
// feedback network, octave shimmer and chorale formants. It runs at 88 kHz
// or less; above that the effects chain hands it a decimated signal.
//
// Threads: the constructor allocates every buffer. setSampleRate and clear
// run on the audio thread (or before it starts); setControl and setOffsets
// write plain fields that process() reads once per slice. process() never
// allocates, locks or waits.
#pragma once

#include "RealFft.h"
#include "Svf.h"

#include <array>
#include <cstdint>
#include <vector>

namespace calverine {

class ReverbUnit {
public:
    // The offsets of the matrix destinations "RV Time", "RV Color",
    // "RV Width", "RV Regen", "RV Shimmer" and "RV Dry/Wet", in that order.
    static constexpr int kOffsets = 6;

    // The shimmer's FFT size (the unit never runs above 88 kHz) and its hop.
    static constexpr int kFftSize = 4096;
    static constexpr int kHop = kFftSize / 16;
    static constexpr int kLines = 16;
    static constexpr int kTaps = 6;
    static constexpr int kFormants = 4;
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
    // Stage 1 zeroes the sixteen network lines and their damping states (the
    // effects switch-off runs it last); any other stage clears every ring,
    // filter and the shimmer engine.
    void clear(int stage);

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
    struct FormantState {
        // Trapezoidal state-variable section, four lanes.
        std::array<float, 4> previous{}, band{}, low{};
    };
    struct Formant {
        float bandGain = 0.0f;
        TrapezoidCoefficients section;
    };

    static constexpr int kRingSize = 8192;
    static constexpr unsigned kRingMask = kRingSize - 1;
    static constexpr int kEarlySize = 16384;  // holds the 10000 samples the taps need
    static constexpr unsigned kEarlyMask = kEarlySize - 1;
    static constexpr unsigned kFftMask = kFftSize - 1;
    static constexpr int kFeedbackSize = 4096;

    // The delay lengths of the table at 44100 Hz, scaled to rate: truncated,
    // made odd and raised to the next prime.
    static int scaledLength(int lengthAt44k, double rate);
    float clamped(float value, int offset) const;
    void updateCoefficients(int n);
    void updateChorale(float color);
    float shimmerSample(float in);
    void shimmerFrame();
    void chorale(int n, float* l, float* r);
    void clearShimmer();

    // Parameters as set, and the matrix offsets. They start at the parameter
    // table's defaults (the on switch too), except the mix, which starts at 1.
    bool on_ = true;
    bool chorale_ = false;
    float time_ = 0.5f, color_ = 0.2f, shimmer_ = 0.0f, regen_ = 0.0f, width_ = 1.0f, mix_ = 1.0f;
    std::array<float, kOffsets> offsets_{};

    double rate_ = 0.0;
    int intRate_ = 0;
    float mixCoefficient_ = 0.0f;  // exp(-2 pi 10 / rate)
    float inputLowpass_ = 0.0f;    // 1 - exp(-2 pi 10500 / rate)

    // Per-slice values.
    float lastTime_ = -1.0f;
    float feedback_ = 0.0f;  // g
    float damping_ = 0.9f;   // c
    float lastVowel_ = -1.0f;
    float shimmerGain_ = 0.0f, regenGain_ = 0.0f;
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

    // Shimmer engine.
    // Every transform is N/2 points: the forward one is split into even and
    // odd samples, and the octave-up read-out needs only even samples.
    RealFft halfFft_;
    std::vector<float> halfEven_, halfOdd_;
    std::vector<float> twiddleRe_, twiddleIm_;  // exp(-2 pi i k / N), k = 1 .. N/5 - 1
    std::vector<float> synthesisWindow_;  // W at the even points, times 1/2
    std::vector<float> analysis_, accumulation_, output_, frame_, window_, feedbackRing_;
    unsigned shimmerPos_ = 0;
    int hopCounter_ = 0;
    unsigned feedbackPos_ = 0;
    unsigned feedbackDelay_ = 3809;
    float shimmerFeedback_ = 0.0f;
    std::array<float, kMaxSlice> shimmerSlice_{};
    int silentInput_ = 0;  // samples since the analysis ring last took a nonzero value

    // Chorale.
    std::array<Formant, kFormants> formant_{};
    std::array<FormantState, kFormants> formantState_{};
    SvfCoefficients close_;  // the closing two-pole filter
    std::array<float, 2> closeS1_{}, closeS2_{};
    float previousL_ = 0.0f, previousR_ = 0.0f;
};

}  // namespace calverine
