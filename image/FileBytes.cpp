#include "image/FileBytes.h"

#include <fstream>

#include "platform/AtomicFile.h"

namespace image {
namespace fs = std::filesystem;

std::optional<std::vector<std::uint8_t>> readFileBytes(const fs::path& path, std::uintmax_t limit) {
    std::error_code error;
    if (!fs::is_regular_file(path, error)) {
        return std::nullopt;
    }
    const std::uintmax_t size = fs::file_size(path, error);
    if (error || size > limit) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()),
                             static_cast<std::streamsize>(bytes.size()))) {
        return std::nullopt;
    }
    if (in.peek() != std::ifstream::traits_type::eof()) {
        return std::nullopt; // the file grew while it was read
    }
    return bytes;
}

bool writeFileBytes(const fs::path& path, std::span<const std::uint8_t> bytes) {
    return platform::replaceFileContents(path, bytes).written;
}

} // namespace image
