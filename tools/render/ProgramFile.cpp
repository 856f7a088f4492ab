#include "ProgramFile.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "Files.h"

namespace calverine::render {

namespace {

constexpr std::size_t kMaxProgramFileBytes = 16u * 1024 * 1024;

std::uint32_t bigEndian32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

}  // namespace

bool ProgramFile::load(const std::string& path, std::string& error) {
    std::ifstream in(platform::toPath(path), std::ios::binary);
    if (!in) {
        error = "cannot read program file '" + path + "': " + std::strerror(errno);
        return false;
    }
    std::vector<std::uint8_t> bytes;
    char buffer[8192];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        bytes.insert(bytes.end(), buffer, buffer + in.gcount());
        if (bytes.size() > kMaxProgramFileBytes) {
            error = "program file '" + path + "' is too large";
            return false;
        }
    }
    if (in.bad()) {
        error = "cannot read program file '" + path + "'";
        return false;
    }
    return parse(bytes, path, error);
}

bool ProgramFile::parse(const std::vector<std::uint8_t>& bytes, const std::string& name, std::string& error) {
    const std::string prefix = "bad program file '" + name + "': ";
    if (bytes.size() < kHeaderSize) {
        error = prefix + "shorter than its 60-byte header";
        return false;
    }
    const std::uint8_t* p = bytes.data();
    if (std::memcmp(p, "CcnK", 4) != 0) {
        error = prefix + "no 'CcnK' magic";
        return false;
    }
    if (std::memcmp(p + 8, "FxCk", 4) == 0) {
        error = prefix + "holds a list of parameter values ('FxCk'), only opaque chunks ('FPCh') are supported";
        return false;
    }
    if (std::memcmp(p + 8, "FPCh", 4) != 0) {
        error = prefix + "not an opaque-chunk program ('FPCh')";
        return false;
    }
    const std::uint32_t chunkSize = bigEndian32(p + 56);
    if (chunkSize == 0) {
        error = prefix + "its chunk is empty";
        return false;
    }
    if (chunkSize > bytes.size() - kHeaderSize) {
        error = prefix + "its chunk size (" + std::to_string(chunkSize) + " bytes) runs past the end of the file";
        return false;
    }
    const std::uint32_t byteSize = bigEndian32(p + 4);
    if (byteSize != kHeaderSize - 8 + chunkSize) {
        error = prefix + "its byte size field does not match its chunk size";
        return false;
    }
    if (kHeaderSize + chunkSize != bytes.size()) {
        error = prefix + "it has bytes after the chunk";
        return false;
    }

    pluginId_ = static_cast<std::int32_t>(bigEndian32(p + 16));
    const char* nameField = reinterpret_cast<const char*>(p + 28);
    programName_.assign(nameField, strnlen(nameField, 28));
    chunk_.assign(bytes.begin() + static_cast<std::ptrdiff_t>(kHeaderSize), bytes.end());
    return true;
}

}  // namespace calverine::render
