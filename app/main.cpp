// zarnolt: the layout editor.
//   zarnolt [FILE]                    opens FILE (or a new layout); a second start hands FILE
//                                     to the running program and ends
//   zarnolt --dump-ui                 prints every menu, command, key and control text as JSON
//   zarnolt --screenshot OUT.png [--layer N] [--preview NAME] [FILE]
//                                     writes a picture of the main window at its default size,
//                                     with layer N (0 … 4 track, 5 terrain) current, and with
//                                     the tip and larger picture of the catalogue cell of the
//                                     item file NAME shown, as resting the pointer does
#include <QApplication>
#include <QFileInfo>
#include <QHelpEvent>
#include <QIcon>
#include <QLocale>
#include <QPainter>
#include <QPixmap>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <utility>
#include <vector>

#include "app/ProgramSetup.h"
#include "app/QuitOnSignal.h"
#include "editor/C3DItemObjectFolderWindow.h"
#include "editor/CImageView.h"
#include "editor/CMainFrame.h"
#include "editor/CZarnolt3DView.h"
#include "editor/CataloguePreview.h"
#include "editor/EditorFonts.h"
#include "editor/Prompter.h"
#include "editor/QtTranslation.h"
#include "editor/SingleInstance.h"
#include "editor/UiDump.h"
#include "editor/UiTexts.h"
#include "model/CZarnoltDocument.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "trains/CTrackControlItemManager.h"
#include "trains/CTrainControler.h"
#ifdef ZARNOLT_WINDOW3D
#include <QSurfaceFormat>

#include "editor/COpenGLView.h"
#include "editor/OpenGLFrameWnd.h"
#endif

namespace {

struct Options {
    bool dumpUi = false;
    QString screenshot;
    QString preview;
    QString file;
    int layer = 0;
    bool bad = false;
};

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QStringLiteral("--dump-ui")) {
            options.dumpUi = true;
        } else if (arg == QStringLiteral("--screenshot")) {
            if (i + 1 >= argc) {
                options.bad = true;
                break;
            }
            options.screenshot = QString::fromLocal8Bit(argv[++i]);
        } else if (arg == QStringLiteral("--layer")) {
            bool number = false;
            options.layer = i + 1 < argc ? QString::fromLocal8Bit(argv[++i]).toInt(&number) : -1;
            options.bad = options.bad || !number || options.layer < 0 || options.layer > 5;
        } else if (arg == QStringLiteral("--preview")) {
            if (i + 1 >= argc) {
                options.bad = true;
                break;
            }
            options.preview = QString::fromLocal8Bit(argv[++i]);
        } else if (arg.startsWith(QStringLiteral("--"))) {
            options.bad = true;
        } else if (options.file.isEmpty()) {
            options.file = arg;
        } else {
            options.bad = true;
        }
    }
    options.bad = options.bad || (!options.preview.isEmpty() && options.screenshot.isEmpty());
    return options;
}

// Rests the pointer on the catalogue cell of the item file `name` and paints the windows that
// shows (its tip and its larger picture) over the main window's picture where they stand.
void paintCataloguePreview(editor::CMainFrame& frame, const QString& name, QPixmap& picture) {
    for (int command : {1228, 1226, 1227}) {
        auto* window = frame.catalogue(command);
        if (!window || window->views().empty()) {
            continue;
        }
        for (auto* cell : window->views()[0]->items()) {
            if (cell->fileName() != name) {
                continue;
            }
            QHelpEvent help(QEvent::ToolTip, QPoint(4, 4), cell->mapToGlobal(QPoint(4, 4)));
            QCoreApplication::sendEvent(cell, &help);
            QApplication::processEvents();
            // The picture grows to take in the windows that stand beyond the main window.
            std::vector<std::pair<QPoint, QPixmap>> shownWindows;
            QRect bounds(QPoint(0, 0), picture.size() / picture.devicePixelRatio());
            for (QWidget* shown : QApplication::topLevelWidgets()) {
                if (shown != &frame && shown->isVisible() &&
                    (shown == editor::CataloguePreview::current() ||
                     shown->inherits("QTipLabel"))) {
                    const QPoint at = frame.mapFromGlobal(shown->pos());
                    shownWindows.emplace_back(at, shown->grab());
                    bounds |= QRect(at, shown->size());
                }
            }
            QPixmap whole(bounds.size() * picture.devicePixelRatio());
            whole.setDevicePixelRatio(picture.devicePixelRatio());
            whole.fill(QColor(64, 64, 64));
            {
                QPainter painter(&whole);
                painter.translate(-bounds.topLeft());
                painter.drawPixmap(QPoint(0, 0), picture);
                for (const auto& [at, grabbed] : shownWindows) {
                    painter.drawPixmap(at, grabbed);
                }
            }
            picture = whole;
            return;
        }
    }
    std::cerr << "zarnolt: no catalogue cell shows " << name.toStdString() << '\n';
}

bool haveDisplay() {
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    return (display && *display) || (wayland && *wayland) || (platform && *platform);
}

