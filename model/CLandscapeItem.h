#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "image/Picture.h"
#include "image/PictureHelpers.h"
#include "model/Geometry.h"
#include "model/ModelSeams.h"

namespace model {

class CTrackItem;
struct TerrainRange;

// The on-screen element of a landscape item in the terrain layer of the 2D view (not owned by
// the item).
class LandscapePane {
public:
    virtual ~LandscapePane() = default;
    virtual void repaint() = 0;
    // The item is going away: the pane must forget it and close.
    virtual void itemGone() = 0;
};

// The board cells a landscape item spans, first and last inclusive; empty when last < first.
struct LandscapeTileRange {
    int firstColumn = 0;
    int firstRow = 0;
    int lastColumn = -1;
    int lastRow = -1;

    int columns() const { return lastColumn - firstColumn + 1; }
    int rows() const { return lastRow - firstRow + 1; }
    bool empty() const { return lastColumn < firstColumn || lastRow < firstRow; }
    bool contains(TilePos pos) const {
        return pos.column >= firstColumn && pos.column <= lastColumn && pos.row >= firstRow &&
               pos.row <= lastRow;
    }
};

// Cover flags (right, bottom, left, top, bottom-right, bottom-left, top-left, top-right) of a
// tile outline under an item rectangle: the outline grown by 7 units on every side is tested
// corner by corner against the rectangle, edges included.
std::array<bool, 8> landscapeCoverFlags(const BoardRect& itemRect, const BoardRect& tileOutline);

// A rectangular patch of terrain raised as a hill or sunk as a hollow. Its shape comes from a
// grey picture that the item keeps; the height grid is that picture sampled per tile, and the
// 128 × 128 "PImg" height map is what a layout file stores. Items are made and owned by the
// landscape item container (LandscapeItems.h); the tiles only see them as LandscapeCover.
class CLandscapeItem final : public LandscapeCover {
public:
    static constexpr std::uint32_t kHollowFlag = 0x1;
    // 0.35 as a 32-bit float widened to 64 bits, as the stored default.
    static constexpr double kDefaultHeightScale = static_cast<double>(0.35f);
    static constexpr int kDefaultSamplesPerTile = 4;
    static constexpr int kHeightMapEdge = 128;
    static constexpr std::size_t kHeightMapHeaderLength = 32;
    static constexpr std::size_t kHeightMapLength =
        kHeightMapHeaderLength + kHeightMapEdge * kHeightMapEdge;
    static constexpr std::size_t kRecordHeaderLength = 52;
    static constexpr std::size_t kOldRecordHeaderLength = 312;
    // Rectangle coordinates are kept within ±this many layout units (twice the largest
    // board), so that every derived tile and sample count stays small and overflow-free.
    static constexpr int kCoordinateLimit = 2 * kTileEdge * kMaxBoardSize;

    CLandscapeItem();
    ~CLandscapeItem() override;
    CLandscapeItem(const CLandscapeItem&) = delete;
    CLandscapeItem& operator=(const CLandscapeItem&) = delete;

    double getHeightScale() const override { return heightScale_; }
    bool isHollow() const override { return testFlag(kHollowFlag); }
    int getSamplesPerTile() const { return samplesPerTile_; }
    bool testFlag(std::uint32_t mask) const { return (flags_ & mask) != 0; }
    std::uint32_t getFlags() const { return flags_; }
    // Clamped to 0 … 1 (a value that is not a number is ignored), then rebuildHeights.
    void setHeightScale(double scale);
    // When the state changes: flips the flag, tells the renderer, and removes the item's
    // terrain ranges from the tiles when it became a hollow or adds them when it became a hill.
    void setHollow(bool hollow);
    void setFlag(std::uint32_t mask, bool on);

    const image::HeightGrid& heights() const { return heights_; }

    // Hills only: every tile of layers 0 … 4 the item touches records the item's height range.
    void addTerrainRanges() const;
    // Every tile of layers 0 … 4 forgets this item's range.
    void removeTerrainRanges() const;
    // The cells whose tiles the item can reach (cover flags or terrain range), clipped to the
    // board's largest size; empty when none.
    LandscapeTileRange reachedCells() const;

