#include "render/opengl/Environment.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "image/FileBytes.h"
#include "image/PngCodec.h"
#include "items/BuiltinFiles.h"
#include "model/CZarnoltDocument.h"
#include "render/CDocumentRenderer.h"
#include "render/ListKeys.h"
#include "render/ShadowProjection.h"
#include "render/TerrainSource.h"
#include "render/opengl/BuiltinTextures.h"
#include "render/opengl/CachedLists.h"

namespace render::opengl {
namespace {

constexpr int kSkyHeightPicture = 11999;
constexpr int kGroundDetailTexture = 30;
constexpr float kMottleRepeat = 0.25f; // once per four tiles
constexpr int kFirstSkyTexture = 34;
constexpr int kNightSky = 5;
constexpr int kFirstWaterTexture = 14;
constexpr int kWaterFrames = 14;
constexpr int kWaterEdge = 20;
constexpr std::uintmax_t kMaxPictureBytes = std::uintmax_t{64} << 20;

// The sky's height image sampled on a 9 × 9 grid, 0 … 1, with a border of 0. The samples stay
// inside the picture; a missing picture gives a flat sky.
std::array<double, 81> skyHeights() {
    std::array<double, 81> out{};
    const auto path = items::findBuiltinPicture(kSkyHeightPicture);
    if (path.empty()) {
        return out;
    }
    const auto bytes = image::readFileBytes(path, kMaxPictureBytes);
    if (!bytes) {
        return out;
    }
    const image::Picture picture = image::decodePngPicture(*bytes);
    if (picture.empty() || picture.bytesPerPixel() < 3) {
        return out;
    }
    for (int i = 1; i < 8; ++i) {
        for (int j = 1; j < 8; ++j) {
            const int x = std::min(picture.width() * j / 8, picture.width() - 1);
            const int y = std::min(picture.height() * i / 8, picture.height() - 1);
            const std::uint8_t* p = picture.pixel(x, y);
            out[static_cast<std::size_t>(i * 9 + j)] = (p[0] + p[1] + p[2]) / (3.0 * 255.0);
        }
    }
    return out;
}

} // namespace

Environment::Environment(CachedLists& lists, BuiltinTextures& textures)
    : lists_(lists), textures_(textures) {}

int Environment::waterFrame(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0) {
        return 0;
    }
    return static_cast<int>(std::fmod(std::floor(seconds * 10), kWaterFrames));
}

void Environment::compileTerrain(CDocumentRenderer& renderer, bool eyeAbove) {
    const Terrain& terrain = renderer.terrain();
    glPushAttrib(GL_ENABLE_BIT);
    if (!eyeAbove) {
        glDisable(GL_CULL_FACE); // seen from below the ground plane
    }
    // The ground detail repeats once per tile (unit 0), its broad mottle once per four tiles
    // (unit 1); the caller binds and enables both.
    glBegin(GL_TRIANGLES);
    terrain.visitTriangles(terrainColoursOf(renderer.document()), [](const TerrainVertex* v) {
        for (int k = 0; k < 3; ++k) {
            glColor4f(v[k].r, v[k].g, v[k].b, 1);
            glNormal3f(v[k].nx, v[k].ny, v[k].nz);
            glMultiTexCoord2f(GL_TEXTURE0, v[k].u, v[k].v);
            glMultiTexCoord2f(GL_TEXTURE1, v[k].u * kMottleRepeat, v[k].v * kMottleRepeat);
            glVertex3f(v[k].x, v[k].y, v[k].z);
        }
    });
    glEnd();
    glPopAttrib();
    glColor4f(1, 1, 1, 1);
}

