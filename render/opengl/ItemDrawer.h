#pragma once
#include "items/geometry/GeometryTypes.h"
#include "render/opengl/ItemTextures.h"

#include <GL/gl.h>
#include <cstdint>
#include <functional>

namespace items {
class C3DItemObject;
class C3DObject;
class CAnimatable3DItemObject;
} // namespace items

namespace render::opengl {

// Gives the GL texture name of a built-in texture by its number (0 = none). The scene
// renderer hands in its built-in texture store.
using BuiltinTextureLookup = std::function<std::uint32_t(int number)>;

// How an item is drawn.
struct ItemDrawOptions {
    // 0: the item's own colours (use-colour flag, override colour, node colours) and textures.
    // Any other mode draws the shapes only, in the caller's colour and without textures or
    // blending changes (for the shadow pass).
    int mode = 0;
    // Opacity 0 … 1 (values beyond are clamped); nothing is drawn at 0 or below.
    float opacity = 1.0f;
    // The root's detail level is carried along; no drawing path reduces detail.
    int detailLevel = 0;
    // Draws only the face sets (and the children), not primitives, DXF or RIB parts.
    bool faceSetsOnly = false;
    // The winding of front faces in the caller's frame. The drawer leaves the winding alone
    // except for mirrored nodes (a negative scale) and clockwise imports, where it sets the
    // opposite of this.
    GLenum frontFace = GL_CCW;
};

// How the lamps of an item are drawn.
struct LampDrawOptions {
    // The lit pass draws the lamp bodies lit and adds the glows.
    bool litPass = false;
    // Leaves out the bodies (and the glows).
    bool bodiesOff = false;
    // Built-in texture number of the glow discs (through the lookup); below 0: none.
    int glowTexture = -1;
};

// Draws item models and their geometry trees with OpenGL 1.x, at the current model-view
// matrix, in scene units (a tile edge is `tileSize`).
//
// Call prepare() for an item before compiling a display list that draws it: it makes the
// item's GL textures, which a draw made while a list is being compiled never creates (such a
// draw leaves the faces of a missing texture untextured). Drawing restores every GL state it
// changes, leaves the matrix as it found it and uses at most two levels of the model-view
// stack and one of the attribute stack, whatever the depth of the tree. Face sets are drawn
// from client-side vertex arrays (built once, at scale 1) under the render lock.
//
// One drawer belongs to one GL context; its textures are deleted with it (the context must
// then be current).
class ItemDrawer {
public:
    explicit ItemDrawer(BuiltinTextureLookup builtinTextures = {});

    // Makes the GL textures of the item's tree.
    void prepare(const items::C3DItemObject& item);
    void prepare(items::C3DObject& root);
    // Deletes the item's GL textures (for example before the item is destroyed).
    void release(const items::C3DItemObject& item);

    // The item at the current matrix: moved by tileSize · offset, turned by yaw about Y and
    // pitch about X, and its tree drawn at the item's drawing scale.
    void drawItem(const items::C3DItemObject& item, double tileSize,
                  const ItemDrawOptions& options = {});
    // A geometry tree at `scale`. `clockwiseImports` draws DXF and RIB parts with clockwise
    // front faces; `doubleSidedImports` draws DXF faces on both sides.
    void drawGeometry(items::C3DObject& root, double scale, const ItemDrawOptions& options = {},
                      bool clockwiseImports = false, bool doubleSidedImports = false);
    // The shared built-in item of a number (loaded on first use); false when there is none.
    bool drawBuiltinItem(int number, double tileSize, const ItemDrawOptions& options = {});
    // The current frame of a frame-flip animation at the time `now` (seconds), which then
    // advances when the animation runs; false when it has no frame to draw.
    bool drawAnimated(items::CAnimatable3DItemObject& animation, double now, double tileSize,
                      const ItemDrawOptions& options = {});

    // The item's lamps at the current matrix (the frame drawItem starts from): each lamp body
    // is a short 16-sided cylinder in the lamp colour, a mirrored lamp is drawn again with z
    // negated; the lit pass adds additive glow discs.
    void drawLamps(const items::C3DItemObject& item, double tileSize,
                   const LampDrawOptions& options = {});
    // The item's bounding box shrunk by 0.01 · tileSize on every side, without depth writes:
    // grey, or lamp 0's colour (unlit) in the lit pass when the item has lamp 0.
    void drawInnerBox(const items::C3DItemObject& item, double tileSize, bool litPass = false);
    // The item's bounding box as blue lines of width 2, unlit.
    void drawBoundsOutline(const items::C3DItemObject& item, double tileSize);
    // The boxes of the tree's parts as unlit lines: the root red (width 2), depth 1 white,
    // depth 2 blue, deeper cyan (width 1).
    void drawPartOutlines(const items::C3DItemObject& item, double tileSize);

    ItemTextures& textures() { return textures_; }

private:
    struct Frame;
    void drawNode(items::C3DObject& node, const Frame& parent, int depth);
    void drawContent(items::C3DObject& node, const Frame& frame);
    void drawFaceSet(items::C3DObject& node);
    void applyNodeColour(const items::C3DObject& node) const;

    BuiltinTextureLookup builtinTextures_;
    ItemTextures textures_;
    // Set for the length of one drawGeometry.
    const ItemDrawOptions* options_ = nullptr;
    float opacity_ = 1.0f;
    bool clockwiseImports_ = false;
    bool doubleSidedImports_ = false;
};

} // namespace render::opengl
