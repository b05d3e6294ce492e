// zarnolt-cli render-item, run as a user runs it: pictures of data-pack models, the same bytes
// for the same arguments, and one-line errors for everything that cannot be drawn.
#include "image/FileBytes.h"
#include "image/PngCodec.h"
#include "items/C3DItemObject.h"
#include "support/CliRunner.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using testsupport::CliRun;
using testsupport::runCli;

const std::string kCatalogue = std::string(ZARNOLT_BUILD_DIR) + "/bin/データ/C3DItem_File/";
const std::string kLocomotive = kCatalogue + "列車、客車、貨車/機関車/SL01.zn3";
const std::string kHouse = kCatalogue + "ストラクチャ/建物/House01.zn3";

class RenderItemCli : public testing::Test {
protected:
    std::string out(const char* name) const { return (scratch_ / name).string(); }
    testsupport::TempFolder scratch_;
};

std::vector<std::uint8_t> bytesOf(const std::string& path) {
    return image::readFileBytes(path).value_or(std::vector<std::uint8_t>{});
}

TEST_F(RenderItemCli, WritesAPictureOfTheRequestedSizeShowingTheModel) {
    const CliRun run =
        runCli({"render-item", kHouse, "--out", out("house.png"), "--size", "200x150"}, scratch_);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(run.err.empty()) << run.err;
    const auto png = image::readPngFile(out("house.png"));
    ASSERT_TRUE(png.has_value());
    EXPECT_EQ(png->width, 200);
    EXPECT_EQ(png->height, 150);
    ASSERT_EQ(png->bytesPerPixel, 3);
    // The corners show the plain background; the middle shows the house.
    auto at = [&](int x, int y) {
        const std::size_t i = (static_cast<std::size_t>(y) * 200 + static_cast<std::size_t>(x)) * 3;
        return std::vector<int>{png->pixels[i], png->pixels[i + 1], png->pixels[i + 2]};
    };
    EXPECT_EQ(at(0, 0), at(199, 149));
    EXPECT_NE(at(100, 75), at(0, 0));
}

TEST_F(RenderItemCli, SameArgumentsGiveTheSameBytesAndAnotherAngleAnotherPicture) {
    const std::vector<std::string> args = {"render-item", kLocomotive, "--size", "160x120", "--yaw",
                                           "40",          "--pitch",   "25",     "--out"};
    auto withOut = [&](const char* name) {
        std::vector<std::string> all = args;
        all.push_back(out(name));
        return all;
    };
    ASSERT_EQ(runCli(withOut("a.png"), scratch_).exitCode, 0);
    ASSERT_EQ(runCli(withOut("b.png"), scratch_).exitCode, 0);
    const auto a = bytesOf(out("a.png"));
    ASSERT_FALSE(a.empty());
    EXPECT_EQ(a, bytesOf(out("b.png")));

    std::vector<std::string> turned = withOut("c.png");
    turned[5] = "-40";
    ASSERT_EQ(runCli(turned, scratch_).exitCode, 0);
    EXPECT_NE(a, bytesOf(out("c.png")));
}

TEST_F(RenderItemCli, ModelOfDxfFacesAloneIsDrawn) {
    // Imported faces count for no geometry totals, but they are drawn all the same.
    items::C3DItemObject item;
    auto faces = std::make_unique<items::CDXF_3DFACE>();
    faces->addFace({1, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}});
    item.geometryRoot()->createChild().setDxfFaces(std::move(faces));
    item.setDrawFlags(items::C3DItemObject::kDrawDoubleSided, true);
    const fs::path file = scratch_ / "dxf.zn3";
    ASSERT_TRUE(image::writeFileBytes(file, item.serialize()));
    const CliRun run = runCli(
        {"render-item", file.string(), "--out", out("dxf.png"), "--size", "64x64"}, scratch_);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto png = image::readPngFile(out("dxf.png"));
    ASSERT_TRUE(png.has_value());
    const std::size_t middle = (32 * 64 + 32) * 3;
    // Lit at an angle, the red face is darker than full red but still plainly red.
    EXPECT_GT(png->pixels[middle], 150) << "the red face fills the middle";
    EXPECT_LT(png->pixels[middle + 1], 40);
    EXPECT_LT(png->pixels[middle + 2], 40);
}

