#pragma once
#include <QImage>
#include <QSize>

#include <filesystem>
#include <functional>

namespace editor {

// What the 3D window and the terrain panel provide to the main frame once they exist. Every
// entry may be empty: then no 3D window exists and the commands that need one do nothing.
struct EditorHooks {
    // True while a 3D window (of any back end) is open.
    std::function<bool()> has3DWindow;
    // Opens or activates the 3D window for a camera command 1125 … 1132.
    std::function<void(int command)> open3DWindow;
    // The 3D view's current camera mode (0 … 6), or −1 without a 3D window.
    std::function<int()> cameraMode;
    // Runs a terrain command 1426 … 1441 (the terrain panel and terrain view).
    std::function<void(int command)> terrainCommand;
    // Draws an item model file as a picture of a size (the catalogues' larger preview); a
    // null image when it cannot. Empty when the program has no OpenGL renderer.
    std::function<QImage(const std::filesystem::path& file, QSize size)> renderItemPicture;
};

EditorHooks& editorHooks();

} // namespace editor
