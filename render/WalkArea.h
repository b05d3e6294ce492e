#pragma once
#include <functional>
#include <vector>

#include "model/TileBox.h"
#include "render/Camera.h"
#include "render/SceneMetrics.h"

namespace render {

// The boxes (scene units) that may stop a walker standing at (x, z).
using WalkObstacles = std::function<void(double x, double z, std::vector<model::SceneBox>& out)>;

// The contents of the 3 × 3 tiles around (x, z) on the ground layer and the first elevated
// layer: the structure's part boxes and the control items' box, raised to the tile's level.
// The track lines themselves are no obstacle, so the walker can cross a track.
WalkObstacles tileContentObstacles(const SceneMetrics& metrics);

// Where the walker may go. The stored walk eye stands above the ground by its own height; the
// walker's body is an upright cylinder 0.05 tiles in radius and 0.5 tiles high whose top is
// at the eye.
class WalkArea {
public:
    WalkArea(const SceneMetrics& metrics, WalkObstacles obstacles, GroundHeight ground)
        : metrics_(metrics), obstacles_(std::move(obstacles)), ground_(std::move(ground)) {}

    static constexpr double kBodyRadius = 0.05;
    static constexpr double kBodyHeight = 0.5;

    // The farthest the eye may stand from the board's centre: 1.5 × the longer side.
    double limit() const { return metrics_.walkLimit; }
    // The ground under (x, z); 0 without a ground function.
    double groundAt(double x, double z) const { return ground_ ? ground_(x, z) : 0.0; }
    const SceneMetrics& metrics() const { return metrics_; }

    // True when the walker may stand at `pose`. Beyond the limit the pose is refused, or with
    // `correct` pulled towards the centre by 1.1 × the excess (eye and target alike) and then
    // tested. A body that overlaps an obstacle is refused.
    bool check(CameraPose& pose, bool correct) const;
    // True when the body with its eye at (x, eyeY, z) in the scene overlaps an obstacle.
    bool blocked(double x, double eyeY, double z) const;

private:
    SceneMetrics metrics_;
    WalkObstacles obstacles_;
    GroundHeight ground_;
};

} // namespace render
