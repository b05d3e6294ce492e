#pragma once
#include "render/DrawList.h"
#include "render/SceneMetrics.h"
#include "trains/CTrainItemWheel.h"

namespace trains {
class CTrainItem;
}
namespace items {
class C3DItemObject;
}

namespace render {
class CDocumentRenderer;
}

namespace render::opengl {

class ItemDrawer;
class BuiltinTextures;
class CachedLists;

// Draws the vehicles of the frame's draw list: each vehicle's item model placed on its first
// wheel set, turned to the line from its first to its second wheel set and lifted onto the
// rails, with its turning wheel sets and axles and its lamps.
class VehicleDrawer {
public:
    VehicleDrawer(ItemDrawer& items, BuiltinTextures& textures, CachedLists& lists)
        : items_(items), textures_(textures), lists_(lists) {}

    // The frame's distance at which a rail section projects to half a pixel (0: draw every
    // detail at any distance). A cab panel farther away than where it would cover two pixels
    // is left out.
    void setFarDistance(double distance) { farDistance_ = distance; }
    // The cab panels drawn since the count was last reset.
    int panelsDrawn() const { return panelsDrawn_; }
    // How many vehicles since the last reset had their running gear drawn.
    int gearsDrawn() const { return gearsDrawn_; }
    void resetPanelCount() {
        panelsDrawn_ = 0;
        gearsDrawn_ = 0;
    }

    // One vehicle entry at the entry's fade alpha; `lampsLit` draws the lamps glowing. A
    // vehicle whose model has a cab panel gets the speedometer panel (built-in item 132) at
    // the model's panel point, and with `cabNeedles` (the vehicle the cab view rides in) its
    // three gauges' needles.
    void draw(const DrawListEntry& entry, const SceneMetrics& metrics, bool lampsLit,
              bool cabNeedles = false);

    // The vehicles of `list` as shapes only, in the current colour, for the shadow pass (the
    // caller has set up the projection onto the ground).
    void drawShadows(const DrawList& list, const SceneMetrics& metrics);
    static bool hasVehicles(const DrawList& list);
    // Smoke, after the normal pass: every steam locomotive of `list` puffs from its chimney
    // once a second while the trains run; the puffs grow with the time that passes and are
    // drawn as additive billboards facing the eye, none for a vehicle inside a tunnel.
    void drawTrainEffects(CDocumentRenderer& renderer, const DrawList& list);

    // The wheel sets, axles and side rods of a vehicle model in the vehicle's frame (x along
    // the vehicle), the wheels turned by `angle` degrees.
    void drawWheels(const trains::WheelGeometry& geometry, double angle, double tileSize,
                    float alpha);

private:
    void drawPanel(const items::C3DItemObject& model, double speed, bool needles, double tileSize);
    void drawWheelSet(const trains::WheelGeometry& geometry, double x, double y, double z,
                      double axleHeight, double scaleX, double scaleY, double scaleZ, double angle,
                      double tileSize, float alpha);

    // A built-in axle or wheel model, from its list of the fade level that gives `alpha`.
    void drawRunningGear(const items::C3DItemObject& model, int number, double tileSize,
                         float alpha);

    ItemDrawer& items_;
    BuiltinTextures& textures_;
    CachedLists& lists_;
    double farDistance_ = 0;
    int panelsDrawn_ = 0;
    int gearsDrawn_ = 0;
};

} // namespace render::opengl
