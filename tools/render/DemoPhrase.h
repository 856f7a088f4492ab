// The phrase calverine-render plays when no MIDI file is given: 16 beats
// (8 seconds at 120 BPM) of four chords under a short melody, with a
// mod-wheel sweep through the middle and a pitch bend near the end, all on
// MIDI channel 1.
#pragma once

#include "MidiSchedule.h"

namespace calverine::render {

class DemoPhrase {
public:
    static constexpr double kBeats = 16.0;

    // The phrase laid out at `bpm`, with a constant tempo map of that tempo.
    static MidiSchedule build(double bpm);
};

}  // namespace calverine::render
