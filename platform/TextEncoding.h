#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Shift-JIS (code page 932, with its vendor extensions) to UTF-8. Returns nothing when the
// input holds a byte sequence that is not valid Shift-JIS; never returns a partial text.
std::optional<std::string> sjisToUtf8(std::string_view sjis);

// UTF-8 to Shift-JIS (code page 932). Returns nothing when the input is not valid UTF-8 or
// holds a character that code page 932 cannot represent.
std::optional<std::string> utf8ToSjis(std::string_view utf8);

// Like sjisToUtf8, but each invalid byte becomes U+FFFD; for showing damaged names.
std::string sjisToUtf8Lossy(std::string_view sjis);

} // namespace platform
