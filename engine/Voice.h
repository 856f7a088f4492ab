// One of the sixteen voice records of the engine. The voice knows which note it
// plays for which part and how far it has got; the sound-generating state
// (oscillators, filter, envelopes, adjustments) is added by the units that own it.
#pragma once

#include <cstdint>

#include "Random.h"

namespace calverine {

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
    std::uint64_t sampleCounter = 0;
    float driftSeed[2] = {0.0f, 0.0f};

    // Puts the record into its idle state: note 60, released, envelopes at
    // their first stage, new drift seeds.
    void initialise(std::int32_t voiceIndex, double rate, Random& random);

    // Per-voice control computation for `length` sub-samples starting at
    // sub-sample `start` of the block (four sub-samples per output sample).
    // glideRate: semitones per output sample.
    void updateControls(int start, int length, double glideRate);
};

}  // namespace calverine
