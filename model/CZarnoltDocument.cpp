#include "model/CZarnoltDocument.h"

#include <algorithm>
#include <atomic>
#include <memory>

#include "items/ItemRegistry.h"
#include "model/CTrackItem.h"
#include "model/TrackTiles.h"
#include "platform/Registry.h"
#include "platform/RenderLock.h"

namespace model {

namespace {

CZarnoltDocument* current = nullptr;
// Made by getOrCreateDocument. Not destroyed by a static destructor: the containers its
// destructor empties may already be gone then; the program calls releaseCreatedDocument.
CZarnoltDocument* created = nullptr;
std::atomic<std::uint64_t> generation{0};

} // namespace

DocumentServices& documentServices() {
    static DocumentServices services;
    return services;
}

CZarnoltDocument* currentDocument() {
    return current;
}

CZarnoltDocument* getOrCreateDocument(int columns, int rows) {
    if (current == nullptr) {
        delete created;
        created = new CZarnoltDocument(columns, rows);
    }
    return current;
}

void releaseCreatedDocument() {
    delete created;
    created = nullptr;
}

std::uint64_t layoutGeneration() {
    return generation.load();
}

bool usesDirect3D() {
    return current != nullptr && current->testPreferenceFlag(PrefDirect3D);
}

CZarnoltDocument::CZarnoltDocument(int columns, int rows, platform::Registry* registry)
    : columns_(columns), rows_(rows), environment_(EnvironmentRecord::defaults()),
      preferences_(PreferenceData::defaults()), registry_(registry) {
    if (current == nullptr) {
        current = this;
    }
    if (auto stored = this->registry().getBinary(kRegistrySection, kRegistryEntry)) {
        if (auto decoded = PreferenceData::fromBytes(*stored)) {
            preferences_ = *decoded;
            // A damaged or foreign record must not make a board outside 1 … 999.
            preferences_.newColumns = std::clamp(preferences_.newColumns, 1, kMaxBoardSize);
            preferences_.newRows = std::clamp(preferences_.newRows, 1, kMaxBoardSize);
        }
    }
    if (columns_ == 0) {
        columns_ = preferences_.newColumns;
    }
    if (rows_ == 0) {
        rows_ = preferences_.newRows;
    }
}

CZarnoltDocument::~CZarnoltDocument() {
    runClear(false);
    if (current == this) {
        current = nullptr;
    }
    savePreferences();
}

platform::Registry& CZarnoltDocument::registry() {
    return registry_ != nullptr ? *registry_ : platform::Registry::instance();
}

bool CZarnoltDocument::savePreferences() {
    const auto bytes = preferences_.toBytes();
    return registry().setBinary(kRegistrySection, kRegistryEntry, bytes);
}

bool CZarnoltDocument::readFile(const std::filesystem::path& path,
                                const LoadProgressCallback& progress) {
    platform::RenderLockGuard model;
    fileMessage_.clear();
    auto& reader = documentServices().readFile;
    if (!reader || !reader(*this, path, progress)) {
        return false;
    }
    pathName_ = path.string();
    title_ = path.filename().string();
    return true;
}

bool CZarnoltDocument::writeFile(const std::filesystem::path& path) {
    platform::RenderLockGuard model;
    fileMessage_.clear();
    auto& writer = documentServices().writeFile;
    if (!writer || !writer(*this, path)) {
        return false;
    }
    pathName_ = path.string();
    title_ = path.filename().string();
    return true;
}

void CZarnoltDocument::newLayout(int columns, int rows) {
    title_.clear();
    pathName_.clear();
    columns_ = isValidBoardSize(columns) ? columns : preferences_.newColumns;
    rows_ = isValidBoardSize(rows) ? rows : preferences_.newRows;
    clear(true);
}

void CZarnoltDocument::clear(bool recreateRenderer) {
    platform::RenderLockGuard model;
    runClear(recreateRenderer);
}

void CZarnoltDocument::runClear(bool recreateRenderer) {
    ++generation;
    auto& steps = documentServices().clearSteps;
    for (int stage = 0; stage < kClearStageCount; ++stage) {
        if (stage == static_cast<int>(ClearStage::RecreateRenderer) && !recreateRenderer) {
            continue;
        }
        if (stage == static_cast<int>(ClearStage::DeleteTiles)) {
            deleteAllTiles();
        }
        if (stage == static_cast<int>(ClearStage::EmptyItemModelCache)) {
            // Tiles and vehicles are gone by now, so nothing refers to a shared item model.
            items::releaseAllItems();
        }
        if (steps[stage]) {
            steps[stage](*this);
        }
    }
}

void CZarnoltDocument::loadItemModels() {
    auto& services = documentServices();
    for (int layer = 0; layer < kTrackLayers; ++layer) {
        for (const auto& [key, tile] : *layerMap(layer)) {
            if (tile->hasStructure()) {
                const std::string& name = tile->getStructure()->getModelName();
                if (services.loadItemModel) {
                    services.loadItemModel(name);
                } else {
                    items::getItemByFileName(name);
                }
            }
        }
    }
    if (services.loadTrainModels) {
        services.loadTrainModels();
    }
}

void CZarnoltDocument::setSize(int columns, int rows) {
    if (isValidBoardSize(columns)) {
        columns_ = columns;
    }
    if (isValidBoardSize(rows)) {
        rows_ = rows;
    }
}

void CZarnoltDocument::getSize(int& columns, int& rows) const {
    columns = columns_;
    rows = rows_;
}

BoardRect CZarnoltDocument::getLayoutRect() const {
    return BoardRect{0, 0, rows_ * kTileEdge, columns_ * kTileEdge};
}

void CZarnoltDocument::resetEnvironment() {
    environment_ = EnvironmentRecord::defaults();
}

void CZarnoltDocument::setEnvironment(const EnvironmentRecord* record) {
    if (record != nullptr) {
        environment_ = *record;
    }
}

std::array<RGBColor16, 4> CZarnoltDocument::getTerrainColours() const {
    return {environment_.groundColour, environment_.hillHighColour, environment_.hillLowColour,
            environment_.hollowColour};
}

void CZarnoltDocument::setEnvironmentFlag(std::uint32_t mask, bool on) {
    environment_.flags = on ? (environment_.flags | mask) : (environment_.flags & ~mask);
}

void CZarnoltDocument::setTerrainColours(const std::array<RGBColor16, 4>& colours) {
    environment_.groundColour = colours[0];
    environment_.hillHighColour = colours[1];
    environment_.hillLowColour = colours[2];
    environment_.hollowColour = colours[3];
}

void CZarnoltDocument::setPreferences(const PreferenceData& data) {
    platform::RenderLockGuard model;
    preferences_ = data;
}

void CZarnoltDocument::setPreferenceFlags(std::uint32_t flags) {
    platform::RenderLockGuard model;
    preferences_.flags = flags;
}

void CZarnoltDocument::setPreferenceFlag(std::uint32_t mask, bool on) {
    platform::RenderLockGuard model;
    preferences_.flags = on ? (preferences_.flags | mask) : (preferences_.flags & ~mask);
}

} // namespace model
