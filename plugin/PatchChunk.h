// The byte format of a patch: the chunk a host saves with its project and the
// body of a program file (.fxp). A chunk is the 560-byte patch-information
// block followed by tagged sections, little-endian; a program file wraps it
// in the 60-byte big-endian header of VST program files.
//
// Chunk sections, in the order written (10016 bytes in all):
//   "pres" 4 x 2    two preset words
//   "name" 1 x 32   the name, zero-terminated
//   "para" 8 x 653  control id (u16), part (u16), stored value (f32)
//   "bars" 4 x 512  step values of LFO 1;  "bar2" the same for LFO 2
//   "pinf" 560 x 1  copy of the patch-information block (flag word 1)
// Tags are four characters stored as a little-endian 32-bit value, so "pres"
// reads "serp" in the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "PluginParameters.h"

namespace calverine::patch {

constexpr int kVersionOffset = 512;
constexpr std::int32_t kCurrentVersion = 13;
constexpr std::size_t kChunkSize = Preset::kInfoSize + 10016;
constexpr std::size_t kHeaderSize = 60;

// The current preset of `store` as a chunk, written into `out`.
void writeChunk(const PluginParameters& store, std::vector<std::uint8_t>& out);

// Reads a chunk into the current preset of `store`: resets the unlocked slots
// to their defaults, walks the sections (a section that would run past the
// end ends the walk), takes finite values by (control, part), fills missing
// parts from part A, keeps locked slots at their locked values, migrates old
// versions and centres the pitch wheel. False (and nothing changed) for a
// chunk shorter than 560 bytes.
bool readChunk(const std::uint8_t* data, std::size_t size, PluginParameters& store);

// The patch version of a chunk's information block (0 when too short).
std::int32_t versionOf(const std::uint8_t* data, std::size_t size);

// A tag as the chunk stores it: four characters, the first one in the most
// significant byte.
constexpr std::uint32_t tag(const char (&t)[5]) {
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(t[0])) << 24) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(t[1])) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(t[2])) << 8) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(t[3]));
}

// One section of a chunk as the walk finds it.
struct Section {
    std::uint32_t tag = 0;
    std::uint32_t elementSize = 0;
    std::uint32_t count = 0;
    const std::uint8_t* data = nullptr;  // elementSize x count bytes, all inside the chunk
};

// The walk over a chunk's sections, from the end of the information block
// on, as readChunk takes them: each section's data follows its 16-byte
// header, and the walk ends at the first section whose header or data would
// run past the end of the chunk.
class SectionWalk {
public:
    SectionWalk(const std::uint8_t* chunk, std::size_t size) : chunk_(chunk), size_(size) {}
    // The next section; false once the walk has ended.
    bool next(Section& section);

private:
    const std::uint8_t* chunk_;
    std::size_t size_;
    std::size_t pos_ = static_cast<std::size_t>(Preset::kInfoSize);
};

// Entry i of a "para" section (element size at least 8): control id, part
// and stored value.
struct ParaEntry {
    int control;
    int part;
    float value;
};
ParaEntry paraEntry(const Section& para, std::uint32_t i);

enum class FileCheck { Ok, TooShort, NotOurs };

// Checks a program file's header and finds its chunk (the chunk-size bytes
// from offset 60, or as many as the file holds).
FileCheck findChunk(const std::vector<std::uint8_t>& file, const std::uint8_t*& chunk, std::size_t& size);

// The current preset of `store` as a program file.
void writeProgramFile(const PluginParameters& store, std::vector<std::uint8_t>& out);

}  // namespace calverine::patch
