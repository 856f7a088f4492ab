#include "Envelope.h"

#include <algorithm>
#include <cmath>

namespace calverine {

namespace {
// E(x, lo, hi) = lo * (hi / lo)^x
double expRange(double x, double lo, double hi) { return lo * std::pow(hi / lo, x); }
}  // namespace

void EnvelopeTimes::derive(const double (&controls)[8]) {
    double x[8];
    for (int i = 0; i < 8; ++i) x[i] = std::clamp(controls[i], 0.0, 1.0);
    filterAttack = expRange(std::pow(x[0], 0.9), 0.00115, 14.5);
    filterDecay = expRange(std::pow(x[1], 0.85), 0.0005, 5.0);
    filterSustain = x[2];
    filterRelease = expRange(std::pow(x[3], 0.9), 0.0005, 5.0);
    ampAttack = expRange(std::pow(x[4], 0.8), 0.00115, 13.0);
    ampDecay = expRange(x[5], 0.0005, 5.0);
    ampSustain = x[6];
    ampRelease = expRange(x[7], 0.0005, 5.0);
}

void VoiceEnvelopes::prepare(const EnvelopeTimes& times, const EnvelopeTrim& trim, double filterSustain,
                             double ampSustain, double fs4, bool released, std::int32_t& filterStage,
                             std::int32_t& ampStage) {
    filterCharge = 1.0 - filterLevel;
    ampCharge = 1.0 - ampLevel;
    filterTarget = filterSustain * kPeak;
    ampSustainLevel = ampSustain * kPeak;
    // Each stage's length in sub-samples.
    form(kFilterAttackFactor, times.filterAttack * trim.filterAttack * fs4);
    form(kFilterDecayFactor, times.filterDecay * trim.filterDecay * fs4);
    form(kFilterReleaseFactor, times.filterRelease * trim.filterRelease * fs4);
    form(kAmpAttackFactor, times.ampAttack * trim.ampAttack * fs4);
    form(kAmpDecayFactor, times.ampDecay * trim.ampDecay * fs4);
    form(kAmpReleaseFactor, times.ampRelease * trim.ampRelease * fs4);
    if (released) {
        filterStage = kRelease;
        ampStage = kRelease;
    }
}

void VoiceEnvelopes::prepareFilterRelease(const EnvelopeTimes& times, const EnvelopeTrim& trim, double fs4) {
    form(kFilterReleaseFactor, times.filterRelease * trim.filterRelease * fs4);
}

// A factor is formed again only when its stage's length changed.
void VoiceEnvelopes::form(Factor which, double length) {
    if (length == formedFor[which]) return;
    formedFor[which] = length;
    switch (which) {
    // The filter envelope steps four sub-samples at a time.
    case kFilterAttackFactor: filterAttackFactor = std::pow(0.26, 4.0 / length); break;
    case kFilterDecayFactor: filterDecayKeep = std::pow(1.0 - 0.6931471805599453 / length, 4.0); break;
    case kFilterReleaseFactor: filterReleaseFactor = std::pow(0.5, 4.0 / length); break;
    case kAmpAttackFactor: ampAttackFactor = std::pow(0.26, 1.0 / length); break;
    case kAmpDecayFactor: ampDecayFactor = std::pow(0.5, 1.0 / length); break;
    case kAmpReleaseFactor: ampReleaseFactor = std::pow(0.5, 1.0 / length); break;
    }
}

bool VoiceEnvelopes::finish(std::int32_t ampStage) {
    if (ampStage != kAttack && ampLevel < 0.0001) ampLevel = 0.0;
    if (filterLevel < 1e-6) filterLevel = 0.0;
    return ampStage == kRelease && ampLevel < 1e-8;
}

}  // namespace calverine
