#include "editor/LayoutPainter.h"

#include <QPainter>

#include <algorithm>
#include <cstring>

#include "editor/CLandscapeLayoutView.h"
#include "editor/EditorFonts.h"
#include "model/CTrackItem.h"
#include "model/TrackTiles.h"
#include "persistence/CImageItem.h"
#include "trains/CTrackControlItemManager.h"

namespace editor {

namespace {

// Pictures may overhang their cell; cells this many tiles beyond the area are visited too.
constexpr int kPictureReach = 3;
// Converted pictures kept at most; the cache starts over beyond it.
constexpr std::size_t kMaxCachedPictures = 20000;

// A 24- or 32-bit picture (blue, green, red order) as a Qt image.
QImage toImage(const image::Picture& picture, bool faded) {
    if (picture.empty() || picture.bytesPerPixel() < 3) {
        return {};
    }
    QImage out(picture.width(), picture.height(), QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            const std::uint8_t* p = picture.pixel(x, y);
            int b = p[0], g = p[1], r = p[2];
            if (faded) {
                // 70 percent of the picture over white.
                r = (r * 7 + 255 * 3) / 10;
                g = (g * 7 + 255 * 3) / 10;
                b = (b * 7 + 255 * 3) / 10;
            }
            line[x] = qRgb(r, g, b);
        }
    }
    return out;
}

// A fingerprint of a picture's size and bytes (FNV-1a over every third 64-bit word and the
// tail): a turned or mirrored picture, or another picture at a reused address, changes it.
std::uint64_t signatureOf(const image::Picture& picture) {
    std::uint64_t h = 1469598103934665603ull ^ (static_cast<std::uint64_t>(picture.width()) << 32 |
                                                static_cast<std::uint32_t>(picture.height()));
    const auto bytes = picture.bytes();
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 24) {
        std::uint64_t word = 0;
        std::memcpy(&word, bytes.data() + i, 8);
        h = (h ^ word) * 1099511628211ull;
    }
    for (i = bytes.size() - std::min<std::size_t>(bytes.size(), 8); i < bytes.size(); ++i) {
        h = (h ^ bytes[i]) * 1099511628211ull;
    }
    return h;
}

// The hit box of a control item in view pixels: shifted by (cell + 1), its right and bottom
// edges one pixel in.
QRect itemBox(const model::CTrackControlItem& item, const QRect& cell) {
    const auto r = item.getRect();
    const int left = cell.left() + 1 + r.left;
    const int top = cell.top() + 1 + r.top;
    const int right = cell.left() + r.right; // exclusive
    const int bottom = cell.top() + r.bottom;
    return QRect(left, top, std::max(0, right - left), std::max(0, bottom - top));
}

void frameRect(QPainter& painter, const QRect& box, const QColor& colour) {
    if (box.isEmpty()) {
        return;
    }
    painter.fillRect(QRect(box.left(), box.top(), box.width(), 1), colour);
    painter.fillRect(QRect(box.left(), box.bottom(), box.width(), 1), colour);
    painter.fillRect(QRect(box.left(), box.top(), 1, box.height()), colour);
    painter.fillRect(QRect(box.right(), box.top(), 1, box.height()), colour);
}

void drawPoint(QPainter& painter, const model::CTrackControlItem& item, const QRect& cell) {
    const QColor blue(0, 0, 255);
    const QRect box = itemBox(item, cell);
    if (item.getOccupant() == 0) {
        painter.fillRect(box, blue);
    } else {
        frameRect(painter, box, blue);
    }
    if (item.getNumber() == 0) {
        return;
    }
    // The number sits in the quarter of the tile where the point branches.
    const auto& marker = item.getLabelPos();
    int x = cell.left() + 1;
    int y = cell.top() + 1;
    if (marker.x > 20 && marker.z != 20) {
        x += 28;
    }
    if (marker.z > 20 && marker.x != 20) {
        y += 28;
    }
    painter.setFont(labelFont(14, false));
    painter.setPen(Qt::black);
    painter.drawText(QRect(x, y, 200, 40), Qt::AlignLeft | Qt::AlignTop,
                     QString::number(item.getNumber()));
}

void drawHolding(QPainter& painter, const model::CTrackControlItem& item, const QRect& cell) {
    QColor fill(0, 255, 0);
    const auto* manager = trains::controlItemManager();
    if (manager && manager->contains(&item)) {
        fill = QColor(255, 255, 0);
    } else if (item.getOccupant() != 0) {
        fill = QColor(255, 0, 0);
    }
    const QRect box = itemBox(item, cell);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(fill);
    painter.drawEllipse(QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5));
    painter.restore();
}

} // namespace

QColor LayoutPainter::gridColour(int layer) {
    if (layer >= 1 && layer <= 4) {
        const int v = (layer - 1) * 51;
        return QColor(v, v, 255);
    }
    return QColor(128, 128, 128);
}

