#pragma once
#include <gtest/gtest.h>

#include <memory>

#include "support/TempFolder.h"

namespace testsupport {

// Keeps the settings store in a temporary folder for a whole test run, so that no document
// writes its preference record into the user's configuration. Register it once per runner
// with ::testing::AddGlobalTestEnvironment.
class TempConfigEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        folder_ = std::make_unique<TempFolder>();
        env_ = std::make_unique<ScopedEnv>("ZARNOLT_CONFIG_DIR", folder_->path().string());
    }
    void TearDown() override {
        env_.reset();
        folder_.reset();
    }

private:
    std::unique_ptr<TempFolder> folder_;
    std::unique_ptr<ScopedEnv> env_;
};

} // namespace testsupport
