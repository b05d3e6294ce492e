#pragma once
#include "render/DrawList.h"
#include "render/SceneMetrics.h"

namespace render::opengl {

class BuiltinTextures;

// Draws the control items a tile carries in the normal pass, in ascending kind order: the
// point stand (301), the signal of a crossing (302), the buffer block (303), the level
// crossing barriers (306) and the station platforms (307, 308). A covered tile draws only
// its buffer block. Supports (304, 310 … 315) are drawn with the tile's track.
void drawTileContents(const DrawListEntry& entry, const SceneMetrics& metrics,
                      BuiltinTextures& textures);

// The tunnel portals of a covered tile where its buried track meets an uncovered neighbour:
// one per corner flag, or one per side flag when no corner flag is set. Drawn also beyond the
// fade range, never fainter than alpha 0.5.
void drawTunnelPortals(const DrawListEntry& entry, const SceneMetrics& metrics,
                       BuiltinTextures& textures);

} // namespace render::opengl