void Environment::drawTerrain(CDocumentRenderer& renderer, bool eyeAbove) {
    // One pass: the lit ground colour times the detail and the mottle, each a texture unit
    // modulating the one before, instead of two blended passes over the whole surface.
    glPushAttrib(GL_ENABLE_BIT | GL_TEXTURE_BIT);
    for (const GLenum unit : {GL_TEXTURE0, GL_TEXTURE1}) {
        glActiveTexture(unit);
        glEnable(GL_TEXTURE_2D);
        textures_.bind(kGroundDetailTexture);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    }
    lists_.draw(eyeAbove ? kTerrainAboveListKey : kTerrainBelowListKey,
                [&] { compileTerrain(renderer, eyeAbove); });
    for (const GLenum unit : {GL_TEXTURE1, GL_TEXTURE0}) {
        glActiveTexture(unit);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    glPopAttrib();
    glColor4f(1, 1, 1, 1);
}

void Environment::compileOuterGround(CDocumentRenderer& renderer) {
    const SceneMetrics& m = renderer.sceneMetrics();
    const auto colours = terrainColoursOf(renderer.document());
    const int marginX = std::max(10, m.columns / 4);
    const int marginZ = std::max(10, m.rows / 4);
    const double s = m.tileSize;
    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_TEXTURE_2D);
    glColor4f(colours.ground[0] / 65535.0f, colours.ground[1] / 65535.0f,
              colours.ground[2] / 65535.0f, 1);
    glNormal3f(0, 1, 0);
    // One-tile quads; on big boards larger squares keep the list small (the plane is flat, so
    // only the lighting's sampling changes).
    const int step = std::max(1, std::max(m.columns, m.rows) / 100);
    auto strip = [&](int x0, int z0, int x1, int z1) {
        for (int z = z0; z < z1; z += step) {
            for (int x = x0; x < x1; x += step) {
                const double xa = x * s;
                const double za = z * s;
                const double xb = std::min(x + step, x1) * s;
                const double zb = std::min(z + step, z1) * s;
                glVertex3d(xa, 0, za);
                glVertex3d(xa, 0, zb);
                glVertex3d(xb, 0, zb);
                glVertex3d(xb, 0, za);
            }
        }
    };
    glBegin(GL_QUADS);
    strip(-marginX, -marginZ, m.columns + marginX, 0);
    strip(-marginX, m.rows, m.columns + marginX, m.rows + marginZ);
    strip(-marginX, 0, 0, m.rows);
    strip(m.columns, 0, m.columns + marginX, m.rows);
    glEnd();
    glPopAttrib();
    glColor4f(1, 1, 1, 1);
}

void Environment::drawGroundStencil(CDocumentRenderer& renderer) {
    const bool layoutView = renderer.cameraMode() == ModeLayout;
    const CameraPose pose = renderer.currentPose();
    const SceneMetrics& m = renderer.sceneMetrics();
    const bool eyeAbove = layoutView ? pose.eye.y - m.centreY >= 0 : pose.eye.y >= 0;
    // New terrain colours recolour the ground on this frame.
    const TerrainColours colours = terrainColoursOf(renderer.document());
    if (groundColours_ != colours) {
        for (const std::int32_t key :
             {kOuterGroundListKey, kTerrainAboveListKey, kTerrainBelowListKey}) {
            lists_.remove(key);
        }
        groundColours_ = colours;
    }
    glEnable(GL_STENCIL_TEST);
    glStencilMask(~0u);
    glStencilFunc(GL_ALWAYS, 1, ~0u);
    glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
    drawTerrain(renderer, eyeAbove);
    if (!layoutView) {
        lists_.draw(kOuterGroundListKey, [&] { compileOuterGround(renderer); });
    }
    glDisable(GL_STENCIL_TEST);
    glStencilMask(0);
}

void Environment::compileSky(CDocumentRenderer& renderer) {
    const int sky = std::clamp(renderer.document().getSkyType(), 0, kNightSky);
    const double brightness = renderer.brightness();
    const double size = 100 * renderer.sceneMetrics().maxExtent();
    const double repeat = sky == kNightSky ? 35.0 : 1.0;
    const std::array<double, 81> heights = skyHeights();
    glPushMatrix();
    glFrontFace(GL_CW);
    glTranslated(-size / 2, 0, -size / 2);
    const float grey = static_cast<float>(std::clamp(brightness, 0.0, 1.0));
    glColor4f(grey, grey, grey, 1);
    for (int i = 0; i < 8; ++i) {
        glBegin(GL_TRIANGLE_STRIP);
        for (int j = 0; j <= 8; ++j) {
            for (int k : {i, i + 1}) {
                glTexCoord2d(repeat * j / 8, repeat * k / 8);
                glVertex3d(size * j / 8, 0.2 * size * heights[static_cast<std::size_t>(k * 9 + j)],
                           size * k / 8);
            }
        }
        glEnd();
    }
    glFrontFace(GL_CCW);
    glPopMatrix();
}

