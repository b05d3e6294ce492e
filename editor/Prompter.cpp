#include "editor/Prompter.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

#include "editor/UiTexts.h"

namespace editor {
namespace {

QString programTitle() {
    return QString::fromLatin1(kProgramTitle.data(), static_cast<qsizetype>(kProgramTitle.size()));
}

} // namespace

std::optional<QString> DialogPrompter::openFile(QWidget* parent, const QString& title,
                                                const QString& folder, const QString& filter) {
    QFileDialog dialog(parent, title, folder, filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().front();
}

std::optional<QString> DialogPrompter::saveFile(QWidget* parent, const QString& title,
                                                const QString& suggestion, const QString& filter) {
    QFileDialog dialog(parent, title, suggestion, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("zrn"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().front();
}

Prompter::SaveAnswer DialogPrompter::askSave(QWidget* parent, const QString& question) {
    const auto answer = QMessageBox::question(
        parent, programTitle(), question,
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Save) {
        return SaveAnswer::Save;
    }
    return answer == QMessageBox::Discard ? SaveAnswer::Discard : SaveAnswer::Cancel;
}

void DialogPrompter::inform(QWidget* parent, const QString& text) {
    QMessageBox::warning(parent, programTitle(), text);
}

bool Prompter::confirm(QWidget* parent, const QString& question) {
    return QMessageBox::question(parent, programTitle(), question,
                                 QMessageBox::Ok | QMessageBox::Cancel,
                                 QMessageBox::Ok) == QMessageBox::Ok;
}

std::optional<QString> Prompter::savePicture(QWidget* parent, const QString& title,
                                             const QString& suggestion, const QString& filter) {
    QFileDialog dialog(parent, title, suggestion, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("png"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().front();
}

bool DialogPrompter::runDialog(QDialog& dialog) {
    return dialog.exec() == QDialog::Accepted;
}

} // namespace editor
