#include "render/Terrain.h"

#include <algorithm>
#include <cmath>

namespace render {
namespace {

constexpr double kCell = 1.0 / Terrain::kCellsPerTile;

std::uint16_t mix(std::uint16_t a, std::uint16_t b, double t) {
    return static_cast<std::uint16_t>(static_cast<int>(a + t * (static_cast<int>(b) - a)));
}

} // namespace

void Terrain::clear() {
    blockIndex_.assign(static_cast<std::size_t>(columns_) * rows_, -1);
    blockHeights_.clear();
    blockHeights_.shrink_to_fit();
    highest_ = 0;
    lowest_ = 0;
}

void Terrain::build(int columns, int rows, const std::vector<TerrainPatch>& patches,
                    const std::vector<LevelledTile>& levelled, double layerHeight) {
    columns_ = std::max(1, columns);
    rows_ = std::max(1, rows);
    clear();
    for (const TerrainPatch& patch : patches) {
        if (!patch.height) {
            continue;
        }
        const int i0 = std::max(0, patch.firstColumn) * kCellsPerTile;
        const int j0 = std::max(0, patch.firstRow) * kCellsPerTile;
        const int i1 = (std::min(columns_ - 1, patch.lastColumn) + 1) * kCellsPerTile;
        const int j1 = (std::min(rows_ - 1, patch.lastRow) + 1) * kCellsPerTile;
        for (int j = j0; j <= j1; ++j) {
            for (int i = i0; i <= i1; ++i) {
                const double h = patch.height(i * kCell, j * kCell);
                if (!std::isfinite(h)) {
                    continue;
                }
                const double current = vertexHeight(i, j);
                const double next = patch.hollow ? std::min(current, h) : std::max(current, h);
                if (next != current) {
                    setVertex(i, j, next);
                }
            }
        }
    }
    for (const LevelledTile& tile : levelled) {
        if (tile.column < 0 || tile.row < 0 || tile.column >= columns_ || tile.row >= rows_) {
            continue;
        }
        for (int b = 0; b < kBlockEdge; ++b) {
            for (int a = 0; a < kBlockEdge; ++a) {
                const int i = tile.column * kCellsPerTile + a;
                const int j = tile.row * kCellsPerTile + b;
                const double h = vertexHeight(i, j);
                if (tile.covered && h < layerHeight) {
                    setVertex(i, j, layerHeight);
                } else if (!tile.covered && h > 0) {
                    setVertex(i, j, 0);
                }
            }
        }
    }
    for (const float h : blockHeights_) {
        highest_ = std::max(highest_, static_cast<double>(h));
        lowest_ = std::min(lowest_, static_cast<double>(h));
    }
}

const float* Terrain::block(int column, int row) const {
    if (column < 0 || row < 0 || column >= columns_ || row >= rows_ || blockIndex_.empty()) {
        return nullptr;
    }
    const std::int32_t index = blockIndex_[static_cast<std::size_t>(row) * columns_ + column];
    return index < 0 ? nullptr : blockHeights_.data() + static_cast<std::size_t>(index);
}

float* Terrain::block(int column, int row, bool create) {
    if (column < 0 || row < 0 || column >= columns_ || row >= rows_) {
        return nullptr;
    }
    std::int32_t& index = blockIndex_[static_cast<std::size_t>(row) * columns_ + column];
    if (index < 0) {
        if (!create) {
            return nullptr;
        }
        index = static_cast<std::int32_t>(blockHeights_.size());
        blockHeights_.resize(blockHeights_.size() + kBlockVertices, 0.0f);
    }
    return blockHeights_.data() + static_cast<std::size_t>(index);
}

void Terrain::setVertex(int i, int j, double height) {
    // A vertex on a tile edge or corner belongs to up to four tiles; each keeps a copy.
    const int ci = i / kCellsPerTile;
    const int cj = j / kCellsPerTile;
    const bool edgeI = i % kCellsPerTile == 0;
    const bool edgeJ = j % kCellsPerTile == 0;
    for (int dc = edgeI ? -1 : 0; dc <= 0; ++dc) {
        for (int dr = edgeJ ? -1 : 0; dr <= 0; ++dr) {
            const int column = ci + dc;
            const int row = cj + dr;
            float* heights = block(column, row, height != 0.0);
            if (heights != nullptr) {
                const int a = i - column * kCellsPerTile;
                const int b = j - row * kCellsPerTile;
                heights[b * kBlockEdge + a] = static_cast<float>(height);
            }
        }
    }
}

double Terrain::vertexHeight(int i, int j) const {
    if (i < 0 || j < 0 || i >= vertexColumns() || j >= vertexRows()) {
        return 0.0;
    }
    const int column = std::min(i / kCellsPerTile, columns_ - 1);
    const int row = std::min(j / kCellsPerTile, rows_ - 1);
    const float* heights = block(column, row);
    if (heights == nullptr) {
        return 0.0;
    }
    return heights[(j - row * kCellsPerTile) * kBlockEdge + (i - column * kCellsPerTile)];
}

double Terrain::groundHeightAt(double x, double z) const {
    if (!(x >= 0 && x <= columns_ && z >= 0 && z <= rows_) || blockIndex_.empty()) {
        return 0.0;
    }
    const double fx = x / kCell;
    const double fz = z / kCell;
    const int i0 = std::min(static_cast<int>(fx), vertexColumns() - 2);
    const int j0 = std::min(static_cast<int>(fz), vertexRows() - 2);
    const double tx = fx - i0;
    const double tz = fz - j0;
    const double top = vertexHeight(i0, j0) * (1 - tx) + vertexHeight(i0 + 1, j0) * tx;
    const double bottom = vertexHeight(i0, j0 + 1) * (1 - tx) + vertexHeight(i0 + 1, j0 + 1) * tx;
    return top * (1 - tz) + bottom * tz;
}

std::size_t Terrain::memoryBytes() const {
    return blockIndex_.capacity() * sizeof(std::int32_t) + blockHeights_.capacity() * sizeof(float);
}

std::array<float, 3> Terrain::vertexColour(double y, double highest, double lowest,
                                           const TerrainColours& colours) {
    TerrainColours::Colour c = colours.ground;
    if (y > 0 && highest > 0) {
        const double t = y / highest;
        if (t > 0.5) {
            c = colours.hillHigh;
        } else {
            for (int k = 0; k < 3; ++k) {
                c[k] = mix(colours.hillLow[k], colours.hillHigh[k], t);
            }
        }
    } else if (y < 0 && lowest < 0) {
        const double t = y / lowest;
        if (t > 0.5) {
            c = colours.hollow;
        } else {
            for (int k = 0; k < 3; ++k) {
                c[k] = mix(colours.ground[k], colours.hollow[k], t);
            }
        }
    }
    return {c[0] / 65535.0f, c[1] / 65535.0f, c[2] / 65535.0f};
}

bool Terrain::tileFlat(int column, int row) const {
    const float* heights = block(column, row);
    return heights == nullptr ||
           std::all_of(heights, heights + kBlockVertices, [](float h) { return h == 0.0f; });
}

void Terrain::normalAt(int i, int j, float* n) const {
    const double dx = (vertexHeight(i + 1, j) - vertexHeight(i - 1, j)) / (2 * kCell);
    const double dz = (vertexHeight(i, j + 1) - vertexHeight(i, j - 1)) / (2 * kCell);
    const double length = std::sqrt(dx * dx + 1 + dz * dz);
    n[0] = static_cast<float>(-dx / length);
    n[1] = static_cast<float>(1 / length);
    n[2] = static_cast<float>(-dz / length);
}

std::vector<TerrainVertex> Terrain::triangles(const TerrainColours& colours) const {
    std::vector<TerrainVertex> out;
    visitTriangles(colours, [&](const TerrainVertex* v) { out.insert(out.end(), v, v + 3); });
    return out;
}

void Terrain::visitTriangles(const TerrainColours& colours,
                             const std::function<void(const TerrainVertex*)>& triangle) const {
    const double uScale = static_cast<double>(columns_) / vertexColumns();
    const double vScale = static_cast<double>(rows_) / vertexRows();
    auto vertex = [&](int i, int j, bool flat) {
        TerrainVertex v{};
        const double y = flat ? 0.0 : vertexHeight(i, j);
        v.x = static_cast<float>(i * kCell);
        v.y = static_cast<float>(y);
        v.z = static_cast<float>(j * kCell);
        if (flat) {
            v.ny = 1;
        } else {
            normalAt(i, j, &v.nx);
        }
        v.u = static_cast<float>(uScale * i);
        v.v = static_cast<float>(vScale * j);
        const std::array<float, 3> c = vertexColour(y, highest_, lowest_, colours);
        v.r = c[0];
        v.g = c[1];
        v.b = c[2];
        return v;
    };
    // Counter-clockwise seen from above (y up); the diagonal runs a-c, or b-d when
    // otherDiagonal is set.
    auto quad = [&](const TerrainVertex& a, const TerrainVertex& b, const TerrainVertex& c,
                    const TerrainVertex& d, bool otherDiagonal) {
        if (otherDiagonal) {
            const TerrainVertex first[3] = {a, d, b};
            const TerrainVertex second[3] = {b, d, c};
            triangle(first);
            triangle(second);
        } else {
            const TerrainVertex first[3] = {a, d, c};
            const TerrainVertex second[3] = {a, c, b};
            triangle(first);
            triangle(second);
        }
    };
    std::vector<bool> done(static_cast<std::size_t>(columns_) * rows_, false);
    auto flatFree = [&](int column, int row) {
        return !done[static_cast<std::size_t>(row) * columns_ + column] && tileFlat(column, row);
    };
    std::array<TerrainVertex, kBlockVertices> tile{};
    for (int row = 0; row < rows_; ++row) {
        for (int column = 0; column < columns_; ++column) {
            if (done[static_cast<std::size_t>(row) * columns_ + column]) {
                continue;
            }
            if (!tileFlat(column, row)) {
                // The tile's 5 × 5 vertices once, then its 16 cells.
                for (int b = 0; b < kBlockEdge; ++b) {
                    for (int a = 0; a < kBlockEdge; ++a) {
                        tile[static_cast<std::size_t>(b * kBlockEdge + a)] =
                            vertex(column * kCellsPerTile + a, row * kCellsPerTile + b, false);
                    }
                }
                for (int b = 0; b < kCellsPerTile; ++b) {
                    for (int a = 0; a < kCellsPerTile; ++a) {
                        const auto at = [&](int da, int db) -> const TerrainVertex& {
                            return tile[static_cast<std::size_t>((b + db) * kBlockEdge + a + da)];
                        };
                        const int i = column * kCellsPerTile + a;
                        const int j = row * kCellsPerTile + b;
                        quad(at(0, 0), at(1, 0), at(1, 1), at(0, 1), (i + j) % 2 != 0);
                    }
                }
                done[static_cast<std::size_t>(row) * columns_ + column] = true;
                continue;
            }
            // Grow the largest flat rectangle from here: first along the row, then down.
            int width = 1;
            while (column + width < columns_ && flatFree(column + width, row)) {
                ++width;
            }
            int height = 1;
            for (bool grow = true; grow && row + height < rows_;) {
                for (int c = column; c < column + width; ++c) {
                    if (!flatFree(c, row + height)) {
                        grow = false;
                        break;
                    }
                }
                if (grow) {
                    ++height;
                }
            }
            for (int r = row; r < row + height; ++r) {
                for (int c = column; c < column + width; ++c) {
                    done[static_cast<std::size_t>(r) * columns_ + c] = true;
                }
            }
            const int i0 = column * kCellsPerTile;
            const int j0 = row * kCellsPerTile;
            const int i1 = (column + width) * kCellsPerTile;
            const int j1 = (row + height) * kCellsPerTile;
            quad(vertex(i0, j0, true), vertex(i1, j0, true), vertex(i1, j1, true),
                 vertex(i0, j1, true), false);
        }
    }
}

} // namespace render
