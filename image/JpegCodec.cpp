#include "image/JpegCodec.h"

#include "image/PictureHelpers.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
// jpeglib.h needs FILE and size_t declared first.
#include <jerror.h>
#include <jpeglib.h>

// libjpeg reports errors through error_exit, which here longjmps back to the function that
// set it up. Those functions keep only plain C structs in their frames; output buffers that
// grow inside libjpeg are malloc'd and freed by the caller.
namespace image {
namespace {

// The most memory libjpeg may use for its own working buffers.
constexpr long kMaxJpegWorkMemory = 512L << 20;

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void jpegErrorExit(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

// Warnings are silent, except that data ending before the image does is an error: the
// decoder would otherwise fill the missing rows with grey and report success.
void jpegEmitMessage(j_common_ptr info, int level) {
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) {
        jpegErrorExit(info);
    }
}

void jpegOutputMessage(j_common_ptr) {}

void installErrorHandler(JpegError* error) {
    jpeg_std_error(&error->manager);
    error->manager.error_exit = jpegErrorExit;
    error->manager.emit_message = jpegEmitMessage;
    error->manager.output_message = jpegOutputMessage;
}

using AllocateFn = std::uint8_t* (*)(void* context, std::uint32_t width, std::uint32_t height);

// Every 8 × 8 block of the first component costs at least one bit of Huffman-coded data, so
// an intact image has at most 512 pixels per byte of data (plus one block row of slack).
bool plausibleJpegSize(std::uint64_t width, std::uint64_t height, std::size_t dataSize) {
    return width * height <= static_cast<std::uint64_t>(dataSize) * 512 + 64 * width;
}

struct JpegReadState {
    const std::uint8_t* data;
    std::size_t size;
    AllocateFn allocate;
    void* context;
    std::uint32_t width;
    std::uint32_t height;
};

bool decodeJpegCore(JpegReadState* state) {
    jpeg_decompress_struct info;
    JpegError error;
    info.err = nullptr;
    installErrorHandler(&error);
    info.err = &error.manager;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    info.mem->max_memory_to_use = kMaxJpegWorkMemory;
    jpeg_mem_src(&info, state->data, static_cast<unsigned long>(state->size));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK ||
        !pictureSizeAllowed(info.image_width, info.image_height) ||
        info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK || info.arith_code ||
        !plausibleJpegSize(info.image_width, info.image_height, state->size)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&info);
    const std::size_t rowBytes = static_cast<std::size_t>(info.output_width) * 3;
    std::uint8_t* pixels = nullptr;
    if (info.output_components == 3) {
        pixels = state->allocate(state->context, info.output_width, info.output_height);
    }
    if (pixels == nullptr) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = pixels + info.output_scanline * rowBytes;
        jpeg_read_scanlines(&info, &row, 1);
    }
    state->width = info.output_width;
    state->height = info.output_height;
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

// A destination manager that grows a malloc'd buffer.
struct JpegDestination {
    jpeg_destination_mgr manager;
    std::uint8_t* data;
    std::size_t capacity;
    std::size_t used;
};

void jpegInitDestination(j_compress_ptr info) {
    auto* destination = reinterpret_cast<JpegDestination*>(info->dest);
    destination->capacity = 65536;
    destination->data = static_cast<std::uint8_t*>(std::malloc(destination->capacity));
    if (destination->data == nullptr) {
        ERREXIT1(info, JERR_OUT_OF_MEMORY, 0);
    }
    destination->manager.next_output_byte = destination->data;
    destination->manager.free_in_buffer = destination->capacity;
}

boolean jpegEmptyBuffer(j_compress_ptr info) {
    auto* destination = reinterpret_cast<JpegDestination*>(info->dest);
    const std::size_t old = destination->capacity;
    auto* grown = static_cast<std::uint8_t*>(std::realloc(destination->data, old * 2));
    if (grown == nullptr) {
        ERREXIT1(info, JERR_OUT_OF_MEMORY, 0);
    }
    destination->data = grown;
    destination->capacity = old * 2;
    destination->manager.next_output_byte = grown + old;
    destination->manager.free_in_buffer = old;
    return TRUE;
}

void jpegTermDestination(j_compress_ptr info) {
    auto* destination = reinterpret_cast<JpegDestination*>(info->dest);
    destination->used = destination->capacity - destination->manager.free_in_buffer;
}

struct JpegWriteState {
    const std::uint8_t* pixels;
    std::uint32_t width;
    std::uint32_t height;
    int bytesPerPixel;
    int quality;
    JpegDestination destination; // data malloc'd; the caller frees it on every outcome
};

bool encodeJpegCore(JpegWriteState* state) {
    jpeg_compress_struct info;
    JpegError error;
    installErrorHandler(&error);
    info.err = &error.manager;
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    state->destination.manager.init_destination = jpegInitDestination;
    state->destination.manager.empty_output_buffer = jpegEmptyBuffer;
    state->destination.manager.term_destination = jpegTermDestination;
    info.dest = &state->destination.manager;
    info.image_width = state->width;
    info.image_height = state->height;
    info.input_components = state->bytesPerPixel;
    info.in_color_space = state->bytesPerPixel == 4 ? JCS_EXT_BGRX : JCS_EXT_BGR;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, state->quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    const std::size_t rowBytes = static_cast<std::size_t>(state->width) * state->bytesPerPixel;
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<std::uint8_t*>(state->pixels + info.next_scanline * rowBytes);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

std::uint8_t* allocateInPicture(void* context, std::uint32_t width, std::uint32_t height) {
    try {
        auto* picture = static_cast<Picture*>(context);
        *picture = Picture(static_cast<int>(width), static_cast<int>(height), 24);
        return picture->empty() ? nullptr : picture->bytes().data();
    } catch (...) {
        return nullptr;
    }
}

} // namespace

Picture decodeJpegPicture(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8) {
        return {};
    }
    Picture picture;
    JpegReadState state{};
    state.data = bytes.data();
    state.size = bytes.size();
    state.allocate = allocateInPicture;
    state.context = &picture;
    if (!decodeJpegCore(&state)) {
        return {};
    }
    return picture;
}

std::vector<std::uint8_t> encodeJpegPicture(const Picture& picture, int quality) {
    if (picture.empty()) {
        return {};
    }
    if (picture.bitsPerPixel() == 1) {
        return encodeJpegPicture(convertPicture(picture, 24), quality);
    }
    JpegWriteState state{};
    state.pixels = picture.bytes().data();
    state.width = static_cast<std::uint32_t>(picture.width());
    state.height = static_cast<std::uint32_t>(picture.height());
    state.bytesPerPixel = picture.bytesPerPixel();
    state.quality = std::clamp(quality, 1, 100);
    std::vector<std::uint8_t> result;
    if (encodeJpegCore(&state)) {
        result.assign(state.destination.data, state.destination.data + state.destination.used);
    }
    std::free(state.destination.data);
    return result;
}

} // namespace image
