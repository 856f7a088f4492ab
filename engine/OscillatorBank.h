// The oscillators of four voices at once, one voice per lane: the same
// band-limited saw, pulse, triangle and hard sync as OscillatorState (which
// stays as the one-voice reference), written without branches per lane.
//
// Speed trick: the voices' control updates (scalar, per voice) leave each
// lane's phase increments per output sample and its segment settings in an
// OscillatorLanes record; this pass then runs the sub-sample loop for the
// four lanes together. Edges are rare (one or two per cycle), so the
// band-limited corrections are computed only in sub-samples where some lane
// has one.
#pragma once

#include <cstdint>

#include "Oscillator.h"
#include "Voice.h"

namespace calverine {

// What the oscillators of one group of four lanes need for a segment.
struct OscillatorLanes {
    alignas(16) float increment1[16][4];  // per output sample of the block
    alignas(16) float increment2[16][4];
    alignas(16) float width1[16][4];  // pulse widths per output sample
    alignas(16) float width2[16][4];
    alignas(16) float saw1[4], pulse1[4], triangle1[4];
    alignas(16) float saw2[4], pulse2[4], triangle2[4];
    alignas(16) float level1[4], level2[4], noise[4], inputLevel[4];
    alignas(16) float crossMod[4], ratioLog2[4];  // cross-modulation depth, log2 of oscillator 2's octave ratio
    alignas(16) float sync[4];                    // 1 where oscillator 2 follows oscillator 1
    alignas(16) float maxIncrement[4] = {1.0f, 1.0f, 1.0f, 1.0f};  // the 15 kHz limit
    // A voice whose pitch moves within the update (an LFO, glide, bend) leaves
    // log2 of its increments here instead, one per output sample, and sets its
    // lane's bit (1: oscillator 1, 2: oscillator 2); formIncrements turns them
    // into increments four lanes at a time.
    alignas(16) float exponent1[16][4];
    alignas(16) float exponent2[16][4];
    std::uint8_t moving[4] = {0, 0, 0, 0};
};

// Output samples [start, start + length) of `groups` groups of four lanes:
// 2^exponent within the increment limits, for the lanes whose pitch moves.
void formIncrements(OscillatorLanes* lanes, int groups, int start, int length);

// Runs output samples [start, start + length) of `groups` groups of four
// lanes and writes the filter input of every sub-sample into lanes[g].input.
// states[g][lane][0..1]: the oscillators of the voice in that lane. The
// loops themselves are in VoiceKernels.inl.
void renderOscillators(OscillatorState* const (*states)[4][2], const OscillatorLanes* settings, const float* noise,
                       int start, int length, LaneBlock* lanes, int groups);

}  // namespace calverine
