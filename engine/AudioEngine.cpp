#include "AudioEngine.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "EngineControls.h"
#include "VoiceKernels.h"

namespace calverine {

namespace {

// Calls f(first, count) for each run of groups in [from, to) that are not
// silent.
template <typename F>
void forEachSoundingRun(const bool (&silent)[4], int from, int to, F f) {
    for (int g = from; g < to;) {
        if (silent[g]) {
            ++g;
            continue;
        }
        int end = g + 1;
        while (end < to && !silent[end]) ++end;
        f(g, end - g);
        g = end;
    }
}

constexpr double kPi = 3.14159265358979323846;
constexpr float kQuietVoices = 4e-6f;   // below this the voice mix counts as silent
constexpr float kVolumeGlide = 0.001f;  // per-sample master volume smoothing
constexpr int kQueuedWake = 1400;       // blocks a queued note-on keeps the engine awake
}  // namespace

AudioEngine::AudioEngine() {
    partGain_[0].jump(1.0001f);
    partGain_[1].jump(0.0001f);
    for (PartSettings& part : parts_) part.times.derive(part.envelopeControls);
    configureSampleRate(44100.0);
    configureBlockSize(1024);
}

void AudioEngine::configureSampleRate(double fs) {
    fs_ = fs;
    fs4_ = 4.0 * fs;
    invFs_ = 1.0 / fs;
    minusFourPiOverFs_ = -4.0 * kPi / fs;
    rateRatio192k_ = 192000.0 / fs;
    referencePitch_ = 440.0;
    smoothing_ = static_cast<float>(1.0 - std::exp(-2.0 * kPi * 160.0 / fs));
    wakeLength_ = static_cast<int>(std::floor(2.0 * fs)) / 16;

    initialiseVoices();
    decimator_.clear();
    tables_.build(fs);
    driftTable_.resample(fs);
    noise_.configure(fs);
    effects_.setSampleRate(fs);
    limiter_.setSampleRate(fs);
    stageConstants_.configure(fs4_);
    updateGlideRate();
    stepLfoRise_ = static_cast<float>(1.0 - std::exp(-2.0 * kPi * 100.0 / fs));
    for (int l = 0; l < 2; ++l) {
        lfo_[static_cast<std::size_t>(l)].setRate(lfo_[static_cast<std::size_t>(l)].rateValue, fs);
        lfo_[static_cast<std::size_t>(l)].setSoften(lfoSoften_[l], fs);
        lfo_[static_cast<std::size_t>(l)].stepLevel = 0.0f;
    }
}

// g(x) = 4.5 * (10000 / 4.5)^x semitones per second, at x = 1 - portamento.
void AudioEngine::updateGlideRate() {
    const double x = 1.0 - portamento_;
    glideRate_ = 4.5 * std::pow(10000.0 / 4.5, x) / fs_;
}

void AudioEngine::configureBlockSize(int hostBlockLength) {
    const int n = std::max(hostBlockLength, 1);
    const std::size_t slices = static_cast<std::size_t>((n + 16) / 16);
    wheelLane.assign(slices, 0.0f);
    bendLane.assign(slices * 16, 0.0f);
}

void AudioEngine::initialiseVoices() {
    for (int i = 0; i < kVoices; ++i) voices_[static_cast<std::size_t>(i)].initialise(i, fs4_, random_);
}

void AudioEngine::resetVoices() { initialiseVoices(); }

void AudioEngine::setStepValues(const float* lfo1, const float* lfo2) {
    std::copy(lfo1, lfo1 + kStepValues, stepValues_[0]);
    std::copy(lfo2, lfo2 + kStepValues, stepValues_[1]);
}

void AudioEngine::updateEnvelopeTimes() { requests_.envelopeControlsChanged.store(true); }

// The changes the host's threads have asked for since the last slice: they
// restructure the voices, so only the audio thread makes them, between slices.
void AudioEngine::applyRequestedChanges() {
    const int voiceMode = requests_.voiceMode.load();
    if (voiceMode != voiceMode_) {
        voiceMode_ = voiceMode;
        resetVoices();
        sleepCountdown_ = wakeLength_ / 4;
    }
    partsMode_ = requests_.partsMode.load();
    // Choosing "Dual" starts the next note's search at the first voice.
    if (requests_.dualChosen.exchange(false)) roundRobin_[0] = roundRobin_[1] = 7;
    voiceCount_ = requests_.voiceCount.load();
    if (requests_.envelopeControlsChanged.exchange(false))
        for (PartSettings& part : parts_) deriveEnvelopeTimes(part);
    for (int i = 0; i < kVoices; ++i) {
        Voice& voice = voices_[static_cast<std::size_t>(i)];
        const int slot = renderSlotOf(i);
        if (voice.renderSlot != slot) voice.parkedRows = 0;
        voice.renderSlot = slot;
    }
}

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
    case control::kLfo1Shape:
    case control::kLfo2Rate + 1: return std::clamp(value, 0.0, 3.0);  // the two LFO shapes
    case control::kVoiceCount: return value;
    case 84: return std::clamp(value, 0.0, 14.0);  // delay time
    case 55: return std::clamp(value, 0.0, 2.0);   // delay Double-X mode
    case 210:
    case 211: return std::clamp(value, 0.0, 128.0);
    default: break;
    }
    for (int slot = 0; slot < 12; ++slot)
        if (id == control::kMatrixSource[slot] || id == control::kMatrixDestination[slot]) return std::clamp(value, 0.0, 255.0);
    return std::clamp(value, 0.0, 1.0);
}

}  // namespace

