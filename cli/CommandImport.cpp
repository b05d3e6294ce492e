// `zarnolt-cli import IN.(wrl|rib|dxf) OUT [--kind K] [--name TEXT]`: a VRML, RIB or DXF model
// made into an item model file, with a thumbnail when an offscreen GL context can be made.
#include "Commands.h"

#include "image/FileBytes.h"
#include "image/PngCodec.h"
#include "import/ItemFromModel.h"
#include "items/C3DItemObject.h"
#include "platform/AtomicFile.h"
#ifdef ZARNOLT_CLI_RENDER
#include "render/opengl/ItemPreview.h"
#endif

#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

namespace cli {
namespace {

// The side of the square thumbnail, as the catalogue windows show it.
constexpr int kThumbnailSize = 64;

struct ImportOptions {
    std::string in;
    std::string out;
    std::int32_t kind = 0;
    std::string name;
};

int fail(const std::string& message) {
    std::cerr << "zarnolt-cli import: " << message << '\n';
    return 1;
}

bool validKind(std::int32_t kind) {
    return (kind >= 0 && kind <= 2) || (kind >= 100 && kind <= 105);
}

// A name that makes one file name in a folder.
bool validName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\") == std::string::npos && name.find('\0') == std::string::npos;
}

// The thumbnail PNG of an item, or nothing when no offscreen context can be made.
std::vector<std::uint8_t> thumbnailOf(const items::C3DItemObject& item) {
#ifdef ZARNOLT_CLI_RENDER
    render::opengl::ItemView view;
    view.width = kThumbnailSize;
    view.height = kThumbnailSize;
    std::string error;
    if (const auto picture = render::opengl::renderItemPreview(item, view, error)) {
        return image::encodePngBytes(picture->rgb, picture->width, picture->height, 3);
    }
#else
    (void)item;
#endif
    return {};
}

int runImport(const ImportOptions& options) {
    import::ModelFormat format{};
    if (!import::formatFromExtension(options.in, format)) {
        return fail("\"" + options.in + "\" is not a .wrl, .rib or .dxf file");
    }
    if (!validKind(options.kind)) {
        return fail("bad kind " + std::to_string(options.kind) +
                    " (expected 0 to 2 for layout pieces or 100 to 105 for rolling stock)");
    }
    std::filesystem::path out = options.out;
    std::error_code ec;
    if (std::filesystem::is_directory(out, ec)) {
        // Into a folder (such as a catalogue folder) under the given name or the model's.
        const std::string name =
            options.name.empty() ? std::filesystem::path(options.in).stem().string() : options.name;
        if (!validName(name)) {
            return fail("bad name \"" + name + "\"");
        }
        out /= name + ".zn3";
    } else if (!options.name.empty()) {
        return fail("--name needs OUT to be a folder");
    }

    const auto bytes = image::readFileBytes(options.in);
    if (!bytes) {
        return fail("cannot read \"" + options.in + "\"");
    }
    auto item = std::make_unique<items::C3DItemObject>();
    std::string error;
    if (!import::itemFromModel(format, *bytes, options.kind, *item, error)) {
        return fail("\"" + options.in + "\": " + error);
    }
    item->setThumbnail(thumbnailOf(*item));
    const std::vector<std::uint8_t> file = item->serialize();
    // What is written must load back with its geometry.
    auto check = std::make_unique<items::C3DItemObject>();
    if (!check->loadFromMemory(file) || check->geometryRoot() == nullptr ||
        !import::hasImportedGeometry(*check->geometryRoot())) {
        return fail("\"" + options.in + "\": the model cannot be stored as an item model");
    }
    if (const platform::FileWriteResult written = platform::replaceFileContents(out, file);
        !written) {
        return fail(written.error);
    }
    return 0;
}

} // namespace

void registerImportCommand(CLI::App& app, int& exitCode) {
    CLI::App* command = app.add_subcommand(
        "import", "Make a VRML (.wrl), RIB (.rib) or DXF (.dxf) model into an item model (.zn3)");
    auto options = std::make_shared<ImportOptions>();
    command->add_option("IN", options->in, "model file (.wrl, .rib or .dxf)")->required();
    command->add_option("OUT", options->out, "item model file to write, or a folder")->required();
    command->add_option("--kind", options->kind,
                        "item kind: 0-2 layout pieces, 100-105 rolling stock (default 0)");
    command->add_option("--name", options->name,
                        "file name (without .zn3) when OUT is a folder (default: IN's name)");
    command->callback([options, &exitCode] { exitCode = runImport(*options); });
}

} // namespace cli
