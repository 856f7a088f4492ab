#include "VowelChorale.h"

#include "SubnormalCheck.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace calverine {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Vowel formants (Hz) and levels; the last row repeats so that color 1 has
// a row to interpolate towards.
constexpr float kVowelFrequency[6][4] = {{795, 1155, 2898, 3895}, {649, 1703, 2642, 3565},
                                         {300, 2288, 2945, 3644}, {480, 900, 2400, 3280},
                                         {330, 618, 2384, 3394},  {330, 618, 2384, 3394}};
constexpr float kVowelLevel[6][4] = {{10, 4, 4, 7}, {10, 4, 4, 7}, {6, 5, 4, 5},
                                     {10, 4, 4, 7}, {8, 4, 4, 7},  {7.1f, 4, 4, 7}};
constexpr float kFormantQ[4] = {2.0f, 5.0f, 6.0f, 2.5f};

}  // namespace

void VowelChorale::setSampleRate(double rate) {
    rate_ = rate;
    vowel_ = -1.0f;
    close_ = SvfCoefficients::design(std::tan(2.0 * kPi * 100.0 / rate) / 2.4494898, 1.0);
}

void VowelChorale::setVowel(float color) {
    if (color == vowel_) return;
    vowel_ = color;
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

void VowelChorale::clear() {
    state_.fill(State{});
    closeS1_.fill(0.0f);
    closeS2_.fill(0.0f);
    previousL_ = previousR_ = 0.0f;
}

void VowelChorale::process(int n, float* left, float* right) {
    // The states are held in locals for the slice so that each four-lane
    // step is one vector operation.
    float previous[kFormants][4], band[kFormants][4], low[kFormants][4];
    for (int j = 0; j < kFormants; ++j) {
        for (int lane = 0; lane < 4; ++lane) {
            previous[j][lane] = state_[j].previous[lane];
            band[j][lane] = state_[j].band[lane];
            low[j][lane] = state_[j].low[lane];
        }
    }
    float previousL = previousL_, previousR = previousR_;
    for (int i = 0; i < n; ++i) {
        float v[4] = {previousL, previousR, right[i], left[i]};
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
        left[i] = out[0];
        right[i] = out[1];
    }
    previousL_ = previousL;
    previousR_ = previousR;
    for (int j = 0; j < kFormants; ++j) {
        for (int lane = 0; lane < 4; ++lane) {
            state_[j].previous[lane] = previous[j][lane];
            state_[j].band[lane] = band[j][lane];
            state_[j].low[lane] = low[j][lane];
        }
    }
    for (State& s : state_) {
        for (int lane = 0; lane < 4; ++lane) {
            flushTiny(s.previous[lane], 1e-7f);
            flushTiny(s.band[lane], 1e-7f);
            flushTiny(s.low[lane], 1e-7f);
        }
    }
    for (float* state : {&closeS1_[0], &closeS1_[1], &closeS2_[0], &closeS2_[1], &previousL_, &previousR_}) flushTiny(*state, 1e-7f);
}

bool VowelChorale::hasSubnormalState() const {
    for (const State& s : state_) {
        if (anySubnormal(s.previous.data(), 4) || anySubnormal(s.band.data(), 4) || anySubnormal(s.low.data(), 4)) {
            return true;
        }
    }
    const float scalars[] = {closeS1_[0], closeS1_[1], closeS2_[0], closeS2_[1], previousL_, previousR_};
    return anySubnormal(scalars, std::size(scalars));
}

}  // namespace calverine
