#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QTest>

#include "EditorFixture.h"
#include "editing/EditCommands.h"
#include "editor/CLayoutToolWindow.h"
#include "editor/CZarnolt3DView.h"
#include "editor/EditorHooks.h"
#include "editor/SystemClipboard.h"
#include "editor/UiTexts.h"
#include "model/CTrackItem.h"
#include "model/TrackTiles.h"
#include "persistence/CImageItem.h"

#include <QPainter>

#include <QMimeData>

namespace editortest {
namespace {

using editor::kTilePixels;

class LayoutViewTest : public EditorFixture {
protected:
    // A tile with a point whose box is (left 2, top 2, right 12, bottom 12).
    model::CTrackControlItem* addPoint(int column, int row, int setting, int number,
                                       model::Pt marker) {
        auto* tile = model::getOrCreateTile(
            {static_cast<std::int16_t>(column), static_cast<std::int16_t>(row)}, 0);
        tile->setShape(1);
        EXPECT_TRUE(tile->addControlItem(model::KindPoint));
        auto* point = tile->pointItem();
        point->setRect(model::LayoutRect{2, 2, 12, 12});
        point->setOccupant(static_cast<std::uintptr_t>(setting));
        point->setNumber(number);
        point->setLabelPos(marker.x, marker.z);
        return point;
    }
    static bool dark(QRgb c) { return qRed(c) < 100 && qGreen(c) < 100 && qBlue(c) < 100; }
    // Whether any pixel of the rectangle is dark (black text).
    static bool anyDark(const QImage& image, const QRect& r) {
        for (int y = r.top(); y <= r.bottom(); ++y) {
            for (int x = r.left(); x <= r.right(); ++x) {
                if (dark(image.pixel(x, y))) {
                    return true;
                }
            }
        }
        return false;
    }
};

TEST_F(LayoutViewTest, ToolWindowShowsTheTopLeftTileOfAScrolledView) {
    makeFrame(60, 60);
    frame->show();
    frame->view().scrollTo(QPoint(415, 80));
    EXPECT_EQ(frame->layoutToolWindow().positionText()->text(), QStringLiteral("位置 10:2"));
    frame->view().scrollTo(QPoint(0, 39));
    EXPECT_EQ(frame->layoutToolWindow().positionText()->text(), QStringLiteral("位置 0:0"));
}

TEST_F(LayoutViewTest, BoardScrollsOverFortyPixelsPerTile) {
    makeFrame(10, 5);
    auto& view = frame->view();
    view.resize(100, 100);
    view.boardChanged();
    EXPECT_EQ(view.horizontalScrollBar()->maximum() + view.viewport()->width(), 400);
    EXPECT_EQ(view.verticalScrollBar()->maximum() + view.viewport()->height(), 200);
}

TEST_F(LayoutViewTest, LayerCommandsAndComboSwitchLayersAndHeightText) {
    makeFrame();
    const struct {
        int command;
        int layer;
        const char* height;
    } cases[] = {{1625, 0, "0m"},    {1626, 1, "0m-3m"},  {1627, 2, "3m-6m"},
                 {1628, 3, "6m-9m"}, {1629, 4, "9m-12m"}, {1630, 5, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        frame->action(c.command)->trigger();
        EXPECT_EQ(frame->view().currentLayer(), c.layer);
        EXPECT_EQ(frame->layoutToolWindow().layerCombo()->currentIndex(), c.layer);
        EXPECT_EQ(frame->layoutToolWindow().heightText()->text().toStdString(), c.height);
        EXPECT_TRUE(frame->action(c.command)->isChecked());
    }
    // The combo box selects the layer of the view.
    auto* combo = frame->layoutToolWindow().layerCombo();
    combo->setCurrentIndex(2);
    emit combo->activated(2);
    EXPECT_EQ(frame->view().currentLayer(), 2);
}

TEST_F(LayoutViewTest, GridColourFollowsTheCurrentLayer) {
    makeFrame();
    const struct {
        int layer;
        QRgb colour;
    } cases[] = {{0, qRgb(128, 128, 128)},
                 {1, qRgb(0, 0, 255)},
                 {2, qRgb(51, 51, 255)},
                 {3, qRgb(102, 102, 255)},
                 {4, qRgb(153, 153, 255)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.layer);
        frame->view().selectLayer(c.layer);
        const QImage image = viewPicture();
        EXPECT_EQ(image.pixel(kTilePixels, 15), c.colour);
        EXPECT_EQ(image.pixel(15, 2 * kTilePixels), c.colour);
        EXPECT_EQ(image.pixel(15, 15), qRgb(255, 255, 255));
    }
}

TEST_F(LayoutViewTest, PointBoxIsFilledForNormalAndFramedForReverse) {
    makeFrame();
    addPoint(1, 1, 0, 0, model::Pt(0, 0));
    addPoint(3, 1, 1, 0, model::Pt(0, 0));
    const QImage image = viewPicture();
    const QRgb blue = qRgb(0, 0, 255);
    // Box (2, 2)–(12, 12) shifted by the cell + 1, right and bottom one pixel in: 3 … 11.
    const int y = kTilePixels + 7;
    EXPECT_EQ(image.pixel(kTilePixels + 7, y), blue);      // filled inside
    EXPECT_EQ(image.pixel(kTilePixels + 3, y), blue);      // filled edge
    EXPECT_EQ(image.pixel(3 * kTilePixels + 3, y), blue);  // frame left edge
    EXPECT_EQ(image.pixel(3 * kTilePixels + 11, y), blue); // frame right edge
    EXPECT_NE(image.pixel(3 * kTilePixels + 7, y), blue);  // frame is hollow
    EXPECT_NE(image.pixel(3 * kTilePixels + 12, y), blue); // right edge one pixel in
}

TEST_F(LayoutViewTest, PointNumberSitsInTheBranchingQuarter) {
    makeFrame();
    const struct {
        model::Pt marker;
        bool right;
        bool down;
    } cases[] = {{model::Pt(30, 35), true, true},
                 {model::Pt(20, 35), false, false},
                 {model::Pt(35, 20), false, false},
                 {model::Pt(35, 5), true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.marker.x << "," << c.marker.z);
        model::deleteAllTiles();
        auto* point = addPoint(2, 2, 1, 7, c.marker);
        point->setRect(model::LayoutRect{0, 0, 0, 0});
        frame->view().boardChanged();
        const QImage image = viewPicture();
        const int left = 2 * kTilePixels + 1 + (c.right ? 28 : 0);
        const int top = 2 * kTilePixels + 1 + (c.down ? 28 : 0);
        const QRect expected(left, top, 10, 11);
        EXPECT_TRUE(anyDark(image, expected));
        const int otherLeft = 2 * kTilePixels + 1 + (c.right ? 0 : 28);
        const int otherTop = 2 * kTilePixels + 1 + (c.down ? 0 : 28);
        EXPECT_FALSE(anyDark(image, QRect(otherLeft, otherTop, 10, 11)));
    }
}

TEST_F(LayoutViewTest, HeightLabelOnlyOnTheCurrentLayerAndBelowFullHeight) {
    makeFrame();
    auto* low = model::getOrCreateTile({1, 1}, 3);
    low->setShape(1);
    low->setElevationOffset(1);
    auto* full = model::getOrCreateTile({3, 1}, 3);
    full->setShape(1);
    full->setElevationOffset(0);
    const QRect lowLabel(kTilePixels + 2, kTilePixels + 2, 20, 14);
    const QRect fullLabel(3 * kTilePixels + 2, kTilePixels + 2, 20, 14);

    frame->view().selectLayer(3);
    QImage image = viewPicture();
    EXPECT_TRUE(anyDark(image, lowLabel));
    EXPECT_FALSE(anyDark(image, fullLabel));

    frame->view().selectLayer(0);
    image = viewPicture();
    EXPECT_FALSE(anyDark(image, lowLabel));
}

TEST_F(LayoutViewTest, ClickingAPointBoxSwitchesThePoint) {
    makeFrame();
    auto* point = addPoint(2, 1, 0, 0, model::Pt(0, 0));
    frame->show();
    auto* viewport = frame->view().viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(2 * kTilePixels + 6, kTilePixels + 6));
    EXPECT_NE(point->getOccupant(), 0u);
    EXPECT_TRUE(frame->isModified());
    EXPECT_EQ(model::selectionCount(), 1);
    // Elsewhere on the tile: selects, does not switch.
    QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(2 * kTilePixels + 30, kTilePixels + 30));
    EXPECT_NE(point->getOccupant(), 0u);
}

TEST_F(LayoutViewTest, ClickAndShiftClickSelectARectangle) {
    makeFrame();
    frame->show();
    auto* viewport = frame->view().viewport();
    auto centre = [](int c, int r) { return QPoint(c * kTilePixels + 20, r * kTilePixels + 20); };
    QTest::mouseClick(viewport, Qt::LeftButton, {}, centre(3, 2));
    auto sel = model::selection();
    EXPECT_EQ(model::selectionCount(), 1);
    EXPECT_EQ(sel.minColumn, 3);
    EXPECT_EQ(sel.minRow, 2);
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::ShiftModifier, centre(5, 4));
    sel = model::selection();
    EXPECT_EQ(model::selectionCount(), 9);
    EXPECT_EQ(sel.maxColumn, 5);
    EXPECT_EQ(sel.maxRow, 4);
}

