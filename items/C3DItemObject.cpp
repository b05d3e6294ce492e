#include "items/C3DItemObject.h"

#include "image/FileBytes.h"
#include "image/PngCodec.h"
#include "items/ItemRegistry.h"
#include "platform/ByteReader.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>
#include <numbers>

namespace items {
namespace {

// The shortest geometry block an item accepts; a bare node header (528 bytes) holds nothing.
constexpr std::uint32_t kMinGeometryBlock = 529;

std::mutex importerMutex;
ModelImporter& importer() {
    static ModelImporter instance;
    return instance;
}

Vec3d widen(const std::array<float, 3>& v) {
    return {v[0], v[1], v[2]};
}

std::array<float, 3> narrow(const Vec3d& v) {
    return {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)};
}

bool allZero(const std::array<std::uint8_t, 4>& colour) {
    return colour == std::array<std::uint8_t, 4>{};
}

bool validLamp(int i) {
    return i == 0 || i == 1;
}

// Turns all eight corners of a box by `degrees` about an axis (0 = X, 1 = Y) and takes the
// box around them (turning only the two stored corners would lose the others' reach).
void turnBox(BoundingBox& box, double degrees, int axis) {
    const double a = degrees * std::numbers::pi / 180.0;
    const double c = std::cos(a);
    const double s = std::sin(a);
    auto turn = [&](Vec3d p) {
        if (axis == 0) {
            return Vec3d{p.x, p.y * c - p.z * s, p.y * s + p.z * c};
        }
        return Vec3d{p.x * c + p.z * s, p.y, -p.x * s + p.z * c};
    };
    BoundingBox turned{turn(box.min), turn(box.min)};
    for (int corner = 1; corner < 8; ++corner) {
        const Vec3d p =
            turn({(corner & 1) ? box.max.x : box.min.x, (corner & 2) ? box.max.y : box.min.y,
                  (corner & 4) ? box.max.z : box.min.z});
        turned.min = {std::min(turned.min.x, p.x), std::min(turned.min.y, p.y),
                      std::min(turned.min.z, p.z)};
        turned.max = {std::max(turned.max.x, p.x), std::max(turned.max.y, p.y),
                      std::max(turned.max.z, p.z)};
    }
    box = turned;
}

void moveBox(BoundingBox& box, const Vec3d& by) {
    box.min = {box.min.x + by.x, box.min.y + by.y, box.min.z + by.z};
    box.max = {box.max.x + by.x, box.max.y + by.y, box.max.z + by.z};
}

} // namespace

void setModelImporter(ModelImporter function) {
    std::lock_guard lock(importerMutex);
    importer() = std::move(function);
}

C3DItemObject::C3DItemObject() : root_(std::make_unique<C3DObject>()) {
    registerItem(this);
}

C3DItemObject::~C3DItemObject() {
    unregisterItem(this);
}

void C3DItemObject::reset() {
    kind_ = 0;
    drawFlags_ = 0;
    itemValue1_ = 0;
    itemValue2_ = 0;
    size_ = 1.0f;
    yaw_ = 0.0f;
    pitch_ = 0.0f;
    offset_ = {};
    viewpoint_ = {};
    vehicleCountValue_ = 0;
    vehicleFloatValue_ = 0.0f;
    eyeOffset_ = {};
    baseColour_ = kDefaultBaseColour;
    lampMask_ = 0;
    lampMirrorMask_ = 0;
    for (ItemLamp& lamp : lamps_) {
        lamp.position = {};
        lamp.size = 1.0f;
        lamp.colour = kWhite;
    }
    if (root_) {
        root_->releaseVertexArrays();
        root_->clear();
    }
    clearIdentity();
}

bool C3DItemObject::loadByType(int type, const std::filesystem::path& path) {
    if (type == 3) {
        return loadFromPath(path);
    }
    if ((type != 1 && type != 2) || !root_) {
        return false;
    }
    ModelImporter function;
    {
        std::lock_guard lock(importerMutex);
        function = importer();
    }
    return function && function(type, path, *root_);
}

bool C3DItemObject::loadFromMemory(std::span<const std::uint8_t> bytes) {
    const auto header = ItemHeader::read(bytes);
    if (!header) {
        return false;
    }
    if (header->isVersion1()) {
        return loadVersion1(bytes);
    }
    if (header->isVersion2()) {
        return loadVersion2(bytes);
    }
    return false;
}

bool C3DItemObject::loadVersion1(std::span<const std::uint8_t> bytes) {
    const auto header = ItemHeader::read(bytes);
    return header && header->isVersion1() && loadWithHeader(*header, bytes);
}

