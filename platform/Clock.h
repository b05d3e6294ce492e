#pragma once
#include <cstdint>

namespace platform {

// Milliseconds from a monotonic clock with an arbitrary origin; never goes backwards.
std::uint64_t monotonicMillis();

// The 32-bit millisecond counter that wraps after about 49.7 days, for code that keeps
// tick differences in unsigned 32-bit arithmetic.
std::uint32_t tickCount();

// Sleeps the calling thread for at least `milliseconds` (0 yields).
void sleepMillis(std::uint32_t milliseconds);

} // namespace platform
