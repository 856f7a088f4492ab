#include "DelayUnit.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <numbers>

#include "EffectControls.h"
#include "Svf.h"

namespace calverine {

namespace {

// The delay times in 1/128 beat: 1/2*, 1/2, 1/2T, 1/4*, ... 1/32T.
constexpr double kTimeTable[DelayUnit::kTimes] = {384.0, 256.0, 512.0 / 3, 192.0, 128.0, 256.0 / 3, 96.0, 64.0,
                                                  128.0 / 3, 48.0, 32.0, 64.0 / 3, 24.0, 16.0, 32.0 / 3};

// The low cut is an 8th-order Butterworth high-pass: these are its four
// sections' damping terms.
constexpr float kLowCutDamping[4] = {0.39018f, 1.96157f, 1.11114f, 1.66294f};
constexpr float kHighCutDamping = 1.4f;

constexpr double kSmoothing = 0.01;  // per sample, toward the goals
constexpr float kSilent = 1e-7f;

double clamp01(double x) { return std::clamp(x, 0.0, 1.0); }

}  // namespace

DelayUnit::DelayUnit() { setSampleRate(44100.0); }

int DelayUnit::lengthFor(int index, double sampleRate, double tempo) {
    if (!(tempo >= 1.0)) tempo = tempo > 0.0 ? 1.0 : 120.0;  // no tempo, or an absurd one
    tempo = std::min(tempo, 999.0);
    const double entry = kTimeTable[std::clamp(index, 0, kTimes - 1)];
    return static_cast<int>(sampleRate * 0.9375 / tempo * entry * 0.5);
}

void DelayUnit::setSampleRate(double rate) {
    if (static_cast<int>(rate) == static_cast<int>(rate_)) return;
    rate_ = rate;
    mask_ = rate <= 50000.0 ? 131071u : rate <= 150000.0 ? 262143u : 524287u;
    ringA_.assign(mask_ + 1, 0.0f);
    ringB_.assign(mask_ + 1, 0.0f);
    ringC_.assign(2 * (mask_ + 1), 0.0f);
    clear();
    lastLowCut_ = lastHighCut_ = -1.0;
    length_ = hold_ = -1;
    quiet_ = true;
}

bool DelayUnit::setControl(int id, double value) {
    namespace ec = effects_control;
    switch (id) {
    case ec::kDelayOn: on_ = value != 0.0; return true;
    case ec::kDelayDoubleX:
        doubleX_ = static_cast<int>(value);
        clearPending_.store(true);  // the audio thread clears at its next slice
        return true;
    case ec::kDelayTime: timeIndex_ = static_cast<int>(value); return true;
    case ec::kDelayFeedback: feedbackTarget_ = value; return true;
    case ec::kDelayOffset: widthTarget_ = value * 0.99 + 0.01; return true;
    case ec::kDelayLowCut: lowCutTarget_ = value; return true;
    case ec::kDelayHighCut: highCutTarget_ = value; return true;
    case ec::kDelayDryWet: wetTarget_ = value; return true;
    default: return false;
    }
}

void DelayUnit::clear() {
    std::fill(ringA_.begin(), ringA_.end(), 0.0f);
    std::fill(ringB_.begin(), ringB_.end(), 0.0f);
    std::fill(ringC_.begin(), ringC_.end(), 0.0f);
    // The allpass rings too: a mode change should not replay old diffusion.
    std::memset(allpass1_, 0, sizeof(allpass1_));
    std::memset(allpass2_, 0, sizeof(allpass2_));
    for (Section& s : sections_) {
        std::fill(std::begin(s.previous), std::end(s.previous), 0.0f);
        std::fill(std::begin(s.band), std::end(s.band), 0.0f);
        std::fill(std::begin(s.low), std::end(s.low), 0.0f);
    }
    pending_[0] = pending_[1] = 0.0f;
    write_ = writeC_ = 0;
    silence_ = static_cast<int>(ringC_.size());
}

void DelayUnit::updateFilters(double lowCut, double highCut) {
    lastLowCut_ = lowCut;
    lastHighCut_ = highCut;
    const double gLow = std::tan(std::numbers::pi * mapExponential(1.0 - highCut, 500.0, 22000.0) / rate_);
    const double gHigh = std::tan(std::numbers::pi * mapExponential(lowCut, 20.0, 2000.0) / rate_);
    for (int s = 0; s < 4; ++s) {
        for (int lane = 0; lane < 4; ++lane) {
            const double g = lane < 2 ? gLow : gHigh;
            const double k = lane < 2 ? kHighCutDamping : kLowCutDamping[s];
            const TrapezoidCoefficients c = TrapezoidCoefficients::design(g, k);
            Section& sec = sections_[s];
            sec.a1[lane] = c.a1;
            sec.bandFeedback[lane] = c.bandFeedback;
            sec.ga1[lane] = c.ga1;
            sec.twoA1[lane] = c.twoA1;
            sec.k[lane] = static_cast<float>(k);
        }
    }
}

// Lanes 2 and 3 take this sample's echo through all four high-pass sections;
// lanes 0 and 1 low-pass what lanes 2 and 3 gave one sample earlier, and
// only their first section counts.
void DelayUnit::filter(float& echoL, float& echoR, bool lowPass) {
    float x[4] = {pending_[0], pending_[1], echoL, echoR};
    float lowOut[2] = {};
    for (int s = 0; s < 4; ++s) {
        Section& sec = sections_[s];
        for (int lane = 0; lane < 4; ++lane) {
            const float e = x[lane] + sec.previous[lane] - 2.0f * sec.low[lane];
            const float band = sec.band[lane] + sec.a1[lane] * e - sec.bandFeedback[lane] * sec.band[lane];
            const float low = sec.low[lane] + sec.ga1[lane] * e + sec.twoA1[lane] * sec.band[lane];
            sec.previous[lane] = x[lane];
            sec.band[lane] = band;
            sec.low[lane] = low;
            x[lane] = x[lane] - sec.k[lane] * band - low;
        }
        if (s == 0) {
            lowOut[0] = sec.low[0];
            lowOut[1] = sec.low[1];
        }
    }
    pending_[0] = x[2];
    pending_[1] = x[3];
    echoL = lowPass ? lowOut[0] : x[2];
    echoR = lowPass ? lowOut[1] : x[3];
}

void DelayUnit::smoothTowardGoals() {
    wet_ += (wetGoal_ - wet_) * kSmoothing;
    feedback_ += (feedbackGoal_ - feedback_) * kSmoothing;
    width_ += (widthGoal_ - width_) * kSmoothing;
}

void DelayUnit::process(int n, float* left, float* right, const float* offsets, double tempo, float inputGain) {
    if (clearPending_.exchange(false)) clear();
    const double feedback = clamp01(feedbackTarget_ + offsets[0]);
    const double width = clamp01(widthTarget_ + offsets[1]);
    const double lowCut = clamp01(lowCutTarget_ + offsets[2]);
    const double highCut = clamp01(highCutTarget_ + offsets[3]);
    const double wet = clamp01(wetTarget_ + offsets[4]);
    const int length = lengthFor(timeIndex_, rate_, tempo);
    wetGoal_ = wet * inputGain * 0.999 + 0.0001;
    feedbackGoal_ = feedback * 0.95 + 0.0001;
    widthGoal_ = width;

    if (doubleX_ <= 0 && length != length_) {
        // A new time is taken at once when the echoes have died away, else
        // after a quarter-second hold; the jump is not crossfaded.
        if (quiet_ || hold_ < 0) {
            length_ = length;
            hold_ = static_cast<int>(rate_ * 0.25) - n;
        } else {
            hold_ -= n;
        }
    }
    quiet_ = true;
    if (lowCut != lastLowCut_ || highCut != lastHighCut_) updateFilters(lowCut, highCut);

    if (!on_) {
        // Off: clear once if the rings may still hold signal.
        if (silence_ < static_cast<int>(ringC_.size())) clear();
        return;
    }

    const bool carried = doubleX_ <= 0 ? processPlain(n, left, right, length_) : processDoubleX(n, left, right, length);
    silence_ = carried ? 0 : std::min(silence_ + n, static_cast<int>(ringC_.size()));

    for (Section& s : sections_) {
        for (int lane = 0; lane < 4; ++lane) {
            flushTiny(s.band[lane]);
            flushTiny(s.low[lane]);
        }
    }
}

bool DelayUnit::processPlain(int n, float* left, float* right, int length) {
    const double d = 0.0025 * rate_;
    const std::uint32_t recirculate = 2u * static_cast<std::uint32_t>(length);
    const std::uint32_t secondL = 2u * static_cast<std::uint32_t>(static_cast<int>(length + 0.75 * d));
    const std::uint32_t firstL = static_cast<std::uint32_t>(static_cast<int>(length - d));
    const std::uint32_t secondR = 2u * static_cast<std::uint32_t>(static_cast<int>(length - 0.75 * d));
    const std::uint32_t firstR = static_cast<std::uint32_t>(static_cast<int>(length + d));
    const bool lowPass = lastHighCut_ >= 0.01;
    const std::uint32_t mask = mask_;
    float* a = ringA_.data();
    float* b = ringB_.data();
    bool carried = false;
    for (int i = 0; i < n; ++i) {
        smoothTowardGoals();
        const std::uint32_t w = write_;
        const float fb = static_cast<float>(feedback_);
        float aE = fb * a[(w - recirculate) & mask];
        float bE = fb * b[(w - recirculate) & mask];
        if (std::fabs(aE) < kSilent) aE = 0.0f;
        if (std::fabs(bE) < kSilent) bE = 0.0f;
        const float aO = fb * a[(w - secondL) & mask] + a[(w - firstL) & mask];
        const float bO = fb * b[(w - secondR) & mask] + b[(w - firstR) & mask];
        float l = aO - 0.125f * bO;
        float r = bO - 0.125f * aO;
        const float m = (l + r) * 0.5f;
        const float width = static_cast<float>(width_);
        l = m + (l - m) * width;
        r = m + (r - m) * width;
        if (std::fabs(r) > 1e-4f) quiet_ = false;
        filter(l, r, lowPass);
        const float inL = left[i], inR = right[i];
        const float wet = static_cast<float>(wet_);
        left[i] = inL + (l - inL) * wet;
        right[i] = inR + (r - inR) * wet;
        a[w] = inL + fb * aE;
        b[w] = inR + fb * bE;
        carried = carried || std::fabs(a[w]) >= kSilent || std::fabs(b[w]) >= kSilent || std::fabs(aO) >= kSilent || std::fabs(bO) >= kSilent;
        write_ = (w + 1) & mask;
    }
    return carried;
}

bool DelayUnit::processDoubleX(int n, float* left, float* right, int length) {
    length_ = length;  // these modes follow the time setting at once
    const std::uint32_t d1 = static_cast<std::uint32_t>(233.0 * rate_ / 48000.0);
    const std::uint32_t d2 = static_cast<std::uint32_t>(267.0 * rate_ / 48000.0);
    const std::uint32_t len = static_cast<std::uint32_t>(length);
    const bool modeOne = doubleX_ == 1;
    const std::uint32_t tap = modeOne ? len / 2 : len;
    const bool lowPass = lastHighCut_ >= 0.01;
    const std::uint32_t mask = mask_, maskC = 2 * mask_ + 1;
    float* a = ringA_.data();
    float* b = ringB_.data();
    float* c = ringC_.data();
    bool carried = false;
    for (int i = 0; i < n; ++i) {
        smoothTowardGoals();
        const float fb = static_cast<float>(feedback_);
        const float q = feedback_ > 0.8 ? 0.04f : 0.125f;
        const std::uint32_t w = write_, w2 = writeC_;
        const float inL = left[i], inR = right[i];
        c[w2] = (inL + inR) * 0.5f + 1e-9f;
        float seed, side;
        if (modeOne) {
            seed = fb * c[(w2 - d2 - len - len / 2) & maskC];
            side = c[(w2 - len) & maskC];
        } else {
            seed = c[(w2 - d2) & maskC];
            side = 0.0f;
        }
        const float x1 = a[(w - tap + d1) & mask];
        const float x2 = b[(w - tap + d2) & mask];
        const float delayed1 = allpass1_[(w - d1) & 2047];
        const float u1 = q * delayed1 + x1;
        allpass1_[w & 2047] = u1;
        const float out1 = delayed1 - q * u1;
        const float delayed2 = allpass2_[(w - d2) & 2047];
        const float u2 = q * delayed2 + x2;
        allpass2_[w & 2047] = u2;
        const float out2 = delayed2 - q * u2;
        a[w] = seed + out2 * fb;
        b[w] = out1 * fb;
        const float s = side + x2;
        const float m = (s + x1) * 0.5f;
        const float width = static_cast<float>(width_);
        float l = m + (s - m) * width;
        float r = m + (x1 - m) * width;
        filter(l, r, lowPass);
        const float wet = static_cast<float>(wet_);
        left[i] = inL + (l - inL) * wet;
        right[i] = inR + (r - inR) * wet;
        carried = carried || std::fabs(c[w2]) >= kSilent || std::fabs(a[w]) >= kSilent || std::fabs(b[w]) >= kSilent;
        write_ = (w + 1) & mask;
        writeC_ = (w2 + 1) & maskC;
    }
    return carried;
}

}  // namespace calverine
