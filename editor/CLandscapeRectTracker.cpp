#include "editor/CLandscapeRectTracker.h"

#include <QPainter>

#include <algorithm>

namespace editor {

QRect CLandscapeRectTracker::handleRect(Hit handle) const {
    const QRect& r = rect_;
    const int s = kHandleSize;
    const int midX = r.left() + (r.width() - s) / 2;
    const int midY = r.top() + (r.height() - s) / 2;
    const int right = r.left() + r.width() - s;
    const int bottom = r.top() + r.height() - s;
    switch (handle) {
    case HitTopLeft:
        return QRect(r.left(), r.top(), s, s);
    case HitTopRight:
        return QRect(right, r.top(), s, s);
    case HitBottomRight:
        return QRect(right, bottom, s, s);
    case HitBottomLeft:
        return QRect(r.left(), bottom, s, s);
    case HitTop:
        return QRect(midX, r.top(), s, s);
    case HitRight:
        return QRect(right, midY, s, s);
    case HitBottom:
        return QRect(midX, bottom, s, s);
    case HitLeft:
        return QRect(r.left(), midY, s, s);
    default:
        return QRect();
    }
}

CLandscapeRectTracker::Hit CLandscapeRectTracker::hitTest(QPoint point) const {
    for (int h = HitTopLeft; h <= HitLeft; ++h) {
        if (handleRect(static_cast<Hit>(h)).contains(point)) {
            return static_cast<Hit>(h);
        }
    }
    return rect_.contains(point) ? HitMiddle : HitNothing;
}

QRect CLandscapeRectTracker::tracked(Hit hit, QPoint from, QPoint to) const {
    const QPoint d = to - from;
    if (hit == HitMiddle) {
        return rect_.translated(d);
    }
    if (hit == HitNothing) {
        return rect_;
    }
    // Edges as exclusive coordinates: right = left + width.
    int left = rect_.left();
    int top = rect_.top();
    int right = rect_.left() + rect_.width();
    int bottom = rect_.top() + rect_.height();
    const bool moveLeft = hit == HitTopLeft || hit == HitBottomLeft || hit == HitLeft;
    const bool moveRight = hit == HitTopRight || hit == HitBottomRight || hit == HitRight;
    const bool moveTop = hit == HitTopLeft || hit == HitTopRight || hit == HitTop;
    const bool moveBottom = hit == HitBottomLeft || hit == HitBottomRight || hit == HitBottom;
    if (moveLeft) {
        left = std::min(left + d.x(), right - kMinimumSize);
    }
    if (moveRight) {
        right = std::max(right + d.x(), left + kMinimumSize);
    }
    if (moveTop) {
        top = std::min(top + d.y(), bottom - kMinimumSize);
    }
    if (moveBottom) {
        bottom = std::max(bottom + d.y(), top + kMinimumSize);
    }
    return QRect(left, top, right - left, bottom - top);
}

void CLandscapeRectTracker::paint(QPainter& painter, QPoint offset) const {
    painter.save();
    painter.translate(-offset);
    const QRect& r = rect_;
    // Solid one-pixel outline along the rectangle's edges, drawn as filled strips.
    painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), Qt::black);
    painter.fillRect(QRect(r.left(), r.top() + r.height() - 1, r.width(), 1), Qt::black);
    painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), Qt::black);
    painter.fillRect(QRect(r.left() + r.width() - 1, r.top(), 1, r.height()), Qt::black);
    for (int h = HitTopLeft; h <= HitLeft; ++h) {
        painter.fillRect(handleRect(static_cast<Hit>(h)), Qt::black);
    }
    painter.restore();
}

} // namespace editor
