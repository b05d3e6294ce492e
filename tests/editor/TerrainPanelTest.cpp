#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDockWidget>
#include <QMenu>
#include <QScrollArea>
#include <QSlider>
#include <QTabWidget>
#include <QTest>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <vector>

#include "EditorFixture.h"
#include "editor/CColorButton.h"
#include "editor/CLandscapeItemPane.h"
#include "editor/CLandscapeLayoutView.h"
#include "editor/CLandscapeRectTracker.h"
#include "editor/CLandscapeWindow.h"
#include "editor/UiTexts.h"
#include "model/CLandscapeItem.h"
#include "model/LandscapeItems.h"
#include "model/TerrainCommands.h"
#include "support/CliRunner.h"

namespace editortest {
namespace {

using editor::CLandscapeItemPane;
using editor::CLandscapeLayoutView;
using editor::CLandscapeRectTracker;
using editor::CLandscapeWindow;

// A grey picture of one value per pixel, given row by row.
image::Picture greyPicture(int width, int height, const std::vector<int>& values) {
    image::Picture picture(width, height, 24);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto v =
                static_cast<std::uint32_t>(values[static_cast<std::size_t>(y * width + x)]);
            picture.setColourAt(x, y, v | (v << 8) | (v << 16));
        }
    }
    return picture;
}

class TerrainPanelTest : public EditorFixture {
protected:
    void SetUp() override {
        makeFrame();
        // Room for the board pictures beside the docked windows.
        frame->resize(1400, 1000);
    }
    CLandscapeLayoutView& terrain() { return frame->terrainView(); }
    CLandscapeWindow& panel() {
        auto* p = CLandscapeWindow::instance();
        EXPECT_NE(p, nullptr);
        return *p;
    }
    // A new item at (x, z) with a picture, selected on the terrain layer.
    model::CLandscapeItem* addItem(image::Picture picture, int x = 40, int z = 40,
                                   double height = 0.5) {
        auto* item = model::createLandscapeItem();
        item->setRect(model::BoardRect{z, x, z + 200, x + 200});
        item->setPicture(std::move(picture));
        item->setHeightScale(height);
        frame->view().selectLayer(editor::kTerrainLayer);
        terrain().selectPane(terrain().paneOf(item));
        return item;
    }
    static QRgb displayed(CLandscapeItemPane& pane, int x, int y) {
        return pane.display().pixel(x, y);
    }
    std::string path(const std::string& name) const { return (folder / name).string(); }
};

// The height classes and their colours, on a hill and on a hollow, as the pane's display
// picture shows them (height scale 0.5).
TEST_F(TerrainPanelTest, DisplayPictureColoursPixelsByHeightClass) {
    auto* item = addItem(greyPicture(3, 1, {0, 128, 255}));
    EXPECT_EQ(CLandscapeItemPane::heightClass(0.5, 128, 128, 128), 3);
    EXPECT_EQ(CLandscapeItemPane::heightClass(0.5, 255, 255, 255), 7);
    EXPECT_EQ(CLandscapeItemPane::heightClass(0.5, 0, 0, 0), 0);
    const struct {
        int x;
        QRgb hill;
        QRgb hollow;
    } cases[] = {{0, qRgb(123, 247, 49), qRgb(141, 251, 255)},
                 {1, qRgb(247, 181, 74), qRgb(22, 98, 255)},
                 {2, qRgb(110, 57, 0), qRgb(0, 0, 181)}};
    auto* pane = terrain().paneOf(item);
    ASSERT_NE(pane, nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.x);
        EXPECT_EQ(displayed(*pane, c.x, 0) & 0xFFFFFF, c.hill & 0xFFFFFF);
    }
    ASSERT_TRUE(terrain().runCommand(1436)); // to a hollow: the display is rebuilt
    ASSERT_TRUE(item->isHollow());
    pane = terrain().paneOf(item);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.x);
        EXPECT_EQ(displayed(*pane, c.x, 0) & 0xFFFFFF, c.hollow & 0xFFFFFF);
    }
    // Classes 2 and 4 through their own grey values: 0.5 × 2.857 × v/255 × 5 → 2 at 90, 4 at 150.
    EXPECT_EQ(
        CLandscapeItemPane::classColour(CLandscapeItemPane::heightClass(0.5, 90, 90, 90), false),
        qRgb(173, 198, 57));
    EXPECT_EQ(
        CLandscapeItemPane::classColour(CLandscapeItemPane::heightClass(0.5, 150, 150, 150), true),
        qRgb(0, 0, 255));
}

