#pragma once
#include <QAbstractScrollArea>
#include <QImage>
#include <QPoint>
#include <QTimer>

#include <optional>
#include <utility>

#include "editor/LayoutPainter.h"
#include "trains/VehicleTypes.h"

class QMenu;

namespace editing {
class UndoStore;
}
namespace model {
class CTrackItem;
}

class QMimeData;

namespace editor {

class VehicleMenu;

// The layout editor view: a scrolling top-down picture of the board. One viewport paints the
// current layer's grid and the tiles of all five track layers (each tile drawn as its pane
// draws it), the selection and the drag rectangle; presses select tiles and switch points.
// Only the cells of the visible area are painted, so a 999 × 999 board scrolls as fast as a
// small one.
class CZarnolt3DView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit CZarnolt3DView(QWidget* parent = nullptr);
    ~CZarnolt3DView() override;

    // 0 … 4 track layers, 5 terrain.
    int currentLayer() const { return currentLayer_; }
    bool terrainLayerCurrent() const { return currentLayer_ == kTerrainLayer; }
    // Makes a layer current (values outside 0 … 5 are ignored).
    void selectLayer(int layer);

    // The scroll position in board pixels.
    QPoint scrollPosition() const;
    void scrollTo(QPoint boardPixel);
    // The tile at the top-left corner of the visible area.
    QPoint topLeftTile() const;

    // The board changed size or content (new layout, loaded file, edits): scroll sizes are
    // recomputed, converted pictures forgotten, everything repainted.
    void boardChanged();
    // While a layout is being read the view shows an empty area, runs no deferred deletions
    // and forgets the pictures it converted (their addresses are reused by the new layout).
    void setLoading(bool loading);
    bool isLoading() const { return loading_; }
    // Repaints the cells of a tile range (widened by 7 pixels for the selection outline).
    void repaintTiles(int c0, int r0, int c1, int r1);

    // The tile cell under a viewport point, or nothing outside the board.
    std::optional<QPoint> cellAt(QPoint viewportPoint) const;

    // The tile context menu ("トラック"), owned by the main frame.
    void setTrackMenu(QMenu* menu) { trackMenu_ = menu; }

    // Where drops and drags record their undo snapshot (owned by the main frame).
    void setUndoStore(editing::UndoStore* undo) { undo_ = undo; }
    // Places a dragged tile block with its top-left at `cell` on the current track layer (over
    // the selection when the cell lies inside it). `movedFrom` is the dragged tile of a move in
    // this view, else null. False when refused: off the board, onto the dragged tile itself,
    // the terrain layer, or a payload that is not a tile block.
    bool dropTiles(const QByteArray& block, QPoint cell, model::CTrackItem* movedFrom);
    // Catalogue drags (a piece or structure, or a vehicle) at a viewport point: whether the
    // view takes the data there, and the drop itself; false when refused (nothing changes).
    bool acceptsCatalogueDrop(const QMimeData* data, QPoint viewportPoint) const;
    bool dropCatalogue(const QMimeData* data, QPoint viewportPoint);
    // The vehicle menu prepared for the marker under a viewport point, or null when no
    // vehicle's marker is there (a right click there opens this menu instead of the tile menu).
    VehicleMenu* vehicleMenuAt(QPoint viewportPoint);

    // Starts dragging a vehicle from its marker (a press on the marker moved the start-drag
    // distance); the drag carries the vehicle's identity under "CTrainItem".
    void startVehicleDrag(trains::VehicleId vehicle);
    // Whether the view shows its last picture instead of drawing: while trains run, a 3D
    // window is open and the preference to freeze the layout while running is set.
    bool isLayoutFrozen() const;

    // Paints the whole board into a painter set to board pixels (printing).
    void paintBoard(QPainter& painter, const QRect& area);

signals:
    void layerChanged(int layer);
    void scrolled();
    void selectionChanged();
    // The model was changed by the view (a point switched, tiles purged).
    void modelChanged();
    // A key of the view asks for a command of the command table (Delete: delete the selection).
    void commandRequested(int id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void updateScrollBars();
    // Draws the board, markers, selection, hover and drag rectangle of `area` (board pixels).
    void paintComposite(QPainter& painter, const QRect& area);
    LayoutPaintState paintState() const;
    bool pressOnTile(QPoint cell, QPoint boardPixel);
    void purgeDeferred();
    void startTileDrag();
    void setHover(std::optional<QPoint> cell);
    QRect dragRect() const;
    // Opens the tile menu from the keyboard at the selection's top-left cell.
    void showTrackMenuFromKeyboard();
    // Ends a rectangle drag or a pending tile drag, keeping the selection of the press.
    void cancelDrag();

    LayoutPainter painter_;
    int currentLayer_ = 0;
    // Shift-click anchor (kept after the press) and the rectangle drag in progress.
    QPoint anchor_{-1, -1};
    QPoint dragEnd_{-1, -1};
    // The drag end of the press, where Esc returns the rectangle to.
    QPoint pressEnd_{-1, -1};
    bool dragging_ = false;
    bool loading_ = false;
    QMenu* trackMenu_ = nullptr;
    editing::UndoStore* undo_ = nullptr;
    // A press on an occupied cell that may become a tile drag, and the tile being dragged.
    std::optional<QPoint> dragPress_;
    model::CTrackItem* draggedTile_ = nullptr;
    VehicleMenu* vehicleMenu_ = nullptr;
    std::optional<QPoint> hover_;
    // A press on a vehicle's marker that becomes a vehicle drag once the pointer moves on.
    std::optional<std::pair<trains::VehicleId, QPoint>> vehiclePress_;
    // The last picture drawn (device pixels) and the scroll position it was drawn at: what a
    // frozen layout shows.
    QImage composite_;
    QPoint compositeScroll_;
    QTimer purgeTimer_;
};

} // namespace editor
