#include "image/PngCodec.h"

#include "image/FileBytes.h"
#include "image/PictureHelpers.h"

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <png.h>

// libpng reports errors by longjmp. Every function below that calls libpng keeps the setjmp
// region free of C++ objects with destructors: state lives in plain structs passed by pointer,
// and buffers that grow inside libpng callbacks are malloc'd and freed by the caller.
namespace image {
namespace {

// Deflate expands at most 1032-fold; an image needing more bytes than that cannot be intact.
constexpr std::uint64_t kMaxInflateRatio = 1032;

using AllocateFn = std::uint8_t* (*)(void* context, std::size_t size);

struct PngReadState {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t position;
    bool forPicture;
    AllocateFn allocate;
    void* context;
    // results
    std::uint32_t width;
    std::uint32_t height;
    int channels;
    std::size_t rowBytes;
};

struct PngWriteState {
    const std::uint8_t* pixels;
    std::uint32_t width;
    std::uint32_t height;
    int colourType;
    std::size_t rowBytes;
    bool bgr;
    // output, malloc'd
    std::uint8_t* out;
    std::size_t outSize;
    std::size_t outCapacity;
};

void pngSilentError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void pngSilentWarning(png_structp, png_const_charp) {}

void pngReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
    auto* state = static_cast<PngReadState*>(png_get_io_ptr(png));
    if (length > state->size - state->position) {
        png_error(png, "truncated");
    }
    std::memcpy(out, state->data + state->position, length);
    state->position += length;
}

void pngWriteToMemory(png_structp png, png_bytep data, png_size_t length) {
    auto* state = static_cast<PngWriteState*>(png_get_io_ptr(png));
    if (length > state->outCapacity - state->outSize) {
        std::size_t capacity = state->outCapacity == 0 ? 4096 : state->outCapacity;
        while (capacity - state->outSize < length) {
            capacity *= 2;
        }
        auto* grown = static_cast<std::uint8_t*>(std::realloc(state->out, capacity));
        if (grown == nullptr) {
            png_error(png, "out of memory");
        }
        state->out = grown;
        state->outCapacity = capacity;
    }
    std::memcpy(state->out + state->outSize, data, length);
    state->outSize += length;
}

void pngFlush(png_structp) {}

// Decodes into a buffer obtained from state->allocate. No C++ object lives in this frame.
bool decodePngCore(PngReadState* state) {
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, state, pngSilentError, pngSilentWarning);
    if (png == nullptr) {
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, state, pngReadFromMemory);
    png_set_user_limits(png, kMaxPictureDimension, kMaxPictureDimension);
    png_read_info(png, info);

    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const int bitDepth = png_get_bit_depth(png, info);
    const int colourType = png_get_color_type(png, info);
    const std::uint64_t packedRow =
        (static_cast<std::uint64_t>(width) * png_get_channels(png, info) * bitDepth + 7) / 8;
    if (!pictureSizeAllowed(width, height) ||
        packedRow * height > static_cast<std::uint64_t>(state->size) * kMaxInflateRatio) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }

    if (state->forPicture) {
        if (colourType == PNG_COLOR_TYPE_PALETTE) {
            png_set_palette_to_rgb(png);
        }
        if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) {
            png_set_expand_gray_1_2_4_to_8(png);
        }
        if (png_get_valid(png, info, PNG_INFO_tRNS)) {
            png_set_tRNS_to_alpha(png);
        }
        if (bitDepth == 16) {
            png_set_strip_16(png);
        }
        if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) {
            png_set_gray_to_rgb(png);
        }
        png_set_bgr(png);
    } else if (bitDepth < 8) {
        png_set_packing(png);
    }
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);

    state->width = width;
    state->height = height;
    state->channels = png_get_channels(png, info);
    state->rowBytes = png_get_rowbytes(png, info);
    std::uint8_t* pixels = state->allocate(state->context, state->rowBytes * height);
    if (pixels == nullptr) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 y = 0; y < height; ++y) {
            png_read_row(png, pixels + y * state->rowBytes, nullptr);
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

// Encodes state->pixels into state->out (malloc'd; the caller frees it on every outcome).
bool encodePngCore(PngWriteState* state) {
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, state, pngSilentError, pngSilentWarning);
    if (png == nullptr) {
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, state, pngWriteToMemory, pngFlush);
    png_set_IHDR(png, info, state->width, state->height, 8, state->colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    if (state->bgr) {
        png_set_bgr(png);
    }
    for (png_uint_32 y = 0; y < state->height; ++y) {
        png_write_row(png, state->pixels + y * state->rowBytes);
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

std::uint8_t* allocateInVector(void* context, std::size_t size) {
    try {
        auto* vector = static_cast<std::vector<std::uint8_t>*>(context);
        vector->resize(size);
        return vector->data();
    } catch (...) {
        return nullptr;
    }
}

std::vector<std::uint8_t> encode(const std::uint8_t* pixels, int width, int height, int colourType,
                                 std::size_t rowBytes, bool bgr) {
    PngWriteState state{};
    state.pixels = pixels;
    state.width = static_cast<std::uint32_t>(width);
    state.height = static_cast<std::uint32_t>(height);
    state.colourType = colourType;
    state.rowBytes = rowBytes;
    state.bgr = bgr;
    std::vector<std::uint8_t> result;
    if (encodePngCore(&state)) {
        result.assign(state.out, state.out + state.outSize);
    }
    std::free(state.out);
    return result;
}

} // namespace

bool isPngSignature(std::span<const std::uint8_t> bytes) {
    static constexpr std::uint8_t kSignature[4] = {0x89, 'P', 'N', 'G'};
    return bytes.size() > 4 && std::memcmp(bytes.data(), kSignature, 4) == 0;
}

std::optional<RawPixels> decodePngBytes(std::span<const std::uint8_t> bytes) {
    std::vector<std::uint8_t> pixels;
    PngReadState state{};
    state.data = bytes.data();
    state.size = bytes.size();
    state.forPicture = false;
    state.allocate = allocateInVector;
    state.context = &pixels;
    if (bytes.empty() || !decodePngCore(&state)) {
        return std::nullopt;
    }
    RawPixels raw;
    raw.width = static_cast<int>(state.width);
    raw.height = static_cast<int>(state.height);
    raw.bytesPerPixel = static_cast<int>(state.rowBytes / state.width);
    raw.pixels = std::move(pixels);
    return raw;
}

std::optional<RawPixels> readPngFile(const std::filesystem::path& path) {
    const auto bytes = readFileBytes(path);
    if (!bytes) {
        return std::nullopt;
    }
    return decodePngBytes(*bytes);
}

std::vector<std::uint8_t> encodePngBytes(std::span<const std::uint8_t> pixels, int width,
                                         int height, int bytesPerPixel) {
    if ((bytesPerPixel != 3 && bytesPerPixel != 4) || !pictureSizeAllowed(width, height) ||
        pixels.size() != static_cast<std::size_t>(width) * height * bytesPerPixel) {
        return {};
    }
    return encode(pixels.data(), width, height,
                  bytesPerPixel == 4 ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB,
                  static_cast<std::size_t>(width) * bytesPerPixel, false);
}

bool writePngFile(const std::filesystem::path& path, std::span<const std::uint8_t> pixels,
                  int width, int height, int bytesPerPixel) {
    const auto bytes = encodePngBytes(pixels, width, height, bytesPerPixel);
    return !bytes.empty() && writeFileBytes(path, bytes);
}

Picture decodePngPicture(std::span<const std::uint8_t> bytes) {
    std::vector<std::uint8_t> pixels;
    PngReadState state{};
    state.data = bytes.data();
    state.size = bytes.size();
    state.forPicture = true;
    state.allocate = allocateInVector;
    state.context = &pixels;
    if (bytes.empty() || !decodePngCore(&state) || (state.channels != 3 && state.channels != 4)) {
        return {};
    }
    Picture picture(static_cast<int>(state.width), static_cast<int>(state.height),
                    state.channels * 8);
    if (picture.empty() || picture.bytes().size() != pixels.size()) {
        return {};
    }
    std::memcpy(picture.bytes().data(), pixels.data(), pixels.size());
    return picture;
}

std::vector<std::uint8_t> encodePngPicture(const Picture& picture) {
    if (picture.empty()) {
        return {};
    }
    if (picture.bitsPerPixel() == 1) {
        return encodePngPicture(convertPicture(picture, 24));
    }
    return encode(picture.bytes().data(), picture.width(), picture.height(),
                  picture.hasAlpha() ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, picture.stride(),
                  true);
}

} // namespace image
