#pragma once
#include <QColor>
#include <QImage>
#include <QRect>

#include <cstdint>
#include <unordered_map>

class QPainter;

namespace model {
class CTrackItem;
class TilePicture;
} // namespace model

namespace editor {

// Pixels of one tile edge in the layout view (one layout unit is one pixel).
inline constexpr int kTilePixels = 40;
// The terrain layer's number among the view's layers (0 … 4 are the track layers).
inline constexpr int kTerrainLayer = 5;

// What the layer painter draws besides the tiles.
struct LayoutPaintState {
    int currentLayer = 0;
    int columns = 1;
    int rows = 1;
};

// Draws the board in board pixels: the current layer's grid, then every tile of layers 0 … 4
// whose cell (or picture) meets the area, each tile drawn as its pane draws it (picture,
// height label, point boxes and numbers, holding ellipses). Only the cells that meet the area
// are visited, so the cost follows the visible area, not the board's size.
class LayoutPainter {
public:
    static QColor gridColour(int layer);
    static QColor selectionColour() { return QColor(216, 216, 255); }

    // The painter must map board pixels to its device; `area` is in board pixels.
    void paint(QPainter& painter, const QRect& area, const LayoutPaintState& state);
    // Draws one tile into its cell rectangle.
    void paintTile(QPainter& painter, const model::CTrackItem& tile, const QRect& cell,
                   int currentLayer);

    // Forgets the converted tile pictures. A converted picture is also redone when its
    // picture's size or bytes changed (a turned picture, or a new one at a reused address).
    void forgetPictures() { pictures_.clear(); }

private:
    struct Converted {
        std::uint64_t signature = 0;
        QImage full;
        QImage faded;
    };
    const Converted* converted(const model::TilePicture* picture);

    std::unordered_map<const model::TilePicture*, Converted> pictures_;
};

} // namespace editor
