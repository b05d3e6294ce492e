#pragma once
#include <cstdint>
#include <memory>
#include <vector>

namespace render::opengl {

// An OpenGL context that draws into memory (OSMesa): RGBA colour with 8 bits a channel,
// a 24-bit depth buffer and an 8-bit stencil buffer. Used for rendering without a display.
class OffscreenContext {
public:
    // Creates the context and its buffer; check valid() before use.
    OffscreenContext(int width, int height);
    ~OffscreenContext();
    OffscreenContext(const OffscreenContext&) = delete;
    OffscreenContext& operator=(const OffscreenContext&) = delete;

    bool valid() const { return context_ != nullptr && bound_; }
    int width() const { return width_; }
    int height() const { return height_; }

    // Makes this context current on the calling thread.
    bool makeCurrent();

    // The buffer's pixels as RGBA bytes, rows from the bottom (as OpenGL reads them).
    std::vector<std::uint8_t> readPixels() const;

    int depthBits() const;
    int stencilBits() const;

private:
    int width_;
    int height_;
    void* context_ = nullptr;
    std::vector<std::uint8_t> buffer_;
    bool bound_ = false;
};

} // namespace render::opengl
