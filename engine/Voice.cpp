#include "Voice.h"

#include <algorithm>
#include <cmath>

#include "FilterTables.h"
#include "OscillatorBank.h"
#include "RationalTanh.h"

namespace calverine {

namespace {
constexpr double kPeak = VoiceEnvelopes::kPeak;
constexpr float kFifteenKilohertz = 15000.0f;
constexpr float kCutoffPerSemitone = 256.0f / FilterTables::kIndexScale;
const float kShapeNorm = 1.0f / tanhRatio(1.0f);

// 0..0.98, and 0 for anything that is not a number.
float clampCutoff(float c) { return c > 0.98f ? 0.98f : (c > 0.0f ? c : 0.0f); }
}  // namespace

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
}

void Voice::updateControls(const VoiceContext& context, int start, int length, LaneBlock& lanes,
                           OscillatorLanes& oscillators, int lane) {
    const PartSettings& p = *context.part;
    const double fs4 = context.oversampledRate;
    envelopes.prepare(p.times, adjust.envelope, p.filterSustain.current * adjust.filterSustain, p.ampSustain.current,
                      fs4, released != 0, filterEnvelopeStage, amplitudeEnvelopeStage);
    trigger = 0;

    if (finished) {
        // A silent voice only lets its filter ring out on silence; its
        // oscillators idle with no level.
        for (int i = 4 * start; i < 4 * (start + length); ++i) {
            lanes.gain[i][lane] = 0.0f;
            lanes.cutoff[i & ~3][lane] = 0.0f;
            lanes.resonance[i & ~3][lane] = 0.0f;
        }
        for (int i = start; i < start + length; ++i) oscillators.increment1[i][lane] = oscillators.increment2[i][lane] = 1e-9f;
        for (float* field : {oscillators.level1, oscillators.level2, oscillators.noise, oscillators.crossMod,
                             oscillators.sync, oscillators.triangle1, oscillators.triangle2})
            field[lane] = 0.0f;
        oscillators.width1[lane] = oscillators.width2[lane] = 0.5f;
        sampleCounter += static_cast<std::uint64_t>(4 * length);
        return;
    }

    // Base frequencies; note 33 keeps its pitch whatever the octave ratios.
    const double a = 440.0 * context.tuning;
    const double s1 = adjust.ratio1, s2 = adjust.ratio2;
    const double log1 = std::log2(s1), log2s = std::log2(s2);
    const double f1 = a * 0.125 * s1 * s1 * s1 * std::exp2(log1 * (adjust.osc1Pitch - 69.0 + adjust.semitones) / 12.0);
    const double f2 = a * 0.125 * s2 * s2 * s2 *
                      std::exp2(log2s * (adjust.osc2Pitch - 69.0 + adjust.osc2Detune + adjust.semitones + p.detune) / 12.0);
    const float maxIncrement = static_cast<float>(kFifteenKilohertz / fs4);
    const float minIncrement = 1e-9f;
    const float crossMod = static_cast<float>(std::max(p.crossMod + adjust.crossMod, 0.0));
    oscillators.maxIncrement = maxIncrement;
    oscillators.crossMod[lane] = crossMod;
    oscillators.ratioLog2[lane] = static_cast<float>(std::log2(s2));
    oscillators.sync[lane] = p.sync ? 1.0f : 0.0f;
    oscillators.saw1[lane] = p.mix1.saw;
    oscillators.pulse1[lane] = p.mix1.pulse;
    oscillators.triangle1[lane] = p.mix1.triangle;
    oscillators.saw2[lane] = p.mix2.saw;
    oscillators.pulse2[lane] = p.mix2.pulse;
    oscillators.triangle2[lane] = p.mix2.triangle;
    oscillators.level1[lane] = p.osc1Level;
    oscillators.level2[lane] = p.osc2Gain();
    oscillators.noise[lane] = p.noise ? 1.0f : 0.0f;
    oscillators.inputLevel[lane] = p.inputLevel.current;
    const float pw = static_cast<float>(p.pulseWidthSmooth.current + adjust.pulseWidth);
    oscillators.width1[lane] = p.mix1.forceHalfWidth ? 0.5f : std::clamp(pw, 0.15f, 1.0f);
    oscillators.width2[lane] = p.mix2.forceHalfWidth ? 0.5f : std::clamp(pw, 0.15f, 1.0f);
    const float resonance = std::min(1.0f, static_cast<float>(p.resonance.current * adjust.resonance));
    const float level = static_cast<float>(context.level);
    const float envelopeAmount = static_cast<float>(p.envelopeAmount.current * adjust.filterMod);
    float frequency1 = 0.0f;

    for (int i = start; i < start + length; ++i) {
        // glide, once per output sample
        const double target = static_cast<double>(note);
        const double step = context.glideRate * adjust.portamento;
        if (glidePitch - step > target)
            glidePitch -= step;
        else
            glidePitch = std::min(glidePitch + step, target);
        bend += (context.bendTarget - bend) * context.bendSmoothing;

        envelopes.stepFilter(filterEnvelopeStage);
        const float filterEnvelope = static_cast<float>(envelopes.filterLevel / kPeak);
        const double common = glidePitch + context.transpose + bend;
        const double pitch1 = common + p.octave.current;
        double pitch2 = common + p.semitone.current;
        if (p.filterEnvelopeToOsc2) pitch2 += 12.0 * filterEnvelope;
        if (pitch1 != cachedPitch[0] || f1 != cachedBase[0]) {
            cachedPitch[0] = pitch1;
            cachedBase[0] = f1;
            cachedFrequency1 = std::min(static_cast<float>(f1 * std::exp2(log1 * pitch1 / 12.0)), kFifteenKilohertz);
            cachedIncrement[0] = std::max(static_cast<float>(cachedFrequency1 / fs4), minIncrement);
        }
        if (pitch2 != cachedPitch[1] || f2 != cachedBase[1]) {
            cachedPitch[1] = pitch2;
            cachedBase[1] = f2;
            const float frequency2 = std::min(static_cast<float>(f2 * std::exp2(log2s * pitch2 / 12.0)), kFifteenKilohertz);
            cachedIncrement[1] = std::max(static_cast<float>(frequency2 / fs4), minIncrement);
        }
        frequency1 = cachedFrequency1;
        const float increment1 = cachedIncrement[0], increment2 = cachedIncrement[1];

        // cut-off control: knob, envelope (bent like tanh) and key tracking
        const float e = std::min(filterEnvelope, 1.0f);
        float c = p.cutoff.current + static_cast<float>(adjust.cutoff) + envelopeAmount * e * tanhRatio(e) * kShapeNorm;
        if (p.keyTrack) c += static_cast<float>((glidePitch - 24.0) * kCutoffPerSemitone * adjust.keyScale);
        c = clampCutoff(c);
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
        lanes.resonance[4 * i][lane] = resonance;
        sampleCounter += 4;
    }

    if (context.blockMinimum && frequency1 < *context.blockMinimum &&
        (envelopes.ampLevel > 0.1 || amplitudeEnvelopeStage == VoiceEnvelopes::kAttack))
        *context.blockMinimum = frequency1;
    if (envelopes.finish(amplitudeEnvelopeStage)) finished = 1;
}

}  // namespace calverine
