#include "render/opengl/VehicleDrawer.h"

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "items/C3DItemObject.h"
#include "items/ItemRegistry.h"
#include "model/CTrackItem.h"
#include "render/CDocumentRenderer.h"
#include "render/ListKeys.h"
#include "render/SmokePuffs.h"
#include "render/TrackGeometry.h"
#include "render/opengl/BuiltinTextures.h"
#include "render/opengl/CachedLists.h"
#include "render/opengl/ItemDrawer.h"
#include "render/opengl/StGLState.h"
#include "trains/CTrainControler.h"
#include "trains/CTrainItem.h"
#include "trains/VehicleRegistry.h"

namespace render::opengl {
namespace {

constexpr int kAxleItem = 134;
// Wheel model n (1 … 4) is built-in item 134 + n.
constexpr int kFirstWheelItem = 134;
constexpr int kPanelItem = 132;
// The gauges on the panel item, in its units (40 to a tile edge): three faces side by side at
// z −2.2, 0 and 2.2 (left to right seen from the driver, who looks along +x), centred 1.3
// high, 0.9 in radius, just in front of the item's bezels.
constexpr double kPanelUnitsPerTile = 40.0;
constexpr double kGaugeFaceX = -0.66;
constexpr double kGaugeNeedleX = -0.7;
constexpr double kGaugeY = 1.3;
constexpr double kGaugeSpacing = 2.2;
constexpr double kGaugeRadius = 0.9;
constexpr int kGaugeSegments = 24;
// The width of the three gauges side by side, in the panel's units.
constexpr double kPanelWidth = 2 * (kGaugeSpacing + kGaugeRadius);
// The panel sits inside the cab: beyond where its width covers this many pixels it is left out.
constexpr double kPanelMinPixels = 2.0;
constexpr int kSmokeTexture = 13;

Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vec3 unit(const Vec3& v) {
    const double n = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return n > 0 ? Vec3{v.x / n, v.y / n, v.z / n} : Vec3{};
}

// A point of the vehicle model's frame in the scene: tilted by the pitch about z, turned by
// the yaw about y, moved to the placement point.
Vec3 placed(const items::Vec3d& p, const model::Vec3d& at, double yaw, double pitch) {
    const double a = pitch * std::numbers::pi / 180.0;
    const double b = yaw * std::numbers::pi / 180.0;
    const double x1 = p.x * std::cos(a) - p.y * std::sin(a);
    const double y1 = p.x * std::sin(a) + p.y * std::cos(a);
    return {at.x + x1 * std::cos(b) + p.z * std::sin(b), at.y + y1,
            at.z - x1 * std::sin(b) + p.z * std::cos(b)};
}

bool onBogies(int arrangement) {
    return arrangement == 1 || arrangement == 2 || arrangement == 3 || arrangement == 4 ||
           arrangement == 7;
}

bool onPlainAxles(int arrangement) {
    return arrangement == 2 || arrangement == 5 || arrangement == 6 || arrangement == 8 ||
           arrangement == 9;
}

// A box along x from x0 to x1, centred on (y, z), `height` high and `width` deep.
void drawBar(double x0, double x1, double y, double z, double height, double width) {
    const double xa = std::min(x0, x1);
    const double xb = std::max(x0, x1);
    const double y0 = y - height / 2;
    const double y1 = y + height / 2;
    const double z0 = z - width / 2;
    const double z1 = z + width / 2;
    glBegin(GL_QUADS);
    glNormal3d(0, 1, 0);
    glVertex3d(xa, y1, z0), glVertex3d(xa, y1, z1), glVertex3d(xb, y1, z1), glVertex3d(xb, y1, z0);
    glNormal3d(0, -1, 0);
    glVertex3d(xa, y0, z0), glVertex3d(xb, y0, z0), glVertex3d(xb, y0, z1), glVertex3d(xa, y0, z1);
    glNormal3d(0, 0, 1);
    glVertex3d(xa, y0, z1), glVertex3d(xb, y0, z1), glVertex3d(xb, y1, z1), glVertex3d(xa, y1, z1);
    glNormal3d(0, 0, -1);
    glVertex3d(xa, y0, z0), glVertex3d(xa, y1, z0), glVertex3d(xb, y1, z0), glVertex3d(xb, y0, z0);
    glNormal3d(1, 0, 0);
    glVertex3d(xb, y0, z0), glVertex3d(xb, y1, z0), glVertex3d(xb, y1, z1), glVertex3d(xb, y0, z1);
    glNormal3d(-1, 0, 0);
    glVertex3d(xa, y0, z0), glVertex3d(xa, y0, z1), glVertex3d(xa, y1, z1), glVertex3d(xa, y1, z0);
    glEnd();
}

} // namespace

void VehicleDrawer::draw(const DrawListEntry& entry, const SceneMetrics& metrics, bool lampsLit,
                         bool cabNeedles) {
    trains::CTrainItem* vehicle = entry.vehicle;
    if (vehicle == nullptr || !(entry.alpha > 0.0f)) {
        return;
    }
    items::C3DItemObject* model = vehicle->findModel();
    const double t = metrics.tileSize;
    const trains::WorldScales scales{t, metrics.layerHeight, t};
    model::Vec3d point;
    double yaw = 0;
    double pitch = 0;
    if (model == nullptr || !vehicle->worldPlacement(scales, point, yaw, pitch)) {
        return;
    }
    items_.prepare(*model);
    StGLAttrib saved(GL_CURRENT_BIT | GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT |
                     GL_LIGHTING_BIT);
    StGLMatrix matrix;
    glDepthMask(GL_TRUE);
    if (entry.alpha < 1.0f) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    } else {
        glDisable(GL_BLEND);
    }
    glColor4f(1, 1, 1, entry.alpha);
    // The rails stand on the track bed, which lies above the line's own height.
    glTranslated(point.x, point.y + kBedLift * t, point.z);
    glRotated(yaw, 0, 1, 0);
    glRotated(pitch, 0, 0, 1);
    ItemDrawOptions options;
    options.opacity = entry.alpha;
    items_.drawItem(*model, t, options);
    const trains::WheelGeometry wheels =
        trains::CTrainItemWheel::computeWheelGeometry(model, t, kRailGauge, kRailSection);
    // The running gear is left out where a wheel's diameter would cover under two pixels (at
    // the far distance a rail section covers half a pixel), as the cab panel is: from above
    // the body hides it. The vehicle the cab rides in keeps it.
    const double gearLimit = farDistance_ * wheels.radius / (2 * kRailSection * t);
    if (cabNeedles || farDistance_ <= 0 || entry.distance < gearLimit) {
        drawWheels(wheels, vehicle->wheel().angle(), t, entry.alpha);
        ++gearsDrawn_;
    }
    LampDrawOptions lamps;
    lamps.litPass = lampsLit;
    items_.drawLamps(*model, t, lamps);
    // At the far distance a rail section covers half a pixel; the panel's width covers
    // proportionally more.
    const double panelLimit =
        farDistance_ * (kPanelWidth / kPanelUnitsPerTile) / kRailSection * (0.5 / kPanelMinPixels);
    if (model->hasVehicleValue() &&
        (cabNeedles || farDistance_ <= 0 || entry.distance < panelLimit)) {
        drawPanel(*model, vehicle->speed(), cabNeedles, t);
        ++panelsDrawn_;
    }
}

