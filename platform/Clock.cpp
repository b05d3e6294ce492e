#include "platform/Clock.h"

#include <chrono>
#include <thread>

namespace platform {

std::uint64_t monotonicMillis() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::uint32_t tickCount() {
    return static_cast<std::uint32_t>(monotonicMillis());
}

void sleepMillis(std::uint32_t milliseconds) {
    if (milliseconds == 0) {
        std::this_thread::yield();
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

} // namespace platform
