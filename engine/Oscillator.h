// One band-limited oscillator at the oversampled rate: sawtooth, pulse and a
// triangle (the integral of the band-limited square), with every jump
// smoothed by a two-sample polynomial band-limited step.
//
// A jump of height h that happened a fraction t of a sub-sample ago puts
// h * r1(t) of itself into the current sub-sample and h * (1 + r2(t)) into
// the next one (the step is centred one sub-sample after the jump), with
// r1(t) = t^3 - t^4/2 and r2(t) = (1 - t)^4/2 - (1 - t)^3. Since the naive
// waveform already holds the whole jump, the current sub-sample is corrected
// by -h * (1 - r1(t)) and the next one by h * r2(t), carried in the state.
#pragma once

#include <algorithm>

namespace calverine {

inline float blepCurrent(float t) {
    t = std::clamp(t, 0.0f, 1.0f);
    const float t3 = t * t * t;
    return t3 - 0.5f * t3 * t;
}

inline float blepNext(float t) {
    const float u = 1.0f - std::clamp(t, 0.0f, 1.0f);
    const float u3 = u * u * u;
    return 0.5f * u3 * u - u3;
}

// The gains of one oscillator's waveforms, from its Saw and Pulse switches.
struct WaveMix {
    float saw = 1.0f, triangle = 0.0f, pulse = 0.0f;
    bool forceHalfWidth = false;  // the triangle wants a 50 % square

    static WaveMix fromSwitches(bool saw, bool pulse) {
        if (saw && pulse) return {1.15f, 0.0f, 0.851f, false};
        if (saw) return {1.0f, 0.0f, 0.0f, false};
        if (pulse) return {0.0f, 0.0f, 0.74f, false};
        return {0.007f, 1.0f, 0.0f, true};
    }
};

struct OscillatorState {
    float phase = 0.0f;     // 0..1
    float sawCarry = 0.0f;  // corrections owed to the next sub-sample
    float pulseCarry = 0.0f;
    float triangle = 0.0f;  // leaky integral of the band-limited square
    bool high = true;       // which side of the pulse width the phase is on

    // One sub-sample: advances the phase and fills the band-limited saw and
    // pulse. Returns how long ago the phase wrapped, as a fraction of the
    // sub-sample, or -1 when it did not wrap. increment: phase advance per
    // sub-sample (> 0).
    float tick(float increment, float width, float& saw, float& pulse) {
        float wrapped = -1.0f;
        saw = sawCarry;
        pulse = pulseCarry;
        sawCarry = pulseCarry = 0.0f;
        phase += increment;
        if (phase >= 1.0f) {
            phase -= 1.0f;
            if (phase >= 1.0f) phase = 0.0f;  // an increment beyond a whole cycle
            const float t = phase / increment;
            wrapped = t;
            jump(-2.0f, t, saw, sawCarry);
            if (!high) {
                jump(2.0f, t, pulse, pulseCarry);
                high = true;
            }
        }
        if (high && phase >= width) {
            jump(-2.0f, (phase - width) / increment, pulse, pulseCarry);
            high = false;
        }
        saw += 2.0f * phase - 1.0f;
        pulse += high ? 1.0f : -1.0f;
        return wrapped;
    }

    // Hard sync: the phase restarts at 0 `t` sub-samples ago (0..1).
    void reset(float increment, float t, float width, float& saw, float& pulse) {
        const float atReset = std::max(phase - increment * t, 0.0f);
        const float before = 2.0f * atReset - 1.0f;
        // Undo the naive values of this sub-sample, restart, and jump.
        saw -= 2.0f * phase - 1.0f;
        pulse -= high ? 1.0f : -1.0f;
        phase = increment * t;
        jump(-1.0f - before, t, saw, sawCarry);
        if (!high) jump(2.0f, t, pulse, pulseCarry);
        high = phase < width;
        saw += 2.0f * phase - 1.0f;
        pulse += high ? 1.0f : -1.0f;
    }

    // The triangle: the band-limited square integrated, with a leak of about
    // twenty cycles so no offset builds up.
    float integrate(float square, float increment) {
        triangle = triangle * (1.0f - 0.05f * increment) + 4.0f * increment * square;
        return triangle;
    }

private:
    static void jump(float height, float t, float& current, float& carry) {
        current -= height * (1.0f - blepCurrent(t));
        carry += height * blepNext(t);
    }
};

}  // namespace calverine
