#include "image/PictureHelpers.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace image {
namespace {

constexpr double kPi = 3.141592;

// Copies pixel (sx, sy) of `from` to (dx, dy) of `to`; both have the same depth.
void copyPixel(const Picture& from, int sx, int sy, Picture& to, int dx, int dy) {
    if (from.bitsPerPixel() == 1) {
        to.setMaskBit(dx, dy, from.maskBit(sx, sy));
        return;
    }
    std::memcpy(to.pixel(dx, dy), from.pixel(sx, sy),
                static_cast<std::size_t>(from.bytesPerPixel()));
}

Picture whiteLike(const Picture& picture, int width, int height) {
    Picture result(width, height, picture.bitsPerPixel());
    std::fill(result.bytes().begin(), result.bytes().end(), std::uint8_t{0xFF});
    return result;
}

bool isWhite(const Picture& picture, int x, int y) {
    return picture.colourAt(x, y) == kWhite;
}

} // namespace

Picture createPicture(int width, int height, int bitsPerPixel) {
    if (bitsPerPixel != 24 && bitsPerPixel != 32) {
        return {};
    }
    Picture picture(width, height, bitsPerPixel);
    std::fill(picture.bytes().begin(), picture.bytes().end(), std::uint8_t{0xFF});
    return picture;
}

Picture convertPicture(const Picture& picture, int bitsPerPixel) {
    if (picture.empty()) {
        return {};
    }
    if (picture.bitsPerPixel() == bitsPerPixel) {
        return picture;
    }
    Picture result(picture.width(), picture.height(), bitsPerPixel);
    if (result.empty()) {
        return {};
    }
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            result.setColourAt(x, y, picture.colourAt(x, y));
            if (bitsPerPixel == 32) {
                result.pixel(x, y)[3] = 255;
            }
        }
    }
    return result;
}

Picture copyPicture(const Picture& picture) {
    return picture;
}

Picture rotatePicture(const Picture& picture, int angle) {
    if (picture.empty()) {
        return {};
    }
    angle %= 360;
    if (angle < 0) {
        angle += 360;
    }
    const int w = picture.width();
    const int h = picture.height();
    if (angle == 0) {
        return picture;
    }
    if (angle != 90 && angle != 180 && angle != 270) {
        return {};
    }
    const bool swapped = angle != 180;
    Picture result(swapped ? h : w, swapped ? w : h, picture.bitsPerPixel());
    for (int i = 0; i < h; ++i) {
        for (int j = 0; j < w; ++j) {
            switch (angle) {
            case 90:
                copyPixel(picture, j, i, result, h - 1 - i, j);
                break;
            case 180:
                copyPixel(picture, j, i, result, w - 1 - j, h - 1 - i);
                break;
            default: // 270
                copyPixel(picture, j, i, result, i, w - 1 - j);
                break;
            }
        }
    }
    return result;
}

Picture rotatePictureAnyAngle(const Picture& picture, double degrees) {
    if (picture.empty()) {
        return {};
    }
    degrees = std::clamp(degrees, 0.0, 360.0);
    const double theta = (360.0 - degrees) * kPi / 180.0;
    const double c = std::cos(theta);
    const double s = std::sin(theta);
    const int w = picture.width();
    const int h = picture.height();
    const int w2 = w / 2;
    const int h2 = h / 2;
    Picture result = whiteLike(picture, w, h);
    for (int y = -h2; y < h2; ++y) {
        for (int x = -w2; x < w2; ++x) {
            const double sx = std::trunc(w2 + x * c - y * s + 0.5);
            const double sy = std::trunc(h2 + x * s + y * c + 0.5);
            if (sx >= 0 && sy >= 0 && sx < w && sy < h) {
                copyPixel(picture, static_cast<int>(sx), static_cast<int>(sy), result, w2 + x,
                          h2 + y);
            }
        }
    }
    return result;
}

void rotatePictureAnyAngleInPlace(Picture& picture, double degrees) {
    if (!picture.empty()) {
        picture = rotatePictureAnyAngle(picture, degrees);
    }
}

Picture mirrorPictureLeftRight(const Picture& picture) {
    Picture result = picture;
    mirrorPictureLeftRightInPlace(result);
    return result;
}

Picture mirrorPictureTopBottom(const Picture& picture) {
    Picture result = picture;
    mirrorPictureTopBottomInPlace(result);
    return result;
}

void mirrorPictureLeftRightInPlace(Picture& picture) {
    if (picture.empty()) {
        return;
    }
    const Picture source = picture;
    const int w = picture.width();
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < w; ++x) {
            copyPixel(source, x, y, picture, w - 1 - x, y);
        }
    }
}

