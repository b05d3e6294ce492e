#include "render/WalkArea.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "model/CTrackItem.h"
#include "model/TrackTiles.h"

namespace render {

WalkObstacles tileContentObstacles(const SceneMetrics& metrics) {
    return [metrics](double x, double z, std::vector<model::SceneBox>& out) {
        const double s = metrics.tileSize;
        const int column = static_cast<int>(std::floor(x / s));
        const int row = static_cast<int>(std::floor(z / s));
        std::vector<model::ContentBox> boxes;
        for (int layer = 0; layer <= 1; ++layer) {
            for (int dr = -1; dr <= 1; ++dr) {
                for (int dc = -1; dc <= 1; ++dc) {
                    const int c = column + dc;
                    const int r = row + dr;
                    if (c < 0 || r < 0 || c >= metrics.columns || r >= metrics.rows) {
                        continue;
                    }
                    const model::CTrackItem* tile =
                        model::tileAt(layer, model::TilePos{static_cast<std::int16_t>(c),
                                                            static_cast<std::int16_t>(r)});
                    if (tile == nullptr || !tile->contentBoxes(s, boxes)) {
                        continue;
                    }
                    const double lift = tile->level() * metrics.layerHeight;
                    for (const model::ContentBox& entry : boxes) {
                        model::SceneBox box = entry.box;
                        box.min.y += lift;
                        box.max.y += lift;
                        out.push_back(box);
                    }
                }
            }
        }
    };
}

bool WalkArea::blocked(double x, double eyeY, double z) const {
    if (!obstacles_) {
        return false;
    }
    std::vector<model::SceneBox> boxes;
    obstacles_(x, z, boxes);
    const double s = metrics_.tileSize;
    const double radius = kBodyRadius * s;
    const double top = eyeY;
    const double bottom = eyeY - kBodyHeight * s;
    for (const model::SceneBox& box : boxes) {
        if (box.isEmpty() || box.max.y <= bottom || box.min.y >= top) {
            continue;
        }
        // The nearest point of the box's floor plan to the body's axis.
        const double nx = std::clamp(x, box.min.x, box.max.x);
        const double nz = std::clamp(z, box.min.z, box.max.z);
        if (std::hypot(x - nx, z - nz) < radius) {
            return true;
        }
    }
    return false;
}

bool WalkArea::check(CameraPose& pose, bool correct) const {
    const double cx = metrics_.centreX;
    const double cz = metrics_.centreZ;
    const double dx = pose.eye.x - cx;
    const double dz = pose.eye.z - cz;
    const double distance = std::hypot(dx, dz);
    const double excess = distance - limit();
    if (excess > 0) {
        if (!correct || !(distance > 0)) {
            return false;
        }
        const double pull = 1.1 * excess;
        const double mx = -dx / distance * pull;
        const double mz = -dz / distance * pull;
        pose.eye.x += mx;
        pose.eye.z += mz;
        pose.target.x += mx;
        pose.target.z += mz;
    }
    const double ground = groundAt(pose.eye.x, pose.eye.z);
    return !blocked(pose.eye.x, pose.eye.y + ground, pose.eye.z);
}

} // namespace render
