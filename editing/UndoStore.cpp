#include "editing/UndoStore.h"

#include <algorithm>

#include "editing/TileBlock.h"
#include "model/CLandscapeItem.h"
#include "model/CZarnoltDocument.h"
#include "model/LandscapeItems.h"
#include "model/TrackHeights.h"

namespace editing {

void UndoStore::clear() {
    tiles_.reset();
    landscape_.reset();
}

bool UndoStore::empty() const {
    return (!tiles_ && !landscape_) || generation_ != model::layoutGeneration();
}

void UndoStore::snapshotTiles(int layer, model::TilePos a, model::TilePos b) {
    clear();
    TileSnapshot snapshot;
    snapshot.layer = layer;
    snapshot.first = {std::min(a.column, b.column), std::min(a.row, b.row)};
    snapshot.second = {std::max(a.column, b.column), std::max(a.row, b.row)};
    snapshot.block = saveBlock(layer, snapshot.first, snapshot.second);
    tiles_ = std::move(snapshot);
    generation_ = model::layoutGeneration();
}

void UndoStore::snapshotLandscape(const model::CLandscapeItem* item) {
    clear();
    if (model::validLandscapeItem(item) == nullptr) {
        return;
    }
    landscape_ = LandscapeSnapshot{item, item->writeRecord()};
    generation_ = model::layoutGeneration();
}

bool UndoStore::undo() {
    if (empty()) {
        clear();
        return false;
    }
    if (landscape_) {
        model::CLandscapeItem* item = model::validLandscapeItem(landscape_->identity);
        if (item != nullptr) {
            std::vector<std::uint8_t> present = item->writeRecord();
            if (item->readRecord(landscape_->record, true, 0, 0)) {
                landscape_->record = std::move(present);
            }
        } else {
            item = model::createLandscapeItem();
            if (item->readRecord(landscape_->record, true, 0, 0)) {
                landscape_->identity = item;
            } else {
                model::deleteLandscapeItem(item);
            }
        }
    }
    if (tiles_) {
        std::vector<std::uint8_t> present = saveBlock(tiles_->layer, tiles_->first, tiles_->second);
        if (loadBlock(tiles_->block, tiles_->layer, tiles_->first, tiles_->second, false, false)) {
            tiles_->block = std::move(present);
        }
    }
    model::afterEdit();
    return true;
}

} // namespace editing
