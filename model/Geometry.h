#pragma once
#include <cstdint>
#include <string>

namespace model {

// Tile edge in layout units; tile-local coordinates run 0 … 40 with the centre at (20, 20).
inline constexpr int kTileEdge = 40;
inline constexpr int kTileCentre = 20;
inline constexpr int kMinBoardSize = 1;
inline constexpr int kMaxBoardSize = 999;
inline constexpr int kTrackLayers = 5;

// Layer numbers: 0 ground, 1 … 4 elevated, 5 the terrain editing layer (holds no tiles).
enum TrackLayer : int {
    GroundLayer = 0,
    ElevatedLayer1 = 1,
    ElevatedLayer2 = 2,
    ElevatedLayer3 = 3,
    ElevatedLayer4 = 4,
    TerrainLayer = 5,
};

// User-interface name of a layer 0 … 5 (UTF-8); empty for any other value.
const char* layerName(int layer);

inline constexpr bool isTrackLayer(int layer) {
    return layer >= 0 && layer < kTrackLayers;
}
inline constexpr bool isValidBoardSize(int count) {
    return count >= kMinBoardSize && count <= kMaxBoardSize;
}

// A board cell: column (x) and row (z).
struct TilePos {
    std::int16_t column = 0;
    std::int16_t row = 0;

    friend bool operator==(const TilePos&, const TilePos&) = default;
};
static_assert(sizeof(TilePos) == 4);

// Map key of a cell: row × 65536 + column as an unsigned value, so keys sort row by row.
inline constexpr std::uint32_t packTilePos(TilePos pos) {
    return static_cast<std::uint32_t>(static_cast<std::uint16_t>(pos.row)) * 65536u +
           static_cast<std::uint16_t>(pos.column);
}
inline constexpr TilePos unpackTilePos(std::uint32_t key) {
    return TilePos{static_cast<std::int16_t>(key & 0xFFFFu), static_cast<std::int16_t>(key >> 16)};
}
// Both values in 0 … 999: only such cells are entered in a layer map.
inline constexpr bool isValidTilePos(TilePos pos) {
    return pos.column >= 0 && pos.column <= kMaxBoardSize && pos.row >= 0 &&
           pos.row <= kMaxBoardSize;
}

// Rectangle in layout units, stored as top, left, bottom, right.
struct LayoutRect {
    std::int16_t top = 0;
    std::int16_t left = 0;
    std::int16_t bottom = 0;
    std::int16_t right = 0;

    friend bool operator==(const LayoutRect&, const LayoutRect&) = default;
};
static_assert(sizeof(LayoutRect) == 8);

// A board-wide rectangle in layout units (top, left, bottom, right). Wider than LayoutRect
// because a 999-tile board spans 39960 units, beyond a 16-bit value.
struct BoardRect {
    std::int32_t top = 0;
    std::int32_t left = 0;
    std::int32_t bottom = 0;
    std::int32_t right = 0;

    friend bool operator==(const BoardRect&, const BoardRect&) = default;
};

struct RGBColor16 {
    std::uint16_t red = 0;
    std::uint16_t green = 0;
    std::uint16_t blue = 0;

    // A colour picked as 8-bit components keeps each in the high byte.
    static constexpr RGBColor16 from8Bit(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        return RGBColor16{static_cast<std::uint16_t>(r << 8), static_cast<std::uint16_t>(g << 8),
                          static_cast<std::uint16_t>(b << 8)};
    }
    friend bool operator==(const RGBColor16&, const RGBColor16&) = default;
};
static_assert(sizeof(RGBColor16) == 6);

struct Vec3f {
    float x = 0;
    float y = 0;
    float z = 0;
    friend bool operator==(const Vec3f&, const Vec3f&) = default;
};
static_assert(sizeof(Vec3f) == 12);

struct Vec3d {
    double x = 0;
    double y = 0;
    double z = 0;
    friend bool operator==(const Vec3d&, const Vec3d&) = default;
};

// Rounds half away from zero (2.5 → 3, −2.5 → −3).
double roundHalfAway(double value);

// Rotates (x, z) about (cx, cz) by `degrees`; the angle is first brought into (−360, 360).
// With `round`, both results are rounded half away from zero.
void rotateAbout(double& x, double& z, double cx, double cz, double degrees, bool round);

// Angle in [0, 360) degrees of the vector from (x1, y1) to (x2, y2); 0 for a zero vector.
double directionAngle(double x1, double y1, double x2, double y2);

// Length of an arc of `degrees` on a circle of `radius`.
double arcLength(double radius, double degrees);

// Level of a tile: 0 on layer 0, else layer − offset / 3.
double tileLevel(int layer, int elevationOffset);
// Height in the user interface's metres: 3 × layer − offset.
int heightMetres(int layer, int elevationOffset);
// "%dm" of heightMetres.
std::string heightText(int layer, int elevationOffset);

} // namespace model
