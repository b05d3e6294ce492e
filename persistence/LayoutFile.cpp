#include "persistence/LayoutFile.h"

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <string>

#include "model/CLandscapeItem.h"
#include "model/LandscapeItems.h"
#include "model/PointNumbers.h"
#include "model/TrackHeights.h"
#include "model/TrackTiles.h"
#include "persistence/CImageItem.h"
#include "persistence/EnvironmentChunk.h"
#include "persistence/InputFile.h"
#include "persistence/LandscapeChunk.h"
#include "persistence/LayoutFormat.h"
#include "persistence/TrackChunk.h"
#include "persistence/TrainChunk.h"
#include "platform/AtomicFile.h"
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

// The parts of a layout that damage kept from being read, for the warning after loading.
class DamageNotes {
public:
    void lost(std::size_t fileOffset, std::string what) {
        if (parts_.empty() || fileOffset < first_) {
            first_ = fileOffset;
        }
        parts_.push_back(std::move(what));
    }
    bool empty() const { return parts_.empty(); }
    // "damaged at byte 1234: not read: the rest of the tiles, the trains, the scenery"
    std::string text() const {
        std::string text = "damaged at byte " + std::to_string(first_) + ": not read: ";
        for (std::size_t i = 0; i < parts_.size(); ++i) {
            text += (i > 0 ? ", " : "") + parts_[i];
        }
        return text;
    }

private:
    std::size_t first_ = 0;
    std::vector<std::string> parts_;
};

// The chunks a header lists, with the words that name their contents.
struct ListedChunk {
    std::size_t headerField;
    const char* contents;
};
constexpr std::array<ListedChunk, 4> kListedChunks{{
    {kHeaderTrackOffset, "the tiles"},
    {kHeaderLandscapeOffset, "the landscape items"},
    {kHeaderTrainOffset, "the trains"},
    {kHeaderEnvironmentOffset, "the scenery"},
}};

