#include "model/Pt.h"

namespace model {

void Pt::rotate(double degrees) {
    double px = x;
    double pz = z;
    rotateAbout(px, pz, kTileCentre, kTileCentre, degrees, true);
    x = static_cast<std::int32_t>(px);
    z = static_cast<std::int32_t>(pz);
    rotateAbout(X, Z, kTileCentre, kTileCentre, degrees, true);
}

void Pt::mirrorLeftRight() {
    x = kTileEdge - x;
    X = kTileEdge - X;
}

void Pt::mirrorTopBottom() {
    z = kTileEdge - z;
    Z = kTileEdge - Z;
}

} // namespace model
