// Millisecond timer, sleep and the local date and time.
#pragma once

#include <cstdint>

namespace platform {

// Milliseconds from an arbitrary start; wraps like a 32-bit counter.
std::uint32_t milliseconds();
void sleepMilliseconds(int ms);

// The calendar date and time of the user's time zone.
struct LocalTime {
    int year = 1970;  // e.g. 2025
    int month = 1;    // 1 .. 12
    int day = 1;      // 1 .. 31
    int hour = 0;
    int minute = 0;
    int second = 0;
};
LocalTime localTime();

}  // namespace platform
