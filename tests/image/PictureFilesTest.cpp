#include "image/PictureFiles.h"
#include "image/BmpCodec.h"
#include "image/FileBytes.h"
#include "image/JpegCodec.h"
#include "image/PictureHelpers.h"
#include "image/PngCodec.h"

#include "PictureTestSupport.h"
#include "tests/support/TempFolder.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <zlib.h>

using namespace image;
using imagetest::asymmetricPicture;
using imagetest::positionColour;

namespace {

void putBe32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

void putLe(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

// A PNG signature and an IHDR chunk with a valid CRC, nothing else.
std::vector<std::uint8_t> pngHeaderOnly(std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    putBe32(out, 13);
    const std::size_t typeAt = out.size();
    out.insert(out.end(), {'I', 'H', 'D', 'R'});
    putBe32(out, width);
    putBe32(out, height);
    out.insert(out.end(), {8, 2, 0, 0, 0});
    putBe32(out, static_cast<std::uint32_t>(crc32(0, out.data() + typeAt, 17)));
    return out;
}

// A bottom-up BMP with a 40-byte header, the given palette and pixel rows (already padded).
std::vector<std::uint8_t> bmpFile(std::int32_t width, std::int32_t height, int bits,
                                  const std::vector<std::uint32_t>& palette,
                                  const std::vector<std::uint8_t>& rows) {
    std::vector<std::uint8_t> out = {'B', 'M'};
    const std::uint32_t offset = 14 + 40 + 4 * static_cast<std::uint32_t>(palette.size());
    putLe(out, offset + static_cast<std::uint32_t>(rows.size()), 4);
    putLe(out, 0, 4);
    putLe(out, offset, 4);
    putLe(out, 40, 4);
    putLe(out, static_cast<std::uint32_t>(width), 4);
    putLe(out, static_cast<std::uint32_t>(height), 4);
    putLe(out, 1, 2);
    putLe(out, static_cast<std::uint32_t>(bits), 2);
    putLe(out, 0, 4);
    putLe(out, static_cast<std::uint32_t>(rows.size()), 4);
    putLe(out, 0, 4);
    putLe(out, 0, 4);
    putLe(out, static_cast<std::uint32_t>(palette.size()), 4);
    putLe(out, 0, 4);
    for (std::uint32_t colour : palette) {
        putLe(out, colour, 4);
    }
    out.insert(out.end(), rows.begin(), rows.end());
    return out;
}

// A smooth picture that JPEG keeps within a few levels.
Picture smoothPicture(int width, int height) {
    Picture picture(width, height, 24);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            picture.setColourAt(x, y,
                                static_cast<std::uint32_t>((x * 4) | ((y * 4) << 8) | (128 << 16)));
        }
    }
    return picture;
}

int largestDifference(const Picture& a, const Picture& b) {
    int largest = 0;
    for (std::size_t i = 0; i < a.bytes().size(); ++i) {
        largest = std::max(largest, std::abs(int(a.bytes()[i]) - int(b.bytes()[i])));
    }
    return largest;
}

} // namespace

TEST(PictureFiles, LosslessFormatsRoundTripEveryDepth) {
    struct Case {
        const char* extension;
        int bits;
    };
    for (const Case c : {Case{"png", 24}, Case{"png", 32}, Case{"bmp", 24}, Case{"bmp", 32}}) {
        SCOPED_TRACE(std::string(c.extension) + " " + std::to_string(c.bits));
        for (auto [w, h] : {std::pair{3, 2}, std::pair{5, 7}, std::pair{1, 1}}) {
            const Picture source = asymmetricPicture(w, h, c.bits);
            const std::vector<std::uint8_t> bytes = encodePicture(source, c.extension);
            ASSERT_FALSE(bytes.empty());
            EXPECT_EQ(decodePictureBytes(bytes), source);
        }
    }
}

