#include "render/opengl/ItemDrawer.h"

#include "items/C3DItemObject.h"
#include "items/CAnimatable3DItemObject.h"
#include "items/ItemRegistry.h"
#include "items/geometry/C3DObject.h"
#include "platform/RenderLock.h"
#include "render/opengl/ItemParts.h"
#include "render/opengl/StGLState.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace render::opengl {
namespace {

using items::Vec3d;

// Deepest chain of nodes and references drawn; deeper ones (a reference loop) are left out.
constexpr int kMaxDrawDepth = 2 * items::kMaxNodeDepth;

constexpr int kLampSegments = 16;

GLenum opposite(GLenum winding) {
    return winding == GL_CW ? GL_CCW : GL_CW;
}

struct LampRecord {
    Vec3d position;
    items::ItemLamp lamp;
    bool mirrored = false;
};

std::vector<LampRecord> lampRecords(const items::C3DItemObject& item, double tileSize) {
    std::vector<LampRecord> records;
    for (int i = 0; i < 2; ++i) {
        if ((item.lampMask() & (1u << i)) == 0) {
            continue;
        }
        records.push_back({item.lampPoint(i, tileSize, false), item.lamp(i), false});
        if (item.lampMirrored(i)) {
            records.push_back({item.lampPoint(i, tileSize, true), item.lamp(i), true});
        }
    }
    return records;
}

// Moves to a lamp and turns its local z axis to the direction the lamp shines.
void lampTransform(const LampRecord& record) {
    glTranslated(record.position.x, record.position.y, record.position.z);
    glRotated(record.lamp.roll, 0, 0, 1);
    const double turn = record.position.z < 0 ? record.lamp.turn + 90.0 : 90.0 - record.lamp.turn;
    glRotated(turn, 0, 1, 0);
}

// A textured quad of width w and height h centred on the origin in the xy plane.
void glowQuad(double w, double h) {
    glBegin(GL_QUADS);
    glNormal3d(0, 0, 1);
    glTexCoord2d(0, 0), glVertex3d(-w / 2, -h / 2, 0);
    glTexCoord2d(1, 0), glVertex3d(w / 2, -h / 2, 0);
    glTexCoord2d(1, 1), glVertex3d(w / 2, h / 2, 0);
    glTexCoord2d(0, 1), glVertex3d(-w / 2, h / 2, 0);
    glEnd();
}

} // namespace

// The transform of a node relative to the tree's frame: p ↦ scale · p + offset, with the draw
// scale folded in. Nodes only translate and scale, so it is composed here instead of on the
// matrix stack, which keeps the stack depth fixed for trees of any depth.
struct ItemDrawer::Frame {
    Vec3d scale{1.0, 1.0, 1.0};
    Vec3d offset;

    Frame then(const Vec3d& translation, const Vec3d& nodeScale) const {
        Frame f;
        f.offset = {offset.x + scale.x * translation.x, offset.y + scale.y * translation.y,
                    offset.z + scale.z * translation.z};
        f.scale = {scale.x * nodeScale.x, scale.y * nodeScale.y, scale.z * nodeScale.z};
        return f;
    }
    bool mirrored() const { return scale.x * scale.y * scale.z < 0.0; }
    void multiply() const {
        const GLdouble m[16] = {scale.x, 0, 0,       0, 0,        scale.y,  0,        0,
                                0,       0, scale.z, 0, offset.x, offset.y, offset.z, 1};
        glMultMatrixd(m);
    }
};

ItemDrawer::ItemDrawer(BuiltinTextureLookup builtinTextures)
    : builtinTextures_(std::move(builtinTextures)) {}

void ItemDrawer::prepare(const items::C3DItemObject& item) {
    if (items::C3DObject* root = item.geometryRoot()) {
        prepare(*root);
    }
}

void ItemDrawer::prepare(items::C3DObject& root) {
    textures_.build(root);
}

void ItemDrawer::release(const items::C3DItemObject& item) {
    if (items::C3DObject* root = item.geometryRoot()) {
        textures_.release(*root);
    }
}

