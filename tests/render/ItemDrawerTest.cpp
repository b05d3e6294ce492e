// Item models drawn through OpenGL into an offscreen context: where they land, their colours,
// textures and imported parts, and the GL state they leave behind.
#include "ItemRenderSupport.h"

#include "image/BmpCodec.h"
#include "image/PngCodec.h"
#include "items/CAnimatable3DItemObject.h"
#include "items/ItemRegistry.h"
#include "support/TempConfigEnvironment.h"
#include "support/TempFolder.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

using itemtest::kBackground;
using itemtest::Pixels;
using itemtest::Rgb;
using render::opengl::ItemDrawer;
using render::opengl::ItemDrawOptions;
using render::opengl::OffscreenContext;

const std::string kDataFolder = std::string(ZARNOLT_BUILD_DIR) + "/bin/データ";

// Every test here reads the generated data pack through the item lookups.
class DataPackEnvironment : public testing::Environment {
public:
    void SetUp() override {
        env_ = std::make_unique<testsupport::ScopedEnv>("ZARNOLT_DATA", kDataFolder);
    }
    void TearDown() override {
        items::releaseAllItems();
        env_.reset();
    }

private:
    std::unique_ptr<testsupport::ScopedEnv> env_;
};

[[maybe_unused]] testing::Environment* const configEnvironment =
    testing::AddGlobalTestEnvironment(new testsupport::TempConfigEnvironment);
[[maybe_unused]] testing::Environment* const dataEnvironment =
    testing::AddGlobalTestEnvironment(new DataPackEnvironment);

struct Point2 {
    double x;
    double y;
};

// The convex hull of points, counter-clockwise in a y-down picture seen as y-up maths.
std::vector<Point2> convexHull(std::vector<Point2> points) {
    std::sort(points.begin(), points.end(), [](const Point2& a, const Point2& b) {
        return a.x < b.x || (a.x == b.x && a.y < b.y);
    });
    auto cross = [](const Point2& o, const Point2& a, const Point2& b) {
        return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
    };
    std::vector<Point2> hull;
    for (int pass = 0; pass < 2; ++pass) {
        const std::size_t start = hull.size();
        for (const Point2& p : points) {
            while (hull.size() >= start + 2 && cross(hull[hull.size() - 2], hull.back(), p) <= 0) {
                hull.pop_back();
            }
            hull.push_back(p);
        }
        hull.pop_back();
        std::reverse(points.begin(), points.end());
    }
    return hull;
}

// Distance by which a point lies outside a convex polygon (0 inside).
double outsideBy(const std::vector<Point2>& hull, const Point2& p) {
    double worst = 0.0;
    for (std::size_t i = 0; i < hull.size(); ++i) {
        const Point2& a = hull[i];
        const Point2& b = hull[(i + 1) % hull.size()];
        const double ex = b.x - a.x;
        const double ey = b.y - a.y;
        const double length = std::hypot(ex, ey);
        if (length == 0.0) {
            continue;
        }
        const double side = (ex * (p.y - a.y) - ey * (p.x - a.x)) / length;
        worst = std::max(worst, -side);
    }
    return worst;
}

// ---------------------------------------------------------------------------------------------
// Where items land: inside the projection of their bounding box, filling it.

struct PlacementCase {
    const char* name;
    std::function<items::C3DItemObject*()> item;
    double yaw;
    double pitch;
};

items::C3DItemObject* catalogueItem(const char* baseName) {
    return items::getItemByFileName(baseName);
}

