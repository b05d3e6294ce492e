#pragma once
#include "items/ItemHeader.h"
#include "items/geometry/C3DObject.h"
#include "items/geometry/GeometryTypes.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace items {

// The wheel record of a rolling-stock item: the 88 bytes that follow the tag and length of a
// wheel block. The wheel motion reads it; the item only carries it.
struct WheelRecord {
    static constexpr std::size_t kSize = 88;
    std::int32_t value1 = 0;
    std::int32_t value2 = 0;
    double length1 = 0.0;
    double length2 = 0.0;
    std::int32_t value3 = 0;
    std::array<std::uint8_t, 60> rest{}; // stored as is

    friend bool operator==(const WheelRecord&, const WheelRecord&) = default;
};

// The size of a wheel block and its tag "Whel".
inline constexpr std::size_t kWheelBlockSize = 96;
inline constexpr std::uint32_t kWheelTag = 0x5768656C;

struct ItemLamp {
    Vec3d position; // tile units
    float size = 1.0f;
    float roll = 0.0f;                                      // degrees about Z
    float turn = 0.0f;                                      // degrees about Y
    std::array<std::uint8_t, 4> colour{255, 255, 255, 255}; // R, G, B, A
    std::int32_t value = 0;                                 // set by no file field

    friend bool operator==(const ItemLamp&, const ItemLamp&) = default;
};

// Geometry counts of an item: vertices and faces of its tree.
using ItemCounts = SizeCounts;

// Imports a VRML (type 1) or DXF (type 2) model from a path into a geometry root. The importer
// library registers one; without it such loads fail.
using ModelImporter = std::function<bool(int type, const std::filesystem::path&, C3DObject& root)>;
void setModelImporter(ModelImporter importer);

// One item model: header values, thumbnail (PNG bytes, undecoded), geometry tree and wheel
// record. Every constructed item is registered process-wide until destroyed (see
// ItemRegistry.h); items loaded by path or by built-in number are shared through the lookups
// there.
class C3DItemObject {
public:
    static constexpr std::array<std::uint8_t, 4> kDefaultBaseColour{127, 136, 131, 255};
    static constexpr std::array<std::uint8_t, 4> kWhite{255, 255, 255, 255};
    static constexpr std::uint32_t kDrawClockwiseImports = 0x4;
    static constexpr std::uint32_t kDrawDoubleSided = 0x10;

    C3DItemObject();
    ~C3DItemObject();
    C3DItemObject(const C3DItemObject&) = delete;
    C3DItemObject& operator=(const C3DItemObject&) = delete;

    // True when the tree has no faces (the second geometry count is 0).
    bool isEmpty() const { return geometryCounts().faces == 0; }
    // Default values: kind 0, size 1, no flags, zero placement, default base colour, no lamps
    // (lamp size 1, white), empty geometry, no key, path, number or loaded flag. The thumbnail
    // and the wheel record are kept.
    void reset();

    // Type 3: an item model file (loadFromPath); types 1 and 2: VRML and DXF import into the
    // geometry root through the registered importer. False for other types.
    bool loadByType(int type, const std::filesystem::path& path);
    // Loads a whole item model file held in memory. False, with the object untouched, when the
    // bytes are shorter than the header or carry neither magic. Otherwise the object is reset
    // and filled: geometry and wheel blocks that do not lie inside the bytes are skipped, a
    // damaged geometry block keeps what precedes the damage.
    bool loadFromMemory(std::span<const std::uint8_t> bytes);
    // Reads the whole file and loads it; on success the item is entered in the name map under
    // its base file name, and its key, source path and loaded flag are set.
    bool loadFromPath(const std::filesystem::path& path);
    bool loadVersion1(std::span<const std::uint8_t> bytes);
    bool loadVersion2(std::span<const std::uint8_t> bytes);

    // The item as an item model file of its version: header, thumbnail, geometry block (left
    // out when it would be too short to be read back) and wheel block (when the item carries a
    // wheel record), big-endian.
    std::vector<std::uint8_t> serialize() const;
    // The header the item would be written with, offsets and total length included.
    ItemHeader header() const;

    C3DObject* geometryRoot() const { return root_.get(); }
    const std::vector<std::uint8_t>& thumbnail() const { return thumbnail_; }
    // Copies the thumbnail out; false when there is none.
    bool copyThumbnail(std::vector<std::uint8_t>& out) const;
    void setThumbnail(std::vector<std::uint8_t> png) { thumbnail_ = std::move(png); }

    std::uint32_t magic() const { return magic_; }
    void setMagic(std::uint32_t magic);
    std::int32_t kind() const { return kind_; }
    float size() const { return size_; }
    float yaw() const { return yaw_; }
    float pitch() const { return pitch_; }
    const Vec3d& offset() const { return offset_; }
    const Vec3d& viewpoint1() const { return viewpoint_[0]; }
    const Vec3d& viewpoint2() const { return viewpoint_[1]; }
    const Vec3d& viewpoint3() const { return viewpoint_[2]; }
    // Viewpoint i (0-2) for a tile size t: (t·x, t·0.5 + t·y, t·z); the origin for other i.
    Vec3d viewpointPoint(int i, double tileSize) const;
    std::int32_t itemValue1() const { return itemValue1_; }
    std::int32_t itemValue2() const { return itemValue2_; }
    std::int32_t vehicleCountValue() const { return vehicleCountValue_; }
    float vehicleFloatValue() const { return vehicleFloatValue_; }
    const std::array<std::uint8_t, 4>& baseColour() const { return baseColour_; }
    const Vec3d& eyeOffset() const { return eyeOffset_; }
    // The eye for a tile size t: (t·0.3 + t·x, t·0.75 + t·y, t·z).
    Vec3d eyePoint(double tileSize) const;
    const WheelRecord& wheelRecord() const { return wheel_; }
    bool hasWheelRecord() const { return hasWheel_; }