TEST_F(LayoutViewTest, CommandEnablingFollowsSelectionClipboardAndThe3DWindow) {
    makeFrame();
    model::getOrCreateTile({1, 1}, 0)->setShape(1);
    frame->updateCommands();
    EXPECT_FALSE(frame->action(1326)->isEnabled());
    EXPECT_FALSE(frame->action(57643)->isEnabled());
    EXPECT_TRUE(frame->action(1245)->isEnabled());

    model::setSelection(0, {1, 1}, {1, 1});
    frame->updateCommands();
    EXPECT_TRUE(frame->action(1326)->isEnabled());
    EXPECT_TRUE(frame->action(57634)->isEnabled());

    frame->action(57634)->trigger(); // copy
    EXPECT_TRUE(frame->action(57637)->isEnabled());
    frame->action(1326)->trigger(); // rotate: snapshot for undo
    EXPECT_TRUE(frame->action(57643)->isEnabled());
    EXPECT_TRUE(frame->isModified());

    model::setSelection(0, {4, 4}, {4, 4});
    frame->updateCommands();
    EXPECT_FALSE(frame->action(1326)->isEnabled());

    editor::editorHooks().has3DWindow = [] { return true; };
    frame->updateCommands();
    EXPECT_FALSE(frame->action(1245)->isEnabled());
    EXPECT_FALSE(frame->action(1325)->isEnabled());
    editor::editorHooks().has3DWindow = nullptr;
    frame->updateCommands();
    EXPECT_TRUE(frame->action(1245)->isEnabled());
    // Without vehicles the run command is disabled.
    EXPECT_FALSE(frame->action(1525)->isEnabled());
}

