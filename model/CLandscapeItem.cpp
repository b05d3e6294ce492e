#include "model/CLandscapeItem.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "image/PictureFiles.h"
#include "model/CTrackItem.h"
#include "model/LandscapeItems.h"
#include "model/TrackTiles.h"
#include "platform/ByteReader.h"
#include "platform/ByteWriter.h"

namespace model {

namespace {

constexpr int kCoverReach = 7;

std::int64_t floorDiv(std::int64_t value, std::int64_t divisor) {
    std::int64_t q = value / divisor;
    if ((value % divisor != 0) && ((value < 0) != (divisor < 0))) {
        --q;
    }
    return q;
}

std::int64_t ceilDiv(std::int64_t value, std::int64_t divisor) {
    return -floorDiv(-value, divisor);
}

std::int32_t clampCoordinate(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, -CLandscapeItem::kCoordinateLimit, CLandscapeItem::kCoordinateLimit));
}

BoardRect orderedRect(std::int64_t top, std::int64_t left, std::int64_t bottom,
                      std::int64_t right) {
    if (bottom < top) {
        std::swap(top, bottom);
    }
    if (right < left) {
        std::swap(left, right);
    }
    return BoardRect{clampCoordinate(top), clampCoordinate(left), clampCoordinate(bottom),
                     clampCoordinate(right)};
}

// Mean of the three colour bytes of a pixel, truncated.
std::uint8_t greyOf(std::uint32_t colour) {
    return static_cast<std::uint8_t>(
        ((colour & 0xFF) + ((colour >> 8) & 0xFF) + ((colour >> 16) & 0xFF)) / 3);
}

struct HeightMapHeader {
    std::int32_t width = 0;
    std::int32_t depth = 0;
    std::int32_t bytesPerSample = 0;
};

// The header of a map that passed setHeightMap's checks.
HeightMapHeader readMapHeader(std::span<const std::uint8_t> map) {
    platform::ByteReader reader(map);
    reader.skip(8);
    HeightMapHeader header;
    header.width = reader.i32();
    header.depth = reader.i32();
    header.bytesPerSample = reader.i32();
    return header;
}

// The candidate cells around a rectangle whose grown outline may reach into it, clamped to
// the board's cell numbers; false when none lies on the board.
bool cellsNear(const BoardRect& rect, int& firstColumn, int& firstRow, int& lastColumn,
               int& lastRow) {
    firstColumn = static_cast<int>(floorDiv(rect.left - kCoverReach - kTileEdge, kTileEdge));
    lastColumn = static_cast<int>(floorDiv(rect.right + kCoverReach, kTileEdge));
    firstRow = static_cast<int>(floorDiv(rect.top - kCoverReach - kTileEdge, kTileEdge));
    lastRow = static_cast<int>(floorDiv(rect.bottom + kCoverReach, kTileEdge));
    firstColumn = std::max(firstColumn, 0);
    firstRow = std::max(firstRow, 0);
    lastColumn = std::min(lastColumn, kMaxBoardSize);
    lastRow = std::min(lastRow, kMaxBoardSize);
    return firstColumn <= lastColumn && firstRow <= lastRow;
}

} // namespace

std::array<bool, 8> landscapeCoverFlags(const BoardRect& itemRect, const BoardRect& tileOutline) {
    enum { Right, Bottom, Left, Top, BottomRight, BottomLeft, TopLeft, TopRight };
    std::array<bool, 8> flags{};
    const std::int64_t l = std::int64_t{tileOutline.left} - kCoverReach;
    const std::int64_t t = std::int64_t{tileOutline.top} - kCoverReach;
    const std::int64_t r = std::int64_t{tileOutline.right} + kCoverReach;
    const std::int64_t b = std::int64_t{tileOutline.bottom} + kCoverReach;
    auto inside = [&itemRect](std::int64_t x, std::int64_t z) {
        return x >= itemRect.left && x <= itemRect.right && z >= itemRect.top &&
               z <= itemRect.bottom;
    };
    const bool tl = inside(l, t);
    const bool tr = inside(r, t);
    const bool bl = inside(l, b);
    const bool br = inside(r, b);
    if (tl && tr && bl && br) {
        flags.fill(true);
    } else if (tl && bl) {
        flags[Left] = true;
    } else if (tl && tr) {
        flags[Top] = true;
    } else if (tr && br) {
        flags[Right] = true;
    } else if (bl && br) {
        flags[Bottom] = true;
    } else if (tl) {
        flags[TopLeft] = flags[Top] = flags[Left] = true;
    } else if (tr) {
        flags[TopRight] = flags[Top] = flags[Right] = true;
    } else if (bl) {
        flags[BottomLeft] = flags[Bottom] = flags[Left] = true;
    } else if (br) {
        flags[BottomRight] = flags[Bottom] = flags[Right] = true;
    }
    return flags;
}

