#include "render/opengl/TrackDrawer.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <optional>

#include "model/CTrackControlItem.h"
#include "model/CTrackItem.h"
#include "model/CZarnoltDocument.h"
#include "model/DocumentRecords.h"
#include "model/LineItem.h"
#include "model/TrackTiles.h"
#include "render/CDocumentRenderer.h"
#include "render/ListKeys.h"
#include "render/QuadRuns.h"
#include "render/opengl/BuiltinTextures.h"
#include "render/opengl/CachedLists.h"
#include "render/opengl/ItemDrawer.h"
#include "render/opengl/TileContents.h"

namespace render::opengl {
namespace {

constexpr float kMetalSpecular[4] = {0.8f, 0.8f, 0.8f, 1.0f};
constexpr float kNoSpecular[4] = {0, 0, 0, 1};

// Colour tracking copies a colour into the material when the colour is set, but a colour put
// back by popping the attribute stack leaves the material as it was, and setting that same
// colour again may not copy it. Enabling tracking again copies the current colour.
void takeColourIntoMaterial() {
    glDisable(GL_COLOR_MATERIAL);
    glEnable(GL_COLOR_MATERIAL);
}

void beginItemPass(float alpha) {
    glDepthMask(GL_TRUE);
    if (alpha < 1) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    } else {
        glDisable(GL_BLEND);
    }
    glColor4f(1, 1, 1, alpha < 1 ? alpha : 1.0f);
    takeColourIntoMaterial();
    glPushMatrix();
}

// Tiles with a structure or control items keep their own lists: their contents are drawn
// right after their lines, as the tile pass always has.
bool chunkable(const model::CTrackItem& tile) {
    return !tile.isEmpty() && !tile.hasStructure() && !tile.hasControlItems();
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
    input.light = renderer.lightPosition();
    buildDrawLists(input, normal_, shadows ? &shadow_ : nullptr);
    if (!shadows) {
        shadow_.clear();
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

// The quads with their normals only, for an untextured look.
void emitShapes(const TrackMesh& mesh) {
    for (const TrackVertex& v : mesh.quads) {
        glNormal3f(v.nx, v.ny, v.nz);
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
        const bool cutOut = mesh.texture == kSleeperPatternTexture;
        const unsigned texture = cutOut             ? textures_.sleeperPattern()
                                 : mesh.texture > 0 ? textures_.name(mesh.texture)
                                                    : 0;
        if (cutOut && texture == 0) {
            // Without its pattern a sleeper strip would be one solid band: leave it out.
            first = last;
            continue;
        }
        if (cutOut) {
            glEnable(GL_ALPHA_TEST);
            glAlphaFunc(GL_GREATER, 0.5f);
        }
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
            if (texture != 0) {
                emitQuads(meshes[k]);
            } else {
                emitShapes(meshes[k]); // no texture reads the coordinates
            }
        }
        glEnd();
        if (mesh.metal) {
            glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, kNoSpecular);
            glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 0.0f);
        }
        if (cutOut) {
            glDisable(GL_ALPHA_TEST);
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

void TrackDrawer::beginChunkFrame(CDocumentRenderer& renderer) {
    const model::CZarnoltDocument& document = renderer.document();
    const SceneMetrics& metrics = renderer.sceneMetrics();
    columns_ = metrics.columns;
    rows_ = metrics.rows;
    chunkColumns_ = std::max(0, (columns_ + kChunkEdge - 1) / kChunkEdge);
    chunkRows_ = std::max(0, (rows_ + kChunkEdge - 1) / kChunkEdge);
    chunks_.assign(static_cast<std::size_t>(5 * chunkColumns_ * chunkRows_), ChunkState::Unknown);
    eye_ = renderer.currentPose().eye;
    fadeStart_ = fadeRange(renderer.cameraMode(), metrics.columns, metrics.rows, metrics.tileSize)
                     .nearDistance;
    fadingOff_ = document.testPreferenceFlag(model::PrefShowAllFarTracks) ||
                 document.testPreferenceFlag(model::PrefNoFade);
    tileSize_ = metrics.tileSize;
    layerHeight_ = metrics.layerHeight;
    GLint cullFace = 0;
    GLint frontFace = 0;
    glGetIntegerv(GL_CULL_FACE_MODE, &cullFace);
    glGetIntegerv(GL_FRONT_FACE, &frontFace);
    backFacesCulled_ =
        glIsEnabled(GL_CULL_FACE) == GL_TRUE && cullFace == GL_BACK && frontFace == GL_CCW;
    // A height h at distance d projects to about h × focal / d pixels, with the focal length in
    // pixels half the viewport's height times the projection's vertical scale.
    GLint viewport[4] = {0, 0, 0, 0};
    GLdouble projection[16] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    farDistance_ = 0;
    if (renderer.distantSidesTrimmed() && viewport[3] > 0 && projection[5] > 0 &&
        projection[15] == 0) {
        const double focal = projection[5] * viewport[3] / 2;
        constexpr double kMaxPixels = 0.5;
        farDistance_ = kRailSection * tileSize_ * focal / kMaxPixels;
    }
}

int TrackDrawer::chunkIndex(const DrawListEntry& entry) const {
    if (entry.tile == nullptr || entry.layer < 0 || entry.layer > 4 || entry.column < 0 ||
        entry.row < 0 || entry.column >= columns_ || entry.row >= rows_) {
        return -1;
    }
    return (entry.layer * chunkRows_ + entry.row / kChunkEdge) * chunkColumns_ +
           entry.column / kChunkEdge;
}

bool TrackDrawer::chunked(const DrawListEntry& entry) {
    const int index = chunkIndex(entry);
    if (index < 0 || entry.level != 0 || !chunkable(*entry.tile) ||
        chunkListKey(entry.layer, entry.column, entry.row, columns_, ChunkPass::Lines) ==
            kNoCacheKey) {
        return false;
    }
    ChunkState& state = chunks_[static_cast<std::size_t>(index)];
    if (state == ChunkState::Unknown) {
        // Distance from the eye is convex, so the tile centres at the chunk's four corners are
        // its farthest ones. Nearer than the fade's start, every tile of the chunk the list
        // holds is at level 0, and every one it lacks was left out by the frustum alone, so
        // drawing it with the chunk changes no pixel.
        bool whole = true;
        if (!fadingOff_) {
            const int c0 = entry.column / kChunkEdge * kChunkEdge;
            const int r0 = entry.row / kChunkEdge * kChunkEdge;
            const int c1 = std::min(c0 + kChunkEdge, columns_) - 1;
            const int r1 = std::min(r0 + kChunkEdge, rows_) - 1;
            const double y = entry.layer * layerHeight_ - eye_.y;
            const double margin = 1e-6 * tileSize_;
            for (const int c : {c0, c1}) {
                for (const int r : {r0, r1}) {
                    const double d = std::hypot((c + 0.5) * tileSize_ - eye_.x, y,
                                                (r + 0.5) * tileSize_ - eye_.z);
                    whole = whole && d < fadeStart_ - margin;
                }
            }
        }
        state = whole ? ChunkState::Whole : ChunkState::Split;
    }
    return state == ChunkState::Whole || state == ChunkState::Drawn;
}

bool TrackDrawer::firstOfChunk(const DrawListEntry& entry) {
    ChunkState& state = chunks_[static_cast<std::size_t>(chunkIndex(entry))];
    const bool first = state == ChunkState::Whole;
    state = ChunkState::Drawn;
    return first;
}

namespace {

// Adds a mesh's quads, moved by (dx, 0, dz), to the batch of its look, making one when none
// has that look yet; the batches keep the order in which their looks first came.
void addToBatches(std::vector<TrackMesh>& batches, const TrackMesh& mesh, float dx, float dz) {
    auto batch = std::find_if(batches.begin(), batches.end(),
                              [&](const TrackMesh& b) { return sameLook(b, mesh); });
    if (batch == batches.end()) {
        TrackMesh look;
        look.texture = mesh.texture;
        look.colour = mesh.colour;
        look.metal = mesh.metal;
        batches.push_back(std::move(look));
        batch = std::prev(batches.end());
    }
    batch->quads.reserve(batch->quads.size() + mesh.quads.size());
    for (TrackVertex v : mesh.quads) {
        v.x += dx;
        v.z += dz;
        batch->quads.push_back(v);
    }
}

} // namespace

namespace {

// A level quad facing straight down: culled as a back face by any eye above its height.
bool isLevelUnderside(const TrackVertex* quad) {
    for (int k = 0; k < 4; ++k) {
        if (!(quad[k].ny < -0.99f) || quad[k].y != quad[0].y) {
            return false;
        }
    }
    return true;
}

// A quad facing sideways or down no longer and no broader than the rail section: a sleeper's
// end face. (A rail's sides are kept: seen along their length they still cover pixels.)
bool isThinSide(const TrackVertex* quad, double section) {
    if (quad[0].ny > 0.5f) {
        return false;
    }
    double longest = 0;
    for (int k = 0; k < 4; ++k) {
        const TrackVertex& a = quad[k];
        const TrackVertex& b = quad[(k + 1) % 4];
        longest =
            std::max(longest, std::hypot(double(b.x - a.x), double(b.y - a.y), double(b.z - a.z)));
    }
    // The area of the quad from its two triangles' cross products.
    auto cross = [](const TrackVertex& o, const TrackVertex& a, const TrackVertex& b) {
        const double ax = a.x - o.x, ay = a.y - o.y, az = a.z - o.z;
        const double bx = b.x - o.x, by = b.y - o.y, bz = b.z - o.z;
        return std::hypot(ay * bz - az * by, az * bx - ax * bz, ax * by - ay * bx) / 2;
    };
    const double area = cross(quad[0], quad[1], quad[2]) + cross(quad[0], quad[2], quad[3]);
    return longest > 0 && longest <= section * 1.01 && area / longest <= section * 1.01;
}

// The batches without their level undersides and, with `thinSection` above 0, without the
// sides no broader than it.
std::vector<TrackMesh> withoutUndersides(const std::vector<TrackMesh>& batches,
                                         double thinSection = 0) {
    std::vector<TrackMesh> kept;
    for (const TrackMesh& batch : batches) {
        TrackMesh mesh;
        mesh.texture = batch.texture;
        mesh.colour = batch.colour;
        mesh.metal = batch.metal;
        for (std::size_t q = 0; q + 3 < batch.quads.size(); q += 4) {
            if (!isLevelUnderside(&batch.quads[q]) &&
                !(thinSection > 0 && isThinSide(&batch.quads[q], thinSection))) {
                mesh.quads.insert(mesh.quads.end(), batch.quads.begin() + q,
                                  batch.quads.begin() + q + 4);
            }
        }
        kept.push_back(std::move(mesh));
    }
    return kept;
}

} // namespace

TrackDrawer::ChunkGeometry TrackDrawer::chunkGeometry(bool ballast, int layer, int column, int row,
                                                      const SceneMetrics& metrics,
                                                      SleeperForm sleepers) const {
    const double s = metrics.tileSize;
    const int c0 = column / kChunkEdge * kChunkEdge;
    const int r0 = row / kChunkEdge * kChunkEdge;
    const int c1 = std::min(c0 + kChunkEdge, metrics.columns);
    const int r1 = std::min(r0 + kChunkEdge, metrics.rows);
    ChunkGeometry geometry;
    geometry.origin = {c0 * s, ballast ? 0.1 * metrics.shadowPlaneHeight : kBedLift * s, r0 * s};
    // One batch per look for the whole chunk: its state is set once and its quads make one
    // primitive, instead of a round of state changes per tile. The ballast is one look.
    for (int r = r0; r < r1; ++r) {
        for (int c = c0; c < c1; ++c) {
            const model::CTrackItem* tile =
                model::tileAt(layer, {static_cast<std::int16_t>(c), static_cast<std::int16_t>(r)});
            if (tile == nullptr || !chunkable(*tile) || (ballast && !tile->hasKind1())) {
                continue;
            }
            const float dx = static_cast<float>((c - c0) * s);
            const float dz = static_cast<float>((r - r0) * s);
            for (const auto& line : tile->lines()) {
                if (line == nullptr || (ballast && !line->isKind1())) {
                    continue;
                }
                // The kind is passed, never written back: another thread reads the lines.
                const int kind = ballast ? model::LineKindSecondBallast : line->getKind();
                for (const TrackMesh& mesh :
                     sweepLine(*line, kind, s, metrics.layerHeight, tile->level(), sleepers)) {
                    addToBatches(geometry.batches, mesh, dx, dz);
                }
            }
        }
    }
    for (const TrackMesh& batch : geometry.batches) {
        for (std::size_t q = 0; q + 3 < batch.quads.size(); q += 4) {
            if (isLevelUnderside(&batch.quads[q])) {
                geometry.heights.undersideTop =
                    std::max(geometry.heights.undersideTop, geometry.origin.y + batch.quads[q].y);
            }
            for (std::size_t k = q; k < q + 4; ++k) {
                geometry.heights.bottom =
                    std::min(geometry.heights.bottom, geometry.origin.y + batch.quads[k].y);
                geometry.heights.top =
                    std::max(geometry.heights.top, geometry.origin.y + batch.quads[k].y);
            }
        }
    }
    return geometry;
}

void TrackDrawer::drawChunk(bool ballast, const DrawListEntry& entry, const SceneMetrics& metrics) {
    const ChunkPass wholePass = ballast ? ChunkPass::Ballast : ChunkPass::Lines;
    const ChunkPass abovePass = ballast ? ChunkPass::BallastFromAbove : ChunkPass::LinesFromAbove;
    const ChunkPass farPass = ballast ? ChunkPass::BallastFar : ChunkPass::LinesFar;
    const std::int32_t wholeKey =
        chunkListKey(entry.layer, entry.column, entry.row, metrics.columns, wholePass);
    const std::int32_t aboveKey =
        chunkListKey(entry.layer, entry.column, entry.row, metrics.columns, abovePass);
    const std::int32_t farKey =
        chunkListKey(entry.layer, entry.column, entry.row, metrics.columns, farPass);
    // The height of the chunk's undersides is known while one of its lists lives (an edit or
    // a new board drops them all); otherwise the geometry is made now, and its list from it.
    std::optional<ChunkGeometry> geometry;
    auto known = chunkHeights_.find(wholeKey);
    if (known == chunkHeights_.end() ||
        (!lists_.contains(wholeKey) && !lists_.contains(aboveKey) && !lists_.contains(farKey))) {
        geometry = chunkGeometry(ballast, entry.layer, entry.column, entry.row, metrics);
        known = chunkHeights_.insert_or_assign(wholeKey, geometry->heights).first;
    }
    // The undersides are left out only where back faces are culled and the eye stands
    // clearly above all of them, so that each would have been culled.
    const bool fromAbove =
        backFacesCulled_ && eye_.y > known->second.undersideTop + 0.01 * metrics.tileSize;
    // The sleepers' end faces are left out where the nearest point of the chunk's box lies
    // beyond the far distance.
    bool far = false;
    if (fromAbove && farDistance_ > 0) {
        const double s = metrics.tileSize;
        const int c0 = entry.column / kChunkEdge * kChunkEdge;
        const int r0 = entry.row / kChunkEdge * kChunkEdge;
        const double x0 = c0 * s;
        const double z0 = r0 * s;
        const double x1 = std::min(c0 + kChunkEdge, metrics.columns) * s;
        const double z1 = std::min(r0 + kChunkEdge, metrics.rows) * s;
        const double dx = std::max({x0 - eye_.x, 0.0, eye_.x - x1});
        const double dz = std::max({z0 - eye_.z, 0.0, eye_.z - z1});
        const double dy =
            std::max({known->second.bottom - eye_.y, 0.0, eye_.y - known->second.top});
        far = std::hypot(dx, dy, dz) >= farDistance_;
    }
    if (far && !ballast) {
        ++farChunks_;
    }
    lists_.draw(far         ? farKey
                : fromAbove ? aboveKey
                            : wholeKey,
                [&] {
                    if (far && !ballast) {
                        // Beyond the far distance a sleeper is under half a pixel each way:
                        // one cut-out strip per line covers the pixels its bars would.
                        geometry = chunkGeometry(ballast, entry.layer, entry.column, entry.row,
                                                 metrics, SleeperForm::Strip);
                    } else if (!geometry) {
                        geometry =
                            chunkGeometry(ballast, entry.layer, entry.column, entry.row, metrics);
                        chunkHeights_.insert_or_assign(wholeKey, geometry->heights);
                    }
                    std::vector<TrackMesh> trimmed =
                        fromAbove ? withoutUndersides(geometry->batches,
                                                      far ? kRailSection * metrics.tileSize : 0)
                                  : std::vector<TrackMesh>{};
                    if (far) {
                        // Straight runs over several tiles become one quad per face. Nearer
                        // chunks keep their tiles' own quads, which lamps light vertex by
                        // vertex.
                        for (TrackMesh& mesh : trimmed) {
                            mesh.quads = joinStraightRuns(mesh.quads, mesh.texture != 0,
                                                          1e-4 * metrics.tileSize);
                        }
                    }
                    const std::vector<TrackMesh>& batches = fromAbove ? trimmed : geometry->batches;
                    glPushMatrix();
                    glTranslated(geometry->origin.x, geometry->origin.y, geometry->origin.z);
                    if (ballast) {
                        // The pass has set the strips' texture and colour.
                        glBegin(GL_QUADS);
                        for (const TrackMesh& mesh : batches) {
                            emitQuads(mesh);
                        }
                        glEnd();
                    } else {
                        drawMeshes(batches, 1.0f);
                    }
                    glPopMatrix();
                });
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
    takeColourIntoMaterial();
    beginChunkFrame(renderer);
    // Whole chunks first, one list each (the strips of different tiles never overlap, so
    // their order does not matter), then the tiles of the other chunks one by one.
    for (const DrawListEntry& entry : normal_) {
        if (entry.tile == nullptr || entry.layer != 0 || entry.level < 0 ||
            !entry.tile->hasKind1() || !chunked(entry)) {
            continue;
        }
        if (firstOfChunk(entry)) {
            drawChunk(true, entry, metrics);
        }
    }
    for (const DrawListEntry& entry : normal_) {
        if (entry.tile == nullptr || entry.layer != 0 || entry.level < 0 ||
            !entry.tile->hasKind1() || chunked(entry)) {
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
    beginChunkFrame(renderer);
    farChunks_ = 0;
    // The lines of whole chunks first, one list per chunk: all at full alpha, so the depth
    // test alone decides what is seen, whatever the order; faded tiles follow far to near.
    beginItemPass(1);
    for (const DrawListEntry& entry : normal_) {
        if (entry.vehicle != nullptr || !chunked(entry)) {
            continue;
        }
        if (firstOfChunk(entry)) {
            drawChunk(false, entry, metrics);
        }
    }
    endItemPass();
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
        if (chunked(entry)) {
            continue; // its chunk drew its lines, and it holds nothing else
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
