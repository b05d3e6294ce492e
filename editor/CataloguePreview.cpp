#include "editor/CataloguePreview.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <map>

#include "editor/EditorHooks.h"

namespace editor {

namespace {

std::map<std::filesystem::path, QImage>& pictures() {
    static std::map<std::filesystem::path, QImage> cache;
    return cache;
}

QPointer<CataloguePreview>& thePreview() {
    static QPointer<CataloguePreview> preview;
    return preview;
}

// The thumbnail fitted into the preview's size on the preview's background.
QImage enlarged(const QImage& thumbnail) {
    QImage out(CataloguePreview::kWidth, CataloguePreview::kHeight, QImage::Format_RGB32);
    out.fill(QColor(214, 222, 232));
    if (!thumbnail.isNull()) {
        const QImage scaled =
            thumbnail.scaled(out.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
        QPainter p(&out);
        p.drawImage((out.width() - scaled.width()) / 2, (out.height() - scaled.height()) / 2,
                    scaled);
    }
    return out;
}

} // namespace

CataloguePreview::CataloguePreview(QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("cataloguePreview"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    resize(kWidth + 2, kHeight + 2);
}

bool CataloguePreview::drawsModels() {
    return static_cast<bool>(editorHooks().renderItemPicture);
}

QImage CataloguePreview::pictureFor(const std::filesystem::path& file, const QImage& thumbnail) {
    auto it = pictures().find(file);
    if (it == pictures().end()) {
        QImage picture;
        if (drawsModels()) {
            picture = editorHooks().renderItemPicture(file, QSize(kWidth, kHeight));
        }
        if (picture.isNull()) {
            picture = enlarged(thumbnail);
        }
        it = pictures().emplace(file, picture).first;
    }
    return it->second;
}

void CataloguePreview::clearPictures() {
    pictures().clear();
}

CataloguePreview* CataloguePreview::current() {
    return thePreview().data();
}

void CataloguePreview::showFor(QWidget* cell, const std::filesystem::path& file,
                               const QImage& thumbnail) {
    if (!cell) {
        return;
    }
    QWidget* top = cell->window();
    if (!thePreview() || thePreview()->parentWidget() != top) {
        delete thePreview().data();
        thePreview() = new CataloguePreview(top);
    }
    CataloguePreview* preview = thePreview().data();
    preview->picture_ = pictureFor(file, thumbnail);
    preview->cell_ = cell;
    // Beside the cell on its left, towards the board (the tip opens to the right of the
    // pointer); on its right when the left side would leave the screen.
    QPoint at = cell->mapToGlobal(QPoint(-8 - preview->width(), 0));
    if (const QScreen* screen = cell->screen()) {
        const QRect area = screen->availableGeometry();
        if (at.x() < area.left()) {
            at.setX(cell->mapToGlobal(QPoint(cell->width() + 8, 0)).x());
        }
        at.setY(std::clamp(at.y(), area.top(),
                           std::max(area.top(), area.bottom() - preview->height())));
    }
    preview->move(at);
    preview->show();
    preview->raise();
    preview->update();
}

void CataloguePreview::hideFor(const QWidget* cell) {
    CataloguePreview* preview = thePreview().data();
    if (preview && (!preview->cell_ || preview->cell_.data() == cell)) {
        preview->hide();
        preview->cell_ = nullptr;
    }
}

void CataloguePreview::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(96, 96, 96));
    p.drawImage(QRect(1, 1, width() - 2, height() - 2), picture_);
}

} // namespace editor
