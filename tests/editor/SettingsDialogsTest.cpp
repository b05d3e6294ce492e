#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include <filesystem>

#include "EditorFixture.h"
#include "editing/BoardResize.h"
#include "editor/CLayoutSizeWindow.h"
#include "editor/CPreferenceProretySheet.h"
#include "editor/EditorHooks.h"
#include "editor/WalkKeyCodes.h"
#include "model/CTrackItem.h"
#include "model/TrackTiles.h"

namespace editortest {
namespace {

using editor::CPreferenceProretyPage1;
using editor::CPreferenceProretySheet;

class SettingsDialogsTest : public EditorFixture {
protected:
    // Saves a screenshot of a dialog next to the build for a person to look at.
    static void keepPicture(QWidget& widget, const char* name) {
        widget.adjustSize();
        widget.show();
        QApplication::processEvents();
        const auto out = std::filesystem::path(ZARNOLT_BUILD_DIR) / "screenshots";
        std::filesystem::create_directories(out);
        widget.grab().save(QString::fromStdString((out / name).string()));
    }
    static QAbstractButton* button(CPreferenceProretySheet& sheet, int id) {
        return qobject_cast<QAbstractButton*>(sheet.page1().control(id));
    }
};

// Every switch row, one at a time from the defaults: toggling its control flips exactly its
// bit, in the sense of the row (a "checked when clear" box sets its bit when unchecked), and
// loading that record back shows the toggled state.
TEST_F(SettingsDialogsTest, EachSwitchRowMapsToItsBit) {
    makeFrame();
    auto base = model::PreferenceData::defaults();
    base.flags = model::PrefNo3DViewOnRun | model::PrefNoATS; // not on the dialog: kept
    base.speedLevel = 7;
    for (const auto& row : CPreferenceProretyPage1::kFlagRows) {
        SCOPED_TRACE(row.id);
        CPreferenceProretySheet sheet(prompter, base, false);
        auto* control = button(sheet, row.id);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->isChecked(), !row.checkedWhenSet) << "defaults shown";
        if (row.id == 3132) {
            control->setEnabled(true); // the disabled choice, set as a stored record may
        }
        control->setChecked(!control->isChecked());
        const auto out = sheet.result(base);
        EXPECT_EQ(out.flags ^ base.flags, row.bit);
        EXPECT_EQ(out.speedLevel, 7);
        EXPECT_EQ(out.newColumns, 11);

        CPreferenceProretySheet again(prompter, out, false);
        EXPECT_EQ(button(again, row.id)->isChecked(), row.checkedWhenSet);
        if (row.id == 3132) {
            EXPECT_FALSE(button(again, 3133)->isChecked());
        }
    }
}

TEST_F(SettingsDialogsTest, SizeColourDefaultsAndBackEndChoice) {
    makeFrame();
    auto data = model::PreferenceData::defaults();
    data.flags = 0xFFFFFFFF;
    data.newColumns = 40;
    data.newRows = 3;
    data.backgroundColour[0] = 10;
    CPreferenceProretySheet sheet(prompter, data, true);
    auto* columns = qobject_cast<QSpinBox*>(sheet.page1().control(3122));
    EXPECT_EQ(columns->value(), 40);
    EXPECT_FALSE(sheet.page1().control(3133)->isEnabled()) << "3D window open";
    EXPECT_FALSE(sheet.page1().control(3132)->isEnabled());
    EXPECT_TRUE(button(sheet, 3132)->isChecked());
    columns->setValue(1200); // the field refuses a size over 999
    EXPECT_EQ(sheet.result(data).newColumns, 999);

    // The defaults button resets every page-1 value but not the keys.
    sheet.page2().beginEdit(3141);
    QTest::keyClick(&sheet.page2(), Qt::Key_Q);
    for (auto* b : sheet.page1().findChildren<QPushButton*>()) {
        if (b->text() == QString::fromUtf8("初期値")) {
            b->click();
        }
    }
    const auto out = sheet.result(data);
    EXPECT_EQ(out.newColumns, 11);
    EXPECT_EQ(out.newRows, 11);
    EXPECT_EQ(out.backgroundColour[0], 0);
    EXPECT_EQ(out.backgroundColour[1], 102);
    std::uint32_t rowBits = 0;
    for (const auto& row : CPreferenceProretyPage1::kFlagRows) {
        rowBits |= row.bit;
    }
    EXPECT_EQ(out.flags, 0xFFFFFFFFu & ~rowBits) << "defaults clear every row's bit only";
    EXPECT_EQ(out.keys[0].keyCode, 'Q');

    CPreferenceProretySheet closed(prompter, data, false);
    EXPECT_TRUE(closed.page1().control(3133)->isEnabled()) << "no 3D window";
}

TEST_F(SettingsDialogsTest, WalkKeyFieldsCaptureOnlyFreeKeys) {
    makeFrame();
    CPreferenceProretySheet sheet(prompter, model::PreferenceData::defaults(), false);
    auto& page = sheet.page2();
    sheet.show();
    sheet.tabs().setCurrentIndex(1);
    EXPECT_EQ(page.field(0)->text(), "W");
    EXPECT_EQ(page.field(2)->text(), "Left arrow");
    EXPECT_EQ(page.field(4)->text(), "Shift");

    // "S" is already the back key: pressing it while editing forward changes nothing.
    QTest::mouseClick(page.field(0), Qt::LeftButton);
    EXPECT_EQ(page.editingField(), 3141);
    EXPECT_TRUE(page.field(0)->styleSheet().contains("255, 0, 0"));
    EXPECT_TRUE(page.field(1)->styleSheet().contains("0, 0, 255"));
    QTest::keyClick(&page, Qt::Key_S);
    EXPECT_EQ(page.keyCode(0), 'W');
    EXPECT_EQ(page.keyCode(1), 'S');
    EXPECT_EQ(page.editingField(), 3141);
    // Space and keys outside the table are passed on.
    QTest::keyClick(&page, Qt::Key_Space);
    QTest::keyClick(&page, Qt::Key_F5);
    EXPECT_EQ(page.keyCode(0), 'W');
    // A free key is taken and ends editing.
    QTest::keyClick(&page, Qt::Key_I);
    EXPECT_EQ(page.keyCode(0), 'I');
    EXPECT_EQ(page.editingField(), 0);
    EXPECT_EQ(page.field(0)->text(), "I");

    // Arrows and Shift are taken once free: free the Up arrow by moving turn-left elsewhere.
    page.beginEdit(3143);
    QTest::keyClick(&page, Qt::Key_Up);
    EXPECT_EQ(page.keyCode(2), 38);
    EXPECT_EQ(page.field(2)->text(), "Up arrow");

    // Switching pages ends editing.
    page.beginEdit(3149);
    sheet.tabs().setCurrentIndex(0);
    EXPECT_EQ(page.editingField(), 0);
    EXPECT_EQ(sheet.result(model::PreferenceData::defaults()).keys[0].keyCode, 'I');
}

TEST_F(SettingsDialogsTest, KeyTableRoundTrips) {
    for (int qt : {int(Qt::Key_Shift), int(Qt::Key_Left), int(Qt::Key_Up), int(Qt::Key_Right),
                   int(Qt::Key_Down), int(Qt::Key_A), int(Qt::Key_Z), int(Qt::Key_0)}) {
        const int vk = editor::virtualKeyFromQtKey(qt);
        EXPECT_NE(vk, 0);
        EXPECT_EQ(editor::qtKeyFromVirtualKey(vk), qt);
    }
    EXPECT_EQ(editor::virtualKeyFromQtKey(Qt::Key_Shift), 16);
    EXPECT_EQ(editor::virtualKeyFromQtKey(Qt::Key_Down), 40);
    // Punctuation whose character code is a navigation key's code is not a walk key.
    EXPECT_EQ(editor::virtualKeyFromQtKey(Qt::Key_Percent), 0);
    EXPECT_EQ(editor::virtualKeyFromQtKey(Qt::Key_Space), 0);
}

TEST_F(SettingsDialogsTest, SettingsCommandStoresOnOkOnly) {
    makeFrame();
    auto* doc = model::currentDocument();
    const auto before = doc->getPreferences();
    prompter.dialogAnswer = [](QDialog& dialog) {
        auto& sheet = dynamic_cast<CPreferenceProretySheet&>(dialog);
        keepPicture(sheet, "settings-general.png");
        sheet.tabs().setCurrentIndex(1);
        keepPicture(sheet, "settings-keys.png");
        qobject_cast<QAbstractButton*>(sheet.page1().control(3130))->setChecked(false);
        return false;
    };
    frame->action(1245)->trigger();
    EXPECT_EQ(doc->getPreferences().toBytes(), before.toBytes()) << "cancel changes nothing";
    prompter.dialogAnswer = [](QDialog& dialog) {
        auto& sheet = dynamic_cast<CPreferenceProretySheet&>(dialog);
        qobject_cast<QAbstractButton*>(sheet.page1().control(3130))->setChecked(false);
        return true;
    };
    frame->action(1245)->trigger();
    EXPECT_EQ(doc->getPreferences().flags, before.flags | model::PrefNoShadows);
}

// Selecting a button leaves it blank and points its neighbours away from it.
TEST_F(SettingsDialogsTest, AnchorButtonsShowArrowsAwayFromTheSelection) {
    makeFrame(11, 11);
    editor::CLayoutSizeWindow dialog(prompter);
    EXPECT_EQ(dialog.alignment(), 4);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(dialog.bitmapOf(i), 9000 + i) << "centre selected";
    }
    dialog.selectAlignment(0);
    const std::array<int, 9> topLeft = {9004, 9005, 9004, 9007, 9008, 9004, 9004, 9004, 9004};
    const std::array<int, 9> bottomRight = {9004, 9004, 9004, 9004, 9000, 9001, 9004, 9003, 9004};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(dialog.bitmapOf(i), topLeft[static_cast<std::size_t>(i)]) << i;
    }
    dialog.selectAlignment(8);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(dialog.bitmapOf(i), bottomRight[static_cast<std::size_t>(i)]) << i;
    }
    keepPicture(dialog, "layout-size.png");
}

