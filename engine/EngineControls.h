// The control ids the engine interprets in setEngineParameter, each named
// here once (the effects section's own ids are named in EffectControls.h and
// reach the engine through this namespace too). The shell's parameter table
// maps host parameters and patch values onto these.
#pragma once

#include "EffectControls.h"

namespace calverine::control {

using namespace effects_control;

constexpr int kVolume = 7;
constexpr int kSpread = 8;
constexpr int kTuning = 12;
constexpr int kPortamento = 13;
constexpr int kUnison = 14;
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
constexpr int kFilter4Pole = 57;
constexpr int kFilterTrack = 58;
constexpr int kFilterBandPass = 78;
constexpr int kLimiter = 79;
constexpr int kBendRangeUp = 80;
constexpr int kBendRangeDown = 81;
constexpr int kFilterInputLevel = 82;
constexpr int kOrganic = 96;
constexpr int kVcaSaturation = 108;
constexpr int kFilterEnvRetrigger = 118;
constexpr int kSplit = 126;
constexpr int kPartsMode = 127;
constexpr int kPartsMix = 128;
constexpr int kVoiceCount = 169;

// The envelopes, in the order of their controls: filter attack, decay,
// sustain, release, then the loudness envelope's.
constexpr int kFilterEnvAttack = 59;
constexpr int kFilterEnvDecay = 60;
constexpr int kFilterEnvSustain = 61;
constexpr int kFilterEnvRelease = 62;
constexpr int kAmpEnvAttack = 63;
constexpr int kAmpEnvDecay = 64;
constexpr int kAmpEnvSustain = 65;
constexpr int kAmpEnvRelease = 66;

// The two LFOs' controls, LFO 1's and LFO 2's side by side.
struct LfoControls {
    int rate, shape, freqDepth, freqOsc1, freqOsc2, freqFilter, pwDepth, pwOsc1, pwOsc2, steps, oneShot, soften;
};
constexpr LfoControls kLfo[2] = {{20, 21, 24, 25, 26, 27, 28, 29, 30, 210, 220, 222},
                                 {33, 34, 35, 36, 37, 38, 67, 68, 69, 211, 221, 223}};

// The twelve matrix slots' source, amount and destination controls.
constexpr int kMatrixSource[12] = {100, 101, 102, 103, 104, 105, 182, 185, 188, 191, 194, 197};
constexpr int kMatrixAmount[12] = {110, 111, 112, 113, 114, 115, 183, 186, 189, 192, 195, 198};
constexpr int kMatrixDestination[12] = {120, 121, 122, 123, 124, 125, 184, 187, 190, 193, 196, 199};

// Voice mutes: voices 1..8, then 9..16.
constexpr int kVoiceMute1 = 70;
constexpr int kVoiceMute9 = 170;
constexpr int voiceMute(int voice) { return voice < 8 ? kVoiceMute1 + voice : kVoiceMute9 + voice - 8; }

// The thirty voice adjustments, set for each voice slot (0..15).
namespace adjust {
enum : int {
    kOsc1Pitch = 130,
    kOsc2Pitch,
    kPulseWidth,
    kCutoff,
    kResonance,
    kFilterMod,
    kFilterAttack,
    kFilterDecay,
    kFilterSustain,
    kFilterRelease,
    kAmpAttack,
    kAmpDecay,
    kAmpSustain,  // has no effect
    kAmpRelease,
    kLevel,
    kSpread,
    kPresence,
    kPortamento,
    kOsc2Detune,
    kLfo1Offset,
    kLfo1FreqDepth,
    kLfo1PwDepth,
    kOsc1Scale,
    kOsc2Scale,
    kKeyScale,
    kLfo2Offset,
    kLfo2FreqDepth,
    kLfo2PwDepth,
    kCrossMod,
    kSemitones,
};
static_assert(kSemitones == 159);
}  // namespace adjust
constexpr int kFirstVoiceAdjustment = adjust::kOsc1Pitch;
constexpr int kLastVoiceAdjustment = adjust::kSemitones;

}  // namespace calverine::control
