// Millisecond timer and sleep.
#pragma once

#include <cstdint>

namespace platform {

// Milliseconds from an arbitrary start; wraps like a 32-bit counter.
std::uint32_t milliseconds();
void sleepMilliseconds(int ms);

}  // namespace platform
