#pragma once
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "model/CZarnoltDocument.h"
#include "model/Pt.h"

namespace layouttest {

// Expected file bytes written out by hand, value by value, big-endian.
class Bytes {
public:
    Bytes& tag(std::string_view t) {
        for (char c : t) {
            data.push_back(static_cast<std::uint8_t>(c));
        }
        return *this;
    }
    Bytes& u32(std::uint32_t v) {
        for (int s = 24; s >= 0; s -= 8) {
            data.push_back(static_cast<std::uint8_t>(v >> s));
        }
        return *this;
    }
    Bytes& i32(std::int32_t v) { return u32(static_cast<std::uint32_t>(v)); }
    Bytes& u16(std::uint16_t v) {
        data.push_back(static_cast<std::uint8_t>(v >> 8));
        data.push_back(static_cast<std::uint8_t>(v));
        return *this;
    }
    Bytes& i16(std::int16_t v) { return u16(static_cast<std::uint16_t>(v)); }
    Bytes& zeros(std::size_t n) {
        data.insert(data.end(), n, 0);
        return *this;
    }
    Bytes& raw(std::span<const std::uint8_t> bytes) {
        data.insert(data.end(), bytes.begin(), bytes.end());
        return *this;
    }
    Bytes& text(std::string_view t) { return tag(t); }
    std::size_t size() const { return data.size(); }
    void patch32(std::size_t offset, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            data[offset + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
        }
    }

    std::vector<std::uint8_t> data;
};

// The 296-byte header with the given chunk offsets.
Bytes header(std::uint32_t total, std::int32_t columns, std::int32_t rows,
             std::uint32_t trackOffset, std::uint32_t landscapeOffset, std::uint32_t trainOffset,
             std::uint32_t environmentOffset);
// The default "Cenv" chunk, 92 bytes.
Bytes defaultEnvironmentChunk();

std::vector<model::Pt> points(std::initializer_list<std::pair<int, int>> xz);

// A small RGB PNG of the given size.
std::vector<std::uint8_t> smallPng(int width, int height);

// A test with a current document, the layout file library installed and the model emptied
// afterwards.
class LayoutTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    model::CZarnoltDocument& document() { return *document_; }

private:
    std::unique_ptr<model::CZarnoltDocument> document_;
};

// Placed non-empty tiles over all layers.
int boardTileCount();

} // namespace layouttest
