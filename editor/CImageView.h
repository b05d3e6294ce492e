#pragma once
#include <QImage>
#include <QScrollArea>
#include <QString>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <vector>

class QMimeData;

namespace editor {

// One picture cell of an image view: the picture of one file, fitted into the cell.
class CImageViewItem : public QWidget {
    Q_OBJECT
public:
    CImageViewItem(QImage image, std::filesystem::path path, QWidget* parent = nullptr);

    bool hasImage() const { return !image_.isNull(); }
    const QImage& image() const { return image_; }
    const std::filesystem::path& path() const { return path_; }
    // The part of the path after the last separator.
    QString fileName() const;
    // The data a drag from this cell offers, or null when the cell offers nothing: the plain
    // cell offers its path as text.
    virtual QMimeData* dragData() const;
    // Called after a drag from this cell has ended.
    std::function<void()> afterDrag;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    // Drawn over the picture; nothing here.
    virtual void paintOverlay(class QPainter&) {}

private:
    QImage image_;
    std::filesystem::path path_;
};

// A cell of an item model file: the picture is its thumbnail, the label names the kind of
// vehicle, and a drag offers the file as a catalogue piece or a catalogue vehicle.
class C3DItemViewItem final : public CImageViewItem {
    Q_OBJECT
public:
    using CImageViewItem::CImageViewItem;
    ~C3DItemViewItem() override;

    // "SL", "EL", "auto", "monorail" for the vehicle kinds that have one, else " ".
    static QString labelForKind(int kind);
    // The label, read from the file's header on first use.
    const QString& label() const;
    QMimeData* dragData() const override;
    // The tip of a cell: the model's name (the file name without its extension) and, on a
    // second line, its kind; empty when the file's header cannot be read.
    static QString tipFor(const std::filesystem::path& file);

protected:
    void paintOverlay(QPainter& painter) override;
    // The tip and the larger preview while the pointer rests on the cell.
    bool event(QEvent* event) override;

private:
    mutable QString label_;
};

// A scrolling grid of square picture cells with gaps between them and around the grid.
class CImageView : public QScrollArea {
    Q_OBJECT
public:
    static constexpr int kDefaultCell = 40;
    static constexpr int kDefaultGap = 5;

    explicit CImageView(QWidget* parent = nullptr);
    ~CImageView() override;

    // Fills the grid from the files of a folder (see the item form below); a cell size of 0 or
    // less keeps the current size. Returns the number of files found.
    virtual int fillFromFolder(const std::filesystem::path& folder, int cellSize, int depth);
    // Adds a cell for the image; false (and nothing added) when the image is empty.
    virtual bool addItem(QImage image, const std::filesystem::path& path);
    void clearItems();
    // Places the cells for the viewport's present size.
    void relayout();
    void markLayoutStale() { stale_ = true; }

    int cellSize() const { return cell_; }
    int gap() const { return gap_; }
    int columns() const { return columns_; }
    int rows() const { return rows_; }
    const std::vector<CImageViewItem*>& items() const { return items_; }
    // Called after any cell's drag has ended.
    std::function<void()> afterDrag;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void addCell(CImageViewItem* cell);
    void setCellSize(int size) { cell_ = size; }

private:
    QWidget* canvas_;
    std::vector<CImageViewItem*> items_;
    int cell_ = kDefaultCell;
    int gap_ = kDefaultGap;
    int columns_ = 0;
    int rows_ = 0;
    bool stale_ = true;
};

// The image view of a catalogue page: one cell per item model file that has a thumbnail.
class C3DItemView final : public CImageView {
    Q_OBJECT
public:
    using CImageView::CImageView;
    // Files whose header or thumbnail cannot be read, or whose thumbnail does not decode, get
    // no cell.
    int fillFromFolder(const std::filesystem::path& folder, int cellSize, int depth) override;
    bool addItem(QImage image, const std::filesystem::path& path) override;
};

} // namespace editor
