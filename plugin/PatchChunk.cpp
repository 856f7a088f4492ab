#include "PatchChunk.h"

#include "LittleEndian.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace calverine::patch {

namespace {

constexpr std::uint32_t kPres = tag("pres"), kName = tag("name"), kPara = tag("para"), kBars = tag("bars"),
                        kBar2 = tag("bar2"), kPinf = tag("pinf");
constexpr std::uint32_t kAcceptedIds[] = {tag("CLVS"), tag("CLVF"), tag("QWTF"), tag("QWTR")};
constexpr int kPartsInChunk = 17;

std::uint32_t readBe32(const std::uint8_t* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}

void putLe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void putLe16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void putBe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 3; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void putFloat(std::vector<std::uint8_t>& out, float f) {
    std::uint32_t bits;
    std::memcpy(&bits, &f, 4);
    putLe32(out, bits);
}
// Appends raw bytes (resize and copy: GCC 12 misreads insert into a vector
// that may be empty as an overflow).
void putBytes(std::vector<std::uint8_t>& out, const void* data, std::size_t size) {
    const std::size_t at = out.size();
    out.resize(at + size);
    std::memcpy(out.data() + at, data, size);
}

// A name field of `size` bytes: the name cut to size - 1, zero-padded.
void putName(std::vector<std::uint8_t>& out, const char* name, std::size_t size) {
    char field[32] = {};
    std::memcpy(field, name, strnlen(name, size - 1));
    putBytes(out, field, size);
}

void putSection(std::vector<std::uint8_t>& out, std::uint32_t name, std::uint32_t size, std::uint32_t count,
                std::uint32_t flag = 0) {
    putLe32(out, flag);
    putLe32(out, name);
    putLe32(out, size);
    putLe32(out, count);
}

int rowOf(int part) { return part < 0 ? 0 : part; }

// The "para" entries of one section, by (control, row); NaN where absent.
struct ParaEntries {
    float value[params::kControlIds][kPartsInChunk];
    ParaEntries() {
        for (auto& row : value)
            for (float& v : row) v = std::nanf("");
    }
    float* at(int control, int row) {
        if (control < 0 || control >= params::kControlIds || row < 0 || row >= kPartsInChunk) return nullptr;
        return &value[control][row];
    }
};

void applyPara(const Section& para, std::int32_t version, PluginParameters& store) {
    if (para.elementSize < 8) return;
    auto entries = std::make_unique<ParaEntries>();
    for (std::uint32_t i = 0; i < para.count; ++i) {
        const ParaEntry e = paraEntry(para, i);
        if (float* slot = entries->at(e.control, e.part)) *slot = e.value;
    }
    if (version < 8) {
        // Old patches had oscillator 2 into the filter as a switch, with the
        // half level on a control of its own.
        for (int part = 0; part < 2; ++part) {
            float* level = entries->at(54, part);
            const float* half = entries->at(55, part);
            if (!level || !std::isfinite(*level)) continue;  // no entry: the default stays
            if (*half == 1.0f)
                *level = 1.0f;
            else
                *level = *level == 1.0f ? 0.5f : 0.0f;
        }
    }
    Preset& preset = store.current();
    const auto& records = params::defaultRecords();
    for (std::size_t r = 0; r < records.size(); ++r) {
        const int control = records[r].control, row = rowOf(records[r].part);
        if (store.isRecordLocked(static_cast<int>(r))) {
            const float locked = store.locks()[r].value;
            preset.values[r] = std::isfinite(locked) ? locked : LockEntry::kUnlocked;
            continue;
        }
        const float own = *entries->at(control, row);
        const float first = *entries->at(control, 0);
        if (std::isfinite(own))
            preset.values[r] = std::clamp(own, -params::kValueBound, params::kValueBound);
        else if (row >= 1 && std::isfinite(first))
            preset.values[r] = std::clamp(first, -params::kValueBound, params::kValueBound);
    }
}

// Sets an unlocked slot; locked slots keep their value through migrations.
void migrate(PluginParameters& store, int control, int part, float value) {
    const int r = store.recordOf(control, part);
    if (r != PluginParameters::kNoRecord && !store.isRecordLocked(r))
        store.current().values[static_cast<std::size_t>(r)] = value;
}

void migrateVersion(std::int32_t version, PluginParameters& store) {
    Preset& preset = store.current();
    if (version < 6)
        for (int amount : control::kMatrixAmount) migrate(store, amount, -1, store.getValue(amount, -1) * 0.5f + 0.5f);
    if (version < 7) {
        // LFO 1's steps were spread over all 512 entries.
        const int n = std::clamp(static_cast<int>(store.getValue(control::kLfo[0].steps, -1)), 1, Preset::kSteps);
        for (int i = 0; i < n; ++i)
            preset.steps[0][static_cast<std::size_t>(i)] = preset.steps[0][static_cast<std::size_t>(i * (Preset::kSteps / n))];
    }
    if (version < 9) {
        preset.steps[1] = preset.steps[0];
        migrate(store, control::kLfo[1].steps, -1, store.getValue(control::kLfo[0].steps, -1));
    }
    if (version >= 9 && version <= 12) {
        for (int part = 0; part < 2; ++part)
            if (store.getValue(control::kFilterOsc2, part) == 4.0f) migrate(store, control::kFilterOsc2, part, 2.0f);
        for (int voice = 0; voice < params::kVoiceSlots; ++voice) migrate(store, control::adjust::kOsc2Detune, voice, 0.5f);
        for (int voice = 8; voice < params::kVoiceSlots; ++voice)
            for (int c = control::kFirstVoiceAdjustment; c <= control::kLastVoiceAdjustment; ++c)
                migrate(store, c, voice, store.getValue(c, voice - 8));
    }
}

}  // namespace

