#include "ModMatrix.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace calverine {

using namespace matrix;

namespace {
bool isSemitoneDestination(std::uint32_t d) {
    return d == kPitchSemi || d == kOsc1Semi || d == kOsc2Semi || d == kPartASemi || d == kPartBSemi;
}
}  // namespace

void ModMatrix::setSource(int slot, int id) {
    slots_[slot].source = static_cast<std::uint32_t>(std::max(id, 0));
    updateAmount(slot);
}

void ModMatrix::setAmount(int slot, double normalized) {
    slots_[slot].raw = static_cast<float>(2.0 * normalized - 1.0);
    updateAmount(slot);
}

void ModMatrix::setDestination(int slot, int id) {
    slots_[slot].destination = static_cast<std::uint32_t>(std::max(id, 0));
    updateAmount(slot);
}

// A constant to a semitone destination transposes by whole semitones: the
// amount is cut toward zero to a multiple of 0.01.
void ModMatrix::updateAmount(int slot) {
    Slot& s = slots_[slot];
    s.amount = s.raw;
    if (s.source == kConst && isSemitoneDestination(s.destination)) {
        const float offset = s.raw >= 0.0f ? 0.01f : -0.01f;
        s.amount = static_cast<float>(static_cast<int>(s.raw * 100.0f + offset)) * 0.01f;
    }
}

bool ModMatrix::active() const {
    return std::any_of(std::begin(slots_), std::end(slots_),
                       [](const Slot& s) { return s.source != kNone && s.destination != 0; });
}

bool ModMatrix::targetsEnvelopes() const {
    return std::any_of(std::begin(slots_), std::end(slots_), [](const Slot& s) {
        return s.source != kNone && s.destination >= kFilterAttack && s.destination <= kAmpRelease;
    });
}

float ModMatrix::value(const Slot& slot, const MatrixSources& s, bool early) {
    const float a = slot.amount;
    const float pressure = early ? s.earlyPressure : s.pressure;
    switch (slot.source) {
    case kVelocity: return s.velocity * a;
    case kKeyC0: return std::clamp((s.note - 12) * 0.01f * a, -1.0f, 1.0f);
    case kKeyC4: return std::clamp((s.note - 60) * 0.02f * a, -1.0f, 1.0f);
    case kModWheel: return s.modWheel * a;
    case kPitchBend: return s.pitchBend * a;
    case kAftertouch: return pressure * a;
    case kPolyPressure: return s.polyPressure * a;
    case kFoot: return s.foot * a;
    case kExpression: return s.expression * a;
    case kTimbre: return s.timbre * a;
    case kConst: return a;
    case kRandom: return s.random * a;
    case kLfo1: return s.lfo[0] * a;
    case kLfo2: return s.lfo[1] * a;
    case kLfo1Wheel: return s.lfo[0] * s.modWheel * a;
    case kLfo2Wheel: return s.lfo[1] * s.modWheel * a;
    case kLfo1Pressure: return s.lfo[0] * pressure * a;
    case kLfo2Pressure: return s.lfo[1] * pressure * a;
    case kFilterEnvelope: return s.filterEnvelope * a;
    case kAmpEnvelope: return s.ampEnvelope * a;
    default: return 0.0f;
    }
}

void ModMatrix::voicePass(const MatrixSources& s, int part, VoiceModulation& m) const {
    m = VoiceModulation{};
    // The LFO depth slots first, with the early pressure stage.
    for (const Slot& slot : slots_)
        if (slot.destination == kLfo1Depth || slot.destination == kLfo2Depth)
            m.lfoDepth[slot.destination == kLfo1Depth ? 0 : 1] += value(slot, s, true);
    for (const Slot& slot : slots_) {
        if (slot.source == kNone) continue;
        const float y = value(slot, s, false);
        const bool partA = part == 0;
        switch (slot.destination) {
        case kCutoff: m.cutoff += y; break;
        case kPartACutoff: m.cutoff += partA ? y : 0.0f; break;
        case kPartBCutoff: m.cutoff += partA ? 0.0f : y; break;
        case kResonance: m.resonance += y; break;
        case kEnvAmount: m.envAmount += y; break;
        case kVolume:
        case kPartAVolume:
        case kPartBVolume: {
            if ((slot.destination == kPartAVolume && !partA) || (slot.destination == kPartBVolume && partA)) break;
            // Full scale leaves the level alone; the source's absence takes it away.
            m.volume += slot.source == kConst ? y : y - slot.amount;
            break;
        }
        case kPitchSemi: m.pitch[0] += 100.0f * y, m.pitch[1] += 100.0f * y; break;
        case kPitchFine: m.pitch[0] += 2.0f * y, m.pitch[1] += 2.0f * y; break;
        case kPartASemi:
        case kPartBSemi:
            if ((slot.destination == kPartASemi) == partA) m.pitch[0] += 100.0f * y, m.pitch[1] += 100.0f * y;
            break;
        case kPartAFine:
        case kPartBFine:
            if ((slot.destination == kPartAFine) == partA) m.pitch[0] += 2.0f * y, m.pitch[1] += 2.0f * y;
            break;
        case kOsc1Semi: m.pitch[0] += 100.0f * y; break;
        case kOsc2Semi: m.pitch[1] += 100.0f * y; break;
        case kOsc1Fine: m.pitch[0] += 2.0f * y; break;
        case kOsc2Fine: m.pitch[1] += 2.0f * y; break;
        case kOsc1Volume: m.oscVolume[0] += y; break;
        case kOsc2Volume: m.oscVolume[1] += y; break;
        case kOsc1Phase:
        case kOsc2Phase: {
            const int n = slot.destination == kOsc1Phase ? 0 : 1;
            m.setPhase[n] = true;
            m.phase[n] += y;
            break;
        }
        case kOsc1Width: m.width[0] += 0.4f * y; break;
        case kOsc2Width: m.width[1] += 0.4f * y; break;
        case kBothWidths: m.width[0] += 0.4f * y, m.width[1] += 0.4f * y; break;
        case kCrossMod: m.crossMod += y; break;
        case kOrganic: m.organic += y; break;
        case kKeyTrack: m.keyTrack += y; break;
        default:
            if (slot.destination >= kFilterAttack && slot.destination <= kAmpRelease) {
                m.envelope[slot.destination - kFilterAttack] += y;
                m.touchesEnvelope = true;
            }
            break;
        }
    }
}

void ModMatrix::blockPass(const MatrixSources& s, BlockModulation& b) const {
    b = BlockModulation{};
    for (const Slot& slot : slots_) {
        if (slot.source == kNone || slot.destination < kFirstEffect || slot.destination > kPortamento) continue;
        float y = value(slot, s, false);
        if (slot.source == kVelocity) y = (s.velocity - 0.5f) * slot.amount;  // centred at block rate
        if (slot.destination <= kLastEffect) {
            b.effects[slot.destination - kFirstEffect] += y;
        } else if (slot.destination == kLfo1Rate || slot.destination == kLfo2Rate) {
            b.lfoRate[slot.destination - kLfo1Rate] += y;
        } else if (slot.destination == kNoise) {
            b.noiseSet = true;
            b.noiseGain = std::max(0.0f, y);
        } else if (slot.destination == kPartMix) {
            b.partMixSet = true;
            b.partMix += y;
        } else if (slot.destination == kPortamento) {
            b.portamentoSet = true;
            b.portamento += y;
        }
    }
}

}  // namespace calverine
