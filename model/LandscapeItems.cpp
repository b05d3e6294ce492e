#include "model/LandscapeItems.h"

#include <algorithm>
#include <map>
#include <memory>

#include "model/CLandscapeItem.h"
#include "model/CZarnoltDocument.h"
#include "model/ModelSeams.h"
#include "model/TrackTiles.h"

namespace model {

namespace {

using ItemMap = std::map<const CLandscapeItem*, std::unique_ptr<CLandscapeItem>>;

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
    items().emplace(address, std::move(item));
    return address;
}

bool deleteLandscapeItem(const CLandscapeItem* item) {
    auto node = items().extract(item);
    if (node.empty()) {
        return false;
    }
    // The item has left the container before its destructor runs, so the tiles no longer
    // see it while its ranges are removed.
    node.mapped().reset();
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
    auto it = items().find(static_cast<const CLandscapeItem*>(address));
    return it != items().end() ? it->second.get() : nullptr;
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
