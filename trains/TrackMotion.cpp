#include "trains/TrackMotion.h"

#include <array>
#include <cmath>

#include "model/CTrackItem.h"
#include "model/TrackJoin.h"

namespace trains {

using model::LineItem;

bool isValidPosition(const TrackPosition& position) {
    if (position.line == nullptr || model::validLine(position.line) == nullptr) {
        return false;
    }
    const auto n = position.line->points().size();
    if (!(position.pointIndex >= 0.0) || position.pointIndex >= static_cast<double>(n)) {
        return false;
    }
    return position.line->getOwner() != nullptr;
}

model::CTrackItem* positionTile(const TrackPosition& position) {
    return isValidPosition(position) ? position.line->getOwner() : nullptr;
}

bool crossToNextLine(TrackPosition& position) {
    LineItem* line = position.line;
    if (line == nullptr || model::validLine(line) == nullptr || line->points().empty() ||
        line->getOwner() == nullptr) {
        return false;
    }
    const bool backward = position.backward != 0;
    TrackPosition next = model::findNextLine(*line, backward);
    if (!next || !isValidPosition(next)) {
        return false;
    }
    if (backward) {
        line->setStartLink(next);
    } else {
        line->setEndLink(next);
    }
    position = next;
    return true;
}

bool movePosition(TrackPosition& position, double distance, bool& crossed,
                  std::vector<LineItem*>* lines) {
    crossed = false;
    TrackPosition q = position;
    if (!isValidPosition(q) || !std::isfinite(distance)) {
        return false;
    }
    // The lines passed, kept on the stack for the usual few crossings.
    std::array<LineItem*, 8> passedFirst{q.line};
    std::size_t passedCount = 1;
    std::vector<LineItem*> passedMore;
    double r = std::fabs(distance);
    if (distance < 0) {
        q.backward = q.backward ? 0 : 1;
    }
    bool didCross = false;
    int crossings = 0;
    for (;;) {
        LineItem& line = *q.line;
        const double along = line.distanceAt(q.pointIndex);
        const double remaining = q.backward ? along : line.length() - along;
        if (r < remaining) {
            q.pointIndex += line.indexAt(q.backward ? -r : r);
            break;
        }
        q.pointIndex = q.backward ? 0.0 : static_cast<double>(line.lastIndex());
        if (++crossings > kMaxCrossings || !crossToNextLine(q)) {
            return false;
        }
        didCross = true;
        r -= remaining;
        if (lines != nullptr) {
            if (passedCount < passedFirst.size()) {
                passedFirst[passedCount++] = q.line;
            } else {
                passedMore.push_back(q.line);
            }
        }
        if (r <= 0) {
            break;
        }
        if (!isValidPosition(q)) {
            return false;
        }
    }
    position = q;
    if (didCross) {
        crossed = true;
        if (lines != nullptr) {
            lines->assign(passedFirst.begin(),
                          passedFirst.begin() + static_cast<std::ptrdiff_t>(passedCount));
            lines->insert(lines->end(), passedMore.begin(), passedMore.end());
        }
    }
    return true;
}

bool skipLines(TrackPosition& position, int count) {
    TrackPosition q = position;
    if (!isValidPosition(q)) {
        return false;
    }
    for (int i = 0; i < std::max(1, count); ++i) {
        q.pointIndex = q.backward ? 0.0 : static_cast<double>(q.line->lastIndex());
        if (!crossToNextLine(q)) {
            return false;
        }
    }
    position = q;
    return true;
}

bool gridPointAt(const TrackPosition& position, std::int16_t& x, std::int16_t& z) {
    if (!isValidPosition(position)) {
        return false;
    }
    int gx = 0;
    int gz = 0;
    position.line->gridPoint(position.pointIndex, gx, gz);
    x = static_cast<std::int16_t>(gx);
    z = static_cast<std::int16_t>(gz);
    return true;
}

bool layoutPointAt(const TrackPosition& position, model::Vec3d& point) {
    if (!isValidPosition(position)) {
        return false;
    }
    point = position.line->globalPoint(position.pointIndex, 1.0);
    return true;
}

bool worldPointAt(const TrackPosition& position, const WorldScales& scales, model::Vec3d& point) {
    if (!isValidPosition(position)) {
        return false;
    }
    const model::Vec3d local = position.line->localPoint(position.pointIndex);
    const model::TilePos tile = position.line->ownerPos();
    point.x = (tile.column + local.x * 0.025) * scales.x;
    point.y = local.y * scales.y;
    point.z = (tile.row + local.z * 0.025) * scales.z;
    return true;
}

} // namespace trains
