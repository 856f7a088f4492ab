// Numbers read from little-endian bytes, whatever the machine's own order:
// chunks and the stored user settings are little-endian on every platform.
// The caller makes sure the bytes are there.
#pragma once

#include <cstdint>
#include <cstring>

namespace calverine::le {

inline std::uint16_t readU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t readU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline std::int32_t readI32(const std::uint8_t* p) { return static_cast<std::int32_t>(readU32(p)); }

// The float whose bit pattern the four bytes hold.
inline float readFloat(const std::uint8_t* p) {
    const std::uint32_t bits = readU32(p);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

}  // namespace calverine::le