// Under height scale 0.5 a grey of 12 is not raised enough to show (alpha 0, and the layout
// picture stays white there), a grey of 13 is (alpha 128, blended half over white).
TEST_F(TerrainPanelTest, ClipThresholdTwelveAgainstThirteen) {
    auto* low = addItem(greyPicture(2, 2, {12, 12, 12, 12}), 0, 0);
    auto* high = addItem(greyPicture(2, 2, {13, 13, 13, 13}), 240, 0);
    EXPECT_EQ(qAlpha(displayed(*terrain().paneOf(low), 0, 0)), 0);
    EXPECT_EQ(qAlpha(displayed(*terrain().paneOf(high), 0, 0)), 128);
    terrain().selectPane(nullptr);
    const QImage shown = viewPicture();
    ASSERT_GT(shown.width(), 340);
    const QRgb under12 = shown.pixel(100, 100);
    const QRgb under13 = shown.pixel(340, 100);
    EXPECT_EQ(under12 & 0xFFFFFF, 0xFFFFFFu);
    // Class 0 shows class 1's colour (123, 247, 49) at half opacity over white.
    EXPECT_NEAR(qRed(under13), (123 + 255) / 2, 2);
    EXPECT_NEAR(qGreen(under13), (247 + 255) / 2, 2);
    EXPECT_NEAR(qBlue(under13), (49 + 255) / 2, 2);
}

// The slider shows the selected item's height and sets it: position 35 stores 0.35.
TEST_F(TerrainPanelTest, SliderShowsAndSetsTheSelectedItemsHeight) {
    auto* slider = panel().heightSlider();
    terrain().selectPane(nullptr);
    EXPECT_FALSE(slider->isEnabled());
    auto* item = addItem(greyPicture(2, 2, {200, 200, 200, 200}), 40, 40, 0.5);
    EXPECT_TRUE(slider->isEnabled());
    EXPECT_EQ(slider->value(), 50);
    slider->setValue(35);
    EXPECT_DOUBLE_EQ(item->getHeightScale(), 0.35);
    EXPECT_TRUE(frame->isModified());
    // The hollow box flips the item and shows its state.
    panel().hollowBox()->click();
    EXPECT_TRUE(item->isHollow());
    panel().hollowBox()->click();
    EXPECT_FALSE(item->isHollow());
}

// The scenery switches write the document: water unchecked sets the no-water flag, fog checked
// sets fog, sky entry 5 sets the night sky and leaves every other environment value alone.
TEST_F(TerrainPanelTest, ScenerySwitchesWriteTheDocument) {
    auto* doc = model::currentDocument();
    ASSERT_NE(doc, nullptr);
    ASSERT_FALSE(doc->testEnvironmentFlag(model::EnvNoWater));
    EXPECT_TRUE(panel().waterBox()->isChecked());
    panel().tabs()->setCurrentIndex(1);
    panel().waterBox()->click();
    EXPECT_TRUE(doc->testEnvironmentFlag(model::EnvNoWater));
    panel().waterBox()->click();
    EXPECT_FALSE(doc->testEnvironmentFlag(model::EnvNoWater));
    panel().fogBox()->click();
    EXPECT_TRUE(doc->testEnvironmentFlag(model::EnvFog));

    const auto before = doc->getEnvironment();
    const auto coloursBefore = doc->getTerrainColours();
    panel().skyCombo()->setCurrentIndex(5);
    EXPECT_EQ(panel().skyCombo()->currentText().toStdString(), "夜空");
    const auto after = doc->getEnvironment();
    EXPECT_EQ(after.skyType, 5);
    EXPECT_EQ(after.flags, before.flags);
    const auto coloursAfter = doc->getTerrainColours();
    for (std::size_t i = 0; i < coloursAfter.size(); ++i) {
        EXPECT_EQ(coloursAfter[i].red, coloursBefore[i].red) << i;
        EXPECT_EQ(coloursAfter[i].green, coloursBefore[i].green) << i;
        EXPECT_EQ(coloursAfter[i].blue, coloursBefore[i].blue) << i;
    }
    EXPECT_EQ(after.lightPosition.x, before.lightPosition.x);
}

// A colour button asks for a colour and the document takes all four as c × 256 + 255.
TEST_F(TerrainPanelTest, ColourButtonSetsTheDocumentsTerrainColour) {
    auto* doc = model::currentDocument();
    auto* ground = panel().colourButton(editor::CtlGroundColour);
    ASSERT_NE(ground, nullptr);
    prompter.dialogAnswer = [](QDialog& dialog) {
        auto* colours = qobject_cast<QColorDialog*>(&dialog);
        if (colours) {
            colours->setCurrentColor(QColor(10, 20, 30));
        }
        return colours != nullptr;
    };
    ground->click();
    EXPECT_EQ(ground->color(), QColor(10, 20, 30));
    const auto colours = doc->getTerrainColours();
    EXPECT_EQ(colours[0].red, 10 * 256 + 255);
    EXPECT_EQ(colours[0].green, 20 * 256 + 255);
    EXPECT_EQ(colours[0].blue, 30 * 256 + 255);
    // Cancelled: nothing changes.
    prompter.dialogAnswer = nullptr;
    ground->click();
    EXPECT_EQ(doc->getTerrainColours()[0].red, 10 * 256 + 255);
}

