#include "editor/CZarnolt3DView.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cstdlib>

#include "model/CTrackItem.h"
#include "model/CZarnoltDocument.h"
#include "model/ModelSeams.h"
#include "model/TrackTiles.h"
#include "trains/VehicleRegistry.h"

namespace editor {

namespace {

constexpr int kPurgeIntervalMs = 100;
constexpr int kSelectionPen = 4;

int boardColumns() {
    const auto* doc = model::currentDocument();
    return doc ? doc->getColumns() : 1;
}
int boardRows() {
    const auto* doc = model::currentDocument();
    return doc ? doc->getRows() : 1;
}

model::TilePos tilePos(QPoint cell) {
    return model::TilePos{static_cast<std::int16_t>(cell.x()), static_cast<std::int16_t>(cell.y())};
}

} // namespace

CZarnolt3DView::CZarnolt3DView(QWidget* parent) : QAbstractScrollArea(parent) {
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(false);
    setFrameShape(QFrame::NoFrame);
    horizontalScrollBar()->setSingleStep(kTilePixels);
    verticalScrollBar()->setSingleStep(kTilePixels);
    model::modelHooks().repaintCell = [this](int, model::TilePos pos) {
        repaintTiles(pos.column, pos.row, pos.column, pos.row);
    };
    connect(&purgeTimer_, &QTimer::timeout, this, &CZarnolt3DView::purgeDeferred);
    purgeTimer_.start(kPurgeIntervalMs);
    updateScrollBars();
}

CZarnolt3DView::~CZarnolt3DView() {
    model::modelHooks().repaintCell = nullptr;
}

void CZarnolt3DView::selectLayer(int layer) {
    if (layer < 0 || layer > kTerrainLayer) {
        return;
    }
    if (layer == kTerrainLayer) {
        model::clearSelection();
        emit selectionChanged();
    }
    currentLayer_ = layer;
    dragging_ = false;
    viewport()->update();
    emit layerChanged(layer);
}

QPoint CZarnolt3DView::scrollPosition() const {
    return QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void CZarnolt3DView::scrollTo(QPoint boardPixel) {
    horizontalScrollBar()->setValue(boardPixel.x());
    verticalScrollBar()->setValue(boardPixel.y());
}

QPoint CZarnolt3DView::topLeftTile() const {
    const QPoint p = scrollPosition();
    return QPoint(std::abs(p.x() / kTilePixels), std::abs(p.y() / kTilePixels));
}

void CZarnolt3DView::boardChanged() {
    painter_.forgetPictures();
    updateScrollBars();
    viewport()->update();
}

void CZarnolt3DView::repaintTiles(int c0, int r0, int c1, int r1) {
    if (c0 > c1) {
        std::swap(c0, c1);
    }
    if (r0 > r1) {
        std::swap(r0, r1);
    }
    const QPoint s = scrollPosition();
    viewport()->update(QRect(QPoint(kTilePixels * c0 - 7, kTilePixels * r0 - 7),
                             QPoint(kTilePixels * c1 + 47, kTilePixels * r1 + 47))
                           .translated(-s));
}

std::optional<QPoint> CZarnolt3DView::cellAt(QPoint viewportPoint) const {
    const QPoint p = viewportPoint + scrollPosition();
    if (p.x() < 0 || p.y() < 0 || p.x() >= kTilePixels * boardColumns() ||
        p.y() >= kTilePixels * boardRows()) {
        return std::nullopt;
    }
    return QPoint(p.x() / kTilePixels, p.y() / kTilePixels);
}

void CZarnolt3DView::updateScrollBars() {
    const int width = kTilePixels * boardColumns();
    const int height = kTilePixels * boardRows();
    const QSize view = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, width - view.width()));
    verticalScrollBar()->setRange(0, std::max(0, height - view.height()));
    horizontalScrollBar()->setPageStep(std::max(1, view.width()));
    verticalScrollBar()->setPageStep(std::max(1, view.height()));
}

LayoutPaintState CZarnolt3DView::paintState() const {
    return LayoutPaintState{currentLayer_, boardColumns(), boardRows()};
}

QRect CZarnolt3DView::dragRect() const {
    const int c0 = std::min(anchor_.x(), dragEnd_.x());
    const int c1 = std::max(anchor_.x(), dragEnd_.x());
    const int r0 = std::min(anchor_.y(), dragEnd_.y());
    const int r1 = std::max(anchor_.y(), dragEnd_.y());
    return QRect(QPoint(kTilePixels * c0 + 1, kTilePixels * r0 + 1),
                 QPoint(kTilePixels * c1 + kTilePixels - 1, kTilePixels * r1 + kTilePixels - 1));
}

void CZarnolt3DView::paintBoard(QPainter& painter, const QRect& area) {
    painter_.paint(painter, area, paintState());
}

