#include "model/PointNumbers.h"

#include <algorithm>
#include <cstdint>
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
    // The numberless points on board tiles, in the order a walk of the layer maps meets them.
    struct Candidate {
        int layer;
        std::uint32_t key;
        CTrackControlItem* point;
    };
    std::vector<Candidate> candidates;
    for (CTrackControlItem* point : numberlessPoints()) {
        const CTrackItem* tile = point->owner();
        if (tile == nullptr || !isTrackLayer(tile->getLayer()) ||
            tileAt(tile->getLayer(), tile->getPosition()) != tile || tile->pointItem() != point ||
            isQueuedForDeletion(tile)) {
            continue;
        }
        candidates.push_back({tile->getLayer(), packTilePos(tile->getPosition()), point});
    }
    std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
        return a.layer != b.layer ? a.layer < b.layer : a.key < b.key;
    });
    std::vector<CTrackControlItem*> numberless;
    numberless.reserve(candidates.size());
    for (const Candidate& c : candidates) {
        numberless.push_back(c.point);
    }
    CTrackControlItem::assignFreeNumbers(numberless);
}

} // namespace model
