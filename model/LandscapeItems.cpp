#include "model/LandscapeItems.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <unordered_map>

#include "model/CLandscapeItem.h"
#include "model/CZarnoltDocument.h"
#include "model/ModelSeams.h"
#include "model/TrackTiles.h"

namespace model {

namespace {

// Items in creation order (a loaded layout keeps its file order, so saving is repeatable),
// with an address index for the stale-reference check.
class ItemMap {
public:
    using Ordered = std::map<std::uint64_t, std::unique_ptr<CLandscapeItem>>;
    struct Entry {
        const CLandscapeItem* address;
        CLandscapeItem* item;
    };

    void add(std::unique_ptr<CLandscapeItem> item) {
        index_.emplace(item.get(), next_);
        ordered_.emplace(next_++, std::move(item));
    }
    // Takes the item out of the container; null when it is not held.
    std::unique_ptr<CLandscapeItem> take(const CLandscapeItem* address) {
        auto it = index_.find(address);
        if (it == index_.end()) {
            return nullptr;
        }
        auto node = ordered_.extract(it->second);
        index_.erase(it);
        return std::move(node.mapped());
    }
    CLandscapeItem* find(const void* address) const {
        auto it = index_.find(static_cast<const CLandscapeItem*>(address));
        return it == index_.end() ? nullptr : ordered_.at(it->second).get();
    }
    void swap(ItemMap& other) {
        ordered_.swap(other.ordered_);
        index_.swap(other.index_);
    }
    void clear() {
        index_.clear();
        ordered_.clear();
    }
    bool empty() const { return ordered_.empty(); }
    std::size_t size() const { return ordered_.size(); }
    Ordered::const_iterator begin() const { return ordered_.begin(); }
    Ordered::const_iterator end() const { return ordered_.end(); }

private:
    Ordered ordered_;
    std::unordered_map<const CLandscapeItem*, std::uint64_t> index_;
    std::uint64_t next_ = 0;
};

ItemMap& items() {
    // The tile containers are made first so that they outlive the items at exit, when the
    // items' destructors still remove their ranges from the tiles.
    static const bool tilesFirst = layerMap(GroundLayer) != nullptr;
    (void)tilesFirst;
    static ItemMap map;
    return map;
}

} // namespace

LandscapeHooks& landscapeHooks() {
    static LandscapeHooks hooks;
    return hooks;
}

void installLandscapeSeams() {
    auto& hook = modelHooks().landscapeItems;
    if (!hook) {
        hook = []() {
            std::vector<const LandscapeCover*> covers;
            covers.reserve(items().size());
            for (const auto& [address, item] : items()) {
                covers.push_back(item.get());
            }
            return covers;
        };
    }
    auto& step = documentServices().clearSteps[static_cast<int>(ClearStage::DeleteLandscapeItems)];
    if (!step) {
        step = [](CZarnoltDocument&) { deleteAllLandscapeItems(); };
    }
}

CLandscapeItem* createLandscapeItem() {
    installLandscapeSeams();
    auto item = std::make_unique<CLandscapeItem>();
    CLandscapeItem* address = item.get();
    items().add(std::move(item));
    return address;
}

bool deleteLandscapeItem(const CLandscapeItem* item) {
    auto taken = items().take(item);
    if (!taken) {
        return false;
    }
    // The item has left the container before its destructor runs, so the tiles no longer
    // see it while its ranges are removed.
    taken.reset();
    recomputeCoverFlags();
    return true;
}

void deleteAllLandscapeItems() {
    if (items().empty()) {
        return;
    }
    ItemMap doomed;
    doomed.swap(items());
    doomed.clear();
    recomputeCoverFlags();
}

CLandscapeItem* validLandscapeItem(const void* address) {
    return items().find(address);
}

std::vector<CLandscapeItem*> landscapeItems() {
    std::vector<CLandscapeItem*> list;
    list.reserve(items().size());
    for (const auto& [address, item] : items()) {
        list.push_back(item.get());
    }
    return list;
}

std::size_t landscapeItemCount() {
    return items().size();
}

void refreshAllTerrainRanges() {
    for (const auto& [address, item] : items()) {
        item->removeTerrainRanges();
        item->addTerrainRanges();
    }
    recomputeCoverFlags();
}

double terrainHeightAt(double x, double z) {
    double height = 0.0;
    for (const auto& [address, item] : items()) {
        const double h = item->heightAt(x, z);
        height = item->isHollow() ? std::min(height, h) : std::max(height, h);
    }
    return height;
}

} // namespace model