std::int32_t versionOf(const std::uint8_t* data, std::size_t size) {
    return size >= static_cast<std::size_t>(Preset::kInfoSize) ? le::readI32(data + kVersionOffset) : 0;
}

bool SectionWalk::next(Section& section) {
    if (size_ < pos_ || size_ - pos_ < 16) return false;
    const std::uint8_t* header = chunk_ + pos_;
    const std::uint32_t elementSize = le::readU32(header + 8), count = le::readU32(header + 12);
    const std::uint64_t bytes = static_cast<std::uint64_t>(elementSize) * count;
    if (bytes > size_ - pos_ - 16) {
        pos_ = size_;  // runs past the end: the walk ends here
        return false;
    }
    section = {le::readU32(header + 4), elementSize, count, header + 16};
    pos_ += 16 + static_cast<std::size_t>(bytes);
    return true;
}

ParaEntry paraEntry(const Section& para, std::uint32_t i) {
    const std::uint8_t* e = para.data + static_cast<std::size_t>(i) * para.elementSize;
    return {le::readU16(e), le::readU16(e + 2), le::readFloat(e + 4)};
}

void writeChunk(const PluginParameters& store, std::vector<std::uint8_t>& out) {
    const Preset& preset = store.getPreset(store.currentPreset);
    out.clear();
    out.reserve(kChunkSize);
    std::array<std::uint8_t, Preset::kInfoSize> info = preset.info;
    for (int i = 0; i < 4; ++i) info[static_cast<std::size_t>(kVersionOffset + i)] = static_cast<std::uint8_t>(kCurrentVersion >> (8 * i));
    putBytes(out, info.data(), info.size());
    putSection(out, kPres, 4, 2);
    putLe32(out, preset.words[0]);
    putLe32(out, preset.words[1]);
    putSection(out, kName, 1, 32);
    putName(out, preset.name, 32);
    putSection(out, kPara, 8, params::kDefaultRecords);
    const auto& records = params::defaultRecords();
    for (std::size_t r = 0; r < records.size(); ++r) {
        putLe16(out, static_cast<std::uint16_t>(records[r].control));
        putLe16(out, static_cast<std::uint16_t>(rowOf(records[r].part)));
        putFloat(out, preset.values[r]);
    }
    for (int l = 0; l < 2; ++l) {
        putSection(out, l == 0 ? kBars : kBar2, 4, Preset::kSteps);
        for (float v : preset.steps[static_cast<std::size_t>(l)]) putFloat(out, v);
    }
    putSection(out, kPinf, Preset::kInfoSize, 1, 1);
    putBytes(out, info.data(), info.size());
}

