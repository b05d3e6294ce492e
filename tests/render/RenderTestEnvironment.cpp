// Every render test runs with a temporary settings folder and the data pack built beside the
// programs (the built-in textures). Each test starts from the default preferences: a document
// saves its preference flags when it is destroyed, which must not reach the next test.
#include <gtest/gtest.h>

#include <memory>

#include "model/CZarnoltDocument.h"
#include "platform/Registry.h"
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

class DefaultPreferencesEachTest : public ::testing::EmptyTestEventListener {
public:
    void OnTestStart(const ::testing::TestInfo&) override {
        platform::Registry::instance().remove(model::CZarnoltDocument::kRegistrySection,
                                              model::CZarnoltDocument::kRegistryEntry);
    }
};

const auto* const configEnvironment =
    ::testing::AddGlobalTestEnvironment(new testsupport::TempConfigEnvironment);
const auto* const dataEnvironment = ::testing::AddGlobalTestEnvironment(new DataPackEnvironment);
const bool preferencesReset = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new DefaultPreferencesEachTest);
    return true;
}();

} // namespace
