// Reads a Standard MIDI File (format 0, 1 or 2) into channel voice messages
// with their times in seconds and the file's tempo map.
//
// Every chunk and every event is checked against the lengths the file
// declares before anything is read from it, so a broken or hostile file
// becomes one sentence of error, never a read beyond the bytes. Sysex
// (F0 and F7) and meta events other than tempo are skipped; tempo changes of
// every track apply to the whole file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "MidiSchedule.h"
#include "TempoMap.h"

namespace calverine::render {

class SmfReader {
public:
    // True with `events` in time order (messages at the same time in track
    // order, then file order) and `tempo` filled. Otherwise false, with
    // `error` saying what is wrong (no file name in it), and the outputs
    // untouched.
    static bool read(const std::vector<std::uint8_t>& bytes, std::vector<TimedMidi>& events, TempoMap& tempo,
                     std::string& error);
};

}  // namespace calverine::render
