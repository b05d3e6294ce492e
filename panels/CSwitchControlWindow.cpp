#include "panels/CSwitchControlWindow.h"

#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>

#include <mutex>

#include "model/CTrackControlItem.h"
#include "panels/PanelHooks.h"
#include "platform/RenderLock.h"
#include "trains/PointState.h"

namespace panels {

using editor::TextKind;

namespace {
constexpr int kCell = 20;

std::mutex instanceLock;
CSwitchControlWindow* theInstance = nullptr;
} // namespace

int nextPanelTimerId() {
    static std::atomic<int> counter{0};
    return ++counter;
}

int SwitchGrid::left(int k) const {
    return 5 + (columns > 0 ? k % columns : 0) * kCell;
}

int SwitchGrid::top(int k) const {
    return 5 + (columns > 0 ? k / columns : k) * kCell;
}

SwitchGrid switchGrid(int clientWidth, int count) {
    SwitchGrid g;
    g.columns = (clientWidth - kCell) / kCell;
    if (g.columns < 1) {
        // Too narrow for a column: one column, one toggle per row.
        g.columns = 1;
    }
    g.rows = count / g.columns + 1;
    return g;
}

CSwitchControlView::CSwitchControlView(QWidget* parent) : QScrollArea(parent) {
    setObjectName(QStringLiteral("CSwitchControlView"));
    setFrameShape(QFrame::StyledPanel);
    canvas_ = new QWidget;
    setWidget(canvas_);
    setWidgetResizable(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

int CSwitchControlView::clientWidth() const {
    int w = contentsRect().width();
    if (verticalScrollBar()->isVisibleTo(this)) {
        w -= verticalScrollBar()->width();
    }
    return w;
}

void CSwitchControlView::rebuild() {
    for (QPushButton* t : toggles_) {
        delete t;
    }
    toggles_.clear();
    std::vector<int> numbers;
    {
        platform::RenderLockGuard model;
        for (int n = model::kFirstPointNumber; n <= model::kLastPointNumber; ++n) {
            if (model::pointWithNumber(n) != nullptr) {
                numbers.push_back(n);
            }
        }
        grid_ = switchGrid(clientWidth(), static_cast<int>(numbers.size()));
    }
    for (std::size_t k = 0; k < numbers.size(); ++k) {
        auto* t = new QPushButton(QString::number(numbers[k]), canvas_);
        t->setCheckable(true);
        t->setFocusPolicy(Qt::NoFocus);
        t->setStyleSheet(QStringLiteral("padding: 0px; font-size: 9px;"));
        t->setGeometry(grid_.left(static_cast<int>(k)), grid_.top(static_cast<int>(k)), kCell,
                       kCell);
        connect(t, &QPushButton::clicked, this, [this, t] { toggleClicked(t); });
        t->show();
        toggles_.push_back(t);
    }
    canvas_->resize(grid_.columns * kCell + 5, grid_.rows * kCell + 10);
    refreshStates();
}

void CSwitchControlView::refreshStates() {
    for (QPushButton* t : toggles_) {
        const auto s = trains::pointState(t->text().toInt());
        t->setEnabled(s >= 0);
        t->setChecked(s > 0);
    }
    viewport()->update();
}

void CSwitchControlView::toggleClicked(QPushButton* toggle) {
    const int n = toggle->text().toInt();
    const auto s = trains::pointState(n);
    if (s < 0) {
        toggle->setChecked(false);
        return;
    }
    trains::setPointState(n, s == 0 ? 1 : 0);
    if (panelHooks().repaint3D) {
        panelHooks().repaint3D();
    }
    toggle->setChecked(trains::pointState(n) > 0);
}

CSwitchControlWindow::CSwitchControlWindow(QWidget* parent) : QWidget(parent) {
    {
        const std::lock_guard lock(instanceLock);
        if (theInstance == nullptr) {
            theInstance = this;
        }
    }
    setObjectName(QStringLiteral("CSwitchControlWindow"));
    setWindowTitle(panelText(TextKind::String, editor::StrPointPanelTitle));
    auto* label = new QLabel(panelText(TextKind::Control, editor::CtlPointsLabel), this);
    label->setGeometry(6, 10, 60, 20);
    numbers_ = new QPushButton(panelText(TextKind::String, editor::StrShowNumbers), this);
    numbers_->setObjectName(QStringLiteral("3400"));
    numbers_->setCheckable(true);
    numbers_->setGeometry(70, 6, 90, 26);
    connect(numbers_, &QPushButton::clicked, this, [this] {
        const auto& hooks = panelHooks();
        if (hooks.hasRenderer && hooks.hasRenderer() && hooks.showPointNumbers &&
            hooks.setShowPointNumbers) {
            hooks.setShowPointNumbers(!hooks.showPointNumbers());
            if (hooks.repaint3D) {
                hooks.repaint3D();
            }
        }
        updateControls();
    });
    view_ = new CSwitchControlView(this);
    view_->setGeometry(6, 34, std::max(width() - 12, 20), 140);
    setMinimumSize(120, 100);
    view_->rebuild();
    timerId_ = nextPanelTimerId();
    connect(&timer_, &QTimer::timeout, this, [this] {
        tick();
        updateControls();
    });
    timer_.start(100);
    updateControls();
}

CSwitchControlWindow::~CSwitchControlWindow() {
    timer_.stop();
    const std::lock_guard lock(instanceLock);
    if (theInstance == this) {
        theInstance = nullptr;
    }
}

CSwitchControlWindow* CSwitchControlWindow::instance() {
    return theInstance;
}

void CSwitchControlWindow::markAllDirty() {
    const std::lock_guard lock(instanceLock);
    if (theInstance != nullptr) {
        theInstance->dirty_.store(1);
    }
}

void CSwitchControlWindow::tick() {
    if (dirty_.exchange(0) == 1) {
        view_->rebuild();
    }
}

void CSwitchControlWindow::updateControls() {
    const auto& hooks = panelHooks();
    numbers_->setEnabled(hooks.has3DWindow && hooks.has3DWindow());
    const bool on = hooks.hasRenderer && hooks.hasRenderer() && hooks.showPointNumbers &&
                    hooks.showPointNumbers();
    numbers_->setChecked(on);
    numbers_->setText(
        panelText(TextKind::String, on ? editor::StrHideNumbers : editor::StrShowNumbers));
}

void CSwitchControlWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int w = event->size().width();
    const int h = event->size().height();
    if (w <= 0 || h <= 0) {
        return;
    }
    const QSize wanted(w - 6 - 6, h - 38 - 6);
    if (view_->size() != wanted && wanted.width() > 0 && wanted.height() > 0) {
        view_->setGeometry(6, 38, wanted.width(), wanted.height());
        dirty_.store(1);
    }
}

} // namespace panels
