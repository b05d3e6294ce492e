// `zarnolt-cli item FILE`: an item model file as JSON (header values, thumbnail size, node
// counts, bounds at tile size 1.0).
#include "Commands.h"

#include "image/FileBytes.h"
#include "image/PngCodec.h"
#include "items/C3DItemObject.h"

#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

namespace cli {
namespace {

nlohmann::json point(const items::Vec3d& p) {
    return nlohmann::json::array({p.x, p.y, p.z});
}

int runItem(const std::string& file) {
    const auto bytes = image::readFileBytes(file);
    auto item = std::make_unique<items::C3DItemObject>();
    if (!bytes || !item->loadFromMemory(*bytes)) {
        std::cerr << "zarnolt-cli item: cannot load item model file \"" << file << "\"\n";
        return 1;
    }
    const items::TreeCounts tree = item->geometryRoot()->treeCounts();
    const items::ItemCounts counts = item->geometryCounts();
    const items::BoundingBox bounds = item->boundingBox(1.0);

    nlohmann::json thumbnail = nullptr;
    if (!item->thumbnail().empty()) {
        if (const auto png = image::decodePngBytes(item->thumbnail())) {
            thumbnail = {{"width", png->width}, {"height", png->height}};
        }
    }
    const nlohmann::json out = {
        {"magic", item->magic() == items::kItemMagicVersion1 ? "3dOj" : "3dO2"},
        {"kind", item->kind()},
        {"itemValue1", item->itemValue1()},
        {"itemValue2", item->itemValue2()},
        {"size", item->size()},
        {"thumbnail", thumbnail},
        {"nodeCount", tree.nodes},
        {"primitiveCount", tree.primitives},
        {"faceSetCount", tree.faceSets},
        {"vertexCount", counts.vertices},
        {"faceCount", counts.faces},
        {"bounds", {{"min", point(bounds.min)}, {"max", point(bounds.max)}}},
        {"hasWheels", item->hasWheelRecord()},
    };
    std::cout << out.dump(2) << '\n';
    return 0;
}

} // namespace

void registerItemCommand(CLI::App& app, int& exitCode) {
    CLI::App* command = app.add_subcommand("item", "Print an item model file (.zn3) as JSON");
    auto file = std::make_shared<std::string>();
    command->add_option("FILE", *file, "item model file")->required();
    command->callback([file, &exitCode] { exitCode = runItem(*file); });
}

} // namespace cli
