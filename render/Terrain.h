#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace render {

// One raised or sunk patch of terrain: its tile range (inclusive) and its signed height in
// scene units at a point (x, z) in scene units.
struct TerrainPatch {
    int firstColumn = 0;
    int firstRow = 0;
    int lastColumn = -1;
    int lastRow = -1;
    bool hollow = false;
    std::function<double(double x, double z)> height;
};

// A ground tile with track whose vertices are levelled: raised to the layer height inside a
// hill (a tunnel), else lowered to 0.
struct LevelledTile {
    int column = 0;
    int row = 0;
    bool covered = false;
};

// The four terrain colours, 16 bits per component: ground, hill high, hill low, hollow.
struct TerrainColours {
    using Colour = std::array<std::uint16_t, 3>;
    Colour ground{};
    Colour hillHigh{};
    Colour hillLow{};
    Colour hollow{};
    friend bool operator==(const TerrainColours&, const TerrainColours&) = default;
};

// A vertex of the terrain surface.
struct TerrainVertex {
    float x, y, z;
    float nx, ny, nz;
    float u, v;
    float r, g, b;
};

// The terrain vertex grid of the board: four cells per tile edge. Only tiles that some patch
// or levelling touches keep their 5 × 5 vertex heights; every other tile is flat at 0, so
// memory and build time follow the hills rather than the board's area.
class Terrain {
public:
    static constexpr int kCellsPerTile = 4;

    // Rebuilds from flat: patches in order (a hollow keeps the lower height, a hill the
    // higher), then the levelled tiles. Sizes below 1 count as 1.
    void build(int columns, int rows, const std::vector<TerrainPatch>& patches,
               const std::vector<LevelledTile>& levelled, double layerHeight);
    void clear();

    int columns() const { return columns_; }
    int rows() const { return rows_; }
    int vertexColumns() const { return columns_ * kCellsPerTile + 1; }
    int vertexRows() const { return rows_ * kCellsPerTile + 1; }
    // Height of grid vertex (i across, j down); 0 outside the grid.
    double vertexHeight(int i, int j) const;
    // 0 outside the board (x outside 0 … columns or z outside 0 … rows); inside, the bilinear
    // interpolation of the four grid vertices around the point.
    double groundHeightAt(double x, double z) const;
    // Highest height (at least 0) and lowest (at most 0) of the grid.
    double highest() const { return highest_; }
    double lowest() const { return lowest_; }
    // Tiles that keep their own vertex heights.
    std::size_t detailedTiles() const { return blockHeights_.size() / kBlockVertices; }
    std::size_t memoryBytes() const;

    // The vertex colour of a height in the grid's range, as 0 … 1 components.
    static std::array<float, 3> vertexColour(double y, double highest, double lowest,
                                             const TerrainColours& colours);
    // The surface as triangles (three vertices each): two per cell on tiles with heights,
    // alternating their diagonal by the cell's parity; flat tiles merged into rectangles.
    // `triangle` receives three vertices at a time, so large surfaces need not be held.
    void visitTriangles(const TerrainColours& colours,
                        const std::function<void(const TerrainVertex*)>& triangle) const;
    std::vector<TerrainVertex> triangles(const TerrainColours& colours) const;

private:
    static constexpr int kBlockEdge = kCellsPerTile + 1;
    static constexpr int kBlockVertices = kBlockEdge * kBlockEdge;

    float* block(int column, int row, bool create);
    const float* block(int column, int row) const;
    void setVertex(int i, int j, double height);
    bool tileFlat(int column, int row) const;
    void normalAt(int i, int j, float* n) const;

    int columns_ = 1;
    int rows_ = 1;
    // Per tile: index of its block in blockHeights_, or -1 when the tile is flat.
    std::vector<std::int32_t> blockIndex_;
    std::vector<float> blockHeights_;
    double highest_ = 0;
    double lowest_ = 0;
};

} // namespace render
