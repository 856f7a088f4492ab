// The step counts a step LFO can play, in menu order, and their menu text.
#pragma once

#include <array>
#include <cstdio>
#include <string>

namespace calverine {

inline constexpr std::array<int, 6> kStepCounts{4, 8, 16, 32, 64, 128};

inline std::string stepCountText(int steps) {
    char text[16];
    std::snprintf(text, sizeof text, "%d Steps", steps);
    return text;
}

}  // namespace calverine
