#pragma once
#include <QColor>
#include <QPushButton>

namespace editor {

class Prompter;

// A push button showing a colour; clicking it asks for a new colour through the prompter.
class CColorButton : public QPushButton {
    Q_OBJECT
public:
    CColorButton(Prompter& prompter, QWidget* parent = nullptr);
    QColor color() const { return color_; }
    void setColor(const QColor& color);

signals:
    void colorChanged(const QColor& color);

private:
    void choose();
    Prompter& prompter_;
    QColor color_;
};

} // namespace editor
