#pragma once
#include <functional>
#include <optional>
#include <vector>

#include "render/Camera.h"
#include "render/Terrain.h"

namespace render {
class CDocumentRenderer;
}

namespace render::opengl {

class BuiltinTextures;
class CachedLists;

// Everything around the track in the current context: the terrain surface and the ground
// beyond the board (which mark the ground stencil), the sky dome, the animated water plane and
// the stencil-masked shadow pass.
class Environment {
public:
    Environment(CachedLists& lists, BuiltinTextures& textures);

    // Sky dome of the document's sky (riding and walking modes); recompiled when the
    // brightness changed since it was compiled.
    void drawSky(CDocumentRenderer& renderer);
    // Terrain and, outside the layout view, the flat ground beyond the board, writing 1 into
    // the stencil wherever ground is visible.
    void drawGroundStencil(CDocumentRenderer& renderer);
    // True when some landscape item sinks the ground and the layout shows water.
    bool waterWanted(CDocumentRenderer& renderer) const;
    // The translucent water plane with the ripple texture of the animation time.
    void drawWater(CDocumentRenderer& renderer);
    // Darkens the ground once wherever `casters` (drawn in scene coordinates) throw a shadow
    // from light 0 onto the shadow plane. Nothing when the light is not above the plane.
    void drawShadows(CDocumentRenderer& renderer, const std::function<void()>& casters);

    // The frame of the ripple animation (0 … 13) at a time in seconds: one step per 0.1 s.
    static int waterFrame(double seconds);

private:
    void compileTerrain(CDocumentRenderer& renderer, bool eyeAbove);
    // The lit terrain with the ground detail and its mottle in one textured pass.
    void drawTerrain(CDocumentRenderer& renderer, bool eyeAbove);
    void compileOuterGround(CDocumentRenderer& renderer);
    void compileSky(CDocumentRenderer& renderer);

    CachedLists& lists_;
    BuiltinTextures& textures_;
    // The colours the terrain and outer ground lists were compiled in, when they were.
    std::optional<TerrainColours> groundColours_;
    double skyBrightness_ = -1;
    int skyType_ = -1;
    std::vector<float> waterVertices_;
    std::vector<float> waterTexCoords_;
    std::vector<unsigned short> waterIndices_;
    double waterWidth_ = -1;
    double waterDepth_ = -1;
};

} // namespace render::opengl
