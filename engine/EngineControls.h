// The control ids the engine itself interprets in setEngineParameter. The
// shell's parameter table maps host parameters and patch values onto these.
#pragma once

namespace calverine::control {

constexpr int kVolume = 7;
constexpr int kSpread = 8;
constexpr int kTuning = 12;
constexpr int kOsc2Detune = 15;
constexpr int kCrossMod = 31;
constexpr int kTranspose = 32;
constexpr int kOsc1Freq = 41;
constexpr int kOsc1Saw = 42;
constexpr int kOsc1Pulse = 43;
constexpr int kOsc2Freq = 44;
constexpr int kOsc2Saw = 45;
constexpr int kOsc2Pulse = 46;
constexpr int kPulseWidth = 47;
constexpr int kSync = 48;
constexpr int kFilterEnvelopeToOsc2 = 49;
constexpr int kFilterFreq = 50;
constexpr int kFilterReso = 51;
constexpr int kFilterMod = 52;
constexpr int kFilterOsc1 = 53;
constexpr int kFilterOsc2 = 54;
constexpr int kFilterNoise = 56;
constexpr int kFilterTrack = 58;
constexpr int kFilterEnvAttack = 59;  // 59..62 filter envelope, 63..66 loudness envelope
constexpr int kFilterEnvSustain = 61;
constexpr int kAmpEnvSustain = 65;
constexpr int kAmpEnvRelease = 66;
constexpr int kBendRangeUp = 80;
constexpr int kBendRangeDown = 81;
constexpr int kFilterInputLevel = 82;
constexpr int kOrganic = 96;
constexpr int kFilterEnvRetrigger = 118;
constexpr int kLfo1Rate = 20;
constexpr int kLfo1Shape = 21;
constexpr int kLfo1FreqDepth = 24;
constexpr int kLfo1FreqOsc1 = 25;
constexpr int kLfo1FreqFilter = 27;
constexpr int kLfo1PwDepth = 28;
constexpr int kLfo1PwOsc1 = 29;
constexpr int kLfo1Steps = 210;
constexpr int kLfo1OneShot = 220;
constexpr int kLfo1Soften = 222;
constexpr int kLfo2Rate = 33;
// The twelve matrix slots' source, amount and destination controls.
constexpr int kMatrixSource[12] = {100, 101, 102, 103, 104, 105, 182, 185, 188, 191, 194, 197};
constexpr int kMatrixAmount[12] = {110, 111, 112, 113, 114, 115, 183, 186, 189, 192, 195, 198};
constexpr int kMatrixDestination[12] = {120, 121, 122, 123, 124, 125, 184, 187, 190, 193, 196, 199};
constexpr int kVcaSaturation = 108;
constexpr int kFirstVoiceAdjustment = 130;  // 130..159, one set per voice slot
constexpr int kLastVoiceAdjustment = 159;
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
