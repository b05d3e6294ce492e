#include "editor/CLayoutSizeWindow.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

#include "editing/BoardResize.h"
#include "editor/Prompter.h"
#include "model/CZarnoltDocument.h"

namespace editor {

namespace {

QString utf8(const char* text) {
    return QString::fromUtf8(text);
}

// The 32 × 32 picture of bitmap 9000 … 9008: blank for 9004, else an arrow pointing away from
// the centre in the direction of its place in the 3 × 3 grid.
QPixmap arrowPicture(int bitmap) {
    QPixmap picture(32, 32);
    picture.fill(Qt::transparent);
    const int index = bitmap - 9000;
    const int dx = index % 3 - 1;
    const int dy = index / 3 - 1;
    if (dx == 0 && dy == 0) {
        return picture;
    }
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(16, 16);
    painter.rotate(std::atan2(dy, dx) * 180.0 / 3.14159265358979);
    QPainterPath arrow;
    arrow.moveTo(-9, -3);
    arrow.lineTo(3, -3);
    arrow.lineTo(3, -8);
    arrow.lineTo(11, 0);
    arrow.lineTo(3, 8);
    arrow.lineTo(3, 3);
    arrow.lineTo(-9, 3);
    arrow.closeSubpath();
    painter.fillPath(arrow, Qt::black);
    return picture;
}

} // namespace

CLayoutSizeWindow::CLayoutSizeWindow(Prompter& prompter, QWidget* parent)
    : QDialog(parent), prompter_(prompter) {
    setWindowTitle(utf8("レイアウトサイズ変更"));
    if (const auto* doc = model::currentDocument()) {
        oldColumns_ = doc->getColumns();
        oldRows_ = doc->getRows();
    }
    auto* sizeGroup = new QGroupBox(utf8("トラック数"), this);
    auto* sizeGrid = new QGridLayout(sizeGroup);
    columns_ = new QSpinBox(sizeGroup);
    rows_ = new QSpinBox(sizeGroup);
    columns_->setRange(1, 999);
    rows_->setRange(1, 999);
    columns_->setValue(oldColumns_);
    rows_->setValue(oldRows_);
    sizeGrid->addWidget(new QLabel(utf8("列"), sizeGroup), 0, 0);
    sizeGrid->addWidget(columns_, 0, 1);
    sizeGrid->addWidget(new QLabel(utf8("行"), sizeGroup), 1, 0);
    sizeGrid->addWidget(rows_, 1, 1);
    sizeGrid->addWidget(new QLabel(utf8("現在: %1 × %2").arg(oldColumns_).arg(oldRows_), sizeGroup),
                        2, 0, 1, 2);

    auto* anchorGroup = new QGroupBox(utf8("配置"), this);
    auto* anchorGrid = new QGridLayout(anchorGroup);
    anchorGrid->setSpacing(0);
    for (int i = 0; i < 9; ++i) {
        auto* button = new QToolButton(anchorGroup);
        button->setCheckable(true);
        button->setAutoExclusive(true);
        button->setIconSize(QSize(32, 32));
        button->setFixedSize(40, 40);
        connect(button, &QToolButton::clicked, this, [this, i] { selectAlignment(i); });
        buttons_[static_cast<std::size_t>(i)] = button;
        anchorGrid->addWidget(button, i / 3, i % 3);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(utf8("キャンセル"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CLayoutSizeWindow::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* top = new QHBoxLayout;
    top->addWidget(sizeGroup);
    top->addWidget(anchorGroup);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    selectAlignment(4);
}

void CLayoutSizeWindow::selectAlignment(int index) {
    if (index < 0 || index > 8) {
        return;
    }
    alignment_ = index;
    const int row = index / 3;
    const int column = index % 3;
    for (int i = 0; i < 9; ++i) {
        const int dr = i / 3 - row;
        const int dc = i % 3 - column;
        const bool near = dr >= -1 && dr <= 1 && dc >= -1 && dc <= 1;
        const int bitmap = near ? 9004 + 3 * dr + dc : 9004;
        auto* button = buttons_[static_cast<std::size_t>(i)];
        bitmaps_[static_cast<std::size_t>(i)] = bitmap;
        button->setIcon(QIcon(arrowPicture(bitmap)));
        button->setChecked(i == index);
    }
}

void CLayoutSizeWindow::accept() {
    resized_ = false;
    const int columns = columns_->value();
    const int rows = rows_->value();
    if (model::currentDocument() && (columns != oldColumns_ || rows != oldRows_)) {
        const auto result =
            editing::resizeBoard(columns, rows, alignment_, [this](std::string_view question) {
                return prompter_.confirm(
                    this,
                    QString::fromUtf8(question.data(), static_cast<qsizetype>(question.size())));
            });
        if (result == editing::ResizeResult::Cancelled) {
            return; // the dialog stays open
        }
        resized_ = result == editing::ResizeResult::Resized;
    }
    QDialog::accept();
}

} // namespace editor
