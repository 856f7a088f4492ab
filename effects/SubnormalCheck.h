// For the reverb's self-checks: does a run of floats hold a subnormal?
#pragma once

#include <cfloat>
#include <cstddef>

namespace calverine {

// A plain loop: tests call this often, also in unoptimised builds.
inline bool anySubnormal(const float* v, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (v[i] != 0.0f && v[i] > -FLT_MIN && v[i] < FLT_MIN) return true;
    }
    return false;
}

}  // namespace calverine