void AudioEngine::setEngineParameter(int control, double value, int part, std::uint8_t /*flag*/) {
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
    // LFO 1 and LFO 2 controls, in the order: rate, shape, freq depth, freq
    // osc 1, freq osc 2, freq filter, PW depth, PW osc 1, PW osc 2, steps,
    // one shot, soften.
    static constexpr int kIds[2][12] = {{20, 21, 24, 25, 26, 27, 28, 29, 30, 210, 220, 222},
                                        {33, 34, 35, 36, 37, 38, 67, 68, 69, 211, 221, 223}};
    for (int l = 0; l < 2; ++l) {
        ModLfo& lfo = lfo_[static_cast<std::size_t>(l)];
        const int* ids = kIds[l];
        const int which = static_cast<int>(std::find(ids, ids + 12, control) - ids);
        if (which == 12) continue;
        const bool on = static_cast<int>(value) != 0;
        switch (which) {
        case 0: lfo.setRate(value, fs_); break;
        case 1: lfo.shape = static_cast<int>(value); break;
        case 2: lfo.freqDepth = static_cast<float>(value); break;
        case 3:
        case 4:
        case 5: lfo.freqTarget[which - 3] = on; break;
        case 6: lfo.pwDepth = static_cast<float>(0.33 * value); break;
        case 7:
        case 8: lfo.pwTarget[which - 7] = on; break;
        case 9: lfo.stepCount = std::clamp(static_cast<int>(value), 1, ModLfo::kMaxSteps); break;
        case 10: lfo.oneShot = on ? 1 : 0; break;
        default:
            lfoSoften_[l] = value;
            lfo.setSoften(value, fs_);
            break;
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

// The block-rate sources: the global controllers, and for the per-voice
// sources the reference voice.
MatrixSources AudioEngine::referenceSources(const Voice& v) const {
    MatrixSources s;
    s.velocity = lastVelocity_;
    s.note = v.note;
    s.modWheel = modWheel;
    s.pitchBend = v.pitchBend;
    s.pressure = s.earlyPressure = static_cast<float>(channelPressure);
    s.polyPressure = 0.0f;
    s.foot = foot;
    s.expression = static_cast<float>(expression);
    s.timbre = timbre;
    s.random = v.randomValue;
    s.lfo[0] = lfo_[0].blockValue;
    s.lfo[1] = lfo_[1].blockValue;
    s.filterEnvelope = static_cast<float>(v.envelopes.filterLevel / VoiceEnvelopes::kPeak);
    s.ampEnvelope = static_cast<float>(v.envelopes.ampLevel / VoiceEnvelopes::kPeak);
    return s;
}

// A part's envelope times from its controls and the matrix's offsets.
void AudioEngine::deriveEnvelopeTimes(PartSettings& part) {
    double controls[8];
    for (int i = 0; i < 8; ++i) controls[i] = part.envelopeControls[i] + envelopeOffsets_[i];
    part.times.derive(controls);
    part.filterSustain.target = static_cast<float>(part.times.filterSustain);
    part.ampSustain.target = static_cast<float>(part.times.ampSustain);
}

// The matrix moves the eight envelope controls of both parts together; the
// times are formed again only when an offset changed.
void AudioEngine::applyEnvelopeOffsets(const double (&offsets)[8]) {
    if (std::equal(std::begin(offsets), std::end(offsets), envelopeOffsets_)) return;
    std::copy(std::begin(offsets), std::end(offsets), envelopeOffsets_);
    for (PartSettings& part : parts_) deriveEnvelopeTimes(part);
}

void AudioEngine::queueNoteEvent(std::uint32_t note, float velocity, std::int32_t position, std::uint32_t channel,
                                 bool noteOn, std::uint32_t noteLength) {
    if (eventCount_ >= kQueueSize) return;
    // Keep the queue in position order (equal positions in arrival order), so
    // the render loop's walk never passes over an event.
    std::size_t i = eventCount_;
    while (i > 0 && events_[i - 1].position > position) {
        events_[i] = events_[i - 1];
        --i;
    }
    events_[i] = NoteEvent{note, velocity, position, static_cast<std::uint8_t>(noteOn ? 1 : 0), channel, noteLength};
    ++eventCount_;
    if (noteOn) sleepCountdown_ = kQueuedWake;
}

void AudioEngine::pressKey(int note, float velocity) {
    const std::size_t key = static_cast<std::size_t>(note & 127);
    keyDown_[key] = 1;
    keyVelocity_[key] = velocity;
    sleepCountdown_ = wakeLength_;
    lastVelocity_ = velocity;
    for (ModLfo& lfo : lfo_) {
        lfo.oneShotFinished = 0;
        if (lfo.oneShot) lfo.phase = 0.0;
        if (allKeysReleased_ && blockSeen && lfo.shape == kStepShape) lfo.phase = 0.0;
    }
}

void AudioEngine::startVoice(Voice& voice, int note, float velocity, int channel, int part) {
    voice.part = static_cast<std::uint32_t>(part);
    voice.note = note;
    voice.released = 0;
    voice.velocity = velocity;
    voice.randomValue = static_cast<float>(random_.next()) / 32767.0f - 0.5f;
    if (channel >= 0) voice.channel = channel & 15;
    voice.filterEnvelopeStage = 0;
    voice.amplitudeEnvelopeStage = 0;
    voice.sampleCounter = 0;
    voice.trigger = 1;
    voice.finished = 0;
    voice.polyPressure = polyPressure[static_cast<std::size_t>(note & 127)];
}

void AudioEngine::rememberNote(int part, int note) {
    previousNote_[static_cast<std::size_t>(part)] = lastNote_[static_cast<std::size_t>(part)];
    lastNote_[static_cast<std::size_t>(part)] = note;
}

void AudioEngine::startUnison(int note, float velocity, int channel) {
    roundRobin_[0] = roundRobin_[1] = 7;
    const int half = voiceCount_ / 2;
    auto startRange = [&](int first, int end, int part) {
        for (int i = first; i < end; ++i)
            if (!voiceMute_[static_cast<std::size_t>(i)]) startVoice(voices_[static_cast<std::size_t>(i)], note, velocity, channel, part);
    };
    switch (partsMode_) {
    case 0:
        startRange(0, voiceCount_, 0);
        rememberNote(0, note);
        rememberNote(1, note);
        break;
    case 1:
        startRange(0, half, 0);
        startRange(half, voiceCount_, 1);
        rememberNote(0, note);
        rememberNote(1, note);
        break;
    default:
        if (note >= splitNote_) {
            startRange(half, voiceCount_, 1);
            rememberNote(1, note);
        } else {
            startRange(0, half, 0);
            rememberNote(0, note);
        }
        break;
    }
}

void AudioEngine::startPolyphonic(int note, float velocity, int channel) {
    const int parts = partsMode_ == 0 ? 1 : 2;
    for (int part = 0; part < parts; ++part) {
        int first = 0, size = voiceCount_;
        std::int32_t* pointer = &roundRobin_[0];
        if (partsMode_ == 2) {
            if ((part == 0) != (note < splitNote_)) continue;
            size = voiceCount_ / 2;
            first = part * size;
            pointer = &roundRobin_[static_cast<std::size_t>(part)];
        }
        const int start = (((*pointer - first + 1) % size) + size) % size;
        int chosen = -1;
        for (int pass = 0; pass < 2 && chosen < 0; ++pass) {
            for (int step = 0; step < size; ++step) {
                const int index = first + (start + step) % size;
                const Voice& v = voices_[static_cast<std::size_t>(index)];
                if (voiceMute_[static_cast<std::size_t>(index)] || partOfSlot(v.renderSlot) != part) continue;
                // First pass: a free voice; second pass: steal the first unmuted one.
                if (pass == 1 || v.released || v.finished) {
                    chosen = index;
                    break;
                }
            }
        }
        if (chosen < 0) continue;  // every voice of the pool is muted
        *pointer = chosen;
        startVoice(voices_[static_cast<std::size_t>(chosen)], note, velocity, channel, part);
        rememberNote(part, note);
    }
}

void AudioEngine::noteOn(std::uint32_t note, float velocity, std::uint32_t channel, std::uint32_t /*noteLength*/) {
    const int key = static_cast<int>(note & 127);
    pressKey(key, velocity);
    if (voiceMode_ == 1)
        startUnison(key, velocity, static_cast<int>(channel));
    else
        startPolyphonic(key, velocity, static_cast<int>(channel));
    allKeysReleased_ = 0;
}

void AudioEngine::releaseNote(int note) {
    int released = 0;
    for (int i = 0; i < voiceCount_; ++i) {
        Voice& v = voices_[static_cast<std::size_t>(i)];
        if (v.note == note) v.released = 1;
        released += v.released;
    }
    if (released == voiceCount_) allKeysReleased_ = 1;
}

void AudioEngine::noteOff(std::uint32_t noteNumber) {
    const int note = static_cast<int>(noteNumber & 127);
    keyDown_[static_cast<std::size_t>(note)] = 0;
    if (voiceMode_ != 1) {
        releaseNote(note);
        return;
    }
    // Unison: fall back to a key that is still held.
    int low = 0, high = 126, candidate;
    if (note == lastNote_[0]) {
        if (partsMode_ == 2) high = splitNote_ - 1;
        candidate = previousNote_[0];
    } else if (note == lastNote_[1]) {
        if (partsMode_ == 2) low = splitNote_;
        candidate = previousNote_[1];
    } else {
        return;  // not a sounding key
    }
    int held = -1;
    for (int key = std::max(low, 0); key <= std::min(high, 126); ++key) {
        if (!keyDown_[static_cast<std::size_t>(key)]) continue;
        held = key;
        if (key == candidate) break;
    }
    if (held < 0) {
        releaseNote(note);
        return;
    }
    const float velocity = keyVelocity_[static_cast<std::size_t>(held)];
    pressKey(held, velocity);
    startUnison(held, velocity, -1);
}

void AudioEngine::allNotesOff(bool clear) {
    if (clear) {
        initialiseVoices();
        decimator_.clear();
        effects_.clearUnits();
    }
    for (Voice& v : voices_) v.released = 1;
    keyDown_.fill(0);
    allKeysReleased_ = 1;
}

int AudioEngine::planVoicePasses(VoicePass (&passes)[4]) const {
    // Which part's filter settings each group of four render slots uses.
    int groupPart[4] = {0, 0, 0, 0};
    const int groups = voiceCount_ / 4;
    const bool samePasses =
        parts_[0].fourPole == parts_[1].fourPole && parts_[0].bandPass == parts_[1].bandPass;
    if (!(voiceCount_ == 8 && samePasses) && partsMode_ != 0)
        for (int g = groups / 2; g < groups; ++g) groupPart[g] = 1;
    // Neighbouring groups with the same settings run as one pass of up to
    // four vectors: their filters are independent, so the processor works on
    // all of them at once instead of waiting on one filter's feedback.
    int count = 0;
    for (int g = 0; g < groups; ++g) {
        if (count > 0 && passes[count - 1].part == groupPart[g]) {
            passes[count - 1].voices += 4;
        } else {
            passes[count++] = {4 * g, 4, groupPart[g]};
        }
    }
    return count;
}

void AudioEngine::findSilentGroups(bool (&silent)[4]) const {
    for (bool& s : silent) s = skipSilentGroups_;
    for (int i = 0; i < voiceCount_; ++i) {
        const Voice& voice = voices_[static_cast<std::size_t>(i)];
        if (!voice.finished || !voice.filter.atRest()) silent[(voice.renderSlot & 15) / 4] = false;
    }
    if (wideVoiceLoopsInUse())
        for (int g = 0; g < 4; g += 2) silent[g] = silent[g + 1] = silent[g] && silent[g + 1];
}

VoiceContext AudioEngine::voiceContext(const Voice& voice, const float* noise) {
    VoiceContext c;
    c.part = &parts_[voice.part & 1];
    c.oversampledRate = fs4_;
    c.tuning = tuning_.current;
    c.transpose = transpose_;
    const float b = bend[static_cast<std::size_t>(voice.channel & 15)];
    c.bendTarget = static_cast<float>(b >= 0.0f ? b * bendRange_[0] : b * bendRange_[1]);
    c.bendSmoothing = smoothing_;
    c.glideRate = glideRate_;
    double level = 1.0;
    if (partsMode_ != 0) level *= partGain_[voice.part & 1].current;
    if (voiceMode_ == 1 && voiceCount_ == 16) level *= 0.7;
    c.level = level;
    c.noise = noise;
    c.blockMinimum = &blockMinimum;
    c.organic = std::clamp(organic_, 0.0, 1.0);
    c.drift = &driftTable_;
    c.lfo[0] = &lfo_[0];
    c.lfo[1] = &lfo_[1];
    // No slot at work: no per-voice pass. A finished voice's sums move only
    // what nobody hears, but for the envelope offsets all voices share.
    c.matrix = matrixActive_ && (!voice.finished || matrixEnvelopes_) ? &matrix_ : nullptr;
    const std::size_t channel = static_cast<std::size_t>(voice.channel & 15);
    c.channelPressure = channelPressureChannel[channel];
    c.polyPressure = polyPressure[static_cast<std::size_t>(voice.note & 127)];
    c.foot = footChannel[channel];
    c.expression = expressionChannel[channel];
    c.timbre = timbreChannel[channel];
    c.modWheel = modWheel;
    c.pitchBend = bend[channel];
    c.random = &random_;
    return c;
}

// Every voice sounds through its own part's filter. In Dual and Split the
// first half of the render slots takes part A's filter settings and the
// second half part B's (the passes planned below), so each part's voices must
// render in its half. Split and Dual unison start part A on the first half of
// the voices and part B on the second: every voice renders in its own slot.
// Dual polyphony gives each note two neighbouring voices, part A first: the
// even voices fill part A's half of the slots and the odd ones part B's, and
// the voice search gives each part only the voices of its half (so muted
// voices cannot push a part onto the other's slots).
int AudioEngine::renderSlotOf(int voice) const {
    if (partsMode_ != 1 || voiceMode_ == 1) return voice;
    const int half = voiceCount_ / 2;
    return voice % 2 == 0 ? voice / 2 : half + voice / 2;
}

int AudioEngine::partOfSlot(int slot) const { return partsMode_ != 0 && slot >= voiceCount_ / 2 ? 1 : 0; }

void AudioEngine::updateControls(int start, int length) {
    // Every voice is updated, sounding or not; a silent group's voices are
    // all finished, and their oscillators do not run: nothing of them is heard.
    bool silent[4];
    findSilentGroups(silent);
    const bool envelopesModulated = matrixEnvelopes_;
    OscillatorState* states[4][4][2] = {};
    for (int i = 0; i < voiceCount_; ++i) {
        Voice& voice = voices_[static_cast<std::size_t>(i)];
        const int slot = voice.renderSlot & 15;
        states[slot / 4][slot % 4][0] = &voice.osc[0];
        states[slot / 4][slot % 4][1] = &voice.osc[1];
        VoiceContext context = voiceContext(voice, noiseBuffer_);
        context.oscillatorsRun = !silent[slot / 4];
        voice.modulate(context);
        // The envelope offsets are shared by all voices: each voice's matrix
        // sets them before its envelopes run, and the voice updated last
        // leaves them for the next update.
        if (envelopesModulated) applyEnvelopeOffsets(voice.modulation.envelope);
        voice.updateControls(context, start, length, lanes_[slot / 4], oscillatorLanes_[slot / 4], slot % 4);
    }
    forEachSoundingRun(silent, 0, voiceCount_ / 4, [&](int first, int groups) {
        formIncrements(oscillatorLanes_ + first, groups, start, length);
        renderOscillators(states + first, oscillatorLanes_ + first, noiseBuffer_, start, length, lanes_ + first, groups);
    });
    // A silent group's filter input is silence, should a voice of it start
    // later in the slice: with silent filters and no input, whatever its
    // other records hold, it stays silent until then.
    for (int g = 0; g < voiceCount_ / 4; ++g)
        if (silent[g]) std::memset(&lanes_[g].input[4 * start], 0, sizeof(lanes_[g].input[0]) * static_cast<std::size_t>(4 * length));

    // A matrix that no longer reaches the envelopes gives their controls back.
    if (envelopeOffsetsActive_ && !envelopesModulated) {
        const double none[8] = {};
        applyEnvelopeOffsets(none);
    }
    envelopeOffsetsActive_ = envelopesModulated;
}

void AudioEngine::renderLfos(int n) {
    for (int l = 0; l < 2; ++l) {
        ModLfo& lfo = lfo_[static_cast<std::size_t>(l)];
        const bool stepChanged = lfo.render(n, hostTempo, fs_, stepLfoRise_, stepValues_[l], random_);
        // A new step of LFO 1 can restart every voice's filter envelope.
        if (l == 0 && stepChanged && filterRetrigger_) {
            for (Voice& v : voices_) {
                v.filterEnvelopeStage = VoiceEnvelopes::kAttack;
                v.envelopes.filterLevel = 0.0;
            }
        }
    }
}

// In unison the first unmuted voice, else the one part A started last; none
// when every voice is muted, or the last one started is beyond the voice count.
const Voice* AudioEngine::referenceVoice() const {
    if (voiceMode_ != 1) {
        const int last = roundRobin_[0];
        return last >= 0 && last < voiceCount_ ? &voices_[static_cast<std::size_t>(last)] : nullptr;
    }
    for (int i = 0; i < voiceCount_; ++i)
        if (!voiceMute_[static_cast<std::size_t>(i)]) return &voices_[static_cast<std::size_t>(i)];
    return nullptr;
}

void AudioEngine::runBlockMatrix() {
    const bool wasPortamento = blockModulation_.portamentoSet, wasMix = blockModulation_.partMixSet;
    blockModulation_ = BlockModulation{};
    for (ModLfo& lfo : lfo_) lfo.rateOffset = 0.0;
    matrixActive_ = matrix_.active();  // once per block, for every voice's update too
    matrixEnvelopes_ = matrixActive_ && matrix_.targetsEnvelopes();
    const Voice* reference = referenceVoice();
    if (matrixActive_ && reference) matrix_.blockPass(referenceSources(*reference), blockModulation_);
    // A slot that stopped moving portamento or the part mix gives them back.
    if (wasPortamento && !blockModulation_.portamentoSet) updateGlideRate();
    if (wasMix && !blockModulation_.partMixSet) setEngineParameter(control::kPartsMix, partMix_, -1, 0);
    if (!matrixActive_) return;
    const BlockModulation& b = blockModulation_;
    lfo_[0].rateOffset = b.lfoRate[0];
    lfo_[1].rateOffset = b.lfoRate[1];
    if (b.noiseSet) noiseGain_ = b.noiseGain;  // for the next block's noise
    if (b.partMixSet) {
        const float m = std::clamp(partMix_ + b.partMix, 0.0f, 1.0f);
        partGain_[0].target = std::sqrt(1.0f - m) + 0.0001f;
        partGain_[1].target = std::sqrt(m) + 0.0001f;
    }
    if (b.portamentoSet) {
        const double p = portamento_ + b.portamento;
        glideRate_ = 4.5 * std::pow(10000.0 / 4.5, 1.0 - p) / fs_;
    }
}

void AudioEngine::renderVoicePass(const VoicePass& pass, int n) {
    // Which voice sits in which render slot of the pass.
    Voice* inSlot[16] = {};
    for (int i = 0; i < voiceCount_; ++i) inSlot[voices_[static_cast<std::size_t>(i)].renderSlot & 15] = &voices_[static_cast<std::size_t>(i)];
    OutputLane lanes[16];
    const double presenceScale = -2.0 * kPi * 10010.0 / fs4_;
    const float spread = spread_.current;
    for (int l = 0; l < pass.voices; ++l) {
        Voice* voice = inSlot[pass.firstVoice + l];
        if (!voice) voice = &voices_[static_cast<std::size_t>(pass.firstVoice + l)];
        const VoiceAdjustments& a = voice->adjust;
        const float pan = static_cast<float>(a.spread) * spread;
        const float g = static_cast<float>(a.level);
        lanes[l].state = &voice->filter;
        lanes[l].panLeft = pan > 0.0f ? (1.0f - pan) * g : g;
        lanes[l].panRight = pan > 0.0f ? g : (1.0f + pan) * g;
        lanes[l].presence = static_cast<float>(1.0 - std::exp(presenceScale * a.presence));
    }
    const PartSettings& ps = parts_[pass.part & 1];
    runOutputStage({ps.fourPole, ps.bandPass, vcaSaturation_}, &lanes_[pass.firstVoice / 4], lanes, pass.voices / 4,
                   4 * n, tables_, stageConstants_, voiceMixLeft_, voiceMixRight_);
}

void AudioEngine::limitOutput(float* left, float* right, int frames) { limiter_.process(frames, left, right); }

void AudioEngine::renderBlock(float* const* outputs, int n, int position) {
    n = std::clamp(n, 1, kMaxBlock);
    applyRequestedChanges();
    effects_.takeSwitchChange();

    // 1. per-block smoothing
    partGain_[0].step(smoothing_);
    partGain_[1].step(smoothing_);
    parts_[0].smooth(smoothing_);
    parts_[1].smooth(smoothing_);
    tuning_.step(smoothing_);
    spread_.step(smoothing_);

    // 2.-4. modulation sources that run whether or not the voices sleep
    renderLfos(n);
    noise_.render(noiseBuffer_, n, noiseGain_);
    noiseGain_ = 1.0f;
    runBlockMatrix();

    if (sleepCountdown_ < 0) {
        // 5. asleep: no voices, no decimation
        std::memset(mixLeft_, 0, sizeof(mixLeft_));
        std::memset(mixRight_, 0, sizeof(mixRight_));
    } else {
        // 6. events at their sample, control updates between them
        int pos = position;
        const int end = position + n;
        for (std::uint32_t e = 0; e < eventCount_; ++e) {
            const NoteEvent& event = events_[e];
            if (event.position < pos) continue;  // applied by an earlier slice of this host block
            if (event.position >= end) break;
            if (event.position > pos) {
                updateControls(pos - position, event.position - pos);
                pos = event.position;
            }
            if (event.noteOn)
                noteOn(event.note, event.velocity, event.channel, event.noteLength);
            else
                noteOff(event.note);
        }
        if (pos < end) updateControls(pos - position, end - pos);

        // 7. voice pass at four times the rate
        std::memset(voiceMixLeft_, 0, sizeof(float) * static_cast<std::size_t>(4 * n));
        std::memset(voiceMixRight_, 0, sizeof(float) * static_cast<std::size_t>(4 * n));
        VoicePass passes[4];
        const int passCount = planVoicePasses(passes);
        bool silent[4];
        findSilentGroups(silent);
        for (int i = 0; i < passCount; ++i) {
            const VoicePass& pass = passes[i];
            forEachSoundingRun(silent, pass.firstVoice / 4, (pass.firstVoice + pass.voices) / 4,
                               [&](int first, int groups) { renderVoicePass({4 * first, 4 * groups, pass.part}, n); });
        }

        // 8. decimation and master volume
        decimator_.process(voiceMixLeft_, voiceMixRight_, n, mixLeft_, mixRight_);
        for (int i = 0; i < n; ++i) {
            smoothedVolume_ += (masterVolume_ - smoothedVolume_) * kVolumeGlide;
            mixLeft_[i] *= smoothedVolume_;
            mixRight_[i] *= smoothedVolume_;
        }
        for (int i = n; i < kMaxBlock; ++i) mixLeft_[i] = mixRight_[i] = 0.0f;

        // 9. silence test
        bool quiet = allKeysReleased_ != 0;
        for (int i = 0; quiet && i < kMaxBlock; ++i)
            quiet = std::fabs(mixLeft_[i]) < kQuietVoices && std::fabs(mixRight_[i]) < kQuietVoices;
        if (quiet)
            --sleepCountdown_;
        else
            sleepCountdown_ = wakeLength_;
        effectsTail_ = wakeLength_;
    }

    // 10. effects; while asleep only their tails run, flushed below 4e-8
    static_assert(EffectsChain::kOffsets == sizeof(BlockModulation::effects) / sizeof(float));
    if (effects_.enabled() && effectsTail_ >= 1)
        effects_.process(n, mixLeft_, mixRight_, allKeysReleased_ != 0, hostTempo, blockModulation_.effects);
    if (sleepCountdown_ < 0) {
        if (EffectsChain::flushTail(kMaxBlock, mixLeft_, mixRight_))
            effectsTail_ = wakeLength_;
        else if (effectsTail_ >= 0)
            --effectsTail_;
    }

    // 11. the effects switch-off countdown runs whether or not the units do
    effects_.advanceSwitchOff();

    // 12. hand the slice to the caller
    if (outputs) {
        std::memcpy(outputs[0], mixLeft_, sizeof(float) * static_cast<std::size_t>(n));
        std::memcpy(outputs[1], mixRight_, sizeof(float) * static_cast<std::size_t>(n));
    }
}

}  // namespace calverine
