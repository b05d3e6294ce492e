#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "TrainFixtures.h"
#include "platform/ByteReader.h"
#include "platform/ByteWriter.h"
#include "trains/CTrainControler.h"
#include "trains/CTrainItem.h"
#include "trains/VehicleJson.h"
#include "trains/VehicleRegistry.h"

using namespace model;
using namespace trains;
using namespace trainstest;

namespace {

using TrainChunkTest = TrainTest;

using Bytes = std::vector<std::uint8_t>;

void putI32(Bytes& bytes, std::size_t offset, std::int32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[offset + i] =
            static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (24 - 8 * i));
    }
}

void putI16(Bytes& bytes, std::size_t offset, std::int16_t value) {
    bytes[offset] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(value) >> 8);
    bytes[offset + 1] = static_cast<std::uint8_t>(value & 0xFF);
}

// Offsets of the records inside a chunk.
std::vector<std::size_t> recordOffsets(const Bytes& chunk) {
    std::vector<std::size_t> offsets;
    std::size_t at = 28;
    std::uint32_t length = 0;
    while (at + 8 <= chunk.size() && platform::ByteReader::peekU32(chunk, at + 4, length) &&
           length >= 8) {
        offsets.push_back(at);
        at += length;
    }
    return offsets;
}

// A locomotive (type 1, needing no model file) pulling two cars eastwards on row 0, and an
// automobile on a road on row 3.
Bytes savedTrain() {
    straightRun(0, 11, 0);
    straightRun(0, 5, 3, 0, 2);
    CTrainItem* loco = createVehicle(tileAt(0, {9, 0}), 1, "Loco01.zn3");
    CTrainItem* car1 = createVehicle(tileAt(0, {1, 0}), 0, "Car01.zn3");
    CTrainItem* car2 = createVehicle(tileAt(0, {2, 0}), 0, {});
    registerModel("Auto01.zn3", 103);
    createVehicle(tileAt(0, {4, 3}), TypeAutomobile, "Auto01.zn3")->setSpeedRatio(0.25);
    EXPECT_TRUE(loco->couple(car1, true));
    EXPECT_TRUE(car1->couple(car2, true));
    return trainController()->saveChunk();
}

void reload(const Bytes& chunk) {
    deleteAllVehicles();
    getOrCreateTrainController().loadChunk(chunk, TilePos{});
}

} // namespace

TEST_F(TrainChunkTest, RecordBytes) {
    straightRun(0, 3, 0);
    CTrainItem* loco = createVehicle(tileAt(0, {1, 0}), TypeSteam, "SL01.zn3");
    loco->setSpeedRatio(0.5);
    platform::ByteWriter out;
    loco->writeRecord(out, 0, 2);
    const auto& bytes = out.buffer();
    const std::size_t lineLength = 20 + 8 * 9;
    ASSERT_EQ(bytes.size(), 304 + lineLength + 8);
    platform::ByteReader in(bytes);
    EXPECT_TRUE(in.tag("TrnP"));
    EXPECT_EQ(in.u32(), bytes.size());
    EXPECT_EQ(in.i32(), TypeSteam);
    EXPECT_EQ(in.i32(), 0);  // reversed running
    EXPECT_EQ(in.i32(), 0);  // rear
    EXPECT_EQ(in.i32(), 2);  // front
    EXPECT_EQ(in.i16(), 1);  // column
    EXPECT_EQ(in.i16(), 0);  // row
    EXPECT_EQ(in.i16(), 60); // grid x
    EXPECT_EQ(in.i16(), 20); // grid z
    EXPECT_EQ(in.u32(), 304u);
    EXPECT_EQ(in.i32(), 0); // layer
    EXPECT_EQ(in.u8(), 0);  // line order
    EXPECT_EQ(in.u8(), 0);  // direction
    EXPECT_EQ(in.u8(), 1);  // head
    EXPECT_EQ(in.u8(), 1);  // tail
    EXPECT_EQ(in.u32(), 304 + lineLength);
    EXPECT_EQ(in.f32(), 0.5f);
    for (std::size_t i = 52; i < 304; ++i) {
        EXPECT_EQ(bytes[i], 0) << i;
    }
    in.seek(304);
    EXPECT_EQ(in.i32(), 9);
    EXPECT_EQ(in.i32(), 1);
    in.seek(324);
    EXPECT_EQ(in.i32(), 0);
    EXPECT_EQ(in.i32(), 20);
    in.seek(304 + lineLength);
    EXPECT_EQ(std::memcmp(in.bytes(8).data(), "SL01.zn3", 8), 0);

    // Turned and reverse running: the line is written in reverse order.
    loco->turn(true, false);
    platform::ByteWriter turned;
    loco->writeRecord(turned, 0, 0);
    EXPECT_EQ(turned.buffer()[40], 1);
    EXPECT_EQ(turned.buffer()[41], 1);
    platform::ByteReader last(turned.buffer());
    last.seek(324);
    EXPECT_EQ(last.i32(), 40);
}

