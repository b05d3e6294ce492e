#include "model/TileCommands.h"

#include <algorithm>

#include "model/CTrackItem.h"
#include "model/PieceSeams.h"
#include "model/TrackHeights.h"
#include "model/TrackTiles.h"
#include "platform/RenderLock.h"

namespace model {

namespace {

constexpr const char* kStationStopNames[7] = {
    "停車しない", "２秒", "５秒", "１０秒", "２０秒", "６０秒", "エンジンを停止する"};
constexpr const char* kReversingWaitNames[6] = {"逆行運転しない", "２秒",   "５秒",
                                                "１０秒",         "２０秒", "６０秒"};
constexpr const char* kHeightNames[4] = {"3m", "2m", "1m", "0m"};
constexpr const char* kPierNames[7] = {"なし", "石垣",           "コンクリート１", "コンクリート２",
                                       "鉄",   "石垣（アーチ）", "鉄（アーチ）"};

// Cached geometry goes and the tile is repainted after its piers change.
void afterPierChange(CTrackItem& tile) {
    tile.resetBoundsCaches();
    tile.refresh();
    tile.dropCachedGeometry();
}

} // namespace

int stationStopIndex(int code) {
    const int effective = effectiveWaitCode(code);
    const auto it = std::find(kStationStopCodes.begin(), kStationStopCodes.end(), effective);
    return it != kStationStopCodes.end() ? static_cast<int>(it - kStationStopCodes.begin()) : 1;
}

int reversingWaitIndex(int code) {
    const auto it = std::find(kReversingWaitCodes.begin(), kReversingWaitCodes.end(), code);
    return it != kReversingWaitCodes.end() ? static_cast<int>(it - kReversingWaitCodes.begin()) : 0;
}

const char* tileCommandName(int command) {
    if (command == CmdPointNumber) {
        return "ポイント番号変更...";
    }
    if (command >= CmdStationStopFirst && command <= CmdStationStopLast) {
        return kStationStopNames[command - CmdStationStopFirst];
    }
    if (command >= CmdReversingWaitFirst && command <= CmdReversingWaitLast) {
        return kReversingWaitNames[command - CmdReversingWaitFirst];
    }
    if (command >= CmdHeightFirst && command <= CmdHeightLast) {
        return kHeightNames[command - CmdHeightFirst];
    }
    if (command >= CmdPierNone && command <= CmdPierLast) {
        return kPierNames[command - CmdPierNone];
    }
    return nullptr;
}

bool requestPointRenumber(CTrackItem& tile) {
    platform::RenderLockGuard model;
    if (tile.pointItem() == nullptr) {
        return false;
    }
    if (auto& hook = pieceHooks().openRenumberDialog) {
        hook(tile);
    }
    return true;
}

bool setStationStop(CTrackItem& tile, int index) {
    platform::RenderLockGuard model;
    if (index < 0 || index >= static_cast<int>(kStationStopCodes.size())) {
        return false;
    }
    const auto run = tile.stationRun();
    for (CTrackControlItem* station : run) {
        station->setOccupant(0);
        station->setValue(kStationStopCodes[static_cast<std::size_t>(index)]);
    }
    return !run.empty();
}

bool setReversingWait(CTrackItem& tile, int index) {
    platform::RenderLockGuard model;
    CTrackControlItem* reversing = tile.reversingItem();
    if (reversing == nullptr || index < 0 ||
        index >= static_cast<int>(kReversingWaitCodes.size())) {
        return false;
    }
    reversing->setValue(kReversingWaitCodes[static_cast<std::size_t>(index)]);
    return true;
}

bool setTileHeight(CTrackItem& tile, int offset) {
    platform::RenderLockGuard model;
    if (tile.lineCount() == 0 || tile.getLayer() < ElevatedLayer1 ||
        tile.getLayer() > ElevatedLayer4 || offset < 0 || offset > 3) {
        return false;
    }
    tile.dropCachedGeometry();
    tile.setElevationOffset(offset);
    tile.resetBoundsCaches();
    tile.refresh();
    afterEdit();
    return true;
}

bool removeTilePiers(CTrackItem& tile) {
    platform::RenderLockGuard model;
    if (tile.lineCount() == 0) {
        return false;
    }
    tile.removePiers();
    afterPierChange(tile);
    return true;
}

bool setTilePier(CTrackItem& tile, int kind) {
    platform::RenderLockGuard model;
    if (tile.lineCount() == 0 || kind < KindPierFirst || kind > KindPierLast) {
        return false;
    }
    tile.setPierType(kind);
    afterPierChange(tile);
    return true;
}

bool runTileCommand(CTrackItem& tile, int command) {
    platform::RenderLockGuard model;
    if (command == CmdPointNumber) {
        return requestPointRenumber(tile);
    }
    if (command >= CmdStationStopFirst && command <= CmdStationStopLast) {
        return setStationStop(tile, command - CmdStationStopFirst);
    }
    if (command >= CmdReversingWaitFirst && command <= CmdReversingWaitLast) {
        return setReversingWait(tile, command - CmdReversingWaitFirst);
    }
    if (command >= CmdHeightFirst && command <= CmdHeightLast) {
        return setTileHeight(tile, command - CmdHeightFirst);
    }
    if (command == CmdPierNone) {
        return removeTilePiers(tile);
    }
    if (command >= CmdPierFirst && command <= CmdPierLast) {
        return setTilePier(tile, command - 1066);
    }
    return false;
}

bool runSelectedTileCommand(int command) {
    platform::RenderLockGuard model;
    if (selectionCount() != 1) {
        return false;
    }
    const TileSelection& s = selection();
    CTrackItem* tile = tileAt(s.layer, TilePos{s.minColumn, s.minRow});
    return tile != nullptr && runTileCommand(*tile, command);
}

} // namespace model
