#pragma once
#include <QTimer>
#include <QWidget>

#include <functional>

class QCheckBox;
class QPushButton;
class QSlider;

namespace panels {

// The run control panel: the running speed level, the automatic train stop, whether running
// opens the 3D view, and the run and stop buttons. It holds nothing of its own: the slider and
// boxes write the document's preferences, and the buttons run the main frame's run command.
class CMainControlWindow : public QWidget {
    Q_OBJECT
public:
    // `runCommand` toggles running as the menu command does.
    explicit CMainControlWindow(std::function<void()> runCommand, QWidget* parent = nullptr);
    ~CMainControlWindow() override;

    static CMainControlWindow* instance();

    // The speed level a slider position stands for: position ÷ maximum × 10, truncated.
    static int levelForPosition(int position, int maximum);

    // Shows the document's speed level and switches, writing nothing back.
    void showDocument();
    // Enables run and stop from the train controller's state (also run by the panel's timer).
    void updateControls();

    QSlider* speedSlider() const { return speed_; }
    QCheckBox* atsBox() const { return ats_; }
    QCheckBox* openViewBox() const { return openView_; }
    QPushButton* runButton() const { return run_; }
    QPushButton* stopButton() const { return stop_; }

private:
    void speedMoved(int position);

    std::function<void()> runCommand_;
    QSlider* speed_ = nullptr;
    QCheckBox* ats_ = nullptr;
    QCheckBox* openView_ = nullptr;
    QPushButton* run_ = nullptr;
    QPushButton* stop_ = nullptr;
    QTimer idle_;
};

} // namespace panels
