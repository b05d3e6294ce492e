#include "image/PictureFiles.h"

#include "image/BmpCodec.h"
#include "image/FileBytes.h"
#include "image/JpegCodec.h"
#include "image/PictureHelpers.h"
#include "image/PngCodec.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace image {

PictureFormat detectPictureFormat(std::span<const std::uint8_t> bytes) {
    if (isPngSignature(bytes)) {
        return PictureFormat::Png;
    }
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
        return PictureFormat::Bmp;
    }
    if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) {
        return PictureFormat::Jpeg;
    }
    return PictureFormat::Unknown;
}

PictureFormat formatForExtension(std::string_view extension) {
    if (!extension.empty() && extension.front() == '.') {
        extension.remove_prefix(1);
    }
    std::string lower(extension);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "bmp" || lower == "dib") {
        return PictureFormat::Bmp;
    }
    if (lower == "png") {
        return PictureFormat::Png;
    }
    if (lower == "jpg" || lower == "jpeg" || lower == "jpe" || lower == "jfif") {
        return PictureFormat::Jpeg;
    }
    return PictureFormat::Unknown;
}

Picture decodePictureBytes(std::span<const std::uint8_t> bytes, bool trim) {
    Picture picture;
    switch (detectPictureFormat(bytes)) {
    case PictureFormat::Png:
        picture = decodePngPicture(bytes);
        break;
    case PictureFormat::Bmp:
        picture = decodeBmpPicture(bytes);
        break;
    case PictureFormat::Jpeg:
        picture = decodeJpegPicture(bytes);
        break;
    case PictureFormat::Unknown:
        break;
    }
    if (trim && !picture.empty()) {
        return cropToContent(picture);
    }
    return picture;
}

Picture loadPicture(const std::filesystem::path& path, bool trim) {
    const auto bytes = readFileBytes(path);
    if (!bytes) {
        return {};
    }
    return decodePictureBytes(*bytes, trim);
}

std::vector<std::uint8_t> encodePicture(const Picture& picture, std::string_view extension) {
    switch (formatForExtension(extension)) {
    case PictureFormat::Png:
        return encodePngPicture(picture);
    case PictureFormat::Bmp:
        return encodeBmpPicture(picture);
    case PictureFormat::Jpeg:
        return encodeJpegPicture(picture);
    case PictureFormat::Unknown:
        break;
    }
    return {};
}

bool savePicture(const Picture& picture, const std::filesystem::path& path) {
    const auto bytes = encodePicture(picture, path.extension().string());
    return !bytes.empty() && writeFileBytes(path, bytes);
}

} // namespace image