void CZarnolt3DView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QPoint s = scrollPosition();
    painter.translate(-s);
    const QRect area = event->rect().translated(s);
    painter_.paint(painter, area, paintState());

    // The selection: the selection colour blended over the selected cells.
    const auto& sel = model::selection();
    if (model::selectionCount() > 0 && sel.layer == currentLayer_) {
        const QRect selected(QPoint(kTilePixels * sel.minColumn + 1, kTilePixels * sel.minRow + 1),
                             QPoint(kTilePixels * sel.maxColumn + kTilePixels - 1,
                                    kTilePixels * sel.maxRow + kTilePixels - 1));
        painter.setOpacity(0.5);
        painter.fillRect(selected & area.adjusted(-1, -1, 1, 1), LayoutPainter::selectionColour());
        painter.setOpacity(1.0);
    }
    if (dragging_ && anchor_.x() >= 0 && dragEnd_.x() >= 0) {
        QPen pen(LayoutPainter::selectionColour(), kSelectionPen);
        pen.setJoinStyle(Qt::MiterJoin);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(dragRect());
    }
}

void CZarnolt3DView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void CZarnolt3DView::scrollContentsBy(int, int) {
    viewport()->update();
    emit scrolled();
}

bool CZarnolt3DView::pressOnTile(QPoint cell, QPoint boardPixel) {
    auto* tile = model::tileAt(currentLayer_, tilePos(cell));
    if (!tile) {
        return false;
    }
    model::selectSingle(tile);
    anchor_ = cell;
    dragEnd_ = cell;
    repaintTiles(cell.x(), cell.y(), cell.x(), cell.y());
    emit selectionChanged();
    // A press on a point's box switches the point.
    const QPoint local = boardPixel - QPoint(kTilePixels * cell.x(), kTilePixels * cell.y());
    for (const auto& [kind, item] : tile->controlItems()) {
        if (kind != model::KindPoint || !item) {
            continue;
        }
        const auto r = item->getRect();
        if (local.x() >= r.left && local.x() < r.right && local.y() >= r.top &&
            local.y() < r.bottom) {
            item->setOccupant(item->getOccupant() == 0 ? 1 : 0);
            tile->dropLinks();
            repaintTiles(cell.x(), cell.y(), cell.x(), cell.y());
            emit modelChanged();
            break;
        }
    }
    return true;
}

void CZarnolt3DView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || currentLayer_ == kTerrainLayer) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const auto cell = cellAt(event->position().toPoint());
    if (!cell) {
        dragging_ = false;
        model::clearSelection();
        viewport()->update();
        emit selectionChanged();
        return;
    }
    const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
    if (!shift && pressOnTile(*cell, event->position().toPoint() + scrollPosition())) {
        dragging_ = false;
        return;
    }
    model::clearSelection();
    if (shift && anchor_.x() >= 0) {
        dragEnd_ = *cell;
    } else {
        anchor_ = *cell;
        dragEnd_ = *cell;
    }
    dragging_ = true;
    model::setSelection(currentLayer_, tilePos(anchor_), tilePos(dragEnd_));
    viewport()->update();
    emit selectionChanged();
}

void CZarnolt3DView::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_ || !(event->buttons() & Qt::LeftButton)) {
        return;
    }
    const auto cell = cellAt(event->position().toPoint());
    if (cell && *cell != dragEnd_) {
        dragEnd_ = *cell;
        viewport()->update();
    }
}

void CZarnolt3DView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !dragging_) {
        return;
    }
    model::setSelection(currentLayer_, tilePos(anchor_), tilePos(dragEnd_));
    dragging_ = false;
    viewport()->update();
    emit selectionChanged();
}

void CZarnolt3DView::contextMenuEvent(QContextMenuEvent* event) {
    if (currentLayer_ == kTerrainLayer) {
        return;
    }
    const auto cell = cellAt(event->pos());
    if (!cell) {
        return;
    }
    const auto& sel = model::selection();
    const bool inside = model::selectionCount() > 0 && sel.layer == currentLayer_ &&
                        cell->x() >= sel.minColumn && cell->x() <= sel.maxColumn &&
                        cell->y() >= sel.minRow && cell->y() <= sel.maxRow;
    if (!inside) {
        anchor_ = *cell;
        dragEnd_ = *cell;
        model::setSelection(currentLayer_, tilePos(*cell), tilePos(*cell));
        viewport()->update();
        emit selectionChanged();
    }
    if (trackMenu_) {
        trackMenu_->exec(event->globalPos());
    }
}

void CZarnolt3DView::purgeDeferred() {
    const bool tiles = model::purgeEmptiedTiles();
    const bool vehicles = trains::flushVehicleDeletions();
    if (tiles || vehicles) {
        emit modelChanged();
    }
}

} // namespace editor
