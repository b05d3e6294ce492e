#pragma once
#include "image/Picture.h"

#include <cstdint>
#include <vector>

namespace image {

// Key colours are 24-bit values: the low byte is compared with the first stored byte of a pixel
// (blue), the next byte with the second (green) and the high byte with the third (red).
inline constexpr std::uint32_t kWhite = 0xFFFFFF;

// A new picture of the given size and depth (24 or 32) filled with white (alpha 255). Empty
// when the size or depth is refused.
Picture createPicture(int width, int height, int bitsPerPixel);

// The picture converted to 1, 24 or 32 bits per pixel (alpha 255 when added, dropped when
// removed; a colour pixel becomes a white mask bit unless it is black).
Picture convertPicture(const Picture& picture, int bitsPerPixel);

// A copy of the picture (empty for an empty picture).
Picture copyPicture(const Picture& picture);

// A turn by a multiple of 90 degrees (angle taken modulo 360, negative angles included): 90
// turns clockwise (the source pixel at row i, column j goes to row j, column height − 1 − i),
// 180 reverses both axes, 270 turns counter-clockwise. Empty for any other angle.
Picture rotatePicture(const Picture& picture, int angle);

// A turn by any angle (degrees, clamped to 0 … 360) about the picture's centre into a new
// white picture of the same size; what falls outside is lost, uncovered pixels stay white.
Picture rotatePictureAnyAngle(const Picture& picture, double degrees);
void rotatePictureAnyAngleInPlace(Picture& picture, double degrees);

Picture mirrorPictureLeftRight(const Picture& picture);
Picture mirrorPictureTopBottom(const Picture& picture);
void mirrorPictureLeftRightInPlace(Picture& picture);
void mirrorPictureTopBottomInPlace(Picture& picture);

// The part of the picture inside the bounding box of its pixels that are not pure white, with
// the box's right and bottom edges (the last such column and row) exclusive. A picture with no
// such pixel, or whose box has no width or height, is copied whole.
Picture cropToContent(const Picture& picture);

// A 1-bit mask of the picture's size: 0 (black) where the pixel equals the key colour, 1
// (white) elsewhere.
Picture maskPicture(const Picture& picture, std::uint32_t keyColour);

// A copy in which every pixel whose colour differs from the key colour is set to `colour`.
Picture recolourPicture(const Picture& picture, std::uint32_t colour, std::uint32_t keyColour);

// A copy of the base with the overlay (placed at the top-left corner) blended over it at the
// constant opacity trunc(opacity × 255), limited to 0 … 255. Empty when either is empty.
Picture blendPictures(const Picture& base, const Picture& overlay, double opacity);

struct PictureRect {
    int left = 0;
    int top = 0;
    int right = 0;  // exclusive
    int bottom = 0; // exclusive
    bool operator==(const PictureRect&) const = default;
};

// The horizontal runs of pixels whose colour differs from the key colour, row by row from the
// top, each one pixel high. A key colour of -1 takes the colour of the top-left pixel.
std::vector<PictureRect> regionFromPicture(const Picture& picture, std::int64_t keyColour);

// A grid of heights sampled from a picture.
struct HeightGrid {
    int columns = 0;
    int rows = 0;
    std::vector<double> samples; // rows × columns, row by row from the top
    double at(int column, int row) const {
        return samples[static_cast<std::size_t>(row) * columns + column];
    }
};

// Samples the picture into a grid of columns × rows (each clamped to the picture's size):
// sample (j, i) takes the pixel (int(w / c × j), int(h / r × i)) and is the mean of its three
// colour bytes divided by 255; every sample of the first and last row and column is 0. An
// empty grid for an empty picture or a non-positive size.
HeightGrid resampleToGrid(const Picture& picture, int columns, int rows);

} // namespace image
