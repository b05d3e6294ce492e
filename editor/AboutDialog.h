#pragma once
#include <QDialog>
#include <QImage>
#include <QTimer>

namespace editor {

// The credits strip of the about box: the text drawn once, word-wrapped, into a picture four
// window heights tall (starting one window height down), moved one pixel every 30 ms and
// started over near the picture's end.
class CTitleroleView : public QWidget {
    Q_OBJECT
public:
    CTitleroleView(const QString& credits, QWidget* parent = nullptr);
    int offset() const { return offset_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void advance();
    void drawPicture();

    QString credits_;
    QImage picture_;
    int offset_ = 0;
    QTimer timer_;
};

// The about box: "ver " and the program's version, and the scrolling credits.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

} // namespace editor
