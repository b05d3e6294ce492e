#pragma once
#include <string>

namespace editor {

class CMainFrame;

// Every menu title, command, key and control text of a built main frame as JSON: what the
// program really shows, so that the texts can be checked against the text table.
// { "menus": [{"id", "text"}], "commands": [{"id", "text", "key"}],
//   "controls": [{"id", "text"}], "strings": [{"id", "text"}] }
std::string dumpUi(const CMainFrame& frame);

} // namespace editor