void VehicleDrawer::drawPanel(const items::C3DItemObject& model, double speed, bool needles,
                              double tileSize) {
    StGLAttrib saved(GL_CURRENT_BIT | GL_ENABLE_BIT | GL_LINE_BIT | GL_COLOR_BUFFER_BIT |
                     GL_LIGHTING_BIT);
    StGLMatrix matrix;
    // The panel stands at the model's panel point, turned by its panel angle, and leans back
    // towards the driver; it is drawn opaque whatever the vehicle's fade.
    const items::Vec3d at = model.eyePoint(tileSize);
    glTranslated(at.x, at.y, at.z);
    glRotated(model.vehicleFloatValue(), 0, 1, 0);
    glRotated(-45, 0, 0, 1);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    const std::array<std::uint8_t, 4>& tint = model.baseColour();
    glColor4ub(tint[0], tint[1], tint[2], 255);
    ItemDrawOptions tinted;
    tinted.mode = 1; // the shapes in the panel colour
    items_.drawBuiltinItem(kPanelItem, tileSize, tinted);

    const double u = tileSize / kPanelUnitsPerTile;
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    for (int gauge = 0; gauge < 3; ++gauge) {
        const double z = (gauge - 1) * kGaugeSpacing * u;
        glColor3f(0.95f, 0.95f, 0.9f);
        glBegin(GL_TRIANGLE_FAN);
        glNormal3d(-1, 0, 0);
        glVertex3d(kGaugeFaceX * u, kGaugeY * u, z);
        for (int k = 0; k <= kGaugeSegments; ++k) {
            const double a = 2 * std::numbers::pi * k / kGaugeSegments;
            glVertex3d(kGaugeFaceX * u, (kGaugeY + kGaugeRadius * std::sin(a)) * u,
                       z + kGaugeRadius * std::cos(a) * u);
        }
        glEnd();
    }
    if (!needles) {
        return;
    }
    // Angles run anticlockwise as the driver sees the face: from its right (+z) towards up.
    glLineWidth(3.0f);
    glColor3f(0, 0, 0);
    glBegin(GL_LINES);
    for (int gauge = 0; gauge < 3; ++gauge) {
        const double z = (gauge - 1) * kGaugeSpacing * u;
        const double a = speedometerNeedleAngle(gauge + 1, speed) * std::numbers::pi / 180.0;
        const double reach = 0.75 * kGaugeRadius * u;
        glVertex3d(kGaugeNeedleX * u, kGaugeY * u, z);
        glVertex3d(kGaugeNeedleX * u, kGaugeY * u + reach * std::sin(a), z + reach * std::cos(a));
    }
    glEnd();
}

