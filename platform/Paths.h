#pragma once
#include <filesystem>
#include <optional>

namespace platform {

// The folder holding the running executable (from /proc/self/exe).
std::filesystem::path programFolder();

// The data folder "データ": $ZARNOLT_DATA when set, else "データ" in the program folder, else
// "../share/zarnolt/データ" beside it. Nothing when none of them exists.
std::optional<std::filesystem::path> dataFolder();

// The folder of the per-user settings store: $ZARNOLT_CONFIG_DIR when set, else
// $XDG_CONFIG_HOME/zarnolt, else ~/.config/zarnolt. Not created here.
std::filesystem::path configFolder();

// The name of the data folder, as UTF-8.
inline constexpr const char* kDataFolderName = "データ";

} // namespace platform
