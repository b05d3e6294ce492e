#pragma once
#include "image/FileBytes.h"
#include "import/ModelImport.h"
#include "items/geometry/C3DObject.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace import::testing {

inline std::filesystem::path fixture(const std::string& name) {
    return std::filesystem::path(ZARNOLT_SOURCE_DIR) / "tests/import/data" / name;
}

inline std::vector<std::uint8_t> fixtureBytes(const std::string& name) {
    auto bytes = image::readFileBytes(fixture(name));
    EXPECT_TRUE(bytes.has_value()) << name;
    return bytes.value_or(std::vector<std::uint8_t>{});
}

inline std::span<const std::uint8_t> textBytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// The node reached by following child numbers from `root`; none when a number is missing.
inline const items::C3DObject* nodeAt(const items::C3DObject& root,
                                      std::initializer_list<std::size_t> path) {
    const items::C3DObject* node = &root;
    for (const std::size_t i : path) {
        if (i >= node->children().size()) {
            return nullptr;
        }
        node = node->children()[i].get();
    }
    return node;
}

// The number of nodes at each depth below (and including) the root, root first.
inline std::vector<std::size_t> levelSizes(const items::C3DObject& root) {
    std::vector<std::size_t> sizes;
    std::vector<const items::C3DObject*> level{&root};
    while (!level.empty()) {
        sizes.push_back(level.size());
        std::vector<const items::C3DObject*> next;
        for (const auto* node : level) {
            for (const auto& child : node->children()) {
                next.push_back(child.get());
            }
        }
        level = std::move(next);
    }
    return sizes;
}

} // namespace import::testing
