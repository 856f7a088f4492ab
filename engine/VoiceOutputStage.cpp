#include "VoiceOutputStage.h"

#include <cmath>

#include "RationalTanh.h"
#include "Vec4.h"

namespace calverine {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr float kTwoPoleInput = 0.8333333f;
constexpr float kFlushState = 1e-15f;  // filter states below this are zeroed between passes

// The carried state of four lanes as vectors.
struct LaneState {
    Vec4 inputDc, s1, s2, s3, s4, feedbackLow, feedback, outputDc, h1, h2, presence;
    Vec4 panLeft, panRight, presenceCoefficient;

    void gather(OutputLane* const lanes) {
        float f[14][4];
        for (int l = 0; l < 4; ++l) {
            const FilterState& s = *lanes[l].state;
            const float values[14] = {s.inputDc,   s.stage[0],   s.stage[1],     s.stage[2],   s.stage[3],
                                      s.feedbackLow, s.feedback, s.outputDc,     s.highPass[0], s.highPass[1],
                                      s.presence,  lanes[l].panLeft, lanes[l].panRight, lanes[l].presence};
            for (int k = 0; k < 14; ++k) f[k][l] = values[k];
        }
        Vec4* all[14] = {&inputDc, &s1, &s2, &s3, &s4, &feedbackLow, &feedback, &outputDc,
                         &h1,      &h2, &presence, &panLeft, &panRight, &presenceCoefficient};
        for (int k = 0; k < 14; ++k) *all[k] = Vec4::loadUnaligned(f[k]);
    }

    void scatter(OutputLane* const lanes) const {
        const Vec4* all[11] = {&inputDc, &s1, &s2, &s3, &s4, &feedbackLow, &feedback, &outputDc, &h1, &h2, &presence};
        float f[11][4];
        for (int k = 0; k < 11; ++k) all[k]->storeUnaligned(f[k]);
        for (int l = 0; l < 4; ++l) {
            FilterState& s = *lanes[l].state;
            float* fields[11] = {&s.inputDc,   &s.stage[0],   &s.stage[1], &s.stage[2],    &s.stage[3], &s.feedbackLow,
                                 &s.feedback,  &s.outputDc,   &s.highPass[0], &s.highPass[1], &s.presence};
            for (int k = 0; k < 11; ++k) *fields[k] = std::fabs(f[k][l]) < kFlushState ? 0.0f : f[k][l];
        }
    }
};

Vec4 lookup(const FilterTables& tables, const float* cutoff, bool compensation) {
    float v[4];
    for (int l = 0; l < 4; ++l) {
        const int index = FilterTables::indexOf(cutoff[l]);
        v[l] = compensation ? tables.compensation(index) : tables.gain(index);
    }
    return Vec4::loadUnaligned(v);
}

// What the filters need from the cut-off and resonance controls. The voices
// deliver those once per output sample (the same value in its four
// sub-samples), so this is formed every fourth sub-sample.
struct Coefficients {
    Vec4 g;          // prewarped integrator gain
    Vec4 linearDamping;  // two-pole: 1.5 (1 - t r^2) + 0.35
    Vec4 G, inv, G2, G4;  // four-pole: g / (1 + g), 1 / (1 + g), powers of G
    Vec4 feedback;        // four-pole: 3.42 r + 0.38

