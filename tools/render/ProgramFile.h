// A VST program file (".fxp") in its opaque-chunk form: a 60-byte header of
// big-endian fields followed by the plug-in's chunk.
//
//   0  'CcnK'            4  byte size (file size - 8)   8  'FPCh'
//  12  format version   16  plug-in ID                 20  plug-in version
//  24  program count    28  program name (28 bytes)    56  chunk size
//  60  chunk bytes
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace calverine::render {

class ProgramFile {
public:
    static constexpr std::size_t kHeaderSize = 60;

    // Reads and checks a program file. On failure returns false with a
    // one-sentence `error` naming the file.
    bool load(const std::string& path, std::string& error);

    // The same from bytes in memory; `name` is used in error messages.
    bool parse(const std::vector<std::uint8_t>& bytes, const std::string& name, std::string& error);

    const std::vector<std::uint8_t>& chunk() const { return chunk_; }
    std::int32_t pluginId() const { return pluginId_; }
    const std::string& programName() const { return programName_; }

private:
    std::vector<std::uint8_t> chunk_;
    std::int32_t pluginId_ = 0;
    std::string programName_;
};

}  // namespace calverine::render
