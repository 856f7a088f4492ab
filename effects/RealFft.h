// Real FFT of a power-of-two size in the packed layout R0, R1, I1, ...,
// R(N/2-1), I(N/2-1), R(N/2): N floats in, N floats out. The inverse takes
// the same layout and is scaled by 1/N, so forward then inverse returns the
// input.
#pragma once

namespace calverine {

class RealFft {
public:
    explicit RealFft(int size);
    ~RealFft();
    RealFft(const RealFft&) = delete;
    RealFft& operator=(const RealFft&) = delete;

    int size() const { return size_; }
    void forward(const float* in, float* packed);
    void inverse(const float* packed, float* out);

private:
    int size_;
};

}  // namespace calverine
