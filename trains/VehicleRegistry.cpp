#include "trains/VehicleRegistry.h"

#include <array>
#include <atomic>
#include <map>
#include <mutex>
#include <set>
#include <shared_mutex>
#include <unordered_map>

#include "items/ItemHeader.h"
#include "items/ItemRegistry.h"
#include "model/CZarnoltDocument.h"
#include "platform/RenderLock.h"
#include "trains/CTrainControler.h"
#include "trains/CTrainItem.h"
#include "trains/CTrainTypeItem.h"

namespace trains {

namespace {

// Registered vehicles by identity. Identities are handed out in order and never reused, so
// they index fixed blocks of slots; a block, once made, is neither moved nor freed, and a
// look-up reads two atomics without a lock. Identities past the blocks' reach (more than
// 16 million vehicles made in one run) are kept in a map under the mutex.
constexpr std::size_t kSlotBits = 12;
constexpr std::size_t kSlotsPerBlock = std::size_t{1} << kSlotBits;
constexpr std::size_t kBlockCount = 4096;

struct SlotBlock {
    std::array<std::atomic<CTrainItem*>, kSlotsPerBlock> slots{};
};

struct Registry {
    std::shared_mutex mutex;
    std::array<std::atomic<SlotBlock*>, kBlockCount> blocks{};
    std::unordered_map<VehicleId, CTrainItem*> beyond;
    std::size_t count = 0;
    VehicleId nextId = 1;
};

Registry& registry() {
    static Registry r;
    return r;
}

// The slot of an identity the blocks reach, or null; `make` adds its block when missing
// (the caller holds the mutex exclusively).
std::atomic<CTrainItem*>* slotOf(Registry& r, VehicleId id, bool make) {
    const std::size_t block = static_cast<std::size_t>(id >> kSlotBits);
    if (block >= kBlockCount) {
        return nullptr;
    }
    SlotBlock* b = r.blocks[block].load(std::memory_order_acquire);
    if (b == nullptr) {
        if (!make) {
            return nullptr;
        }
        // Kept for the life of the process: a reader on another thread may hold its address.
        b = new SlotBlock;
        r.blocks[block].store(b, std::memory_order_release);
    }
    return &b->slots[static_cast<std::size_t>(id & (kSlotsPerBlock - 1))];
}

// Vehicles made by createVehicle, by identity (so that destruction order is creation order).
std::map<VehicleId, std::unique_ptr<CTrainItem>>& store() {
    static std::map<VehicleId, std::unique_ptr<CTrainItem>> owned;
    return owned;
}

std::set<VehicleId>& deletionSet() {
    static std::set<VehicleId> queued;
    return queued;
}

std::atomic<VehicleId> cameraId{0};

} // namespace

TrainHooks& trainHooks() {
    static TrainHooks hooks;
    return hooks;
}

void runUnderRenderLock(const std::function<void()>& fn) {
    platform::RenderLockGuard model;
    fn();
}

namespace detail {

VehicleId registerVehicle(CTrainItem* vehicle) {
    auto& r = registry();
    std::unique_lock lock(r.mutex);
    const VehicleId id = r.nextId++;
    if (std::atomic<CTrainItem*>* slot = slotOf(r, id, true)) {
        slot->store(vehicle, std::memory_order_release);
    } else {
        r.beyond.emplace(id, vehicle);
    }
    ++r.count;
    return id;
}

void unregisterVehicle(VehicleId id) {
    auto& r = registry();
    std::unique_lock lock(r.mutex);
    if (std::atomic<CTrainItem*>* slot = slotOf(r, id, false)) {
        if (slot->exchange(nullptr, std::memory_order_acq_rel) != nullptr) {
            --r.count;
        }
    } else if (r.beyond.erase(id) != 0) {
        --r.count;
    }
}

} // namespace detail

CTrainItem* findVehicle(VehicleId id) {
    if (id == 0) {
        return nullptr;
    }
    auto& r = registry();
    if (const std::atomic<CTrainItem*>* slot = slotOf(r, id, false)) {
        return slot->load(std::memory_order_acquire);
    }
    if (static_cast<std::size_t>(id >> kSlotBits) < kBlockCount) {
        return nullptr; // no block yet: never registered
    }
    std::shared_lock lock(r.mutex);
    auto it = r.beyond.find(id);
    return it == r.beyond.end() ? nullptr : it->second;
}

std::size_t registeredVehicleCount() {
    auto& r = registry();
    std::shared_lock lock(r.mutex);
    return r.count;
}

CTrainItem* createVehicle(model::CTrackItem* tile, std::int32_t typeCode,
                          std::string_view modelName) {
    platform::RenderLockGuard model;
    auto vehicle = std::make_unique<CTrainItem>(tile, typeCode, modelName);
    CTrainItem* address = vehicle.get();
    store().emplace(address->id(), std::move(vehicle));
    if (trainHooks().createPane) {
        address->setPane(trainHooks().createPane(*address));
    }
    return address;
}

bool destroyVehicle(CTrainItem* vehicle) {
    platform::RenderLockGuard model;
    if (vehicle == nullptr) {
        return false;
    }
    auto node = store().extract(vehicle->id());
    if (node.empty() || node.mapped().get() != vehicle) {
        return false;
    }
    node.mapped().reset();
    return true;
}

void queueVehicleDeletion(CTrainItem* vehicle) {
    platform::RenderLockGuard model;
    if (vehicle != nullptr) {
        deletionSet().insert(vehicle->id());
    }
}

bool isQueuedForDeletion(VehicleId id) {
    platform::RenderLockGuard model;
    return deletionSet().count(id) != 0;
}

bool flushVehicleDeletions() {
    platform::RenderLockGuard model;
    std::set<VehicleId> queued;
    queued.swap(deletionSet());
    bool any = false;
    for (VehicleId id : queued) {
        if (CTrainItem* v = findVehicle(id)) {
            any = destroyVehicle(v) || any;
        }
    }
    return any;
}

void deleteVehiclesOnTile(const model::CTrackItem* tile) {
    platform::RenderLockGuard model;
    if (tile == nullptr) {
        return;
    }
    std::vector<CTrainItem*> doomed;
    for (const auto& [id, vehicle] : store()) {
        if (vehicle->currentTile() == tile) {
            doomed.push_back(vehicle.get());
        }
    }
    for (CTrainItem* v : doomed) {
        destroyVehicle(v);
    }
}

void deleteAllVehicles() {
    platform::RenderLockGuard model;
    if (CTrainControler* controller = trainController()) {
        const std::vector<CTrainItem*> listed = controller->vehicles();
        for (CTrainItem* v : listed) {
            if (findVehicle(v->id()) == v) {
                destroyVehicle(v);
            }
        }
    }
    while (!store().empty()) {
        destroyVehicle(store().begin()->second.get());
    }
    deletionSet().clear();
    cameraId = 0;
}

CTrainItem* cameraTrain() {
    if (CTrainItem* v = findVehicle(cameraId)) {
        return v;
    }
    cameraId = 0;
    if (CTrainControler* controller = trainController()) {
        for (CTrainItem* v : controller->vehicles()) {
            if (!v->isAutomobile()) {
                CTrainItem* chosen = v->firstMotiveVehicle();
                if (chosen == nullptr) {
                    chosen = v->head();
                }
                cameraId = chosen->id();
                return chosen;
            }
        }
    }
    return nullptr;
}

void setCameraTrain(CTrainItem* vehicle) {
    if (vehicle == nullptr) {
        cameraId = 0;
        return;
    }
    if (vehicle->isAutomobile()) {
        return;
    }
    CTrainItem* chosen = vehicle->firstMotiveVehicle();
    if (chosen == nullptr) {
        chosen = vehicle->head();
    }
    cameraId = chosen->id();
}

VehicleId cameraTrainId() {
    return cameraId;
}

std::unique_ptr<CTrainTypeItem> createTrainTypeItem(const std::filesystem::path& path) {
    auto entry = std::make_unique<CTrainTypeItem>();
    const auto header = items::readItemHeader(path);
    if (!header || header->kind < 100 || header->kind > 105) {
        return nullptr;
    }
    const std::string baseName = path.filename().string();
    const items::C3DItemObject* model = items::getItemByFileName(baseName);
    if (model == nullptr) {
        return nullptr;
    }
    entry->setTypeCode(model->kind() + kModelKindToType);
    entry->setOwnTypeCode(model->kind() + kModelKindToType);
    entry->setModelName(baseName);
    return entry;
}

void installTrainSeams() {
    model::DocumentServices& services = model::documentServices();
    auto& stop = services.clearSteps[static_cast<int>(model::ClearStage::StopTrains)];
    if (!stop) {
        stop = [](model::CZarnoltDocument&) {
            if (CTrainControler* controller = trainController()) {
                controller->stop(true);
            }
        };
    }
    auto& step = services.clearSteps[static_cast<int>(model::ClearStage::DeleteTrains)];
    if (!step) {
        step = [](model::CZarnoltDocument&) { deleteAllVehicles(); };
    }
    if (!services.loadTrainModels) {
        services.loadTrainModels = [] {
            if (const CTrainControler* controller = trainController()) {
                for (const CTrainItem* v : controller->vehicles()) {
                    v->findModel();
                }
            }
        };
    }
}

} // namespace trains
