#include "editor/CRenumberSwitchWindow.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "editor/Prompter.h"
#include "editor/UiTexts.h"
#include "model/CTrackItem.h"
#include "model/PointNumbers.h"
#include "model/TrackTiles.h"

namespace editor {

namespace {
QString text(TextKind kind, int id) {
    const auto t = uiText(kind, id);
    return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()));
}
constexpr int kMaxDigits = 3;
} // namespace

CRenumberSwitchWindow::CRenumberSwitchWindow(model::CTrackItem& tile, Prompter& prompter,
                                             QWidget* parent)
    : QDialog(parent), layer_(tile.getLayer()), position_(tile.getPosition()), prompter_(prompter) {
    setObjectName(QStringLiteral("renumberDialog"));
    setWindowTitle(text(TextKind::Control, CtlRenumberTitle));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(text(TextKind::Control, CtlRenumberPrompt), this));
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("edit3200"));
    edit_->setMaxLength(kMaxDigits);
    if (tile.pointItem()) {
        edit_->setText(QString::number(tile.getPointNumber()));
    }
    edit_->setCursorPosition(0);
    layout->addWidget(edit_);
    auto* buttons = new QDialogButtonBox(this);
    auto* ok =
        buttons->addButton(text(TextKind::Control, CtlRenumberOk), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    buttons->addButton(text(TextKind::Control, CtlRenumberCancel), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    edit_->setFocus();
}

int CRenumberSwitchWindow::readNumber(const QString& text) {
    const QString t = text.trimmed();
    int i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) {
        negative = t[i] == u'-';
        ++i;
    }
    // The edit holds at most three characters, but pasted or set text may be longer: stop
    // before the value could overflow (anything that long is out of range anyway).
    int value = 0;
    for (int digits = 0; i < t.size() && t[i] >= u'0' && t[i] <= u'9' && digits < 9;
         ++i, ++digits) {
        value = value * 10 + (t[i].unicode() - u'0');
    }
    return negative ? -value : value;
}

void CRenumberSwitchWindow::accept() {
    model::CTrackItem* tile = model::tileAt(layer_, position_);
    if (tile == nullptr) {
        QDialog::reject();
        return;
    }
    switch (model::renumberPoint(*tile, readNumber(edit_->text()))) {
    case model::PointNumberCheck::Accepted:
        QDialog::accept();
        return;
    case model::PointNumberCheck::OutOfRange:
        prompter_.inform(this, text(TextKind::String, StrPointNumberRange));
        return;
    case model::PointNumberCheck::AlreadyUsed:
        prompter_.inform(this, text(TextKind::String, StrPointNumberUsed));
        return;
    case model::PointNumberCheck::NoPoint:
        // The point went away while the dialog was open: nothing left to number.
        QDialog::reject();
        return;
    }
}

} // namespace editor
