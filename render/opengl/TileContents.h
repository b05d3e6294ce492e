#pragma once
#include "render/Camera.h"
#include "render/DrawList.h"
#include "render/SceneMetrics.h"

namespace render::opengl {

class BuiltinTextures;
class CachedLists;
class ItemDrawer;

// What drawing a tile's contents needs from the frame.
struct TileContentsContext {
    const SceneMetrics& metrics;
    BuiltinTextures& textures;
    ItemDrawer& items;
    CachedLists& lists;
    // The terrain height at (x, z); flat ground when empty.
    GroundHeight groundHeight;
    // Where the eye stands: billboards turn to it.
    Vec3 eye;
    // The shadow pass draws bare shapes in the current colour: no colour, texture or light.
    bool shadowPass = false;
    // The numbers of the points float over them.
    bool showPointNumbers = false;

    double groundAt(double x, double z) const { return groundHeight ? groundHeight(x, z) : 0.0; }
};

// Draws what stands on a tile besides its track: the structure (an item model, the wooden
// structure or the bushes), then the control items in ascending kind order: the point stand
// (301) with its number when wanted, the signal of a crossing (302), the buffer block (303),
// the supports (304, 310 … 315), the frame of item 305, the level crossing barriers (306) and the
// station platforms (307, 308). A covered tile draws only its buffer block.
void drawTileContents(const DrawListEntry& entry, const TileContentsContext& context);

// The tunnel portals of a covered tile where its buried track meets an uncovered neighbour:
// one per corner flag, or one per side flag when no corner flag is set. Drawn also beyond the
// fade range, never fainter than alpha 0.5.
void drawTunnelPortals(const DrawListEntry& entry, const SceneMetrics& metrics,
                       BuiltinTextures& textures);

} // namespace render::opengl
