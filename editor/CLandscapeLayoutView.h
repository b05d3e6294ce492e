#pragma once
#include <QPoint>
#include <QRect>
#include <QWidget>

#include <map>
#include <memory>

#include "editor/CLandscapeRectTracker.h"

class QMenu;

namespace editing {
class Clipboard;
class UndoStore;
} // namespace editing
namespace model {
class CLandscapeItem;
}

namespace editor {

class CLandscapeItemPane;
class CZarnolt3DView;
class Prompter;

// The terrain layer of the layout view: a transparent widget over the view's viewport, shown
// while the terrain layer is current. Every landscape item has a pane here (made when first
// needed, so items read from a file or pasted get theirs too); a press selects the pane under
// the pointer and the tracker moves or resizes it (never below 40 × 40). It runs the terrain
// commands 1426 … 1440 on the selected item and opens the terrain menu. One exists at a time.
class CLandscapeLayoutView final : public QWidget {
    Q_OBJECT
public:
    CLandscapeLayoutView(CZarnolt3DView& layoutView, Prompter& prompter, editing::UndoStore& undo,
                         editing::Clipboard& clipboard);
    ~CLandscapeLayoutView() override;

    // The one terrain view, or null.
    static CLandscapeLayoutView* instance();

    CLandscapeItemPane* selectedPane() const { return selected_; }
    model::CLandscapeItem* selectedItem() const;
    // Selects a pane (null deselects), places the tracker around it and refreshes the panel.
    void selectPane(CLandscapeItemPane* pane);
    // The item's pane, made when it has none yet; null for an item the model does not hold.
    CLandscapeItemPane* paneOf(model::CLandscapeItem* item);
    // Gives every landscape item a pane.
    void syncPanes();
    const CLandscapeRectTracker& tracker() const { return tracker_; }

    // Moves and resizes a pane's item to a rectangle in board pixels (an undo step).
    bool movePane(CLandscapeItemPane& pane, const QRect& rect);

    // Whether a terrain command may run now (the menu states of 1426 … 1440).
    bool commandEnabled(int id) const;
    // Runs a terrain command on the selected item, after making the terrain layer current.
    // False when it did not act.
    bool runCommand(int id);

    // Blends every pane that meets the area (board pixels) into the layout picture.
    void paintPanes(QPainter& painter, const QRect& area);
    // The terrain menu "地形" as it opens on a pane (all entries but paste enabled) or on the
    // empty terrain layer (the entries' own states).
    QMenu* contextMenu(bool onPane);

    // Called by the panes.
    void paneChanged(CLandscapeItemPane& pane);
    void paneGone(CLandscapeItemPane& pane);
    // Repaints the layout view (and this view's tracker) after terrain changed.
    void terrainChanged();

signals:
    void selectionChanged();
    // A command or a drag changed the layout.
    void modelChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // Delete deletes the selected item.
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPoint boardPoint(QPoint local) const;
    CLandscapeItemPane* paneAt(QPoint boardPixel);
    void layerChanged(int layer);
    void buildMenu();
    bool act(int id, model::CLandscapeItem* item);
    QPoint newItemPlace() const;

    CZarnolt3DView& layoutView_;
    Prompter& prompter_;
    editing::UndoStore& undo_;
    editing::Clipboard& clipboard_;
    std::map<const model::CLandscapeItem*, std::unique_ptr<CLandscapeItemPane>> panes_;
    CLandscapeItemPane* selected_ = nullptr;
    CLandscapeRectTracker tracker_;
    CLandscapeRectTracker::Hit hit_ = CLandscapeRectTracker::HitNothing;
    QPoint pressPoint_;
    QRect startRect_;
    QMenu* menu_ = nullptr;
};

// Draws the landscape panes into the layout picture when the terrain layer is current or the
// layout shows its terrain; does nothing without a terrain view.
void paintLandscapes(QPainter& painter, const QRect& area, int currentLayer);

} // namespace editor
