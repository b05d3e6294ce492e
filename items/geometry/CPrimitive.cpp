#include "items/geometry/CPrimitive.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

namespace items {

namespace {

constexpr std::size_t kTypeOffset = 0;
constexpr std::size_t kFirstOffset = 8;
constexpr std::size_t kSecondOffset = 16;
constexpr std::size_t kThirdOffset = 24;

std::int32_t saturate(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

} // namespace

double CPrimitive::f64At(std::size_t offset) const {
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        bits = (bits << 8) | record_[offset + i];
    }
    return std::bit_cast<double>(bits);
}

std::int32_t CPrimitive::i32At(std::size_t offset) const {
    std::uint32_t bits = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        bits = (bits << 8) | record_[offset + i];
    }
    return static_cast<std::int32_t>(bits);
}

void CPrimitive::setF64At(std::size_t offset, double value) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    for (std::size_t i = 0; i < 8; ++i) {
        record_[offset + i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
    }
}

void CPrimitive::setI32At(std::size_t offset, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (std::size_t i = 0; i < 4; ++i) {
        record_[offset + i] = static_cast<std::uint8_t>(bits >> (24 - 8 * i));
    }
}

CPrimitive CPrimitive::box(double sizeX, double sizeY, double sizeZ) {
    CPrimitive primitive;
    primitive.setI32At(kTypeOffset, static_cast<std::int32_t>(PrimitiveType::Box));
    primitive.setF64At(kFirstOffset, sizeX);
    primitive.setF64At(kSecondOffset, sizeY);
    primitive.setF64At(kThirdOffset, sizeZ);
    return primitive;
}

CPrimitive CPrimitive::sphere(double radius, std::int32_t segments) {
    CPrimitive primitive;
    primitive.setI32At(kTypeOffset, static_cast<std::int32_t>(PrimitiveType::Sphere));
    primitive.setF64At(kFirstOffset, radius);
    primitive.setI32At(kSecondOffset, segments);
    return primitive;
}

CPrimitive CPrimitive::cylinder(double radius, std::int32_t segments, double height) {
    CPrimitive primitive;
    primitive.setI32At(kTypeOffset, static_cast<std::int32_t>(PrimitiveType::Cylinder));
    primitive.setF64At(kFirstOffset, radius);
    primitive.setI32At(kSecondOffset, segments);
    primitive.setF64At(kThirdOffset, height);
    return primitive;
}

CPrimitive CPrimitive::fromRecord(std::span<const std::uint8_t, kRecordSize> record) {
    CPrimitive primitive;
    std::copy(record.begin(), record.end(), primitive.record_.begin());
    return primitive;
}

std::int32_t CPrimitive::type() const {
    return i32At(kTypeOffset);
}

double CPrimitive::sizeX() const {
    return type() == 1 ? f64At(kFirstOffset) : 0.0;
}
double CPrimitive::sizeY() const {
    return type() == 1 ? f64At(kSecondOffset) : 0.0;
}
double CPrimitive::sizeZ() const {
    return type() == 1 ? f64At(kThirdOffset) : 0.0;
}

double CPrimitive::radius() const {
    return type() == 2 || type() == 3 ? f64At(kFirstOffset) : 0.0;
}

std::int32_t CPrimitive::segments() const {
    return type() == 2 || type() == 3 ? i32At(kSecondOffset) : 0;
}

double CPrimitive::height() const {
    return type() == 3 ? f64At(kThirdOffset) : 0.0;
}

SizeCounts CPrimitive::sizeCounts() const {
    // A negative segment count draws nothing; the products are formed in 64 bits from a value
    // below 2^31 and saturated, so no damaged count can overflow them.
    const std::int64_t n = std::max<std::int32_t>(segments(), 0);
    switch (type()) {
    case 1:
        return {24, 6};
    case 2: {
        const std::int64_t square = n * n;
        const std::int64_t limit = std::numeric_limits<std::int32_t>::max();
        return {saturate(square > limit ? limit : 4 * square), saturate(square)};
    }
    case 3:
        return {saturate(9 * n), saturate(3 * n)};
    default:
        return {};
    }
}

BoundingBox CPrimitive::bounds() const {
    switch (type()) {
    case 1: {
        const Vec3d half{sizeX() / 2, sizeY() / 2, sizeZ() / 2};
        return {{-half.x, -half.y, -half.z}, half};
    }
    case 2: {
        const double r = radius();
        return {{-r, -r, -r}, {r, r, r}};
    }
    case 3: {
        const double r = radius();
        const double h = height() / 2;
        return {{-r, -h, -r}, {r, h, r}};
    }
    default:
        return kEmptyBox;
    }
}

bool CPrimitive::load(platform::ByteReader& reader, CPrimitive& out) {
    if (!reader.has(kBlockSize)) {
        reader.fail();
        return false;
    }
    const std::size_t start = reader.position();
    if (!reader.tag(kPrimitiveTag) || reader.u32() != kBlockSize) {
        reader.seek(start);
        return false;
    }
    auto record = reader.bytes(kRecordSize);
    out = fromRecord(std::span<const std::uint8_t, kRecordSize>(record.data(), kRecordSize));
    return true;
}

void CPrimitive::save(platform::ByteWriter& writer) const {
    writer.tag(kPrimitiveTag);
    writer.u32(kBlockSize);
    writer.bytes(record_);
}

} // namespace items
