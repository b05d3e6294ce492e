#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QCoreApplication>
#include <QDockWidget>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHelpEvent>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QProcess>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <thread>

#include "EditorFixture.h"
#include "editor/C3DItemObjectFolderWindow.h"
#include "editor/CImageView.h"
#include "editor/CatalogueDrop.h"
#include "editor/CatalogueFolder.h"
#include "editor/CataloguePreview.h"
#include "editor/EditorHooks.h"
#include "editor/SystemClipboard.h"
#include "editor/VehicleMarkers.h"
#include "editor/VehicleMenu.h"
#include "items/C3DItemObject.h"
#include "items/ItemHeader.h"
#include "model/CTrackItem.h"
#include "model/CTrackStructureItem.h"
#include "model/CZarnoltDocument.h"
#include "model/DocumentRecords.h"
#include "model/TrackTiles.h"
#include "platform/ByteWriter.h"
#include "platform/RenderLock.h"
#include "support/CliRunner.h"
#include "support/TempFolder.h"
#include "trains/CTrainControler.h"
#include "trains/CTrainItem.h"
#include "trains/ControllerClock.h"
#include "trains/TrainSimulation.h"
#include "trains/VehicleRegistry.h"
#include "trains/VehicleTypes.h"

namespace {

namespace fs = std::filesystem;
using editor::C3DItemObjectFolderWindow;
using editor::C3DItemView;
using editor::C3DItemViewItem;
using editor::CImageView;

fs::path u8(const char* name) {
    return fs::u8path(name);
}

void touch(const fs::path& path, std::string_view bytes = "x") {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

QByteArray pngOf(QColor colour) {
    QImage image(32, 24, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

// An item model file of a kind: header, then the thumbnail (when given), no geometry.
void writeItemFile(const fs::path& path, int kind, const QByteArray& png) {
    items::ItemHeader header;
    header.kind = kind;
    if (!png.isEmpty()) {
        header.thumbnailOffset = static_cast<std::uint32_t>(items::kItemHeaderSize);
        header.geometryOffset = header.thumbnailOffset + static_cast<std::uint32_t>(png.size());
    }
    header.totalLength = static_cast<std::uint32_t>(items::kItemHeaderSize + png.size());
    platform::ByteWriter writer;
    header.write(writer);
    std::string bytes(reinterpret_cast<const char*>(writer.data().data()), writer.size());
    bytes.append(png.constData(), static_cast<std::size_t>(png.size()));
    touch(path, bytes);
}

std::vector<std::string> names(const std::vector<editor::CatalogueFile>& files) {
    std::vector<std::string> out;
    for (const auto& f : files) {
        out.push_back(f.name);
    }
    return out;
}

TEST(CatalogueFolder, PagesPutOtherAndUserItemsLastAndSkipDotNames) {
    testsupport::TempFolder folder;
    for (const char* name : {"A", "その他", "B", "ユーザーアイテム", ".hidden"}) {
        fs::create_directories(folder.path() / u8(name));
    }
    touch(folder.path() / "file.zn3");
    EXPECT_EQ(editor::cataloguePages(folder.path(), "全て"),
              (std::vector<std::string>{"全て", "A", "B", "その他", "ユーザーアイテム"}));
    EXPECT_EQ(editor::cataloguePages(folder.path() / "missing", "全て"),
              std::vector<std::string>{"全て"});
}

TEST(CatalogueFolder, NamesAreOrderedByTheirShiftJisBytes) {
    // "Ａ" is 82 60 in Shift-JIS and "あ" 82 A0, while in UTF-8 "Ａ" (EF BC A1) sorts after
    // "あ" (E3 81 82): the Shift-JIS order must win. A name with no Shift-JIS form (an emoji)
    // falls back to its UTF-8 bytes.
    testsupport::TempFolder folder;
    for (const char* name : {"あ", "Ａ", "z"}) {
        fs::create_directories(folder.path() / u8(name));
        touch(folder.path() / u8(name) / (std::string(name) + ".bin"));
    }
    touch(folder.path() / u8("\xF0\x9F\x9A\x82.bin"));
    EXPECT_EQ(editor::cataloguePages(folder.path(), "全て"),
              (std::vector<std::string>{"全て", "z", "Ａ", "あ"}));
    EXPECT_EQ(names(editor::scanCatalogueFolder(folder.path(), 1)),
              (std::vector<std::string>{"z.bin", "Ａ.bin", "あ.bin", "\xF0\x9F\x9A\x82.bin"}));
    EXPECT_LT(editor::catalogueSortKey("Ａ"), editor::catalogueSortKey("あ"));
}

TEST(CatalogueFolder, AllPageTakesOneLevelOfSubfoldersAndTheFirstFileOfAName) {
    testsupport::TempFolder folder;
    const fs::path root = folder.path();
    touch(root / "top.zn3");
    touch(root / "A" / "dup.zn3", "first");
    touch(root / "B" / "dup.zn3", "second");
    touch(root / "A" / "deep" / "deeper.zn3");
    touch(root / ".dot.zn3");
    const auto all = editor::scanCatalogueFolder(root, 1);
    ASSERT_EQ(names(all), (std::vector<std::string>{"dup.zn3", "top.zn3"}));
    EXPECT_EQ(all[0].path, root / "A" / "dup.zn3");
    EXPECT_EQ(names(editor::scanCatalogueFolder(root, 0)), std::vector<std::string>{"top.zn3"});
    EXPECT_EQ(names(editor::scanCatalogueFolder(root, 2)),
              (std::vector<std::string>{"deeper.zn3", "dup.zn3", "top.zn3"}));
    EXPECT_TRUE(editor::scanCatalogueFolder(root / "missing", 1).empty());
}

TEST(CatalogueWindow, GridOfANarrowView) {
    struct Case {
        int width;
        int items;
        int columns;
        int rows;
    };
    for (const Case c : {Case{100, 4, 2, 3}, Case{100, 5, 2, 3}, Case{44, 2, 1, 3},
                         Case{180, 0, 4, 1}, Case{10, 1, 1, 2}}) {
        SCOPED_TRACE(c.width);
        CImageView view;
        view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view.resize(c.width, 400);
        view.show();
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::blue);
        for (int i = 0; i < c.items; ++i) {
            ASSERT_TRUE(view.addItem(image, "cell" + std::to_string(i)));
        }
        EXPECT_FALSE(view.addItem(QImage(), "empty"));
        view.relayout();
        EXPECT_EQ(view.columns(), c.columns);
        EXPECT_EQ(view.rows(), c.rows);
        ASSERT_EQ(view.items().size(), static_cast<std::size_t>(c.items));
        for (int i = 0; i < c.items; ++i) {
            EXPECT_EQ(view.items()[static_cast<std::size_t>(i)]->geometry(),
                      QRect(5 + (i % c.columns) * 45, 5 + (i / c.columns) * 45, 40, 40));
        }
        EXPECT_EQ(view.widget()->width(), std::max(c.width - 20, 5 + c.columns * 45));
        EXPECT_EQ(view.widget()->height(), std::max(400, 5 + c.rows * 45));
    }
}

TEST(CatalogueWindow, ItemViewShowsOnlyFilesWithAThumbnailAndLabelsTheirKind) {
    testsupport::TempFolder folder;
    const QByteArray png = pngOf(Qt::green);
    writeItemFile(folder / "a_sl.zn3", 100, png);
    writeItemFile(folder / "b_car.zn3", 102, png);
    writeItemFile(folder / "c_mono.zn3", 104, png);
    writeItemFile(folder / "d_nothumb.zn3", 101, {});
    writeItemFile(folder / "e_badthumb.zn3", 101, QByteArray("not a png"));
    touch(folder / "f_text.txt", "hello");
    C3DItemView view;
    EXPECT_EQ(view.fillFromFolder(folder.path(), 0, 0), 6);
    ASSERT_EQ(view.items().size(), 3u);
    EXPECT_EQ(view.cellSize(), 40);
    const QString expected[] = {QStringLiteral("SL"), QStringLiteral(" "),
                                QStringLiteral("monorail")};
    for (std::size_t i = 0; i < 3; ++i) {
        auto* cell = dynamic_cast<C3DItemViewItem*>(view.items()[i]);
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(cell->label(), expected[i]);
    }
    EXPECT_EQ(view.items()[0]->fileName(), QStringLiteral("a_sl.zn3"));
    for (int kind : {101, 103, 105}) {
        EXPECT_NE(C3DItemViewItem::labelForKind(kind), QStringLiteral(" "));
    }
    EXPECT_EQ(C3DItemViewItem::labelForKind(99), QStringLiteral(" "));
    // A cell size argument replaces the cell size; refilling replaces the cells.
    EXPECT_EQ(view.fillFromFolder(folder.path(), 50, 0), 6);
    EXPECT_EQ(view.cellSize(), 50);
    EXPECT_EQ(view.items().size(), 3u);
}

TEST(CatalogueWindow, FolderWindowPagesAndSelection) {
    testsupport::TempFolder folder;
    const QByteArray png = pngOf(Qt::red);
    writeItemFile(folder / "top.zn3", 1, png);
    writeItemFile(folder.path() / u8("その他") / "other.zn3", 2, png);
    writeItemFile(folder.path() / "A" / "a1.zn3", 1, png);
    writeItemFile(folder.path() / "A" / "a2.zn3", 1, png);
    writeItemFile(folder.path() / "A" / "deep" / "hidden.zn3", 1, png);
    C3DItemObjectFolderWindow window;
    window.createFromFolder(folder.path() / u8("線路"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("線路"));
    EXPECT_EQ(window.pageNames(), std::vector<std::string>{"全て"});
    ASSERT_EQ(window.views().size(), 1u);
    EXPECT_TRUE(window.views()[0]->items().empty());

    window.createFromFolder(folder.path(), QStringLiteral("Title"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Title"));
    ASSERT_EQ(window.pageNames(), (std::vector<std::string>{"全て", "A", "その他"}));
    ASSERT_EQ(window.pageCombo()->count(), 3);
    EXPECT_EQ(window.pageCombo()->itemText(2), QStringLiteral("その他"));
    ASSERT_EQ(window.views().size(), 3u);
    EXPECT_EQ(window.views()[0]->items().size(), 4u); // not the deeper folder
    EXPECT_EQ(window.views()[1]->items().size(), 2u);
    EXPECT_EQ(window.views()[2]->items().size(), 1u);
    window.show();
    EXPECT_EQ(window.currentPage(), 0);
    window.pageCombo()->setCurrentIndex(2);
    EXPECT_EQ(window.currentPage(), 2);
    EXPECT_TRUE(window.views()[2]->isVisible());
    EXPECT_FALSE(window.views()[0]->isVisible());
    window.selectPage(1);
    EXPECT_EQ(window.pageCombo()->currentIndex(), 1);
    EXPECT_TRUE(window.views()[1]->isVisible());
    window.selectPage(7); // out of range: nothing changes
    EXPECT_EQ(window.currentPage(), 1);

    window.resize(300, 250);
    EXPECT_EQ(window.views()[0]->geometry(), QRect(QPoint(5, 35), QPoint(294, 244)));
    EXPECT_EQ(window.minimumSize(), QSize(180, 180));
}

// The cell of item file `name` on the first page of catalogue `command`, or null.
editor::CImageViewItem* catalogueCell(editor::CMainFrame& frame, int command, const char* name) {
    for (auto* cell : frame.catalogue(command)->views()[0]->items()) {
        if (cell->fileName() == QString::fromUtf8(name)) {
            return cell;
        }
    }
    return nullptr;
}

class CatalogueFrameTest : public editortest::EditorFixture {};

TEST_F(CatalogueFrameTest, MainFrameOpensTheThreeCataloguesOfTheDataFolder) {
    makeFrame();
    struct Case {
        int command;
        const char* title;
        const char* bar;
    };
    for (const Case c : {Case{1228, "列車、客車、貨車", "bar7"}, Case{1226, "線路", "bar8"},
                         Case{1227, "ストラクチャ", "bar9"}}) {
        SCOPED_TRACE(c.command);
        auto* window = frame->catalogue(c.command);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->windowTitle(), QString::fromUtf8(c.title));
        ASSERT_GE(window->pageNames().size(), 2u);
        EXPECT_EQ(window->pageNames()[0], "全て");
        ASSERT_FALSE(window->views().empty());
        EXPECT_FALSE(window->views()[0]->items().empty());
        auto* dock = frame->toolDock(c.command);
        ASSERT_NE(dock, nullptr);
        EXPECT_EQ(dock->widget(), window);
        EXPECT_EQ(dock->objectName(), QString::fromLatin1(c.bar));
    }
    frame->show();
    auto* dock = frame->toolDock(1227);
    EXPECT_TRUE(dock->isVisible());
    frame->runCommand(1227);
    EXPECT_FALSE(dock->isVisible());
    frame->updateCommands();
    EXPECT_FALSE(frame->action(1227)->isChecked());
    frame->runCommand(1227);
    EXPECT_TRUE(dock->isVisible());
}

TEST_F(CatalogueFrameTest, CellsOfferPiecesAndVehiclesUnderTheirFormats) {
    makeFrame();
    auto firstCellData = [&](int command) -> std::unique_ptr<QMimeData> {
        auto* window = frame->catalogue(command);
        if (!window || window->views().empty() || window->views()[0]->items().empty()) {
            return nullptr;
        }
        return std::unique_ptr<QMimeData>(window->views()[0]->items()[0]->dragData());
    };
    const auto piece = firstCellData(1226);
    ASSERT_NE(piece, nullptr);
    EXPECT_TRUE(piece->hasFormat(editor::mimeTypeFor("CTrackTypeItem")));
    const auto structure = firstCellData(1227);
    ASSERT_NE(structure, nullptr);
    EXPECT_TRUE(structure->hasFormat(editor::mimeTypeFor("CTrackTypeItem")));
    const auto vehicle = firstCellData(1228);
    ASSERT_NE(vehicle, nullptr);
    EXPECT_TRUE(vehicle->hasFormat(editor::mimeTypeFor("CTrainTypeItem")));
    // The payload names the file, which still exists after the drag source is gone.
    const QByteArray path = vehicle->data(editor::mimeTypeFor("CTrainTypeItem"));
    EXPECT_TRUE(fs::exists(fs::u8path(path.toStdString())));

    // A file that is not an item model offers nothing.
    testsupport::TempFolder folder;
    touch(folder / "junk.zn3", "junk");
    C3DItemViewItem junk(QImage(4, 4, QImage::Format_RGB32), folder / "junk.zn3");
    EXPECT_EQ(junk.dragData(), nullptr);

    // The structure catalogue as the user sees it, for looking at by hand.
    if (const char* shots = std::getenv("ZARNOLT_TEST_SHOTS")) {
        frame->show();
        frame->catalogue(1227)->grab().save(QString::fromUtf8(shots) + "/catalogue.png");
        frame->grab().save(QString::fromUtf8(shots) + "/frame.png");
    }
}

TEST_F(CatalogueFrameTest, TipsNameTheModelAndItsKindAndHoverShowsALargerPicture) {
    makeFrame();
    frame->show();
    auto cellOf = [&](int command, const char* name) {
        return catalogueCell(*frame, command, name);
    };
    struct Case {
        int command;
        const char* file;
        const char* tip;
    };
    for (const Case c : {Case{1228, "SL01.zn3", "SL01\n蒸気機関車 (SL)"},
                         Case{1228, "EL01.zn3", "EL01\n電気機関車 (EL)"},
                         Case{1228, "PassengerCar01.zn3", "PassengerCar01\n客車・貨車"},
                         Case{1227, "House01.zn3", "House01\nストラクチャ"},
                         Case{1226, "Straight.zn3", "Straight\n線路"}}) {
        SCOPED_TRACE(c.file);
        auto* cell = cellOf(c.command, c.file);
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(C3DItemViewItem::tipFor(cell->path()), QString::fromUtf8(c.tip));

        // Resting on the cell shows the larger picture beside it; leaving hides it.
        frame->catalogue(c.command)->selectPage(0);
        QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), cell->mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(cell, &help);
        auto* preview = editor::CataloguePreview::current();
        ASSERT_NE(preview, nullptr);
        EXPECT_TRUE(preview->isVisible());
        EXPECT_EQ(preview->cell(), cell);
        const QImage picture = preview->picture();
        ASSERT_EQ(picture.size(),
                  QSize(editor::CataloguePreview::kWidth, editor::CataloguePreview::kHeight));
        // Without the renderer the thumbnail is enlarged: the picture is not one plain colour
        // and it is larger than the cell.
        EXPECT_GT(picture.width(), cell->width());
        const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
        bool varied = false;
        for (int y = 0; y < rgb.height() && !varied; y += 3) {
            for (int x = 0; x < rgb.width() && !varied; x += 3) {
                varied = rgb.pixel(x, y) != rgb.pixel(0, 0);
            }
        }
        EXPECT_TRUE(varied);
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(cell, &leave);
        EXPECT_FALSE(preview->isVisible());
        if (const char* shots = std::getenv("ZARNOLT_TEST_SHOTS")) {
            picture.save(QString::fromUtf8(shots) + "/preview-" + QString::fromUtf8(c.file) +
                         ".png");
        }
    }
    // A file whose header cannot be read has no tip.
    testsupport::TempFolder scratch;
    touch(scratch / "junk.zn3", "junk");
    EXPECT_TRUE(C3DItemViewItem::tipFor(scratch / "junk.zn3").isEmpty());
}

namespace dropping {

namespace fs = std::filesystem;

// A main frame with the catalogue files at hand and drops delivered as Qt delivers them.
class CatalogueDropTest : public editortest::EditorFixture {
protected:
    static fs::path catalogueFile(const char* folder, const char* file) {
        return fs::path(ZARNOLT_BUILD_DIR) / "bin" / fs::u8path("データ") / "C3DItem_File" /
               fs::u8path(folder) / fs::u8path(file);
    }
    static fs::path track(const char* file) { return catalogueFile("線路", file); }
    static fs::path vehicle(const char* file) { return catalogueFile("列車、客車、貨車", file); }
    static std::unique_ptr<QMimeData> payload(std::string_view format, const fs::path& file) {
        auto data = std::make_unique<QMimeData>();
        const auto u8 = file.u8string();
        data->setData(editor::mimeTypeFor(format),
                      QByteArray(reinterpret_cast<const char*>(u8.data()),
                                 static_cast<qsizetype>(u8.size())));
        return data;
    }
    // Drags the data onto a board point of the view: enter, then drop. True when accepted.
    bool dragOnto(const QMimeData& data, QPoint boardPoint) {
        QWidget* target = frame->view().viewport();
        QDragEnterEvent enter(boardPoint, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        if (!enter.isAccepted()) {
            return false;
        }
        QDropEvent drop(QPointF(boardPoint), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                        Qt::NoModifier);
        QCoreApplication::sendEvent(target, &drop);
        return drop.isAccepted();
    }
    static QPoint cellCentre(int column, int row) {
        return QPoint(column * 40 + 20, row * 40 + 20);
    }
    bool placePiece(const fs::path& file, int column, int row) {
        return dragOnto(*payload("CTrackTypeItem", file), cellCentre(column, row));
    }
    trains::CTrainItem* vehicleOn(int column, int row) {
        if (!trains::trainController()) {
            return nullptr;
        }
        for (trains::CTrainItem* v : trains::trainController()->vehicles()) {
            const auto* tile = v->currentTile();
            if (tile && tile->getPosition() == model::TilePos{static_cast<std::int16_t>(column),
                                                              static_cast<std::int16_t>(row)}) {
                return v;
            }
        }
        return nullptr;
    }
    static QPoint markerPoint(const trains::CTrainItem* v) {
        int x = 0;
        int z = 0;
        EXPECT_TRUE(v->boardPoint1(x, z));
        return QPoint(x, z);
    }
    static std::size_t vehicleCount() {
        const auto* controller = trains::trainController();
        return controller ? controller->vehicles().size() : 0;
    }
};

TEST_F(CatalogueDropTest, PiecesAndVehiclesGoOnlyWhereTheyFit) {
    makeFrame();
    frame->show();
    ASSERT_TRUE(placePiece(track("基本/Straight.zn3"), 3, 3));
    const auto* tile = model::tileAt(0, {3, 3});
    ASSERT_NE(tile, nullptr);
    EXPECT_GT(tile->lineCount(), 0u);
    EXPECT_TRUE(frame->isModified());
    ASSERT_TRUE(placePiece(track("モノレール/MonorailStraight.zn3"), 3, 6));
    // Off the board and on the terrain layer nothing is placed.
    EXPECT_FALSE(placePiece(track("基本/Straight.zn3"), 30, 3));

    const std::size_t before = vehicleCount();
    struct Case {
        const char* file;
        int row;
        bool placed;
    };
    for (const Case c :
         {Case{"機関車/SL01.zn3", 4, false},                // no track
          Case{"モノレール/Monorail02Front.zn3", 3, false}, // rail track
          Case{"機関車/EL01.zn3", 6, false},                // monorail track
          Case{"モノレール/Monorail02Front.zn3", 6, true}, Case{"機関車/SL01.zn3", 3, true}}) {
        SCOPED_TRACE(c.file);
        const std::size_t count = vehicleCount();
        EXPECT_EQ(dragOnto(*payload("CTrainTypeItem", vehicle(c.file)), cellCentre(3, c.row)),
                  c.placed);
        EXPECT_EQ(vehicleCount(), count + (c.placed ? 1 : 0));
        if (c.placed) {
            EXPECT_NE(vehicleOn(3, c.row), nullptr);
        }
    }
    EXPECT_EQ(vehicleCount(), before + 2);
}

TEST_F(CatalogueDropTest, CarDroppedOnAMidTrainCarJoinsAtTheRear) {
    makeFrame(30, 15);
    frame->show();
    for (int c = 2; c < 14; ++c) {
        ASSERT_TRUE(placePiece(track("基本/Straight.zn3"), c, 5));
    }
    auto car = [&] { return payload("CTrainTypeItem", vehicle("客車/PassengerCar01.zn3")); };
    ASSERT_TRUE(dragOnto(*payload("CTrainTypeItem", vehicle("機関車/EL01.zn3")), cellCentre(8, 5)));
    trains::CTrainItem* loco = vehicleOn(8, 5);
    ASSERT_NE(loco, nullptr);
    ASSERT_TRUE(dragOnto(*car(), markerPoint(loco)));
    ASSERT_EQ(loco->trainMembers().size(), 2u);
    trains::CTrainItem* last = loco->trainMembers().back();
    ASSERT_TRUE(dragOnto(*car(), markerPoint(last)));
    auto members = loco->trainMembers();
    ASSERT_EQ(members.size(), 3u);
    trains::CTrainItem* middle = members[1];
    trains::CTrainItem* oldTail = members[2];
    ASSERT_TRUE(dragOnto(*car(), markerPoint(middle)));
    members = loco->trainMembers();
    ASSERT_EQ(members.size(), 4u);
    EXPECT_EQ(members[1], middle);
    EXPECT_EQ(members[2], oldTail);
    EXPECT_NE(members[3], oldTail); // the new car stands at the rear
    EXPECT_EQ(members[3]->rearNeighbour(), nullptr);
    // A monorail car does not couple to a rail train.
    EXPECT_FALSE(dragOnto(*payload("CTrainTypeItem", vehicle("モノレール/Monorail01Car.zn3")),
                          markerPoint(middle)));
    EXPECT_EQ(loco->trainMembers().size(), 4u);

    // The markers stand on the train: the picture is no longer plain board there.
    const QImage picture = viewPicture();
    const QPoint at = markerPoint(middle);
    int coloured = 0;
    for (int dx = -10; dx <= 10; ++dx) {
        const QRgb c = picture.pixel(at.x() + dx, at.y());
        coloured += qRed(c) != qGreen(c) || qGreen(c) != qBlue(c) ? 1 : 0;
    }
    EXPECT_GT(coloured, 0);
    if (const char* shots = std::getenv("ZARNOLT_TEST_SHOTS")) {
        picture.save(QString::fromUtf8(shots) + "/train.png");
        picture.copy(QRect(at - QPoint(120, 45), QSize(240, 90)))
            .scaled(960, 360)
            .save(QString::fromUtf8(shots) + "/train-zoom.png");
    }
}

TEST_F(CatalogueDropTest, CatalogueDragSavedAndReadBackGivesTheSameDump) {
    makeFrame();
    frame->show();
    auto cellOf = [&](int command, const char* name) {
        return catalogueCell(*frame, command, name);
    };
    auto* straight = cellOf(1226, "Straight.zn3");
    auto* house = cellOf(1227, "House01.zn3");
    auto* loco = cellOf(1228, "SL01.zn3");
    ASSERT_TRUE(straight && house && loco);
    const std::unique_ptr<QMimeData> piece(straight->dragData());
    for (int c = 1; c < 6; ++c) {
        ASSERT_TRUE(dragOnto(*piece, cellCentre(c, 2)));
    }
    ASSERT_TRUE(dragOnto(*std::unique_ptr<QMimeData>(house->dragData()), cellCentre(2, 4)));
    ASSERT_TRUE(dragOnto(*std::unique_ptr<QMimeData>(loco->dragData()), cellCentre(3, 2)));
    ASSERT_TRUE(frame->isModified());
    const QString first = QString::fromStdString((folder / "first.zrn").string());
    const QString second = QString::fromStdString((folder / "second.zrn").string());
    prompter.files.push_back(first);
    frame->action(57604)->trigger();
    ASSERT_TRUE(fs::exists(folder / "first.zrn"));
    ASSERT_TRUE(frame->openLayout(first));
    EXPECT_NE(vehicleOn(3, 2), nullptr);
    prompter.files.push_back(second);
    frame->action(57604)->trigger();
    auto dump = [](const QString& file) {
        QProcess cli;
        cli.start(QStringLiteral(ZARNOLT_BUILD_DIR "/bin/zarnolt-cli"),
                  {QStringLiteral("dump"), file});
        EXPECT_TRUE(cli.waitForFinished(60000));
        EXPECT_EQ(cli.exitCode(), 0);
        return cli.readAllStandardOutput();
    };
    const QByteArray a = dump(first);
    EXPECT_FALSE(a.isEmpty());
    EXPECT_TRUE(a.contains("SL01")) << a.left(400).toStdString();
    EXPECT_EQ(dump(second), a);
}

TEST_F(CatalogueDropTest, VehicleMenuActsOnTheClickedVehicle) {
    makeFrame(30, 15);
    frame->show();
    for (int c = 2; c < 14; ++c) {
        ASSERT_TRUE(placePiece(track("基本/Straight.zn3"), c, 5));
    }
    ASSERT_TRUE(dragOnto(*payload("CTrainTypeItem", vehicle("機関車/EL01.zn3")), cellCentre(8, 5)));
    trains::CTrainItem* loco = vehicleOn(8, 5);
    ASSERT_NE(loco, nullptr);
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(dragOnto(*payload("CTrainTypeItem", vehicle("客車/PassengerCar01.zn3")),
                             markerPoint(loco->trainMembers().back())));
    }
    const auto members = loco->trainMembers();
    ASSERT_EQ(members.size(), 3u);
    trains::CTrainItem* middle = members[1];
    auto& view = frame->view();
    EXPECT_EQ(view.vehicleMenuAt(cellCentre(1, 1)), nullptr); // no marker there
    editor::VehicleMenu* menu = view.vehicleMenuAt(markerPoint(middle));
    ASSERT_NE(menu, nullptr);
    for (int id = 1526; id <= 1532; ++id) {
        SCOPED_TRACE(id);
        ASSERT_NE(menu->command(id), nullptr);
        EXPECT_TRUE(menu->command(id)->isEnabled()); // a middle car has both neighbours
    }
    EXPECT_EQ(menu->command(1526)->text(), QStringLiteral("車両削除"));
    EXPECT_EQ(menu->command(1532)->text(), QStringLiteral("カメラ列車設定"));

    ASSERT_TRUE(menu->run(1531)); // uncouple rear: the last car leaves the train
    EXPECT_EQ(middle->rearNeighbour(), nullptr);
    EXPECT_EQ(loco->trainMembers().size(), 2u);
    menu = view.vehicleMenuAt(markerPoint(middle));
    ASSERT_NE(menu, nullptr);
    EXPECT_FALSE(menu->command(1531)->isEnabled());
    EXPECT_FALSE(menu->run(1531)); // disabled now

    // The car left behind is a train of its own, not the camera train until chosen.
    menu = view.vehicleMenuAt(markerPoint(members[2]));
    ASSERT_NE(menu, nullptr);
    EXPECT_FALSE(menu->command(1532)->isChecked());
    ASSERT_TRUE(menu->run(1532));
    EXPECT_TRUE(members[2]->isCameraTrain());
    EXPECT_TRUE(view.vehicleMenuAt(markerPoint(members[2]))->command(1532)->isChecked());
    EXPECT_FALSE(view.vehicleMenuAt(markerPoint(middle))->command(1532)->isChecked());
    menu = view.vehicleMenuAt(markerPoint(middle));

    const bool reversed = middle->isReversedRunning();
    ASSERT_TRUE(menu->run(1528));
    EXPECT_NE(middle->isReversedRunning(), reversed);

    const trains::VehicleId id = members[2]->id();
    menu = view.vehicleMenuAt(markerPoint(members[2]));
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(menu->run(1526));
    EXPECT_TRUE(trains::isQueuedForDeletion(id));
    trains::flushVehicleDeletions();
    EXPECT_EQ(trains::findVehicle(id), nullptr);
    EXPECT_FALSE(menu->run(1529)); // the vehicle is gone: nothing runs
}

TEST_F(CatalogueDropTest, MarkersMoveWhileTrainsRun) {
    makeFrame();
    frame->show();
    const auto sample =
        fs::path(ZARNOLT_BUILD_DIR) / "bin" / fs::u8path("サンプル") / fs::u8path("複線ループ.zrn");
    ASSERT_TRUE(frame->openLayout(QString::fromStdString(sample.string())));
    auto* controller = trains::trainController();
    ASSERT_NE(controller, nullptr);
    ASSERT_FALSE(controller->vehicles().empty());
    trains::CTrainItem* first = controller->vehicles().front();
    const QPoint start = markerPoint(first);
    // Scroll the train into sight.
    frame->view().horizontalScrollBar()->setValue(std::max(0, start.x() - 200));
    frame->view().verticalScrollBar()->setValue(std::max(0, start.y() - 200));
    const QImage before = viewPicture();
    const int posted = editor::markerInvalidator().postedUpdates();
    frame->action(1525)->trigger();
    ASSERT_TRUE(controller->isRunning());
    // Let the controller step while the user-interface thread takes the coalesced updates.
    QPoint now = start;
    for (int i = 0; i < 300 && now == start; ++i) {
        QTest::qWait(10);
        platform::RenderLockGuard lock;
        now = markerPoint(first);
    }
    controller->stop(true);
    QCoreApplication::processEvents();
    EXPECT_NE(now, start);
    EXPECT_GT(editor::markerInvalidator().postedUpdates(), posted);
    const QImage after = viewPicture();
    if (const char* shots = std::getenv("ZARNOLT_TEST_SHOTS")) {
        before.save(QString::fromUtf8(shots) + "/run-before.png");
        after.save(QString::fromUtf8(shots) + "/run-after.png");
    }
    EXPECT_NE(after, before) << start.x() << "," << start.y() << " -> " << now.x() << "," << now.y()
                             << " in " << after.width() << "x" << after.height();
}

// A vehicle dragged from its marker: the drag carries its identity; dropped on a tile whose
// track it runs on it leaves its train for that tile, dropped on a compatible marker it joins
// that train at the rear; elsewhere nothing changes.
TEST_F(CatalogueDropTest, VehicleDraggedFromItsMarkerMovesToAnotherTrackOrTrain) {
    makeFrame(30, 15);
    frame->show();
    for (int c = 2; c < 14; ++c) {
        ASSERT_TRUE(placePiece(track("基本/Straight.zn3"), c, 5));
    }
    for (int c = 2; c < 9; ++c) {
        ASSERT_TRUE(placePiece(track("基本/Straight.zn3"), c, 9));
    }
    ASSERT_TRUE(placePiece(track("モノレール/MonorailStraight.zn3"), 3, 12));
    ASSERT_TRUE(dragOnto(*payload("CTrainTypeItem", vehicle("機関車/EL01.zn3")), cellCentre(8, 5)));
    trains::CTrainItem* loco = vehicleOn(8, 5);
    ASSERT_NE(loco, nullptr);
    ASSERT_TRUE(dragOnto(*payload("CTrainTypeItem", vehicle("客車/PassengerCar01.zn3")),
                         markerPoint(loco)));
    ASSERT_EQ(loco->trainMembers().size(), 2u);
    trains::CTrainItem* car = loco->trainMembers().back();
    const trains::VehicleId carId = car->id();

    // Pressing on the car's marker and moving the start-drag distance starts the drag.
    const QString type = editor::mimeTypeFor("CTrainItem");
    QWidget* viewport = frame->view().viewport();
    const QPoint press = markerPoint(car) - frame->view().scrollPosition();
    auto send = [&](QEvent::Type kind, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent event(kind, QPointF(at), viewport->mapToGlobal(QPointF(at)), button, held, {});
        QCoreApplication::sendEvent(viewport, &event);
    };
    model::clearSelection();
    model::setSelection(0, {12, 5}, {12, 5});
    const auto selectedColumn = model::selection().minColumn;
    const auto selectedCount = model::selectionCount();
    QByteArray bytes;
    auto takePayload = [&] {
        if (auto* drag = frame->view().findChild<QDrag*>(); drag && bytes.isEmpty()) {
            bytes = drag->mimeData()->data(type);
        }
    };
    send(QEvent::MouseButtonPress, press, Qt::LeftButton, Qt::LeftButton);
    QTimer::singleShot(0, [&] {
        takePayload();
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, {});
        QCoreApplication::sendEvent(viewport, &esc);
    });
    send(QEvent::MouseMove, press + QPoint(QApplication::startDragDistance() + 2, 0), Qt::NoButton,
         Qt::LeftButton);
    takePayload();
    send(QEvent::MouseButtonRelease, press, Qt::LeftButton, {});
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(bytes.size(), 16);
    EXPECT_EQ(editor::vehicleFromDragBytes(bytes), std::optional<trains::VehicleId>(carId));
    // The press left the selection alone: the marker lies over the board.
    EXPECT_EQ(model::selection().minColumn, selectedColumn);
    EXPECT_EQ(model::selectionCount(), selectedCount);
    QMimeData dragged;
    dragged.setData(type, bytes);

    // Refused: the monorail, a cell without track, its own marker, another process's bytes.
    QByteArray foreign = bytes;
    foreign[7] = static_cast<char>(foreign[7] ^ 0x5A);
    QMimeData stranger;
    stranger.setData(type, foreign);
    struct Refused {
        const char* name;
        const QMimeData* data;
        QPoint at;
    };
    for (const Refused r : {Refused{"monorail track", &dragged, cellCentre(3, 12)},
                            Refused{"no track", &dragged, cellCentre(20, 2)},
                            Refused{"its own marker", &dragged, markerPoint(car)},
                            Refused{"its own train", &dragged, markerPoint(loco)},
                            Refused{"another process", &stranger, cellCentre(5, 9)}}) {
        SCOPED_TRACE(r.name);
        EXPECT_FALSE(dragOnto(*r.data, r.at));
        EXPECT_EQ(trains::findVehicle(carId), car);
        EXPECT_FALSE(trains::isQueuedForDeletion(carId));
        EXPECT_EQ(loco->trainMembers().size(), 2u);
    }
    EXPECT_EQ(vehicleOn(3, 12), nullptr);

    // Onto a locomotive on a single tile of track: there is no room behind it, so the car
    // stays in its own train.
    ASSERT_TRUE(placePiece(track("基本/Straight.zn3"), 20, 2));
    ASSERT_TRUE(
        dragOnto(*payload("CTrainTypeItem", vehicle("機関車/EL01.zn3")), cellCentre(20, 2)));
    trains::CTrainItem* alone = vehicleOn(20, 2);
    ASSERT_NE(alone, nullptr);
    EXPECT_FALSE(dragOnto(dragged, markerPoint(alone)));
    EXPECT_EQ(alone->trainMembers().size(), 1u);
    ASSERT_EQ(loco->trainMembers().size(), 2u);
    EXPECT_EQ(loco->trainMembers().back(), car);

    // Onto another rail track: the car leaves the train and stands there.
    const std::size_t count = vehicleCount();
    ASSERT_TRUE(dragOnto(dragged, cellCentre(5, 9)));
    EXPECT_TRUE(trains::isQueuedForDeletion(carId));
    trains::flushVehicleDeletions();
    EXPECT_EQ(trains::findVehicle(carId), nullptr);
    EXPECT_EQ(vehicleCount(), count);
    EXPECT_EQ(loco->trainMembers().size(), 1u);
    trains::CTrainItem* moved = vehicleOn(5, 9);
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(moved->typeCode(), trains::TypeRailCar);
    EXPECT_EQ(moved->modelName(), "PassengerCar01.zn3");
    // The old identity is gone: its bytes are refused now.
    EXPECT_FALSE(dragOnto(dragged, cellCentre(6, 9)));

    // Onto the locomotive's marker: it joins that train at the rear.
    QMimeData again;
    again.setData(type, editor::vehicleDragBytes(moved->id()));
    ASSERT_TRUE(dragOnto(again, markerPoint(loco)));
    ASSERT_EQ(loco->trainMembers().size(), 2u);
    EXPECT_EQ(loco->trainMembers().back(), moved);
    EXPECT_EQ(vehicleOn(5, 9), nullptr);

    // From that train onto another locomotive's marker: it leaves the first train for the
    // second.
    ASSERT_TRUE(dragOnto(*payload("CTrainTypeItem", vehicle("機関車/EL01.zn3")), cellCentre(4, 9)));
    trains::CTrainItem* other = vehicleOn(4, 9);
    ASSERT_NE(other, nullptr);
    ASSERT_TRUE(dragOnto(again, markerPoint(other)));
    EXPECT_EQ(loco->trainMembers().size(), 1u);
    ASSERT_EQ(other->trainMembers().size(), 2u);
    EXPECT_EQ(other->trainMembers().back(), moved);
}

// Draw flag 0x8 of the structure model on a vehicle's tile hides the vehicle's picture, while
// its marker still takes the right click.
TEST_F(CatalogueDropTest, DrawFlag8OfTheTileStructureHidesTheMarkerPicture) {
    makeFrame();
    frame->show();
    ASSERT_TRUE(placePiece(track("基本/StraightKind1.zn3"), 3, 3));
    model::CTrackItem* tile = model::tileAt(0, {3, 3});
    ASSERT_NE(tile, nullptr);
    ASSERT_TRUE(tile->hasStructure());
    ASSERT_EQ(tile->getStructure()->getCategory(), 9000);
    items::C3DItemObject* structure = tile->getStructure()->itemModel();
    ASSERT_NE(structure, nullptr);
    const QImage empty = viewPicture();
    ASSERT_TRUE(dragOnto(*payload("CTrainTypeItem", vehicle("機関車/SL01.zn3")), cellCentre(3, 3)));
    trains::CTrainItem* loco = vehicleOn(3, 3);
    ASSERT_NE(loco, nullptr);
    const QRect square(markerPoint(loco) - QPoint(28, 28), QSize(56, 56));
    for (const bool hidden : {true, false, true}) {
        SCOPED_TRACE(hidden);
        structure->setDrawFlags(0x8, hidden);
        EXPECT_EQ(editor::isVehiclePictureShown(*loco), !hidden);
        const QImage picture = viewPicture();
        EXPECT_EQ(picture.copy(square) == empty.copy(square), hidden);
        EXPECT_NE(frame->view().vehicleMenuAt(markerPoint(loco)), nullptr);
    }
    structure->setDrawFlags(0x8, false);
}

namespace {

// Steps the controller by hand on the driven clock while the test lasts.
struct HandSteppedRun {
    HandSteppedRun() { trains::getOrCreateTrainController().setHandStepped(true); }
    ~HandSteppedRun() {
        trains::getOrCreateTrainController().stop(true);
        trains::getOrCreateTrainController().setHandStepped(false);
        trains::controllerClock().useMonotonic();
    }
    HandSteppedRun(const HandSteppedRun&) = delete;
    HandSteppedRun& operator=(const HandSteppedRun&) = delete;
};

fs::path sampleLoop() {
    return fs::path(ZARNOLT_BUILD_DIR) / "bin" / fs::u8path("サンプル") /
           fs::u8path("複線ループ.zrn");
}

} // namespace

// Run with Ctrl+G and driven by hand on the driven clock, the markers move with the trains,
// and the vehicles end exactly where the command-line tool's simulation of the same file, time
// and seed puts them.
TEST_F(CatalogueDropTest, MarkersFollowADrivenRunToWhereTheToolSimulationEnds) {
    makeFrame();
    frame->show();
    ASSERT_TRUE(frame->openLayout(QString::fromStdString(sampleLoop().string())));
    auto* controller = trains::trainController();
    ASSERT_NE(controller, nullptr);
    ASSERT_FALSE(controller->vehicles().empty());
    trains::CTrainItem* first = controller->vehicles().front();
    const QPoint start = markerPoint(first);
    frame->view().horizontalScrollBar()->setValue(std::max(0, start.x() - 200));
    frame->view().verticalScrollBar()->setValue(std::max(0, start.y() - 200));
    const QImage before = viewPicture();

    constexpr std::uint32_t kSeed = 7;
    constexpr double kSeconds = 12.0;
    const HandSteppedRun handStepped;
    trains::DrivenRun run(kSeed);
    QCoreApplication::processEvents(); // the updates asked for so far have run
    const int posted = editor::markerInvalidator().postedUpdates();
    // The run command is Ctrl+G.
    ASSERT_TRUE(frame->action(1525)->shortcuts().contains(QKeySequence(QStringLiteral("Ctrl+G"))));
    frame->action(1525)->trigger();
    ASSERT_TRUE(controller->isRunning());
    run.runUntil(2.0);
    QCoreApplication::processEvents();
    EXPECT_GT(editor::markerInvalidator().postedUpdates(), posted);
    EXPECT_NE(markerPoint(first), start);
    EXPECT_NE(viewPicture(), before);
    run.runUntil(kSeconds);
    ASSERT_EQ(run.steps(), static_cast<std::int64_t>(kSeconds / 0.003));
    const trains::SimulationResult ran = run.result();

    testsupport::TempFolder scratch;
    const auto simulated = testsupport::runCli(
        {"simulate", sampleLoop().string(), "--seconds", "12", "--seed", "7", "--json"}, scratch);
    ASSERT_EQ(simulated.exitCode, 0) << simulated.err;
    const auto json = nlohmann::json::parse(simulated.out);
    EXPECT_EQ(json["steps"].get<std::int64_t>(), ran.steps);
    const auto& vehicles = json["vehicles"];
    ASSERT_EQ(vehicles.size(), ran.vehicles.size());
    for (std::size_t k = 0; k < ran.vehicles.size(); ++k) {
        SCOPED_TRACE(k);
        const auto& v = ran.vehicles[k];
        EXPECT_EQ(vehicles[k]["column"].get<int>(), v.column);
        EXPECT_EQ(vehicles[k]["row"].get<int>(), v.row);
        EXPECT_EQ(vehicles[k]["layer"].get<int>(), v.layer);
        EXPECT_EQ(vehicles[k]["line"].get<int>(), v.line);
        EXPECT_EQ(vehicles[k]["point"].get<double>(), v.pointIndex);
        EXPECT_EQ(vehicles[k]["speed"].get<double>(), v.speed);
    }
    const auto& events = json["events"];
    ASSERT_EQ(events.size(), ran.events.size());
    for (std::size_t k = 0; k < ran.events.size(); ++k) {
        EXPECT_EQ(events[k]["kind"].get<std::string>(), ran.events[k].kind);
        EXPECT_EQ(events[k]["vehicle"].get<int>(), ran.events[k].vehicle);
        EXPECT_EQ(events[k]["time"].get<double>(), ran.events[k].time);
    }
}

// With the preference to freeze the layout while running, the view shows its last picture as
// long as trains run beside a 3D window; without it, the markers are drawn where they are.
TEST_F(CatalogueDropTest, FrozenLayoutShowsItsLastPictureWhileTrainsRun) {
    makeFrame();
    frame->show();
    ASSERT_TRUE(frame->openLayout(QString::fromStdString(sampleLoop().string())));
    auto* controller = trains::trainController();
    ASSERT_NE(controller, nullptr);
    ASSERT_FALSE(controller->vehicles().empty());
    const QPoint start = markerPoint(controller->vehicles().front());
    frame->view().horizontalScrollBar()->setValue(std::max(0, start.x() - 200));
    frame->view().verticalScrollBar()->setValue(std::max(0, start.y() - 200));
    auto& hooks = editor::editorHooks();
    const auto had3DWindow = hooks.has3DWindow;
    bool windowOpen = true;
    hooks.has3DWindow = [&windowOpen] { return windowOpen; };
    model::currentDocument()->setPreferenceFlag(model::PrefFreezeLayoutWhileRunning, true);
    const QImage before = viewPicture();
    {
        const HandSteppedRun handStepped;
        trains::DrivenRun run(0);
        controller->start();
        EXPECT_TRUE(frame->view().isLayoutFrozen());
        run.runUntil(2.0);
        QCoreApplication::processEvents();
        ASSERT_NE(markerPoint(controller->vehicles().front()), start);
        EXPECT_EQ(viewPicture(), before);
        // Without a 3D window, or without the preference, the view draws the run.
        windowOpen = false;
        EXPECT_FALSE(frame->view().isLayoutFrozen());
        EXPECT_NE(viewPicture(), before);
        windowOpen = true;
        const QImage moved = viewPicture();
        run.runUntil(4.0);
        EXPECT_EQ(viewPicture(), moved);
        model::currentDocument()->setPreferenceFlag(model::PrefFreezeLayoutWhileRunning, false);
        EXPECT_NE(viewPicture(), moved);
    }
    EXPECT_FALSE(frame->view().isLayoutFrozen());
    hooks.has3DWindow = had3DWindow;
}

} // namespace dropping

namespace markers {

TEST(VehicleMarkers, HeadingsChooseTheFifteenDegreePicture) {
    struct Case {
        double heading;
        bool reversed;
        int angle;
    };
    for (const Case c :
         {Case{0, false, 0}, Case{8, false, 15}, Case{7.9, false, 0}, Case{352, false, 345},
          Case{353, false, 0}, Case{90, false, 90}, Case{0, true, 180}, Case{8, true, 180},
          Case{10, true, 180}, Case{179, true, 345}, Case{180, true, 0}, Case{187, true, 0},
          Case{270, true, 90}}) {
        SCOPED_TRACE(c.heading);
        EXPECT_EQ(editor::quantisedMarkerAngle(c.heading, c.reversed), c.angle);
    }
}

TEST(VehicleMarkers, PicturesAreTurnedAndWhiteIsTransparent) {
    // The built-in default pictures of the four kinds exist and turn without growing.
    for (std::int32_t type : {1, 9001, 9003, 0}) {
        SCOPED_TRACE(type);
        const QImage upright = editor::vehiclePicture({}, type, 0, false);
        ASSERT_FALSE(upright.isNull());
        EXPECT_EQ(upright.size(), QSize(56, 56));
        EXPECT_EQ(qAlpha(upright.pixel(0, 0)), 0); // the white surround
        const QImage pale = editor::vehiclePicture({}, type, 0, true);
        int opaque = 0;
        for (int y = 0; y < 56; ++y) {
            for (int x = 0; x < 56; ++x) {
                if (qAlpha(pale.pixel(x, y)) != 0) {
                    ++opaque;
                    EXPECT_EQ(pale.pixel(x, y), qRgb(208, 208, 208));
                }
            }
        }
        EXPECT_GT(opaque, 100);
        EXPECT_NE(editor::vehiclePicture({}, type, 90, false), upright);
    }
}

TEST(VehicleMarkers, RequestsFromManyThreadsPostOneUpdate) {
    QWidget target;
    editor::CoalescingInvalidator invalidator;
    invalidator.setTarget(&target);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 1000; ++i) {
                invalidator.request();
            }
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    EXPECT_EQ(invalidator.postedUpdates(), 1);
    QCoreApplication::processEvents();
    invalidator.request(); // after the update ran, the next request posts again
    EXPECT_EQ(invalidator.postedUpdates(), 2);
    QCoreApplication::processEvents();
}

// Past column 819 a grid point no longer fits the record's 16 bits; the marker still stands
// at the vehicle, is found there, and heads along the track.
TEST(VehicleMarkers, StandAtTheirVehicleOnTheFarSideOfAWideBoard) {
    model::CZarnoltDocument document(900, 3);
    for (std::int16_t c = 840; c < 860; ++c) {
        model::createTile({c, 1}, 0)->setShape(1);
    }
    trains::CTrainItem* vehicle =
        trains::createVehicle(model::tileAt(0, {850, 1}), trains::TypeElectric, "EL01.zn3");
    ASSERT_NE(vehicle, nullptr);
    trains::getOrCreateTrainController().addVehicle(vehicle);
    int x = 0;
    int z = 0;
    ASSERT_TRUE(vehicle->boardPoint1(x, z));
    EXPECT_GE(x, 850 * 40);
    EXPECT_LE(x, 851 * 40);
    EXPECT_EQ(editor::vehicleMarkerAt(0, QPoint(x, z)), vehicle);
    // Where the 16-bit record's value would have put it.
    EXPECT_EQ(editor::vehicleMarkerAt(0, QPoint(x - 65536, z)), nullptr);
    const double heading = editor::markerHeading(*vehicle);
    EXPECT_TRUE(heading == 0.0 || heading == 180.0) << heading;
    trains::deleteAllVehicles();
    model::deleteAllTiles();
}

} // namespace markers

} // namespace
