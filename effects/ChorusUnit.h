// Chorus and ensemble. Both share the input filters (a low-pass, then a
// high-pass one sample later) and two rings: the chorus reads one
// triangle-modulated tap per channel and cross-mixes them with the dry
// signal; the ensemble reads three taps per channel moved by three-phase
// sine pairs, fully wet, the dry/wet control acting as depth.
#pragma once

#include <cstdint>

#include "Svf.h"

namespace calverine {

class ChorusUnit {
public:
    // The offsets of "CH Low Cut", "CH High Cut", "CH Rate" and
    // "CH Dry/Wet", in that order (the engine's destination order).
    static constexpr int kOffsets = 4;
    static constexpr int kRing = 8192;

    ChorusUnit() { setSampleRate(44100.0); }
    void setSampleRate(double rate);
    // A chorus control id; false for any other.
    bool setControl(int id, double value);

    // n <= 16 samples in place.
    void process(int n, float* left, float* right, const float* offsets);
    void clear();

    bool isOn() const { return on_; }
    double lfoFrequency() const { return lfoHz_; }
    // The delays in samples of the chorus taps A and B at the current
    // triangle phase.
    double chorusTapDelay(int tap) const;

private:
    struct Smoothed {
        double current = 0.0, target = 0.0;
    };
    // Parameter and offset order.
    enum { kLowCut, kHighCut, kRate, kDepth };

    void updateRate(float r);
    float tap(const float* ring, double delay) const;
    struct Inputs {
        float left, right;  // the inputs after the silence floor
        float toA, toB;     // what the rings receive
    };
    Inputs beginSample(float left, float right, double wetStep);
    void processChorus(int n, float* left, float* right, double wetStep);
    void processEnsemble(int n, float* left, float* right, double wetStep);
    void resetOscillators();

    double rate_ = 44100.0;
    double smoothing_ = 0.0;
    Smoothed params_[4];
    double wet_ = 0.0;
    double lfoHz_ = 0.0;
    float lastRate_ = -1.0f;
    double lastLowCut_ = -1.0, lastHighCut_ = -1.0;
    double phase_ = 0.0;  // the chorus triangle, -2..2

    // filter lanes: 0 right low-pass, 1 left low-pass, 2 right high-pass, 3 left high-pass
    float s1_[4] = {}, s2_[4] = {};
    float lowOut_[2] = {};  // lanes 0, 1 of the previous sample
    SvfCoefficients lowPass_, highPass_;
    static constexpr float kLowPassDamping = 0.8f;
    static constexpr float kHighPassDamping = 1.4f;

    float ringA_[kRing] = {};  // fed by the right channel
    float ringB_[kRing] = {};  // fed by the left channel
    std::uint32_t write_ = 0;

    // ensemble: rotation pairs and six (sin, cos) oscillators, slow and fast
    // for each of the three phases
    double slowCos_ = 1.0, slowSin_ = 0.0, fastCos_ = 1.0, fastSin_ = 0.0;
    double oscSin_[6] = {}, oscCos_[6] = {};

    // controls, written from any thread
    bool on_ = true, wasOn_ = false, ensemble_ = false;  // on, as the patch defaults have it
};

}  // namespace calverine
