// Loading an item model file of 50 000 triangles from memory, against copying its bytes.
#include "items/C3DItemObject.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr int kTriangles = 50000;

// A 125 × 200 grid of quads split into triangles (a wavy sheet), in one face set.
std::vector<std::uint8_t> makeItemFile() {
    constexpr int columns = 125;
    constexpr int rows = kTriangles / 2 / columns;
    items::C3DItemObject item;
    auto faces = std::make_unique<items::CIndexedFaceSet>();
    for (int z = 0; z <= rows; ++z) {
        for (int x = 0; x <= columns; ++x) {
            faces->addPoint({x * 0.01, 0.05 * std::sin(x * 0.3) * std::cos(z * 0.2), z * 0.01});
        }
    }
    for (int z = 0; z < rows; ++z) {
        for (int x = 0; x < columns; ++x) {
            const int a = z * (columns + 1) + x;
            const int b = a + 1;
            const int c = a + columns + 1;
            const int d = c + 1;
            for (int index : {a, b, d, -1, a, d, c, -1}) {
                faces->addCoordIndex(index);
            }
        }
    }
    item.geometryRoot()->createChild().setFaceSet(std::move(faces));
    return item.serialize();
}

const std::vector<std::uint8_t>& itemFile() {
    static const std::vector<std::uint8_t> bytes = makeItemFile();
    return bytes;
}

void BM_LoadItem50kTriangles(benchmark::State& state) {
    const auto& bytes = itemFile();
    {
        items::C3DItemObject check;
        if (!check.loadFromMemory(bytes) || check.geometryCounts().faces != kTriangles) {
            state.SkipWithError("the item did not load with all its triangles");
            return;
        }
    }
    for (auto _ : state) {
        items::C3DItemObject item;
        const bool loaded = item.loadFromMemory(bytes);
        benchmark::DoNotOptimize(loaded);
        benchmark::DoNotOptimize(item.geometryRoot());
    }
    state.counters["triangles/s"] = benchmark::Counter(static_cast<double>(kTriangles) *
                                                           static_cast<double>(state.iterations()),
                                                       benchmark::Counter::kIsRate);
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes.size()) * state.iterations());
}
BENCHMARK(BM_LoadItem50kTriangles)->Unit(benchmark::kMillisecond);

// The floor: copying the same bytes once.
void BM_CopyItemBytes(benchmark::State& state) {
    const auto& bytes = itemFile();
    std::vector<std::uint8_t> copy(bytes.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), bytes.data(), bytes.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes.size()) * state.iterations());
}
BENCHMARK(BM_CopyItemBytes)->Unit(benchmark::kMillisecond);

} // namespace
