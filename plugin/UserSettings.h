// The per-user settings that outlive the plug-in object, and the bytes each
// one is stored as (one raw value per name, little-endian):
//   "uisize"      1 byte      the editor size choice
//   "plock"       8 x count   control id (u16), part (u16), locked value (f32,
//                             -9999.0 unlocked), one entry per lock slot
//   "plockcnt"    4 bytes     the number of "plock" entries
//   "DataCC"      256 bytes   the CC map's control ids, 128 x u16 (32767 unassigned)
//   "DataCCPART"  256 bytes   the CC map's part indexes, 128 x u16
// A value that is missing, short or damaged leaves the defaults; writes that
// fail are ignored.
//
// Threads: construction, destruction and the user-interface thread; never the
// audio thread. Several plug-in objects share the values; the last writer wins.
#pragma once

#include <array>
#include <cstdint>

#include "ControllerMap.h"
#include "PluginParameters.h"
#include "Settings.h"

namespace calverine {

class UserSettings {
public:
    using Locks = std::array<LockEntry, params::kDefaultRecords>;
    using CcMap = std::array<ControllerMap::Entry, 128>;

    // Reads the size choice, and merges the stored locks into `locks`: an entry
    // locks the slot with the same control and part when its value is finite
    // and above -9990.0; no entry unlocks a slot.
    void read(Locks& locks);
    // Writes the size choice and every lock slot.
    void storeLocks(const Locks& locks) const;
    // The stored CC map; false (and `map` untouched) unless both values are
    // there in full.
    bool readControllerMap(CcMap& map) const;
    void storeControllerMap(const CcMap& map) const;

    std::uint8_t uiSize() const { return uiSize_; }
    // Keeps the editor size choice and writes it at once.
    void storeUiSize(std::uint8_t index);

private:
    platform::Settings settings_;
    std::uint8_t uiSize_ = 0;
};

}  // namespace calverine
