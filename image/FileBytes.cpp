#include "image/FileBytes.h"

#include <atomic>
#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

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
    static std::atomic<unsigned> counter{0};
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    const fs::path temporary =
        folder / ("." + path.filename().string() + ".tmp" + std::to_string(::getpid()) + "-" +
                  std::to_string(counter.fetch_add(1)));
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            return false;
        }
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            std::error_code ignored;
            fs::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code error;
    fs::rename(temporary, path, error);
    if (error) {
        fs::remove(temporary, error);
        return false;
    }
    return true;
}

} // namespace image
