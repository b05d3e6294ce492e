#include "editing/EditCommands.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <span>

#include "editing/Clipboard.h"
#include "editing/TileBlock.h"
#include "editing/TileTransfer.h"
#include "editing/UndoStore.h"
#include "model/CLandscapeItem.h"
#include "model/CTrackControlItem.h"
#include "model/CTrackItem.h"
#include "model/CTrackTypeItem.h"
#include "model/LandscapeItems.h"
#include "model/PointNumbers.h"
#include "model/TerrainCommands.h"
#include "model/TrackHeights.h"
#include "model/TrackTiles.h"
#include "platform/RenderLock.h"
#include "trains/VehicleRegistry.h"

namespace editing {

namespace {

struct Rect {
    int layer = -1;
    model::TilePos first;
    model::TilePos second;
    int width() const { return second.column - first.column + 1; }
    int height() const { return second.row - first.row + 1; }
};

model::TilePos cell(int column, int row) {
    return {static_cast<std::int16_t>(column), static_cast<std::int16_t>(row)};
}

Rect ordered(int layer, model::TilePos a, model::TilePos b) {
    return {layer, cell(std::min(a.column, b.column), std::min(a.row, b.row)),
            cell(std::max(a.column, b.column), std::max(a.row, b.row))};
}

std::optional<Rect> selectedRect() {
    const model::TileSelection& s = model::selection();
    if (model::selectionCount() == 0 || !model::isTrackLayer(s.layer)) {
        return std::nullopt;
    }
    return ordered(s.layer, cell(s.minColumn, s.minRow), cell(s.maxColumn, s.maxRow));
}

// Appends the tiles of a layer inside a rectangle, row by row, each found by its cell.
void appendTilesIn(const Rect& rect, std::vector<model::CTrackItem*>& tiles) {
    if (model::layerTileCount(rect.layer) == 0) {
        return;
    }
    const int firstRow = std::max<int>(rect.first.row, 0);
    const int lastRow = std::min<int>(rect.second.row, model::kMaxBoardSize);
    const int firstColumn = std::max<int>(rect.first.column, 0);
    const int lastColumn = std::min<int>(rect.second.column, model::kMaxBoardSize);
    for (int row = firstRow; row <= lastRow; ++row) {
        for (int column = firstColumn; column <= lastColumn; ++column) {
            if (model::CTrackItem* tile = model::tileAt(rect.layer, cell(column, row))) {
                tiles.push_back(tile);
            }
        }
    }
}

std::vector<model::CTrackItem*> tilesIn(const Rect& rect) {
    std::vector<model::CTrackItem*> tiles;
    appendTilesIn(rect, tiles);
    return tiles;
}

bool snapshotSelection(UndoStore& undo) {
    const auto rect = selectedRect();
    if (!rect) {
        return false;
    }
    undo.snapshotTiles(rect->layer, rect->first, rect->second);
    return true;
}

model::CTrackItem* singleSelectedTile() {
    const auto rect = selectedRect();
    if (!rect || model::selectionCount() != 1) {
        return nullptr;
    }
    return model::tileAt(rect->layer, rect->first);
}

using CellMap = std::function<model::TilePos(int dc, int dr)>;

// What happens to each tile's content on its way: quarter turns clockwise, then a mirror.
struct Reshape {
    int quarterTurns = 0;
    enum Mirror { None, LeftRight, TopBottom } mirror = None;

