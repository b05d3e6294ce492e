#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace model {
class CZarnoltDocument;
}

namespace datagen {

class LayoutBuilder;

// The name of the sample layouts folder beside the data folder.
inline constexpr std::string_view kSamplesFolderName = "サンプル";

// One sample layout: its file name in the samples folder, its board size and what lays it.
struct SampleLayout {
    std::string_view fileName;
    int columns;
    int rows;
    void (*build)(LayoutBuilder& builder);
};

// Every sample layout, in a fixed order.
const std::vector<SampleLayout>& sampleLayouts();

// Makes `dataFolder` the data folder of the process (its item catalogue) while it lives and
// puts back the previous one afterwards.
class DataFolderScope {
public:
    explicit DataFolderScope(const std::filesystem::path& dataFolder);
    ~DataFolderScope();
    DataFolderScope(const DataFolderScope&) = delete;
    DataFolderScope& operator=(const DataFolderScope&) = delete;

private:
    std::optional<std::string> previous_;
};

// Empties the document's model, gives it the sample's board size and lays the sample out
// with the pieces and vehicles of `dataFolder`, which must be the process's data folder
// (DataFolderScope). The document must be the current one. Throws std::runtime_error when a
// step does not act.
void buildSampleLayout(const SampleLayout& sample, model::CZarnoltDocument& document,
                       const std::filesystem::path& dataFolder);

// Writes every sample layout into `samplesFolder` (created when missing), each laid out with
// the pieces and vehicles of the data pack in `dataFolder` and written by the document's
// writer. Uses the current document when there is one, else a document of its own whose
// preferences go nowhere. The files depend only on the code and the pack, so two runs give
// identical bytes. False, with a line on stderr, when a layout cannot be laid or written.
bool writeSampleLayouts(const std::filesystem::path& samplesFolder,
                        const std::filesystem::path& dataFolder);

// Replaces `outputFolder` with freshly written samples: they are written into a sibling
// folder first and moved into place only when all are written. An existing folder is
// replaced only when it is empty or holds nothing but layout files (".zrn"). False (with a
// line on stderr) on failure.
bool generateSampleLayouts(const std::filesystem::path& outputFolder,
                           const std::filesystem::path& dataFolder);

} // namespace datagen
