#include "GeneticsSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "PatchChunk.h"

namespace calverine::test {

namespace {

void keep(const char* name, std::string& value, bool& had) {
    const char* old = std::getenv(name);
    had = old != nullptr;
    if (old) value = old;
}

void restore(const char* name, const std::string& value, bool had) {
    if (had)
        setenv(name, value.c_str(), 1);
    else
        unsetenv(name);
}

}  // namespace

Home::Home() {
    keep("CALVERINE_SETTINGS_DIR", oldSettings_, hadSettings_);
    keep("CALVERINE_DATA_DIR", oldData_, hadData_);
    setenv("CALVERINE_SETTINGS_DIR", (folder.path() + "/settings").c_str(), 1);
    setenv("CALVERINE_DATA_DIR", data().c_str(), 1);
}

Home::~Home() {
    restore("CALVERINE_SETTINGS_DIR", oldSettings_, hadSettings_);
    restore("CALVERINE_DATA_DIR", oldData_, hadData_);
}

bool telling(int record) {
    const int control = params::defaultRecords()[static_cast<std::size_t>(record)].control;
    return !params::isSwitch(control) && control != params::kPitchWheel;
}

PluginParameters parentStore(int k) {
    PluginParameters store;
    Preset& p = store.current();
    for (int r = 0; r < params::kDefaultRecords; ++r) {
        const int control = params::defaultRecords()[static_cast<std::size_t>(r)].control;
        float value = static_cast<float>(1000 * (k + 1) + r);
        if (params::isSwitch(control)) value = static_cast<float>((r + k) % 2);
        if (control == params::kPitchWheel) value = 0.5f;
        p.values[static_cast<std::size_t>(r)] = value;
    }
    for (int l = 0; l < 2; ++l)
        for (int i = 0; i < Preset::kSteps; ++i)
            p.steps[static_cast<std::size_t>(l)][static_cast<std::size_t>(i)] =
                static_cast<float>(10 * (k + 1) + l) + static_cast<float>(i) / 1024.0f;
    std::memset(p.name, 0, sizeof p.name);
    std::strcpy(p.name, kParentNames[k]);
    p.words[0] = static_cast<std::uint32_t>(k + 1);
    p.words[1] = 0xABC0u + static_cast<std::uint32_t>(k);
    p.setInfoText(std::string("notes of ") + kParentNames[k]);
    for (int i = Preset::kInfoTextArea + 4; i < Preset::kInfoSize; ++i)
        p.info[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(k + 1);
    return store;
}

int parentOfValue(int record, float value) {
    if (!telling(record)) return -1;
    for (int k = 0; k < 3; ++k)
        if (value == static_cast<float>(1000 * (k + 1) + record)) return k;
    return -1;
}

std::map<int, int> sourcesOf(const Preset& preset) {
    std::map<int, int> sources;
    for (int r = 0; r < params::kDefaultRecords; ++r) {
        if (!telling(r)) continue;
        const int control = params::defaultRecords()[static_cast<std::size_t>(r)].control;
        const int parent = parentOfValue(r, preset.values[static_cast<std::size_t>(r)]);
        EXPECT_GE(parent, 0) << "control " << control << " holds a value of no parent";
        const auto [at, inserted] = sources.emplace(control, parent);
        EXPECT_TRUE(inserted || at->second == parent) << "the slots of control " << control << " mix parents";
    }
    return sources;
}

int patternParent(const Preset& preset, int lfo) {
    for (int k = 0; k < 3; ++k)
        if (preset.steps[static_cast<std::size_t>(lfo)] ==
            parentStore(k).current().steps[static_cast<std::size_t>(lfo)])
            return k;
    return -1;
}

Bytes readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes programFileOf(const PluginParameters& store) {
    Bytes file;
    patch::writeProgramFile(store, file);
    return file;
}

std::vector<std::string> writeParents(const TempFolder& folder, int count) {
    std::vector<std::string> paths;
    for (int k = 0; k < count; ++k) {
        paths.push_back(folder.file(std::string(kParentNames[k]) + ".fxp"));
        writeBytes(paths.back(), programFileOf(parentStore(k)));
    }
    return paths;
}

}  // namespace calverine::test
