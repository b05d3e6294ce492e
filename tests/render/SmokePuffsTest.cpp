// Locomotive smoke and the cab speedometer's needles.
#include <gtest/gtest.h>

#include "render/SmokePuffs.h"

namespace {

using render::SmokePuffs;

// Runs a steam locomotive's smoke for `seconds` at `fps` frames a second; returns the puffs
// made.
int runSmoke(SmokePuffs& smoke, double fps, double seconds) {
    double last = 0;
    int made = 0;
    const int frames = static_cast<int>(seconds * fps);
    for (int i = 0; i <= frames; ++i) {
        const double now = 100.0 + i / fps;
        made += smoke.emitPuff(7, {1, 2, 3}, now, last) ? 1 : 0;
        smoke.advance(now, 1.0);
    }
    return made;
}

TEST(SmokePuffs, OnePuffASecondGrowingWithTimeNotFrames) {
    for (const double fps : {10.0, 30.0, 60.0, 250.0}) {
        SmokePuffs smoke;
        EXPECT_EQ(runSmoke(smoke, fps, 3.5), 4) << fps; // at 0, 1, 2 and 3 seconds
    }
    // Half a second after a puff, it has grown the same at any frame rate.
    for (const double fps : {20.0, 100.0}) {
        SmokePuffs smoke;
        runSmoke(smoke, fps, 0.5);
        ASSERT_EQ(smoke.puffs().size(), 1u) << fps;
        const render::SmokePuff& puff = smoke.puffs().front();
        EXPECT_NEAR(puff.size, 0.75, 1e-9) << fps;
        EXPECT_NEAR(puff.threshold, 0.35, 1e-9) << fps;
        EXPECT_NEAR(puff.position.y, 2.25, 1e-9) << fps;
        EXPECT_EQ(puff.vehicle, 7);
    }
    // A puff is gone once it has grown to full size, a second after it was made.
    SmokePuffs smoke;
    double last = 0;
    ASSERT_TRUE(smoke.emitPuff(1, {}, 50.0, last));
    EXPECT_FALSE(smoke.emitPuff(1, {}, 50.9, last));
    smoke.advance(50.9, 1.0);
    EXPECT_EQ(smoke.puffs().size(), 1u);
    smoke.advance(51.2, 1.0);
    EXPECT_TRUE(smoke.puffs().empty());
}

TEST(Speedometer, NeedleAngles) {
    struct Case {
        int gauge;
        double speed;
        double angle;
    };
    const Case cases[] = {
        {1, 0, 213},   {1, 100, 213}, {2, 0, 213},   {2, 100, 128.625}, {2, 320, -57},
        {2, -40, 213}, {3, 0, 213},   {3, 0.5, 123}, {3, -10, 213},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(render::speedometerNeedleAngle(c.gauge, c.speed), c.angle)
            << c.gauge << " " << c.speed;
    }
}

} // namespace
