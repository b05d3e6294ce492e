#include "editor/CLandscapeLayoutView.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QRandomGenerator>
#include <QScrollBar>

#include <filesystem>

#include "editing/Clipboard.h"
#include "editing/EditCommands.h"
#include "editing/UndoStore.h"
#include "editor/CLandscapeItemPane.h"
#include "editor/CLandscapeWindow.h"
#include "editor/CZarnolt3DView.h"
#include "editor/Prompter.h"
#include "editor/UiTexts.h"
#include "model/CLandscapeItem.h"
#include "model/CZarnoltDocument.h"
#include "model/LandscapeItems.h"
#include "model/TerrainCommands.h"
#include "model/TrackHeights.h"
#include "panels/PanelHooks.h"
#include "platform/RenderLock.h"

namespace editor {

namespace {

CLandscapeLayoutView* theView = nullptr;

// The entries of the terrain menu "地形" (0: a separator).
constexpr int kMenuEntries[] = {1426, 1427, 1428, 0,    1429, 1430, 0,
                                1435, 1436, 0,    1437, 1438, 1439};

QString uiString(TextKind kind, int id) {
    const auto t = uiText(kind, id);
    return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()));
}

// The picture filter "NAME(PATTERNS)|PATTERNS|…||" as Qt's "NAME(PATTERNS);;…", with the
// patterns separated by spaces.
QString pictureFilter() {
    const QStringList parts = uiString(TextKind::Message, MsgPictureFilter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) {
            break;
        }
        QString name = parts[i];
        const qsizetype open = name.indexOf(QLatin1Char('('));
        if (open >= 0) {
            name = name.left(open);
        }
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters.append(name + QLatin1Char('(') + patterns + QLatin1Char(')'));
    }
    return filters.join(QStringLiteral(";;"));
}

std::filesystem::path toPath(const QString& file) {
    return std::filesystem::path(file.toStdU16String());
}

void repaint3D() {
    if (auto& repaint = panels::panelHooks().repaint3D) {
        repaint();
    }
}

} // namespace

CLandscapeLayoutView::CLandscapeLayoutView(CZarnolt3DView& layoutView, Prompter& prompter,
                                           editing::UndoStore& undo, editing::Clipboard& clipboard)
    : QWidget(layoutView.viewport()), layoutView_(layoutView), prompter_(prompter), undo_(undo),
      clipboard_(clipboard) {
    setObjectName(QStringLiteral("CLandscapeLayoutView"));
    theView = this;
    setGeometry(layoutView.viewport()->rect());
    layoutView.viewport()->installEventFilter(this);
    setFocusPolicy(Qt::ClickFocus);
    hide();
    connect(&layoutView, &CZarnolt3DView::layerChanged, this, &CLandscapeLayoutView::layerChanged);
    connect(&layoutView, &CZarnolt3DView::scrolled, this, [this] { update(); });
    buildMenu();
    syncPanes();
}

CLandscapeLayoutView::~CLandscapeLayoutView() {
    // The items outlive the view: they forget their panes.
    selected_ = nullptr;
    panes_.clear();
    if (theView == this) {
        theView = nullptr;
    }
}

CLandscapeLayoutView* CLandscapeLayoutView::instance() {
    return theView;
}

model::CLandscapeItem* CLandscapeLayoutView::selectedItem() const {
    return selected_ ? &selected_->item() : nullptr;
}

void CLandscapeLayoutView::selectPane(CLandscapeItemPane* pane) {
    const QPoint scroll = layoutView_.scrollPosition();
    if (selected_) {
        layoutView_.viewport()->update(
            selected_->rect().adjusted(-1, -1, 1, 1).translated(-scroll));
    }
    selected_ = pane;
    if (pane) {
        tracker_.setRect(pane->rect());
        layoutView_.viewport()->update(pane->rect().adjusted(-1, -1, 1, 1).translated(-scroll));
    }
    update();
    refreshTerrainPanel();
    emit selectionChanged();
}

CLandscapeItemPane* CLandscapeLayoutView::paneOf(model::CLandscapeItem* item) {
    if (!item || model::validLandscapeItem(item) != item) {
        return nullptr;
    }
    const auto it = panes_.find(item);
    if (it != panes_.end()) {
        return it->second.get();
    }
    auto pane = std::make_unique<CLandscapeItemPane>(*this, *item);
    auto* raw = pane.get();
    panes_[item] = std::move(pane);
    return raw;
}

void CLandscapeLayoutView::syncPanes() {
    for (auto* item : model::landscapeItems()) {
        paneOf(item);
    }
}

bool CLandscapeLayoutView::movePane(CLandscapeItemPane& pane, const QRect& rect) {
    model::CLandscapeItem& item = pane.item();
    const QRect before = pane.rect();
    if (rect == before) {
        return false;
    }
    undo_.snapshotLandscape(&item);
    const model::BoardRect target{rect.top(), rect.left(), rect.top() + rect.height(),
                                  rect.left() + rect.width()};
    if (!model::moveLandscapeItem(&item, target)) {
        return false;
    }
    model::afterEdit();
    if (selected_ == &pane) {
        tracker_.setRect(pane.rect());
    }
    terrainChanged();
    emit modelChanged();
    return true;
}

