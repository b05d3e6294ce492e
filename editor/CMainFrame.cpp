#include "editor/CMainFrame.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenuBar>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QProgressDialog>
#include <QScrollArea>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>

#include <algorithm>
#include <filesystem>

#include "editing/EditCommands.h"
#include "editor/AboutDialog.h"
#include "editor/C3DItemObjectFolderWindow.h"
#include "editor/CLandscapeLayoutView.h"
#include "editor/CLandscapeWindow.h"
#include "editor/CLayoutSizeWindow.h"
#include "editor/CLayoutToolWindow.h"
#include "editor/CPreferenceProretySheet.h"
#include "editor/CRenumberSwitchWindow.h"
#include "editor/CZarnolt3DView.h"
#include "editor/EditorHooks.h"
#include "editor/Prompter.h"
#include "editor/UiTexts.h"
#include "items/ItemCatalogue.h"
#include "model/CTrackItem.h"
#include "model/CZarnoltDocument.h"
#include "model/PieceSeams.h"
#include "model/TileCommands.h"
#include "model/TrackTiles.h"
#include "panels/OperatingPanels.h"
#include "panels/PanelHooks.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "trains/CTrainControler.h"
#include "trains/VehicleRegistry.h"

namespace editor {

namespace {

// Settings of the window arrangement.
constexpr const char* kVersionSection = "VERSION";
constexpr const char* kBarState = "BAR_STATE";
constexpr const char* kBarDefault = "BAR_DEFAULT";
constexpr const char* kFrameSection = "CMainFrame";
constexpr const char* kPlacement = "WINDOWPLACEMENT";
constexpr const char* kStateSection = "1CMAINFRAME_BAR_STATE";
constexpr const char* kDefaultSection = "1CMAINFRAME_BAR_DEFAULT";
constexpr const char* kStateEntry = "State";
constexpr const char* kRecentSection = "Recent File List";

constexpr int kCommandRefreshMs = 250;

QString text(TextKind kind, int id) {
    const auto t = uiText(kind, id);
    return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()));
}

QString fileFilter() {
    return text(TextKind::Message, MsgZrnFilter) + QStringLiteral(" (*.zrn *.ZRN);;") +
           text(TextKind::Message, MsgAllFilter) + QStringLiteral(" (*)");
}

QString fromPath(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

QByteArray toBytes(const std::optional<platform::Registry::Binary>& value) {
    if (!value) {
        return {};
    }
    return QByteArray(reinterpret_cast<const char*>(value->data()),
                      static_cast<qsizetype>(value->size()));
}

std::span<const std::uint8_t> bytesOf(const QByteArray& bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
            static_cast<std::size_t>(bytes.size())};
}

// A folder shipped beside the program: in the program folder (build tree), else in
// ../share/zarnolt (installed), like the data folder. The first place when neither exists.
std::filesystem::path shippedFolder(const char* name) {
    const auto beside = platform::programFolder() / name;
    const auto installed = platform::programFolder().parent_path() / "share" / "zarnolt" / name;
    if (!std::filesystem::exists(beside) && std::filesystem::exists(installed)) {
        return installed;
    }
    return beside;
}

bool selectionTopLeftHoldsTile() {
    const auto& sel = model::selection();
    if (model::selectionCount() <= 0) {
        return false;
    }
    return model::tileAt(sel.layer, model::TilePos{sel.minColumn, sel.minRow}) != nullptr;
}

bool has3DWindow() {
    const auto& hook = editorHooks().has3DWindow;
    return hook && hook();
}

// Command ids of the tool-window toggles, in the order the windows are created.
constexpr int kFirstToolToggle = 1225;
constexpr int kLastToolToggle = 1233;

} // namespace

CMainFrame::CMainFrame(Prompter& prompter, platform::Registry& registry, QWidget* parent)
    : QMainWindow(parent), prompter_(prompter), registry_(registry) {
    setObjectName(QStringLiteral("CMainFrame"));
    resize(kDefaultWidth, kDefaultHeight);
    view_ = new CZarnolt3DView(this);
    setCentralWidget(view_);
    buildActions();
    buildMenus();
    buildToolWindows();
    view_->setTrackMenu(trackMenu_);
    view_->setUndoStore(&undo_);
    statusBar()->show();
    setAcceptDrops(true);

    connect(view_, &CZarnolt3DView::modelChanged, this, [this] {
        setModified(true);
        panels::requestPanelRefresh(); // points may have come or gone
    });
    installBoardEditing();
    connect(view_, &CZarnolt3DView::selectionChanged, this, &CMainFrame::updateCommands);
    connect(view_, &CZarnolt3DView::layerChanged, this, &CMainFrame::updateCommands);
    connect(&commandTimer_, &QTimer::timeout, this, &CMainFrame::updateCommands);
    commandTimer_.start(kCommandRefreshMs);
    rebuildRecentMenu();
    updateTitle();
    updateCommands();
}

