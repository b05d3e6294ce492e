#pragma once
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "render/DrawList.h"
#include "render/TrackGeometry.h"
#include "render/opengl/TreeDrawer.h"

namespace render {
class CDocumentRenderer;
}

namespace render::opengl {

class BuiltinTextures;
class CachedLists;
class ItemDrawer;
struct TileContentsContext;

// Draws the layout's track lines: the frame's draw list, the ballast under ground-level
// rails and the tile pass, each tile's lines compiled into the tile's list of its fade level.
class TrackDrawer {
public:
    TrackDrawer(CachedLists& lists, BuiltinTextures& textures, ItemDrawer& items);

    // Builds the frame's normal draw list from the renderer's pose and preferences and, with
    // `shadows`, the shadow list, whose boxes are tested as the light throws them onto the
    // ground.
    void buildLists(CDocumentRenderer& renderer, bool shadows);
    const DrawList& normalList() const { return normal_; }
    const DrawList& shadowList() const { return shadow_; }
    // Tiles of the shadow list that cast a shadow in the last shadow pass.
    int shadowCasters() const { return shadowCasters_; }
    // The ballast strip under every kind-1 line of a ground-level tile, unless switched off.
    void drawBallast(CDocumentRenderer& renderer);
    // The tile pass over the normal list, far to near; the list's vehicles are handed to
    // `drawVehicle` in their place in that order.
    void drawNormalPass(CDocumentRenderer& renderer,
                        const std::function<void(const DrawListEntry&)>& drawVehicle = {});

    // The shadow list's casters, inside the environment's shadow pass (its projection,
    // stencil and colour set), far to near, as shapes only: the track of elevated tiles and of
    // ground tiles holding a line of the two upper networks (one cached list per tile), and
    // the contents of every tile whose centre lies on flat ground.
    void drawShadowPass(CDocumentRenderer& renderer);

    // Chunks of lines the last normal pass drew from their far list.
    int farChunks() const { return farChunks_; }
    // The frame's distance at which a rail section projects to half a pixel; 0 when nothing
    // too small to see is left out.
    double farDistance() const { return farDistance_; }

    // The built-in trees, drawn with their tiles' contents.
    TreeDrawer& trees() { return trees_; }

    // One line's meshes in the current frame at `alpha` (texturing as each mesh says).
    void drawMeshes(const std::vector<TrackMesh>& meshes, float alpha);
    // The same meshes as bare shapes: no colour, texture or normal, for the shadow pass.
    static void drawMeshShapes(const std::vector<TrackMesh>& meshes);

private:
    // Whether a tile's chunk is drawn from its chunk lists this frame.
    enum class ChunkState : signed char { Unknown, Split, Whole, Drawn };
    // Sizes the frame's chunk table for the board and forgets the last frame's answers.
    void beginChunkFrame(CDocumentRenderer& renderer);
    // Index of the chunk holding the entry's tile in the chunk table, −1 outside it.
    int chunkIndex(const DrawListEntry& entry) const;
    // True when the entry's tile is drawn by its chunk's lists: the entry is at level 0 and
    // every tile of the chunk lies nearer than the fade's start.
    bool chunked(const DrawListEntry& entry);
    // For an entry that is chunked: true the first time its chunk is asked for this pass.
    bool firstOfChunk(const DrawListEntry& entry);
    // A chunk's lines (or the ballast under its rails) in the chunk's frame, one mesh per
    // look, the chunk's corner in the scene, and the heights of its highest level underside
    // and of its lowest and highest points.
    struct ChunkHeights {
        double undersideTop = -1e30;
        double bottom = 1e30;
        double top = -1e30;
    };
    struct ChunkGeometry {
        std::vector<TrackMesh> batches;
        Vec3 origin;
        ChunkHeights heights;
    };
    ChunkGeometry chunkGeometry(bool ballast, int layer, int column, int row,
                                const SceneMetrics& metrics,
                                SleeperForm sleepers = SleeperForm::Bars) const;
    // Draws the chunk of the entry's tile from its list, compiling it first when needed.
    void drawChunk(bool ballast, const DrawListEntry& entry, const SceneMetrics& metrics);
    void drawTileLines(const DrawListEntry& entry, const SceneMetrics& metrics);
    TileContentsContext contentsContext(CDocumentRenderer& renderer, bool shadowPass);

    CachedLists& lists_;
    BuiltinTextures& textures_;
    ItemDrawer& items_;
    DrawList normal_;
    DrawList shadow_;
    int shadowCasters_ = 0;
    // The frame's chunk table (layer by chunk row by chunk column) and what the chunk answer
    // needs: the eye, where the fade starts, and the board.
    std::vector<ChunkState> chunks_;
    int chunkColumns_ = 0;
    int chunkRows_ = 0;
    int columns_ = 0;
    int rows_ = 0;
    Vec3 eye_;
    double fadeStart_ = 0;
    bool fadingOff_ = false;
    double tileSize_ = 1;
    double layerHeight_ = 1;
    // Back faces are culled in this frame's passes.
    bool backFacesCulled_ = false;
    // From this distance on (to a chunk's nearest point) a rail section projects under about
    // half a pixel; 0 when the projection is unknown.
    double farDistance_ = 0;
    int farChunks_ = 0;
    // Each chunk's heights, by the key of its whole lines or ballast list.
    std::unordered_map<std::int32_t, ChunkHeights> chunkHeights_;
    TreeDrawer trees_{lists_, textures_};
};

} // namespace render::opengl
