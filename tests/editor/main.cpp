// Runner of the editor tests: one QApplication (Qt's offscreen platform, set by CTest), a
// temporary settings folder and the generated data folder for the whole run.
#include <QApplication>

#include <cstdlib>

#include <gtest/gtest.h>

#include "app/ProgramSetup.h"
#include "model/CZarnoltDocument.h"
#include "platform/Registry.h"
#include "support/TempConfigEnvironment.h"

namespace {

// A document stores its preferences in the user's settings when it goes, so each test starts
// from the defaults, as the command-line tool does in a fresh settings folder; otherwise one
// test's speed level or switches would reach the next.
class DefaultPreferencesEachTest : public ::testing::EmptyTestEventListener {
public:
    void OnTestStart(const ::testing::TestInfo&) override {
        platform::Registry::instance().remove(model::CZarnoltDocument::kRegistrySection,
                                              model::CZarnoltDocument::kRegistryEntry);
    }
};

} // namespace

int main(int argc, char** argv) {
    // The item models of the sample layouts' vehicles come from the generated data folder.
    setenv("ZARNOLT_DATA", ZARNOLT_BUILD_DIR "/bin/データ", 0);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new testsupport::TempConfigEnvironment);
    ::testing::UnitTest::GetInstance()->listeners().Append(new DefaultPreferencesEachTest);
    QApplication app(argc, argv);
    app::installProgramServices();
    return RUN_ALL_TESTS();
}
