#include "editor/CZarnolt3DView.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "editing/Clipboard.h"
#include "editing/EditCommands.h"
#include "editing/UndoStore.h"
#include "editor/CatalogueDrop.h"
#include "editor/EditorHooks.h"
#include "editor/SystemClipboard.h"
#include "editor/VehicleMarkers.h"
#include "editor/VehicleMenu.h"
#include "model/CTrackItem.h"
#include "model/CZarnoltDocument.h"
#include "model/DocumentRecords.h"
#include "model/ModelSeams.h"
#include "model/TrackTiles.h"
#include "trains/CTrackControlItemManager.h"
#include "trains/CTrainControler.h"
#include "trains/CTrainItem.h"
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
    viewport()->setAcceptDrops(true);
    setFrameShape(QFrame::NoFrame);
    horizontalScrollBar()->setSingleStep(kTilePixels);
    verticalScrollBar()->setSingleStep(kTilePixels);
    model::modelHooks().repaintCell = [this](int, model::TilePos pos) {
        repaintTiles(pos.column, pos.row, pos.column, pos.row);
    };
    connect(&purgeTimer_, &QTimer::timeout, this, &CZarnolt3DView::purgeDeferred);
    purgeTimer_.start(kPurgeIntervalMs);
    installVehicleMarkers(viewport());
    updateScrollBars();
}

