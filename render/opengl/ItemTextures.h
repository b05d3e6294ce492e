#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace items {
class C3DObject;
class CPixelTexture;
} // namespace items

namespace render::opengl {

// The decoded pixels of an item texture: rows from the top, RGB (3) or RGBA (4) bytes a pixel.
struct TexturePixels {
    int width = 0;
    int height = 0;
    int components = 0;
    std::vector<std::uint8_t> rows;
};

// Decodes a texture's image: its encoded image (PNG, JPEG or BMP, whatever the bytes are) when
// it has one, else its raw pixel buffer; a texture that has only texture strings gives its
// white buffer. Nothing when the image does not decode, the raw buffer does not match the
// texture's size, or the component count is neither 3 nor 4.
std::optional<TexturePixels> decodeItemTexture(const items::CPixelTexture& texture);

// The GL textures made from the textures of item geometry trees, in the current context.
//
// Every node draws with its first texture that has image data. Textures whose images are the
// same bytes share one GL texture within a tree. The handle of a built texture is also left in
// the texture and in its node (their back-end texture), but a handle found there counts only
// when this object made it for that very texture: items are shared process-wide and may carry
// handles from a context that no longer exists.
//
// Textures are created by build() (before a display list that draws the tree is compiled) or
// on first use by textureFor(), which creates nothing while a display list is being compiled.
class ItemTextures {
public:
    ItemTextures() = default;
    // Deletes every texture made here; the context must be current.
    ~ItemTextures();
    ItemTextures(const ItemTextures&) = delete;
    ItemTextures& operator=(const ItemTextures&) = delete;

    // Makes the GL textures of every node of the tree below `root`.
    void build(items::C3DObject& root);
    // The GL texture a node draws with (0 = none), made now when needed and allowed. A texture
    // whose image does not decode gives 0 and is tried again on a later call.
    std::uint32_t textureFor(items::C3DObject& node);
    // Deletes the textures of the tree below `root` and clears its handles.
    void release(items::C3DObject& root);
    // Deletes everything made here.
    void releaseAll();

    // Number of GL textures alive (shared ones counted once).
    std::size_t textureCount() const { return owners_.size(); }

private:
    std::uint32_t validHandle(const items::CPixelTexture& texture) const;
    std::uint32_t make(items::CPixelTexture& texture, items::C3DObject& node);
    void releaseNode(items::C3DObject& node, std::set<std::uint32_t>& names);

    // GL name → the textures that use it.
    std::map<std::uint32_t, std::set<const items::CPixelTexture*>> owners_;
};

} // namespace render::opengl
