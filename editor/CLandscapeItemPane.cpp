#include "editor/CLandscapeItemPane.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

#include "editor/CLandscapeLayoutView.h"

namespace editor {

namespace {
constexpr double kClassFactor = 2.857142905799711;
constexpr double kInverse765 = 0.00130718954248366;
constexpr double kVisibleThreshold = 0.025;

// Height-class colours 1 … 5 of a hill and of a hollow.
constexpr QRgb kHillColours[] = {qRgb(123, 247, 49), qRgb(173, 198, 57), qRgb(247, 181, 74),
                                 qRgb(222, 115, 0), qRgb(110, 57, 0)};
constexpr QRgb kHollowColours[] = {qRgb(141, 251, 255), qRgb(59, 230, 255), qRgb(22, 98, 255),
                                   qRgb(0, 0, 255), qRgb(0, 0, 181)};
} // namespace

CLandscapeItemPane::CLandscapeItemPane(CLandscapeLayoutView& view, model::CLandscapeItem& item)
    : view_(view), item_(item) {
    item_.setPane(this);
}

CLandscapeItemPane::~CLandscapeItemPane() {
    if (item_.getPane() == this) {
        item_.setPane(nullptr);
    }
}

int CLandscapeItemPane::heightClass(double h, int r, int g, int b) {
    const double value = h * kClassFactor * ((r + g + b) * kInverse765) * 5;
    // Far outside the table either way: clamp before converting, the colour is the same.
    if (!(value > -100.0)) {
        return -100;
    }
    if (value > 100.0) {
        return 100;
    }
    return static_cast<int>(std::trunc(value));
}

QRgb CLandscapeItemPane::classColour(int heightClass, bool hollow) {
    const int index = std::clamp(heightClass, 1, 5) - 1;
    return hollow ? kHollowColours[index] : kHillColours[index];
}

bool CLandscapeItemPane::visible(double h, int r, int g, int b) {
    return h * (r + g + b) / 765.0 > kVisibleThreshold;
}

QRect CLandscapeItemPane::rect() const {
    const model::BoardRect& r = item_.getRect();
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

const QImage& CLandscapeItemPane::display() {
    if (display_.isNull()) {
        buildDisplay();
    }
    return display_;
}

void CLandscapeItemPane::buildDisplay() {
    const image::Picture& picture = item_.getPicture();
    if (picture.empty() || picture.bytesPerPixel() < 3) {
        display_ = QImage();
        return;
    }
    const double h = item_.getHeightScale();
    const bool hollow = item_.isHollow();
    QImage out(picture.width(), picture.height(), QImage::Format_ARGB32);
    for (int y = 0; y < picture.height(); ++y) {
        const std::uint8_t* in = picture.row(y);
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            // Stored blue, green, red.
            const int b = in[0];
            const int g = in[1];
            const int r = in[2];
            in += picture.bytesPerPixel();
            const QRgb colour = classColour(heightClass(h, r, g, b), hollow);
            const int alpha = visible(h, r, g, b) ? kInsideAlpha : kOutsideAlpha;
            line[x] = qRgba(qRed(colour), qGreen(colour), qBlue(colour), alpha);
        }
    }
    display_ = std::move(out);
}

void CLandscapeItemPane::paint(QPainter& painter) {
    const QImage& picture = display();
    const QRect target = rect();
    if (picture.isNull() || target.isEmpty()) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(target, picture);
    painter.restore();
}

void CLandscapeItemPane::repaint() {
    invalidate();
    view_.paneChanged(*this);
}

void CLandscapeItemPane::itemGone() {
    // Destroys this pane: nothing may touch it afterwards.
    view_.paneGone(*this);
}

} // namespace editor