CLandscapeItem::CLandscapeItem() = default;

CLandscapeItem::~CLandscapeItem() {
    removeTerrainRanges();
    if (pane_ != nullptr) {
        LandscapePane* pane = pane_;
        pane_ = nullptr;
        pane->itemGone();
    }
}

void CLandscapeItem::setHeightScale(double scale) {
    if (std::isnan(scale)) {
        return;
    }
    heightScale_ = std::clamp(scale, 0.0, 1.0);
    rebuildHeights();
}

void CLandscapeItem::setHollow(bool hollow) {
    if (hollow == isHollow()) {
        return;
    }
    flags_ ^= kHollowFlag;
    tellRenderer();
    if (hollow) {
        removeTerrainRanges();
    } else {
        addTerrainRanges();
    }
    recomputeCoverFlags();
}

void CLandscapeItem::setFlag(std::uint32_t mask, bool on) {
    flags_ = on ? (flags_ | mask) : (flags_ & ~mask);
}

LandscapeTileRange CLandscapeItem::reachedCells() const {
    LandscapeTileRange cells;
    if (!cellsNear(rect_, cells.firstColumn, cells.firstRow, cells.lastColumn, cells.lastRow)) {
        return LandscapeTileRange{};
    }
    return cells;
}

void CLandscapeItem::addTerrainRanges() const {
    if (isHollow()) {
        return;
    }
    const LandscapeTileRange reached = reachedCells();
    if (rangedCells_.empty()) {
        rangedCells_ = reached;
    } else if (!reached.empty()) {
        rangedCells_.firstColumn = std::min(rangedCells_.firstColumn, reached.firstColumn);
        rangedCells_.firstRow = std::min(rangedCells_.firstRow, reached.firstRow);
        rangedCells_.lastColumn = std::max(rangedCells_.lastColumn, reached.lastColumn);
        rangedCells_.lastRow = std::max(rangedCells_.lastRow, reached.lastRow);
    }
    for (int layer = 0; layer < kTrackLayers; ++layer) {
        for (CTrackItem* tile : touchedTiles(layer)) {
            TerrainRange range;
            samplesUnderTile(tile->getPosition(), range);
            tile->updateTerrainRange(this, range);
        }
    }
}

void CLandscapeItem::removeTerrainRanges() const {
    // The cells of every rectangle the ranges were registered at, not only the current one:
    // the rectangle may have changed since.
    if (rangedCells_.empty()) {
        return;
    }
    for (int layer = 0; layer < kTrackLayers; ++layer) {
        forTilesIn(layer, rangedCells_.firstColumn, rangedCells_.firstRow, rangedCells_.lastColumn,
                   rangedCells_.lastRow,
                   [this](CTrackItem& tile) { tile.removeTerrainRange(this); });
    }
    rangedCells_ = LandscapeTileRange{};
}

CTrackItem* CLandscapeItem::tileUnderSample(int sampleX, int sampleZ, int layer) const {
    const LandscapeTileRange range = tileRange();
    if (range.empty() || heights_.columns <= 0 || heights_.rows <= 0 || sampleX < 0 ||
        sampleZ < 0 || sampleX >= heights_.columns || sampleZ >= heights_.rows) {
        return nullptr;
    }
    // Samples on a shared edge belong to the cell after it; the last edge to the last cell.
    const int cellsX = heights_.columns > 1 ? heights_.columns - 1 : 1;
    const int cellsZ = heights_.rows > 1 ? heights_.rows - 1 : 1;
    const int column = range.firstColumn +
                       std::min(static_cast<int>(std::int64_t{sampleX} * range.columns() / cellsX),
                                range.columns() - 1);
    const int row =
        range.firstRow +
        std::min(static_cast<int>(std::int64_t{sampleZ} * range.rows() / cellsZ), range.rows() - 1);
    const TilePos pos{static_cast<std::int16_t>(column), static_cast<std::int16_t>(row)};
    if (!isValidTilePos(pos)) {
        return nullptr;
    }
    CTrackItem* tile = tileAt(layer, pos);
    if (tile == nullptr) {
        return nullptr;
    }
    const auto flags = coverFlags(*tile);
    return std::any_of(flags.begin(), flags.end(), [](bool f) { return f; }) ? tile : nullptr;
}

