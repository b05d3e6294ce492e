#include "editor/EditorFonts.h"

#include <QStringList>

namespace editor {

QFont uiFont() {
    QFont font;
    font.setFamilies(QStringList{kLatinFamily, kJapaneseFamily});
    font.setPointSize(9);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

QFont labelFont(int pixelHeight, bool bold) {
    QFont font;
    font.setFamilies(QStringList{kLatinFamily, kJapaneseFamily});
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

} // namespace editor
