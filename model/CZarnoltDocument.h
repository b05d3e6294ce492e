#pragma once
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "model/DocumentRecords.h"
#include "model/Geometry.h"

namespace platform {
class Registry;
}

namespace model {

class CZarnoltDocument;

// Called by readFile after each chunk: bytes read so far, total bytes, file name.
using LoadProgressCallback =
    std::function<void(std::int64_t done, std::int64_t total, std::string_view fileName)>;

// The stages of the document's clear, in the order they run. The tile stage is the model's
// own; the libraries that own the other containers (trains, renderer, landscape items, item
// models) join by setting their step in documentServices().
enum class ClearStage : int {
    StopTrains,
    DestroyRenderer,
    DeleteTrains,
    DeleteTiles,
    DeleteLandscapeItems,
    EmptyItemModelCache,
    RecreateRenderer,
};
inline constexpr int kClearStageCount = 7;

// Services that later libraries provide to the document. Every entry may be empty: a missing
// clear step is skipped, a missing file handler makes readFile/writeFile report failure.
struct DocumentServices {
    std::array<std::function<void(CZarnoltDocument&)>, kClearStageCount> clearSteps;
    std::function<bool(CZarnoltDocument&, const std::filesystem::path&,
                       const LoadProgressCallback&)>
        readFile;
    std::function<bool(CZarnoltDocument&, const std::filesystem::path&)> writeFile;
    // Loads one item model into the shared cache by file name; when empty, the shared item
    // cache of the item library loads it directly.
    std::function<void(std::string_view modelName)> loadItemModel;
    // Loads the item models of every train of the train controller.
    std::function<void()> loadTrainModels;
};

DocumentServices& documentServices();

// The model root: board size, file names, environment record and preferences. The first
// document constructed while none is current becomes `currentDocument`.
class CZarnoltDocument {
public:
    static constexpr const char* kRegistrySection = "CZarnoltDocument";
    static constexpr const char* kRegistryEntry = "PreferenceData";

    // A size of 0 takes the preference's new-layout size. `registry` is where the preference
    // record is read and written; null means the process-wide store.
    CZarnoltDocument(int columns, int rows, platform::Registry* registry = nullptr);
    ~CZarnoltDocument();
    CZarnoltDocument(const CZarnoltDocument&) = delete;
    CZarnoltDocument& operator=(const CZarnoltDocument&) = delete;

    const std::string& getTitle() const { return title_; }
    const std::string& getPathName() const { return pathName_; }

    // Reads or writes a layout file through the file library; false when it fails or when no
    // file library is linked. On success the path and title name the file.
    bool readFile(const std::filesystem::path& path, const LoadProgressCallback& progress = {});
    bool writeFile(const std::filesystem::path& path);
    // What the last readFile or writeFile has to tell the user in one line: why it failed, or
    // what a damaged file lost although it was read. Empty when there is nothing to tell.
    const std::string& fileMessage() const { return fileMessage_; }
    // Set by the file library while it reads or writes.
    void setFileMessage(std::string message) { fileMessage_ = std::move(message); }

    // Empties title and path, takes the size (out-of-range values: the preference size) and
    // clears the model, recreating the renderer.
    void newLayout(int columns, int rows);
    // Empties every model container in the fixed stage order.
    void clear(bool recreateRenderer);
    void loadItemModels();

    // Each value is taken only when it lies in 1 … 999.
    void setSize(int columns, int rows);
    void getSize(int& columns, int& rows) const;
    int getColumns() const { return columns_; }
    int getRows() const { return rows_; }
    // (0, 0, 40 × rows, 40 × columns).
    BoardRect getLayoutRect() const;

    void resetEnvironment();
    void setEnvironment(const EnvironmentRecord* record);
    EnvironmentRecord getEnvironment() const { return environment_; }
    int getSkyType() const { return environment_.skyType; }
    bool testEnvironmentFlag(std::uint32_t mask) const { return (environment_.flags & mask) != 0; }
    std::array<RGBColor16, 4> getTerrainColours() const;
    Vec3f getLightPosition() const { return environment_.lightPosition; }
    void setSkyType(int sky) { environment_.skyType = sky; }
    void setEnvironmentFlag(std::uint32_t mask, bool on);
    void setTerrainColours(const std::array<RGBColor16, 4>& colours);
    void setLightPosition(const Vec3f& position) { environment_.lightPosition = position; }

    // The preference setters hold the render lock: the controller thread reads the flags.
    void setPreferences(const PreferenceData& data);
    PreferenceData getPreferences() const { return preferences_; }
    void setPreferenceFlag(std::uint32_t mask, bool on);
    void setPreferenceFlags(std::uint32_t flags);
    bool testPreferenceFlag(std::uint32_t mask) const { return (preferences_.flags & mask) != 0; }
    std::uint32_t getPreferenceFlags() const { return preferences_.flags; }
    const KeyBinding* getKeyTable() const { return preferences_.keys; }
    KeyBinding* getKeyTable() { return preferences_.keys; }

    // Writes the preference record to the registry now (also done by the destructor).
    bool savePreferences();

private:
    void runClear(bool recreateRenderer);
    platform::Registry& registry();

    int columns_ = 0;
    int rows_ = 0;
    std::string title_;
    std::string pathName_;
    std::string fileMessage_;
    EnvironmentRecord environment_;
    PreferenceData preferences_;
    platform::Registry* registry_ = nullptr;
};

// The one current document, or null.
CZarnoltDocument* currentDocument();
// The current document; created with the given size when there is none. The created
// document is owned by this process-wide slot until releaseCreatedDocument, which the
// program calls before it exits (that writes the preference record).
CZarnoltDocument* getOrCreateDocument(int columns, int rows);
// Destroys a document made by getOrCreateDocument (no effect otherwise).
void releaseCreatedDocument();
// Counts the clears of any document (new, open, resize, close): state kept across edits, such
// as an undo snapshot, belongs to the layout of one count and is void after the next.
std::uint64_t layoutGeneration();
// True when a current document exists and prefers Direct3D.
bool usesDirect3D();

} // namespace model