bool CLandscapeLayoutView::commandEnabled(int id) const {
    const bool selected = selected_ != nullptr;
    switch (id) {
    case 1426:
    case 1428:
        return true;
    case 1427:
        return selected && layoutView_.terrainLayerCurrent();
    case 1429:
    case 1430:
    case 1435:
    case 1436:
    case 1437:
    case 1438:
        return selected;
    case 1439:
        return !selected && clipboard_.take(editing::kTerrainItemFormat).has_value();
    case 1440:
        return !undo_.empty();
    default:
        return false; // 1431 … 1434 and anything else
    }
}

bool CLandscapeLayoutView::runCommand(int id) {
    return act(id, selectedItem());
}

QPoint CLandscapeLayoutView::newItemPlace() const {
    return layoutView_.scrollPosition();
}

bool CLandscapeLayoutView::act(int id, model::CLandscapeItem* item) {
    layoutView_.selectLayer(kTerrainLayer);
    if (item && model::validLandscapeItem(item) != item) {
        item = nullptr;
    }
    bool changed = false;
    model::CLandscapeItem* select = item;
    switch (id) {
    case 1426: {
        const auto file =
            prompter_.openFile(this, uiString(TextKind::Command, 1426), QString(), pictureFilter());
        if (!file) {
            return false;
        }
        const QPoint at = newItemPlace();
        select = model::importGreyPicture(toPath(*file), at.x(), at.y());
        changed = true;
        break;
    }
    case 1427: {
        if (!item) {
            return false;
        }
        const auto file =
            prompter_.savePicture(this, uiString(TextKind::Command, 1427),
                                  QStringLiteral("terrain_image.png"), pictureFilter());
        return file && model::exportGreyPicture(item, toPath(*file));
    }
    case 1428: {
        const QPoint at = newItemPlace();
        select = model::generateTerrain(QRandomGenerator::global()->generate(), at.x(), at.y());
        changed = true;
        break;
    }
    case 1429:
    case 1430:
    case 1435:
    case 1436:
        if (!item) {
            return false;
        }
        undo_.snapshotLandscape(item);
        if (id == 1429) {
            changed = model::rotateLandscapeItem(item);
        } else if (id == 1430) {
            changed = model::mirrorLandscapeItem(item);
        } else if (id == 1435) {
            changed = model::removeLandscapeItem(item);
            select = nullptr;
        } else {
            changed = model::toggleLandscapeHollow(item);
        }
        if (changed) {
            model::afterEdit();
        }
        break;
    case 1437:
        changed = item && editing::cutLandscapeItemToClipboard(item, clipboard_, undo_);
        select = nullptr;
        break;
    case 1438:
        return item && editing::copyLandscapeItemToClipboard(item, clipboard_);
    case 1439:
        if (item) {
            return false; // paste only without a selected item
        }
        select = editing::pasteLandscapeItemFromClipboard(clipboard_);
        changed = select != nullptr;
        break;
    case 1440:
        changed = undo_.undo();
        select = item;
        break;
    default:
        return false;
    }
    if (!changed) {
        return false;
    }
    syncPanes();
    for (auto& [key, pane] : panes_) {
        pane->invalidate();
    }
    CLandscapeItemPane* pane =
        select && model::validLandscapeItem(select) == select ? paneOf(select) : nullptr;
    selectPane(pane);
    terrainChanged();
    emit modelChanged();
    return true;
}

void CLandscapeLayoutView::paintPanes(QPainter& painter, const QRect& area) {
    syncPanes();
    // Creation order, so a later item lies over an earlier one.
    for (auto* item : model::landscapeItems()) {
        auto* pane = paneOf(item);
        if (pane && pane->rect().intersects(area)) {
            pane->paint(painter);
        }
    }
}

QMenu* CLandscapeLayoutView::contextMenu(bool onPane) {
    for (QAction* action : menu_->actions()) {
        const int id = action->data().toInt();
        if (id == 0) {
            continue;
        }
        action->setEnabled(onPane ? id != 1439 : commandEnabled(id));
        action->setChecked(id == 1436 && selected_ && selected_->item().isHollow());
    }
    return menu_;
}

void CLandscapeLayoutView::buildMenu() {
    menu_ = new QMenu(uiString(TextKind::MenuTitle, MenuTerrain), this);
    menu_->setObjectName(QStringLiteral("menu142"));
    for (int id : kMenuEntries) {
        if (id == 0) {
            menu_->addSeparator();
            continue;
        }
        auto* action = menu_->addAction(uiString(TextKind::Command, id));
        action->setObjectName(QStringLiteral("terrainCommand%1").arg(id));
        action->setData(id);
        action->setCheckable(id == 1436);
        connect(action, &QAction::triggered, this, [this, id] { runCommand(id); });
    }
}