void ItemDrawer::drawItem(const items::C3DItemObject& item, double tileSize,
                          const ItemDrawOptions& options) {
    items::C3DObject* root = item.geometryRoot();
    if (root == nullptr || !(options.opacity > 0.0f)) {
        return;
    }
    StGLMatrix matrix;
    const Vec3d& offset = item.offset();
    glTranslated(tileSize * offset.x, tileSize * offset.y, tileSize * offset.z);
    if (item.yaw() != 0.0f) {
        glRotated(item.yaw(), 0, 1, 0);
    }
    if (item.pitch() != 0.0f) {
        glRotated(item.pitch(), 1, 0, 0);
    }
    const bool doubleSided = item.testDrawFlags(items::C3DItemObject::kDrawDoubleSided);
    const bool clockwise =
        item.testDrawFlags(items::C3DItemObject::kDrawClockwiseImports) && !doubleSided;
    drawGeometry(*root, item.drawingScale(tileSize), options, clockwise, doubleSided);
}

void ItemDrawer::drawGeometry(items::C3DObject& root, double scale, const ItemDrawOptions& options,
                              bool clockwiseImports, bool doubleSidedImports) {
    const float opacity = std::min(options.opacity, 1.0f);
    if (!(opacity > 0.0f) || !std::isfinite(scale)) {
        return;
    }
    // The lighting group too: the colours an item sets reach the material through colour
    // tracking, and popping the current colour alone would leave that material behind.
    StGLAttrib saved(GL_CURRENT_BIT | GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT |
                     GL_POLYGON_BIT | GL_TEXTURE_BIT | GL_LIGHTING_BIT);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    // Node scales and the draw scale reach the normals through the matrix.
    glEnable(GL_NORMALIZE);
    glDisable(GL_TEXTURE_2D);
    options_ = &options;
    opacity_ = opacity;
    clockwiseImports_ = clockwiseImports;
    doubleSidedImports_ = doubleSidedImports;
    Frame frame;
    frame.scale = {scale, scale, scale};
    drawNode(root, frame, 0);
    options_ = nullptr;
    glPopClientAttrib();
}

void ItemDrawer::drawNode(items::C3DObject& node, const Frame& parent, int depth) {
    if (depth > kMaxDrawDepth) {
        return;
    }
    const Frame frame = parent.then(node.translation(), node.scale());
    if (!node.referenceName().empty()) {
        items::C3DObject* target = items::C3DObject::findDefinition(node.referenceName());
        if (target == nullptr || target == &node) {
            return;
        }
        // The referenced node is drawn here, in place of its own position.
        const Vec3d& t = target->translation();
        drawNode(*target, frame.then({-t.x, -t.y, -t.z}, {1.0, 1.0, 1.0}), depth + 1);
        return;
    }
    drawContent(node, frame);
    for (const auto& child : node.children()) {
        if (items::C3DObject::isLive(child.get())) {
            drawNode(*child, frame, depth + 1);
        }
    }
}

void ItemDrawer::applyNodeColour(const items::C3DObject& node) const {
    if (options_->mode != 0 || !node.useColour()) {
        return;
    }
    items::OverrideColour override;
    if (node.overrideColour(override)) {
        glColor4f(static_cast<float>(override.r) / 65535.0f,
                  static_cast<float>(override.g) / 65535.0f,
                  static_cast<float>(override.b) / 65535.0f, opacity_);
        return;
    }
    const auto& c = node.colour();
    glColor4d(c[0], c[1], c[2], opacity_ * c[3]);
}