// A private copy of a model turned by a pitch and a yaw; the shared model stays as it is.
items::C3DItemObject* turnedCopy(const items::C3DItemObject* shared, float pitch, float yaw) {
    static std::vector<std::unique_ptr<items::C3DItemObject>> kept;
    if (shared == nullptr) {
        return nullptr;
    }
    // Loaded from its bytes, not its path: a load by path enters the copy in the catalogue's
    // name map, where it would stand in for the shared model in the other cases.
    std::ifstream in(shared->sourcePath(), std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    auto copy = std::make_unique<items::C3DItemObject>();
    if (bytes.empty() || !copy->loadFromMemory(bytes)) {
        return nullptr;
    }
    copy->setPitchAndYaw(pitch, yaw);
    kept.push_back(std::move(copy));
    return kept.back().get();
}

class ItemPlacement : public testing::TestWithParam<PlacementCase> {};

TEST_P(ItemPlacement, DrawsInsideItsProjectedBoxAndNowhereElse) {
    constexpr int kSize = 160;
    OffscreenContext context(kSize, kSize);
    ASSERT_TRUE(context.valid());
    items::C3DItemObject* item = GetParam().item();
    ASSERT_NE(item, nullptr) << "missing from the data pack";
    ASSERT_FALSE(item->isEmpty());

    const items::BoundingBox box = item->boundingBox(1.0);
    const render::opengl::ItemCamera camera =
        itemtest::cameraAround(box, kSize, kSize, GetParam().yaw, GetParam().pitch);
    ItemDrawer drawer;
    render::opengl::beginPreviewFrame(camera);
    drawer.prepare(*item);
    drawer.drawItem(*item, 1.0);
    ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    const Pixels pixels = itemtest::readBack(context);

    std::vector<Point2> corners;
    for (int corner = 0; corner < 8; ++corner) {
        const items::Vec3d p{(corner & 1) ? box.max.x : box.min.x,
                             (corner & 2) ? box.max.y : box.min.y,
                             (corner & 4) ? box.max.z : box.min.z};
        const auto [x, y] = camera.project(p);
        corners.push_back({x, y});
    }
    const std::vector<Point2> hull = convexHull(corners);
    double hullLeft = kSize, hullRight = 0, hullTop = kSize, hullBottom = 0;
    for (const Point2& p : hull) {
        hullLeft = std::min(hullLeft, p.x), hullRight = std::max(hullRight, p.x);
        hullTop = std::min(hullTop, p.y), hullBottom = std::max(hullBottom, p.y);
    }

    int drawn = 0;
    int left = kSize, right = -1, top = kSize, bottom = -1;
    double worst = 0.0;
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            if (pixels.at(x, y) == kBackground) {
                continue;
            }
            ++drawn;
            left = std::min(left, x), right = std::max(right, x);
            top = std::min(top, y), bottom = std::max(bottom, y);
            worst = std::max(worst, outsideBy(hull, {x + 0.5, y + 0.5}));
        }
    }
    ASSERT_GT(drawn, 0) << "nothing was drawn";
    // Pixel centres of the rasterised faces may lie up to a pixel beyond the exact outline.
    EXPECT_LE(worst, 1.0) << "pixels drawn outside the projected bounding box";
    // The model spans most of its box (a box drawn too small or moved would not).
    EXPECT_GE(right - left + 1, 0.5 * (hullRight - hullLeft));
    EXPECT_GE(bottom - top + 1, 0.5 * (hullBottom - hullTop));
}

