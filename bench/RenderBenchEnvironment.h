#pragma once
#include <cstdlib>
#include <filesystem>

// The built-in textures of the build's data pack, and a settings folder of its own so that a
// rendering benchmark leaves the user's settings alone. ZARNOLT_BUILD_DIR comes from the
// benchmark's build definitions.
inline void prepareRenderBenchEnvironment() {
    setenv("ZARNOLT_DATA", ZARNOLT_BUILD_DIR "/bin/データ", 0);
    const std::filesystem::path config = std::filesystem::temp_directory_path() / "zarnolt-bench";
    std::filesystem::create_directories(config);
    setenv("ZARNOLT_CONFIG_DIR", config.c_str(), 0);
}
