#pragma once
#include "items/geometry/GeometryTypes.h"
#include "platform/ByteWriter.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace items {

class C3DObject;

// One face imported from DXF: a colour number of the DXF colour index and its corners.
struct DxfFace {
    std::int16_t colour = 7;
    std::vector<Vec3d> vertices;

    friend bool operator==(const DxfFace&, const DxfFace&) = default;
};

// The list of faces that the DXF importer puts on a node, with the box of all their corners.
class CDXF_3DFACE {
public:
    static constexpr std::size_t kHeaderSize = 140;
    // A face record stores its vertex count as i16.
    static constexpr std::size_t kMaxFaceVertices = 32767;

    explicit CDXF_3DFACE(C3DObject* owner = nullptr) : owner_(owner) {}

    C3DObject* owner() const { return owner_; }
    void setOwner(C3DObject* owner) { owner_ = owner; }

    // Adds a face and widens the box by its corners. False (nothing added) for a face of more
    // than kMaxFaceVertices corners, which the stored form cannot hold.
    bool addFace(DxfFace face);
    std::span<const DxfFace> faces() const { return faces_; }
    const BoundingBox& bounds() const { return bounds_; }
    // (all corners, faces).
    SizeCounts sizeCounts() const;
    void clear();

    // Reads a "Dx3D" block. Refused (list unchanged) when shorter than 12 bytes or tagged
    // otherwise; otherwise the list is cleared and the face records are read up to the end of
    // the block. A record with a negative vertex count or running past the end stops the read
    // and is reported as damage.
    LoadStatus load(std::span<const std::uint8_t> block);
    // Appends a "Dx3D" block: the 140-byte header, then the face records (i16 colour, i16
    // count, corners as three f32 each).
    void save(platform::ByteWriter& writer) const;

private:
    C3DObject* owner_ = nullptr;
    std::vector<DxfFace> faces_;
    BoundingBox bounds_ = kEmptyBox;
};

} // namespace items
