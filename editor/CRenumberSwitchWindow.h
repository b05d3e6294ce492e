#pragma once
#include <QDialog>

#include "model/Geometry.h"

class QLineEdit;

namespace model {
class CTrackItem;
}

namespace editor {

class Prompter;

// The modal dialog that renumbers the point of one tile: a three-character number edit, OK and
// cancel. OK keeps the dialog open and reports through the prompter when the number is outside
// 1 … 999 (text that is not a number reads as 0) or another live point holds it.
class CRenumberSwitchWindow : public QDialog {
    Q_OBJECT
public:
    CRenumberSwitchWindow(model::CTrackItem& tile, Prompter& prompter, QWidget* parent = nullptr);

    QLineEdit* numberEdit() const { return edit_; }
    // The edit's text read as the dialog reads it: leading decimal digits, else 0.
    static int readNumber(const QString& text);

    void accept() override;

private:
    // The tile by its place, so that a tile deleted meanwhile is never touched.
    int layer_ = 0;
    model::TilePos position_;
    Prompter& prompter_;
    QLineEdit* edit_ = nullptr;
};

} // namespace editor
