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

void AudioEngine::allNotesOff(Sound sound) {
    if (sound == Sound::Clear) {
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
    if (wasMix && !blockModulation_.partMixSet) setEngineParameter(control::kPartsMix, partMix_, -1);
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

    // per-block smoothing
    partGain_[0].step(smoothing_);
    partGain_[1].step(smoothing_);
    parts_[0].smooth(smoothing_);
    parts_[1].smooth(smoothing_);
    tuning_.step(smoothing_);
    spread_.step(smoothing_);

    // modulation sources that run whether or not the voices sleep
    renderLfos(n);
    noise_.render(noiseBuffer_, n, noiseGain_);
    noiseGain_ = 1.0f;
    runBlockMatrix();

    if (sleepCountdown_ < 0) {
        // asleep: no voices, no decimation
        std::memset(mixLeft_, 0, sizeof(mixLeft_));
        std::memset(mixRight_, 0, sizeof(mixRight_));
    } else {
        // events at their sample, control updates between them
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

        // the voice pass at four times the rate
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

        // decimation and master volume
        decimator_.process(voiceMixLeft_, voiceMixRight_, n, mixLeft_, mixRight_);
        for (int i = 0; i < n; ++i) {
            smoothedVolume_ += (masterVolume_ - smoothedVolume_) * kVolumeGlide;
            mixLeft_[i] *= smoothedVolume_;
            mixRight_[i] *= smoothedVolume_;
        }
        for (int i = n; i < kMaxBlock; ++i) mixLeft_[i] = mixRight_[i] = 0.0f;

        // silence test
        bool quiet = allKeysReleased_ != 0;
        for (int i = 0; quiet && i < kMaxBlock; ++i)
            quiet = std::fabs(mixLeft_[i]) < kQuietVoices && std::fabs(mixRight_[i]) < kQuietVoices;
        if (quiet)
            --sleepCountdown_;
        else
            sleepCountdown_ = wakeLength_;
        effectsTail_ = wakeLength_;
    }

    // effects; while asleep only their tails run, flushed below 4e-8
    static_assert(EffectsChain::kOffsets == sizeof(BlockModulation::effects) / sizeof(float));
    if (effects_.enabled() && effectsTail_ >= 1)
        effects_.process(n, mixLeft_, mixRight_, allKeysReleased_ != 0, hostTempo, blockModulation_.effects);
    if (sleepCountdown_ < 0) {
        if (EffectsChain::flushTail(kMaxBlock, mixLeft_, mixRight_))
            effectsTail_ = wakeLength_;
        else if (effectsTail_ >= 0)
            --effectsTail_;
    }

    // the effects switch-off countdown runs whether or not the units do
    effects_.advanceSwitchOff();

    // hand the slice to the caller
    if (outputs) {
        std::memcpy(outputs[0], mixLeft_, sizeof(float) * static_cast<std::size_t>(n));
        std::memcpy(outputs[1], mixRight_, sizeof(float) * static_cast<std::size_t>(n));
    }
}

}  // namespace calverine
