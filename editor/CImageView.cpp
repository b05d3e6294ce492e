#include "editor/CImageView.h"

#include <QDrag>
#include <QHelpEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <utility>

#include "editing/Clipboard.h"
#include "editor/CatalogueDrop.h"
#include "editor/CatalogueFolder.h"
#include "editor/CataloguePreview.h"
#include "editor/SystemClipboard.h"
#include "editor/UiTexts.h"
#include "items/ItemHeader.h"
#include "model/CTrackTypeItem.h"
#include "trains/CTrainTypeItem.h"
#include "trains/VehicleRegistry.h"

namespace editor {

namespace {

QByteArray pathBytes(const std::filesystem::path& path) {
    const auto u8 = path.u8string();
    return QByteArray(reinterpret_cast<const char*>(u8.data()), static_cast<qsizetype>(u8.size()));
}

} // namespace

CImageViewItem::CImageViewItem(QImage image, std::filesystem::path path, QWidget* parent)
    : QWidget(parent), image_(std::move(image)), path_(std::move(path)) {
    setToolTip(fileName());
}

QString CImageViewItem::fileName() const {
    const auto u8 = path_.filename().u8string();
    return QString::fromUtf8(reinterpret_cast<const char*>(u8.data()),
                             static_cast<qsizetype>(u8.size()));
}

QMimeData* CImageViewItem::dragData() const {
    auto* data = new QMimeData;
    data->setText(QString::fromUtf8(pathBytes(path_)));
    return data;
}

void CImageViewItem::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (hasImage()) {
        // The largest rectangle of the picture's proportions that fits, centred.
        QSize fitted = image_.size().scaled(size(), Qt::KeepAspectRatio);
        const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2),
                           fitted);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, image_);
    }
    paintOverlay(painter);
}

void CImageViewItem::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    QMimeData* data = dragData();
    if (data) {
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        if (hasImage()) {
            drag->setPixmap(QPixmap::fromImage(image_.scaled(size(), Qt::KeepAspectRatio)));
        }
        drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
    }
    if (afterDrag) {
        afterDrag();
    }
}

C3DItemViewItem::~C3DItemViewItem() {
    CataloguePreview::hideFor(this);
}

QString C3DItemViewItem::labelForKind(int kind) {
    switch (kind) {
    case 100:
        return QStringLiteral("SL");
    case 101:
        return QStringLiteral("EL");
    case 103:
        return QStringLiteral("auto");
    case 104:
    case 105:
        return QStringLiteral("monorail");
    default:
        return QStringLiteral(" ");
    }
}

const QString& C3DItemViewItem::label() const {
    if (label_.isEmpty()) {
        const auto header = items::readItemHeader(path());
        label_ = labelForKind(header ? header->kind : -1);
    }
    return label_;
}

QMimeData* C3DItemViewItem::dragData() const {
    const auto header = items::readItemHeader(path());
    if (!header) {
        return nullptr;
    }
    // The payload is the file's path; the drop target builds its own entry from it, so no
    // object of the drag source has to outlive the drag.
    std::string_view format;
    if (header->kind < 3) {
        if (!model::CTrackTypeItem::fromItemFile(path())) {
            return nullptr;
        }
        format = editing::kTrackTypeItemFormat;
    } else if (header->kind >= 100 && header->kind <= 105) {
        if (!trains::createTrainTypeItem(path())) {
            return nullptr;
        }
        format = kTrainTypeItemFormat;
    } else {
        return nullptr;
    }
    auto* data = new QMimeData;
    data->setData(mimeTypeFor(format), pathBytes(path()));
    return data;
}

QString C3DItemViewItem::tipFor(const std::filesystem::path& file) {
    const auto header = items::readItemHeader(file);
    if (!header) {
        return {};
    }
    int kind = 0;
    switch (header->kind) {
    case 100:
        kind = MsgKindSteam;
        break;
    case 101:
        kind = MsgKindElectric;
        break;
    case 102:
        kind = MsgKindCar;
        break;
    case 103:
        kind = MsgKindAutomobile;
        break;
    case 104:
    case 105:
        kind = MsgKindMonorail;
        break;
    default:
        if (header->kind < 3) {
            // A piece that lays track is a track piece; the others are structures.
            const auto piece = model::CTrackTypeItem::fromItemFile(file);
            kind = piece && piece->lineCount() > 0 ? MsgKindTrack : MsgKindStructure;
        }
        break;
    }
    const auto stem = file.stem().u8string();
    QString tip = QString::fromUtf8(reinterpret_cast<const char*>(stem.data()),
                                    static_cast<qsizetype>(stem.size()));
    if (kind != 0) {
        const auto text = uiText(TextKind::Message, kind);
        tip +=
            QLatin1Char('\n') + QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    }
    return tip;
}

