#include "panels/CLightControlWindow.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

#include <cmath>

#include "model/CZarnoltDocument.h"
#include "panels/PanelHooks.h"

namespace panels {

using editor::TextKind;

namespace {
CLightControlWindow* theInstance = nullptr;

void repaint3D() {
    if (panelHooks().repaint3D) {
        panelHooks().repaint3D();
    }
}

bool hasRenderer() {
    return panelHooks().hasRenderer && panelHooks().hasRenderer();
}
} // namespace

CLightControlWindow::CLightControlWindow(QWidget* parent) : QWidget(parent) {
    if (theInstance == nullptr) {
        theInstance = this;
    }
    setObjectName(QStringLiteral("CLightControlWindow"));
    setWindowTitle(panelText(TextKind::String, editor::StrLightPanelTitle));

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 6, 6, 6);
    const int labels[3] = {editor::CtlLightXLabel, editor::CtlLightYLabel, editor::CtlLightZLabel};
    for (int axis = 0; axis < 3; ++axis) {
        auto* slider = new QSlider(Qt::Horizontal, this);
        slider->setObjectName(QString::number(editor::CtlLightX + axis));
        sliders_[static_cast<std::size_t>(axis)] = slider;
        grid->addWidget(new QLabel(panelText(TextKind::Control, labels[axis]), this), axis, 0);
        grid->addWidget(slider, axis, 1, 1, 2);
        // Only the user's moves write back; code sets positions under a signal blocker.
        connect(slider, &QSlider::valueChanged, this, &CLightControlWindow::slidersMoved);
    }
    switch_ = new QPushButton(panelText(TextKind::Control, editor::CtlLightSwitch), this);
    switch_->setCheckable(true);
    switch_->setObjectName(QStringLiteral("3033"));
    defaults_ = new QPushButton(panelText(TextKind::Control, editor::CtlLightDefaults), this);
    defaults_->setObjectName(QStringLiteral("3034"));
    grid->addWidget(new QLabel(panelText(TextKind::Control, editor::CtlLightLabel), this), 3, 0);
    grid->addWidget(switch_, 3, 1);
    grid->addWidget(defaults_, 3, 2);
    grid->setRowStretch(4, 1);

    if (model::currentDocument() != nullptr) {
        for (int axis = 0; axis < 3; ++axis) {
            const QSignalBlocker block(slider(axis));
            slider(axis)->setRange(0, 100);
        }
        showDocument();
    }
    connect(switch_, &QPushButton::clicked, this, [this](bool checked) {
        if (auto* doc = model::currentDocument()) {
            doc->setEnvironmentFlag(model::EnvLightOff, !checked);
        }
        if (hasRenderer() && panelHooks().setLightIntensity) {
            panelHooks().setLightIntensity(checked ? 1.0 : 0.01);
            repaint3D();
        }
        updateControls();
    });
    connect(defaults_, &QPushButton::clicked, this, [this] {
        for (int axis = 0; axis < 3; ++axis) {
            showValue(axis, 0.0);
        }
        applyPosition(0.0, 0.0, 0.0);
    });
    connect(&idle_, &QTimer::timeout, this, &CLightControlWindow::updateControls);
    idle_.start(100);
    updateControls();
}

CLightControlWindow::~CLightControlWindow() {
    if (theInstance == this) {
        theInstance = nullptr;
    }
}

CLightControlWindow* CLightControlWindow::instance() {
    return theInstance;
}

void CLightControlWindow::showDocument() {
    const auto* doc = model::currentDocument();
    if (doc == nullptr) {
        return;
    }
    const model::Vec3f light = doc->getLightPosition();
    const double values[3] = {light.x, light.y, light.z};
    for (int axis = 0; axis < 3; ++axis) {
        showValue(axis, values[axis]);
    }
    switch_->setChecked(!doc->testEnvironmentFlag(model::EnvLightOff));
    updateControls();
}

double CLightControlWindow::valueOfPosition(int position, int minimum, int maximum) {
    (void)minimum;
    if (maximum == 0) {
        return -0.5;
    }
    return static_cast<double>(position) / maximum - 0.5;
}

int CLightControlWindow::positionOfValue(double value, int minimum, int maximum) {
    return static_cast<int>(std::lround((maximum - minimum) * (value + 0.5) + minimum));
}

void CLightControlWindow::showValue(int axis, double v) {
    QSlider* s = slider(axis);
    const QSignalBlocker block(s);
    s->setValue(positionOfValue(v, s->minimum(), s->maximum()));
}

double CLightControlWindow::value(int axis) const {
    const QSlider* s = slider(axis);
    return valueOfPosition(s->value(), s->minimum(), s->maximum());
}

void CLightControlWindow::slidersMoved() {
    applyPosition(value(0), value(1), value(2));
}

void CLightControlWindow::applyPosition(double x, double y, double z) {
    if (hasRenderer() && panelHooks().setLightOffset) {
        panelHooks().setLightOffset(x, y, z);
        repaint3D();
    }
    if (auto* doc = model::currentDocument()) {
        doc->setLightPosition(
            model::Vec3f{static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)});
    }
}

void CLightControlWindow::updateControls() {
    switch_->setText(panelText(TextKind::String,
                               switch_->isChecked() ? editor::StrLightOn : editor::StrLightOff));
}

} // namespace panels
