#include <unordered_set>

#include "model/CTrackItem.h"
#include "model/TrackJoin.h"

namespace model {

// Walks the first kind-1 line in both directions, line by line, collecting the station item
// of every tile reached until a tile without one, the start tile, or a tile already
// collected (a loop) ends that direction.
std::vector<CTrackControlItem*> CTrackItem::stationRun() const {
    std::vector<CTrackControlItem*> run;
    CTrackControlItem* own = stationItem();
    if (own == nullptr) {
        return run;
    }
    run.push_back(own);
    LineItem* first = getLine(0, 1);
    if (first == nullptr) {
        return run;
    }
    std::unordered_set<const CTrackItem*> collected{this};
    for (bool backward : {false, true}) {
        LineItem* line = first;
        bool leaveBackward = backward;
        while (true) {
            const TrackPosition next = nextLine(*line, leaveBackward);
            const CTrackItem* tile = next ? next.line->getOwner() : nullptr;
            if (tile == nullptr || collected.contains(tile)) {
                break;
            }
            CTrackControlItem* station = tile->stationItem();
            if (station == nullptr) {
                break;
            }
            collected.insert(tile);
            run.push_back(station);
            line = next.line;
            leaveBackward = next.backward != 0;
        }
    }
    return run;
}

} // namespace model
