// `zarnolt-cli dump FILE`: the whole loaded layout as JSON on stdout. Keys in a fixed order;
// tiles in layer order and, within a layer, row by row; empty tiles are left out.
#include "Commands.h"
#include "LayoutSession.h"

#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "image/PngCodec.h"
#include "model/CLandscapeItem.h"
#include "model/CTrackItem.h"
#include "model/LandscapeItems.h"
#include "model/TrackTiles.h"
#include "persistence/CImageItem.h"
#include "trains/VehicleJson.h"

namespace cli {
namespace {

using Json = nlohmann::ordered_json;

Json colour(const model::RGBColor16& c) {
    return Json::array({c.red, c.green, c.blue});
}

Json rect(const model::LayoutRect& r) {
    return Json::array({r.top, r.left, r.bottom, r.right});
}

Json environment(const model::EnvironmentRecord& e) {
    Json out;
    out["skyType"] = e.skyType;
    out["flags"] = e.flags;
    out["groundColour"] = colour(e.groundColour);
    out["hillHighColour"] = colour(e.hillHighColour);
    out["hillLowColour"] = colour(e.hillLowColour);
    out["hollowColour"] = colour(e.hollowColour);
    out["lightPosition"] = Json::array({e.lightPosition.x, e.lightPosition.y, e.lightPosition.z});
    return out;
}

Json picture(const model::TilePicture* picture) {
    if (picture == nullptr) {
        return nullptr;
    }
    if (const auto* item = dynamic_cast<const persistence::CImageItem*>(picture)) {
        return Json{{"width", item->picture().width()}, {"height", item->picture().height()}};
    }
    if (const auto png = image::decodePngBytes(picture->encodePng())) {
        return Json{{"width", png->width}, {"height", png->height}};
    }
    return nullptr;
}

Json tile(const model::CTrackItem& tile) {
    Json out;
    out["layer"] = tile.getLayer();
    out["column"] = tile.getPosition().column;
    out["row"] = tile.getPosition().row;
    out["elevationOffset"] = tile.getElevationOffset();
    Json lines = Json::array();
    for (const auto& line : tile.lines()) {
        Json points = Json::array();
        for (const model::Pt& point : line->points()) {
            points.push_back(Json::array({point.x, point.z}));
        }
        lines.push_back(Json{
            {"kind", line->getKind()}, {"shape", line->getShape()}, {"points", std::move(points)}});
    }
    out["lines"] = std::move(lines);
    out["picture"] = picture(tile.getPicture());
    if (const model::CTrackStructureItem* structure = tile.getStructure()) {
        out["structure"] = Json{{"category", structure->getCategory()},
                                {"rect", rect(structure->getRect())},
                                {"model", structure->getModelName()}};
    } else {
        out["structure"] = nullptr;
    }
    Json items = Json::array();
    for (const auto& [kind, item] : tile.controlItems()) {
        const bool point = kind == model::KindPoint;
        items.push_back(Json{{"kind", kind},
                             {"rect", rect(item->getRect())},
                             {"state", point ? static_cast<std::int64_t>(item->getOccupant()) : 0},
                             {"number", item->getNumber()},
                             {"value", item->getValue()}});
    }
    out["controlItems"] = std::move(items);
    return out;
}

Json landscapeItem(const model::CLandscapeItem& item) {
    const model::BoardRect& r = item.getRect();
    Json out;
    out["left"] = r.left;
    out["top"] = r.top;
    out["width"] = r.right - r.left;
    out["depth"] = r.bottom - r.top;
    out["hollow"] = item.isHollow() ? 1 : 0;
    out["heightScale"] = item.getHeightScale();
    out["sampleSum"] = item.heightMapSampleSum();
    return out;
}

int runDump(const std::string& file) {
    LayoutSession session;
    if (!session.read("dump", file)) {
        return 1;
    }
    const model::CZarnoltDocument& document = session.document();
    Json out;
    out["columns"] = document.getColumns();
    out["rows"] = document.getRows();
    out["environment"] = environment(document.getEnvironment());
    Json tiles = Json::array();
    for (int layer = 0; layer < model::kTrackLayers; ++layer) {
        for (const auto& [key, item] : *model::layerMap(layer)) {
            if (!item->isEmpty()) {
                tiles.push_back(tile(*item));
            }
        }
    }
    out["tiles"] = std::move(tiles);
    Json landscape = Json::array();
    for (const model::CLandscapeItem* item : model::landscapeItems()) {
        landscape.push_back(landscapeItem(*item));
    }
    out["landscapeItems"] = std::move(landscape);
    out["vehicles"] = trains::vehiclesJson();
    // Names that were not valid Shift-JIS are already replaced by U+FFFD, so the text is
    // valid UTF-8; replacing keeps the dump from failing should one slip through.
    std::cout << out.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
    return 0;
}

} // namespace

void registerDumpCommand(CLI::App& app, int& exitCode) {
    CLI::App* command = app.add_subcommand("dump", "Print a whole layout file as JSON");
    auto file = std::make_shared<std::string>();
    command->add_option("FILE", *file, "layout file (.zrn)")->required();
    command->callback(
        [file, &exitCode] { exitCode = guarded("dump", [&] { return runDump(*file); }); });
}

} // namespace cli
