#include "items/C3DItemObject.h"
#include "items/ItemHeader.h"

#include "ItemTestSupport.h"
#include "tests/support/TempFolder.h"

#include <bit>
#include <cmath>
#include <gtest/gtest.h>

using namespace items;
using namespace itemtest;

namespace {

void expectSameItem(const C3DItemObject& a, const C3DItemObject& b) {
    EXPECT_EQ(a.magic(), b.magic());
    EXPECT_EQ(a.kind(), b.kind());
    EXPECT_EQ(a.size(), b.size());
    EXPECT_EQ(a.offset(), b.offset());
    EXPECT_EQ(a.yaw(), b.yaw());
    EXPECT_EQ(a.pitch(), b.pitch());
    EXPECT_EQ(a.viewpoint1(), b.viewpoint1());
    EXPECT_EQ(a.viewpoint2(), b.viewpoint2());
    EXPECT_EQ(a.viewpoint3(), b.viewpoint3());
    EXPECT_EQ(a.itemValue1(), b.itemValue1());
    EXPECT_EQ(a.itemValue2(), b.itemValue2());
    EXPECT_EQ(a.vehicleCountValue(), b.vehicleCountValue());
    EXPECT_EQ(a.vehicleFloatValue(), b.vehicleFloatValue());
    EXPECT_EQ(a.baseColour(), b.baseColour());
    EXPECT_EQ(a.eyeOffset(), b.eyeOffset());
    EXPECT_EQ(a.drawFlags(), b.drawFlags());
    EXPECT_EQ(a.lampMask(), b.lampMask());
    EXPECT_EQ(a.lampMirrorMask(), b.lampMirrorMask());
    EXPECT_EQ(a.lamp(0), b.lamp(0));
    EXPECT_EQ(a.lamp(1), b.lamp(1));
    EXPECT_EQ(a.thumbnail(), b.thumbnail());
    EXPECT_EQ(a.hasWheelRecord(), b.hasWheelRecord());
    EXPECT_EQ(a.wheelRecord(), b.wheelRecord());
    EXPECT_EQ(a.geometryCounts(), b.geometryCounts());
    EXPECT_EQ(a.geometryRoot()->treeCounts().nodes, b.geometryRoot()->treeCounts().nodes);
    EXPECT_EQ(a.boundingBox(1.0), b.boundingBox(1.0));
}

// A fresh object differs from a loaded one in these values.
bool looksUntouched(const C3DItemObject& item) {
    return item.kind() == 0 && item.size() == 1.0f && item.thumbnail().empty() &&
           item.geometryCounts().faces == 0;
}

} // namespace

TEST(ItemModel, WrittenFileReadsBackToTheSameObjectAndTheSameBytes) {
    for (std::uint32_t magic : {kItemMagicVersion2, kItemMagicVersion1}) {
        SCOPED_TRACE(magic);
        C3DItemObject item;
        fillItem(item);
        item.setMagic(magic);
        const std::vector<std::uint8_t> bytes = item.serialize();

        C3DItemObject loaded;
        ASSERT_TRUE(loaded.loadFromMemory(bytes));
        expectSameItem(item, loaded);
        EXPECT_EQ(loaded.serialize(), bytes);
    }
}

