#include "LayoutTestSupport.h"

#include "image/PngCodec.h"
#include "model/CTrackItem.h"
#include "model/LandscapeItems.h"
#include "model/TrackTiles.h"
#include "persistence/LayoutFile.h"
#include "support/TempConfigEnvironment.h"

namespace layouttest {

namespace {

const auto* const environment =
    ::testing::AddGlobalTestEnvironment(new testsupport::TempConfigEnvironment);

} // namespace

Bytes header(std::uint32_t total, std::int32_t columns, std::int32_t rows,
             std::uint32_t trackOffset, std::uint32_t landscapeOffset, std::uint32_t trainOffset,
             std::uint32_t environmentOffset) {
    Bytes b;
    b.tag("Zn02").u32(total).i32(columns).i32(rows).i32(0).u32(0x00020000);
    b.u32(trackOffset).u32(landscapeOffset).u32(trainOffset).u32(environmentOffset);
    b.zeros(256);
    return b;
}

Bytes defaultEnvironmentChunk() {
    Bytes b;
    b.tag("Cenv").u32(92).i32(0).u32(0);
    b.u16(0x3300).u16(0xA900).u16(0x1C00);
    b.u16(0x3300).u16(0xA900).u16(0x1C00);
    b.u16(0x9709).u16(0xD709).u16(0x7FFF);
    b.u16(0x028F).u16(0x3333).u16(0x51EB);
    b.zeros(12).zeros(40);
    return b;
}

std::vector<model::Pt> points(std::initializer_list<std::pair<int, int>> xz) {
    std::vector<model::Pt> result;
    for (auto [x, z] : xz) {
        result.emplace_back(x, z);
    }
    return result;
}

std::vector<std::uint8_t> smallPng(int width, int height) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width * height * 3));
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = static_cast<std::uint8_t>(i * 37);
    }
    return image::encodePngBytes(pixels, width, height, 3);
}

void LayoutTest::SetUp() {
    persistence::installLayoutFileHandlers();
    document_ = std::make_unique<model::CZarnoltDocument>(11, 11);
}

void LayoutTest::TearDown() {
    document_.reset();
    model::deleteAllTiles();
    model::deleteAllLandscapeItems();
}

int boardTileCount() {
    int count = 0;
    for (int layer = 0; layer < model::kTrackLayers; ++layer) {
        for (const auto& [key, tile] : *model::layerMap(layer)) {
            count += tile->isEmpty() ? 0 : 1;
        }
    }
    return count;
}

} // namespace layouttest
