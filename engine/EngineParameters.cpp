// The engine's controls: each value from the shell, already in engine scale,
// into the fields it drives. Single fields are written at once, from whatever
// thread the host uses; what restructures the voices is asked for here and
// made by the audio thread (AudioEngine::applyRequestedChanges).
#include <algorithm>
#include <cmath>

#include "AudioEngine.h"
#include "EngineControls.h"

namespace calverine {

namespace {

// Every control within its range before it reaches a formula: 0..1 for the
// continuous ones, the step range for the integer ones. Patches and hosts
// can deliver anything finite; the sound must stay finite.
double withinRange(int id, double value) {
    switch (id) {
    case control::kTranspose:
    case control::kBendRangeUp:
    case control::kBendRangeDown: return std::clamp(value, 0.0, 48.0);
    case control::kFilterOsc2:
    case control::kPartsMode: return std::clamp(value, 0.0, 2.0);
    case control::kLfo[0].shape:
    case control::kLfo[1].shape: return std::clamp(value, 0.0, 3.0);  // the two LFO shapes
    case control::kVoiceCount: return value;
    case control::kDelayTime: return std::clamp(value, 0.0, 14.0);
    case control::kDelayDoubleX: return std::clamp(value, 0.0, 2.0);
    case control::kLfo[0].steps:
    case control::kLfo[1].steps: return std::clamp(value, 0.0, 128.0);
    default: break;
    }
    for (int slot = 0; slot < 12; ++slot)
        if (id == control::kMatrixSource[slot] || id == control::kMatrixDestination[slot]) return std::clamp(value, 0.0, 255.0);
    return std::clamp(value, 0.0, 1.0);
}

}  // namespace

void AudioEngine::setEngineParameter(int control, double value, int part) {
    if (!std::isfinite(value)) return;
    value = withinRange(control, value);
    PartSettings& ps = parts_[part & 1];
    const float v = static_cast<float>(value);
    const bool on = value != 0.0;
    switch (control) {
    case control::kVolume: masterVolume_ = static_cast<float>(value * value * 8.0); break;
    case control::kSpread: spread_.target = v; break;
    case control::kTuning: tuning_.target = static_cast<float>(std::exp2((2.0 * value - 1.0) / 12.0)); break;
    case control::kPortamento:
        portamento_ = value;
        updateGlideRate();
        break;
    case control::kUnison: requests_.voiceMode.store(static_cast<int>(value)); break;
    case control::kOsc2Detune: ps.detune = v - 0.5f; break;
    case control::kCrossMod: ps.crossMod = v; break;
    case control::kTranspose: transpose_ = static_cast<int>(value) - 24; break;
    case control::kOsc1Freq: ps.octave.target = 12.0f * static_cast<float>(static_cast<int>(3.0 * value)); break;
    case control::kOsc1Saw: ps.saw1 = on, ps.updateMixes(); break;
    case control::kOsc1Pulse: ps.pulse1 = on, ps.updateMixes(); break;
    case control::kOsc2Freq: ps.semitone.target = static_cast<float>(static_cast<int>(63.0 * value)); break;
    case control::kOsc2Saw: ps.saw2 = on, ps.updateMixes(); break;
    case control::kOsc2Pulse: ps.pulse2 = on, ps.updateMixes(); break;
    case control::kPulseWidth: ps.pulseWidth.target = 0.4f * v + 0.5f; break;
    case control::kSync: ps.sync = on; break;
    case control::kFilterEnvelopeToOsc2: ps.filterEnvelopeToOsc2 = on; break;
    case control::kFilterFreq: ps.cutoff.target = static_cast<float>(std::pow(std::max(value, 0.0), 0.8)); break;
    case control::kFilterReso: ps.resonance.target = std::min(1.0f, v); break;
    case control::kFilterMod: ps.envelopeAmount.target = static_cast<float>(std::pow(std::max(value, 0.0), 0.8)); break;
    case control::kFilterOsc1: ps.osc1Level = v; break;
    case control::kFilterOsc2: ps.osc2Selector = static_cast<int>(value); break;
    case control::kFilterNoise: ps.noise = on; break;
    case control::kFilter4Pole: ps.fourPole = on; break;
    case control::kFilterBandPass: ps.bandPass = on; break;
    case control::kFilterTrack: ps.keyTrack = on; break;
    case control::kBendRangeUp: bendRange_[0] = static_cast<int>(value); break;
    case control::kBendRangeDown: bendRange_[1] = static_cast<int>(value); break;
    case control::kFilterInputLevel: ps.inputLevel.target = 8.0f * v + 0.001f; break;
    case control::kVcaSaturation: vcaSaturation_ = on; break;
    case control::kOrganic: organic_ = 0.5 * value; break;
    case control::kFilterEnvRetrigger: filterRetrigger_ = static_cast<int>(value) != 0; break;
    case control::kLimiter: limiterOn_ = on; break;
    case control::kSplit: splitNote_ = static_cast<int>(value * 96.0 + 0.0001) + 12; break;
    case control::kPartsMode:
        requests_.partsMode.store(static_cast<int>(value));
        if (static_cast<int>(value) == 1) requests_.dualChosen.store(true);
        break;
    case control::kPartsMix: {
        partMix_ = v;
        const float m = std::clamp(partMix_, 0.0f, 1.0f);
        partGain_[0].target = std::sqrt(1.0f - m) + 0.0001f;
        partGain_[1].target = std::sqrt(m) + 0.0001f;
        break;
    }
    case control::kVoiceCount:
        requests_.voiceCount.store(static_cast<int>(value) == 16 ? 16 : 8);
        break;
    default:
        if (setLfoParameter(control, value) || setMatrixParameter(control, value) || effects_.setControl(control, value))
            break;
        if (control >= control::kFilterEnvAttack && control <= control::kAmpEnvRelease) {
            ps.envelopeControls[control - control::kFilterEnvAttack] = value;
            requests_.envelopeControlsChanged.store(true);
        } else if (control >= control::kFirstVoiceAdjustment && control <= control::kLastVoiceAdjustment) {
            voices_[static_cast<std::size_t>(part & 15)].adjust.set(control, value);
        } else if (control >= control::kVoiceMute1 && control < control::kVoiceMute1 + 8) {
            voiceMute_[static_cast<std::size_t>(control - control::kVoiceMute1)] = static_cast<std::int32_t>(value);
        } else if (control >= control::kVoiceMute9 && control < control::kVoiceMute9 + 8) {
            voiceMute_[static_cast<std::size_t>(control - control::kVoiceMute9 + 8)] = static_cast<std::int32_t>(value);
        }
        break;
    }
}

bool AudioEngine::setLfoParameter(int control, double value) {
    for (int l = 0; l < 2; ++l) {
        ModLfo& lfo = lfo_[static_cast<std::size_t>(l)];
        const control::LfoControls& id = control::kLfo[l];
        const bool on = static_cast<int>(value) != 0;
        if (control == id.rate) {
            lfo.setRate(value, fs_);
        } else if (control == id.shape) {
            lfo.shape = static_cast<int>(value);
        } else if (control == id.freqDepth) {
            lfo.freqDepth = static_cast<float>(value);
        } else if (control == id.freqOsc1 || control == id.freqOsc2 || control == id.freqFilter) {
            lfo.freqTarget[control == id.freqOsc1 ? 0 : control == id.freqOsc2 ? 1 : 2] = on;
        } else if (control == id.pwDepth) {
            lfo.pwDepth = static_cast<float>(0.33 * value);
        } else if (control == id.pwOsc1 || control == id.pwOsc2) {
            lfo.pwTarget[control == id.pwOsc1 ? 0 : 1] = on;
        } else if (control == id.steps) {
            lfo.stepCount = std::clamp(static_cast<int>(value), 1, ModLfo::kMaxSteps);
        } else if (control == id.oneShot) {
            lfo.oneShot = on ? 1 : 0;
        } else if (control == id.soften) {
            lfoSoften_[l] = value;
            lfo.setSoften(value, fs_);
        } else {
            continue;
        }
        return true;
    }
    return false;
}

bool AudioEngine::setMatrixParameter(int control, double value) {
    for (int slot = 0; slot < ModMatrix::kSlots; ++slot) {
        if (control == control::kMatrixSource[slot]) {
            matrix_.setSource(slot, static_cast<int>(value));
        } else if (control == control::kMatrixAmount[slot]) {
            matrix_.setAmount(slot, value);
        } else if (control == control::kMatrixDestination[slot]) {
            matrix_.setDestination(slot, static_cast<int>(value));
        } else {
            continue;
        }
        return true;
    }
    return false;
}


}  // namespace calverine
