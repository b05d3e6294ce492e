#include "editor/CLandscapeWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

#include "editor/CColorButton.h"
#include "editor/CLandscapeItemPane.h"
#include "editor/CLandscapeLayoutView.h"
#include "editor/UiTexts.h"
#include "model/CLandscapeItem.h"
#include "model/CZarnoltDocument.h"
#include "model/LandscapeItems.h"
#include "model/TerrainCommands.h"
#include "panels/PanelHooks.h"

namespace editor {

namespace {

CLandscapeWindow* thePanel = nullptr;

constexpr int kSliderMinimum = 0;
constexpr int kSliderMaximum = 100;
constexpr int kSliderStart = 50;

QString uiString(TextKind kind, int id) {
    const auto t = uiText(kind, id);
    return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()));
}

// The document's colours in the order of the buttons 3003 … 3006, as indices into
// getTerrainColours (ground, hill high, hill low, hollow).
constexpr int kDocumentIndex[] = {1, 2, 0, 3};

QRgb toRgb(const model::RGBColor16& c) {
    return qRgb(c.red >> 8, c.green >> 8, c.blue >> 8);
}

// An 8-bit channel c as the 16-bit value c × 256 + 255.
std::uint16_t widen(int c) {
    return static_cast<std::uint16_t>(c * 256 + 255);
}

void repaint3D() {
    if (auto& repaint = panels::panelHooks().repaint3D) {
        repaint();
    }
}

template <typename T> T* named(T* widget, int id) {
    widget->setObjectName(QStringLiteral("control%1").arg(id));
    return widget;
}

} // namespace

