#include "model/PointNumbers.h"

#include <vector>

#include "model/CTrackItem.h"
#include "model/TrackTiles.h"

namespace model {

PointNumberCheck checkPointNumber(int number) {
    if (number < kFirstPointNumber || number > kLastPointNumber) {
        return PointNumberCheck::OutOfRange;
    }
    return pointWithNumber(number) != nullptr ? PointNumberCheck::AlreadyUsed
                                              : PointNumberCheck::Accepted;
}

PointNumberCheck renumberPoint(CTrackItem& tile, int number) {
    CTrackControlItem* point = tile.pointItem();
    if (point == nullptr) {
        return PointNumberCheck::NoPoint;
    }
    const PointNumberCheck check = checkPointNumber(number);
    if (check == PointNumberCheck::Accepted) {
        point->setNumber(number);
    }
    return check;
}

void assignMissingPointNumbers() {
    std::vector<CTrackControlItem*> numberless;
    for (int layer = 0; layer < kTrackLayers; ++layer) {
        for (const auto& [key, tile] : *layerMap(layer)) {
            CTrackControlItem* point = tile->pointItem();
            if (point != nullptr && point->getNumber() == 0 && !isQueuedForDeletion(tile.get())) {
                numberless.push_back(point);
            }
        }
    }
    CTrackControlItem::assignFreeNumbers(numberless);
}

} // namespace model
