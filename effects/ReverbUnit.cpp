// Signal path per sample: shimmer engine -> (chorale formants) -> input
// low-pass -> input allpass -> two nested allpasses per channel -> sixteen-
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
// - The shimmer's FFT work runs once per hop of 256 samples, and not at all
//   once its input has been zero long enough for every ring to be empty.
//   Every transform is half size: the forward one is built from the even and
//   odd samples' spectra over the N/5 bins that are kept, and the read-out
//   only needs the even samples of the inverse.
#include "ReverbUnit.h"

#include "EffectControls.h"

#include <algorithm>
#include <cfloat>
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

// Vowel formants (Hz) and levels; the last row repeats so that color 1 has
// a row to interpolate towards.
constexpr float kVowelFrequency[6][4] = {{795, 1155, 2898, 3895}, {649, 1703, 2642, 3565},
                                         {300, 2288, 2945, 3644}, {480, 900, 2400, 3280},
                                         {330, 618, 2384, 3394},  {330, 618, 2384, 3394}};
constexpr float kVowelLevel[6][4] = {{10, 4, 4, 7}, {10, 4, 4, 7}, {6, 5, 4, 5},
                                     {10, 4, 4, 7}, {8, 4, 4, 7},  {7.1f, 4, 4, 7}};
constexpr float kFormantQ[4] = {2.0f, 5.0f, 6.0f, 2.5f};

constexpr float kTiny = 1e-19f;      // keeps recirculating rings out of the subnormal range
constexpr float kModDepth = 7.5f;    // samples
constexpr double kModStep = 5e-5;    // cycles per sample
constexpr int kShimmerCut = ReverbUnit::kFftSize / 5;  // bins k < 819 are kept
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

// The shimmer frame's loops, on pointers that never overlap so that they
// vectorise. acc[i] += x[i] w[i], frame[i] = acc[i]:
inline void accumulate(float* __restrict acc, const float* __restrict x, const float* __restrict w,
                       float* __restrict frame, int count) {
    for (int i = 0; i < count; ++i) {
        acc[i] += x[i] * w[i];
        frame[i] = acc[i];
    }
}

// (re, im) pairs become (re^2 - im^2, 2 re im) / |z|: the phase doubled, the
// magnitude kept; pairs of magnitude 1e-6 or less become zero.
inline void doublePhases(float* __restrict bins, int count) {
    for (int k = 0; k < count; ++k) {
        const float re = bins[2 * k];
        const float im = bins[2 * k + 1];
        const float magnitude = std::sqrt(re * re + im * im);
        const float scale = magnitude > 1e-6f ? 1.0f / magnitude : 0.0f;
        bins[2 * k] = (re * re - im * im) * scale;
        bins[2 * k + 1] = 2.0f * re * im * scale;
    }
}

inline void deinterleave(const float* __restrict in, float* __restrict even, float* __restrict odd, int count) {
    for (int i = 0; i < count; ++i) {
        even[i] = in[2 * i];
        odd[i] = in[2 * i + 1];
    }
}

// bins[k] = even[k] + (twRe[k] + i twIm[k]) odd[k] over interleaved
// (re, im) pairs.
inline void combineHalves(const float* __restrict even, const float* __restrict odd, const float* __restrict twRe,
                          const float* __restrict twIm, float* __restrict bins, int count) {
    for (int k = 0; k < count; ++k) {
        const float oRe = odd[2 * k], oIm = odd[2 * k + 1];
        bins[2 * k] = even[2 * k] + oRe * twRe[k] - oIm * twIm[k];
        bins[2 * k + 1] = even[2 * k + 1] + oRe * twIm[k] + oIm * twRe[k];
    }
}

