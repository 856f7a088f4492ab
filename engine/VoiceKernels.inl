// The voices' vector loops, written once for a vector type V of four or eight
// lanes: the band-limited oscillators and the filter and output stage.
//
// VoiceKernels.cpp includes this file once per vector type, each time inside
// an unnamed namespace of its own that names V (Vec4, or Vec8 in a region
// built for AVX2), so the two builds never share a function. It includes
// nothing itself.
//
// Lanes are voices; a vector covers V::kGroups groups of four lanes, and the
// per-lane records (LaneBlock, OscillatorLanes) are kept four lanes wide, so
// a vector reads one row from each of its groups.

// ---- shared helpers ----------------------------------------------------

// T(s) = (945 + 105 s^2 + s^4) / (945 + 420 s^2 + 15 s^4), a rational
// approximation of tanh(s) / s. s * T(s) saturates like tanh; T itself falls
// from 1 toward 1/15 as |s| grows, which is how the filters tame large signals.
[[gnu::always_inline]] inline V tanhRatio(V s) {
    const V s2 = s * s;
    const V s4 = s2 * s2;
    return (V(945.0f) + V(105.0f) * s2 + s4) * reciprocal(V(945.0f) + V(420.0f) * s2 + V(15.0f) * s4);
}

// The same to about 1e-3 relative (one hardware estimate, no refinement):
// enough where T only bends a damping or a feedback gain, and it keeps the
// filters' feedback chains short.
[[gnu::always_inline]] inline V tanhRatioRough(V s) {
    const V s2 = s * s;
    const V s4 = s2 * s2;
    return (V(945.0f) + V(105.0f) * s2 + s4) * roughReciprocal(V(945.0f) + V(420.0f) * s2 + V(15.0f) * s4);
}

// Row j of a four-lane field of each group's record, as one vector.
template <typename Record, typename Field>
[[gnu::always_inline]] inline V loadRow(const Record* records, Field field, int j) {
    const float* rows[V::kGroups];
    for (int g = 0; g < V::kGroups; ++g) rows[g] = (records[g].*field)[j];
    return V::loadRows(rows);
}

template <typename Record, typename Field>
[[gnu::always_inline]] inline V loadLanes(const Record* records, Field field) {
    const float* rows[V::kGroups];
    for (int g = 0; g < V::kGroups; ++g) rows[g] = records[g].*field;
    return V::loadRows(rows);
}

// ---- oscillators ---------------------------------------------------------

struct OscillatorVec {
    V phase, sawCarry, pulseCarry, triangle, high;  // high: a mask

    void gather(OscillatorState* const (*states)[4][2], int n) {
        float f[5][V::kLanes];
        for (int l = 0; l < V::kLanes; ++l) {
            const OscillatorState& s = *states[l / 4][l % 4][n];
            f[0][l] = s.phase;
            f[1][l] = s.sawCarry;
            f[2][l] = s.pulseCarry;
            f[3][l] = s.triangle;
            f[4][l] = Vec4::bits(s.high);
        }
        phase = V::loadUnaligned(f[0]);
        sawCarry = V::loadUnaligned(f[1]);
        pulseCarry = V::loadUnaligned(f[2]);
        triangle = V::loadUnaligned(f[3]);
        high = V::loadUnaligned(f[4]);
    }

