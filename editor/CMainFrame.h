#pragma once
#include <QMainWindow>
#include <QPrinter>
#include <QStringList>
#include <QTimer>

#include <map>
#include <memory>

#include "editing/UndoStore.h"
#include "editor/SystemClipboard.h"

class QDockWidget;
class QMenu;

namespace platform {
class Registry;
}

namespace editor {

class C3DItemObjectFolderWindow;
class CLandscapeLayoutView;
class CLayoutToolWindow;
class CZarnolt3DView;
class Prompter;

// The main frame: the menus and keys of the command table, the layout view, the tool windows
// and their arrangement (kept in the settings between runs), and the document commands (new,
// open, save, save as, recent files, samples, print). Every question goes through the prompter.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kDefaultWidth = 800;
    static constexpr int kDefaultHeight = 600;
    static constexpr int kMaxRecentFiles = 10;

    CMainFrame(Prompter& prompter, platform::Registry& registry, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // The action of a command id, or null.
    QAction* action(int id) const;
    const std::map<int, QAction*>& actions() const { return actions_; }
    // The menu bar's menus in order, and the tile context menu.
    QList<QMenu*> menus() const;
    QMenu* trackMenu() const { return trackMenu_; }
    // Prepares the tile menu for the selected tile, as before it is shown.
    void prepareTileMenu() { updateTileMenu(); }
    QMenu* tileSubmenu(int titleId) const {
        const auto it = tileSubmenus_.find(titleId);
        return it == tileSubmenus_.end() ? nullptr : it->second;
    }
    CZarnolt3DView& view() const { return *view_; }
    CLayoutToolWindow& layoutToolWindow() const { return *toolWindow_; }
    CLandscapeLayoutView& terrainView() const { return *terrainView_; }
    QDockWidget* toolDock(int command) const;
    // The catalogue window toggled by a command (1226 track, 1227 structures, 1228 trains).
    C3DItemObjectFolderWindow* catalogue(int command) const {
        const auto it = catalogues_.find(command);
        return it == catalogues_.end() ? nullptr : it->second;
    }

    // Asks to save a modified layout, then replaces it by a new one; false when cancelled.
    bool newLayout();
    // Asks to save a modified layout, then opens a file; false when cancelled or refused (the
    // refusal is reported through the prompter).
    bool openLayout(const QString& path);
    // Saves under the layout's name, or asks for one; false when cancelled or failed.
    bool save();
    bool saveAs();
    // Asks to save a modified layout; false when the user cancels.
    bool maybeSave();

    bool isModified() const { return modified_; }
    // True while a layout file is being read (commands and other opens wait).
    bool isLoading() const { return loading_; }
    void setModified(bool modified);
    QStringList recentFiles() const;

    // Recomputes enabling, check marks and changing texts of every command from the model,
    // the selection, the clipboard and the 3D window's presence.
    void updateCommands();
    // Runs a command as its menu item would.
    void runCommand(int id);

    // Restores the saved arrangement, or on a first run saves the one just created.
    void restoreArrangement();
    void saveArrangement();
    // Back to 800 × 600 at the screen origin with the first run's tool-window arrangement.
    void resetWindows();

    // Draws the whole board fitted onto a printer's page.
    void printLayout(QPrinter* printer);

protected:
    void closeEvent(QCloseEvent* event) override;
    // A layout file dropped on the window is opened.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildActions();
    // Connects the view's key commands and the renumber dialog.
    void installBoardEditing();
    void buildMenus();
    void buildToolWindows();
    void buildCatalogueWindows();
    // The terrain panel (command 1229) and the terrain layer view.
    void buildTerrainEditing();
    QMenu* addMenu(int titleId);
    void addCommand(QMenu* menu, int id);
    // The settings dialog and the layout-size dialog (commands 1245 and 1325).
    void runSettings();
    void runLayoutSize();
    void runEditCommand(int command);
    // Enabling, check marks and height texts of the tile menu for the selected tile.
    void updateTileMenu();
    void runTileCommand(int command);
    void layoutReplaced();
    void updateTitle();
    void addRecentFile(const QString& path);
    void rebuildRecentMenu();
    void openWithDialog(int titleId, const QString& folder);
    void toggleToolWindow(int command);
    void toggleRun();
    bool writeTo(const QString& path);

    Prompter& prompter_;
    platform::Registry& registry_;
    CZarnolt3DView* view_ = nullptr;
    CLayoutToolWindow* toolWindow_ = nullptr;
    CLandscapeLayoutView* terrainView_ = nullptr;
    std::map<int, QDockWidget*> toolDocks_;
    std::map<int, C3DItemObjectFolderWindow*> catalogues_;
    std::map<int, QAction*> actions_;
    QList<QMenu*> menus_;
    QMenu* recentMenu_ = nullptr;
    QMenu* trackMenu_ = nullptr;
    std::map<int, QMenu*> tileSubmenus_;
    QToolBar* toolBar_ = nullptr;
    editing::UndoStore undo_;
    SystemClipboard clipboard_;
    QPrinter printer_;
    bool modified_ = false;
    bool loading_ = false;
    QTimer commandTimer_;
};

} // namespace editor
