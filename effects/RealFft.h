// Real FFT of a power-of-two size in the packed layout R0, R1, I1, ...,
// R(N/2-1), I(N/2-1), R(N/2): N floats in, N floats out. The inverse takes
// the same layout and is scaled by 1/N, so forward then inverse returns the
// input. KissFFT's real transform does the work; this class only repacks.
// Everything is allocated by the constructor; forward and inverse never
// allocate and may be called on the audio thread.
#pragma once

#include <vector>

namespace calverine {

class RealFft {
public:
    explicit RealFft(int size);
    ~RealFft();
    RealFft(const RealFft&) = delete;
    RealFft& operator=(const RealFft&) = delete;

    int size() const { return size_; }
    // in and packed may be the same buffer.
    void forward(const float* in, float* packed);
    // packed and out may be the same buffer.
    void inverse(const float* packed, float* out);

private:
    int size_;
    void* forwardSetup_ = nullptr;
    void* inverseSetup_ = nullptr;
    // N/2 + 1 complex values, interleaved re, im.
    std::vector<float> bins_;
    // N floats, so that in-place calls never alias KissFFT's input and output.
    std::vector<float> scratch_;
};

}  // namespace calverine
