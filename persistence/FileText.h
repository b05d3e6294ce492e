#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace persistence {

// Text inside layout files is Shift-JIS; inside the program it is UTF-8. These convert at
// the file boundary.

// Stored bytes as UTF-8. Bytes that are not valid Shift-JIS are shown as U+FFFD each, so a
// damaged name stays visible instead of vanishing.
std::string textFromFile(std::span<const std::uint8_t> bytes);

// The Shift-JIS form of a UTF-8 text as a file stores it. Each character Shift-JIS cannot
// hold (and each byte that is not valid UTF-8) becomes '?', as the system's own conversion
// does, so that a name read back is read the same way again.
std::string toFileText(std::string_view utf8);

// An item model file name as a structure record stores it: an older Japanese name is turned
// into the name the data folder uses (legacy-name table), any other name is converted.
std::string modelNameFromFile(std::span<const std::uint8_t> bytes);

} // namespace persistence
