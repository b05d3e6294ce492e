#include "editor/WalkKeyCodes.h"

#include <Qt>

#include <array>
#include <utility>

namespace editor {

namespace {

// The keys that are not letters or digits (whose Qt keys equal their codes).
constexpr std::array<std::pair<int, int>, 5> kNamedKeys = {{
    {Qt::Key_Shift, 16},
    {Qt::Key_Left, 37},
    {Qt::Key_Up, 38},
    {Qt::Key_Right, 39},
    {Qt::Key_Down, 40},
}};

bool letterOrDigit(int code) {
    return (code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z');
}

} // namespace

int virtualKeyFromQtKey(int qtKey) {
    for (const auto& [qt, vk] : kNamedKeys) {
        if (qt == qtKey) {
            return vk;
        }
    }
    return letterOrDigit(qtKey) ? qtKey : 0;
}

int qtKeyFromVirtualKey(int virtualKey) {
    for (const auto& [qt, vk] : kNamedKeys) {
        if (vk == virtualKey) {
            return qt;
        }
    }
    return letterOrDigit(virtualKey) ? virtualKey : 0;
}

QString virtualKeyText(int virtualKey) {
    switch (virtualKey) {
    case 16:
        return QStringLiteral("Shift");
    case 37:
        return QStringLiteral("Left arrow");
    case 38:
        return QStringLiteral("Up arrow");
    case 39:
        return QStringLiteral("Right arrow");
    case 40:
        return QStringLiteral("Down arrow");
    default:
        // One character of the code's low byte, as a stored record of any origin may hold.
        return QString(QChar(static_cast<char16_t>(virtualKey & 0xFF)));
    }
}

} // namespace editor