bool C3DItemViewItem::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::ToolTip: {
        const auto* help = static_cast<QHelpEvent*>(event);
        QToolTip::showText(help->globalPos(), tipFor(path()), this);
        CataloguePreview::showFor(this, path(), image());
        return true;
    }
    case QEvent::Leave:
    case QEvent::Hide:
    case QEvent::MouseButtonPress:
        CataloguePreview::hideFor(this);
        break;
    default:
        break;
    }
    return CImageViewItem::event(event);
}

void C3DItemViewItem::paintOverlay(QPainter& painter) {
    QFont font(QStringLiteral("MS Shell Dlg"));
    font.setFamilies({QStringLiteral("MS Shell Dlg"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Noto Sans CJK JP")});
    font.setPixelSize(9);
    font.setStyleStrategy(QFont::PreferAntialias);
    painter.setFont(font);
    painter.setPen(QColor(255, 0, 0));
    painter.drawText(QRect(0, 0, width(), height()), Qt::AlignLeft | Qt::AlignTop, label());
}

CImageView::CImageView(QWidget* parent) : QScrollArea(parent), canvas_(new QWidget) {
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(false);
    setWidget(canvas_);
    canvas_->setAutoFillBackground(true);
}

CImageView::~CImageView() = default;

int CImageView::fillFromFolder(const std::filesystem::path& folder, int cellSize, int depth) {
    clearItems();
    if (cellSize > 0) {
        cell_ = cellSize;
    }
    (void)depth; // plain pictures are taken from the folder itself only
    const auto files = scanCatalogueFolder(folder, 0);
    for (const auto& file : files) {
        QImage image(QString::fromUtf8(pathBytes(file.path)));
        if (!image.isNull()) {
            addItem(std::move(image), file.path);
        }
    }
    relayout();
    return static_cast<int>(files.size());
}

bool CImageView::addItem(QImage image, const std::filesystem::path& path) {
    if (image.isNull()) {
        return false;
    }
    addCell(new CImageViewItem(std::move(image), path));
    return true;
}

void CImageView::addCell(CImageViewItem* cell) {
    cell->setParent(canvas_);
    cell->setGeometry(QRect());
    cell->afterDrag = [this] {
        if (afterDrag) {
            afterDrag();
        }
    };
    cell->show();
    items_.push_back(cell);
    stale_ = true;
}

void CImageView::clearItems() {
    for (auto* item : items_) {
        delete item;
    }
    items_.clear();
    stale_ = true;
}

void CImageView::relayout() {
    const QSize client = viewport()->size();
    if (client.isEmpty()) {
        return;
    }
    const int step = cell_ + gap_;
    const int count = static_cast<int>(items_.size());
    columns_ = std::max(1, client.width() / step);
    rows_ = std::max(1, count / columns_ + 1);
    canvas_->resize(std::max(client.width() - 20, gap_ + columns_ * step),
                    std::max(client.height(), gap_ + rows_ * step));
    for (int i = 0; i < count; ++i) {
        items_[static_cast<std::size_t>(i)]->setGeometry(
            gap_ + (i % columns_) * step, gap_ + (i / columns_) * step, cell_, cell_);
    }
    stale_ = false;
}

void CImageView::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    relayout();
}

void CImageView::paintEvent(QPaintEvent* event) {
    if (stale_) {
        relayout();
    }
    QScrollArea::paintEvent(event);
}

int C3DItemView::fillFromFolder(const std::filesystem::path& folder, int cellSize, int depth) {
    clearItems();
    if (cellSize > 0) {
        setCellSize(cellSize);
    }
    const auto files = scanCatalogueFolder(folder, depth);
    for (const auto& file : files) {
        const auto bytes = items::readThumbnail(file.path);
        if (bytes.empty()) {
            continue;
        }
        QImage image;
        if (image.loadFromData(bytes.data(), static_cast<int>(bytes.size()), "PNG")) {
            addItem(std::move(image), file.path);
        }
    }
    relayout();
    return static_cast<int>(files.size());
}

bool C3DItemView::addItem(QImage image, const std::filesystem::path& path) {
    if (image.isNull()) {
        return false;
    }
    addCell(new C3DItemViewItem(std::move(image), path));
    return true;
}

} // namespace editor