bool readChunk(const std::uint8_t* data, std::size_t size, PluginParameters& store) {
    if (!data || size < static_cast<std::size_t>(Preset::kInfoSize)) return false;
    const std::int32_t version = versionOf(data, size);
    Preset& preset = store.current();
    const auto& records = params::defaultRecords();
    for (std::size_t r = 0; r < records.size(); ++r)
        if (!store.isRecordLocked(static_cast<int>(r))) preset.values[r] = records[r].value;
    preset.info.fill(0);
    for (auto& steps : preset.steps) steps.fill(0.0f);

    SectionWalk walk(data, size);
    Section section;
    while (walk.next(section)) {
        const std::uint32_t name = section.tag, elementSize = section.elementSize, count = section.count;
        const std::uint64_t bytes = static_cast<std::uint64_t>(elementSize) * count;
        const std::uint8_t* body = section.data;
        if (name == kPres) {
            const std::uint32_t n = std::min<std::uint32_t>(count, 2), width = std::min<std::uint32_t>(elementSize, 4);
            for (std::uint32_t i = 0; i < n; ++i) {
                std::uint8_t word[4] = {};
                std::memcpy(word, body + static_cast<std::size_t>(i) * elementSize, width);
                preset.words[i] = le::readU32(word);
            }
        } else if (name == kName) {
            char text[32] = {};
            std::memcpy(text, body, static_cast<std::size_t>(std::min<std::uint64_t>(bytes, 27)));
            std::memcpy(preset.name, text, sizeof(preset.name));
        } else if (name == kPinf) {
            std::memcpy(preset.info.data(), body, std::min<std::uint32_t>(elementSize, Preset::kInfoSize) * (count > 0 ? 1u : 0u));
        } else if (name == kBars || name == kBar2) {
            auto& steps = preset.steps[name == kBars ? 0 : 1];
            const std::uint32_t n = std::min<std::uint32_t>(count, Preset::kSteps), width = std::min<std::uint32_t>(elementSize, 4);
            for (std::uint32_t i = 0; i < n; ++i) {
                std::uint8_t word[4] = {};
                std::memcpy(word, body + static_cast<std::size_t>(i) * elementSize, width);
                const float v = le::readFloat(word);
                steps[i] = std::isfinite(v) ? v : 0.0f;
            }
        } else if (name == kPara) {
            applyPara(section, version, store);
        }
    }
    migrateVersion(version, store);
    store.setValue(params::kPitchWheel, 0.5f, -1);
    return true;
}

FileCheck findChunk(const std::vector<std::uint8_t>& file, const std::uint8_t*& chunk, std::size_t& size) {
    if (file.size() < kHeaderSize) return FileCheck::TooShort;
    // A program file with an opaque chunk of one of the accepted instruments;
    // anything else (a bank file, float parameters, another plug-in) is not ours.
    const std::uint32_t id = readBe32(file.data() + 16);
    if (readBe32(file.data()) != tag("CcnK") || readBe32(file.data() + 8) != tag("FPCh") ||
        std::find(std::begin(kAcceptedIds), std::end(kAcceptedIds), id) == std::end(kAcceptedIds))
        return FileCheck::NotOurs;
    chunk = file.data() + kHeaderSize;
    size = std::min<std::size_t>(readBe32(file.data() + 56), file.size() - kHeaderSize);
    return FileCheck::Ok;
}

void writeProgramFile(const PluginParameters& store, std::vector<std::uint8_t>& out) {
    std::vector<std::uint8_t> chunk;
    writeChunk(store, chunk);
    out.clear();
    out.reserve(kHeaderSize + chunk.size());
    putBe32(out, tag("CcnK"));
    putBe32(out, static_cast<std::uint32_t>(52 + chunk.size()));
    putBe32(out, tag("FPCh"));
    putBe32(out, 1);  // format version
    putBe32(out, tag("CLVS"));
    putBe32(out, 1);  // plug-in version
    putBe32(out, 1);  // one program
    putName(out, store.getPreset(store.currentPreset).name, 28);
    putBe32(out, static_cast<std::uint32_t>(chunk.size()));
    putBytes(out, chunk.data(), chunk.size());
}

}  // namespace calverine::patch
