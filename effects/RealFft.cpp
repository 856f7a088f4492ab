#include "RealFft.h"

#include <kiss_fftr.h>

#include <algorithm>

namespace calverine {

static_assert(sizeof(kiss_fft_cpx) == 2 * sizeof(float), "kiss_fft_cpx must be two packed floats");

RealFft::RealFft(int size)
    : size_(size),
      forwardSetup_(kiss_fftr_alloc(size, 0, nullptr, nullptr)),
      inverseSetup_(kiss_fftr_alloc(size, 1, nullptr, nullptr)),
      bins_(static_cast<std::size_t>(size) + 2),
      scratch_(static_cast<std::size_t>(size)) {}

RealFft::~RealFft() {
    kiss_fftr_free(forwardSetup_);
    kiss_fftr_free(inverseSetup_);
}

void RealFft::forward(const float* in, float* packed) {
    auto* bins = reinterpret_cast<kiss_fft_cpx*>(bins_.data());
    kiss_fftr(static_cast<kiss_fftr_cfg>(forwardSetup_), in, bins);
    const int half = size_ / 2;
    // The imaginary parts of bins 0 and N/2 are zero for real input; the
    // packed layout drops them and moves R(N/2) to the last slot.
    packed[0] = bins_[0];
    std::copy(bins_.begin() + 2, bins_.begin() + size_, packed + 1);
    packed[size_ - 1] = bins_[2 * static_cast<std::size_t>(half)];
}

void RealFft::inverse(const float* packed, float* out) {
    const int half = size_ / 2;
    bins_[0] = packed[0];
    bins_[1] = 0.0f;
    std::copy(packed + 1, packed + size_ - 1, bins_.begin() + 2);
    bins_[2 * static_cast<std::size_t>(half)] = packed[size_ - 1];
    bins_[2 * static_cast<std::size_t>(half) + 1] = 0.0f;
    kiss_fftri(static_cast<kiss_fftr_cfg>(inverseSetup_), reinterpret_cast<const kiss_fft_cpx*>(bins_.data()),
               scratch_.data());
    const float scale = 1.0f / static_cast<float>(size_);
    for (int i = 0; i < size_; ++i) out[i] = scratch_[i] * scale;
}

}  // namespace calverine
