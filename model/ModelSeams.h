#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "model/Geometry.h"

namespace model {

class CTrackItem;
class LineItem;

// The on-screen element of a tile in the editor's layout view (not owned by the tile).
class TileViewAttachment {
public:
    virtual ~TileViewAttachment() = default;
    virtual void repaint() = 0;
    // The tile is going away: the element must forget it and close.
    virtual void close() = 0;
};

// The picture a tile carries in the 2D view. The picture library provides the concrete type;
// the tile only owns, copies and transforms it.
class TilePicture {
public:
    virtual ~TilePicture() = default;
    virtual std::unique_ptr<TilePicture> clone() const = 0;
    virtual void rotate90() = 0;
    virtual void mirrorLeftRight() = 0;
    virtual void mirrorTopBottom() = 0;
    // The picture as a complete PNG file, as the layout file stores it; empty when it has
    // no pixels.
    virtual std::vector<std::uint8_t> encodePng() const = 0;
};

// A landscape item as the tiles see it: hill or hollow, its height scale, and how far it
// reaches around a tile (eight flags: right, bottom, left, top, bottom-right, bottom-left,
// top-left, top-right).
class LandscapeCover {
public:
    virtual ~LandscapeCover() = default;
    virtual bool isHollow() const = 0;
    virtual double getHeightScale() const = 0;
    virtual std::array<bool, 8> coverFlags(const CTrackItem& tile) const = 0;
};

// Hooks the renderer, the editor view and the terrain library install. All may be empty.
struct ModelHooks {
    // Drop the renderer's cached geometry of one cell of one layer.
    std::function<void(int layer, TilePos pos)> dropCellGeometry;
    // Release the renderer's cached geometry of one line.
    std::function<void(const LineItem&)> releaseLineGeometry;
    // Ask the 2D layout view to repaint one cell (for a tile being deleted).
    std::function<void(int layer, TilePos pos)> repaintCell;
    // The landscape items in container order.
    std::function<std::vector<const LandscapeCover*>()> landscapeItems;
};

ModelHooks& modelHooks();

} // namespace model
