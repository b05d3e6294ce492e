#include "render/opengl/OffscreenContext.h"

#include <GL/gl.h>
#include <GL/osmesa.h>

namespace render::opengl {

OffscreenContext::OffscreenContext(int width, int height)
    : width_(width > 0 ? width : 1), height_(height > 0 ? height : 1) {
    context_ = OSMesaCreateContextExt(OSMESA_RGBA, 24, 8, 0, nullptr);
    if (context_ == nullptr) {
        return;
    }
    buffer_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_) * 4, 0);
    bound_ = makeCurrent();
}

OffscreenContext::~OffscreenContext() {
    if (context_ != nullptr) {
        OSMesaDestroyContext(static_cast<OSMesaContext>(context_));
    }
}

bool OffscreenContext::makeCurrent() {
    if (context_ == nullptr) {
        return false;
    }
    return OSMesaMakeCurrent(static_cast<OSMesaContext>(context_), buffer_.data(), GL_UNSIGNED_BYTE,
                             width_, height_) == GL_TRUE;
}

std::vector<std::uint8_t> OffscreenContext::readPixels() const {
    std::vector<std::uint8_t> pixels(static_cast<size_t>(width_) * static_cast<size_t>(height_) *
                                     4);
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

int OffscreenContext::depthBits() const {
    GLint bits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &bits);
    return bits;
}

int OffscreenContext::stencilBits() const {
    GLint bits = 0;
    glGetIntegerv(GL_STENCIL_BITS, &bits);
    return bits;
}

} // namespace render::opengl
