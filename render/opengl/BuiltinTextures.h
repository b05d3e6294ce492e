#pragma once
#include <array>

namespace render::opengl {

// The built-in textures 0 … 57 of the current context: texture n is the picture "<n + 1000>.png"
// of the data folder's "Texture_Buildin". A texture that cannot be read stays 0 (drawing then
// uses no texture) and is tried again on the next bind. Textures are only ever created outside
// display-list recording.
class BuiltinTextures {
public:
    static constexpr int kCount = 58;

    BuiltinTextures() = default;
    ~BuiltinTextures() = default;
    BuiltinTextures(const BuiltinTextures&) = delete;
    BuiltinTextures& operator=(const BuiltinTextures&) = delete;

    // Loads every texture not loaded yet (the renderer's setup, before any list is compiled).
    void loadAll();
    // Loads texture n unless it is loaded, n is outside 0 … 57, or a display list is being
    // recorded; true when it is loaded afterwards.
    bool load(int n);
    // Binds texture n (loading it first when possible); binds 0 when n is out of range or
    // the texture is missing.
    void bind(int n);
    // The texture name of n, 0 when not loaded or out of range (for the item drawer).
    unsigned name(int n) const;
    // Deletes every texture of the store.
    void release();

    // The sleepers of distant track drawn as one strip: a pattern made here, not read from a
    // picture. Texel (s, t) is opaque where s lies within t / 2 of the middle of its period,
    // so a strip whose t is the sleepers' share of their spacing shows them where bars would
    // stand. Made by `loadAll` or on first use outside list recording; 0 until then.
    unsigned sleeperPattern();

private:
    std::array<unsigned, kCount> names_{};
    unsigned sleeperPattern_ = 0;
};

} // namespace render::opengl
