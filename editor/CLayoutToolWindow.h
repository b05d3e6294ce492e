#pragma once
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;

namespace editor {

class CZarnolt3DView;

// The thin tool window at the top of the main frame: the current editing layer, that layer's
// height range, the tile at the top-left of the visible area and the terrain display switch.
class CLayoutToolWindow : public QWidget {
    Q_OBJECT
public:
    CLayoutToolWindow(CZarnolt3DView& view, QWidget* parent = nullptr);

    // Shows the view's current layer, its height range and the position text.
    void refresh();

    QComboBox* layerCombo() const { return layers_; }
    QLabel* heightText() const { return height_; }
    QLabel* positionText() const { return position_; }
    QCheckBox* showTerrainBox() const { return showTerrain_; }

    // "%dm" for the ground layer, "%dm-%dm" for elevated layer n (3n − 3 to 3n), empty for
    // the terrain layer.
    static QString heightRangeText(int layer);
    // "位置 %d:%d" for a scroll position in pixels.
    static QString positionTextFor(QPoint scroll);

signals:
    // The terrain display switch changed the document.
    void terrainDisplayChanged();

private:
    CZarnolt3DView& view_;
    QComboBox* layers_;
    QLabel* height_;
    QLabel* position_;
    QCheckBox* showTerrain_;
};

} // namespace editor
