// One of the sixteen voice records of the engine: which note it plays for
// which part, its envelopes and oscillators, its filter state, and the thirty
// small adjustments that make it differ from its neighbours.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

#include "Envelope.h"
#include "ModLfo.h"
#include "ModMatrix.h"
#include "Oscillator.h"
#include "PartSettings.h"
#include "Random.h"

namespace calverine {

// The per-voice adjustments in engine form; the centre values leave the voice
// exactly as the patch says.
struct VoiceAdjustments {
    double osc1Pitch = 0.0, osc2Pitch = 0.0;  // semitones
    double pulseWidth = 0.0;
    double cutoff = 0.0;
    double resonance = 1.0;
    double filterMod = 1.0;
    EnvelopeTrim envelope;
    double filterSustain = 1.0;  // factor on the filter envelope's sustain level
    double level = 1.0;
    double spread = 0.0;  // -1..1
    double presence = 1.0;
    double portamento = 1.0;
    double osc2Detune = 0.0;
    float lfoOffset[2] = {0.0f, 0.0f};
    double freqDepth[2] = {1.0, 1.0};
    double pwDepth[2] = {1.0, 1.0};
    double ratio1 = 2.0, ratio2 = 2.0;  // octave ratios
    double ratioLog1 = 1.0, ratioLog2 = 1.0;  // their base-2 logarithms
    double keyScale = 1.0;
    double crossMod = 0.0;
    double semitones = 0.0;

    // Sets one adjustment from its control (130..159) and normalized value v;
    // r^(2v - 1) runs from 1/r to r with 1 at the centre.
    void set(int control, double v);
};

// Four values per sub-sample for the voice output stage, lane-interleaved:
// entry [subSample][lane]. Cut-off and resonance change once per output
// sample and are read only at every fourth sub-sample. The cut-off control
// arrives in two parts: what adds linearly (knob, LFOs, matrix, key
// tracking) and the filter envelope with its amount, which the output stage
// bends and adds for all its lanes at once.
struct LaneBlock {
    alignas(16) float input[64][4];
    alignas(16) float cutoff[64][4];  // the linear part
    alignas(16) float gain[64][4];
    alignas(16) float resonance[64][4];
    alignas(16) float envelope[16][4];  // per output sample: filter envelope 0..1
    alignas(16) float envelopeAmount[16][4];
};

// What a voice reads from the engine during its control update.
struct VoiceContext {
    const PartSettings* part = nullptr;
    double oversampledRate = 0.0;
    double tuning = 1.0;          // factor on the 440 Hz reference
    double transpose = 0.0;       // semitones
    float bendTarget = 0.0f;      // semitones, for the voice's channel
    float bendSmoothing = 0.0f;   // per output sample
    double glideRate = 0.0;       // semitones per output sample
    double organic = 0.0;         // depth of the slow drift, 0..1
    Random* random = nullptr;     // for the drift's new targets
    const class DriftTable* drift = nullptr;  // the shared slow wander
    const ModLfo* lfo[2] = {nullptr, nullptr};  // this block's LFO outputs and targets
    const ModMatrix* matrix = nullptr;
    // The controllers of the voice's channel and key, before the voice's own smoothing.
    float channelPressure = 0.0f, polyPressure = 0.0f, foot = 0.0f, expression = 0.0f, timbre = 0.0f;
    float modWheel = 0.0f, pitchBend = 0.0f;
    double level = 1.0;           // voice level: matrix volume, part gain, unison
    const float* noise = nullptr;  // shared noise, one value per output sample
    float* blockMinimum = nullptr; // lowest oscillator 1 frequency of the block
    // False where the voice's group is silent and not rendered: nothing reads
    // its lanes.
    bool oscillatorsRun = true;
};

// The output stage's state of one voice, carried between voice passes.
struct FilterState {
    float inputDc = 0.0f;
    float stage[4] = {0.0f, 0.0f, 0.0f, 0.0f};  // integrators (two used by the two-pole filter)
    float feedbackLow = 0.0f;  // 8 Hz high-pass state of the four-pole feedback
    float feedback = 0.0f;     // the high-passed feedback of the previous sub-sample
    float outputDc = 0.0f;
    float highPass[2] = {0.0f, 0.0f};
    float presence = 0.0f;

    // Rung out to exact silence: with no input it stays so.
    bool atRest() const {
        return inputDc == 0.0f && stage[0] == 0.0f && stage[1] == 0.0f && stage[2] == 0.0f && stage[3] == 0.0f &&
               feedbackLow == 0.0f && feedback == 0.0f && outputDc == 0.0f && highPass[0] == 0.0f &&
               highPass[1] == 0.0f && presence == 0.0f;
    }
};

struct OscillatorLanes;

// 2^x of the last x asked for, kept: the oscillators' base frequencies change
// only when a control or the drift moves them.
struct Exp2Memo {
    double x = std::numeric_limits<double>::quiet_NaN(), value = 0.0;
    double operator()(double argument) {
        if (argument != x) {
            x = argument;
            value = std::exp2(argument);
        }
        return value;
    }
};

struct Voice {
    std::int32_t index = 0;        // 0..15, fixed at set-up
    double oversampledRate = 0.0;  // 4 x the sample rate

