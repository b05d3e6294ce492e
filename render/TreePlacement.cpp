#include "render/TreePlacement.h"

#include "model/CTrackItem.h"
#include "model/CTrackStructureItem.h"
#include "model/TileBox.h"

namespace render {

std::optional<TreePlace> treePlace(const model::CTrackItem& tile, double tileSize,
                                   double layerHeight, const GroundHeight& groundHeight) {
    const model::CTrackStructureItem* structure = tile.getStructure();
    if (structure == nullptr || structure->getCategory() != model::StructureTree) {
        return std::nullopt;
    }
    const double s = tileSize;
    // (s/3, s/5) from the tile's top-left corner, measured from the centre so that the
    // structure's turn and mirror apply as they do to its bounds.
    model::Vec3d p{s / 3 - s / 2, 0, s / 5 - s / 2};
    const model::Orientation o = structure->orientation();
    if (o.angle != 0) {
        p = model::turnAboutVertical(p, -o.angle);
    }
    if (o.mirror == -1) {
        p.x = -p.x;
    }
    const model::TilePos pos = tile.getPosition();
    TreePlace place;
    place.trunk = {(pos.column + 0.5) * s + p.x, 0, (pos.row + 0.5) * s + p.z};
    if (tile.getLayer() == 0 && groundHeight) {
        place.trunk.y = groundHeight(place.trunk.x, place.trunk.z);
    } else {
        place.trunk.y = tile.level() * layerHeight;
    }
    return place;
}

std::int32_t treeListKey(int fadeLevel, bool shadowPass) {
    if (fadeLevel < 0 || fadeLevel > 9) {
        return kNoCacheKey;
    }
    return (shadowPass ? kTreeShadowListKey : kTreeListKey) + fadeLevel;
}

} // namespace render
