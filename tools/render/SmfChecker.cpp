#include "SmfChecker.h"

#include <cstddef>
#include <cstring>

#include "MidiSchedule.h"

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

// Meta events whose data has one fixed length. libsmf reads these fields
// without looking at the declared length, so any other length is refused.
int fixedMetaLength(std::uint8_t type) {
    switch (type) {
        case 0x20:  // channel prefix
            return 1;
        case 0x21:  // port
            return 1;
        case 0x2f:  // end of track
            return 0;
        case 0x51:  // tempo
            return 3;
        case 0x54:  // SMPTE offset
            return 5;
        case 0x58:  // time signature
            return 4;
        case 0x59:  // key signature
            return 2;
        default:
            return -1;
    }
}

bool checkTrack(const std::uint8_t* data, std::size_t begin, std::size_t end, int trackNumber, std::string& error) {
    const std::string where = "track " + std::to_string(trackNumber);
    std::size_t pos = begin;
    std::uint8_t runningStatus = 0;
    bool ended = false;

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
                const int fixed = fixedMetaLength(type);
                if (fixed >= 0 && length != static_cast<std::uint32_t>(fixed)) {
                    error = where + " has a meta event of type " + std::to_string(type) + " with a bad length";
                    return false;
                }
                if (type == 0x51 && (data[pos] | data[pos + 1] | data[pos + 2]) == 0) {
                    error = where + " has a tempo of zero";
                    return false;
                }
                pos += length;
                ended = type == 0x2f;
                // Meta and sysex events end running status. libsmf would read
                // data bytes after a meta event as another meta event.
                runningStatus = 0;
                continue;
            } else if (status == 0xf7) {
                // Valid in a MIDI file (a sysex continuation or escape), but
                // libsmf asserts on it.
                error = where + " has a sysex continuation (F7) event, which is not supported";
                return false;
            } else if (status == 0xf0) {
                std::uint32_t length = 0;
                if (!readVarLength(data, end, pos, length) || length > end - pos) {
                    error = where + " has a sysex event longer than the track";
                    return false;
                }
                pos += length;
                runningStatus = 0;  // libsmf asserts on running status after sysex
                continue;
            } else {
                error = where + " has a system message, which a MIDI file cannot hold";
                return false;
            }
        }
        for (int i = 0; i < dataBytes; ++i) {
            if (pos >= end) {
                error = where + " ends inside an event";
                return false;
            }
            if (data[pos++] >= 0x80) {
                error = where + " has a status byte where a data byte belongs";
                return false;
            }
        }
    }
    if (!ended) {
        error = where + " has no End Of Track event";
        return false;
    }
    return true;
}

}  // namespace

bool SmfChecker::check(const std::vector<std::uint8_t>& bytes, std::string& error) {
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
            if (!checkTrack(data, body, body + length, tracks, error)) {
                return false;
            }
        }
        pos = body + length;
    }
    if (tracks == 0) {
        error = "the file holds no MTrk track";
        return false;
    }
    return true;
}

}  // namespace calverine::render
