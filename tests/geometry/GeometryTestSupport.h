#pragma once
#include "items/geometry/C3DObject.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <vector>

namespace items::testing {

// Compares everything that a node block stores, node by node.
inline void expectSameTree(const C3DObject& a, const C3DObject& b) {
    EXPECT_EQ(a.translation(), b.translation());
    EXPECT_EQ(a.rotationAxis(), b.rotationAxis());
    EXPECT_EQ(a.scale(), b.scale());
    EXPECT_EQ(a.rotationAngle(), b.rotationAngle());
    EXPECT_EQ(a.colour(), b.colour());
    EXPECT_EQ(a.flags(), b.flags());
    EXPECT_EQ(a.detailLevel(), b.detailLevel());
    EXPECT_EQ(a.primitives(), b.primitives());
    ASSERT_EQ(a.faceSet() != nullptr, b.faceSet() != nullptr);
    if (a.faceSet()) {
        const auto& fa = *a.faceSet();
        const auto& fb = *b.faceSet();
        EXPECT_TRUE(std::ranges::equal(fa.coordinates(), fb.coordinates()));
        EXPECT_TRUE(std::ranges::equal(fa.texCoordinates(), fb.texCoordinates()));
        EXPECT_TRUE(std::ranges::equal(fa.coordIndices(), fb.coordIndices()));
        EXPECT_TRUE(std::ranges::equal(fa.texCoordIndices(), fb.texCoordIndices()));
        EXPECT_EQ(fa.bounds(), fb.bounds());
    }
    ASSERT_EQ(a.textures().size(), b.textures().size());
    for (auto ia = a.textures().begin(), ib = b.textures().begin(); ia != a.textures().end();
         ++ia, ++ib) {
        const auto& ta = *ia->second;
        const auto& tb = *ib->second;
        EXPECT_EQ(ta.width(), tb.width());
        EXPECT_EQ(ta.height(), tb.height());
        EXPECT_EQ(ta.components(), tb.components());
        EXPECT_TRUE(std::ranges::equal(ta.pixelBuffer(), tb.pixelBuffer()));
        EXPECT_TRUE(std::ranges::equal(ta.encodedImage(), tb.encodedImage()));
        EXPECT_EQ(ta.firstString(), tb.firstString());
        EXPECT_EQ(ta.secondString(), tb.secondString());
    }
    ASSERT_EQ(a.dxfFaces() != nullptr, b.dxfFaces() != nullptr);
    if (a.dxfFaces()) {
        EXPECT_TRUE(std::ranges::equal(a.dxfFaces()->faces(), b.dxfFaces()->faces()));
    }
    ASSERT_EQ(a.children().size(), b.children().size());
    for (std::size_t i = 0; i < a.children().size(); ++i) {
        expectSameTree(*a.children()[i], *b.children()[i]);
    }
}

// The bytes of a fixed-size buffer with big-endian words written into it.
class BlockBytes {
public:
    explicit BlockBytes(std::size_t size) : bytes_(size, 0) {}
    BlockBytes& tag(std::size_t at, const char (&text)[5]) {
        for (std::size_t i = 0; i < 4; ++i) {
            bytes_.at(at + i) = static_cast<std::uint8_t>(text[i]);
        }
        return *this;
    }
    BlockBytes& u32(std::size_t at, std::uint32_t value) {
        for (std::size_t i = 0; i < 4; ++i) {
            bytes_.at(at + i) = static_cast<std::uint8_t>(value >> (24 - 8 * i));
        }
        return *this;
    }
    BlockBytes& f64(std::size_t at, double value) {
        const auto bits = std::bit_cast<std::uint64_t>(value);
        u32(at, static_cast<std::uint32_t>(bits >> 32));
        return u32(at + 4, static_cast<std::uint32_t>(bits));
    }
    BlockBytes& f32(std::size_t at, float value) {
        return u32(at, std::bit_cast<std::uint32_t>(value));
    }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    std::vector<std::uint8_t>& bytes() { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

} // namespace items::testing