void ItemDrawer::drawContent(items::C3DObject& node, const Frame& frame) {
    const bool allParts = !options_->faceSetsOnly;
    const bool hasParts =
        node.faceSet() != nullptr ||
        (allParts && (node.dxfFaces() != nullptr || node.ribPolygons() != nullptr ||
                      !node.primitives().empty()));
    if (!hasParts) {
        return;
    }
    StGLMatrix matrix;
    frame.multiply();
    // A mirrored node turns its faces inside out; its front faces wind the other way.
    const GLenum front = frame.mirrored() ? opposite(options_->frontFace) : options_->frontFace;
    const GLenum importFront = clockwiseImports_ ? opposite(front) : front;
    const auto setFront = [this](GLenum winding, GLenum current) {
        if (winding != current) {
            glFrontFace(winding);
        }
    };
    setFront(front, options_->frontFace);
    applyNodeColour(node);
    const bool colours = options_->mode == 0;
    if (allParts && node.dxfFaces() != nullptr) {
        glDisable(GL_TEXTURE_2D);
        setFront(importFront, front);
        drawDxfFaces(*node.dxfFaces(), colours, doubleSidedImports_, !clockwiseImports_);
        setFront(front, importFront);
        applyNodeColour(node);
    }
    if (allParts && node.ribPolygons() != nullptr) {
        glDisable(GL_TEXTURE_2D);
        setFront(importFront, front);
        drawRibPolygons(*node.ribPolygons(), colours);
        setFront(front, importFront);
        applyNodeColour(node);
    }
    if (node.faceSet() != nullptr) {
        drawFaceSet(node);
        applyNodeColour(node);
    }
    if (allParts && !node.primitives().empty()) {
        glDisable(GL_TEXTURE_2D);
        for (const items::CPrimitive& primitive : node.primitives()) {
            drawPrimitive(primitive);
        }
    }
    setFront(options_->frontFace, front);
}

void ItemDrawer::drawFaceSet(items::C3DObject& node) {
    items::CIndexedFaceSet& faces = *node.faceSet();
    if (!faces.hasVertexArray()) {
        faces.buildVertexArray(1.0);
    }
    const bool normalMode = options_->mode == 0;
    const std::uint32_t texture = normalMode ? textures_.textureFor(node) : 0;
    if (texture != 0) {
        glColor4f(1.0f, 1.0f, 1.0f, opacity_);
        if (opacity_ < 1.0f || node.isTransparent()) {
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
            glDepthFunc(GL_LESS);
        }
        glBindTexture(GL_TEXTURE_2D, texture);
        glEnable(GL_TEXTURE_2D);
    } else {
        if (normalMode && opacity_ < 1.0f) {
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        }
        glDisable(GL_TEXTURE_2D);
    }
    const std::span<const items::FaceSetVertex> vertices = faces.vertexArray();
    if (vertices.size() > 2) {
        const auto* base = reinterpret_cast<const std::uint8_t*>(vertices.data());
        constexpr GLsizei stride = sizeof(items::FaceSetVertex);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_NORMAL_ARRAY);
        glVertexPointer(3, GL_FLOAT, stride, base + offsetof(items::FaceSetVertex, x));
        glNormalPointer(GL_FLOAT, stride, base + offsetof(items::FaceSetVertex, nx));
        if (texture != 0) {
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            glTexCoordPointer(2, GL_FLOAT, stride, base + offsetof(items::FaceSetVertex, u));
        } else {
            glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        }
        const auto count = static_cast<GLsizei>(
            std::min<std::size_t>(vertices.size() / 3 * 3,
                                  static_cast<std::size_t>(std::numeric_limits<GLsizei>::max())));
        {
            platform::RenderLockGuard lock;
            glDrawArrays(GL_TRIANGLES, 0, count);
        }
    }
    if (texture != 0) {
        glDisable(GL_TEXTURE_2D);
    }
}

bool ItemDrawer::drawBuiltinItem(int number, double tileSize, const ItemDrawOptions& options) {
    if (number < std::numeric_limits<std::int16_t>::min() ||
        number > std::numeric_limits<std::int16_t>::max()) {
        return false;
    }
    items::C3DItemObject* item = items::getBuiltinItem(static_cast<std::int16_t>(number));
    if (item == nullptr) {
        return false;
    }
    prepare(*item);
    drawItem(*item, tileSize, options);
    return true;
}

bool ItemDrawer::drawAnimated(items::CAnimatable3DItemObject& animation, double now,
                              double tileSize, const ItemDrawOptions& options) {
    items::C3DItemObject* frame = animation.frameForDrawing(now);
    if (frame == nullptr) {
        return false;
    }
    prepare(*frame);
    drawItem(*frame, tileSize, options);
    return true;
}