bool C3DItemObject::loadVersion2(std::span<const std::uint8_t> bytes) {
    const auto header = ItemHeader::read(bytes);
    return header && header->isVersion2() && loadWithHeader(*header, bytes);
}

bool C3DItemObject::loadWithHeader(const ItemHeader& h, std::span<const std::uint8_t> bytes) {
    reset();
    magic_ = h.magic;
    kind_ = h.kind;
    size_ = h.size;
    offset_ = widen(h.offset);
    yaw_ = h.yaw;
    viewpoint_[0] = widen(h.viewpoint1);
    pitch_ = h.pitch;
    drawFlags_ = h.drawFlags;
    itemValue1_ = h.itemValue1;
    itemValue2_ = h.itemValue2;
    viewpoint_[1] = widen(h.viewpoint2);
    viewpoint_[2] = widen(h.viewpoint3);
    vehicleCountValue_ = h.vehicleCountValue;
    vehicleFloatValue_ = h.vehicleFloatValue;
    baseColour_ = h.baseColour;
    eyeOffset_ = widen(h.eyeOffset);
    lampMask_ = h.lampMask;
    lampMirrorMask_ = h.lampMirrorMask;
    for (int i = 0; i < 2; ++i) {
        ItemLamp& lamp = lamps_[i];
        lamp.position = widen(h.lampPosition[i]);
        lamp.size = h.lampSize[i] == 0.0f ? 1.0f : h.lampSize[i];
        lamp.roll = h.lampRoll[i];
        lamp.turn = h.lampTurn[i];
        lamp.colour = allZero(h.lampColour[i]) ? kWhite : h.lampColour[i];
    }
    if (kind_ >= 100 && kind_ < 106 && viewpoint_[1] == Vec3d{}) {
        viewpoint_[1] = {1.5, 0.25, 0.0};
    }
    if (bytes.size() > kItemHeaderSize) {
        if (const auto span = thumbnailSpan(h, bytes.size())) {
            const auto png = bytes.subspan(span->first, span->second - span->first);
            if (image::isPngSignature(png)) {
                thumbnail_.assign(png.begin(), png.end());
            }
        }
    }
    loadBody(h, bytes);
    return true;
}

void C3DItemObject::loadBody(const ItemHeader& h, std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kItemHeaderSize) {
        return;
    }
    loadGeometryBlock(bytes, h.geometryOffset);
    loadWheelBlock(bytes, h.wheelOffset);
}

void C3DItemObject::loadGeometryBlock(std::span<const std::uint8_t> bytes,
                                      std::uint32_t geometryOffset) {
    if (bytes.empty()) {
        root_.reset();
        return;
    }
    std::uint32_t length = 0;
    if (geometryOffset == 0 ||
        !platform::ByteReader::peekU32(bytes, geometryOffset + std::size_t{4}, length) ||
        length < kMinGeometryBlock) {
        return;
    }
    // A block claiming more than the file holds is handed over as far as it goes; the tree
    // keeps what precedes the damage.
    const std::size_t available = bytes.size() - geometryOffset;
    const auto block = bytes.subspan(geometryOffset, std::min<std::size_t>(length, available));
    if (!root_) {
        root_ = std::make_unique<C3DObject>();
    }
    root_->load(block);
}

void C3DItemObject::loadWheelBlock(std::span<const std::uint8_t> bytes, std::uint32_t wheelOffset) {
    if (wheelOffset == 0) {
        return;
    }
    platform::ByteReader in(bytes);
    if (!in.seek(wheelOffset) || !in.has(kWheelBlockSize)) {
        return;
    }
    const std::uint32_t tag = in.u32();
    const std::uint32_t length = in.u32();
    if (tag != kWheelTag || length != kWheelBlockSize) {
        return;
    }
    WheelRecord record;
    record.value1 = in.i32();
    record.value2 = in.i32();
    record.length1 = in.f64();
    record.length2 = in.f64();
    record.value3 = in.i32();
    const auto rest = in.bytes(record.rest.size());
    std::copy(rest.begin(), rest.end(), record.rest.begin());
    if (in.ok()) {
        wheel_ = record;
        hasWheel_ = true;
    }
}

bool C3DItemObject::loadFromPath(const std::filesystem::path& path) {
    const auto bytes = image::readFileBytes(path);
    if (!bytes || !loadFromMemory(*bytes)) {
        return false;
    }
    // Base names end at the last "/" (or "\" in names from older files).
    std::string name = path.filename().string();
    if (const auto slash = name.find_last_of('\\'); slash != std::string::npos) {
        name.erase(0, slash + 1);
    }
    enterInNameMap(name, this);
    registryKey_ = name;
    sourcePath_ = path;
    builtinNumber_ = 0;
    loaded_ = true;
    return true;
}