    bool hasLamps() const { return lampMask_ != 0; }
    std::uint32_t lampMask() const { return lampMask_; }
    std::uint32_t lampMirrorMask() const { return lampMirrorMask_; }
    // False for i outside 0-1.
    bool lampMirrored(int i) const;
    // Lamp i at tile size t (t times the stored position); with `mirrored` and the lamp's
    // mirror bit set, z is negated. The origin for i outside 0-1.
    Vec3d lampPoint(int i, double tileSize, bool mirrored = false) const;
    // Lamp i; a default lamp for i outside 0-1.
    ItemLamp lamp(int i) const;

    std::uint32_t drawFlags() const { return drawFlags_; }
    bool testDrawFlags(std::uint32_t mask) const { return (drawFlags_ & mask) != 0; }
    // Vehicle count value above 0 on rolling stock of kind 100, 101, 104 or 105.
    bool hasVehicleValue() const;

    // The scale at which the tree is drawn for a tile size t, so that its larger horizontal
    // extent spans `size` tiles: t / m · size for the extent m of the tree at scale 1, or
    // size · t when there is no extent.
    double drawingScale(double tileSize) const;
    // The tree's box at the drawing scale, turned by -pitch about X and -yaw about Y (each
    // turn applied to both corners, which are then sorted again), moved by t · offset.
    BoundingBox boundingBox(double tileSize) const;
    // The boxes of the tree's parts (depth, box) at the drawing scale, moved by t · offset.
    std::vector<std::pair<int, BoundingBox>> partBoxes(double tileSize) const;
    // Vertices and faces of the tree, both doubled when the double-sided flag is set.
    ItemCounts geometryCounts() const;

    // Setters; indexed ones ignore an index outside 0-1.
    void setKind(std::int32_t kind) { kind_ = kind; }
    void setSize(float size) { size_ = size; }
    void setPitchAndYaw(float pitch, float yaw);
    void setOffset(const Vec3d& offset) { offset_ = offset; }
    void setViewpoint(int i, const Vec3d& point);
    void setItemValues(std::int32_t value1, std::int32_t value2);
    void setVehicleCountValue(std::int32_t value) { vehicleCountValue_ = value; }
    void setBaseColour(const std::array<std::uint8_t, 4>& colour) { baseColour_ = colour; }
    void setDefaultBaseColour() { baseColour_ = kDefaultBaseColour; }
    void setVehicleFloatValue(float value) { vehicleFloatValue_ = value; }
    void setEyeOffset(const Vec3d& offset) { eyeOffset_ = offset; }
    void setWheelRecord(const WheelRecord& record);
    void clearWheelRecord();
    void setLampMask(std::uint32_t mask) { lampMask_ = mask; }
    void setLampMirrored(int i, bool on);
    void setLampPosition(int i, const Vec3d& position);
    void setLampColour(int i, const std::array<std::uint8_t, 4>& colour);
    void setDefaultLampColours();
    void setLampValue(int i, std::int32_t value);
    void setLampSize(int i, float size);
    void setLampRollAndTurn(int i, float roll, float turn);
    void setDrawFlags(std::uint32_t mask, bool on);
    std::uint8_t byteFlag(int i) const { return (i == 0 || i == 1) ? byteFlags_[i] : 0; }
    void setByteFlag(int i, std::uint8_t value);

    // Drops the drawing data built from the tree (vertex arrays), so that the renderer builds
    // it again from the loaded geometry on its next frame.
    void prepareGeometry();
    void releasePreparedGeometry();

    const std::string& registryKey() const { return registryKey_; }
    const std::filesystem::path& sourcePath() const { return sourcePath_; }
    std::int16_t builtinNumber() const { return builtinNumber_; }
    bool isLoaded() const { return loaded_; }
    void clearIdentity();
    // Marks the item as the shared built-in item of a number (the lookups call this).
    void setBuiltinIdentity(std::int16_t number);

private:
    bool loadWithHeader(const ItemHeader& header, std::span<const std::uint8_t> bytes);
    void loadBody(const ItemHeader& header, std::span<const std::uint8_t> bytes);
    void loadGeometryBlock(std::span<const std::uint8_t> bytes, std::uint32_t geometryOffset);
    void loadWheelBlock(std::span<const std::uint8_t> bytes, std::uint32_t wheelOffset);

    std::uint32_t magic_ = kItemMagicVersion2;
    std::int32_t kind_ = 0;
    std::uint32_t drawFlags_ = 0;
    std::int32_t itemValue1_ = 0;
    std::int32_t itemValue2_ = 0;
    float size_ = 1.0f;
    float yaw_ = 0.0f;
    float pitch_ = 0.0f;
    Vec3d offset_;
    std::array<Vec3d, 3> viewpoint_{};
    std::int32_t vehicleCountValue_ = 0;
    float vehicleFloatValue_ = 0.0f;
    std::array<std::uint8_t, 4> baseColour_ = kDefaultBaseColour;
    Vec3d eyeOffset_;
    WheelRecord wheel_;
    bool hasWheel_ = false;
    std::uint32_t lampMask_ = 0;
    std::uint32_t lampMirrorMask_ = 0;
    std::array<ItemLamp, 2> lamps_{};
    std::vector<std::uint8_t> thumbnail_;
    std::unique_ptr<C3DObject> root_;
    std::array<std::uint8_t, 2> byteFlags_{};
    std::string registryKey_;
    std::filesystem::path sourcePath_;
    std::int16_t builtinNumber_ = 0;
    bool loaded_ = false;
};

} // namespace items
