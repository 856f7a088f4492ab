// The oscillator, filter and envelope settings of one part (A or B) in engine
// form. Smoothed values glide once per 16-sample block.
#pragma once

#include "Envelope.h"
#include "Oscillator.h"

namespace calverine {

// A control that glides toward its target once per 16-sample block.
struct SmoothedValue {
    float current = 0.0f;
    float target = 0.0f;
    void step(float s) {
        current += (target - current) * s;
        if (current > -1e-6f && current < 1e-6f) current = 0.0f;
    }
    void jump(float value) { current = target = value; }
};

struct PartSettings {
    // oscillators
    SmoothedValue octave;     // semitones: 0, 12, 24, 36
    SmoothedValue semitone;   // oscillator 2: 0..63
    float detune = 0.0f;      // oscillator 2, semitones -0.5..0.5
    float crossMod = 0.0f;    // 0..1
    SmoothedValue pulseWidth{0.5f, 0.5f};        // 0.5..0.9, first stage
    SmoothedValue pulseWidthSmooth{0.5f, 0.5f};  // second stage, the one used
    bool saw1 = true, pulse1 = false, saw2 = true, pulse2 = false;
    bool sync = false;
    bool filterEnvelopeToOsc2 = false;
    WaveMix mix1 = WaveMix::fromSwitches(true, false);
    WaveMix mix2 = WaveMix::fromSwitches(true, false);

    // filter
    SmoothedValue cutoff{1.0f, 1.0f};  // "Filter Freq"^0.8
    SmoothedValue resonance;           // 0..1
    SmoothedValue envelopeAmount{0.57435f, 0.57435f};  // "Filter Mod"^0.8
    // 8 v + 0.001 for the filter input level control. No patch carries that
    // control, so it rests at 0.1: one note of the "Init Patch" (two saws)
    // peaks near -12 dBFS at the default volume, a six-note chord near 0 dBFS.
    static constexpr float kDefaultInputLevel = 0.1f;
    SmoothedValue inputLevel{kDefaultInputLevel, kDefaultInputLevel};
    float osc1Level = 1.0f;   // "Filter O1"
    int osc2Selector = 2;     // "Filter O2": 0 off, 1 -7.5 dB, 2 full
    bool noise = false;
    bool bandPass = false;
    bool fourPole = false;
    bool keyTrack = false;

    // envelopes: stored controls 59..66, derived times, smoothed sustains
    double envelopeControls[8] = {0.0, 0.5, 1.0, 0.0, 0.0, 0.5, 1.0, 0.0};
    EnvelopeTimes times;
    SmoothedValue filterSustain{1.0f, 1.0f}, ampSustain{1.0f, 1.0f};

    float osc2Gain() const { return osc2Selector <= 0 ? 0.0f : osc2Selector == 1 ? 0.4216965f : 1.0f; }
    void updateMixes() {
        mix1 = WaveMix::fromSwitches(saw1, pulse1);
        mix2 = WaveMix::fromSwitches(saw2, pulse2);
    }
    // Every smoothed value one block closer to its target.
    void smooth(float s) {
        for (SmoothedValue* v : {&octave, &semitone, &pulseWidth, &cutoff, &resonance, &envelopeAmount, &inputLevel,
                                 &filterSustain, &ampSustain})
            v->step(s);
        pulseWidthSmooth.target = pulseWidth.current;
        pulseWidthSmooth.step(s);
    }
};

}  // namespace calverine
