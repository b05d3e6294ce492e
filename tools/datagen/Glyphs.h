#pragma once
#include "tools/datagen/Canvas.h"

#include <string_view>

namespace datagen {

// Width of one character cell of a text of cell height `height` (a 5 × 7 dot font with one
// dot of spacing).
double glyphAdvance(double height);

// Draws `text` (digits, upper-case letters, space, '-') with its top-left corner at (x, y),
// each character a 5 × 7 dot glyph `height` pixels high. Unknown characters draw nothing.
void drawText(Canvas& canvas, std::string_view text, double x, double y, double height,
              const Rgba& colour);

// The width drawText needs for `text`.
double textWidth(std::string_view text, double height);

} // namespace datagen
