#include "EffectsChain.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "EffectControls.h"

namespace calverine {

namespace {

constexpr float kQuietInput = 4e-6f;
constexpr float kQuietOutput = 4e-8f;
constexpr double kReverbMaxRate = 88000.0;

}  // namespace

EffectsChain::EffectsChain() { setSampleRate(44100.0); }

void EffectsChain::setSampleRate(double hostRate) {
    hostRate_ = hostRate;
    reductions_ = 0;
    reverbRate_ = hostRate;
    while (reverbRate_ > kReverbMaxRate) {
        reverbRate_ *= 0.5;
        ++reductions_;
    }
    // Two reductions or more all run at a quarter of the host rate.
    if (reductions_ > 2) reverbRate_ = hostRate / 4.0;
    for (RateConverter& c : converters_) c.setUp(reductions_, hostRate);
    reverb_.setSampleRate(reverbRate_);
    delay_.setSampleRate(hostRate);
    delay_.clear();
    chorus_.setSampleRate(hostRate);
    tailReload_ = static_cast<int>(2.0 * hostRate) / kMaxSlice;
}

bool EffectsChain::setControl(int id, double value) {
    if (id == effects_control::kEffects) {
        switchRequest_.store(value != 0.0 ? 1 : 0);
        return true;
    }
    return delay_.setControl(id, value) || chorus_.setControl(id, value) ||
           reverb_.setControl(id, static_cast<float>(value));
}

void EffectsChain::takeSwitchChange() {
    const int request = switchRequest_.exchange(-1);
    if (request == 1) {
        enabled_ = true;
        countdown_ = 0;
        inputGain_ = 1.0f;
    } else if (request == 0 && enabled_) {
        // The reverb's and the delay's wet levels glide to the dry signal
        // while the countdown runs; the units stop at 100 and are cleared
        // over the following slices.
        inputGain_ = 0.0f;
        countdown_ = 500 * static_cast<int>(hostRate_ / 44100.0);
    }
}

void EffectsChain::advanceSwitchOff() {
    if (countdown_ <= 0) return;
    if (countdown_ == 100) enabled_ = false;
    if (countdown_ == 99) chorus_.clear();
    if (countdown_ == 90) delay_.clear();
    if (countdown_ == 1) reverb_.clear(ReverbUnit::Clear::Network);
    --countdown_;
}

void EffectsChain::clearUnits() {
    reverb_.clear(ReverbUnit::Clear::All);
    delay_.clear();
    chorus_.clear();
}

void EffectsChain::runReverb(int n, float* left, float* right, const float* offsets) {
    reverb_.setOffsets(offsets);
    if (reductions_ == 0) {
        reverb_.process(n, left, right, inputGain_, false);
        return;
    }
    std::memcpy(scratch_[0], left, sizeof(float) * static_cast<std::size_t>(n));
    std::memcpy(scratch_[1], right, sizeof(float) * static_cast<std::size_t>(n));
    const int m = converters_[0].decimate(n, scratch_[0]);
    converters_[1].decimate(n, scratch_[1]);
    if (m > 0) reverb_.process(m, scratch_[0], scratch_[1], inputGain_, true);
    converters_[0].interpolate(m, n, scratch_[0]);
    converters_[1].interpolate(m, n, scratch_[1]);
    const float mix = reverb_.smoothedMix();
    for (int i = 0; i < n; ++i) {
        left[i] += (scratch_[0][i] - left[i]) * mix;
        right[i] += (scratch_[1][i] - right[i]) * mix;
    }
}

void EffectsChain::process(int n, float* left, float* right, bool notesIdle, double tempo, const float* offsets) {
    bool quiet = notesIdle;
    for (int i = 0; quiet && i < n; ++i) quiet = std::fabs(left[i]) <= kQuietInput && std::fabs(right[i]) <= kQuietInput;
    if (quiet) {
        quietCount_ = std::max(quietCount_ - 1, -1);
    } else {
        quietCount_ = tailReload_;
    }
    // The tail count holds while the input has been quiet for less than two
    // seconds; after that it only runs down in the output test below.
    tailCount_ = quiet && quietCount_ < 0 ? tailCount_ : tailReload_;

    if (tailCount_ >= 1) {
        if (reverb_.isOn()) runReverb(n, left, right, offsets + DelayUnit::kOffsets);
        delay_.process(n, left, right, offsets, tempo, inputGain_);
        chorus_.process(n, left, right, offsets + DelayUnit::kOffsets + ReverbUnit::kOffsets);
    }

    if (quietCount_ < 0) tailCount_ = flushTail(n, left, right) ? tailReload_ : std::max(tailCount_ - 1, 0);
}

bool EffectsChain::flushTail(int n, float* left, float* right) {
    bool audible = false;
    for (int i = 0; i < n; ++i) {
        if (std::fabs(left[i]) < kQuietOutput) left[i] = 0.0f;
        if (std::fabs(right[i]) < kQuietOutput) right[i] = 0.0f;
        audible = audible || left[i] != 0.0f || right[i] != 0.0f;
    }
    return audible;
}

}  // namespace calverine
