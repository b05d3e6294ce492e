#pragma once
#include "items/geometry/GeometryTypes.h"
#include "platform/ByteWriter.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace items {

class C3DObject;

// One vertex of a built vertex array: 32 bytes, laid out for client-side vertex arrays with
// a stride of 32 (position at offset 0, normal at 12, texture coordinates at 24).
struct FaceSetVertex {
    float x = 0, y = 0, z = 0;
    float nx = 0, ny = 0, nz = 0;
    float u = 0, v = 0;
};
static_assert(sizeof(FaceSetVertex) == 32, "vertex arrays are drawn with a 32-byte stride");

// An indexed face set: points, texture coordinates and faces given as index lists ended by
// -1. Points and texture coordinates are kept as flat component lists (x y z ..., u v ...)
// exactly as they were added, so that a list read and written back is unchanged.
class CIndexedFaceSet {
public:
    static constexpr std::size_t kHeaderSize = 156;

    explicit CIndexedFaceSet(C3DObject* owner = nullptr) : owner_(owner) {}

    C3DObject* owner() const { return owner_; }
    void setOwner(C3DObject* owner) { owner_ = owner; }

    // Components arrive x, y, z in turn; each one widens the bounding box on its axis.
    void addCoordinate(double component);
    void addPoint(const Vec3d& point);
    void addTexCoordinate(double component);
    void addCoordIndex(std::int32_t index);
    void addTexCoordIndex(std::int32_t index);

    void setColourPerVertex(bool on) { colourPerVertex_ = on; }
    void setCreaseAngle(double value) { creaseAngle_ = value; }
    void setSolid(bool on) { solid_ = on; }
    void setCounterClockwise(bool on) { counterClockwise_ = on; }
    bool colourPerVertex() const { return colourPerVertex_; }
    double creaseAngle() const { return creaseAngle_; }
    bool solid() const { return solid_; }
    bool counterClockwise() const { return counterClockwise_; }

    std::span<const double> coordinates() const { return coordinates_; }
    std::span<const double> texCoordinates() const { return texCoordinates_; }
    std::span<const std::int32_t> coordIndices() const { return coordIndices_; }
    std::span<const std::int32_t> texCoordIndices() const { return texCoordIndices_; }
    // Whole points (x y z triples) and whole (u v) pairs.
    std::size_t pointCount() const { return coordinates_.size() / 3; }
    std::size_t texCoordCount() const { return texCoordinates_.size() / 2; }
    Vec3d point(std::size_t index) const;

    // (index entries other than -1, number of -1 terminators).
    SizeCounts sizeCounts() const;
    // The box of the points added so far (the empty box of GeometryTypes.h when none).
    const BoundingBox& bounds() const { return bounds_; }

    // Empties the lists, the box and the vertex array and restores the default flags.
    void clear();
    void copyCoordinatesFrom(const CIndexedFaceSet& other);
    void copyTexCoordinatesFrom(const CIndexedFaceSet& other);

    // Reads an "IxFS" block. Refused (face set unchanged) when shorter than 156 bytes or
    // tagged otherwise. Otherwise the face set is cleared and filled from the four spans;
    // spans that run backwards or beyond the block are cut to what lies inside it and reported
    // as damage. Flags and crease angle keep their defaults.
    LoadStatus load(std::span<const std::uint8_t> block);
    // Appends an "IxFS" block: the 156-byte header, then points and texture coordinates as
    // f32 and the two index lists as i32, back to back.
    void save(platform::ByteWriter& writer) const;

    // The normal of the face (p0, p1, p2): normalise(normalise(p1-p0) x normalise(p2-p0)).
    // Degenerate input gives a zero vector.
    static Vec3d faceNormal(const Vec3d& p0, const Vec3d& p1, const Vec3d& p2);
    // Whether a quad is strongly bent: the normals of (p0, p1, p2) and (p1, p2, p3) differ by
    // a vector longer than 1.
    static bool isBentQuad(std::span<const Vec3d, 4> points);
    // The normal of a face of three or four points (a bent quad takes (p2, p3, p0)); the zero
    // vector for any other number of points.
    static Vec3d faceNormal(std::span<const Vec3d> points);

    // For each point, the normals of the faces that use it (points scaled by `scale`); zero
    // normals are left out. Indices outside the point list are ignored.
    std::vector<std::vector<Vec3d>> faceNormalsPerCoordinate(double scale) const;
    // The smoothed normal of point `index` in a face of normal `faceNormal`: the normalised
    // average of `faceNormal` and every other normal of that point whose dot product with it
    // is above the crease angle; `faceNormal` itself when there is none.
    Vec3d vertexNormal(std::int32_t index, const Vec3d& faceNormal,
                       const std::vector<std::vector<Vec3d>>& normalLists) const;

    // Builds the triangle vertex array at `scale` when it does not exist yet. Texture
    // coordinates are used only when `textured`. Triangles and quads emit one or two triangles;
    // faces of other sizes emit nothing.
    void buildVertexArray(double scale, bool textured);
    // The same, asking the owner node whether it has a texture to draw.
    void buildVertexArray(double scale);
    bool hasVertexArray() const { return vertexArrayBuilt_; }
    std::span<const FaceSetVertex> vertexArray() const { return vertices_; }
    std::size_t vertexCount() const { return vertices_.size(); }
    void releaseVertexArray();

private:
    C3DObject* owner_ = nullptr;
    std::vector<double> coordinates_;
    std::vector<double> texCoordinates_;
    std::vector<std::int32_t> coordIndices_;
    std::vector<std::int32_t> texCoordIndices_;
    bool colourPerVertex_ = true;
    double creaseAngle_ = 0.5;
    bool solid_ = true;
    bool counterClockwise_ = true;
    BoundingBox bounds_ = kEmptyBox;
    std::vector<FaceSetVertex> vertices_;
    bool vertexArrayBuilt_ = false;
};

} // namespace items
