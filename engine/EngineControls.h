// The control ids the engine itself interprets in setEngineParameter. The
// shell's parameter table maps host parameters and patch values onto these.
#pragma once

namespace calverine::control {

constexpr int kVolume = 7;
constexpr int kPortamento = 13;
constexpr int kEffects = 10;
constexpr int kUnison = 14;
constexpr int kFilter4Pole = 57;
constexpr int kVoiceMute1 = 70;   // 70..77: voices 1..8
constexpr int kVoiceMute9 = 170;  // 170..177: voices 9..16
constexpr int kFilterBandPass = 78;
constexpr int kLimiter = 79;
constexpr int kSplit = 126;
constexpr int kPartsMode = 127;
constexpr int kPartsMix = 128;
constexpr int kVoiceCount = 169;

}  // namespace calverine::control
