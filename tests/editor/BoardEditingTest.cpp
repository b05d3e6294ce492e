#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDrag>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <set>
#include <vector>

#include "EditorFixture.h"
#include "editing/Clipboard.h"
#include "editing/EditCommands.h"
#include "editing/UndoStore.h"
#include "editor/CRenumberSwitchWindow.h"
#include "editor/CZarnolt3DView.h"
#include "editor/SystemClipboard.h"
#include "editor/UiTexts.h"
#include "model/CTrackItem.h"
#include "model/PointNumbers.h"
#include "model/TrackTiles.h"

namespace editortest {
namespace {

using editor::kTilePixels;

QPoint centre(QPoint cell) {
    return QPoint(cell.x() * kTilePixels + 20, cell.y() * kTilePixels + 20);
}

QString uiString(editor::TextKind kind, int id) {
    const auto t = editor::uiText(kind, id);
    return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()));
}

class BoardEditingTest : public EditorFixture {
protected:
    void TearDown() override {
        QGuiApplication::clipboard()->clear();
        EditorFixture::TearDown();
    }
    QWidget* viewport() { return frame->view().viewport(); }
    // One mouse event on the viewport at a cell's centre.
    void mouse(QEvent::Type type, QPoint cell, Qt::KeyboardModifiers modifiers = {}) {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease
                                          ? Qt::MouseButtons{}
                                          : Qt::MouseButtons{Qt::LeftButton};
        const QPointF at(centre(cell));
        QMouseEvent event(type, at, viewport()->mapToGlobal(at), button, held, modifiers);
        QApplication::sendEvent(viewport(), &event);
    }
    void key(int k, Qt::KeyboardModifiers modifiers = {}) {
        QKeyEvent event(QEvent::KeyPress, k, modifiers);
        QApplication::sendEvent(&frame->view(), &event);
    }
    // A tile whose lines branch, so that it carries a point.
    static model::CTrackItem* pointTile(int column, int row, int number = 0) {
        auto* tile = model::getOrCreateTile(
            {static_cast<std::int16_t>(column), static_cast<std::int16_t>(row)}, 0);
        tile->addShape(1, 1);
        tile->addShape(2, 1);
        EXPECT_NE(tile->pointItem(), nullptr);
        if (number > 0) {
            tile->setPointNumber(number);
        }
        return tile;
    }
    static model::CTrackItem* plainTile(int column, int row, int shape = 1) {
        auto* tile = model::getOrCreateTile(
            {static_cast<std::int16_t>(column), static_cast<std::int16_t>(row)}, 0);
        tile->setShape(shape);
        return tile;
    }
    // The tile-block bytes of a rectangle; the selection is set back afterwards.
    static std::vector<std::uint8_t> blockOf(model::TilePos a, model::TilePos b) {
        const auto before = model::selection();
        const int count = model::selectionCount();
        model::setSelection(0, a, b);
        auto block = editing::copySelection();
        if (count > 0) {
            model::setSelection(before.layer, {before.minColumn, before.minRow},
                                {before.maxColumn, before.maxRow});
        } else {
            model::clearSelection();
        }
        return block.value_or(std::vector<std::uint8_t>{});
    }
    static void expectSelection(QPoint first, QPoint last) {
        const auto sel = model::selection();
        ASSERT_GT(model::selectionCount(), 0);
        EXPECT_EQ(sel.layer, 0);
        EXPECT_EQ(QPoint(sel.minColumn, sel.minRow), first);
        EXPECT_EQ(QPoint(sel.maxColumn, sel.maxRow), last);
        EXPECT_EQ(model::selectionCount(), (last.x() - first.x() + 1) * (last.y() - first.y() + 1));
    }
    QString path(const std::string& name) {
        return QString::fromStdString((folder / name).string());
    }
    void saveAs(const std::string& name) {
        prompter.files.push_back(path(name));
        frame->action(57604)->trigger();
        ASSERT_TRUE(std::filesystem::exists(folder / name));
    }
    // The command-line tool's JSON dump of a saved layout.
    QByteArray dump(const std::string& name) {
        QProcess cli;
        cli.start(QStringLiteral(ZARNOLT_BUILD_DIR "/bin/zarnolt-cli"),
                  {QStringLiteral("dump"), path(name)});
        EXPECT_TRUE(cli.waitForFinished(60000));
        EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
        return cli.readAllStandardOutput();
    }
};

