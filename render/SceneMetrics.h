#pragma once

namespace render {

// Scene constants of one layout size. One tile edge is one scene unit; y is up; the board
// spans x 0 … columns and z 0 … rows.
struct SceneMetrics {
    int columns = 1;
    int rows = 1;
    double centreX = 0.5;
    double centreY = 0.0;
    double centreZ = 0.5;
    double width = 1.0;
    double depth = 1.0;
    double tileSize = 1.0;
    double layerHeight = 1.2;
    // Track cross-section constants, in tile sizes.
    double trackSections[8] = {0.25, 0.5, 0.09375, 0.03125, 0.125, 0.175, 0.75, 0.78125};
    double basePlateThickness = 0.075;
    double farBase = 100.0;
    double waterLevel = -0.165;
    double shadowPlaneHeight = 0.015625;
    double walkLimit = 1.5;

    double maxExtent() const { return width > depth ? width : depth; }
    double minExtent() const { return width < depth ? width : depth; }
};

// The constants of a board of columns × rows tiles; sizes below 1 count as 1.
SceneMetrics computeSceneMetrics(int columns, int rows);

} // namespace render
