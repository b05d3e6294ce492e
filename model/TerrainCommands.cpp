#include "model/TerrainCommands.h"

#include <algorithm>

#include "image/PictureFiles.h"
#include "image/PictureHelpers.h"
#include "model/CLandscapeItem.h"
#include "model/CTrackItem.h"
#include "model/LandscapeItems.h"
#include "model/TerrainGenerator.h"
#include "model/TrackTiles.h"
#include "platform/RenderLock.h"

namespace model {

namespace {

bool held(const CLandscapeItem* item) {
    return item != nullptr && validLandscapeItem(item) == item;
}

void dropGeometryUnder(const CLandscapeItem& item) {
    auto& drop = modelHooks().dropCellGeometry;
    if (!drop) {
        return;
    }
    for (int layer = 0; layer < kTrackLayers; ++layer) {
        for (const CTrackItem* tile : item.touchedTiles(layer)) {
            drop(layer, tile->getPosition());
        }
    }
}

void rebuildTerrain() {
    if (auto& rebuild = landscapeHooks().rebuildTerrain) {
        rebuild();
    }
}

void recomputeCoverFlagsOver(const LandscapeTileRange& cells) {
    recomputeCoverFlagsAround(cells.firstColumn, cells.firstRow, cells.lastColumn, cells.lastRow);
}

// The item's heights or rectangle changed: its ranges and the cover flags follow, over the
// cells it reached before (`before`) and the cells it reaches now, not the whole board.
void refreshTiles(CLandscapeItem& item, const LandscapeTileRange& before) {
    dropGeometryUnder(item);
    item.removeTerrainRanges();
    item.addTerrainRanges();
    recomputeCoverFlagsOver(before);
    recomputeCoverFlagsOver(item.reachedCells());
}

CLandscapeItem* newItemWithPicture(image::Picture picture, int x, int z) {
    CLandscapeItem* item = createLandscapeItem();
    item->setRect(BoardRect{z, x, z + kNewLandscapeItemSize, x + kNewLandscapeItemSize});
    item->setPicture(std::move(picture));
    item->rebuildHeights();
    refreshTiles(*item, LandscapeTileRange{});
    return item;
}

} // namespace

CLandscapeItem* importGreyPicture(const std::filesystem::path& path, int x, int z) {
    platform::RenderLockGuard model;
    return newItemWithPicture(image::loadPicture(path), x, z);
}

bool exportGreyPicture(const CLandscapeItem* item, const std::filesystem::path& path) {
    platform::RenderLockGuard model;
    if (!held(item) || item->getPicture().empty()) {
        return false;
    }
    return image::savePicture(item->getPicture(), path);
}

CLandscapeItem* generateTerrain(std::uint32_t seed, int x, int z) {
    platform::RenderLockGuard model;
    return newItemWithPicture(terrainGridPicture(generateTerrainGrid(seed)), x, z);
}

bool rotateLandscapeItem(CLandscapeItem* item) {
    platform::RenderLockGuard model;
    if (!held(item)) {
        return false;
    }
    item->setPicture(image::rotatePicture(item->getPicture(), 90));
    const BoardRect& r = item->getRect();
    const std::int64_t width = std::int64_t{r.right} - r.left;
    const std::int64_t depth = std::int64_t{r.bottom} - r.top;
    const std::int64_t centreX = (std::int64_t{r.left} + r.right) / 2;
    const std::int64_t centreZ = (std::int64_t{r.top} + r.bottom) / 2;
    const std::int64_t left = centreX - depth / 2;
    const std::int64_t top = centreZ - width / 2;
    const BoardRect turned{static_cast<std::int32_t>(top), static_cast<std::int32_t>(left),
                           static_cast<std::int32_t>(top + width),
                           static_cast<std::int32_t>(left + depth)};
    return moveLandscapeItem(item, turned);
}

bool mirrorLandscapeItem(CLandscapeItem* item) {
    platform::RenderLockGuard model;
    if (!held(item)) {
        return false;
    }
    item->setPicture(image::mirrorPictureLeftRight(item->getPicture()));
    item->rebuildHeights();
    refreshTiles(*item, item->reachedCells());
    return true;
}

bool removeLandscapeItem(CLandscapeItem* item) {
    platform::RenderLockGuard model;
    if (!held(item)) {
        return false;
    }
    dropGeometryUnder(*item);
    deleteLandscapeItem(item);
    rebuildTerrain();
    return true;
}

bool toggleLandscapeHollow(CLandscapeItem* item) {
    platform::RenderLockGuard model;
    if (!held(item)) {
        return false;
    }
    dropGeometryUnder(*item);
    item->setHollow(!item->isHollow());
    return true;
}

std::vector<std::uint8_t> copyLandscapeItem(const CLandscapeItem* item) {
    platform::RenderLockGuard model;
    if (!held(item)) {
        return {};
    }
    return item->writeRecord();
}

std::vector<std::uint8_t> cutLandscapeItem(CLandscapeItem* item) {
    platform::RenderLockGuard model;
    std::vector<std::uint8_t> record = copyLandscapeItem(item);
    if (!record.empty()) {
        removeLandscapeItem(item);
    }
    return record;
}

CLandscapeItem* pasteLandscapeItem(std::span<const std::uint8_t> record) {
    platform::RenderLockGuard model;
    CLandscapeItem* item = createLandscapeItem();
    if (!item->readRecord(record, true, 0, 0)) {
        deleteLandscapeItem(item);
        return nullptr;
    }
    dropGeometryUnder(*item);
    return item;
}

bool moveLandscapeItem(CLandscapeItem* item, const BoardRect& rect) {
    platform::RenderLockGuard model;
    if (!held(item)) {
        return false;
    }
    std::int64_t top = std::min(rect.top, rect.bottom);
    std::int64_t left = std::min(rect.left, rect.right);
    std::int64_t bottom = std::max<std::int64_t>({rect.top, rect.bottom, top + kTileEdge});
    std::int64_t right = std::max<std::int64_t>({rect.left, rect.right, left + kTileEdge});
    const std::int64_t limit = CLandscapeItem::kCoordinateLimit;
    if (bottom > limit) {
        top -= bottom - limit;
        bottom = limit;
    }
    if (right > limit) {
        left -= right - limit;
        right = limit;
    }
    dropGeometryUnder(*item);
    rebuildTerrain();
    const LandscapeTileRange before = item->reachedCells();
    item->removeTerrainRanges();
    item->setRect(BoardRect{static_cast<std::int32_t>(top), static_cast<std::int32_t>(left),
                            static_cast<std::int32_t>(bottom), static_cast<std::int32_t>(right)});
    item->rebuildHeights();
    refreshTiles(*item, before);
    rebuildTerrain();
    return true;
}

bool setLandscapeHeight(CLandscapeItem* item, double scale) {
    platform::RenderLockGuard model;
    if (!held(item)) {
        return false;
    }
    item->setHeightScale(scale);
    refreshTiles(*item, item->reachedCells());
    return true;
}

} // namespace model
