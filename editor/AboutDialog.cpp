#include "editor/AboutDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include "editor/EditorFonts.h"
#include "editor/UiTexts.h"

namespace editor {

namespace {
constexpr int kCreditsTickMs = 30;
QString text(TextKind kind, int id) {
    const auto t = uiText(kind, id);
    return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()));
}
} // namespace

CTitleroleView::CTitleroleView(const QString& credits, QWidget* parent)
    : QWidget(parent), credits_(credits) {
    // Each two-character sequence backslash-n is a line break.
    credits_.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
    setMinimumSize(243, 75);
    connect(&timer_, &QTimer::timeout, this, &CTitleroleView::advance);
    timer_.start(kCreditsTickMs);
}

void CTitleroleView::drawPicture() {
    const int h = std::max(1, height());
    picture_ = QImage(std::max(1, width()), 4 * h, QImage::Format_RGB32);
    picture_.fill(Qt::white);
    QPainter p(&picture_);
    QFont font;
    font.setFamilies(QStringList{kJapaneseFamily});
    font.setPixelSize(12);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(QRect(0, h, picture_.width(), 3 * h), Qt::AlignHCenter | Qt::TextWordWrap, credits_);
}

void CTitleroleView::resizeEvent(QResizeEvent*) {
    drawPicture();
    offset_ = 0;
}

void CTitleroleView::advance() {
    ++offset_;
    if (offset_ >= picture_.height() - 100) {
        offset_ = 0;
    }
    update();
}

void CTitleroleView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(QPoint(0, 0), picture_, QRect(0, offset_, width(), height()));
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(text(TextKind::Message, MsgAboutTitle));
    auto* layout = new QVBoxLayout(this);
    auto* name = new QLabel(QStringLiteral("Zarnolt3D"), this);
    auto* version = new QLabel(
        text(TextKind::Message, MsgVersionPrefix) + QStringLiteral(ZARNOLT_VERSION), this);
    version->setObjectName(QStringLiteral("version"));
    layout->addWidget(name);
    layout->addWidget(version);
    layout->addWidget(new CTitleroleView(text(TextKind::Message, MsgCredits), this));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

} // namespace editor