TEST_F(RenderItemCli, BadCommandLinesFailWithOneLine) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"render-item", kHouse, "--out", out("x.png"), "--yaw", "east"},
          std::vector<std::string>{"render-item", kHouse},
          std::vector<std::string>{"render-item", kHouse, "--out", out("x.png"), "--zoom", "2"}}) {
        const CliRun run = runCli(args, scratch_);
        EXPECT_EQ(run.exitCode, 1) << args.back();
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_FALSE(fs::exists(out("x.png")));
    }
}

struct ErrorCase {
    const char* name;
    // Writes what the case needs into the folder and gives the arguments after "render-item".
    std::vector<std::string> (*arguments)(const fs::path& folder);
};

class RenderItemCliErrors : public testing::TestWithParam<ErrorCase> {
protected:
    testsupport::TempFolder scratch_;
};

TEST_P(RenderItemCliErrors, FailsWithOneLineAndWritesNothing) {
    std::vector<std::string> args = {"render-item"};
    const std::vector<std::string> rest = GetParam().arguments(scratch_.path());
    args.insert(args.end(), rest.begin(), rest.end());
    const CliRun run = runCli(args, scratch_);
    EXPECT_EQ(run.exitCode, 1);
    ASSERT_FALSE(run.err.empty());
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(run.err.rfind("zarnolt-cli render-item: ", 0), 0u) << run.err;
    EXPECT_FALSE(fs::exists(scratch_ / "out.png"));
}

std::string write(const fs::path& folder, const char* name,
                  const std::vector<std::uint8_t>& bytes) {
    const fs::path path = folder / name;
    EXPECT_TRUE(image::writeFileBytes(path, bytes));
    return path.string();
}

std::string outIn(const fs::path& folder) {
    return (folder / "out.png").string();
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, RenderItemCliErrors,
    testing::Values(
        ErrorCase{"MissingFile",
                  [](const fs::path& f) {
                      return std::vector<std::string>{(f / "none.zn3").string(), "--out", outIn(f)};
                  }},
        ErrorCase{"NotAnItemModel",
                  [](const fs::path& f) {
                      return std::vector<std::string>{
                          write(f, "junk.zn3", std::vector<std::uint8_t>(2000, 0x5A)), "--out",
                          outIn(f)};
                  }},
        ErrorCase{"ModelWithoutFaces",
                  [](const fs::path& f) {
                      return std::vector<std::string>{
                          write(f, "empty.zn3", items::C3DItemObject().serialize()), "--out",
                          outIn(f)};
                  }},
        ErrorCase{
            "ModelCutBeforeItsGeometry",
            [](const fs::path& f) {
                auto bytes = bytesOf(kLocomotive);
                bytes.resize(std::min<std::size_t>(bytes.size(), 600));
                return std::vector<std::string>{write(f, "cut.zn3", bytes), "--out", outIn(f)};
            }},
        ErrorCase{"ZeroSize",
                  [](const fs::path& f) {
                      return std::vector<std::string>{kHouse, "--out", outIn(f), "--size", "0x10"};
                  }},
        ErrorCase{"SizeWithoutHeight",
                  [](const fs::path& f) {
                      return std::vector<std::string>{kHouse, "--out", outIn(f), "--size", "10x"};
                  }},
        ErrorCase{"SizeNotANumber",
                  [](const fs::path& f) {
                      return std::vector<std::string>{kHouse, "--out", outIn(f), "--size", "wide"};
                  }},
        ErrorCase{
            "SizeTooLarge",
            [](const fs::path& f) {
                return std::vector<std::string>{kHouse, "--out", outIn(f), "--size", "100000x100"};
            }},
        ErrorCase{"AngleNotFinite",
                  [](const fs::path& f) {
                      return std::vector<std::string>{kHouse, "--out", outIn(f), "--yaw", "inf"};
                  }},
        ErrorCase{"UnwritableOutput",
                  [](const fs::path& f) {
                      return std::vector<std::string>{kHouse, "--out",
                                                      (f / "no such folder" / "out.png").string()};
                  }}),
    [](const testing::TestParamInfo<ErrorCase>& info) { return std::string(info.param.name); });

} // namespace
