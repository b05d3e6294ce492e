#pragma once
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

namespace platform {

// A bounds-checked reader of big-endian values from a byte span it does not own.
//
// Every read states how many bytes it needs. A read that does not fit in the remaining bytes
// reads nothing, returns zero (or an empty span), leaves the position where it was and marks
// the reader failed; the failure is sticky, so a run of reads can be checked once at the end
// with ok(). Reading never touches memory outside the span.
class ByteReader {
public:
    ByteReader() = default;
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::size_t size() const { return bytes_.size(); }
    std::size_t position() const { return position_; }
    std::size_t remaining() const { return bytes_.size() - position_; }
    bool atEnd() const { return position_ == bytes_.size(); }
    std::span<const std::uint8_t> data() const { return bytes_; }

    // False once any read, skip or seek has failed.
    bool ok() const { return !failed_; }
    void fail() { failed_ = true; }

    // Whether `count` more bytes can be read from the current position.
    bool has(std::size_t count) const { return count <= remaining(); }

    // Moves to an absolute position (the end itself is allowed); fails beyond the end.
    bool seek(std::size_t position) {
        if (position > bytes_.size()) {
            failed_ = true;
            return false;
        }
        position_ = position;
        return true;
    }

    bool skip(std::size_t count) {
        if (!has(count)) {
            failed_ = true;
            return false;
        }
        position_ += count;
        return true;
    }

    std::uint8_t u8() { return readUnsigned<std::uint8_t>(); }
    std::uint16_t u16() { return readUnsigned<std::uint16_t>(); }
    std::uint32_t u32() { return readUnsigned<std::uint32_t>(); }
    std::uint64_t u64() { return readUnsigned<std::uint64_t>(); }
    std::int16_t i16() { return static_cast<std::int16_t>(u16()); }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    std::int64_t i64() { return static_cast<std::int64_t>(u64()); }
    float f32() { return std::bit_cast<float>(u32()); }
    double f64() { return std::bit_cast<double>(u64()); }

    // The next `count` bytes as a view into the reader's span (empty on failure).
    std::span<const std::uint8_t> bytes(std::size_t count) {
        if (!has(count)) {
            failed_ = true;
            return {};
        }
        auto view = bytes_.subspan(position_, count);
        position_ += count;
        return view;
    }

    // Reads four bytes and compares them with a four-character tag such as "3DOj". The bytes
    // are consumed either way; a short read fails the reader and compares unequal.
    bool tag(std::string_view expected) {
        auto got = bytes(4);
        return got.size() == 4 && expected.size() == 4 &&
               std::memcmp(got.data(), expected.data(), 4) == 0;
    }

    // A reader over `length` bytes from absolute `offset`, or an empty, failed reader when
    // that range does not lie inside this reader's span. This reader is not changed.
    ByteReader sub(std::size_t offset, std::size_t length) const {
        ByteReader inner;
        if (offset > bytes_.size() || length > bytes_.size() - offset) {
            inner.failed_ = true;
            return inner;
        }
        inner.bytes_ = bytes_.subspan(offset, length);
        return inner;
    }

    // Whether the range [offset, offset + length) lies inside the span, without overflow.
    bool contains(std::size_t offset, std::size_t length) const {
        return offset <= bytes_.size() && length <= bytes_.size() - offset;
    }

    // Reads the big-endian u32 at an absolute offset of `bytes` into `value`; false (and
    // `value` untouched) when the four bytes are not all there.
    static bool peekU32(std::span<const std::uint8_t> bytes, std::size_t offset,
                        std::uint32_t& value) {
        if (offset > bytes.size() || bytes.size() - offset < 4) {
            return false;
        }
        value = (std::uint32_t{bytes[offset]} << 24) | (std::uint32_t{bytes[offset + 1]} << 16) |
                (std::uint32_t{bytes[offset + 2]} << 8) | std::uint32_t{bytes[offset + 3]};
        return true;
    }

private:
    template <typename T> T readUnsigned() {
        if (!has(sizeof(T))) {
            failed_ = true;
            return 0;
        }
        T value = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i) {
            value = static_cast<T>((value << 8) | bytes_[position_ + i]);
        }
        position_ += sizeof(T);
        return value;
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
    bool failed_ = false;
};

} // namespace platform
