#include "VoiceOutputStage.h"

#include <cmath>

namespace calverine {

namespace {
constexpr double kPi = 3.14159265358979323846;
}  // namespace

void OutputStageConstants::configure(double fs4) {
    inputDc = static_cast<float>(1.0 - std::exp(-2.0 * kPi * 1.0 / fs4));
    outputDc = static_cast<float>(1.0 - std::exp(-2.0 * kPi * 5.0 / fs4));
    const double g = std::tan(kPi * 10.0 / fs4);
    const double a1 = 1.0 / (1.0 + g * (g + 1.6));
    highPass[0] = static_cast<float>(a1);
    highPass[1] = static_cast<float>(g * a1);
    highPass[2] = static_cast<float>(g * g * a1);
    const double g8 = std::tan(kPi * 8.0 / fs4);
    feedbackGain = static_cast<float>(g8 / (1.0 + g8));
}

}  // namespace calverine
