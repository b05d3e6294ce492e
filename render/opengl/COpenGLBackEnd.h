#pragma once
#include <string>

#include "render/RenderBackEnd.h"
#include "render/opengl/BuiltinTextures.h"
#include "render/opengl/CachedLists.h"
#include "render/opengl/Environment.h"
#include "render/opengl/HudFont.h"
#include "render/opengl/ItemDrawer.h"
#include "render/opengl/TrackDrawer.h"
#include "render/opengl/VehicleDrawer.h"

namespace render::opengl {

// The OpenGL 1.x back end (compatibility profile, display lists). It owns the cached lists,
// the built-in textures and the HUD font of the context it was initialised in.
class COpenGLBackEnd : public RenderBackEnd {
public:
    COpenGLBackEnd();
    ~COpenGLBackEnd() override;

    bool initialise(CDocumentRenderer& renderer) override;
    int lightUnitCount() const override { return lightUnits_; }
    void initState() override;
    void applyClearColour(CDocumentRenderer& renderer) override;
    void applyProjection(const CameraState& camera) override;
    void applyLookAt(const CameraPose& pose) override;
    void drawFrame(CDocumentRenderer& renderer) override;
    void shutdown() override;

    CachedLists& cachedLists() { return lists_; }
    BuiltinTextures& builtinTextures() { return textures_; }
    const HudFont& hudFont() const { return font_; }
    // Draws item models in this context; its lamp glows use the built-in textures.
    ItemDrawer& itemDrawer() { return items_; }
    TrackDrawer& trackDrawer() { return tracks_; }

    // Draws text with its baseline starting at (x, y) pixels from the viewport's top-left
    // corner, in white, over everything.
    void drawText(const CameraState& camera, int x, int y, const std::string& text);

private:
    // Places and switches the lights; true when the sun marker is wanted.
    bool setupLights(CDocumentRenderer& renderer);
    void applyFog(CDocumentRenderer& renderer);
    void drawLightMarker(CDocumentRenderer& renderer);
    void drawBase(CDocumentRenderer& renderer);
    void drawHud(CDocumentRenderer& renderer);
    void dropLists(CDocumentRenderer& renderer);

    CachedLists lists_;
    BuiltinTextures textures_;
    HudFont font_;
    ItemDrawer items_;
    TrackDrawer tracks_{lists_, textures_, items_};
    VehicleDrawer vehicles_{items_, textures_, lists_};
    Environment environment_;
    int lightUnits_ = 1;
    bool haveGLStrings_ = false;
    std::string vendor_;
    std::string rendererName_;
};

} // namespace render::opengl