// Mouse scripts on empty cells: the selection they leave.
TEST_F(BoardEditingTest, MouseScriptsSelectRectangles) {
    struct Step {
        QEvent::Type type; // press, move, release, or KeyPress for Esc
        QPoint cell;
        Qt::KeyboardModifiers modifiers;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        QPoint first;
        QPoint last;
    };
    const auto press = QEvent::MouseButtonPress;
    const auto move = QEvent::MouseMove;
    const auto release = QEvent::MouseButtonRelease;
    const std::vector<Case> cases = {
        {"click then shift-click",
         {{press, {3, 2}, {}},
          {release, {3, 2}, {}},
          {press, {5, 4}, Qt::ShiftModifier},
          {release, {5, 4}, Qt::ShiftModifier}},
         {3, 2},
         {5, 4}},
        {"drag back past the start",
         {{press, {5, 4}, {}}, {move, {3, 3}, {}}, {move, {1, 1}, {}}, {release, {1, 1}, {}}},
         {1, 1},
         {5, 4}},
        {"drag out and back to the start",
         {{press, {3, 2}, {}}, {move, {5, 4}, {}}, {move, {3, 2}, {}}, {release, {3, 2}, {}}},
         {3, 2},
         {3, 2}},
        {"Esc drops the drag",
         {{press, {2, 2}, {}},
          {move, {6, 6}, {}},
          {QEvent::KeyPress, {}, {}},
          {move, {7, 7}, {}},
          {release, {7, 7}, {}}},
         {2, 2},
         {2, 2}},
    };
    makeFrame();
    frame->show();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        model::clearSelection();
        for (const auto& s : c.steps) {
            if (s.type == QEvent::KeyPress) {
                key(Qt::Key_Escape);
            } else {
                mouse(s.type, s.cell, s.modifiers);
            }
        }
        expectSelection(c.first, c.last);
    }
}

TEST_F(BoardEditingTest, TurningActsOnlyOnASingleSelectedTile) {
    makeFrame();
    pointTile(1, 1);
    plainTile(2, 1);
    const auto before = blockOf({1, 1}, {2, 1});

    model::setSelection(0, {1, 1}, {2, 1});
    frame->updateCommands();
    ASSERT_TRUE(frame->action(1326)->isEnabled()); // the top-left cell holds a tile
    frame->action(1326)->trigger();
    EXPECT_EQ(blockOf({1, 1}, {2, 1}), before);
    EXPECT_FALSE(frame->isModified());
    EXPECT_FALSE(frame->action(57643)->isEnabled());

    // The same command on one tile turns it.
    model::setSelection(0, {1, 1}, {1, 1});
    frame->action(1326)->trigger();
    EXPECT_NE(blockOf({1, 1}, {2, 1}), before);
    EXPECT_TRUE(frame->isModified());
}

// Each edit, then undo twice: the first undo restores the tiles, the second the edit.
TEST_F(BoardEditingTest, UndoTwiceReturnsToTheEditedState) {
    struct Case {
        const char* name;
        int command; // 0: the Delete key
        QPoint first;
        QPoint last;
    };
    const std::vector<Case> cases = {
        {"turn 90", 1326, {1, 1}, {1, 1}},
        {"turn 270", 1328, {1, 1}, {1, 1}},
        {"mirror top-bottom", 1330, {1, 1}, {1, 1}},
        {"delete", 1331, {1, 1}, {2, 1}},
        {"cut", 57635, {1, 1}, {2, 1}},
        {"Delete key", 0, {1, 1}, {2, 1}},
    };
    makeFrame();
    frame->show();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        frame->newLayout();
        pointTile(1, 1, 4);
        plainTile(2, 1, 2);
        const auto original = blockOf({0, 0}, {3, 3});
        model::setSelection(
            0, {static_cast<std::int16_t>(c.first.x()), static_cast<std::int16_t>(c.first.y())},
            {static_cast<std::int16_t>(c.last.x()), static_cast<std::int16_t>(c.last.y())});
        frame->updateCommands();
        if (c.command == 0) {
            key(Qt::Key_Delete);
        } else {
            ASSERT_TRUE(frame->action(c.command)->isEnabled());
            frame->action(c.command)->trigger();
        }
        const auto edited = blockOf({0, 0}, {3, 3});
        ASSERT_NE(edited, original);
        frame->updateCommands();
        ASSERT_TRUE(frame->action(57643)->isEnabled());
        frame->action(57643)->trigger();
        EXPECT_EQ(blockOf({0, 0}, {3, 3}), original);
        frame->action(57643)->trigger();
        EXPECT_EQ(blockOf({0, 0}, {3, 3}), edited);
        frame->setModified(false);
    }
}