TEST(ItemModel, WriterLaysOutTheHeaderBigEndian) {
    C3DItemObject item;
    fillItem(item);
    const std::vector<std::uint8_t> bytes = item.serialize();
    const std::size_t thumbnailSize = item.thumbnail().size();
    const std::size_t geometrySize = item.geometryRoot()->save().size();

    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "3dO2");
    EXPECT_EQ(be32(bytes, 0x004), bytes.size());
    EXPECT_EQ(bytes.size(), 548 + thumbnailSize + geometrySize + 96);
    EXPECT_EQ(be32(bytes, 0x008), 101u);
    EXPECT_EQ(be32(bytes, 0x00C), std::bit_cast<std::uint32_t>(2.5f));
    EXPECT_EQ(be32(bytes, 0x034), static_cast<std::uint32_t>(-7));
    EXPECT_EQ(be32(bytes, 0x038), 1234567u);
    EXPECT_EQ(be32(bytes, 0x03C), std::bit_cast<std::uint32_t>(4.0f));
    EXPECT_EQ(be32(bytes, 0x05C), 0x0A141E28u); // colour bytes R, G, B, A in order
    EXPECT_EQ(be32(bytes, 0x06C), 3u);
    EXPECT_EQ(be32(bytes, 0x070), 2u);
    EXPECT_EQ(be32(bytes, 0x08C), std::bit_cast<std::uint32_t>(2.0f));
    EXPECT_EQ(be32(bytes, 0x09C), 0xFFC800FFu);
    EXPECT_EQ(be32(bytes, 0x0AC), std::bit_cast<std::uint32_t>(20.0f));
    EXPECT_EQ(be32(bytes, 0x11C), 548u);
    EXPECT_EQ(be32(bytes, 0x120), 548u + thumbnailSize);
    EXPECT_EQ(be32(bytes, 0x124), 548u + thumbnailSize + geometrySize);
    const std::size_t wheel = be32(bytes, 0x124);
    EXPECT_EQ(std::string(bytes.begin() + wheel, bytes.begin() + wheel + 4), "Whel");
    EXPECT_EQ(be32(bytes, wheel + 4), 96u);
    EXPECT_EQ(be32(bytes, wheel + 8), 2u);
    EXPECT_EQ(bytes[wheel + 36], 1); // the 60 trailing bytes as stored
    for (std::size_t at : {0x0A4u, 0x0B4u, 0x0BCu, 0x128u, 0x130u, 0x220u}) {
        EXPECT_EQ(be32(bytes, at), 0u) << at; // reserved
    }

    // An item without thumbnail, geometry or wheels is the header alone.
    const std::vector<std::uint8_t> bare = C3DItemObject().serialize();
    EXPECT_EQ(bare.size(), 548u);
    EXPECT_EQ(be32(bare, 0x11C), 0u);
    EXPECT_EQ(be32(bare, 0x120), 0u);
    EXPECT_EQ(be32(bare, 0x124), 0u);
}

TEST(ItemModel, VersionOneLoadsLikeVersionTwoAndIgnoresItsExtraIntegers) {
    C3DItemObject item;
    fillItem(item);
    std::vector<std::uint8_t> v2 = item.serialize();
    std::vector<std::uint8_t> v1 = v2;
    v1[3] = 'j';
    putBe32(v1, 0x128, 0xDEADBEEF);
    putBe32(v1, 0x12C, 0x12345678);

    C3DItemObject a;
    C3DItemObject b;
    ASSERT_TRUE(a.loadFromMemory(v2));
    ASSERT_TRUE(b.loadFromMemory(v1));
    EXPECT_EQ(a.magic(), kItemMagicVersion2);
    EXPECT_EQ(b.magic(), kItemMagicVersion1);
    b.setMagic(kItemMagicVersion2);
    expectSameItem(a, b);
}