TEST_F(TrainChunkTest, ChunkRoundTripsByteForByte) {
    const Bytes first = savedTrain();
    ASSERT_EQ(recordOffsets(first).size(), 4u);
    reload(first);
    ASSERT_EQ(trainController()->vehicleCount(), 4u);
    const auto& list = trainController()->vehicles();
    EXPECT_EQ(list[0]->rearNeighbour(), list[1]);
    EXPECT_EQ(list[1]->rearNeighbour(), list[2]);
    EXPECT_EQ(list[2]->frontNeighbour(), list[1]);
    EXPECT_EQ(list[0]->modelName(), "Loco01.zn3");
    EXPECT_EQ(list[3]->speedRatio(), 0.25);
    EXPECT_EQ(trainController()->saveChunk(), first);

    const nlohmann::json json = vehiclesJson();
    ASSERT_EQ(json.size(), 4u);
    EXPECT_EQ(json[0]["type"], 1);
    EXPECT_EQ(json[0]["column"], 9);
    EXPECT_EQ(json[0]["front"], 0);
    EXPECT_EQ(json[0]["rear"], 2);
    EXPECT_EQ(json[1]["front"], 1);
    EXPECT_EQ(json[3]["type"], TypeAutomobile);
    EXPECT_EQ(json[3]["row"], 3);
}

TEST_F(TrainChunkTest, DamagedNeighbourNumbersGiveNoLink) {
    Bytes chunk = savedTrain();
    const auto offsets = recordOffsets(chunk);
    putI32(chunk, offsets[0] + 16, 99); // rear beyond the list
    putI32(chunk, offsets[1] + 20, -3); // front negative
    putI32(chunk, offsets[2] + 16, 3);  // itself
    putI32(chunk, offsets[2] + 20, 4);  // the automobile
    reload(chunk);
    ASSERT_EQ(trainController()->vehicleCount(), 4u);
    const auto& list = trainController()->vehicles();
    // Only the first car's own rear number (3) is still usable: a one-sided link.
    EXPECT_EQ(list[1]->rearNeighbour(), list[2]);
    EXPECT_EQ(list[1]->frontNeighbour(), nullptr);
    for (CTrainItem* v : {list[0], list[2], list[3]}) {
        EXPECT_EQ(v->rearNeighbour(), nullptr);
        EXPECT_EQ(v->frontNeighbour(), nullptr);
    }
}

TEST_F(TrainChunkTest, LoopingLinksEndTheWalkAndKeepTheVehicles) {
    struct Links {
        std::int32_t rear[3];
        std::int32_t front[3];
    };
    const Links cases[] = {
        {{2, 3, 1}, {3, 1, 2}}, // a ring through every vehicle
        {{2, 3, 2}, {0, 1, 2}}, // a loop that does not return to the first
        {{2, 1, 0}, {0, 1, 0}}, // two vehicles naming each other behind
        {{2, 3, 1}, {0, 0, 0}}, // rear links only, circular
    };
    for (const Links& c : cases) {
        SCOPED_TRACE(&c - cases);
        // Vehicles first: a vehicle left on deleted lines could find its line's address
        // reused by the next case's track and be saved with it.
        deleteAllVehicles();
        model::deleteAllTiles();
        Bytes chunk = savedTrain();
        const auto offsets = recordOffsets(chunk);
        for (int i = 0; i < 3; ++i) {
            putI32(chunk, offsets[i] + 16, c.rear[i]);
            putI32(chunk, offsets[i] + 20, c.front[i]);
        }
        reload(chunk);
        const auto& list = trainController()->vehicles();
        // Vehicles pushed onto one tile are deleted; no walk hangs and every survivor's
        // chain ends.
        for (CTrainItem* v : list) {
            EXPECT_LE(v->trainMembers().size(), 3u);
            v->firstVehicle();
            v->lastVehicle();
        }
        EXPECT_GE(list.size(), 1u);
        trainController()->saveChunk();
    }
}