TEST_F(BoardEditingTest, TwoTilesPastedIntoFiveCellsRepeatThePattern) {
    makeFrame();
    plainTile(1, 1);
    pointTile(2, 1);
    model::setSelection(0, {1, 1}, {2, 1});
    frame->updateCommands();
    frame->action(57634)->trigger(); // copy
    ASSERT_TRUE(QGuiApplication::clipboard()->mimeData()->hasFormat(
        QStringLiteral("application/x-zarnolt-CTrackItem")));
    model::setSelection(0, {1, 3}, {5, 3});
    frame->updateCommands();
    ASSERT_TRUE(frame->action(1334)->isEnabled());
    frame->action(1334)->trigger();
    const std::size_t expected[] = {1, 2, 1, 2, 1};
    for (int c = 1; c <= 5; ++c) {
        SCOPED_TRACE(c);
        const auto* tile = model::tileAt(0, {static_cast<std::int16_t>(c), 3});
        ASSERT_NE(tile, nullptr);
        EXPECT_EQ(tile->lineCount(), expected[c - 1]);
        EXPECT_EQ(tile->pointItem() != nullptr, expected[c - 1] == 2);
    }
    // The pasted points took free numbers of their own.
    std::set<int> numbers;
    for (const model::TilePos pos :
         {model::TilePos{2, 1}, model::TilePos{2, 3}, model::TilePos{4, 3}}) {
        numbers.insert(model::tileAt(0, pos)->getPointNumber());
    }
    EXPECT_EQ(numbers.size(), 3u);
    EXPECT_EQ(numbers.count(0), 0u);
}

TEST_F(BoardEditingTest, RenumberDialogReportsRangeAndUsedNumbers) {
    makeFrame();
    auto* tile = pointTile(1, 1, 3);
    pointTile(4, 4, 7);
    struct Try {
        const char* text;
        int message; // 0: accepted
    };
    const std::vector<Try> tries = {
        {"0", editor::StrPointNumberRange},
        {"abc", editor::StrPointNumberRange},
        {"-5", editor::StrPointNumberRange},
        {"", editor::StrPointNumberRange},
        {"7", editor::StrPointNumberUsed},
        {"3", editor::StrPointNumberUsed},
        {"12", 0},
    };
    std::vector<QString> shownTexts;
    prompter.dialogAnswer = [&](QDialog& dialog) {
        auto* renumber = dynamic_cast<editor::CRenumberSwitchWindow*>(&dialog);
        EXPECT_NE(renumber, nullptr);
        if (!renumber) {
            return false;
        }
        EXPECT_EQ(renumber->windowTitle(), QStringLiteral("ポイント番号変更"));
        EXPECT_EQ(renumber->numberEdit()->text(), QStringLiteral("3"));
        EXPECT_EQ(renumber->numberEdit()->maxLength(), 3);
        QPushButton* ok = nullptr;
        for (auto* b : renumber->findChildren<QPushButton*>()) {
            if (b->text() == QStringLiteral("OK")) {
                ok = b;
            }
        }
        EXPECT_NE(ok, nullptr);
        for (const auto& t : tries) {
            SCOPED_TRACE(t.text);
            prompter.messages.clear();
            renumber->numberEdit()->setText(QString::fromUtf8(t.text));
            ok->click();
            if (t.message == 0) {
                EXPECT_TRUE(prompter.messages.isEmpty());
                EXPECT_EQ(renumber->result(), QDialog::Accepted);
            } else {
                EXPECT_EQ(prompter.messages,
                          QStringList{uiString(editor::TextKind::String, t.message)});
                EXPECT_NE(renumber->result(), QDialog::Accepted);
                EXPECT_EQ(tile->getPointNumber(), 3);
            }
        }
        return renumber->result() == QDialog::Accepted;
    };
    model::setSelection(0, {1, 1}, {1, 1});
    frame->prepareTileMenu();
    ASSERT_TRUE(frame->action(1345)->isEnabled());
    frame->action(1345)->trigger();
    EXPECT_EQ(prompter.dialogs, 1);
    EXPECT_EQ(tile->getPointNumber(), 12);
    EXPECT_TRUE(frame->isModified());

    // Cancelled: nothing changes.
    frame->setModified(false);
    prompter.dialogAnswer = nullptr;
    frame->action(1345)->trigger();
    EXPECT_EQ(tile->getPointNumber(), 12);
    EXPECT_FALSE(frame->isModified());

    // Four digits do not fit the edit; the reading rule still puts 1000 out of range.
    EXPECT_EQ(editor::CRenumberSwitchWindow::readNumber(QStringLiteral("1000")), 1000);
    EXPECT_EQ(model::checkPointNumber(1000), model::PointNumberCheck::OutOfRange);
    EXPECT_EQ(editor::CRenumberSwitchWindow::readNumber(QStringLiteral("12a")), 12);
    EXPECT_EQ(editor::CRenumberSwitchWindow::readNumber(QStringLiteral("99999999999999")),
              999999999);
}

