#include "ChorusUnit.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <numbers>

#include "EffectControls.h"

namespace calverine {

namespace {

constexpr std::uint32_t kMask = ChorusUnit::kRing - 1;
constexpr double kChorusCentre = 0.00765625;  // seconds
constexpr double kChorusSweep = 0.0016979165;  // seconds either side
constexpr double kSlowRatio = 8.005;

// The ensemble's three phases, 0, 120 and 240 degrees: (sin, cos).
constexpr double kPhaseSin[3] = {0.0, 0.8660254037844385, -0.8660254037844388};
constexpr double kPhaseCos[3] = {1.0, -0.5000000000000002, -0.4999999999999996};

}  // namespace

void ChorusUnit::setSampleRate(double rate) {
    rate_ = rate;
    smoothing_ = 1.0 - std::exp(-2.0 * std::numbers::pi * 512.0 / rate);
    lastRate_ = -1.0f;
    lastLowCut_ = lastHighCut_ = -1.0;
    clear();
}

bool ChorusUnit::setControl(int id, double value) {
    namespace ec = effects_control;
    switch (id) {
    case ec::kChorusOn: on_ = value != 0.0; return true;
    case ec::kChorusEnsemble: ensemble_ = value != 0.0; return true;
    case ec::kChorusRate: params_[kRate].target = value; return true;
    case ec::kChorusLowCut: params_[kLowCut].target = value; return true;
    case ec::kChorusHighCut: params_[kHighCut].target = value; return true;
    case ec::kChorusDryWet: params_[kDepth].target = value; return true;
    default: return false;
    }
}

void ChorusUnit::resetOscillators() {
    // Slow and fast oscillator of each phase start together.
    for (int j = 0; j < 3; ++j) {
        oscSin_[2 * j] = oscSin_[2 * j + 1] = kPhaseSin[j];
        oscCos_[2 * j] = oscCos_[2 * j + 1] = kPhaseCos[j];
    }
}

void ChorusUnit::clear() {
    std::memset(ringA_, 0, sizeof(ringA_));
    std::memset(ringB_, 0, sizeof(ringB_));
    std::fill(std::begin(s1_), std::end(s1_), 0.0f);
    std::fill(std::begin(s2_), std::end(s2_), 0.0f);
    lowOut_[0] = lowOut_[1] = 0.0f;
    resetOscillators();
}

void ChorusUnit::updateRate(float r) {
    lastRate_ = r;
    lfoHz_ = mapExponential(r, 0.02, 50.0);
    const double fast = std::numbers::pi * lfoHz_ / rate_;
    const double slow = fast / kSlowRatio;
    fastCos_ = std::cos(fast);
    fastSin_ = std::sin(fast);
    slowCos_ = std::cos(slow);
    slowSin_ = std::sin(slow);
}

double ChorusUnit::chorusTapDelay(int tap) const {
    const double d = (std::fabs(phase_) - 1.0) * kChorusSweep;
    return (kChorusCentre + (tap == 0 ? d : -d)) * rate_;
}

// A Catmull-Rom cubic between the samples written i and i + 1 samples ago.
float ChorusUnit::tap(const float* ring, double delay) const {
    const std::uint32_t f = static_cast<std::uint32_t>(delay * 8192.0);
    const std::uint32_t i = f >> 13;
    const float t = static_cast<float>(f & 8191u) * (1.0f / 8192.0f);
    const float b = ring[(write_ - i) & kMask];
    const float a = ring[(write_ - i - 1) & kMask];
    const float c = ring[(write_ - i + 1) & kMask];
    const float d = ring[(write_ - i - 2) & kMask];
    const float u = b - a;
    const float h = (a - c) * 0.5f;
    const float m = u + h;
    const float u2 = u + m + (d - b) * 0.5f;
    return ((u2 * t - (m + u2)) * t + h) * t + b;
}

// The start of every sample in both modes: the write index and the wet level
// move on, inputs below 1e-6 count as silence, and the input filters run.
// Lanes 0 and 1 low-pass the right and left inputs; lanes 2 and 3 high-pass
// what lanes 0 and 1 gave one sample earlier, for the rings.
ChorusUnit::Inputs ChorusUnit::beginSample(float left, float right, double wetStep) {
    write_ = (write_ + 1) & kMask;
    wet_ += wetStep;
    Inputs in;
    in.left = std::fabs(left) < 1e-6f ? 0.0f : left;
    in.right = std::fabs(right) < 1e-6f ? 0.0f : right;
    const float x[4] = {in.right, in.left, lowOut_[0], lowOut_[1]};
    float out[4];
    for (int lane = 0; lane < 4; ++lane) {
        const bool low = lane < 2;
        const SvfOutput y = svfStep(low ? lowPass_ : highPass_, s1_[lane], s2_[lane], x[lane]);
        out[lane] = low ? y.low : x[lane] - kHighPassDamping * y.band - y.low;
    }
    lowOut_[0] = out[0];
    lowOut_[1] = out[1];
    in.toA = out[2];
    in.toB = out[3];
    return in;
}

void ChorusUnit::process(int n, float* left, float* right, const float* offsets) {
    if (!on_) {
        if (wasOn_) clear();
        wasOn_ = false;
        return;
    }
    wasOn_ = true;
    for (Smoothed& p : params_) {
        p.current += (p.target - p.current) * smoothing_;
        if (p.current < 1e-7) p.current = 0.0;
    }
    const double highCut = std::clamp(params_[kHighCut].current + offsets[kHighCut], 0.0, 1.0);
    const double lowCut = std::clamp(params_[kLowCut].current + offsets[kLowCut], 0.0, 1.0);
    const float r = static_cast<float>(std::clamp(params_[kRate].current + offsets[kRate], 0.0, 1.0));
    if (r != lastRate_) updateRate(r);
    const double wetTarget = std::clamp(params_[kDepth].current + offsets[kDepth], 0.0, 1.0);
    const double wetStep = (wetTarget - wet_) / n;
    if (highCut != lastHighCut_ || lowCut != lastLowCut_) {
        lastHighCut_ = highCut;
        lastLowCut_ = lowCut;
        lowPass_ = SvfCoefficients::design(std::tan(std::numbers::pi * mapExponential(1.0 - highCut, 500.0, 11000.0) / rate_),
                                           kLowPassDamping);
        highPass_ = SvfCoefficients::design(std::tan(std::numbers::pi * mapExponential(lowCut, 10.0, 1000.0) / rate_),
                                            kHighPassDamping);
    }

    if (ensemble_)
        processEnsemble(n, left, right, wetStep);
    else
        processChorus(n, left, right, wetStep);

    wet_ = wetTarget;
    for (int lane = 0; lane < 4; ++lane) {
        flushTiny(s1_[lane]);
        flushTiny(s2_[lane]);
    }
    flushTiny(lowOut_[0]);
    flushTiny(lowOut_[1]);
}

void ChorusUnit::processChorus(int n, float* left, float* right, double wetStep) {
    const double phaseStep = 2.0 * lfoHz_ / rate_;
    for (int i = 0; i < n; ++i) {
        const Inputs in = beginSample(left[i], right[i], wetStep);
        phase_ += phaseStep;
        if (phase_ > 2.0) phase_ -= 4.0;
        const double a = tap(ringA_, chorusTapDelay(0));
        const double b = tap(ringB_, chorusTapDelay(1));
        ringA_[write_] = in.toA;
        ringB_[write_] = in.toB;
        left[i] = static_cast<float>((a - 0.3 * b) * wet_ * 1.25 + in.left * (1.0 - wet_));
        right[i] = static_cast<float>((b - 0.3 * a) * wet_ * 1.25 + in.right * (1.0 - wet_));
    }
}

void ChorusUnit::processEnsemble(int n, float* left, float* right, double wetStep) {
    for (int i = 0; i < n; ++i) {
        const Inputs in = beginSample(left[i], right[i], wetStep);
        for (int k = 0; k < 6; ++k) {
            const bool slow = (k & 1) == 0;
            const double c = slow ? slowCos_ : fastCos_, s = slow ? slowSin_ : fastSin_;
            const double sn = oscSin_[k], cs = oscCos_[k];
            oscSin_[k] = sn * c + cs * s;
            oscCos_[k] = cs * c - sn * s;
        }
        const double span = wet_ * 0.01 * rate_;
        float sumA = 0.0f, sumB = 0.0f;
        for (int j = 0; j < 3; ++j) {
            const double m = 0.65 * oscSin_[2 * j] + 0.35 * oscSin_[2 * j + 1];
            const double delay = (m + 1.0) * span + 2.0;
            sumA += tap(ringA_, delay);
            sumB += tap(ringB_, delay);
        }
        ringA_[write_] = in.toA;
        ringB_[write_] = in.toB;
        left[i] = 0.55f * sumA;
        right[i] = 0.55f * sumB;
    }
    // A rotation keeps the radius only to rounding; pull it back to 1 once per
    // slice so hours of playing do not drift the depth.
    for (int k = 0; k < 6; ++k) {
        const double scale = 1.5 - 0.5 * (oscSin_[k] * oscSin_[k] + oscCos_[k] * oscCos_[k]);
        oscSin_[k] *= scale;
        oscCos_[k] *= scale;
    }
}

}  // namespace calverine
