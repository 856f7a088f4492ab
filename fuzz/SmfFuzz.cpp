// Reads arbitrary bytes as a Standard MIDI File. A file that loads gives
// channel voice messages only (a status byte of a channel message and data
// bytes below 0x80), at finite, non-negative, non-decreasing times, and a
// tempo map with finite, positive tempos; a file that does not load gives
// one line of error and leaves the outputs as they were.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "SmfReader.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace calverine::render;
    const std::vector<std::uint8_t> bytes(data, data + size);
    std::vector<TimedMidi> events(1);
    TempoMap tempo(97.0);
    std::string error;
    if (!SmfReader::read(bytes, events, tempo, error)) {
        check(!error.empty() && error.find('\n') == std::string::npos);
        check(events.size() == 1 && tempo.tempoAt(0.0) == 97.0);
        return 0;
    }
    double previous = 0.0;
    for (const TimedMidi& m : events) {
        check(std::isfinite(m.seconds) && m.seconds >= previous);
        previous = m.seconds;
        check(m.size == MidiSchedule::channelMessageSize(m.bytes[0]));
        for (int i = 1; i < m.size; ++i) check(m.bytes[static_cast<std::size_t>(i)] < 0x80);
    }
    const double bpm = tempo.tempoAt(previous);
    check(std::isfinite(bpm) && bpm > 0.0);
    return 0;
}
