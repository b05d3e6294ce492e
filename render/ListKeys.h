#pragma once
#include <cstdint>

namespace render {

// Display-list keys of the renderer's geometry cache. Key 0 means "do not cache".
inline constexpr std::int32_t kNoCacheKey = 0;
inline constexpr std::int32_t kBasePlateListKey = 328;
inline constexpr std::int32_t kOuterGroundListKey = 329;
inline constexpr std::int32_t kSkyDomeListKey = 330;
// The lit terrain surface seen from above and from below the ground plane, textured in the
// same pass with the light ground-detail texture (30) twice: the fine detail once per tile and
// a broad mottle once per four tiles. 331, 334 and 335 hold nothing.
inline constexpr std::int32_t kTerrainAboveListKey = 332;
inline constexpr std::int32_t kTerrainBelowListKey = 333;
// Terrain, its layers, sky, base plate and outer ground: dropped together when the terrain, the
// landscape items or the board change.
inline constexpr std::int32_t kFirstSharedListKey = 328;
inline constexpr std::int32_t kLastSharedListKey = 336;

// The built-in axle (134) and wheels (135 … 138) of the vehicles: 267 + (item − 134) × 10 +
// fade level, placed outside the list.
inline constexpr std::int32_t kWheelListKey = 267;

// The built-in tree: 187 + fade level for the normal pass, 197 + fade level for its bare shape
// in the shadow pass (shared by every tree; placed outside the list).
inline constexpr std::int32_t kTreeListKey = 187;
inline constexpr std::int32_t kTreeShadowListKey = 197;

// The list of one tile's track lines: normal pass for fade levels 0 … 9,
// (level + layer × 20 + 1) × 1,000,000 + row × columns + column; shadow pass,
// layer × 20,000,000 + 11,000,000 + row × columns + column. Key 0 for a fade level outside
// 0 … 9, a layer outside 0 … 4 or a cell outside the board.
std::int32_t tileListKey(int layer, int column, int row, int columns, int level, bool shadowPass);

// The ballast under the rails of one ground-level tile: 101,000,000 + row × columns + column;
// key 0 for a cell outside the board.
std::int32_t ballastListKey(int column, int row, int columns);

// Tiles near the eye are drawn in square chunks of kChunkEdge × kChunkEdge tiles, one list per
// chunk for their lines and one for their ballast, so that a frame calls a few hundred lists
// rather than one per tile. Each comes whole or, for an eye above all of the chunk's level
// undersides, without them (culled anyway); a chunk so far that a rail section would project
// under about half a pixel has a third list, from above, without the sleepers' end faces, with
// each line's sleepers as one cut-out strip and straight runs joined across its tiles. The
// chunk holding a tile: 110,000,000 + pass × 1,000,000 + layer × 100,000 + (row / kChunkEdge) × 128
// + column / kChunkEdge; the ballast passes are for layer 0 only; key 0 where tileListKey gives 0.
inline constexpr int kChunkEdge = 8;
enum class ChunkPass {
    Lines = 0,
    Ballast = 1,
    LinesFromAbove = 2,
    BallastFromAbove = 3,
    LinesFar = 4,
    BallastFar = 5
};
std::int32_t chunkListKey(int layer, int column, int row, int columns, ChunkPass pass);

// The list of a standard track-line shape (line shape and kind; width and length choose
// among the shape-6 variants): level + e × 10 + f × 90 + (shadowPass ? 788 : 337).
std::int32_t lineListKey(int shape, int kind, bool shadowPass, int level, int width, int length);

} // namespace render
