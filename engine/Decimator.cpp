#include "Decimator.h"

#include <cmath>
#include <cstring>

namespace calverine {

double Decimator::kernelTap(int n) {
    const double pi = 3.14159265358979323846;
    const int k = n - 39;
    const double x = n / 79.0;
    const double window =
        0.355768 - 0.487396 * std::cos(2 * pi * x) + 0.144232 * std::cos(4 * pi * x) - 0.012604 * std::cos(6 * pi * x);
    if (k == 0) return 0.24;
    return std::sin(0.24 * pi * k) / (pi * k) * window;
}

Decimator::Decimator() {
    // Entry e (oldest first) holds sub-samples t-79+2e and t-78+2e, where t is
    // the newest. Sub-sample t-j meets tap h[j]; the oldest slot of the 80
    // (j = 79) has no tap.
    float taps[kKernelEntries * 2];
    taps[0] = 0.0f;
    for (int slot = 1; slot < 2 * kKernelEntries; ++slot) taps[slot] = static_cast<float>(kernelTap(79 - slot));
    for (int e = 0; e < kKernelEntries; ++e) {
        kernel_[4 * e + 0] = taps[2 * e];
        kernel_[4 * e + 1] = taps[2 * e];
        kernel_[4 * e + 2] = taps[2 * e + 1];
        kernel_[4 * e + 3] = taps[2 * e + 1];
    }
    clear();
}

void Decimator::clear() {
    std::memset(ring_, 0, sizeof(ring_));
    writeIndex_ = 0;
}

void Decimator::process(const float* left4, const float* right4, int n, float* outLeft, float* outRight) {
    for (int i = 0; i < n; ++i) {
        const float* l = left4 + 4 * i;
        const float* r = right4 + 4 * i;
        const float entries[2][4] = {{l[0], r[0], l[1], r[1]}, {l[2], r[2], l[3], r[3]}};
        for (const auto& entry : entries) {
            const std::uint32_t slot = writeIndex_ & (kRingEntries - 1);
            std::memcpy(ring_ + 4 * slot, entry, sizeof(entry));
            std::memcpy(ring_ + 4 * (slot + kRingEntries), entry, sizeof(entry));
            ++writeIndex_;
        }
        const std::uint32_t start = (writeIndex_ - kKernelEntries) & (kRingEntries - 1);
        const float* history = ring_ + 4 * start;
        // Four partial sums break the add chain so the multiply-adds overlap.
        Vec4 acc[4];
        for (int e = 0; e < kKernelEntries; e += 4)
            for (int j = 0; j < 4; ++j)
                acc[j] += Vec4::load(history + 4 * (e + j)) * Vec4::load(kernel_ + 4 * (e + j));
        alignas(16) float sum[4];
        ((acc[0] + acc[1]) + (acc[2] + acc[3])).store(sum);
        outLeft[i] = sum[0] + sum[2];
        outRight[i] = sum[1] + sum[3];
    }
}

}  // namespace calverine
