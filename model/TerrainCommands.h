#pragma once
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "model/Geometry.h"

namespace model {

class CLandscapeItem;

// The editor's terrain commands as model operations, callable without a window. Each one that
// changes an item refreshes what depends on it: the renderer's cached geometry of the tiles
// under the item, the tiles' terrain ranges and cover flags, and the renderer's terrain.
// Operations taking an item refuse (false, null or empty) an address the landscape item
// container does not hold.

// Side of a new item's square placement, in layout units (the pane's initial size).
inline constexpr int kNewLandscapeItemSize = 200;

// 1426: a new item at (x, z) with the picture of the file as its shape and its heights built
// at once. A file that cannot be read leaves the new item without a picture.
CLandscapeItem* importGreyPicture(const std::filesystem::path& path, int x, int z);
// 1427: writes the item's picture in the format of the path's extension; false when the item
// has no picture, the extension names no format or the file cannot be written.
bool exportGreyPicture(const CLandscapeItem* item, const std::filesystem::path& path);
// 1428: a new item at (x, z) shaped by random terrain from the seed.
CLandscapeItem* generateTerrain(std::uint32_t seed, int x, int z);
// 1429: turns the picture clockwise by 90 degrees and swaps the rectangle's width and height
// about its centre.
bool rotateLandscapeItem(CLandscapeItem* item);
// 1430: mirrors the picture left to right; the rectangle stays.
bool mirrorLandscapeItem(CLandscapeItem* item);
// 1435: deletes the item.
bool removeLandscapeItem(CLandscapeItem* item);
// 1436: switches the item between hill and hollow.
bool toggleLandscapeHollow(CLandscapeItem* item);
// 1438: the item's "Lnd2" record, the clipboard payload "CTerrainItem".
std::vector<std::uint8_t> copyLandscapeItem(const CLandscapeItem* item);
// 1437: the record, then the item is deleted.
std::vector<std::uint8_t> cutLandscapeItem(CLandscapeItem* item);
// 1439: a new item from a "CTerrainItem" record; null (and no item) when the record is refused.
CLandscapeItem* pasteLandscapeItem(std::span<const std::uint8_t> record);
// Moving or resizing an item on the terrain layer: the rectangle is ordered and grown to at
// least one tile each way, then the heights rebuilt.
bool moveLandscapeItem(CLandscapeItem* item, const BoardRect& rect);
// The terrain panel's height slider: scale 0 … 1.
bool setLandscapeHeight(CLandscapeItem* item, double scale);

} // namespace model
