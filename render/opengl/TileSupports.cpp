#include "render/opengl/TileSupports.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "items/C3DItemObject.h"
#include "items/ItemRegistry.h"
#include "model/CTrackControlItem.h"
#include "model/CTrackItem.h"
#include "model/LineItem.h"
#include "render/TrackGeometry.h"
#include "render/opengl/BuiltinTextures.h"
#include "render/opengl/CachedLists.h"
#include "render/opengl/ItemDrawer.h"
#include "render/opengl/TileContents.h"

namespace render::opengl {
namespace {

constexpr int kConcreteBlockModel = 129;
constexpr int kConcreteHeadModel = 130;
constexpr int kConcreteColumnModel = 131;
// The support models' lists: normal pass base, shadow pass base (+ fade level 0 … 9).
constexpr int kBlockKeys[2] = {207, 217};
constexpr int kHeadKeys[2] = {227, 237};
constexpr int kColumnKeys[2] = {247, 257};

// A mesh as the pass wants it: textured, coloured and lit, or bare shapes.
void drawMesh(const TrackMesh& mesh, float alpha, const TileContentsContext& context) {
    if (mesh.quads.empty()) {
        return;
    }
    if (context.shadowPass) {
        glBegin(GL_QUADS);
        for (const TrackVertex& v : mesh.quads) {
            glVertex3f(v.x, v.y, v.z);
        }
        glEnd();
        return;
    }
    const unsigned texture = mesh.texture > 0 ? context.textures.name(mesh.texture) : 0;
    if (texture != 0) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, texture);
    }
    glColor4f(mesh.colour[0], mesh.colour[1], mesh.colour[2], alpha);
    glBegin(GL_QUADS);
    for (const TrackVertex& v : mesh.quads) {
        glNormal3f(v.nx, v.ny, v.nz);
        glTexCoord2f(v.u, v.v);
        glVertex3f(v.x, v.y, v.z);
    }
    glEnd();
    glDisable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
    glNormal3f(0, 0, 1);
    glTexCoord4f(0, 0, 0, 1);
    glColor4f(1, 1, 1, alpha);
}

// The height of a built-in model's box at the scene's tile size, and its lowest point.
bool modelHeight(const items::C3DItemObject& model, double tileSize, double& height,
                 double& bottom) {
    const items::BoundingBox box = model.boundingBox(tileSize);
    height = box.max.y - box.min.y;
    bottom = box.min.y;
    return std::isfinite(height) && height > 1e-6;
}

// One copy of a built-in model with its lowest point at `base`, from the model's list of the
// fade level.
void drawModelCopy(items::C3DItemObject& model, double base, double bottom, const int keys[2],
                   const DrawListEntry& entry, const TileContentsContext& context) {
    const bool cacheable = entry.level >= 0 && entry.level <= 9;
    const int key = cacheable ? keys[context.shadowPass ? 1 : 0] + entry.level : 0;
    if (!context.shadowPass && !context.lists.contains(key)) {
        context.items.prepare(model);
    }
    glPushMatrix();
    glTranslated(0, base - bottom, 0);
    context.lists.draw(key, [&] {
        ItemDrawOptions options;
        options.mode = context.shadowPass ? 1 : 0;
        options.opacity = entry.alpha;
        context.items.drawItem(model, context.metrics.tileSize, options);
    });
    glPopMatrix();
}

const model::LineItem* firstLineWithPoints(const model::CTrackItem& tile) {
    for (const auto& line : tile.lines()) {
        if (line != nullptr && line->points().size() >= 2) {
            return line.get();
        }
    }
    return nullptr;
}

} // namespace

void drawTileSupport(const DrawListEntry& entry, const TileContentsContext& context, int kind) {
    const SceneMetrics& metrics = context.metrics;
    const double s = metrics.tileSize;
    PierPlacement pier;
    if (!(entry.alpha > 0) || !pierPlacement(*entry.tile, s, metrics.layerHeight, pier, kind)) {
        return;
    }
    const double worldX = entry.column * s + pier.x;
    const double worldZ = entry.row * s + pier.z;
    const double ground = context.groundAt(worldX, worldZ);
    glPushMatrix();
    switch (pier.kind) {
    case model::KindPierFirst + 1: { // concrete blocks stacked down from the top
        items::C3DItemObject* block = items::getBuiltinItem(kConcreteBlockModel);
        double h = 0;
        double bottom = 0;
        if (block == nullptr || !modelHeight(*block, s, h, bottom)) {
            break;
        }
        glTranslated(worldX, 0, worldZ);
        glRotated(-pier.direction, 0, 1, 0);
        const int copies = static_cast<int>(std::max(0.0, pier.top - ground) / h);
        for (int i = 0; i <= copies && i < 1000; ++i) {
            drawModelCopy(*block, pier.top - 0.1 * s - h - i * h, bottom, kBlockKeys, entry,
                          context);
        }
        break;
    }
    case model::KindPierFirst + 2: { // a concrete head on a column of segments
        items::C3DItemObject* head = items::getBuiltinItem(kConcreteHeadModel);
        items::C3DItemObject* column = items::getBuiltinItem(kConcreteColumnModel);
        double headHeight = 0;
        double headBottom = 0;
        if (head == nullptr || !modelHeight(*head, s, headHeight, headBottom)) {
            break;
        }
        glTranslated(worldX, 0, worldZ);
        glRotated(-pier.direction, 0, 1, 0);
        const double headBase = pier.top - headHeight;
        drawModelCopy(*head, headBase, headBottom, kHeadKeys, entry, context);
        double segment = 0;
        double segmentBottom = 0;
        if (column == nullptr || !modelHeight(*column, s, segment, segmentBottom)) {
            break;
        }
        int count = static_cast<int>(std::max(0.0, headBase - std::max(ground, 0.0)) / segment);
        if (headBase > std::max(ground, 0.0)) {
            ++count;
        }
        if (ground < 0) {
            count += static_cast<int>((std::abs(ground) + segment) / segment);
        }
        for (int i = 0; i < count && i < 1000; ++i) {
            drawModelCopy(*column, headBase - (i + 1) * segment, segmentBottom, kColumnKeys, entry,
                          context);
        }
        break;
    }
    case model::KindPierFirst + 4: // arched bodies along the line
    case model::KindPierFirst + 5: {
        const model::LineItem* line = firstLineWithPoints(*entry.tile);
        if (line == nullptr) {
            break;
        }
        const int texture = pier.kind == model::KindPierFirst + 4 ? 31 : 53;
        glTranslated(entry.column * s, 0, entry.row * s);
        drawMesh(archBody(*line, s, metrics.layerHeight, entry.tile->level(),
                          pier.top - pier.trackHeight, ground, 0.6 * s, 0.8, texture),
                 entry.alpha, context);
        break;
    }
    default: { // stone wall (304, 310) and iron (313): a tapered column
        const int texture = pier.kind == model::KindPierFirst + 3 ? 51 : 31;
        glTranslated(worldX, 0, worldZ);
        glRotated(-pier.direction, 0, 1, 0);
        // The column stands on the terrain (nothing is drawn inside a hill) and its top stays
        // at the track; terrain above the track leaves no column.
        drawMesh(taperedColumn(pier.top, ground, 0.4 * s, 0.6 * s, texture, s), entry.alpha,
                 context);
        break;
    }
    }
    glPopMatrix();
}

} // namespace render::opengl
