#include <gtest/gtest.h>

#include <fstream>

#include "items/C3DItemObject.h"
#include "items/ItemCatalogue.h"
#include "items/ItemRegistry.h"
#include "model/CTrackTypeItem.h"
#include "model/PieceSeams.h"
#include "model/TrackTiles.h"
#include "support/TempFolder.h"

using namespace model;

namespace {

// A picture that remembers where it came from.
struct SourcePicture : TilePicture {
    std::size_t pngBytes = 0;
    int number = 0;
    std::unique_ptr<TilePicture> clone() const override {
        return std::make_unique<SourcePicture>(*this);
    }
    void rotate90() override {}
    void mirrorLeftRight() override {}
    void mirrorTopBottom() override {}
    // Not marked override: the interface gains this operation with the layout file library.
    std::vector<std::uint8_t> encodePng() const { return {}; }
};

// One box face set, so that a model has geometry.
void addBox(items::C3DItemObject& item) {
    auto faces = std::make_unique<items::CIndexedFaceSet>();
    for (int i = 0; i < 8; ++i) {
        faces->addPoint({(i & 1) ? 1.0 : 0.0, (i & 2) ? 1.0 : 0.0, (i & 4) ? 1.0 : 0.0});
    }
    for (int index : {0, 2, 3, 1, -1, 4, 5, 7, 6, -1}) {
        faces->addCoordIndex(index);
    }
    item.geometryRoot()->setFaceSet(std::move(faces));
}

struct LineSpec {
    int kind;
    int x0, z0, x1, z1;
    friend bool operator==(const LineSpec&, const LineSpec&) = default;
};

std::ostream& operator<<(std::ostream& out, const LineSpec& l) {
    return out << "kind " << l.kind << " (" << l.x0 << "," << l.z0 << ")-(" << l.x1 << "," << l.z1
               << ")";
}

std::vector<LineSpec> linesOf(const CTrackItem& tile) {
    std::vector<LineSpec> result;
    for (const auto& line : tile.lines()) {
        const Pt& a = line->points().front();
        const Pt& b = line->points().back();
        result.push_back({line->getKind(), a.x, a.z, b.x, b.z});
    }
    return result;
}

std::vector<int> itemKinds(const CTrackItem& tile) {
    std::vector<int> kinds;
    for (const auto& [kind, item] : tile.controlItems()) {
        kinds.push_back(kind);
    }
    return kinds;
}

constexpr LineSpec kStraight1{1, 0, 20, 40, 20};
constexpr LineSpec kCurve1{1, 0, 20, 20, 0};

class TrackPieceTest : public ::testing::Test {
protected:
    TrackPieceTest() : data_(folder_.path() / "data"), env_("ZARNOLT_DATA", data_.string()) {
        std::filesystem::create_directories(data_ / "C3DItem_File" / "線路");
        items::resetCatalogue();
    }
    ~TrackPieceTest() override {
        items::releaseAllItems();
        items::resetCatalogue();
        pieceHooks() = PieceHooks{};
        deleteAllTiles();
    }

    // Writes an item model file into the track folder of the data folder.
    std::filesystem::path writeItem(const std::string& name, std::int32_t kind,
                                    std::int32_t lineFlags, std::int32_t itemFlags,
                                    bool geometry = true, bool thumbnail = false) {
        items::C3DItemObject item;
        item.setKind(kind);
        item.setItemValues(lineFlags, itemFlags);
        if (geometry) {
            addBox(item);
        }
        if (thumbnail) {
            item.setThumbnail({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 1, 2, 3});
        }
        return writeBytes(name, item.serialize());
    }

