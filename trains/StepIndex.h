#pragma once
#include <cstddef>
#include <unordered_map>
#include <vector>

namespace model {
class CTrackItem;
}

namespace trains {

class CTrainItem;

// Where every listed vehicle stands and which train it belongs to, for one controller step.
// The stop rules and the coupling search look only at the vehicles filed under the few tiles
// ahead of a train instead of at every vehicle, so a step costs time in proportion to the
// vehicles. Trains keep their members for the life of the index; a train that moved is
// re-filed with moved().
class StepIndex {
public:
    // `leaders` are the trains' first motive vehicles (CTrainControler::trainLeaders).
    StepIndex(const std::vector<CTrainItem*>& vehicles, const std::vector<CTrainItem*>& leaders);

    // Listed vehicles whose current tile is `tile`, in no particular order.
    const std::vector<CTrainItem*>& on(const model::CTrackItem* tile) const;
    // Both listed and members of one train.
    bool sameTrain(const CTrainItem* a, const CTrainItem* b) const;
    // The vehicle's train holds one of the leaders (it has a motive vehicle).
    bool trainHasLeader(const CTrainItem* v) const;
    // 0-based position in the controller's list; the list size for an unlisted vehicle.
    std::size_t listPosition(const CTrainItem* v) const;
    // Files every member of v's train under its current tile again.
    void moved(const CTrainItem* v);

private:
    struct Entry {
        const model::CTrackItem* tile = nullptr;
        std::size_t train = 0;
        std::size_t position = 0;
    };
    struct Train {
        std::vector<CTrainItem*> members;
        bool hasLeader = false;
    };

    void file(CTrainItem* v, Entry& entry, const model::CTrackItem* tile);

    std::unordered_map<const CTrainItem*, Entry> entries_;
    std::unordered_map<const model::CTrackItem*, std::vector<CTrainItem*>> tiles_;
    std::vector<Train> trains_;
    std::size_t listSize_ = 0;
};

} // namespace trains