TEST_F(LayoutViewTest, DroppedTilesArePlacedAndAMoveTakesThePointNumber) {
    makeFrame();
    // Branching lines, so that copies of the tile carry a point as well.
    auto* source = model::getOrCreateTile({1, 1}, 0);
    source->addShape(1, 1);
    source->addShape(2, 1);
    ASSERT_NE(source->pointItem(), nullptr);
    source->setPointNumber(5);
    ASSERT_EQ(source->getPointNumber(), 5);
    model::setSelection(0, {1, 1}, {1, 1});
    const auto block = editing::copySelection();
    ASSERT_TRUE(block.has_value());
    const QByteArray bytes(reinterpret_cast<const char*>(block->data()),
                           static_cast<qsizetype>(block->size()));
    auto& view = frame->view();

    // A copy (no source tile): both tiles exist, the number stays at the source.
    ASSERT_TRUE(view.dropTiles(bytes, QPoint(4, 2), nullptr));
    ASSERT_NE(model::tileAt(0, {4, 2}), nullptr);
    EXPECT_EQ(source->getPointNumber(), 5);
    EXPECT_TRUE(frame->isModified());
    frame->updateCommands();
    EXPECT_TRUE(frame->action(57643)->isEnabled()); // the drop was snapshotted for undo

    // A move: the placed tile takes the number, the source loses it.
    model::setSelection(0, {1, 1}, {1, 1});
    ASSERT_TRUE(view.dropTiles(bytes, QPoint(7, 3), source));
    EXPECT_EQ(model::tileAt(0, {7, 3})->getPointNumber(), 5);
    // The source (deleted after a move) gave its number away.
    EXPECT_NE(source->getPointNumber(), 5);

    // Refused: onto the dragged tile itself, off the board, not a tile block, terrain layer.
    EXPECT_FALSE(view.dropTiles(bytes, QPoint(1, 1), source));
    EXPECT_FALSE(view.dropTiles(bytes, QPoint(20, 0), nullptr));
    EXPECT_FALSE(view.dropTiles(QByteArray("TrkVgarbage"), QPoint(9, 9), nullptr));
    EXPECT_EQ(model::tileAt(0, {9, 9}), nullptr);
    view.selectLayer(editor::kTerrainLayer);
    EXPECT_FALSE(view.dropTiles(bytes, QPoint(10, 10), nullptr));
    EXPECT_EQ(model::tileAt(0, {10, 10}), nullptr);
}