CLandscapeWindow::CLandscapeWindow(Prompter& prompter, QWidget* parent) : QWidget(parent) {
    thePanel = this;
    setObjectName(QStringLiteral("CLandscapeWindow"));
    setWindowTitle(uiString(TextKind::String, StrTerrainPanelTitle));

    tabs_ = named(new QTabWidget(this), CtlTerrainTabs);
    auto* terrain = new QWidget(tabs_);
    auto* scenery = new QWidget(tabs_);
    tabs_->addTab(terrain, uiString(TextKind::String, StrTerrainTab));
    tabs_->addTab(scenery, uiString(TextKind::String, StrSceneryTab));

    // Tab 0: height and hill / hollow of the selected item.
    heightLabel_ =
        named(new QLabel(uiString(TextKind::Control, CtlHeightLabel), terrain), CtlHeightLabel);
    slider_ = named(new QSlider(Qt::Horizontal, terrain), CtlHeightSlider);
    slider_->setRange(kSliderMinimum, kSliderMaximum);
    slider_->setValue(kSliderStart);
    hollow_ =
        named(new QCheckBox(uiString(TextKind::Control, CtlHollowCheck), terrain), CtlHollowCheck);
    auto* terrainLayout = new QVBoxLayout(terrain);
    terrainLayout->addWidget(heightLabel_);
    terrainLayout->addWidget(slider_);
    terrainLayout->addWidget(hollow_);
    terrainLayout->addStretch();

    // Tab 1: colours, sky, water and fog.
    auto* grid = new QGridLayout(scenery);
    constexpr int kLabels[] = {CtlHillHighLabel, CtlHillLowLabel, CtlGroundLabel, CtlHollowLabel};
    for (int i = 0; i < 4; ++i) {
        colours_[i] = named(new CColorButton(prompter, scenery), CtlHillHighColour + i);
        grid->addWidget(
            named(new QLabel(uiString(TextKind::Control, kLabels[i]), scenery), kLabels[i]), i, 0);
        grid->addWidget(colours_[i], i, 1);
        connect(colours_[i], &CColorButton::colorChanged, this, [this] { coloursChanged(); });
    }
    sky_ = named(new QComboBox(scenery), CtlSkyCombo);
    for (int id = StrSkyFirst; id <= StrSkyLast; ++id) {
        sky_->addItem(uiString(TextKind::String, id));
    }
    sky_->setCurrentIndex(0);
    grid->addWidget(
        named(new QLabel(uiString(TextKind::Control, CtlSkyLabel), scenery), CtlSkyLabel), 4, 0);
    grid->addWidget(sky_, 4, 1);
    water_ =
        named(new QCheckBox(uiString(TextKind::Control, CtlWaterCheck), scenery), CtlWaterCheck);
    fog_ = named(new QCheckBox(uiString(TextKind::Control, CtlFogCheck), scenery), CtlFogCheck);
    grid->addWidget(water_, 5, 0, 1, 2);
    grid->addWidget(fog_, 6, 0, 1, 2);
    grid->setRowStretch(7, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(tabs_);
    tabs_->setCurrentIndex(1);

    // The panel starts with the document's colours.
    if (const auto* doc = model::currentDocument()) {
        const auto colours = doc->getTerrainColours();
        for (int i = 0; i < 4; ++i) {
            colours_[i]->setColor(QColor::fromRgb(toRgb(colours[kDocumentIndex[i]])));
        }
    }

    connect(slider_, &QSlider::valueChanged, this, &CLandscapeWindow::sliderMoved);
    connect(hollow_, &QCheckBox::clicked, this, &CLandscapeWindow::hollowClicked);
    connect(sky_, &QComboBox::currentIndexChanged, this, &CLandscapeWindow::skyChanged);
    connect(water_, &QCheckBox::clicked, this, &CLandscapeWindow::waterClicked);
    connect(fog_, &QCheckBox::clicked, this, &CLandscapeWindow::fogClicked);
    refresh();
}

CLandscapeWindow::~CLandscapeWindow() {
    if (thePanel == this) {
        thePanel = nullptr;
    }
}

CLandscapeWindow* CLandscapeWindow::instance() {
    return thePanel;
}

QWidget* CLandscapeWindow::control(int id) const {
    return findChild<QWidget*>(QStringLiteral("control%1").arg(id));
}

CColorButton* CLandscapeWindow::colourButton(int id) const {
    if (id < CtlHillHighColour || id > CtlHollowColour) {
        return nullptr;
    }
    return colours_[static_cast<std::size_t>(id - CtlHillHighColour)];
}

void CLandscapeWindow::refresh() {
    refreshing_ = true;
    auto* view = CLandscapeLayoutView::instance();
    model::CLandscapeItem* item = view ? view->selectedItem() : nullptr;
    heightLabel_->setEnabled(item != nullptr);
    slider_->setEnabled(item != nullptr);
    hollow_->setEnabled(item != nullptr);
    if (item) {
        slider_->setValue(kSliderMinimum + static_cast<int>(item->getHeightScale() *
                                                            (kSliderMaximum - kSliderMinimum)));
        hollow_->setChecked(item->isHollow());
    }
    if (const auto* doc = model::currentDocument()) {
        const auto colours = doc->getTerrainColours();
        for (int i = 0; i < 4; ++i) {
            colours_[i]->setColor(QColor::fromRgb(toRgb(colours[kDocumentIndex[i]])));
        }
        sky_->setCurrentIndex(doc->getSkyType());
        water_->setChecked(!doc->testEnvironmentFlag(model::EnvNoWater));
        fog_->setChecked(doc->testEnvironmentFlag(model::EnvFog));
    }
    refreshing_ = false;
}

void CLandscapeWindow::sliderMoved(int position) {
    auto* view = CLandscapeLayoutView::instance();
    if (refreshing_ || !view || !view->selectedPane()) {
        return;
    }
    model::setLandscapeHeight(view->selectedItem(),
                              static_cast<double>(position) / (kSliderMaximum - kSliderMinimum));
    view->selectedPane()->invalidate();
    view->terrainChanged();
    emit view->modelChanged();
}

void CLandscapeWindow::hollowClicked(bool checked) {
    auto* view = CLandscapeLayoutView::instance();
    if (refreshing_ || !view || !view->selectedPane()) {
        return;
    }
    model::CLandscapeItem* item = view->selectedItem();
    if (item->isHollow() != checked) {
        model::toggleLandscapeHollow(item);
    }
    view->selectedPane()->invalidate();
    view->terrainChanged();
    emit view->modelChanged();
}

void CLandscapeWindow::coloursChanged() {
    auto* doc = model::currentDocument();
    if (refreshing_ || !doc) {
        return;
    }
    std::array<model::RGBColor16, 4> colours{};
    for (int i = 0; i < 4; ++i) {
        const QRgb c = colours_[i]->color().rgb();
        colours[kDocumentIndex[i]] =
            model::RGBColor16{widen(qRed(c)), widen(qGreen(c)), widen(qBlue(c))};
    }
    doc->setTerrainColours(colours);
    if (auto& rebuild = model::landscapeHooks().rebuildTerrain) {
        rebuild();
    }
    repaint3D();
    if (auto* view = CLandscapeLayoutView::instance()) {
        emit view->modelChanged();
    }
}

void CLandscapeWindow::skyChanged(int index) {
    auto* doc = model::currentDocument();
    if (refreshing_ || !doc || index < 0) {
        return;
    }
    // The renderer drops its sky dome when it sees another sky type.
    doc->setSkyType(index);
    repaint3D();
    if (auto* view = CLandscapeLayoutView::instance()) {
        emit view->modelChanged();
    }
}

void CLandscapeWindow::waterClicked(bool checked) {
    auto* doc = model::currentDocument();
    if (refreshing_ || !doc) {
        return;
    }
    doc->setEnvironmentFlag(model::EnvNoWater, !checked);
    repaint3D();
    if (auto* view = CLandscapeLayoutView::instance()) {
        emit view->modelChanged();
    }
}

void CLandscapeWindow::fogClicked(bool checked) {
    auto* doc = model::currentDocument();
    if (refreshing_ || !doc) {
        return;
    }
    doc->setEnvironmentFlag(model::EnvFog, checked);
    repaint3D();
    if (auto* view = CLandscapeLayoutView::instance()) {
        emit view->modelChanged();
    }
}

void refreshTerrainPanel() {
    if (auto* panel = CLandscapeWindow::instance()) {
        panel->refresh();
    }
}

} // namespace editor
