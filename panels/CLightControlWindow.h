#pragma once
#include <QTimer>
#include <QWidget>

#include <array>

class QPushButton;
class QSlider;

namespace panels {

// The light panel: three sliders that move the layout's light about the board's centre
// (−0.5 … +0.5 of the board on each axis), the light switch and a button back to the middle.
// Moving a slider writes the document's light position and the renderer's light offset;
// setting a slider from code writes nothing.
class CLightControlWindow : public QWidget {
    Q_OBJECT
public:
    explicit CLightControlWindow(QWidget* parent = nullptr);
    ~CLightControlWindow() override;

    static CLightControlWindow* instance();

    // Slider position → value: position ÷ maximum − 0.5.
    static double valueOfPosition(int position, int minimum, int maximum);
    // Value → slider position: (maximum − minimum) × (value + 0.5) + minimum.
    static int positionOfValue(double value, int minimum, int maximum);

    // Shows the document's light position and switch, writing nothing back.
    void showDocument();
    // Shows a value on a slider without writing it back anywhere.
    void showValue(int axis, double value);
    double value(int axis) const;
    // The switch's caption follows its state (also run by the panel's timer).
    void updateControls();

    QSlider* slider(int axis) const { return sliders_[static_cast<std::size_t>(axis)]; }
    QPushButton* lightSwitch() const { return switch_; }
    QPushButton* defaultsButton() const { return defaults_; }

private:
    void slidersMoved();
    void applyPosition(double x, double y, double z);

    std::array<QSlider*, 3> sliders_{};
    QPushButton* switch_ = nullptr;
    QPushButton* defaults_ = nullptr;
    QTimer idle_;
};

} // namespace panels
