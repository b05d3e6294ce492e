#pragma once
#include "items/geometry/GeometryTypes.h"

#include <cstdint>
#include <span>
#include <vector>

namespace items {

class C3DObject;

// One statement of an attribute block imported from RIB.
struct RibRecord {
    enum Type : std::int32_t { Colour = 1, GeneralPolygon = 2, PointsPolygons = 3 };

    std::int32_t type = Colour;
    float r = 0, g = 0, b = 0;               // Colour
    std::vector<std::int32_t> vertexCounts;  // one per loop (2) or per polygon (3)
    std::vector<std::int32_t> vertexIndices; // PointsPolygons
    std::vector<float> points;               // x y z per point
    std::vector<float> normals;              // x y z per normal (PointsPolygons)

    friend bool operator==(const RibRecord&, const RibRecord&) = default;
};

// The polygon list that the RIB importer puts on a node, with the box of all polygon points.
// It has no stored form: a node block does not carry it.
class CRIB_Attribute {
public:
    explicit CRIB_Attribute(C3DObject* owner = nullptr) : owner_(owner) {}

    C3DObject* owner() const { return owner_; }
    void setOwner(C3DObject* owner) { owner_ = owner; }

    // Appends a record; polygon records widen the box by every whole (x y z) point.
    void addRecord(RibRecord record);
    std::span<const RibRecord> records() const { return records_; }
    const BoundingBox& bounds() const { return bounds_; }
    void clear();

private:
    C3DObject* owner_ = nullptr;
    std::vector<RibRecord> records_;
    BoundingBox bounds_ = kEmptyBox;
};

} // namespace items
