// `zarnolt-cli render FILE --out OUT.png [--size WxH] [--camera MODE] [--yaw DEG] [--pitch DEG]
// [--zoom Z] [--prefs SWITCHES] [--env FLAGS] [--time SECONDS] [--simulate SECONDS [--seed N]]
// [--stats OUT.json] [--no-hud]`: draws one frame of a layout's 3D view without a display and
// writes it as a PNG. The riding and chase cameras ride the first vehicle of the layout.
#include "Commands.h"
#include "LayoutSession.h"

#include <charconv>
#include <cmath>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "image/FileBytes.h"
#include "image/PngCodec.h"
#include "model/CTrackItem.h"
#include "model/CZarnoltDocument.h"
#include "model/DocumentRecords.h"
#include "render/CDocumentRenderer.h"
#include "render/opengl/COpenGLBackEnd.h"
#include "render/opengl/OffscreenContext.h"
#include "trains/CTrainControler.h"
#include "trains/CTrainItem.h"
#include "trains/TrainSimulation.h"
#include "trains/VehicleRegistry.h"

namespace cli {
namespace {

constexpr int kMaxRenderSide = 8192;

struct RenderOptions {
    std::string file;
    std::string out;
    std::string size = "640x480";
    int camera = 0;
    std::optional<double> yaw;
    std::optional<double> pitch;
    std::optional<double> zoom;
    std::string stats;
    bool noHud = false;
    std::string prefs;
    std::string env;
    std::optional<double> time;
    std::optional<double> simulate;
    std::uint32_t seed = 0;
};

int fail(const std::string& message) {
    std::cerr << "zarnolt-cli render: " << message << '\n';
    return 1;
}

// Environment switches for one render, comma-separated: fog, nofog, water, nowater,
// shadows, noshadows, light=on|off, sky=0 … 5. False with the faulty word in `bad`.
bool applyEnvironment(const std::string& text, model::CZarnoltDocument& document,
                      std::string& bad) {
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string word = text.substr(start, comma - start);
        start = comma + 1;
        if (word.empty()) {
            continue;
        }
        if (word == "fog" || word == "nofog") {
            document.setEnvironmentFlag(model::EnvFog, word == "fog");
        } else if (word == "water" || word == "nowater") {
            document.setEnvironmentFlag(model::EnvNoWater, word == "nowater");
        } else if (word == "shadows" || word == "noshadows") {
            document.setPreferenceFlag(model::PrefNoShadows, word == "noshadows");
        } else if (word == "light=on" || word == "light=off") {
            document.setEnvironmentFlag(model::EnvLightOff, word == "light=off");
        } else if (word.size() == 5 && word.starts_with("sky=") && word[4] >= '0' &&
                   word[4] <= '5') {
            document.setSkyType(word[4] - '0');
        } else {
            bad = word;
            return false;
        }
    }
    return true;
}

// "WxH" with both sides 1 … kMaxRenderSide.
bool parseSize(const std::string& text, int& width, int& height) {
    const auto x = text.find_first_of("xX");
    if (x == std::string::npos) {
        return false;
    }
    const char* begin = text.data();
    const char* end = begin + text.size();
    const auto w = std::from_chars(begin, begin + x, width);
    const auto h = std::from_chars(begin + x + 1, end, height);
    return w.ec == std::errc() && w.ptr == begin + x && h.ec == std::errc() && h.ptr == end &&
           width >= 1 && width <= kMaxRenderSide && height >= 1 && height <= kMaxRenderSide;
}

// The context's pixels (RGBA, rows from the bottom) as RGB rows from the top.
std::vector<std::uint8_t> topDownRgb(const std::vector<std::uint8_t>& rgba, int width, int height) {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* from =
            rgba.data() + static_cast<std::size_t>(height - 1 - y) * width * 4;
        std::uint8_t* to = rgb.data() + static_cast<std::size_t>(y) * width * 3;
        for (int x = 0; x < width; ++x) {
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
            from += 4;
            to += 3;
        }
    }
    return rgb;
}

// Preference switches for one render: a comma-separated list of +name or -name, where +
// shows the feature. False (with the offending word) for an unknown name or a missing sign.
bool applyPreferenceSwitches(const std::string& text, model::CZarnoltDocument& document,
                             std::string& bad) {
    struct Switch {
        const char* name;
        std::uint32_t mask;
        bool flagMeansOff;
    };
    static constexpr Switch kSwitches[] = {
        {"shadows", model::PrefNoShadows, true},
        {"ballast", model::PrefNoBallast, true},
        {"fade", model::PrefNoFade, true},
        {"allfar", model::PrefShowAllFarTracks, false},
    };
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string word = text.substr(start, comma - start);
        start = comma + 1;
        if (word.empty() && comma == text.size() && text.empty()) {
            break;
        }
        const Switch* found = nullptr;
        if (word.size() >= 2 && (word[0] == '+' || word[0] == '-')) {
            for (const Switch& candidate : kSwitches) {
                if (word.compare(1, std::string::npos, candidate.name) == 0) {
                    found = &candidate;
                }
            }
        }
        if (found == nullptr) {
            bad = word;
            return false;
        }
        const bool show = word[0] == '+';
        document.setPreferenceFlag(found->mask, found->flagMeansOff ? !show : show);
    }
    return true;
}