// Notes what a chunk head that cannot be believed at `offset` cut off: every chunk the header
// places there or after it, or else the rest of the file.
void noteCutFile(DamageNotes& damage, std::span<const std::uint8_t> bytes, std::size_t offset) {
    bool named = false;
    for (const ListedChunk& chunk : kListedChunks) {
        std::uint32_t at = 0;
        platform::ByteReader::peekU32(bytes, chunk.headerField, at);
        if (at >= kHeaderLength && at >= offset) {
            damage.lost(offset, chunk.contents);
            named = true;
        }
    }
    if (!named) {
        const std::size_t rest = bytes.size() - offset;
        damage.lost(offset, rest == 1 ? std::string("the last byte")
                                      : "the last " + std::to_string(rest) + " bytes");
    }
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

bool writeLayoutFile(const model::CZarnoltDocument& document, const std::filesystem::path& path,
                     std::string* error) {
    const std::vector<std::uint8_t> bytes = buildLayoutFile(document);
    // The header's 32-bit lengths and offsets cannot describe a larger file.
    if (bytes.size() > kMaxLayoutFileBytes) {
        if (error != nullptr) {
            *error = "the layout is larger than a layout file can hold (4 GiB)";
        }
        return false;
    }
    platform::FileWriteResult written = platform::replaceFileContents(path, bytes);
    if (!written && error != nullptr) {
        *error = std::move(written.error);
    }
    return written.written;
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
                                 std::string_view fileName, std::string* message) {
    if (message != nullptr) {
        message->clear();
    }
    if (bytes.size() < kHeaderLength || !isTag(bytes.data(), kLayoutMagic)) {
        const LayoutReadResult refused = bytes.size() < kHeaderLength
                                             ? LayoutReadResult::TooShort
                                             : LayoutReadResult::WrongMagic;
        if (message != nullptr) {
            *message = describe(refused);
        }
        return refused;
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
    DamageNotes damage;
    std::size_t offset = kHeaderLength;
    while (offset < bytes.size()) {
        std::uint32_t length = 0;
        platform::ByteReader::peekU32(bytes, offset + 4, length);
        if (bytes.size() - offset < kChunkHeadLength || length < kChunkHeadLength ||
            length > bytes.size() - offset) {
            noteCutFile(damage, bytes, offset);
            break;
        }
        const std::size_t start = offset;
        const auto chunk = bytes.subspan(offset, length);
        offset += length;
        if (progress) {
            progress(static_cast<std::int64_t>(offset), total, fileName);
        }
        if (isTag(chunk.data(), kEnvironmentChunkTag)) {
            if (const auto environment = readEnvironmentChunk(chunk)) {
                document.setEnvironment(&*environment);
            } else {
                damage.lost(start, "the scenery");
            }
        } else if (isTag(chunk.data(), kLandscapeChunkTag) ||
                   isTag(chunk.data(), kLandscapeChunkOldTag)) {
            if (const std::size_t cut = readLandscapeChunk(chunk); cut > 0) {
                damage.lost(start + cut, "the rest of the landscape items");
            }
        } else if (isTag(chunk.data(), kTrackChunkTag)) {
            const TrackChunkNotes notes = readTrackChunk(chunk);
            pointsWithoutNumber += notes.pointsWithoutNumber;
            longDiagonals |= notes.longDiagonals;
            if (notes.cutAt > 0) {
                damage.lost(start + notes.cutAt, "the rest of the tiles");
            }
        } else if (isTag(chunk.data(), kTrainChunkTag)) {
            if (const auto& read = trainChunkHandlers().read) {
                if (const std::size_t cut = read(chunk); cut > 0) {
                    damage.lost(start + cut, "the rest of the trains");
                }
            }
        }
    }
    if (message != nullptr && !damage.empty()) {
        *message = damage.text();
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
                                const model::LoadProgressCallback& progress, std::string* message) {
    auto refuse = [&](LayoutReadResult result, std::string reason) {
        if (message != nullptr) {
            *message = std::move(reason);
        }
        return result;
    };
    std::string error;
    std::optional<InputFile> file = InputFile::open(path, error);
    if (!file) {
        return refuse(LayoutReadResult::CannotOpen, "cannot open the file: " + error);
    }
    // The header decides before anything else is read or held.
    std::array<std::uint8_t, kHeaderLength> header{};
    const std::size_t got = file->read(header.data(), header.size());
    if (got < kHeaderLength || !isTag(header.data(), kLayoutMagic)) {
        return readLayoutBytes(document, std::span(header).first(got), progress, {}, message);
    }
    if (file->size() > kMaxLayoutFileBytes) {
        return refuse(LayoutReadResult::TooLarge,
                      "too large to be a layout file: " + std::to_string(file->size()) +
                          " bytes, and a layout file holds at most " +
                          std::to_string(kMaxLayoutFileBytes));
    }
    const auto size = static_cast<std::size_t>(std::max<std::uint64_t>(file->size(), got));
    auto bytes = std::make_unique_for_overwrite<std::uint8_t[]>(size);
    std::copy(header.begin(), header.end(), bytes.get());
    const std::size_t rest = file->read(bytes.get() + got, size - got);
    return readLayoutBytes(document, std::span(bytes.get(), got + rest), progress,
                           path.filename().string(), message);
}

const char* describe(LayoutReadResult result) {
    switch (result) {
    case LayoutReadResult::Read:
        return "read";
    case LayoutReadResult::CannotOpen:
        return "cannot open the file as a regular file";
    case LayoutReadResult::TooLarge:
        return "too large to be a layout file";
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
        std::string message;
        const bool read =
            readLayoutFile(document, path, progress, &message) == LayoutReadResult::Read;
        document.setFileMessage(std::move(message));
        return read;
    };
    services.writeFile = [](model::CZarnoltDocument& document, const std::filesystem::path& path) {
        std::string error;
        const bool written = writeLayoutFile(document, path, &error);
        document.setFileMessage(std::move(error));
        return written;
    };
    installTilePictures();
}

} // namespace persistence
