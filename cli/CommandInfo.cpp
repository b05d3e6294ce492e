// `zarnolt-cli info FILE`: a short summary of a layout: size, tiles per layer, points,
// landscape items and vehicles.
#include "Commands.h"
#include "LayoutSession.h"

#include <iostream>
#include <memory>

#include "model/CTrackItem.h"
#include "model/LandscapeItems.h"
#include "model/TrackTiles.h"
#include "trains/VehicleJson.h"

namespace cli {
namespace {

int runInfo(const std::string& file) {
    LayoutSession session;
    if (!session.read("info", file)) {
        return 1;
    }
    const model::CZarnoltDocument& document = session.document();
    std::cout << "file: " << file << '\n';
    std::cout << "size: " << document.getColumns() << " x " << document.getRows() << " tiles\n";
    int points = 0;
    std::cout << "tiles per layer:";
    for (int layer = 0; layer < model::kTrackLayers; ++layer) {
        int tiles = 0;
        for (const auto& [key, tile] : *model::layerMap(layer)) {
            if (!tile->isEmpty()) {
                ++tiles;
            }
            if (tile->pointItem() != nullptr) {
                ++points;
            }
        }
        std::cout << ' ' << tiles;
    }
    std::cout << '\n';
    std::cout << "points: " << points << '\n';
    std::cout << "landscape items: " << model::landscapeItemCount() << '\n';
    std::cout << "vehicles: " << trains::vehiclesJson().size() << '\n';
    return 0;
}

} // namespace

void registerInfoCommand(CLI::App& app, int& exitCode) {
    CLI::App* command = app.add_subcommand("info", "Print a short summary of a layout file");
    auto file = std::make_shared<std::string>();
    command->add_option("FILE", *file, "layout file (.zrn)")->required();
    command->callback(
        [file, &exitCode] { exitCode = guarded("info", [&] { return runInfo(*file); }); });
}

} // namespace cli
