#pragma once
#include <QPointer>
#include <QScrollArea>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <vector>

class QPushButton;

namespace panels {

// Where the toggles of the point view stand: `columns` toggles of 20 × 20 pixels per row.
struct SwitchGrid {
    int columns = 0;
    int rows = 0;
    // Top-left corner of the toggle with index k.
    int left(int k) const;
    int top(int k) const;
};

// The grid for a view `clientWidth` pixels wide holding `count` toggles: columns =
// (width − 20) ÷ 20, rows = count ÷ columns + 1. A view too narrow for one column stacks the
// toggles in one column.
SwitchGrid switchGrid(int clientWidth, int count);

// The point view: one push-like toggle per numbered point, captioned with its number.
class CSwitchControlView : public QScrollArea {
    Q_OBJECT
public:
    explicit CSwitchControlView(QWidget* parent = nullptr);

    // Destroys the toggles and makes one per live numbered point, in number order.
    void rebuild();
    // Check states and enabling from the points' states.
    void refreshStates();

    const std::vector<QPushButton*>& toggles() const { return toggles_; }
    SwitchGrid grid() const { return grid_; }
    // The width inside the frame and the vertical scroll bar.
    int clientWidth() const;

private:
    void toggleClicked(QPushButton* toggle);

    QWidget* canvas_ = nullptr;
    std::vector<QPushButton*> toggles_;
    SwitchGrid grid_;
};

// The point panel: the show-numbers button of the 3D view and the point view.
class CSwitchControlWindow : public QWidget {
    Q_OBJECT
public:
    explicit CSwitchControlWindow(QWidget* parent = nullptr);
    ~CSwitchControlWindow() override;

    static CSwitchControlWindow* instance();
    // Marks the panel (when it exists) for a rebuild; any thread.
    static void markAllDirty();

    CSwitchControlView* view() const { return view_; }
    QPushButton* numbersButton() const { return numbers_; }
    bool isDirty() const { return dirty_.load() != 0; }
    // One tick of the panel's timer: rebuilds a dirty view.
    void tick();
    // Enabling, check and caption of the show-numbers button.
    void updateControls();
    int timerId() const { return timerId_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    CSwitchControlView* view_ = nullptr;
    QPushButton* numbers_ = nullptr;
    std::atomic<int> dirty_{1};
    int timerId_ = 0;
    QTimer timer_;
};

// The next id of a panel timer: 1, 2, 3, … in the order the timers are made.
int nextPanelTimerId();

} // namespace panels
