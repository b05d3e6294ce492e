#include <gtest/gtest.h>

#include <filesystem>

#include "support/TempFolder.h"

namespace {

// Every trains test runs with the settings store and the data folder in a temporary folder,
// so that a document destroyed by a test never writes into the user's configuration and the
// item models a test writes are found through the catalogue.
class TrainsTestEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        folder_ = std::make_unique<testsupport::TempFolder>();
        env_ = std::make_unique<testsupport::ScopedEnv>("ZARNOLT_CONFIG_DIR",
                                                        folder_->path().string());
        std::filesystem::create_directories(folder_->path() / "data" / "C3DItem_File");
        data_ = std::make_unique<testsupport::ScopedEnv>("ZARNOLT_DATA",
                                                         (folder_->path() / "data").string());
    }
    void TearDown() override {
        data_.reset();
        env_.reset();
        folder_.reset();
    }

private:
    std::unique_ptr<testsupport::TempFolder> folder_;
    std::unique_ptr<testsupport::ScopedEnv> env_;
    std::unique_ptr<testsupport::ScopedEnv> data_;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new TrainsTestEnvironment);

} // namespace
