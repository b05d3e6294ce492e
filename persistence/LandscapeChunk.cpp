#include "persistence/LandscapeChunk.h"

#include "model/CLandscapeItem.h"
#include "model/LandscapeItems.h"
#include "persistence/LayoutFormat.h"
#include "platform/ByteReader.h"

namespace persistence {

void writeLandscapeChunk(platform::ByteWriter& out) {
    const std::vector<model::CLandscapeItem*> items = model::landscapeItems();
    if (items.empty()) {
        return;
    }
    const std::size_t start = out.size();
    out.tag(kLandscapeChunkTag);
    out.u32(0);
    out.u32(static_cast<std::uint32_t>(items.size()));
    out.zeros(16);
    for (const model::CLandscapeItem* item : items) {
        out.bytes(item->writeRecord());
    }
    out.patchU32(start + 4, static_cast<std::uint32_t>(out.size() - start));
}

std::size_t readLandscapeChunk(std::span<const std::uint8_t> chunk) {
    if (chunk.size() < kLandscapeChunkHeadLength ||
        !(isTag(chunk.data(), kLandscapeChunkTag) || isTag(chunk.data(), kLandscapeChunkOldTag))) {
        return 0;
    }
    model::deleteAllLandscapeItems();
    platform::ByteReader in(chunk);
    in.skip(kChunkHeadLength);
    const std::uint32_t count = in.u32();
    std::size_t offset = kLandscapeChunkHeadLength;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t length = 0;
        if (!in.contains(offset, kChunkHeadLength) ||
            !platform::ByteReader::peekU32(chunk, offset + 4, length)) {
            return offset;
        }
        const std::uint8_t* tag = chunk.data() + offset;
        if (!isTag(tag, kLandscapeRecordTag) && !isTag(tag, kLandscapeOldRecordTag)) {
            return offset;
        }
        if (length < kChunkHeadLength || !in.contains(offset, length)) {
            return offset;
        }
        model::CLandscapeItem* item = model::createLandscapeItem();
        if (!item->readRecord(chunk.subspan(offset, length), false, 0, 0)) {
            model::deleteLandscapeItem(item);
        }
        offset += length;
    }
    return 0;
}

} // namespace persistence
