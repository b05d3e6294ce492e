// Every render test runs with a temporary settings folder and the data pack built beside the
// programs (the built-in textures).
#include <gtest/gtest.h>

#include <memory>

#include "support/TempConfigEnvironment.h"

namespace {

class DataPackEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        env_ = std::make_unique<testsupport::ScopedEnv>(
            "ZARNOLT_DATA", std::string(ZARNOLT_BUILD_DIR) + "/bin/データ");
    }
    void TearDown() override { env_.reset(); }

private:
    std::unique_ptr<testsupport::ScopedEnv> env_;
};

const auto* const configEnvironment =
    ::testing::AddGlobalTestEnvironment(new testsupport::TempConfigEnvironment);
const auto* const dataEnvironment = ::testing::AddGlobalTestEnvironment(new DataPackEnvironment);

} // namespace
