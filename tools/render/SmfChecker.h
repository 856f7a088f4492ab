// A structural check of a Standard MIDI File before it reaches libsmf.
//
// libsmf trusts chunk lengths and stops with a failed assertion (killing the
// whole process) on some files: a track chunk without an End Of Track event,
// or any sysex continuation (F7) event. This walks every chunk and every event without
// interpreting them, and refuses anything libsmf could trip over, so a broken
// file becomes an error message instead of a crash.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace calverine::render {

class SmfChecker {
public:
    // True when the bytes form a well-built Standard MIDI File. Otherwise
    // false, with `error` saying what is wrong (no file name in it).
    static bool check(const std::vector<std::uint8_t>& bytes, std::string& error);
};

}  // namespace calverine::render
