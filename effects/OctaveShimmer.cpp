// Speed notes:
// - The transform runs once per hop of 256 samples, and not at all once the
//   input has been zero long enough for every ring to be empty.
// - Every transform is half size: the forward one is built from the even and
//   odd samples' spectra over the N/5 bins that are kept, and the read-out
//   only needs the even samples of the inverse.
// - The frame's loops work on pointers that never overlap, so they vectorise.
#include "OctaveShimmer.h"

#include "SubnormalCheck.h"

#include <cmath>

namespace calverine {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kCut = OctaveShimmer::kFftSize / 5;  // bins k < 819 are kept

// acc[i] += x[i] w[i], frame[i] = acc[i]:
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

OctaveShimmer::OctaveShimmer()
    : halfFft_(kFftSize / 2),
      halfEven_(kFftSize / 2),
      halfOdd_(kFftSize / 2),
      twiddleRe_(kCut - 1),
      twiddleIm_(kCut - 1),
      synthesisWindow_(kFftSize / 2),
      analysis_(kFftSize),
      accumulation_(kFftSize),
      output_(kFftSize),
      frame_(kFftSize),
      window_(kFftSize),
      feedbackRing_(kFeedbackSize) {
    // Nuttall window. Its end points come out as rounding noise around zero;
    // they are set to exactly zero.
    for (int i = 0; i < kFftSize; ++i) {
        const double x = 2.0 * kPi * i / (kFftSize - 1);
        const double w = 0.355768 - 0.487396 * std::cos(x) + 0.144232 * std::cos(2 * x) - 0.012604 * std::cos(3 * x);
        window_[i] = std::fabs(w) < 1e-9 ? 0.0f : static_cast<float>(w);
    }
    for (int m = 0; m < kFftSize / 2; ++m) synthesisWindow_[m] = 0.5f * window_[2 * m];
    for (int k = 1; k < kCut; ++k) {
        twiddleRe_[k - 1] = static_cast<float>(std::cos(2.0 * kPi * k / kFftSize));
        twiddleIm_[k - 1] = static_cast<float>(-std::sin(2.0 * kPi * k / kFftSize));
    }
    clear();
}

void OctaveShimmer::setSampleRate(double rate) { feedbackDelay_ = static_cast<int>(rate) == 44100 ? 3500u : 3809u; }

void OctaveShimmer::clear() {
    std::fill(analysis_.begin(), analysis_.end(), 0.0f);
    std::fill(accumulation_.begin(), accumulation_.end(), 0.0f);
    std::fill(output_.begin(), output_.end(), 0.0f);
    std::fill(frame_.begin(), frame_.end(), 0.0f);
    std::fill(feedbackRing_.begin(), feedbackRing_.end(), 0.0f);
    position_ = 0;
    hopCounter_ = 0;
    feedbackPosition_ = 0;
    feedback_ = 0.0f;
    silentInput_ = 3 * kFftSize;  // the rings are empty
}

void OctaveShimmer::frame() {
    const unsigned p = position_;
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
    combineHalves(even + 1, odd + 1, twiddleRe_.data(), twiddleIm_.data(), frame + 1, kCut - 1);
    // Double every phase below N/5 and keep its magnitude; everything else
    // (DC and the bins from N/5 up) becomes zero.
    doublePhases(frame + 1, kCut - 1);
    std::fill(frame + 2 * kCut - 1, frame + kFftSize / 2, 0.0f);
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

bool OctaveShimmer::hasSubnormalState() const {
    for (const std::vector<float>* v : {&analysis_, &accumulation_, &output_, &feedbackRing_}) {
        if (anySubnormal(v->data(), v->size())) return true;
    }
    return anySubnormal(&feedback_, 1);
}

}  // namespace calverine