TEST_F(BoardEditingTest, DamagedOrForeignClipboardDataChangesNothing) {
    makeFrame(10, 8);
    pointTile(1, 1);
    plainTile(2, 1);
    plainTile(3, 3, 2);
    saveAs("before.zrn");
    const QByteArray before = dump("before.zrn");
    ASSERT_FALSE(before.isEmpty());

    model::setSelection(0, {1, 1}, {2, 1});
    const auto good = editing::copySelection().value();
    const auto bytes = [](const std::vector<std::uint8_t>& v, std::size_t size) {
        return QByteArray(reinterpret_cast<const char*>(v.data()),
                          static_cast<qsizetype>(std::min(size, v.size())));
    };
    QByteArray hugeSize = bytes(good, good.size());
    for (int i = 4; i < 12 && i < hugeSize.size(); ++i) {
        hugeSize[i] = char(0x7f); // the sizes after the tag
    }
    struct Case {
        const char* name;
        QString type;
        QByteArray payload;
    };
    const QString ours = QStringLiteral("application/x-zarnolt-CTrackItem");
    const std::vector<Case> cases = {
        {"empty", ours, QByteArray()},
        {"tag only", ours, QByteArray("TrkV")},
        {"foreign tag", ours, QByteArray("Lnd2xxxxxxxxxxxxxxxxxxxxxxxx")},
        {"truncated block", ours, bytes(good, good.size() - 1)},
        {"half a block", ours, bytes(good, good.size() / 2)},
        {"huge sizes", ours, hugeSize},
        {"text from another program", QStringLiteral("text/plain"), QByteArray("TrkV")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto* data = new QMimeData;
        data->setData(c.type, c.payload);
        QGuiApplication::clipboard()->setMimeData(data);
        model::setSelection(0, {0, 0}, {4, 4});
        frame->updateCommands();
        frame->action(57637)->trigger(); // paste (edit menu)
        frame->action(1334)->trigger();  // paste (tile menu)
        EXPECT_FALSE(frame->isModified());
        frame->updateCommands();
        EXPECT_FALSE(frame->action(57643)->isEnabled()); // not even an undo snapshot
    }
    frame->action(57603)->trigger(); // save
    EXPECT_EQ(dump("before.zrn"), before);
}

// Edits by mouse, keys and commands, saved and read back, give the layout that the editing
// library gives for the same edits.
TEST_F(BoardEditingTest, EditSaveAndReloadMatchTheEditsOfTheLibrary) {
    const auto layout = [] {
        plainTile(1, 1);
        pointTile(2, 1);
    };
    // The same edits through the editing library alone.
    makeFrame(10, 8);
    layout();
    {
        editing::UndoStore undo;
        editing::MemoryClipboard clipboard;
        model::setSelection(0, {1, 1}, {1, 1});
        ASSERT_TRUE(editing::runEditCommand(editing::CmdRotate90, undo, clipboard));
        model::setSelection(0, {0, 1}, {2, 1});
        ASSERT_TRUE(editing::runEditCommand(editing::CmdCopy, undo, clipboard));
        model::setSelection(0, {0, 4}, {5, 4});
        ASSERT_TRUE(editing::runEditCommand(editing::CmdPaste, undo, clipboard));
        model::setSelection(0, {1, 6}, {3, 6});
        ASSERT_TRUE(editing::runEditCommand(editing::CmdPaste, undo, clipboard));
        model::clearSelection();
    }
    saveAs("expected.zrn");
    const QByteArray expected = dump("expected.zrn");
    frame.reset();
    model::releaseCreatedDocument();

    makeFrame(10, 8);
    layout();
    frame->show();
    mouse(QEvent::MouseButtonPress, {1, 1}); // the plain tile: selected
    mouse(QEvent::MouseButtonRelease, {1, 1});
    expectSelection({1, 1}, {1, 1});
    frame->action(1326)->trigger();          // turn 90°
    mouse(QEvent::MouseButtonPress, {0, 1}); // an empty cell: a rectangle drag
    mouse(QEvent::MouseMove, {2, 1});
    mouse(QEvent::MouseButtonRelease, {2, 1});
    expectSelection({0, 1}, {2, 1});
    frame->action(57634)->trigger(); // copy
    mouse(QEvent::MouseButtonPress, {0, 4});
    mouse(QEvent::MouseButtonRelease, {0, 4});
    mouse(QEvent::MouseButtonPress, {5, 4}, Qt::ShiftModifier);
    mouse(QEvent::MouseButtonRelease, {5, 4}, Qt::ShiftModifier);
    expectSelection({0, 4}, {5, 4});
    frame->updateCommands();
    frame->action(57637)->trigger(); // paste
    mouse(QEvent::MouseButtonPress, {1, 6});
    mouse(QEvent::MouseButtonRelease, {1, 6});
    mouse(QEvent::MouseButtonPress, {3, 6}, Qt::ShiftModifier);
    mouse(QEvent::MouseButtonRelease, {3, 6}, Qt::ShiftModifier);
    frame->updateCommands();
    frame->action(1334)->trigger(); // paste (tile menu)
    ASSERT_TRUE(frame->isModified());
    saveAs("edited.zrn");
    const QByteArray edited = dump("edited.zrn");
    EXPECT_EQ(edited, expected);

    // Read back: the pasted pattern and the turned tile are there.
    frame->action(57600)->trigger();
    prompter.files.push_back(path("edited.zrn"));
    frame->action(57601)->trigger();
    for (int c = 0; c <= 5; ++c) {
        SCOPED_TRACE(c);
        const auto* tile = model::tileAt(0, {static_cast<std::int16_t>(c), 4});
        EXPECT_EQ(tile != nullptr && !tile->isEmpty(), c % 3 != 0);
    }
    EXPECT_EQ(model::tileAt(0, {1, 6}), nullptr);
    ASSERT_NE(model::tileAt(0, {3, 6}), nullptr);
    EXPECT_NE(model::tileAt(0, {3, 6})->pointItem(), nullptr);
    saveAs("again.zrn");
    EXPECT_EQ(dump("again.zrn"), edited);
}

TEST_F(BoardEditingTest, MenuKeysOpenTheTileMenuAtTheSelection) {
    makeFrame();
    plainTile(2, 2);
    frame->show();
    model::setSelection(0, {2, 2}, {2, 2});
    for (const auto& [k, modifiers] : std::vector<std::pair<int, Qt::KeyboardModifiers>>{
             {Qt::Key_Menu, {}}, {Qt::Key_F10, Qt::ShiftModifier}}) {
        SCOPED_TRACE(k);
        QWidget* shown = nullptr;
        QPoint where;
        QTimer::singleShot(0, [&] {
            shown = QApplication::activePopupWidget();
            if (shown) {
                where = shown->pos();
                shown->close();
            }
        });
        key(k, modifiers);
        EXPECT_EQ(shown, frame->trackMenu());
        const QPoint cell = frame->view().viewport()->mapToGlobal(centre({2, 2}));
        EXPECT_EQ(where, cell);
    }
    // A right click outside the selection first selects the clicked tile.
    model::setSelection(0, {5, 5}, {6, 6});
    QWidget* menu = nullptr;
    QTimer::singleShot(0, [&] {
        menu = QApplication::activePopupWidget();
        if (menu) {
            menu->close();
        }
    });
    QContextMenuEvent right(QContextMenuEvent::Mouse, centre({2, 2}),
                            frame->view().viewport()->mapToGlobal(centre({2, 2})));
    QApplication::sendEvent(frame->view().viewport(), &right);
    EXPECT_EQ(menu, frame->trackMenu());
    expectSelection({2, 2}, {2, 2});

    // F10 alone is not the menu key.
    QWidget* shown = nullptr;
    QTimer::singleShot(0, [&] {
        shown = QApplication::activePopupWidget();
        if (shown) {
            shown->close();
        }
    });
    key(Qt::Key_F10);
    QApplication::processEvents();
    EXPECT_EQ(shown, nullptr);
}

} // namespace
} // namespace editortest

