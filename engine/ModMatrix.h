// The modulation matrix: twelve slots, each a source times a bipolar amount
// added to a destination. Evaluated once per block for the destinations that
// are not per voice (effects, LFO rates, noise level, part mix, portamento),
// with one reference voice for the per-voice sources, and once per voice in
// every control update for the rest.
#pragma once

#include <cstdint>

namespace calverine {

namespace matrix {
// Source ids.
enum Source : std::uint32_t {
    kNone = 0, kVelocity = 1, kAftertouch = 2, kFoot = 3, kExpression = 4, kTimbre = 5, kModWheel = 6, kConst = 7,
    kRandom = 8, kLfo1 = 9, kLfo2 = 10, kLfo1Wheel = 11, kLfo2Wheel = 12, kLfo1Pressure = 13, kLfo2Pressure = 14,
    kFilterEnvelope = 15, kAmpEnvelope = 16, kPitchBend = 17, kKeyC4 = 18, kKeyC0 = 19, kPolyPressure = 20,
};
// Destination ids.
enum Destination : std::uint32_t {
    kCutoff = 1, kLfo1Depth = 2, kEnvAmount = 3, kVolume = 4, kPitchSemi = 5, kPitchFine = 6, kOsc1Semi = 7,
    kOsc2Semi = 8, kOsc1Fine = 9, kOsc2Fine = 10, kOsc1Width = 11, kOsc2Width = 12, kFilterAttack = 13,
    kAmpAttack = 17, kAmpRelease = 20, kBothWidths = 21, kOsc1Volume = 22, kOsc2Volume = 23, kFirstEffect = 30, kLastEffect = 44,
    kLfo1Rate = 45, kLfo2Rate = 46, kLfo2Depth = 47, kNoise = 48, kKeyTrack = 49, kOsc1Phase = 50, kOsc2Phase = 51,
    kOrganic = 52, kCrossMod = 53, kPartMix = 54, kResonance = 55, kPartACutoff = 56, kPartBCutoff = 57,
    kPartASemi = 58, kPartBSemi = 59, kPartAFine = 60, kPartBFine = 61, kPartAVolume = 62, kPartBVolume = 63,
    kPortamento = 70,
};
}  // namespace matrix

// The source values of one voice (or of the reference voice at block rate).
struct MatrixSources {
    float velocity = 0.0f;
    int note = 60;
    float modWheel = 0.0f, pitchBend = 0.0f;
    float pressure = 0.0f;       // the main pass's channel pressure
    float earlyPressure = 0.0f;  // the first smoothing stage, for the LFO depth pass
    float polyPressure = 0.0f, foot = 0.0f, expression = 0.0f, timbre = 0.0f;
    float random = 0.0f;
    float lfo[2] = {0.0f, 0.0f};  // the LFOs' block values
    float filterEnvelope = 0.0f, ampEnvelope = 0.0f;  // 0..1
};

// The summed per-voice destinations of one control update.
struct VoiceModulation {
    float cutoff = 0.0f, resonance = 0.0f, envAmount = 0.0f, volume = 0.0f;
    float pitch[2] = {0.0f, 0.0f};  // semitones for each oscillator
    float oscVolume[2] = {0.0f, 0.0f}, width[2] = {0.0f, 0.0f};
    float crossMod = 0.0f, organic = 0.0f, keyTrack = 0.0f;
    float lfoDepth[2] = {0.0f, 0.0f};
    bool setPhase[2] = {false, false};
    float phase[2] = {0.0f, 0.0f};
    double envelope[8] = {};  // offsets of the eight envelope controls
    bool touchesEnvelope = false;
};

// The block-rate destinations.
struct BlockModulation {
    float effects[15] = {};  // destinations 30..44: delay, reverb, chorus offsets
    float lfoRate[2] = {0.0f, 0.0f};
    bool noiseSet = false;
    float noiseGain = 1.0f;
    bool partMixSet = false;
    float partMix = 0.0f;    // the sum of the slots, to add to the control
    bool portamentoSet = false;
    float portamento = 0.0f;
};

class ModMatrix {
public:
    static constexpr int kSlots = 12;

    // normalized: the control's value; the amount stores 2v - 1.
    void setSource(int slot, int id);
    void setAmount(int slot, double normalized);
    void setDestination(int slot, int id);
    float amount(int slot) const { return slots_[slot].amount; }
    bool active() const;
    bool targetsEnvelopes() const;

    void voicePass(const MatrixSources& sources, int part, VoiceModulation& out) const;
    void blockPass(const MatrixSources& reference, BlockModulation& out) const;

private:
    struct Slot {
        std::uint32_t source = 0, destination = 0;
        float raw = 0.0f;     // 2v - 1
        float amount = 0.0f;  // raw, or rounded to whole semitones for "Const" to a semitone destination
    };
    void updateAmount(int slot);
    // The source value times the amount (the key-tracking sources clamp the product).
    static float value(const Slot& slot, const MatrixSources& s, bool early);

    Slot slots_[kSlots];
};

}  // namespace calverine
