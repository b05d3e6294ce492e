#pragma once
#include "render/DrawList.h"

namespace render::opengl {

struct TileContentsContext;

// The structure of a tile, standing on the tile's base height about the tile centre, turned
// and mirrored by its rect: an item model (category 9000), the wooden structure (201) or three
// bushes (202). Nothing for a tile without a structure or a model that cannot be found.
void drawTileStructure(const DrawListEntry& entry, const TileContentsContext& context);

// The number of a point (kind 301) floating over its tile, facing the eye: one cell of the
// digit strip per digit, narrower for longer numbers. Nothing in the shadow pass or for a
// point without a number.
void drawPointNumberBillboard(const DrawListEntry& entry, const TileContentsContext& context);

// The cell width of a point number's digits for a tile size `s`: s / 3 below 1000, s / 4
// from there on, then × 0.8 for one digit, × 0.6 for two and × 0.5 for more.
double pointNumberCellWidth(int number, double s);

} // namespace render::opengl
