#pragma once
#include <gtest/gtest.h>

#include <QImage>
#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <optional>

#include "editor/CMainFrame.h"
#include "editor/CZarnolt3DView.h"
#include "editor/Prompter.h"
#include "model/CZarnoltDocument.h"
#include "platform/Registry.h"
#include "support/TempFolder.h"

namespace editortest {

// A prompter that answers from scripted answers and records the questions it was asked.
class ScriptedPrompter final : public editor::Prompter {
public:
    // Answers of the file dialogs in order; an empty name cancels.
    QStringList files;
    std::deque<SaveAnswer> saveAnswers;
    QStringList messages;
    QStringList questions;
    int dialogs = 0;

    std::optional<QString> openFile(QWidget*, const QString&, const QString& folder,
                                    const QString&) override {
        lastFolder = folder;
        return next();
    }
    std::optional<QString> saveFile(QWidget*, const QString&, const QString&,
                                    const QString&) override {
        return next();
    }
    SaveAnswer askSave(QWidget*, const QString& question) override {
        questions.append(question);
        if (saveAnswers.empty()) {
            return SaveAnswer::Cancel;
        }
        const auto answer = saveAnswers.front();
        saveAnswers.pop_front();
        return answer;
    }
    void inform(QWidget*, const QString& text) override { messages.append(text); }
    // Runs a dialog as the user would: by the test's answer when it gives one, else cancelled.
    std::function<bool(QDialog&)> dialogAnswer;
    bool runDialog(QDialog& dialog) override {
        ++dialogs;
        return dialogAnswer ? dialogAnswer(dialog) : false;
    }
    // Answers of OK / Cancel questions in order; none left answers Cancel.
    std::deque<bool> confirmAnswers;
    bool confirm(QWidget*, const QString& question) override {
        questions.append(question);
        if (confirmAnswers.empty()) {
            return false;
        }
        const bool answer = confirmAnswers.front();
        confirmAnswers.pop_front();
        return answer;
    }
    QString lastFolder;
    // Answers of the picture save dialog, taken from `files` like the other file dialogs.
    std::optional<QString> savePicture(QWidget*, const QString&, const QString&,
                                       const QString&) override {
        return next();
    }

private:
    std::optional<QString> next() {
        if (files.isEmpty()) {
            return std::nullopt;
        }
        const QString f = files.takeFirst();
        if (f.isEmpty()) {
            return std::nullopt;
        }
        return f;
    }
};

// A main frame over a fresh document of a given size, with its own settings store.
class EditorFixture : public ::testing::Test {
protected:
    void makeFrame(int columns = 20, int rows = 15) {
        registry = std::make_unique<platform::Registry>(folder / "settings");
        model::getOrCreateDocument(columns, rows)->newLayout(columns, rows);
        frame = std::make_unique<editor::CMainFrame>(prompter, *registry);
        frame->resize(editor::CMainFrame::kDefaultWidth, editor::CMainFrame::kDefaultHeight);
        frame->view().boardChanged();
    }
    void TearDown() override {
        frame.reset();
        model::releaseCreatedDocument();
    }
    // The view's viewport as painted now.
    QImage viewPicture() {
        frame->show();
        frame->view().viewport()->repaint();
        return frame->view().viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

    testsupport::TempFolder folder;
    ScriptedPrompter prompter;
    std::unique_ptr<platform::Registry> registry;
    std::unique_ptr<editor::CMainFrame> frame;
};

} // namespace editortest