TEST_F(TrainChunkTest, RecordsAreReadByTileNotByLine) {
    Bytes chunk = savedTrain();
    const auto offsets = recordOffsets(chunk);
    // No tile at the automobile's recorded place; none at column −1 for the second car,
    // which its neighbour's link still puts at coupling distance behind the first car.
    putI16(chunk, offsets[3] + 24, 30);
    putI16(chunk, offsets[2] + 24, -1);
    reload(chunk);
    const auto& list = trainController()->vehicles();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0]->rearNeighbour(), list[1]);
    EXPECT_EQ(list[1]->rearNeighbour(), list[2]);
    EXPECT_EQ(list[2]->currentTile(), tileAt(0, {7, 0}));

    // A lone record: its line text names points the tile does not have and is not read;
    // the vehicle stands at the middle of the tile's first line.
    Bytes lone(chunk.begin(), chunk.begin() + static_cast<long>(offsets[1]));
    putI32(lone, 4, static_cast<std::int32_t>(lone.size()));
    putI32(lone, 28 + 16, 0);
    putI16(lone, 28 + 24, 5);
    putI32(lone, 28 + 304, 3);
    putI32(lone, 28 + 324, 17);
    reload(lone);
    ASSERT_EQ(trainController()->vehicleCount(), 1u);
    const CTrainItem* only = trainController()->vehicles()[0];
    EXPECT_EQ(only->position().line, tileAt(0, {5, 0})->lines().front().get());
    EXPECT_EQ(only->position().pointIndex, 4.0);
    // On a tile without lines, or at a tile position without a tile, it is dropped.
    tileAt(0, {5, 0})->getTrack().deleteLines();
    reload(lone);
    EXPECT_EQ(trainController()->vehicleCount(), 0u);
    putI16(lone, 28 + 24, 12);
    reload(lone);
    EXPECT_EQ(trainController()->vehicleCount(), 0u);

    // A tile offset moves the vehicles with their tiles.
    deleteAllVehicles();
    model::deleteAllTiles();
    const Bytes shifted = savedTrain();
    deleteAllVehicles();
    getOrCreateTrainController().loadChunk(shifted, TilePos{1, 0});
    EXPECT_EQ(trainController()->vehicles()[0]->currentTile(), tileAt(0, {10, 0}));
}

TEST_F(TrainChunkTest, TruncatedAndMistaggedChunks) {
    const Bytes good = savedTrain();
    const auto offsets = recordOffsets(good);

    Bytes wrongTag = good;
    wrongTag[0] = 'X';
    reload(wrongTag);
    EXPECT_EQ(trainController()->vehicleCount(), 0u);

    reload(Bytes(good.begin(), good.begin() + 27));
    EXPECT_EQ(trainController()->vehicleCount(), 0u);

    // A record tag that is wrong ends the reading; the records before it load.
    Bytes badRecord = good;
    badRecord[offsets[3]] = 'x';
    reload(badRecord);
    EXPECT_EQ(trainController()->vehicleCount(), 3u);

    // Cut inside the last record, and a record length reaching past the chunk.
    reload(Bytes(good.begin(), good.begin() + static_cast<long>(offsets[3]) + 100));
    EXPECT_EQ(trainController()->vehicleCount(), 3u);
    Bytes longRecord = good;
    putI32(longRecord, offsets[1] + 4, 0x7FFFFFF0);
    reload(longRecord);
    EXPECT_EQ(trainController()->vehicleCount(), 1u);

    // A record of exactly 304 bytes is refused; a speed ratio out of range reads as 1.
    Bytes ratio = good;
    const float bad = 1.5f;
    std::uint32_t bits = 0;
    std::memcpy(&bits, &bad, 4);
    putI32(ratio, offsets[3] + 48, static_cast<std::int32_t>(bits));
    reload(ratio);
    EXPECT_EQ(trainController()->vehicles().back()->speedRatio(), 1.0);
    CTrainItem probe(nullptr, 0, {});
    EXPECT_FALSE(probe.readRecord(std::span(good).subspan(offsets[0], 304), TilePos{}));
}

