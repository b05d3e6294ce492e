#include "render/opengl/TrackDrawer.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>

#include "model/CTrackControlItem.h"
#include "model/CTrackItem.h"
#include "model/CZarnoltDocument.h"
#include "model/DocumentRecords.h"
#include "model/LineItem.h"
#include "render/CDocumentRenderer.h"
#include "render/ListKeys.h"
#include "render/opengl/BuiltinTextures.h"
#include "render/opengl/CachedLists.h"
#include "render/opengl/ItemDrawer.h"
#include "render/opengl/TileContents.h"

namespace render::opengl {
namespace {

constexpr float kMetalSpecular[4] = {0.8f, 0.8f, 0.8f, 1.0f};
constexpr float kNoSpecular[4] = {0, 0, 0, 1};

void beginItemPass(float alpha) {
    glDepthMask(GL_TRUE);
    if (alpha < 1) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    } else {
        glDisable(GL_BLEND);
    }
    glColor4f(1, 1, 1, alpha < 1 ? alpha : 1.0f);
    glPushMatrix();
}

void endItemPass() {
    glDisable(GL_BLEND);
    glPopMatrix();
}

} // namespace

TrackDrawer::TrackDrawer(CachedLists& lists, BuiltinTextures& textures, ItemDrawer& items)
    : lists_(lists), textures_(textures), items_(items) {}

void TrackDrawer::buildLists(CDocumentRenderer& renderer, bool shadows) {
    const model::CZarnoltDocument& document = renderer.document();
    const SceneMetrics& metrics = renderer.sceneMetrics();
    DrawListInput input;
    input.eye = renderer.currentPose().eye;
    input.frustum = &renderer.viewFrustum();
    input.range = fadeRange(renderer.cameraMode(), metrics.columns, metrics.rows, metrics.tileSize);
    input.showAllFar = document.testPreferenceFlag(model::PrefShowAllFarTracks);
    input.noFade = document.testPreferenceFlag(model::PrefNoFade);
    input.fog = renderer.cameraMode() != ModeLayout && document.testEnvironmentFlag(model::EnvFog);
    input.fogEnd = 20 * metrics.tileSize;
    input.tileSize = metrics.tileSize;
    input.layerHeight = metrics.layerHeight;
    normal_ = buildDrawList(input);
    shadow_.clear();
    if (shadows) {
        input.shadowPass = true;
        input.light = renderer.lightPosition();
        shadow_ = buildDrawList(input);
    }
}

TileContentsContext TrackDrawer::contentsContext(CDocumentRenderer& renderer, bool shadowPass) {
    return TileContentsContext{renderer.sceneMetrics(),
                               textures_,
                               items_,
                               lists_,
                               renderer.hooks().groundHeight,
                               renderer.currentPose().eye,
                               shadowPass,
                               renderer.showPointNumbers()};
}

namespace {

// Leaves the current normal and texture coordinate as a new context has them, so that what
// is drawn after the track (and the next frame's first objects) does not inherit them.
void restoreCurrentVertexState() {
    glNormal3f(0, 0, 1);
    glTexCoord4f(0, 0, 0, 1);
}

} // namespace

namespace {

bool sameLook(const TrackMesh& a, const TrackMesh& b) {
    return a.texture == b.texture && a.colour == b.colour && a.metal == b.metal;
}

// The quads of one mesh with their normals and texture coordinates, inside glBegin/glEnd.
void emitQuads(const TrackMesh& mesh) {
    for (const TrackVertex& v : mesh.quads) {
        glNormal3f(v.nx, v.ny, v.nz);
        glTexCoord2f(v.u, v.v);
        glVertex3f(v.x, v.y, v.z);
    }
}

} // namespace

void TrackDrawer::drawMeshes(const std::vector<TrackMesh>& meshes, float alpha) {
    // Meshes that look alike and follow each other (the two rails) share one set of state
    // changes and one primitive, drawn in the same order.
    for (std::size_t first = 0; first < meshes.size();) {
        const TrackMesh& mesh = meshes[first];
        std::size_t last = first + 1;
        while (last < meshes.size() && sameLook(meshes[last], mesh)) {
            ++last;
        }
        const unsigned texture = mesh.texture > 0 ? textures_.name(mesh.texture) : 0;
        if (texture != 0) {
            glEnable(GL_TEXTURE_2D);
            glBindTexture(GL_TEXTURE_2D, texture);
        } else {
            glDisable(GL_TEXTURE_2D);
        }
        if (mesh.metal) {
            glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, kMetalSpecular);
            glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 60.0f);
        }
        glColor4f(mesh.colour[0], mesh.colour[1], mesh.colour[2], alpha);
        glBegin(GL_QUADS);
        for (std::size_t k = first; k < last; ++k) {
            emitQuads(meshes[k]);
        }
        glEnd();
        if (mesh.metal) {
            glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, kNoSpecular);
            glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 0.0f);
        }
        first = last;
    }
    glDisable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
    restoreCurrentVertexState();
    glColor4f(1, 1, 1, alpha);
}

void TrackDrawer::drawMeshShapes(const std::vector<TrackMesh>& meshes) {
    glBegin(GL_QUADS);
    for (const TrackMesh& mesh : meshes) {
        for (const TrackVertex& v : mesh.quads) {
            glVertex3f(v.x, v.y, v.z);
        }
    }
    glEnd();
}

