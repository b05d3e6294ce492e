#include <gtest/gtest.h>

#include "support/TempFolder.h"

namespace {

// Every trains test runs with the settings store in a temporary folder, so that a document
// destroyed by a test never writes into the user's configuration.
class TrainsTestEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        folder_ = std::make_unique<testsupport::TempFolder>();
        env_ = std::make_unique<testsupport::ScopedEnv>("ZARNOLT_CONFIG_DIR",
                                                        folder_->path().string());
    }
    void TearDown() override {
        env_.reset();
        folder_.reset();
    }

private:
    std::unique_ptr<testsupport::TempFolder> folder_;
    std::unique_ptr<testsupport::ScopedEnv> env_;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new TrainsTestEnvironment);

} // namespace