TEST(PictureFiles, MaskRoundTripsThroughBmpAndWidensForPng) {
    Picture mask(11, 3, 1);
    mask.setMaskBit(0, 0, true);
    mask.setMaskBit(10, 2, true);
    mask.setMaskBit(8, 1, true);
    const auto bmp = encodeBmpPicture(mask);
    EXPECT_EQ(bmp[28], 1); // bits per pixel
    EXPECT_EQ(decodeBmpPicture(bmp), mask);

    const Picture widened = decodePictureBytes(encodePicture(mask, "png"));
    ASSERT_EQ(widened.bitsPerPixel(), 24);
    EXPECT_EQ(widened.colourAt(10, 2), kWhite);
    EXPECT_EQ(widened.colourAt(9, 2), 0u);
}

TEST(PictureFiles, JpegRoundTripIsCloseAndDropsAlpha) {
    const Picture source = smoothPicture(32, 24);
    const Picture decoded = decodePictureBytes(encodePicture(source, "jpg"));
    ASSERT_EQ(decoded.width(), 32);
    ASSERT_EQ(decoded.height(), 24);
    ASSERT_EQ(decoded.bitsPerPixel(), 24);
    EXPECT_LE(largestDifference(decoded, source), 12);

    const Picture fromAlpha = decodePictureBytes(encodePicture(convertPicture(source, 32), "jpeg"));
    ASSERT_EQ(fromAlpha.bitsPerPixel(), 24);
    EXPECT_LE(largestDifference(fromAlpha, source), 12);
}

TEST(PictureFiles, RawPngKeepsFileChannelOrderAndChecksSizes) {
    std::vector<std::uint8_t> rgba(4 * 4 * 4);
    for (std::size_t i = 0; i < rgba.size(); ++i) {
        rgba[i] = static_cast<std::uint8_t>(i * 7);
    }
    const auto png4 = encodePngBytes(rgba, 4, 4, 4);
    ASSERT_GT(png4.size(), 26u);
    EXPECT_EQ(png4[25], 6); // colour type RGBA
    const auto raw4 = decodePngBytes(png4);
    ASSERT_TRUE(raw4);
    EXPECT_EQ(raw4->bytesPerPixel, 4);
    EXPECT_EQ(raw4->pixels, rgba);

    const std::vector<std::uint8_t> rgb(rgba.begin(), rgba.begin() + 4 * 4 * 3);
    const auto png3 = encodePngBytes(rgb, 4, 4, 3);
    EXPECT_EQ(png3[25], 2); // colour type RGB
    const auto raw3 = decodePngBytes(png3);
    ASSERT_TRUE(raw3);
    EXPECT_EQ(raw3->width, 4);
    EXPECT_EQ(raw3->pixels, rgb);

    // A picture's PNG stores red first even though the picture holds blue first.
    const auto fromPicture = decodePngBytes(encodePngPicture(asymmetricPicture(3, 2)));
    ASSERT_TRUE(fromPicture);
    EXPECT_EQ(fromPicture->pixels[0], (positionColour(0, 0) >> 16) & 0xFF);

    EXPECT_TRUE(encodePngBytes(rgb, 4, 4, 4).empty()); // size does not match
    EXPECT_TRUE(encodePngBytes(rgb, 4, 4, 2).empty());
    EXPECT_TRUE(isPngSignature(png3));
    EXPECT_FALSE(isPngSignature(std::span(png3).first(4)));
}

TEST(PictureFiles, RawPngFilesRoundTrip) {
    testsupport::TempFolder folder;
    const std::vector<std::uint8_t> rgb = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    ASSERT_TRUE(writePngFile(folder / "raw.png", rgb, 2, 2, 3));
    const auto raw = readPngFile(folder / "raw.png");
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->pixels, rgb);
    EXPECT_FALSE(readPngFile(folder / "missing.png"));
}

