// The vector oscillators agree with the one-voice reference, lane by lane.
#include "OscillatorBank.h"
#include "Vec4.h"
#include "LoopWidths.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace calverine;

namespace {

struct LaneSetup {
    float increment1, increment2, width;
    bool saw, pulse, sync;
    float crossMod;
};

// Renders `outputs` output samples of two groups of four lanes (group g set
// up by setups[g], at its own rate's 15 kHz limit) through the bank, with
// only oscillator `which` audible, and the same through the reference.
void compare(const LaneSetup (*setups)[4], int which, int outputs) {
    OscillatorLanes lanes[2] = {};
    OscillatorState bank[2][4][2], reference[2][4][2];
    OscillatorState* states[2][4][2];
    WaveMix mixes[2][4];
    float widths[2][4];
    for (int g = 0; g < 2; ++g)
        for (int l = 0; l < 4; ++l) {
            OscillatorLanes& o = lanes[g];
            o.maxIncrement[l] = 15000.0f / (g == 0 ? 176400.0f : 384000.0f);
            const LaneSetup& s = setups[g][l];
            const WaveMix& mix = mixes[g][l] = WaveMix::fromSwitches(s.saw, s.pulse);
            const float width = widths[g][l] = mix.forceHalfWidth ? 0.5f : s.width;
            for (int i = 0; i < 16; ++i) o.width1[i][l] = o.width2[i][l] = width;
            o.saw1[l] = o.saw2[l] = mix.saw;
            o.pulse1[l] = o.pulse2[l] = mix.pulse;
            o.triangle1[l] = o.triangle2[l] = mix.triangle;
            o.level1[l] = which == 0 ? 1.0f : 0.0f;
            o.level2[l] = which == 1 ? 1.0f : 0.0f;
            o.inputLevel[l] = 1.0f;
            o.sync[l] = s.sync ? 1.0f : 0.0f;
            o.crossMod[l] = s.crossMod;
            o.ratioLog2[l] = 1.0f;
            for (int i = 0; i < 16; ++i) {
                o.increment1[i][l] = s.increment1;
                o.increment2[i][l] = s.increment2;
            }
            for (int n = 0; n < 2; ++n) {
                bank[g][l][n].phase = reference[g][l][n].phase = 0.1f * (l + 1) + 0.3f * n + 0.05f * g;
                states[g][l][n] = &bank[g][l][n];
            }
        }
    const float noise[16] = {};
    LaneBlock blocks[2] = {};
    int done = 0;
    std::vector<float> got[2][4];
    while (done < outputs) {
        const int n = std::min(13, outputs - done);  // odd segment lengths
        renderOscillators(states, lanes, noise, 0, n, blocks, 2);
        for (int g = 0; g < 2; ++g)
            for (int j = 0; j < 4 * n; ++j)
                for (int l = 0; l < 4; ++l) got[g][l].push_back(blocks[g].input[j][l]);
        done += n;
    }
    for (int g = 0; g < 2; ++g)
        for (int l = 0; l < 4; ++l) {
            const LaneSetup& s = setups[g][l];
            const WaveMix& mix = mixes[g][l];
            const float width = widths[g][l];
            OscillatorState(&r)[2] = reference[g][l];
            for (std::size_t k = 0; k < got[g][l].size(); ++k) {
                float saw, pulse;
                const float wrap = r[0].tick(s.increment1, width, saw, pulse);
                float out1 = mix.saw * saw + mix.pulse * pulse;
                if (mix.triangle > 0.0f) out1 += mix.triangle * r[0].integrate(pulse, s.increment1);
                float increment2 = s.increment2;
                if (s.crossMod > 0.0f)
                    increment2 = std::min(increment2 * std::exp2(s.crossMod * out1), lanes[g].maxIncrement[l]);
                r[1].tick(increment2, width, saw, pulse);
                if (s.sync && wrap >= 0.0f) r[1].reset(increment2, wrap, width, saw, pulse);
                float out2 = mix.saw * saw + mix.pulse * pulse;
                if (mix.triangle > 0.0f) out2 += mix.triangle * r[1].integrate(pulse, increment2);
                EXPECT_NEAR(got[g][l][k], which == 0 ? out1 : out2, 2e-4f)
                    << "group " << g << " lane " << l << " sub-sample " << k;
            }
        }
}

}  // namespace

// Every lane as the reference, with the triangle, sync and cross-modulation
// switched on in one group of a vector and off in the other.
TEST(OscillatorBank, LanesMatchTheOneVoiceReference) {
    const LaneSetup plain[4] = {
        {0.013f, 0.021f, 0.5f, true, false, false, 0.0f},   // saw
        {0.0071f, 0.0093f, 0.3f, false, true, false, 0.0f},  // pulse
        {0.031f, 0.017f, 0.7f, true, true, false, 0.0f},     // both
        {0.0023f, 0.0051f, 0.45f, true, false, false, 0.0f},
    };
    const LaneSetup shaped[4] = {
        {0.011f, 0.013f, 0.5f, true, false, false, 0.8f},    // cross-modulated
        {0.009f, 0.027f, 0.4f, false, true, true, 0.3f},     // synced too
        {0.0023f, 0.0051f, 0.5f, false, false, false, 0.0f}, // the triangle
        {0.02f, 0.007f, 0.6f, true, false, true, 1.0f},
    };
    LaneSetup groups[2][4], swapped[2][4];
    for (int l = 0; l < 4; ++l) {
        groups[0][l] = swapped[1][l] = plain[l];
        groups[1][l] = swapped[0][l] = shaped[l];
    }
    forEachLoopWidth([&](bool) {
        for (int which : {0, 1}) {
            compare(groups, which, 301);
            compare(swapped, which, 211);
        }
    });
}