INSTANTIATE_TEST_SUITE_P(
    DataPackModels, ItemPlacement,
    testing::Values(
        PlacementCase{"BuiltinPierBlock", [] { return items::getBuiltinItem(129); }, 30, 20},
        PlacementCase{"BuiltinPanel", [] { return items::getBuiltinItem(132); }, -60, 35},
        PlacementCase{"BuiltinBogie", [] { return items::getBuiltinItem(135); }, 10, 10},
        PlacementCase{"SteamLocomotive", [] { return catalogueItem("SL01.zn3"); }, 30, 20},
        PlacementCase{"SteamLocomotiveFromBehind", [] { return catalogueItem("SL01.zn3"); }, 200,
                      50},
        PlacementCase{"House", [] { return catalogueItem("House01.zn3"); }, 45, 30},
        PlacementCase{"Tree", [] { return catalogueItem("Tree01.zn3"); }, 0, 0},
        PlacementCase{"Bus", [] { return catalogueItem("Bus01.zn3"); }, 120, 60},
        // A model's own yaw and pitch turn its box the way they turn the drawing.
        PlacementCase{"TurnedSteamLocomotive",
                      [] { return turnedCopy(catalogueItem("SL01.zn3"), 0.0f, 70.0f); }, 30, 40},
        PlacementCase{"PitchedHouse",
                      [] { return turnedCopy(catalogueItem("House01.zn3"), 35.0f, -50.0f); }, 20,
                      30}),
    [](const testing::TestParamInfo<PlacementCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// Colours: the use-colour flag, the override colour, node colours and opacity.

struct ColourCase {
    const char* name;
    std::array<double, 4> nodeColour;
    bool useColour;
    items::OverrideColour override;
    int mode;
    float opacity;
    Rgb expected; // over the background, with the caller's colour blue
};

constexpr Rgb mix(Rgb a, Rgb b, double share) {
    return {static_cast<int>(a[0] * share + b[0] * (1 - share) + 0.5),
            static_cast<int>(a[1] * share + b[1] * (1 - share) + 0.5),
            static_cast<int>(a[2] * share + b[2] * (1 - share) + 0.5)};
}

class ItemColours : public testing::TestWithParam<ColourCase> {};

TEST_P(ItemColours, SquareShowsTheColourItsSettingsGive) {
    const ColourCase& c = GetParam();
    constexpr int kSize = 64;
    OffscreenContext context(kSize, kSize);
    ASSERT_TRUE(context.valid());
    auto item = itemtest::squareItem(c.nodeColour);
    item->geometryRoot()->setUseColour(c.useColour);
    item->geometryRoot()->setOverrideColour(c.override);

    ItemDrawer drawer;
    render::opengl::beginPreviewFrame(
        itemtest::cameraAround(item->boundingBox(1.0), kSize, kSize, 0, 0));
    glDisable(GL_LIGHTING); // colours exactly as set
    glColor4f(0, 0, 1, 1);
    ItemDrawOptions options;
    options.mode = c.mode;
    options.opacity = c.opacity;
    drawer.drawItem(*item, 1.0, options);

    const Pixels pixels = itemtest::readBack(context);
    EXPECT_TRUE(itemtest::near(pixels.at(kSize / 2, kSize / 2), c.expected, 2))
        << pixels.at(kSize / 2, kSize / 2)[0] << ", " << pixels.at(kSize / 2, kSize / 2)[1] << ", "
        << pixels.at(kSize / 2, kSize / 2)[2];
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ((std::array<float, 4>{colour[0], colour[1], colour[2], colour[3]}),
              (std::array<float, 4>{0, 0, 1, 1}))
        << "the caller's colour is restored";
    EXPECT_FALSE(glIsEnabled(GL_BLEND)) << "blending is switched off again";
}

constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kBlue{0, 0, 255};

INSTANTIATE_TEST_SUITE_P(
    Settings, ItemColours,
    testing::Values(
        ColourCase{"NodeColour", {1, 0, 0, 1}, true, {}, 0, 1.0f, kRed},
        ColourCase{"OverrideColourWins", {1, 0, 0, 1}, true, {0, 65535, 0, 0}, 0, 1.0f, kGreen},
        ColourCase{"UseColourOffKeepsCallersColour",
                   {1, 0, 0, 1},
                   false,
                   {0, 65535, 0, 0},
                   0,
                   1.0f,
                   kBlue},
        ColourCase{"HalfOpacityBlendsOverTheBackground",
                   {1, 0, 0, 1},
                   true,
                   {},
                   0,
                   0.5f,
                   mix(kRed, kBackground, 0.5)},
        ColourCase{"NodeAlphaTimesOpacity",
                   {1, 0, 0, 0.5},
                   true,
                   {},
                   0,
                   0.5f,
                   mix(kRed, kBackground, 0.25)},
        ColourCase{"OverrideTakesTheOpacityAsAlpha",
                   {1, 0, 0, 0.2},
                   true,
                   {0, 65535, 0, 0},
                   0,
                   0.5f,
                   mix(kGreen, kBackground, 0.5)},
        ColourCase{"OpacityAboveOneIsOne", {1, 0, 0, 1}, true, {}, 0, 3.0f, kRed},
        ColourCase{"ZeroOpacityDrawsNothing", {1, 0, 0, 1}, true, {}, 0, 0.0f, kBackground},
        ColourCase{"OtherModesDrawInTheCallersColour",
                   {1, 0, 0, 1},
                   true,
                   {0, 65535, 0, 0},
                   1,
                   1.0f,
                   kBlue}),
    [](const testing::TestParamInfo<ColourCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// Textures: raw pixels and encoded pictures show on the face, made outside display lists.

// A 2 × 2 picture: red, green on the top row; blue, white below.
constexpr std::uint8_t kTexels[12] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};

image::Picture texelPicture() {
    image::Picture picture(2, 2, 24);
    for (int i = 0; i < 4; ++i) {
        std::uint8_t* p = picture.pixel(i % 2, i / 2);
        p[0] = kTexels[3 * i + 2];
        p[1] = kTexels[3 * i + 1];
        p[2] = kTexels[3 * i];
    }
    return picture;
}

struct TextureCase {
    const char* name;
    std::function<void(items::CPixelTexture&)> fill;
};

class ItemTexture : public testing::TestWithParam<TextureCase> {
protected:
    static std::unique_ptr<items::C3DItemObject> texturedSquare(const TextureCase& c) {
        auto item = itemtest::squareItem();
        items::C3DObject& node = *item->geometryRoot()->children().front();
        auto texture = std::make_unique<items::CPixelTexture>();
        texture->setWidth(2);
        texture->setHeight(2);
        texture->setComponents(3);
        c.fill(*texture);
        node.addTexture(std::move(texture));
        return item;
    }

    // The texel centres of the square: its corners take texture coordinates (0, 0), (1, 0),
    // (1, 1), (0, 1) counter-clockwise from the bottom left, and the first row of the picture
    // is t = 0. The square is drawn at half size (its larger extent spans one tile).
    static void expectTexels(const Pixels& pixels, const render::opengl::ItemCamera& camera) {
        struct Texel {
            double x, y;
            Rgb colour;
            const char* what;
        };
        for (const Texel& t : {Texel{-0.25, -0.25, {255, 0, 0}, "bottom left: first texel"},
                               Texel{0.25, -0.25, {0, 255, 0}, "bottom right: second texel"},
                               Texel{0.25, 0.25, {255, 255, 255}, "top right: last texel"},
                               Texel{-0.25, 0.25, {0, 0, 255}, "top left: third texel"}}) {
            const auto [x, y] = camera.project({t.x, t.y, 0});
            const Rgb seen = pixels.at(static_cast<int>(x), static_cast<int>(y));
            EXPECT_TRUE(itemtest::near(seen, t.colour, 8))
                << t.what << ": " << seen[0] << ", " << seen[1] << ", " << seen[2];
        }
    }

    static render::opengl::ItemCamera beginFrame(const items::C3DItemObject& item, int size) {
        const render::opengl::ItemCamera camera =
            itemtest::cameraAround(item.boundingBox(1.0), size, size, 0, 0);
        render::opengl::beginPreviewFrame(camera);
        glDisable(GL_LIGHTING);
        return camera;
    }
};

TEST_P(ItemTexture, FaceShowsItsTexture) {
    constexpr int kSize = 128;
    OffscreenContext context(kSize, kSize);
    ASSERT_TRUE(context.valid());
    auto item = texturedSquare(GetParam());
    ItemDrawer drawer;
    const auto camera = beginFrame(*item, kSize);
    drawer.drawItem(*item, 1.0);
    ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    expectTexels(itemtest::readBack(context), camera);
    EXPECT_EQ(drawer.textures().textureCount(), 1u);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D)) << "texturing is switched off again";
}

TEST_P(ItemTexture, PreparedTextureShowsThroughADisplayList) {
    constexpr int kSize = 128;
    OffscreenContext context(kSize, kSize);
    ASSERT_TRUE(context.valid());
    auto item = texturedSquare(GetParam());
    ItemDrawer drawer;
    const auto camera = beginFrame(*item, kSize);
    drawer.prepare(*item);
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    drawer.drawItem(*item, 1.0);
    glEndList();
    glCallList(list);
    glDeleteLists(list, 1);
    ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    expectTexels(itemtest::readBack(context), camera);
}

TEST_P(ItemTexture, NoTextureIsMadeWhileAListIsCompiled) {
    constexpr int kSize = 64;
    OffscreenContext context(kSize, kSize);
    ASSERT_TRUE(context.valid());
    auto item = texturedSquare(GetParam());
    ItemDrawer drawer;
    beginFrame(*item, kSize);
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    drawer.drawItem(*item, 1.0);
    glEndList();
    EXPECT_EQ(drawer.textures().textureCount(), 0u);
    glCallList(list);
    glDeleteLists(list, 1);
    ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    // Untextured, the square is drawn white.
    const Pixels pixels = itemtest::readBack(context);
    EXPECT_EQ(pixels.at(kSize / 2, kSize / 2), (Rgb{255, 255, 255}));
}

INSTANTIATE_TEST_SUITE_P(
    Sources, ItemTexture,
    testing::Values(TextureCase{"RawPixels",
                                [](items::CPixelTexture& t) {
                                    t.setPixels(std::span<const std::uint8_t>(kTexels));
                                }},
                    TextureCase{"Png",
                                [](items::CPixelTexture& t) {
                                    t.setEncodedImage(image::encodePngPicture(texelPicture()));
                                }},
                    TextureCase{"Bmp",
                                [](items::CPixelTexture& t) {
                                    t.setEncodedImage(image::encodeBmpPicture(texelPicture()));
                                }}),
    [](const testing::TestParamInfo<TextureCase>& info) { return std::string(info.param.name); });

TEST(ItemTextures, UndecodableImageDrawsUntexturedAndMakesNoTexture) {
    constexpr int kSize = 64;
    OffscreenContext context(kSize, kSize);
    ASSERT_TRUE(context.valid());
    auto item = itemtest::squareItem({0, 1, 0, 1});
    auto texture = std::make_unique<items::CPixelTexture>();
    texture->setEncodedImage({0x89, 'P', 'N', 'G', 1, 2, 3});
    item->geometryRoot()->children().front()->addTexture(std::move(texture));
    ItemDrawer drawer;
    render::opengl::beginPreviewFrame(
        itemtest::cameraAround(item->boundingBox(1.0), kSize, kSize, 0, 0));
    glDisable(GL_LIGHTING);
    drawer.prepare(*item);
    drawer.drawItem(*item, 1.0);
    EXPECT_EQ(drawer.textures().textureCount(), 0u);
    EXPECT_EQ(itemtest::readBack(context).at(kSize / 2, kSize / 2), kGreen);
}

TEST(ItemTextures, EqualImagesShareOneTextureAndReleaseDeletesIt) {
    OffscreenContext context(8, 8);
    ASSERT_TRUE(context.valid());
    items::C3DItemObject item;
    for (int i = 0; i < 3; ++i) {
        auto texture = std::make_unique<items::CPixelTexture>();
        texture->setEncodedImage(image::encodePngPicture(texelPicture()));
        item.geometryRoot()->createChild().addTexture(std::move(texture));
    }
    ItemDrawer drawer;
    drawer.prepare(item);
    EXPECT_EQ(drawer.textures().textureCount(), 1u);
    const GLuint name = item.geometryRoot()->children().front()->backEndTexture();
    EXPECT_TRUE(glIsTexture(name));
    drawer.release(item);
    EXPECT_EQ(drawer.textures().textureCount(), 0u);
    EXPECT_FALSE(glIsTexture(name));
    EXPECT_EQ(item.geometryRoot()->children().front()->backEndTexture(), 0u);
}

TEST(ItemTextures, HandleLeftByAnotherDrawerIsNotTrusted) {
    constexpr int kSize = 128;
    auto item = itemtest::squareItem();
    auto texture = std::make_unique<items::CPixelTexture>();
    texture->setEncodedImage(image::encodePngPicture(texelPicture()));
    item->geometryRoot()->children().front()->addTexture(std::move(texture));
    {
        OffscreenContext first(8, 8);
        ASSERT_TRUE(first.valid());
        ItemDrawer drawer;
        drawer.prepare(*item);
    }
    // The first context is gone; its texture name stays behind in the item.
    OffscreenContext context(kSize, kSize);
    ASSERT_TRUE(context.valid());
    ItemDrawer drawer;
    const auto camera = itemtest::cameraAround(item->boundingBox(1.0), kSize, kSize, 0, 0);
    render::opengl::beginPreviewFrame(camera);
    glDisable(GL_LIGHTING);
    drawer.drawItem(*item, 1.0);
    EXPECT_EQ(drawer.textures().textureCount(), 1u) << "the texture is made again here";
    const auto [x, y] = camera.project({-0.25, -0.25, 0});
    const Rgb seen = itemtest::readBack(context).at(static_cast<int>(x), static_cast<int>(y));
    EXPECT_TRUE(itemtest::near(seen, kRed, 8)) << seen[0] << ", " << seen[1] << ", " << seen[2];
}

// ---------------------------------------------------------------------------------------------
// Parts other than face sets, and trees of every shape.

struct PartCase {
    const char* name;
    std::function<void(items::C3DItemObject&)> build;
    Rgb expected; // at the picture centre, unlit
};

class ItemParts : public testing::TestWithParam<PartCase> {};

TEST_P(ItemParts, PartShowsInItsColourAtTheCentre) {
    constexpr int kSize = 64;
    OffscreenContext context(kSize, kSize);
    ASSERT_TRUE(context.valid());
    items::C3DItemObject item;
    GetParam().build(item);
    ItemDrawer drawer;
    render::opengl::beginPreviewFrame(
        itemtest::cameraAround(item.boundingBox(1.0), kSize, kSize, 0, 0));
    glDisable(GL_LIGHTING);
    drawer.drawItem(item, 1.0);
    ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    const Rgb centre = itemtest::readBack(context).at(kSize / 2, kSize / 2);
    EXPECT_TRUE(itemtest::near(centre, GetParam().expected, 2))
        << centre[0] << ", " << centre[1] << ", " << centre[2];
}

void dxfFace(items::C3DItemObject& item, std::int16_t colour, std::vector<items::Vec3d> corners,
             std::uint32_t drawFlags = 0) {
    auto faces = std::make_unique<items::CDXF_3DFACE>();
    faces->addFace({colour, std::move(corners)});
    item.geometryRoot()->createChild().setDxfFaces(std::move(faces));
    item.setDrawFlags(drawFlags, true);
}

const std::vector<items::Vec3d> kFacingViewer{{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
const std::vector<items::Vec3d> kFacingAway{{-1, 1, 0}, {1, 1, 0}, {1, -1, 0}, {-1, -1, 0}};

void ribPolygon(items::C3DItemObject& item, std::vector<float> points) {
    auto polygons = std::make_unique<items::CRIB_Attribute>();
    items::RibRecord colour;
    colour.type = items::RibRecord::Colour;
    colour.r = 0, colour.g = 0, colour.b = 1;
    polygons->addRecord(colour);
    items::RibRecord polygon;
    polygon.type = items::RibRecord::GeneralPolygon;
    polygon.vertexCounts = {static_cast<std::int32_t>(points.size() / 3)};
    polygon.points = std::move(points);
    polygons->addRecord(polygon);
    item.geometryRoot()->createChild().setRibPolygons(std::move(polygons));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ItemParts,
    testing::Values(
        PartCase{"DxfColourOne",
                 [](items::C3DItemObject& item) { dxfFace(item, 1, kFacingViewer); }, kRed},
        PartCase{"DxfColourOutsideThePaletteIsWhite",
                 [](items::C3DItemObject& item) { dxfFace(item, 300, kFacingViewer); },
                 Rgb{255, 255, 255}},
        PartCase{"DxfRepeatedCornerMakesATriangle",
                 [](items::C3DItemObject& item) {
                     dxfFace(item, 5, {{-1, -1, 0}, {1, -1, 0}, {0, 1, 0}, {0, 1, 0}});
                 },
                 kBlue},
        PartCase{"DxfClockwiseFaceShowsWithTheClockwiseFlag",
                 [](items::C3DItemObject& item) {
                     dxfFace(item, 3, kFacingAway, items::C3DItemObject::kDrawClockwiseImports);
                 },
                 kGreen},
        PartCase{"DxfClockwiseFaceIsCulledWithoutIt",
                 [](items::C3DItemObject& item) { dxfFace(item, 3, kFacingAway); }, kBackground},
        PartCase{"DxfDoubleSidedShowsTheBackToo",
                 [](items::C3DItemObject& item) {
                     dxfFace(item, 3, kFacingAway, items::C3DItemObject::kDrawDoubleSided);
                 },
                 kGreen},
        PartCase{"RibColourAndPolygon",
                 [](items::C3DItemObject& item) {
                     ribPolygon(item, {-1, -1, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0});
                 },
                 kBlue},
        PartCase{"BoxPrimitive",
                 [](items::C3DItemObject& item) {
                     items::C3DObject& node = item.geometryRoot()->createChild();
                     node.addPrimitive(items::CPrimitive::box(2, 1, 1));
                     node.setColourComponent(1, 0), node.setColourComponent(2, 0);
                 },
                 kRed},
        PartCase{"SpherePrimitive",
                 [](items::C3DItemObject& item) {
                     items::C3DObject& node = item.geometryRoot()->createChild();
                     node.addPrimitive(items::CPrimitive::sphere(1, 12));
                     node.setColourComponent(0, 0), node.setColourComponent(2, 0);
                 },
                 kGreen},
        PartCase{"CylinderPrimitiveWithDamagedSegments",
                 [](items::C3DItemObject& item) {
                     items::C3DObject& node = item.geometryRoot()->createChild();
                     node.addPrimitive(items::CPrimitive::cylinder(1, 2000000000, 1));
                     node.setColourComponent(0, 0), node.setColourComponent(1, 0);
                 },
                 kBlue},
        PartCase{"MirroredNodeStillShowsItsOutside",
                 [](items::C3DItemObject& item) {
                     items::C3DObject& node = item.geometryRoot()->createChild();
                     node.setScale({-1, 1, 1});
                     // The square turned inside out by the mirror: wound clockwise.
                     auto faces = std::make_unique<items::CIndexedFaceSet>();
                     for (const items::Vec3d& p : kFacingViewer) {
                         faces->addPoint(p);
                     }
                     for (int index : {0, 1, 2, 3, -1}) {
                         faces->addCoordIndex(index);
                     }
                     node.setFaceSet(std::move(faces));
                     node.setColourComponent(1, 0), node.setColourComponent(2, 0);
                 },
                 kRed},
        PartCase{"DeepTreeDrawsItsLeaf",
                 [](items::C3DItemObject& item) {
                     items::C3DObject* node = item.geometryRoot();
                     for (int i = 0; i < 100; ++i) {
                         node = &node->createChild();
                         node->setTranslation({0.01, 0, 0});
                     }
                     auto faces = std::make_unique<items::CIndexedFaceSet>();
                     for (const items::Vec3d& p : kFacingViewer) {
                         faces->addPoint(p);
                     }
                     for (int index : {0, 1, 2, 3, -1}) {
                         faces->addCoordIndex(index);
                     }
                     node->setFaceSet(std::move(faces));
                     node->setColourComponent(0, 0), node->setColourComponent(1, 0);
                 },
                 kBlue}),
    [](const testing::TestParamInfo<PartCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// GL state around an item draw.

TEST(ItemDrawState, DrawLeavesEveryStateAndStackAsItFoundIt) {
    constexpr int kSize = 64;
    OffscreenContext context(kSize, kSize);
    ASSERT_TRUE(context.valid());
    // A textured, translucent, mirrored item with DXF faces drawn clockwise.
    auto item = itemtest::squareItem({1, 0, 0, 0.5});
    items::C3DObject& node = *item->geometryRoot()->children().front();
    node.setScale({-1, 1, 1});
    auto texture = std::make_unique<items::CPixelTexture>();
    texture->setEncodedImage(image::encodePngPicture(texelPicture()));
    node.addTexture(std::move(texture));
    auto faces = std::make_unique<items::CDXF_3DFACE>();
    faces->addFace({1, kFacingAway});
    node.setDxfFaces(std::move(faces));
    item->setDrawFlags(items::C3DItemObject::kDrawClockwiseImports, true);
    item->setPitchAndYaw(10, 20);
    item->geometryRoot()->setTransparent(true);
    item->setLampMask(1);
    item->setLampPosition(0, {0.5, 0.1, 0.2});
    item->setLampMirrored(0, true);

    render::opengl::beginPreviewFrame(
        itemtest::cameraAround(item->boundingBox(1.0), kSize, kSize, 0, 0));
    glColor4f(0.25f, 0.5f, 0.75f, 1.0f);
    auto snapshot = [] {
        std::vector<double> state;
        for (GLenum cap : {GL_LIGHTING, GL_TEXTURE_2D, GL_BLEND, GL_CULL_FACE, GL_DEPTH_TEST,
                           GL_NORMALIZE, GL_COLOR_MATERIAL}) {
            state.push_back(glIsEnabled(cap));
        }
        for (GLenum name : {GL_FRONT_FACE, GL_DEPTH_FUNC, GL_DEPTH_WRITEMASK, GL_BLEND_SRC,
                            GL_BLEND_DST, GL_TEXTURE_BINDING_2D, GL_MODELVIEW_STACK_DEPTH,
                            GL_ATTRIB_STACK_DEPTH, GL_CLIENT_ATTRIB_STACK_DEPTH}) {
            GLint value = 0;
            glGetIntegerv(name, &value);
            state.push_back(value);
        }
        GLdouble matrix[16];
        glGetDoublev(GL_MODELVIEW_MATRIX, matrix);
        state.insert(state.end(), matrix, matrix + 16);
        GLfloat colour[4];
        glGetFloatv(GL_CURRENT_COLOR, colour);
        state.insert(state.end(), colour, colour + 4);
        return state;
    };
    const std::vector<double> before = snapshot();
    ItemDrawer drawer;
    drawer.drawItem(*item, 1.0);
    drawer.drawLamps(*item, 1.0, {true, false, -1});
    drawer.drawInnerBox(*item, 1.0, true);
    drawer.drawBoundsOutline(*item, 1.0);
    drawer.drawPartOutlines(*item, 1.0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_EQ(snapshot(), before);
}

// ---------------------------------------------------------------------------------------------
// Lamps: a body at each lamp and its mirror image, glows only in the lit pass.

TEST(ItemLamps, BodiesSitAtTheLampAndItsMirrorAndGlowsComeWithTheLitPass) {
    constexpr int kSize = 128;
    OffscreenContext context(kSize, kSize);
    ASSERT_TRUE(context.valid());
    auto item = itemtest::squareItem();
    item->setLampMask(1);
    item->setLampPosition(0, {0.5, 0.0, 0.2});
    item->setLampMirrored(0, true);
    item->setLampColour(0, {255, 0, 0, 255});
    // Looking along -x at the front of the item, where the lamps shine.
    const items::BoundingBox around{{0.45, -0.05, -0.25}, {0.55, 0.05, 0.25}};
    const auto camera = itemtest::cameraAround(around, kSize, kSize, 90, 0);
    std::vector<int> looked;
    ItemDrawer drawer([&looked](int number) {
        looked.push_back(number);
        return 0u;
    });
    auto pixelAt = [&](const Pixels& pixels, items::Vec3d p) {
        const auto [x, y] = camera.project(p);
        return pixels.at(static_cast<int>(x), static_cast<int>(y));
    };
    const items::Vec3d lamp{0.5, 0.0, 0.2};
    const items::Vec3d mirror{0.5, 0.0, -0.2};
    const items::Vec3d aboveLamp{0.5, 0.07, 0.2};

    render::opengl::beginPreviewFrame(camera);
    drawer.drawLamps(*item, 1.0);
    Pixels pixels = itemtest::readBack(context);
    EXPECT_EQ(pixelAt(pixels, lamp), kRed);
    EXPECT_EQ(pixelAt(pixels, mirror), kRed);
    EXPECT_EQ(pixelAt(pixels, {0.5, 0.0, 0.0}), kBackground) << "nothing between the lamps";
    EXPECT_EQ(pixelAt(pixels, aboveLamp), kBackground) << "no glow outside the lit pass";
    EXPECT_TRUE(looked.empty());

    render::opengl::beginPreviewFrame(camera);
    drawer.drawLamps(*item, 1.0, {true, false, 7});
    pixels = itemtest::readBack(context);
    EXPECT_EQ(pixelAt(pixels, aboveLamp), (Rgb{255, kBackground[1], kBackground[2]}))
        << "the glow adds the lamp colour";
    EXPECT_EQ(looked, (std::vector<int>{7}));

    render::opengl::beginPreviewFrame(camera);
    drawer.drawLamps(*item, 1.0, {true, true, 7});
    EXPECT_EQ(pixelAt(itemtest::readBack(context), lamp), kBackground) << "bodies off";
}

// ---------------------------------------------------------------------------------------------
// Built-in items by number and frame-flip animations.

TEST(ItemDrawLookups, BuiltinItemsDrawByNumberAndUnknownNumbersDrawNothing) {
    constexpr int kSize = 64;
    OffscreenContext context(kSize, kSize);
    ASSERT_TRUE(context.valid());
    ItemDrawer drawer;
    items::C3DItemObject* pier = items::getBuiltinItem(129);
    ASSERT_NE(pier, nullptr);
    render::opengl::beginPreviewFrame(itemtest::cameraAround(pier->boundingBox(1.0), kSize, kSize));
    EXPECT_FALSE(drawer.drawBuiltinItem(127, 1.0));
    EXPECT_FALSE(drawer.drawBuiltinItem(70000, 1.0));
    EXPECT_EQ(itemtest::readBack(context).at(kSize / 2, kSize / 2), kBackground);
    EXPECT_TRUE(drawer.drawBuiltinItem(129, 1.0));
    EXPECT_NE(itemtest::readBack(context).at(kSize / 2, kSize / 2), kBackground);
}

TEST(ItemDrawLookups, AnimationDrawsTheFrameOfItsTime) {
    constexpr int kSize = 64;
    OffscreenContext context(kSize, kSize);
    ASSERT_TRUE(context.valid());
    auto red = itemtest::squareItem({1, 0, 0, 1});
    auto green = itemtest::squareItem({0, 1, 0, 1});
    items::CAnimatable3DItemObject animation;
    animation.setFrames({red.get(), green.get()});
    animation.setInterval(1.0);
    animation.start(100.0);
    ItemDrawer drawer;
    const auto camera = itemtest::cameraAround(red->boundingBox(1.0), kSize, kSize, 0, 0);
    // Each draw shows the current frame, then moves on by the whole intervals since the last
    // move: at 101.5 the first frame is shown and the animation moves to the second.
    for (const auto& [now, expected] :
         {std::pair{100.5, kRed}, std::pair{101.5, kRed}, std::pair{102.6, kGreen}}) {
        render::opengl::beginPreviewFrame(camera);
        glDisable(GL_LIGHTING);
        EXPECT_TRUE(drawer.drawAnimated(animation, now, 1.0));
        EXPECT_EQ(itemtest::readBack(context).at(kSize / 2, kSize / 2), expected) << now;
    }
    items::CAnimatable3DItemObject empty;
    EXPECT_FALSE(drawer.drawAnimated(empty, 0.0, 1.0));
}

} // namespace