    // The tile of the layer over a grid sample when the item covers it, else null.
    CTrackItem* tileUnderSample(int sampleX, int sampleZ, int layer) const;
    // The tiles of a layer whose cover flags are not all clear.
    std::vector<CTrackItem*> touchedTiles(int layer) const;
    std::array<bool, 8> coverFlags(const CTrackItem& tile) const override;

    // Reads an "Lnd2" or "LndI" record (the first `length` bytes, as its own length field
    // says) with the rectangle shifted by (shiftX, shiftZ). False, with the item unchanged,
    // for an unknown tag or a record that is shorter than its header or than it claims.
    // A pasted item (paste set) is shown at once: its terrain ranges are registered and the
    // renderer told; a file reader leaves that to the recomputation after loading.
    bool readRecord(std::span<const std::uint8_t> data, bool paste, int shiftX, int shiftZ);
    // The "Lnd2" record: header and, when the item has one, the height map.
    std::vector<std::uint8_t> writeRecord() const;

    // Samples across and down over the tile range (0 when the range is empty).
    void gridSize(int& across, int& down) const;
    LandscapeTileRange tileRange() const;
    // The height grid as points (x, terrain height, z) over the tile range, row by row, with
    // x and z in layout units and the height signed (negative for a hollow), each multiplied
    // by its scale factor.
    std::vector<Vec3d> gridPoints(double scaleX, double scaleY, double scaleZ) const;

    LandscapePane* getPane() const { return pane_; }
    void setPane(LandscapePane* pane) { pane_ = pane; }

    const BoardRect& getRect() const { return rect_; }
    // Takes the rectangle with its edges ordered and its coordinates within kCoordinateLimit.
    void setRect(const BoardRect& rect);

    // Repaints the pane; resamples the picture into the height grid and rebuilds the height
    // map from it (without a picture, the grid is decoded from the height map when there is
    // one); tells the renderer to rebuild its terrain.
    void rebuildHeights();
    void repaintPane() const;

    // The highest and lowest grid sample under a tile of the board (0 … 1, unscaled), with the
    // tile's first sample column and row in `a` and `b`. False when the grid is empty.
    bool samplesUnderTile(TilePos pos, TerrainRange& range) const;

    const image::Picture& getPicture() const { return picture_; }
    // Takes a picture (kept as 24 bits per pixel) without rebuilding the heights.
    void setPicture(image::Picture picture);
    // Decodes PNG, BMP or JPEG bytes into the item's picture; false (picture dropped) when
    // they are no readable picture.
    bool loadPicture(std::span<const std::uint8_t> bytes);

    // Keeps a "PImg" height map and decodes it into the grid. The map is used only when its
    // tag is "PImg", its stored length equals the data length and its sample block lies inside
    // the data; otherwise the map is dropped, the grid left empty and the result is false.
    bool setHeightMap(std::span<const std::uint8_t> bytes);
    // Decodes the kept height map into the grid (empty grid without a map).
    void decodeHeightMap();
    std::span<const std::uint8_t> getHeightMap() const { return heightMap_; }
    // The sum of the 128 × 128 sample bytes of the height map (0 without one).
    std::uint64_t heightMapSampleSum() const;
    // The kept height map as a grey picture of its own size (empty without a map).
    image::Picture heightMapPicture() const;

    // The signed terrain height (sample × height scale, negative for a hollow) at a point in
    // layout units, interpolated between the four grid samples around it; 0 outside the grid.
    double heightAt(double x, double z) const;

private:
    bool readNewRecord(std::span<const std::uint8_t> record, int shiftX, int shiftZ);
    bool readOldRecord(std::span<const std::uint8_t> record, int shiftX, int shiftZ);
    void buildHeightMap();
    void tellRenderer() const;

    LandscapePane* pane_ = nullptr;
    double heightScale_ = kDefaultHeightScale;
    std::uint32_t flags_ = 0;
    int samplesPerTile_ = kDefaultSamplesPerTile;
    BoardRect rect_;
    // The cells of every rectangle the ranges were registered at since they were last removed:
    // only their tiles can hold one of this item's ranges.
    mutable LandscapeTileRange rangedCells_;
    image::HeightGrid heights_;
    std::vector<std::uint8_t> heightMap_;
    image::Picture picture_;
};

} // namespace model
