// `zarnolt-cli catalogue [--json] [--data DIR]`: the entries of the three catalogue folders
// of the data folder, with each entry's kind and what it carries (lines, control items and
// structure of a track piece; type code, wheels, lamps and panel of a vehicle).
#include "Commands.h"

#include "image/FileBytes.h"
#include "items/C3DItemObject.h"
#include "items/ItemHeader.h"
#include "model/CTrackTypeItem.h"
#include "model/LineItem.h"
#include "platform/Paths.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

namespace cli {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFolders[] = {"列車、客車、貨車", "線路", "ストラクチャ"};

// The files below a folder, as paths relative to it in byte-wise order; names beginning with
// "." are skipped, as the catalogue windows skip them.
std::vector<fs::path> filesBelow(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code error;
    fs::recursive_directory_iterator it(folder, error), end;
    for (; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name.front() == '.') {
            if (it->is_directory(error)) {
                it.disable_recursion_pending();
            }
            continue;
        }
        if (it->is_regular_file(error)) {
            files.push_back(fs::relative(it->path(), folder, error));
        }
    }
    std::sort(files.begin(), files.end(),
              [](const fs::path& a, const fs::path& b) { return a.string() < b.string(); });
    return files;
}

const char* vehicleLabel(int kind) {
    switch (kind) {
    case 100:
        return "SL";
    case 101:
        return "EL";
    case 103:
        return "auto";
    case 104:
    case 105:
        return "monorail";
    default:
        return "";
    }
}

nlohmann::json trackEntry(const fs::path& path) {
    const auto entry = model::CTrackTypeItem::fromItemFile(path);
    if (!entry) {
        return nullptr;
    }
    nlohmann::json lines = nlohmann::json::array();
    for (const auto& line : entry->lines()) {
        lines.push_back({{"kind", line->getKind()}, {"shape", line->getShape()}});
    }
    nlohmann::json controls = nlohmann::json::array();
    for (const auto& [kind, item] : entry->controlItems()) {
        controls.push_back(kind);
    }
    nlohmann::json structure = nullptr;
    if (const model::CTrackStructureItem* s = entry->getStructure()) {
        structure = {{"category", s->getCategory()}, {"model", s->getModelName()}};
    }
    return {{"lines", lines},
            {"controlItems", controls},
            {"structure", structure},
            {"carriesTrack", entry->carriesTrack()}};
}

nlohmann::json vehicleEntry(const fs::path& path, int kind) {
    nlohmann::json out = {{"typeCode", kind + 8900}, {"label", vehicleLabel(kind)}};
    const auto bytes = image::readFileBytes(path);
    auto item = std::make_unique<items::C3DItemObject>();
    if (!bytes || !item->loadFromMemory(*bytes)) {
        return out;
    }
    out["wheels"] = nullptr;
    if (item->hasWheelRecord() && item->wheelRecord().value1 != 0) {
        const items::WheelRecord& wheel = item->wheelRecord();
        out["wheels"] = {{"model", wheel.value1},
                         {"arrangement", wheel.value2},
                         {"sideRods", wheel.value3 != 0}};
    }
    int lamps = 0;
    for (int i = 0; i < 2; ++i) {
        if ((item->lampMask() & (1u << i)) != 0) {
            lamps += item->lampMirrored(i) ? 2 : 1;
        }
    }
    out["lamps"] = lamps;
    out["panel"] = item->hasVehicleValue();
    return out;
}

std::string summary(const nlohmann::json& entry) {
    std::ostringstream text;
    if (entry.contains("typeCode")) {
        text << "vehicle " << entry["typeCode"].get<int>();
        if (!entry["label"].get<std::string>().empty()) {
            text << " (" << entry["label"].get<std::string>() << ")";
        }
        if (entry.contains("wheels") && !entry["wheels"].is_null()) {
            text << ", wheels " << entry["wheels"]["model"].get<int>() << "/"
                 << entry["wheels"]["arrangement"].get<int>();
        }
        if (entry.value("lamps", 0) > 0) {
            text << ", lamps " << entry["lamps"].get<int>();
        }
        if (entry.value("panel", false)) {
            text << ", panel";
        }
        return text.str();
    }
    if (!entry.contains("lines")) {
        return "item model";
    }
    text << "lines";
    if (entry["lines"].empty()) {
        text << " -";
    }
    for (const auto& line : entry["lines"]) {
        text << " " << line["kind"].get<int>() << ":" << line["shape"].get<int>();
    }
    text << "; items";
    if (entry["controlItems"].empty()) {
        text << " -";
    }
    for (const auto& kind : entry["controlItems"]) {
        text << " " << kind.get<int>();
    }
    if (!entry["structure"].is_null()) {
        text << "; structure " << entry["structure"]["category"].get<int>();
    }
    return text.str();
}

int runCatalogue(bool json, const std::string& dataOption) {
    fs::path data;
    if (!dataOption.empty()) {
        data = dataOption;
    } else if (const auto found = platform::dataFolder()) {
        data = *found;
    }
    std::error_code error;
    if (data.empty() || !fs::is_directory(data / "C3DItem_File", error)) {
        std::cerr << "zarnolt-cli catalogue: no data folder with \"C3DItem_File\" found\n";
        return 1;
    }
    nlohmann::json folders = nlohmann::json::array();
    for (const char* name : kFolders) {
        const fs::path folder = data / "C3DItem_File" / name;
        nlohmann::json entries = nlohmann::json::array();
        for (const fs::path& file : filesBelow(folder)) {
            const fs::path path = folder / file;
            const auto header = items::readItemHeader(path);
            if (!header) {
                continue; // not an item model file: the catalogue windows leave it out too
            }
            nlohmann::json entry = {{"file", file.generic_string()}, {"kind", header->kind}};
            if (header->kind < 3) {
                if (nlohmann::json track = trackEntry(path); !track.is_null()) {
                    entry.update(track);
                }
            } else if (header->kind >= 100 && header->kind <= 105) {
                entry.update(vehicleEntry(path, header->kind));
            }
            entries.push_back(std::move(entry));
        }
        folders.push_back({{"name", name}, {"entries", entries}});
    }
    if (json) {
        std::cout << nlohmann::json{{"dataFolder", data.string()}, {"folders", folders}}.dump(2)
                  << '\n';
        return 0;
    }
    for (const auto& folder : folders) {
        std::cout << folder["name"].get<std::string>() << " (" << folder["entries"].size()
                  << " entries)\n";
        for (const auto& entry : folder["entries"]) {
            std::cout << "  " << entry["file"].get<std::string>() << "  kind "
                      << entry["kind"].get<int>() << "  " << summary(entry) << '\n';
        }
    }
    return 0;
}

} // namespace

void registerCatalogueCommand(CLI::App& app, int& exitCode) {
    CLI::App* command = app.add_subcommand(
        "catalogue", "List the track, structure and vehicle catalogue of the data folder");
    auto json = std::make_shared<bool>(false);
    auto data = std::make_shared<std::string>();
    command->add_flag("--json", *json, "print JSON");
    command->add_option("--data", *data, "data folder (default: the program's data folder)");
    command->callback([json, data, &exitCode] { exitCode = runCatalogue(*json, *data); });
}

} // namespace cli
