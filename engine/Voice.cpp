#include "Voice.h"

#include <algorithm>

namespace calverine {

void Voice::initialise(std::int32_t voiceIndex, double rate, Random& random) {
    *this = Voice{};
    index = voiceIndex;
    oversampledRate = rate;
    renderSlot = voiceIndex;
    driftSeed[0] = static_cast<float>(random.next()) / 32768.0f;
    driftSeed[1] = static_cast<float>(random.next()) / 32768.0f;
}

void Voice::updateControls(int /*start*/, int length, double glideRate) {
    // Glide: the sounding pitch moves linearly toward the note, once per
    // output sample (four sub-samples).
    const double target = static_cast<double>(note);
    for (int i = 0; i < length; i += 4) {
        if (glidePitch - glideRate > target)
            glidePitch -= glideRate;
        else
            glidePitch = std::min(glidePitch + glideRate, target);
    }
    sampleCounter += static_cast<std::uint64_t>(length);
}

}  // namespace calverine
