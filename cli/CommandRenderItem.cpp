// `zarnolt-cli render-item FILE.zn3 --out OUT.png [--size WxH] [--yaw DEG] [--pitch DEG]`:
// the item model alone, framed by its bounding box, drawn offscreen and saved as a PNG.
#include "Commands.h"

#include "image/FileBytes.h"
#include "image/PngCodec.h"
#include "items/C3DItemObject.h"
#include "render/opengl/ItemPreview.h"

#include <charconv>
#include <cmath>
#include <iostream>
#include <memory>
#include <string>

namespace cli {
namespace {

struct RenderItemOptions {
    std::string file;
    std::string out;
    std::string size = "640x480";
    double yaw = 30.0;
    double pitch = 20.0;
};

// "WxH" with both sides whole numbers of pixels.
bool parseSize(const std::string& text, int& width, int& height) {
    const auto x = text.find('x');
    if (x == std::string::npos) {
        return false;
    }
    const char* begin = text.data();
    const char* end = begin + text.size();
    const auto w = std::from_chars(begin, begin + x, width);
    const auto h = std::from_chars(begin + x + 1, end, height);
    return w.ec == std::errc() && w.ptr == begin + x && h.ec == std::errc() && h.ptr == end;
}

int fail(const std::string& message) {
    std::cerr << "zarnolt-cli render-item: " << message << '\n';
    return 1;
}

int runRenderItem(const RenderItemOptions& options) {
    render::opengl::ItemView view;
    if (!parseSize(options.size, view.width, view.height) || view.width < 1 || view.height < 1 ||
        view.width > render::opengl::kMaxPreviewSize ||
        view.height > render::opengl::kMaxPreviewSize) {
        return fail("bad size \"" + options.size + "\" (expected WxH, each side 1 to " +
                    std::to_string(render::opengl::kMaxPreviewSize) + ")");
    }
    if (!std::isfinite(options.yaw) || !std::isfinite(options.pitch)) {
        return fail("the yaw and pitch must be finite numbers of degrees");
    }
    view.yawDegrees = options.yaw;
    view.pitchDegrees = options.pitch;

    const auto bytes = image::readFileBytes(options.file);
    auto item = std::make_unique<items::C3DItemObject>();
    if (!bytes || !item->loadFromMemory(*bytes)) {
        return fail("cannot load item model file \"" + options.file + "\"");
    }
    if (!render::opengl::hasDrawableParts(*item)) {
        return fail("the item model \"" + options.file + "\" has no faces to draw");
    }
    std::string error;
    const auto picture = render::opengl::renderItemPreview(*item, view, error);
    if (!picture) {
        return fail(error);
    }
    if (!image::writePngFile(options.out, picture->rgb, picture->width, picture->height, 3)) {
        return fail("cannot write \"" + options.out + "\"");
    }
    return 0;
}

} // namespace

void registerRenderItemCommand(CLI::App& app, int& exitCode) {
    CLI::App* command = app.add_subcommand(
        "render-item", "Render an item model (.zn3) alone, framed by its bounds, into a PNG");
    auto options = std::make_shared<RenderItemOptions>();
    command->add_option("FILE", options->file, "item model file")->required();
    command->add_option("--out", options->out, "PNG file to write")->required();
    command->add_option("--size", options->size, "picture size WxH (default 640x480)");
    command->add_option("--yaw", options->yaw,
                        "camera turn about the vertical axis, degrees (default 30)");
    command->add_option("--pitch", options->pitch,
                        "camera height angle, degrees, -89 to 89 (default 20)");
    command->callback([options, &exitCode] { exitCode = runRenderItem(*options); });
}

} // namespace cli
