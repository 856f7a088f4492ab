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
    filterAttackFactor = std::pow(0.26, 1.0 / (times.filterAttack * trim.filterAttack * fs4));
    ampAttackFactor = std::pow(0.26, 1.0 / (times.ampAttack * trim.ampAttack * fs4));
    filterTarget = filterSustain * kPeak;
    ampSustainLevel = ampSustain * kPeak;
    filterDecayCoefficient = 0.6931471805599453 / (times.filterDecay * trim.filterDecay * fs4);
    filterReleaseFactor = std::pow(0.5, 1.0 / (times.filterRelease * trim.filterRelease * fs4));
    ampDecayFactor = std::pow(0.5, 1.0 / (times.ampDecay * trim.ampDecay * fs4));
    if (released) {
        filterStage = kRelease;
        ampStage = kRelease;
        ampReleaseFactor = std::pow(0.5, 1.0 / (times.ampRelease * trim.ampRelease * fs4));
    }
}

bool VoiceEnvelopes::finish(std::int32_t ampStage) {
    if (ampStage != kAttack && ampLevel < 0.0001) ampLevel = 0.0;
    if (filterLevel < 1e-6) filterLevel = 0.0;
    return ampStage == kRelease && ampLevel < 1e-8;
}

}  // namespace calverine
