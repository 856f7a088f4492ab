#include "Decimator.h"

#include <cmath>
#include <cstring>

#include "VoiceKernels.h"

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
    decimate(left4, right4, n, outLeft, outRight, ring_, kRingEntries, kernel_, kKernelEntries, writeIndex_);
}

}  // namespace calverine
