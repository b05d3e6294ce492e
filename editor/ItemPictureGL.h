#pragma once
#include <QImage>
#include <QSize>

#include <filesystem>

namespace editor {

// Draws an item model file as the command-line tool's item picture does (framed by its
// bounds, lit from above the viewer's left, on the plain background), through a context of
// the display's OpenGL on the user-interface thread. A null image when the file gives no
// drawable model or no context can be made; the context current before is current again
// afterwards.
QImage renderItemPictureGL(const std::filesystem::path& file, QSize size);

} // namespace editor