void CLandscapeLayoutView::paneChanged(CLandscapeItemPane& pane) {
    const QPoint scroll = layoutView_.scrollPosition();
    layoutView_.viewport()->update(pane.rect().adjusted(-1, -1, 1, 1).translated(-scroll));
}

void CLandscapeLayoutView::paneGone(CLandscapeItemPane& pane) {
    const QRect where = pane.rect();
    const auto it = panes_.find(&pane.item());
    if (it == panes_.end() || it->second.get() != &pane) {
        return;
    }
    if (selected_ == &pane) {
        selected_ = nullptr;
        refreshTerrainPanel();
        emit selectionChanged();
    }
    panes_.erase(it); // destroys the pane
    layoutView_.viewport()->update(
        where.adjusted(-1, -1, 1, 1).translated(-layoutView_.scrollPosition()));
    update();
}

void CLandscapeLayoutView::terrainChanged() {
    layoutView_.viewport()->update();
    update();
    repaint3D();
}

QPoint CLandscapeLayoutView::boardPoint(QPoint local) const {
    return local + layoutView_.scrollPosition();
}

CLandscapeItemPane* CLandscapeLayoutView::paneAt(QPoint boardPixel) {
    syncPanes();
    const auto items = model::landscapeItems();
    for (auto it = items.rbegin(); it != items.rend(); ++it) {
        auto* pane = paneOf(*it);
        if (pane && pane->rect().contains(boardPixel)) {
            return pane;
        }
    }
    return nullptr;
}

void CLandscapeLayoutView::layerChanged(int layer) {
    if (layer == kTerrainLayer) {
        setGeometry(layoutView_.viewport()->rect());
        show();
        raise();
    } else {
        hit_ = CLandscapeRectTracker::HitNothing;
        hide();
    }
    layoutView_.viewport()->update();
}

void CLandscapeLayoutView::paintEvent(QPaintEvent*) {
    // The layout view draws the panes; this view adds only the selected pane's tracker.
    if (!selected_) {
        return;
    }
    QPainter painter(this);
    painter.setClipRect(rect());
    tracker_.paint(painter, layoutView_.scrollPosition());
}

void CLandscapeLayoutView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint p = boardPoint(event->position().toPoint());
    auto hit = selected_ ? tracker_.hitTest(p) : CLandscapeRectTracker::HitNothing;
    if (hit == CLandscapeRectTracker::HitNothing) {
        auto* pane = paneAt(p);
        if (pane != selected_) {
            selectPane(pane);
        }
        hit = pane ? tracker_.hitTest(p) : CLandscapeRectTracker::HitNothing;
    }
    hit_ = hit;
    pressPoint_ = p;
    startRect_ = tracker_.rect();
    setFocus();
}

void CLandscapeLayoutView::mouseMoveEvent(QMouseEvent* event) {
    if (hit_ == CLandscapeRectTracker::HitNothing || !selected_) {
        return;
    }
    CLandscapeRectTracker from;
    from.setRect(startRect_);
    tracker_.setRect(from.tracked(hit_, pressPoint_, boardPoint(event->position().toPoint())));
    update();
}

void CLandscapeLayoutView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || hit_ == CLandscapeRectTracker::HitNothing) {
        return;
    }
    const auto hit = hit_;
    hit_ = CLandscapeRectTracker::HitNothing;
    if (!selected_) {
        return;
    }
    CLandscapeRectTracker from;
    from.setRect(startRect_);
    const QRect target = from.tracked(hit, pressPoint_, boardPoint(event->position().toPoint()));
    if (!movePane(*selected_, target)) {
        tracker_.setRect(selected_->rect());
        update();
    }
}

void CLandscapeLayoutView::contextMenuEvent(QContextMenuEvent* event) {
    auto* pane = paneAt(boardPoint(event->pos()));
    if (pane != selected_) {
        selectPane(pane);
    }
    contextMenu(pane != nullptr)->popup(event->globalPos());
}

void CLandscapeLayoutView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier && selected_) {
        runCommand(1435);
        return;
    }
    QWidget::keyPressEvent(event);
}

bool CLandscapeLayoutView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == layoutView_.viewport() && event->type() == QEvent::Resize) {
        setGeometry(layoutView_.viewport()->rect());
    }
    return QWidget::eventFilter(watched, event);
}

void paintLandscapes(QPainter& painter, const QRect& area, int currentLayer) {
    auto* view = CLandscapeLayoutView::instance();
    if (!view) {
        return;
    }
    const auto* doc = model::currentDocument();
    if (currentLayer != kTerrainLayer &&
        !(doc && doc->testEnvironmentFlag(model::EnvShowTerrain))) {
        return;
    }
    view->paintPanes(painter, area);
}

} // namespace editor
