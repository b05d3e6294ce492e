#include "editor/SystemClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace editor {

QString mimeTypeFor(std::string_view format) {
    return QStringLiteral("application/x-zarnolt-") +
           QString::fromUtf8(format.data(), static_cast<qsizetype>(format.size()));
}

void SystemClipboard::put(std::string_view format, std::span<const std::uint8_t> payload) {
    auto* data = new QMimeData;
    data->setData(mimeTypeFor(format), QByteArray(reinterpret_cast<const char*>(payload.data()),
                                                  static_cast<qsizetype>(payload.size())));
    QGuiApplication::clipboard()->setMimeData(data);
}

std::optional<std::vector<std::uint8_t>> SystemClipboard::take(std::string_view format) const {
    const auto* data = QGuiApplication::clipboard()->mimeData();
    const QString type = mimeTypeFor(format);
    if (!data || !data->hasFormat(type)) {
        return std::nullopt;
    }
    const QByteArray bytes = data->data(type);
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

} // namespace editor

namespace editor {

bool SystemClipboard::offers(std::string_view format) const {
    const auto* data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasFormat(mimeTypeFor(format));
}

} // namespace editor
