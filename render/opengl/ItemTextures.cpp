#include "render/opengl/ItemTextures.h"

#include "image/PictureFiles.h"
#include "items/geometry/C3DObject.h"
#include "items/geometry/CPixelTexture.h"

#include <GL/gl.h>
#include <algorithm>
#include <span>

namespace render::opengl {
namespace {

// The bytes a texture's image is made from, for telling equal images apart.
std::span<const std::uint8_t> imageBytes(const items::CPixelTexture& texture) {
    if (!texture.encodedImage().empty()) {
        return texture.encodedImage();
    }
    return texture.pixelBuffer();
}

std::uint64_t hashBytes(std::span<const std::uint8_t> bytes) {
    std::uint64_t hash = 1469598103934665603ull;
    for (std::uint8_t byte : bytes) {
        hash = (hash ^ byte) * 1099511628211ull;
    }
    return hash;
}

bool compilingList() {
    GLint list = 0;
    glGetIntegerv(GL_LIST_INDEX, &list);
    return list != 0;
}

void forEachNode(items::C3DObject& node, const auto& visit) {
    visit(node);
    for (const auto& child : node.children()) {
        forEachNode(*child, visit);
    }
}

} // namespace

std::optional<TexturePixels> decodeItemTexture(const items::CPixelTexture& texture) {
    TexturePixels out;
    if (!texture.encodedImage().empty()) {
        const image::Picture picture = image::decodePictureBytes(texture.encodedImage());
        if (picture.empty() || picture.bytesPerPixel() == 0) {
            return std::nullopt;
        }
        out.width = picture.width();
        out.height = picture.height();
        out.components = picture.bytesPerPixel();
        out.rows.resize(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height) *
                        static_cast<std::size_t>(out.components));
        std::uint8_t* dst = out.rows.data();
        for (int y = 0; y < out.height; ++y) {
            for (int x = 0; x < out.width; ++x) {
                // Pictures store blue, green, red (and alpha); GL takes red first.
                const std::uint8_t* src = picture.pixel(x, y);
                *dst++ = src[2];
                *dst++ = src[1];
                *dst++ = src[0];
                if (out.components == 4) {
                    *dst++ = src[3];
                }
            }
        }
        return out;
    }
    const int components = texture.components();
    if (components != 3 && components != 4) {
        return std::nullopt;
    }
    items::CPixelTexture white;
    const items::CPixelTexture* source = &texture;
    if (!texture.hasPixels()) {
        if (!texture.hasFirstString() && !texture.hasSecondString()) {
            return std::nullopt;
        }
        // A texture named only by its strings draws as its freshly allocated (white) buffer.
        white.setWidth(texture.width());
        white.setHeight(texture.height());
        white.setComponents(components);
        if (!white.allocatePixels()) {
            return std::nullopt;
        }
        source = &white;
    }
    const std::span<const std::uint8_t> pixels = source->pixels();
    const std::uint64_t expected = static_cast<std::uint64_t>(std::max(0, texture.width())) *
                                   static_cast<std::uint64_t>(std::max(0, texture.height())) *
                                   static_cast<std::uint64_t>(components);
    if (expected == 0 || pixels.size() != expected) {
        return std::nullopt;
    }
    out.width = texture.width();
    out.height = texture.height();
    out.components = components;
    out.rows.assign(pixels.begin(), pixels.end());
    return out;
}

ItemTextures::~ItemTextures() {
    releaseAll();
}

std::uint32_t ItemTextures::validHandle(const items::CPixelTexture& texture) const {
    const std::uint32_t name = texture.backEndTexture();
    const auto found = owners_.find(name);
    if (name == 0 || found == owners_.end() || !found->second.contains(&texture)) {
        return 0;
    }
    return name;
}

std::uint32_t ItemTextures::make(items::CPixelTexture& texture, items::C3DObject& node) {
    if (compilingList()) {
        return 0;
    }
    const std::optional<TexturePixels> pixels = decodeItemTexture(texture);
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (!pixels || pixels->width > maxSize || pixels->height > maxSize) {
        return 0;
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    if (name == 0) {
        return 0;
    }
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    const GLenum format = pixels->components == 4 ? GL_RGBA : GL_RGB;
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), pixels->width, pixels->height, 0,
                 format, GL_UNSIGNED_BYTE, pixels->rows.data());
    glPopClientAttrib();
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
    owners_[name].insert(&texture);
    texture.setBackEndTexture(name);
    node.setBackEndTexture(name);
    return name;
}

void ItemTextures::build(items::C3DObject& root) {
    // Equal images within the tree share one GL texture.
    struct Made {
        std::uint64_t hash;
        const items::CPixelTexture* texture;
        std::uint32_t name;
    };
    std::vector<Made> made;
    forEachNode(root, [&](items::C3DObject& node) {
        items::CPixelTexture* texture = node.firstDrawableTexture();
        if (texture == nullptr) {
            return;
        }
        if (const std::uint32_t name = validHandle(*texture)) {
            node.setBackEndTexture(name);
            return;
        }
        const std::span<const std::uint8_t> bytes = imageBytes(*texture);
        const std::uint64_t hash = hashBytes(bytes);
        for (const Made& earlier : made) {
            const std::span<const std::uint8_t> other = imageBytes(*earlier.texture);
            if (earlier.hash == hash && std::ranges::equal(bytes, other) &&
                earlier.texture->components() == texture->components() &&
                earlier.texture->width() == texture->width() &&
                earlier.texture->height() == texture->height()) {
                owners_[earlier.name].insert(texture);
                texture->setBackEndTexture(earlier.name);
                node.setBackEndTexture(earlier.name);
                return;
            }
        }
        if (const std::uint32_t name = make(*texture, node)) {
            made.push_back({hash, texture, name});
        }
    });
}

std::uint32_t ItemTextures::textureFor(items::C3DObject& node) {
    items::CPixelTexture* texture = node.firstDrawableTexture();
    if (texture == nullptr) {
        return 0;
    }
    if (const std::uint32_t name = validHandle(*texture)) {
        return name;
    }
    return make(*texture, node);
}

void ItemTextures::releaseNode(items::C3DObject& node, std::set<std::uint32_t>& names) {
    for (const auto& [number, texture] : node.textures()) {
        const std::uint32_t name = validHandle(*texture);
        if (name != 0) {
            auto& users = owners_[name];
            users.erase(texture.get());
            if (users.empty()) {
                owners_.erase(name);
                names.insert(name);
            }
        }
        texture->setBackEndTexture(0);
    }
    node.setBackEndTexture(0);
}

void ItemTextures::release(items::C3DObject& root) {
    std::set<std::uint32_t> names;
    forEachNode(root, [&](items::C3DObject& node) { releaseNode(node, names); });
    for (std::uint32_t name : names) {
        const GLuint glName = name;
        glDeleteTextures(1, &glName);
    }
}

void ItemTextures::releaseAll() {
    for (const auto& [name, users] : owners_) {
        const GLuint glName = name;
        glDeleteTextures(1, &glName);
    }
    owners_.clear();
}

} // namespace render::opengl
