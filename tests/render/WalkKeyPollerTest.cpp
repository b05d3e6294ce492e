// The key poller and the walk area, with a hand-driven clock and no graphics context.
#include "render/WalkKeyPoller.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "model/CTrackItem.h"
#include "model/TrackTiles.h"

namespace {

using render::Camera;
using render::CameraPose;
using render::KeyStateTable;
using render::SceneMetrics;
using render::Vec3;
using render::WalkArea;
using render::WalkKeyPoller;

constexpr double kPoll = 0.01;

class WalkPoller : public ::testing::Test {
protected:
    void TearDown() override { model::deleteAllTiles(); }

    // A walker on a 10 × 10 board standing at (x, z) and looking towards −z.
    void standAt(double x, double z) {
        camera.setViewport(640, 480);
        camera.setMode(render::ModeWalk, metrics, render::CameraFacts{}, false);
        camera.state().eye = {x, 0.5, z};
        camera.state().target = {x, 0.5, z - 10};
    }
    WalkArea area() const { return WalkArea(metrics, obstacles, ground); }
    // Polls every 10 ms for `seconds`; the number of polls that asked to go on.
    int pollFor(double seconds) {
        const WalkArea walk = area();
        int goOn = 0;
        const int polls = static_cast<int>(std::lround(seconds / kPoll));
        for (int i = 0; i < polls; ++i) {
            now += kPoll;
            goOn += poller.poll(keys, camera, walk).keepPolling ? 1 : 0;
        }
        return goOn;
    }
    static double horizontalAngle(const Vec3& eye, const Vec3& target) {
        return std::atan2(target.x - eye.x, -(target.z - eye.z)) * 180 / std::numbers::pi;
    }

