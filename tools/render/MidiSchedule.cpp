#include "MidiSchedule.h"

#include <algorithm>
#include <cmath>

#include "Files.h"
#include "SmfReader.h"

namespace calverine::render {

namespace {

constexpr long kMaxMidiFileBytes = 64L * 1024 * 1024;

}  // namespace

int MidiSchedule::channelMessageSize(std::uint8_t status) {
    switch (status & 0xf0) {
        case 0x80:  // note off
        case 0x90:  // note on
        case 0xa0:  // polyphonic pressure
        case 0xb0:  // control change
        case 0xe0:  // pitch bend
            return 3;
        case 0xc0:  // program change
        case 0xd0:  // channel pressure
            return 2;
        default:
            return 0;
    }
}

// Through the platform's reader: UTF-16 paths on Windows, and a FIFO or a
// device never blocks the render.
bool MidiSchedule::loadFile(const std::string& path, std::string& error) {
    std::vector<std::uint8_t> bytes;
    if (!platform::readRegularFile(path, bytes)) {
        error = "cannot read MIDI file '" + path + "': it is missing, unreadable or not a regular file";
        return false;
    }
    if (static_cast<long>(bytes.size()) > kMaxMidiFileBytes) {
        error = "MIDI file '" + path + "' is too large";
        return false;
    }
    return loadBytes(bytes, path, error);
}

bool MidiSchedule::loadBytes(const std::vector<std::uint8_t>& bytes, const std::string& name, std::string& error) {
    std::string reason;
    if (!SmfReader::read(bytes, events_, tempoMap_, reason)) {
        error = "cannot parse MIDI file '" + name + "': " + reason;
        return false;
    }
    return true;
}

void MidiSchedule::add(double seconds, std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    TimedMidi m;
    m.seconds = seconds;
    m.size = static_cast<std::uint8_t>(channelMessageSize(status) == 2 ? 2 : 3);
    m.bytes = {status, data1, m.size == 3 ? data2 : std::uint8_t{0}};
    events_.push_back(m);
}

void MidiSchedule::sortByTime() {
    std::stable_sort(events_.begin(), events_.end(),
                     [](const TimedMidi& a, const TimedMidi& b) { return a.seconds < b.seconds; });
}

double MidiSchedule::lastEventSeconds() const {
    double last = 0.0;
    for (const TimedMidi& m : events_) {
        last = std::max(last, m.seconds);
    }
    return last;
}

std::vector<FrameMidi> MidiSchedule::toFrames(double sampleRate) const {
    std::vector<FrameMidi> out;
    out.reserve(events_.size());
    for (const TimedMidi& m : events_) {
        out.push_back({std::llround(m.seconds * sampleRate), m.bytes, m.size});
    }
    return out;
}

}  // namespace calverine::render
