#pragma once
#include "render/DrawList.h"
#include "render/SceneMetrics.h"

namespace render::opengl {

struct TileContentsContext;

// The support under a tile's elevated track (items 304 and 310 … 315), from the ground at the
// middle point of the tile's first line up to the track: a tapered stone or iron column,
// stacked concrete blocks (built-in model 129), a concrete head and column (built-in models 130
// and 131), or an arched body swept along the line. Drawn in the scene's frame; nothing at
// alpha 0 or when the tile has no support of `kind` or no line with points.
void drawTileSupport(const DrawListEntry& entry, const TileContentsContext& context, int kind);

} // namespace render::opengl
