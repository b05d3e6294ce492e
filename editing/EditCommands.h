#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "model/Geometry.h"

namespace model {
class CTrackItem;
class CTrackTypeItem;
class CLandscapeItem;
} // namespace model

namespace editing {

class Clipboard;
class UndoStore;

// The edit commands of the tile menu and the edit menu.
enum EditCommand : int {
    CmdRotate90 = 1326,
    CmdRotate180 = 1327,
    CmdRotate270 = 1328,
    CmdMirrorLeftRight = 1329,
    CmdMirrorTopBottom = 1330,
    CmdDelete = 1331,
    CmdCut = 1332,
    CmdCopy = 1333,
    CmdPaste = 1334,
    CmdUndo = 1335,
};

// The terrain commands on the selected landscape item that go through the clipboard or the
// undo store.
enum TerrainEditCommand : int {
    CmdTerrainCut = 1437,
    CmdTerrainCopy = 1438,
    CmdTerrainPaste = 1439,
    CmdTerrainUndo = 1440,
};

// The tile block of the selection, or nothing when nothing is selected.
std::optional<std::vector<std::uint8_t>> copySelection();
// Writes a block over the selection, keeping lined targets that the block would only give a
// picture; false (and no change) without a selection or for a payload that is not a block.
bool pasteIntoSelection(std::span<const std::uint8_t> block);
// Every non-empty tile of the selection loses the vehicles standing on it, is emptied and is
// queued for deferred deletion. False without a selection.
bool deleteSelection();

// Turns (1 … 3 quarter turns clockwise) or mirrors the one selected tile; nothing happens with
// no tile or more than one cell selected.
bool rotateSelectedTile(int quarterTurns);
bool mirrorSelectedTile(bool leftRight);

// Turns a whole rectangle of a layer by quarter turns clockwise about its top-left corner:
// every tile moves to its turned cell (a w × h rectangle becomes h × w) and its content turns
// with it. Point numbers stay with their points; turned cells off the board are dropped. The
// selection becomes the turned rectangle when it was the source. Ends with afterEdit.
bool rotateArea(int layer, model::TilePos a, model::TilePos b, int quarterTurns);
// Mirrors a rectangle left to right or top to bottom in place, tiles and contents.
bool mirrorArea(int layer, model::TilePos a, model::TilePos b, bool leftRight);

namespace reference {
// rotateArea and mirrorArea as they were first built: every tile is deep-copied into a
// scratch tile and copied back. The moving forms must leave exactly the same board; the tests
// compare the two.
bool rotateAreaByCopy(int layer, model::TilePos a, model::TilePos b, int quarterTurns);
bool mirrorAreaByCopy(int layer, model::TilePos a, model::TilePos b, bool leftRight);
} // namespace reference

// Runs one edit command as the layout view does: snapshot into the undo store where the
// command changes tiles, the operation, afterEdit. Paste reads "CTrackItem" and refuses a
// payload that is not a tile block before anything changes. False when the command did not act.
bool runEditCommand(int command, UndoStore& undo, Clipboard& clipboard);

// Places a catalogue piece with its top-left at `drop` on a layer, or over the selection when
// the drop cell lies inside it: replace (copy) or merge. The region is snapshotted for undo
// and selected afterwards. False for a cell off the board.
bool placePiece(const model::CTrackTypeItem& piece, int layer, model::TilePos drop, bool merge,
                UndoStore& undo);
// Places a dragged tile block the same way (replacing); for a move, the point number of the
// source tile passes to the placed tile. A payload that is not a block changes nothing.
bool placeTiles(std::span<const std::uint8_t> block, int layer, model::TilePos drop,
                model::CTrackItem* movedFrom, UndoStore& undo);

// Terrain clipboard commands on the selected landscape item (copy, cut) or without one
// (paste). Paste refuses a payload that is not a landscape record and then changes nothing.
bool copyLandscapeItemToClipboard(const model::CLandscapeItem* item, Clipboard& clipboard);
bool cutLandscapeItemToClipboard(model::CLandscapeItem* item, Clipboard& clipboard,
                                 UndoStore& undo);
model::CLandscapeItem* pasteLandscapeItemFromClipboard(const Clipboard& clipboard);

} // namespace editing