CMainFrame::~CMainFrame() {
    model::pieceHooks().openRenumberDialog = nullptr;
    editorHooks().terrainCommand = nullptr;
}

QAction* CMainFrame::action(int id) const {
    const auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

QList<QMenu*> CMainFrame::menus() const {
    return menus_;
}

QDockWidget* CMainFrame::toolDock(int command) const {
    const auto it = toolDocks_.find(command);
    return it == toolDocks_.end() ? nullptr : it->second;
}

void CMainFrame::buildActions() {
    for (const auto& entry : uiTexts()) {
        if (entry.kind != TextKind::Command) {
            continue;
        }
        auto* act = new QAction(
            QString::fromUtf8(entry.text.data(), static_cast<qsizetype>(entry.text.size())), this);
        act->setObjectName(QStringLiteral("command%1").arg(entry.id));
        act->setData(entry.id);
        if (!entry.keys.empty()) {
            QList<QKeySequence> keys;
            const QString all =
                QString::fromUtf8(entry.keys.data(), static_cast<qsizetype>(entry.keys.size()));
            for (const QString& key : all.split(QStringLiteral(", "))) {
                keys.append(QKeySequence::fromString(key, QKeySequence::PortableText));
            }
            act->setShortcuts(keys);
            act->setShortcutContext(Qt::ApplicationShortcut);
        }
        const int id = entry.id;
        connect(act, &QAction::triggered, this, [this, id] { runCommand(id); });
        actions_[id] = act;
        addAction(act);
    }
    for (int id : {1625, 1626, 1627, 1628, 1629, 1630, 59392, 59393}) {
        actions_[id]->setCheckable(true);
    }
    for (int id = 1126; id <= 1132; ++id) {
        actions_[id]->setCheckable(true);
    }
    for (int id = kFirstToolToggle; id <= kLastToolToggle; ++id) {
        actions_[id]->setCheckable(true);
    }
}

QMenu* CMainFrame::addMenu(int titleId) {
    auto* menu = menuBar()->addMenu(text(TextKind::MenuTitle, titleId));
    menu->setObjectName(QStringLiteral("menu%1").arg(titleId));
    connect(menu, &QMenu::aboutToShow, this, &CMainFrame::updateCommands);
    menus_.append(menu);
    return menu;
}

void CMainFrame::addCommand(QMenu* menu, int id) {
    if (id == 0) {
        menu->addSeparator();
    } else {
        menu->addAction(actions_.at(id));
    }
}

void CMainFrame::buildMenus() {
    auto* file = addMenu(MenuFile);
    for (int id : {57600, 57601, 57603, 57604, 0, 1245, 0, 57607, 57609, 57606, 0}) {
        addCommand(file, id);
    }
    recentMenu_ = file->addMenu(actions_.at(57616)->text());
    recentMenu_->setObjectName(QStringLiteral("recentFiles"));
    file->addSeparator();
    addCommand(file, 57665);

    auto* edit = addMenu(MenuEdit);
    for (int id : {57643, 0, 57635, 57634, 57637, 0, 1325}) {
        addCommand(edit, id);
    }
    auto* layer = addMenu(MenuLayer);
    for (int id = 1625; id <= 1630; ++id) {
        addCommand(layer, id);
    }
    auto* track = addMenu(MenuTrack);
    for (int id = 1326; id <= 1330; ++id) {
        addCommand(track, id);
    }
    auto* terrain = addMenu(MenuTerrain);
    for (int id = 1426; id <= 1430; ++id) {
        addCommand(terrain, id);
    }
    auto* viewMenu = addMenu(MenuView);
    addCommand(viewMenu, 59392);
    addCommand(viewMenu, 59393);
    auto* windows = addMenu(MenuWindows);
    for (int id = kFirstToolToggle; id <= kLastToolToggle; ++id) {
        addCommand(windows, id);
    }
    addCommand(windows, 0);
    addCommand(windows, 1235);
    auto* threeD = addMenu(Menu3D);
    for (int id = 1126; id <= 1132; ++id) {
        addCommand(threeD, id);
    }
    addCommand(threeD, 0);
    addCommand(threeD, 1525);
    auto* help = addMenu(MenuHelp);
    for (int id : {1036, 1037, 0, 57664}) {
        addCommand(help, id);
    }

    // The tile context menu "トラック": the edit commands, the point number, and the station,
    // reversing, height and pier submenus at positions n − 6, n − 5, n − 3 and n − 1.
    trackMenu_ = new QMenu(text(TextKind::MenuTitle, MenuTrack), this);
    trackMenu_->setObjectName(QStringLiteral("trackContextMenu"));
    for (int id : {1326, 1327, 1328, 1329, 1330, 0, 1331, 1332, 1333, 1334, 0, 1345, 0}) {
        addCommand(trackMenu_, id);
    }
    auto addSubmenu = [this](int titleId, int first, int last) {
        auto* sub = trackMenu_->addMenu(text(TextKind::MenuTitle, titleId));
        sub->setObjectName(QStringLiteral("menu%1").arg(titleId));
        for (int id = first; id <= last; ++id) {
            actions_.at(id)->setCheckable(true);
            sub->addAction(actions_.at(id));
        }
        tileSubmenus_[titleId] = sub;
    };
    addSubmenu(MenuStationStop, model::CmdStationStopFirst, model::CmdStationStopLast);
    addSubmenu(MenuReversingWait, model::CmdReversingWaitFirst, model::CmdReversingWaitLast);
    trackMenu_->addSeparator();
    addSubmenu(MenuHeight, model::CmdHeightFirst, model::CmdHeightLast);
    trackMenu_->addSeparator();
    addSubmenu(MenuPier, model::CmdPierNone, model::CmdPierLast);
    connect(trackMenu_, &QMenu::aboutToShow, this, &CMainFrame::updateTileMenu);

    // The toolbar has no buttons of its own; its menu toggle shows and hides it.
    toolBar_ = addToolBar(QStringLiteral("toolbar"));
    toolBar_->setObjectName(QStringLiteral("toolbar"));
    toolBar_->hide();
}

void CMainFrame::buildToolWindows() {
    toolWindow_ = new CLayoutToolWindow(*view_, this);
    auto* dock = new QDockWidget(text(TextKind::String, StrLayoutToolTitle), this);
    dock->setObjectName(QStringLiteral("bar1"));
    dock->setWidget(toolWindow_);
    dock->setAllowedAreas(Qt::AllDockWidgetAreas);
    addDockWidget(Qt::TopDockWidgetArea, dock);
    toolDocks_[kFirstToolToggle] = dock;
    connect(toolWindow_, &CLayoutToolWindow::terrainDisplayChanged, this,
            [this] { setModified(true); });
    buildTerrainEditing();
    for (const auto& [command, panel] : panels::createOperatingPanels(*this, [this] {
             updateCommands();
             action(1525)->trigger();
         })) {
        toolDocks_[command] = panel;
    }
    buildCatalogueWindows();
    // Two columns on the right: the terrain, run and light panels, and the three catalogues
    // stacked at the right edge, so each window keeps a usable height in an 800 × 600 frame.
    addDockWidget(Qt::RightDockWidgetArea, toolDocks_[1228], Qt::Horizontal);
    splitDockWidget(toolDocks_[1228], toolDocks_[1226], Qt::Vertical);
    splitDockWidget(toolDocks_[1226], toolDocks_[1227], Qt::Vertical);
}

void CMainFrame::buildTerrainEditing() {
    // The terrain panel (bar 2), docked on the right above the operating panels, and the
    // terrain layer over the layout view; the terrain commands reach the terrain view.
    auto* panel = new CLandscapeWindow(prompter_, this);
    auto* dock = new QDockWidget(panel->windowTitle(), this);
    dock->setObjectName(QStringLiteral("bar2"));
    // Scrolled when the dock area is short, so the docked windows still fit an 800 × 600 frame.
    auto* scroller = new QScrollArea(dock);
    scroller->setWidgetResizable(true);
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setMinimumHeight(1);
    scroller->setWidget(panel);
    dock->setWidget(scroller);
    dock->setAllowedAreas(Qt::AllDockWidgetAreas);
    addDockWidget(Qt::RightDockWidgetArea, dock);
    toolDocks_[1229] = dock;
    terrainView_ = new CLandscapeLayoutView(*view_, prompter_, undo_, clipboard_);
    connect(terrainView_, &CLandscapeLayoutView::modelChanged, this, [this] { setModified(true); });
    connect(terrainView_, &CLandscapeLayoutView::selectionChanged, this,
            &CMainFrame::updateCommands);
    editorHooks().terrainCommand = [this](int id) {
        if (!loading_) {
            terrainView_->runCommand(id);
        }
    };
}

void CMainFrame::buildCatalogueWindows() {
    // The trains, track and structure catalogues, created in that order (bars 7, 8 and 9),
    // docked on the right one below the other.
    const auto data = platform::dataFolder();
    const std::filesystem::path items =
        data ? *data / items::kItemFolderName : std::filesystem::path();
    const std::pair<int, const char*> catalogues[] = {
        {1228, "列車、客車、貨車"}, {1226, "線路"}, {1227, "ストラクチャ"}};
    int bar = 7;
    for (const auto& [command, folder] : catalogues) {
        auto* window = new C3DItemObjectFolderWindow(this);
        window->createFromFolder(items.empty() ? items : items / std::filesystem::u8path(folder));
        window->afterDrag = [this] { view_->setFocus(); };
        window->setDocked(true);
        auto* dock = new QDockWidget(window->windowTitle(), this);
        dock->setObjectName(QStringLiteral("bar%1").arg(bar++));
        dock->setWidget(window);
        dock->setAllowedAreas(Qt::AllDockWidgetAreas);
        addDockWidget(Qt::RightDockWidgetArea, dock, Qt::Vertical);
        connect(dock, &QDockWidget::topLevelChanged, window,
                [window](bool floating) { window->setDocked(!floating); });
        toolDocks_[command] = dock;
        catalogues_[command] = window;
    }
}

void CMainFrame::setModified(bool modified) {
    modified_ = modified;
    setWindowModified(modified);
    updateCommands();
}

void CMainFrame::updateTitle() {
    const auto* doc = model::currentDocument();
    QString name = doc && !doc->getTitle().empty() ? QString::fromStdString(doc->getTitle())
                                                   : text(TextKind::Message, MsgUntitled);
    setWindowTitle(
        name + QStringLiteral("[*] - ") +
        QString::fromLatin1(kProgramTitle.data(), static_cast<qsizetype>(kProgramTitle.size())));
    setWindowModified(modified_);
}

void CMainFrame::updateCommands() {
    const bool threeD = has3DWindow();
    const bool terrain = view_->terrainLayerCurrent();
    const bool tileAtTopLeft = !terrain && selectionTopLeftHoldsTile();
    const bool anySelection = !terrain && model::selectionCount() > 0;
    const bool trackOnClipboard = clipboard_.offers(editing::kTrackItemFormat) ||
                                  clipboard_.offers(editing::kTrackTypeItemFormat);

    actions_[1245]->setEnabled(!threeD);
    actions_[1325]->setEnabled(!threeD);
    for (int id = 1326; id <= 1333; ++id) {
        actions_[id]->setEnabled(tileAtTopLeft);
    }
    actions_[1334]->setEnabled(anySelection && trackOnClipboard);
    actions_[1335]->setEnabled(!undo_.empty());
    // Edit menu: on the terrain layer these act on the selected landscape item.
    const bool landscape = terrainView_ && terrainView_->selectedPane() != nullptr;
    actions_[57634]->setEnabled(terrain ? landscape : anySelection);
    actions_[57635]->setEnabled(terrain ? landscape : anySelection);
    actions_[57637]->setEnabled(terrain
                                    ? !landscape && clipboard_.offers(editing::kTerrainItemFormat)
                                    : anySelection && trackOnClipboard);
    actions_[57643]->setEnabled(!undo_.empty());
    for (int id = 1625; id <= 1630; ++id) {
        actions_[id]->setChecked(view_->currentLayer() == id - 1625);
    }
    // Terrain: import and generate always; the others need a selected landscape item.
    for (int id = 1426; id <= 1439; ++id) {
        if (auto* act = action(id)) {
            act->setEnabled(id == 1439
                                ? !landscape && clipboard_.offers(editing::kTerrainItemFormat)
                                : terrainView_ && terrainView_->commandEnabled(id));
        }
    }

    auto* controller = trains::trainController();
    const bool running = controller && controller->isRunning();
    actions_[1525]->setText(text(TextKind::String, running ? StrStop : StrRun));
    actions_[1525]->setEnabled(controller && controller->vehicleCount() > 0);

    const bool camera = trains::cameraTrain() != nullptr;
    const int mode = threeD && editorHooks().cameraMode ? editorHooks().cameraMode() : -1;
    // Command ids of the camera modes 0 … 6.
    constexpr int kModeCommand[] = {1126, 1127, 1129, 1128, 1130, 1131, 1132};
    for (int m = 0; m < 7; ++m) {
        const int id = kModeCommand[m];
        actions_[id]->setEnabled(id == 1126 || id == 1131 || camera);
        actions_[id]->setChecked(mode == m);
    }

    for (int id = kFirstToolToggle; id <= kLastToolToggle; ++id) {
        auto* dock = toolDock(id);
        actions_[id]->setEnabled(dock != nullptr);
        actions_[id]->setChecked(dock && dock->isVisible());
    }
    actions_[1235]->setEnabled(true);
    actions_[59392]->setChecked(toolBar_->isVisible());
    actions_[59393]->setChecked(statusBar()->isVisible());
    actions_[57616]->setEnabled(!recentFiles().isEmpty());
    recentMenu_->setEnabled(!recentFiles().isEmpty());
}

void CMainFrame::updateTileMenu() {
    updateCommands();
    const auto& sel = model::selection();
    const model::CTrackItem* tile =
        model::selectionCount() > 0
            ? model::tileAt(sel.layer, model::TilePos{sel.minColumn, sel.minRow})
            : nullptr;
    const auto* station = tile ? tile->stationItem() : nullptr;
    const auto* reversing = tile ? tile->reversingItem() : nullptr;
    const bool elevated = tile && tile->getLayer() > 0;
    actions_[model::CmdPointNumber]->setEnabled(tile && tile->pointItem());

    tileSubmenus_[MenuStationStop]->setEnabled(station != nullptr);
    const int stop = station ? model::stationStopIndex(station->getValue()) : -1;
    for (int id = model::CmdStationStopFirst; id <= model::CmdStationStopLast; ++id) {
        actions_[id]->setEnabled(station != nullptr);
        actions_[id]->setChecked(id - model::CmdStationStopFirst == stop);
    }
    tileSubmenus_[MenuReversingWait]->setEnabled(reversing != nullptr);
    const int wait = reversing ? model::reversingWaitIndex(reversing->getValue()) : -1;
    for (int id = model::CmdReversingWaitFirst; id <= model::CmdReversingWaitLast; ++id) {
        actions_[id]->setEnabled(reversing != nullptr);
        actions_[id]->setChecked(id - model::CmdReversingWaitFirst == wait);
    }
    tileSubmenus_[MenuHeight]->setEnabled(elevated);
    for (int id = model::CmdHeightFirst; id <= model::CmdHeightLast; ++id) {
        const int offset = id - model::CmdHeightFirst;
        actions_[id]->setEnabled(elevated);
        actions_[id]->setChecked(tile && tile->getElevationOffset() == offset);
        actions_[id]->setText(
            elevated ? QString::fromStdString(model::heightText(tile->getLayer(), offset))
                     : text(TextKind::Command, id));
    }
    tileSubmenus_[MenuPier]->setEnabled(elevated);
    for (int id = model::CmdPierNone; id <= model::CmdPierLast; ++id) {
        actions_[id]->setEnabled(elevated);
        actions_[id]->setChecked(tile && tile->pierType() == id - model::CmdPierNone);
    }
}

void CMainFrame::runCommand(int id) {
    if (loading_) {
        return;
    }
    if (id >= model::CmdPointNumber && id <= model::CmdPierLast) {
        if (model::runSelectedTileCommand(id)) {
            if (id != model::CmdPointNumber) {
                setModified(true);
            }
            view_->boardChanged();
        }
        updateCommands();
        return;
    }
    switch (id) {
    case 57600:
        newLayout();
        break;
    case 57601:
        openWithDialog(MsgOpenTitle, QFileInfo(QString::fromStdString(
                                                   model::currentDocument()
                                                       ? model::currentDocument()->getPathName()
                                                       : std::string{}))
                                         .absolutePath());
        break;
    case 57603:
        save();
        break;
    case 57604:
        saveAs();
        break;
    case 57607: {
        QPrintDialog dialog(&printer_, this);
        if (prompter_.runDialog(dialog)) {
            printLayout(&printer_);
        }
        break;
    }
    case 57609: {
        QPrintPreviewDialog dialog(&printer_, this);
        connect(&dialog, &QPrintPreviewDialog::paintRequested, this, &CMainFrame::printLayout);
        prompter_.runDialog(dialog);
        break;
    }
    case 57606: {
        QPageSetupDialog dialog(&printer_, this);
        prompter_.runDialog(dialog);
        break;
    }
    case 57665:
        close();
        break;
    case 1245:
        runSettings();
        break;
    case 1325:
        runLayoutSize();
        break;
    case 57643:
        runEditCommand(editing::CmdUndo);
        break;
    case 57635:
        runEditCommand(editing::CmdCut);
        break;
    case 57634:
        runEditCommand(editing::CmdCopy);
        break;
    case 57637:
        runEditCommand(editing::CmdPaste);
        break;
    case 1625:
    case 1626:
    case 1627:
    case 1628:
    case 1629:
    case 1630:
        view_->selectLayer(id - 1625);
        break;
    case 1326:
    case 1327:
    case 1328:
    case 1329:
    case 1330:
    case 1331:
    case 1332:
    case 1333:
    case 1334:
    case 1335:
        runTileCommand(id);
        break;
    case 1426:
    case 1427:
    case 1428:
    case 1429:
    case 1430:
    case 1435:
    case 1436:
    case 1437:
    case 1438:
    case 1439:
        if (editorHooks().terrainCommand) {
            editorHooks().terrainCommand(id);
        }
        break;
    case 1126:
    case 1127:
    case 1128:
    case 1129:
    case 1130:
    case 1131:
    case 1132:
        if (editorHooks().open3DWindow) {
            editorHooks().open3DWindow(id);
        }
        break;
    case 1525:
        toggleRun();
        break;
    case 1235:
        resetWindows();
        break;
    case 59392:
        toolBar_->setVisible(!toolBar_->isVisible());
        break;
    case 59393:
        statusBar()->setVisible(!statusBar()->isVisible());
        break;
    case 1036: {
        const auto manual = shippedFolder("マニュアル") / "index.html";
        if (!std::filesystem::exists(manual)) {
            prompter_.inform(this, text(TextKind::Message, MsgManualMissing).arg(fromPath(manual)));
        } else {
            QDesktopServices::openUrl(QUrl::fromLocalFile(fromPath(manual)));
        }
        break;
    }
    case 1037:
        openWithDialog(MsgSampleTitle, fromPath(shippedFolder("サンプル")));
        break;
    case 57664: {
        AboutDialog about(this);
        prompter_.runDialog(about);
        break;
    }
    default:
        if (id >= kFirstToolToggle && id <= kLastToolToggle) {
            toggleToolWindow(id);
        }
        break;
    }
    updateCommands();
}

void CMainFrame::runSettings() {
    auto* doc = model::currentDocument();
    if (has3DWindow()) {
        return;
    }
    const auto current = doc ? doc->getPreferences() : model::PreferenceData::defaults();
    CPreferenceProretySheet sheet(prompter_, current, has3DWindow(), this);
    if (prompter_.runDialog(sheet) && doc) {
        doc->setPreferences(sheet.result(doc->getPreferences()));
        update();
    }
}

void CMainFrame::runLayoutSize() {
    if (has3DWindow()) {
        return;
    }
    CLayoutSizeWindow dialog(prompter_, this);
    prompter_.runDialog(dialog);
    if (dialog.resized()) {
        setModified(true);
        view_->boardChanged();
        updateCommands();
    }
}

void CMainFrame::runEditCommand(int command) {
    if (view_->terrainLayerCurrent()) {
        if (editorHooks().terrainCommand) {
            // Copy, cut, paste and undo on the terrain layer: 1438, 1437, 1439, 1440.
            const int terrain = command == editing::CmdCopy    ? 1438
                                : command == editing::CmdCut   ? 1437
                                : command == editing::CmdPaste ? 1439
                                                               : 1440;
            editorHooks().terrainCommand(terrain);
        }
        return;
    }
    runTileCommand(command);
}

void CMainFrame::runTileCommand(int command) {
    if (model::selectionCount() <= 0) {
        return;
    }
    if (editing::runEditCommand(command, undo_, clipboard_)) {
        if (command != editing::CmdCopy) {
            setModified(true);
        }
        view_->boardChanged();
    }
}

void CMainFrame::toggleRun() {
    auto* controller = trains::trainController();
    if (!controller || controller->vehicleCount() == 0) {
        return;
    }
    if (controller->isRunning()) {
        controller->stop(false);
    } else {
        model::clearSelection();
        view_->viewport()->update();
        const auto* doc = model::currentDocument();
        if (editorHooks().open3DWindow &&
            !(doc && doc->testPreferenceFlag(model::PrefNo3DViewOnRun))) {
            editorHooks().open3DWindow(1126);
        }
        controller->start();
    }
}

void CMainFrame::toggleToolWindow(int command) {
    if (auto* dock = toolDock(command)) {
        dock->setVisible(!dock->isVisible());
    }
}

bool CMainFrame::maybeSave() {
    if (!modified_) {
        return true;
    }
    const auto* doc = model::currentDocument();
    const QString name = doc && !doc->getTitle().empty() ? QString::fromStdString(doc->getTitle())
                                                         : text(TextKind::Message, MsgUntitled);
    switch (prompter_.askSave(this, text(TextKind::Message, MsgSaveChanges).arg(name))) {
    case Prompter::SaveAnswer::Save:
        return save();
    case Prompter::SaveAnswer::Discard:
        return true;
    case Prompter::SaveAnswer::Cancel:
        return false;
    }
    return false;
}

void CMainFrame::layoutReplaced() {
    undo_.clear();
    model::clearSelection();
    modified_ = false;
    view_->scrollTo(QPoint(0, 0));
    view_->boardChanged();
    toolWindow_->refresh();
    terrainView_->selectPane(nullptr);
    panels::documentReplaced();
    updateTitle();
    updateCommands();
}

bool CMainFrame::newLayout() {
    if (loading_ || !maybeSave()) {
        return false;
    }
    if (auto* controller = trains::trainController(); controller && controller->isRunning()) {
        controller->stop(true);
    }
    model::getOrCreateDocument(0, 0)->newLayout(0, 0);
    layoutReplaced();
    return true;
}

bool CMainFrame::openLayout(const QString& path) {
    if (loading_ || !maybeSave()) {
        return false;
    }
    if (auto* controller = trains::trainController(); controller && controller->isRunning()) {
        controller->stop(true);
    }
    const QString absolute = QFileInfo(path).absoluteFilePath();
    auto* doc = model::getOrCreateDocument(0, 0);
    QProgressDialog progress(text(TextKind::Message, MsgLoading).arg(QFileInfo(path).fileName()),
                             QString(), 0, 1000, this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    progress.setAutoClose(true);
    // The progress dialog lets events run between chunks: nothing may look at or change the
    // half-read model meanwhile.
    loading_ = true;
    view_->setLoading(true);
    const bool read =
        doc->readFile(absolute.toStdString(),
                      [&progress](std::int64_t done, std::int64_t total, std::string_view) {
                          if (total > 0) {
                              progress.setValue(static_cast<int>(
                                  std::clamp<std::int64_t>(done * 1000 / total, 0, 1000)));
                          }
                      });
    progress.reset();
    view_->setLoading(false);
    loading_ = false;
    if (!read) {
        prompter_.inform(this, text(TextKind::Message, MsgCannotOpen).arg(absolute));
        view_->boardChanged();
        return false;
    }
    addRecentFile(absolute);
    layoutReplaced();
    return true;
}

bool CMainFrame::writeTo(const QString& path) {
    auto* doc = model::currentDocument();
    if (!doc || !doc->writeFile(path.toStdString())) {
        prompter_.inform(this, text(TextKind::Message, MsgCannotSave).arg(path));
        return false;
    }
    addRecentFile(path);
    modified_ = false;
    updateTitle();
    return true;
}

bool CMainFrame::save() {
    const auto* doc = model::currentDocument();
    if (!doc || doc->getPathName().empty()) {
        return saveAs();
    }
    return writeTo(QString::fromStdString(doc->getPathName()));
}

bool CMainFrame::saveAs() {
    const auto* doc = model::currentDocument();
    QString suggestion = doc && !doc->getPathName().empty()
                             ? QString::fromStdString(doc->getPathName())
                             : text(TextKind::Message, MsgUntitled) + QStringLiteral(".zrn");
    const auto chosen =
        prompter_.saveFile(this, text(TextKind::Message, MsgSaveTitle), suggestion, fileFilter());
    if (!chosen) {
        return false;
    }
    return writeTo(QFileInfo(*chosen).absoluteFilePath());
}

void CMainFrame::openWithDialog(int titleId, const QString& folder) {
    const auto chosen =
        prompter_.openFile(this, text(TextKind::Message, titleId), folder, fileFilter());
    if (chosen) {
        openLayout(*chosen);
    }
}

QStringList CMainFrame::recentFiles() const {
    QStringList files;
    for (int i = 1; i <= kMaxRecentFiles; ++i) {
        const QByteArray bytes =
            toBytes(registry_.getBinary(kRecentSection, "File" + std::to_string(i)));
        if (!bytes.isEmpty()) {
            files.append(QString::fromUtf8(bytes));
        }
    }
    return files;
}

void CMainFrame::addRecentFile(const QString& path) {
    QStringList files = recentFiles();
    files.removeAll(path);
    files.prepend(path);
    while (files.size() > kMaxRecentFiles) {
        files.removeLast();
    }
    for (int i = 0; i < kMaxRecentFiles; ++i) {
        const std::string entry = "File" + std::to_string(i + 1);
        if (i < files.size()) {
            registry_.setBinary(kRecentSection, entry, bytesOf(files[i].toUtf8()));
        } else {
            registry_.remove(kRecentSection, entry);
        }
    }
    rebuildRecentMenu();
}

void CMainFrame::rebuildRecentMenu() {
    recentMenu_->clear();
    const QStringList files = recentFiles();
    for (int i = 0; i < files.size(); ++i) {
        const QString path = files[i];
        auto* act = recentMenu_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(path));
        connect(act, &QAction::triggered, this, [this, path] { openLayout(path); });
    }
}

void CMainFrame::restoreArrangement() {
    if (registry_.getInt(kVersionSection, kBarState, 0) == 1) {
        if (registry_.getInt(kVersionSection, kBarDefault, 0) != 1) {
            registry_.setBinary(kDefaultSection, kStateEntry, bytesOf(saveState()));
            registry_.setInt(kVersionSection, kBarDefault, 1);
        }
        const QByteArray state = toBytes(registry_.getBinary(kStateSection, kStateEntry));
        if (!state.isEmpty()) {
            restoreState(state);
        }
        const QByteArray placement = toBytes(registry_.getBinary(kFrameSection, kPlacement));
        if (!placement.isEmpty()) {
            // Wayland compositors place windows themselves; only the size is kept there.
            restoreGeometry(placement);
        }
        return;
    }
    move(0, 0);
    resize(kDefaultWidth, kDefaultHeight);
    registry_.setBinary(kFrameSection, kPlacement, bytesOf(saveGeometry()));
    registry_.setBinary(kDefaultSection, kStateEntry, bytesOf(saveState()));
    registry_.setInt(kVersionSection, kBarDefault, 1);
    registry_.setBinary(kStateSection, kStateEntry, bytesOf(saveState()));
}

void CMainFrame::saveArrangement() {
    registry_.setBinary(kFrameSection, kPlacement, bytesOf(saveGeometry()));
    registry_.setBinary(kStateSection, kStateEntry, bytesOf(saveState()));
    registry_.setInt(kVersionSection, kBarState, 1);
}

void CMainFrame::resetWindows() {
    if (isMaximized() || isFullScreen()) {
        showNormal();
    }
    move(0, 0);
    resize(kDefaultWidth, kDefaultHeight);
    if (registry_.getInt(kVersionSection, kBarDefault, 0) == 1) {
        const QByteArray state = toBytes(registry_.getBinary(kDefaultSection, kStateEntry));
        if (!state.isEmpty()) {
            restoreState(state);
        }
    }
}

void CMainFrame::printLayout(QPrinter* printer) {
    const auto* doc = model::currentDocument();
    if (!doc) {
        return;
    }
    QPainter painter(printer);
    const QRect page = painter.viewport();
    const QRect board(0, 0, kTilePixels * doc->getColumns() + 1, kTilePixels * doc->getRows() + 1);
    const double scale = std::min(static_cast<double>(page.width()) / board.width(),
                                  static_cast<double>(page.height()) / board.height());
    painter.scale(scale, scale);
    view_->paintBoard(painter, board);
}

namespace {
// The first local file of a drop, or empty.
QString droppedFile(const QMimeData* data) {
    if (!data || !data->hasUrls()) {
        return {};
    }
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            return url.toLocalFile();
        }
    }
    return {};
}
} // namespace

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedFile(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QString file = droppedFile(event->mimeData());
    if (file.isEmpty()) {
        return;
    }
    event->acceptProposedAction();
    // Opened after the drop returns, so that a question (save changes?) does not run inside
    // the drag of another program.
    QTimer::singleShot(0, this, [this, file] { openLayout(file); });
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!maybeSave()) {
        event->ignore();
        return;
    }
    if (auto* controller = trains::trainController(); controller && controller->isRunning()) {
        controller->stop(true);
    }
    saveArrangement();
    event->accept();
}

} // namespace editor

// Board editing: the commands the view asks for from its keys, and the renumber dialog that
// the point-number command opens.
namespace editor {

void CMainFrame::installBoardEditing() {
    connect(view_, &CZarnolt3DView::commandRequested, this, &CMainFrame::runCommand);
    model::pieceHooks().openRenumberDialog = [this](model::CTrackItem& tile) {
        CRenumberSwitchWindow dialog(tile, prompter_, this);
        if (prompter_.runDialog(dialog)) {
            setModified(true);
            view_->boardChanged();
        }
    };
}

} // namespace editor
