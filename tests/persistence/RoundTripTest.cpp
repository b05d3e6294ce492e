// A layout written, read back and written again gives the same bytes and the same model.
#include "LayoutTestSupport.h"

#include "image/Picture.h"
#include "model/CLandscapeItem.h"
#include "model/CTrackItem.h"
#include "model/LandscapeItems.h"
#include "model/TrackHeights.h"
#include "model/TrackTiles.h"
#include "persistence/CImageItem.h"
#include "persistence/LayoutFile.h"
#include "support/TempFolder.h"

using namespace layouttest;

namespace {

class RoundTripTest : public LayoutTest {
protected:
    // Tiles on three layers with every kind of section, a hill and a hollow, and a changed
    // environment.
    void buildLayout() {
        document().setSize(30, 20);
        model::CTrackItem* a = model::createTile({3, 4}, 0);
        a->getTrack().addLine(points({{0, 20}, {40, 20}}), 1);
        a->getTrack().addLine(points({{0, 20}, {20, 0}}), 1);
        a->rebuildPointItems();
        ASSERT_NE(a->pointItem(), nullptr);
        a->pointItem()->setNumber(12);
        a->pointItem()->setOccupant(1);
        a->setPicture(persistence::CImageItem::fromPng(smallPng(5, 7)));
        ASSERT_NE(a->getPicture(), nullptr);

        model::CTrackItem* b = model::createTile({29, 19}, 2);
        b->setElevationOffset(3);
        b->getTrack().addLine(points({{20, 0}, {20, 40}}), 100);
        b->setStructure(
            std::make_unique<model::CTrackStructureItem>(model::StructureItemModel, "駅舎01.zn3"));
        b->addControlItem(model::KindStation2);
        b->stationItem()->setValue(-2);
        b->setPierType(model::KindPierFirst + 4);

        model::CTrackItem* c = model::createTile({0, 0}, 4);
        c->getTrack().addLine(points({{0, 0}, {13, 17}, {40, 40}}), 101);
        c->addControlItem(model::KindReversing);
        c->reversingItem()->setValue(20);

        // A picture that has been turned is written re-encoded.
        model::CTrackItem* d = model::createTile({1, 0}, 0);
        d->setPicture(persistence::CImageItem::fromPng(smallPng(4, 2)));
        d->rotate90();

        image::Picture grey(32, 32, 24);
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                grey.setColourAt(x, y, static_cast<std::uint32_t>((x * 8) * 0x010101));
            }
        }
        model::CLandscapeItem* hill = model::createLandscapeItem();
        hill->setRect({40, 40, 200, 240});
        hill->setPicture(grey);
        hill->setHeightScale(0.75);
        model::CLandscapeItem* hollow = model::createLandscapeItem();
        hollow->setRect({0, 400, 120, 520});
        hollow->setPicture(grey);
        hollow->setHollow(true);
        hollow->rebuildHeights();

        model::EnvironmentRecord record = model::EnvironmentRecord::defaults();
        record.skyType = 4;
        record.flags = model::EnvNoWater | model::EnvShowTerrain;
        record.lightPosition = {3.5f, 40.0f, -7.25f};
        record.reserved[7] = 9;
        document().setEnvironment(&record);
    }
};