// The prompter of --dump-ui and --screenshot: nobody is there to answer, so messages go to
// stderr and every question is declined, an OK / Cancel question and a picture file included.
class ConsolePrompter final : public editor::DecliningPrompter {
public:
    void inform(QWidget*, const QString& text) override {
        std::cerr << "zarnolt: " << text.toStdString() << '\n';
    }
};

// Opens a handed-over file once no other layout is being read.
void openWhenIdle(editor::CMainFrame& frame, const QString& file) {
    if (frame.isLoading()) {
        QTimer::singleShot(100, &frame, [&frame, file] { openWhenIdle(frame, file); });
        return;
    }
    frame.openLayout(file);
}

// Runs the program once the application exists; the model is emptied by the caller.
int runProgram(const Options& options, editor::SingleInstance& instance, bool headless) {
    const QString file =
        options.file.isEmpty() ? QString() : QFileInfo(options.file).absoluteFilePath();
    editor::DialogPrompter dialogs;
    ConsolePrompter console;
    editor::Prompter& prompter = headless ? static_cast<editor::Prompter&>(console) : dialogs;
    editor::CMainFrame frame(prompter, platform::Registry::instance());
#ifdef ZARNOLT_WINDOW3D
    editor::installOpenGLWindow(prompter, platform::Registry::instance(), &frame);
#endif

    if (options.dumpUi) {
        std::cout << editor::dumpUi(frame) << '\n';
        return 0;
    }
    if (!file.isEmpty() && !frame.openLayout(file) && headless) {
        return 1;
    }
    if (!options.screenshot.isEmpty()) {
        frame.resize(editor::CMainFrame::kDefaultWidth, editor::CMainFrame::kDefaultHeight);
        frame.show();
        frame.view().selectLayer(options.layer);
        QApplication::processEvents();
        QPixmap picture = frame.grab();
        if (!options.preview.isEmpty()) {
            paintCataloguePreview(frame, options.preview, picture);
        }
        if (!picture.save(options.screenshot, "PNG")) {
            std::cerr << "zarnolt: " << options.screenshot.toStdString()
                      << ": cannot write the picture\n";
            return 1;
        }
        return 0;
    }

    frame.restoreArrangement();
    frame.show();
    // Ctrl+C in a terminal and a session's SIGTERM close the window as the user would.
    const app::QuitOnSignal quitOnSignal([&frame] { frame.close(); });
    QObject::connect(&instance, &editor::SingleInstance::fileHandedOver, &frame,
                     [&frame](const QString& handed) {
                         if (frame.isMinimized()) {
                             frame.showNormal();
                         }
                         frame.raise();
                         frame.activateWindow();
                         if (!handed.isEmpty()) {
                             openWhenIdle(frame, handed);
                         }
                     });
    return QApplication::exec();
}

} // namespace

int main(int argc, char** argv) {
    const Options options = parse(argc, argv);
    if (options.bad) {
        std::cerr << "usage: zarnolt [FILE] | --dump-ui | --screenshot OUT.png [--layer N] "
                     "[--preview NAME] [FILE]\n";
        return 2;
    }
    const bool headless = options.dumpUi || !options.screenshot.isEmpty();
    if (!haveDisplay()) {
        if (!headless) {
            std::cerr << editor::uiText(editor::TextKind::Message, editor::MsgNoDisplay) << '\n';
            return 1;
        }
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }

#ifdef ZARNOLT_WINDOW3D
    // One context shares its lists and textures with every 3D view for the process's life,
    // so a view whose context Qt makes again keeps them.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QSurfaceFormat::setDefaultFormat(editor::COpenGLView::requestedFormat());
    // The shared context is made with the application: the renderer is chosen before it.
    editor::chooseSoftwareRenderer(platform::Registry::instance());
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zarnolt"));
    // No display name: on X11 Qt would append it to every window title, and the 3D window's
    // title "Zarnolt3D [OpenGL]" must stand as it is.
    QApplication::setOrganizationName(QStringLiteral("Vantreth"));
    QGuiApplication::setDesktopFileName(QStringLiteral("zarnolt"));
    QApplication::setFont(editor::uiFont());
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/zarnolt.svg")));
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    editor::loadQtTranslation(app);
    app::installProgramServices();

    editor::SingleInstance instance(editor::SingleInstance::socketName(platform::configFolder()));
    if (!headless) {
        const QString file =
            options.file.isEmpty() ? QString() : QFileInfo(options.file).absoluteFilePath();
        if (instance.handOver(file)) {
            return 0;
        }
        instance.listen();
    }

    model::getOrCreateDocument(0, 0);
    trains::getOrCreateControlItemManager();
    const int result = runProgram(options, instance, headless);

    // Exit: stop the trains and empty the model while its containers still exist.
    if (auto* controller = trains::trainController(); controller && controller->isRunning()) {
        controller->stop(true);
    }
    if (auto* manager = trains::controlItemManager()) {
        manager->stopThread();
    }
    model::releaseCreatedDocument();
    return result;
}
