// The engine's random numbers: a 32-bit linear congruential generator with a
// fixed step, so every platform and build draws the same sequence. The
// engine and the editor's edits draw 15 bits (the C library's rand());
// Genetics (patches/Genetics.h) draws all 16 upper bits of the same state.
#pragma once

#include <cstdint>

namespace calverine {

class Random {
public:
    static constexpr int kMax = 32767;

    explicit Random(std::uint32_t seed = 1) : state_(seed) {}
    void seed(std::uint32_t seed) { state_ = seed; }
    // 0 .. 32767
    int next() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 32767u);
    }
    // 0 .. 65535: the same step, the upper 16 bits of the new state.
    int nextWide() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>(state_ >> 16);
    }

private:
    std::uint32_t state_;
};

}  // namespace calverine
