#include "persistence/LayoutFile.h"

#include <algorithm>

#include "model/CLandscapeItem.h"
#include "model/LandscapeItems.h"
#include "model/PointNumbers.h"
#include "model/TrackHeights.h"
#include "model/TrackTiles.h"
#include "persistence/AtomicFile.h"
#include "persistence/CImageItem.h"
#include "persistence/EnvironmentChunk.h"
#include "persistence/LandscapeChunk.h"
#include "persistence/LayoutFormat.h"
#include "persistence/TrackChunk.h"
#include "persistence/TrainChunk.h"
#include "platform/ByteReader.h"

namespace persistence {

namespace {

// Appends one chunk built by `build` and records its file offset in the header field at
// `headerField`, unless the chunk came out empty.
template <typename Build>
void appendChunk(platform::ByteWriter& file, std::size_t headerField, Build&& build) {
    const std::size_t start = file.size();
    build(file);
    if (file.size() > start) {
        file.patchU32(headerField, static_cast<std::uint32_t>(start));
    }
}

int clampBoardSize(std::int32_t value) {
    return std::clamp<std::int32_t>(value, 1, model::kMaxBoardSize);
}

} // namespace

TrainChunkHandlers& trainChunkHandlers() {
    static TrainChunkHandlers handlers;
    return handlers;
}

std::vector<std::uint8_t> buildLayoutFile(const model::CZarnoltDocument& document) {
    platform::ByteWriter file;
    file.reserve(kHeaderLength + kTrackChunkHeadLength + kEnvironmentChunkLength);
    file.tag(kLayoutMagic);
    file.u32(0);
    file.i32(document.getColumns());
    file.i32(document.getRows());
    file.i32(0);
    file.u32(kLayoutVersion);
    file.padTo(kHeaderLength);

    appendChunk(file, kHeaderTrackOffset, [](platform::ByteWriter& out) { writeTrackChunk(out); });
    appendChunk(file, kHeaderLandscapeOffset,
                [](platform::ByteWriter& out) { writeLandscapeChunk(out); });
    appendChunk(file, kHeaderTrainOffset, [](platform::ByteWriter& out) {
        if (const auto& write = trainChunkHandlers().write) {
            out.bytes(write());
        }
    });
    appendChunk(file, kHeaderEnvironmentOffset, [&](platform::ByteWriter& out) {
        writeEnvironmentChunk(out, document.getEnvironment());
    });
    file.patchU32(kHeaderFileLength, static_cast<std::uint32_t>(file.size()));
    return file.take();
}

bool writeLayoutFile(const model::CZarnoltDocument& document, const std::filesystem::path& path) {
    const std::vector<std::uint8_t> bytes = buildLayoutFile(document);
    // The header's 32-bit lengths and offsets cannot describe a larger file.
    if (bytes.size() > kMaxLayoutFileBytes) {
        return false;
    }
    return replaceFileContents(path, bytes);
}

void recomputeAfterLoading(bool longDiagonals) {
    const std::vector<model::CLandscapeItem*> items = model::landscapeItems();
    for (const model::CLandscapeItem* item : items) {
        if (!item->isHollow()) {
            item->addTerrainRanges();
        }
    }
    // Tiles start with clear cover flags, and without landscape items they stay clear.
    if (!items.empty()) {
        model::recomputeCoverFlags();
    }
    model::afterLoading(longDiagonals);
}

LayoutReadResult readLayoutBytes(model::CZarnoltDocument& document,
                                 std::span<const std::uint8_t> bytes,
                                 const model::LoadProgressCallback& progress,
                                 std::string_view fileName) {
    if (bytes.size() < kHeaderLength) {
        return LayoutReadResult::TooShort;
    }
    if (!isTag(bytes.data(), kLayoutMagic)) {
        return LayoutReadResult::WrongMagic;
    }
    platform::ByteReader header(bytes.first(kHeaderLength));
    header.skip(kHeaderFileLength);
    const std::uint32_t total = header.u32();
    const int columns = clampBoardSize(header.i32());
    const int rows = clampBoardSize(header.i32());

    document.clear(true);
    document.setSize(columns, rows);
    // A layout without a readable "Cenv" chunk gets the default scenery, not the last one.
    document.resetEnvironment();

    std::size_t pointsWithoutNumber = 0;
    bool longDiagonals = false;
    std::size_t offset = kHeaderLength;
    while (bytes.size() - offset >= kChunkHeadLength) {
        std::uint32_t length = 0;
        platform::ByteReader::peekU32(bytes, offset + 4, length);
        if (length < kChunkHeadLength || length > bytes.size() - offset) {
            break;
        }
        const auto chunk = bytes.subspan(offset, length);
        offset += length;
        if (progress) {
            progress(static_cast<std::int64_t>(offset), total, fileName);
        }
        if (isTag(chunk.data(), kEnvironmentChunkTag)) {
            if (const auto environment = readEnvironmentChunk(chunk)) {
                document.setEnvironment(&*environment);
            }
        } else if (isTag(chunk.data(), kLandscapeChunkTag) ||
                   isTag(chunk.data(), kLandscapeChunkOldTag)) {
            readLandscapeChunk(chunk);
        } else if (isTag(chunk.data(), kTrackChunkTag)) {
            const TrackChunkNotes notes = readTrackChunk(chunk);
            pointsWithoutNumber += notes.pointsWithoutNumber;
            longDiagonals |= notes.longDiagonals;
        } else if (isTag(chunk.data(), kTrainChunkTag)) {
            if (const auto& read = trainChunkHandlers().read) {
                read(chunk);
            }
        }
    }
    if (progress) {
        progress(total, total, fileName);
    }
    if (pointsWithoutNumber > 0) {
        model::assignMissingPointNumbers();
    }
    recomputeAfterLoading(longDiagonals);
    return LayoutReadResult::Read;
}

LayoutReadResult readLayoutFile(model::CZarnoltDocument& document,
                                const std::filesystem::path& path,
                                const model::LoadProgressCallback& progress) {
    const auto bytes = readWholeFile(path, kMaxLayoutFileBytes);
    if (!bytes) {
        return LayoutReadResult::CannotOpen;
    }
    return readLayoutBytes(document, bytes->bytes(), progress, path.filename().string());
}

const char* describe(LayoutReadResult result) {
    switch (result) {
    case LayoutReadResult::Read:
        return "read";
    case LayoutReadResult::CannotOpen:
        return "cannot open the file as a regular file";
    case LayoutReadResult::TooShort:
        return "not a layout file: shorter than the 296-byte header";
    case LayoutReadResult::WrongMagic:
        return "not a layout file: it does not start with \"Zn02\"";
    }
    return "unknown result";
}

void installLayoutFileHandlers() {
    auto& services = model::documentServices();
    services.readFile = [](model::CZarnoltDocument& document, const std::filesystem::path& path,
                           const model::LoadProgressCallback& progress) {
        return readLayoutFile(document, path, progress) == LayoutReadResult::Read;
    };
    services.writeFile = [](model::CZarnoltDocument& document, const std::filesystem::path& path) {
        return writeLayoutFile(document, path);
    };
    installTilePictures();
}

} // namespace persistence
