#include "trains/StepIndex.h"

#include <algorithm>
#include <bit>

#include "trains/CTrainItem.h"

namespace trains {

// ----- AddressTable -----

void StepIndex::AddressTable::reset(std::size_t expected) {
    // At most half full, so that probes stay short.
    const std::size_t capacity = std::bit_ceil(std::max<std::size_t>(16, expected * 2));
    keys_.assign(capacity, nullptr);
    values_.resize(capacity);
    used_ = 0;
}

std::size_t StepIndex::AddressTable::slotOf(const void* key) const {
    // Fibonacci hashing of the address; the table size is a power of two.
    const auto h =
        static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(key)) * 0x9E3779B97F4A7C15ull;
    return static_cast<std::size_t>(h >> 32) & (keys_.size() - 1);
}

std::uint32_t StepIndex::AddressTable::find(const void* key) const {
    if (keys_.empty() || key == nullptr) {
        return kNone;
    }
    const std::size_t mask = keys_.size() - 1;
    for (std::size_t i = slotOf(key);; i = (i + 1) & mask) {
        if (keys_[i] == key) {
            return values_[i];
        }
        if (keys_[i] == nullptr) {
            return kNone;
        }
    }
}

std::uint32_t& StepIndex::AddressTable::findOrAdd(const void* key, std::uint32_t value) {
    if (keys_.empty() || (used_ + 1) * 2 > keys_.size()) {
        grow();
    }
    const std::size_t mask = keys_.size() - 1;
    std::size_t i = slotOf(key);
    for (; keys_[i] != nullptr; i = (i + 1) & mask) {
        if (keys_[i] == key) {
            return values_[i];
        }
    }
    keys_[i] = key;
    values_[i] = value;
    ++used_;
    return values_[i];
}

void StepIndex::AddressTable::grow() {
    std::vector<const void*> keys;
    std::vector<std::uint32_t> values;
    keys.swap(keys_);
    values.swap(values_);
    reset(std::max<std::size_t>(16, keys.size()));
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (keys[i] != nullptr) {
            findOrAdd(keys[i], values[i]);
        }
    }
}

// ----- StepIndex -----

CTrainItem* StepIndex::Occupants::iterator::operator*() const {
    return index_->entries_[at_].vehicle;
}

StepIndex::Occupants::iterator& StepIndex::Occupants::iterator::operator++() {
    at_ = index_->entries_[at_].nextOnTile;
    return *this;
}

StepIndex::StepIndex(const std::vector<CTrainItem*>& vehicles,
                     const std::vector<CTrainItem*>& leaders) {
    rebuild(vehicles, leaders);
}

void StepIndex::rebuild(const std::vector<CTrainItem*>& vehicles,
                        const std::vector<CTrainItem*>& leaders) {
    listSize_ = vehicles.size();
    entries_.clear();
    trains_.clear();
    members_.clear();
    byVehicle_.reset(vehicles.size());
    byTile_.reset(vehicles.size());
    leaders_.reset(leaders.size());
    for (const CTrainItem* leader : leaders) {
        leaders_.findOrAdd(leader, 0);
    }
    for (std::size_t i = 0; i < vehicles.size(); ++i) {
        CTrainItem* v = vehicles[i];
        const auto next = static_cast<std::uint32_t>(entries_.size());
        if (byVehicle_.findOrAdd(v, next) != next) {
            continue; // listed twice: the first place counts
        }
        Entry entry;
        entry.vehicle = v;
        entry.position = static_cast<std::uint32_t>(i);
        entries_.push_back(entry);
        file(next, v->currentTile());
    }
    // Trains, each walked once from its first listed member; a member reached through the
    // links of an earlier train keeps that train.
    numbered_.assign(vehicles.size(), false);
    for (std::size_t i = 0; i < vehicles.size(); ++i) {
        if (numbered_[i]) {
            continue;
        }
        Train train;
        train.begin = static_cast<std::uint32_t>(members_.size());
        vehicles[i]->appendTrainMembers(members_);
        if (std::find(members_.begin() + train.begin, members_.end(), vehicles[i]) ==
            members_.end()) {
            members_.push_back(vehicles[i]);
        }
        train.end = static_cast<std::uint32_t>(members_.size());
        const auto number = static_cast<std::uint32_t>(trains_.size());
        for (std::uint32_t k = train.begin; k < train.end; ++k) {
            CTrainItem* m = members_[k];
            train.hasLeader = train.hasLeader || leaders_.find(m) != kNone;
            if (const std::uint32_t e = byVehicle_.find(m); e != kNone) {
                entries_[e].train = number;
                numbered_[entries_[e].position] = true;
            }
        }
        trains_.push_back(train);
    }
}

void StepIndex::file(std::uint32_t entry, const model::CTrackItem* tile) {
    Entry& e = entries_[entry];
    if (e.tile != nullptr) {
        // Unlinked from the list of its old tile.
        std::uint32_t* link = &byTile_.findOrAdd(e.tile, kNone);
        while (*link != kNone && *link != entry) {
            link = &entries_[*link].nextOnTile;
        }
        if (*link == entry) {
            *link = e.nextOnTile;
        }
        e.nextOnTile = kNone;
    }
    e.tile = tile;
    if (tile != nullptr) {
        std::uint32_t& first = byTile_.findOrAdd(tile, kNone);
        entries_[entry].nextOnTile = first;
        first = entry;
    }
}

StepIndex::Occupants StepIndex::on(const model::CTrackItem* tile) const {
    return {this, tile == nullptr ? kNone : byTile_.find(tile)};
}

void StepIndex::appendOn(const model::CTrackItem* tile, std::vector<CTrainItem*>& out) const {
    for (CTrainItem* v : on(tile)) {
        out.push_back(v);
    }
}

bool StepIndex::sameTrain(const CTrainItem* a, const CTrainItem* b) const {
    const std::uint32_t x = byVehicle_.find(a);
    const std::uint32_t y = byVehicle_.find(b);
    return x != kNone && y != kNone && entries_[x].train == entries_[y].train;
}

bool StepIndex::trainHasLeader(const CTrainItem* v) const {
    const std::uint32_t e = byVehicle_.find(v);
    return e != kNone && trains_[entries_[e].train].hasLeader;
}

std::size_t StepIndex::listPosition(const CTrainItem* v) const {
    const std::uint32_t e = byVehicle_.find(v);
    return e == kNone ? listSize_ : entries_[e].position;
}

void StepIndex::moved(const CTrainItem* v) {
    const std::uint32_t found = byVehicle_.find(v);
    if (found == kNone) {
        return;
    }
    const Train& train = trains_[entries_[found].train];
    for (std::uint32_t k = train.begin; k < train.end; ++k) {
        const CTrainItem* m = members_[k];
        const std::uint32_t e = byVehicle_.find(m);
        if (e == kNone) {
            continue;
        }
        const model::CTrackItem* now = m->currentTile();
        if (now != entries_[e].tile) {
            file(e, now);
        }
    }
}

} // namespace trains
