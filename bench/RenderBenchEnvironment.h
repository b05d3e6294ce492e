#pragma once
#include <cstdlib>
#include <filesystem>

// The built-in textures of the build's data pack, and a settings folder of the benchmarks' own,
// emptied before each benchmark: a document writes its preferences back when it goes, so one
// benchmark's switches (shadows off, say) would otherwise reach the next one's board. The user's
// settings are never read or touched. ZARNOLT_BUILD_DIR comes from the benchmark's build
// definitions.
inline void prepareRenderBenchEnvironment() {
    setenv("ZARNOLT_DATA", ZARNOLT_BUILD_DIR "/bin/データ", 0);
    const std::filesystem::path config = std::filesystem::temp_directory_path() / "zarnolt-bench";
    std::error_code ignored;
    std::filesystem::remove_all(config, ignored);
    std::filesystem::create_directories(config);
    setenv("ZARNOLT_CONFIG_DIR", config.c_str(), 1);
}
