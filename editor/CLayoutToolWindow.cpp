#include "editor/CLayoutToolWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>

#include <cstdlib>

#include "editor/CZarnolt3DView.h"
#include "editor/UiTexts.h"
#include "model/CZarnoltDocument.h"
#include "model/DocumentRecords.h"

namespace editor {

namespace {

QString text(TextKind kind, int id) {
    const auto t = uiText(kind, id);
    return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()));
}

// Fills a C-style "%d" format from the text table with numbers, in order.
QString fillNumbers(QString format, std::initializer_list<int> numbers) {
    for (int n : numbers) {
        const auto at = format.indexOf(QStringLiteral("%d"));
        if (at < 0) {
            break;
        }
        format.replace(at, 2, QString::number(n));
    }
    return format;
}

} // namespace

CLayoutToolWindow::CLayoutToolWindow(CZarnolt3DView& view, QWidget* parent)
    : QWidget(parent), view_(view) {
    setObjectName(QStringLiteral("layoutToolWindow"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 2);
    layers_ = new QComboBox(this);
    layers_->setObjectName(QStringLiteral("control%1").arg(CtlLayerCombo));
    for (int id = StrLayerGround; id <= StrLayerTerrain; ++id) {
        layers_->addItem(text(TextKind::String, id));
    }
    height_ = new QLabel(this);
    height_->setObjectName(QStringLiteral("control%1").arg(CtlHeightText));
    height_->setMinimumWidth(70);
    position_ = new QLabel(this);
    position_->setObjectName(QStringLiteral("control%1").arg(CtlPositionText));
    position_->setMinimumWidth(100);
    showTerrain_ = new QCheckBox(text(TextKind::Control, CtlShowTerrain), this);
    showTerrain_->setObjectName(QStringLiteral("control%1").arg(CtlShowTerrain));
    row->addWidget(layers_);
    row->addWidget(height_);
    row->addWidget(position_);
    row->addWidget(showTerrain_);
    row->addStretch(1);

    connect(layers_, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && index <= kTerrainLayer) {
            view_.selectLayer(index);
        }
        refresh();
    });
    connect(showTerrain_, &QCheckBox::clicked, this, [this](bool checked) {
        if (auto* doc = model::currentDocument()) {
            doc->setEnvironmentFlag(model::EnvShowTerrain, checked);
            view_.viewport()->update();
            emit terrainDisplayChanged();
        }
    });
    connect(&view_, &CZarnolt3DView::scrolled, this, &CLayoutToolWindow::refresh);
    connect(&view_, &CZarnolt3DView::layerChanged, this, &CLayoutToolWindow::refresh);
    refresh();
}

QString CLayoutToolWindow::heightRangeText(int layer) {
    if (layer == 0) {
        return fillNumbers(text(TextKind::String, StrHeightSingle), {0});
    }
    if (layer >= 1 && layer <= 4) {
        return fillNumbers(text(TextKind::String, StrHeightRange), {3 * layer - 3, 3 * layer});
    }
    return {};
}

QString CLayoutToolWindow::positionTextFor(QPoint scroll) {
    return fillNumbers(text(TextKind::String, StrPosition),
                       {std::abs(scroll.x() / kTilePixels), std::abs(scroll.y() / kTilePixels)});
}

void CLayoutToolWindow::refresh() {
    const auto* doc = model::currentDocument();
    if (!doc) {
        return;
    }
    const int layer = view_.currentLayer();
    layers_->setCurrentIndex(layer);
    height_->setText(heightRangeText(layer));
    position_->setText(positionTextFor(view_.scrollPosition()));
    showTerrain_->setChecked(doc->testEnvironmentFlag(model::EnvShowTerrain));
}

} // namespace editor
