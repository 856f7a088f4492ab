#include "Time.h"

#include <chrono>
#include <thread>

namespace platform {

std::uint32_t milliseconds() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(duration_cast<std::chrono::milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void sleepMilliseconds(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace platform