// The tracker's drags: the middle moves, every handle resizes from its edges, never below 40.
TEST(LandscapeRectTrackerTest, DragsMoveAndResizeWithinTheMinimum) {
    CLandscapeRectTracker tracker;
    tracker.setRect(QRect(100, 100, 200, 120));
    using T = CLandscapeRectTracker;
    const struct {
        T::Hit hit;
        QPoint delta;
        QRect expected;
    } cases[] = {
        {T::HitMiddle, {30, -20}, QRect(130, 80, 200, 120)},
        {T::HitBottomRight, {50, 10}, QRect(100, 100, 250, 130)},
        {T::HitBottomRight, {-500, -500}, QRect(100, 100, 40, 40)},
        {T::HitTopLeft, {500, 500}, QRect(260, 180, 40, 40)},
        {T::HitTopLeft, {-10, -5}, QRect(90, 95, 210, 125)},
        {T::HitTop, {99, 70}, QRect(100, 170, 200, 50)},
        {T::HitRight, {-170, 99}, QRect(100, 100, 40, 120)},
        {T::HitLeft, {300, 0}, QRect(260, 100, 40, 120)},
        {T::HitBottom, {0, -100}, QRect(100, 100, 200, 40)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.hit));
        EXPECT_EQ(tracker.tracked(c.hit, QPoint(150, 150), QPoint(150, 150) + c.delta), c.expected);
    }
    EXPECT_EQ(tracker.hitTest(QPoint(101, 101)), T::HitTopLeft);
    EXPECT_EQ(tracker.hitTest(QPoint(298, 218)), T::HitBottomRight);
    EXPECT_EQ(tracker.hitTest(QPoint(200, 103)), T::HitTop);
    EXPECT_EQ(tracker.hitTest(QPoint(200, 160)), T::HitMiddle);
    EXPECT_EQ(tracker.hitTest(QPoint(99, 160)), T::HitNothing);
}

// Dragging with the mouse on the terrain layer: a press inside a pane selects it and moves
// it; the bottom-right handle resizes it, held at 40 × 40; undo brings the last rectangle back.
TEST_F(TerrainPanelTest, MouseMovesAndResizesThePaneWithinTheMinimum) {
    auto* item = addItem(greyPicture(2, 2, {200, 200, 200, 200}), 40, 40);
    terrain().selectPane(nullptr);
    frame->show();
    QApplication::processEvents();
    auto& view = terrain();
    ASSERT_TRUE(view.isVisible());
    ASSERT_TRUE(view.rect().contains(QPoint(600, 400))) << view.width() << "x" << view.height();
    QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_EQ(view.selectedItem(), item);
    QTest::mouseMove(&view, QPoint(140, 180));
    QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(140, 180));
    EXPECT_EQ(item->getRect().left, 80);
    EXPECT_EQ(item->getRect().top, 120);
    EXPECT_EQ(item->getRect().right, 280);
    EXPECT_EQ(item->getRect().bottom, 320);
    EXPECT_TRUE(frame->isModified());

    // The bottom-right handle (inside the corner) dragged far up and left.
    QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(277, 317));
    QTest::mouseMove(&view, QPoint(5, 5));
    QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(item->getRect().left, 80);
    EXPECT_EQ(item->getRect().top, 120);
    EXPECT_EQ(item->getRect().right - item->getRect().left, 40);
    EXPECT_EQ(item->getRect().bottom - item->getRect().top, 40);
    EXPECT_EQ(view.tracker().rect(), QRect(80, 120, 40, 40));

    ASSERT_TRUE(view.runCommand(1440));
    EXPECT_EQ(item->getRect().right, 280);
    EXPECT_EQ(item->getRect().bottom, 320);

    // A press outside every pane deselects.
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(600, 400));
    EXPECT_EQ(view.selectedItem(), nullptr);
    QTest::keyClick(&view, Qt::Key_Delete);
    EXPECT_EQ(model::landscapeItemCount(), 1u) << "nothing selected, nothing deleted";
    // Delete on a selected pane deletes its item.
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(150, 200));
    ASSERT_EQ(view.selectedItem(), item);
    QTest::keyClick(&view, Qt::Key_Delete);
    EXPECT_EQ(model::landscapeItemCount(), 0u);
    EXPECT_EQ(view.selectedItem(), nullptr);
}

