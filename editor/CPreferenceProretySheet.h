#pragma once
#include <QColor>
#include <QDialog>
#include <QPushButton>

#include <array>

#include "editor/CColorButton.h"
#include "model/DocumentRecords.h"

class QCheckBox;
class QLabel;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace editor {

class Prompter;

// The general page: new-layout size, 3D back end, background colour and the switches.
class CPreferenceProretyPage1 : public QWidget {
    Q_OBJECT
public:
    // One check box or radio button and the flag bit it shows.
    struct FlagRow {
        int id;
        const char* text;
        std::uint32_t bit;
        bool checkedWhenSet;
    };
    static const std::array<FlagRow, 8> kFlagRows;

    CPreferenceProretyPage1(Prompter& prompter, QWidget* parent = nullptr);
    // Shows a record's size, colour and flags; `threeDOpen` disables the back-end choice.
    void load(const model::PreferenceData& data, bool threeDOpen);
    // Writes the page's values into a record, keeping every other field and bit.
    void store(model::PreferenceData& data) const;
    // The control with a dialog id (3122 … 3133), for tests and the data exchange.
    QWidget* control(int id) const;

private:
    void loadDefaults();
    QSpinBox* columns_ = nullptr;
    QSpinBox* rows_ = nullptr;
    CColorButton* colour_ = nullptr;
    std::array<QAbstractButton*, 8> flags_{};
    QRadioButton* direct3D_ = nullptr;
    QRadioButton* openGL_ = nullptr;
    bool threeDOpen_ = false;
};

// The controls page: the nine walk keys. Clicking a key field makes it the field being edited
// (drawn red); the next acceptable key press becomes its key.
class CPreferenceProretyPage2 : public QWidget {
    Q_OBJECT
public:
    explicit CPreferenceProretyPage2(QWidget* parent = nullptr);
    void load(const model::PreferenceData& data);
    void store(model::PreferenceData& data) const;
    // Starts editing the key field 3141 … 3149 (0 ends editing).
    void beginEdit(int fieldId);
    int editingField() const { return editing_; }
    QLabel* field(int index) const { return fields_[static_cast<std::size_t>(index)]; }
    int keyCode(int index) const { return keys_[static_cast<std::size_t>(index)].keyCode; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Takes a key for the field being edited; false when the key is passed on.
    bool takeKey(int virtualKey);
    void refresh();
    std::array<model::KeyBinding, model::kWalkKeyCount> keys_{};
    std::array<QLabel*, model::kWalkKeyCount> fields_{};
    int editing_ = 0;
};

// The settings dialog: the two pages on tabs, OK and Cancel (no Apply).
class CPreferenceProretySheet : public QDialog {
    Q_OBJECT
public:
    CPreferenceProretySheet(Prompter& prompter, const model::PreferenceData& data, bool threeDOpen,
                            QWidget* parent = nullptr);
    // The record with the dialog's values written over `data`.
    model::PreferenceData result(const model::PreferenceData& data) const;
    CPreferenceProretyPage1& page1() { return *page1_; }
    CPreferenceProretyPage2& page2() { return *page2_; }
    QTabWidget& tabs() { return *tabs_; }

private:
    QTabWidget* tabs_ = nullptr;
    CPreferenceProretyPage1* page1_ = nullptr;
    CPreferenceProretyPage2* page2_ = nullptr;
};

} // namespace editor
