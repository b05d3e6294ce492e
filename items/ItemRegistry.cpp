#include "items/ItemRegistry.h"

#include "image/FileBytes.h"
#include "items/BuiltinFiles.h"
#include "items/C3DItemObject.h"
#include "items/ItemCatalogue.h"
#include "items/LegacyNames.h"
#include "platform/RenderLock.h"

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

namespace items {
namespace {

struct ItemStore {
    // Recursive: a lookup may load an item, whose construction and loading register it.
    std::recursive_mutex mutex;
    std::set<const C3DItemObject*> live;
    std::map<std::string, C3DItemObject*, std::less<>> names;
    std::map<std::int16_t, C3DItemObject*> numbers;
    std::vector<std::unique_ptr<C3DItemObject>> owned;
};

// Never destroyed, so that items destroyed during static destruction still find it.
ItemStore& store() {
    static ItemStore* instance = new ItemStore;
    return *instance;
}

C3DItemObject* liveOrNull(ItemStore& s, C3DItemObject* item) {
    return (item != nullptr && s.live.contains(item)) ? item : nullptr;
}

C3DItemObject* findByName(ItemStore& s, std::string_view name) {
    const auto it = s.names.find(name);
    return it == s.names.end() ? nullptr : liveOrNull(s, it->second);
}

} // namespace

bool isLiveItem(const C3DItemObject* item) {
    ItemStore& s = store();
    std::lock_guard lock(s.mutex);
    return s.live.contains(item);
}

void registerItem(C3DItemObject* item) {
    ItemStore& s = store();
    std::lock_guard lock(s.mutex);
    s.live.insert(item);
}

void unregisterItem(C3DItemObject* item) {
    ItemStore& s = store();
    std::lock_guard lock(s.mutex);
    s.live.erase(item);
    std::erase_if(s.names, [item](const auto& entry) { return entry.second == item; });
    std::erase_if(s.numbers, [item](const auto& entry) { return entry.second == item; });
}

void enterInNameMap(const std::string& baseName, C3DItemObject* item) {
    ItemStore& s = store();
    std::lock_guard lock(s.mutex);
    s.names.erase(baseName);
    s.names.emplace(baseName, item);
}

C3DItemObject* getItemByFileName(std::string_view baseName) {
    ItemStore& s = store();
    std::lock_guard lock(s.mutex);
    if (C3DItemObject* item = findByName(s, baseName)) {
        return item;
    }
    const std::string translated = translateLegacyName(baseName);
    if (!translated.empty()) {
        if (C3DItemObject* item = findByName(s, translated)) {
            return item;
        }
    }
    const auto path = findInCatalogue(baseName);
    if (!path) {
        return nullptr;
    }
    auto item = std::make_unique<C3DItemObject>();
    if (!item->loadFromPath(*path)) {
        return nullptr;
    }
    item->prepareGeometry();
    s.owned.push_back(std::move(item));
    return s.owned.back().get();
}

C3DItemObject* getBuiltinItem(std::int16_t number) {
    ItemStore& s = store();
    std::lock_guard lock(s.mutex);
    if (const auto it = s.numbers.find(number); it != s.numbers.end()) {
        if (C3DItemObject* item = liveOrNull(s, it->second)) {
            return item;
        }
    }
    const auto path = findBuiltinItem(number);
    if (path.empty()) {
        return nullptr;
    }
    const auto bytes = image::readFileBytes(path);
    auto item = std::make_unique<C3DItemObject>();
    if (!bytes || !item->loadFromMemory(*bytes)) {
        return nullptr;
    }
    item->prepareGeometry();
    item->setBuiltinIdentity(number);
    s.numbers[number] = item.get();
    s.owned.push_back(std::move(item));
    return s.owned.back().get();
}

C3DItemObject* getNightItem(std::string_view baseName) {
    return getItemByFileName("night_" + std::string(baseName));
}

void prepareAllItems() {
    ItemStore& s = store();
    std::lock_guard lock(s.mutex);
    for (const auto& [name, item] : s.names) {
        if (C3DItemObject* live = liveOrNull(s, item)) {
            live->prepareGeometry();
        }
    }
    for (std::int16_t number = 128; number <= 138; ++number) {
        if (C3DItemObject* item = getBuiltinItem(number)) {
            item->prepareGeometry();
        }
    }
}

void releaseAllItems() {
    ItemStore& s = store();
    // A frame being drawn may hold pointers into the items: wait for it.
    platform::RenderLockGuard model;
    std::vector<std::unique_ptr<C3DItemObject>> doomed;
    {
        std::lock_guard lock(s.mutex);
        doomed.swap(s.owned);
        for (const auto& [name, item] : s.names) {
            if (C3DItemObject* live = liveOrNull(s, item)) {
                live->clearIdentity();
            }
        }
        s.names.clear();
        s.numbers.clear();
    }
    doomed.clear();
}

std::size_t sharedItemCount() {
    ItemStore& s = store();
    std::lock_guard lock(s.mutex);
    return s.names.size() + s.numbers.size();
}

} // namespace items
