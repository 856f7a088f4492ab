#include "PluginParameters.h"

#include <algorithm>
#include <cstring>

#include "Messages.h"

namespace calverine {

namespace {
// Codes that tell which check fired.
constexpr int kCodeRow = 201;
constexpr int kCodeControl = 202;
}  // namespace

void Preset::setInfoText(std::string_view text) {
    const std::size_t n = std::min<std::size_t>(text.size(), kInfoTextArea - 1);
    std::fill(info.begin(), info.begin() + kInfoTextArea, std::uint8_t{0});
    std::memcpy(info.data(), text.data(), n);
}

std::string Preset::infoText() const {
    const auto* text = reinterpret_cast<const char*>(info.data());
    return std::string(text, strnlen(text, kInfoTextArea));
}

PluginParameters::PluginParameters(int presetCount) : presets_(static_cast<std::size_t>(presetCount > 0 ? presetCount : 1)) {
    for (auto& row : rowMap_) row.fill(kNoRecord);
    const auto& records = params::defaultRecords();
    for (int r = 0; r < params::kDefaultRecords; ++r) {
        const params::DefaultRecord& record = records[static_cast<std::size_t>(r)];
        rowMap_[static_cast<std::size_t>(rowOf(record.part))][static_cast<std::size_t>(record.control)] =
            static_cast<std::int16_t>(r);
        locks_[static_cast<std::size_t>(r)].control = static_cast<std::uint16_t>(record.control);
        locks_[static_cast<std::size_t>(r)].part = static_cast<std::uint16_t>(record.part < 0 ? 0 : record.part);
    }
    for (int p = 0; p < presetCount; ++p) resetToDefaults(p);
}

int PluginParameters::rowOf(int part) const {
    if (part == params::kCurrent) part = currentPart;
    if (part == 99) return 16;
    if (part < 0) return 0;
    return part;
}

int PluginParameters::recordOf(int control, int part) const {
    const int row = rowOf(part);
    if (row >= kRows) {
        platform::reportIndexOutOfRange(row, kRows - 1, kCodeRow);
        return kNoRecord;
    }
    if (control < 0 || control > params::kHighestControl) {
        platform::reportIndexOutOfRange(control, params::kHighestControl, kCodeControl);
        return kNoRecord;
    }
    return rowMap_[static_cast<std::size_t>(row)][static_cast<std::size_t>(control)];
}

float PluginParameters::defaultValue(int control, int part) const {
    const int r = recordOf(control, part);
    return r == kNoRecord ? 0.0f : params::defaultRecords()[static_cast<std::size_t>(r)].value;
}

bool PluginParameters::isPerPart(int control) const {
    return params::isPartControl(control) || params::isVoiceAdjustment(control);
}

float PluginParameters::getValue(int control, int part, int preset) const {
    const int r = recordOf(control, part);
    if (r == kNoRecord) return 0.0f;
    return getPreset(preset == params::kCurrent ? currentPreset : preset).values[static_cast<std::size_t>(r)];
}

void PluginParameters::setValue(int control, float value, int part, int preset) {
    const int r = recordOf(control, part);
    if (r == kNoRecord) return;
    getPreset(preset == params::kCurrent ? currentPreset : preset).values[static_cast<std::size_t>(r)] = value;
    LockEntry& lock = locks_[static_cast<std::size_t>(r)];
    if (lock.locked()) lock.value = value;
}

Preset& PluginParameters::getPreset(int preset) {
    return const_cast<Preset&>(static_cast<const PluginParameters*>(this)->getPreset(preset));
}

const Preset& PluginParameters::getPreset(int preset) const {
    if (preset < 0 || preset >= presetCount()) {
        platform::reportAssertion("PluginParameters::getPreset");
        return presets_.front();
    }
    return presets_[static_cast<std::size_t>(preset)];
}

void PluginParameters::resetToDefaults(int preset) {
    Preset& p = getPreset(preset == params::kCurrent ? currentPreset : preset);
    const auto& records = params::defaultRecords();
    for (std::size_t r = 0; r < records.size(); ++r) p.values[r] = records[r].value;
}

bool PluginParameters::isRecordLocked(int record) const {
    return record >= 0 && record < params::kDefaultRecords && locks_[static_cast<std::size_t>(record)].locked();
}

}  // namespace calverine
