#include "OscillatorBank.h"

#include "Vec4.h"

namespace calverine {

namespace {

struct OscillatorVec {
    Vec4 phase, sawCarry, pulseCarry, triangle, high;  // high: a mask

    void gather(OscillatorState* const (&states)[4][2], int n) {
        float f[5][4];
        for (int l = 0; l < 4; ++l) {
            const OscillatorState& s = *states[l][n];
            f[0][l] = s.phase;
            f[1][l] = s.sawCarry;
            f[2][l] = s.pulseCarry;
            f[3][l] = s.triangle;
            f[4][l] = Vec4::bits(s.high);
        }
        phase = Vec4::loadUnaligned(f[0]);
        sawCarry = Vec4::loadUnaligned(f[1]);
        pulseCarry = Vec4::loadUnaligned(f[2]);
        triangle = Vec4::loadUnaligned(f[3]);
        high = Vec4::loadUnaligned(f[4]);
    }

    void scatter(OscillatorState* const (&states)[4][2], int n) const {
        float f[5][4];
        phase.storeUnaligned(f[0]);
        sawCarry.storeUnaligned(f[1]);
        pulseCarry.storeUnaligned(f[2]);
        triangle.storeUnaligned(f[3]);
        high.storeUnaligned(f[4]);
        for (int l = 0; l < 4; ++l) {
            OscillatorState& s = *states[l][n];
            s.phase = f[0][l];
            s.sawCarry = f[1][l];
            s.pulseCarry = f[2][l];
            s.triangle = f[3][l];
            s.high = f[4][l] != 0.0f || std::isnan(f[4][l]);
        }
    }
};

// The share of a jump of height h that t sub-samples ago went into the
// current sub-sample (taken off it) and into the next one (carried), in the
// lanes of `mask`.
void jump(Vec4 mask, Vec4 h, Vec4 t, Vec4& current, Vec4& carry) {
    const Vec4 one(1.0f);
    t = min(max(t, Vec4(0.0f)), one);
    const Vec4 t3 = t * t * t;
    const Vec4 r1 = t3 - Vec4(0.5f) * t3 * t;
    const Vec4 u = one - t;
    const Vec4 u3 = u * u * u;
    const Vec4 r2 = Vec4(0.5f) * u3 * u - u3;
    current = current - (mask & (h * (one - r1)));
    carry = carry + (mask & (h * r2));
}

// One sub-sample of four oscillators; wrapped: the mask of lanes whose phase
// wrapped, t: how long ago, as a fraction of the sub-sample.
void tick(OscillatorVec& o, Vec4 increment, Vec4 width, Vec4& saw, Vec4& pulse, Vec4& wrapped, Vec4& t) {
    const Vec4 one(1.0f), two(2.0f);
    saw = o.sawCarry;
    pulse = o.pulseCarry;
    o.sawCarry = o.pulseCarry = Vec4(0.0f);
    o.phase = o.phase + increment;
    wrapped = o.phase >= one;
    o.phase = o.phase - (wrapped & one);
    const Vec4 falls = select(wrapped, o.phase >= width, o.high & (o.phase >= width));
    if (any(wrapped | falls)) {
        const Vec4 inverse = reciprocal(increment);
        t = o.phase * inverse;
        jump(wrapped, Vec4(-2.0f), t, saw, o.sawCarry);
        jump(andNot(o.high, wrapped), two, t, pulse, o.pulseCarry);
        jump(falls, Vec4(-2.0f), (o.phase - width) * inverse, pulse, o.pulseCarry);
        o.high = andNot(falls, o.high | wrapped);
    }
    saw = saw + two * o.phase - one;
    pulse = pulse + select(o.high, one, Vec4(-1.0f));
}

// Hard sync in the lanes of `reset`: the phase restarts t sub-samples ago.
void restart(OscillatorVec& o, Vec4 reset, Vec4 increment, Vec4 t, Vec4 width, Vec4& saw, Vec4& pulse) {
    const Vec4 one(1.0f), two(2.0f);
    const Vec4 atReset = max(o.phase - increment * t, Vec4(0.0f));
    const Vec4 before = two * atReset - one;
    saw = saw - (reset & (two * o.phase - one));
    pulse = pulse - (reset & select(o.high, one, Vec4(-1.0f)));
    o.phase = select(reset, increment * t, o.phase);
    jump(reset, Vec4(-1.0f) - before, t, saw, o.sawCarry);
    jump(andNot(o.high, reset), two, t, pulse, o.pulseCarry);
    o.high = select(reset, o.phase < width, o.high);
    saw = saw + (reset & (two * o.phase - one));
    pulse = pulse + (reset & select(o.high, one, Vec4(-1.0f)));
}

}  // namespace

void formIncrements(OscillatorLanes& s, int start, int length) {
    for (int n = 0; n < 2; ++n) {
        const int bit = 1 << n;
        const Vec4 moving(s.moving[0] & bit ? 1.0f : 0.0f, s.moving[1] & bit ? 1.0f : 0.0f,
                          s.moving[2] & bit ? 1.0f : 0.0f, s.moving[3] & bit ? 1.0f : 0.0f);
        const Vec4 mask = Vec4(0.0f) < moving;
        if (!any(mask)) continue;
        float (*increments)[4] = n == 0 ? s.increment1 : s.increment2;
        const float (*exponents)[4] = n == 0 ? s.exponent1 : s.exponent2;
        const Vec4 smallest(1e-9f), largest(s.maxIncrement);
        for (int i = start; i < start + length; ++i) {
            const Vec4 increment = max(min(exp2(Vec4::load(exponents[i])), largest), smallest);
            select(mask, increment, Vec4::load(increments[i])).store(increments[i]);
        }
    }
}

void renderOscillators(OscillatorState* const (&states)[4][2], const OscillatorLanes& s, const float* noise, int start,
                       int length, LaneBlock& lanes) {
    OscillatorVec osc1, osc2;
    osc1.gather(states, 0);
    osc2.gather(states, 1);
    const Vec4 saw1 = Vec4::load(s.saw1), pulse1 = Vec4::load(s.pulse1), triangle1 = Vec4::load(s.triangle1);
    const Vec4 saw2 = Vec4::load(s.saw2), pulse2 = Vec4::load(s.pulse2), triangle2 = Vec4::load(s.triangle2);
    const Vec4 level1 = Vec4::load(s.level1), level2 = Vec4::load(s.level2);
    const Vec4 noiseOn = Vec4::load(s.noise), inputLevel = Vec4::load(s.inputLevel);
    const Vec4 crossMod = Vec4::load(s.crossMod), crossScale = crossMod * Vec4::load(s.ratioLog2);
    const Vec4 syncOn = Vec4(0.0f) < Vec4::load(s.sync);
    const bool anyTriangle = any((Vec4(0.0f) < triangle1) | (Vec4(0.0f) < triangle2));
    const bool anyCrossMod = any(Vec4(0.0f) < crossMod);
    const bool anySync = any(syncOn);
    const Vec4 smallest(1e-9f), largest(s.maxIncrement), leak(0.05f), four(4.0f), one(1.0f);

    for (int i = start; i < start + length; ++i) {
        const Vec4 increment1 = Vec4::load(s.increment1[i]);
        const Vec4 width1 = Vec4::load(s.width1[i]), width2 = Vec4::load(s.width2[i]);
        const Vec4 baseIncrement2 = Vec4::load(s.increment2[i]);
        const Vec4 noiseIn = noiseOn * Vec4(noise[i]);
        for (int j = 0; j < 4; ++j) {
            Vec4 saw, pulse, wrapped, t;
            tick(osc1, increment1, width1, saw, pulse, wrapped, t);
            Vec4 out1 = saw1 * saw + pulse1 * pulse;
            if (anyTriangle) {
                osc1.triangle = osc1.triangle * (one - leak * increment1) + four * increment1 * pulse;
                out1 = out1 + triangle1 * osc1.triangle;
            }
            Vec4 increment2 = baseIncrement2;
            if (anyCrossMod) increment2 = min(max(baseIncrement2 * exp2(crossScale * out1), smallest), largest);
            Vec4 saw2nd, pulse2nd, wrapped2, t2;
            tick(osc2, increment2, width2, saw2nd, pulse2nd, wrapped2, t2);
            if (anySync) {
                const Vec4 reset = syncOn & wrapped;
                if (any(reset)) restart(osc2, reset, increment2, t, width2, saw2nd, pulse2nd);
            }
            Vec4 out2 = saw2 * saw2nd + pulse2 * pulse2nd;
            if (anyTriangle) {
                osc2.triangle = osc2.triangle * (one - leak * increment2) + four * increment2 * pulse2nd;
                out2 = out2 + triangle2 * osc2.triangle;
            }
            ((out1 * level1 + out2 * level2 + noiseIn) * inputLevel).store(lanes.input[4 * i + j]);
        }
    }
    osc1.scatter(states, 0);
    osc2.scatter(states, 1);
}

}  // namespace calverine
