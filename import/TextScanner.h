#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace import {

// Splits the bytes of a text model into tokens: runs of bytes that are neither white space
// (any byte up to 0x20, so CR, LF, tabs and NULs all separate) nor one of the given
// punctuation characters, each of which is a token by itself. "#" starts a comment that runs to
// the end of the line (CR or LF) and separates tokens like white space. Bytes from 0x80 up are
// word bytes, so names in any encoding pass through. The scanner never reads past the end.
class TextScanner {
public:
    TextScanner(std::span<const std::uint8_t> bytes, std::string_view punctuation);

    // The next token, or nothing at the end of the bytes. Every token is at least one byte.
    std::optional<std::string_view> next();
    // The token next() would return, without taking it.
    std::optional<std::string_view> peek();
    // The token taken before the last one taken (empty at the start).
    std::string_view previous() const { return previous_; }
    // Bytes not yet scanned (a peeked token counts as scanned).
    std::size_t remaining() const { return bytes_.size() - position_; }
    // Moves past the end of the current line (used for a header line of any length).
    void skipLine();

private:
    std::optional<std::string_view> scan();
    bool isPunctuation(std::uint8_t c) const;

    std::span<const std::uint8_t> bytes_;
    std::string_view punctuation_;
    std::size_t position_ = 0;
    std::optional<std::string_view> peeked_;
    bool hasPeeked_ = false;
    std::string_view previous_;
    std::string_view current_;
};

// The decimal number a token starts with ("1e-3", "-.5", "+2" and "3." all read); 0 for a
// token that does not start with a number or whose value is not finite.
double toNumber(std::string_view token);
// The integer a token starts with, clamped to the i32 range; 0 when there is none.
std::int32_t toInteger(std::string_view token);
// A pixel value: hexadecimal after "0x" or "0X" (up to the first other character), else a
// decimal integer; only the low 32 bits are kept.
std::uint32_t toPixelValue(std::string_view token);
// Whether a token starts with a decimal number (as toNumber reads it).
bool isNumber(std::string_view token);

} // namespace import
