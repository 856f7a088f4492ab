#include "Voice.h"

namespace calverine {

void Voice::initialise(std::int32_t voiceIndex, double rate, Random& random) {
    *this = Voice{};
    index = voiceIndex;
    oversampledRate = rate;
    renderSlot = voiceIndex;
    driftSeed[0] = static_cast<float>(random.next()) / 32768.0f;
    driftSeed[1] = static_cast<float>(random.next()) / 32768.0f;
}

void Voice::updateControls(int /*start*/, int length) {
    sampleCounter += static_cast<std::uint64_t>(length);
}

}  // namespace calverine