bool VehicleDrawer::hasVehicles(const DrawList& list) {
    return std::any_of(list.begin(), list.end(),
                       [](const DrawListEntry& entry) { return entry.vehicle != nullptr; });
}

void VehicleDrawer::drawShadows(const DrawList& list, const SceneMetrics& metrics) {
    const double t = metrics.tileSize;
    const trains::WorldScales scales{t, metrics.layerHeight, t};
    ItemDrawOptions options;
    options.mode = 1; // shapes only, in the shadow's colour
    for (const DrawListEntry& entry : list) {
        items::C3DItemObject* model =
            entry.vehicle != nullptr ? entry.vehicle->findModel() : nullptr;
        model::Vec3d point;
        double yaw = 0;
        double pitch = 0;
        if (model == nullptr || !entry.vehicle->worldPlacement(scales, point, yaw, pitch)) {
            continue;
        }
        StGLMatrix matrix;
        glTranslated(point.x, point.y + kBedLift * t, point.z);
        glRotated(yaw, 0, 1, 0);
        glRotated(pitch, 0, 0, 1);
        items_.drawItem(*model, t, options);
    }
}

void VehicleDrawer::drawWheels(const trains::WheelGeometry& g, double angle, double tileSize,
                               float alpha) {
    const int arrangement = g.arrangement;
    if (g.wheelModel == 0 || !(alpha > 0.0f)) {
        return;
    }
    const double r = g.radius;
    const double m = g.axleRadius;
    const double o = g.bogieOffset;
    const double w = g.halfBase;
    double rx = g.k[6];
    const double ry = g.k[7];
    const double rz = g.k[8];
    if (arrangement == 4) {
        rx = o + (w - o) / 2;
    }
    // Side rods of a steam locomotive's driving wheels, turning with them.
    if (g.sideRods && onBogies(arrangement)) {
        StGLAttrib saved(GL_CURRENT_BIT | GL_ENABLE_BIT);
        glDisable(GL_LIGHTING);
        glDisable(GL_TEXTURE_2D);
        glColor4f(0.4f, 0.4f, 0.4f, alpha);
        const double a = angle * std::numbers::pi / 180.0;
        const double d = g.sideRodOffset;
        for (const double side : {-1.0, 1.0}) {
            const double px = -(g.halfRadius) * std::sin(a) + rx + g.xOffset;
            const double py = g.halfRadius * std::cos(a) + ry + r;
            const double pz = side * (d + rz);
            drawBar(px, px - 2 * rx, py, pz, 0.75 * d, 0.5 * d);
        }
    }
    if (onPlainAxles(arrangement)) {
        const int count = trains::CTrainItemWheel::bogieWheelCount(arrangement, false);
        double base = 0;
        switch (arrangement) {
        case 2:
            base = rx - (2 * m + tileSize / 2);
            break;
        case 5:
            base = w - 2 * m;
            break;
        case 6:
            base = w;
            break;
        case 8:
            base = o;
            break;
        default: // 9
            base = m + o;
            break;
        }
        const double ratio = r > 0 ? m / r : 0.0;
        for (int i = 0; i < count; ++i) {
            const double x = i == 0   ? base
                             : i == 1 ? -base
                             : i == 2 ? (count == 3 ? 0.0 : base - 2.5 * m)
                                      : 2.5 * m - base;
            drawWheelSet(g, x + g.xOffset, ry, rz, g.plainAxleHeight, g.k[3] * ratio,
                         g.k[4] * ratio, g.k[5], angle, tileSize, alpha);
        }
    }
    if (onBogies(arrangement)) {
        const int count = trains::CTrainItemWheel::bogieWheelCount(arrangement, true);
        for (int i = 0; i < count; ++i) {
            const double x = i == 0   ? rx
                             : i == 1 ? -rx
                             : i == 2 ? (count == 3 ? 0.0 : rx - 2.2 * r)
                                      : 2.2 * r - rx;
            drawWheelSet(g, x + g.xOffset, ry, rz, g.k[13], g.k[3], g.k[4], g.k[5], angle, tileSize,
                         alpha);
        }
    }
}