    std::filesystem::path writeBytes(const std::string& name,
                                     const std::vector<std::uint8_t>& bytes) {
        const auto path = data_ / "C3DItem_File" / "線路" / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    testsupport::TempFolder folder_;
    std::filesystem::path data_;
    testsupport::ScopedEnv env_;
};

} // namespace

TEST_F(TrackPieceTest, EachLineFlagAddsItsLinesInBitOrder) {
    struct Case {
        int bit;
        std::vector<LineSpec> lines;
        double structureAngle;
    };
    const std::vector<Case> cases = {
        {0, {kStraight1}, 0},
        {1, {kCurve1}, 0},
        {2, {{1, 0, 20, 40, 4}}, 0},
        {3, {{1, 0, 4, 4, 0}}, 0},
        {4, {{1, 4, 40, 40, 20}}, 0},
        {5, {kStraight1}, -90}, // turned first, then the straight added
        {6, {{1, 4, 40, 40, 4}}, 0},
        {7, {{2, 20, 0, 20, 40}}, -180}, // added between two turns
        {8, {{1, 4, 40, 40, 4}}, -90},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bit);
        const auto path = writeItem("flag" + std::to_string(c.bit) + ".zn3", 0, 1 << c.bit, 0);
        auto entry = CTrackTypeItem::fromItemFile(path);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->getCategory(), kPieceFromItemModel);
        EXPECT_EQ(entry->getLayer(), -1);
        EXPECT_EQ(linesOf(*entry), c.lines);
        ASSERT_NE(entry->getStructure(), nullptr);
        EXPECT_EQ(entry->getStructure()->getModelName(), path.filename().string());
        EXPECT_EQ(entry->getStructure()->orientation().angle, c.structureAngle);
        EXPECT_TRUE(entry->controlItems().empty());
    }
}

