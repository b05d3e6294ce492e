#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QDropEvent>
#include <QMimeData>
#include <QPrinter>
#include <QUrl>

#include <filesystem>

#include "EditorFixture.h"
#include "editor/CZarnolt3DView.h"
#include "model/CTrackItem.h"
#include "model/TrackTiles.h"
#include "trains/CTrainControler.h"

namespace editortest {
namespace {

using Answer = editor::Prompter::SaveAnswer;

class MainFrameTest : public EditorFixture {
protected:
    QString path(const std::string& name) {
        return QString::fromStdString((folder / name).string());
    }
};

TEST_F(MainFrameTest, SaveAsThenOpenRestoresTheLayout) {
    makeFrame(12, 9);
    model::getOrCreateTile({4, 3}, 0)->setShape(1);
    frame->setModified(true);
    prompter.files.push_back(path("a.zrn"));
    frame->action(57604)->trigger();
    ASSERT_TRUE(std::filesystem::exists(folder / "a.zrn"));
    EXPECT_FALSE(frame->isModified());
    EXPECT_TRUE(frame->windowTitle().startsWith(QStringLiteral("a.zrn")));

    frame->action(57600)->trigger(); // new: nothing modified, no question
    EXPECT_TRUE(prompter.questions.isEmpty());
    EXPECT_EQ(model::tileAt(0, {4, 3}), nullptr);
    EXPECT_TRUE(frame->windowTitle().startsWith(QStringLiteral("無題")));

    prompter.files.push_back(path("a.zrn"));
    frame->action(57601)->trigger();
    EXPECT_NE(model::tileAt(0, {4, 3}), nullptr);
    EXPECT_EQ(model::currentDocument()->getColumns(), 12);
    EXPECT_EQ(frame->recentFiles().value(0), path("a.zrn"));
}

TEST_F(MainFrameTest, DroppedLayoutFileIsOpened) {
    makeFrame(12, 9);
    model::getOrCreateTile({4, 3}, 0)->setShape(1);
    prompter.files.push_back(path("dropped.zrn"));
    ASSERT_TRUE(frame->saveAs());
    ASSERT_TRUE(frame->newLayout());
    ASSERT_EQ(model::tileAt(0, {4, 3}), nullptr);
    frame->show();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path("dropped.zrn"))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(frame.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(frame.get(), &drop);
    QApplication::processEvents();
    EXPECT_NE(model::tileAt(0, {4, 3}), nullptr);
}

TEST_F(MainFrameTest, ModifiedLayoutAsksBeforeItIsReplaced) {
    makeFrame();
    model::getOrCreateTile({1, 1}, 0)->setShape(1);
    frame->setModified(true);

    prompter.saveAnswers.push_back(Answer::Cancel);
    EXPECT_FALSE(frame->newLayout());
    EXPECT_NE(model::tileAt(0, {1, 1}), nullptr);
    ASSERT_EQ(prompter.questions.size(), 1);
    EXPECT_TRUE(prompter.questions[0].contains(QStringLiteral("無題")));

    // Save, but the save-as dialog is cancelled: nothing is lost.
    prompter.saveAnswers.push_back(Answer::Save);
    EXPECT_FALSE(frame->newLayout());
    EXPECT_NE(model::tileAt(0, {1, 1}), nullptr);

    prompter.saveAnswers.push_back(Answer::Discard);
    EXPECT_TRUE(frame->newLayout());
    EXPECT_EQ(model::tileAt(0, {1, 1}), nullptr);
    EXPECT_FALSE(frame->isModified());
}

TEST_F(MainFrameTest, RefusedFileIsReportedAndTheLayoutStays) {
    makeFrame();
    model::getOrCreateTile({2, 2}, 0)->setShape(1);
    {
        std::FILE* f = std::fopen((folder / "bad.zrn").c_str(), "wb");
        std::fputs("not a layout", f);
        std::fclose(f);
    }
    EXPECT_FALSE(frame->openLayout(path("bad.zrn")));
    EXPECT_EQ(prompter.messages.size(), 1);
    EXPECT_NE(model::tileAt(0, {2, 2}), nullptr);
    EXPECT_TRUE(frame->recentFiles().isEmpty());
}

TEST_F(MainFrameTest, SaveFailureIsReported) {
    makeFrame();
    prompter.files.push_back(path("missing-folder/x.zrn"));
    EXPECT_FALSE(frame->saveAs());
    EXPECT_EQ(prompter.messages.size(), 1);
}

TEST_F(MainFrameTest, RecentFilesKeepTheTenLatestWithoutDuplicates) {
    makeFrame(5, 5);
    for (int i = 0; i < 12; ++i) {
        prompter.files.push_back(path("f" + std::to_string(i) + ".zrn"));
        ASSERT_TRUE(frame->saveAs());
    }
    prompter.files.push_back(path("f5.zrn"));
    ASSERT_TRUE(frame->saveAs());
    const QStringList files = frame->recentFiles();
    ASSERT_EQ(files.size(), editor::CMainFrame::kMaxRecentFiles);
    EXPECT_EQ(files[0], path("f5.zrn"));
    EXPECT_EQ(files[1], path("f11.zrn"));
    EXPECT_EQ(files.count(path("f5.zrn")), 1);
    EXPECT_FALSE(files.contains(path("f0.zrn")));
}

TEST_F(MainFrameTest, FirstRunOpensAtTheDefaultSizeAndTheArrangementIsKept) {
    makeFrame();
    frame->resize(1000, 700);
    frame->restoreArrangement(); // first run: default size and arrangement saved
    EXPECT_EQ(frame->size(), QSize(800, 600));
    EXPECT_EQ(registry->getInt("VERSION", "BAR_DEFAULT", 0), 1);
    EXPECT_EQ(registry->getInt("VERSION", "BAR_STATE", 0), 0);
    frame->show();

    frame->resize(1000, 700);
    frame->toolDock(1225)->hide();
    frame->saveArrangement();
    EXPECT_EQ(registry->getInt("VERSION", "BAR_STATE", 0), 1);
    frame.reset();

    frame = std::make_unique<editor::CMainFrame>(prompter, *registry);
    frame->restoreArrangement();
    frame->show();
    EXPECT_EQ(frame->size(), QSize(1000, 700));
    EXPECT_FALSE(frame->toolDock(1225)->isVisible());

    frame->action(1235)->trigger(); // back to the first arrangement
    EXPECT_EQ(frame->size(), QSize(800, 600));
    EXPECT_TRUE(frame->toolDock(1225)->isVisible());
}

TEST_F(MainFrameTest, PrintingDrawsTheBoardOntoThePage) {
    makeFrame(30, 20);
    for (int c = 0; c < 30; ++c) {
        model::getOrCreateTile({static_cast<std::int16_t>(c), 5}, 0)->setShape(1);
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path("print.pdf"));
    frame->printLayout(&printer);
    ASSERT_TRUE(std::filesystem::exists(folder / "print.pdf"));
    EXPECT_GT(std::filesystem::file_size(folder / "print.pdf"), 1000u);
}

TEST_F(MainFrameTest, RunCommandStartsTheTrainsAndReadsStop) {
    makeFrame();
    EXPECT_FALSE(frame->action(1525)->isEnabled()); // no vehicle
    const auto sample =
        std::filesystem::path(ZARNOLT_BUILD_DIR) / "bin" / "サンプル" / "複線ループ.zrn";
    ASSERT_TRUE(frame->openLayout(QString::fromStdString(sample.string())));
    frame->updateCommands();
    ASSERT_TRUE(frame->action(1525)->isEnabled());
    EXPECT_EQ(frame->action(1525)->text(), QStringLiteral("運転"));
    model::setSelection(0, {1, 1}, {1, 1});
    frame->action(1525)->trigger();
    auto* controller = trains::trainController();
    ASSERT_NE(controller, nullptr);
    EXPECT_TRUE(controller->isRunning());
    EXPECT_EQ(model::selectionCount(), 0); // running clears the selection
    EXPECT_EQ(frame->action(1525)->text(), QStringLiteral("停止"));
    controller->stop(true);
}

TEST_F(MainFrameTest, SamplesOpenFromTheSampleFolder) {
    makeFrame();
    prompter.files.push_back(QString());
    frame->action(1037)->trigger();
    EXPECT_TRUE(prompter.lastFolder.endsWith(QStringLiteral("サンプル")));
}

TEST_F(MainFrameTest, AboutAndPrintDialogsGoThroughThePrompter) {
    makeFrame();
    for (int id : {57664, 57607, 57609, 57606}) {
        const int before = prompter.dialogs;
        frame->action(id)->trigger();
        EXPECT_EQ(prompter.dialogs, before + 1) << id;
    }
}

} // namespace
} // namespace editortest
