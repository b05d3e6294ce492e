#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QKeySequence>
#include <QLocalServer>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <nlohmann/json.hpp>

#include <filesystem>

#include "editor/SingleInstance.h"
#include "editor/UiTexts.h"
#include "platform/Registry.h"
#include "support/TempFolder.h"

namespace editortest {
namespace {

const QString kProgram = QStringLiteral(ZARNOLT_BUILD_DIR "/bin/zarnolt");
const std::filesystem::path kSamples =
    std::filesystem::path(ZARNOLT_BUILD_DIR) / "bin" / "サンプル";

// Runs the program with its own settings folder; returns the exit code.
struct ProgramRun {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

QProcessEnvironment programEnvironment(const std::filesystem::path& config) {
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ZARNOLT_CONFIG_DIR"), QString::fromStdString(config.string()));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

ProgramRun run(const QStringList& args, const QProcessEnvironment& env) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(kProgram, args);
    ProgramRun result;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

TEST(ProgramTest, DumpUiShowsEveryCommandWithItsTextAndKey) {
    testsupport::TempFolder config;
    const ProgramRun r = run({QStringLiteral("--dump-ui")}, programEnvironment(config.path()));
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const auto json = nlohmann::json::parse(r.out.toStdString());
    for (const auto& entry : editor::uiTexts()) {
        if (entry.kind != editor::TextKind::Command) {
            continue;
        }
        SCOPED_TRACE(entry.id);
        bool found = false;
        for (const auto& c : json.at("commands")) {
            if (c.at("id") == entry.id) {
                found = true;
                EXPECT_EQ(c.at("text").get<std::string>(), std::string(entry.text));
                const QString expected =
                    QKeySequence::fromString(
                        QString::fromUtf8(entry.keys.data(), entry.keys.size()),
                        QKeySequence::PortableText)
                        .toString(QKeySequence::PortableText);
                EXPECT_EQ(c.at("key").get<std::string>(), expected.toStdString());
            }
        }
        EXPECT_TRUE(found);
    }
    bool terrainBox = false;
    for (const auto& c : json.at("controls")) {
        if (c.at("id") == editor::CtlShowTerrain) {
            terrainBox = c.at("text") == "地形表示";
        }
    }
    EXPECT_TRUE(terrainBox);
}

TEST(ProgramTest, ScreenshotOfEverySampleShowsARailwayBoard) {
    ASSERT_TRUE(std::filesystem::is_directory(kSamples));
    int samples = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kSamples)) {
        if (entry.path().extension() != ".zrn") {
            continue;
        }
        ++samples;
        SCOPED_TRACE(entry.path().string());
        testsupport::TempFolder config;
        const QString out = QString::fromStdString((config.path() / "shot.png").string());
        const ProgramRun r = run(
            {QStringLiteral("--screenshot"), out, QString::fromStdString(entry.path().string())},
            programEnvironment(config.path()));
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        QImage shot(out);
        ASSERT_FALSE(shot.isNull());
        EXPECT_EQ(shot.size(), QSize(800, 600));
        // The board area holds tile pictures: many pixels that are neither white nor grid grey.
        int coloured = 0;
        for (int y = 100; y < 560; y += 2) {
            for (int x = 0; x < 780; x += 2) {
                const QRgb c = shot.pixel(x, y);
                if (c != qRgb(255, 255, 255) && c != qRgb(128, 128, 128) &&
                    !(qRed(c) == qGreen(c) && qBlue(c) == 255)) {
                    ++coloured;
                }
            }
        }
        EXPECT_GT(coloured, 2000);
    }
    EXPECT_GE(samples, 1);
}

// The same picture through a real X server (the xcb platform, as on a desktop).
TEST(ProgramTest, ScreenshotUnderAnXServerShowsJapaneseMenusAndTheBoard) {
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
    if (xvfb.isEmpty()) {
        GTEST_SKIP() << "xvfb-run is not installed";
    }
    testsupport::TempFolder config;
    auto env = programEnvironment(config.path());
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    const QString out = QString::fromStdString((config.path() / "x.png").string());
    QString sample;
    for (const auto& entry : std::filesystem::directory_iterator(kSamples)) {
        if (entry.path().extension() == ".zrn") {
            sample = QString::fromStdString(entry.path().string());
            break;
        }
    }
    ASSERT_FALSE(sample.isEmpty());
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(xvfb,
                  {QStringLiteral("-a"), kProgram, QStringLiteral("--screenshot"), out, sample});
    ASSERT_TRUE(process.waitForFinished(120000));
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    const QImage shot(out);
    ASSERT_EQ(shot.size(), QSize(800, 600));
    // The menu bar holds dark glyph pixels.
    int dark = 0;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 400; ++x) {
            dark += qGray(shot.pixel(x, y)) < 96 ? 1 : 0;
        }
    }
    EXPECT_GT(dark, 100);
}