ItemHeader C3DItemObject::header() const {
    ItemHeader h;
    h.magic = magic_;
    h.kind = kind_;
    h.size = size_;
    h.offset = narrow(offset_);
    h.yaw = yaw_;
    h.viewpoint1 = narrow(viewpoint_[0]);
    h.pitch = pitch_;
    h.drawFlags = drawFlags_;
    h.itemValue1 = itemValue1_;
    h.itemValue2 = itemValue2_;
    h.viewpoint2 = narrow(viewpoint_[1]);
    h.viewpoint3 = narrow(viewpoint_[2]);
    h.vehicleCountValue = vehicleCountValue_;
    h.vehicleFloatValue = vehicleFloatValue_;
    h.baseColour = baseColour_;
    h.eyeOffset = narrow(eyeOffset_);
    h.lampMask = lampMask_;
    h.lampMirrorMask = lampMirrorMask_;
    for (int i = 0; i < 2; ++i) {
        h.lampPosition[i] = narrow(lamps_[i].position);
        h.lampSize[i] = lamps_[i].size;
        h.lampRoll[i] = lamps_[i].roll;
        h.lampTurn[i] = lamps_[i].turn;
        h.lampColour[i] = lamps_[i].colour;
    }
    return h;
}

std::vector<std::uint8_t> C3DItemObject::serialize() const {
    std::vector<std::uint8_t> geometry;
    if (root_) {
        geometry = root_->save();
        if (geometry.size() < kMinGeometryBlock) {
            geometry.clear();
        }
    }
    ItemHeader h = header();
    std::size_t position = kItemHeaderSize;
    if (!thumbnail_.empty()) {
        h.thumbnailOffset = static_cast<std::uint32_t>(position);
        position += thumbnail_.size();
    }
    if (!geometry.empty()) {
        h.geometryOffset = static_cast<std::uint32_t>(position);
        position += geometry.size();
    }
    if (hasWheel_) {
        h.wheelOffset = static_cast<std::uint32_t>(position);
        position += kWheelBlockSize;
    }
    h.totalLength = static_cast<std::uint32_t>(position);

    platform::ByteWriter out;
    out.reserve(position);
    h.write(out);
    out.bytes(thumbnail_);
    out.bytes(geometry);
    if (hasWheel_) {
        out.u32(kWheelTag);
        out.u32(kWheelBlockSize);
        out.i32(wheel_.value1);
        out.i32(wheel_.value2);
        out.f64(wheel_.length1);
        out.f64(wheel_.length2);
        out.i32(wheel_.value3);
        out.bytes(wheel_.rest);
    }
    return out.take();
}

bool C3DItemObject::copyThumbnail(std::vector<std::uint8_t>& out) const {
    out = thumbnail_;
    return !out.empty();
}

void C3DItemObject::setMagic(std::uint32_t magic) {
    if (magic == kItemMagicVersion1 || magic == kItemMagicVersion2) {
        magic_ = magic;
    }
}

Vec3d C3DItemObject::viewpointPoint(int i, double t) const {
    if (i < 0 || i > 2) {
        return {};
    }
    const Vec3d& v = viewpoint_[i];
    return {t * v.x, t * 0.5 + t * v.y, t * v.z};
}

Vec3d C3DItemObject::eyePoint(double t) const {
    return {t * 0.3 + t * eyeOffset_.x, t * 0.75 + t * eyeOffset_.y, t * eyeOffset_.z};
}

bool C3DItemObject::lampMirrored(int i) const {
    return validLamp(i) && (lampMirrorMask_ & (1u << i)) != 0;
}

Vec3d C3DItemObject::lampPoint(int i, double t, bool mirrored) const {
    if (!validLamp(i)) {
        return {};
    }
    const Vec3d& p = lamps_[i].position;
    const double z = (mirrored && lampMirrored(i)) ? -p.z : p.z;
    return {t * p.x, t * p.y, t * z};
}

ItemLamp C3DItemObject::lamp(int i) const {
    return validLamp(i) ? lamps_[i] : ItemLamp{};
}

bool C3DItemObject::hasVehicleValue() const {
    return vehicleCountValue_ > 0 && (kind_ == 100 || kind_ == 101 || kind_ == 104 || kind_ == 105);
}

double C3DItemObject::drawingScale(double t) const {
    if (!root_) {
        return size_ * t;
    }
    const BoundingBox box = root_->bounds(1.0);
    const double w = std::max(0.0, box.max.x - box.min.x);
    const double d = box.max.z - box.min.z;
    const double m = std::max(w, d);
    if (m == 0.0) {
        return size_ * t;
    }
    return t / m * size_;
}

