// Signal path per sample: octave shimmer added to the input -> (chorale
// formants) -> input low-pass -> input allpass -> two nested allpasses per channel -> sixteen-
// line feedback network; the early reflections of the low-passed input join
// the network's output -> width -> mix.
//
// Speed notes:
// - Every ring is a power of two long and all rings share one write counter.
// - process() runs stage by stage over the whole slice: no ring is read less
//   than 17 samples behind its write position, so each stage reads its slice
//   as one contiguous run (each ring repeats its start past its end) and its
//   arithmetic is a plain loop over 16 samples that the compiler vectorises.
// - The network's eight-term sign patterns are the rows of an 8x8 Hadamard
//   matrix, so all sixteen sums come from two fast Walsh-Hadamard transforms
//   (24 additions each) instead of 128 multiply-adds.
// - The shimmer's per-sample step is inline (OctaveShimmer.h), so the first
//   loop of process() keeps it in registers; its transform runs once per hop.
#include "ReverbUnit.h"

#include "EffectControls.h"
#include "SubnormalCheck.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace calverine {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Lengths at 44100 Hz.
constexpr int kEarlyTapsAt44k[2][ReverbUnit::kTaps] = {{546, 1149, 2322, 3873, 6616, 8492},
                                                       {597, 1115, 2163, 5387, 7523, 9183}};
constexpr float kEarlyGains[ReverbUnit::kTaps] = {0.6f, 0.6f, 0.55f, 0.5f, 0.4f, 0.4f};
constexpr int kInputAllpassAt44k[2] = {349, 503};
constexpr int kNestedAt44k[4][2] = {{525, 425}, {796, 863}, {782, 654}, {359, 246}};
constexpr int kLinesAt44k[ReverbUnit::kLines] = {1544, 2369, 2438, 3881, 4775, 5944, 4019, 6356,
                                                 1956, 1475, 2644, 3675, 4706, 5806, 7525, 4225};

constexpr float kTiny = 1e-19f;      // keeps recirculating rings out of the subnormal range
constexpr float kModDepth = 7.5f;    // samples
constexpr double kModStep = 5e-5;    // cycles per sample
// cos and sin of k/8 of a cycle: sin(x + k pi/4) from one sin and one cos.
constexpr double kEighthCos[8] = {1.0, 0.70710678118654752, 0.0, -0.70710678118654752,
                                  -1.0, -0.70710678118654752, 0.0, 0.70710678118654752};
constexpr double kEighthSin[8] = {0.0, 0.70710678118654752, 1.0, 0.70710678118654752,
                                  0.0, -0.70710678118654752, -1.0, -0.70710678118654752};

bool isPrime(int v) {
    if (v < 2) return false;
    for (int d = 2; d * d <= v; ++d) {
        if (v % d == 0) return false;
    }
    return true;
}

float unit(float v) { return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f; }  // NaN -> 0

// In-place 8-point Walsh-Hadamard transform: out[r] = sum over i of
// (-1)^popcount(r & i) x[i]. Row 1 is + - + - ..., row 2 is + + - - ...,
// row 4 is + + + + - - - -, and the other rows are their products.
// Applied to a whole slice at once: x[k][i] is line k at sample i, and the
// loop over i is a plain vector loop.
inline void hadamard8(float (*x)[ReverbUnit::kMaxSlice]) {
    for (int i = 0; i < ReverbUnit::kMaxSlice; ++i) {
        const float s0 = x[0][i] + x[1][i], d0 = x[0][i] - x[1][i];
        const float s1 = x[2][i] + x[3][i], d1 = x[2][i] - x[3][i];
        const float s2 = x[4][i] + x[5][i], d2 = x[4][i] - x[5][i];
        const float s3 = x[6][i] + x[7][i], d3 = x[6][i] - x[7][i];
        const float t0 = s0 + s1, t2 = s0 - s1, t1 = d0 + d1, t3 = d0 - d1;
        const float t4 = s2 + s3, t6 = s2 - s3, t5 = d2 + d3, t7 = d2 - d3;
        x[0][i] = t0 + t4;
        x[4][i] = t0 - t4;
        x[1][i] = t1 + t5;
        x[5][i] = t1 - t5;
        x[2][i] = t2 + t6;
        x[6][i] = t2 - t6;
        x[3][i] = t3 + t7;
        x[7][i] = t3 - t7;
    }
}