// At a device pixel ratio of 2 the grid lines are two device pixels wide and unblended.
TEST(ProgramTest, GridIsCrispAtDevicePixelRatioTwo) {
    testsupport::TempFolder config;
    auto env = programEnvironment(config.path());
    env.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
    const QString out = QString::fromStdString((config.path() / "dpr2.png").string());
    const ProgramRun r = run({QStringLiteral("--screenshot"), out}, env);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QImage shot(out);
    ASSERT_EQ(shot.size(), QSize(1600, 1200));
    // A row through the first tile row of the (empty) board, well below the tool window, and
    // left of the panels docked on the right.
    const int y = 2 * 110;
    const int right = 2 * 360;
    const QRgb grey = qRgb(128, 128, 128);
    int runs = 0;
    for (int x = 0; x < right;) {
        if (shot.pixel(x, y) != grey) {
            const QRgb c = shot.pixel(x, y);
            // Nothing between grid grey and white: no blended line edges.
            EXPECT_TRUE(c == qRgb(255, 255, 255) || qGray(c) < 100) << x;
            ++x;
            continue;
        }
        int width = 0;
        while (x < right && shot.pixel(x, y) == grey) {
            ++width;
            ++x;
        }
        EXPECT_EQ(width, 2) << x;
        ++runs;
    }
    EXPECT_GE(runs, 8);
}

TEST(ProgramTest, ScreenshotOfAMissingFileFails) {
    testsupport::TempFolder config;
    const ProgramRun r = run({QStringLiteral("--screenshot"),
                              QString::fromStdString((config.path() / "x.png").string()),
                              QString::fromStdString((config.path() / "none.zrn").string())},
                             programEnvironment(config.path()));
    EXPECT_EQ(r.code, 1);
    EXPECT_FALSE(std::filesystem::exists(config.path() / "x.png"));
}

TEST(ProgramTest, WithoutADisplayItSaysSoAndPointsToTheCommandLineTool) {
    testsupport::TempFolder config;
    auto env = programEnvironment(config.path());
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        env.remove(QString::fromLatin1(name));
    }
    const ProgramRun r = run({}, env);
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("zarnolt-cli"));
    EXPECT_EQ(r.err.count('\n'), 1);
}

TEST(ProgramTest, SecondStartHandsItsFileToTheFirst) {
    testsupport::TempFolder config;
    const auto layout = config.path() / "handed.zrn";
    {
        QProcess cli;
        cli.start(QStringLiteral(ZARNOLT_BUILD_DIR "/bin/zarnolt-cli"),
                  {QStringLiteral("new"), QString::fromStdString(layout.string()),
                   QStringLiteral("--columns"), QStringLiteral("7"), QStringLiteral("--rows"),
                   QStringLiteral("6")});
        cli.setProcessEnvironment(programEnvironment(config.path()));
        ASSERT_TRUE(cli.waitForFinished(60000));
        ASSERT_EQ(cli.exitCode(), 0);
    }
    const auto env = programEnvironment(config.path());
    QProcess first;
    first.setProcessEnvironment(env);
    first.start(kProgram, {});
    ASSERT_TRUE(first.waitForStarted());

    // Wait until the first instance listens; a second start with no file only raises it.
    const QString name = editor::SingleInstance::socketName(config.path());
    editor::SingleInstance probe(name);
    bool listening = false;
    for (int i = 0; i < 300 && !listening; ++i) {
        listening = probe.handOver(QString(), 200);
        if (!listening) {
            QThread::msleep(100);
        }
    }
    ASSERT_TRUE(listening);

    const ProgramRun second = run({QString::fromStdString(layout.string())}, env);
    EXPECT_EQ(second.code, 0);

    // The first instance opened the file: it is now its most recent file.
    std::string recent;
    for (int i = 0; i < 300 && recent.empty(); ++i) {
        first.waitForFinished(100);
        const platform::Registry settings(config.path() / "registry.json");
        if (const auto value = settings.getBinary("Recent File List", "File1")) {
            recent.assign(value->begin(), value->end());
        }
    }
    // SIGTERM closes the window as the user would: the program ends normally, keeps its
    // arrangement and removes its socket.
    first.terminate();
    EXPECT_TRUE(first.waitForFinished(30000));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);
    EXPECT_FALSE(QFile::exists(QDir::tempPath() + QLatin1Char('/') + name));
    EXPECT_EQ(platform::Registry(config.path() / "registry.json").getInt("VERSION", "BAR_STATE", 0),
              1);
    if (first.state() != QProcess::NotRunning) {
        first.kill();
        first.waitForFinished();
    }
    QLocalServer::removeServer(name);

    EXPECT_EQ(recent, layout.string());
}

TEST(ProgramTest, StaleSocketIsReplaced) {
    testsupport::TempFolder config;
    const QString name = editor::SingleInstance::socketName(config.path());
    const QString socketFile = QDir::tempPath() + QLatin1Char('/') + name;
    {
        QFile stale(socketFile);
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    }
    editor::SingleInstance instance(name);
    EXPECT_FALSE(instance.handOver(QStringLiteral("/x.zrn"), 200));
    EXPECT_TRUE(instance.listen());
    QFile::remove(socketFile);
}

TEST(ProgramTest, SocketNamesDifferBySettingsFolder) {
    EXPECT_NE(editor::SingleInstance::socketName("/a"), editor::SingleInstance::socketName("/b"));
    EXPECT_TRUE(editor::SingleInstance::socketName("/a").startsWith(
        QString::fromLatin1(editor::SingleInstance::kMarker)));
}

} // namespace
} // namespace editortest
