#pragma once
#include <QObject>
#include <QString>

#include <filesystem>

class QLocalServer;

namespace editor {

// One running program per user and settings folder. The first start listens on a local
// socket; a later start connects, hands over its file name (possibly none) and quits.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // The marker of the running instance.
    static constexpr const char* kMarker = "ZARNOLT_PROCCESS_CHECK_0100";

    // The socket name for this user and settings folder: the marker, the user id and a hash
    // of the folder, so that programs with other settings (tests) never meet.
    static QString socketName(const std::filesystem::path& configFolder);

    explicit SingleInstance(QString name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Hands `file` (an absolute path, or empty) to a running instance; true when one took it.
    bool handOver(const QString& file, int timeoutMs = 2000);
    // Starts listening, removing a stale socket left by a program that ended abnormally.
    bool listen();
    const QString& name() const { return name_; }

signals:
    // A later start handed over a file name (empty: only bring the window forward).
    void fileHandedOver(const QString& file);

private:
    void acceptConnection();

    QString name_;
    QLocalServer* server_ = nullptr;
};

} // namespace editor
