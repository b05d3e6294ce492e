#pragma once
#include <QString>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

class QComboBox;

namespace editor {

class C3DItemView;

// A catalogue window bound to one folder: a page combo box over one item view per page, the
// first page "全て" showing the folder and its immediate subfolders, then one page per
// subfolder. Exactly one item view is visible.
class C3DItemObjectFolderWindow final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMinimumSize = 180;
    static constexpr int kComboStrip = 35;
    static constexpr int kMargin = 5;

    explicit C3DItemObjectFolderWindow(QWidget* parent = nullptr);

    // Builds the pages of `folder`; the title is the given one, else the folder's last
    // component. A missing folder gives the single page "全て" and an empty grid.
    void createFromFolder(const std::filesystem::path& folder, const QString& title = {});
    // A floating window keeps at least 180 × 180; a docked one gives its height to the dock
    // area, so that three catalogues fit beside the view of a small main frame.
    void setDocked(bool docked);
    // Shows item view `index` and hides the others; selects the combo entry too.
    void selectPage(int index);

    const std::vector<std::string>& pageNames() const { return pageNames_; }
    const std::vector<C3DItemView*>& views() const { return views_; }
    int currentPage() const { return current_; }
    QComboBox* pageCombo() const { return combo_; }
    // Called after a drag from any cell has ended (the main frame gives the view the focus).
    std::function<void()> afterDrag;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void destroyViews();
    void placeViews();

    QComboBox* combo_;
    std::vector<std::string> pageNames_;
    std::vector<C3DItemView*> views_;
    int current_ = -1;
};

} // namespace editor
