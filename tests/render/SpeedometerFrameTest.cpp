// Riding a locomotive: the cab's speedometer needles follow the vehicle's speed in the cab
// views and are not drawn outside them; the chase keys move the chasing eye.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <tuple>
#include <vector>

#include "model/CTrackItem.h"
#include "model/CZarnoltDocument.h"
#include "model/TrackTiles.h"
#include "render/CDocumentRenderer.h"
#include "render/WalkKeyPoller.h"
#include "render/opengl/COpenGLBackEnd.h"
#include "render/opengl/OffscreenContext.h"
#include "trains/CTrainControler.h"
#include "trains/CTrainItem.h"
#include "trains/VehicleRegistry.h"
#include "trains/VehicleTypes.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

class SpeedometerFrame : public ::testing::Test {
protected:
    void SetUp() override {
        context_ = std::make_unique<render::opengl::OffscreenContext>(kWidth, kHeight);
        ASSERT_TRUE(context_->valid());
        document_ = std::make_unique<model::CZarnoltDocument>(16, 5);
        for (std::int16_t c = 0; c < 16; ++c) {
            model::createTile({c, 2}, 0)->setShape(1);
        }
        // An electric locomotive of the data pack, whose model has a cab panel.
        locomotive_ =
            trains::createVehicle(model::tileAt(0, {8, 2}), trains::TypeElectric, "EL01.zn3");
        ASSERT_NE(locomotive_, nullptr);
        ASSERT_NE(locomotive_->findModel(), nullptr);
        ASSERT_TRUE(locomotive_->findModel()->hasVehicleValue());
        trains::getOrCreateTrainController().addVehicle(locomotive_);
        trains::setCameraTrain(locomotive_);
    }
    void TearDown() override {
        renderer_.reset();
        trains::setCameraTrain(nullptr);
        trains::deleteAllVehicles();
        document_.reset();
        context_.reset();
        model::deleteAllTiles();
    }
    // One frame in `mode` with the locomotive at `speed`.
    std::vector<std::uint8_t> frame(int mode, double speed) {
        renderer_ = std::make_unique<render::CDocumentRenderer>(
            *document_, std::make_unique<render::opengl::COpenGLBackEnd>());
        EXPECT_TRUE(renderer_->initialise(kWidth, kHeight, mode));
        renderer_->setHudVisible(false);
        renderer_->setFixedTime(0);
        EXPECT_EQ(renderer_->cameraMode(), mode);
        locomotive_->setSpeed(speed);
        EXPECT_TRUE(renderer_->draw());
        std::vector<std::uint8_t> pixels = context_->readPixels();
        renderer_.reset();
        return pixels;
    }
    // The rows (counted from the bottom) in which the two pictures differ.
    static std::vector<int> differingRows(const std::vector<std::uint8_t>& a,
                                          const std::vector<std::uint8_t>& b) {
        std::vector<int> rows;
        const std::size_t stride = a.size() / kHeight;
        for (int y = 0; y < kHeight; ++y) {
            for (std::size_t i = y * stride; i < (y + 1) * stride; ++i) {
                if (a[i] != b[i]) {
                    rows.push_back(y);
                    break;
                }
            }
        }
        return rows;
    }

    std::unique_ptr<render::opengl::OffscreenContext> context_;
    std::unique_ptr<model::CZarnoltDocument> document_;
    std::unique_ptr<render::CDocumentRenderer> renderer_;
    trains::CTrainItem* locomotive_ = nullptr;
};

TEST_F(SpeedometerFrame, TheCabViewShowsTheNeedlesTurningWithTheSpeed) {
    const std::vector<std::uint8_t> standing = frame(render::ModeDriverSeat, 0);
    const std::vector<std::uint8_t> running = frame(render::ModeDriverSeat, 120);
    ASSERT_EQ(standing.size(), running.size());
    // Only the needles move: a small part of the picture, below the horizon.
    const std::vector<int> rows = differingRows(standing, running);
    ASSERT_FALSE(rows.empty());
    EXPECT_LT(rows.size(), static_cast<std::size_t>(kHeight / 3));
    EXPECT_LT(rows.back(), kHeight / 2);
    // The same speed draws the same picture.
    EXPECT_EQ(frame(render::ModeDriverSeat, 120), running);
}

