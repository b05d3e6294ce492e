#include "editing/TileBlock.h"

#include <algorithm>
#include <set>

#include "editing/TileTransfer.h"
#include "model/CTrackItem.h"
#include "model/TrackTiles.h"
#include "persistence/LayoutFormat.h"
#include "persistence/TileRecord.h"
#include "platform/ByteReader.h"
#include "platform/ByteWriter.h"
#include "platform/RenderLock.h"

namespace editing {

namespace {

constexpr std::string_view kBlockTag = "TrkV";
constexpr int kMaxBlockEdge = model::kMaxBoardSize + 1;

struct BlockRecord {
    std::span<const std::uint8_t> bytes;
    persistence::TileRecordHead head;
    int dc = 0;
    int dr = 0;
};

struct ParsedBlock {
    model::TilePos first;
    int width = 0;
    int height = 0;
    std::vector<BlockRecord> records;
};

// Reads the whole block structure without touching the model; false for any damage.
bool parseBlock(std::span<const std::uint8_t> data, ParsedBlock& out) {
    platform::ByteReader in(data);
    if (!in.tag(kBlockTag)) {
        return false;
    }
    const std::uint32_t length = in.u32();
    const std::uint32_t count = in.u32();
    model::TilePos first;
    model::TilePos second;
    first.column = in.i16();
    first.row = in.i16();
    second.column = in.i16();
    second.row = in.i16();
    const std::uint32_t recordOffset = in.u32();
    if (!in.ok() || length < kBlockHeadLength || length > data.size() ||
        recordOffset < kBlockHeadLength || recordOffset > length) {
        return false;
    }
    const int width = second.column - first.column + 1;
    const int height = second.row - first.row + 1;
    if (width < 1 || height < 1 || width > kMaxBlockEdge || height > kMaxBlockEdge ||
        count > static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height)) {
        return false;
    }
    const auto body = data.first(length);
    std::set<std::pair<int, int>> cells;
    std::size_t offset = recordOffset;
    out.records.clear();
    out.records.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        BlockRecord record;
        if (offset >= body.size() ||
            !persistence::readTileRecordHead(body.subspan(offset), record.head)) {
            return false;
        }
        record.bytes = body.subspan(offset, record.head.length);
        offset += record.head.length;
        record.dc = record.head.position.column - first.column;
        record.dr = record.head.position.row - first.row;
        if (record.dc < 0 || record.dc >= width || record.dr < 0 || record.dr >= height ||
            !cells.emplace(record.dc, record.dr).second) {
            return false;
        }
        out.records.push_back(record);
    }
    out.first = first;
    out.width = width;
    out.height = height;
    return true;
}

void writeBlockHead(platform::ByteWriter& out, model::TilePos first, model::TilePos second) {
    out.tag(kBlockTag);
    out.u32(0);
    out.u32(0);
    out.i16(first.column);
    out.i16(first.row);
    out.i16(second.column);
    out.i16(second.row);
    out.u32(kBlockHeadLength);
    out.zeros(kBlockHeadLength - out.size());
}

void finishBlock(platform::ByteWriter& out, std::uint32_t count) {
    out.patchU32(4, static_cast<std::uint32_t>(out.size()));
    out.patchU32(8, count);
}

std::int16_t clampCell(int value) {
    return static_cast<std::int16_t>(std::clamp(value, 0, model::kMaxBoardSize));
}

} // namespace

std::vector<std::uint8_t> saveBlock(int layer, model::TilePos a, model::TilePos b) {
    platform::RenderLockGuard model;
    const model::TilePos first{clampCell(std::min(a.column, b.column)),
                               clampCell(std::min(a.row, b.row))};
    const model::TilePos second{clampCell(std::max(a.column, b.column)),
                                clampCell(std::max(a.row, b.row))};
    platform::ByteWriter out;
    writeBlockHead(out, first, second);
    std::uint32_t count = 0;
    const model::LayerMap* map = model::layerMap(layer);
    if (map != nullptr) {
        // The layer map is ordered row by row, so walking it gives the block's order.
        for (const auto& [key, tile] : *map) {
            const model::TilePos pos = tile->getPosition();
            if (pos.row < first.row || pos.row > second.row || pos.column < first.column ||
                pos.column > second.column || tile->isEmpty()) {
                continue;
            }
            persistence::writeTileRecord(out, *tile);
            ++count;
        }
    }
    finishBlock(out, count);
    return out.take();
}