TEST(PictureFiles, BmpReaderHandlesPalettesAndTopDownRows) {
    // 2 × 2, 8-bit palette, bottom-up: the last row in the file is the top row.
    const auto eightBit =
        bmpFile(2, 2, 8, {0x0000FF, 0x00FF00, 0xFF0000}, {2, 1, 0, 0, /* top: */ 0, 1, 0, 0});
    const Picture picture = decodeBmpPicture(eightBit);
    ASSERT_EQ(picture.bitsPerPixel(), 24);
    EXPECT_EQ(picture.colourAt(0, 0), 0x0000FFu);
    EXPECT_EQ(picture.colourAt(1, 0), 0x00FF00u);
    EXPECT_EQ(picture.colourAt(0, 1), 0xFF0000u);

    // Negative height: rows from the top. 1-bit with a coloured palette becomes colour.
    const auto topDown1 = bmpFile(3, -2, 1, {0x102030, 0x405060}, {0xA0, 0, 0, 0, 0x40, 0, 0, 0});
    const Picture coloured = decodeBmpPicture(topDown1);
    ASSERT_EQ(coloured.bitsPerPixel(), 24);
    EXPECT_EQ(coloured.colourAt(0, 0), 0x405060u);
    EXPECT_EQ(coloured.colourAt(1, 0), 0x102030u);
    EXPECT_EQ(coloured.colourAt(2, 0), 0x405060u);
    EXPECT_EQ(coloured.colourAt(1, 1), 0x405060u);

    // A 32-bit file whose alpha bytes are all 0 reads as opaque.
    const auto noAlpha = bmpFile(1, 1, 32, {}, {1, 2, 3, 0});
    const Picture opaque = decodeBmpPicture(noAlpha);
    ASSERT_EQ(opaque.bitsPerPixel(), 32);
    EXPECT_EQ(opaque.pixel(0, 0)[3], 255);
}

TEST(PictureFiles, DamagedOrAbsurdInputIsRefused) {
    const auto png = encodePicture(asymmetricPicture(9, 9), "png");
    const auto bmp = encodePicture(asymmetricPicture(9, 9), "bmp");
    const auto jpeg = encodePicture(smoothPicture(40, 40), "jpg");
    std::vector<std::uint8_t> corruptPng = png;
    corruptPng[40] ^= 0x55; // inside the image data: CRC no longer matches

    std::vector<std::uint8_t> hugeBmp = bmp;
    hugeBmp[18] = 0xA0; // width 100000
    hugeBmp[19] = 0x86;
    hugeBmp[20] = 0x01;
    hugeBmp[22] = 0xA0; // height 100000
    hugeBmp[23] = 0x86;
    hugeBmp[24] = 0x01;

    std::vector<std::uint8_t> wideBmp = bmp;
    wideBmp[18] = 200; // the pixel rows no longer fit in the file

    std::vector<std::uint8_t> hugeJpeg = jpeg;
    for (std::size_t i = 2; i + 8 < hugeJpeg.size(); ++i) {
        if (hugeJpeg[i] == 0xFF && hugeJpeg[i + 1] == 0xC0) { // start of frame
            hugeJpeg[i + 5] = hugeJpeg[i + 6] = hugeJpeg[i + 7] = hugeJpeg[i + 8] = 0xFF;
            break;
        }
    }

    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        {"empty", {}},
        {"not a picture", {'G', 'I', 'F', '8', '9', 'a'}},
        {"png truncated", {png.begin(), png.begin() + static_cast<long>(png.size() / 2)}},
        {"png corrupt", corruptPng},
        {"png 100000 x 100000", pngHeaderOnly(100000, 100000)},
        {"png 30000 x 30000 without data", pngHeaderOnly(30000, 30000)},
        {"bmp truncated", {bmp.begin(), bmp.begin() + static_cast<long>(bmp.size() - 10)}},
        {"bmp 100000 x 100000", hugeBmp},
        {"bmp rows beyond the file", wideBmp},
        {"bmp header only", {bmp.begin(), bmp.begin() + 30}},
        // Once read its bit-field masks beyond the end of the file.
        {"bmp 42-byte header with bit fields",
         {0x42, 0x4D, 0x46, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x3E, 0x00, 0x00,
          0x00, 0x2A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x36, 0x00, 0x00,
          0x21, 0x00, 0x00, 0x3F, 0x03, 0x00, 0x00, 0x00, 0x01, 0x00, 0x20, 0x00, 0x00,
          0x00, 0x00, 0x26, 0x20, 0x3C, 0x00, 0x00, 0x00, 0xC4, 0x0E, 0x00, 0x00, 0xC4,
          0x0E, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0xFF}},
        {"jpeg truncated", {jpeg.begin(), jpeg.begin() + static_cast<long>(jpeg.size() / 2)}},
        {"jpeg 65535 x 65535", hugeJpeg},
        {"jpeg markers only", {0xFF, 0xD8, 0xFF, 0xD9}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(decodePictureBytes(c.bytes).empty());
    }
    EXPECT_FALSE(decodePngBytes(pngHeaderOnly(100000, 100000)));
    EXPECT_FALSE(decodePngBytes(corruptPng));
}

