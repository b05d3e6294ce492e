#pragma once
#include <QImage>
#include <QRect>
#include <QRgb>

#include "model/CLandscapeItem.h"

class QPainter;

namespace editor {

class CLandscapeLayoutView;

// The on-screen element of one landscape item on the terrain layer: the item's grey picture
// coloured by height class into a display picture that the layout view blends over the board
// at the item's rectangle (one layout unit is one pixel). The mask of the raised or sunk part
// is baked into the display picture's alpha (128 inside, 0 outside), so drawing it is one
// blend with no clip region. The pane belongs to the terrain view; the item refers back to it.
class CLandscapeItemPane final : public model::LandscapePane {
public:
    // Alpha of the display picture where the terrain shows, and where it does not.
    static constexpr int kInsideAlpha = 128;
    static constexpr int kOutsideAlpha = 0;

    CLandscapeItemPane(CLandscapeLayoutView& view, model::CLandscapeItem& item);
    ~CLandscapeItemPane() override;
    CLandscapeItemPane(const CLandscapeItemPane&) = delete;
    CLandscapeItemPane& operator=(const CLandscapeItemPane&) = delete;

    // The height class of a pixel under height scale h:
    // trunc(h × 2.857142905799711 × ((r + g + b) × (1 / 765)) × 5).
    static int heightClass(double h, int r, int g, int b);
    // The colour of a height class on a hill or a hollow (classes below 1 take class 1's
    // colour, above 5 class 5's).
    static QRgb classColour(int heightClass, bool hollow);
    // Whether a pixel is visibly raised or sunk: h × (r + g + b) / 765 > 0.025.
    static bool visible(double h, int r, int g, int b);

    model::CLandscapeItem& item() const { return item_; }
    // The item's rectangle in board pixels.
    QRect rect() const;

    // The display picture (built when missing); empty without a picture.
    const QImage& display();
    // Forgets the display picture; the next drawing builds it again.
    void invalidate() { display_ = QImage(); }
    // Blends the display picture into the item's rectangle (board pixels).
    void paint(QPainter& painter);

    // model::LandscapePane
    void repaint() override;
    void itemGone() override;

private:
    void buildDisplay();

    CLandscapeLayoutView& view_;
    model::CLandscapeItem& item_;
    QImage display_;
};

} // namespace editor