TEST_F(TrainChunkTest, ModelNeededForCatalogueTypes) {
    straightRun(0, 5, 0);
    createVehicle(tileAt(0, {1, 0}), TypeRailCar, "NoSuchModel.zn3");
    createVehicle(tileAt(0, {3, 0}), 0, "NoSuchModel.zn3");
    reload(trainController()->saveChunk());
    ASSERT_EQ(trainController()->vehicleCount(), 1u);
    EXPECT_EQ(trainController()->vehicles()[0]->typeCode(), 0);
}

TEST_F(TrainChunkTest, RandomlyDamagedChunksLoadWithoutHarm) {
    const Bytes good = savedTrain();
    std::uint32_t state = 12345u;
    auto next = [&state]() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    for (int round = 0; round < 400; ++round) {
        Bytes damaged = good;
        const int changes = 1 + static_cast<int>(next() % 8);
        for (int i = 0; i < changes; ++i) {
            damaged[next() % damaged.size()] = static_cast<std::uint8_t>(next());
        }
        if (next() % 4 == 0) {
            damaged.resize(next() % damaged.size());
        }
        reload(damaged);
        const auto& list = trainController()->vehicles();
        EXPECT_LE(list.size(), 4u);
        for (CTrainItem* v : list) {
            EXPECT_NE(v->currentTile(), nullptr);
            EXPECT_LE(v->trainMembers().size(), list.size());
        }
        trainController()->saveChunk();
    }
}

TEST_F(TrainChunkTest, ATrainWhoseCarsShareTilesLoadsWhole) {
    // Short cars at coupling distance stand two to a tile; they are one train and all load.
    straightRun(0, 19, 0);
    registerModel("Steam10.zn3", 100, 1.0f);
    registerModel("Wagon04.zn3", 102, 0.4f);
    CTrainItem* loco = createVehicle(tileAt(0, {18, 0}), TypeSteam, "Steam10.zn3");
    CTrainItem* last = loco;
    for (int i = 0; i < 14; ++i) {
        CTrainItem* car =
            createVehicle(tileAt(0, {static_cast<std::int16_t>(i), 0}), TypeRailCar, "Wagon04.zn3");
        ASSERT_TRUE(last->couple(car, true)) << i;
        last = car;
    }
    ASSERT_EQ(loco->trainMembers().size(), 15u);
    std::map<const CTrackItem*, int> perTile;
    for (CTrainItem* v : loco->trainMembers()) {
        ++perTile[v->currentTile()];
    }
    ASSERT_LT(perTile.size(), 15u); // the fixture really puts cars together
    const Bytes chunk = trainController()->saveChunk();
    reload(chunk);
    ASSERT_EQ(trainController()->vehicleCount(), 15u);
    EXPECT_EQ(trainController()->vehicles()[0]->trainMembers().size(), 15u);
    EXPECT_EQ(trainController()->saveChunk(), chunk);

    // Vehicles of two different trains on one tile are both dropped; the rest stay.
    deleteAllVehicles();
    createVehicle(tileAt(0, {3, 0}), TypeSteam, "Steam10.zn3");
    createVehicle(tileAt(0, {3, 0}), TypeRailCar, "Wagon04.zn3");
    createVehicle(tileAt(0, {9, 0}), TypeRailCar, "Wagon04.zn3");
    reload(trainController()->saveChunk());
    ASSERT_EQ(trainController()->vehicleCount(), 1u);
    EXPECT_EQ(trainController()->vehicles()[0]->currentTile(), tileAt(0, {9, 0}));
}
