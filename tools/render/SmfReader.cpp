#include "SmfReader.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace calverine::render {

namespace {

std::uint32_t bigEndian32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

std::uint16_t bigEndian16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

// Reads a variable-length quantity (at most four bytes) at `pos`.
bool readVarLength(const std::uint8_t* data, std::size_t end, std::size_t& pos, std::uint32_t& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
        if (pos >= end) {
            return false;
        }
        const std::uint8_t b = data[pos++];
        value = (value << 7) | (b & 0x7fu);
        if ((b & 0x80u) == 0) {
            return true;
        }
    }
    return false;
}

struct TickEvent {
    std::uint64_t tick;
    std::array<std::uint8_t, 3> bytes;
    std::uint8_t size;
};

struct TickTempo {
    std::uint64_t tick;
    std::uint32_t microsecondsPerQuarter;
};

constexpr std::uint8_t kTempo = 0x51;
constexpr std::uint8_t kEndOfTrack = 0x2f;

// Appends the track's channel messages and tempo changes, with absolute ticks.
bool readTrack(const std::uint8_t* data, std::size_t begin, std::size_t end, int trackNumber,
               std::vector<TickEvent>& events, std::vector<TickTempo>& tempos, std::string& error) {
    const std::string where = "track " + std::to_string(trackNumber);
    std::size_t pos = begin;
    std::uint8_t runningStatus = 0;
    bool ended = false;
    std::uint64_t tick = 0;

    while (pos < end) {
        if (ended) {
            error = where + " has events after its End Of Track";
            return false;
        }
        std::uint32_t delta = 0;
        if (!readVarLength(data, end, pos, delta)) {
            error = where + " has a bad delta time";
            return false;
        }
        tick += delta;
        if (pos >= end) {
            error = where + " ends inside an event";
            return false;
        }
        std::uint8_t status = data[pos];
        int dataBytes = 0;
        if (status < 0x80) {
            // Running status: the data bytes follow the previous channel status.
            if (runningStatus == 0) {
                error = where + " has a data byte where a status byte belongs";
                return false;
            }
            status = runningStatus;
            dataBytes = MidiSchedule::channelMessageSize(status) - 1;
        } else {
            ++pos;
            if (status < 0xf0) {
                runningStatus = status;
                dataBytes = MidiSchedule::channelMessageSize(status) - 1;
            } else if (status == 0xff) {
                if (pos >= end || data[pos] >= 0x80) {
                    error = where + " has a bad meta event";
                    return false;
                }
                const std::uint8_t type = data[pos++];
                std::uint32_t length = 0;
                if (!readVarLength(data, end, pos, length) || length > end - pos) {
                    error = where + " has a meta event longer than the track";
                    return false;
                }
                if (type == kTempo) {
                    if (length != 3) {
                        error = where + " has a tempo event with a bad length";
                        return false;
                    }
                    const std::uint32_t micros = (std::uint32_t{data[pos]} << 16) | (data[pos + 1] << 8) | data[pos + 2];
                    if (micros == 0) {
                        error = where + " has a tempo of zero";
                        return false;
                    }
                    tempos.push_back({tick, micros});
                }
                pos += length;
                ended = type == kEndOfTrack;
                // Meta and sysex events end running status.
                runningStatus = 0;
                continue;
            } else if (status == 0xf0 || status == 0xf7) {  // sysex, or its continuation or escape
                std::uint32_t length = 0;
                if (!readVarLength(data, end, pos, length) || length > end - pos) {
                    error = where + " has a sysex event longer than the track";
                    return false;
                }
                pos += length;
                runningStatus = 0;
                continue;
            } else {
                error = where + " has a system message, which a MIDI file cannot hold";
                return false;
            }
        }
        TickEvent event{tick, {status, 0, 0}, static_cast<std::uint8_t>(dataBytes + 1)};
        for (int i = 0; i < dataBytes; ++i) {
            if (pos >= end) {
                error = where + " ends inside an event";
                return false;
            }
            if (data[pos] >= 0x80) {
                error = where + " has a status byte where a data byte belongs";
                return false;
            }
            event.bytes[static_cast<std::size_t>(i + 1)] = data[pos++];
        }
        events.push_back(event);
    }
    if (!ended) {
        error = where + " has no End Of Track event";
        return false;
    }
    return true;
}

// Seconds from the file's start to a tick: with ticks per quarter note, the
// tempo changes (in tick order) set each stretch's pace; with SMPTE frames,
// every tick lasts the same whatever the tempo.
class TickClock {
public:
    TickClock(std::uint16_t division, const std::vector<TickTempo>& tempos) : tempos_(tempos) {
        if (division & 0x8000u) {
            const int framesPerSecond = -static_cast<int>(static_cast<std::int8_t>(division >> 8));
            const double rate = framesPerSecond == 29 ? 30000.0 / 1001.0 : framesPerSecond;
            secondsPerSmpteTick_ = 1.0 / (rate * (division & 0xff));
        } else {
            ticksPerQuarter_ = division;
        }
        // Where each tempo change starts, in seconds.
        double seconds = 0.0;
        std::uint64_t tick = 0;
        std::uint32_t micros = kDefaultMicrosPerQuarter;
        for (const TickTempo& t : tempos_) {
            seconds += stretch(t.tick - tick, micros);
            starts_.push_back(seconds);
            tick = t.tick;
            micros = t.microsecondsPerQuarter;
        }
    }