std::vector<CTrackItem*> CLandscapeItem::touchedTiles(int layer) const {
    std::vector<CTrackItem*> tiles;
    const LayerMap* map = layerMap(layer);
    int firstColumn = 0;
    int firstRow = 0;
    int lastColumn = 0;
    int lastRow = 0;
    if (map == nullptr || map->empty() ||
        !cellsNear(rect_, firstColumn, firstRow, lastColumn, lastRow)) {
        return tiles;
    }
    auto take = [this, &tiles](CTrackItem* tile) {
        const auto flags = landscapeCoverFlags(rect_, tile->getOutline());
        if (std::any_of(flags.begin(), flags.end(), [](bool f) { return f; })) {
            tiles.push_back(tile);
        }
    };
    const std::int64_t cells =
        std::int64_t{lastColumn - firstColumn + 1} * (lastRow - firstRow + 1);
    if (cells <= static_cast<std::int64_t>(map->size())) {
        for (int row = firstRow; row <= lastRow; ++row) {
            for (int column = firstColumn; column <= lastColumn; ++column) {
                if (CTrackItem* tile = tileAt(layer, TilePos{static_cast<std::int16_t>(column),
                                                             static_cast<std::int16_t>(row)})) {
                    take(tile);
                }
            }
        }
    } else {
        for (const auto& [key, tile] : *map) {
            take(tile.get());
        }
    }
    return tiles;
}

std::array<bool, 8> CLandscapeItem::coverFlags(const CTrackItem& tile) const {
    return landscapeCoverFlags(rect_, tile.getOutline());
}

bool CLandscapeItem::readRecord(std::span<const std::uint8_t> data, bool paste, int shiftX,
                                int shiftZ) {
    std::uint32_t length = 0;
    if (data.size() < 8 || !platform::ByteReader::peekU32(data, 4, length) ||
        length > data.size()) {
        return false;
    }
    const auto record = data.first(length);
    bool read = false;
    if (std::memcmp(data.data(), "Lnd2", 4) == 0) {
        read = readNewRecord(record, shiftX, shiftZ);
    } else if (std::memcmp(data.data(), "LndI", 4) == 0) {
        read = readOldRecord(record, shiftX, shiftZ);
    }
    if (read && paste) {
        removeTerrainRanges();
        addTerrainRanges();
        tellRenderer();
        recomputeCoverFlags();
    }
    return read;
}

bool CLandscapeItem::readNewRecord(std::span<const std::uint8_t> record, int shiftX, int shiftZ) {
    if (record.size() < kRecordHeaderLength) {
        return false;
    }
    platform::ByteReader reader(record);
    reader.skip(8);
    const double scale = reader.f64();
    const std::int64_t left = reader.i32();
    const std::int64_t top = reader.i32();
    const std::int64_t width = reader.i32();
    const std::int64_t depth = reader.i32();
    const std::uint32_t flags = reader.u32();
    reader.skip(16);
    const auto map = reader.bytes(reader.remaining());

    heightScale_ = std::isfinite(scale) ? scale : kDefaultHeightScale;
    flags_ = flags;
    rect_ = orderedRect(top + shiftZ, left + shiftX, top + depth + shiftZ, left + width + shiftX);
    if (map.empty()) {
        heightMap_.clear();
        heights_ = {};
    } else {
        setHeightMap(map);
    }
    // A loaded item's picture is its height map, so that later rebuilds keep its shape.
    picture_ = heightMapPicture();
    return true;
}

