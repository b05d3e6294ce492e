// Feeds arbitrary bytes to the tile block reader (clipboard and drop payloads "TrkV") over a
// 20 × 20 board. A refused block must leave the board as it was; an accepted one must write
// only board cells, leave point numbers unique and save back as a valid block.
#include "editing/TileBlock.h"
#include "model/CTrackItem.h"
#include "model/CZarnoltDocument.h"
#include "model/TrackTiles.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <span>
#include <string>

namespace {

model::CTrackItem* seedTile(int column, int row) {
    model::CTrackItem* tile =
        model::createTile({static_cast<std::int16_t>(column), static_cast<std::int16_t>(row)}, 0);
    tile->addShape(1, model::LineKindTrack);
    tile->addShape(3, model::LineKindTrack);
    return tile;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const std::string config =
        (std::filesystem::temp_directory_path() / "zarnolt-fuzz-config").string();
    setenv("ZARNOLT_CONFIG_DIR", config.c_str(), 1);
    static model::CZarnoltDocument document(20, 20);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    model::deleteAllTiles();
    seedTile(3, 3);
    seedTile(19, 19);
    const auto before = editing::saveBlock(0, {0, 0}, {19, 19});
    const bool accepted =
        editing::loadBlock(std::span(data, size), 0, {2, 2}, {25, 25}, false, size % 2 == 0);
    const auto after = editing::saveBlock(0, {0, 0}, {19, 19});
    if (!accepted && after != before) {
        std::abort();
    }
    std::set<int> numbers;
    for (int layer = 0; layer < model::kTrackLayers; ++layer) {
        for (const auto& [key, tile] : *model::layerMap(layer)) {
            const model::TilePos pos = tile->getPosition();
            if (pos.column >= 20 || pos.row >= 20) {
                std::abort();
            }
            const int number = tile->getPointNumber();
            if (number > 0 && !numbers.insert(number).second) {
                std::abort();
            }
        }
    }
    if (!editing::isTileBlock(after)) {
        std::abort();
    }
    model::deleteAllTiles();
    return 0;
}
