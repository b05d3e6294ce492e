#include "editing/TileTransfer.h"

#include "model/CTrackItem.h"
#include "model/CZarnoltDocument.h"
#include "model/PointNumbers.h"
#include "model/TrackTiles.h"

namespace editing {

namespace {
constexpr int kScratchOrigin = 1000;
}

ScratchTiles::~ScratchTiles() {
    model::deleteUnplacedTiles(tiles_);
}

model::CTrackItem* ScratchTiles::make(int layer, int dc, int dr) {
    const model::TilePos pos{static_cast<std::int16_t>(kScratchOrigin + dc),
                             static_cast<std::int16_t>(kScratchOrigin + dr)};
    model::CTrackItem* tile = model::createTile(pos, layer);
    tiles_.push_back(tile);
    return tile;
}

PointNumberKeeper::PointNumberKeeper() = default;
PointNumberKeeper::~PointNumberKeeper() = default;

void PointNumberKeeper::park(int number) {
    auto holder = std::make_unique<model::CTrackControlItem>(model::KindPoint);
    if (holder->setNumber(number)) {
        parked_.push_back(std::move(holder));
    }
}

void PointNumberKeeper::release(model::CTrackItem& tile) {
    const int number = tile.getPointNumber();
    if (number > 0 && !released_.contains(&tile)) {
        released_.emplace(&tile, number);
        tile.setPointNumber(0);
    }
}

void PointNumberKeeper::finish() {
    for (const auto& [tile, number] : released_) {
        if (model::validTile(tile) != nullptr && tile->pointItem() != nullptr &&
            tile->getPointNumber() == 0) {
            tile->setPointNumber(number);
        }
    }
    released_.clear();
    model::assignMissingPointNumbers();
    parked_.clear();
}

void writeTileInto(model::CTrackItem& target, model::CTrackItem& source, bool merge) {
    const int number = source.getPointNumber();
    source.setPointNumber(0);
    if (merge && model::branchCount(target, source) < 2) {
        if (target.hasStructure() && (source.hasControlItems() || source.lineCount() > 0)) {
            target.clear();
        }
        target.mergeFrom(source);
    } else {
        target.copyFrom(source);
    }
    if (number > 0) {
        if (target.pointItem() != nullptr && target.getPointNumber() == 0) {
            target.setPointNumber(number);
        } else {
            source.setPointNumber(number);
        }
    }
    if (target.getLayer() == 0) {
        target.removePiers();
    }
    target.dropCachedGeometry();
}

void moveTileInto(model::CTrackItem& target, model::TileContent content,
                  PointNumberKeeper& numbers) {
    int number = 0;
    if (const auto point = content.controlItems.find(model::KindPoint);
        point != content.controlItems.end()) {
        number = point->second->getNumber();
    }
    target.putContent(std::move(content));
    if (number > 0 && target.getPointNumber() != number) {
        if (target.pointItem() != nullptr && target.getPointNumber() == 0) {
            target.setPointNumber(number);
        } else {
            numbers.park(number);
        }
    }
    if (target.getLayer() == 0) {
        target.removePiers();
    }
    target.dropCachedGeometry();
}

void clearTile(model::CTrackItem& tile, std::vector<model::CTrackItem*>& cleared) {
    tile.dropCachedGeometry();
    tile.clear();
    cleared.push_back(&tile);
}

void queueStillEmpty(const std::vector<model::CTrackItem*>& cleared) {
    for (model::CTrackItem* tile : cleared) {
        // Emptiness first: most tiles were written again, and queueForDeletion checks the
        // registry itself.
        if (tile->isEmpty()) {
            model::queueForDeletion(tile);
        }
    }
}

bool boardSize(int& columns, int& rows) {
    const model::CZarnoltDocument* document = model::currentDocument();
    if (document == nullptr) {
        columns = rows = 0;
        return false;
    }
    document->getSize(columns, rows);
    return true;
}

} // namespace editing
