#pragma once
#include "tools/datagen/Canvas.h"

#include <filesystem>
#include <string_view>
#include <vector>

namespace datagen {

// How a picture repeats when it is laid side by side with itself.
enum class Tiling {
    None,       // shown once (signs, puffs, pictures)
    Horizontal, // repeats along u only (strips swept along a line)
    Both,       // repeats in u and v
};

// One numbered picture of "Texture_Buildin": built-in texture n is number 1000 + n; the
// catalogue's default piece picture, the grey dome image and the default vehicle pictures
// have numbers of their own.
struct BuiltinPicture {
    int number = 0;
    std::string_view role;
    Tiling tiling = Tiling::None;
    Canvas (*make)() = nullptr;
};

inline constexpr int kFirstBuiltinTexture = 1000;
inline constexpr int kBuiltinTextureCount = 58;
inline constexpr int kDefaultPiecePicture = 11998;
inline constexpr int kSkyDomeHeightPicture = 11999;
inline constexpr int kFirstDefaultVehiclePicture = 13000;
inline constexpr int kDefaultVehiclePictureCount = 4;

// Every numbered picture the program loads, in number order.
const std::vector<BuiltinPicture>& builtinPictures();

// Writes every picture as "Texture_Buildin/<number>.png". False on a write failure.
bool writeTextures(const std::filesystem::path& dataFolder);

} // namespace datagen