void TrackDrawer::drawTileLines(const DrawListEntry& entry, const SceneMetrics& metrics) {
    const model::CTrackItem& tile = *entry.tile;
    const double s = metrics.tileSize;
    glPushMatrix();
    glTranslated(entry.column * s, kBedLift * s, entry.row * s);
    for (const auto& line : tile.lines()) {
        if (line == nullptr) {
            continue;
        }
        drawMeshes(sweepLine(*line, line->getKind(), s, metrics.layerHeight, tile.level()),
                   entry.alpha);
    }
    glPopMatrix();
}

void TrackDrawer::drawBallast(CDocumentRenderer& renderer) {
    if (renderer.document().testPreferenceFlag(model::PrefNoBallast)) {
        return;
    }
    const SceneMetrics& metrics = renderer.sceneMetrics();
    const double s = metrics.tileSize;
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    // Every strip has the same look: its texture and colour are set once for the pass, and
    // each tile's list holds only its quads.
    const unsigned texture = textures_.name(lineSection(model::LineKindSecondBallast).topTexture);
    if (texture != 0) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, texture);
    }
    glColor4f(1, 1, 1, 1);
    for (const DrawListEntry& entry : normal_) {
        if (entry.tile == nullptr || entry.layer != 0 || entry.level < 0 ||
            !entry.tile->hasKind1()) {
            continue;
        }
        lists_.draw(ballastListKey(entry.column, entry.row, metrics.columns), [&] {
            glPushMatrix();
            glTranslated(entry.column * s, 0.1 * metrics.shadowPlaneHeight, entry.row * s);
            glBegin(GL_QUADS);
            for (const auto& line : entry.tile->lines()) {
                // The kind is passed, never written back: another thread reads the lines.
                if (line != nullptr && line->isKind1()) {
                    for (const TrackMesh& mesh :
                         sweepLine(*line, model::LineKindSecondBallast, s, metrics.layerHeight,
                                   entry.tile->level())) {
                        emitQuads(mesh);
                    }
                }
            }
            glEnd();
            glPopMatrix();
        });
    }
    glDisable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
    restoreCurrentVertexState();
    glDisable(GL_BLEND);
    glColor4f(1, 1, 1, 1);
}

namespace {

// Ground tiles cast no shadow unless they hold a line of the upper networks (a monorail beam
// or a road standing above the ground); elevated tiles always do.
bool castsShadow(const DrawListEntry& entry) {
    if (entry.tile == nullptr || entry.level < 0 || entry.level > 9) {
        return false;
    }
    if (entry.layer > 0) {
        return true;
    }
    for (const auto& line : entry.tile->lines()) {
        if (line != nullptr &&
            (line->getKind() == model::LineKindThird || line->getKind() == model::LineKindFourth)) {
            return true;
        }
    }
    return false;
}

} // namespace

void TrackDrawer::drawShadowPass(CDocumentRenderer& renderer) {
    const SceneMetrics& metrics = renderer.sceneMetrics();
    const double s = metrics.tileSize;
    shadowCasters_ = 0;
    GLfloat colour[4] = {0, 0, 0, 0.2f};
    glGetFloatv(GL_CURRENT_COLOR, colour);
    const TileContentsContext context = contentsContext(renderer, true);
    for (const DrawListEntry& entry : shadow_) {
        if (entry.tile == nullptr || entry.level < 0 || entry.level > 9) {
            continue;
        }
        const model::CTrackItem& tile = *entry.tile;
        const bool tracks = castsShadow(entry);
        // Contents cast a shadow only where the tile's centre lies on flat ground.
        const bool contents =
            (tile.hasStructure() || !tile.controlItems().empty()) &&
            context.groundAt((entry.column + 0.5) * s, (entry.row + 0.5) * s) == 0;
        if (!tracks && !contents) {
            continue;
        }
        ++shadowCasters_;
        glColor4f(colour[0], colour[1], colour[2], colour[3] * entry.alpha);
        if (tracks) {
            const std::int32_t key =
                tileListKey(entry.layer, entry.column, entry.row, metrics.columns, 0, true);
            lists_.draw(key, [&] {
                glPushMatrix();
                glTranslated(entry.column * s, kBedLift * s, entry.row * s);
                for (const auto& line : tile.lines()) {
                    if (line != nullptr) {
                        drawMeshShapes(sweepLine(*line, line->getKind(), s, metrics.layerHeight,
                                                 tile.level()));
                    }
                }
                glPopMatrix();
            });
        }
        if (contents) {
            drawTileContents(entry, context);
        }
    }
    glColor4f(colour[0], colour[1], colour[2], colour[3]);
}

void TrackDrawer::drawNormalPass(CDocumentRenderer& renderer,
                                 const std::function<void(const DrawListEntry&)>& drawVehicle) {
    const SceneMetrics& metrics = renderer.sceneMetrics();
    const TileContentsContext context = contentsContext(renderer, false);
    for (const DrawListEntry& entry : normal_) {
        if (entry.vehicle != nullptr) {
            if (drawVehicle) {
                drawVehicle(entry);
            }
            continue;
        }
        drawTunnelPortals(entry, metrics, textures_);
        if (entry.level < 0 || entry.level > 9) {
            continue; // beyond the fade: only the tunnel portals
        }
        beginItemPass(entry.alpha);
        const std::int32_t key =
            tileListKey(entry.layer, entry.column, entry.row, metrics.columns, entry.level, false);
        lists_.draw(key, [&] { drawTileLines(entry, metrics); });
        trees_.draw(entry, metrics, renderer.hooks().groundHeight);
        drawTileContents(entry, context);
        endItemPass();
    }
}

} // namespace render::opengl
