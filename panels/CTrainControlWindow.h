#pragma once
#include <QScrollArea>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <vector>

#include "trains/VehicleRegistry.h"

class QAbstractButton;
class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;

namespace panels {

// One row of the train view: the leader vehicle it stands for (kept by identity and looked up
// before every use) with its camera, reverse, turn, halt and speed-share controls.
class CTrainControlViewItem : public QWidget {
    Q_OBJECT
public:
    CTrainControlViewItem(trains::VehicleId leader, QWidget* parent);

    trains::VehicleId leader() const { return leader_; }
    // Check marks and slider from the vehicle; a vehicle that is gone leaves them as they are.
    void refreshState();
    // True while the user holds the row's slider.
    bool sliderHeld() const;

    QRadioButton* cameraButton() const { return camera_; }
    QCheckBox* reverseBox() const { return reverse_; }
    QPushButton* turnButton() const { return turn_; }
    QCheckBox* haltBox() const { return halt_; }
    QSlider* shareSlider() const { return share_; }

signals:
    // After a click that changed the vehicle: the view refreshes every row.
    void changed();

private:
    trains::CTrainItem* vehicle() const;
    void showPicture();

    trains::VehicleId leader_;
    QLabel* picture_ = nullptr;
    QRadioButton* camera_ = nullptr;
    QCheckBox* reverse_ = nullptr;
    QPushButton* turn_ = nullptr;
    QCheckBox* halt_ = nullptr;
    QSlider* share_ = nullptr;
};

// The train view: one row per train leader, 25 pixels apart, scrolling vertically.
class CTrainControlView : public QScrollArea {
    Q_OBJECT
public:
    explicit CTrainControlView(QWidget* parent = nullptr);

    // Destroys the rows and makes one per registered train leader.
    void rebuild();
    void refreshStates();
    // The leaders the rows stand for, in row order.
    std::vector<trains::VehicleId> rowLeaders() const;
    const std::vector<CTrainControlViewItem*>& rows() const { return rows_; }
    bool anySliderHeld() const;
    // True when a row's vehicle is no longer registered.
    bool anyLeaderGone() const;

private:
    QWidget* canvas_ = nullptr;
    std::vector<CTrainControlViewItem*> rows_;
};

// The train panel: the column labels and the train view.
class CTrainControlWindow : public QWidget {
    Q_OBJECT
public:
    explicit CTrainControlWindow(QWidget* parent = nullptr);
    ~CTrainControlWindow() override;

    static CTrainControlWindow* instance();
    // Marks the panel (when it exists) for a rebuild; any thread.
    static void markAllDirty();

    CTrainControlView* view() const { return view_; }
    bool isDirty() const { return dirty_.load() != 0; }
    // One tick of the panel's timer. A dirty panel whose leader list has not changed only
    // refreshes its rows; a changed list is rebuilt, but never while a row's slider is held
    // (the rebuild waits for a later tick).
    void tick();
    int timerId() const { return timerId_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    CTrainControlView* view_ = nullptr;
    std::atomic<int> dirty_{1};
    int timerId_ = 0;
    QTimer timer_;
};

// The registered leaders of the trains, in the controller's order.
std::vector<trains::VehicleId> currentTrainLeaders();

} // namespace panels
