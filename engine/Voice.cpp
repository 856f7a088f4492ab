#include "Voice.h"

#include <algorithm>
#include <cmath>

#include "DriftTable.h"
#include "EngineControls.h"
#include "FilterTables.h"
#include "OscillatorBank.h"
#include "Vec4.h"

namespace calverine {

namespace {
constexpr double kPeak = VoiceEnvelopes::kPeak;
constexpr float kFifteenKilohertz = 15000.0f;
constexpr float kMinIncrement = 1e-9f;
constexpr float kCutoffPerSemitone = 256.0f / FilterTables::kIndexScale;

// 2^x through the vector type's polynomial (relative error about 2e-7, a
// thousandth of a cent), without a library call: modulated pitch needs it
// every output sample.
double exp2Approx(double x) { return exp2Scalar(static_cast<float>(x)); }

}  // namespace

void VoiceAdjustments::set(int control, double v) {
    namespace adjust = control::adjust;
    auto range = [v](double r) { return (1.0 / r) * std::pow(r * r, v); };
    switch (control) {
    case adjust::kOsc1Pitch: osc1Pitch = v - 0.5; break;
    case adjust::kOsc2Pitch: osc2Pitch = v - 0.5; break;
    case adjust::kPulseWidth: pulseWidth = (v - 0.5) * 0.1; break;
    case adjust::kCutoff: cutoff = 0.1 * v - 0.05; break;
    case adjust::kResonance: resonance = range(1.2); break;
    case adjust::kFilterMod: filterMod = range(1.5); break;
    case adjust::kFilterAttack: envelope.filterAttack = range(1.5); break;
    case adjust::kFilterDecay: envelope.filterDecay = range(1.25); break;
    case adjust::kFilterSustain: filterSustain = range(1.25); break;
    case adjust::kFilterRelease: envelope.filterRelease = range(1.25); break;
    case adjust::kAmpAttack: envelope.ampAttack = range(1.5); break;
    case adjust::kAmpDecay: envelope.ampDecay = range(1.25); break;
    case adjust::kAmpSustain: break;  // the loudness sustain has no adjustment
    case adjust::kAmpRelease: envelope.ampRelease = range(1.25); break;
    case adjust::kLevel: level = range(1.5); break;
    case adjust::kSpread: spread = 2.0 * v - 1.0; break;
    case adjust::kPresence: presence = range(1.25); break;
    case adjust::kPortamento: portamento = range(1.25); break;
    case adjust::kOsc2Detune: osc2Detune = v - 0.5; break;
    case adjust::kLfo1Offset: lfoOffset[0] = static_cast<float>((v - 0.5) * 0.2); break;
    case adjust::kLfo1FreqDepth: freqDepth[0] = v + 0.5; break;
    case adjust::kLfo1PwDepth: pwDepth[0] = v + 0.5; break;
    case adjust::kOsc1Scale:
        ratio1 = 2.0 * range(1.01);
        ratioLog1 = std::log2(ratio1);
        break;
    case adjust::kOsc2Scale:
        ratio2 = 2.0 * range(1.01);
        ratioLog2 = std::log2(ratio2);
        break;
    case adjust::kKeyScale: keyScale = range(1.1); break;
    case adjust::kLfo2Offset: lfoOffset[1] = static_cast<float>((v - 0.5) * 0.2); break;
    case adjust::kLfo2FreqDepth: freqDepth[1] = v + 0.5; break;
    case adjust::kLfo2PwDepth: pwDepth[1] = v + 0.5; break;
    case adjust::kCrossMod: crossMod = (v - 0.5) * 0.5; break;
    case adjust::kSemitones: semitones = static_cast<int>(48.0 * v + 0.001) - 24; break;
    default: break;
    }
}

void Voice::initialise(std::int32_t voiceIndex, double rate, Random& random) {
    const VoiceAdjustments keep = adjust;
    *this = Voice{};
    adjust = keep;
    index = voiceIndex;
    oversampledRate = rate;
    renderSlot = voiceIndex;
    osc[0].phase = static_cast<float>(random.next()) / 32768.0f;
    osc[1].phase = static_cast<float>(random.next()) / 32768.0f;
    driftSeed[0] = static_cast<float>(random.next()) / 32768.0f;
    driftSeed[1] = static_cast<float>(random.next()) / 32768.0f;
    walk[0] = walkTarget[0] = driftSeed[0];
    walk[1] = walkTarget[1] = driftSeed[1];
    driftPosition = static_cast<std::int64_t>(voiceIndex) * (DriftTable::kRecordedLength / 16);
}

void Voice::modulate(const VoiceContext& context) {
    smoothControllers(context);
    runMatrix(context);
}

void Voice::smoothControllers(const VoiceContext& context) {
    pressureEarly += (context.channelPressure - pressureEarly) * 0.06f;
    pressure += (pressureEarly - pressure) * 0.2f;
    polyPressureSmooth += (context.polyPressure - polyPressureSmooth) * 0.05f;
    foot += (context.foot - foot) * 0.05f;
    expression += (context.expression - expression) * 0.05f;
    timbre += (context.timbre - timbre) * 0.05f;
    modWheel += (context.modWheel - modWheel) * 0.05f;
    pitchBend += (context.pitchBend - pitchBend) * 0.05f;
    for (float* v : {&pressureEarly, &pressure, &polyPressureSmooth, &foot, &expression, &timbre, &modWheel, &pitchBend})
        if (*v > -1e-6f && *v < 1e-6f) *v = 0.0f;
}

void Voice::runMatrix(const VoiceContext& context) {
    modulation = VoiceModulation{};
    if (!context.matrix) return;
    MatrixSources sources;
    sources.velocity = velocity;
    sources.note = note;
    sources.modWheel = modWheel;
    sources.pitchBend = pitchBend;
    sources.pressure = pressure;
    sources.earlyPressure = pressureEarly;
    sources.polyPressure = polyPressureSmooth;
    sources.foot = foot;
    sources.expression = expression;
    sources.timbre = timbre;
    sources.random = randomValue;
    for (int l = 0; l < 2; ++l) sources.lfo[l] = context.lfo[l] ? context.lfo[l]->blockValue : 0.0f;
    sources.filterEnvelope = static_cast<float>(envelopes.filterLevel / kPeak);
    sources.ampEnvelope = static_cast<float>(envelopes.ampLevel / kPeak);
    context.matrix->voicePass(sources, static_cast<int>(part), modulation);
    // "Osc Phase" acts only when a note starts.
    for (int n = 0; n < 2; ++n)
        if (trigger && modulation.setPhase[n]) osc[n].phase = std::clamp(modulation.phase[n], 0.0f, 0.99999f);
}

// Organic drift: each walk moves 8/fs toward its target per update (its whole
// range in about two seconds) and takes a new random target when it gets
// there; its output (2w - 1) * depth lies within +-depth. Walks 1 and 2 bend
// the oscillators by up to half a semitone; 3 moves the cut-off control, 5 the
// pulse width and 6 oscillator 2's detune (in semitones) by a fifth of it; 4
// scales the level by 1 + a fifth of it; 7 and 8 stretch the envelopes'
// attacks and their decays and releases by 1 + half of it.
Voice::Drift Voice::moveDrift(const VoiceContext& context, int length) {
    Drift d;
    const double organic = std::clamp(context.organic + 0.5 * modulation.organic, 0.0, 1.0);
    if (organic <= 0.0) return d;
    const double step = 8.0 * 4.0 / context.oversampledRate;
    double out[8];
    for (int k = 0; k < 8; ++k) {
        const double distance = walkTarget[k] - walk[k];
        if (std::fabs(distance) < step)
            walkTarget[k] = context.random ? context.random->next() / 32767.0 : 0.5;
        else
            walk[k] += distance > 0.0 ? step : -step;
        out[k] = (2.0 * walk[k] - 1.0) * organic;
    }
    // The shared wander: both oscillators together, by up to 0.03 semitones.
    double shared = 0.0;
    if (context.drift) {
        shared = 0.03 * organic * context.drift->at(driftPosition);
        driftPosition += length;
    }
    d.pitch1 = 0.5 * out[0] + shared;
    d.pitch2 = 0.5 * out[1] + shared;
    d.cutoff = static_cast<float>(0.2 * out[2]);
    d.level = 1.0 + 0.2 * out[3];
    d.width = static_cast<float>(0.2 * out[4]);
    d.detune = 0.2 * out[5];
    d.attack = 1.0 + 0.5 * out[6];
    d.fall = 1.0 + 0.5 * out[7];
    return d;
}

float Voice::heldIncrement(int n, double base, double pitch, double semitoneLog, double period) {
    if (pitch != cachedPitch[n] || base != cachedBase[n]) {
        cachedPitch[n] = pitch;
        cachedBase[n] = base;
        cachedFrequency[n] = std::min(static_cast<float>(base * exp2Approx(semitoneLog * pitch)), kFifteenKilohertz);
        cachedIncrement[n] = std::max(static_cast<float>(cachedFrequency[n] * period), kMinIncrement);
    }
    return cachedIncrement[n];
}

void Voice::idle(const VoiceContext& context, double f1, double f2, int start, int length,
                 LaneBlock& lanes, OscillatorLanes& oscillators, int lane) {
    const PartSettings& p = *context.part;
    const double target = static_cast<double>(note);
    const double step = context.glideRate * adjust.portamento;
    // A finished voice has been released: its filter envelope only falls.
    // What stands still is left alone: a glide at its note and a bend at its
    // target stay exactly where they are.
    for (int i = 0; i < length && envelopes.filterLevel != 0.0; ++i) envelopes.filterLevel *= envelopes.filterReleaseFactor;
    if (glidePitch != target || bend != context.bendTarget)
        for (int i = 0; i < length; ++i) {
            if (glidePitch - step > target)
                glidePitch -= step;
            else
                glidePitch = std::min(glidePitch + step, target);
            bend += (context.bendTarget - bend) * context.bendSmoothing;
        }
    sampleCounter += static_cast<std::uint64_t>(4 * length);
    envelopes.finish(amplitudeEnvelopeStage);

    // The oscillators run on at the pitch the update ends with.
    const double period = 1.0 / context.oversampledRate;
    const double common = glidePitch + context.transpose + bend;
    double pitch2 = common + p.semitone.current + modulation.pitch[1];
    if (p.filterEnvelopeToOsc2) pitch2 += 12.0 * envelopes.filterLevel / kPeak;
    const float increment[2] = {
        heldIncrement(0, f1, common + p.octave.current + modulation.pitch[0], adjust.ratioLog1 / 12.0, period),
        heldIncrement(1, f2, pitch2, adjust.ratioLog2 / 12.0, period)};
    // The phases move on in one step (hard sync and cross-modulation, which
    // only shape a waveform nobody hears, left out).
    for (int n = 0; n < 2; ++n) {
        OscillatorState& o = osc[n];
        const double phase = o.phase + static_cast<double>(increment[n]) * (4 * length);
        o.phase = static_cast<float>(phase - std::floor(phase));
        if (o.phase >= 1.0f) o.phase = 0.0f;
        o.sawCarry = o.pulseCarry = 0.0f;
        o.high = o.phase < 0.5f;
    }
    // A silent group is not rendered, and nothing reads its lanes. Elsewhere
    // the voice's lane of the oscillators stands still with no level, and its
    // filter, fed nothing, with no cut-off and no resonance, rings down to
    // rest; the gain is 0. Those rows stay as they are from one block to the
    // next, so each position of the lane is written once after the voice
    // finishes (or moves to another lane).
    if (!context.oscillatorsRun || parkedRows == 0xFFFF) return;
    if (parkedRows == 0) {
        oscillators.moving[lane] = 0;
        oscillators.maxIncrement[lane] = static_cast<float>(kFifteenKilohertz * period);
        for (float* field : {oscillators.saw1, oscillators.pulse1, oscillators.triangle1, oscillators.saw2,
                             oscillators.pulse2, oscillators.triangle2, oscillators.level1, oscillators.level2,
                             oscillators.noise, oscillators.inputLevel, oscillators.crossMod, oscillators.ratioLog2,
                             oscillators.sync})
            field[lane] = 0.0f;
    }
    for (int i = start; i < start + length; ++i) {
        oscillators.increment1[i][lane] = oscillators.increment2[i][lane] = kMinIncrement;
        oscillators.width1[i][lane] = oscillators.width2[i][lane] = 0.5f;
        for (int j = 0; j < 4; ++j) lanes.gain[4 * i + j][lane] = 0.0f;
        lanes.cutoff[4 * i][lane] = lanes.resonance[4 * i][lane] = 0.0f;
        lanes.envelope[i][lane] = lanes.envelopeAmount[i][lane] = 0.0f;
        parkedRows = static_cast<std::uint16_t>(parkedRows | (1u << i));
    }
}

// What the group's oscillators need of this voice for the update.
void Voice::setOscillatorLane(const VoiceContext& context, OscillatorLanes& oscillators, int lane) const {
    const PartSettings& p = *context.part;
    const VoiceModulation& mod = modulation;
    oscillators.maxIncrement[lane] = static_cast<float>(kFifteenKilohertz / context.oversampledRate);
    oscillators.crossMod[lane] = static_cast<float>(std::max(p.crossMod + adjust.crossMod + mod.crossMod, 0.0));
    oscillators.ratioLog2[lane] = static_cast<float>(adjust.ratioLog2);
    oscillators.sync[lane] = p.sync ? 1.0f : 0.0f;
    oscillators.saw1[lane] = p.mix1.saw;
    oscillators.pulse1[lane] = p.mix1.pulse;
    oscillators.triangle1[lane] = p.mix1.triangle;
    oscillators.saw2[lane] = p.mix2.saw;
    oscillators.pulse2[lane] = p.mix2.pulse;
    oscillators.triangle2[lane] = p.mix2.triangle;
    oscillators.level1[lane] = p.osc1Level * (1.0f + mod.oscVolume[0]);
    oscillators.level2[lane] = p.osc2Gain() * (1.0f + mod.oscVolume[1]);
    oscillators.noise[lane] = p.noise ? 1.0f : 0.0f;
    oscillators.inputLevel[lane] = p.inputLevel.current;
}

// What each LFO adds per unit of its output: pitch (6 semitones at full
// depth), cut-off (half the control's range) and pulse width, each by its
// switches. An LFO that reaches nothing costs nothing: only those that reach
// something are listed.
int Voice::lfoRoutes(const VoiceContext& context, LfoRoute (&routes)[2]) const {
    const VoiceModulation& mod = modulation;
    int routeCount = 0;
    for (int l = 0; l < 2; ++l) {
        const ModLfo* lfo = context.lfo[l];
        if (!lfo) continue;
        const float freqDepth = std::clamp(lfo->freqDepth + mod.lfoDepth[l], 0.0f, 1.0f);
        const float pwDepth = std::clamp(lfo->pwDepth + mod.lfoDepth[l], 0.0f, 1.0f);
        const bool freq = (lfo->freqTarget[0] || lfo->freqTarget[1] || lfo->freqTarget[2]) && freqDepth > 0.0f;
        const bool width = (lfo->pwTarget[0] || lfo->pwTarget[1]) && pwDepth > 0.0f;
        if (!freq && !width) continue;
        const float f = freqDepth * static_cast<float>(adjust.freqDepth[l]);
        const float w = pwDepth * static_cast<float>(adjust.pwDepth[l]);
        routes[routeCount++] = {lfo->output,
                                adjust.lfoOffset[l],
                                {lfo->freqTarget[0] ? 6.0f * f : 0.0f, lfo->freqTarget[1] ? 6.0f * f : 0.0f},
                                lfo->freqTarget[2] ? 0.5f * f : 0.0f,
                                {lfo->pwTarget[0] ? w : 0.0f, lfo->pwTarget[1] ? w : 0.0f}};
    }
    return routeCount;
}

void Voice::updateControls(const VoiceContext& context, int start, int length, LaneBlock& lanes,
                           OscillatorLanes& oscillators, int lane) {
    const PartSettings& p = *context.part;
    const double fs4 = context.oversampledRate;

    const VoiceModulation& mod = modulation;
    const Drift drift = moveDrift(context, length);
    EnvelopeTrim trim = adjust.envelope;
    trim.filterAttack *= drift.attack;
    trim.ampAttack *= drift.attack;
    trim.filterDecay *= drift.fall;
    trim.filterRelease *= drift.fall;
    trim.ampDecay *= drift.fall;
    trim.ampRelease *= drift.fall;
    // Base frequencies; note 33 keeps its pitch whatever the octave ratios.
    const double a = 440.0 * context.tuning;
    const double s1 = adjust.ratio1, s2 = adjust.ratio2;
    const double log1 = adjust.ratioLog1, log2s = adjust.ratioLog2;
    const double f1 =
        a * 0.125 * s1 * s1 * s1 * baseExp2[0](log1 * (adjust.osc1Pitch - 69.0 + adjust.semitones + drift.pitch1) / 12.0);
    const double f2 = a * 0.125 * s2 * s2 * s2 *
                      baseExp2[1](log2s *
                                  (adjust.osc2Pitch - 69.0 + adjust.osc2Detune + adjust.semitones + p.detune +
                                   drift.pitch2 + drift.detune) /
                                  12.0);
    if (finished) {
        envelopes.prepareFilterRelease(p.times, trim, fs4);
        idle(context, f1, f2, start, length, lanes, oscillators, lane);
        return;
    }
    envelopes.prepare(p.times, trim, p.filterSustain.current * adjust.filterSustain, p.ampSustain.current, fs4,
                      released != 0, filterEnvelopeStage, amplitudeEnvelopeStage);
    trigger = 0;
    parkedRows = 0;
    // Per-sample pitch changes (glide, bend, LFOs) cost a multiply, not a division.
    const double semitoneLog1 = log1 / 12.0, semitoneLog2 = log2s / 12.0, period = 1.0 / fs4;
    const float pw = static_cast<float>(p.pulseWidthSmooth.current + adjust.pulseWidth) + drift.width;
    setOscillatorLane(context, oscillators, lane);

    const float resonance =
        std::min(1.0f, static_cast<float>(std::max(p.resonance.current + mod.resonance, 0.0f) * adjust.resonance));
    const float level = static_cast<float>(context.level * drift.level * std::clamp(1.0 + mod.volume, 0.0, 2.0));
    const float envelopeAmount = static_cast<float>((p.envelopeAmount.current + mod.envAmount) * adjust.filterMod);
    const float keyTrack = (p.keyTrack ? 1.0f : 0.0f) + mod.keyTrack;
    LfoRoute routes[2];
    const int routeCount = lfoRoutes(context, routes);

    // A held note at rest (no glide or bend left to travel) keeps each
    // oscillator's pitch through the update unless an LFO moves it (or, for
    // oscillator 2, the filter envelope), and with no LFO on pulse width its
    // widths hold too: what holds is formed at the first sample only.
    const double target = static_cast<double>(note);
    bool lfoOnPitch[2] = {false, false}, lfoOnWidth = false;
    for (int r = 0; r < routeCount; ++r) {
        for (int n = 0; n < 2; ++n) lfoOnPitch[n] = lfoOnPitch[n] || routes[r].pitch[n] != 0.0f;
        lfoOnWidth = lfoOnWidth || routes[r].width[0] != 0.0f || routes[r].width[1] != 0.0f;
    }
    const bool atRest = glidePitch == target && bend == context.bendTarget;
    const bool pitchHolds[2] = {atRest && !lfoOnPitch[0], atRest && !lfoOnPitch[1] && !p.filterEnvelopeToOsc2};
    float width1 = 0.5f, width2 = 0.5f, increment1 = kMinIncrement, increment2 = kMinIncrement;
    const double log2Base1 = pitchHolds[0] ? 0.0 : std::log2(f1 * period);
    const double log2Base2 = pitchHolds[1] ? 0.0 : std::log2(f2 * period);
    oscillators.moving[lane] = static_cast<std::uint8_t>((pitchHolds[0] ? 0 : 1) | (pitchHolds[1] ? 0 : 2));
    double lastPitch1 = 0.0;
    for (int i = start; i < start + length; ++i) {
        envelopes.stepFilter(filterEnvelopeStage);
        const float filterEnvelope = static_cast<float>(envelopes.filterLevel / kPeak);
        float lfoPitch[2] = {0.0f, 0.0f}, lfoCutoff = 0.0f, lfoWidth[2] = {0.0f, 0.0f};
        for (int r = 0; r < routeCount; ++r) {
            const LfoRoute& route = routes[r];
            const float value = route.output[i] + route.offset;
            lfoPitch[0] += value * route.pitch[0];
            lfoPitch[1] += value * route.pitch[1];
            lfoCutoff += value * route.cutoff;
            if (lfoOnWidth) {
                lfoWidth[0] += value * route.width[0];
                lfoWidth[1] += value * route.width[1];
            }
        }
        if (lfoOnWidth || i == start) {
            width1 = p.mix1.forceHalfWidth ? 0.5f : std::clamp(pw + mod.width[0] - lfoWidth[0], 0.15f, 1.0f);
            width2 = p.mix2.forceHalfWidth ? 0.5f : std::clamp(pw + mod.width[1] - lfoWidth[1], 0.15f, 1.0f);
        }
        const bool first = i == start;
        if (!pitchHolds[0] || !pitchHolds[1] || first) {
            // glide, once per output sample
            const double step = context.glideRate * adjust.portamento;
            if (glidePitch - step > target)
                glidePitch -= step;
            else
                glidePitch = std::min(glidePitch + step, target);
            bend += (context.bendTarget - bend) * context.bendSmoothing;
            const double common = glidePitch + context.transpose + bend;
            // A moving pitch leaves its exponent for formIncrements; a held one
            // is turned into its increment here, once.
            if (!pitchHolds[0] || first) {
                const double pitch1 = common + p.octave.current + lfoPitch[0] + mod.pitch[0];
                lastPitch1 = pitch1;
                if (!pitchHolds[0]) {
                    oscillators.exponent1[i][lane] = static_cast<float>(log2Base1 + semitoneLog1 * pitch1);
                } else {
                    increment1 = heldIncrement(0, f1, pitch1, semitoneLog1, period);
                }
            }
            if (!pitchHolds[1] || first) {
                double pitch2 = common + p.semitone.current + lfoPitch[1] + mod.pitch[1];
                if (p.filterEnvelopeToOsc2) pitch2 += 12.0 * filterEnvelope;
                if (!pitchHolds[1]) {
                    oscillators.exponent2[i][lane] = static_cast<float>(log2Base2 + semitoneLog2 * pitch2);
                } else {
                    increment2 = heldIncrement(1, f2, pitch2, semitoneLog2, period);
                }
            }
        }
        oscillators.width1[i][lane] = width1;
        oscillators.width2[i][lane] = width2;

        // cut-off control: knob, LFOs, matrix and key tracking; the output
        // stage adds the envelope (bent like tanh) and keeps it in range
        float c = p.cutoff.current + static_cast<float>(adjust.cutoff) + drift.cutoff + lfoCutoff + mod.cutoff;
        if (keyTrack != 0.0f) c += static_cast<float>(keyTrack * (glidePitch - 24.0) * kCutoffPerSemitone * adjust.keyScale);
        oscillators.increment1[i][lane] = increment1;
        oscillators.increment2[i][lane] = increment2;
        if (amplitudeEnvelopeStage == VoiceEnvelopes::kSustain) {  // the held note: a constant gain
            envelopes.ampLevel = envelopes.ampSustainLevel;
            const float gain = static_cast<float>(envelopes.ampLevel) * level;
            for (int j = 0; j < 4; ++j) lanes.gain[4 * i + j][lane] = gain;
        } else {
            for (int j = 0; j < 4; ++j) {
                envelopes.stepAmp(amplitudeEnvelopeStage);
                lanes.gain[4 * i + j][lane] = static_cast<float>(envelopes.ampLevel) * level;
            }
        }
        // The output stage reads cut-off and resonance once per output sample.
        lanes.cutoff[4 * i][lane] = c;
        lanes.envelope[i][lane] = filterEnvelope;
        lanes.envelopeAmount[i][lane] = envelopeAmount;
        lanes.resonance[4 * i][lane] = resonance;
        sampleCounter += 4;
    }

    const float frequency1 = pitchHolds[0] ? cachedFrequency[0]
                                           : std::min(static_cast<float>(f1 * exp2Approx(semitoneLog1 * lastPitch1)),
                                                      kFifteenKilohertz);
    if (context.blockMinimum && frequency1 < *context.blockMinimum &&
        (envelopes.ampLevel > 0.1 || amplitudeEnvelopeStage == VoiceEnvelopes::kAttack))
        *context.blockMinimum = frequency1;
    if (envelopes.finish(amplitudeEnvelopeStage)) finished = 1;
}

}  // namespace calverine
