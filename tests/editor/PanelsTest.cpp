#include <gtest/gtest.h>

#include <QLabel>

#include <QCheckBox>
#include <QDockWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

#include <filesystem>

#include "EditorFixture.h"
#include "editor/EditorHooks.h"
#include "model/CTrackControlItem.h"
#include "model/CTrackItem.h"
#include "model/TrackTiles.h"
#include "panels/CLightControlWindow.h"
#include "panels/CMainControlWindow.h"
#include "panels/CSwitchControlWindow.h"
#include "panels/CTrainControlWindow.h"
#include "panels/PanelHooks.h"
#include "trains/CTrainControler.h"
#include "trains/CTrainItem.h"
#include "trains/PointState.h"
#include "trains/VehicleCommands.h"
#include "trains/VehicleRegistry.h"

namespace editortest {
namespace {

class PanelsTest : public EditorFixture {
protected:
    void TearDown() override {
        if (auto* c = trains::trainController()) {
            c->stop(true);
        }
        editor::editorHooks().open3DWindow = nullptr;
        EditorFixture::TearDown();
    }
    void openSample() {
        const auto sample =
            std::filesystem::path(ZARNOLT_BUILD_DIR) / "bin" / "サンプル" / "複線ループ.zrn";
        ASSERT_TRUE(frame->openLayout(QString::fromStdString(sample.string())));
    }
    // Moves a slider as the user's drag does.
    static void drag(QSlider* slider, int position) {
        slider->setSliderDown(true);
        slider->setSliderPosition(position);
        slider->setSliderDown(false);
    }
    static model::CTrackItem* pointTile(int column, int row, int number) {
        auto* tile = model::getOrCreateTile(
            {static_cast<std::int16_t>(column), static_cast<std::int16_t>(row)}, 0);
        tile->addShape(1, 1);
        tile->addShape(2, 1);
        EXPECT_NE(tile->pointItem(), nullptr);
        tile->setPointNumber(number);
        return tile;
    }
    template <typename T> static T* child(QWidget* parent, const char* name) {
        return parent->findChild<T*>(QString::fromLatin1(name));
    }
};

TEST_F(PanelsTest, PanelsAreToggledByTheirCommandsWithJapaneseTitles) {
    makeFrame();
    frame->show();
    const struct {
        int command;
        const char* title;
    } panels[] = {
        {1230, "制御・運転"}, {1231, "制御・照明"}, {1232, "管理・列車"}, {1233, "管理・ポイント"}};
    for (const auto& p : panels) {
        SCOPED_TRACE(p.command);
        QDockWidget* dock = frame->toolDock(p.command);
        ASSERT_NE(dock, nullptr);
        EXPECT_EQ(dock->windowTitle(), QString::fromUtf8(p.title));
        const bool visible = dock->isVisible();
        frame->runCommand(p.command);
        EXPECT_NE(dock->isVisible(), visible);
    }
}

TEST_F(PanelsTest, SpeedSliderStoresTheLevelAndProgrammaticMovesWriteNothing) {
    makeFrame();
    openSample();
    auto* panel = panels::CMainControlWindow::instance();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->speedSlider()->maximum(), 100);
    auto& controller = trains::getOrCreateTrainController();
    const struct {
        int position;
        int level;
        double speed;
    } cases[] = {{55, 5, 120.0}, {100, 10, 320.0}, {9, 0, 10.0}, {70, 7, 200.0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.position);
        drag(panel->speedSlider(), c.position);
        EXPECT_EQ(model::currentDocument()->getPreferences().speedLevel, c.level);
        EXPECT_DOUBLE_EQ(controller.speed(), c.speed);
    }
    panel->speedSlider()->setValue(30);
    EXPECT_EQ(model::currentDocument()->getPreferences().speedLevel, 7);
    EXPECT_EQ(panels::CMainControlWindow::levelForPosition(55, 100), 5);
}

TEST_F(PanelsTest, BoxesWriteThePreferencesAndRunOpensTheViewOnlyWhenAsked) {
    makeFrame();
    auto* panel = panels::CMainControlWindow::instance();
    ASSERT_NE(panel, nullptr);
    panel->updateControls();
    EXPECT_FALSE(panel->runButton()->isEnabled()); // no vehicles
    EXPECT_FALSE(panel->stopButton()->isEnabled());
    openSample();
    auto* doc = model::currentDocument();

    panel->atsBox()->setChecked(true);
    panel->atsBox()->click();
    EXPECT_TRUE(doc->testPreferenceFlag(model::PrefNoATS));
    panel->atsBox()->click();
    EXPECT_FALSE(doc->testPreferenceFlag(model::PrefNoATS));

    int opened = 0;
    editor::editorHooks().open3DWindow = [&](int) { ++opened; };
    panel->openViewBox()->setChecked(true);
    panel->openViewBox()->click(); // unchecked: running opens no 3D view
    EXPECT_TRUE(doc->testPreferenceFlag(model::PrefNo3DViewOnRun));
    panel->updateControls();
    ASSERT_TRUE(panel->runButton()->isEnabled());
    EXPECT_FALSE(panel->stopButton()->isEnabled());
    panel->runButton()->click();
    auto* controller = trains::trainController();
    ASSERT_NE(controller, nullptr);
    EXPECT_TRUE(controller->isRunning());
    EXPECT_EQ(opened, 0);
    EXPECT_FALSE(panel->runButton()->isEnabled());
    EXPECT_TRUE(panel->stopButton()->isEnabled());
    panel->stopButton()->click();
    // The trains brake and the controller's thread ends by itself once all stand.
    for (int i = 0; i < 1000 && controller->isRunning(); ++i) {
        QTest::qWait(10);
    }
    EXPECT_FALSE(controller->isRunning());

    panel->openViewBox()->click();
    EXPECT_FALSE(doc->testPreferenceFlag(model::PrefNo3DViewOnRun));
    panel->updateControls();
    panel->runButton()->click();
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(controller->isRunning());
    controller->stop(true);
}

TEST_F(PanelsTest, SwitchGridFollowsTheViewWidth) {
    const struct {
        int width;
        int count;
        int columns;
        int rows;
    } cases[] = {{85, 7, 3, 3}, {85, 6, 3, 3}, {40, 1, 1, 2}, {120, 0, 5, 1}, {10, 3, 1, 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        const auto g = panels::switchGrid(c.width, c.count);
        EXPECT_EQ(g.columns, c.columns);
        EXPECT_EQ(g.rows, c.rows);
    }
    const auto g = panels::switchGrid(85, 7);
    EXPECT_EQ(g.left(6), 5);
    EXPECT_EQ(g.top(6), 45);
    EXPECT_EQ(g.left(5), 45);
}

TEST_F(PanelsTest, PointViewTogglesSwitchPointsByNumber) {
    makeFrame();
    const int numbers[] = {12, 3, 7, 40, 5, 999, 1};
    std::vector<model::CTrackItem*> tiles;
    for (int k = 0; k < 7; ++k) {
        tiles.push_back(pointTile(1 + k, 2, numbers[k]));
    }
    auto* panel = panels::CSwitchControlWindow::instance();
    ASSERT_NE(panel, nullptr);
    auto* view = panel->view();
    view->resize(85 + 2 * view->frameWidth(), 200);
    ASSERT_EQ(view->clientWidth(), 85);
    panels::requestPanelRefresh();
    EXPECT_TRUE(panel->isDirty());
    panel->tick();
    EXPECT_FALSE(panel->isDirty());
    const auto& toggles = view->toggles();
    ASSERT_EQ(toggles.size(), 7u);
    EXPECT_EQ(view->grid().columns, 3);
    EXPECT_EQ(view->grid().rows, 3);
    const QStringList expected = {"1", "3", "5", "7", "12", "40", "999"};
    for (int k = 0; k < 7; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(toggles[k]->text(), expected[k]);
        EXPECT_EQ(toggles[k]->geometry(), QRect(5 + (k % 3) * 20, 5 + (k / 3) * 20, 20, 20));
    }
    ASSERT_EQ(trains::pointState(40), 0);
    toggles[5]->click();
    EXPECT_EQ(trains::pointState(40), 1);
    EXPECT_TRUE(toggles[5]->isChecked());
    toggles[5]->click();
    EXPECT_EQ(trains::pointState(40), 0);

    // A point whose tile loses it disables its toggle until the view is rebuilt.
    tiles[3]->removeControlItems(300);
    view->refreshStates();
    EXPECT_FALSE(toggles[5]->isEnabled());
    toggles[5]->click();
    EXPECT_EQ(trains::pointState(40), -1);
}

TEST_F(PanelsTest, LightSlidersMapToTheLightPositionAndCodeNeverWritesBack) {
    makeFrame();
    auto* panel = panels::CLightControlWindow::instance();
    ASSERT_NE(panel, nullptr);
    auto* doc = model::currentDocument();
    const struct {
        int position;
        double value;
    } cases[] = {{0, -0.5}, {50, 0.0}, {100, 0.5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.position);
        EXPECT_DOUBLE_EQ(panels::CLightControlWindow::valueOfPosition(c.position, 0, 100), c.value);
        EXPECT_EQ(panels::CLightControlWindow::positionOfValue(c.value, 0, 100), c.position);
    }
    int offsets = 0;
    double last[3] = {};
    panels::panelHooks().hasRenderer = [] { return true; };
    panels::panelHooks().setLightOffset = [&](double x, double y, double z) {
        ++offsets;
        last[0] = x;
        last[1] = y;
        last[2] = z;
    };
    drag(panel->slider(0), 0);
    drag(panel->slider(1), 100);
    drag(panel->slider(2), 25);
    EXPECT_EQ(offsets, 3);
    EXPECT_DOUBLE_EQ(last[0], -0.5);
    EXPECT_DOUBLE_EQ(last[1], 0.5);
    EXPECT_DOUBLE_EQ(last[2], -0.25);
    EXPECT_EQ(doc->getLightPosition(), (model::Vec3f{-0.5f, 0.5f, -0.25f}));

    panel->showValue(0, 0.25);
    EXPECT_EQ(panel->slider(0)->value(), 75);
    EXPECT_EQ(offsets, 3);
    EXPECT_EQ(doc->getLightPosition().x, -0.5f);

    panel->defaultsButton()->click();
    EXPECT_EQ(doc->getLightPosition(), (model::Vec3f{0, 0, 0}));
    EXPECT_EQ(panel->slider(1)->value(), 50);
    EXPECT_EQ(last[1], 0.0);

    double intensity = -1;
    panels::panelHooks().setLightIntensity = [&](double v) { intensity = v; };
    panel->lightSwitch()->setChecked(true);
    panel->lightSwitch()->click();
    EXPECT_TRUE(doc->testEnvironmentFlag(model::EnvLightOff));
    EXPECT_DOUBLE_EQ(intensity, 0.01);
    EXPECT_EQ(panel->lightSwitch()->text(), QStringLiteral("OFF"));
    panel->lightSwitch()->click();
    EXPECT_FALSE(doc->testEnvironmentFlag(model::EnvLightOff));
    EXPECT_DOUBLE_EQ(intensity, 1.0);
    EXPECT_EQ(panel->lightSwitch()->text(), QStringLiteral("ON"));
    panels::panelHooks() = {};
}

TEST_F(PanelsTest, TrainRowsFollowTheLeadersAndWaitForAHeldSlider) {
    makeFrame();
    auto* panel = panels::CTrainControlWindow::instance();
    ASSERT_NE(panel, nullptr);
    panel->tick();
    EXPECT_TRUE(panel->view()->rows().empty());
    openSample();
    panels::requestPanelRefresh();
    panel->tick();
    const auto leaders = panels::currentTrainLeaders();
    ASSERT_GE(leaders.size(), 2u);
    ASSERT_EQ(panel->view()->rowLeaders(), leaders);
    const auto& rows = panel->view()->rows();
    for (std::size_t k = 0; k < rows.size(); ++k) {
        EXPECT_EQ(rows[k]->geometry().top(), 25 * static_cast<int>(k));
        EXPECT_EQ(rows[k]->height(), 24);
        // Each row shows its leader's picture in the 26 × 20 corner.
        const auto* picture = rows[k]->findChild<QLabel*>(QStringLiteral("picture"));
        ASSERT_NE(picture, nullptr);
        EXPECT_FALSE(picture->pixmap().isNull());
        EXPECT_LE(picture->pixmap().width(), 26);
        EXPECT_LE(picture->pixmap().height(), 20);
    }

    // Clicks act on the row's vehicle and every row shows the new states.
    auto* first = rows[1];
    auto* v = trains::findVehicle(first->leader());
    ASSERT_NE(v, nullptr);
    first->cameraButton()->click();
    EXPECT_EQ(trains::cameraTrain(), v);
    EXPECT_TRUE(first->cameraButton()->isChecked());
    EXPECT_FALSE(rows[0]->cameraButton()->isChecked());
    drag(first->shareSlider(), 4);
    EXPECT_DOUBLE_EQ(v->speedRatio(), 0.4);
    const bool driving = v->trainHasActiveDriver();
    first->haltBox()->click();
    EXPECT_NE(v->trainHasActiveDriver(), driving);
    EXPECT_EQ(first->haltBox()->isChecked(), driving);

    // A refresh with the same leaders keeps the rows.
    auto* kept = rows[0];
    panels::requestPanelRefresh();
    panel->tick();
    EXPECT_EQ(panel->view()->rows()[0], kept);

    // A deleted train's row goes, but not while the user holds a row's slider. The panel's
    // timer may tick between the context menu's command and the deferred deletion.
    const trains::VehicleId gone = leaders[0];
    ASSERT_TRUE(trains::runVehicleCommand(trains::CommandDeleteTrain, trains::findVehicle(gone)));
    panel->tick();
    rows[1]->shareSlider()->setSliderDown(true);
    ASSERT_TRUE(trains::flushVehicleDeletions());
    EXPECT_EQ(trains::findVehicle(gone), nullptr);
    panel->tick();
    EXPECT_EQ(panel->view()->rows().size(), leaders.size());
    rows[0]->cameraButton()->click(); // the gone vehicle's row does nothing
    panel->view()->rows()[1]->shareSlider()->setSliderDown(false);
    panel->tick();
    const auto after = panel->view()->rowLeaders();
    EXPECT_EQ(after.size(), leaders.size() - 1);
    EXPECT_EQ(std::find(after.begin(), after.end(), gone), after.end());
}

TEST_F(PanelsTest, PanelPicturesShowTheirLabels) {
    makeFrame();
    openSample();
    for (int k = 0; k < 7; ++k) {
        pointTile(2 + k, 12, 10 + k);
    }
    panels::requestPanelRefresh();
    frame->show();
    QWidget* windows[] = {
        panels::CMainControlWindow::instance(), panels::CLightControlWindow::instance(),
        panels::CTrainControlWindow::instance(), panels::CSwitchControlWindow::instance()};
    panels::CTrainControlWindow::instance()->tick();
    panels::CSwitchControlWindow::instance()->tick();
    // ZARNOLT_PANEL_PICTURES names a folder to keep the pictures in for a look.
    const QByteArray keep = qgetenv("ZARNOLT_PANEL_PICTURES");
    for (QWidget* w : windows) {
        SCOPED_TRACE(w->objectName().toStdString());
        w->resize(220, 200);
        const QImage image = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(image.isNull());
        // Text is drawn in the top rows: some pixels there are dark.
        int dark = 0;
        for (int y = 0; y < 40 && y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb c = image.pixel(x, y);
                dark += qGray(c) < 80 ? 1 : 0;
            }
        }
        EXPECT_GT(dark, 20);
        const QString dir = keep.isEmpty() ? QString::fromStdString(folder.path().string())
                                           : QString::fromLocal8Bit(keep);
        EXPECT_TRUE(image.save(dir + QLatin1Char('/') + w->objectName() + QStringLiteral(".png")));
    }
}

TEST_F(PanelsTest, OpeningALayoutShowsItsLightAndSpeedWithoutWritingBack) {
    makeFrame();
    auto* doc = model::currentDocument();
    doc->setLightPosition(model::Vec3f{0.25f, -0.5f, 0.0f});
    const auto path = QString::fromStdString((folder / "light.zrn").string());
    prompter.files.push_back(path);
    ASSERT_TRUE(frame->saveAs());
    auto* light = panels::CLightControlWindow::instance();
    ASSERT_NE(light, nullptr);
    doc->setLightPosition(model::Vec3f{});
    light->showDocument();
    ASSERT_EQ(light->slider(0)->value(), 50);
    ASSERT_TRUE(frame->openLayout(path));
    EXPECT_EQ(light->slider(0)->value(), 75);
    EXPECT_EQ(light->slider(1)->value(), 0);
    EXPECT_EQ(light->slider(2)->value(), 50);
    EXPECT_EQ(model::currentDocument()->getLightPosition(), (model::Vec3f{0.25f, -0.5f, 0.0f}));
}

} // namespace
} // namespace editortest