    double seconds(std::uint64_t tick) const {
        if (secondsPerSmpteTick_ > 0.0) return double(tick) * secondsPerSmpteTick_;
        // The last change at or before the tick.
        const auto after = std::upper_bound(tempos_.begin(), tempos_.end(), tick,
                                            [](std::uint64_t t, const TickTempo& change) { return t < change.tick; });
        if (after == tempos_.begin()) return stretch(tick, kDefaultMicrosPerQuarter);
        const auto i = std::size_t(after - tempos_.begin()) - 1;
        return starts_[i] + stretch(tick - tempos_[i].tick, tempos_[i].microsecondsPerQuarter);
    }

private:
    static constexpr std::uint32_t kDefaultMicrosPerQuarter = 500000;  // 120 BPM

    double stretch(std::uint64_t ticks, std::uint32_t micros) const {
        if (secondsPerSmpteTick_ > 0.0) return double(ticks) * secondsPerSmpteTick_;
        return double(ticks) * double(micros) / (1.0e6 * ticksPerQuarter_);
    }

    const std::vector<TickTempo>& tempos_;
    std::vector<double> starts_;
    double ticksPerQuarter_ = 0.0;
    double secondsPerSmpteTick_ = 0.0;
};

}  // namespace

bool SmfReader::read(const std::vector<std::uint8_t>& bytes, std::vector<TimedMidi>& events, TempoMap& tempo,
                     std::string& error) {
    const std::uint8_t* data = bytes.data();
    const std::size_t size = bytes.size();

    if (size < 14 || std::memcmp(data, "MThd", 4) != 0) {
        error = "not a Standard MIDI File (no MThd header)";
        return false;
    }
    const std::uint32_t headerLength = bigEndian32(data + 4);
    if (headerLength < 6 || headerLength > size - 8) {
        error = "the MThd header has a bad length";
        return false;
    }
    const std::uint16_t format = bigEndian16(data + 8);
    const std::uint16_t declaredTracks = bigEndian16(data + 10);
    const std::uint16_t division = bigEndian16(data + 12);
    if (format > 2) {
        error = "unknown MIDI file format " + std::to_string(format);
        return false;
    }
    if (declaredTracks == 0) {
        error = "the file declares no tracks";
        return false;
    }
    if (division & 0x8000u) {
        const int framesPerSecond = -static_cast<int>(static_cast<std::int8_t>(division >> 8));
        const int resolution = division & 0xff;
        if ((framesPerSecond != 24 && framesPerSecond != 25 && framesPerSecond != 29 && framesPerSecond != 30) ||
            resolution == 0) {
            error = "the file has a bad SMPTE time division";
            return false;
        }
    } else if (division == 0) {
        error = "the file has a time division of zero";
        return false;
    }

    std::size_t pos = 8 + headerLength;
    int tracks = 0;
    std::vector<TickEvent> tickEvents;
    std::vector<TickTempo> tempos;
    while (pos < size && tracks < declaredTracks) {
        if (size - pos < 8) {
            error = "the file ends inside a chunk header";
            return false;
        }
        const std::uint32_t length = bigEndian32(data + pos + 4);
        if (length > size - pos - 8) {
            error = "a chunk is longer than the file";
            return false;
        }
        const std::size_t body = pos + 8;
        if (std::memcmp(data + pos, "MTrk", 4) == 0) {
            ++tracks;
            if (!readTrack(data, body, body + length, tracks, tickEvents, tempos, error)) {
                return false;
            }
        }
        pos = body + length;
    }
    if (tracks == 0) {
        error = "the file holds no MTrk track";
        return false;
    }

    // Tracks were read one after another; stable sorts keep track order,
    // then file order, among messages at the same tick.
    const auto byTick = [](const auto& a, const auto& b) { return a.tick < b.tick; };
    std::stable_sort(tickEvents.begin(), tickEvents.end(), byTick);
    std::stable_sort(tempos.begin(), tempos.end(), byTick);
    const TickClock clock(division, tempos);
    events.clear();
    events.reserve(tickEvents.size());
    for (const TickEvent& e : tickEvents) events.push_back({clock.seconds(e.tick), e.bytes, e.size});
    tempo = TempoMap();
    for (const TickTempo& t : tempos) tempo.addChange(clock.seconds(t.tick), 60.0e6 / t.microsecondsPerQuarter);
    return true;
}

}  // namespace calverine::render