    std::uint32_t part = 0;  // 0 = part A, 1 = part B
    std::int32_t note = 60;
    float velocity = 0.0f;
    float randomValue = 0.0f;  // drawn at every voice start
    std::int32_t channel = 0;
    float polyPressure = 0.0f;
    std::uint8_t released = 1;
    std::uint8_t finished = 1;
    std::uint8_t trigger = 0;
    std::int32_t filterEnvelopeStage = 0;
    std::int32_t amplitudeEnvelopeStage = 0;
    double glidePitch = 60.0;
    std::int32_t renderSlot = 0;  // lane position in the eight-lane layout
    // The output samples of the block whose lane rows hold a finished voice's
    // resting values (one bit each); 0 when the voice sounds or moves lane.
    std::uint16_t parkedRows = 0;
    std::uint64_t sampleCounter = 0;
    float driftSeed[2] = {0.0f, 0.0f};
    // Organic drift: eight slow random walks between 0 and 1 and their targets.
    double walk[8] = {0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5};
    double walkTarget[8] = {0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5};
    std::int64_t driftPosition = 0;  // where this voice reads the shared wander

    VoiceEnvelopes envelopes;
    OscillatorState osc[2];
    float bend = 0.0f;  // smoothed, semitones
    // The last pitch and base frequency of each oscillator and the phase
    // increment they gave: a held note skips the exponential.
    double cachedPitch[2] = {-1e9, -1e9};
    double cachedBase[2] = {0.0, 0.0};
    float cachedIncrement[2] = {0.0f, 0.0f};
    float cachedFrequency[2] = {0.0f, 0.0f};
    Exp2Memo baseExp2[2];
    VoiceAdjustments adjust;
    FilterState filter;
    // The voice's smoothed controllers (the matrix's per-voice sources) and
    // the matrix sums of its last control update.
    float pressureEarly = 0.0f, pressure = 0.0f, polyPressureSmooth = 0.0f, foot = 0.0f, expression = 0.0f,
          timbre = 0.0f, modWheel = 0.0f, pitchBend = 0.0f;
    VoiceModulation modulation;

    // Puts the record into its idle state: note 60, released, envelopes at
    // rest, random oscillator phases, new drift seeds.
    void initialise(std::int32_t voiceIndex, double rate, Random& random);

    // The first step of a control update: the controllers this voice hears,
    // smoothed once per update (pressure in two stages), and the matrix's
    // per-voice sums. The engine reads the envelope offsets before the rest.
    void modulate(const VoiceContext& context);
    // The rest of the control update for the output samples [start, start +
    // length) of the block: drift, envelopes, glide, pitch and cut-off. Writes
    // the gain of every sub-sample and the cut-off and resonance to `lanes`,
    // and the phase increments and settings of its oscillators to
    // `oscillators`, at lane `lane`; the oscillators themselves run for the
    // whole group afterwards. A finished voice keeps all of it moving, so its
    // next note starts where they stand.
    void updateControls(const VoiceContext& context, int start, int length, LaneBlock& lanes, OscillatorLanes& oscillators,
                        int lane);

private:
    // What the organic walks do to the voice in this update.
    struct Drift {
        double pitch1 = 0.0, pitch2 = 0.0, detune = 0.0;  // semitones
        double level = 1.0, attack = 1.0, fall = 1.0;     // factors
        float cutoff = 0.0f, width = 0.0f;
    };
    // One LFO's reach into this voice: per unit of its output, semitones on
    // each oscillator, cut-off and pulse width of each oscillator.
    struct LfoRoute {
        const float* output;
        float offset, pitch[2], cutoff, width[2];
    };
    void smoothControllers(const VoiceContext& context);
    void setOscillatorLane(const VoiceContext& context, OscillatorLanes& oscillators, int lane) const;
    int lfoRoutes(const VoiceContext& context, LfoRoute (&routes)[2]) const;
    void runMatrix(const VoiceContext& context);
    Drift moveDrift(const VoiceContext& context, int length);
    // The increment of oscillator n at a pitch that holds through the update;
    // formed again only when the pitch or the base frequency changed.
    float heldIncrement(int n, double base, double pitch, double semitoneLog, double period);
    // The update of a finished voice: nothing of it is heard, but its
    // envelopes, glide, bend and oscillator phases move on as if it sounded.
    void idle(const VoiceContext& context, double f1, double f2, int start, int length, LaneBlock& lanes,
              OscillatorLanes& oscillators, int lane);
};

}  // namespace calverine