void VehicleDrawer::drawRunningGear(const items::C3DItemObject& model, int number, double tileSize,
                                    float alpha) {
    ItemDrawOptions options;
    options.opacity = alpha;
    // Every vehicle turns the same few built-in models: each fade level's copy is compiled
    // once. An alpha of no fade level is drawn directly.
    const int level = static_cast<int>(std::lround((1.0f - alpha) * 10.0f));
    const bool cached = number >= kAxleItem && number <= kFirstWheelItem + 4 && level >= 0 &&
                        level <= 9 && fadeAlpha(level) == alpha;
    const std::int32_t key =
        cached ? kWheelListKey + (number - kAxleItem) * 10 + level : kNoCacheKey;
    lists_.draw(key, [&] { items_.drawItem(model, tileSize, options); });
}

void VehicleDrawer::drawWheelSet(const trains::WheelGeometry& g, double x, double y, double z,
                                 double axleHeight, double scaleX, double scaleY, double scaleZ,
                                 double angle, double tileSize, float alpha) {
    if (items::C3DItemObject* axle = items::getBuiltinItem(kAxleItem)) {
        items_.prepare(*axle);
        StGLMatrix matrix;
        glTranslated(g.k[12] + x, axleHeight, g.k[14]);
        glScaled(g.k[9], g.k[10], g.k[11]);
        drawRunningGear(*axle, kAxleItem, tileSize, alpha);
    }
    items::C3DItemObject* wheel = trains::CTrainItemWheel::bogieModel(g.wheelModel);
    if (wheel == nullptr) {
        return;
    }
    items_.prepare(*wheel);
    const items::BoundingBox box = wheel->boundingBox(tileSize);
    const double cx = (box.min.x + box.max.x) / 2;
    const double cy = (box.min.y + box.max.y) / 2;
    const double cz = (box.min.z + box.max.z) / 2;
    for (const double side : {1.0, -1.0}) {
        StGLMatrix matrix;
        glTranslated(x, y, side * z);
        glScaled(scaleX, scaleY, scaleZ);
        // The wheel stands on `y`, centred on the set, and turns about its own centre.
        glTranslated(0, cy - box.min.y, 0);
        glRotated(angle, 0, 0, 1);
        glTranslated(-cx, -cy, -cz);
        drawRunningGear(*wheel, kFirstWheelItem + g.wheelModel, tileSize, alpha);
    }
}

} // namespace render::opengl

