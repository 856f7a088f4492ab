// The MIDI a render plays: channel voice messages in time order, with the
// tempo map they were written against. Built from a Standard MIDI File
// (SmfReader) or from the built-in demo phrase (DemoPhrase.h).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "TempoMap.h"

namespace calverine::render {

struct TimedMidi {
    double seconds = 0.0;
    std::array<std::uint8_t, 3> bytes{};
    std::uint8_t size = 0;  // 2 or 3
};

// A message placed at a sample frame of the render.
struct FrameMidi {
    std::int64_t frame = 0;
    std::array<std::uint8_t, 3> bytes{};
    std::uint8_t size = 0;
};

class MidiSchedule {
public:
    // Size of a channel voice message with this status byte, or 0 when the
    // byte is not the status of a channel voice message.
    static int channelMessageSize(std::uint8_t status);

    // Reads a Standard MIDI File (format 0, 1 or 2). Sysex and meta events
    // are dropped; times come from the file's tempo map. On failure returns
    // false with a one-sentence `error` naming the file.
    bool loadFile(const std::string& path, std::string& error);

    // The same from bytes in memory; `name` is used in error messages.
    bool loadBytes(const std::vector<std::uint8_t>& bytes, const std::string& name, std::string& error);

    // Appends a message; `add` keeps no order, `sortByTime` restores it
    // (stable, so messages at the same time keep the order they were added in).
    void add(double seconds, std::uint8_t status, std::uint8_t data1, std::uint8_t data2 = 0);
    void sortByTime();

    const std::vector<TimedMidi>& events() const { return events_; }
    const TempoMap& tempoMap() const { return tempoMap_; }
    void setTempoMap(const TempoMap& map) { tempoMap_ = map; }

    // Time of the last message, 0 when there is none.
    double lastEventSeconds() const;

    // Every message placed at the nearest sample frame at `sampleRate`.
    std::vector<FrameMidi> toFrames(double sampleRate) const;

private:
    std::vector<TimedMidi> events_;
    TempoMap tempoMap_;
};

}  // namespace calverine::render
