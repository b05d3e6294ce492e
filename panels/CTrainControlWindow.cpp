#include "panels/CTrainControlWindow.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QSlider>

#include <mutex>

#include "editor/VehicleMarkers.h"
#include "panels/CSwitchControlWindow.h"
#include "panels/PanelHooks.h"
#include "platform/RenderLock.h"
#include "trains/CTrainControler.h"
#include "trains/CTrainItem.h"

namespace panels {

using editor::TextKind;

namespace {
constexpr int kRowPitch = 25;
constexpr int kRowHeight = 24;

std::mutex instanceLock;
CTrainControlWindow* theInstance = nullptr;
} // namespace

std::vector<trains::VehicleId> currentTrainLeaders() {
    std::vector<trains::VehicleId> ids;
    const auto* controller = trains::trainController();
    if (controller == nullptr) {
        return ids;
    }
    platform::RenderLockGuard model;
    for (trains::CTrainItem* leader : controller->trainLeaders()) {
        if (leader != nullptr && trains::findVehicle(leader->id()) == leader) {
            ids.push_back(leader->id());
        }
    }
    return ids;
}

CTrainControlViewItem::CTrainControlViewItem(trains::VehicleId leader, QWidget* parent)
    : QWidget(parent), leader_(leader) {
    picture_ = new QLabel(this);
    picture_->setObjectName(QStringLiteral("picture"));
    picture_->setGeometry(0, 0, 26, 20);
    showPicture();
    camera_ = new QRadioButton(this);
    camera_->setObjectName(QStringLiteral("3500"));
    camera_->setAutoExclusive(false);
    camera_->setGeometry(30, 0, 16, 20);
    reverse_ = new QCheckBox(this);
    reverse_->setObjectName(QStringLiteral("3501"));
    reverse_->setGeometry(46, 0, 16, 20);
    turn_ = new QPushButton(this);
    turn_->setObjectName(QStringLiteral("3502"));
    turn_->setGeometry(62, 3, 12, 12);
    halt_ = new QCheckBox(this);
    halt_->setObjectName(QStringLiteral("3503"));
    halt_->setGeometry(78, 0, 16, 20);
    share_ = new QSlider(Qt::Horizontal, this);
    share_->setObjectName(QStringLiteral("3504"));
    share_->setRange(0, 10);
    share_->setGeometry(94, 0, 64, 20);

    connect(camera_, &QRadioButton::clicked, this, [this] {
        if (auto* v = vehicle()) {
            trains::setCameraTrain(v);
        }
        emit changed();
    });
    connect(reverse_, &QCheckBox::clicked, this, [this] {
        if (auto* v = vehicle()) {
            trains::runUnderRenderLock([v] { v->turn(true, true); });
        }
        emit changed();
    });
    connect(turn_, &QPushButton::clicked, this, [this] {
        if (auto* v = vehicle()) {
            trains::runUnderRenderLock([v] { v->turn(true, false); });
        }
        emit changed();
    });
    connect(halt_, &QCheckBox::clicked, this, [this] {
        if (auto* v = vehicle()) {
            trains::runUnderRenderLock([v] {
                if (v->trainHasActiveDriver()) {
                    v->halt();
                } else {
                    v->restart();
                }
            });
        }
        emit changed();
    });
    // Only the user's moves set the share: refreshState sets the position under a blocker.
    connect(share_, &QSlider::valueChanged, this, [this](int position) {
        if (auto* v = vehicle()) {
            v->setSpeedRatio(position * 0.1);
        }
    });
    connect(share_, &QSlider::sliderReleased, this, [this] { emit changed(); });
    refreshState();
}

void CTrainControlViewItem::showPicture() {
    std::string name;
    std::int32_t typeCode = 0;
    {
        platform::RenderLockGuard model;
        const trains::CTrainItem* v = vehicle();
        if (v == nullptr) {
            return;
        }
        name = v->modelName();
        typeCode = v->typeCode();
    }
    // The leader's unturned marker picture, fitted into the row's 26 × 20 corner.
    const QImage picture = editor::vehiclePicture(name, typeCode, 0, false);
    if (!picture.isNull()) {
        picture_->setPixmap(QPixmap::fromImage(
            picture.scaled(26, 20, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    }
}

trains::CTrainItem* CTrainControlViewItem::vehicle() const {
    return trains::findVehicle(leader_);
}

bool CTrainControlViewItem::sliderHeld() const {
    return share_->isSliderDown();
}

void CTrainControlViewItem::refreshState() {
    auto* v = vehicle();
    if (v == nullptr) {
        return;
    }
    camera_->setChecked(trains::cameraTrain() == v);
    reverse_->setChecked(v->isReversedRunning());
    halt_->setChecked(!v->trainHasActiveDriver());
    if (!share_->isSliderDown()) {
        const QSignalBlocker block(share_);
        share_->setValue(static_cast<int>(v->speedRatio() * 10.0));
    }
}

CTrainControlView::CTrainControlView(QWidget* parent) : QScrollArea(parent) {
    setObjectName(QStringLiteral("CTrainControlView"));
    setFrameShape(QFrame::StyledPanel);
    canvas_ = new QWidget;
    setWidget(canvas_);
    setWidgetResizable(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void CTrainControlView::rebuild() {
    for (auto* row : rows_) {
        delete row;
    }
    rows_.clear();
    const int width = std::max(viewport()->width() - 2, 160);
    int k = 0;
    for (trains::VehicleId id : currentTrainLeaders()) {
        auto* row = new CTrainControlViewItem(id, canvas_);
        row->setGeometry(1, kRowPitch * k, width, kRowHeight);
        connect(row, &CTrainControlViewItem::changed, this, &CTrainControlView::refreshStates);
        row->show();
        rows_.push_back(row);
        ++k;
    }
    canvas_->resize(width + 1, std::max(kRowPitch * k, 1));
    refreshStates();
}

void CTrainControlView::refreshStates() {
    for (auto* row : rows_) {
        row->refreshState();
    }
}

std::vector<trains::VehicleId> CTrainControlView::rowLeaders() const {
    std::vector<trains::VehicleId> ids;
    ids.reserve(rows_.size());
    for (const auto* row : rows_) {
        ids.push_back(row->leader());
    }
    return ids;
}

bool CTrainControlView::anySliderHeld() const {
    for (const auto* row : rows_) {
        if (row->sliderHeld()) {
            return true;
        }
    }
    return false;
}

CTrainControlWindow::CTrainControlWindow(QWidget* parent) : QWidget(parent) {
    {
        const std::lock_guard lock(instanceLock);
        if (theInstance == nullptr) {
            theInstance = this;
        }
    }
    setObjectName(QStringLiteral("CTrainControlWindow"));
    setWindowTitle(panelText(TextKind::String, editor::StrTrainPanelTitle));
    // Column labels centred over the row controls (the rows start 7 pixels in: the view's
    // left and the row's own offset), in a small face so that neighbours do not touch.
    const struct {
        int id;
        int centre;
    } columns[] = {{editor::CtlCameraColumn, 7 + 38},
                   {editor::CtlReverseColumn, 7 + 54},
                   {editor::CtlTurnColumn, 7 + 70},
                   {editor::CtlHaltColumn, 7 + 86},
                   {editor::CtlShareColumn, 7 + 126}};
    QFont small = font();
    small.setPixelSize(8);
    for (const auto& c : columns) {
        auto* label = new QLabel(panelText(TextKind::Control, c.id), this);
        label->setFont(small);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
        label->setGeometry(c.centre - 12, 14, 24, 18);
    }
    view_ = new CTrainControlView(this);
    view_->setGeometry(6, 34, std::max(width() - 12, 180), 140);
    setMinimumSize(190, 100);
    view_->rebuild();
    dirty_.store(0);
    timerId_ = nextPanelTimerId();
    connect(&timer_, &QTimer::timeout, this, &CTrainControlWindow::tick);
    timer_.start(100);
}

CTrainControlWindow::~CTrainControlWindow() {
    timer_.stop();
    const std::lock_guard lock(instanceLock);
    if (theInstance == this) {
        theInstance = nullptr;
    }
}

CTrainControlWindow* CTrainControlWindow::instance() {
    return theInstance;
}

void CTrainControlWindow::markAllDirty() {
    const std::lock_guard lock(instanceLock);
    if (theInstance != nullptr) {
        theInstance->dirty_.store(1);
    }
}

bool CTrainControlView::anyLeaderGone() const {
    for (const auto* row : rows_) {
        if (trains::findVehicle(row->leader()) == nullptr) {
            return true;
        }
    }
    return false;
}

void CTrainControlWindow::tick() {
    // A deferred deletion may end after the refresh it asked for: a row whose vehicle is
    // gone makes the panel dirty as well.
    if (dirty_.load() == 0 && !view_->anyLeaderGone()) {
        return;
    }
    if (currentTrainLeaders() == view_->rowLeaders()) {
        dirty_.store(0);
        view_->refreshStates();
        return;
    }
    if (view_->anySliderHeld()) {
        return; // rebuilt once the slider is let go
    }
    dirty_.store(0);
    view_->rebuild();
}

void CTrainControlWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int w = event->size().width();
    const int h = event->size().height();
    if (w <= 0 || h <= 0) {
        return;
    }
    const QSize wanted(w - 12, h - 38 - 6);
    if (view_->size() != wanted && wanted.width() > 0 && wanted.height() > 0) {
        view_->setGeometry(6, 38, wanted.width(), wanted.height());
        // The rows span the view's width: make them again at the new size.
        if (!view_->anySliderHeld()) {
            view_->rebuild();
        }
    }
}

} // namespace panels