const LayoutPainter::Converted* LayoutPainter::converted(const model::TilePicture* picture) {
    const auto* item = dynamic_cast<const persistence::CImageItem*>(picture);
    if (!item) {
        return nullptr;
    }
    const std::uint64_t signature = signatureOf(item->picture());
    if (auto it = pictures_.find(picture); it != pictures_.end()) {
        if (it->second.signature == signature) {
            return &it->second;
        }
        pictures_.erase(it);
    }
    if (pictures_.size() >= kMaxCachedPictures) {
        pictures_.clear();
    }
    Converted c{signature, toImage(item->picture(), false), toImage(item->picture(), true)};
    if (c.full.isNull()) {
        return nullptr;
    }
    return &pictures_.emplace(picture, std::move(c)).first->second;
}

void LayoutPainter::paintTile(QPainter& painter, const model::CTrackItem& tile, const QRect& cell,
                              int currentLayer) {
    const bool current = tile.getLayer() == currentLayer;
    if (const auto* picture = tile.getPicture()) {
        if (const auto* images = converted(picture)) {
            const QImage& img = current ? images->full : images->faded;
            const QPoint at(cell.left() + (cell.width() - img.width()) / 2,
                            cell.top() + (cell.height() - img.height()) / 2);
            painter.save();
            painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
            painter.drawImage(at, img);
            painter.restore();
        }
    }
    const int layer = tile.getLayer();
    const int offset = tile.getElevationOffset();
    if (current && layer >= 1 && layer <= 4 && offset > 0) {
        painter.setFont(labelFont(16, true));
        painter.setPen(Qt::black);
        painter.drawText(QRect(cell.left() + 2, cell.top() + 2, 200, 40),
                         Qt::AlignLeft | Qt::AlignTop,
                         QStringLiteral("%1m").arg(3 * layer - offset));
    }
    for (const auto& [kind, item] : tile.controlItems()) {
        if (!item) {
            continue;
        }
        if (kind == model::KindPoint) {
            drawPoint(painter, *item, cell);
        } else if (kind == model::KindCrossing) {
            drawHolding(painter, *item, cell);
        }
    }
}

void LayoutPainter::paint(QPainter& painter, const QRect& area, const LayoutPaintState& state) {
    const int boardWidth = kTilePixels * state.columns;
    const int boardHeight = kTilePixels * state.rows;
    painter.fillRect(area, Qt::white);
    // The terrain picture lies under the grid and the tiles.
    paintLandscapes(painter, area, state.currentLayer);

    // Grid of the current track layer, clipped to the area.
    if (state.currentLayer >= 0 && state.currentLayer <= 4) {
        const QColor grid = gridColour(state.currentLayer);
        const int top = std::max(0, area.top());
        const int bottom = std::min(boardHeight, area.bottom());
        const int left = std::max(0, area.left());
        const int right = std::min(boardWidth, area.right());
        if (top <= bottom && left <= right) {
            for (int c = std::max(0, left / kTilePixels); c * kTilePixels <= right; ++c) {
                painter.fillRect(QRect(c * kTilePixels, top, 1, bottom - top + 1), grid);
            }
            for (int r = std::max(0, top / kTilePixels); r * kTilePixels <= bottom; ++r) {
                painter.fillRect(QRect(left, r * kTilePixels, right - left + 1, 1), grid);
            }
        }
    }

    // Cells that meet the area, widened for overhanging pictures.
    const int c0 = std::max(0, area.left() / kTilePixels - kPictureReach);
    const int r0 = std::max(0, area.top() / kTilePixels - kPictureReach);
    const int c1 = std::min(state.columns - 1, area.right() / kTilePixels + kPictureReach);
    const int r1 = std::min(state.rows - 1, area.bottom() / kTilePixels + kPictureReach);
    if (c0 > c1 || r0 > r1) {
        return;
    }
    for (int layer = 0; layer <= 4; ++layer) {
        const auto* map = model::layerMap(layer);
        if (!map || map->empty()) {
            continue;
        }
        for (int r = r0; r <= r1; ++r) {
            const auto first = model::packTilePos(
                model::TilePos{static_cast<std::int16_t>(c0), static_cast<std::int16_t>(r)});
            const auto last = model::packTilePos(
                model::TilePos{static_cast<std::int16_t>(c1), static_cast<std::int16_t>(r)});
            for (auto it = map->lower_bound(first); it != map->end() && it->first <= last; ++it) {
                if (!it->second) {
                    continue;
                }
                const auto pos = it->second->getPosition();
                const QRect cell(pos.column * kTilePixels, pos.row * kTilePixels, kTilePixels,
                                 kTilePixels);
                paintTile(painter, *it->second, cell, state.currentLayer);
            }
        }
    }
}

} // namespace editor
