#pragma once
#include <vector>

#include "render/Terrain.h"

namespace model {
class CZarnoltDocument;
}

namespace render {

// The landscape items of the model as terrain patches, in the items' order; heights are the
// items' signed heights × 11 tile sizes.
std::vector<TerrainPatch> terrainPatchesFromLandscape(double tileSize);
// The ground tiles with track lines and clear corner neighbour flags, which the terrain levels.
std::vector<LevelledTile> levelledTilesFromBoard();
// The document's terrain colours.
TerrainColours terrainColoursOf(const model::CZarnoltDocument& document);

} // namespace render