nlohmann::ordered_json vec3(const render::Vec3& v) {
    return nlohmann::ordered_json::array({v.x, v.y, v.z});
}

// Every vehicle of the layout with where the centre of its model box appears in the picture
// (null when off screen or not placed).
nlohmann::ordered_json vehicleStats(render::CDocumentRenderer& renderer) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    const trains::CTrainControler* controller = trains::trainController();
    if (controller == nullptr) {
        return list;
    }
    const render::SceneMetrics& metrics = renderer.sceneMetrics();
    const trains::WorldScales scales{metrics.tileSize, metrics.layerHeight, metrics.tileSize};
    const render::CameraPose pose = renderer.currentPose();
    for (trains::CTrainItem* vehicle : controller->vehicles()) {
        nlohmann::ordered_json screen = nullptr;
        std::array<model::Vec3d, 8> corners;
        if (vehicle->modelBoxCorners(scales, corners)) {
            render::Vec3 centre;
            for (const model::Vec3d& c : corners) {
                centre = {centre.x + c.x / 8, centre.y + c.y / 8, centre.z + c.z / 8};
            }
            double x = 0;
            double y = 0;
            if (render::screenPoint(pose, renderer.cameraState(), centre, x, y)) {
                screen = nlohmann::ordered_json::array({x, y});
            }
        }
        list.push_back({{"id", vehicle->id()}, {"screen", std::move(screen)}});
    }
    return list;
}

