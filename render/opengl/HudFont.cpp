#include "render/opengl/HudFont.h"

#include <GL/gl.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "render/opengl/GLErrors.h"

namespace render::opengl {
namespace {

constexpr int kGlyphCount = 256;

// Owns a FreeType library and face for the length of one font build.
struct FreeTypeFace {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ~FreeTypeFace() {
        if (face != nullptr) {
            FT_Done_Face(face);
        }
        if (library != nullptr) {
            FT_Done_FreeType(library);
        }
    }
};

// Compiles one glyph as a bitmap with its advance; codes without a glyph only advance.
void compileGlyph(FT_Face face, unsigned code, GLfloat fallbackAdvance) {
    const bool printable = code >= 32 && code != 127 && !(code >= 128 && code < 160);
    if (!printable ||
        FT_Load_Char(face, code, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME) != 0 ||
        face->glyph->bitmap.pixel_mode != FT_PIXEL_MODE_MONO) {
        // One clear bit: lists cannot hold an empty bitmap, and a clear bit draws nothing.
        static const GLubyte clear = 0;
        glBitmap(1, 1, 0, 0, printable ? fallbackAdvance : 0, 0, &clear);
        return;
    }
    const FT_GlyphSlot glyph = face->glyph;
    const FT_Bitmap& bitmap = glyph->bitmap;
    const int width = static_cast<int>(bitmap.width);
    const int rows = static_cast<int>(bitmap.rows);
    const int rowBytes = (width + 7) / 8;
    const int pitch = bitmap.pitch < 0 ? -bitmap.pitch : bitmap.pitch;
    std::vector<GLubyte> bits(static_cast<std::size_t>(rowBytes) * rows);
    // FreeType gives rows from the top; glBitmap takes them from the bottom.
    for (int y = 0; y < rows && pitch >= rowBytes; ++y) {
        const int stored = bitmap.pitch < 0 ? rows - 1 - y : y;
        const unsigned char* from = bitmap.buffer + static_cast<std::ptrdiff_t>(stored) * pitch;
        std::copy(from, from + rowBytes,
                  bits.begin() + static_cast<std::ptrdiff_t>(rows - 1 - y) * rowBytes);
    }
    const GLfloat advance = static_cast<GLfloat>(glyph->advance.x) / 64.0f;
    if (bits.empty()) {
        static const GLubyte clear = 0;
        glBitmap(1, 1, 0, 0, advance, 0, &clear);
        return;
    }
    glBitmap(width, rows, static_cast<GLfloat>(-glyph->bitmap_left),
             static_cast<GLfloat>(rows - glyph->bitmap_top), advance, 0, bits.data());
}

} // namespace

HudFont::~HudFont() {
    release();
}

std::filesystem::path HudFont::defaultFontFile() {
    static const char* const candidates[] = {
        "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf",
        "/usr/share/fonts/TTF/DejaVuSansMono.ttf",
        "/usr/share/fonts/dejavu/DejaVuSansMono.ttf",
    };
    std::error_code error;
    for (const char* candidate : candidates) {
        if (std::filesystem::is_regular_file(candidate, error)) {
            return candidate;
        }
    }
    return {};
}

bool HudFont::create(const std::filesystem::path& fontFile, int pixelHeight) {
    release();
    if (fontFile.empty() || pixelHeight <= 0 || listBeingCompiled()) {
        return false;
    }
    FreeTypeFace ft;
    if (FT_Init_FreeType(&ft.library) != 0 ||
        FT_New_Face(ft.library, fontFile.c_str(), 0, &ft.face) != 0 ||
        FT_Set_Pixel_Sizes(ft.face, 0, static_cast<FT_UInt>(pixelHeight)) != 0) {
        return false;
    }
    FT_Select_Charmap(ft.face, FT_ENCODING_UNICODE);
    GLfloat fallbackAdvance = static_cast<GLfloat>(pixelHeight) * 0.6f;
    if (FT_Load_Char(ft.face, 'M', FT_LOAD_DEFAULT) == 0) {
        fallbackAdvance = static_cast<GLfloat>(ft.face->glyph->advance.x) / 64.0f;
    }
    const GLuint base = glGenLists(kGlyphCount);
    if (checkGLError("HudFont::create glGenLists") != 0 || base == 0) {
        return false;
    }
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (unsigned code = 0; code < kGlyphCount; ++code) {
        glNewList(base + code, GL_COMPILE);
        compileGlyph(ft.face, code, fallbackAdvance);
        glEndList();
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    if (checkGLError("HudFont::create glyph lists") != 0) {
        glDeleteLists(base, kGlyphCount);
        return false;
    }
    base_ = base;
    return true;
}

void HudFont::print(double x, double y, double z, std::string_view text) const {
    if (text.empty() || base_ == 0) {
        return;
    }
    glRasterPos3d(x, y, z);
    glPushAttrib(GL_LIST_BIT);
    glListBase(base_);
    glCallLists(static_cast<GLsizei>(text.size()), GL_UNSIGNED_BYTE, text.data());
    glPopAttrib();
}

void HudFont::release() {
    if (base_ != 0) {
        glDeleteLists(base_, kGlyphCount);
        base_ = 0;
    }
}

} // namespace render::opengl
