// `zarnolt-cli simulate FILE --seconds S [--seed N] [--json]`: runs the trains of a layout for
// S seconds of simulated time and prints where every vehicle stands and what happened.
#include "Commands.h"
#include "LayoutSession.h"

#include <cmath>
#include <cstdio>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "trains/TrainSimulation.h"

namespace cli {
namespace {

struct SimulateOptions {
    std::string file;
    double seconds = 0;
    std::uint32_t seed = 0;
    bool json = false;
};

std::string fixed(double value, int digits) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", digits, value);
    return text;
}

void printText(const trains::SimulationResult& result) {
    std::cout << "vehicles: " << result.vehicles.size() << '\n';
    for (const auto& v : result.vehicles) {
        std::cout << "vehicle " << v.number << " type " << v.typeCode << ": tile " << v.column
                  << ',' << v.row << " layer " << v.layer << " line " << v.line << " point "
                  << fixed(v.pointIndex, 4) << " speed " << fixed(v.speed, 3) << '\n';
    }
    std::cout << "events: " << result.events.size() << '\n';
    for (const auto& e : result.events) {
        std::cout << fixed(e.time, 3) << " s: " << e.kind << " vehicle " << e.vehicle;
        if (e.other != 0) {
            std::cout << " with " << e.other;
        }
        std::cout << '\n';
    }
}

void printJson(const trains::SimulationResult& result) {
    nlohmann::ordered_json out;
    out["steps"] = result.steps;
    out["vehicles"] = nlohmann::ordered_json::array();
    for (const auto& v : result.vehicles) {
        out["vehicles"].push_back({{"number", v.number},
                                   {"type", v.typeCode},
                                   {"column", v.column},
                                   {"row", v.row},
                                   {"layer", v.layer},
                                   {"line", v.line},
                                   {"point", v.pointIndex},
                                   {"speed", v.speed}});
    }
    out["events"] = nlohmann::ordered_json::array();
    for (const auto& e : result.events) {
        out["events"].push_back(
            {{"time", e.time}, {"kind", e.kind}, {"vehicle", e.vehicle}, {"other", e.other}});
    }
    std::cout << out.dump(2) << '\n';
}

int runSimulate(const SimulateOptions& options) {
    if (!std::isfinite(options.seconds) || options.seconds < 0 || options.seconds > 86400) {
        std::cerr << "zarnolt-cli simulate: --seconds must lie between 0 and 86400\n";
        return 1;
    }
    LayoutSession session;
    if (!session.read("simulate", options.file)) {
        return 1;
    }
    const trains::SimulationResult result = trains::runSimulation(options.seconds, options.seed);
    if (options.json) {
        printJson(result);
    } else {
        printText(result);
    }
    return 0;
}

} // namespace

void registerSimulateCommand(CLI::App& app, int& exitCode) {
    CLI::App* command =
        app.add_subcommand("simulate", "Run the trains of a layout for simulated seconds");
    auto options = std::make_shared<SimulateOptions>();
    command->add_option("FILE", options->file, "layout file (.zrn)")->required();
    command->add_option("--seconds", options->seconds, "simulated seconds")->required();
    command->add_option("--seed", options->seed, "seed of the random line choices");
    command->add_flag("--json", options->json, "print JSON");
    command->callback([options, &exitCode] {
        exitCode = guarded("simulate", [&] { return runSimulate(*options); });
    });
}

} // namespace cli