    template <bool FourPole>
    void prepare(const LaneBlock& block, int j, const FilterTables& tables) {
        const Vec4 one(1.0f);
        const Vec4 r = Vec4::load(block.resonance[j]);
        g = lookup(tables, block.cutoff[j], false);
        if constexpr (!FourPole) {
            const Vec4 t = lookup(tables, block.cutoff[j], true);
            linearDamping = Vec4(1.5f) * (one - t * r * r) + Vec4(0.35f);
        } else {
            inv = reciprocal(one + g);
            G = g * inv;
            G2 = G * G;
            G4 = G2 * G2;
            feedback = Vec4(3.42f) * r + Vec4(0.38f);
        }
    }
};

template <bool FourPole, bool BandPass, bool Saturate>
Vec4 processLanes(LaneState& s, const Coefficients& c, const LaneBlock& block, int j, const OutputStageConstants& k) {
    const Vec4 one(1.0f), two(2.0f);
    Vec4 x = Vec4::load(block.input[j]);
    const Vec4 g = c.g;
    Vec4 y;
    if constexpr (!FourPole) {
        // Two-pole state-variable filter, trapezoidal, with saturating damping.
        x = x * Vec4(kTwoPoleInput);
        s.inputDc += (x - s.inputDc) * Vec4(k.inputDc);
        x = x - s.inputDc;
        const Vec4 damping = c.linearDamping - Vec4(0.35f * 0.7f) * tanhRatioRough(s.s1);
        const Vec4 bp = (s.s1 + g * (x - s.s2)) * reciprocal(one + g * damping + g * g);
        const Vec4 lp = s.s2 + g * bp;
        s.s1 += two * g * (x - lp - damping * bp);
        s.s2 += two * g * bp;
        y = (BandPass ? bp : lp) * Vec4(1.0f / kTwoPoleInput);
    } else {
        // Four one-pole stages with zero-delay feedback through an 8 Hz high-pass.
        x = x * Vec4(0.5f);
        s.inputDc += (x - s.inputDc) * Vec4(k.inputDc);
        x = x - s.inputDc;
        const Vec4 G = c.G, G2 = c.G2, G4 = c.G4;
        const Vec4 G8(k.feedbackGain);
        const Vec4 w = Vec4(16.0f * 0.46904158f) * s.feedback;  // 16 sqrt(0.22)
        const Vec4 kf = c.feedback * tanhRatioRough(w);
        const Vec4 S8 = s.feedbackLow * Vec4(1.0f - k.feedbackGain);
        // Each stage's output is G^k u plus what its memories give: the
        // stages' memories, times 1 + g, seen from stage k.
        const Vec4 m2 = G * s.s1 + s.s2;
        const Vec4 m3 = G * m2 + s.s3;
        const Vec4 sum = G * m3 + s.s4;
        const Vec4 y4 = (G4 * (x + kf * S8) + sum * c.inv) * reciprocal(one + kf * G4 * (one - G8));
        const Vec4 u = x - kf * ((one - G8) * y4 - S8);
        // The cascade in closed form: all four outputs at once from u, so the
        // feedback loop does not wait on four stages in a row.
        const Vec4 y1 = G * u + c.inv * s.s1;
        const Vec4 y2 = G2 * u + c.inv * m2;
        const Vec4 y3 = G2 * G * u + c.inv * m3;
        const Vec4 out4 = y4;  // the solve already gave the last stage's output
        s.s1 = two * y1 - s.s1;
        s.s2 = two * y2 - s.s2;
        s.s3 = two * y3 - s.s3;
        s.s4 = two * out4 - s.s4;
        const Vec4 v8 = (out4 - s.feedbackLow) * G8;
        const Vec4 low = v8 + s.feedbackLow;
        s.feedbackLow = low + v8;
        s.feedback = out4 - low;
        y = BandPass ? Vec4(4.0f) * (y2 - two * y3 + out4) : out4;
        y = y * two;
    }
    y = y * Vec4::load(block.gain[j]);

    // DC blocking: 5 Hz one-pole, then a 10 Hz two-pole high-pass.
    s.outputDc += (y - s.outputDc) * Vec4(k.outputDc);
    y = y - s.outputDc;
    const Vec4 bp = Vec4(k.highPass[0]) * s.h1 + Vec4(k.highPass[1]) * (y - s.h2);
    const Vec4 lp = s.h2 + Vec4(k.highPass[1]) * s.h1 + Vec4(k.highPass[2]) * (y - s.h2);
    s.h1 = two * bp - s.h1;
    s.h2 = two * lp - s.h2;
    y = y - Vec4(1.6f) * bp - lp;

    // presence
    y = s.presence + (y - s.presence) * s.presenceCoefficient;
    s.presence = y;

    if constexpr (Saturate) {
        // 0.4 tanh(3.5 y). The rational form rises past 1 beyond |u| = 3.4;
        // held at |u| <= 3 (where it reads 0.9955) it never leaves +-0.4.
        const Vec4 u = min(max(Vec4(3.5f) * y, Vec4(-3.0f)), Vec4(3.0f));
        y = Vec4(0.4f) * u * tanhRatio(u);
    }
    return y;
}

template <bool FourPole, bool BandPass, bool Saturate>
void run(const LaneBlock* const* blocks, OutputLane* const* lanes, int vectors, int subSamples,
         const FilterTables& tables, const OutputStageConstants& k, float* mixLeft, float* mixRight) {
    LaneState state[4];
    Coefficients coefficients[4];
    for (int v = 0; v < vectors; ++v) state[v].gather(lanes[v]);
    for (int j = 0; j < subSamples; ++j) {
        Vec4 left, right;
        for (int v = 0; v < vectors; ++v) {
            if ((j & 3) == 0) coefficients[v].prepare<FourPole>(*blocks[v], j, tables);
            const Vec4 y = processLanes<FourPole, BandPass, Saturate>(state[v], coefficients[v], *blocks[v], j, k);
            left += y * state[v].panLeft;
            right += y * state[v].panRight;
        }
        alignas(16) float l[4], r[4];
        left.store(l);
        right.store(r);
        float sumLeft = mixLeft[j] + ((l[0] + l[1]) + (l[2] + l[3]));
        float sumRight = mixRight[j] + ((r[0] + r[1]) + (r[2] + r[3]));
        mixLeft[j] = (sumLeft > -1e-6f && sumLeft < 1e-6f) ? 0.0f : sumLeft;
        mixRight[j] = (sumRight > -1e-6f && sumRight < 1e-6f) ? 0.0f : sumRight;
    }
    for (int v = 0; v < vectors; ++v) state[v].scatter(lanes[v]);
}

}  // namespace

