#include "model/Geometry.h"

#include <cmath>

namespace model {

const char* layerName(int layer) {
    static const char* const names[] = {"地上線路",   "高架線路１", "高架線路２",
                                        "高架線路３", "高架線路４", "地形"};
    return layer >= 0 && layer <= TerrainLayer ? names[layer] : "";
}

double roundHalfAway(double value) {
    return std::round(value);
}

void rotateAbout(double& x, double& z, double cx, double cz, double degrees, bool round) {
    while (degrees >= 360.0) {
        degrees -= 360.0;
    }
    while (degrees <= -360.0) {
        degrees += 360.0;
    }
    const double phi = degrees * 0.0174532925;
    const double c = std::cos(phi);
    const double s = std::sin(phi);
    const double dx = x - cx;
    const double dz = z - cz;
    x = cx + dx * c - dz * s;
    z = cz + dz * c + dx * s;
    if (round) {
        x = roundHalfAway(x);
        z = roundHalfAway(z);
    }
}

double directionAngle(double x1, double y1, double x2, double y2) {
    const double dx = x2 - x1;
    const double dy = y2 - y1;
    if (dx == 0.0 && dy == 0.0) {
        return 0.0;
    }
    if (dx == 0.0) {
        return dy > 0.0 ? 90.0 : 270.0;
    }
    double angle = std::atan(dy / dx) * 57.29577957855229;
    if (dx < 0.0) {
        angle += 180.0;
    } else if (dy < 0.0) {
        angle += 360.0;
    }
    return angle;
}

double arcLength(double radius, double degrees) {
    return degrees * (1.0 / 180.0) * radius * 3.14159265;
}

double tileLevel(int layer, int elevationOffset) {
    if (layer <= 0) {
        return 0.0;
    }
    return layer - elevationOffset / 3.0;
}

int heightMetres(int layer, int elevationOffset) {
    return 3 * layer - elevationOffset;
}

std::string heightText(int layer, int elevationOffset) {
    return std::to_string(heightMetres(layer, elevationOffset)) + "m";
}

} // namespace model
