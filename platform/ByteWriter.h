#pragma once
#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace platform {

// Appends big-endian values to a growing byte buffer that it owns.
//
// Offsets and lengths that are only known after their content has been written are filled in
// afterwards with the patch operations; a patch outside what was written does nothing and
// returns false.
class ByteWriter {
public:
    std::size_t size() const { return bytes_.size(); }
    std::span<const std::uint8_t> data() const { return bytes_; }
    const std::vector<std::uint8_t>& buffer() const { return bytes_; }
    std::vector<std::uint8_t> take() { return std::move(bytes_); }
    void reserve(std::size_t capacity) { bytes_.reserve(capacity); }

    void u8(std::uint8_t value) { bytes_.push_back(value); }
    void u16(std::uint16_t value) { writeUnsigned(value); }
    void u32(std::uint32_t value) { writeUnsigned(value); }
    void u64(std::uint64_t value) { writeUnsigned(value); }
    void i16(std::int16_t value) { u16(static_cast<std::uint16_t>(value)); }
    void i32(std::int32_t value) { u32(static_cast<std::uint32_t>(value)); }
    void i64(std::int64_t value) { u64(static_cast<std::uint64_t>(value)); }
    void f32(float value) { u32(std::bit_cast<std::uint32_t>(value)); }
    void f64(double value) { u64(std::bit_cast<std::uint64_t>(value)); }

    void bytes(std::span<const std::uint8_t> values) {
        bytes_.insert(bytes_.end(), values.begin(), values.end());
    }
    // Writes the four characters of a tag such as "3DOj"; other lengths write nothing.
    void tag(std::string_view fourChars) {
        if (fourChars.size() == 4) {
            bytes_.insert(bytes_.end(), fourChars.begin(), fourChars.end());
        }
    }
    void zeros(std::size_t count) { bytes_.insert(bytes_.end(), count, 0); }
    // Pads with zeros up to an absolute size; does nothing when already that long.
    void padTo(std::size_t size) {
        if (size > bytes_.size()) {
            zeros(size - bytes_.size());
        }
    }

    bool patchU32(std::size_t offset, std::uint32_t value) {
        if (offset > bytes_.size() || bytes_.size() - offset < 4) {
            return false;
        }
        for (int i = 0; i < 4; ++i) {
            bytes_[offset + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
        }
        return true;
    }
    bool patchI32(std::size_t offset, std::int32_t value) {
        return patchU32(offset, static_cast<std::uint32_t>(value));
    }

private:
    template <typename T> void writeUnsigned(T value) {
        for (int shift = (sizeof(T) - 1) * 8; shift >= 0; shift -= 8) {
            bytes_.push_back(static_cast<std::uint8_t>(value >> shift));
        }
    }

    std::vector<std::uint8_t> bytes_;
};

} // namespace platform
