#pragma once
#include <filesystem>
#include <optional>
#include <string_view>

namespace items {

// Finds a file in a built-in folder of the data folder ("C3DItem_Buildin", "Texture_Buildin",
// "Sounds_Buildin"): the name, followed by "." and the extension when one is given. An exact
// match is preferred; otherwise the first entry (in byte-wise order) that matches without
// regard to ASCII case. The result carries the name as the folder stores it; an empty path
// when the data folder, the built-in folder or the file is missing.
std::filesystem::path findBuiltinFile(std::string_view folderName, std::string_view fileName,
                                      std::optional<std::string_view> extension);

// The built-in item model "<number>.zn3".
std::filesystem::path findBuiltinItem(int number);
// The built-in picture "<number>.png".
std::filesystem::path findBuiltinPicture(int number);
// The built-in sound "<name>.wav".
std::filesystem::path findBuiltinSound(std::string_view name);

} // namespace items