int runRender(const RenderOptions& options) {
    int width = 0;
    int height = 0;
    if (!parseSize(options.size, width, height)) {
        return fail("--size must be WxH with both sides between 1 and " +
                    std::to_string(kMaxRenderSide));
    }
    if (options.camera < render::ModeLayout || options.camera > render::ModeChase) {
        return fail("--camera must lie between 0 and 6");
    }
    for (const auto& [name, value] :
         {std::pair{"--yaw", options.yaw}, std::pair{"--pitch", options.pitch}}) {
        if (value && !std::isfinite(*value)) {
            return fail(std::string(name) + " must be a number of degrees");
        }
    }
    if (options.zoom && !(*options.zoom >= render::kMinZoom && *options.zoom <= render::kMaxZoom)) {
        return fail("--zoom must lie between 1 and 3");
    }

    if (options.time && !(std::isfinite(*options.time) && *options.time >= 0)) {
        return fail("--time must be a number of seconds, 0 or more");
    }

    if (options.simulate && !(std::isfinite(*options.simulate) && *options.simulate >= 0 &&
                              *options.simulate <= 86400)) {
        return fail("--simulate must lie between 0 and 86400 seconds");
    }

    LayoutSession session;
    if (!session.read("render", options.file)) {
        return 1;
    }
    if (options.simulate) {
        trains::runSimulation(*options.simulate, options.seed);
    }
    // The riding and chase views ride the first vehicle.
    if (options.camera != render::ModeLayout && options.camera != render::ModeWalk &&
        trains::cameraTrain() == nullptr) {
        if (const trains::CTrainControler* controller = trains::trainController();
            controller != nullptr && !controller->vehicles().empty()) {
            trains::setCameraTrain(controller->vehicles().front());
        }
    }
    // The switches hold for this render only: the document saves its preference flags into
    // the user's settings when the session ends, so the stored flags are put back first.
    struct RestoreFlags {
        model::CZarnoltDocument& document;
        std::uint32_t flags;
        ~RestoreFlags() { document.setPreferenceFlags(flags); }
    } restoreFlags{session.document(), session.document().getPreferenceFlags()};
    if (!options.prefs.empty()) {
        std::string bad;
        if (!applyPreferenceSwitches(options.prefs, session.document(), bad)) {
            return fail("--prefs: unknown switch \"" + bad +
                        "\" (use +name or -name with shadows, ballast, fade, allfar)");
        }
    }
    if (std::string bad; !applyEnvironment(options.env, session.document(), bad)) {
        return fail("--env: unknown switch \"" + bad +
                    "\" (use fog, nofog, water, nowater, shadows, noshadows, light=on, "
                    "light=off, sky=0 … sky=5)");
    }
    render::opengl::OffscreenContext context(width, height);
    if (!context.valid()) {
        return fail("no OpenGL context (offscreen rendering is not available)");
    }
    auto renderer = std::make_unique<render::CDocumentRenderer>(
        session.document(), std::make_unique<render::opengl::COpenGLBackEnd>());
    if (!renderer->initialise(width, height, options.camera)) {
        return fail("the renderer could not be set up in the OpenGL context");
    }
    renderer->setHudVisible(!options.noHud);
    // A fixed animation time keeps renders of the same arguments identical.
    renderer->setFixedTime(options.time.value_or(0.0));
    if (options.yaw) {
        renderer->setLayoutYaw(*options.yaw);
    }
    if (options.pitch) {
        renderer->setLayoutPitch(*options.pitch);
    }
    if (options.zoom) {
        renderer->setZoom(*options.zoom);
    }
    renderer->applyCamera();
    const render::CameraPose pose = renderer->currentPose();
    if (!renderer->draw()) {
        return fail("the frame could not be drawn");
    }
    const std::vector<std::uint8_t> png =
        image::encodePngBytes(topDownRgb(context.readPixels(), width, height), width, height, 3);
    if (png.empty() || !image::writeFileBytes(options.out, png)) {
        return fail(options.out + ": cannot write the picture");
    }
    if (!options.stats.empty()) {
        const render::CameraState& camera = renderer->cameraState();
        nlohmann::ordered_json stats;
        stats["mode"] = camera.mode;
        stats["eye"] = vec3(pose.eye);
        stats["target"] = vec3(pose.target);
        stats["up"] = vec3(pose.up);
        stats["fov"] = camera.fieldOfView;
        stats["near"] = camera.nearPlane;
        stats["far"] = camera.farPlane;
        stats["zoom"] = camera.zoom;
        stats["yaw"] = camera.layoutYaw;
        stats["pitch"] = camera.layoutPitch;
        stats["width"] = width;
        stats["height"] = height;
        stats["brightness"] = renderer->brightness();
        stats["frameMs"] = renderer->lastFrameMilliseconds();
        const render::TrackFrameStats& track = renderer->trackStats();
        nlohmann::ordered_json entries = nlohmann::ordered_json::array();
        for (const render::DrawListEntry& entry : track.drawList) {
            if (entry.tile == nullptr) {
                continue; // vehicles are listed on their own
            }
            const model::CTrackStructureItem* structure = entry.tile->getStructure();
            entries.push_back({{"layer", entry.layer},
                               {"column", entry.column},
                               {"row", entry.row},
                               {"distance", entry.distance},
                               {"level", entry.level},
                               {"alpha", entry.alpha},
                               {"structure", structure ? structure->getCategory() : 0}});
        }
        stats["drawList"] = std::move(entries);
        stats["vehicles"] = vehicleStats(*renderer);
        stats["lists"] = {{"compiled", track.listsCompiled}, {"called", track.listsCalled}};
        stats["shadows"] = {{"listed", track.shadowList.size()}, {"casters", track.shadowCasters}};
        const std::string text = stats.dump(2) + "\n";
        if (!image::writeFileBytes(
                options.stats, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()})) {
            return fail(options.stats + ": cannot write the statistics");
        }
    }
    return 0;
}

} // namespace

void registerRenderCommand(CLI::App& app, int& exitCode) {
    CLI::App* command =
        app.add_subcommand("render", "Draw one frame of a layout's 3D view into a PNG");
    auto options = std::make_shared<RenderOptions>();
    command->add_option("FILE", options->file, "layout file (.zrn)")->required();
    command->add_option("--out", options->out, "PNG file to write")->required();
    command->add_option("--size", options->size, "picture size WxH (default 640x480)");
    command->add_option("--camera", options->camera, "camera mode 0 … 6 (default 0)");
    command->add_option("--yaw", options->yaw, "standard view yaw, whole degrees");
    command->add_option("--pitch", options->pitch, "standard view pitch, whole degrees");
    command->add_option("--zoom", options->zoom, "zoom 1 … 3");
    command->add_option(
        "--stats", options->stats,
        "JSON file with the camera, frame time, draw list, list counts and vehicles");
    command->add_option(
        "--prefs", options->prefs,
        "preference switches for this render, e.g. -shadows,-ballast,+allfar,-fade");
    command->add_flag("--no-hud", options->noHud, "leave out the frame-rate text");
    command->add_option("--env", options->env,
                        "environment switches for this render, e.g. fog,nowater,sky=2,light=off");
    command->add_option("--time", options->time, "seconds of the water animation (default 0)");
    command->add_option("--simulate", options->simulate,
                        "run the trains for these simulated seconds before drawing");
    command->add_option("--seed", options->seed, "seed of the random line choices of --simulate");
    command->callback([options, &exitCode] {
        exitCode = guarded("render", [&] { return runRender(*options); });
    });
}

} // namespace cli
