#pragma once
#include "items/geometry/GeometryTypes.h"
#include "platform/ByteReader.h"
#include "platform/ByteWriter.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace items {

enum class PrimitiveType : std::int32_t { Box = 1, Sphere = 2, Cylinder = 3 };

// One shape primitive: a box, a sphere or a cylinder centred on its node's origin.
//
// The primitive keeps its 136-byte record exactly as stored in files (big-endian, unused bytes
// included), so that a record read and written back is unchanged whatever its type; the
// accessors decode the fields of the record's type. Records of other types are carried along
// but have no size, counts or bounds.
class CPrimitive {
public:
    static constexpr std::size_t kRecordSize = 136;
    static constexpr std::size_t kBlockSize = 144; // "Prmv", length, record
    using Record = std::array<std::uint8_t, kRecordSize>;

    // A box of the given edge lengths.
    static CPrimitive box(double sizeX, double sizeY, double sizeZ);
    // A sphere of the given radius drawn with `segments` slices and stacks.
    static CPrimitive sphere(double radius, std::int32_t segments);
    // A cylinder along y of the given radius and height, drawn with `segments` sides.
    static CPrimitive cylinder(double radius, std::int32_t segments, double height);
    // A primitive from a stored (big-endian) record, whatever its type.
    static CPrimitive fromRecord(std::span<const std::uint8_t, kRecordSize> record);

    std::int32_t type() const;
    // Box edge lengths (box only; 0 for other types).
    double sizeX() const;
    double sizeY() const;
    double sizeZ() const;
    // Sphere and cylinder fields (0 for other types).
    double radius() const;
    std::int32_t segments() const;
    double height() const;

    // The record as stored in files.
    const Record& record() const { return record_; }

    // (vertex count, face count): box 24 and 6; sphere 4n² and n²; cylinder 9n and 3n for n
    // segments; other types 0 and 0. A negative segment count counts as 0; counts beyond the
    // i32 range saturate.
    SizeCounts sizeCounts() const;

    // The box around the primitive at its origin: box ±size/2, sphere ±radius, cylinder
    // ±radius in x and z and ±height/2 in y. Other types give the empty box.
    BoundingBox bounds() const;

    // Reads one 144-byte "Prmv" block at the reader's position. False (the reader failed or
    // left before the block) when the bytes are missing, the tag is wrong or the length field
    // is not 144.
    static bool load(platform::ByteReader& reader, CPrimitive& out);
    // Appends the 144-byte "Prmv" block.
    void save(platform::ByteWriter& writer) const;

    friend bool operator==(const CPrimitive&, const CPrimitive&) = default;

private:
    double f64At(std::size_t offset) const;
    std::int32_t i32At(std::size_t offset) const;
    void setF64At(std::size_t offset, double value);
    void setI32At(std::size_t offset, std::int32_t value);

    Record record_{};
};

} // namespace items