// Every ring carries kRingGuard floats past its end that repeat its first
// kRingGuard samples, so up to kRingGuard samples from any position can be
// read as one contiguous run.
inline const float* ringAt(const float* ring, std::uint32_t mask, std::uint32_t from) { return ring + (from & mask); }

inline void writeRing(float* ring, std::uint32_t mask, std::uint32_t at, int count, const float* in) {
    for (int i = 0; i < count; ++i) {
        const std::uint32_t q = (at + static_cast<std::uint32_t>(i)) & mask;
        ring[q] = in[i];
        if (q < static_cast<std::uint32_t>(ReverbUnit::kRingGuard)) ring[q + mask + 1] = in[i];
    }
}

}  // namespace

int ReverbUnit::scaledLength(int lengthAt44k, double rate) {
    const float scale = static_cast<float>(rate / 44100.0) * 0.405f;
    int v = static_cast<int>(static_cast<float>(lengthAt44k) * scale);
    if (v % 2 == 0 && v > 3) ++v;
    while (!isPrime(v)) ++v;
    return v;
}

ReverbUnit::ReverbUnit()
    : storage_(2 * (kEarlySize + kRingGuard) + (2 + 8 + kLines) * static_cast<std::size_t>(kRingSize + kRingGuard)) {
    float* at = storage_.data();
    for (auto& ring : early_) {
        ring = at;
        at += kEarlySize + kRingGuard;
    }
    for (auto& ring : inputAllpass_) {
        ring.data = at;
        at += kRingSize + kRingGuard;
    }
    for (auto& unit : nested_) {
        unit.outer.data = at;
        at += kRingSize + kRingGuard;
        unit.inner.data = at;
        at += kRingSize + kRingGuard;
    }
    for (auto& line : lines_) {
        line = at;
        at += kRingSize + kRingGuard;
    }
    setSampleRate(44100.0);
}

ReverbUnit::~ReverbUnit() = default;

void ReverbUnit::setSampleRate(double rate) {
    // The chain never hands over more than 88 kHz; below 8 kHz the formants
    // would pass Nyquist.
    rate = std::clamp(rate, 8000.0, 88000.0);
    rate_ = rate;
    mixCoefficient_ = static_cast<float>(std::exp(-2.0 * kPi * 10.0 / rate));
    inputLowpass_ = static_cast<float>(1.0 - std::exp(-2.0 * kPi * 10500.0 / rate));

    for (int c = 0; c < 2; ++c) {
        for (int j = 0; j < kTaps; ++j) earlyTaps_[c][j] = scaledLength(kEarlyTapsAt44k[c][j], rate);
        inputAllpass_[c].length = scaledLength(kInputAllpassAt44k[c], rate);
    }
    for (int u = 0; u < 4; ++u) {
        nested_[u].outer.length = scaledLength(kNestedAt44k[u][0], rate);
        nested_[u].inner.length = scaledLength(kNestedAt44k[u][1], rate);
    }
    for (int k = 0; k < kLines; ++k) lineLength_[k] = scaledLength(kLinesAt44k[k], rate);

    octaveShimmer_.setSampleRate(rate);
    vowelChorale_.setSampleRate(rate);

    lastTime_ = -1.0f;
    clear(Clear::All);
}

