#include "tools/datagen/Glyphs.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace datagen {

namespace {

struct Glyph {
    char code;
    std::array<const char*, 7> rows;
};

constexpr Glyph kGlyphs[] = {
    {'0', {" ### ", "#   #", "#  ##", "# # #", "##  #", "#   #", " ### "}},
    {'1', {"  #  ", " ##  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "}},
    {'2', {" ### ", "#   #", "    #", "   # ", "  #  ", " #   ", "#####"}},
    {'3', {"#####", "   # ", "  #  ", "   # ", "    #", "#   #", " ### "}},
    {'4', {"   # ", "  ## ", " # # ", "#  # ", "#####", "   # ", "   # "}},
    {'5', {"#####", "#    ", "#### ", "    #", "    #", "#   #", " ### "}},
    {'6', {"  ## ", " #   ", "#    ", "#### ", "#   #", "#   #", " ### "}},
    {'7', {"#####", "    #", "   # ", "  #  ", " #   ", " #   ", " #   "}},
    {'8', {" ### ", "#   #", "#   #", " ### ", "#   #", "#   #", " ### "}},
    {'9', {" ### ", "#   #", "#   #", " ####", "    #", "   # ", " ##  "}},
    {'A', {" ### ", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"}},
    {'E', {"#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#####"}},
    {'I', {" ### ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "}},
    {'K', {"#   #", "#  # ", "# #  ", "##   ", "# #  ", "#  # ", "#   #"}},
    {'L', {"#    ", "#    ", "#    ", "#    ", "#    ", "#    ", "#####"}},
    {'N', {"#   #", "##  #", "# # #", "#  ##", "#   #", "#   #", "#   #"}},
    {'O', {" ### ", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "}},
    {'R', {"#### ", "#   #", "#   #", "#### ", "# #  ", "#  # ", "#   #"}},
    {'S', {" ####", "#    ", "#    ", " ### ", "    #", "    #", "#### "}},
    {'T', {"#####", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  "}},
    {'Z', {"#####", "    #", "   # ", "  #  ", " #   ", "#    ", "#####"}},
    {'-', {"     ", "     ", "     ", " ### ", "     ", "     ", "     "}},
};

const Glyph* findGlyph(char code) {
    for (const Glyph& glyph : kGlyphs) {
        if (glyph.code == code) {
            return &glyph;
        }
    }
    return nullptr;
}

} // namespace

double glyphAdvance(double height) {
    return height / 7.0 * 6.0;
}

double textWidth(std::string_view text, double height) {
    return text.empty() ? 0
                        : glyphAdvance(height) * static_cast<double>(text.size()) - height / 7.0;
}

void drawText(Canvas& canvas, std::string_view text, double x, double y, double height,
              const Rgba& colour) {
    const double dot = height / 7.0;
    for (char code : text) {
        if (const Glyph* glyph = findGlyph(code)) {
            // One shape per glyph, the union of its dots, so joined dots show no inner edges.
            const double left = x;
            canvas.paint(
                [glyph, left, y, dot](double px, double py) {
                    double best = 1e9;
                    for (int row = 0; row < 7; ++row) {
                        for (int column = 0; column < 5; ++column) {
                            if (glyph->rows[row][column] != '#') {
                                continue;
                            }
                            const double qx =
                                std::abs(px - (left + (column + 0.5) * dot)) - dot / 2;
                            const double qy = std::abs(py - (y + (row + 0.5) * dot)) - dot / 2;
                            const double d = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) +
                                             std::min(std::max(qx, qy), 0.0);
                            best = std::min(best, d);
                        }
                    }
                    return best;
                },
                x, y, x + 5 * dot, y + 7 * dot, colour, false);
        }
        x += glyphAdvance(height);
    }
}

} // namespace datagen
