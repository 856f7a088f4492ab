#include "RealFft.h"

namespace calverine {

RealFft::RealFft(int size) : size_(size) {}
RealFft::~RealFft() = default;

void RealFft::forward(const float*, float*) {}

void RealFft::inverse(const float*, float*) {}

}  // namespace calverine
