#include "editor/CPreferenceProretySheet.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "editor/Prompter.h"
#include "editor/WalkKeyCodes.h"

namespace editor {

namespace {

constexpr int kFirstKeyField = 3141;

QString utf8(const char* text) {
    return QString::fromUtf8(text);
}

} // namespace

// ---- CPreferenceProretyPage1

const std::array<CPreferenceProretyPage1::FlagRow, 8> CPreferenceProretyPage1::kFlagRows = {{
    {3132, "Direct3D", model::PrefDirect3D, true},
    {3125, "ビデオカードアクセラレータを使用", model::PrefNoAcceleration, false},
    {3126, "3Dウィンドウで列車が走行中の場合はレイアウトを更新しない",
     model::PrefFreezeLayoutWhileRunning, true},
    {3127, "サウンド再生", model::PrefNoSound, false},
    {3128, "遠くのトラックも全て表示", model::PrefShowAllFarTracks, true},
    {3129, "遠くのトラックをフェードアウト", model::PrefNoFade, false},
    {3130, "影を描画", model::PrefNoShadows, false},
    {3131, "線路バラストを描画", model::PrefNoBallast, false},
}};

CPreferenceProretyPage1::CPreferenceProretyPage1(Prompter& prompter, QWidget* parent)
    : QWidget(parent) {
    auto* layoutGroup = new QGroupBox(utf8("レイアウト"), this);
    auto* countGroup = new QGroupBox(utf8("トラック数"), layoutGroup);
    auto* countGrid = new QGridLayout(countGroup);
    columns_ = new QSpinBox(countGroup);
    rows_ = new QSpinBox(countGroup);
    for (QSpinBox* box : {columns_, rows_}) {
        box->setRange(1, 999);
    }
    countGrid->addWidget(new QLabel(utf8("列"), countGroup), 0, 0);
    countGrid->addWidget(columns_, 0, 1);
    countGrid->addWidget(new QLabel(utf8("行"), countGroup), 1, 0);
    countGrid->addWidget(rows_, 1, 1);
    (new QVBoxLayout(layoutGroup))->addWidget(countGroup);

    auto* methodGroup = new QGroupBox(utf8("３D描画方法"), this);
    auto* methodLayout = new QVBoxLayout(methodGroup);
    direct3D_ = new QRadioButton(utf8("Direct3D"), methodGroup);
    openGL_ = new QRadioButton(utf8("OpenGL"), methodGroup);
    // Only the OpenGL back end is built on this system: Direct3D is shown but never offered.
    direct3D_->setEnabled(false);
    methodLayout->addWidget(direct3D_);
    methodLayout->addWidget(openGL_);
    methodLayout->addStretch();

    auto* viewGroup = new QGroupBox(utf8("３Dビュー"), this);
    auto* viewLayout = new QVBoxLayout(viewGroup);
    auto* colourRow = new QHBoxLayout;
    colour_ = new CColorButton(prompter, viewGroup);
    colourRow->addWidget(new QLabel(utf8("背景色"), viewGroup));
    colourRow->addWidget(colour_);
    colourRow->addStretch();
    viewLayout->addLayout(colourRow);
    flags_[0] = direct3D_;
    for (std::size_t i = 1; i < kFlagRows.size(); ++i) {
        auto* box = new QCheckBox(utf8(kFlagRows[i].text), viewGroup);
        flags_[i] = box;
        viewLayout->addWidget(box);
    }
    // The accelerator switch is fixed in this dialog.
    flags_[1]->setEnabled(false);

    auto* defaults = new QPushButton(utf8("初期値"), this);
    connect(defaults, &QPushButton::clicked, this, &CPreferenceProretyPage1::loadDefaults);

    auto* top = new QHBoxLayout;
    top->addWidget(layoutGroup, 1);
    top->addWidget(methodGroup, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(defaults);
    auto* page = new QVBoxLayout(this);
    page->addLayout(top);
    page->addWidget(viewGroup);
    page->addLayout(bottom);
}

void CPreferenceProretyPage1::load(const model::PreferenceData& data, bool threeDOpen) {
    threeDOpen_ = threeDOpen;
    columns_->setValue(data.newColumns);
    rows_->setValue(data.newRows);
    colour_->setColor(
        QColor(data.backgroundColour[0], data.backgroundColour[1], data.backgroundColour[2]));
    // The two back-end radio buttons exclude each other: check the one that is meant.
    ((data.flags & model::PrefDirect3D) != 0 ? direct3D_ : openGL_)->setChecked(true);
    for (std::size_t i = 1; i < kFlagRows.size(); ++i) {
        const bool set = (data.flags & kFlagRows[i].bit) != 0;
        flags_[i]->setChecked(set == kFlagRows[i].checkedWhenSet);
    }
    openGL_->setEnabled(!threeDOpen);
}

void CPreferenceProretyPage1::store(model::PreferenceData& data) const {
    data.newColumns = columns_->value();
    data.newRows = rows_->value();
    const QColor colour = colour_->color();
    data.backgroundColour[0] = static_cast<std::uint8_t>(colour.red());
    data.backgroundColour[1] = static_cast<std::uint8_t>(colour.green());
    data.backgroundColour[2] = static_cast<std::uint8_t>(colour.blue());
    for (std::size_t i = 0; i < kFlagRows.size(); ++i) {
        const bool set = flags_[i]->isChecked() == kFlagRows[i].checkedWhenSet;
        if (set) {
            data.flags |= kFlagRows[i].bit;
        } else {
            data.flags &= ~kFlagRows[i].bit;
        }
    }
}

QWidget* CPreferenceProretyPage1::control(int id) const {
    switch (id) {
    case 3122:
        return columns_;
    case 3123:
        return rows_;
    case 3124:
        return colour_;
    case 3133:
        return openGL_;
    default:
        for (std::size_t i = 0; i < kFlagRows.size(); ++i) {
            if (kFlagRows[i].id == id) {
                return flags_[i];
            }
        }
        return nullptr;
    }
}

void CPreferenceProretyPage1::loadDefaults() {
    load(model::PreferenceData::defaults(), threeDOpen_);
}

// ---- CPreferenceProretyPage2

CPreferenceProretyPage2::CPreferenceProretyPage2(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    auto* group = new QGroupBox(utf8("キー設定"), this);
    auto* grid = new QGridLayout(group);
    grid->setColumnMinimumWidth(1, 120);
    for (int i = 0; i < model::kWalkKeyCount; ++i) {
        auto* label = new QLabel(utf8(model::walkKeyNames[static_cast<std::size_t>(i)]), group);
        auto* field = new QLabel(group);
        field->setObjectName(QStringLiteral("key%1").arg(kFirstKeyField + i));
        field->setCursor(Qt::PointingHandCursor);
        field->installEventFilter(this);
        fields_[static_cast<std::size_t>(i)] = field;
        grid->addWidget(label, i, 0);
        grid->addWidget(field, i, 1);
    }
    auto* defaults = new QPushButton(utf8("初期値"), this);
    defaults->setFocusPolicy(Qt::NoFocus);
    connect(defaults, &QPushButton::clicked, this, [this] {
        editing_ = 0;
        const auto fresh = model::PreferenceData::defaults();
        std::copy(std::begin(fresh.keys), std::end(fresh.keys), keys_.begin());
        refresh();
    });
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(defaults);
    auto* page = new QVBoxLayout(this);
    page->addWidget(group);
    page->addStretch();
    page->addLayout(bottom);
}

void CPreferenceProretyPage2::load(const model::PreferenceData& data) {
    std::copy(std::begin(data.keys), std::end(data.keys), keys_.begin());
    editing_ = 0;
    refresh();
}

void CPreferenceProretyPage2::store(model::PreferenceData& data) const {
    std::copy(keys_.begin(), keys_.end(), std::begin(data.keys));
}

void CPreferenceProretyPage2::beginEdit(int fieldId) {
    editing_ =
        fieldId >= kFirstKeyField && fieldId < kFirstKeyField + model::kWalkKeyCount ? fieldId : 0;
    if (editing_ != 0) {
        setFocus(Qt::MouseFocusReason);
    }
    refresh();
}

bool CPreferenceProretyPage2::takeKey(int virtualKey) {
    if (editing_ == 0) {
        return false;
    }
    const bool acceptable = virtualKey == 16 || (virtualKey >= 37 && virtualKey <= 40) ||
                            (virtualKey > 0x20 && virtualKey < 0x7F);
    if (!acceptable) {
        return false;
    }
    for (const auto& key : keys_) {
        if (key.keyCode == virtualKey) {
            return false; // already bound: the press goes on unchanged
        }
    }
    keys_[static_cast<std::size_t>(editing_ - kFirstKeyField)].keyCode = virtualKey;
    editing_ = 0;
    refresh();
    return true;
}

void CPreferenceProretyPage2::keyPressEvent(QKeyEvent* event) {
    if (takeKey(virtualKeyFromQtKey(event->key()))) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool CPreferenceProretyPage2::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        for (int i = 0; i < model::kWalkKeyCount; ++i) {
            if (watched == fields_[static_cast<std::size_t>(i)]) {
                beginEdit(kFirstKeyField + i);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CPreferenceProretyPage2::refresh() {
    for (int i = 0; i < model::kWalkKeyCount; ++i) {
        QLabel* field = fields_[static_cast<std::size_t>(i)];
        field->setText(virtualKeyText(keys_[static_cast<std::size_t>(i)].keyCode));
        const bool edited = editing_ == kFirstKeyField + i;
        field->setStyleSheet(edited ? QStringLiteral("color: rgb(255, 0, 0);")
                                    : QStringLiteral("color: rgb(0, 0, 255);"));
    }
}

// ---- CPreferenceProretySheet

CPreferenceProretySheet::CPreferenceProretySheet(Prompter& prompter,
                                                 const model::PreferenceData& data, bool threeDOpen,
                                                 QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(utf8("初期設定"));
    tabs_ = new QTabWidget(this);
    page1_ = new CPreferenceProretyPage1(prompter, tabs_);
    page2_ = new CPreferenceProretyPage2(tabs_);
    tabs_->addTab(page1_, utf8("一般設定"));
    tabs_->addTab(page2_, utf8("コントロール"));
    page1_->load(data, threeDOpen);
    page2_->load(data);
    // Switching between the pages ends editing a key.
    connect(tabs_, &QTabWidget::currentChanged, this, [this] { page2_->beginEdit(0); });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(utf8("キャンセル"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(buttons);
}

model::PreferenceData CPreferenceProretySheet::result(const model::PreferenceData& data) const {
    model::PreferenceData out = data;
    page1_->store(out);
    page2_->store(out);
    return out;
}

} // namespace editor