bool ReverbUnit::setControl(int id, float value) {
    switch (id) {
        // Switches count as on when their value truncates to a nonzero integer.
        case effects_control::kReverbOn: on_ = static_cast<int>(value) != 0; return true;
        case effects_control::kReverbChorale: choraleOn_ = static_cast<int>(value) != 0; return true;
        case effects_control::kReverbTime: time_ = value; return true;
        case effects_control::kReverbColor: color_ = value; return true;
        case effects_control::kReverbShimmer: shimmer_ = value; return true;
        case effects_control::kReverbRegen: regen_ = value; return true;
        case effects_control::kReverbWidth: width_ = value; return true;
        case effects_control::kReverbMix: mix_ = value; return true;
        default: return false;
    }
}

void ReverbUnit::setOffsets(const float* offsets) {
    std::copy(offsets, offsets + kOffsets, offsets_.begin());
}

float ReverbUnit::clamped(float value, int offset) const { return unit(value + offsets_[offset]); }

void ReverbUnit::clear(Clear what) {
    if (what == Clear::Network) {
        for (float* line : lines_) std::fill(line, line + kRingSize + kRingGuard, 0.0f);
        dampState_.fill(0.0f);
        return;
    }
    std::fill(storage_.begin(), storage_.end(), 0.0f);
    write_ = 0;
    dampState_.fill(0.0f);
    lowL_ = lowR_ = 0.0f;
    octaveShimmer_.clear();
    shimmerSlice_.fill(0.0f);
    vowelChorale_.clear();
    smoothedMix_ = 0.0f;
    widthSmoothed_ = clamped(width_, 2);
    phase_ = 0.0;
}

void ReverbUnit::updateCoefficients(int n) {
    const float t = clamped(time_, 0);
    if (t != lastTime_) {
        lastTime_ = t;
        const double decay = 0.5 + 19.5 * static_cast<double>(t) * t;
        feedback_ = static_cast<float>(0.707 * std::pow(0.001, 1.0 / (42.0 * decay)));
    }
    const float color = clamped(color_, 1);
    if (choraleOn_) {
        damping_ = 0.075f;
        vowelChorale_.setVowel(color);
    } else {
        damping_ = 0.75f * color;
    }
    octaveShimmer_.setGains(clamped(shimmer_, 4), unit(regen_ * 0.8f + offsets_[3]));

    // Slow modulation of the line lengths: eight phases 1/8 cycle apart; the
    // right lines run one eighth ahead of the left ones.
    std::array<double, 8> wave{};
    const double sine = std::sin(2.0 * kPi * phase_), cosine = std::cos(2.0 * kPi * phase_);
    for (int k = 0; k < 8; ++k) wave[k] = sine * kEighthCos[k] + cosine * kEighthSin[k];
    for (int k = 0; k < kLines; ++k) {
        const double delay = lineLength_[k] + kModDepth * (k < 8 ? wave[k] : wave[(k - 7) & 7]);
        const double whole = std::floor(delay);
        delayWhole_[k] = static_cast<int>(whole);
        delayFraction_[k] = static_cast<float>(delay - whole);
    }
    phase_ += n * kModStep;
    phase_ -= std::floor(phase_);
}

