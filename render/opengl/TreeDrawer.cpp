#include "render/opengl/TreeDrawer.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

#include "model/CTrackItem.h"
#include "render/TreePlacement.h"
#include "render/opengl/BuiltinTextures.h"
#include "render/opengl/CachedLists.h"

namespace render::opengl {
namespace {

constexpr float kTrunkColour[3] = {75 / 255.0f, 60 / 255.0f, 13 / 255.0f};
constexpr float kPlainLeafColour[3] = {0.8f, 1.0f, 0.8f};
constexpr int kTreeSegments = 24;
constexpr double kTrunkRadius = 0.035; // tile sizes
constexpr double kTrunkHeight = 0.5;
constexpr double kFoliageBase = 0.35;
constexpr double kFoliageSide = 0.31;
constexpr double kFoliageHeight = 0.6;

// A square card of side `a` in the y-z plane about the origin; its normal, once the leaf
// mass's half turn about the vertical is applied, points outwards.
void card(double a, bool shadowPass) {
    const double h = a / 2;
    glBegin(GL_QUADS);
    if (!shadowPass) {
        glNormal3d(-1, 0, 0);
    }
    glTexCoord2d(0, 0), glVertex3d(0, -h, -h);
    glTexCoord2d(1, 0), glVertex3d(0, -h, h);
    glTexCoord2d(1, 1), glVertex3d(0, h, h);
    glTexCoord2d(0, 1), glVertex3d(0, h, -h);
    glEnd();
}

} // namespace

void placeLeafCards(int n, double a, double h, double s, const std::function<void()>& card) {
    const double g = 0.6 * n;
    for (int i = 0; i < n; ++i) {
        glPushMatrix();
        glTranslated(0, h * i + (i >= g ? 0.05 * s : 0.0), 0);
        glRotated(-(360.0 / n * 3) * i, 0, 1, 0);
        glTranslated(i > g ? 0.6 * a : a, 0, 0);
        glRotated(45, 1, 0, 0);
        glRotated(i < g ? 20 : (i < 0.8 * n ? 40 : 60), 0, 0, 1);
        glRotated(180, 0, 1, 0);
        card();
        glPopMatrix();
    }
    glPushMatrix();
    glTranslated(0, h * n, 0);
    glRotated(90, 0, 0, 1);
    glRotated(180, 0, 1, 0);
    card();
    glPopMatrix();
}

void drawLeafMass(const LeafMass& mass, double tileSize, float alpha, bool shadowPass,
                  BuiltinTextures& textures) {
    const int n = mass.segments;
    if (n <= 0) {
        return;
    }
    const double s = tileSize;
    const double a = mass.side;
    const double h = mass.layerHeight;
    if (!shadowPass) {
        const float* c = mass.colour != nullptr ? mass.colour : kPlainLeafColour;
        glColor4f(c[0], c[1], c[2], alpha);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glDepthFunc(GL_LEQUAL);
        // The gaps between the leaves leave no depth behind, so cards further in still show.
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(GL_GREATER, 0.0f);
        if (mass.texture >= 0) {
            glEnable(GL_TEXTURE_2D);
            textures.bind(mass.texture);
            glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        }
    }
    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_CULL_FACE); // the cards are seen from both sides
    placeLeafCards(n, a, h, s, [&] { card(a, shadowPass); });
    glPopAttrib();
    if (!shadowPass) {
        glDisable(GL_ALPHA_TEST);
        glDisable(GL_BLEND);
        glDisable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, 0);
        glDepthFunc(GL_LESS);
    }
}

TreeDrawer::TreeDrawer(CachedLists& lists, BuiltinTextures& textures)
    : lists_(lists), textures_(textures) {}

void TreeDrawer::drawShape(int level, double s, float alpha, bool shadowPass) {
    if (!shadowPass) {
        glColor4f(kTrunkColour[0], kTrunkColour[1], kTrunkColour[2], alpha);
    }
    GLUquadric* q = gluNewQuadric();
    if (q != nullptr) {
        gluQuadricNormals(q, shadowPass ? GLU_NONE : GLU_SMOOTH);
        glPushMatrix();
        glRotated(-90, 1, 0, 0); // the trunk stands up along +y
        gluCylinder(q, kTrunkRadius * s, kTrunkRadius * s, kTrunkHeight * s,
                    treeIsLowDetail(level) ? 3 : 8, 1);
        glPopMatrix();
        gluDeleteQuadric(q);
    }
    glPushMatrix();
    glTranslated(0, kFoliageBase * s, 0);
    LeafMass foliage;
    foliage.segments = kTreeSegments;
    foliage.side = kFoliageSide * s;
    foliage.layerHeight = kFoliageHeight / kTreeSegments * s;
    drawLeafMass(foliage, s, alpha, shadowPass, textures_);
    glPopMatrix();
}

void TreeDrawer::draw(const DrawListEntry& entry, const SceneMetrics& metrics,
                      const GroundHeight& groundHeight) {
    if (entry.tile == nullptr || entry.level < 0 || entry.level > 9) {
        return;
    }
    const auto place = treePlace(*entry.tile, metrics.tileSize, metrics.layerHeight, groundHeight);
    if (!place) {
        return;
    }
    glPushMatrix();
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_CURRENT_BIT);
    glTranslated(place->trunk.x, place->trunk.y, place->trunk.z);
    lists_.draw(treeListKey(entry.level, false),
                [&] { drawShape(entry.level, metrics.tileSize, entry.alpha, false); });
    glPopAttrib();
    glPopMatrix();
}

void TreeDrawer::drawShadows(const DrawList& list, const SceneMetrics& metrics,
                             const GroundHeight& groundHeight) {
    GLfloat colour[4] = {0, 0, 0, 0.2f};
    glGetFloatv(GL_CURRENT_COLOR, colour);
    for (const DrawListEntry& entry : list) {
        if (entry.tile == nullptr || entry.level < 0 || entry.level > 9) {
            continue;
        }
        const auto place =
            treePlace(*entry.tile, metrics.tileSize, metrics.layerHeight, groundHeight);
        if (!place) {
            continue;
        }
        const model::TilePos pos = entry.tile->getPosition();
        const double s = metrics.tileSize;
        if (groundHeight && groundHeight((pos.column + 0.5) * s, (pos.row + 0.5) * s) != 0) {
            continue; // on a hill or in a hollow: the shadow would fall inside the terrain
        }
        glColor4f(colour[0], colour[1], colour[2], colour[3] * entry.alpha);
        glPushMatrix();
        glTranslated(place->trunk.x, place->trunk.y, place->trunk.z);
        lists_.draw(treeListKey(entry.level, true), [&] { drawShape(entry.level, s, 1.0f, true); });
        glPopMatrix();
    }
    glColor4f(colour[0], colour[1], colour[2], colour[3]);
}

} // namespace render::opengl
