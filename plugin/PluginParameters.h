// The parameter store: the stored values of the current patch (one preset per
// program slot, each with a name and one value per default-value record), the
// current part and preset that the sentinel -88888 stands for, and the lock
// array of the locked controls.
//
// Threads: single values are read and written from any thread without a lock
// (each is one 32-bit word); whole presets are replaced only under the
// plug-in's reload lock.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ParameterTable.h"

namespace calverine {

struct Preset {
    static constexpr int kInfoSize = 560;
    static constexpr int kSteps = 512;
    // The patch's info text lives in the first 512 bytes of the information
    // block, before the version: at most 511 characters and a zero byte.
    static constexpr int kInfoTextArea = 512;

    char name[32] = "Init Patch";
    std::array<float, params::kDefaultRecords> values{};
    std::uint32_t words[2] = {0, 0};                   // carried through unchanged
    std::array<std::uint8_t, kInfoSize> info{};          // patch information, version at byte 512
    std::array<std::array<float, kSteps>, 2> steps{};  // step values of the two step LFOs

    // The info text: the text is cut to 511 characters and the rest of the
    // text area zeroed; the bytes from the version on are left alone.
    void setInfoText(std::string_view text);
    // Up to the first zero byte of the text area.
    std::string infoText() const;
};

struct LockEntry {
    std::uint16_t control = 0;
    std::uint16_t part = 0;
    float value = kUnlocked;
    static constexpr float kUnlocked = -9999.0f;
    bool locked() const { return value > -9990.0f; }
};

class PluginParameters {
public:
    static constexpr int kRows = 17;
    static constexpr int kNoRecord = -1;

    explicit PluginParameters(int presetCount = 1);

    int currentPart = 0;
    int currentPreset = 0;

    int highestControl() const { return params::kHighestControl; }
    int presetCount() const { return static_cast<int>(presets_.size()); }

    // The record number of (control, part), or kNoRecord. Rows: the part index,
    // -88888 the current part, 99 row 16, negative values row 0. A position
    // outside the map is reported and answers kNoRecord.
    int recordOf(int control, int part) const;
    float defaultValue(int control, int part) const;
    bool isPerPart(int control) const;

    // preset: a preset number or -88888 for the current one.
    float getValue(int control, int part, int preset = params::kCurrent) const;
    // Writes the stored value; a locked slot's locked value follows it.
    void setValue(int control, float value, int part, int preset = params::kCurrent);

    // Reports the assertion "PluginParameters::getPreset" for a number outside
    // the array and answers the first preset instead.
    Preset& getPreset(int preset);
    const Preset& getPreset(int preset) const;
    Preset& current() { return getPreset(currentPreset); }

    // Every value of a preset back to the "Init Patch" defaults.
    void resetToDefaults(int preset = params::kCurrent);

    std::array<LockEntry, params::kDefaultRecords>& locks() { return locks_; }
    bool isRecordLocked(int record) const;

private:
    int rowOf(int part) const;

    std::vector<Preset> presets_;
    std::array<std::array<std::int16_t, params::kControlIds>, kRows> rowMap_{};
    std::array<LockEntry, params::kDefaultRecords> locks_{};
};

}  // namespace calverine
