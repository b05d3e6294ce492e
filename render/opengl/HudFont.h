#pragma once
#include <filesystem>
#include <string_view>

namespace render::opengl {

// A bitmap font of 256 display lists, one per character code, with glyphs rasterised by
// FreeType from a monospaced font. Codes without a glyph advance without drawing.
class HudFont {
public:
    HudFont() = default;
    ~HudFont();
    HudFont(const HudFont&) = delete;
    HudFont& operator=(const HudFont&) = delete;

    // The monospaced font the HUD uses; empty when none is installed.
    static std::filesystem::path defaultFontFile();

    // Builds the lists from a font file at a pixel height; false (and empty) when the file
    // cannot be read or a display list is being recorded.
    bool create(const std::filesystem::path& fontFile, int pixelHeight);
    bool valid() const { return base_ != 0; }
    // Draws the text's bytes from the raster position (x, y, z); nothing for an empty text.
    void print(double x, double y, double z, std::string_view text) const;
    void release();

private:
    unsigned base_ = 0;
};

} // namespace render::opengl