TEST_F(TrackPieceTest, BuiltinCombinations) {
    constexpr LineSpec straight2{2, 0, 20, 40, 20};
    constexpr LineSpec curve2{2, 0, 20, 20, 0};
    constexpr LineSpec straight100{100, 0, 20, 40, 20};
    constexpr LineSpec curve100{100, 0, 20, 20, 0};
    constexpr LineSpec straight101{101, 0, 20, 40, 20};
    constexpr LineSpec curve101{101, 0, 20, 20, 0};
    struct Case {
        int kind;
        int structureCategory;
        std::vector<LineSpec> lines;
    };
    const std::vector<Case> cases = {
        {-128, 200, {}},
        {-127, 201, {}},
        {-126, 202, {}},
        {-125, 9000, {straight2, kStraight1}},
        {-124, 9000, {curve2, kCurve1}},
        {-123, 9000, {straight2, curve2, kStraight1, kCurve1}},
        {-122, 9000, {{2, 40, 20, 20, 0}, curve2, kCurve1}},
        {-121, 9000, {{2, 20, 0, 20, 40}, straight2, kStraight1}},
        {-90, 9000, {straight100, straight101, kStraight1}},
        {-89, 9000, {curve100, curve101, kCurve1}},
        {-88, 9000, {straight100, curve100, straight101, curve101, kStraight1, kCurve1}},
        {-87, 9000, {straight101, kStraight1}},
        {-86, 9000, {curve101, kCurve1}},
        {-85, 9000, {straight101, curve101, kStraight1, kCurve1}},
        {-5, 9000, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        const auto path = writeItem("combo" + std::to_string(-c.kind) + ".zn3", c.kind, 0, 0);
        auto entry = CTrackTypeItem::fromItemFile(path);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(linesOf(*entry), c.lines);
        ASSERT_NE(entry->getStructure(), nullptr);
        EXPECT_EQ(entry->getStructure()->getCategory(), c.structureCategory);
        EXPECT_TRUE(entry->getStructure()->getModelName().empty());
    }
    // The kind-1 straight and curve share an end: the piece carries its point.
    auto withBranch = CTrackTypeItem::fromItemFile(writeItem("branch.zn3", -123, 0, 0));
    EXPECT_EQ(itemKinds(*withBranch), std::vector<int>{KindPoint});
}

TEST_F(TrackPieceTest, KindsAndItemFlags) {
    auto straight = CTrackTypeItem::fromItemFile(writeItem("k1.zn3", 1, 0, 0, false));
    ASSERT_NE(straight, nullptr);
    EXPECT_EQ(linesOf(*straight), std::vector<LineSpec>{kStraight1});
    ASSERT_NE(straight->getStructure(), nullptr); // no line flags: the model stays
    EXPECT_EQ(straight->getStructure()->getModelName(), "k1.zn3");

    auto reversing = CTrackTypeItem::fromItemFile(writeItem("k2.zn3", 2, 0, 0));
    EXPECT_EQ(linesOf(*reversing), std::vector<LineSpec>{kStraight1});
    EXPECT_EQ(itemKinds(*reversing), std::vector<int>{KindReversing});

    // Item flag bits, the kinds they add and the kinds' default rects.
    struct Flag {
        int bit;
        int kind;
        LayoutRect rect;
    };
    const Flag flags[] = {
        {0, 301, {0, 0, 10, 10}},    {1, 302, {2, 2, 11, 11}},    {2, 303, {12, 32, 28, 40}},
        {4, 305, {1, 23, 40, 33}},   {5, 306, {1, 12, 40, 29}},   {6, 307, {0, 0, 20, 39}},
        {7, 308, {0, 0, 20, 39}},    {8, 309, {0, 0, 20, 39}},    {9, 310, {10, 10, 30, 30}},
        {10, 311, {10, 10, 30, 30}}, {11, 312, {10, 10, 30, 30}}, {12, 313, {10, 10, 30, 30}},
        {13, 314, {10, 10, 30, 30}},
    };
    for (const Flag& f : flags) {
        auto entry = CTrackTypeItem::fromItemFile(
            writeItem("items" + std::to_string(f.bit) + ".zn3", 0, 0, 1 << f.bit));
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(itemKinds(*entry), std::vector<int>{f.kind}) << f.bit;
        EXPECT_EQ(entry->findControlItem(f.kind)->getRect(), f.rect) << f.bit;
    }
    auto unused = CTrackTypeItem::fromItemFile(writeItem("bit3.zn3", 0, 0, 1 << 3));
    EXPECT_TRUE(unused->controlItems().empty());
}

TEST_F(TrackPieceTest, EmptyModelWithLineFlagsBecomesPureTrack) {
    auto pure = CTrackTypeItem::fromItemFile(writeItem("pure.zn3", 0, 1, 0, false));
    ASSERT_NE(pure, nullptr);
    EXPECT_FALSE(pure->modelHasGeometry());
    EXPECT_EQ(pure->getStructure(), nullptr);
    EXPECT_TRUE(pure->carriesTrack());
    EXPECT_TRUE(pure->isStructurePiece());

    // Found in the cache and empty: track, not a structure.
    auto emptyModel = CTrackTypeItem::fromItemFile(writeItem("empty.zn3", 1, 0, 0, false));
    ASSERT_NE(emptyModel->getStructure(), nullptr);
    EXPECT_TRUE(emptyModel->carriesTrack());
    EXPECT_FALSE(emptyModel->isStructurePiece());

    // A model with geometry stays a structure piece.
    auto house = CTrackTypeItem::fromItemFile(writeItem("house.zn3", 1, 0, 0, true));
    EXPECT_TRUE(house->modelHasGeometry());
    EXPECT_FALSE(house->carriesTrack());
    EXPECT_TRUE(house->isStructurePiece());
}

TEST_F(TrackPieceTest, BadFilesNeverCrash) {
    EXPECT_EQ(CTrackTypeItem::fromItemFile(data_ / "missing.zn3"), nullptr);
    EXPECT_EQ(CTrackTypeItem::fromItemFile(writeBytes("zero.zn3", {})), nullptr);
    EXPECT_EQ(CTrackTypeItem::fromItemFile(writeBytes("short.zn3", {'3', 'd', 'O', '2'})), nullptr);
    EXPECT_EQ(CTrackTypeItem::fromItemFile(writeItem("train.zn3", 100, 0, 0)), nullptr);

    // A header whose geometry offset points past the end: an entry with an empty model.
    items::C3DItemObject item;
    item.setKind(1);
    addBox(item);
    auto bytes = item.serialize();
    bytes.resize(items::kItemHeaderSize + 10);
    auto truncated = CTrackTypeItem::fromItemFile(writeBytes("truncated.zn3", bytes));
    ASSERT_NE(truncated, nullptr);
    EXPECT_FALSE(truncated->modelHasGeometry());
    EXPECT_EQ(linesOf(*truncated), std::vector<LineSpec>{kStraight1});
}

TEST_F(TrackPieceTest, PictureFromThumbnailElseBuiltin) {
    std::vector<int> builtinRequests;
    pieceHooks().pictureFromPng = [](std::span<const std::uint8_t> png) {
        auto picture = std::make_unique<SourcePicture>();
        picture->pngBytes = png.size();
        return picture;
    };
    pieceHooks().builtinPicture = [&builtinRequests](int number) {
        builtinRequests.push_back(number);
        auto picture = std::make_unique<SourcePicture>();
        picture->number = number;
        return picture;
    };
    auto withThumbnail = CTrackTypeItem::fromItemFile(writeItem("thumb.zn3", 0, 0, 0, true, true));
    EXPECT_EQ(withThumbnail->pictureBytes().size(), 11u);
    EXPECT_EQ(withThumbnail->pictureNumber(), 0);
    auto* picture = dynamic_cast<SourcePicture*>(withThumbnail->getPicture());
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->pngBytes, 11u);

    builtinRequests.clear();
    auto plain = CTrackTypeItem::fromItemFile(writeItem("plain.zn3", 0, 0, 0));
    EXPECT_TRUE(plain->pictureBytes().empty());
    EXPECT_EQ(plain->pictureNumber(), kDefaultPiecePicture);
    EXPECT_EQ(builtinRequests.back(), kDefaultPiecePicture);
    ASSERT_NE(plain->getPicture(), nullptr);
}

