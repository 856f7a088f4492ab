// Which MIDI controller drives which control: the default-assignment table
// (one controller number per control and part slot) and the CC map derived
// from it (one control and part per controller number), with the pending
// MIDI-learn target.
//
// Threads: learning starts on the user-interface thread and completes on the
// audio thread; the learn target is one 32-bit word written once by each side.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

namespace calverine {

class ControllerMap {
public:
    static constexpr std::uint16_t kUnassigned = 32767;
    static constexpr std::uint16_t kNoController = 255;
    static constexpr int kParts = 17;

    struct Entry {
        std::uint16_t control = kUnassigned;
        std::uint16_t part = 0;
    };

    // controlIds: N. Fills the table from the host parameters' default
    // controllers and derives the CC map.
    explicit ControllerMap(int controlIds);

    const Entry& entry(int controller) const { return map_[static_cast<std::size_t>(controller & 127)]; }
    std::uint16_t tableEntry(int control, int part) const;

    // For every controller, the (control, part) slot of the table that names
    // it: every part of a control binds its own controller, the lowest part
    // wins within a control, and among several controls the highest id wins.
    void buildFromTable();
    // Assigned controllers written back into the table.
    void writeIntoTable();
    // Replaces the whole map (the stored one from the user settings) and
    // writes it into the table.
    void replaceMap(const std::array<Entry, 128>& map);
    const std::array<Entry, 128>& map() const { return map_; }

    // ---- learning -------------------------------------------------------------
    void startLearn(int control, int part);
    bool learnPending() const { return learnTarget_.load() >= 0; }
    // Binds `controller` to the pending target when one is pending and the
    // controller number is at least 1. Audio thread.
    void completeLearn(int controller);
    // Every controller bound to (control, part) becomes unassigned.
    void forget(int control, int part);
    bool changed() const { return changed_; }

private:
    int controlIds_;
    std::vector<std::uint16_t> table_;  // part x N + control
    std::array<Entry, 128> map_{};
    std::atomic<std::int32_t> learnTarget_{-1};
    std::int32_t learnPart_ = 0;
    bool changed_ = false;
};

}  // namespace calverine
