#include "trains/CTrainControler.h"

#include <algorithm>
#include <map>
#include <memory>
#include <tuple>
#include <unordered_set>

#include "model/CTrackItem.h"
#include "platform/ByteReader.h"
#include "platform/RenderLock.h"
#include "trains/CTrackControlItemManager.h"
#include "trains/CTrainControlerThread.h"
#include "trains/CTrainItem.h"
#include "trains/StepIndex.h"
#include "trains/TrainHooks.h"
#include "trains/VehicleRegistry.h"

namespace trains {

namespace {

CTrainControler* currentController = nullptr;
constexpr std::size_t kChunkHead = 28;

} // namespace

CTrainControler* trainController() {
    return currentController;
}

CTrainControler& getOrCreateTrainController() {
    static std::unique_ptr<CTrainControler> created;
    if (currentController == nullptr) {
        created = std::make_unique<CTrainControler>();
    }
    return *currentController;
}

CTrainControler::CTrainControler() {
    if (currentController == nullptr) {
        currentController = this;
    }
    installTrainSeams();
    installControlItemSeams();
    reloadSpeedSetting();
}

CTrainControler::~CTrainControler() {
    stop(true);
    const std::vector<CTrainItem*> listed = vehicles_;
    for (CTrainItem* v : listed) {
        if (findVehicle(v->id()) == v) {
            destroyVehicle(v);
        }
    }
    vehicles_.clear();
    if (currentController == this) {
        currentController = nullptr;
    }
}

void CTrainControler::addVehicle(CTrainItem* vehicle) {
    platform::RenderLockGuard model;
    if (vehicle != nullptr &&
        std::find(vehicles_.begin(), vehicles_.end(), vehicle) == vehicles_.end()) {
        vehicles_.push_back(vehicle);
    }
}

void CTrainControler::removeVehicle(const CTrainItem* vehicle) {
    platform::RenderLockGuard model;
    auto it = std::find(vehicles_.begin(), vehicles_.end(), vehicle);
    if (it != vehicles_.end()) {
        vehicles_.erase(it);
    }
}

std::int32_t CTrainControler::recordNumber(const CTrainItem* vehicle) const {
    if (vehicle == nullptr) {
        return 0;
    }
    std::int32_t number = 0;
    for (const CTrainItem* v : vehicles_) {
        if (isValidPosition(v->position())) {
            ++number;
            if (v == vehicle) {
                return number;
            }
        }
    }
    return 0;
}

std::vector<std::uint8_t> CTrainControler::saveChunk() const {
    platform::ByteWriter records;
    for (CTrainItem* v : vehicles_) {
        if (isValidPosition(v->position())) {
            v->writeRecord(records, recordNumber(v->rearNeighbour()),
                           recordNumber(v->frontNeighbour()));
        }
    }
    platform::ByteWriter out;
    out.reserve(kChunkHead + records.size());
    out.tag("TrnC");
    out.u32(static_cast<std::uint32_t>(kChunkHead + records.size()));
    out.u32(kChunkHead);
    out.u64(0);
    out.u64(0);
    out.bytes(records.data());
    return out.take();
}

std::size_t CTrainControler::loadChunk(std::span<const std::uint8_t> bytes,
                                       model::TilePos tileOffset) {
    platform::ByteReader head(bytes);
    if (bytes.size() < kChunkHead || !head.tag("TrnC")) {
        return 0;
    }
    std::size_t cutAt = 0;
    runUnderRenderLock([&] {
        const std::size_t total = std::min<std::size_t>(head.u32(), bytes.size());
        std::size_t offset = head.u32();

        // Records, in order; a vehicle that cannot be placed stays listed for now so that
        // the list positions match the record numbers.
        std::vector<CTrainItem*> loaded;
        while (offset < total && total - offset >= 8) {
            std::uint32_t tag = 0;
            std::uint32_t length = 0;
            platform::ByteReader::peekU32(bytes, offset, tag);
            platform::ByteReader::peekU32(bytes, offset + 4, length);
            if (tag != 0x54726E50u || length < 8 || length > total - offset) {
                cutAt = std::max<std::size_t>(offset, 8); // never 0, which means none
                break;
            }
            CTrainItem* v = createVehicle(nullptr, 0, {});
            addVehicle(v);
            loaded.push_back(v);
            v->readRecord(bytes.subspan(offset, length), tileOffset);
            offset += length;
        }
        if (offset < total && cutAt == 0) {
            cutAt = offset; // a few bytes too short for a record head
        }

        // Links from record numbers; automobiles and links to themselves get none.
        auto byNumber = [&](CTrainItem* self, std::int32_t number) -> VehicleId {
            if (number < 1 || static_cast<std::size_t>(number) > loaded.size()) {
                return 0;
            }
            CTrainItem* other = loaded[static_cast<std::size_t>(number) - 1];
            return (other == self || other->isAutomobile()) ? 0 : other->id();
        };
        for (CTrainItem* v : loaded) {
            if (v->isAutomobile()) {
                v->setRearLink(0);
                v->setFrontLink(0);
            } else {
                v->setRearLink(byNumber(v, v->recordedRear()));
                v->setFrontLink(byNumber(v, v->recordedFront()));
            }
        }

        // Coupled vehicles to coupling distance from the first of each chain; the walk
        // ends at a vehicle met before.
        auto placeChain = [](CTrainItem* v, bool behind) {
            std::unordered_set<const CTrainItem*> seen{v};
            CTrainItem* a = v;
            CTrainItem* w = v->rearNeighbour();
            while (w != nullptr && seen.insert(w).second) {
                a->placeBeside(w, behind);
                if (w->rearNeighbour() == v) {
                    w->setRearLink(0);
                    a = w;
                    break;
                }
                a = w;
                w = w->rearNeighbour();
            }
            if (!behind) {
                a->flipChainLinks();
            }
        };
        for (CTrainItem* v : loaded) {
            if (v->frontNeighbour() == nullptr) {
                placeChain(v, !v->savedAsTail());
            }
        }

        // Links to unregistered vehicles go; a chain leading back to its end is cut.
        for (CTrainItem* v : vehicles_) {
            if (v->rearNeighbour() == nullptr) {
                v->setRearLink(0);
            }
            if (v->frontNeighbour() == nullptr) {
                v->setFrontLink(0);
            }
        }
        for (CTrainItem* s : vehicles_) {
            for (bool front : {true, false}) {
                if ((front ? s->frontNeighbour() : s->rearNeighbour()) != nullptr) {
                    continue;
                }
                for (CTrainItem* w : s->chain(!front)) {
                    if ((front ? w->rearNeighbour() : w->frontNeighbour()) == s) {
                        if (front) {
                            w->setRearLink(0);
                        } else {
                            w->setFrontLink(0);
                        }
                        break;
                    }
                }
            }
        }

        // Unusable vehicles: a missing model, no tile, a negative tile position, or a tile
        // shared with a vehicle of another train (both go). Short cars of one train, spaced
        // at coupling distance, may stand two to a tile and stay.
        std::vector<CTrainItem*> unusable;
        std::map<std::tuple<int, int, int>, std::vector<CTrainItem*>> byTile;
        for (CTrainItem* v : vehicles_) {
            const model::CTrackItem* tile = v->currentTile();
            if ((v->typeCode() >= TypeSteam && v->findModel() == nullptr) || tile == nullptr ||
                tile->getPosition().column < 0 || tile->getPosition().row < 0) {
                unusable.push_back(v);
                continue;
            }
            byTile[{tile->getPosition().column, tile->getPosition().row, tile->getLayer()}]
                .push_back(v);
        }
        for (const auto& [key, standing] : byTile) {
            for (CTrainItem* v : standing) {
                if (std::any_of(standing.begin(), standing.end(),
                                [v](CTrainItem* w) { return !v->isSameTrain(w); })) {
                    unusable.push_back(v);
                }
            }
        }
        std::vector<VehicleId> doomed;
        std::vector<VehicleId> bereft; // coupled to a doomed vehicle
        for (CTrainItem* v : unusable) {
            doomed.push_back(v->id());
            for (const CTrainItem* n : {v->frontNeighbour(), v->rearNeighbour()}) {
                if (n != nullptr) {
                    bereft.push_back(n->id());
                }
            }
        }
        for (VehicleId id : doomed) {
            if (CTrainItem* v = findVehicle(id)) {
                destroyVehicle(v);
            }
        }
        // A train that lost a vehicle stands as the next load of its saved file will place
        // it: its first vehicle at its tile's middle, the others behind at coupling distance
        // (not beside a vehicle that is gone), so that saving it again gives the same bytes.
        std::unordered_set<const CTrainItem*> replaced;
        for (VehicleId id : bereft) {
            CTrainItem* v = findVehicle(id);
            if (v == nullptr) {
                continue;
            }
            CTrainItem* first = v->firstVehicle();
            if (replaced.insert(first).second &&
                first->placeOnTile(first->currentTile(), first->position().backward != 0)) {
                placeChain(first, true);
            }
        }
    });
    return cutAt;
}

} // namespace trains
