// T(s) = (945 + 105 s^2 + s^4) / (945 + 420 s^2 + 15 s^4), a rational
// approximation of tanh(s) / s. s * T(s) saturates like tanh; T itself falls
// from 1 toward 1/15 as |s| grows, which is how the filters tame large signals.
#pragma once

namespace calverine {

inline float tanhRatio(float s) {
    const float s2 = s * s;
    const float s4 = s2 * s2;
    return (945.0f + 105.0f * s2 + s4) / (945.0f + 420.0f * s2 + 15.0f * s4);
}

}  // namespace calverine