// Cut, paste and undo through the edit menu on the terrain layer: the item's record survives
// the round trip byte for byte.
TEST_F(TerrainPanelTest, CutPasteAndUndoRoundTrip) {
    auto* item = addItem(
        greyPicture(4, 4, {0, 50, 100, 150, 200, 250, 0, 50, 100, 150, 200, 250, 0, 50, 100, 150}),
        80, 40, 0.7);
    const auto record = item->writeRecord();
    frame->updateCommands();
    ASSERT_TRUE(frame->action(57635)->isEnabled());  // cut
    EXPECT_FALSE(frame->action(57637)->isEnabled()); // paste: an item is selected
    frame->action(57635)->trigger();
    EXPECT_EQ(model::landscapeItemCount(), 0u);
    EXPECT_EQ(terrain().selectedItem(), nullptr);

    frame->updateCommands();
    ASSERT_TRUE(frame->action(57637)->isEnabled());
    frame->action(57637)->trigger(); // paste
    ASSERT_EQ(model::landscapeItemCount(), 1u);
    auto* pasted = model::landscapeItems().front();
    EXPECT_EQ(pasted->writeRecord(), record);
    EXPECT_EQ(terrain().selectedItem(), pasted);
    ASSERT_NE(terrain().paneOf(pasted), nullptr);
    EXPECT_FALSE(terrain().paneOf(pasted)->display().isNull());

    // Delete, then undo: the item comes back as it was.
    ASSERT_TRUE(terrain().runCommand(1435));
    EXPECT_EQ(model::landscapeItemCount(), 0u);
    frame->updateCommands();
    ASSERT_TRUE(frame->action(57643)->isEnabled());
    frame->action(57643)->trigger(); // undo
    ASSERT_EQ(model::landscapeItemCount(), 1u);
    EXPECT_EQ(model::landscapeItems().front()->writeRecord(), record);
}

// Menu states and the pane's context menu.
TEST_F(TerrainPanelTest, TerrainCommandsFollowTheSelection) {
    frame->view().selectLayer(editor::kTerrainLayer);
    terrain().selectPane(nullptr);
    frame->updateCommands();
    for (int id : {1426, 1428}) {
        EXPECT_TRUE(frame->action(id)->isEnabled()) << id;
    }
    for (int id : {1427, 1429, 1430, 1435, 1436, 1437, 1438}) {
        EXPECT_FALSE(frame->action(id)->isEnabled()) << id;
    }
    auto* item = addItem(greyPicture(2, 2, {9, 9, 9, 9}));
    frame->updateCommands();
    for (int id : {1427, 1429, 1430, 1435, 1436, 1437, 1438}) {
        EXPECT_TRUE(frame->action(id)->isEnabled()) << id;
    }
    model::toggleLandscapeHollow(item);
    QMenu* menu = terrain().contextMenu(true);
    for (QAction* a : menu->actions()) {
        const int id = a->data().toInt();
        if (id != 0) {
            EXPECT_EQ(a->isEnabled(), id != 1439) << id;
            EXPECT_EQ(a->isChecked(), id == 1436) << id;
        }
    }
    // Rotate turns the rectangle about its centre; mirror keeps it.
    const auto before = item->getRect();
    ASSERT_TRUE(terrain().runCommand(1430));
    EXPECT_EQ(item->getRect(), before);
    item->setRect(model::BoardRect{40, 40, 120, 240}); // 200 wide, 80 deep
    ASSERT_TRUE(terrain().runCommand(1429));
    EXPECT_EQ(item->getRect().right - item->getRect().left, 80);
    EXPECT_EQ(item->getRect().bottom - item->getRect().top, 200);
}

// Generated terrain becomes a selected item at the scroll position on the terrain layer.
TEST_F(TerrainPanelTest, GenerateMakesASelectedItemAtTheScrollPosition) {
    frame->action(1428)->trigger();
    ASSERT_EQ(model::landscapeItemCount(), 1u);
    auto* item = model::landscapeItems().front();
    EXPECT_EQ(terrain().selectedItem(), item);
    EXPECT_TRUE(frame->view().terrainLayerCurrent());
    EXPECT_EQ(item->getRect().left, frame->view().scrollPosition().x());
    EXPECT_EQ(item->getPicture().width(), 64);
    EXPECT_GT(item->heightMapSampleSum(), 0u);
    EXPECT_TRUE(frame->isModified());
}

