#include <gtest/gtest.h>

#include "TrainFixtures.h"
#include "model/CZarnoltDocument.h"
#include "persistence/LayoutFile.h"
#include "trains/CTrainControler.h"
#include "trains/TrainFileHandlers.h"
#include "trains/VehicleRegistry.h"

using namespace model;
using namespace trains;
using namespace trainstest;

namespace {

class LayoutRoundTripTest : public TrainTest {
protected:
    void SetUp() override {
        TrainTest::SetUp();
        persistence::installLayoutFileHandlers();
        installTrainFileHandlers();
    }
};

} // namespace

TEST_F(LayoutRoundTripTest, LayoutWithTrainsIsWrittenBackByteForByte) {
    CZarnoltDocument document(12, 8);
    straightRun(0, 11, 1);
    straightRun(0, 11, 5, 0, 2);
    registerModel("Bus01.zn3", 103);
    CTrainItem* loco = createVehicle(tileAt(0, {10, 1}), 1, "Loco01.zn3");
    CTrainItem* car = createVehicle(tileAt(0, {3, 1}), 0, {});
    ASSERT_TRUE(loco->couple(car, true));
    loco->turn(true, true);
    createVehicle(tileAt(0, {6, 5}), TypeAutomobile, "Bus01.zn3");

    // A loaded train's first vehicle stands at the middle of its tile's first line and the
    // others at coupling distance from it. Loading the turned train makes the car its first
    // vehicle, which stood elsewhere: the next load moves it to its tile's middle, after
    // which every load and save gives the same bytes.
    std::vector<std::uint8_t> saved = persistence::buildLayoutFile(document);
    std::vector<std::vector<std::uint8_t>> files;
    for (int cycle = 0; cycle < 3; ++cycle) {
        ASSERT_EQ(persistence::readLayoutBytes(document, saved),
                  persistence::LayoutReadResult::Read);
        ASSERT_EQ(trainController()->vehicleCount(), 3u);
        EXPECT_TRUE(trainController()->vehicles()[0]->isReversedRunning());
        saved = persistence::buildLayoutFile(document);
        files.push_back(saved);
    }
    EXPECT_NE(files[1], files[0]);
    EXPECT_EQ(files[2], files[1]);
}

TEST_F(LayoutRoundTripTest, UnturnedTrainsRoundTripFromTheFirstSave) {
    CZarnoltDocument document(12, 8);
    straightRun(0, 11, 1);
    CTrainItem* loco = createVehicle(tileAt(0, {10, 1}), 1, "Loco01.zn3");
    CTrainItem* car = createVehicle(tileAt(0, {3, 1}), 0, {});
    ASSERT_TRUE(loco->couple(car, true));
    const auto first = persistence::buildLayoutFile(document);
    ASSERT_EQ(persistence::readLayoutBytes(document, first), persistence::LayoutReadResult::Read);
    EXPECT_EQ(persistence::buildLayoutFile(document), first);
}

TEST_F(LayoutRoundTripTest, ATrainThatLostAVehicleToDamageRoundTripsAfterItsFirstSave) {
    CZarnoltDocument document(14, 8);
    straightRun(0, 13, 1);
    CTrainItem* loco = createVehicle(tileAt(0, {11, 1}), 1, "Loco01.zn3");
    CTrainItem* middle = createVehicle(tileAt(0, {3, 1}), 0, {});
    CTrainItem* tail = createVehicle(tileAt(0, {5, 1}), 0, {});
    ASSERT_TRUE(loco->couple(middle, true));
    ASSERT_TRUE(loco->couple(tail, true));
    ASSERT_EQ(trainController()->vehicleCount(), 3u);
    const std::vector<std::uint8_t> good = persistence::buildLayoutFile(document);

    // Each damage leaves a vehicle without its model, which loading deletes; the vehicles
    // that stood beside it stay.
    auto u32At = [&](std::size_t at) {
        return static_cast<std::size_t>(good[at]) << 24 |
               static_cast<std::size_t>(good[at + 1]) << 16 |
               static_cast<std::size_t>(good[at + 2]) << 8 | good[at + 3];
    };
    const std::size_t first = u32At(32) + 28; // the trains chunk's offset is in the header
    const std::size_t second = first + u32At(first + 4);
    const struct Case {
        const char* name;
        std::size_t offset;
        std::uint32_t value;
    } cases[] = {
        {"middle vehicle", second + 8, TypeRailCar},
        {"locomotive", first + 8, TypeElectric},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> damaged = good;
        for (int i = 0; i < 4; ++i) {
            damaged[c.offset + i] = static_cast<std::uint8_t>(c.value >> (24 - 8 * i));
        }
        ASSERT_EQ(persistence::readLayoutBytes(document, damaged),
                  persistence::LayoutReadResult::Read);
        ASSERT_EQ(trainController()->vehicleCount(), 2u);
        const std::vector<std::uint8_t> saved = persistence::buildLayoutFile(document);
        ASSERT_EQ(persistence::readLayoutBytes(document, saved),
                  persistence::LayoutReadResult::Read);
        EXPECT_EQ(trainController()->vehicleCount(), 2u);
        EXPECT_EQ(persistence::buildLayoutFile(document), saved);
    }
}
