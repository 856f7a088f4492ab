// The filter and loudness envelopes: analog-style RC curves at four times the
// sample rate. The attack charges toward 1 and is cut off at 0.74, decays and
// releases are exponential. Factors are formed once per control update; the
// steps hold only multiplies and adds.
#pragma once

#include <cstdint>

namespace calverine {

// The eight envelope times and levels of one part, in seconds and 0..1.
struct EnvelopeTimes {
    double filterAttack = 0.00115, filterDecay = 0.0005, filterSustain = 1.0, filterRelease = 0.0005;
    double ampAttack = 0.00115, ampDecay = 0.0005, ampSustain = 1.0, ampRelease = 0.0005;

    // controls: the stored values of controls 59..66 plus their matrix
    // offsets, in that order; each is clamped to 0..1 here.
    void derive(const double (&controls)[8]);
};

// Per-voice multipliers of the envelope times (1 at the centre).
struct EnvelopeTrim {
    double filterAttack = 1.0, filterDecay = 1.0, filterRelease = 1.0;
    double ampAttack = 1.0, ampDecay = 1.0, ampRelease = 1.0;
};

struct VoiceEnvelopes {
    static constexpr double kPeak = 0.74;
    enum Stage : std::int32_t { kAttack = 0, kDecay = 1, kSustain = 3, kRelease = 4 };

    double filterLevel = 0.0, filterCharge = 1.0;
    double ampLevel = 0.0, ampCharge = 1.0;
    double ampSustainLevel = kPeak;
    // factors of the current control update
    // filter factors per output sample (four sub-samples)
    double filterAttackFactor = 0.0, filterDecayKeep = 0.0, filterReleaseFactor = 0.0, filterTarget = 0.0;
    double ampAttackFactor = 0.0, ampDecayFactor = 0.0, ampReleaseFactor = 0.0;
    // The sub-sample counts the factors were formed for: unchanged times
    // (the usual case from one block to the next) skip the pow() calls.
    double formedFor[6] = {-1.0, -1.0, -1.0, -1.0, -1.0, -1.0};

    // The update of a finished voice: only its filter envelope moves, falling.
    void prepareFilterRelease(const EnvelopeTimes& times, const EnvelopeTrim& trim, double oversampledRate);
    // Once per control update. filterSustain/ampSustain: the part's smoothed
    // sustain levels (0..1). Moves both stages to release when released.
    void prepare(const EnvelopeTimes& times, const EnvelopeTrim& trim, double filterSustain, double ampSustain,
                 double oversampledRate, bool released, std::int32_t& filterStage, std::int32_t& ampStage);
    // The filter envelope by one output sample (four sub-samples at once,
    // with the factors of prepare raised to the fourth power): it only steers
    // the cut-off, which changes once per output sample.
    void stepFilter(std::int32_t& filterStage) {
        switch (filterStage) {
        case kAttack:
            filterCharge *= filterAttackFactor;
            filterLevel = 1.0 - filterCharge;
            if (filterLevel > kPeak) {
                filterLevel = kPeak;
                filterStage = kDecay;
            }
            break;
        case kRelease: filterLevel *= filterReleaseFactor; break;
        default: filterLevel = filterTarget + (filterLevel - filterTarget) * filterDecayKeep; break;
        }
    }
    // The loudness envelope by one sub-sample.
    void stepAmp(std::int32_t& ampStage) {
        switch (ampStage) {
        case kAttack:
            ampCharge *= ampAttackFactor;
            ampLevel = 1.0 - ampCharge;
            if (ampLevel > kPeak) {
                ampLevel = kPeak;
                ampStage = kDecay;
            }
            break;
        case kDecay:
            ampLevel *= ampDecayFactor;
            if (ampLevel <= ampSustainLevel) {
                ampLevel = ampSustainLevel;
                ampStage = kSustain;
            }
            break;
        case kSustain: ampLevel = ampSustainLevel; break;
        default: ampLevel *= ampReleaseFactor; break;
        }
    }
    // After the sub-samples of a control update: flush tiny levels; true when
    // the loudness envelope has ended (the voice is free again).
    bool finish(std::int32_t ampStage);

private:
    enum Factor { kFilterAttackFactor, kFilterDecayFactor, kFilterReleaseFactor, kAmpAttackFactor, kAmpDecayFactor, kAmpReleaseFactor };
    void form(Factor which, double length);
};

}  // namespace calverine