void ReverbUnit::process(int n, float* left, float* right, float inputGain, bool wetOnly) {
    n = std::min(n, kMaxSlice);
    if (n <= 0) return;
    updateCoefficients(n);
    const float mix = clamped(mix_, 5);
    const float mixTarget = mix * mix * inputGain;
    const float mixStep = 1.0f - mixCoefficient_;
    const float width = clamped(width_, 2);
    const float g = feedback_;
    const float c = damping_;

    // Stage by stage over the whole slice. Every ring is read at least 17
    // samples behind its write position (the shortest length at 8 kHz is 19),
    // so a stage reads nothing the same slice writes, and each stage becomes
    // a short loop over contiguous samples.
    float l[kMaxSlice] = {}, r[kMaxSlice] = {};
    for (int i = 0; i < n; ++i) {
        const float s = octaveShimmer_.next(left[i] + right[i]);
        l[i] = left[i] + s;
        r[i] = right[i] + s;
        shimmerSlice_[i] = s;
    }
    if (choraleOn_) vowelChorale_.process(n, l, r);
    // Once its input stops, the low-pass falls by exp(-2 pi 10500 / rate) per
    // sample, which at rates below about 12 kHz reaches subnormals within one
    // slice; so values below 1e-15 are cut at every sample, not only after
    // the slice.
    for (int i = 0; i < n; ++i) {
        lowL_ += (l[i] - lowL_) * inputLowpass_;
        lowR_ += (r[i] - lowR_) * inputLowpass_;
        flushTiny(lowL_, 1e-15f);
        flushTiny(lowR_, 1e-15f);
        l[i] = lowL_;
        r[i] = lowR_;
    }

    // Early reflections, then the input allpass, per channel. The
    // reflections only reach the output; the input allpass and the diffusion
    // after it take the low-passed input itself. The input allpass adds the
    // same 1e-19 as the nested ones: at 0.5 per pass its ring would otherwise
    // decay into subnormals a second or so after the input stops.
    const std::uint32_t w = write_;
    // Lanes past n hold zeros or stale values; they are computed and never stored.
    float early[2][kMaxSlice] = {}, diffused[2][kMaxSlice] = {};
    float written[kMaxSlice] = {};
    for (int ch = 0; ch < 2; ++ch) {
        const float* in = ch == 0 ? l : r;
        float* sum = early[ch];
        std::copy(in, in + kMaxSlice, sum);
        for (int j = 0; j < kTaps; ++j) {
            const float* tap = ringAt(early_[ch], kEarlyMask, w - static_cast<std::uint32_t>(earlyTaps_[ch][j]));
            for (int i = 0; i < kMaxSlice; ++i) sum[i] += kEarlyGains[j] * tap[i];
        }
        writeRing(early_[ch], kEarlyMask, w, n, in);

        Ring& ap = inputAllpass_[ch];
        const float* delayed = ringAt(ap.data, kRingMask, w - static_cast<std::uint32_t>(ap.length));
        for (int i = 0; i < kMaxSlice; ++i) {
            const float y = delayed[i] + 0.5f * in[i];
            written[i] = in[i] - 0.5f * y + kTiny;
            diffused[ch][i] = y;
        }
        writeRing(ap.data, kRingMask, w, n, written);
    }
    // Nested allpasses: units 1 and 3 on the left, 2 and 4 on the right.
    for (int u = 0; u < 4; ++u) {
        NestedAllpass& unit = nested_[u];
        float* x = diffused[u & 1];
        const float* outer = ringAt(unit.outer.data, kRingMask, w - static_cast<std::uint32_t>(unit.outer.length));
        const float* inner = ringAt(unit.inner.data, kRingMask, w - static_cast<std::uint32_t>(unit.inner.length));
        float innerIn[kMaxSlice] = {};
        for (int i = 0; i < kMaxSlice; ++i) {
            const float v1 = inner[i] + 0.5f * outer[i];
            innerIn[i] = outer[i] - 0.5f * v1 + kTiny;
            const float v2 = v1 + 0.5f * x[i];
            written[i] = x[i] - 0.5f * v2 + kTiny;
            x[i] = v2;
        }
        writeRing(unit.inner.data, kRingMask, w, n, innerIn);
        writeRing(unit.outer.data, kRingMask, w, n, written);
    }
    const float* xL = diffused[0];
    const float* xR = diffused[1];

    // The network: lines 0-7 give a, lines 8-15 give b, read with linear
    // interpolation at their modulated delays.
    float out[kLines][kMaxSlice] = {};
    for (int k = 0; k < kLines; ++k) {
        const std::uint32_t at = w - static_cast<std::uint32_t>(delayWhole_[k]);
        const float f = delayFraction_[k];
        const float* read = ringAt(lines_[k], kRingMask, at - 1);
        for (int i = 0; i < kMaxSlice; ++i) out[k][i] = read[i + 1] + (read[i] - read[i + 1]) * f;
    }
    // Rows of the Hadamard transform: 0 = all plus, 1 = PB, 2 = PE,
    // 3 = PC, 4 = PD, 5 = PA, 6 = PF, 7 = PG.
    float (*a)[kMaxSlice] = out;
    float (*b)[kMaxSlice] = out + 8;
    hadamard8(a);
    hadamard8(b);
    // Which transform row and which input feed each line.
    const float* const sum[kLines] = {a[0], b[1], a[2], b[3], a[4], b[5], a[6], b[7],
                                      b[0], a[1], b[2], a[3], b[4], a[5], b[6], a[7]};
    const float* const input[kLines] = {xL, xR, xL, xR, xL, xR, xR, xL, xR, xL, xL, xR, xR, xL, xR, xL};
    float value[kLines][kMaxSlice];
    for (int k = 0; k < kLines; ++k) {
        for (int i = 0; i < kMaxSlice; ++i) value[k][i] = g * sum[k][i] + input[k][i];
    }
    // Lines 0-3 and 8-11 pass a one-pole damping filter. The eight filters
    // step together, sample by sample, so that their independent recurrences
    // overlap instead of each waiting on its own previous sample in turn.
    constexpr int kDampedLine[8] = {0, 1, 2, 3, 8, 9, 10, 11};
    float state[8];
    std::copy(dampState_.begin(), dampState_.end(), state);
    for (int i = 0; i < n; ++i) {
        for (int d = 0; d < 8; ++d) {
            float& v = value[kDampedLine[d]][i];
            state[d] = v * (1.0f - c) + state[d] * c + kTiny;
            v = state[d];
        }
    }
    std::copy(state, state + 8, dampState_.begin());
    for (int k = 0; k < kLines; ++k) {
        for (int i = 0; i < kMaxSlice; ++i) written[i] = 0.5f * value[k][i] + kTiny;
        writeRing(lines_[k], kRingMask, w, n, written);
    }
    write_ = w + static_cast<std::uint32_t>(n);

    // Width and mix. The tank outputs are the all-plus rows. The smoothed
    // values live in locals for the loop: the stores to left and right could
    // otherwise alias them and force a reload at every sample.
    float widthSmoothed = widthSmoothed_, smoothedMix = smoothedMix_;
    for (int i = 0; i < n; ++i) {
        float oL = 0.5f * early[0][i] + a[0][i];
        float oR = 0.5f * early[1][i] + b[0][i];
        const float mid = 0.5f * (oL + oR);
        oL = mid + (oL - mid) * widthSmoothed;
        oR = mid + (oR - mid) * widthSmoothed;
        widthSmoothed += (width - widthSmoothed) * 0.01f;
        smoothedMix += (mixTarget - smoothedMix) * mixStep;
        if (wetOnly) {
            left[i] = 0.25f * oL;
            right[i] = 0.25f * oR;
        } else {
            left[i] += (0.25f * oL - left[i]) * smoothedMix;
            right[i] += (0.25f * oR - right[i]) * smoothedMix;
        }
    }
    widthSmoothed_ = widthSmoothed;
    smoothedMix_ = smoothedMix;

    // Flush tiny states. The smoothed width and mix settle exactly on their
    // targets once within 1e-6, so that a mix of 0 becomes exactly dry and
    // neither glides down into the subnormal range.
    flushTiny(lowL_, 1e-6f);
    flushTiny(lowR_, 1e-6f);
    if (std::fabs(smoothedMix_ - mixTarget) < 1e-6f) smoothedMix_ = mixTarget;
    if (std::fabs(widthSmoothed_ - width) < 1e-6f) widthSmoothed_ = width;
}

bool ReverbUnit::hasSubnormalState() const {
    const float scalars[] = {lowL_, lowR_, smoothedMix_, widthSmoothed_};
    return anySubnormal(storage_.data(), storage_.size()) || anySubnormal(dampState_.data(), dampState_.size()) ||
           anySubnormal(scalars, std::size(scalars)) || octaveShimmer_.hasSubnormalState() ||
           vowelChorale_.hasSubnormalState();
}

}  // namespace calverine
