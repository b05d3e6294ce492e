#pragma once
#include <QString>

#include <optional>

class QDialog;
class QPrinter;
class QWidget;

namespace editor {

// Every modal question of the editor goes through one prompter, so that tests answer the
// questions instead of a person (and nothing blocks on a dialog nobody sees).
class Prompter {
public:
    enum class SaveAnswer { Save, Discard, Cancel };

    virtual ~Prompter() = default;
    // A file to open (an existing file) or nothing when cancelled. `filter` is a Qt filter.
    virtual std::optional<QString> openFile(QWidget* parent, const QString& title,
                                            const QString& folder, const QString& filter) = 0;
    // A file name to save under, or nothing when cancelled.
    virtual std::optional<QString> saveFile(QWidget* parent, const QString& title,
                                            const QString& suggestion, const QString& filter) = 0;
    // Whether to save a modified layout before it is replaced or the program ends.
    virtual SaveAnswer askSave(QWidget* parent, const QString& question) = 0;
    // A message the user acknowledges.
    virtual void inform(QWidget* parent, const QString& text) = 0;
    // Runs a dialog (about box, print, print preview, page set-up) modally; true when accepted.
    virtual bool runDialog(QDialog& dialog) = 0;
    // An OK / Cancel question; true for OK. By default a message box.
    virtual bool confirm(QWidget* parent, const QString& question);
    // A file name to save a picture under (default extension "png", asking before replacing a
    // file), or nothing when cancelled. By default a file dialog.
    virtual std::optional<QString> savePicture(QWidget* parent, const QString& title,
                                               const QString& suggestion, const QString& filter);
};

// The prompter of the running program: Qt's file dialogs, message boxes and dialogs.
class DialogPrompter final : public Prompter {
public:
    std::optional<QString> openFile(QWidget* parent, const QString& title, const QString& folder,
                                    const QString& filter) override;
    std::optional<QString> saveFile(QWidget* parent, const QString& title,
                                    const QString& suggestion, const QString& filter) override;
    SaveAnswer askSave(QWidget* parent, const QString& question) override;
    void inform(QWidget* parent, const QString& text) override;
    bool runDialog(QDialog& dialog) override;
};

// Nobody is there to answer (headless runs, benchmarks): every question is declined, no file
// is chosen, no dialog runs, and messages go nowhere unless a subclass reports them.
class DecliningPrompter : public Prompter {
public:
    std::optional<QString> openFile(QWidget*, const QString&, const QString&,
                                    const QString&) override {
        return std::nullopt;
    }
    std::optional<QString> saveFile(QWidget*, const QString&, const QString&,
                                    const QString&) override {
        return std::nullopt;
    }
    SaveAnswer askSave(QWidget*, const QString&) override { return SaveAnswer::Discard; }
    void inform(QWidget*, const QString&) override {}
    bool runDialog(QDialog&) override { return false; }
    bool confirm(QWidget*, const QString&) override { return false; }
    std::optional<QString> savePicture(QWidget*, const QString&, const QString&,
                                       const QString&) override {
        return std::nullopt;
    }
};

} // namespace editor
