#pragma once
#include <QPoint>
#include <QRect>

class QPainter;

namespace editor {

// The rectangle tracker of the terrain view: a solid outline with eight square handles drawn
// inside the rectangle. A press on a handle resizes from it, a press elsewhere inside moves
// the rectangle; the tracked rectangle never becomes smaller than 40 × 40.
class CLandscapeRectTracker {
public:
    // What a point hits: a corner or side handle, the inside, or nothing.
    enum Hit : int {
        HitNothing = -1,
        HitTopLeft = 0,
        HitTopRight = 1,
        HitBottomRight = 2,
        HitBottomLeft = 3,
        HitTop = 4,
        HitRight = 5,
        HitBottom = 6,
        HitLeft = 7,
        HitMiddle = 8,
    };
    static constexpr int kMinimumSize = 40;
    static constexpr int kHandleSize = 7;

    const QRect& rect() const { return rect_; }
    void setRect(const QRect& rect) { rect_ = rect; }

    // The square of a handle (HitTopLeft … HitLeft), inside the rectangle.
    QRect handleRect(Hit handle) const;
    Hit hitTest(QPoint point) const;
    // The rectangle after dragging `hit` from `from` to `to`, starting at the tracker's
    // rectangle: moved for HitMiddle, else the handle's edges follow the pointer, each held at
    // least kMinimumSize from the opposite edge. HitNothing leaves it unchanged.
    QRect tracked(Hit hit, QPoint from, QPoint to) const;

    // The outline and the handles; `offset` is subtracted from the rectangle first.
    void paint(QPainter& painter, QPoint offset = QPoint()) const;

private:
    QRect rect_{0, 0, 40, 40};
};

} // namespace editor