void mirrorPictureTopBottomInPlace(Picture& picture) {
    if (picture.empty()) {
        return;
    }
    for (int top = 0, bottom = picture.height() - 1; top < bottom; ++top, --bottom) {
        std::swap_ranges(picture.row(top), picture.row(top) + picture.stride(),
                         picture.row(bottom));
    }
}

Picture cropToContent(const Picture& picture) {
    if (picture.empty()) {
        return {};
    }
    int left = picture.width();
    int top = picture.height();
    int right = -1;
    int bottom = -1;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (!isWhite(picture, x, y)) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (right < 0 || right - left <= 0 || bottom - top <= 0) {
        return picture;
    }
    Picture result(right - left, bottom - top, picture.bitsPerPixel());
    for (int y = 0; y < result.height(); ++y) {
        for (int x = 0; x < result.width(); ++x) {
            copyPixel(picture, left + x, top + y, result, x, y);
        }
    }
    return result;
}

Picture maskPicture(const Picture& picture, std::uint32_t keyColour) {
    if (picture.empty()) {
        return {};
    }
    Picture mask(picture.width(), picture.height(), 1);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            mask.setMaskBit(x, y, picture.colourAt(x, y) != (keyColour & 0xFFFFFFu));
        }
    }
    return mask;
}

Picture recolourPicture(const Picture& picture, std::uint32_t colour, std::uint32_t keyColour) {
    Picture result = picture;
    for (int y = 0; y < result.height(); ++y) {
        for (int x = 0; x < result.width(); ++x) {
            if (result.colourAt(x, y) != (keyColour & 0xFFFFFFu)) {
                result.setColourAt(x, y, colour);
            }
        }
    }
    return result;
}

Picture blendPictures(const Picture& base, const Picture& overlay, double opacity) {
    if (base.empty() || overlay.empty()) {
        return {};
    }
    const double scaled = std::trunc(std::clamp(opacity, 0.0, 1.0) * 255.0);
    const int alpha = std::clamp(static_cast<int>(scaled), 0, 255);
    Picture result = base.bitsPerPixel() == 1 ? convertPicture(base, 24) : base;
    const int w = std::min(result.width(), overlay.width());
    const int h = std::min(result.height(), overlay.height());
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::uint32_t over = overlay.colourAt(x, y);
            std::uint8_t* target = result.pixel(x, y);
            for (int channel = 0; channel < 3; ++channel) {
                const int source = static_cast<int>((over >> (8 * channel)) & 0xFF);
                target[channel] = static_cast<std::uint8_t>(
                    (source * alpha + target[channel] * (255 - alpha)) / 255);
            }
        }
    }
    return result;
}

std::vector<PictureRect> regionFromPicture(const Picture& picture, std::int64_t keyColour) {
    std::vector<PictureRect> runs;
    if (picture.empty()) {
        return runs;
    }
    const std::uint32_t key = keyColour == -1 ? picture.colourAt(0, 0)
                                              : static_cast<std::uint32_t>(keyColour) & 0xFFFFFFu;
    for (int y = 0; y < picture.height(); ++y) {
        int x = 0;
        while (x < picture.width()) {
            while (x < picture.width() && picture.colourAt(x, y) == key) {
                ++x;
            }
            const int start = x;
            while (x < picture.width() && picture.colourAt(x, y) != key) {
                ++x;
            }
            if (x > start) {
                runs.push_back({start, y, x, y + 1});
            }
        }
    }
    return runs;
}

HeightGrid resampleToGrid(const Picture& picture, int columns, int rows) {
    HeightGrid grid;
    if (picture.empty() || columns <= 0 || rows <= 0) {
        return grid;
    }
    const int w = picture.width();
    const int h = picture.height();
    grid.columns = std::min(columns, w);
    grid.rows = std::min(rows, h);
    grid.samples.assign(static_cast<std::size_t>(grid.columns) * grid.rows, 0.0);
    for (int i = 1; i + 1 < grid.rows; ++i) {
        for (int j = 1; j + 1 < grid.columns; ++j) {
            const int x =
                std::min(static_cast<int>(static_cast<double>(w) / grid.columns * j), w - 1);
            const int y = std::min(static_cast<int>(static_cast<double>(h) / grid.rows * i), h - 1);
            const std::uint32_t colour = picture.colourAt(x, y);
            const double mean =
                ((colour & 0xFF) + ((colour >> 8) & 0xFF) + ((colour >> 16) & 0xFF)) / 3.0;
            grid.samples[static_cast<std::size_t>(i) * grid.columns + j] = mean / 255.0;
        }
    }
    return grid;
}

} // namespace image
