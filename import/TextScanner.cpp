#include "import/TextScanner.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace import {

TextScanner::TextScanner(std::span<const std::uint8_t> bytes, std::string_view punctuation)
    : bytes_(bytes), punctuation_(punctuation) {}

bool TextScanner::isPunctuation(std::uint8_t c) const {
    return punctuation_.find(static_cast<char>(c)) != std::string_view::npos;
}

void TextScanner::skipLine() {
    hasPeeked_ = false;
    peeked_.reset();
    while (position_ < bytes_.size() && bytes_[position_] != '\n' && bytes_[position_] != '\r') {
        ++position_;
    }
}

std::optional<std::string_view> TextScanner::scan() {
    const std::size_t size = bytes_.size();
    for (;;) {
        while (position_ < size && bytes_[position_] <= 0x20) {
            ++position_;
        }
        if (position_ >= size) {
            return std::nullopt;
        }
        if (bytes_[position_] != '#') {
            break;
        }
        while (position_ < size && bytes_[position_] != '\n' && bytes_[position_] != '\r') {
            ++position_;
        }
    }
    const std::size_t start = position_;
    const auto* text = reinterpret_cast<const char*>(bytes_.data());
    if (isPunctuation(bytes_[position_])) {
        ++position_;
        return std::string_view(text + start, 1);
    }
    while (position_ < size && bytes_[position_] > 0x20 && bytes_[position_] != '#' &&
           !isPunctuation(bytes_[position_])) {
        ++position_;
    }
    return std::string_view(text + start, position_ - start);
}

std::optional<std::string_view> TextScanner::next() {
    std::optional<std::string_view> token;
    if (hasPeeked_) {
        token = peeked_;
        hasPeeked_ = false;
    } else {
        token = scan();
    }
    if (token) {
        previous_ = current_;
        current_ = *token;
    }
    return token;
}

std::optional<std::string_view> TextScanner::peek() {
    if (!hasPeeked_) {
        peeked_ = scan();
        hasPeeked_ = true;
    }
    return peeked_;
}

namespace {

// from_chars reads no leading "+"; the text conversions it stands in for do.
std::string_view withoutPlus(std::string_view token) {
    if (!token.empty() && token.front() == '+') {
        token.remove_prefix(1);
    }
    return token;
}

bool parseNumber(std::string_view token, double& out) {
    token = withoutPlus(token);
    double value = 0.0;
    const auto result = std::from_chars(token.data(), token.data() + token.size(), value);
    if (result.ec != std::errc() || !std::isfinite(value)) {
        return false;
    }
    out = value;
    return true;
}

} // namespace

double toNumber(std::string_view token) {
    double value = 0.0;
    return parseNumber(token, value) ? value : 0.0;
}

bool isNumber(std::string_view token) {
    double value = 0.0;
    return parseNumber(token, value);
}

std::int32_t toInteger(std::string_view token) {
    token = withoutPlus(token);
    std::int64_t value = 0;
    const auto result = std::from_chars(token.data(), token.data() + token.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        return token.starts_with('-') ? std::numeric_limits<std::int32_t>::min()
                                      : std::numeric_limits<std::int32_t>::max();
    }
    if (result.ec != std::errc()) {
        return 0;
    }
    if (value < std::numeric_limits<std::int32_t>::min()) {
        return std::numeric_limits<std::int32_t>::min();
    }
    if (value > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(value);
}

std::uint32_t toPixelValue(std::string_view token) {
    if (token.size() >= 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X')) {
        std::uint32_t value = 0;
        for (char c : token.substr(2)) {
            std::uint32_t digit = 0;
            if (c >= '0' && c <= '9') {
                digit = static_cast<std::uint32_t>(c - '0');
            } else if (c >= 'a' && c <= 'f') {
                digit = static_cast<std::uint32_t>(c - 'a' + 10);
            } else if (c >= 'A' && c <= 'F') {
                digit = static_cast<std::uint32_t>(c - 'A' + 10);
            } else {
                break;
            }
            value = (value << 4) | digit;
        }
        return value;
    }
    token = withoutPlus(token);
    std::int64_t value = 0;
    const auto result = std::from_chars(token.data(), token.data() + token.size(), value);
    return result.ec == std::errc() ? static_cast<std::uint32_t>(value) : 0u;
}

} // namespace import
