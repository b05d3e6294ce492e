#include "platform/Clock.h"

#include <gtest/gtest.h>

TEST(Clock, SleepAdvancesTheMonotonicClockAtLeastThatFar) {
    const auto before = platform::monotonicMillis();
    const auto ticksBefore = platform::tickCount();
    platform::sleepMillis(20);
    const auto after = platform::monotonicMillis();
    EXPECT_GE(after - before, 20u);
    // The 32-bit counter follows the same clock; differences stay right across a wrap.
    EXPECT_GE(static_cast<std::uint32_t>(platform::tickCount() - ticksBefore), 20u);
    platform::sleepMillis(0); // yields without sleeping
    EXPECT_GE(platform::monotonicMillis(), after);
}
