#include "items/BuiltinFiles.h"

#include "platform/Paths.h"

#include <algorithm>
#include <string>
#include <vector>

namespace items {
namespace fs = std::filesystem;

namespace {

bool equalIgnoringAsciiCase(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

} // namespace

fs::path findBuiltinFile(std::string_view folderName, std::string_view fileName,
                         std::optional<std::string_view> extension) {
    const auto data = platform::dataFolder();
    if (!data || fileName.empty()) {
        return {};
    }
    const fs::path folder = *data / fs::path(std::string(folderName));
    std::string pattern(fileName);
    if (extension) {
        pattern += ".";
        pattern += *extension;
    }
    // A name that would leave the folder finds nothing.
    if (pattern.find('/') != std::string::npos || pattern.find('\0') != std::string::npos ||
        pattern == "." || pattern == "..") {
        return {};
    }
    std::error_code error;
    if (fs::is_regular_file(folder / pattern, error)) {
        return folder / pattern;
    }
    std::vector<std::string> matches;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (equalIgnoringAsciiCase(name, pattern)) {
            matches.push_back(name);
        }
    }
    if (matches.empty()) {
        return {};
    }
    return folder / *std::min_element(matches.begin(), matches.end());
}

fs::path findBuiltinItem(int number) {
    return findBuiltinFile("C3DItem_Buildin", std::to_string(number), "zn3");
}

fs::path findBuiltinPicture(int number) {
    return findBuiltinFile("Texture_Buildin", std::to_string(number), "png");
}

fs::path findBuiltinSound(std::string_view name) {
    return findBuiltinFile("Sounds_Buildin", name, "wav");
}

} // namespace items
