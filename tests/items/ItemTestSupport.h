#pragma once
#include "image/PngCodec.h"
#include "items/C3DItemObject.h"

#include <fstream>
#include <memory>
#include <vector>

namespace itemtest {

// A box-shaped face set from (0, 0, 0) to (sx, sy, sz): eight points and six quads.
inline std::unique_ptr<items::CIndexedFaceSet> boxFaceSet(double sx, double sy, double sz) {
    auto faces = std::make_unique<items::CIndexedFaceSet>();
    for (int i = 0; i < 8; ++i) {
        faces->addPoint({(i & 1) ? sx : 0.0, (i & 2) ? sy : 0.0, (i & 4) ? sz : 0.0});
    }
    const int quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                             {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (const auto& quad : quads) {
        for (int index : quad) {
            faces->addCoordIndex(index);
        }
        faces->addCoordIndex(-1);
    }
    return faces;
}

// A small PNG file for thumbnails.
inline std::vector<std::uint8_t> thumbnailPng() {
    const std::vector<std::uint8_t> rgb(6 * 4 * 3, 0x80);
    return image::encodePngBytes(rgb, 6, 4, 3);
}

// An item with every header field set, a thumbnail, a two-level tree (a box face set in a
// child moved by (1, 0, 0), and a sphere primitive on the root) and a wheel record.
inline void fillItem(items::C3DItemObject& item) {
    item.setKind(101);
    item.setSize(2.5f);
    item.setOffset({0.25, 0.5, -0.75});
    item.setPitchAndYaw(0.0f, 0.0f);
    item.setViewpoint(0, {1, 2, 3});
    item.setViewpoint(1, {4, 5, 6});
    item.setViewpoint(2, {7, 8, 9});
    item.setItemValues(-7, 1234567);
    item.setVehicleCountValue(3);
    item.setVehicleFloatValue(0.125f);
    item.setBaseColour({10, 20, 30, 40});
    item.setEyeOffset({0.5, 0.25, 0.125});
    item.setDrawFlags(0x4, true);
    item.setLampMask(3);
    item.setLampMirrored(1, true);
    item.setLampPosition(0, {1.5, 0.5, 0.25});
    item.setLampPosition(1, {-1.5, 0.5, 0.25});
    item.setLampSize(0, 2.0f);
    item.setLampSize(1, 0.5f);
    item.setLampRollAndTurn(0, 10.0f, 20.0f);
    item.setLampRollAndTurn(1, -10.0f, -20.0f);
    item.setLampColour(0, {255, 200, 0, 255});
    item.setLampColour(1, {0, 0, 0, 1});
    item.setThumbnail(thumbnailPng());
    items::WheelRecord wheel;
    wheel.value1 = 2;
    wheel.value2 = -3;
    wheel.length1 = 0.75;
    wheel.length2 = 1.25;
    wheel.value3 = 99;
    for (std::size_t i = 0; i < wheel.rest.size(); ++i) {
        wheel.rest[i] = static_cast<std::uint8_t>(i * 3 + 1);
    }
    item.setWheelRecord(wheel);

    items::C3DObject& root = *item.geometryRoot();
    root.addPrimitive(items::CPrimitive::sphere(0.5, 8));
    items::C3DObject& child = root.createChild();
    child.setTranslation({1.0, 0.0, 0.0});
    child.setFaceSet(boxFaceSet(2.0, 1.0, 1.0));
}

inline void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// The bytes of an item file with the given fields set and nothing else.
inline std::vector<std::uint8_t> simpleItemFile(std::int32_t kind = 0) {
    items::C3DItemObject item;
    item.setKind(kind);
    item.geometryRoot()->setFaceSet(boxFaceSet(1.0, 1.0, 1.0));
    return item.serialize();
}

inline void putBe32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
    }
}

inline std::uint32_t be32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return (std::uint32_t{bytes[at]} << 24) | (std::uint32_t{bytes[at + 1]} << 16) |
           (std::uint32_t{bytes[at + 2]} << 8) | std::uint32_t{bytes[at + 3]};
}

} // namespace itemtest
