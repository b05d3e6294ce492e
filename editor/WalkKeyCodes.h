#pragma once
#include <QString>

namespace editor {

// The walk keys are stored as virtual-key codes: 16 Shift, 37 … 40 the arrows (left, up, right,
// down), 48 … 57 the digits and 65 … 90 the letters. One table maps Qt keys to these codes and
// back, for the settings dialog and the 3D window alike. Other keys have no code (0).
int virtualKeyFromQtKey(int qtKey);
// The Qt key of a stored code, or 0 when the code names no key of the table.
int qtKeyFromVirtualKey(int virtualKey);
// How a key field shows a code: "Shift", the arrows by name, else the code as one character.
QString virtualKeyText(int virtualKey);

} // namespace editor
