// Writing and reading a 999 × 999 layout with straight track on every ground tile
// (998 001 tiles), plain or with a point on every tenth tile. The read is compared with
// reading the same file's bytes into a freshly mapped buffer in the same run
// ("ratioToRawRead"), and its peak memory is reported per tile ("peakPerTile", bytes: the
// process's peak resident size during the read minus its size before, with the previous model
// already gone; the reader's own file buffer counts).
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

#include "model/CTrackItem.h"
#include "model/CZarnoltDocument.h"
#include "model/LandscapeItems.h"
#include "model/TrackTiles.h"
#include "persistence/LayoutFile.h"

namespace {

namespace fs = std::filesystem;
constexpr int kBoard = 999;
constexpr double kTiles = static_cast<double>(kBoard) * kBoard;

model::CZarnoltDocument& document() {
    static const bool installed = [] {
        persistence::installLayoutFileHandlers();
        return true;
    }();
    (void)installed;
    // Never destroyed: at exit the model's containers may already be gone.
    static model::CZarnoltDocument* const doc = new model::CZarnoltDocument(kBoard, kBoard);
    return *doc;
}

// A scratch folder for the files, removed when the program ends.
struct ScratchFolder {
    ScratchFolder()
        : path(fs::temp_directory_path() / ("zarnolt-bench-" + std::to_string(::getpid()))) {
        fs::create_directories(path);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    fs::path path;
};

const fs::path& benchFolder() {
    static const ScratchFolder folder;
    return folder.path;
}

void buildBoard(bool points) {
    document().newLayout(kBoard, kBoard);
    for (int row = 0; row < kBoard; ++row) {
        for (int column = 0; column < kBoard; ++column) {
            model::CTrackItem* tile = model::createTile(
                {static_cast<std::int16_t>(column), static_cast<std::int16_t>(row)}, 0);
            tile->setShape(1);
            if (points && (row * kBoard + column) % 10 == 0) {
                tile->addShape(3, model::LineKindTrack);
            }
        }
    }
}

// The layout files, each written once from a freshly built board.
const fs::path& layoutFile(bool points) {
    static const auto write = [](bool withPoints) {
        buildBoard(withPoints);
        const fs::path file = benchFolder() / (withPoints ? "points.zrn" : "board.zrn");
        if (!persistence::writeLayoutFile(document(), file)) {
            std::abort();
        }
        return file;
    };
    if (points) {
        static const fs::path path = write(true);
        return path;
    }
    static const fs::path path = write(false);
    return path;
}

// Reads the file into memory mapped for this read alone, so that its pages are fresh like
// the ones the layout read has to fault in.
void rawRead(const fs::path& file) {
    const auto size = static_cast<std::size_t>(fs::file_size(file));
    void* buffer = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (buffer == MAP_FAILED) {
        std::abort();
    }
    std::ifstream in(file, std::ios::binary);
    in.read(static_cast<char*>(buffer), static_cast<std::streamsize>(size));
    benchmark::DoNotOptimize(buffer);
    munmap(buffer, size);
}

long statusKilobytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line)) {
        if (line.rfind(prefix, 0) == 0) {
            return std::stol(line.substr(prefix.size()));
        }
    }
    return 0;
}

void resetPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

double seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

void BM_WriteLayout(benchmark::State& state) {
    layoutFile(false);
    if (model::layerTileCount(0) != kBoard * kBoard) {
        buildBoard(false);
    }
    const fs::path out = benchFolder() / "written.zrn";
    for (auto _ : state) {
        if (!persistence::writeLayoutFile(document(), out)) {
            state.SkipWithError("write failed");
            break;
        }
    }
    // The model is emptied here, not by the static destructors at exit.
    document().clear(false);
    state.counters["bytes"] = static_cast<double>(fs::file_size(out));
    state.counters["tilesPerSecond"] = benchmark::Counter(
        kTiles * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_ReadLayout(benchmark::State& state) {
    const fs::path& file = layoutFile(state.range(0) != 0);
    double raw = 0;
    double read = 0;
    double peak = 0;
    for (auto _ : state) {
        // The previous model goes first, so that neither its release nor its memory is
        // counted in the read.
        document().clear(false);
        model::deleteAllLandscapeItems();
        malloc_trim(0);

        auto start = std::chrono::steady_clock::now();
        rawRead(file);
        raw += seconds(std::chrono::steady_clock::now() - start);

        const long before = statusKilobytes("VmRSS");
        resetPeakMemory();
        start = std::chrono::steady_clock::now();
        const auto result = persistence::readLayoutFile(document(), file);
        const double elapsed = seconds(std::chrono::steady_clock::now() - start);
        read += elapsed;
        state.SetIterationTime(elapsed);
        peak += static_cast<double>(statusKilobytes("VmHWM") - before) * 1024.0;
        if (result != persistence::LayoutReadResult::Read ||
            model::layerTileCount(0) != kBoard * kBoard) {
            state.SkipWithError("read failed");
            break;
        }
    }
    document().clear(false);
    const double n = static_cast<double>(state.iterations());
    state.counters["tilesPerSecond"] = benchmark::Counter(kTiles * n, benchmark::Counter::kIsRate);
    state.counters["rawReadMs"] = 1000.0 * raw / n;
    state.counters["ratioToRawRead"] = read / raw;
    state.counters["peakPerTile"] = peak / n / kTiles;
}

BENCHMARK(BM_WriteLayout)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReadLayout)
    ->ArgName("points")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(5);

} // namespace
