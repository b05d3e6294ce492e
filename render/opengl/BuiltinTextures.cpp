#include "render/opengl/BuiltinTextures.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "image/FileBytes.h"
#include "image/PngCodec.h"
#include "items/BuiltinFiles.h"
#include "render/opengl/GLErrors.h"

namespace render::opengl {
namespace {

constexpr int kFirstPictureNumber = 1000;
// Built-in textures are small pictures; anything larger is not one of ours.
constexpr std::uintmax_t kMaxTextureFileBytes = std::uintmax_t{64} << 20;

// The picture's pixels as RGB or RGBA rows, first row first.
struct TexturePixels {
    int width = 0;
    int height = 0;
    int channels = 0;
    std::vector<std::uint8_t> bytes;
};

bool readTexture(int n, TexturePixels& out) {
    const auto path = items::findBuiltinPicture(n + kFirstPictureNumber);
    if (path.empty()) {
        return false;
    }
    const auto bytes = image::readFileBytes(path, kMaxTextureFileBytes);
    if (!bytes) {
        return false;
    }
    const image::Picture picture = image::decodePngPicture(*bytes);
    if (picture.empty() || picture.bytesPerPixel() < 3) {
        return false;
    }
    out.width = picture.width();
    out.height = picture.height();
    out.channels = picture.bytesPerPixel();
    out.bytes.resize(static_cast<std::size_t>(out.width) * out.height * out.channels);
    std::uint8_t* to = out.bytes.data();
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            const std::uint8_t* from = picture.pixel(x, y);
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
            if (out.channels == 4) {
                to[3] = from[3];
            }
            to += out.channels;
        }
    }
    return true;
}

} // namespace

void BuiltinTextures::loadAll() {
    for (int n = 0; n < kCount; ++n) {
        load(n);
    }
    sleeperPattern();
}

unsigned BuiltinTextures::sleeperPattern() {
    if (sleeperPattern_ != 0 || listBeingCompiled()) {
        return sleeperPattern_;
    }
    // 64 positions along the period by 64 shares; white, so the colour comes from the mesh.
    constexpr int kSize = 64;
    std::vector<std::uint8_t> texels(static_cast<std::size_t>(kSize) * kSize * 4, 255);
    for (int t = 0; t < kSize; ++t) {
        const double share = (t + 0.5) / kSize;
        for (int s = 0; s < kSize; ++s) {
            const double offMiddle = std::abs((s + 0.5) / kSize - 0.5);
            texels[(static_cast<std::size_t>(t) * kSize + s) * 4 + 3] =
                offMiddle < share / 2 ? 255 : 0;
        }
    }
    GLuint texture = 0;
    glGenTextures(1, &texture);
    if (checkGLError("BuiltinTextures::sleeperPattern glGenTextures") != 0 || texture == 0) {
        return 0;
    }
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    // Nearest texels: a pixel shows a sleeper exactly when its centre falls on one, as with
    // the bars' own geometry.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, kSize, kSize, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 texels.data());
    const bool uploaded = checkGLError("BuiltinTextures::sleeperPattern glTexImage2D") == 0;
    glBindTexture(GL_TEXTURE_2D, 0);
    if (!uploaded) {
        glDeleteTextures(1, &texture);
        return 0;
    }
    sleeperPattern_ = texture;
    return sleeperPattern_;
}

bool BuiltinTextures::load(int n) {
    if (n < 0 || n >= kCount) {
        return false;
    }
    if (names_[n] != 0) {
        return true;
    }
    if (listBeingCompiled()) {
        return false;
    }
    TexturePixels pixels;
    if (!readTexture(n, pixels)) {
        return false;
    }
    GLuint texture = 0;
    glGenTextures(1, &texture);
    if (checkGLError("BuiltinTextures::load glGenTextures") != 0) {
        texture = 0;
    }
    if (texture == 0) {
        return false;
    }
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const GLenum format = pixels.channels == 4 ? GL_RGBA : GL_RGB;
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), pixels.width, pixels.height, 0,
                 format, GL_UNSIGNED_BYTE, pixels.bytes.data());
    const bool uploaded = checkGLError("BuiltinTextures::load glTexImage2D") == 0;
    glBindTexture(GL_TEXTURE_2D, 0);
    if (!uploaded) {
        glDeleteTextures(1, &texture);
        return false;
    }
    names_[n] = texture;
    return true;
}

void BuiltinTextures::bind(int n) {
    if (n >= 0 && n < kCount) {
        load(n);
    }
    glBindTexture(GL_TEXTURE_2D, name(n));
}

unsigned BuiltinTextures::name(int n) const {
    return n >= 0 && n < kCount ? names_[n] : 0u;
}

void BuiltinTextures::release() {
    for (unsigned& texture : names_) {
        if (texture != 0) {
            const GLuint name = texture;
            glDeleteTextures(1, &name);
            texture = 0;
        }
    }
    if (sleeperPattern_ != 0) {
        const GLuint name = sleeperPattern_;
        glDeleteTextures(1, &name);
        sleeperPattern_ = 0;
    }
}

} // namespace render::opengl
