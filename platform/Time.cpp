#include "Time.h"

#include <time.h>

#include <chrono>
#include <ctime>
#include <thread>

namespace platform {

std::uint32_t milliseconds() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(duration_cast<std::chrono::milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void sleepMilliseconds(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

LocalTime localTime() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    LocalTime result;
#ifdef _WIN32
    if (localtime_s(&parts, &now) != 0) return result;
#else
    if (localtime_r(&now, &parts) == nullptr) return result;
#endif
    result.year = parts.tm_year + 1900;
    result.month = parts.tm_mon + 1;
    result.day = parts.tm_mday;
    result.hour = parts.tm_hour;
    result.minute = parts.tm_min;
    result.second = parts.tm_sec;
    return result;
}

}  // namespace platform
