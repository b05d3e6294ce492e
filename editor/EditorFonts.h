#pragma once
#include <QFont>

namespace editor {

// Fonts named explicitly, so that Japanese glyph forms and Latin metrics do not depend on the
// user's locale or font configuration.
// Japanese family: Noto Sans CJK JP. Latin family: Liberation Sans (metric-compatible with
// the Sans the layout labels are measured in), falling back to Noto Sans CJK JP.
inline constexpr const char* kJapaneseFamily = "Noto Sans CJK JP";
inline constexpr const char* kLatinFamily = "Liberation Sans";

// The font of menus, tool windows and dialogs: Latin letters in the Latin family, everything
// else in the Japanese one.
QFont uiFont();
// The label fonts of the layout view, by pixel height.
QFont labelFont(int pixelHeight, bool bold);

} // namespace editor
