#pragma once

#include <cstdint>

namespace calverine {

// One note event of the current host block, queued by the shell and applied by
// the render loop at its exact sample position.
struct NoteEvent {
    std::uint32_t note = 0;      // MIDI data byte 1
    float velocity = 0.0f;       // data byte 2 / 127
    std::int32_t position = 0;   // frame inside the host block, 0 .. block length - 1
    std::uint8_t noteOn = 0;     // 1: note on with velocity > 0; else note off
    std::uint32_t channel = 0;   // status & 15
    std::uint32_t noteLength = 0;  // as the host sent it; not used by the engine
};

}  // namespace calverine
