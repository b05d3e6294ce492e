#pragma once
#include <cstddef>
#include <cstdint>
#include <iterator>
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
// re-filed with moved(). Everything is kept in flat arrays that rebuild() reuses, so an index
// kept from step to step files the vehicles without taking memory.
class StepIndex {
public:
    StepIndex() = default;
    // `leaders` are the trains' first motive vehicles (CTrainControler::trainLeaders).
    StepIndex(const std::vector<CTrainItem*>& vehicles, const std::vector<CTrainItem*>& leaders);

    // Files the vehicles afresh, as the constructor does.
    void rebuild(const std::vector<CTrainItem*>& vehicles, const std::vector<CTrainItem*>& leaders);

    // The listed vehicles whose current tile is `tile`, in no particular order.
    class Occupants {
    public:
        class iterator {
        public:
            using iterator_category = std::forward_iterator_tag;
            using value_type = CTrainItem*;
            using difference_type = std::ptrdiff_t;
            using pointer = CTrainItem* const*;
            using reference = CTrainItem*;
            iterator() = default;
            CTrainItem* operator*() const;
            iterator& operator++();
            iterator operator++(int) {
                iterator before = *this;
                ++*this;
                return before;
            }
            bool operator==(const iterator& other) const { return at_ == other.at_; }

        private:
            friend class Occupants;
            iterator(const StepIndex* index, std::uint32_t at) : index_(index), at_(at) {}
            const StepIndex* index_ = nullptr;
            std::uint32_t at_ = kNone;
        };
        iterator begin() const { return {index_, first_}; }
        iterator end() const { return {index_, kNone}; }
        bool empty() const { return first_ == kNone; }

    private:
        friend class StepIndex;
        Occupants(const StepIndex* index, std::uint32_t first) : index_(index), first_(first) {}
        const StepIndex* index_;
        std::uint32_t first_;
    };
    Occupants on(const model::CTrackItem* tile) const;
    // Appends the vehicles on(tile) to `out`.
    void appendOn(const model::CTrackItem* tile, std::vector<CTrainItem*>& out) const;
    // Both listed and members of one train.
    bool sameTrain(const CTrainItem* a, const CTrainItem* b) const;
    // The vehicle's train holds one of the leaders (it has a motive vehicle).
    bool trainHasLeader(const CTrainItem* v) const;
    // 0-based position in the controller's list; the list size for an unlisted vehicle.
    std::size_t listPosition(const CTrainItem* v) const;
    // Files every member of v's train under its current tile again.
    void moved(const CTrainItem* v);

private:
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

    // Open addressing from an address to a number, cleared in one sweep of its arrays.
    class AddressTable {
    public:
        void reset(std::size_t expected);
        // The number filed under `key`, or kNone.
        std::uint32_t find(const void* key) const;
        // The number filed under `key`, filed as `value` first when missing.
        std::uint32_t& findOrAdd(const void* key, std::uint32_t value);

    private:
        std::size_t slotOf(const void* key) const;
        void grow();
        std::vector<const void*> keys_;
        std::vector<std::uint32_t> values_;
        std::size_t used_ = 0;
    };

    struct Entry {
        CTrainItem* vehicle = nullptr;
        const model::CTrackItem* tile = nullptr;
        std::uint32_t position = 0;
        std::uint32_t train = 0;
        std::uint32_t nextOnTile = kNone;
    };
    struct Train {
        std::uint32_t begin = 0; // its members in members_
        std::uint32_t end = 0;
        bool hasLeader = false;
    };

    void file(std::uint32_t entry, const model::CTrackItem* tile);

    std::vector<Entry> entries_;
    AddressTable byVehicle_; // vehicle → its entry
    AddressTable byTile_;    // tile → first entry filed there
    AddressTable leaders_;
    std::vector<Train> trains_;
    std::vector<CTrainItem*> members_;
    std::vector<bool> numbered_;
    std::size_t listSize_ = 0;
};

// The lists a controller step fills; the controller keeps one set from step to step so that
// a step takes no memory once the lists have grown to the layout's size.
struct StepScratch {
    StepIndex index;   // the step's index
    StepIndex refiled; // the coupling search's, once a coupling changed trains
    std::vector<CTrainItem*> vehicles;
    std::vector<CTrainItem*> leaders;
    std::vector<CTrainItem*> members;
    std::vector<CTrainItem*> heads;
    std::vector<CTrainItem*> near;
};

} // namespace trains
