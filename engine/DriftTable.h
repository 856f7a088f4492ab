// A slow wander shared by the voices, the way the supply and the temperature
// of an analog instrument drift together. The source is 335257 unsigned
// 16-bit values at 48 kHz (about seven seconds): deterministic noise from the
// engine's generator, smoothed below 2 Hz, as a recording of such a drift
// would be. The sample-rate set-up resamples it for the current rate by
// linear interpolation; each voice reads it from its own starting point.
#pragma once

#include <cstdint>
#include <vector>

namespace calverine {

class DriftTable {
public:
    static constexpr int kRecordedLength = 335257;
    static constexpr double kRecordedRate = 48000.0;

    // The 48 kHz source values (built once).
    static const std::vector<std::uint16_t>& recorded();

    // Allocates; not for the audio thread.
    void resample(double sampleRate);
    int length() const { return static_cast<int>(table_.size()); }
    // -1..1 at a sample position, wrapping around.
    float at(std::int64_t position) const {
        return table_.empty() ? 0.0f : table_[static_cast<std::size_t>(position % static_cast<std::int64_t>(table_.size()))];
    }

private:
    std::vector<float> table_;
};

}  // namespace calverine
