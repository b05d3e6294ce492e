// Runner of the 3D window's tests: one QApplication on a real display (Xvfb) with the shared
// context the program uses, a temporary settings folder and the generated data folder.
#include <QApplication>
#include <QSurfaceFormat>

#include <cstdlib>

#include <gtest/gtest.h>

#include "app/ProgramSetup.h"
#include "editor/COpenGLView.h"
#include "support/TempConfigEnvironment.h"

int main(int argc, char** argv) {
    setenv("ZARNOLT_DATA", ZARNOLT_BUILD_DIR "/bin/データ", 0);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new testsupport::TempConfigEnvironment);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QSurfaceFormat::setDefaultFormat(editor::COpenGLView::requestedFormat());
    QApplication app(argc, argv);
    app::installProgramServices();
    return RUN_ALL_TESTS();
}
