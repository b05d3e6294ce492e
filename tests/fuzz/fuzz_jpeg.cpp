// Feeds arbitrary bytes to the JPEG reader; a decoded picture is encoded again.
#include "image/JpegCodec.h"
#include "image/PictureFiles.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const image::Picture picture = image::decodeJpegPicture(std::span(data, size));
    if (!picture.empty()) {
        (void)image::encodePicture(picture, "jpeg");
    }

    return 0;
}
