#pragma once
#include <QDialog>

#include <array>

class QSpinBox;
class QToolButton;

namespace editor {

class Prompter;

// The layout-size dialog: a new board size and where the old board goes on the new one (nine
// push-like buttons, row by row). OK resizes the current document's board, asking first
// through the prompter when tiles would be lost; declining keeps the dialog open.
class CLayoutSizeWindow : public QDialog {
    Q_OBJECT
public:
    CLayoutSizeWindow(Prompter& prompter, QWidget* parent = nullptr);
    // Selects alignment button 0 … 8 (row by row), as a click on it does.
    void selectAlignment(int index);
    int alignment() const { return alignment_; }
    // The arrow picture a button shows: 9004 blank, 9000 … 9008 the arrows away from the centre.
    int bitmapOf(int index) const { return bitmaps_[static_cast<std::size_t>(index)]; }
    QSpinBox& columnsBox() { return *columns_; }
    QSpinBox& rowsBox() { return *rows_; }
    // True when the board was resized by the last OK.
    bool resized() const { return resized_; }

    void accept() override;

private:
    Prompter& prompter_;
    QSpinBox* columns_ = nullptr;
    QSpinBox* rows_ = nullptr;
    std::array<QToolButton*, 9> buttons_{};
    std::array<int, 9> bitmaps_{};
    int alignment_ = 4;
    int oldColumns_ = 11;
    int oldRows_ = 11;
    bool resized_ = false;
};

} // namespace editor
