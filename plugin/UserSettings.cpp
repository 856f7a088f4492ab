#include "UserSettings.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "LittleEndian.h"

namespace calverine {

namespace {

struct StoredLock {
    std::uint16_t control;
    std::uint16_t part;
    float value;
};
static_assert(sizeof(StoredLock) == 8);

}  // namespace

void UserSettings::read(Locks& locks) {
    std::vector<std::uint8_t> bytes;
    if (settings_.read("uisize", bytes) && bytes.size() >= 1) uiSize_ = bytes[0];
    if (!settings_.read("plockcnt", bytes) || bytes.size() < 4) return;
    const std::uint32_t count = le::readU32(bytes.data());
    if (count == 0 || !settings_.read("plock", bytes)) return;
    const std::size_t entries = std::min<std::size_t>(count, bytes.size() / sizeof(StoredLock));
    for (std::size_t i = 0; i < entries; ++i) {
        StoredLock stored;
        std::memcpy(&stored, bytes.data() + i * sizeof(StoredLock), sizeof(StoredLock));
        if (!std::isfinite(stored.value) || !(stored.value > -9990.0f)) continue;
        for (LockEntry& lock : locks)
            if (lock.control == stored.control && lock.part == stored.part) lock.value = stored.value;
    }
}

void UserSettings::storeLocks(const Locks& locks) const {
    std::vector<StoredLock> stored;
    for (const LockEntry& lock : locks) stored.push_back({lock.control, lock.part, lock.value});
    const std::uint32_t count = static_cast<std::uint32_t>(stored.size());
    settings_.write("uisize", &uiSize_, 1);
    settings_.write("plock", stored.data(), stored.size() * sizeof(StoredLock));
    settings_.write("plockcnt", &count, sizeof(count));
}

void UserSettings::storeUiSize(std::uint8_t index) {
    uiSize_ = index;
    settings_.write("uisize", &uiSize_, 1);
}

bool UserSettings::readControllerMap(CcMap& map) const {
    std::vector<std::uint8_t> controls, parts;
    if (!settings_.read("DataCC", controls) || !settings_.read("DataCCPART", parts)) return false;
    if (controls.size() < 256 || parts.size() < 256) return false;
    for (int c = 0; c < 128; ++c) {
        map[static_cast<std::size_t>(c)].control = le::readU16(controls.data() + 2 * c);
        map[static_cast<std::size_t>(c)].part = le::readU16(parts.data() + 2 * c);
    }
    return true;
}

void UserSettings::storeControllerMap(const CcMap& map) const {
    std::uint8_t controls[256], parts[256];
    for (int c = 0; c < 128; ++c) {
        const ControllerMap::Entry& e = map[static_cast<std::size_t>(c)];
        controls[2 * c] = static_cast<std::uint8_t>(e.control);
        controls[2 * c + 1] = static_cast<std::uint8_t>(e.control >> 8);
        parts[2 * c] = static_cast<std::uint8_t>(e.part);
        parts[2 * c + 1] = static_cast<std::uint8_t>(e.part >> 8);
    }
    settings_.write("DataCC", controls, sizeof(controls));
    settings_.write("DataCCPART", parts, sizeof(parts));
}

}  // namespace calverine
