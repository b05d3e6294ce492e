#pragma once
#include <functional>
#include <string>

#include "render/DrawList.h"
#include "render/TrackGeometry.h"
#include "render/opengl/TreeDrawer.h"

namespace render {
class CDocumentRenderer;
}

namespace render::opengl {

class BuiltinTextures;
class CachedLists;

// Draws the layout's track lines: the frame's draw list, the ballast under ground-level
// rails and the tile pass, each tile's lines compiled into the tile's list of its fade level.
class TrackDrawer {
public:
    TrackDrawer(CachedLists& lists, BuiltinTextures& textures);

    // Builds the frame's normal draw list from the renderer's pose and preferences.
    void buildLists(CDocumentRenderer& renderer);
    const DrawList& normalList() const { return normal_; }
    // The ballast strip under every kind-1 line of a ground-level tile, unless switched off.
    void drawBallast(CDocumentRenderer& renderer);
    // The tile pass over the normal list, far to near; the list's vehicles are handed to
    // `drawVehicle` in their place in that order.
    void drawNormalPass(CDocumentRenderer& renderer,
                        const std::function<void(const DrawListEntry&)>& drawVehicle = {});

    // The track of the normal list as shadow casters, inside the environment's shadow pass
    // (its projection, stencil and colour set): elevated tiles and ground tiles holding a line
    // of the two upper networks, as shapes only, one cached list per tile.
    void drawShadowPass(CDocumentRenderer& renderer);

    // The number of every visible point, centred over its tile: `text` draws a string at
    // window pixels (x right, y down from the top).
    void drawPointNumbers(CDocumentRenderer& renderer,
                          const std::function<void(int x, int y, const std::string&)>& text);

    // The built-in trees, drawn with their tiles' contents.
    TreeDrawer& trees() { return trees_; }

    // One line's meshes in the current frame at `alpha` (texturing as each mesh says).
    void drawMeshes(const std::vector<TrackMesh>& meshes, float alpha);
    // The same meshes as bare shapes: no colour, texture or normal, for the shadow pass.
    static void drawMeshShapes(const std::vector<TrackMesh>& meshes);

private:
    void drawTileLines(const DrawListEntry& entry, const SceneMetrics& metrics);
    // The support under an elevated tile, from its ground up to the track.
    void drawTilePier(const DrawListEntry& entry, const SceneMetrics& metrics,
                      const GroundHeight& groundHeight);

    CachedLists& lists_;
    BuiltinTextures& textures_;
    DrawList normal_;
    TreeDrawer trees_{lists_, textures_};
};

} // namespace render::opengl
