#include "items/geometry/CDXF_3DFACE.h"

#include "platform/ByteReader.h"

#include <limits>

namespace items {

bool CDXF_3DFACE::addFace(DxfFace face) {
    if (face.vertices.size() > kMaxFaceVertices) {
        return false;
    }
    for (const Vec3d& vertex : face.vertices) {
        expandBox(bounds_, vertex);
    }
    faces_.push_back(std::move(face));
    return true;
}

SizeCounts CDXF_3DFACE::sizeCounts() const {
    std::int64_t vertices = 0;
    for (const DxfFace& face : faces_) {
        vertices += static_cast<std::int64_t>(face.vertices.size());
    }
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    return {static_cast<std::int32_t>(vertices < kMax ? vertices : kMax),
            static_cast<std::int32_t>(static_cast<std::int64_t>(faces_.size()) < kMax
                                          ? static_cast<std::int64_t>(faces_.size())
                                          : kMax)};
}

void CDXF_3DFACE::clear() {
    faces_.clear();
    bounds_ = kEmptyBox;
}

LoadStatus CDXF_3DFACE::load(std::span<const std::uint8_t> block) {
    platform::ByteReader header(block);
    if (block.size() < 12 || !header.tag(kDxfTag)) {
        return LoadStatus::Refused;
    }
    const std::uint32_t length = header.u32();
    const std::uint32_t start = header.u32();
    clear();
    bool clean = true;
    if (length < 12 || length > block.size()) {
        clean = false;
    } else {
        block = block.first(length);
    }
    platform::ByteReader reader(block);
    if (start < 12 || !reader.seek(start)) {
        return LoadStatus::Damaged;
    }
    while (!reader.atEnd()) {
        if (!reader.has(4)) {
            return LoadStatus::Damaged;
        }
        DxfFace face;
        face.colour = reader.i16();
        const std::int16_t count = reader.i16();
        if (count < 0 || !reader.has(std::size_t(count) * 12)) {
            return LoadStatus::Damaged;
        }
        face.vertices.reserve(static_cast<std::size_t>(count));
        for (std::int16_t i = 0; i < count; ++i) {
            Vec3d vertex;
            vertex.x = reader.f32();
            vertex.y = reader.f32();
            vertex.z = reader.f32();
            face.vertices.push_back(vertex);
        }
        addFace(std::move(face));
    }
    return clean ? LoadStatus::Loaded : LoadStatus::Damaged;
}

void CDXF_3DFACE::save(platform::ByteWriter& writer) const {
    const std::size_t base = writer.size();
    std::size_t total = kHeaderSize;
    for (const DxfFace& face : faces_) {
        total += 4 + 12 * face.vertices.size();
    }
    writer.reserve(base + total);
    writer.tag(kDxfTag);
    writer.u32(static_cast<std::uint32_t>(total));
    writer.u32(static_cast<std::uint32_t>(kHeaderSize));
    writer.padTo(base + kHeaderSize);
    for (const DxfFace& face : faces_) {
        writer.i16(face.colour);
        writer.i16(static_cast<std::int16_t>(face.vertices.size()));
        for (const Vec3d& vertex : face.vertices) {
            writer.f32(static_cast<float>(vertex.x));
            writer.f32(static_cast<float>(vertex.y));
            writer.f32(static_cast<float>(vertex.z));
        }
    }
}

} // namespace items