bool CLandscapeItem::readOldRecord(std::span<const std::uint8_t> record, int shiftX, int shiftZ) {
    if (record.size() < kOldRecordHeaderLength) {
        return false;
    }
    platform::ByteReader reader(record);
    reader.seek(8);
    const double scale = reader.f64();
    const std::int64_t top = reader.i16();
    const std::int64_t left = reader.i16();
    const std::int64_t bottom = reader.i16();
    const std::int64_t right = reader.i16();
    const std::int32_t hollow = reader.i32();
    reader.seek(152);
    const std::uint32_t pictureOffset = reader.u32();
    const std::uint32_t pictureLength = reader.u32();

    heightScale_ = std::isfinite(scale) ? scale : kDefaultHeightScale;
    setFlag(kHollowFlag, hollow != 0);
    rect_ = orderedRect(top + shiftZ, left + shiftX, bottom + shiftZ, right + shiftX);
    picture_.release();
    heightMap_.clear();
    heights_ = {};
    if (pictureLength > 0 && reader.contains(pictureOffset, pictureLength)) {
        loadPicture(record.subspan(pictureOffset, pictureLength));
    }
    rebuildHeights();
    return true;
}

std::vector<std::uint8_t> CLandscapeItem::writeRecord() const {
    platform::ByteWriter writer;
    writer.reserve(kRecordHeaderLength + heightMap_.size());
    writer.tag("Lnd2");
    writer.u32(static_cast<std::uint32_t>(kRecordHeaderLength + heightMap_.size()));
    writer.f64(heightScale_);
    writer.i32(rect_.left);
    writer.i32(rect_.top);
    writer.i32(rect_.right - rect_.left);
    writer.i32(rect_.bottom - rect_.top);
    writer.u32(flags_);
    writer.zeros(16);
    writer.bytes(heightMap_);
    return writer.take();
}

void CLandscapeItem::gridSize(int& across, int& down) const {
    const LandscapeTileRange range = tileRange();
    if (range.empty()) {
        across = 0;
        down = 0;
        return;
    }
    across = range.columns() * samplesPerTile_ + 1;
    down = range.rows() * samplesPerTile_ + 1;
}

LandscapeTileRange CLandscapeItem::tileRange() const {
    LandscapeTileRange range;
    range.firstColumn = static_cast<int>(floorDiv(rect_.left + 1, kTileEdge));
    range.firstRow = static_cast<int>(floorDiv(rect_.top + 1, kTileEdge));
    range.lastColumn = static_cast<int>(floorDiv(rect_.right - 1, kTileEdge));
    range.lastRow = static_cast<int>(floorDiv(rect_.bottom - 1, kTileEdge));
    return range;
}

std::vector<Vec3d> CLandscapeItem::gridPoints(double scaleX, double scaleY, double scaleZ) const {
    std::vector<Vec3d> points;
    const LandscapeTileRange range = tileRange();
    if (range.empty() || heights_.samples.empty()) {
        return points;
    }
    const double x0 = static_cast<double>(range.firstColumn) * kTileEdge;
    const double z0 = static_cast<double>(range.firstRow) * kTileEdge;
    const double spanX = static_cast<double>(range.columns()) * kTileEdge;
    const double spanZ = static_cast<double>(range.rows()) * kTileEdge;
    const double sign = isHollow() ? -1.0 : 1.0;
    const int columns = heights_.columns;
    const int rows = heights_.rows;
    points.reserve(heights_.samples.size());
    for (int i = 0; i < rows; ++i) {
        const double z = rows > 1 ? z0 + spanZ * i / (rows - 1) : z0;
        for (int j = 0; j < columns; ++j) {
            const double x = columns > 1 ? x0 + spanX * j / (columns - 1) : x0;
            points.push_back(
                Vec3d{x * scaleX, heights_.at(j, i) * heightScale_ * sign * scaleY, z * scaleZ});
        }
    }
    return points;
}

void CLandscapeItem::setRect(const BoardRect& rect) {
    rect_ = orderedRect(rect.top, rect.left, rect.bottom, rect.right);
}

void CLandscapeItem::rebuildHeights() {
    repaintPane();
    if (!picture_.empty()) {
        int across = 0;
        int down = 0;
        gridSize(across, down);
        heights_ = image::resampleToGrid(picture_, across, down);
        buildHeightMap();
    } else if (!heightMap_.empty()) {
        decodeHeightMap();
    } else {
        heights_ = {};
    }
    tellRenderer();
}