    void scatter(OscillatorState* const (*states)[4][2], int n) const {
        float f[5][V::kLanes];
        phase.storeUnaligned(f[0]);
        sawCarry.storeUnaligned(f[1]);
        pulseCarry.storeUnaligned(f[2]);
        triangle.storeUnaligned(f[3]);
        high.storeUnaligned(f[4]);
        for (int l = 0; l < V::kLanes; ++l) {
            OscillatorState& s = *states[l / 4][l % 4][n];
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
[[gnu::always_inline]] inline void jump(V mask, V h, V t, V& current, V& carry) {
    const V one(1.0f);
    t = min(max(t, V(0.0f)), one);
    const V t3 = t * t * t;
    const V r1 = t3 - V(0.5f) * t3 * t;
    const V u = one - t;
    const V u3 = u * u * u;
    const V r2 = V(0.5f) * u3 * u - u3;
    current = current - (mask & (h * (one - r1)));
    carry = carry + (mask & (h * r2));
}

// One sub-sample of the oscillators; wrapped: the mask of lanes whose phase
// wrapped, t: how long ago, as a fraction of the sub-sample.
[[gnu::always_inline]] inline void tick(OscillatorVec& o, V increment, V width, V& saw, V& pulse, V& wrapped, V& t) {
    const V one(1.0f), two(2.0f);
    saw = o.sawCarry;
    pulse = o.pulseCarry;
    o.sawCarry = o.pulseCarry = V(0.0f);
    o.phase = o.phase + increment;
    wrapped = o.phase >= one;
    o.phase = o.phase - (wrapped & one);
    const V falls = select(wrapped, o.phase >= width, o.high & (o.phase >= width));
    if (any(wrapped | falls)) {
        const V inverse = reciprocal(increment);
        t = o.phase * inverse;
        jump(wrapped, V(-2.0f), t, saw, o.sawCarry);
        jump(andNot(o.high, wrapped), two, t, pulse, o.pulseCarry);
        jump(falls, V(-2.0f), (o.phase - width) * inverse, pulse, o.pulseCarry);
        o.high = andNot(falls, o.high | wrapped);
    }
    saw = saw + two * o.phase - one;
    pulse = pulse + select(o.high, one, V(-1.0f));
}

// Hard sync in the lanes of `reset`: the phase restarts t sub-samples ago.
[[gnu::always_inline]] inline void restart(OscillatorVec& o, V reset, V increment, V t, V width, V& saw, V& pulse) {
    const V one(1.0f), two(2.0f);
    const V atReset = max(o.phase - increment * t, V(0.0f));
    const V before = two * atReset - one;
    saw = saw - (reset & (two * o.phase - one));
    pulse = pulse - (reset & select(o.high, one, V(-1.0f)));
    o.phase = select(reset, increment * t, o.phase);
    jump(reset, V(-1.0f) - before, t, saw, o.sawCarry);
    jump(andNot(o.high, reset), two, t, pulse, o.pulseCarry);
    o.high = select(reset, o.phase < width, o.high);
    saw = saw + (reset & (two * o.phase - one));
    pulse = pulse + (reset & select(o.high, one, V(-1.0f)));
}

// Output samples [start, start + length): 2^exponent within the increment
// limits, for the lanes whose pitch moves.
[[gnu::always_inline]] inline void incrementLoop(OscillatorLanes* s, int start, int length) {
    for (int n = 0; n < 2; ++n) {
        const int bit = 1 << n;
        float moving[V::kLanes];
        for (int l = 0; l < V::kLanes; ++l) moving[l] = s[l / 4].moving[l % 4] & bit ? 1.0f : 0.0f;
        const V mask = V(0.0f) < V::loadUnaligned(moving);
        if (!any(mask)) continue;
        const auto increments = n == 0 ? &OscillatorLanes::increment1 : &OscillatorLanes::increment2;
        const auto exponents = n == 0 ? &OscillatorLanes::exponent1 : &OscillatorLanes::exponent2;
        const V smallest(1e-9f), largest = loadLanes(s, &OscillatorLanes::maxIncrement);
        for (int i = start; i < start + length; ++i) {
            const V increment = max(min(exp2(loadRow(s, exponents, i)), largest), smallest);
            float* rows[V::kGroups];
            for (int g = 0; g < V::kGroups; ++g) rows[g] = (s[g].*increments)[i];
            select(mask, increment, loadRow(s, increments, i)).storeRows(rows);
        }
    }
}

[[gnu::always_inline]] inline void oscillatorLoop(OscillatorState* const (*states)[4][2], const OscillatorLanes* s,
                                                     const float* noise, int start, int length, LaneBlock* lanes) {
    using L = OscillatorLanes;
    OscillatorVec osc1, osc2;
    osc1.gather(states, 0);
    osc2.gather(states, 1);
    const V saw1 = loadLanes(s, &L::saw1), pulse1 = loadLanes(s, &L::pulse1), triangle1 = loadLanes(s, &L::triangle1);
    const V saw2 = loadLanes(s, &L::saw2), pulse2 = loadLanes(s, &L::pulse2), triangle2 = loadLanes(s, &L::triangle2);
    const V level1 = loadLanes(s, &L::level1), level2 = loadLanes(s, &L::level2);
    const V noiseOn = loadLanes(s, &L::noise), inputLevel = loadLanes(s, &L::inputLevel);
    const V crossMod = loadLanes(s, &L::crossMod), crossScale = crossMod * loadLanes(s, &L::ratioLog2);
    const V syncOn = V(0.0f) < loadLanes(s, &L::sync);
    const bool anyTriangle = any((V(0.0f) < triangle1) | (V(0.0f) < triangle2));
    const bool anyCrossMod = any(V(0.0f) < crossMod);
    const bool anySync = any(syncOn);
    const V smallest(1e-9f), largest = loadLanes(s, &L::maxIncrement), leak(0.05f), four(4.0f), one(1.0f);

    for (int i = start; i < start + length; ++i) {
        const V increment1 = loadRow(s, &L::increment1, i);
        const V width1 = loadRow(s, &L::width1, i), width2 = loadRow(s, &L::width2, i);
        const V baseIncrement2 = loadRow(s, &L::increment2, i);
        const V noiseIn = noiseOn * V(noise[i]);
        for (int j = 0; j < 4; ++j) {
            V saw, pulse, wrapped, t(0.0f);
            tick(osc1, increment1, width1, saw, pulse, wrapped, t);
            V out1 = saw1 * saw + pulse1 * pulse;
            if (anyTriangle) {
                osc1.triangle = osc1.triangle * (one - leak * increment1) + four * increment1 * pulse;
                out1 = out1 + triangle1 * osc1.triangle;
            }
            V increment2 = baseIncrement2;
            if (anyCrossMod) increment2 = min(max(baseIncrement2 * exp2(crossScale * out1), smallest), largest);
            V saw2nd, pulse2nd, wrapped2, t2(0.0f);
            tick(osc2, increment2, width2, saw2nd, pulse2nd, wrapped2, t2);
            if (anySync) {
                const V reset = syncOn & wrapped;
                if (any(reset)) restart(osc2, reset, increment2, t, width2, saw2nd, pulse2nd);
            }
            V out2 = saw2 * saw2nd + pulse2 * pulse2nd;
            if (anyTriangle) {
                osc2.triangle = osc2.triangle * (one - leak * increment2) + four * increment2 * pulse2nd;
                out2 = out2 + triangle2 * osc2.triangle;
            }
            float* rows[V::kGroups];
            for (int g = 0; g < V::kGroups; ++g) rows[g] = lanes[g].input[4 * i + j];
            ((out1 * level1 + out2 * level2 + noiseIn) * inputLevel).storeRows(rows);
        }
    }
    osc1.scatter(states, 0);
    osc2.scatter(states, 1);
}

// ---- filter and output stage ----------------------------------------------

constexpr float kTwoPoleInput = 0.8333333f;
constexpr float kFlushState = 1e-15f;  // filter states below this are zeroed between passes

// The carried state of one vector's lanes.
struct LaneState {
    V inputDc, s1, s2, s3, s4, feedbackLow, feedback, outputDc, h1, h2, presence;
    V panLeft, panRight, presenceCoefficient;

    void gather(OutputLane* const lanes) {
        float f[14][V::kLanes];
        for (int l = 0; l < V::kLanes; ++l) {
            const FilterState& s = *lanes[l].state;
            const float values[14] = {s.inputDc,   s.stage[0],   s.stage[1],     s.stage[2],   s.stage[3],
                                      s.feedbackLow, s.feedback, s.outputDc,     s.highPass[0], s.highPass[1],
                                      s.presence,  lanes[l].panLeft, lanes[l].panRight, lanes[l].presence};
            for (int k = 0; k < 14; ++k) f[k][l] = values[k];
        }
        V* all[14] = {&inputDc, &s1, &s2, &s3, &s4, &feedbackLow, &feedback, &outputDc,
                      &h1,      &h2, &presence, &panLeft, &panRight, &presenceCoefficient};
        for (int k = 0; k < 14; ++k) *all[k] = V::loadUnaligned(f[k]);
    }

    void scatter(OutputLane* const lanes) const {
        const V* all[11] = {&inputDc, &s1, &s2, &s3, &s4, &feedbackLow, &feedback, &outputDc, &h1, &h2, &presence};
        float f[11][V::kLanes];
        for (int k = 0; k < 11; ++k) all[k]->storeUnaligned(f[k]);
        for (int l = 0; l < V::kLanes; ++l) {
            FilterState& s = *lanes[l].state;
            float* fields[11] = {&s.inputDc,   &s.stage[0],   &s.stage[1], &s.stage[2],    &s.stage[3], &s.feedbackLow,
                                 &s.feedback,  &s.outputDc,   &s.highPass[0], &s.highPass[1], &s.presence};
            for (int k = 0; k < 11; ++k) *fields[k] = std::fabs(f[k][l]) < kFlushState ? 0.0f : f[k][l];
        }
    }
};

// The cut-off control of the lanes at sub-sample j (a multiple of 4): the
// linear part plus the envelope times its amount, bent like tanh (and
// normalised by 1 / T(1) so a full envelope adds its whole amount), held to
// 0..0.98 (a lane that is not a number reads 0).
[[gnu::always_inline]] inline V cutoffControl(const LaneBlock* blocks, int j) {
    const V e = min(loadRow(blocks, &LaneBlock::envelope, j / 4), V(1.0f));
    const V c = loadRow(blocks, &LaneBlock::cutoff, j) +
                loadRow(blocks, &LaneBlock::envelopeAmount, j / 4) * e * tanhRatio(e) * V(1380.0f / 1051.0f);
    return max(min(V(0.98f), c), V(0.0f));
}

// Per lane: the filter table's integrator gain (or its resonance
// compensation) for cut-off control c.
[[gnu::always_inline]] inline V lookup(const FilterTables& tables, V c, bool compensation) {
    // the index of FilterTables::indexOf, for all lanes
    return V::gather(compensation ? tables.compensations() : tables.gains(), c * V(FilterTables::kIndexScale));
}

// What the filters need from the cut-off and resonance controls. The voices
// deliver those once per output sample (the same value in its four
// sub-samples), so this is formed every fourth sub-sample.
struct Coefficients {
    V g;              // prewarped integrator gain
    V linearDamping;  // two-pole: 1.5 (1 - t r^2) + 0.35
    V G, inv, G2, G4; // four-pole: g / (1 + g), 1 / (1 + g), powers of G
    V feedback;       // four-pole: 3.42 r + 0.38

    template <bool FourPole>
    [[gnu::always_inline]] void prepare(const LaneBlock* blocks, int j, const FilterTables& tables) {
        const V one(1.0f);
        const V r = loadRow(blocks, &LaneBlock::resonance, j);
        const V c = cutoffControl(blocks, j);
        g = lookup(tables, c, false);
        if constexpr (!FourPole) {
            const V t = lookup(tables, c, true);
            linearDamping = V(1.5f) * (one - t * r * r) + V(0.35f);
        } else {
            inv = reciprocal(one + g);
            G = g * inv;
            G2 = G * G;
            G4 = G2 * G2;
            feedback = V(3.42f) * r + V(0.38f);
        }
    }
};

template <bool FourPole, bool BandPass, bool Saturate>
[[gnu::always_inline]] inline V processLanes(LaneState& s, const Coefficients& c, const LaneBlock* blocks, int j,
                                             const OutputStageConstants& k) {
    const V one(1.0f), two(2.0f);
    V x = loadRow(blocks, &LaneBlock::input, j);
    const V g = c.g;
    V y(0.0f);
    if constexpr (!FourPole) {
        // Two-pole state-variable filter, trapezoidal, with saturating damping.
        x = x * V(kTwoPoleInput);
        s.inputDc += (x - s.inputDc) * V(k.inputDc);
        x = x - s.inputDc;
        const V damping = c.linearDamping - V(0.35f * 0.7f) * tanhRatioRough(s.s1);
        const V bp = (s.s1 + g * (x - s.s2)) * reciprocal(one + g * damping + g * g);
        const V lp = s.s2 + g * bp;
        s.s1 += two * g * (x - lp - damping * bp);
        s.s2 += two * g * bp;
        y = (BandPass ? bp : lp) * V(1.0f / kTwoPoleInput);
    } else {
        // Four one-pole stages with zero-delay feedback through an 8 Hz high-pass.
        x = x * V(0.5f);
        s.inputDc += (x - s.inputDc) * V(k.inputDc);
        x = x - s.inputDc;
        const V G = c.G, G2 = c.G2, G4 = c.G4;
        const V G8(k.feedbackGain);
        const V w = V(16.0f * 0.46904158f) * s.feedback;  // 16 sqrt(0.22)
        const V kf = c.feedback * tanhRatioRough(w);
        const V S8 = s.feedbackLow * V(1.0f - k.feedbackGain);
        // Each stage's output is G^k u plus what its memories give: the
        // stages' memories, times 1 + g, seen from stage k.
        const V m2 = G * s.s1 + s.s2;
        const V m3 = G * m2 + s.s3;
        const V sum = G * m3 + s.s4;
        const V y4 = (G4 * (x + kf * S8) + sum * c.inv) * reciprocal(one + kf * G4 * (one - G8));
        const V u = x - kf * ((one - G8) * y4 - S8);
        // The cascade in closed form: all four outputs at once from u, so the
        // feedback loop does not wait on four stages in a row.
        const V y1 = G * u + c.inv * s.s1;
        const V y2 = G2 * u + c.inv * m2;
        const V y3 = G2 * G * u + c.inv * m3;
        const V out4 = y4;  // the solve already gave the last stage's output
        s.s1 = two * y1 - s.s1;
        s.s2 = two * y2 - s.s2;
        s.s3 = two * y3 - s.s3;
        s.s4 = two * out4 - s.s4;
        const V v8 = (out4 - s.feedbackLow) * G8;
        const V low = v8 + s.feedbackLow;
        s.feedbackLow = low + v8;
        s.feedback = out4 - low;
        y = BandPass ? V(4.0f) * (y2 - two * y3 + out4) : out4;
        y = y * two;
    }
    y = y * loadRow(blocks, &LaneBlock::gain, j);

    // DC blocking: 5 Hz one-pole, then a 10 Hz two-pole high-pass.
    s.outputDc += (y - s.outputDc) * V(k.outputDc);
    y = y - s.outputDc;
    const V bp = V(k.highPass[0]) * s.h1 + V(k.highPass[1]) * (y - s.h2);
    const V lp = s.h2 + V(k.highPass[1]) * s.h1 + V(k.highPass[2]) * (y - s.h2);
    s.h1 = two * bp - s.h1;
    s.h2 = two * lp - s.h2;
    y = y - V(1.6f) * bp - lp;

    // presence
    y = s.presence + (y - s.presence) * s.presenceCoefficient;
    s.presence = y;

    if constexpr (Saturate) {
        // 0.4 tanh(3.5 y). The rational form rises past 1 beyond |u| = 3.4;
        // held at |u| <= 3 (where it reads 0.9955) it never leaves +-0.4.
        const V u = min(max(V(3.5f) * y, V(-3.0f)), V(3.0f));
        y = V(0.4f) * u * tanhRatio(u);
    }
    return y;
}

// out[j] += the sum of rows[j]'s lanes, j < count: four rows at a time,
// and a short last group padded with silence.
[[gnu::always_inline]] inline void addLaneSums(const V* rows, int count, float* out) {
    const int whole = count & ~3;
    V::addLaneSums(rows, whole, out);
    if (whole == count) return;
    V rest[4] = {V(0.0f), V(0.0f), V(0.0f), V(0.0f)};
    float sums[4] = {};
    for (int j = whole; j < count; ++j) rest[j - whole] = rows[j];
    V::addLaneSums(rest, 4, sums);
    for (int j = whole; j < count; ++j) out[j] += sums[j - whole];
}

// `groups` groups of four lanes side by side (a multiple of V::kGroups, at
// most four), with their records and their 4 x groups output lanes, for
// `subSamples` (at most 64) sub-samples.
template <bool FourPole, bool BandPass, bool Saturate>
[[gnu::always_inline]] inline void runPass(const LaneBlock* blocks, OutputLane* lanes, int groups, int subSamples,
                                           const FilterTables& tables, const OutputStageConstants& k, float* mixLeft,
                                           float* mixRight) {
    constexpr int kMaxVectors = 4 / V::kGroups;
    const int vectors = groups / V::kGroups;
    LaneState state[kMaxVectors];
    Coefficients coefficients[kMaxVectors];
    for (int v = 0; v < vectors; ++v) state[v].gather(lanes + V::kLanes * v);
    // Each sub-sample's lanes, panned; summed across lanes afterwards, four
    // sub-samples at a time.
    V lefts[64], rights[64];
    for (int j = 0; j < subSamples; ++j) {
        V left(0.0f), right(0.0f);
        for (int v = 0; v < vectors; ++v) {
            const LaneBlock* mine = blocks + V::kGroups * v;
            if ((j & 3) == 0) coefficients[v].template prepare<FourPole>(mine, j, tables);
            const V y = processLanes<FourPole, BandPass, Saturate>(state[v], coefficients[v], mine, j, k);
            left += y * state[v].panLeft;
            right += y * state[v].panRight;
        }
        lefts[j] = left;
        rights[j] = right;
    }
    addLaneSums(lefts, subSamples, mixLeft);
    addLaneSums(rights, subSamples, mixRight);
    for (int j = 0; j < subSamples; ++j) {
        if (mixLeft[j] > -1e-6f && mixLeft[j] < 1e-6f) mixLeft[j] = 0.0f;
        if (mixRight[j] > -1e-6f && mixRight[j] < 1e-6f) mixRight[j] = 0.0f;
    }
    for (int v = 0; v < vectors; ++v) state[v].scatter(lanes + V::kLanes * v);
}

[[gnu::always_inline]] inline void outputStageLoop(const OutputStageMode& mode, const LaneBlock* b, OutputLane* lanes,
                                                  int groups, int subSamples, const FilterTables& tables,
                                                  const OutputStageConstants& k, float* mixLeft, float* mixRight) {
    const int which = (mode.fourPole ? 4 : 0) + (mode.bandPass ? 2 : 0) + (mode.saturate ? 1 : 0);
    switch (which) {
    case 0: runPass<false, false, false>(b, lanes, groups, subSamples, tables, k, mixLeft, mixRight); break;
    case 1: runPass<false, false, true>(b, lanes, groups, subSamples, tables, k, mixLeft, mixRight); break;
    case 2: runPass<false, true, false>(b, lanes, groups, subSamples, tables, k, mixLeft, mixRight); break;
    case 3: runPass<false, true, true>(b, lanes, groups, subSamples, tables, k, mixLeft, mixRight); break;
    case 4: runPass<true, false, false>(b, lanes, groups, subSamples, tables, k, mixLeft, mixRight); break;
    case 5: runPass<true, false, true>(b, lanes, groups, subSamples, tables, k, mixLeft, mixRight); break;
    case 6: runPass<true, true, false>(b, lanes, groups, subSamples, tables, k, mixLeft, mixRight); break;
    default: runPass<true, true, true>(b, lanes, groups, subSamples, tables, k, mixLeft, mixRight); break;
    }
}

// ---- decimator -----------------------------------------------------------

// The dot product of the newest `entries` history entries (L, R, L', R')
// with the kernel, stored the same way: V::kLanes / 4 entries per vector,
// four partial sums so the multiply-adds overlap.
[[gnu::always_inline]] inline void decimatorLoop(const float* left4, const float* right4, int n, float* outLeft,
                                                 float* outRight, float* ring, int ringEntries, const float* kernel,
                                                 int entries, std::uint32_t& writeIndex) {
    constexpr int kPerVector = V::kLanes / 4;
    for (int i = 0; i < n; ++i) {
        const float* l = left4 + 4 * i;
        const float* r = right4 + 4 * i;
        const float newest[2][4] = {{l[0], r[0], l[1], r[1]}, {l[2], r[2], l[3], r[3]}};
        for (const auto& entry : newest) {
            const std::uint32_t slot = writeIndex & static_cast<std::uint32_t>(ringEntries - 1);
            std::memcpy(ring + 4 * slot, entry, sizeof(entry));
            std::memcpy(ring + 4 * (slot + static_cast<std::uint32_t>(ringEntries)), entry, sizeof(entry));
            ++writeIndex;
        }
        const std::uint32_t start =
            (writeIndex - static_cast<std::uint32_t>(entries)) & static_cast<std::uint32_t>(ringEntries - 1);
        const float* history = ring + 4 * start;
        V acc[4] = {V(0.0f), V(0.0f), V(0.0f), V(0.0f)};
        for (int e = 0; e < entries; e += 4 * kPerVector)
            for (int j = 0; j < 4; ++j) {
                const int at = 4 * (e + j * kPerVector);
                acc[j] += V::loadUnaligned(history + at) * V::loadUnaligned(kernel + at);
            }
        alignas(32) float sum[V::kLanes];
        ((acc[0] + acc[1]) + (acc[2] + acc[3])).storeUnaligned(sum);
        float left = sum[0] + sum[2], right = sum[1] + sum[3];
        for (int k = 4; k < V::kLanes; k += 4) {
            left += sum[k] + sum[k + 2];
            right += sum[k + 1] + sum[k + 3];
        }
        outLeft[i] = left;
        outRight[i] = right;
    }
}