void ItemDrawer::drawLamps(const items::C3DItemObject& item, double tileSize,
                           const LampDrawOptions& options) {
    if (options.bodiesOff || !item.hasLamps()) {
        return;
    }
    const std::vector<LampRecord> records = lampRecords(item, tileSize);
    {
        StGLAttrib saved(GL_CURRENT_BIT | GL_ENABLE_BIT);
        glDisable(GL_TEXTURE_2D);
        glEnable(GL_NORMALIZE);
        if (!options.litPass) {
            glDisable(GL_LIGHTING);
        }
        for (const LampRecord& record : records) {
            const double s = 0.05 * tileSize * record.lamp.size;
            glColor4ub(record.lamp.colour[0], record.lamp.colour[1], record.lamp.colour[2], 255);
            StGLMatrix matrix;
            lampTransform(record);
            drawClosedCylinder(s / 2, s / 4, kLampSegments);
        }
    }
    if (!options.litPass) {
        return;
    }
    const std::uint32_t glow =
        (builtinTextures_ && options.glowTexture >= 0) ? builtinTextures_(options.glowTexture) : 0;
    StGLAttrib saved(GL_CURRENT_BIT | GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT |
                     GL_TEXTURE_BIT);
    glDepthMask(GL_FALSE);
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    // The discs face along the lamp; both sides show.
    glDisable(GL_CULL_FACE);
    if (glow != 0) {
        glBindTexture(GL_TEXTURE_2D, glow);
        glEnable(GL_TEXTURE_2D);
    } else {
        glDisable(GL_TEXTURE_2D);
    }
    for (const LampRecord& record : records) {
        const double s = 0.05 * tileSize * record.lamp.size;
        const double d = record.mirrored ? std::abs(record.position.z) : 10.0 * s / 2;
        glColor4ub(record.lamp.colour[0], record.lamp.colour[1], record.lamp.colour[2], 255);
        StGLMatrix matrix;
        lampTransform(record);
        glowQuad(d, d);
        glowQuad(d / 2, 2 * d);
    }
}

void ItemDrawer::drawInnerBox(const items::C3DItemObject& item, double tileSize, bool litPass) {
    items::BoundingBox box = item.boundingBox(tileSize);
    const double inset = 0.01 * tileSize;
    box.min = {box.min.x + inset, box.min.y + inset, box.min.z + inset};
    box.max = {box.max.x - inset, box.max.y - inset, box.max.z - inset};
    if (box.min.x > box.max.x || box.min.y > box.max.y || box.min.z > box.max.z) {
        return;
    }
    StGLAttrib saved(GL_CURRENT_BIT | GL_ENABLE_BIT | GL_DEPTH_BUFFER_BIT);
    glDepthMask(GL_FALSE);
    glDisable(GL_TEXTURE_2D);
    if (litPass && (item.lampMask() & 1u) != 0) {
        const auto& c = item.lamp(0).colour;
        glColor4ub(c[0], c[1], c[2], 255);
    } else {
        glColor4ub(0x40, 0x40, 0x40, 255);
    }
    if (litPass) {
        glDisable(GL_LIGHTING);
    }
    drawSolidBox(box);
}

void ItemDrawer::drawBoundsOutline(const items::C3DItemObject& item, double tileSize) {
    StGLAttrib saved(GL_CURRENT_BIT | GL_ENABLE_BIT | GL_LINE_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glColor4f(0, 0, 1, 1);
    glLineWidth(2);
    drawBoxEdges(item.boundingBox(tileSize));
}

void ItemDrawer::drawPartOutlines(const items::C3DItemObject& item, double tileSize) {
    StGLAttrib saved(GL_CURRENT_BIT | GL_ENABLE_BIT | GL_LINE_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    for (const auto& [depth, box] : item.partBoxes(tileSize)) {
        if (depth == 0) {
            glColor4f(1, 0, 0, 1);
        } else if (depth == 1) {
            glColor4f(1, 1, 1, 1);
        } else if (depth == 2) {
            glColor4f(0, 0, 1, 1);
        } else {
            glColor4f(0, 1, 1, 1);
        }
        glLineWidth(depth == 0 ? 2.0f : 1.0f);
        drawBoxEdges(box);
    }
}

} // namespace render::opengl
