#include "tools/datagen/Textures.h"

#include "image/PngCodec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <set>

namespace {

using datagen::BuiltinPicture;
using datagen::Canvas;
using datagen::Tiling;

// Mean absolute difference (over all channels) between column a and column b of a picture.
double columnDifference(const image::RawPixels& p, int a, int b) {
    double sum = 0;
    for (int y = 0; y < p.height; ++y) {
        for (int c = 0; c < p.bytesPerPixel; ++c) {
            const auto row = static_cast<std::size_t>(y) * p.width * p.bytesPerPixel;
            sum += std::abs(p.pixels[row + a * p.bytesPerPixel + c] -
                            p.pixels[row + b * p.bytesPerPixel + c]);
        }
    }
    return sum / (p.height * p.bytesPerPixel);
}

image::RawPixels transposed(const image::RawPixels& p) {
    image::RawPixels t{p.height, p.width, p.bytesPerPixel,
                       std::vector<std::uint8_t>(p.pixels.size())};
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            for (int c = 0; c < p.bytesPerPixel; ++c) {
                t.pixels[(static_cast<std::size_t>(x) * t.width + y) * p.bytesPerPixel + c] =
                    p.pixels[(static_cast<std::size_t>(y) * p.width + x) * p.bytesPerPixel + c];
            }
        }
    }
    return t;
}

// A picture laid beside itself shows no seam when the step from its last column to its first
// is no larger than the largest step between neighbouring columns inside it.
bool joinsAcrossColumns(const image::RawPixels& p) {
    double inside = 0;
    for (int x = 0; x + 1 < p.width; ++x) {
        inside = std::max(inside, columnDifference(p, x, x + 1));
    }
    return columnDifference(p, p.width - 1, 0) <= inside + 0.5;
}

image::RawPixels decode(const Canvas& canvas) {
    auto raw = image::decodePngBytes(canvas.png());
    EXPECT_TRUE(raw.has_value());
    return raw.value_or(image::RawPixels{});
}

// The decoded PNG of a listed picture, made once per test run.
const image::RawPixels& pixelsOf(const BuiltinPicture& picture) {
    static std::map<int, image::RawPixels> made;
    auto it = made.find(picture.number);
    if (it == made.end()) {
        it = made.emplace(picture.number, decode(picture.make())).first;
    }
    return it->second;
}

const BuiltinPicture& pictureNumbered(int number) {
    const auto& table = datagen::builtinPictures();
    auto it = std::find_if(table.begin(), table.end(),
                           [number](const BuiltinPicture& p) { return p.number == number; });
    EXPECT_NE(it, table.end()) << number;
    return it == table.end() ? table.front() : *it;
}

TEST(BuiltinTextures, EveryNumberTheProgramLoadsIsListedOnce) {
    std::set<int> numbers;
    for (const BuiltinPicture& picture : datagen::builtinPictures()) {
        EXPECT_TRUE(numbers.insert(picture.number).second) << picture.number;
    }
    std::set<int> wanted;
    for (int n = 0; n < datagen::kBuiltinTextureCount; ++n) {
        wanted.insert(1000 + n);
    }
    wanted.insert({11998, 11999, 13000, 13001, 13002, 13003});
    EXPECT_EQ(numbers, wanted);
}

TEST(BuiltinTextures, RendererTexturesAreRgbOrRgbaWithPowerOfTwoSides) {
    for (const BuiltinPicture& picture : datagen::builtinPictures()) {
        SCOPED_TRACE(picture.number);
        const auto& raw = pixelsOf(picture);
        EXPECT_TRUE(raw.bytesPerPixel == 3 || raw.bytesPerPixel == 4);
        if (picture.number < 1000 + datagen::kBuiltinTextureCount) {
            EXPECT_EQ(raw.width & (raw.width - 1), 0);
            EXPECT_EQ(raw.height & (raw.height - 1), 0);
        }
    }
}

TEST(BuiltinTextures, TilingTexturesTileWithoutSeams) {
    int checked = 0;
    for (const BuiltinPicture& picture : datagen::builtinPictures()) {
        if (picture.tiling == Tiling::None) {
            continue;
        }
        SCOPED_TRACE(std::string(picture.role));
        const auto& raw = pixelsOf(picture);
        EXPECT_TRUE(joinsAcrossColumns(raw));
        if (picture.tiling == Tiling::Both) {
            EXPECT_TRUE(joinsAcrossColumns(transposed(raw)));
        }
        ++checked;
    }
    EXPECT_GT(checked, 40);
}

TEST(BuiltinTextures, SeamCheckCatchesAPictureThatDoesNotTile) {
    Canvas ramp(64, 64);
    ramp.fill([](double u, double v) { return datagen::Rgba{u, v, 0.5, 1}; });
    const auto raw = decode(ramp);
    EXPECT_FALSE(joinsAcrossColumns(raw));
    EXPECT_FALSE(joinsAcrossColumns(transposed(raw)));
}

TEST(BuiltinTextures, WaterFramesLoopAsAnAnimation) {
    std::vector<image::RawPixels> frames;
    for (int n = 1014; n <= 1027; ++n) {
        frames.push_back(pixelsOf(pictureNumbered(n)));
    }
    auto difference = [](const image::RawPixels& a, const image::RawPixels& b) {
        double sum = 0;
        for (std::size_t i = 0; i < a.pixels.size(); ++i) {
            sum += std::abs(a.pixels[i] - b.pixels[i]);
        }
        return sum / static_cast<double>(a.pixels.size());
    };
    double largestStep = 0;
    for (std::size_t i = 0; i + 1 < frames.size(); ++i) {
        const double step = difference(frames[i], frames[i + 1]);
        EXPECT_GT(step, 0.5) << "frame " << i << " does not move";
        largestStep = std::max(largestStep, step);
    }
    // The last frame leads back to the first as smoothly as any frame to the next.
    EXPECT_LE(difference(frames.back(), frames.front()), largestStep * 1.05);
    // Frames apart by half the loop differ more than neighbours: the ripples really travel.
    EXPECT_GT(difference(frames[0], frames[7]), largestStep);
}

TEST(BuiltinTextures, VehiclePicturesAreTopViewsOnWhite) {
    for (int n = 13000; n <= 13003; ++n) {
        const image::Picture picture = pictureNumbered(n).make().picture();
        SCOPED_TRACE(n);
        EXPECT_EQ(picture.width(), 56);
        EXPECT_EQ(picture.height(), 56);
        // The corners are the transparent white; the middle shows the vehicle.
        EXPECT_EQ(picture.colourAt(0, 0), 0xFFFFFFu);
        EXPECT_EQ(picture.colourAt(55, 55), 0xFFFFFFu);
        EXPECT_NE(picture.colourAt(28, 28), 0xFFFFFFu);
    }
}

} // namespace