TEST(PictureFiles, SaveChoosesTheEncoderByExtensionIgnoringCase) {
    testsupport::TempFolder folder;
    const Picture picture = smoothPicture(8, 8);
    ASSERT_TRUE(savePicture(picture, folder / "PHOTO.JPG"));
    const auto jpeg = readFileBytes(folder / "PHOTO.JPG");
    ASSERT_TRUE(jpeg);
    EXPECT_EQ(detectPictureFormat(*jpeg), PictureFormat::Jpeg);

    ASSERT_TRUE(savePicture(picture, folder / "plain.Bmp"));
    EXPECT_EQ(loadPicture(folder / "plain.Bmp"), picture);

    EXPECT_FALSE(savePicture(picture, folder / "picture.gif"));
    EXPECT_FALSE(savePicture(Picture(), folder / "empty.png"));
    EXPECT_FALSE(std::filesystem::exists(folder / "picture.gif"));
    EXPECT_FALSE(std::filesystem::exists(folder / "empty.png"));
    // Only the two saved files remain: no temporary files are left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()),
                            std::filesystem::directory_iterator()),
              2);
    EXPECT_TRUE(loadPicture(folder / "missing.png").empty());
}

TEST(PictureFiles, SavingGoesThroughTheAtomicWriter) {
    namespace fs = std::filesystem;
    testsupport::TempFolder folder;
    const Picture picture = smoothPicture(8, 8);
    fs::create_directory(folder / "real");
    std::ofstream(folder / "real" / "terrain.png") << "old";
    ::chmod((folder / "real" / "terrain.png").c_str(), 0640);
    fs::create_symlink("real/terrain.png", folder / "link.png");
    ASSERT_EQ(::mkfifo((folder / "pipe.png").c_str(), 0600), 0);

    // Through a link its target is replaced, with its permissions; a pipe is never replaced.
    ASSERT_TRUE(savePicture(picture, folder / "link.png"));
    EXPECT_TRUE(fs::is_symlink(folder / "link.png"));
    EXPECT_EQ(loadPicture(folder / "real" / "terrain.png"), picture);
    EXPECT_EQ(fs::status(folder / "real" / "terrain.png").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_FALSE(savePicture(picture, folder / "pipe.png"));
    EXPECT_TRUE(fs::is_fifo(folder / "pipe.png"));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 3);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder / "real"), fs::directory_iterator()), 1);
}

TEST(PictureFiles, LoadWithTrimCropsToContent) {
    testsupport::TempFolder folder;
    Picture picture = createPicture(100, 100, 24);
    picture.setColourAt(10, 20, 0);
    picture.setColourAt(30, 40, 0);
    ASSERT_TRUE(savePicture(picture, folder / "dots.png"));
    const Picture trimmed = loadPicture(folder / "dots.png", true);
    EXPECT_EQ(trimmed.width(), 20);
    EXPECT_EQ(trimmed.height(), 20);
    EXPECT_EQ(loadPicture(folder / "dots.png").width(), 100);
}

TEST(PictureFiles, ConversionsRunConcurrently) {
    const Picture source = asymmetricPicture(17, 13, 32);
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 25; ++i) {
                const char* extension = (i + t) % 2 == 0 ? "png" : "bmp";
                if (decodePictureBytes(encodePicture(source, extension)) != source) {
                    ++failures[t];
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}
