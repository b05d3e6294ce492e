// Runner of the editor tests: one QApplication (Qt's offscreen platform, set by CTest), a
// temporary settings folder and the generated data folder for the whole run.
#include <QApplication>

#include <cstdlib>

#include <gtest/gtest.h>

#include "app/ProgramSetup.h"
#include "support/TempConfigEnvironment.h"

int main(int argc, char** argv) {
    // The item models of the sample layouts' vehicles come from the generated data folder.
    setenv("ZARNOLT_DATA", ZARNOLT_BUILD_DIR "/bin/データ", 0);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new testsupport::TempConfigEnvironment);
    QApplication app(argc, argv);
    app::installProgramServices();
    return RUN_ALL_TESTS();
}
