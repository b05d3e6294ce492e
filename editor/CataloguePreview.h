#pragma once
#include <QImage>
#include <QPointer>
#include <QSize>
#include <QWidget>

#include <filesystem>

namespace editor {

// The larger picture of a catalogue cell, shown beside the cell while the pointer rests on
// it: the model drawn by the program's item picture renderer when it has one, else the cell's
// thumbnail enlarged. One window serves every cell.
class CataloguePreview final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 240;
    static constexpr int kHeight = 180;

    // The picture shown for a file: drawn once and kept for the next hover.
    static QImage pictureFor(const std::filesystem::path& file, const QImage& thumbnail);
    // Whether pictures come from the renderer (false: enlarged thumbnails).
    static bool drawsModels();
    // Forgets the pictures drawn so far.
    static void clearPictures();

    // Shows the preview of a cell beside it (on its left, else on its right); hides it again when
    // the cell goes.
    static void showFor(QWidget* cell, const std::filesystem::path& file, const QImage& thumbnail);
    static void hideFor(const QWidget* cell);
    // The window while it exists (tests), and the cell it shows.
    static CataloguePreview* current();
    const QImage& picture() const { return picture_; }
    QWidget* cell() const { return cell_.data(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    explicit CataloguePreview(QWidget* parent);
    QImage picture_;
    QPointer<QWidget> cell_;
};

} // namespace editor
