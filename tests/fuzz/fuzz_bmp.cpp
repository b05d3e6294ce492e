// Feeds arbitrary bytes to the BMP reader; a decoded picture is encoded again.
#include "image/BmpCodec.h"
#include "image/PictureFiles.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const image::Picture picture = image::decodeBmpPicture(std::span(data, size));
    if (!picture.empty()) {
        (void)image::encodePicture(picture, "bmp");
    }

    return 0;
}
