// The white-noise source shared by all voices: the engine's linear
// congruential generator, through a 160 Hz two-pole high-pass.
#pragma once

#include <cstdint>

namespace calverine {

class NoiseSource {
public:
    void configure(double sampleRate);
    void clear() { s1_ = s2_ = 0.0f; }
    void seed(std::uint32_t s) { seed_ = s; }
    // n samples at the output rate, each multiplied by `gain`.
    void render(float* out, int n, float gain);
    // The raw generator: s = s * 214013 + 2531011, sample = (int16)(s >> 16) / 32768.
    float nextRaw() {
        seed_ = seed_ * 214013u + 2531011u;
        return static_cast<float>(static_cast<std::int16_t>(seed_ >> 16)) / 32768.0f;
    }

private:
    static constexpr float kDamping = 0.215f;
    std::uint32_t seed_ = 0;
    float s1_ = 0.0f, s2_ = 0.0f;
    float a1_ = 0.0f, a2_ = 0.0f, a3_ = 0.0f;
};

}  // namespace calverine
