#include "render/SceneMetrics.h"

#include <algorithm>

namespace render {

SceneMetrics computeSceneMetrics(int columns, int rows) {
    SceneMetrics m;
    m.columns = std::max(columns, 1);
    m.rows = std::max(rows, 1);
    m.tileSize = 1.0;
    m.layerHeight = 1.2 * m.tileSize;
    m.width = m.columns * m.tileSize;
    m.depth = m.rows * m.tileSize;
    m.centreX = m.columns / 2.0;
    m.centreY = 0.0;
    m.centreZ = m.rows / 2.0;
    const double sections[8] = {0.25, 0.5, 0.09375, 0.03125, 0.125, 0.175, 0.75, 0.78125};
    for (int i = 0; i < 8; ++i) {
        m.trackSections[i] = sections[i] * m.tileSize;
    }
    const double extent = m.maxExtent();
    m.basePlateThickness = extent * 0.075;
    m.farBase = extent * 100.0;
    m.waterLevel = 11 * -0.015 * m.tileSize;
    m.shadowPlaneHeight = 0.015625 * m.tileSize;
    m.walkLimit = extent * 1.5;
    return m;
}

} // namespace render
