#include "persistence/FileText.h"

#include "items/LegacyNames.h"
#include "platform/TextEncoding.h"

namespace persistence {

namespace {

std::string_view asText(std::span<const std::uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

bool isAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

// The length of the UTF-8 sequence starting with this byte, 0 for a byte no sequence starts
// with.
std::size_t sequenceLength(unsigned char lead) {
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    return 0;
}

} // namespace

std::string textFromFile(std::span<const std::uint8_t> bytes) {
    const std::string_view text = asText(bytes);
    // Plain ASCII is the same in both encodings; skipping iconv keeps large files fast.
    if (isAscii(text)) {
        return std::string(text);
    }
    if (auto converted = platform::sjisToUtf8(text)) {
        return std::move(*converted);
    }
    return platform::sjisToUtf8Lossy(text);
}

std::string toFileText(std::string_view utf8) {
    if (isAscii(utf8)) {
        return std::string(utf8);
    }
    if (auto sjis = platform::utf8ToSjis(utf8)) {
        return std::move(*sjis);
    }
    std::string result;
    std::size_t i = 0;
    while (i < utf8.size()) {
        std::size_t length = sequenceLength(static_cast<unsigned char>(utf8[i]));
        if (length == 0 || length > utf8.size() - i) {
            length = 1;
        }
        const auto one = platform::utf8ToSjis(utf8.substr(i, length));
        result += one ? *one : std::string("?");
        i += length;
    }
    return result;
}

std::string modelNameFromFile(std::span<const std::uint8_t> bytes) {
    std::string translated = items::translateLegacyName(asText(bytes));
    if (!translated.empty()) {
        return translated;
    }
    return textFromFile(bytes);
}

} // namespace persistence
