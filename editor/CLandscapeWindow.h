#pragma once
#include <QWidget>

#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QSlider;
class QTabWidget;

namespace editor {

class CColorButton;
class Prompter;

// The terrain panel "地形・景観" (dialog 2001), a dock window of the main frame. Tab "地形" sets
// the selected landscape item's height (slider 0 … 100) and hill / hollow state; tab "景観"
// sets the layout's four terrain colours, the sky, water in hollows and fog. One exists at a
// time.
class CLandscapeWindow final : public QWidget {
    Q_OBJECT
public:
    explicit CLandscapeWindow(Prompter& prompter, QWidget* parent = nullptr);
    ~CLandscapeWindow() override;

    static CLandscapeWindow* instance();

    // Shows the selected item and the document's scenery again.
    void refresh();

    QWidget* control(int id) const;
    QTabWidget* tabs() const { return tabs_; }
    QSlider* heightSlider() const { return slider_; }
    QCheckBox* hollowBox() const { return hollow_; }
    QCheckBox* waterBox() const { return water_; }
    QCheckBox* fogBox() const { return fog_; }
    QComboBox* skyCombo() const { return sky_; }
    // The colour buttons 3003 … 3006 (hill high, hill low, ground, hollow).
    CColorButton* colourButton(int id) const;

private:
    void sliderMoved(int position);
    void hollowClicked(bool checked);
    void coloursChanged();
    void skyChanged(int index);
    void waterClicked(bool checked);
    void fogClicked(bool checked);

    QTabWidget* tabs_;
    QLabel* heightLabel_;
    QSlider* slider_;
    QCheckBox* hollow_;
    std::array<CColorButton*, 4> colours_{};
    QComboBox* sky_;
    QCheckBox* water_;
    QCheckBox* fog_;
    bool refreshing_ = false;
};

// Refreshes the terrain panel; does nothing when there is none.
void refreshTerrainPanel();

} // namespace editor