namespace render::opengl {

void VehicleDrawer::drawTrainEffects(CDocumentRenderer& renderer, const DrawList& list) {
    SmokePuffs& smoke = renderer.smokePuffs();
    const SceneMetrics& metrics = renderer.sceneMetrics();
    const double t = metrics.tileSize;
    const double now = renderer.animationSeconds();
    const trains::CTrainControler* controller = trains::trainController();
    const bool running = controller != nullptr && controller->isRunning();
    const trains::WorldScales scales{t, metrics.layerHeight, t};
    for (const DrawListEntry& entry : list) {
        trains::CTrainItem* vehicle = entry.vehicle;
        if (!running || vehicle == nullptr || !vehicle->isSteamLocomotive() ||
            vehicle->isEngineStopped()) {
            continue;
        }
        const items::C3DItemObject* model = vehicle->findModel();
        model::Vec3d point;
        double yaw = 0;
        double pitch = 0;
        if (model == nullptr || model->viewpoint3() == items::Vec3d{} ||
            !vehicle->worldPlacement(scales, point, yaw, pitch)) {
            continue;
        }
        const items::Vec3d& c = model->viewpoint3();
        Vec3 at = placed({c.x * t, c.y * t, c.z * t}, point, yaw, pitch);
        at.y += kBedLift * t;
        double last = vehicle->lastSmokeTime();
        if (smoke.emitPuff(vehicle->id(), at, now, last)) {
            vehicle->setLastSmokeTime(last);
        }
    }
    smoke.advance(now, t);
    if (smoke.puffs().empty()) {
        return;
    }
    // Billboards face the eye.
    const CameraPose pose = renderer.currentPose();
    const Vec3 forward =
        unit({pose.target.x - pose.eye.x, pose.target.y - pose.eye.y, pose.target.z - pose.eye.z});
    const Vec3 right = unit(cross(forward, pose.up));
    const Vec3 up = cross(right, forward);
    StGLAttrib saved(GL_CURRENT_BIT | GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT |
                     GL_TEXTURE_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glDepthMask(GL_FALSE);
    glEnable(GL_ALPHA_TEST);
    const unsigned texture = textures_.name(kSmokeTexture);
    if (texture != 0) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, texture);
    } else {
        glDisable(GL_TEXTURE_2D);
    }
    glColor4f(1, 1, 1, 1);
    const auto& puffs = smoke.puffs();
    for (auto it = puffs.rbegin(); it != puffs.rend(); ++it) {
        const trains::CTrainItem* vehicle = trains::findVehicle(it->vehicle);
        const model::CTrackItem* tile = vehicle != nullptr ? vehicle->currentTile() : nullptr;
        if (tile != nullptr && tile->isCovered()) {
            continue; // inside a tunnel
        }
        glAlphaFunc(GL_GREATER, static_cast<GLfloat>(it->threshold));
        const double h = it->size * t * 0.5 / 2;
        const double a = it->spin * std::numbers::pi / 180.0;
        const double ca = std::cos(a) * h;
        const double sa = std::sin(a) * h;
        // The corners turned by the spin in the billboard's plane.
        const Vec3 u{right.x * ca + up.x * sa, right.y * ca + up.y * sa, right.z * ca + up.z * sa};
        const Vec3 v{-right.x * sa + up.x * ca, -right.y * sa + up.y * ca,
                     -right.z * sa + up.z * ca};
        const Vec3& p = it->position;
        glBegin(GL_QUADS);
        glTexCoord2d(0, 0), glVertex3d(p.x - u.x - v.x, p.y - u.y - v.y, p.z - u.z - v.z);
        glTexCoord2d(1, 0), glVertex3d(p.x + u.x - v.x, p.y + u.y - v.y, p.z + u.z - v.z);
        glTexCoord2d(1, 1), glVertex3d(p.x + u.x + v.x, p.y + u.y + v.y, p.z + u.z + v.z);
        glTexCoord2d(0, 1), glVertex3d(p.x - u.x + v.x, p.y - u.y + v.y, p.z - u.z + v.z);
        glEnd();
    }
    glBindTexture(GL_TEXTURE_2D, 0);
}

} // namespace render::opengl
