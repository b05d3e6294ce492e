#pragma once
#include <optional>

#include "render/Camera.h"
#include "render/ListKeys.h"

namespace model {
class CTrackItem;
}

namespace render {

// The built-in tree of a tile (structure category 200): where its trunk stands and which of
// its cached forms a fade level uses.
struct TreePlace {
    Vec3 trunk; // scene units, foot of the trunk
};

// The trunk of the tile's tree: a third of the tile in from its left edge and a fifth in from
// its top edge, turned and mirrored about the tile centre as the structure is. On the ground
// layer the tree stands on the terrain at that point (so a tree on a hill is not buried);
// elsewhere on its tile's level. None when the tile holds no tree.
std::optional<TreePlace> treePlace(const model::CTrackItem& tile, double tileSize,
                                   double layerHeight, const GroundHeight& groundHeight);

// Near trees (fade level 0) are drawn in full detail, faded ones (levels 1 … 9) in the low
// detail form with a three-sided trunk.
inline bool treeIsLowDetail(int fadeLevel) {
    return fadeLevel != 0;
}

// One list per fade level 0 … 9 for the normal pass, 197 + level for the bare shape of the
// shadow pass; key 0 (uncached) for other levels.
std::int32_t treeListKey(int fadeLevel, bool shadowPass);

} // namespace render
