// The 4x -> 1x decimator of the voice mix.
//
// Speed trick: the history keeps two stereo sub-sample pairs per entry
// (L, R, L', R'), and the kernel is stored the same way ((h, h, h', h')), so one
// four-lane multiply-add covers two taps of both channels (an eight-lane one
// four taps, where the processor has them). The ring of 64
// entries is mirrored (every entry is written twice, 64 apart), so the newest
// 40 entries are always contiguous and the inner loop has no wrap test.
#pragma once

#include <cstdint>

namespace calverine {

class Decimator {
public:
    static constexpr int kTaps = 79;
    static constexpr int kRingEntries = 64;
    static constexpr int kKernelEntries = (kTaps + 1) / 2;  // 40
    static_assert(kKernelEntries % 4 == 0, "the dot product runs four entries at a time");

    Decimator();

    // The windowed-sinc low-pass: cut-off 0.24*pi rad per sub-sample (0.48 of
    // the output rate), four-term Nuttall window. h[39] is 0.24.
    static double kernelTap(int n);

    void clear();
    // left4/right4: 4*n sub-samples each; writes n output samples.
    void process(const float* left4, const float* right4, int n, float* outLeft, float* outRight);

private:
    alignas(16) float kernel_[kKernelEntries * 4];
    alignas(16) float ring_[2 * kRingEntries * 4];
    std::uint32_t writeIndex_ = 0;
};

}  // namespace calverine