void OutputStageConstants::configure(double fs4) {
    inputDc = static_cast<float>(1.0 - std::exp(-2.0 * kPi * 1.0 / fs4));
    outputDc = static_cast<float>(1.0 - std::exp(-2.0 * kPi * 5.0 / fs4));
    const double g = std::tan(kPi * 10.0 / fs4);
    const double a1 = 1.0 / (1.0 + g * (g + 1.6));
    highPass[0] = static_cast<float>(a1);
    highPass[1] = static_cast<float>(g * a1);
    highPass[2] = static_cast<float>(g * g * a1);
    const double g8 = std::tan(kPi * 8.0 / fs4);
    feedbackGain = static_cast<float>(g8 / (1.0 + g8));
}

void runOutputStage(const OutputStageMode& mode, const LaneBlock* const* blocks, OutputLane* const* lanes,
                    int vectors, int subSamples, const FilterTables& tables, const OutputStageConstants& k,
                    float* mixLeft, float* mixRight) {
    using Fn = void (*)(const LaneBlock* const*, OutputLane* const*, int, int, const FilterTables&,
                        const OutputStageConstants&, float*, float*);
    static const Fn table[8] = {run<false, false, false>, run<false, false, true>, run<false, true, false>,
                                run<false, true, true>,   run<true, false, false>, run<true, false, true>,
                                run<true, true, false>,   run<true, true, true>};
    const int which = (mode.fourPole ? 4 : 0) + (mode.bandPass ? 2 : 0) + (mode.saturate ? 1 : 0);
    table[which](blocks, lanes, vectors, subSamples, tables, k, mixLeft, mixRight);
}

}  // namespace calverine
