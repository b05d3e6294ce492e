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
// places there or after it, or else the rest of the file (`size` bytes long).
void noteCutFile(DamageNotes& damage, std::span<const std::uint8_t> header, std::size_t size,
                 std::size_t offset) {
    bool named = false;
    for (const ListedChunk& chunk : kListedChunks) {
        std::uint32_t at = 0;
        platform::ByteReader::peekU32(header, chunk.headerField, at);
        if (at >= kHeaderLength && at >= offset) {
            damage.lost(offset, chunk.contents);
            named = true;
        }
    }
    if (!named) {
        const std::size_t rest = size - offset;
        damage.lost(offset, rest == 1 ? std::string("the last byte")
                                      : "the last " + std::to_string(rest) + " bytes");
    }
}

// The bytes of a layout held in memory.
class MemorySource {
public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::size_t size() const { return bytes_.size(); }
    // The `length` bytes at `offset` (within the size); false when they cannot be had.
    bool load(std::size_t offset, std::size_t length, std::span<const std::uint8_t>& out) {
        out = bytes_.subspan(offset, length);
        return true;
    }
    TrackChunkNotes readTrack(std::span<const std::uint8_t> head, std::size_t offset,
                              std::size_t length) {
        (void)head;
        return readTrackChunk(bytes_.subspan(offset, length));
    }

private:
    std::span<const std::uint8_t> bytes_;
};

// The bytes of a layout file, read as they are needed: the track chunk, which holds nearly
// all of a big layout, goes through a window of a few megabytes, so that reading never holds
// the whole file beside the model it builds.
class FileSource {
public:
    FileSource(InputFile& file, std::span<const std::uint8_t> header, std::size_t size)
        : file_(file), header_(header), size_(size) {}
    std::size_t size() const { return size_; }
    bool load(std::size_t offset, std::size_t length, std::span<const std::uint8_t>& out) {
        if (offset + length <= header_.size()) {
            out = header_.subspan(offset, length);
            return true;
        }
        buffer_.resize(length);
        if (file_.readAt(offset, buffer_.data(), length) != length) {
            return false;
        }
        out = std::span<const std::uint8_t>(buffer_).first(length);
        return true;
    }
    // `head`: the chunk's first bytes, at least its 8-byte head.
    TrackChunkNotes readTrack(std::span<const std::uint8_t> head, std::size_t offset,
                              std::size_t length) {
        if (length <= kTrackChunkHeadLength || !isTag(head.data(), kTrackChunkTag)) {
            return {};
        }
        TrackChunkReader reader(length);
        std::size_t chunkOffset = kTrackChunkHeadLength; // of the window's first byte
        std::size_t filled = 0;
        std::vector<std::uint8_t> window(std::min(kWindow, length - chunkOffset));
        while (!reader.done()) {
            // Fill the window from the file up to the chunk's end.
            const std::size_t wanted =
                std::min(window.size() - filled, length - chunkOffset - filled);
            const std::size_t got =
                file_.readAt(offset + chunkOffset + filled, window.data() + filled, wanted);
            filled += got;
            const std::size_t taken = reader.read(std::span(window).first(filled), chunkOffset);
            if (reader.done()) {
                break;
            }
            if (got < wanted) {
                // The file ended early (it shrank while it was read).
                reader.cut(chunkOffset + taken);
                break;
            }
            std::copy(window.begin() + static_cast<std::ptrdiff_t>(taken),
                      window.begin() + static_cast<std::ptrdiff_t>(filled), window.begin());
            filled -= taken;
            chunkOffset += taken;
            if (taken == 0 && filled == window.size()) {
                // A record larger than the window: the window grows to hold it.
                window.resize(std::min(2 * window.size(), length - chunkOffset));
            }
        }
        return reader.notes();
    }

private:
    static constexpr std::size_t kWindow = std::size_t{4} << 20;
    InputFile& file_;
    std::span<const std::uint8_t> header_;
    std::size_t size_;
    std::vector<std::uint8_t> buffer_;
};

// Reads the layout from `source`, whose first kHeaderLength bytes are `header` (a sound
// header, checked by the caller).
template <typename Source>
LayoutReadResult readLayout(model::CZarnoltDocument& document, Source& source,
                            std::span<const std::uint8_t> header,
                            const model::LoadProgressCallback& progress, std::string_view fileName,
                            std::string* message) {
    platform::ByteReader fields(header);
    fields.skip(kHeaderFileLength);
    const std::uint32_t total = fields.u32();
    const int columns = clampBoardSize(fields.i32());
    const int rows = clampBoardSize(fields.i32());

    document.clear(true);
    document.setSize(columns, rows);
    // A layout without a readable "Cenv" chunk gets the default scenery, not the last one.
    document.resetEnvironment();

    std::size_t pointsWithoutNumber = 0;
    bool longDiagonals = false;
    DamageNotes damage;
    const std::size_t size = source.size();
    std::size_t offset = kHeaderLength;
    while (offset < size) {
        std::span<const std::uint8_t> head;
        std::uint32_t length = 0;
        const bool whole = size - offset >= kChunkHeadLength &&
                           source.load(offset, kChunkHeadLength, head) &&
                           platform::ByteReader::peekU32(head, 4, length);
        if (!whole || length < kChunkHeadLength || length > size - offset) {
            noteCutFile(damage, header, size, offset);
            break;
        }
        const std::array<std::uint8_t, 4> tag{head[0], head[1], head[2], head[3]};
        const std::size_t start = offset;
        offset += length;
        if (progress) {
            progress(static_cast<std::int64_t>(offset), total, fileName);
        }
        if (isTag(tag.data(), kTrackChunkTag)) {
            const TrackChunkNotes notes = source.readTrack(tag, start, length);
            pointsWithoutNumber += notes.pointsWithoutNumber;
            longDiagonals |= notes.longDiagonals;
            if (notes.cutAt > 0) {
                damage.lost(start + notes.cutAt, "the rest of the tiles");
            }
            continue;
        }
        const bool known =
            isTag(tag.data(), kEnvironmentChunkTag) || isTag(tag.data(), kLandscapeChunkTag) ||
            isTag(tag.data(), kLandscapeChunkOldTag) || isTag(tag.data(), kTrainChunkTag);
        if (!known) {
            continue;
        }
        std::span<const std::uint8_t> chunk;
        if (!source.load(start, length, chunk)) {
            // The file ended early (it shrank while it was read).
            noteCutFile(damage, header, size, start);
            break;
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
    MemorySource source(bytes);
    return readLayout(document, source, bytes.first(kHeaderLength), progress, fileName, message);
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
    if (message != nullptr) {
        message->clear();
    }
    FileSource source(*file, header, static_cast<std::size_t>(file->size()));
    return readLayout(document, source, header, progress, path.filename().string(), message);
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
