#include "panels/CMainControlWindow.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

#include "model/CZarnoltDocument.h"
#include "panels/PanelHooks.h"
#include "trains/CTrainControler.h"

namespace panels {

using editor::TextKind;

namespace {
CMainControlWindow* theInstance = nullptr;
} // namespace

CMainControlWindow::CMainControlWindow(std::function<void()> runCommand, QWidget* parent)
    : QWidget(parent), runCommand_(std::move(runCommand)) {
    if (theInstance == nullptr) {
        theInstance = this;
    }
    setObjectName(QStringLiteral("CMainControlWindow"));
    setWindowTitle(panelText(TextKind::String, editor::StrRunPanelTitle));

    auto* label = new QLabel(panelText(TextKind::Control, editor::CtlSpeedLabel), this);
    speed_ = new QSlider(Qt::Horizontal, this);
    speed_->setObjectName(QStringLiteral("3020"));
    speed_->setTickPosition(QSlider::TicksBelow);
    ats_ = new QCheckBox(panelText(TextKind::Control, editor::CtlAtsCheck), this);
    ats_->setObjectName(QStringLiteral("3021"));
    openView_ = new QCheckBox(panelText(TextKind::Control, editor::Ctl3DOnRunCheck), this);
    openView_->setObjectName(QStringLiteral("3022"));
    stop_ = new QPushButton(panelText(TextKind::Control, editor::CtlStopButton), this);
    stop_->setObjectName(QStringLiteral("3024"));
    run_ = new QPushButton(panelText(TextKind::Control, editor::CtlRunButton), this);
    run_->setObjectName(QStringLiteral("3023"));

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->addWidget(label, 0, 0);
    grid->addWidget(speed_, 0, 1, 1, 2);
    grid->addWidget(ats_, 1, 0, 1, 3);
    grid->addWidget(openView_, 2, 0, 1, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(stop_);
    buttons->addWidget(run_);
    grid->addLayout(buttons, 3, 0, 1, 3);
    grid->setRowStretch(4, 1);

    if (model::currentDocument() != nullptr) {
        const QSignalBlocker block(speed_);
        speed_->setRange(0, 100);
        speed_->setTickPosition(QSlider::NoTicks);
        showDocument();
    }
    // Only the user's moves write the level; a programmatic setValue is not a move.
    connect(speed_, &QSlider::actionTriggered, this, [this] {
        // The action has not moved the slider yet: take the position it moves to.
        speedMoved(speed_->sliderPosition());
    });
    connect(speed_, &QSlider::sliderMoved, this, &CMainControlWindow::speedMoved);
    connect(ats_, &QCheckBox::clicked, this, [](bool checked) {
        if (auto* doc = model::currentDocument()) {
            doc->setPreferenceFlag(model::PrefNoATS, !checked);
        }
    });
    connect(openView_, &QCheckBox::clicked, this, [](bool checked) {
        if (auto* doc = model::currentDocument()) {
            doc->setPreferenceFlag(model::PrefNo3DViewOnRun, !checked);
        }
    });
    connect(run_, &QPushButton::clicked, this, [this] {
        const auto* c = trains::trainController();
        if (c && !c->isRunning() && runCommand_) {
            runCommand_();
        }
        updateControls();
    });
    connect(stop_, &QPushButton::clicked, this, [this] {
        if (auto* c = trains::trainController(); c && c->isRunning()) {
            c->stop(false);
        }
        updateControls();
    });
    connect(&idle_, &QTimer::timeout, this, &CMainControlWindow::updateControls);
    idle_.start(100);
    updateControls();
}

CMainControlWindow::~CMainControlWindow() {
    if (theInstance == this) {
        theInstance = nullptr;
    }
}

CMainControlWindow* CMainControlWindow::instance() {
    return theInstance;
}

int CMainControlWindow::levelForPosition(int position, int maximum) {
    if (maximum <= 0) {
        return 0;
    }
    return static_cast<int>(static_cast<double>(position) / maximum * 10.0);
}

void CMainControlWindow::speedMoved(int position) {
    auto* doc = model::currentDocument();
    if (doc == nullptr) {
        return;
    }
    model::PreferenceData prefs = doc->getPreferences();
    prefs.speedLevel = levelForPosition(position, speed_->maximum());
    doc->setPreferences(prefs);
    if (auto* c = trains::trainController()) {
        c->reloadSpeedSetting();
    }
}

void CMainControlWindow::showDocument() {
    const auto* doc = model::currentDocument();
    if (doc == nullptr) {
        return;
    }
    {
        const QSignalBlocker block(speed_);
        speed_->setValue(10 * doc->getPreferences().speedLevel);
    }
    ats_->setChecked(!doc->testPreferenceFlag(model::PrefNoATS));
    openView_->setChecked(!doc->testPreferenceFlag(model::PrefNo3DViewOnRun));
    updateControls();
}

void CMainControlWindow::updateControls() {
    const auto* c = trains::trainController();
    const bool vehicles = c != nullptr && c->vehicleCount() > 0;
    const bool running = c != nullptr && c->isRunning();
    run_->setEnabled(vehicles && !running);
    stop_->setEnabled(vehicles && running);
}

} // namespace panels