TEST_F(RoundTripTest, WriteReadWriteGivesTheSameBytesAndModel) {
    buildLayout();
    const auto first = persistence::buildLayoutFile(document());
    const auto landscapeBefore = model::landscapeItems().size();

    ASSERT_EQ(persistence::readLayoutBytes(document(), first), persistence::LayoutReadResult::Read);
    const auto second = persistence::buildLayoutFile(document());
    EXPECT_EQ(first, second);

    EXPECT_EQ(document().getColumns(), 30);
    EXPECT_EQ(document().getRows(), 20);
    EXPECT_EQ(document().getSkyType(), 4);
    EXPECT_EQ(document().getLightPosition(), (model::Vec3f{3.5f, 40.0f, -7.25f}));
    EXPECT_EQ(document().getEnvironment().reserved[7], 9);
    EXPECT_EQ(boardTileCount(), 4);

    const model::CTrackItem* a = model::tileAt(0, {3, 4});
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->lineCount(), 2u);
    EXPECT_EQ(a->getPointNumber(), 12);
    EXPECT_EQ(a->pointItem()->getOccupant(), 1u);
    const auto* picture = dynamic_cast<const persistence::CImageItem*>(a->getPicture());
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->picture().width(), 5);
    EXPECT_EQ(picture->picture().height(), 7);

    const model::CTrackItem* b = model::tileAt(2, {29, 19});
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->getElevationOffset(), 3);
    EXPECT_EQ(b->getStructure()->getModelName(), "駅舎01.zn3");
    EXPECT_EQ(b->stationItem()->getValue(), -2);
    EXPECT_EQ(b->pierType(), 5);
    EXPECT_EQ(b->lines().front()->getKind(), 100);

    const model::CTrackItem* c = model::tileAt(4, {0, 0});
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->lines().front()->points().size(), 3u);
    EXPECT_EQ(c->reversingItem()->getValue(), 20);

    const auto* turned =
        dynamic_cast<const persistence::CImageItem*>(model::tileAt(0, {1, 0})->getPicture());
    ASSERT_NE(turned, nullptr);
    EXPECT_EQ(turned->picture().width(), 2);
    EXPECT_EQ(turned->picture().height(), 4);

    ASSERT_EQ(model::landscapeItems().size(), landscapeBefore);
    int hollows = 0;
    for (const model::CLandscapeItem* item : model::landscapeItems()) {
        hollows += item->isHollow() ? 1 : 0;
        EXPECT_GT(item->heightMapSampleSum(), 0u);
    }
    EXPECT_EQ(hollows, 1);
}

TEST_F(RoundTripTest, SaveAndOpenThroughTheDocument) {
    testsupport::TempFolder folder;
    buildLayout();
    const auto expected = persistence::buildLayoutFile(document());
    ASSERT_TRUE(document().writeFile(folder / "layout.zrn"));
    EXPECT_EQ(document().getTitle(), "layout.zrn");

    document().newLayout(5, 5);
    EXPECT_EQ(boardTileCount(), 0);
    ASSERT_TRUE(document().readFile(folder / "layout.zrn"));
    EXPECT_EQ(persistence::buildLayoutFile(document()), expected);
}

TEST_F(RoundTripTest, LoadingGivesHillsTheirTerrainRanges) {
    buildLayout();
    const auto bytes = persistence::buildLayoutFile(document());
    ASSERT_EQ(persistence::readLayoutBytes(document(), bytes), persistence::LayoutReadResult::Read);
    // The file reader leaves the ranges to the recomputation after loading.
    EXPECT_TRUE(model::tileAt(0, {3, 4})->hasTerrainRanges());
    EXPECT_FALSE(model::tileAt(2, {29, 19})->hasTerrainRanges());
}

TEST_F(RoundTripTest, LoadingLeavesLinesAsTheRecomputationAfterAnEditDoes) {
    // A chain of long diagonals across raised tiles, so that straightening and ramps apply.
    for (int i = 0; i < 4; ++i) {
        const std::int16_t cell = static_cast<std::int16_t>(i);
        model::createTile({cell, cell}, i == 0 ? 0 : 1)->setShape(6);
    }
    ASSERT_EQ(model::tileAt(0, {0, 0})->lines().front()->getShape(), 6);
    const auto bytes = persistence::buildLayoutFile(document());
    ASSERT_EQ(persistence::readLayoutBytes(document(), bytes), persistence::LayoutReadResult::Read);

    const auto snapshot = [] {
        std::vector<double> values;
        for (int layer = 0; layer < model::kTrackLayers; ++layer) {
            for (const auto& [key, tile] : *model::layerMap(layer)) {
                for (const auto& line : tile->lines()) {
                    for (const model::Pt& p : line->points()) {
                        values.insert(values.end(), {p.X, p.Z, p.height, line->heightAt(0.5)});
                    }
                }
            }
        }
        return values;
    };
    const auto loaded = snapshot();
    model::afterEdit();
    EXPECT_EQ(snapshot(), loaded);
}

} // namespace
