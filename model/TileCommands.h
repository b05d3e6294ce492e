#pragma once
#include <array>

namespace model {

class CTrackItem;

// The tile-menu commands that change control items, heights and piers.
enum TileCommand : int {
    CmdPointNumber = 1345,
    CmdStationStopFirst = 1346,
    CmdStationStopLast = 1352,
    CmdReversingWaitFirst = 1355,
    CmdReversingWaitLast = 1360,
    CmdHeightFirst = 1365,
    CmdHeightLast = 1368,
    CmdPierNone = 1375,
    CmdPierFirst = 1376,
    CmdPierLast = 1381,
};

// Stop codes of stations and wait codes of reversing points, by menu position: −1 do not
// stop (or reverse), seconds, −2 stop the engine.
inline constexpr std::array<int, 7> kStationStopCodes{-1, 2, 5, 10, 20, 60, -2};
inline constexpr std::array<int, 6> kReversingWaitCodes{-1, 2, 5, 10, 20, 60};

// The code a hold uses: a value never set (0) waits 2 seconds.
inline constexpr int effectiveWaitCode(int value) {
    return value == 0 ? 2 : value;
}

// The menu position of a station's stop code (0 counts as 2 seconds, an unknown code as
// position 1) and of a reversing point's wait code (0 and unknown codes as position 0).
int stationStopIndex(int code);
int reversingWaitIndex(int code);

// The menu text (UTF-8) of a command, or null for a command not listed above.
const char* tileCommandName(int command);

// Named operations behind the commands; each returns true when it acted.
// 1345: asks the editor to open the renumber dialog when the tile carries a point.
bool requestPointRenumber(CTrackItem& tile);
// 1346 … 1352: every station item of the tile's station run is freed and gets the stop code
// of the index (0 … 6).
bool setStationStop(CTrackItem& tile, int index);
// 1355 … 1360: the tile's reversing point gets the wait code of the index (0 … 5).
bool setReversingWait(CTrackItem& tile, int index);
// 1365 … 1368: a tile with lines on an elevated layer gets elevation offset 0 … 3; cached
// geometry around it is dropped, it is repainted and the model recomputed.
bool setTileHeight(CTrackItem& tile, int offset);
// 1375: a tile with lines loses its piers.
bool removeTilePiers(CTrackItem& tile);
// 1376 … 1381: a tile with lines gets the pier kind 310 … 315, replacing any pier.
bool setTilePier(CTrackItem& tile, int kind);

// Runs one command on a tile; false for an unknown command or when the operation refused.
bool runTileCommand(CTrackItem& tile, int command);
// Runs one command on the selected tile, only when exactly one existing tile is selected.
bool runSelectedTileCommand(int command);

} // namespace model