BoundingBox C3DItemObject::boundingBox(double t) const {
    BoundingBox box;
    if (root_) {
        box = root_->bounds(drawingScale(t));
    }
    // The same turns the drawing applies (pitch about X, then yaw about Y), so the box holds
    // what is drawn and culling and picking agree with the picture.
    if (pitch_ != 0.0f) {
        turnBox(box, pitch_, 0);
    }
    if (yaw_ != 0.0f) {
        turnBox(box, yaw_, 1);
    }
    moveBox(box, {t * offset_.x, t * offset_.y, t * offset_.z});
    return box;
}

std::vector<std::pair<int, BoundingBox>> C3DItemObject::partBoxes(double t) const {
    std::vector<std::pair<int, BoundingBox>> boxes;
    if (root_) {
        root_->collectPartBoxes(drawingScale(t), {t * offset_.x, t * offset_.y, t * offset_.z},
                                boxes);
    }
    return boxes;
}

ItemCounts C3DItemObject::geometryCounts() const {
    if (!root_) {
        return {};
    }
    ItemCounts counts = root_->sizeCounts();
    if (testDrawFlags(kDrawDoubleSided)) {
        // Counts from damaged files can be huge; doubling saturates instead of overflowing.
        auto twice = [](std::int32_t n) {
            return static_cast<std::int32_t>(std::clamp<std::int64_t>(
                std::int64_t{n} * 2, std::numeric_limits<std::int32_t>::min(),
                std::numeric_limits<std::int32_t>::max()));
        };
        counts.vertices = twice(counts.vertices);
        counts.faces = twice(counts.faces);
    }
    return counts;
}

void C3DItemObject::setPitchAndYaw(float pitch, float yaw) {
    pitch_ = pitch;
    yaw_ = yaw;
}

void C3DItemObject::setViewpoint(int i, const Vec3d& point) {
    if (i >= 0 && i <= 2) {
        viewpoint_[i] = point;
    }
}

void C3DItemObject::setItemValues(std::int32_t value1, std::int32_t value2) {
    itemValue1_ = value1;
    itemValue2_ = value2;
}

void C3DItemObject::setWheelRecord(const WheelRecord& record) {
    wheel_ = record;
    hasWheel_ = true;
}

void C3DItemObject::clearWheelRecord() {
    wheel_ = {};
    hasWheel_ = false;
}

void C3DItemObject::setLampMirrored(int i, bool on) {
    if (validLamp(i)) {
        lampMirrorMask_ = on ? (lampMirrorMask_ | (1u << i)) : (lampMirrorMask_ & ~(1u << i));
    }
}

void C3DItemObject::setLampPosition(int i, const Vec3d& position) {
    if (validLamp(i)) {
        lamps_[i].position = position;
    }
}

void C3DItemObject::setLampColour(int i, const std::array<std::uint8_t, 4>& colour) {
    if (validLamp(i)) {
        lamps_[i].colour = colour;
    }
}

void C3DItemObject::setDefaultLampColours() {
    lamps_[0].colour = kWhite;
    lamps_[1].colour = kWhite;
}

void C3DItemObject::setLampValue(int i, std::int32_t value) {
    if (validLamp(i)) {
        lamps_[i].value = value;
    }
}

void C3DItemObject::setLampSize(int i, float size) {
    if (validLamp(i)) {
        lamps_[i].size = size;
    }
}

void C3DItemObject::setLampRollAndTurn(int i, float roll, float turn) {
    if (validLamp(i)) {
        lamps_[i].roll = roll;
        lamps_[i].turn = turn;
    }
}

void C3DItemObject::setDrawFlags(std::uint32_t mask, bool on) {
    drawFlags_ = on ? (drawFlags_ | mask) : (drawFlags_ & ~mask);
}

void C3DItemObject::setByteFlag(int i, std::uint8_t value) {
    if (i == 0 || i == 1) {
        byteFlags_[i] = value;
    }
}

void C3DItemObject::prepareGeometry() {
    releasePreparedGeometry();
}

void C3DItemObject::releasePreparedGeometry() {
    if (root_) {
        root_->releaseVertexArrays();
    }
}

void C3DItemObject::clearIdentity() {
    registryKey_.clear();
    sourcePath_.clear();
    builtinNumber_ = 0;
    loaded_ = false;
}

void C3DItemObject::setBuiltinIdentity(std::int16_t number) {
    registryKey_.clear();
    sourcePath_.clear();
    builtinNumber_ = number;
    loaded_ = true;
}

} // namespace items
