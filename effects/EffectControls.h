// The control ids the effects section answers to (the engine passes every id
// it does not know itself to the effects).
#pragma once

namespace calverine::effects_control {

constexpr int kEffects = 10;

constexpr int kChorusRate = 16;
constexpr int kChorusLowCut = 17;
constexpr int kChorusHighCut = 18;
constexpr int kChorusDryWet = 19;
constexpr int kChorusEnsemble = 97;
constexpr int kChorusOn = 129;

constexpr int kDelayDoubleX = 55;
constexpr int kDelayTime = 84;
constexpr int kDelayFeedback = 85;
constexpr int kDelayOffset = 86;
constexpr int kDelayLowCut = 87;
constexpr int kDelayHighCut = 88;
constexpr int kDelayDryWet = 89;
constexpr int kDelayOn = 109;

constexpr int kReverbChorale = 83;
constexpr int kReverbTime = 90;
constexpr int kReverbColor = 91;
constexpr int kReverbShimmer = 92;
constexpr int kReverbRegen = 93;
constexpr int kReverbWidth = 94;
constexpr int kReverbMix = 95;
constexpr int kReverbOn = 119;

}  // namespace calverine::effects_control