CZarnolt3DView::~CZarnolt3DView() {
    model::modelHooks().repaintCell = nullptr;
    installVehicleMarkers(nullptr);
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

void CZarnolt3DView::setLoading(bool loading) {
    loading_ = loading;
    dragging_ = false;
    dragPress_.reset();
    hover_.reset();
    painter_.forgetPictures();
    if (loading) {
        purgeTimer_.stop();
    } else {
        purgeTimer_.start(kPurgeIntervalMs);
    }
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

bool CZarnolt3DView::isLayoutFrozen() const {
    const auto* controller = trains::trainController();
    const auto* doc = model::currentDocument();
    return controller && controller->isRunning() && doc &&
           doc->testPreferenceFlag(model::PrefFreezeLayoutWhileRunning) &&
           editorHooks().has3DWindow && editorHooks().has3DWindow();
}

void CZarnolt3DView::paintEvent(QPaintEvent* event) {
    const qreal ratio = viewport()->devicePixelRatioF();
    const QSize pixels = (QSizeF(viewport()->size()) * ratio).toSize();
    const QPoint s = scrollPosition();
    const QRectF source(QPointF(event->rect().topLeft()) * ratio,
                        QSizeF(event->rect().size()) * ratio);
    // Frozen, the view shows the picture it drew last, as long as it still fits.
    if (!loading_ && isLayoutFrozen() && composite_.size() == pixels && compositeScroll_ == s) {
        QPainter out(viewport());
        out.drawImage(QRectF(event->rect()), composite_, source);
        return;
    }
    if (composite_.size() != pixels) {
        composite_ = QImage(pixels, QImage::Format_RGB32);
        composite_.setDevicePixelRatio(ratio);
        composite_.fill(Qt::white);
    }
    {
        QPainter painter(&composite_);
        painter.setClipRect(event->rect());
        paintComposite(painter, event->rect().translated(s));
    }
    compositeScroll_ = s;
    QPainter out(viewport());
    out.drawImage(QRectF(event->rect()), composite_, source);
}

void CZarnolt3DView::paintComposite(QPainter& painter, const QRect& area) {
    painter.translate(-scrollPosition());
    if (loading_) {
        painter.fillRect(area, Qt::white);
        return;
    }
    painter_.paint(painter, area, paintState());
    paintVehicleMarkers(painter, area, currentLayer_);

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
    if (hover_) {
        painter.setOpacity(0.5);
        painter.fillRect(QRect(kTilePixels * hover_->x() + 1, kTilePixels * hover_->y() + 1,
                               kTilePixels - 1, kTilePixels - 1),
                         LayoutPainter::selectionColour());
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
            return true;
        }
    }
    // Elsewhere on the tile: moving the pointer on drags the tile.
    dragPress_ = boardPixel - scrollPosition();
    return true;
}

void CZarnolt3DView::mousePressEvent(QMouseEvent* event) {
    if (loading_) {
        return;
    }
    if (event->button() != Qt::LeftButton || currentLayer_ == kTerrainLayer) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    // The keys of the view (Delete, Esc, the menu key) work after a click on the board.
    setFocus(Qt::MouseFocusReason);
    const auto cell = cellAt(event->position().toPoint());
    if (!cell) {
        dragging_ = false;
        model::clearSelection();
        viewport()->update();
        emit selectionChanged();
        return;
    }
    dragPress_.reset();
    vehiclePress_.reset();
    const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
    // A vehicle's marker lies over the tiles: a press on it may start dragging the vehicle.
    if (trains::CTrainItem* v =
            vehicleMarkerAt(currentLayer_, event->position().toPoint() + scrollPosition())) {
        dragging_ = false;
        vehiclePress_ = std::make_pair(v->id(), event->position().toPoint());
        return;
    }
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
    pressEnd_ = dragEnd_;
    model::setSelection(currentLayer_, tilePos(anchor_), tilePos(dragEnd_));
    viewport()->update();
    emit selectionChanged();
}

void CZarnolt3DView::mouseMoveEvent(QMouseEvent* event) {
    if (vehiclePress_ && (event->buttons() & Qt::LeftButton) &&
        (event->position().toPoint() - vehiclePress_->second).manhattanLength() >=
            QApplication::startDragDistance()) {
        const trains::VehicleId id = vehiclePress_->first;
        vehiclePress_.reset();
        startVehicleDrag(id);
        return;
    }
    if (dragPress_ && (event->buttons() & Qt::LeftButton) &&
        (event->position().toPoint() - *dragPress_).manhattanLength() >=
            QApplication::startDragDistance()) {
        dragPress_.reset();
        startTileDrag();
        return;
    }
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
    dragPress_.reset();
    vehiclePress_.reset();
    if (event->button() != Qt::LeftButton || !dragging_) {
        return;
    }
    model::setSelection(currentLayer_, tilePos(anchor_), tilePos(dragEnd_));
    dragging_ = false;
    viewport()->update();
    emit selectionChanged();
}

VehicleMenu* CZarnolt3DView::vehicleMenuAt(QPoint viewportPoint) {
    if (currentLayer_ == kTerrainLayer) {
        return nullptr;
    }
    trains::CTrainItem* v = vehicleMarkerAt(currentLayer_, viewportPoint + scrollPosition());
    if (!v) {
        return nullptr;
    }
    if (!vehicleMenu_) {
        vehicleMenu_ = new VehicleMenu(this);
    }
    vehicleMenu_->prepare(v->id());
    return vehicleMenu_;
}

void CZarnolt3DView::contextMenuEvent(QContextMenuEvent* event) {
    if (currentLayer_ == kTerrainLayer) {
        return;
    }
    if (event->reason() == QContextMenuEvent::Keyboard) {
        showTrackMenuFromKeyboard();
        return;
    }
    const auto cell = cellAt(event->pos());
    if (!cell) {
        return;
    }
    if (VehicleMenu* menu = vehicleMenuAt(event->pos())) {
        if (QAction* chosen = menu->exec(event->globalPos())) {
            menu->run(chosen->data().toInt());
        }
        setFocus();
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

void CZarnolt3DView::keyPressEvent(QKeyEvent* event) {
    const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
    if (loading_ || currentLayer_ == kTerrainLayer) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Delete:
        // Shift+Delete is the cut command's key; only the plain key deletes.
        if ((event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier &&
            model::selectionCount() > 0 && !dragging_) {
            emit commandRequested(editing::CmdDelete);
            event->accept();
            return;
        }
        break;
    case Qt::Key_Escape:
        if (dragging_ || dragPress_) {
            cancelDrag();
            event->accept();
            return;
        }
        break;
    case Qt::Key_Menu:
        showTrackMenuFromKeyboard();
        event->accept();
        return;
    case Qt::Key_F10:
        if (shift) {
            showTrackMenuFromKeyboard();
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void CZarnolt3DView::cancelDrag() {
    dragPress_.reset();
    if (dragging_) {
        dragging_ = false;
        dragEnd_ = pressEnd_;
        viewport()->update();
    }
}

void CZarnolt3DView::showTrackMenuFromKeyboard() {
    if (!trackMenu_ || currentLayer_ == kTerrainLayer) {
        return;
    }
    cancelDrag();
    // At the centre of the selection's top-left cell when it is on this layer and in sight,
    // else at the centre of the visible area.
    QPoint at = viewport()->rect().center();
    const auto& sel = model::selection();
    if (model::selectionCount() > 0 && sel.layer == currentLayer_) {
        const QPoint cell = QPoint(kTilePixels * sel.minColumn + kTilePixels / 2,
                                   kTilePixels * sel.minRow + kTilePixels / 2) -
                            scrollPosition();
        if (viewport()->rect().contains(cell)) {
            at = cell;
        }
    }
    trackMenu_->exec(viewport()->mapToGlobal(at));
}

void CZarnolt3DView::startTileDrag() {
    const auto block = editing::copySelection();
    const auto& sel = model::selection();
    auto* tile = model::tileAt(sel.layer, model::TilePos{sel.minColumn, sel.minRow});
    if (!block || !tile) {
        return;
    }
    auto* data = new QMimeData;
    data->setData(mimeTypeFor(editing::kTrackItemFormat),
                  QByteArray(reinterpret_cast<const char*>(block->data()),
                             static_cast<qsizetype>(block->size())));
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    draggedTile_ = tile;
    const Qt::DropAction result = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
    // Platforms without a drag return at once and leave the drag object to its owner.
    drag->deleteLater();
    // A move leaves the source to the deferred deletion, unless the drop refused it.
    if (result == Qt::MoveAction && draggedTile_ && model::validTile(draggedTile_)) {
        model::queueForDeletion(draggedTile_);
        emit modelChanged();
    }
    draggedTile_ = nullptr;
}

void CZarnolt3DView::startVehicleDrag(trains::VehicleId vehicle) {
    const trains::CTrainItem* v = trains::findVehicle(vehicle);
    if (!v || trains::isQueuedForDeletion(vehicle)) {
        return;
    }
    auto* data = new QMimeData;
    data->setData(mimeTypeFor(kTrainItemFormat), vehicleDragBytes(vehicle));
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    const QImage picture = vehiclePicture(v->modelName(), v->typeCode(), 0, false);
    if (!picture.isNull()) {
        drag->setPixmap(QPixmap::fromImage(picture));
        drag->setHotSpot(QPoint(picture.width() / 2, picture.height() / 2));
    }
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
    // Platforms without a drag return at once and leave the drag object to its owner.
    drag->deleteLater();
    viewport()->update();
}

bool CZarnolt3DView::dropTiles(const QByteArray& block, QPoint cell, model::CTrackItem* movedFrom) {
    if (currentLayer_ == kTerrainLayer || !undo_ || cell.x() < 0 || cell.y() < 0 ||
        cell.x() >= boardColumns() || cell.y() >= boardRows()) {
        return false;
    }
    if (movedFrom && movedFrom->getLayer() == currentLayer_ &&
        movedFrom->getPosition() == tilePos(cell)) {
        return false;
    }
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(block.data()),
                                              static_cast<std::size_t>(block.size()));
    if (!editing::placeTiles(bytes, currentLayer_, tilePos(cell), movedFrom, *undo_)) {
        return false;
    }
    boardChanged();
    emit selectionChanged();
    emit modelChanged();
    return true;
}

void CZarnolt3DView::setHover(std::optional<QPoint> cell) {
    if (hover_ == cell) {
        return;
    }
    if (hover_) {
        repaintTiles(hover_->x(), hover_->y(), hover_->x(), hover_->y());
    }
    hover_ = cell;
    if (hover_) {
        repaintTiles(hover_->x(), hover_->y(), hover_->x(), hover_->y());
    }
}

namespace {

// The item file a catalogue drag names under a format, or nothing.
std::optional<std::filesystem::path> catalogueFile(const QMimeData* data, std::string_view format) {
    const QString type = mimeTypeFor(format);
    if (!data->hasFormat(type)) {
        return std::nullopt;
    }
    const QByteArray bytes = data->data(type);
    if (bytes.isEmpty()) {
        return std::nullopt;
    }
    return std::filesystem::u8path(bytes.toStdString());
}

} // namespace

bool CZarnolt3DView::acceptsCatalogueDrop(const QMimeData* data, QPoint viewportPoint) const {
    if (currentLayer_ == kTerrainLayer || !cellAt(viewportPoint)) {
        return false;
    }
    if (catalogueFile(data, editing::kTrackTypeItemFormat)) {
        return true;
    }
    if (data->hasFormat(mimeTypeFor(kTrainItemFormat))) {
        const auto dragged = vehicleFromDragBytes(data->data(mimeTypeFor(kTrainItemFormat)));
        return dragged &&
               acceptsDraggedVehicle(*dragged, currentLayer_, viewportPoint + scrollPosition());
    }
    const auto vehicle = catalogueFile(data, kTrainTypeItemFormat);
    return vehicle &&
           acceptsCatalogueVehicle(*vehicle, currentLayer_, viewportPoint + scrollPosition());
}

bool CZarnolt3DView::dropCatalogue(const QMimeData* data, QPoint viewportPoint) {
    const auto cell = cellAt(viewportPoint);
    if (currentLayer_ == kTerrainLayer || !cell) {
        return false;
    }
    if (const auto piece = catalogueFile(data, editing::kTrackTypeItemFormat)) {
        if (!undo_ || !dropCataloguePiece(*piece, currentLayer_, *cell, *undo_)) {
            return false;
        }
        boardChanged();
        emit selectionChanged();
        emit modelChanged();
        return true;
    }
    if (const auto vehicle = catalogueFile(data, kTrainTypeItemFormat)) {
        if (!dropCatalogueVehicle(*vehicle, currentLayer_, viewportPoint + scrollPosition())) {
            return false;
        }
        viewport()->update();
        emit modelChanged();
        return true;
    }
    if (data->hasFormat(mimeTypeFor(kTrainItemFormat))) {
        const auto dragged = vehicleFromDragBytes(data->data(mimeTypeFor(kTrainItemFormat)));
        if (!dragged ||
            !dropDraggedVehicle(*dragged, currentLayer_, viewportPoint + scrollPosition())) {
            return false;
        }
        viewport()->update();
        emit modelChanged();
        return true;
    }
    return false;
}

void CZarnolt3DView::dragEnterEvent(QDragEnterEvent* event) {
    if (acceptsCatalogueDrop(event->mimeData(), event->position().toPoint())) {
        event->acceptProposedAction();
        setHover(cellAt(event->position().toPoint()));
        return;
    }
    if (currentLayer_ != kTerrainLayer &&
        event->mimeData()->hasFormat(mimeTypeFor(editing::kTrackItemFormat))) {
        event->acceptProposedAction();
        setHover(cellAt(event->position().toPoint()));
    } else {
        event->ignore();
    }
}

void CZarnolt3DView::dragMoveEvent(QDragMoveEvent* event) {
    const auto cell = cellAt(event->position().toPoint());
    if (!cell || currentLayer_ == kTerrainLayer) {
        setHover(std::nullopt);
        event->ignore();
        return;
    }
    const QMimeData* data = event->mimeData();
    if (!data->hasFormat(mimeTypeFor(editing::kTrackItemFormat)) &&
        !acceptsCatalogueDrop(data, event->position().toPoint())) {
        setHover(std::nullopt);
        event->ignore();
        return;
    }
    setHover(cell);
    event->setDropAction(event->modifiers().testFlag(Qt::ControlModifier) ? Qt::CopyAction
                                                                          : Qt::MoveAction);
    event->accept();
}

void CZarnolt3DView::dragLeaveEvent(QDragLeaveEvent*) {
    setHover(std::nullopt);
}

void CZarnolt3DView::dropEvent(QDropEvent* event) {
    setHover(std::nullopt);
    const auto cell = cellAt(event->position().toPoint());
    const QString type = mimeTypeFor(editing::kTrackItemFormat);
    if (!event->mimeData()->hasFormat(type)) {
        if (dropCatalogue(event->mimeData(), event->position().toPoint())) {
            event->setDropAction(event->modifiers().testFlag(Qt::ControlModifier) ? Qt::CopyAction
                                                                                  : Qt::MoveAction);
            event->accept();
        } else {
            event->ignore();
        }
        return;
    }
    if (!cell) {
        event->ignore();
        return;
    }
    const bool copy = event->modifiers().testFlag(Qt::ControlModifier);
    // Only a drag from this view carries a tile that a move takes its point number from.
    model::CTrackItem* source =
        !copy && event->source() == this ? model::validTile(draggedTile_) : nullptr;
    if (!dropTiles(event->mimeData()->data(type), *cell, source)) {
        if (event->source() == this) {
            draggedTile_ = nullptr; // refused: the source stays
        }
        event->ignore();
        return;
    }
    event->setDropAction(copy ? Qt::CopyAction : Qt::MoveAction);
    event->accept();
}

void CZarnolt3DView::purgeDeferred() {
    const bool tiles = model::purgeEmptiedTiles();
    const bool vehicles = trains::flushVehicleDeletions();
    if (tiles || vehicles) {
        emit modelChanged();
    }
    // Points and holding items change under the controller threads, which do not reach the
    // view: while they are at work the visible area is redrawn at this timer's pace.
    const auto* controller = trains::trainController();
    const auto* manager = trains::controlItemManager();
    if ((controller && controller->isRunning()) || (manager && manager->activeCount() > 0)) {
        viewport()->update();
    }
}

} // namespace editor
