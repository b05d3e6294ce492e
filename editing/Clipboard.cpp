#include "editing/Clipboard.h"

namespace editing {

void MemoryClipboard::put(std::string_view format, std::span<const std::uint8_t> payload) {
    contents_.clear();
    contents_.emplace(std::string(format),
                      std::vector<std::uint8_t>(payload.begin(), payload.end()));
}

std::optional<std::vector<std::uint8_t>> MemoryClipboard::take(std::string_view format) const {
    auto it = contents_.find(format);
    if (it == contents_.end()) {
        return std::nullopt;
    }
    return it->second;
}

} // namespace editing
