// Painting the layout view on a 999 × 999 board full of track: one viewport, and scrolling
// across the board one viewport after another. Runs on Qt's offscreen platform.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "editor/LayoutPainter.h"
#include "image/Picture.h"
#include "model/CTrackItem.h"
#include "model/CZarnoltDocument.h"
#include "model/TrackTiles.h"
#include "persistence/CImageItem.h"

namespace {

constexpr int kEdge = 999;
// Tiles in this square at the board's centre carry a picture as catalogue pieces do (a
// picture per tile over the whole board would need gigabytes).
constexpr int kPictureFrom = 450;
constexpr int kPictureTo = 550;
constexpr int kViewWidth = 1280;
constexpr int kViewHeight = 800;

image::Picture trackPicture() {
    image::Picture picture(40, 40, 24);
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 40; ++x) {
            const bool rail = y == 14 || y == 26;
            const bool sleeper = (x % 8) < 3 && y > 10 && y < 30;
            picture.setColourAt(x, y, rail ? 0x303030 : sleeper ? 0x2B4A6B : 0xFFFFFF);
        }
    }
    return picture;
}

// Every cell of layer 0 holds a straight track; every tenth has a point with a number; an
// elevated layer above holds every fourth row.
void fillBoard() {
    model::deleteAllTiles();
    model::reserveTileRegistry(static_cast<std::size_t>(kEdge) * kEdge * 5 / 4);
    const image::Picture picture = trackPicture();
    for (int row = 0; row < kEdge; ++row) {
        for (int column = 0; column < kEdge; ++column) {
            const model::TilePos pos{static_cast<std::int16_t>(column),
                                     static_cast<std::int16_t>(row)};
            model::CTrackItem* tile = model::createTile(pos, 0);
            tile->addShape(1, model::LineKindTrack);
            if ((row * kEdge + column) % 10 == 0) {
                tile->addShape(3, model::LineKindTrack);
                if (auto* point = tile->pointItem()) {
                    point->setLabelPos(30, 35);
                }
            }
            const bool pictured = row >= kPictureFrom && row < kPictureTo &&
                                  column >= kPictureFrom && column < kPictureTo;
            if (pictured) {
                tile->setPicture(std::make_unique<persistence::CImageItem>(picture));
            }
            if (row % 4 == 0) {
                model::CTrackItem* high = model::createTile(pos, 1);
                high->addShape(1, model::LineKindTrack);
                high->setElevationOffset(1);
            }
        }
    }
}

struct Board {
    Board() {
        const std::string config =
            (std::filesystem::temp_directory_path() / "zarnolt-bench-config").string();
        setenv("ZARNOLT_CONFIG_DIR", config.c_str(), 1);
        document = std::make_unique<model::CZarnoltDocument>(kEdge, kEdge);
        fillBoard();
    }
    std::unique_ptr<model::CZarnoltDocument> document;
};

Board& board() {
    static Board b;
    return b;
}

void paintAt(editor::LayoutPainter& painter, QImage& target, QPoint scroll, int layer) {
    QPainter p(&target);
    p.translate(-scroll);
    painter.paint(p, QRect(scroll, target.size()), editor::LayoutPaintState{layer, kEdge, kEdge});
}

// One viewport at the board's centre (pictures, points, labels of the current layer).
void BM_PaintViewport999(benchmark::State& state) {
    board();
    editor::LayoutPainter painter;
    QImage target(kViewWidth, kViewHeight, QImage::Format_RGB32);
    const QPoint scroll(kPictureFrom * 40 + 100, kPictureFrom * 40 + 100);
    for (auto _ : state) {
        paintAt(painter, target, scroll, static_cast<int>(state.range(0)));
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_PaintViewport999)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Scrolling diagonally across the whole board, one tile per step, painting the viewport at
// each step (as a full repaint, the worst case of a scroll).
void BM_ScrollAcross999(benchmark::State& state) {
    board();
    editor::LayoutPainter painter;
    QImage target(kViewWidth, kViewHeight, QImage::Format_RGB32);
    const int last = kEdge * 40 - kViewHeight;
    int offset = 0;
    for (auto _ : state) {
        paintAt(painter, target, QPoint(offset, offset), 0);
        benchmark::DoNotOptimize(target.constBits());
        offset = offset + 40 > last ? 0 : offset + 40;
    }
}
BENCHMARK(BM_ScrollAcross999)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    model::deleteAllTiles();
    return 0;
}