namespace editortest {
namespace {

// A tile drag starts only after the start-drag distance and never from a point box; the drag
// is dropped with Esc, which leaves the tiles as they were.
TEST_F(BoardEditingTest, TileDragStartsAfterTheStartDistanceAndNotFromAPointBox) {
    makeFrame();
    auto* plain = plainTile(2, 2);
    auto* point = pointTile(4, 2, 9);
    frame->show();
    const auto before = blockOf({0, 0}, {6, 6});
    const int distance = QApplication::startDragDistance();
    const auto box = point->pointItem()->getRect();
    const QPoint boxCentre(4 * kTilePixels + (box.left + box.right) / 2,
                           2 * kTilePixels + (box.top + box.bottom) / 2);
    // A spot of the point tile away from its box.
    QPoint offBox(4 * kTilePixels + 20, 2 * kTilePixels + 20);
    for (int y = 2; y < kTilePixels - 2; y += 4) {
        for (int x = 2; x < kTilePixels - 2; x += 4) {
            const bool inBox = x >= box.left && x < box.right && y >= box.top && y < box.bottom;
            if (!inBox) {
                offBox = QPoint(4 * kTilePixels + x, 2 * kTilePixels + y);
            }
        }
    }
    struct Case {
        const char* name;
        QPoint press;
        int moveBy;
        bool drags;
    };
    const std::vector<Case> cases = {
        {"short move on a tile", centre({2, 2}), distance - 1, false},
        {"long move on a tile", centre({2, 2}), distance + 2, true},
        {"long move from a point box", boxCentre, distance + 10, false},
        {"long move on a point tile off its box", offBox, distance + 2, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        bool dragging = false;
        bool ended = false;
        auto send = [this](QEvent::Type type, QPoint at, Qt::MouseButton button,
                           Qt::MouseButtons held) {
            QMouseEvent event(type, QPointF(at), viewport()->mapToGlobal(QPointF(at)), button, held,
                              {});
            QApplication::sendEvent(viewport(), &event);
        };
        send(QEvent::MouseButtonPress, c.press, Qt::LeftButton, Qt::LeftButton);
        QTimer::singleShot(0, [&] {
            dragging = frame->view().findChild<QDrag*>() != nullptr;
            QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, {});
            QApplication::sendEvent(viewport(), &esc);
            ended = true;
        });
        send(QEvent::MouseMove, c.press + QPoint(c.moveBy, 0), Qt::NoButton, Qt::LeftButton);
        // Where the platform has no drag, exec returns at once and leaves the drag object to
        // be deleted later.
        dragging = dragging || frame->view().findChild<QDrag*>() != nullptr;
        send(QEvent::MouseButtonRelease, c.press + QPoint(c.moveBy, 0), Qt::LeftButton, {});
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(ended);
        EXPECT_EQ(dragging, c.drags);
        point->pointItem()->setOccupant(0);
        EXPECT_EQ(blockOf({0, 0}, {6, 6}), before);
        EXPECT_NE(model::validTile(plain), nullptr);
    }
}

} // namespace
} // namespace editortest
