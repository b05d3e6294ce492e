#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>

#include <set>
#include <string>

#include "EditorFixture.h"
#include "editor/QtTranslation.h"
#include "editor/UiTexts.h"

#include <QCoreApplication>

namespace editortest {
namespace {

using editor::TextKind;

struct Expected {
    int id;
    const char* text;
    const char* keys;
};

// Texts whose full-width or half-width forms are easy to get wrong, spelled as UTF-8 bytes
// where the form matters.
const Expected kTricky[] = {
    {1326, "\xEF\xBC\x99\xEF\xBC\x90\xC2\xB0\xE5\x9B\x9E\xE8\xBB\xA2", "Ctrl+R"}, // ９０°回転
    {1327, "１８０°回転", ""},
    {1626, "\xE9\xAB\x98\xE6\x9E\xB6\xE7\xB7\x9A\xE8\xB7\xAF\xEF\xBC\x91",
     "Ctrl+Alt+2"},                                                             // 高架線路１
    {1230, "\xE5\x88\xB6\xE5\xBE\xA1\xEF\xBC\x9A\xE9\x81\x8B\xE8\xBB\xA2", ""}, // 制御：運転
    {1228, "機関車・客車・貨車", ""},
    {59392, "\xE3\x83\x84\xE3\x83\xBC\xE3\x83\xAB \xE3\x83\x90\xE3\x83\xBC(&T)",
     ""}, // ツール バー(&T)
    {57604, "名前を付けて保存(&A)...", ""},
    {57664, "バージョン情報 Zarnolt3D(&A)...", ""},
    {57643, "元に戻す", "Ctrl+Z, Alt+Backspace"},
    {57635, "切り取り", "Ctrl+X, Shift+Del"},
    {57634, "コピー", "Ctrl+C, Ctrl+Ins"},
    {57637, "貼り付け", "Ctrl+V, Shift+Ins"},
    {1630, "地形", "Ctrl+Alt+6"},
    {1128, "右側車窓から", "Ctrl+Shift+4"},
    {1129, "左側車窓から", "Ctrl+Shift+3"},
    {1525, "運転", "Ctrl+G"},
};

class UiTextsTest : public EditorFixture {};

TEST_F(UiTextsTest, TrickyTextsAndKeysAreShownExactly) {
    makeFrame();
    for (const auto& e : kTricky) {
        SCOPED_TRACE(e.id);
        auto* act = frame->action(e.id);
        ASSERT_NE(act, nullptr);
        EXPECT_EQ(act->text().toStdString(), e.text);
        QStringList keys;
        for (const auto& key : act->shortcuts()) {
            keys.append(key.toString(QKeySequence::PortableText));
        }
        EXPECT_EQ(keys.join(QStringLiteral(", ")).toStdString(), e.keys);
    }
}

TEST_F(UiTextsTest, EveryCommandOfTheTableIsAnActionWithItsTextAndKeys) {
    makeFrame();
    int commands = 0;
    for (const auto& entry : editor::uiTexts()) {
        if (entry.kind != TextKind::Command) {
            continue;
        }
        ++commands;
        SCOPED_TRACE(entry.id);
        auto* act = frame->action(entry.id);
        ASSERT_NE(act, nullptr);
        if (entry.id != 1525) { // run reads "運転" or "停止" as the trains run
            EXPECT_EQ(act->text().toStdString(), std::string(entry.text));
        }
        QList<QKeySequence> expected;
        const QString all = QString::fromUtf8(entry.keys.data(), entry.keys.size());
        if (!all.isEmpty()) {
            for (const auto& k : all.split(QStringLiteral(", "))) {
                expected.append(QKeySequence::fromString(k, QKeySequence::PortableText));
            }
        }
        EXPECT_EQ(act->shortcuts(), expected);
    }
    EXPECT_EQ(static_cast<std::size_t>(commands), frame->actions().size());
}

TEST_F(UiTextsTest, NoTwoCommandsShareAKey) {
    makeFrame();
    std::set<QString> seen;
    for (const auto& [id, act] : frame->actions()) {
        for (const auto& key : act->shortcuts()) {
            EXPECT_TRUE(seen.insert(key.toString()).second)
                << id << " " << key.toString().toStdString();
        }
    }
}

TEST_F(UiTextsTest, EveryEntryIsUniqueAndOnlyOurTextsAreMarkedOurs) {
    std::set<std::pair<int, int>> keys;
    for (const auto& entry : editor::uiTexts()) {
        EXPECT_TRUE(keys.insert({static_cast<int>(entry.kind), entry.id}).second) << entry.id;
        EXPECT_FALSE(entry.gloss.empty()) << entry.id;
        if (entry.kind == TextKind::Command || entry.kind == TextKind::String) {
            EXPECT_FALSE(entry.ours) << entry.id;
        }
    }
    const auto* untitled = editor::findUiText(TextKind::Message, editor::MsgUntitled);
    ASSERT_NE(untitled, nullptr);
    EXPECT_TRUE(untitled->ours);
    EXPECT_EQ(untitled->text, "無題");
}

TEST_F(UiTextsTest, MenuTitlesComeFromTheTable) {
    makeFrame();
    const auto menus = frame->menus();
    ASSERT_FALSE(menus.isEmpty());
    for (auto* menu : menus) {
        bool found = false;
        for (const auto& entry : editor::uiTexts()) {
            if (entry.kind == TextKind::MenuTitle &&
                menu->title().toStdString() == std::string(entry.text)) {
                found = true;
            }
        }
        EXPECT_TRUE(found) << menu->title().toStdString();
    }
}

TEST(QtTranslationTest, QtDialogsSpeakJapanese) {
    ASSERT_TRUE(editor::loadQtTranslation(*QCoreApplication::instance()));
    const QString cancel = QCoreApplication::translate("QPlatformTheme", "Cancel");
    EXPECT_NE(cancel, QStringLiteral("Cancel"));
    EXPECT_TRUE(cancel.contains(QStringLiteral("キャンセル"))) << cancel.toStdString();
}

} // namespace
} // namespace editortest
