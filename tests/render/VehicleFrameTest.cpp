// Vehicles in the 3D view: a sample layout's trains, run for a while, show where the render's
// statistics place them; the riding views look along the vehicle's way.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "image/PngCodec.h"
#include "model/CTrackItem.h"
#include "model/CZarnoltDocument.h"
#include "model/TrackTiles.h"
#include "render/CDocumentRenderer.h"
#include "render/RideCamera.h"
#include "render/opengl/COpenGLBackEnd.h"
#include "render/opengl/OffscreenContext.h"
#include "support/CliRunner.h"
#include "support/TempFolder.h"
#include "trains/CTrainControler.h"
#include "trains/CTrainItem.h"
#include "trains/VehicleRegistry.h"
#include "trains/VehicleTypes.h"

namespace {

const std::filesystem::path kLoop = std::string(ZARNOLT_BUILD_DIR) + "/bin/サンプル/複線ループ.zrn";

// A copy of the layout whose trains chunk carries an unknown tag, so that readers skip it.
std::filesystem::path withoutTrains(const std::filesystem::path& layout,
                                    const testsupport::TempFolder& scratch) {
    std::ifstream in(layout, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string tag = "TrnC";
    const auto at = std::search(bytes.begin(), bytes.end(), tag.begin(), tag.end());
    EXPECT_NE(at, bytes.end());
    if (at != bytes.end()) {
        *at = 'X';
    }
    const std::filesystem::path copy = scratch / "notrains.zrn";
    std::ofstream out(copy, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return copy;
}

TEST(VehicleFrame, AfterRunningEveryVisibleVehicleChangesThePixelsAtItsScreenPoint) {
    testsupport::TempFolder scratch;
    const std::string stats = (scratch / "stats.json").string();
    const auto render = [&](const std::filesystem::path& layout, const std::string& png) {
        const auto run =
            testsupport::runCli({"render", layout.string(), "--out", png, "--size", "320x240",
                                 "--no-hud", "--simulate", "10", "--seed", "3", "--stats", stats},
                                scratch);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return image::readPngFile(png);
    };
    const auto empty = render(withoutTrains(kLoop, scratch), (scratch / "empty.png").string());
    const auto trains = render(kLoop, (scratch / "trains.png").string());
    ASSERT_TRUE(empty && trains);
    ASSERT_EQ(empty->pixels.size(), trains->pixels.size());
    std::ifstream in(stats);
    const nlohmann::json json = nlohmann::json::parse(in);
    ASSERT_EQ(json["vehicles"].size(), 6u);

    int onScreen = 0;
    for (const auto& vehicle : json["vehicles"]) {
        EXPECT_GT(vehicle["id"].get<int>(), 0);
        if (vehicle["screen"].is_null()) {
            continue;
        }
        ++onScreen;
        const int cx = static_cast<int>(vehicle["screen"][0].get<double>());
        const int cy = static_cast<int>(vehicle["screen"][1].get<double>());
        int changed = 0;
        for (int y = std::max(cy - 3, 0); y <= std::min(cy + 3, trains->height - 1); ++y) {
            for (int x = std::max(cx - 3, 0); x <= std::min(cx + 3, trains->width - 1); ++x) {
                const std::size_t i =
                    (static_cast<std::size_t>(y) * trains->width + x) * trains->bytesPerPixel;
                changed += std::equal(trains->pixels.begin() + i,
                                      trains->pixels.begin() + i + trains->bytesPerPixel,
                                      empty->pixels.begin() + i)
                               ? 0
                               : 1;
            }
        }
        EXPECT_GT(changed, 20) << "vehicle " << vehicle["id"] << " at " << cx << ", " << cy;
    }
    // The standard view shows the whole board.
    EXPECT_EQ(onScreen, 6);
}

TEST(VehicleFrame, TheDriverSeatLooksAlongTheTrackAndTheRidingViewsTurnWithIt) {
    testsupport::TempFolder scratch;
    const std::string stats = (scratch / "stats.json").string();
    const std::string png = (scratch / "cab.png").string();
    const auto run =
        testsupport::runCli({"render", kLoop.string(), "--out", png, "--size", "160x120",
                             "--simulate", "10", "--camera", "1", "--stats", stats},
                            scratch);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::ifstream in(stats);
    const nlohmann::json json = nlohmann::json::parse(in);
    EXPECT_EQ(json["mode"].get<int>(), 1);
    // Level, and along one of the board's axes, which the loop's long straights follow.
    const double dx = json["target"][0].get<double>() - json["eye"][0].get<double>();
    const double dy = json["target"][1].get<double>() - json["eye"][1].get<double>();
    const double dz = json["target"][2].get<double>() - json["eye"][2].get<double>();
    const double length = std::hypot(dx, dy, dz);
    ASSERT_GT(length, 1.0);
    EXPECT_NEAR(dy / length, 0.0, 1e-6);
    EXPECT_NEAR(std::min(std::fabs(dx), std::fabs(dz)) / length, 0.0, 1e-3);
    // The eye rides at seat height above the board.
    EXPECT_GT(json["eye"][1].get<double>(), 0.2);
    EXPECT_LT(json["eye"][1].get<double>(), 1.0);

    // Without a train to ride, the riding views show the standard view.
    for (const char* mode : {"1", "4", "6"}) {
        const auto plain =
            testsupport::runCli({"render", withoutTrains(kLoop, scratch).string(), "--out", png,
                                 "--size", "160x120", "--camera", mode, "--stats", stats},
                                scratch);
        ASSERT_EQ(plain.exitCode, 0) << plain.err;
        std::ifstream again(stats);
        EXPECT_EQ(nlohmann::json::parse(again)["mode"].get<int>(), 0) << mode;
    }

    // Modes and headings: the seat looks ahead, the windows to the sides, the conductor's room
    // back; a vehicle running reversed looks the other way.
    struct Case {
        int mode;
        render::Vec3 heading;
        bool reversed;
        render::Vec3 look;
    };
    const Case cases[] = {
        {render::ModeDriverSeat, {1, 0, 0}, false, {1, 0, 0}},
        {render::ModeDriverSeat, {0, 0, 1}, false, {0, 0, 1}},
        {render::ModeDriverSeat, {1, 0, 0}, true, {-1, 0, 0}},
        {render::ModeLeftWindow, {1, 0, 0}, false, {0, 0, -1}},
        {render::ModeRightWindow, {1, 0, 0}, false, {0, 0, 1}},
        {render::ModeRightWindow, {0, 0, -1}, false, {1, 0, 0}},
        {render::ModeConductorRoom, {1, 0, 0}, false, {-1, 0, 0}},
        {render::ModeChase, {0, 0, 1}, false, {0, 0, 1}},
    };
    for (const Case& c : cases) {
        render::RideInput input;
        input.mode = c.mode;
        input.p1 = {4, 0, 4};
        input.p2 = {4 + 0.35 * c.heading.x, 0, 4 + 0.35 * c.heading.z};
        input.reversedRunning = c.reversed;
        input.extent = 10;
        render::rideModelPoints(c.mode, -0.6, {0.5, 0.4, 0}, {1.5, 0.75, 0}, 10, 1.0, input.eye,
                                input.target);
        render::CameraPose pose;
        ASSERT_TRUE(render::ridePose(input, {}, pose));
        const render::Vec3 d{pose.target.x - pose.eye.x, pose.target.y - pose.eye.y,
                             pose.target.z - pose.eye.z};
        const double n = std::hypot(d.x, d.z);
        ASSERT_GT(n, 0) << c.mode;
        EXPECT_NEAR(d.x / n, c.look.x, 1e-9) << "mode " << c.mode;
        EXPECT_NEAR(d.z / n, c.look.z, 1e-9) << "mode " << c.mode;
    }
    // Coinciding wheel sets give no pose.
    render::RideInput still;
    render::CameraPose pose;
    EXPECT_FALSE(render::ridePose(still, {}, pose));
}

} // namespace

namespace {

// One locomotive standing on a straight line of an 8 × 8 board, drawn by a renderer of its own.
class StandingVehicle : public ::testing::Test {
protected:
    void SetUp() override {
        context_ = std::make_unique<render::opengl::OffscreenContext>(160, 120);
        ASSERT_TRUE(context_->valid());
        document_ = std::make_unique<model::CZarnoltDocument>(8, 8);
        for (std::int16_t c = 0; c < 8; ++c) {
            model::createTile({c, 3}, 0)->setShape(1);
        }
    }
    void TearDown() override {
        renderer_.reset();
        document_.reset();
        context_.reset();
        trains::deleteAllVehicles();
        model::deleteAllTiles();
    }
    void addLocomotive() {
        trains::CTrainItem* vehicle =
            trains::createVehicle(model::tileAt(0, {4, 3}), trains::TypeElectric, "EL01.zn3");
        ASSERT_NE(vehicle, nullptr);
        ASSERT_NE(vehicle->findModel(), nullptr);
        trains::getOrCreateTrainController().addVehicle(vehicle);
    }
    // The lists compiled by the first frame of a new renderer.
    int firstFrameCompiles() {
        renderer_ = std::make_unique<render::CDocumentRenderer>(
            *document_, std::make_unique<render::opengl::COpenGLBackEnd>());
        EXPECT_TRUE(renderer_->initialise(160, 120, 0));
        renderer_->setHudVisible(false);
        EXPECT_TRUE(renderer_->draw());
        return renderer_->trackStats().listsCompiled;
    }

    std::unique_ptr<render::opengl::OffscreenContext> context_;
    std::unique_ptr<model::CZarnoltDocument> document_;
    std::unique_ptr<render::CDocumentRenderer> renderer_;
};

TEST_F(StandingVehicle, ItsWheelsAreCompiledOnceAndLaterFramesDrawTheSame) {
    const int withoutVehicle = firstFrameCompiles();
    addLocomotive();
    const int withVehicle = firstFrameCompiles();
    // The axle and the wheel model of the locomotive's fade level.
    EXPECT_GE(withVehicle - withoutVehicle, 2);
    const std::vector<std::uint8_t> compiled = context_->readPixels();
    ASSERT_TRUE(renderer_->draw());
    EXPECT_EQ(renderer_->trackStats().listsCompiled, 0);
    EXPECT_EQ(context_->readPixels(), compiled);
}

} // namespace