TEST_F(LayoutViewTest, DropEventWithControlCopiesIntoTheHoveredCell) {
    makeFrame();
    model::getOrCreateTile({2, 2}, 0)->setShape(1);
    model::setSelection(0, {2, 2}, {2, 2});
    const auto block = editing::copySelection();
    ASSERT_TRUE(block.has_value());
    QMimeData data;
    data.setData(editor::mimeTypeFor(editing::kTrackItemFormat),
                 QByteArray(reinterpret_cast<const char*>(block->data()),
                            static_cast<qsizetype>(block->size())));
    frame->show();
    const QPoint at(5 * kTilePixels + 10, 3 * kTilePixels + 10);
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                          Qt::ControlModifier);
    QApplication::sendEvent(frame->view().viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5 * kTilePixels + 10, 3 * kTilePixels + 10),
                    Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::ControlModifier);
    QApplication::sendEvent(frame->view().viewport(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
    EXPECT_NE(model::tileAt(0, {5, 3}), nullptr);
    EXPECT_NE(model::tileAt(0, {2, 2}), nullptr);
}

TEST_F(LayoutViewTest, TileMenuFollowsTheSelectedTile) {
    makeFrame();
    auto* ground = model::getOrCreateTile({1, 1}, 0);
    ground->setShape(1);
    ASSERT_TRUE(ground->addControlItem(model::KindStation1));
    ground->stationItem()->setValue(0); // never set: counts as 2 seconds
    auto* high = model::getOrCreateTile({2, 2}, 3);
    high->setShape(1);
    high->setElevationOffset(1);

    model::setSelection(0, {1, 1}, {1, 1});
    frame->prepareTileMenu();
    EXPECT_TRUE(frame->tileSubmenu(editor::MenuStationStop)->isEnabled());
    EXPECT_TRUE(frame->action(1347)->isChecked()); // "２秒"
    EXPECT_FALSE(frame->action(1346)->isChecked());
    EXPECT_FALSE(frame->tileSubmenu(editor::MenuReversingWait)->isEnabled());
    EXPECT_FALSE(frame->tileSubmenu(editor::MenuHeight)->isEnabled());
    EXPECT_FALSE(frame->tileSubmenu(editor::MenuPier)->isEnabled());
    EXPECT_FALSE(frame->action(1365)->isEnabled());
    EXPECT_FALSE(frame->action(1345)->isEnabled()); // no point

    frame->action(1351)->trigger(); // "６０秒"
    EXPECT_EQ(ground->stationItem()->getValue(), 60);
    frame->prepareTileMenu();
    EXPECT_TRUE(frame->action(1351)->isChecked());

    frame->view().selectLayer(3);
    model::setSelection(3, {2, 2}, {2, 2});
    frame->prepareTileMenu();
    EXPECT_TRUE(frame->tileSubmenu(editor::MenuHeight)->isEnabled());
    const char* heights[] = {"9m", "8m", "7m", "6m"};
    for (int e = 0; e < 4; ++e) {
        EXPECT_EQ(frame->action(1365 + e)->text().toStdString(), heights[e]);
        EXPECT_EQ(frame->action(1365 + e)->isChecked(), e == 1);
    }
    EXPECT_TRUE(frame->action(1375)->isChecked()); // no pier
    frame->action(1378)->trigger();                // "コンクリート２"
    frame->prepareTileMenu();
    EXPECT_TRUE(frame->action(1378)->isChecked());
    EXPECT_FALSE(frame->action(1375)->isChecked());
    frame->action(1368)->trigger(); // "0m": offset 3
    EXPECT_EQ(high->getElevationOffset(), 3);
}

TEST_F(LayoutViewTest, WhileLoadingTheViewShowsNothingAndIgnoresPresses) {
    makeFrame();
    auto* point = addPoint(1, 1, 0, 0, model::Pt(0, 0));
    frame->view().setLoading(true);
    QImage image = viewPicture();
    EXPECT_EQ(image.pixel(kTilePixels + 7, kTilePixels + 7), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(kTilePixels, 15), qRgb(255, 255, 255)); // no grid either
    QTest::mouseClick(frame->view().viewport(), Qt::LeftButton, {},
                      QPoint(kTilePixels + 6, kTilePixels + 6));
    EXPECT_EQ(point->getOccupant(), 0u);
    frame->view().setLoading(false);
    image = viewPicture();
    EXPECT_EQ(image.pixel(kTilePixels + 7, kTilePixels + 7), qRgb(0, 0, 255));
}

TEST_F(LayoutViewTest, TilePicturesAreAndedAndFadedOffTheCurrentLayerAndFollowTurns) {
    makeFrame();
    // Left half black, right half white: after a quarter turn the top half is black.
    image::Picture picture(40, 40, 24);
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 40; ++x) {
            picture.setColourAt(x, y, x < 20 ? 0x000000 : 0xFFFFFF);
        }
    }
    auto* tile = model::getOrCreateTile({1, 1}, 1);
    tile->setPicture(std::make_unique<persistence::CImageItem>(picture));
    editor::LayoutPainter painter;
    auto paint = [&](int layer) {
        QImage target(200, 200, QImage::Format_RGB32);
        QPainter p(&target);
        painter.paint(p, QRect(0, 0, 200, 200), editor::LayoutPaintState{layer, 20, 15});
        return target;
    };
    QImage image = paint(1);
    EXPECT_EQ(image.pixel(45, 70), qRgb(0, 0, 0));            // left half, current layer
    EXPECT_EQ(image.pixel(75, 70), qRgb(255, 255, 255));      // right half
    EXPECT_EQ(image.pixel(75, kTilePixels), qRgb(0, 0, 255)); // AND keeps the grid under white
    image = paint(0);
    EXPECT_EQ(image.pixel(45, 70), qRgb(76, 76, 76)); // 70 percent over white
    tile->getPicture()->rotate90();
    image = paint(1);
    EXPECT_NE(image.pixel(45, 70), image.pixel(45, 50));
}

TEST_F(LayoutViewTest, ToggleHidesAndShowsTheLayoutToolWindow) {
    makeFrame();
    frame->show();
    auto* dock = frame->toolDock(1225);
    ASSERT_NE(dock, nullptr);
    EXPECT_TRUE(dock->isVisible());
    frame->action(1225)->trigger();
    EXPECT_FALSE(dock->isVisible());
    EXPECT_FALSE(frame->action(1225)->isChecked());
    frame->action(1225)->trigger();
    EXPECT_TRUE(dock->isVisible());
    EXPECT_TRUE(frame->action(1225)->isChecked());
}

TEST_F(LayoutViewTest, ShowTerrainBoxSetsTheDocumentFlag) {
    makeFrame();
    auto* box = frame->layoutToolWindow().showTerrainBox();
    box->click();
    EXPECT_TRUE(model::currentDocument()->testEnvironmentFlag(model::EnvShowTerrain));
    box->click();
    EXPECT_FALSE(model::currentDocument()->testEnvironmentFlag(model::EnvShowTerrain));
}

} // namespace
} // namespace editortest
