#include "trains/StepIndex.h"

#include <algorithm>
#include <unordered_set>

#include "trains/CTrainItem.h"

namespace trains {

namespace {

const std::vector<CTrainItem*>& noVehicles() {
    static const std::vector<CTrainItem*> none;
    return none;
}

} // namespace

StepIndex::StepIndex(const std::vector<CTrainItem*>& vehicles,
                     const std::vector<CTrainItem*>& leaders)
    : listSize_(vehicles.size()) {
    const std::unordered_set<const CTrainItem*> leaderSet(leaders.begin(), leaders.end());
    entries_.reserve(vehicles.size());
    for (std::size_t i = 0; i < vehicles.size(); ++i) {
        CTrainItem* v = vehicles[i];
        auto [it, added] = entries_.try_emplace(v);
        if (!added) {
            continue;
        }
        it->second.position = i;
        file(v, it->second, v->currentTile());
    }
    // Trains, each walked once from its first listed member; a member reached through the
    // links of an earlier train keeps that train.
    std::vector<bool> numbered(vehicles.size(), false);
    for (std::size_t i = 0; i < vehicles.size(); ++i) {
        if (numbered[i]) {
            continue;
        }
        Train train;
        train.members = vehicles[i]->trainMembers();
        if (std::find(train.members.begin(), train.members.end(), vehicles[i]) ==
            train.members.end()) {
            train.members.push_back(vehicles[i]);
        }
        const std::size_t number = trains_.size();
        for (CTrainItem* m : train.members) {
            train.hasLeader = train.hasLeader || leaderSet.count(m) != 0;
            const auto found = entries_.find(m);
            if (found != entries_.end()) {
                found->second.train = number;
                numbered[found->second.position] = true;
            }
        }
        trains_.push_back(std::move(train));
    }
}

void StepIndex::file(CTrainItem* v, Entry& entry, const model::CTrackItem* tile) {
    if (entry.tile != nullptr) {
        auto& old = tiles_[entry.tile];
        if (const auto found = std::find(old.begin(), old.end(), v); found != old.end()) {
            old.erase(found);
        }
    }
    entry.tile = tile;
    if (tile != nullptr) {
        tiles_[tile].push_back(v);
    }
}

const std::vector<CTrainItem*>& StepIndex::on(const model::CTrackItem* tile) const {
    const auto found = tiles_.find(tile);
    return found == tiles_.end() ? noVehicles() : found->second;
}

bool StepIndex::sameTrain(const CTrainItem* a, const CTrainItem* b) const {
    const auto x = entries_.find(a);
    const auto y = entries_.find(b);
    return x != entries_.end() && y != entries_.end() && x->second.train == y->second.train;
}

bool StepIndex::trainHasLeader(const CTrainItem* v) const {
    const auto found = entries_.find(v);
    return found != entries_.end() && trains_[found->second.train].hasLeader;
}

std::size_t StepIndex::listPosition(const CTrainItem* v) const {
    const auto found = entries_.find(v);
    return found == entries_.end() ? listSize_ : found->second.position;
}

void StepIndex::moved(const CTrainItem* v) {
    const auto found = entries_.find(v);
    if (found == entries_.end()) {
        return;
    }
    for (CTrainItem* m : trains_[found->second.train].members) {
        const auto entry = entries_.find(m);
        if (entry == entries_.end()) {
            continue;
        }
        const model::CTrackItem* now = m->currentTile();
        if (now != entry->second.tile) {
            file(m, entry->second, now);
        }
    }
}

} // namespace trains