TEST_F(TrackPieceTest, EntriesByCategory) {
    CTrackTypeItem curve(2);
    EXPECT_EQ(linesOf(curve), std::vector<LineSpec>{kCurve1});
    EXPECT_TRUE(curve.carriesTrack());
    EXPECT_FALSE(curve.isStructurePiece());

    CTrackTypeItem tree(StructureTree);
    ASSERT_NE(tree.getStructure(), nullptr);
    EXPECT_EQ(tree.getStructure()->getCategory(), StructureTree);
    EXPECT_FALSE(tree.carriesTrack());
    EXPECT_TRUE(tree.isStructurePiece());

    CTrackTypeItem station(KindStation2);
    EXPECT_TRUE(station.isControlPiece());
    EXPECT_EQ(itemKinds(station), std::vector<int>{KindStation2});
    EXPECT_EQ(station.getStructure(), nullptr);

    // An entry never enters a layer map, whatever the selection.
    setSelection(0, {0, 0}, {0, 0});
    CTrackTypeItem straight(1);
    EXPECT_EQ(tileAt(0, {0, 0}), nullptr);
    EXPECT_EQ(selectionCount(), 1);
    clearSelection();
}

TEST_F(TrackPieceTest, ItemModelStructureGivesTheModelsBoxesOnTheTile) {
    writeItem("shed.zn3", 0, 0, 0);
    CTrackItem* tile = createTile({2, 1}, 0);
    tile->setStructure(std::make_unique<CTrackStructureItem>(kPieceFromItemModel, "shed.zn3"));
    const items::C3DItemObject* model = tile->getStructure()->itemModel();
    ASSERT_NE(model, nullptr);
    const items::BoundingBox expected = model->boundingBox(1.0);
    ASSERT_LT(expected.min.x, expected.max.x);

    TileCorners corners;
    EXPECT_TRUE(tile->contentBox(1.0, 1.2, corners, false));
    const SceneBox box = boxAround(corners);
    EXPECT_NEAR(box.min.x, expected.min.x + 2.5, 1e-9);
    EXPECT_NEAR(box.max.y, expected.max.y, 1e-9);
    EXPECT_NEAR(box.max.z, expected.max.z + 1.5, 1e-9);

    std::vector<ContentBox> boxes;
    EXPECT_TRUE(tile->contentBoxes(1.0, boxes));
    EXPECT_EQ(boxes.size(), model->partBoxes(1.0).size());

    // A structure naming a model that is nowhere to be found has no bounds.
    tile->getStructure()->setModelName("nowhere.zn3");
    EXPECT_TRUE(tile->getStructure()->isWithoutBounds());
    EXPECT_FALSE(tile->contentBox(1.0, 1.2, corners, false));
}