TEST(ItemModel, HeaderDefaultsApplyOnLoad) {
    struct Case {
        const char* name;
        std::int32_t kind;
        std::array<std::uint8_t, 4> lampColour;
        float lampSize;
        Vec3d expectedViewpoint2;
        std::array<std::uint8_t, 4> expectedColour;
        float expectedSize;
    };
    const Case cases[] = {
        {"rolling stock, zero values",
         100,
         {0, 0, 0, 0},
         0.0f,
         {1.5, 0.25, 0.0},
         {255, 255, 255, 255},
         1.0f},
        {"rolling stock 105", 105, {0, 0, 0, 1}, 0.5f, {1.5, 0.25, 0.0}, {0, 0, 0, 1}, 0.5f},
        {"layout piece", 2, {0, 0, 0, 0}, 0.0f, {0, 0, 0}, {255, 255, 255, 255}, 1.0f},
        {"kind 106", 106, {1, 2, 3, 4}, 3.0f, {0, 0, 0}, {1, 2, 3, 4}, 3.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> bytes = simpleItemFile(c.kind);
        for (int lamp = 0; lamp < 2; ++lamp) {
            putBe32(bytes, 0x08C + 4 * lamp, std::bit_cast<std::uint32_t>(c.lampSize));
            std::copy(c.lampColour.begin(), c.lampColour.end(), bytes.begin() + 0x09C + 4 * lamp);
        }
        C3DItemObject item;
        ASSERT_TRUE(item.loadFromMemory(bytes));
        EXPECT_EQ(item.viewpoint2(), c.expectedViewpoint2);
        EXPECT_EQ(item.lamp(0).colour, c.expectedColour);
        EXPECT_EQ(item.lamp(1).colour, c.expectedColour);
        EXPECT_EQ(item.lamp(0).size, c.expectedSize);
        EXPECT_EQ(item.lamp(1).size, c.expectedSize);
    }
}

TEST(ItemModel, RefusedFilesLeaveTheObjectUntouched) {
    std::vector<std::uint8_t> good = simpleItemFile(3);
    std::vector<std::uint8_t> badMagic = good;
    badMagic[3] = 'X';
    std::vector<std::uint8_t> capitalMagic = good;
    capitalMagic[1] = 'D'; // "3DO2" is the node tag, not an item
    const std::vector<std::uint8_t> cases[] = {
        {}, {good.begin(), good.begin() + 547}, badMagic, capitalMagic};
    for (const auto& bytes : cases) {
        C3DItemObject item;
        EXPECT_FALSE(item.loadFromMemory(bytes));
        EXPECT_TRUE(looksUntouched(item));
    }
    C3DItemObject loaded;
    ASSERT_TRUE(loaded.loadFromMemory(good));
    EXPECT_FALSE(loaded.loadFromMemory(badMagic));
    EXPECT_EQ(loaded.kind(), 3);
}

TEST(ItemModel, OptionalPartsAreSkippedWhenTheyDoNotCheckOut) {
    C3DItemObject source;
    fillItem(source);
    const std::vector<std::uint8_t> good = source.serialize();
    const std::uint32_t geometry = be32(good, 0x120);
    const std::uint32_t wheel = be32(good, 0x124);

    std::vector<std::uint8_t> notPng = good;
    notPng[548] = 'X';
    std::vector<std::uint8_t> wrongWheelTag = good;
    wrongWheelTag[wheel] = 'w';
    std::vector<std::uint8_t> wrongWheelLength = good;
    putBe32(wrongWheelLength, wheel + 4, 95);
    std::vector<std::uint8_t> shortGeometry = good;
    putBe32(shortGeometry, geometry + 4, 528);
    std::vector<std::uint8_t> noGeometry = good;
    putBe32(noGeometry, 0x120, 0);

    C3DItemObject item;
    ASSERT_TRUE(item.loadFromMemory(notPng));
    EXPECT_TRUE(item.thumbnail().empty());
    EXPECT_FALSE(item.isEmpty());

    C3DItemObject wheels1;
    ASSERT_TRUE(wheels1.loadFromMemory(wrongWheelTag));
    EXPECT_FALSE(wheels1.hasWheelRecord());
    C3DItemObject wheels2;
    ASSERT_TRUE(wheels2.loadFromMemory(wrongWheelLength));
    EXPECT_FALSE(wheels2.hasWheelRecord());

    for (const auto* bytes : {&shortGeometry, &noGeometry}) {
        C3DItemObject bare;
        ASSERT_TRUE(bare.loadFromMemory(*bytes));
        EXPECT_TRUE(bare.isEmpty());
        EXPECT_EQ(bare.drawingScale(2.0), 2.5 * 2.0); // size · t without geometry
    }
}

TEST(ItemModel, DamagedCountsAndOffsetsFailFastWithoutGiantAllocations) {
    C3DItemObject source;
    fillItem(source);
    const std::vector<std::uint8_t> good = source.serialize();
    const std::uint32_t geometry = be32(good, 0x120);

    std::vector<std::uint8_t> hugeGeometry = good;
    putBe32(hugeGeometry, geometry + 4, 0xFFFFFFF0u);
    std::vector<std::uint8_t> offsetsBeyond = good;
    putBe32(offsetsBeyond, 0x11C, 0xFFFFFFF0u);
    putBe32(offsetsBeyond, 0x120, 0xFFFFFFFCu);
    putBe32(offsetsBeyond, 0x124, 0xFFFFFFA0u);
    std::vector<std::uint8_t> thumbnailPastGeometry = good;
    putBe32(thumbnailPastGeometry, 0x11C, geometry + 10);

    for (const auto* bytes : {&hugeGeometry, &offsetsBeyond, &thumbnailPastGeometry}) {
        C3DItemObject item;
        EXPECT_TRUE(item.loadFromMemory(*bytes));
    }
    // Every truncation of a good file loads (or, under 548 bytes, is refused) without harm.
    for (std::size_t length = 0; length <= good.size(); length += 7) {
        C3DItemObject item;
        EXPECT_EQ(item.loadFromMemory(std::span(good).first(length)), length >= 548);
    }
    C3DItemObject offsets;
    ASSERT_TRUE(offsets.loadFromMemory(offsetsBeyond));
    EXPECT_TRUE(offsets.thumbnail().empty());
    EXPECT_FALSE(offsets.hasWheelRecord());
    EXPECT_TRUE(offsets.isEmpty());
}

TEST(ItemModel, ResetKeepsThumbnailAndWheelRecord) {
    C3DItemObject item;
    fillItem(item);
    item.reset();
    EXPECT_EQ(item.kind(), 0);
    EXPECT_EQ(item.size(), 1.0f);
    EXPECT_EQ(item.baseColour(), C3DItemObject::kDefaultBaseColour);
    EXPECT_EQ(item.lamp(1).colour, C3DItemObject::kWhite);
    EXPECT_EQ(item.lamp(1).size, 1.0f);
    EXPECT_TRUE(item.isEmpty());
    EXPECT_FALSE(item.thumbnail().empty());
    EXPECT_TRUE(item.hasWheelRecord());
}

TEST(ItemModel, ScaleAndBoundsFollowTheLargerHorizontalExtent) {
    C3DItemObject item;
    item.geometryRoot()->setFaceSet(boxFaceSet(2.0, 1.0, 1.0)); // 2 wide, 1 deep
    item.setSize(1.5f);
    EXPECT_DOUBLE_EQ(item.drawingScale(1.0), 1.0 / 2.0 * 1.5);
    EXPECT_DOUBLE_EQ(item.drawingScale(4.0), 4.0 / 2.0 * 1.5);

    item.setOffset({1.0, 0.5, 0.0});
    const BoundingBox box = item.boundingBox(2.0); // scale 1.5
    EXPECT_DOUBLE_EQ(box.min.x, 2.0);
    EXPECT_DOUBLE_EQ(box.max.x, 3.0 + 2.0);
    EXPECT_DOUBLE_EQ(box.min.y, 1.0);
    EXPECT_DOUBLE_EQ(box.max.y, 1.5 + 1.0);
    EXPECT_DOUBLE_EQ(box.max.z, 1.5);

    // A yaw of 90 degrees turns the box as the drawing does, about Y: x takes z, z takes -x.
    item.setOffset({});
    item.setPitchAndYaw(0.0f, 90.0f);
    const BoundingBox turned = item.boundingBox(2.0);
    EXPECT_NEAR(turned.min.x, 0.0, 1e-9);
    EXPECT_NEAR(turned.max.x, 1.5, 1e-9);
    EXPECT_NEAR(turned.min.z, -3.0, 1e-9);
    EXPECT_NEAR(turned.max.z, 0.0, 1e-9);

    // Viewpoint, eye and lamp points scale with the tile size.
    item.setViewpoint(0, {1.0, 1.0, 2.0});
    EXPECT_EQ(item.viewpointPoint(0, 2.0), (Vec3d{2.0, 3.0, 4.0}));
    item.setEyeOffset({0.1, 0.25, 1.0});
    EXPECT_EQ(item.eyePoint(2.0), (Vec3d{0.6 + 0.2, 1.5 + 0.5, 2.0}));
    item.setLampPosition(1, {1.0, 2.0, 3.0});
    item.setLampMirrored(1, true);
    EXPECT_EQ(item.lampPoint(1, 2.0, true), (Vec3d{2.0, 4.0, -6.0}));
    EXPECT_EQ(item.lampPoint(1, 2.0), (Vec3d{2.0, 4.0, 6.0}));
    EXPECT_EQ(item.lampPoint(2, 2.0), Vec3d{});
    EXPECT_FALSE(item.lampMirrored(5));
}

TEST(ItemModel, TurnedBoundsHoldEveryCornerOfTheBox) {
    C3DItemObject item;
    item.geometryRoot()->setFaceSet(boxFaceSet(2.0, 1.0, 1.0));
    item.setSize(2.0f); // scale 1 at tile size 1: the box spans x 0 … 2, z 0 … 1
    const double h = std::sqrt(0.5);
    struct Case {
        float pitch, yaw;
        BoundingBox expected;
    };
    // A yaw turns x and z about Y and a pitch turns y and z about X, in the drawing's sense
    // (x' = x cos + z sin for a yaw; y' = y cos - z sin for a pitch).
    for (const Case c : {
             Case{0.0f, -45.0f, {{-h, 0.0, 0.0}, {2 * h, 1.0, 3 * h}}},
             Case{0.0f, 45.0f, {{0.0, 0.0, -2 * h}, {3 * h, 1.0, h}}},
             Case{45.0f, 0.0f, {{0.0, -h, 0.0}, {2.0, h, 2 * h}}},
             Case{-45.0f, 0.0f, {{0.0, 0.0, -h}, {2.0, 2 * h, h}}},
             Case{0.0f, 180.0f, {{-2.0, 0.0, -1.0}, {0.0, 1.0, 0.0}}},
         }) {
        item.setPitchAndYaw(c.pitch, c.yaw);
        const BoundingBox box = item.boundingBox(1.0);
        SCOPED_TRACE(testing::Message() << "pitch " << c.pitch << " yaw " << c.yaw);
        EXPECT_NEAR(box.min.x, c.expected.min.x, 1e-9);
        EXPECT_NEAR(box.min.y, c.expected.min.y, 1e-9);
        EXPECT_NEAR(box.min.z, c.expected.min.z, 1e-9);
        EXPECT_NEAR(box.max.x, c.expected.max.x, 1e-9);
        EXPECT_NEAR(box.max.y, c.expected.max.y, 1e-9);
        EXPECT_NEAR(box.max.z, c.expected.max.z, 1e-9);
    }
}

TEST(ItemModel, DoubleSidedFlagDoublesTheCounts) {
    C3DItemObject item;
    item.geometryRoot()->setFaceSet(boxFaceSet(1.0, 1.0, 1.0));
    const ItemCounts single = item.geometryCounts();
    ASSERT_GT(single.faces, 0);
    item.setDrawFlags(C3DItemObject::kDrawDoubleSided, true);
    EXPECT_EQ(item.geometryCounts().faces, 2 * single.faces);
    EXPECT_EQ(item.geometryCounts().vertices, 2 * single.vertices);
    EXPECT_TRUE(item.testDrawFlags(0x14));
    EXPECT_FALSE(item.testDrawFlags(0x4));
}

TEST(ItemModel, VehicleValueNeedsACountAndAVehicleKind) {
    C3DItemObject item;
    item.setVehicleCountValue(2);
    for (std::int32_t kind : {100, 101, 104, 105}) {
        item.setKind(kind);
        EXPECT_TRUE(item.hasVehicleValue()) << kind;
    }
    for (std::int32_t kind : {0, 2, 102, 103}) {
        item.setKind(kind);
        EXPECT_FALSE(item.hasVehicleValue()) << kind;
    }
    item.setKind(100);
    item.setVehicleCountValue(0);
    EXPECT_FALSE(item.hasVehicleValue());
}

TEST(ItemModel, HeaderAndThumbnailReadFromFiles) {
    testsupport::TempFolder folder;
    C3DItemObject item;
    fillItem(item);
    writeFile(folder / "Car.zn3", item.serialize());
    const auto header = readItemHeader(folder / "Car.zn3");
    ASSERT_TRUE(header);
    EXPECT_EQ(header->kind, 101);
    EXPECT_EQ(readThumbnail(folder / "Car.zn3"), item.thumbnail());

    writeFile(folder / "Short.zn3", std::vector<std::uint8_t>(100, 0));
    EXPECT_FALSE(readItemHeader(folder / "Short.zn3"));
    EXPECT_FALSE(readItemHeader(folder / "Missing.zn3"));
    EXPECT_TRUE(readThumbnail(folder / "Missing.zn3").empty());
}

TEST(ItemModel, LoadByTypeUsesTheRegisteredImporter) {
    testsupport::TempFolder folder;
    C3DItemObject item;
    EXPECT_FALSE(item.loadByType(1, folder / "model.wrl"));
    int calls = 0;
    setModelImporter([&](int type, const std::filesystem::path&, C3DObject& root) {
        ++calls;
        root.setFaceSet(boxFaceSet(1.0, 1.0, 1.0));
        return type == 2;
    });
    EXPECT_TRUE(item.loadByType(2, folder / "model.dxf"));
    EXPECT_FALSE(item.isEmpty());
    EXPECT_FALSE(item.loadByType(7, folder / "model.dxf"));
    EXPECT_EQ(calls, 1);
    setModelImporter(nullptr);
    EXPECT_FALSE(item.loadByType(3, folder / "missing.zn3"));
}

TEST(ItemModel, ThumbnailAndGeometryWithoutWheelsKeepTheResetWheelRecord) {
    C3DItemObject source;
    source.setThumbnail(thumbnailPng());
    source.geometryRoot()->setFaceSet(boxFaceSet(1.0, 2.0, 3.0));
    const std::vector<std::uint8_t> bytes = source.serialize();
    const std::size_t n = source.thumbnail().size();
    ASSERT_EQ(be32(bytes, 0x11C), 548u);
    ASSERT_EQ(be32(bytes, 0x120), 548u + n);
    ASSERT_EQ(be32(bytes, 0x124), 0u);

    C3DItemObject item;
    WheelRecord earlier;
    earlier.value1 = 42;
    item.setWheelRecord(earlier); // a load without a wheel block leaves the record alone
    ASSERT_TRUE(item.loadFromMemory(bytes));
    EXPECT_EQ(item.thumbnail(), source.thumbnail());
    EXPECT_EQ(item.geometryCounts(), source.geometryCounts());
    EXPECT_EQ(item.wheelRecord().value1, 42);

    C3DItemObject fresh;
    ASSERT_TRUE(fresh.loadFromMemory(bytes));
    EXPECT_EQ(fresh.wheelRecord(), WheelRecord{});
    EXPECT_FALSE(fresh.hasWheelRecord());
}

TEST(ItemModel, ThumbnailOfAFileWithoutGeometryEndsAtTheWheelBlock) {
    C3DItemObject source;
    source.setThumbnail(thumbnailPng());
    source.setWheelRecord(WheelRecord{});
    const std::vector<std::uint8_t> bytes = source.serialize();
    EXPECT_EQ(be32(bytes, 0x120), 0u);
    C3DItemObject item;
    ASSERT_TRUE(item.loadFromMemory(bytes));
    EXPECT_EQ(item.thumbnail(), source.thumbnail());
    EXPECT_TRUE(item.hasWheelRecord());
    EXPECT_EQ(item.serialize(), bytes);
}
