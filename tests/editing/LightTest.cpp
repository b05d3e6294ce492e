#include <gtest/gtest.h>

#include "EditingFixture.h"
#include "editing/CLightControler.h"
#include "editing/LayoutLight.h"
#include "model/DocumentRecords.h"

using namespace editing;
using namespace editingtest;

namespace {

class LightTest : public EditingTest {
protected:
    void TearDown() override {
        layoutLightHooks() = LayoutLightHooks{};
        EditingTest::TearDown();
    }
};

std::vector<LampCarrier> carriers(std::initializer_list<bool> lamps) {
    std::vector<LampCarrier> out;
    trains::VehicleId id = 100;
    for (bool has : lamps) {
        out.push_back({id++, has});
    }
    return out;
}

} // namespace

TEST_F(LightTest, NewLayoutHasItsLightOnAtTheStandardPlace) {
    EXPECT_EQ(document->getLightPosition(), (model::Vec3f{0, 0, 0}));
    EXPECT_TRUE(isLightOn(*document));
}

TEST_F(LightTest, SliderPositionsMapToOffsets) {
    struct Case {
        int position, minimum, maximum;
        float component;
    };
    for (const Case& c : std::vector<Case>{
             {0, 0, 100, -0.5f}, {100, 0, 100, 0.5f}, {50, 0, 100, 0.0f}, {25, 0, 100, -0.25f}}) {
        EXPECT_FLOAT_EQ(lightComponentFromSlider(c.position, c.minimum, c.maximum), c.component);
        EXPECT_EQ(lightSliderPosition(c.component, c.minimum, c.maximum), c.position);
    }
    EXPECT_EQ(lightSliderPosition(0.0f, -100, 100), 0);
    EXPECT_FLOAT_EQ(lightComponentFromSlider(5, 7, 7), 0.0f);
}

TEST_F(LightTest, PanelControlsReachDocumentAndRenderer) {
    model::Vec3f offset;
    float intensity = -1;
    layoutLightHooks().setOffset = [&](const model::Vec3f& v) { offset = v; };
    layoutLightHooks().setIntensity = [&](float v) { intensity = v; };

    setLightComponent(*document, 0, 0.25f);
    setLightComponent(*document, 2, 3.0f); // clamped
    setLightComponent(*document, 5, 0.1f); // no such axis
    EXPECT_EQ(document->getLightPosition(), (model::Vec3f{0.25f, 0, 0.5f}));
    EXPECT_EQ(offset, (model::Vec3f{0.25f, 0, 0.5f}));

    setLightOn(*document, false);
    EXPECT_TRUE(document->testEnvironmentFlag(model::EnvLightOff));
    EXPECT_FLOAT_EQ(intensity, 0.01f);
    setLightOn(*document, true);
    EXPECT_FALSE(document->testEnvironmentFlag(model::EnvLightOff));
    EXPECT_FLOAT_EQ(intensity, 1.0f);

    resetLightPosition(*document);
    EXPECT_EQ(document->getLightPosition(), (model::Vec3f{0, 0, 0}));
    EXPECT_EQ(offset, (model::Vec3f{0, 0, 0}));
}

TEST_F(LightTest, ControllerStartsWithTheMainLightOnly) {
    CLightControler lights(8, {2.0f, 4.0f, 6.0f});
    ASSERT_EQ(lights.lightUnitCount(), 8);
    EXPECT_TRUE(lights.isLightEnabled(0));
    EXPECT_EQ(lights.lightPosition0(), (model::Vec3d{1.0, 2.0, 3.0}));
    EXPECT_EQ(lights.getParameter(0, LightParameter::Ambient),
              (std::array<float, 4>{0.2f, 0.2f, 0.2f, 1.0f}));
    for (int i = 1; i < 8; ++i) {
        EXPECT_FALSE(lights.isLightEnabled(i));
        EXPECT_EQ(lights.enabledLight(i), nullptr);
        EXPECT_EQ(lights.getParameter(i, LightParameter::Ambient)[0], 0.0f);
        EXPECT_EQ(lights.getParameter(i, LightParameter::Diffuse),
                  (std::array<float, 4>{1, 1, 1, 1}));
    }
    EXPECT_FALSE(lights.isLightEnabled(8));
    EXPECT_EQ(lights.getParameter(-1, LightParameter::Position), (std::array<float, 4>{}));
}

TEST_F(LightTest, LampsFollowCarriersOnlyInADarkScene) {
    CLightControler lights(8, {1, 1, 1});
    const auto three = carriers({true, false, true});

    // Diffuse red exactly 0.7 is not dark: nothing is assigned.
    lights.setParameter(0, LightParameter::Diffuse, {0.7f, 0.7f, 0.7f, 1});
    lights.assignLamps(three);
    for (int i = 1; i < 8; ++i) {
        EXPECT_FALSE(lights.isLightEnabled(i)) << i;
        EXPECT_EQ(lights.light(i)->attachedVehicle(), 0u) << i;
    }

    lights.setParameter(0, LightParameter::Diffuse, {0.3f, 0.3f, 0.3f, 1});
    lights.assignLamps(three);
    EXPECT_EQ(lights.light(1)->attachedVehicle(), 100u);
    EXPECT_EQ(lights.light(2)->attachedVehicle(), 101u);
    EXPECT_EQ(lights.light(3)->attachedVehicle(), 102u);
    EXPECT_TRUE(lights.isLightEnabled(1));
    EXPECT_FALSE(lights.isLightEnabled(2)); // its model has no lamps
    EXPECT_TRUE(lights.isLightEnabled(3));
    for (int i = 4; i < 8; ++i) {
        EXPECT_FALSE(lights.isLightEnabled(i)) << i;
    }

    // Brightening again puts every lamp light back to its plain state.
    lights.setParameter(0, LightParameter::Diffuse, {1, 1, 1, 1});
    lights.assignLamps(three);
    for (int i = 1; i < 8; ++i) {
        EXPECT_FALSE(lights.isLightEnabled(i)) << i;
        EXPECT_EQ(lights.light(i)->attachedVehicle(), 0u) << i;
    }
}

TEST_F(LightTest, SwitchingLampsEnablesOneLightPerCarrier) {
    CLightControler lights(4, {1, 1, 1});
    lights.light(0)->disable();
    lights.switchLamps(true, carriers({true, true}));
    EXPECT_TRUE(lights.isLightEnabled(0));
    EXPECT_TRUE(lights.isLightEnabled(1));
    EXPECT_TRUE(lights.isLightEnabled(2));
    EXPECT_FALSE(lights.isLightEnabled(3));
    lights.switchLamps(false, carriers({true, true}));
    EXPECT_TRUE(lights.isLightEnabled(0));
    for (int i = 1; i < 4; ++i) {
        EXPECT_FALSE(lights.isLightEnabled(i)) << i;
    }
}

TEST_F(LightTest, NoTrainControllerMeansNoCarriers) {
    // The trains library is linked but no vehicle stands on this board.
    for (const LampCarrier& carrier : lampCarriers()) {
        EXPECT_NE(carrier.vehicle, 0u);
    }
    auto& made = getOrCreateLightController(3, {2, 2, 2});
    EXPECT_EQ(lightController(), &made);
    EXPECT_EQ(&getOrCreateLightController(9, {0, 0, 0}), &made);
    EXPECT_EQ(made.lightUnitCount(), 3);
    releaseLightController();
    EXPECT_EQ(lightController(), nullptr);
}