void CLandscapeItem::repaintPane() const {
    if (pane_ != nullptr) {
        pane_->repaint();
    }
}

bool CLandscapeItem::samplesUnderTile(TilePos pos, TerrainRange& range) const {
    range = TerrainRange{};
    const LandscapeTileRange tiles = tileRange();
    const int columns = heights_.columns;
    const int rows = heights_.rows;
    if (tiles.empty() || columns <= 0 || rows <= 0) {
        return false;
    }
    auto span = [](int cell, int cells, int samples, int& first, int& last) {
        const std::int64_t intervals = samples - 1;
        first = static_cast<int>(
            std::clamp<std::int64_t>(floorDiv(cell * intervals, cells), 0, intervals));
        last = static_cast<int>(std::clamp<std::int64_t>(
            ceilDiv((cell + std::int64_t{1}) * intervals, cells), 0, intervals));
    };
    int x0 = 0;
    int x1 = 0;
    int z0 = 0;
    int z1 = 0;
    span(pos.column - tiles.firstColumn, tiles.columns(), columns, x0, x1);
    span(pos.row - tiles.firstRow, tiles.rows(), rows, z0, z1);
    double highest = heights_.at(x0, z0);
    double lowest = highest;
    for (int i = z0; i <= z1; ++i) {
        for (int j = x0; j <= x1; ++j) {
            highest = std::max(highest, heights_.at(j, i));
            lowest = std::min(lowest, heights_.at(j, i));
        }
    }
    range = TerrainRange{highest, lowest, x0, z0};
    return true;
}

void CLandscapeItem::setPicture(image::Picture picture) {
    if (!picture.empty() && picture.bitsPerPixel() != 24) {
        picture = image::convertPicture(picture, 24);
    }
    picture_ = std::move(picture);
}

bool CLandscapeItem::loadPicture(std::span<const std::uint8_t> bytes) {
    setPicture(image::decodePictureBytes(bytes));
    return !picture_.empty();
}

bool CLandscapeItem::setHeightMap(std::span<const std::uint8_t> bytes) {
    heightMap_.clear();
    heights_ = {};
    std::uint32_t length = 0;
    if (bytes.size() < kHeightMapHeaderLength || std::memcmp(bytes.data(), "PImg", 4) != 0 ||
        !platform::ByteReader::peekU32(bytes, 4, length) || length != bytes.size()) {
        return false;
    }
    const HeightMapHeader header = readMapHeader(bytes);
    if (header.width < 1 || header.depth < 1 || header.bytesPerSample < 1) {
        return false;
    }
    // Each factor is checked against the room left, so the product cannot overflow.
    const std::uint64_t room = bytes.size() - kHeightMapHeaderLength;
    const std::uint64_t samples = std::uint64_t{static_cast<std::uint32_t>(header.width)} *
                                  static_cast<std::uint32_t>(header.depth);
    if (samples > room || samples * static_cast<std::uint32_t>(header.bytesPerSample) > room) {
        return false;
    }
    heightMap_.assign(bytes.begin(), bytes.end());
    decodeHeightMap();
    return true;
}

void CLandscapeItem::decodeHeightMap() {
    heights_ = {};
    if (heightMap_.empty()) {
        return;
    }
    const HeightMapHeader header = readMapHeader(heightMap_);
    int across = 0;
    int down = 0;
    gridSize(across, down);
    across = std::min(across, header.width);
    down = std::min(down, header.depth);
    if (across <= 0 || down <= 0) {
        return;
    }
    heights_.columns = across;
    heights_.rows = down;
    heights_.samples.assign(static_cast<std::size_t>(across) * down, 0.0);
    for (int i = 1; i + 1 < down; ++i) {
        const std::int64_t row = std::int64_t{i} * header.depth / down;
        for (int j = 1; j + 1 < across; ++j) {
            const std::int64_t column = std::int64_t{j} * header.width / across;
            const std::size_t at =
                kHeightMapHeaderLength +
                static_cast<std::size_t>((row * header.width + column) * header.bytesPerSample);
            heights_.samples[static_cast<std::size_t>(i) * across + j] = heightMap_[at] / 255.0;
        }
    }
}

