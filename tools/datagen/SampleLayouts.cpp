#include "tools/datagen/SampleLayouts.h"
#include "tools/datagen/FolderSwap.h"

#include "tools/datagen/LayoutBuilder.h"
#include "tools/datagen/SampleBuilders.h"

#include "items/ItemCatalogue.h"
#include "model/CZarnoltDocument.h"
#include "model/TrackTiles.h"
#include "persistence/LayoutFile.h"
#include "platform/Registry.h"
#include "trains/TrainFileHandlers.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

namespace datagen {

namespace {

constexpr const char* kDataVariable = "ZARNOLT_DATA";

fs::path utf8Path(std::string_view text) {
    return fs::path(std::u8string(reinterpret_cast<const char8_t*>(text.data()), text.size()));
}

// An existing samples folder is replaced only when it holds nothing but layout files.
bool holdsOnlyLayouts(const fs::path& folder) {
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (!it->is_regular_file() || it->path().extension() != ".zrn") {
            return false;
        }
    }
    return !error;
}

// The preference record of a document made here goes to a file that is deleted afterwards,
// so generating samples never touches the user's settings.
class OwnDocument {
public:
    explicit OwnDocument(const fs::path& scratch)
        : scratch_(scratch), registry_(scratch / "preferences.json"),
          document_(std::make_unique<model::CZarnoltDocument>(1, 1, &registry_)) {}
    ~OwnDocument() {
        document_.reset();
        std::error_code error;
        fs::remove_all(scratch_, error);
    }
    OwnDocument(const OwnDocument&) = delete;
    OwnDocument& operator=(const OwnDocument&) = delete;
    model::CZarnoltDocument& document() { return *document_; }

private:
    fs::path scratch_;
    platform::Registry registry_;
    std::unique_ptr<model::CZarnoltDocument> document_;
};

} // namespace

const std::vector<SampleLayout>& sampleLayouts() {
    static const std::vector<SampleLayout> samples = {
        {"複線ループ.zrn", 22, 16, buildDoubleLoop},
        {"高架モノレール.zrn", 18, 12, buildElevatedMonorail},
        {"踏切のある町.zrn", 20, 16, buildTownCrossing},
        {"トンネルと鉄橋.zrn", 24, 14, buildTunnelAndBridge},
        {"入換と折り返し.zrn", 24, 14, buildShuntingYard},
    };
    return samples;
}

DataFolderScope::DataFolderScope(const fs::path& dataFolder) {
    if (const char* value = std::getenv(kDataVariable)) {
        previous_ = value;
    }
    ::setenv(kDataVariable, dataFolder.c_str(), 1);
    items::resetCatalogue();
}

DataFolderScope::~DataFolderScope() {
    if (previous_) {
        ::setenv(kDataVariable, previous_->c_str(), 1);
    } else {
        ::unsetenv(kDataVariable);
    }
    items::resetCatalogue();
}

void buildSampleLayout(const SampleLayout& sample, model::CZarnoltDocument& document,
                       const fs::path& dataFolder) {
    document.newLayout(sample.columns, sample.rows);
    LayoutBuilder builder(dataFolder);
    sample.build(builder);
    model::clearSelection();
}

bool writeSampleLayouts(const fs::path& samplesFolder, const fs::path& dataFolder) {
    std::error_code error;
    fs::create_directories(samplesFolder, error);
    if (error) {
        std::fprintf(stderr, "cannot create %s\n", samplesFolder.c_str());
        return false;
    }
    persistence::installLayoutFileHandlers();
    trains::installTrainFileHandlers();
    const DataFolderScope scope(dataFolder);
    std::unique_ptr<OwnDocument> own;
    model::CZarnoltDocument* document = model::currentDocument();
    if (document == nullptr) {
        fs::path scratch = samplesFolder;
        scratch += ".scratch";
        own = std::make_unique<OwnDocument>(scratch);
        document = &own->document();
    }
    bool written = true;
    for (const SampleLayout& sample : sampleLayouts()) {
        const fs::path file = samplesFolder / utf8Path(sample.fileName);
        try {
            buildSampleLayout(sample, *document, dataFolder);
        } catch (const std::exception& failure) {
            std::fprintf(stderr, "cannot lay out %s: %s\n", file.c_str(), failure.what());
            written = false;
            break;
        }
        if (!document->writeFile(file)) {
            std::fprintf(stderr, "cannot write %s\n", file.c_str());
            written = false;
            break;
        }
    }
    document->newLayout(1, 1);
    return written;
}

bool generateSampleLayouts(const fs::path& outputFolder, const fs::path& dataFolder) {
    const fs::path target = fs::absolute(outputFolder);
    const fs::path data = fs::absolute(dataFolder);
    return writeFolderInPlace(
        target, holdsOnlyLayouts,
        [&](const fs::path& folder) { return writeSampleLayouts(folder, data); }, "sample layouts");
}

} // namespace datagen
