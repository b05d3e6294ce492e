// Runner of the editor tests: one QApplication (Qt's offscreen platform, set by CTest) and a
// temporary settings folder for the whole run.
#include <QApplication>

#include <gtest/gtest.h>

#include "app/ProgramSetup.h"
#include "support/TempConfigEnvironment.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new testsupport::TempConfigEnvironment);
    QApplication app(argc, argv);
    app::installProgramServices();
    return RUN_ALL_TESTS();
}
