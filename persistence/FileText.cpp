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

void writeFileText(platform::ByteWriter& out, std::string_view utf8) {
    if (isAscii(utf8)) {
        out.bytes({reinterpret_cast<const std::uint8_t*>(utf8.data()), utf8.size()});
        return;
    }
    if (auto sjis = platform::utf8ToSjis(utf8)) {
        out.bytes({reinterpret_cast<const std::uint8_t*>(sjis->data()), sjis->size()});
        return;
    }
    out.bytes({reinterpret_cast<const std::uint8_t*>(utf8.data()), utf8.size()});
}

std::size_t fileTextLength(std::string_view utf8) {
    if (isAscii(utf8)) {
        return utf8.size();
    }
    if (auto sjis = platform::utf8ToSjis(utf8)) {
        return sjis->size();
    }
    return utf8.size();
}

std::string modelNameFromFile(std::span<const std::uint8_t> bytes) {
    std::string translated = items::translateLegacyName(asText(bytes));
    if (!translated.empty()) {
        return translated;
    }
    return textFromFile(bytes);
}

} // namespace persistence
