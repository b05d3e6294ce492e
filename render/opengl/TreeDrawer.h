#pragma once
#include <functional>

#include "render/Camera.h"
#include "render/DrawList.h"
#include "render/SceneMetrics.h"

namespace render::opengl {

class BuiltinTextures;
class CachedLists;

// How a leaf mass looks: `segments` leaf cards of side `side`, stacked `layerHeight` apart.
struct LeafMass {
    int segments = 24;
    double side = 0.31;
    double layerHeight = 0.025;
    // 0 … 1 per component; (0.8, 1, 0.8) when none is given.
    const float* colour = nullptr;
    // Built-in texture of the cards; −1 for none.
    int texture = 1;
};

// Places `n` leaf cards of side `a`, `h` apart, wound three times round the vertical axis and
// leaning further out towards the top, then one card closing the top; `card` draws one card
// of side `a` in the y-z plane about the origin. `s` is the tile size.
void placeLeafCards(int n, double a, double h, double s, const std::function<void()>& card);

// The foliage of trees and bushes at the origin: square leaf cards wound three times round
// the vertical axis as they rise, leaning further out towards the top, and one card closing
// the top. `alpha` is the pass alpha. In the shadow pass only the bare cards are drawn (no
// colour, texture or blending of their own). Leaves blending and texturing off.
void drawLeafMass(const LeafMass& mass, double tileSize, float alpha, bool shadowPass,
                  BuiltinTextures& textures);

// The built-in trees (structure category 200) of the frame: a brown trunk and a leaf mass,
// one shared cached list per fade level, placed at each tree's trunk.
class TreeDrawer {
public:
    TreeDrawer(CachedLists& lists, BuiltinTextures& textures);

    // The tree of one draw-list entry in the normal pass, at the entry's fade; nothing when
    // the tile holds no tree or is faded out.
    void draw(const DrawListEntry& entry, const SceneMetrics& metrics,
              const GroundHeight& groundHeight);
    // The trees of `list` as shadow casters, inside the shadow pass (its projection, stencil
    // and colour set): only those of tiles whose terrain is flat at the centre, since their
    // shadow falls on the ground plane.
    void drawShadows(const DrawList& list, const SceneMetrics& metrics,
                     const GroundHeight& groundHeight);

private:
    void drawShape(int level, double s, float alpha, bool shadowPass);

    CachedLists& lists_;
    BuiltinTextures& textures_;
};

} // namespace render::opengl