TEST_F(SpeedometerFrame, OutsideTheCabViewsTheSpeedChangesNothing) {
    for (const int mode : {render::ModeLayout, render::ModeChase}) {
        SCOPED_TRACE(mode);
        EXPECT_EQ(frame(mode, 0), frame(mode, 120));
    }
}

TEST_F(SpeedometerFrame, ChaseKeysMoveTheChasingEyeUpAndAsideOfTheCameraTrain) {
    renderer_ = std::make_unique<render::CDocumentRenderer>(
        *document_, std::make_unique<render::opengl::COpenGLBackEnd>());
    ASSERT_TRUE(renderer_->initialise(kWidth, kHeight, render::ModeChase));
    ASSERT_EQ(renderer_->cameraMode(), render::ModeChase);
    const render::CameraPose before = renderer_->currentPose();
    render::WalkKeyPoller poller{[] { return 0.0; }};
    render::KeyStateTable keys;
    keys.press('W', false);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(poller.poll(keys, *renderer_).moved);
    }
    keys.clear();
    keys.press('D', false);
    EXPECT_TRUE(poller.poll(keys, *renderer_).moved);
    EXPECT_NEAR(locomotive_->chaseHeightOffset(), 0.3, 1e-9);
    EXPECT_NEAR(locomotive_->chaseSideOffset(), 0.1, 1e-9);
    // The eye rose by 0.3 tile and moved 0.1 tile aside; the target stayed.
    const render::CameraPose after = renderer_->currentPose();
    const double t = renderer_->sceneMetrics().tileSize;
    EXPECT_NEAR(after.eye.y - before.eye.y, 0.3 * t, 1e-9);
    EXPECT_NEAR(std::hypot(after.eye.x - before.eye.x, after.eye.z - before.eye.z), 0.1 * t, 1e-9);
    EXPECT_NEAR(after.target.y, before.target.y, 1e-9);
}

} // namespace

namespace {

// In the standard view of a long board the locomotive stands so far away that its cab panel
// would cover under two pixels and its wheels under one: leaving them out changes no pixel.
TEST(DistantVehicle, ItsCabPanelAndRunningGearAreLeftOutWithoutAVisibleChange) {
    constexpr int kColumns = 80;
    render::opengl::OffscreenContext context(kWidth, kHeight);
    ASSERT_TRUE(context.valid());
    model::CZarnoltDocument document(kColumns, 5);
    for (std::int16_t c = 0; c < kColumns; ++c) {
        model::createTile({c, 2}, 0)->setShape(1);
    }
    trains::CTrainItem* locomotive =
        trains::createVehicle(model::tileAt(0, {40, 2}), trains::TypeElectric, "EL01.zn3");
    ASSERT_NE(locomotive, nullptr);
    trains::getOrCreateTrainController().addVehicle(locomotive);
    {
        render::CDocumentRenderer renderer(document,
                                           std::make_unique<render::opengl::COpenGLBackEnd>());
        ASSERT_TRUE(renderer.initialise(kWidth, kHeight, render::ModeLayout));
        renderer.setHudVisible(false);
        renderer.setFixedTime(0);
        auto frame = [&](bool trimmed) {
            renderer.setDistantSidesTrimmed(trimmed);
            EXPECT_TRUE(renderer.draw()); // compiles what the setting needs
            EXPECT_TRUE(renderer.draw());
            return std::make_tuple(context.readPixels(), renderer.trackStats().cabPanels,
                                   renderer.trackStats().runningGear);
        };
        const auto [whole, wholePanels, wholeGear] = frame(false);
        const auto [trimmed, trimmedPanels, trimmedGear] = frame(true);
        EXPECT_EQ(wholePanels, 1);
        EXPECT_EQ(wholeGear, 1);
        EXPECT_EQ(trimmedPanels, 0);
        EXPECT_EQ(trimmedGear, 0);
        EXPECT_EQ(trimmed, whole);
    }
    trains::deleteAllVehicles();
    model::deleteAllTiles();
}

} // namespace
