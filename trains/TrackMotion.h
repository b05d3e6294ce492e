#pragma once
#include <cstdint>
#include <vector>

#include "model/Geometry.h"
#include "model/LineItem.h"

namespace model {
class CTrackItem;
}

namespace trains {

using model::TrackPosition;

// Per-axis factors from layout space to a scene: x and z per tile edge, y per level.
struct WorldScales {
    double x = 1.0;
    double y = 1.2;
    double z = 1.0;
};

// A position is valid while its line and the line's tile are registered and its index lies
// in [0, n), n the line's point count.
bool isValidPosition(const TrackPosition& position);

// Moves the position by `distance` layout units along the track; a negative distance turns
// it round first (the result keeps the turned direction). At a line end the next line is
// searched (the tile's point setting picks the branch). On success `crossed` tells whether a
// line end was passed and `lines`, when given and a line end was passed, receives the lines
// passed through, starting with the line left. On failure (invalid position, end of track, a
// run of more than kMaxCrossings zero-length lines) the position and `lines` stay as they were.
bool movePosition(TrackPosition& position, double distance, bool& crossed,
                  std::vector<model::LineItem*>* lines = nullptr);
inline constexpr int kMaxCrossings = 4096;

// Moves a position lying at an end of its line onto the line that continues there, searched
// afresh (the point setting may have changed) and stored in the old line's link cache.
// False, and the position unchanged, when nothing continues or the result is not valid.
bool crossToNextLine(TrackPosition& position);

// Crosses max(1, count) line ends forward; all or nothing.
bool skipLines(TrackPosition& position, int count);

// The line point nearest in index, board-wide; false for an invalid position.
bool gridPointAt(const TrackPosition& position, std::int16_t& x, std::int16_t& z);
// Board-wide layout point (x, height in levels, z); false for an invalid position.
bool layoutPointAt(const TrackPosition& position, model::Vec3d& point);
// Scene point: (column + 0.025 x) · scales.x, height in levels · scales.y,
// (row + 0.025 z) · scales.z; false for an invalid position.
bool worldPointAt(const TrackPosition& position, const WorldScales& scales, model::Vec3d& point);
// The registered tile of the position's line, or null.
model::CTrackItem* positionTile(const TrackPosition& position);

} // namespace trains
