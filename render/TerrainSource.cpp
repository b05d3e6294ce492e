#include "render/TerrainSource.h"

#include "model/CLandscapeItem.h"
#include "model/CTrackItem.h"
#include "model/CZarnoltDocument.h"
#include "model/LandscapeItems.h"
#include "model/TrackTiles.h"

namespace render {

std::vector<TerrainPatch> terrainPatchesFromLandscape(double tileSize) {
    std::vector<TerrainPatch> patches;
    for (const model::CLandscapeItem* item : model::landscapeItems()) {
        const model::LandscapeTileRange range = item->tileRange();
        if (range.empty() || item->heights().samples.empty()) {
            continue;
        }
        TerrainPatch patch;
        patch.firstColumn = range.firstColumn;
        patch.firstRow = range.firstRow;
        patch.lastColumn = range.lastColumn;
        patch.lastRow = range.lastRow;
        patch.hollow = item->isHollow();
        const double unitsPerScene = model::kTileEdge / tileSize;
        patch.height = [item, unitsPerScene, tileSize](double x, double z) {
            return item->heightAt(x * unitsPerScene, z * unitsPerScene) * 11 * tileSize;
        };
        patches.push_back(std::move(patch));
    }
    return patches;
}

std::vector<LevelledTile> levelledTilesFromBoard() {
    std::vector<LevelledTile> tiles;
    const model::LayerMap* ground = model::layerMap(0);
    if (ground == nullptr) {
        return tiles;
    }
    for (const auto& [key, tile] : *ground) {
        if (!tile || tile->lineCount() == 0) {
            continue;
        }
        const model::NeighbourFlags& flags = tile->neighbourFlagsB();
        if (flags[4] || flags[5] || flags[6] || flags[7]) {
            continue;
        }
        const model::TilePos pos = tile->getPosition();
        tiles.push_back({pos.column, pos.row, tile->isCovered()});
    }
    return tiles;
}

TerrainColours terrainColoursOf(const model::CZarnoltDocument& document) {
    const auto colours = document.getTerrainColours();
    auto convert = [](const model::RGBColor16& c) {
        return TerrainColours::Colour{c.red, c.green, c.blue};
    };
    TerrainColours out;
    out.ground = convert(colours[0]);
    out.hillHigh = convert(colours[1]);
    out.hillLow = convert(colours[2]);
    out.hollow = convert(colours[3]);
    return out;
}

} // namespace render