std::uint64_t CLandscapeItem::heightMapSampleSum() const {
    if (heightMap_.empty()) {
        return 0;
    }
    const HeightMapHeader header = readMapHeader(heightMap_);
    const std::size_t count = static_cast<std::size_t>(header.width) * header.depth;
    std::uint64_t sum = 0;
    for (std::size_t k = 0; k < count; ++k) {
        sum += heightMap_[kHeightMapHeaderLength + k * header.bytesPerSample];
    }
    return sum;
}

image::Picture CLandscapeItem::heightMapPicture() const {
    if (heightMap_.empty()) {
        return {};
    }
    const HeightMapHeader header = readMapHeader(heightMap_);
    image::Picture picture(header.width, header.depth, 24);
    if (picture.empty()) {
        return picture;
    }
    for (int i = 0; i < header.depth; ++i) {
        for (int j = 0; j < header.width; ++j) {
            const std::uint8_t value =
                heightMap_[kHeightMapHeaderLength +
                           (static_cast<std::size_t>(i) * header.width + j) *
                               static_cast<std::size_t>(header.bytesPerSample)];
            picture.setColourAt(j, i, value * 0x010101u);
        }
    }
    return picture;
}

double CLandscapeItem::heightAt(double x, double z) const {
    const LandscapeTileRange range = tileRange();
    const int columns = heights_.columns;
    const int rows = heights_.rows;
    if (range.empty() || columns <= 0 || rows <= 0) {
        return 0.0;
    }
    const double x0 = static_cast<double>(range.firstColumn) * kTileEdge;
    const double z0 = static_cast<double>(range.firstRow) * kTileEdge;
    const double spanX = static_cast<double>(range.columns()) * kTileEdge;
    const double spanZ = static_cast<double>(range.rows()) * kTileEdge;
    if (!(x >= x0 && x <= x0 + spanX && z >= z0 && z <= z0 + spanZ)) {
        return 0.0;
    }
    const double fx = columns > 1 ? (x - x0) / spanX * (columns - 1) : 0.0;
    const double fz = rows > 1 ? (z - z0) / spanZ * (rows - 1) : 0.0;
    const int j0 = std::min(static_cast<int>(fx), columns - 1);
    const int i0 = std::min(static_cast<int>(fz), rows - 1);
    const int j1 = std::min(j0 + 1, columns - 1);
    const int i1 = std::min(i0 + 1, rows - 1);
    const double tx = fx - j0;
    const double tz = fz - i0;
    const double top = heights_.at(j0, i0) * (1 - tx) + heights_.at(j1, i0) * tx;
    const double bottom = heights_.at(j0, i1) * (1 - tx) + heights_.at(j1, i1) * tx;
    const double sample = top * (1 - tz) + bottom * tz;
    return sample * heightScale_ * (isHollow() ? -1.0 : 1.0);
}

void CLandscapeItem::buildHeightMap() {
    heightMap_.clear();
    if (picture_.empty()) {
        return;
    }
    platform::ByteWriter writer;
    writer.reserve(kHeightMapLength);
    writer.tag("PImg");
    writer.u32(static_cast<std::uint32_t>(kHeightMapLength));
    writer.i32(kHeightMapEdge);
    writer.i32(kHeightMapEdge);
    writer.i32(1);
    writer.zeros(12);
    heightMap_ = writer.take();
    heightMap_.resize(kHeightMapLength, 0);
    const std::int64_t w = picture_.width();
    const std::int64_t h = picture_.height();
    for (int y = 1; y + 1 < kHeightMapEdge; ++y) {
        const int py = static_cast<int>(h * y / kHeightMapEdge);
        for (int x = 1; x + 1 < kHeightMapEdge; ++x) {
            const int px = static_cast<int>(w * x / kHeightMapEdge);
            heightMap_[kHeightMapHeaderLength + static_cast<std::size_t>(y) * kHeightMapEdge + x] =
                greyOf(picture_.colourAt(px, py));
        }
    }
}

void CLandscapeItem::tellRenderer() const {
    if (auto& rebuild = landscapeHooks().rebuildTerrain) {
        rebuild();
    }
}

} // namespace model
