#include "editor/CColorButton.h"

#include <QColorDialog>
#include <QIcon>
#include <QPainter>
#include <QPixmap>

#include "editor/Prompter.h"

namespace editor {

CColorButton::CColorButton(Prompter& prompter, QWidget* parent)
    : QPushButton(parent), prompter_(prompter) {
    setMinimumSize(48, 24);
    connect(this, &QPushButton::clicked, this, &CColorButton::choose);
}

void CColorButton::setColor(const QColor& color) {
    color_ = color;
    QPixmap swatch(32, 14);
    swatch.fill(color);
    QPainter painter(&swatch);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, swatch.width() - 1, swatch.height() - 1);
    painter.end();
    setIcon(QIcon(swatch));
    setIconSize(swatch.size());
    emit colorChanged(color);
}

void CColorButton::choose() {
    QColorDialog dialog(color_, this);
    if (prompter_.runDialog(dialog)) {
        setColor(dialog.selectedColor().isValid() ? dialog.selectedColor() : dialog.currentColor());
    }
}

} // namespace editor
