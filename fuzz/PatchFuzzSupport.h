// Shared by the chunk and program-file fuzz targets: building patch chunks
// from fuzz input (well-formed section headers with hostile contents, or
// edits of a real chunk) and the checks every load must pass.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "LittleEndian.h"
#include "Messages.h"
#include "PatchChunk.h"
#include "PluginParameters.h"

namespace fuzzpatch {

using calverine::PluginParameters;
using calverine::Preset;
namespace patch = calverine::patch;

inline void check(bool condition) {
    if (!condition) std::abort();
}

// Loading a patch has no internal error to report.
inline int& messageCount() {
    static int count = 0;
    return count;
}
inline void countMessage(const char*, const char*, platform::MessageIcon, void*) { ++messageCount(); }

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return size_ == 0; }
    std::size_t left() const { return size_; }
    // The next byte, or 0 once the input is used up.
    std::uint8_t byte() {
        if (size_ == 0) return 0;
        --size_;
        return *data_++;
    }
    std::uint16_t u16() { return static_cast<std::uint16_t>(byte() | (byte() << 8)); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(u16()) | (static_cast<std::uint32_t>(u16()) << 16); }
    // A float that is often one of the awkward ones.
    float value() {
        switch (byte() % 12) {
        case 0: return std::numeric_limits<float>::quiet_NaN();
        case 1: return std::numeric_limits<float>::infinity();
        case 2: return -std::numeric_limits<float>::infinity();
        case 3: return 1.0e30f;
        case 4: return -3.0e9f;
        case 5: return std::numeric_limits<float>::denorm_min();
        case 6: return -0.0f;
        case 7: {
            const std::uint32_t bits = u32();
            float f;
            std::memcpy(&f, &bits, 4);
            return f;
        }
        default: return static_cast<float>(byte()) / 32.0f - 2.0f;
        }
    }
    // A 32-bit field that is often at or next to a boundary.
    std::uint32_t field() {
        static const std::uint32_t kInteresting[] = {0, 1, 2, 3, 4, 7, 8, 9, 27, 31, 32, 33, 511, 512, 513, 559, 560,
                                                     561, 652, 653, 654, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF,
                                                     0x20000000, 0x40000001};
        const std::uint8_t pick = byte();
        return pick < 2 * std::size(kInteresting) ? kInteresting[pick % std::size(kInteresting)] : u32();
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

inline void putLe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
inline void putFloat(std::vector<std::uint8_t>& out, float f) {
    std::uint32_t bits;
    std::memcpy(&bits, &f, 4);
    putLe32(out, bits);
}
inline void setLe32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t v) {
    if (at + 4 > bytes.size()) return;
    for (int i = 0; i < 4; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

// The versions that choose between the load paths.
inline std::int32_t versionFrom(Input& in) {
    static const std::int32_t kVersions[] = {0, 5, 6, 7, 8, 9, 12, 13, 14, -1};
    const std::uint8_t pick = in.byte();
    return pick < 2 * std::size(kVersions) ? kVersions[pick % std::size(kVersions)] : static_cast<std::int32_t>(in.u32());
}

// A chunk whose sections are well formed (or cut short on purpose) and whose
// contents come from the input.
inline std::vector<std::uint8_t> structuredChunk(Input& in) {
    static const char* const kTags[] = {"serp", "eman", "arap", "srab", "2rab", "fnip"};
    static const std::uint32_t kNaturalSize[] = {4, 1, 8, 4, 4, 560};
    std::vector<std::uint8_t> chunk(static_cast<std::size_t>(Preset::kInfoSize), 0);
    setLe32(chunk, static_cast<std::size_t>(patch::kVersionOffset), static_cast<std::uint32_t>(versionFrom(in)));
    while (!in.empty()) {
        const std::uint8_t s = in.byte();
        const int kind = s % 8;
        if (kind == 7) {  // raw bytes to the end
            while (!in.empty()) chunk.push_back(in.byte());
            break;
        }
        std::uint32_t name, natural = 4;
        if (kind < 6) {
            std::memcpy(&name, kTags[kind], 4);
            natural = kNaturalSize[kind];
        } else {
            name = in.u32();
        }
        std::uint32_t elementSize = natural;
        switch ((s >> 3) % 4) {
        case 1: elementSize = in.byte(); break;
        case 2: elementSize = natural + in.byte() % 5; break;
        case 3: elementSize = 0; break;
        default: break;
        }
        std::uint32_t count = kind == 2 ? in.u16() % 1024u : in.byte();
        if (static_cast<std::uint64_t>(elementSize) * count > 32768) count = elementSize ? 32768 / elementSize : count;
        const bool cut = (s & 0x80) != 0 && (s & 0x40) != 0;
        putLe32(chunk, in.byte() % 3 == 0 ? 1u : 0u);
        const std::size_t nameAt = chunk.size();
        chunk.resize(nameAt + 4);
        std::memcpy(chunk.data() + nameAt, &name, 4);
        putLe32(chunk, elementSize);
        putLe32(chunk, count);
        const std::size_t body = static_cast<std::size_t>(elementSize) * count;
        const std::size_t bodyStart = chunk.size();
        if (kind == 2 && elementSize >= 8) {
            for (std::uint32_t i = 0; i < count; ++i) {
                const std::size_t at = chunk.size();
                chunk.push_back(in.byte());                  // control, low byte
                chunk.push_back(in.byte() % 8 == 0 ? 1 : 0);  // control, high byte
                chunk.push_back(static_cast<std::uint8_t>(in.byte() % 18));
                chunk.push_back(0);
                putFloat(chunk, in.value());
                chunk.resize(at + elementSize, 0);
            }
        } else if ((kind == 3 || kind == 4) && elementSize >= 4) {
            for (std::uint32_t i = 0; i < count; ++i) {
                const std::size_t at = chunk.size();
                putFloat(chunk, in.value());
                chunk.resize(at + elementSize, 0);
            }
        } else {
            for (std::size_t i = 0; i < body; ++i) chunk.push_back(in.byte());
        }
        if (cut) {
            chunk.resize(bodyStart + body / 2);
            break;
        }
    }
    return chunk;
}

// Offsets of the section headers of a chunk.
inline std::vector<std::size_t> sectionHeaders(const std::vector<std::uint8_t>& chunk, std::size_t from) {
    std::vector<std::size_t> headers;
    std::size_t pos = from + static_cast<std::size_t>(Preset::kInfoSize);
    while (pos + 16 <= chunk.size()) {
        headers.push_back(pos);
        const std::uint32_t size = calverine::le::readU32(chunk.data() + pos + 8);
        const std::uint32_t count = calverine::le::readU32(chunk.data() + pos + 12);
        pos += 16 + static_cast<std::size_t>(size) * count;
    }
    return headers;
}

// A real patch with a varied value in every slot and in the steps.
inline const PluginParameters& richPatch() {
    static const PluginParameters store = [] {
        PluginParameters s;
        Preset& p = s.current();
        for (std::size_t r = 0; r < p.values.size(); ++r) p.values[r] = 0.0625f * static_cast<float>(r % 37);
        for (std::size_t i = 0; i < Preset::kSteps; ++i) {
            p.steps[0][i] = static_cast<float>(i % 9) * 0.125f;
            p.steps[1][i] = -p.steps[0][i];
        }
        std::strcpy(p.name, "Twenty-seven characters, no");
        p.words[0] = 7;
        p.info[3] = 42;
        return s;
    }();
    return store;
}

// Edits a real chunk (starting at `from` in `bytes`): the version, section
// header fields, single bytes, and where it ends.
inline void editChunk(std::vector<std::uint8_t>& bytes, std::size_t from, Input& in) {
    const std::uint8_t what = in.byte();
    const std::size_t keep = (what & 2) ? in.u16() % (bytes.size() - from + 1) : bytes.size() - from;
    if (what & 1) setLe32(bytes, from + static_cast<std::size_t>(patch::kVersionOffset), static_cast<std::uint32_t>(versionFrom(in)));
    const std::vector<std::size_t> headers = sectionHeaders(bytes, from);
    while (in.left() >= 3) {
        const std::uint8_t a = in.byte(), b = in.byte(), c = in.byte();
        if ((a & 0xC0) == 0xC0 && !headers.empty()) {
            const std::size_t header = headers[b % headers.size()];
            setLe32(bytes, header + 4 * static_cast<std::size_t>(1 + c % 3), in.field());
        } else {
            const std::size_t at = from + ((static_cast<std::size_t>(a) << 8 | b) * 7u) % (bytes.size() - from);
            bytes[at] = c;
        }
    }
    bytes.resize(from + keep);
}

// Every stored value and step is a number, the name ends inside its field.
inline void checkSane(const PluginParameters& store) {
    const Preset& p = store.getPreset(store.currentPreset);
    for (float v : p.values) check(std::isfinite(v));
    for (const auto& steps : p.steps)
        for (float v : steps) check(std::isfinite(v));
    check(std::memchr(p.name, 0, sizeof p.name) != nullptr);
}

inline std::vector<std::uint8_t> chunkOf(const PluginParameters& store) {
    std::vector<std::uint8_t> chunk;
    patch::writeChunk(store, chunk);
    return chunk;
}

// Loads a chunk into a fresh store and checks the outcome: refused only when
// shorter than the information block (and then nothing changed), otherwise
// sane, the pitch wheel centred, and the result saves to a chunk that loads
// back to itself.
inline void checkLoad(const std::uint8_t* data, std::size_t size) {
    platform::setMessageHook(countMessage, nullptr);
    messageCount() = 0;
    PluginParameters store;
    const bool loaded = patch::readChunk(data, size, store);
    check(loaded == (size >= static_cast<std::size_t>(Preset::kInfoSize)));
    checkSane(store);
    const std::vector<std::uint8_t> saved = chunkOf(store);
    if (!loaded) {
        check(saved == chunkOf(PluginParameters()));
    } else {
        check(store.getValue(calverine::params::kPitchWheel, -1) == 0.5f);
        PluginParameters again;
        check(patch::readChunk(saved.data(), saved.size(), again));
        check(chunkOf(again) == saved);
    }
    check(messageCount() == 0);
}

}  // namespace fuzzpatch
