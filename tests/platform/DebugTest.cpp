#include "platform/Debug.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

using testsupport::ScopedEnv;

TEST(Debug, WritesToStderrOnlyWhenEnabled) {
    struct Case {
        std::optional<std::string> value;
        bool enabled;
    };
    for (const Case& c : {Case{std::nullopt, false}, Case{"", false}, Case{"0", false},
                          Case{"1", true}, Case{"yes", true}}) {
        SCOPED_TRACE(c.value.value_or("<unset>"));
        ScopedEnv env("ZARNOLT_DEBUG", c.value);
        EXPECT_EQ(platform::debugEnabled(), c.enabled);
        testing::internal::CaptureStderr();
        platform::debugOut("train 3 reversed");
        const std::string written = testing::internal::GetCapturedStderr();
        EXPECT_EQ(written, c.enabled ? "train 3 reversed\n" : "");
    }
}
