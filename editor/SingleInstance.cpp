#include "editor/SingleInstance.h"

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace editor {

namespace {
// Longest file name a later start hands over, in bytes.
constexpr qint64 kMaxHandOverBytes = 64 * 1024;
} // namespace

QString SingleInstance::socketName(const std::filesystem::path& configFolder) {
    const QByteArray folder = QByteArray::fromStdString(configFolder.string());
    const QByteArray hash =
        QCryptographicHash::hash(folder, QCryptographicHash::Sha256).toHex().left(16);
    return QStringLiteral("%1-%2-%3")
        .arg(QString::fromLatin1(kMarker))
        .arg(static_cast<qulonglong>(::getuid()))
        .arg(QString::fromLatin1(hash));
}

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent), name_(std::move(name)) {}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::handOver(const QString& file, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(timeoutMs)) {
        return false;
    }
    QByteArray message = file.toUtf8();
    message.append('\n');
    socket.write(message);
    if (!socket.waitForBytesWritten(timeoutMs)) {
        return false;
    }
    // The running instance answers once it has the name, so the name is not lost when this
    // process ends at once.
    socket.waitForReadyRead(timeoutMs);
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::listen() {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(name_)) {
        // Nobody answered on the name (handOver failed first), so the socket file is stale.
        QLocalServer::removeServer(name_);
        if (!server_->listen(name_)) {
            return false;
        }
    }
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::acceptConnection);
    return true;
}

void SingleInstance::acceptConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->bytesAvailable() > kMaxHandOverBytes) {
                socket->abort();
                return;
            }
            if (!socket->canReadLine()) {
                return;
            }
            QByteArray line = socket->readLine();
            if (line.endsWith('\n')) {
                line.chop(1);
            }
            const QString file = QString::fromUtf8(line);
            socket->write("ok\n");
            socket->flush();
            emit fileHandedOver(file);
        });
    }
}

} // namespace editor
