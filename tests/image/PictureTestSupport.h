#pragma once
#include "image/Picture.h"

#include <cstdint>

namespace imagetest {

// A colour unique to each position, so that any wrong orientation shows.
inline std::uint32_t positionColour(int x, int y) {
    return static_cast<std::uint32_t>((x * 40 + 1) | ((y * 40 + 2) << 8) | ((x + y * 7 + 3) << 16));
}

// A picture whose every pixel has its positionColour (alpha 100 + x + y for 32-bit pictures).
inline image::Picture asymmetricPicture(int width, int height, int bitsPerPixel = 24) {
    image::Picture picture(width, height, bitsPerPixel);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            picture.setColourAt(x, y, positionColour(x, y));
            if (bitsPerPixel == 32) {
                picture.pixel(x, y)[3] = static_cast<std::uint8_t>(100 + x + y);
            }
        }
    }
    return picture;
}

} // namespace imagetest