    template <typename Content> void apply(Content& content) const {
        for (int i = 0; i < quarterTurns; ++i) {
            content.rotate90();
        }
        if (mirror == LeftRight) {
            content.mirrorLeftRight();
        } else if (mirror == TopBottom) {
            content.mirrorTopBottom();
        }
    }
};

// How moveArea carries the tiles: moving their contents, or through deep copies (the
// reference the moves are checked against).
enum class Transfer { Move, Copy };

// The reference form of moveArea: each tile is copied into a scratch tile, transformed there,
// and copied into its target.
void copyArea(const Rect& rect, const CellMap& map, const Reshape& reshape) {
    int columns = 0;
    int rows = 0;
    boardSize(columns, rows);
    model::purgeEmptiedTiles();
    const std::vector<model::CTrackItem*> tiles = tilesIn(rect);
    ScratchTiles scratch(tiles.size());
    std::vector<std::pair<model::CTrackItem*, model::TilePos>> moving;
    moving.reserve(tiles.size());
    std::vector<model::CTrackItem*> cleared;
    cleared.reserve(tiles.size());
    for (model::CTrackItem* tile : tiles) {
        if (tile->isEmpty()) {
            continue;
        }
        const int dc = tile->getPosition().column - rect.first.column;
        const int dr = tile->getPosition().row - rect.first.row;
        model::CTrackItem* copy = scratch.make(rect.layer, dc, dr);
        const int number = tile->getPointNumber();
        tile->setPointNumber(0);
        copy->copyFrom(*tile);
        copy->setPointNumber(number);
        reshape.apply(*copy);
        moving.emplace_back(copy, map(dc, dr));
        clearTile(*tile, cleared);
    }
    PointNumberKeeper numbers;
    for (auto& [copy, offset] : moving) {
        const int column = rect.first.column + offset.column;
        const int row = rect.first.row + offset.row;
        if (column < 0 || row < 0 || column >= columns || row >= rows) {
            continue;
        }
        model::CTrackItem* target = model::getOrCreateTile(cell(column, row), rect.layer);
        numbers.release(*target);
        writeTileInto(*target, *copy, false);
    }
    queueStillEmpty(cleared);
    numbers.finish();
}

// Drops the links of the lines on every cell (all layers) within one cell of a tile with
// lines, as dropLinksAround of each such tile would, but each cell once for a whole area.
class LinkDropper {
public:
    // Tiles given later lie in `rect` (clipped to the board).
    explicit LinkDropper(const Rect& rect)
        : left_(std::max<int>(rect.first.column, 0) - 1),
          top_(std::max<int>(rect.first.row, 0) - 1),
          width_(std::max(0, std::min<int>(rect.second.column, model::kMaxBoardSize) - left_ + 2)),
          height_(std::max(0, std::min<int>(rect.second.row, model::kMaxBoardSize) - top_ + 2)),
          dropped_(static_cast<std::size_t>(width_) * height_, 0) {
        for (int layer = 0; layer < model::kTrackLayers; ++layer) {
            used_[layer] = model::layerTileCount(layer) > 0;
        }
    }

    void dropAround(std::span<model::CTrackItem* const> tiles) {
        for (const model::CTrackItem* tile : tiles) {
            if (tile->lineCount() == 0) {
                continue;
            }
            const model::TilePos pos = tile->getPosition();
            for (int row = pos.row - 1; row <= pos.row + 1; ++row) {
                for (int column = pos.column - 1; column <= pos.column + 1; ++column) {
                    dropCell(column, row);
                }
            }
        }
    }

private:
    void dropCell(int column, int row) {
        if (column < 0 || row < 0 || column > model::kMaxBoardSize || row > model::kMaxBoardSize) {
            return;
        }
        std::uint8_t& done =
            dropped_[static_cast<std::size_t>(row - top_) * width_ + (column - left_)];
        if (done != 0) {
            return;
        }
        done = 1;
        for (int layer = 0; layer < model::kTrackLayers; ++layer) {
            if (used_[layer]) {
                if (model::CTrackItem* tile = model::tileAt(layer, cell(column, row))) {
                    tile->dropLinks();
                }
            }
        }
    }