    SceneMetrics metrics = render::computeSceneMetrics(10, 10);
    double now = 100.0;
    WalkKeyPoller poller{[this] { return now; }};
    KeyStateTable keys;
    Camera camera;
    render::WalkObstacles obstacles;
    render::GroundHeight ground;
};

TEST_F(WalkPoller, AHeldKeyWalksOneTileASecondAtFullSpeedAndShiftRunsThreeTimesAsFast) {
    const struct {
        bool run;
        double tilesPerSecond;
    } cases[] = {{false, 1.0}, {true, 3.0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.run ? "running" : "walking");
        keys.clear();
        poller.reset();
        standAt(5, 9);
        keys.press('W', false);
        if (c.run) {
            keys.press(16, false);
        }
        // The walker gets going within the first second...
        pollFor(1.0);
        const Vec3 started = camera.state().eye;
        EXPECT_LT(started.z, 9.0);
        EXPECT_LT(9.0 - started.z, c.tilesPerSecond);
        ASSERT_EQ(poller.motion().moveSpeed, poller.motion().maxMoveSpeed);
        // ...and then covers the full speed each second, straight ahead.
        pollFor(1.0);
        const Vec3 walked = camera.state().eye;
        EXPECT_NEAR(started.z - walked.z, c.tilesPerSecond * metrics.tileSize, 1e-9);
        EXPECT_DOUBLE_EQ(walked.x, 5.0);
        EXPECT_DOUBLE_EQ(walked.y, started.y);
        EXPECT_NEAR(camera.state().target.z, walked.z - 10, 1e-9);
    }
}

TEST_F(WalkPoller, BackAndSidewaysKeysMoveRelativeToTheView) {
    const struct {
        int key;
        double dx;
        double dz;
    } cases[] = {{'S', 0, 1}, {'A', -1, 0}, {'D', 1, 0}, {38, 0, -1}, {40, 0, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        keys.clear();
        poller.reset();
        standAt(5, 5);
        keys.press(c.key, false);
        pollFor(0.5);
        const Vec3 eye = camera.state().eye;
        const double moved = std::hypot(eye.x - 5, eye.z - 5);
        ASSERT_GT(moved, 0.05);
        EXPECT_NEAR((eye.x - 5) / moved, c.dx, 1e-9);
        EXPECT_NEAR((eye.z - 5) / moved, c.dz, 1e-9);
    }
}

TEST_F(WalkPoller, TurnKeysTurnUpToThirtyDegreesASecondAboutTheEye) {
    const struct {
        int key;
        bool run;
        double degreesPerSecond; // positive: to the left
    } cases[] = {{37, false, 30}, {39, false, -30}, {37, true, 90}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        keys.clear();
        poller.reset();
        standAt(5, 5);
        keys.press(c.key, false);
        if (c.run) {
            keys.press(16, false);
        }
        pollFor(1.0);
        ASSERT_EQ(poller.motion().turnSpeed, poller.motion().maxTurnSpeed);
        const double before = horizontalAngle(camera.state().eye, camera.state().target);
        pollFor(0.5);
        const double after = horizontalAngle(camera.state().eye, camera.state().target);
        // Angles measured clockwise from −z; a left turn makes them smaller.
        EXPECT_NEAR(before - after, c.degreesPerSecond * 0.5, 1e-6);
        EXPECT_EQ(camera.state().eye, (Vec3{5, 0.5, 5}));
    }
    // Left from looking towards −z faces −x.
    keys.clear();
    poller.reset();
    standAt(5, 5);
    keys.press(37, false);
    pollFor(1.0);
    EXPECT_LT(camera.state().target.x, 5.0);
}

TEST_F(WalkPoller, AfterReleaseTheWalkerGlidesToAStopNeverFasterThanItWalked) {
    standAt(5, 9);
    keys.press('W', false);
    pollFor(1.0);
    keys.release('W', false);
    const WalkArea walk = area();
    double last = camera.state().eye.z;
    int glidingPolls = 0;
    bool goOn = true;
    while (goOn && glidingPolls < 1000) {
        now += kPoll;
        goOn = poller.poll(keys, camera, walk).keepPolling;
        const double z = camera.state().eye.z;
        EXPECT_LE(z, last);
        EXPECT_LE(last - z, poller.motion().maxMoveSpeed * kPoll * metrics.tileSize + 1e-12);
        last = z;
        ++glidingPolls;
    }
    EXPECT_FALSE(goOn);
    EXPECT_GT(glidingPolls, 1);
    EXPECT_EQ(poller.motion().moveSpeed, 0);
    const Vec3 stopped = camera.state().eye;
    EXPECT_EQ(pollFor(0.2), 0);
    EXPECT_EQ(camera.state().eye, stopped);
}

TEST_F(WalkPoller, AStepUpOfAThirdOfATileAndMoreIsRefused) {
    // The ground rises at z = 5 by `step`; the walker comes from z = 7.
    const struct {
        double step;
        bool climbs;
    } cases[] = {{0.30, true}, {0.34, true}, {0.35, false}, {0.6, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        ground = [step = c.step](double, double z) { return z < 5 ? step : 0.0; };
        keys.clear();
        poller.reset();
        standAt(5, 7);
        keys.press('W', false);
        pollFor(4.0);
        EXPECT_EQ(camera.state().eye.z < 5, c.climbs);
        if (!c.climbs) {
            EXPECT_LT(camera.state().eye.z, 5.1); // it walked up to the edge
        }
    }
    // Going down is always allowed.
    ground = [](double, double z) { return z < 5 ? 0.0 : 0.8; };
    keys.clear();
    poller.reset();
    standAt(5, 7);
    keys.press('W', false);
    pollFor(4.0);
    EXPECT_LT(camera.state().eye.z, 5);
}

TEST_F(WalkPoller, TheWalkerStaysInsideTheWalkLimit) {
    const WalkArea walk = area();
    const double limit = walk.limit();
    EXPECT_DOUBLE_EQ(limit, 1.5 * 10);
    // Beyond the limit a pose is refused, or pulled back by 1.1 × the excess.
    CameraPose far{{5, 0.5, 5 + limit + 2}, {5, 0.5, 0}, {0, 1, 0}};
    CameraPose refused = far;
    EXPECT_FALSE(walk.check(refused, false));
    CameraPose corrected = far;
    EXPECT_TRUE(walk.check(corrected, true));
    EXPECT_NEAR(corrected.eye.z, 5 + limit - 0.2, 1e-9);
    EXPECT_NEAR(corrected.target.z, -2.2, 1e-9);

    // Walking backwards out of the board stops at the limit.
    standAt(5, 9);
    keys.press('S', false);
    keys.press(16, false);
    pollFor(15.0);
    const Vec3 eye = camera.state().eye;
    const double distance = std::hypot(eye.x - metrics.centreX, eye.z - metrics.centreZ);
    EXPECT_LE(distance, limit);
    EXPECT_GT(distance, limit - 0.1);
}

TEST_F(WalkPoller, CrouchAndStandStepAnEighthOfAQuarterTileWithinTheirBounds) {
    standAt(5, 5);
    keys.press('Z', false);
    pollFor(0.05);
    EXPECT_NEAR(camera.state().eye.y, 0.5 - 5 * 0.03125, 1e-12);
    pollFor(1.0);
    EXPECT_GE(camera.state().eye.y, 0.03125);
    EXPECT_LT(camera.state().eye.y, 0.0625);
    keys.clear();
    keys.press('X', false);
    pollFor(1.0);
    EXPECT_LE(camera.state().eye.y, 0.5);
    EXPECT_GT(camera.state().eye.y, 0.5 - 0.03125);
}

TEST_F(WalkPoller, TheUsersKeysReplaceTheDefaultsButTheArrowsStillWalk) {
    model::PreferenceData preferences = model::PreferenceData::defaults();
    preferences.keys[model::WalkForward].keyCode = 'I';
    poller.setBindings(render::WalkKeyBindings::fromPreferences(preferences));
    standAt(5, 9);
    keys.press('W', false);
    pollFor(0.5);
    EXPECT_EQ(camera.state().eye.z, 9.0);
    keys.clear();
    keys.press('I', false);
    pollFor(0.5);
    const double walked = camera.state().eye.z;
    EXPECT_LT(walked, 9.0);
    keys.clear();
    poller.reset();
    keys.press(38, false);
    pollFor(0.5);
    EXPECT_LT(camera.state().eye.z, walked);
}

TEST_F(WalkPoller, OtherModesTurnByWholeDegreeStepsPerPoll) {
    camera.setViewport(640, 480);
    camera.setMode(render::ModeLayout, metrics, render::CameraFacts{}, false);
    const WalkArea walk = area();
    keys.press(39, false);
    EXPECT_TRUE(poller.poll(keys, camera, walk).moved);
    EXPECT_EQ(camera.state().layoutYaw, 2);
    keys.press(16, false);
    keys.press('W', false);
    const render::WalkPollResult result = poller.poll(keys, camera, walk);
    EXPECT_TRUE(result.moved);
    EXPECT_TRUE(result.keepPolling);
    EXPECT_EQ(camera.state().layoutYaw, 8);
    EXPECT_EQ(camera.state().layoutPitch, -6);
    keys.clear();
    EXPECT_FALSE(poller.poll(keys, camera, walk).keepPolling);
}

TEST_F(WalkPoller, ChaseKeysTurnTheViewAndMoveTheEyeWithinOneAndAHalfTiles) {
    camera.setViewport(640, 480);
    render::CameraFacts facts;
    facts.rideAvailable = true;
    camera.setMode(render::ModeChase, metrics, facts, false);
    ASSERT_EQ(camera.state().mode, render::ModeChase);
    const WalkArea walk = area();
    render::ChaseOffsets chase;
    // Forward raises the eye; back and the strafe keys lose to it in the same poll.
    keys.press('W', false);
    keys.press('A', false);
    EXPECT_TRUE(poller.poll(keys, camera, walk, &chase).moved);
    EXPECT_NEAR(chase.height, 0.1, 1e-12);
    EXPECT_EQ(chase.side, 0.0);
    EXPECT_EQ(camera.state().ridePitch, 0.0); // forward does not tilt the chase view
    keys.clear();
    // Strafe right moves it aside, up to the last step that stays inside 1.5.
    keys.press('D', false);
    for (int i = 0; i < 30; ++i) {
        poller.poll(keys, camera, walk, &chase);
    }
    EXPECT_GT(chase.side, 1.35);
    EXPECT_LT(chase.side, 1.5);
    EXPECT_FALSE(poller.poll(keys, camera, walk, &chase).moved);
    keys.clear();
    // Turn keys turn the chase view; without offsets to move nothing else happens.
    keys.press(39, false);
    EXPECT_TRUE(poller.poll(keys, camera, walk).moved);
    EXPECT_EQ(camera.state().rideYaw, 2);
}

TEST_F(WalkPoller, TracksAreCrossedButControlItemsStopTheWalker) {
    // One tile in the walker's way at column 4, row 3; the walker comes down x = 4.5.
    const struct {
        bool crossing;
        bool passes;
    } cases[] = {{false, true}, {true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.crossing ? "crossing gate" : "plain track");
        model::deleteAllTiles();
        model::CTrackItem* tile = model::createTile({4, 3}, 0);
        tile->setShape(1);
        if (c.crossing) {
            // Its gate post stands at x 3.9 … 4.1, z 2.9 … 3.1, in the walker's path.
            tile->addControlItem(model::KindCrossing);
        }
        obstacles = render::tileContentObstacles(metrics);
        keys.clear();
        poller.reset();
        standAt(4.0, 6);
        keys.press('W', false);
        pollFor(5.0);
        const double z = camera.state().eye.z;
        EXPECT_EQ(z < 3.0, c.passes) << z;
        if (!c.passes) {
            // Stopped at the post's far side, one body radius away.
            EXPECT_GE(z, 3.1 + WalkArea::kBodyRadius);
            EXPECT_LT(z, 3.3);
        }
    }
}

TEST_F(WalkPoller, EnteringWalkModeOnABlockedFrontRowStandsFartherBack) {
    // A wall across the board's front edge and the first row beyond it.
    obstacles = [](double, double, std::vector<model::SceneBox>& out) {
        out.push_back(model::SceneBox{{-100, 0, 9.5}, {100, 2, 11.5}});
    };
    const WalkArea walk = area();
    camera.setViewport(640, 480);
    camera.setMode(render::ModeWalk, metrics, render::CameraFacts{}, false,
                   [&walk](CameraPose& pose) { return walk.check(pose, false); });
    EXPECT_EQ(camera.state().eye.z, 12.0);
    CameraPose pose{camera.state().eye, camera.state().target, {0, 1, 0}};
    EXPECT_TRUE(walk.check(pose, false));
}

} // namespace