TEST_F(SettingsDialogsTest, ShrinkAsksOnlyWhenTilesWouldBeLost) {
    makeFrame(13, 13);
    auto run = [&](int columns, int rows, int alignment) {
        prompter.dialogAnswer = [&](QDialog& dialog) {
            auto& window = dynamic_cast<editor::CLayoutSizeWindow&>(dialog);
            window.columnsBox().setValue(columns);
            window.rowsBox().setValue(rows);
            window.selectAlignment(alignment);
            window.accept();
            return window.result() == QDialog::Accepted;
        };
        frame->action(1325)->trigger();
    };
    auto* doc = model::currentDocument();
    // An empty board shrinks without a question.
    run(12, 12, 0);
    EXPECT_TRUE(prompter.questions.isEmpty());
    EXPECT_EQ(doc->getColumns(), 12);
    EXPECT_TRUE(frame->isModified());

    // A tile in the cut-off column: the question; declining keeps the board.
    auto* tile = model::getOrCreateTile({11, 3}, 0);
    tile->setShape(1);
    run(11, 11, 0);
    ASSERT_EQ(prompter.questions.size(), 1);
    EXPECT_EQ(prompter.questions[0].toStdString(), std::string(editing::kShrinkQuestion));
    EXPECT_EQ(doc->getColumns(), 12);
    // Right alignment keeps the tile: no question.
    run(11, 11, 2);
    EXPECT_EQ(prompter.questions.size(), 1);
    EXPECT_EQ(doc->getColumns(), 11);
    // Agreeing drops it.
    prompter.confirmAnswers = {true};
    run(5, 5, 0);
    EXPECT_EQ(prompter.questions.size(), 2);
    EXPECT_EQ(doc->getColumns(), 5);
}

} // namespace
} // namespace editortest