std::vector<std::uint8_t> saveTileAsBlock(const model::CTrackItem& tile) {
    platform::ByteWriter out;
    const model::TilePos origin = tile.getPosition();
    writeBlockHead(out, origin, origin);
    persistence::writeTileRecord(out, tile);
    finishBlock(out, 1);
    return out.take();
}

bool isTileBlock(std::span<const std::uint8_t> block) {
    ParsedBlock parsed;
    return parseBlock(block, parsed);
}

bool blockSize(std::span<const std::uint8_t> block, int& width, int& height) {
    ParsedBlock parsed;
    if (!parseBlock(block, parsed)) {
        width = height = 0;
        return false;
    }
    width = parsed.width;
    height = parsed.height;
    return true;
}

namespace {

// The number of the point in a content, 0 for none.
int pointNumberOf(const model::TileContent& content) {
    const auto point = content.controlItems.find(model::KindPoint);
    return point != content.controlItems.end() ? point->second->getNumber() : 0;
}

// Writes a block that serves each target cell from a different record (outside merge mode),
// reading each record, in block order, into one reused tile and moving it straight into its
// target, so that the old content of a target is freed before the next record is read. Ends
// as reading every record into a tile of its own first and copying those over would: a
// record without a target (or one kept off a lined target) keeps its point number until the
// keeper has finished, as its tile would, and target cells without a record are cleared.
void streamRecords(const ParsedBlock& parsed, int layer, int firstColumn, int firstRow,
                   int lastColumn, int lastRow, int originColumn, int originRow,
                   bool keepLinedTargets, PointNumberKeeper& numbers) {
    // The target cell of each pattern cell, when it has one.
    const std::size_t cells = static_cast<std::size_t>(parsed.width) * parsed.height;
    std::vector<std::uint32_t> targetOf(cells, 0xFFFFFFFFu);
    for (int row = firstRow; row <= lastRow; ++row) {
        for (int column = firstColumn; column <= lastColumn; ++column) {
            const int dc = (column - originColumn) % parsed.width;
            const int dr = (row - originRow) % parsed.height;
            targetOf[static_cast<std::size_t>(dr) * parsed.width + dc] = model::packTilePos(
                {static_cast<std::int16_t>(column), static_cast<std::int16_t>(row)});
        }
    }
    std::vector<std::uint8_t> served(cells, 0);
    ScratchTiles scratch(1);
    model::CTrackItem* reader = scratch.make(layer, 0, 0);
    for (const BlockRecord& record : parsed.records) {
        persistence::readTileRecordBody(record.bytes, record.head, *reader);
        if (reader->isEmpty()) {
            reader->clear();
            continue;
        }
        const std::size_t index = static_cast<std::size_t>(record.dr) * parsed.width + record.dc;
        served[index] = 1;
        model::CTrackItem* target = nullptr;
        if (targetOf[index] != 0xFFFFFFFFu) {
            target = model::getOrCreateTile(model::unpackTilePos(targetOf[index]), layer);
            if (keepLinedTargets && reader->lineCount() == 0 && target->lineCount() > 0) {
                target = nullptr;
            }
        }
        model::TileContent content = reader->takeContent();
        reader->clear();
        if (target != nullptr) {
            moveTileInto(*target, std::move(content), numbers);
        } else if (const int number = pointNumberOf(content); number > 0) {
            content.controlItems.clear(); // releases the number
            numbers.park(number);
        }
    }
    std::vector<model::CTrackItem*> cleared;
    for (int row = firstRow; row <= lastRow; ++row) {
        for (int column = firstColumn; column <= lastColumn; ++column) {
            const int dc = (column - originColumn) % parsed.width;
            const int dr = (row - originRow) % parsed.height;
            if (served[static_cast<std::size_t>(dr) * parsed.width + dc] != 0) {
                continue;
            }
            const model::TilePos pos{static_cast<std::int16_t>(column),
                                     static_cast<std::int16_t>(row)};
            if (model::CTrackItem* target = model::tileAt(layer, pos)) {
                clearTile(*target, cleared);
            }
        }
    }
    queueStillEmpty(cleared);
    numbers.finish();
}

// Whether loadBlock hands each block tile to its last target (Move) or copies it to every
// target (Copy, the reference).
enum class Transfer { Move, Copy };

bool writeBlock(std::span<const std::uint8_t> block, int layer, model::TilePos a, model::TilePos b,
                bool keepLinedTargets, bool mergeMode, Transfer transfer) {
    platform::RenderLockGuard model;
    ParsedBlock parsed;
    int columns = 0;
    int rows = 0;
    if (!model::isTrackLayer(layer) || !boardSize(columns, rows) || !parseBlock(block, parsed)) {
        return false;
    }
    // Tiles emptied earlier would be deleted under the new content by the view's next purge;
    // purging now (as the view's timer does) lets the cells be written safely.
    model::purgeEmptiedTiles();
    const int firstColumn = std::max<int>(0, std::min(a.column, b.column));
    const int firstRow = std::max<int>(0, std::min(a.row, b.row));
    const int lastColumn = std::min<int>(columns - 1, std::max(a.column, b.column));
    const int lastRow = std::min<int>(rows - 1, std::max(a.row, b.row));
    const int originColumn = std::min(a.column, b.column);
    const int originRow = std::min(a.row, b.row);

    // Numbers of the tiles about to be overwritten are freed before the records are read, so
    // that a block put back where it came from keeps its point numbers.
    PointNumberKeeper numbers;
    for (int row = firstRow; row <= lastRow; ++row) {
        for (int column = firstColumn; column <= lastColumn; ++column) {
            const model::TilePos pos{static_cast<std::int16_t>(column),
                                     static_cast<std::int16_t>(row)};
            if (model::CTrackItem* tile = model::tileAt(layer, pos)) {
                numbers.release(*tile);
            }
        }
    }

    // How many target cells each pattern cell still has to serve: at its last one (outside
    // merge mode) the tile's content is moved instead of copied.
    std::vector<int> usesLeft;
    if (transfer == Transfer::Move && !mergeMode) {
        usesLeft.assign(static_cast<std::size_t>(parsed.width) * parsed.height, 0);
        for (int row = firstRow; row <= lastRow; ++row) {
            for (int column = firstColumn; column <= lastColumn; ++column) {
                const int dc = (column - originColumn) % parsed.width;
                const int dr = (row - originRow) % parsed.height;
                ++usesLeft[static_cast<std::size_t>(dr) * parsed.width + dc];
            }
        }
        if (std::all_of(usesLeft.begin(), usesLeft.end(), [](int uses) { return uses <= 1; })) {
            streamRecords(parsed, layer, firstColumn, firstRow, lastColumn, lastRow, originColumn,
                          originRow, keepLinedTargets, numbers);
            return true;
        }
    }

    ScratchTiles scratch(parsed.records.size());
    std::vector<model::CTrackItem*> pattern(static_cast<std::size_t>(parsed.width) *
                                            static_cast<std::size_t>(parsed.height));
    for (const BlockRecord& record : parsed.records) {
        model::CTrackItem* tile = scratch.make(layer, record.dc, record.dr);
        persistence::readTileRecordBody(record.bytes, record.head, *tile);
        if (!tile->isEmpty()) {
            pattern[static_cast<std::size_t>(record.dr) * parsed.width + record.dc] = tile;
        }
    }

    std::vector<model::CTrackItem*> cleared;
    for (int row = firstRow; row <= lastRow; ++row) {
        for (int column = firstColumn; column <= lastColumn; ++column) {
            const model::TilePos pos{static_cast<std::int16_t>(column),
                                     static_cast<std::int16_t>(row)};
            const int dc = (column - originColumn) % parsed.width;
            const int dr = (row - originRow) % parsed.height;
            const std::size_t index = static_cast<std::size_t>(dr) * parsed.width + dc;
            model::CTrackItem* source = pattern[index];
            const bool last = !usesLeft.empty() && --usesLeft[index] == 0;
            if (source != nullptr) {
                model::CTrackItem* target = model::getOrCreateTile(pos, layer);
                if (keepLinedTargets && source->lineCount() == 0 && target->lineCount() > 0) {
                    continue;
                }
                if (last) {
                    moveTileInto(*target, source->takeContent(), numbers);
                } else {
                    writeTileInto(*target, *source, mergeMode);
                }
            } else if (!mergeMode) {
                if (model::CTrackItem* target = model::tileAt(layer, pos)) {
                    clearTile(*target, cleared);
                }
            }
        }
    }
    queueStillEmpty(cleared);
    numbers.finish();
    return true;
}

} // namespace

bool loadBlock(std::span<const std::uint8_t> block, int layer, model::TilePos a, model::TilePos b,
               bool keepLinedTargets, bool mergeMode) {
    return writeBlock(block, layer, a, b, keepLinedTargets, mergeMode, Transfer::Move);
}

namespace reference {

bool loadBlockByCopy(std::span<const std::uint8_t> block, int layer, model::TilePos a,
                     model::TilePos b, bool keepLinedTargets, bool mergeMode) {
    return writeBlock(block, layer, a, b, keepLinedTargets, mergeMode, Transfer::Copy);
}

} // namespace reference

} // namespace editing
