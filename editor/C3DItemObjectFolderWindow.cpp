#include "editor/C3DItemObjectFolderWindow.h"

#include <QComboBox>

#include "editor/CImageView.h"
#include "editor/CatalogueFolder.h"
#include "editor/UiTexts.h"

namespace editor {

C3DItemObjectFolderWindow::C3DItemObjectFolderWindow(QWidget* parent)
    : QWidget(parent), combo_(new QComboBox(this)) {
    combo_->setObjectName(QStringLiteral("control3101"));
    setMinimumSize(kMinimumSize, kMinimumSize);
    resize(180, 181);
    combo_->setGeometry(kMargin, kMargin, 180 - 2 * kMargin, kComboStrip - 2 * kMargin);
    connect(combo_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0 && index != current_) {
            selectPage(index);
        }
    });
}

void C3DItemObjectFolderWindow::setDocked(bool docked) {
    setMinimumSize(kMinimumSize, docked ? kComboStrip : kMinimumSize);
}

void C3DItemObjectFolderWindow::destroyViews() {
    for (auto* view : views_) {
        delete view;
    }
    views_.clear();
    current_ = -1;
}

void C3DItemObjectFolderWindow::createFromFolder(const std::filesystem::path& folder,
                                                 const QString& title) {
    destroyViews();
    const auto u8 = folder.filename().u8string();
    setWindowTitle(!title.isEmpty() ? title
                                    : QString::fromUtf8(reinterpret_cast<const char*>(u8.data()),
                                                        static_cast<qsizetype>(u8.size())));
    pageNames_ = cataloguePages(folder, std::string(uiText(TextKind::String, StrAll)));
    {
        const QSignalBlocker block(combo_);
        combo_->clear();
        for (const auto& name : pageNames_) {
            combo_->addItem(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
        }
    }
    for (std::size_t i = 0; i < pageNames_.size(); ++i) {
        auto* view = new C3DItemView(this);
        view->setObjectName(QStringLiteral("page%1").arg(i));
        view->setGeometry(5, 35, 120, 120);
        view->afterDrag = [this] {
            if (afterDrag) {
                afterDrag();
            }
        };
        if (i == 0) {
            view->fillFromFolder(folder, 0, 1);
        } else {
            view->fillFromFolder(folder / std::filesystem::u8path(pageNames_[i]), 0, 0);
        }
        views_.push_back(view);
    }
    placeViews();
    selectPage(0);
}

void C3DItemObjectFolderWindow::selectPage(int index) {
    if (index < 0 || index >= static_cast<int>(views_.size())) {
        return;
    }
    current_ = index;
    for (std::size_t i = 0; i < views_.size(); ++i) {
        views_[i]->setVisible(static_cast<int>(i) == index);
    }
    if (index < static_cast<int>(pageNames_.size())) {
        const QSignalBlocker block(combo_);
        combo_->setCurrentIndex(index);
    }
}

void C3DItemObjectFolderWindow::placeViews() {
    if (width() <= 0 || height() <= 0) {
        return;
    }
    combo_->setGeometry(kMargin, kMargin, width() - 2 * kMargin, kComboStrip - 2 * kMargin);
    for (auto* view : views_) {
        view->setGeometry(QRect(QPoint(kMargin, kComboStrip),
                                QPoint(width() - kMargin - 1, height() - kMargin - 1)));
        view->markLayoutStale();
    }
}

void C3DItemObjectFolderWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeViews();
}

} // namespace editor
