#pragma once
#include <cstdint>

namespace items {

// A point or vector of the geometry tree (model units, y up).
struct Vec3d {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    friend bool operator==(const Vec3d&, const Vec3d&) = default;
};

// An axis-aligned box given by its minimum and maximum corner.
struct BoundingBox {
    Vec3d min;
    Vec3d max;

    friend bool operator==(const BoundingBox&, const BoundingBox&) = default;
};

// The "empty" box that the geometry objects start from: the minimum corner at +100000 and the
// maximum corner at -100000 on every axis, so that the first point added sets both.
inline constexpr double kEmptyBoxLimit = 100000.0;
inline constexpr BoundingBox kEmptyBox{{kEmptyBoxLimit, kEmptyBoxLimit, kEmptyBoxLimit},
                                       {-kEmptyBoxLimit, -kEmptyBoxLimit, -kEmptyBoxLimit}};

// Widens `box` so that it holds `point`.
inline void expandBox(BoundingBox& box, const Vec3d& point) {
    box.min.x = point.x < box.min.x ? point.x : box.min.x;
    box.min.y = point.y < box.min.y ? point.y : box.min.y;
    box.min.z = point.z < box.min.z ? point.z : box.min.z;
    box.max.x = point.x > box.max.x ? point.x : box.max.x;
    box.max.y = point.y > box.max.y ? point.y : box.max.y;
    box.max.z = point.z > box.max.z ? point.z : box.max.z;
}

// Widens `box` so that it holds `other`: the smaller minimum and the larger maximum on each
// axis. Merging the empty box changes nothing.
inline void mergeBox(BoundingBox& box, const BoundingBox& other) {
    box.min.x = other.min.x < box.min.x ? other.min.x : box.min.x;
    box.min.y = other.min.y < box.min.y ? other.min.y : box.min.y;
    box.min.z = other.min.z < box.min.z ? other.min.z : box.min.z;
    box.max.x = other.max.x > box.max.x ? other.max.x : box.max.x;
    box.max.y = other.max.y > box.max.y ? other.max.y : box.max.y;
    box.max.z = other.max.z > box.max.z ? other.max.z : box.max.z;
}

// Vertex and face counts of a geometry object, as reported by the size-count operations.
struct SizeCounts {
    std::int32_t vertices = 0;
    std::int32_t faces = 0;

    friend bool operator==(const SizeCounts&, const SizeCounts&) = default;
};

// The four-character tags of the serialised geometry blocks.
inline constexpr char kNodeTag[] = "3DOj";
inline constexpr char kPrimitiveTag[] = "Prmv";
inline constexpr char kFaceSetTag[] = "IxFS";
inline constexpr char kTextureTag[] = "PxTx";
inline constexpr char kDxfTag[] = "Dx3D";
inline constexpr char kPixelBufferTag[] = "TxIm";

// Deepest nesting of node blocks a load accepts; deeper children are reported as damage.
inline constexpr int kMaxNodeDepth = 128;

// How a load from a serialised block went.
enum class LoadStatus {
    Loaded,  // the whole block was read
    Refused, // too short, wrong tag or unsupported version: the object was left as it was
    Damaged, // the object holds what preceded the first bad length, offset or tag
};

} // namespace items
