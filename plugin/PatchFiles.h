// Program files (.fxp) on disk: the 60-byte header of VST program files around
// a patch chunk (PatchChunk.h).
//
// Threads: whatever thread loads or saves; reading allocates and does file
// I/O, so the audio thread reaches it only through a MIDI program change or
// bank select.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "PluginParameters.h"

namespace calverine {

// Reads the program file at `path` into `file` and finds its chunk inside it.
// False when the file cannot be read (silently) or is not a Calverine patch
// (reported as "This is not a patch for Calverine.").
bool readProgramFile(const std::string& path, std::vector<std::uint8_t>& file, const std::uint8_t*& chunk,
                     std::size_t& size);

// A patch file read into a store of its own, with the rules of a chunk load;
// null when the file cannot be read or is not a Calverine patch (no message).
std::unique_ptr<PluginParameters> readPatchFile(const std::string& path);

// Why readPatchFile gave nothing.
enum class PatchFileStatus {
    Ok,
    Unreadable,     // the file cannot be opened or read
    TooShort,       // shorter than the 60-byte program-file header
    NotOurs,        // not an opaque-chunk program file of Calverine
    ChunkTooShort,  // its chunk is shorter than the 560-byte information block
};
std::unique_ptr<PluginParameters> readPatchFile(const std::string& path, PatchFileStatus& status);

// The current preset of `store` as a program file; false when it cannot be written.
bool savePatchFile(const PluginParameters& store, const std::string& path);

}  // namespace calverine