// The whole road of a height picture: a PNG imported through the menu, the layout saved, the
// command-line tool's dump and the layout opened again agree on the height map; the picture
// exported again holds the imported pixels.
TEST_F(TerrainPanelTest, ImportedPictureSurvivesSaveAndReload) {
    QImage png(32, 24, QImage::Format_RGB32);
    for (int y = 0; y < png.height(); ++y) {
        for (int x = 0; x < png.width(); ++x) {
            const int v = (x * 8 + y * 5) % 256;
            png.setPixel(x, y, qRgb(v, v, v));
        }
    }
    ASSERT_TRUE(png.save(QString::fromStdString(path("hill.png")), "PNG"));
    prompter.files.push_back(QString::fromStdString(path("hill.png")));
    frame->action(1426)->trigger();
    ASSERT_EQ(model::landscapeItemCount(), 1u);
    auto* item = model::landscapeItems().front();
    EXPECT_EQ(terrain().selectedItem(), item);
    EXPECT_EQ(item->getPicture().width(), 32);
    const std::uint64_t sum = item->heightMapSampleSum();
    EXPECT_GT(sum, 0u);

    // Export writes the grey picture itself.
    prompter.files.push_back(QString::fromStdString(path("out.png")));
    frame->action(1427)->trigger();
    const QImage exported(QString::fromStdString(path("out.png")));
    ASSERT_FALSE(exported.isNull());
    EXPECT_EQ(exported.convertToFormat(QImage::Format_RGB32), png);

    prompter.files.push_back(QString::fromStdString(path("terrain.zrn")));
    ASSERT_TRUE(frame->saveAs());
    testsupport::TempFolder scratch;
    const auto dumped = testsupport::runCli({"dump", path("terrain.zrn")}, scratch);
    ASSERT_EQ(dumped.exitCode, 0) << dumped.err;
    const auto json = nlohmann::json::parse(dumped.out);
    ASSERT_EQ(json.at("landscapeItems").size(), 1u);
    EXPECT_EQ(json.at("landscapeItems")[0].at("sampleSum").get<std::uint64_t>(), sum);

    ASSERT_TRUE(frame->openLayout(QString::fromStdString(path("terrain.zrn"))));
    ASSERT_EQ(model::landscapeItemCount(), 1u);
    auto* reloaded = model::landscapeItems().front();
    EXPECT_EQ(reloaded->heightMapSampleSum(), sum);
    // The reloaded item is shown from its height map.
    frame->view().selectLayer(editor::kTerrainLayer);
    auto* pane = terrain().paneOf(reloaded);
    ASSERT_NE(pane, nullptr);
    EXPECT_FALSE(pane->display().isNull());
}

// The terrain panel is the dock of command 1229, titled "地形・景観", with its two tabs.
TEST_F(TerrainPanelTest, PanelIsTheDockOfItsCommand) {
    auto* dock = frame->toolDock(1229);
    ASSERT_NE(dock, nullptr);
    auto* scroller = qobject_cast<QScrollArea*>(dock->widget());
    ASSERT_NE(scroller, nullptr);
    EXPECT_EQ(scroller->widget(), &panel());
    EXPECT_EQ(dock->windowTitle().toStdString(), "地形・景観");
    EXPECT_EQ(panel().tabs()->tabText(0).toStdString(), "地形");
    EXPECT_EQ(panel().tabs()->tabText(1).toStdString(), "景観");
    EXPECT_EQ(panel().tabs()->currentIndex(), 1);
    EXPECT_EQ(panel().skyCombo()->count(), 6);
    frame->show();
    QApplication::processEvents();
    const bool shown = dock->isVisible();
    EXPECT_TRUE(shown);
    frame->runCommand(1229);
    EXPECT_NE(dock->isVisible(), shown);

    // Pictures for a person to look at: both tabs of the panel, and the terrain layer with a
    // selected hill and its tracker.
    const auto out = std::filesystem::path(ZARNOLT_BUILD_DIR) / "screenshots";
    std::filesystem::create_directories(out);
    CLandscapeWindow& p = panel();
    p.setParent(nullptr);
    for (int tab = 0; tab < 2; ++tab) {
        p.tabs()->setCurrentIndex(tab);
        p.adjustSize();
        p.show();
        QApplication::processEvents();
        p.grab().save(QString::fromStdString(
            (out / ("terrain_panel_tab" + std::to_string(tab) + ".png")).string()));
    }
    p.hide();
    scroller->setWidget(&p);
    frame->action(1428)->trigger();
    viewPicture().save(QString::fromStdString((out / "terrain_layer.png").string()));
}

} // namespace
} // namespace editortest
