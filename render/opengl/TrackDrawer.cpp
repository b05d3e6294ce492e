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

TrackDrawer::TrackDrawer(CachedLists& lists, BuiltinTextures& textures)
    : lists_(lists), textures_(textures) {}

void TrackDrawer::buildLists(CDocumentRenderer& renderer) {
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
}

namespace {

// Leaves the current normal and texture coordinate as a new context has them, so that what
// is drawn after the track (and the next frame's first objects) does not inherit them.
void restoreCurrentVertexState() {
    glNormal3f(0, 0, 1);
    glTexCoord4f(0, 0, 0, 1);
}

} // namespace

void TrackDrawer::drawMeshes(const std::vector<TrackMesh>& meshes, float alpha) {
    for (const TrackMesh& mesh : meshes) {
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
        for (const TrackVertex& v : mesh.quads) {
            glNormal3f(v.nx, v.ny, v.nz);
            glTexCoord2f(v.u, v.v);
            glVertex3f(v.x, v.y, v.z);
        }
        glEnd();
        if (mesh.metal) {
            glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, kNoSpecular);
            glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 0.0f);
        }
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

void TrackDrawer::drawTilePier(const DrawListEntry& entry, const SceneMetrics& metrics,
                               const GroundHeight& groundHeight) {
    const double s = metrics.tileSize;
    PierPlacement pier;
    if (entry.alpha <= 0 || !pierPlacement(*entry.tile, s, metrics.layerHeight, pier)) {
        return;
    }
    const double worldX = entry.column * s + pier.x;
    const double worldZ = entry.row * s + pier.z;
    const double ground = groundHeight ? groundHeight(worldX, worldZ) : 0.0;
    // The column stands on the terrain (nothing is drawn inside a hill) and its top stays at
    // the track; terrain above the track leaves no column.
    const double foot = ground;
    int texture = 31; // stone
    switch (pier.kind) {
    case model::KindPierFirst + 3: // iron
        texture = 51;
        break;
    case model::KindPierFirst + 1: // concrete
    case model::KindPierFirst + 2:
        texture = 29;
        break;
    case model::KindPierFirst + 5: // iron arch
        texture = 53;
        break;
    default:
        break;
    }
    const TrackMesh column = taperedColumn(pier.top, foot, 0.4 * s, 0.6 * s, texture, s);
    if (column.quads.empty()) {
        return;
    }
    glPushMatrix();
    glTranslated(worldX, 0, worldZ);
    glRotated(-pier.direction, 0, 1, 0);
    drawMeshes({column}, entry.alpha);
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
    for (const DrawListEntry& entry : normal_) {
        if (entry.tile == nullptr || entry.layer != 0 || entry.level < 0 ||
            !entry.tile->hasKind1()) {
            continue;
        }
        lists_.draw(ballastListKey(entry.column, entry.row, metrics.columns), [&] {
            glPushMatrix();
            glTranslated(entry.column * s, 0.1 * metrics.shadowPlaneHeight, entry.row * s);
            for (const auto& line : entry.tile->lines()) {
                // The kind is passed, never written back: another thread reads the lines.
                if (line != nullptr && line->isKind1()) {
                    drawMeshes(sweepLine(*line, model::LineKindSecondBallast, s,
                                         metrics.layerHeight, entry.tile->level()),
                               1.0f);
                }
            }
            glPopMatrix();
        });
    }
    glDisable(GL_BLEND);
    glBindTexture(GL_TEXTURE_2D, 0);
    glColor4f(1, 1, 1, 1);
}

void TrackDrawer::drawPointNumbers(
    CDocumentRenderer& renderer,
    const std::function<void(int x, int y, const std::string&)>& text) {
    const SceneMetrics& metrics = renderer.sceneMetrics();
    GLdouble modelView[16];
    GLdouble projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    for (const DrawListEntry& entry : normal_) {
        if (entry.tile == nullptr || entry.level < 0 || entry.level > 9 ||
            entry.tile->pointItem() == nullptr) {
            continue;
        }
        const int number = entry.tile->getPointNumber();
        if (number <= 0) {
            continue;
        }
        const double s = metrics.tileSize;
        GLdouble x = 0, y = 0, z = 0;
        if (gluProject((entry.column + 0.5) * s,
                       entry.tile->level() * metrics.layerHeight + 0.3 * s, (entry.row + 0.5) * s,
                       modelView, projection, viewport, &x, &y, &z) != GL_TRUE ||
            z < 0 || z > 1) {
            continue; // behind the eye
        }
        const std::string label = std::to_string(number);
        text(static_cast<int>(x) - 4 * static_cast<int>(label.size()),
             viewport[3] - static_cast<int>(y), label);
    }
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
    GLfloat colour[4] = {0, 0, 0, 0.2f};
    glGetFloatv(GL_CURRENT_COLOR, colour);
    for (const DrawListEntry& entry : normal_) {
        if (!castsShadow(entry)) {
            continue;
        }
        glColor4f(colour[0], colour[1], colour[2], colour[3] * entry.alpha);
        const std::int32_t key =
            tileListKey(entry.layer, entry.column, entry.row, metrics.columns, 0, true);
        lists_.draw(key, [&] {
            const model::CTrackItem& tile = *entry.tile;
            glPushMatrix();
            glTranslated(entry.column * s, kBedLift * s, entry.row * s);
            for (const auto& line : tile.lines()) {
                if (line != nullptr) {
                    drawMeshShapes(
                        sweepLine(*line, line->getKind(), s, metrics.layerHeight, tile.level()));
                }
            }
            glPopMatrix();
        });
    }
    glColor4f(colour[0], colour[1], colour[2], colour[3]);
}

void TrackDrawer::drawNormalPass(CDocumentRenderer& renderer,
                                 const std::function<void(const DrawListEntry&)>& drawVehicle) {
    const SceneMetrics& metrics = renderer.sceneMetrics();
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
        lists_.draw(key, [&] {
            drawTileLines(entry, metrics);
            drawTilePier(entry, metrics, renderer.hooks().groundHeight);
        });
        trees_.draw(entry, metrics, renderer.hooks().groundHeight);
        drawTileContents(entry, metrics, textures_);
        endItemPass();
    }
}

} // namespace render::opengl