void Environment::drawSky(CDocumentRenderer& renderer) {
    const int sky = std::clamp(renderer.document().getSkyType(), 0, kNightSky);
    if (renderer.brightness() != skyBrightness_ || sky != skyType_) {
        lists_.remove(kSkyDomeListKey);
        skyBrightness_ = renderer.brightness();
        skyType_ = sky;
    }
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_POLYGON_BIT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_NORMALIZE);
    glDisable(GL_FOG);
    glEnable(GL_TEXTURE_2D);
    textures_.bind(kFirstSkyTexture + sky);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    lists_.draw(kSkyDomeListKey, [&] { compileSky(renderer); });
    glBindTexture(GL_TEXTURE_2D, 0);
    glPopAttrib();
    glColor4f(1, 1, 1, 1);
}

bool Environment::waterWanted(CDocumentRenderer& renderer) const {
    return !renderer.document().testEnvironmentFlag(model::EnvNoWater) &&
           renderer.terrain().lowest() < 0;
}

void Environment::drawWater(CDocumentRenderer& renderer) {
    const SceneMetrics& m = renderer.sceneMetrics();
    if (waterWidth_ != m.width || waterDepth_ != m.depth) {
        waterWidth_ = m.width;
        waterDepth_ = m.depth;
        waterVertices_.clear();
        waterTexCoords_.clear();
        waterIndices_.clear();
        for (int j = 0; j < kWaterEdge; ++j) {
            for (int i = 0; i < kWaterEdge; ++i) {
                waterVertices_.push_back(static_cast<float>(-m.width / 2 + m.width * i / 19));
                waterVertices_.push_back(static_cast<float>(-m.depth / 2 + m.depth * j / 19));
                waterVertices_.push_back(0);
                waterTexCoords_.push_back(static_cast<float>(2 * i));
                waterTexCoords_.push_back(static_cast<float>(2 * j));
            }
        }
        for (int j = 0; j + 1 < kWaterEdge; ++j) {
            for (int i = 0; i + 1 < kWaterEdge; ++i) {
                const auto a = static_cast<unsigned short>(j * kWaterEdge + i);
                const auto b = static_cast<unsigned short>(a + 1);
                const auto c = static_cast<unsigned short>(a + kWaterEdge);
                const auto d = static_cast<unsigned short>(c + 1);
                waterIndices_.insert(waterIndices_.end(), {a, b, d, a, d, c});
            }
        }
    }
    const int frame = waterFrame(renderer.animationSeconds());
    glPushMatrix();
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glTranslated(m.width / 2, m.waterLevel * m.tileSize, m.depth / 2);
    glRotated(-90, 1, 0, 0);
    glDisable(GL_CULL_FACE); // the plane is seen from above and, under water, from below
    glColor4f(1, 1, 1, static_cast<float>(renderer.brightness() * 0.4 + 0.1));
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glEnable(GL_TEXTURE_2D);
    textures_.bind(kFirstWaterTexture + frame);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glNormal3f(0, 0, 1);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, waterVertices_.data());
    glTexCoordPointer(2, GL_FLOAT, 0, waterTexCoords_.data());
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(waterIndices_.size()), GL_UNSIGNED_SHORT,
                   waterIndices_.data());
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glBindTexture(GL_TEXTURE_2D, 0);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
    glPopMatrix();
    glColor4f(1, 1, 1, 1);
}

void Environment::drawShadows(CDocumentRenderer& renderer, const std::function<void()>& casters) {
    if (!casters) {
        return;
    }
    const SceneMetrics& m = renderer.sceneMetrics();
    const auto matrix =
        shadowProjectionMatrix(renderer.lightPosition(), m.shadowPlaneHeight * m.tileSize);
    if (!matrix) {
        return; // the light stands on the plane: no defined projection this frame
    }
    glPushMatrix();
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT |
                 GL_STENCIL_BUFFER_BIT);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_CULL_FACE); // the projection flattens faces of either winding
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_FALSE);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glEnable(GL_STENCIL_TEST);
    glStencilMask(~0u);
    glStencilFunc(GL_EQUAL, 1, ~0u);
    // Each ground pixel is darkened once: the first shadow fragment clears its mark.
    glStencilOp(GL_KEEP, GL_KEEP, GL_ZERO);
    glColor4f(0, 0, 0, 0.2f);
    glMultMatrixd(matrix->data());
    casters();
    glPopAttrib();
    glPopMatrix();
    glStencilMask(0);
    glColor4f(1, 1, 1, 1);
}

} // namespace render::opengl
