// Feeds arbitrary bytes to the PNG reader; a decoded picture is encoded again.
#include "image/PictureFiles.h"
#include "image/PngCodec.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const image::Picture picture = image::decodePngPicture(std::span(data, size));
    if (!picture.empty()) {
        (void)image::encodePicture(picture, "png");
    }
    (void)image::decodePngBytes(std::span(data, size));
    return 0;
}