    int left_;
    int top_;
    int width_;
    int height_;
    std::vector<std::uint8_t> dropped_;
    std::array<bool, model::kTrackLayers> used_{};
};

// Rows of a rectangle (offsets from its top) whose tiles move only among themselves.
using Bands = std::vector<std::vector<int>>;

// Moves every tile of the rectangle to the cell `map` gives (relative to the rectangle's
// top-left corner) and reshapes its content on the way. The content moves (its lines and
// items keep their addresses) and ends as a copy of it would: the tile is first reduced to
// what a copy holds, then its content is taken and reshaped. Each band of rows is taken and
// written whole before the next, while its tiles are still in the cache; every step on a
// tile touches that tile alone, so the order of the bands changes nothing.
void moveArea(const Rect& rect, const CellMap& map, const Reshape& reshape, const Bands& bands,
              Transfer transfer) {
    if (transfer == Transfer::Copy) {
        copyArea(rect, map, reshape);
        return;
    }
    int columns = 0;
    int rows = 0;
    boardSize(columns, rows);
    model::purgeEmptiedTiles();
    // Contents that land off the board keep their point numbers until the keeper has
    // finished, as their copies would.
    std::vector<model::TileContent> offBoard;
    PointNumberKeeper numbers;
    std::vector<model::CTrackItem*> tiles;
    std::vector<std::pair<model::TileContent, model::TilePos>> moving;
    std::vector<model::CTrackItem*> cleared;
    LinkDropper links(rect);
    for (const std::vector<int>& band : bands) {
        tiles.clear();
        for (const int dr : band) {
            const int row = rect.first.row + dr;
            const Rect line{rect.layer, cell(rect.first.column, row),
                            cell(rect.second.column, row)};
            const std::size_t before = tiles.size();
            appendTilesIn(line, tiles);
            links.dropAround(std::span(tiles).subspan(before));
        }
        moving.clear();
        moving.reserve(tiles.size());
        for (model::CTrackItem* tile : tiles) {
            if (tile->isEmpty()) {
                continue;
            }
            const int dc = tile->getPosition().column - rect.first.column;
            const int dr = tile->getPosition().row - rect.first.row;
            tile->normalizeAsCopy();
            moving.emplace_back(tile->takeContent(false), map(dc, dr));
            reshape.apply(moving.back().first);
            clearTile(*tile, cleared);
        }
        for (auto& [content, offset] : moving) {
            const int column = rect.first.column + offset.column;
            const int row = rect.first.row + offset.row;
            if (column < 0 || row < 0 || column >= columns || row >= rows) {
                offBoard.push_back(std::move(content));
                continue;
            }
            model::CTrackItem* target = model::getOrCreateTile(cell(column, row), rect.layer);
            numbers.release(*target);
            moveTileInto(*target, std::move(content), numbers);
        }
        // No later band writes into this one: its tiles left empty stay empty.
        queueStillEmpty(cleared);
        cleared.clear();
    }
    numbers.finish();
}

void selectClipped(int layer, model::TilePos a, model::TilePos b) {
    int columns = 0;
    int rows = 0;
    boardSize(columns, rows);
    const int lastColumn = std::min<int>(b.column, columns - 1);
    const int lastRow = std::min<int>(b.row, rows - 1);
    if (lastColumn < a.column || lastRow < a.row) {
        model::clearSelection();
        return;
    }
    model::setSelection(layer, a, cell(lastColumn, lastRow));
}

bool sameRect(const Rect& a, const std::optional<Rect>& b) {
    return b && a.layer == b->layer && a.first == b->first && a.second == b->second;
}

// The rectangle a dropped block of w × h covers: the selection when the drop cell lies inside
// it on the same layer, else the block's size from the drop cell.
Rect dropTarget(int layer, model::TilePos drop, int width, int height) {
    const auto selected = selectedRect();
    if (selected && selected->layer == layer && drop.column >= selected->first.column &&
        drop.column <= selected->second.column && drop.row >= selected->first.row &&
        drop.row <= selected->second.row) {
        return *selected;
    }
    return {layer, drop, cell(drop.column + width - 1, drop.row + height - 1)};
}

bool onBoard(model::TilePos pos) {
    int columns = 0;
    int rows = 0;
    return boardSize(columns, rows) && pos.column >= 0 && pos.row >= 0 && pos.column < columns &&
           pos.row < rows;
}

bool placeBlock(std::span<const std::uint8_t> block, int layer, model::TilePos drop, bool merge,
                UndoStore& undo, model::CTrackItem* movedFrom) {
    int width = 0;
    int height = 0;
    if (!model::isTrackLayer(layer) || !onBoard(drop) || !blockSize(block, width, height)) {
        return false;
    }
    const Rect target = dropTarget(layer, drop, width, height);
    undo.snapshotTiles(layer, target.first, target.second);
    int number = 0;
    if (movedFrom != nullptr && model::validTile(movedFrom) != nullptr) {
        number = movedFrom->getPointNumber();
        movedFrom->setPointNumber(0);
    }
    loadBlock(block, layer, target.first, target.second, false, merge);
    if (number > 0 && model::pointWithNumber(number) == nullptr) {
        model::CTrackItem* placed = model::tileAt(layer, target.first);
        if (placed != nullptr && placed->pointItem() != nullptr) {
            placed->pointItem()->releaseNumber();
            placed->setPointNumber(number);
        }
    }
    model::assignMissingPointNumbers();
    selectClipped(layer, target.first, target.second);
    model::afterEdit();
    return true;
}

} // namespace

std::optional<std::vector<std::uint8_t>> copySelection() {
    platform::RenderLockGuard model;
    const auto rect = selectedRect();
    if (!rect) {
        return std::nullopt;
    }
    return saveBlock(rect->layer, rect->first, rect->second);
}

bool pasteIntoSelection(std::span<const std::uint8_t> block) {
    platform::RenderLockGuard model;
    const auto rect = selectedRect();
    if (!rect) {
        return false;
    }
    return loadBlock(block, rect->layer, rect->first, rect->second, true, false);
}

bool deleteSelection() {
    platform::RenderLockGuard model;
    const auto rect = selectedRect();
    if (!rect) {
        return false;
    }
    std::vector<model::CTrackItem*> cleared;
    for (model::CTrackItem* tile : tilesIn(*rect)) {
        if (tile->isEmpty()) {
            continue;
        }
        trains::deleteVehiclesOnTile(tile);
        clearTile(*tile, cleared);
    }
    queueStillEmpty(cleared);
    return true;
}

bool rotateSelectedTile(int quarterTurns) {
    platform::RenderLockGuard model;
    model::CTrackItem* tile = singleSelectedTile();
    if (tile == nullptr) {
        return false;
    }
    tile->dropCachedGeometry();
    for (int i = 0; i < quarterTurns; ++i) {
        tile->rotate90();
    }
    return true;
}

bool mirrorSelectedTile(bool leftRight) {
    platform::RenderLockGuard model;
    model::CTrackItem* tile = singleSelectedTile();
    if (tile == nullptr) {
        return false;
    }
    tile->dropCachedGeometry();
    if (leftRight) {
        tile->mirrorLeftRight();
    } else {
        tile->mirrorTopBottom();
    }
    return true;
}

namespace {

// One band of every row (a turn moves rows into columns).
Bands wholeRect(int height) {
    Bands bands(1);
    for (int dr = 0; dr < height; ++dr) {
        bands[0].push_back(dr);
    }
    return bands;
}

// Each row a band of its own (a left-right mirror keeps tiles in their row).
Bands eachRow(int height) {
    Bands bands;
    for (int dr = 0; dr < height; ++dr) {
        bands.push_back({dr});
    }
    return bands;
}

// Each row with its mirror image (a top-bottom mirror swaps them).
Bands rowPairs(int height) {
    Bands bands;
    for (int dr = 0; dr <= height - 1 - dr; ++dr) {
        if (dr == height - 1 - dr) {
            bands.push_back({dr});
        } else {
            bands.push_back({dr, height - 1 - dr});
        }
    }
    return bands;
}

bool turnArea(int layer, model::TilePos a, model::TilePos b, int quarterTurns, Transfer transfer) {
    platform::RenderLockGuard model;
    const int turns = ((quarterTurns % 4) + 4) % 4;
    if (!model::isTrackLayer(layer) || turns == 0) {
        return false;
    }
    const Rect rect = ordered(layer, a, b);
    const bool wasSelected = sameRect(rect, selectedRect());
    const int width = rect.width();
    const int height = rect.height();
    moveArea(
        rect,
        [&](int dc, int dr) {
            int w = width;
            int h = height;
            for (int i = 0; i < turns; ++i) {
                const int column = h - 1 - dr;
                dr = dc;
                dc = column;
                std::swap(w, h);
            }
            return cell(dc, dr);
        },
        Reshape{turns, Reshape::None}, wholeRect(height), transfer);
    if (wasSelected) {
        const bool swapped = (turns % 2) == 1;
        selectClipped(layer, rect.first,
                      cell(rect.first.column + (swapped ? height : width) - 1,
                           rect.first.row + (swapped ? width : height) - 1));
    }
    model::afterEdit();
    return true;
}

bool flipArea(int layer, model::TilePos a, model::TilePos b, bool leftRight, Transfer transfer) {
    platform::RenderLockGuard model;
    if (!model::isTrackLayer(layer)) {
        return false;
    }
    const Rect rect = ordered(layer, a, b);
    const int width = rect.width();
    const int height = rect.height();
    moveArea(
        rect,
        [&](int dc, int dr) {
            return leftRight ? cell(width - 1 - dc, dr) : cell(dc, height - 1 - dr);
        },
        Reshape{0, leftRight ? Reshape::LeftRight : Reshape::TopBottom},
        leftRight ? eachRow(height) : rowPairs(height), transfer);
    model::afterEdit();
    return true;
}

} // namespace

bool rotateArea(int layer, model::TilePos a, model::TilePos b, int quarterTurns) {
    return turnArea(layer, a, b, quarterTurns, Transfer::Move);
}

bool mirrorArea(int layer, model::TilePos a, model::TilePos b, bool leftRight) {
    return flipArea(layer, a, b, leftRight, Transfer::Move);
}

namespace reference {

bool rotateAreaByCopy(int layer, model::TilePos a, model::TilePos b, int quarterTurns) {
    return turnArea(layer, a, b, quarterTurns, Transfer::Copy);
}

bool mirrorAreaByCopy(int layer, model::TilePos a, model::TilePos b, bool leftRight) {
    return flipArea(layer, a, b, leftRight, Transfer::Copy);
}

} // namespace reference

bool runEditCommand(int command, UndoStore& undo, Clipboard& clipboard) {
    platform::RenderLockGuard model;
    switch (command) {
    case CmdRotate90:
    case CmdRotate180:
    case CmdRotate270:
    case CmdMirrorLeftRight:
    case CmdMirrorTopBottom: {
        if (singleSelectedTile() == nullptr) {
            return false;
        }
        snapshotSelection(undo);
        if (command <= CmdRotate270) {
            rotateSelectedTile(command - CmdRotate90 + 1);
        } else {
            mirrorSelectedTile(command == CmdMirrorLeftRight);
        }
        model::afterEdit();
        return true;
    }
    case CmdDelete:
        if (!snapshotSelection(undo)) {
            return false;
        }
        deleteSelection();
        model::afterEdit();
        return true;
    case CmdCut:
        if (!snapshotSelection(undo)) {
            return false;
        }
        if (auto block = copySelection()) {
            clipboard.put(kTrackItemFormat, *block);
        }
        deleteSelection();
        model::afterEdit();
        return true;
    case CmdCopy: {
        auto block = copySelection();
        if (!block) {
            return false;
        }
        clipboard.put(kTrackItemFormat, *block);
        model::afterEdit();
        return true;
    }
    case CmdPaste: {
        const auto payload = clipboard.take(kTrackItemFormat);
        if (!payload || !isTileBlock(*payload) || !selectedRect()) {
            return false;
        }
        snapshotSelection(undo);
        pasteIntoSelection(*payload);
        model::afterEdit();
        return true;
    }
    case CmdUndo:
        return undo.undo();
    default:
        return false;
    }
}

bool placePiece(const model::CTrackTypeItem& piece, int layer, model::TilePos drop, bool merge,
                UndoStore& undo) {
    platform::RenderLockGuard model;
    const std::vector<std::uint8_t> block = saveTileAsBlock(piece);
    return placeBlock(block, layer, drop, merge, undo, nullptr);
}

bool placeTiles(std::span<const std::uint8_t> block, int layer, model::TilePos drop,
                model::CTrackItem* movedFrom, UndoStore& undo) {
    platform::RenderLockGuard model;
    return placeBlock(block, layer, drop, false, undo, movedFrom);
}

bool copyLandscapeItemToClipboard(const model::CLandscapeItem* item, Clipboard& clipboard) {
    platform::RenderLockGuard model;
    if (model::validLandscapeItem(item) == nullptr) {
        return false;
    }
    const std::vector<std::uint8_t> record = model::copyLandscapeItem(item);
    if (record.empty()) {
        return false;
    }
    clipboard.put(kTerrainItemFormat, record);
    return true;
}

bool cutLandscapeItemToClipboard(model::CLandscapeItem* item, Clipboard& clipboard,
                                 UndoStore& undo) {
    platform::RenderLockGuard model;
    if (!copyLandscapeItemToClipboard(item, clipboard)) {
        return false;
    }
    undo.snapshotLandscape(item);
    model::removeLandscapeItem(item);
    model::afterEdit();
    return true;
}

model::CLandscapeItem* pasteLandscapeItemFromClipboard(const Clipboard& clipboard) {
    platform::RenderLockGuard model;
    const auto payload = clipboard.take(kTerrainItemFormat);
    if (!payload || payload->size() < 4 || std::memcmp(payload->data(), "Lnd2", 4) != 0) {
        return nullptr;
    }
    model::CLandscapeItem* item = model::pasteLandscapeItem(*payload);
    if (item != nullptr) {
        model::afterEdit();
    }
    return item;
}

} // namespace editing