inline void overlapAdd(float* __restrict out, const float* __restrict frame, const float* __restrict w, int count) {
    for (int i = 0; i < count; ++i) out[i] += frame[i] * w[i];
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
    : storage_(2 * (kEarlySize + kRingGuard) + (2 + 8 + kLines) * static_cast<std::size_t>(kRingSize + kRingGuard)),
      halfFft_(kFftSize / 2),
      halfEven_(kFftSize / 2),
      halfOdd_(kFftSize / 2),
      twiddleRe_(kShimmerCut - 1),
      twiddleIm_(kShimmerCut - 1),
      synthesisWindow_(kFftSize / 2),
      analysis_(kFftSize),
      accumulation_(kFftSize),
      output_(kFftSize),
      frame_(kFftSize),
      window_(kFftSize),
      feedbackRing_(kFeedbackSize) {
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
    // Nuttall window. Its end points come out as rounding noise around zero;
    // they are set to exactly zero.
    for (int i = 0; i < kFftSize; ++i) {
        const double x = 2.0 * kPi * i / (kFftSize - 1);
        const double w = 0.355768 - 0.487396 * std::cos(x) + 0.144232 * std::cos(2 * x) - 0.012604 * std::cos(3 * x);
        window_[i] = std::fabs(w) < 1e-9 ? 0.0f : static_cast<float>(w);
    }
    for (int m = 0; m < kFftSize / 2; ++m) synthesisWindow_[m] = 0.5f * window_[2 * m];
    for (int k = 1; k < kShimmerCut; ++k) {
        twiddleRe_[k - 1] = static_cast<float>(std::cos(2.0 * kPi * k / kFftSize));
        twiddleIm_[k - 1] = static_cast<float>(-std::sin(2.0 * kPi * k / kFftSize));
    }
    setSampleRate(44100.0);
}

ReverbUnit::~ReverbUnit() = default;

void ReverbUnit::setSampleRate(double rate) {
    // The chain never hands over more than 88 kHz; below 8 kHz the formants
    // would pass Nyquist.
    rate = std::clamp(rate, 8000.0, 88000.0);
    rate_ = rate;
    intRate_ = static_cast<int>(rate);
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

    feedbackDelay_ = intRate_ == 44100 ? 3500u : 3809u;

    close_ = SvfCoefficients::design(std::tan(2.0 * kPi * 100.0 / rate) / 2.4494898, 1.0);

    lastTime_ = -1.0f;
    lastVowel_ = -1.0f;
    clear(0);
}

bool ReverbUnit::setControl(int id, float value) {
    switch (id) {
        // Switches count as on when their value truncates to a nonzero integer.
        case effects_control::kReverbOn: on_ = static_cast<int>(value) != 0; return true;
        case effects_control::kReverbChorale: chorale_ = static_cast<int>(value) != 0; return true;
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

void ReverbUnit::clearShimmer() {
    std::fill(analysis_.begin(), analysis_.end(), 0.0f);
    std::fill(accumulation_.begin(), accumulation_.end(), 0.0f);
    std::fill(output_.begin(), output_.end(), 0.0f);
    std::fill(frame_.begin(), frame_.end(), 0.0f);
    std::fill(feedbackRing_.begin(), feedbackRing_.end(), 0.0f);
    shimmerPos_ = 0;
    hopCounter_ = 0;
    feedbackPos_ = 0;
    shimmerFeedback_ = 0.0f;
    shimmerSlice_.fill(0.0f);
    silentInput_ = 3 * kFftSize;  // the rings are empty
}

void ReverbUnit::clear(int stage) {
    if (stage == 1) {
        for (float* line : lines_) std::fill(line, line + kRingSize + kRingGuard, 0.0f);
        dampState_.fill(0.0f);
        return;
    }
    std::fill(storage_.begin(), storage_.end(), 0.0f);
    write_ = 0;
    dampState_.fill(0.0f);
    lowL_ = lowR_ = 0.0f;
    clearShimmer();
    formantState_.fill(FormantState{});
    closeS1_.fill(0.0f);
    closeS2_.fill(0.0f);
    previousL_ = previousR_ = 0.0f;
    smoothedMix_ = 0.0f;
    widthSmoothed_ = clamped(width_, 2);
    phase_ = 0.0;
}

void ReverbUnit::updateChorale(float color) {
    const float v = 4.0f * color;
    const int i = std::min(static_cast<int>(v), 4);
    const float f = v - static_cast<float>(i);
    for (int j = 0; j < kFormants; ++j) {
        const float freq = kVowelFrequency[i][j] + (kVowelFrequency[i + 1][j] - kVowelFrequency[i][j]) * f;
        const float a = std::sqrt(kVowelLevel[i][j] + (kVowelLevel[i + 1][j] - kVowelLevel[i][j]) * f);
        // Formants above 0.45 x rate (only at rates below 8.7 kHz) are held there.
        const double g = std::tan(kPi * std::min(static_cast<double>(freq), 0.45 * rate_) / rate_);
        const double k0 = 1.0 / (a * kFormantQ[j]);
        formant_[j].bandGain = static_cast<float>(k0 * (a * a - 1.0));
        formant_[j].section = TrapezoidCoefficients::design(g, k0);
    }
}

void ReverbUnit::updateCoefficients(int n) {
    const float t = clamped(time_, 0);
    if (t != lastTime_) {
        lastTime_ = t;
        const double decay = 0.5 + 19.5 * static_cast<double>(t) * t;
        feedback_ = static_cast<float>(0.707 * std::pow(0.001, 1.0 / (42.0 * decay)));
    }
    const float color = clamped(color_, 1);
    if (chorale_) {
        damping_ = 0.075f;
        if (color != lastVowel_) {
            lastVowel_ = color;
            updateChorale(color);
        }
    } else {
        damping_ = 0.75f * color;
    }
    shimmerGain_ = clamped(shimmer_, 4);
    regenGain_ = unit(regen_ * 0.8f + offsets_[3]);

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

void ReverbUnit::shimmerFrame() {
    const unsigned p = shimmerPos_;
    for (unsigned i = 1; i <= kHop; ++i) {
        const unsigned q = (p - i) & kFftMask;
        accumulation_[q] = 0.0f;
        output_[q] = 0.0f;
    }
    // Frame[i] = Acc[p + i] after Acc[p + i] += X[p + i] W[i], in the two
    // contiguous runs of the ring.
    float* frame = frame_.data();
    const float* w = window_.data();
    const int head = kFftSize - static_cast<int>(p);
    accumulate(accumulation_.data() + p, analysis_.data() + p, w, frame, head);
    accumulate(accumulation_.data(), analysis_.data(), w + head, frame + head, kFftSize - head);

    // The forward transform, of which only the bins below N/5 are used: the
    // N-point spectrum X(k) = E(k) + exp(-2 pi i k / N) O(k) from the N/2-point
    // spectra of the even and odd samples, which for k < N/4 are stored
    // directly in their packed layout. Two half-size transforms cost less
    // than one full one, and the combination runs over N/5 bins only.
    float* even = halfEven_.data();
    float* odd = halfOdd_.data();
    deinterleave(frame, even, odd, kFftSize / 2);
    halfFft_.forward(even, even);
    halfFft_.forward(odd, odd);
    frame[0] = 0.0f;
    combineHalves(even + 1, odd + 1, twiddleRe_.data(), twiddleIm_.data(), frame + 1, kShimmerCut - 1);
    // Double every phase below N/5 and keep its magnitude; everything else
    // (DC and the bins from N/5 up) becomes zero.
    doublePhases(frame + 1, kShimmerCut - 1);
    std::fill(frame + 2 * kShimmerCut - 1, frame + kFftSize / 2, 0.0f);
    // Only every second sample of the inverse is played (twice the speed, an
    // octave up). With nothing at or above N/4, those samples are the N/2-point
    // inverse of the first N/2 packed values, times 1/2 (folded into the
    // synthesis window), so the half-size transform does the work.
    halfFft_.inverse(frame, frame);
    const float* ws = synthesisWindow_.data();
    const int split = std::min(kFftSize / 2, kFftSize - static_cast<int>(p));
    overlapAdd(output_.data() + p, frame, ws, split);
    overlapAdd(output_.data(), frame + split, ws + split, kFftSize / 2 - split);
}

float ReverbUnit::shimmerSample(float in) {
    // Inputs below 1e-15 are taken as silence: they would only feed tiny
    // values around the regeneration loop.
    float x = (in * shimmerGain_ + shimmerFeedback_ * regenGain_) * 0.0625f;
    flushTiny(x, 1e-15f);
    silentInput_ = x == 0.0f ? std::min(silentInput_ + 1, 3 * kFftSize) : 0;
    analysis_[shimmerPos_] = x;
    // The counter counts this sample first, so a frame runs every kHop samples.
    if (++hopCounter_ == kHop) {
        hopCounter_ = 0;
        // After 3N silent samples every analysis, accumulation and output
        // position holds zero, so a frame would only add zeros.
        if (silentInput_ < 3 * kFftSize) shimmerFrame();
    }
    const float s = output_[shimmerPos_];
    feedbackRing_[feedbackPos_] = s;
    shimmerFeedback_ = feedbackRing_[(feedbackPos_ - feedbackDelay_) & (kFeedbackSize - 1)];
    feedbackPos_ = (feedbackPos_ + 1) & (kFeedbackSize - 1);
    shimmerPos_ = (shimmerPos_ + 1) & kFftMask;
    return s;
}

void ReverbUnit::chorale(int n, float* l, float* r) {
    // Lanes: the previous chorale outputs (left, right), then this sample's
    // right and left. The third and fourth lanes become the next previous
    // outputs, so the chorale sends the right input to the left output and
    // the left to the right, one sample late. The states are held in locals
    // for the slice so that each four-lane step is one vector operation.
    float previous[kFormants][4], band[kFormants][4], low[kFormants][4];
    for (int j = 0; j < kFormants; ++j) {
        for (int lane = 0; lane < 4; ++lane) {
            previous[j][lane] = formantState_[j].previous[lane];
            band[j][lane] = formantState_[j].band[lane];
            low[j][lane] = formantState_[j].low[lane];
        }
    }
    float previousL = previousL_, previousR = previousR_;
    for (int i = 0; i < n; ++i) {
        float v[4] = {previousL, previousR, r[i], l[i]};
        for (int j = 0; j < kFormants; ++j) {
            const Formant& c = formant_[j];
            for (int lane = 0; lane < 4; ++lane) {
                v[lane] += trapezoidStep(c.section, v[lane] * c.bandGain, previous[j][lane], band[j][lane], low[j][lane]);
            }
        }
        previousL = 0.2f * v[2];
        previousR = 0.2f * v[3];
        // The closing two-pole filter; only the first two lanes' results are used.
        float out[2];
        for (int ch = 0; ch < 2; ++ch) {
            const float x = 0.2f * v[ch];
            const SvfOutput y = svfStep(close_, closeS1_[ch], closeS2_[ch], x);
            out[ch] = x + 5.0f * y.band + 35.0f * y.low;
        }
        l[i] = out[0];
        r[i] = out[1];
    }
    previousL_ = previousL;
    previousR_ = previousR;
    for (int j = 0; j < kFormants; ++j) {
        for (int lane = 0; lane < 4; ++lane) {
            formantState_[j].previous[lane] = previous[j][lane];
            formantState_[j].band[lane] = band[j][lane];
            formantState_[j].low[lane] = low[j][lane];
        }
    }
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
        const float s = shimmerSample(left[i] + right[i]);
        l[i] = left[i] + s;
        r[i] = right[i] + s;
        shimmerSlice_[i] = s;
    }
    if (chorale_) chorale(n, l, r);
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
    for (FormantState& s : formantState_) {
        for (int lane = 0; lane < 4; ++lane) {
            flushTiny(s.previous[lane], 1e-7f);
            flushTiny(s.band[lane], 1e-7f);
            flushTiny(s.low[lane], 1e-7f);
        }
    }
    for (float* state : {&closeS1_[0], &closeS1_[1], &closeS2_[0], &closeS2_[1], &previousL_, &previousR_}) flushTiny(*state, 1e-7f);
    if (std::fabs(smoothedMix_ - mixTarget) < 1e-6f) smoothedMix_ = mixTarget;
    if (std::fabs(widthSmoothed_ - width) < 1e-6f) widthSmoothed_ = width;
}

bool ReverbUnit::hasSubnormalState() const {
    // A plain loop: tests call this often, also in unoptimised builds.
    auto anySubnormal = [](const float* v, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            if (v[i] != 0.0f && v[i] > -FLT_MIN && v[i] < FLT_MIN) return true;
        }
        return false;
    };
    for (const std::vector<float>* v : {&storage_, &analysis_, &accumulation_, &output_, &feedbackRing_}) {
        if (anySubnormal(v->data(), v->size())) return true;
    }
    for (const FormantState& s : formantState_) {
        if (anySubnormal(s.previous.data(), 4) || anySubnormal(s.band.data(), 4) || anySubnormal(s.low.data(), 4)) {
            return true;
        }
    }
    const float scalars[] = {lowL_, lowR_, closeS1_[0], closeS1_[1], closeS2_[0], closeS2_[1],
                             previousL_, previousR_, smoothedMix_, widthSmoothed_, shimmerFeedback_};
    return anySubnormal(dampState_.data(), dampState_.size()) || anySubnormal(scalars, std::size(scalars));
}

}  // namespace calverine
