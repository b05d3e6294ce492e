#include "render/opengl/TileContents.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

#include "model/CTrackControlItem.h"
#include "model/CTrackItem.h"
#include "model/LineItem.h"
#include "render/opengl/BuiltinTextures.h"
#include "render/opengl/CachedLists.h"
#include "render/opengl/TilePieces.h"
#include "render/opengl/TileSupports.h"

namespace render::opengl {
namespace {

constexpr int kTileEdge = 40; // layout units per tile

// An axis-aligned box from (x0, y0, z0) to (x1, y1, z1) with outward normals. Pictures are
// stored top row first, so `upright` turns the texture's rows round to show a picture (a name
// board's lettering) the right way up on the sides.
void box(double x0, double y0, double z0, double x1, double y1, double z1, bool upright = false) {
    const auto v = [upright](double t) { return upright ? 1 - t : t; };
    glBegin(GL_QUADS);
    glNormal3d(0, 1, 0);
    glTexCoord2d(0, v(0)), glVertex3d(x0, y1, z0);
    glTexCoord2d(0, v(1)), glVertex3d(x0, y1, z1);
    glTexCoord2d(1, v(1)), glVertex3d(x1, y1, z1);
    glTexCoord2d(1, v(0)), glVertex3d(x1, y1, z0);
    glNormal3d(0, -1, 0);
    glTexCoord2d(0, v(0)), glVertex3d(x0, y0, z0);
    glTexCoord2d(1, v(0)), glVertex3d(x1, y0, z0);
    glTexCoord2d(1, v(1)), glVertex3d(x1, y0, z1);
    glTexCoord2d(0, v(1)), glVertex3d(x0, y0, z1);
    glNormal3d(0, 0, 1);
    glTexCoord2d(0, v(0)), glVertex3d(x0, y0, z1);
    glTexCoord2d(1, v(0)), glVertex3d(x1, y0, z1);
    glTexCoord2d(1, v(1)), glVertex3d(x1, y1, z1);
    glTexCoord2d(0, v(1)), glVertex3d(x0, y1, z1);
    glNormal3d(0, 0, -1);
    glTexCoord2d(0, v(0)), glVertex3d(x1, y0, z0);
    glTexCoord2d(1, v(0)), glVertex3d(x0, y0, z0);
    glTexCoord2d(1, v(1)), glVertex3d(x0, y1, z0);
    glTexCoord2d(0, v(1)), glVertex3d(x1, y1, z0);
    glNormal3d(1, 0, 0);
    glTexCoord2d(0, v(0)), glVertex3d(x1, y0, z1);
    glTexCoord2d(1, v(0)), glVertex3d(x1, y0, z0);
    glTexCoord2d(1, v(1)), glVertex3d(x1, y1, z0);
    glTexCoord2d(0, v(1)), glVertex3d(x1, y1, z1);
    glNormal3d(-1, 0, 0);
    glTexCoord2d(0, v(0)), glVertex3d(x0, y0, z0);
    glTexCoord2d(1, v(0)), glVertex3d(x0, y0, z1);
    glTexCoord2d(1, v(1)), glVertex3d(x0, y1, z1);
    glTexCoord2d(0, v(1)), glVertex3d(x0, y1, z0);
    glEnd();
}

// A closed cylinder along +z from z = 0 to `length`, with texture coordinates round its side
// when `textured`.
void cylinder(double radius, double length, int segments, bool textured = false) {
    GLUquadric* q = gluNewQuadric();
    if (q == nullptr) {
        return;
    }
    gluQuadricNormals(q, GLU_SMOOTH);
    gluQuadricTexture(q, textured ? GL_TRUE : GL_FALSE);
    gluCylinder(q, radius, radius, length, segments, 1);
    glPushMatrix();
    glRotated(180, 1, 0, 0);
    gluDisk(q, 0, radius, segments, 1);
    glPopMatrix();
    glPushMatrix();
    glTranslated(0, 0, length);
    gluDisk(q, 0, radius, segments, 1);
    glPopMatrix();
    gluDeleteQuadric(q);
}

void turnAboutCentre(double degrees, double s) {
    glTranslated(s / 2, 0, s / 2);
    glRotated(degrees, 0, 1, 0);
    glTranslated(-s / 2, 0, -s / 2);
}

// Corner or edge of the tile the item's label box touches, and the turn that goes with it.
void placeByLabelBox(const model::LayoutRect& r, double s) {
    const bool left = r.left == 0, top = r.top == 0;
    const bool right = r.right == kTileEdge, bottom = r.bottom == kTileEdge;
    if (right && top) {
        turnAboutCentre(-90, s);
    } else if (right && bottom) {
        turnAboutCentre(-180, s);
    } else if (left && bottom) {
        turnAboutCentre(-270, s);
    } else if (left && top) {
        // the top-left corner, unturned
    } else if (top) {
        glTranslated(s / 2, 0, 0);
    } else if (bottom) {
        glTranslated(s / 2, 0, s);
    } else if (left) {
        glTranslated(0, 0, s / 2);
    } else if (right) {
        glTranslated(s, 0, s / 2);
    }
}

// Set while the contents are drawn as shadow casters: bare shapes in the shadow's colour,
// without colours, textures or lamps of their own.
bool shapesOnly = false;

void colour(float r, float g, float b, float alpha) {
    if (!shapesOnly) {
        glColor4f(r, g, b, alpha);
    }
}

void bindTexture(unsigned name) {
    if (name != 0 && !shapesOnly) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, name);
    }
}

void drawPointStand(const model::CTrackControlItem& item, double s, float alpha) {
    glPushMatrix();
    placeByLabelBox(item.getRect(), s);
    colour(0, 0, 0, alpha);
    glPushMatrix();
    glTranslated(0, s / 30, -1.05 * s / 30);
    cylinder(s / 12, 2.1 * s / 30, 32);
    glPopMatrix();
    if (shapesOnly) {
        glPopMatrix();
        return; // the lever is not a shadow caster
    }
    colour(1, 1, 1, alpha);
    glRotated(item.getOccupant() != 0 ? 10 : -10, 1, 0, 0);
    glRotated(-90, 1, 0, 0); // the pole stands up along +y
    cylinder(s / 60, 0.3 * s, 8);
    glTranslated(0, 0, 0.85 * 0.3 * s);
    cylinder(2 * s / 30, s / 60, 16);
    glPopMatrix();
}

void drawSignal(const model::CTrackControlItem& item, double s, float alpha) {
    glPushMatrix();
    placeByLabelBox(item.getRect(), s);
    colour(1, 1, 1, alpha);
    glPushMatrix();
    glRotated(-90, 1, 0, 0);
    cylinder(s / 30, s, 8);
    glPopMatrix();
    const bool held = item.getOccupant() != 0;
    const double heights[3] = {s, 0.85 * s, 0.7 * s};
    for (int i = 0; i < 3; ++i) {
        glPushMatrix();
        glTranslated(0, heights[i], s / 30);
        colour(0, 0, 0, alpha);
        cylinder(s / 8, 2.1 * s / 30, 16);
        if (shapesOnly) {
            glPopMatrix();
            continue; // the lamps glow only in the lit picture
        }
        glDisable(GL_LIGHTING);
        if (i == 0 && !held) {
            colour(0, 1, 0.5f, alpha);
        } else if (i == 2 && held) {
            colour(1, 0, 0, alpha);
        } else {
            colour(0.3f, 0.3f, 0.3f, alpha);
        }
        cylinder(s / 16, 2.5 * s / 30, 16);
        glEnable(GL_LIGHTING);
        glPopMatrix();
    }
    glPopMatrix();
}

// Turn by the edge the item's box touches: right 0, bottom −90, left −180, top −270.
double edgeTurn(const model::LayoutRect& r) {
    if (r.right == kTileEdge) {
        return 0;
    }
    if (r.bottom == kTileEdge) {
        return -90;
    }
    if (r.left == 0) {
        return -180;
    }
    return r.top == 0 ? -270 : 0;
}

void drawBufferBlock(const model::CTrackControlItem& item, double s, float alpha,
                     BuiltinTextures& textures) {
    glPushMatrix();
    turnAboutCentre(edgeTurn(item.getRect()), s);
    bindTexture(textures.name(29));
    colour(0.5f, 0.5f, 0.5f, alpha);
    box(s - 0.0625 * s, 0, 0.375 * s, s, 0.25 * s, 0.625 * s);
    glDisable(GL_TEXTURE_2D);
    if (!shapesOnly) {
        // The sign on the face towards the track, just in front of it, picture upright.
        bindTexture(textures.name(5));
        colour(1, 1, 1, alpha);
        const double x = s - 0.0625 * s - 0.002 * s;
        const double y0 = 0.0625 * s, y1 = 0.1875 * s, z0 = 0.4375 * s, z1 = 0.5625 * s;
        glBegin(GL_QUADS);
        glNormal3d(-1, 0, 0);
        glTexCoord2d(0, 1), glVertex3d(x, y0, z0);
        glTexCoord2d(1, 1), glVertex3d(x, y0, z1);
        glTexCoord2d(1, 0), glVertex3d(x, y1, z1);
        glTexCoord2d(0, 0), glVertex3d(x, y1, z0);
        glEnd();
        glDisable(GL_TEXTURE_2D);
    }
    glPopMatrix();
}

void drawBarriers(const model::CTrackControlItem& item, double s, float alpha,
                  BuiltinTextures& textures) {
    const bool held = item.getOccupant() != 0;
    for (int side = 0; side < 2; ++side) {
        glPushMatrix();
        turnAboutCentre(side * 180.0 + edgeTurn(item.getRect()), s);
        glTranslated(0.075 * s, 0, 0.075 * s);
        colour(0.5f, 0.5f, 0.5f, alpha);
        box(-0.075 * s, 0, -0.075 * s, 0.075 * s, 0.3 * s, 0.075 * s);
        colour(1, 1, 1, alpha);
        glTranslated(0, 0.3 * s, 0);
        if (!held) {
            glRotated(-90, 1, 0, 0); // upright
        }
        glTranslated(0, 0, 0.075 * s);
        bindTexture(textures.name(10)); // the arm's stripes
        cylinder(0.02 * s, 0.7 * s, 8, true);
        glDisable(GL_TEXTURE_2D);
        glPopMatrix();
    }
}

void drawPlatform(const model::CTrackItem& tile, const model::CTrackControlItem& item, double s,
                  double layerHeight, float alpha, BuiltinTextures& textures, bool nameBoard) {
    // The platform runs along the tile's first line, on the side of the line where the
    // item's box lies, at the height of the line's middle point.
    double level = tile.level();
    double direction = 0;
    double side = 1;
    for (const auto& line : tile.lines()) {
        if (line == nullptr || line->points().size() < 2) {
            continue;
        }
        const auto& points = line->points();
        const double h = line->heightAt(static_cast<double>(points.size() / 2), true);
        level = h < -50 ? level : h;
        const double dx = points.back().X - points.front().X;
        const double dz = points.back().Z - points.front().Z;
        direction = std::atan2(dz, dx) * 180.0 / 3.14159265358979323846;
        const model::LayoutRect r = item.getRect();
        const double cx = (r.left + r.right) / 2.0 - points.front().X;
        const double cz = (r.top + r.bottom) / 2.0 - points.front().Z;
        side = dx * cz - dz * cx >= 0 ? 1 : -1;
        break;
    }
    glPushMatrix();
    glTranslated(0, level * layerHeight, 0);
    turnAboutCentre(-direction, s);
    bindTexture(textures.name(29));
    colour(0.5f, 0.5f, 0.5f, alpha);
    const double near = 0.5 * s + side * 0.15 * s;
    const double far = near + side * 0.2375 * s;
    box(0, 0, std::min(near, far), s, 0.125 * s, std::max(near, far));
    glDisable(GL_TEXTURE_2D);
    if (nameBoard) {
        colour(1, 1, 1, alpha);
        const double zc = (near + far) / 2;
        for (const double x : {0.3 * s, 0.7 * s}) {
            glPushMatrix();
            glTranslated(x, 0.125 * s, zc);
            glRotated(-90, 1, 0, 0);
            cylinder(0.02 * s, 0.35 * s, 8);
            glPopMatrix();
        }
        bindTexture(textures.name(9));
        box(0.25 * s, 0.475 * s, zc - 0.025 * s, 0.75 * s, 0.725 * s, zc + 0.025 * s, true);
        glDisable(GL_TEXTURE_2D);
    }
    glPopMatrix();
}

// Item 305's turn from its label box: left edge 1 none, 0 −180; top edge 1 −90, 0 +90.
double itemPieceTurn(const model::LayoutRect& r) {
    if (r.left == 1) {
        return 0;
    }
    if (r.left == 0) {
        return -180;
    }
    if (r.top == 1) {
        return -90;
    }
    return r.top == 0 ? 90 : 0;
}

// Item 305: a dark red frame standing over the track, its centre at the middle point of the
// tile's first line: on each side of the track three posts joined by a beam at the top and one
// at half height, and a cross beam over the track at every post.
void drawItemPieceFrame(const model::CTrackItem& tile, const model::CTrackControlItem& item,
                        double s, double layerHeight, float alpha, bool shadow, CachedLists& lists,
                        int level) {
    double x = s / 2, z = s / 2, height = tile.level();
    for (const auto& line : tile.lines()) {
        if (line == nullptr || line->points().empty()) {
            continue;
        }
        const auto& points = line->points();
        const std::size_t middle = points.size() / 2;
        x = points[middle].X * s / kTileEdge;
        z = points[middle].Z * s / kTileEdge;
        const double h = line->heightAt(static_cast<double>(middle), true);
        height = h < -50 ? height : h;
        break;
    }
    glPushMatrix();
    glTranslated(x, height * layerHeight, z);
    glRotated(itemPieceTurn(item.getRect()), 0, 1, 0);
    const bool cacheable = level >= 0 && level <= 9;
    const int key = cacheable ? (shadow ? 177 : 167) + level : 0;
    lists.draw(key, [&] {
        colour(0.6699f, 0.06563f, 0.03555f, alpha);
        const double bar = s / 16, tall = 0.75 * s, along = 0.325 * s, across = 0.36 * s;
        for (const double side : {-across, across}) {
            const double z0 = side - bar / 2, z1 = side + bar / 2;
            for (const double post : {-along + bar / 2, 0.0, along - bar / 2}) {
                box(post - bar / 2, 0, z0, post + bar / 2, tall, z1);
            }
            box(-along, tall - bar, z0, along, tall, z1);
            box(-along, tall / 2 - bar / 2, z0, along, tall / 2 + bar / 2, z1);
        }
        for (const double post : {-along + bar / 2, 0.0, along - bar / 2}) {
            box(post - bar / 2, tall - bar, -across, post + bar / 2, tall, across);
        }
    });
    glPopMatrix();
}

// One portal at the tile's top edge (z = 0), facing out of the tile: two side walls, the beam
// over them and the arch's underside, one tile wide and a tile high.
void drawPortal(double s) {
    const double height = s + 0.03125 * s;
    const double t = 0.1 * s;
    box(0, 0, -t / 2, t, height, t / 2);
    box(s - t, 0, -t / 2, s, height, t / 2);
    box(0, height - 0.2 * s, -t / 2, s, height, t / 2);
    // The arch: steps between the walls under the beam.
    constexpr int kSteps = 6;
    for (int i = 0; i < kSteps; ++i) {
        const double a0 = 3.14159265358979323846 * i / kSteps;
        const double a1 = 3.14159265358979323846 * (i + 1) / kSteps;
        const double r = s / 2 - t;
        const double x0 = s / 2 - r * std::cos(a0);
        const double x1 = s / 2 - r * std::cos(a1);
        const double y = height - 0.2 * s - r * 0.35 * std::sin((a0 + a1) / 2);
        box(std::min(x0, x1), y, -t / 2, std::max(x0, x1), height - 0.2 * s, t / 2);
    }
}

} // namespace

void drawTunnelPortals(const DrawListEntry& entry, const SceneMetrics& metrics,
                       BuiltinTextures& textures) {
    const model::CTrackItem& tile = *entry.tile;
    bool any = false;
    const model::NeighbourFlags& flags = tile.neighbourFlagsB(&any);
    if (!tile.isCovered() || !any) {
        return;
    }
    const double s = metrics.tileSize;
    const double sideAngles[4] = {90, 0, -90, 180};
    const double cornerAngles[4] = {45, -45, -135, 135};
    const bool corners = flags[4] || flags[5] || flags[6] || flags[7];
    const float alpha = std::max(entry.alpha, 0.5f);
    if (alpha < 1) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    const unsigned texture = textures.name(6);
    if (texture != 0) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, texture);
    }
    glColor4f(1, 1, 1, alpha);
    for (int i = 0; i < 4; ++i) {
        const bool wanted = corners ? flags[4 + i] : flags[i];
        if (!wanted) {
            continue;
        }
        glPushMatrix();
        glTranslated(entry.column * s, tile.level() * metrics.layerHeight + 0.249 * 0.03125 * s,
                     entry.row * s);
        turnAboutCentre(corners ? cornerAngles[i] : sideAngles[i], s);
        if (corners) {
            // Out to the corner: a corner lies √2 / 2 tile from the centre.
            glTranslated(0, 0, -(std::sqrt(0.5) - 0.5) * s);
        }
        drawPortal(s);
        glPopMatrix();
    }
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glBindTexture(GL_TEXTURE_2D, 0);
    glNormal3f(0, 0, 1);
    glTexCoord4f(0, 0, 0, 1);
    glColor4f(1, 1, 1, 1);
}

void drawTileContents(const DrawListEntry& entry, const TileContentsContext& context) {
    const model::CTrackItem& tile = *entry.tile;
    if (!(entry.alpha > 0) || entry.level < 0 ||
        (!tile.hasStructure() && !tile.hasControlItems())) {
        return;
    }
    const SceneMetrics& metrics = context.metrics;
    const double s = metrics.tileSize;
    const bool covered = tile.isCovered();
    const bool shadow = context.shadowPass;
    if (entry.alpha < 1 && !shadow) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    shapesOnly = shadow;
    if (!covered) {
        drawTileStructure(entry, context);
    }
    for (const auto& [kind, owned] : tile.controlItems()) {
        if (owned == nullptr || (covered && kind != model::KindReversing)) {
            continue;
        }
        if (model::isPierKind(kind)) {
            drawTileSupport(entry, context, kind); // placed in the scene's frame
            continue;
        }
        const model::CTrackControlItem& item = *owned;
        glPushMatrix();
        glTranslated(entry.column * s, tile.level() * metrics.layerHeight, entry.row * s);
        switch (kind) {
        case model::KindPoint:
            drawPointStand(item, s, entry.alpha);
            break;
        case model::KindCrossing:
            drawSignal(item, s, entry.alpha);
            break;
        case model::KindReversing:
            drawBufferBlock(item, s, entry.alpha, context.textures);
            break;
        case model::KindItemPiece:
            glTranslated(0, -tile.level() * metrics.layerHeight, 0);
            drawItemPieceFrame(tile, item, s, metrics.layerHeight, entry.alpha, shadow,
                               context.lists, entry.level);
            break;
        case model::KindHolding:
            if (!shadow) {
                drawBarriers(item, s, entry.alpha, context.textures);
            }
            break;
        case model::KindStation1:
        case model::KindStation1 + 1:
            glTranslated(0, -tile.level() * metrics.layerHeight, 0);
            drawPlatform(tile, item, s, metrics.layerHeight, entry.alpha, context.textures,
                         kind == model::KindStation1);
            break;
        default:
            break;
        }
        glPopMatrix();
        if (kind == model::KindPoint && context.showPointNumbers) {
            drawPointNumberBillboard(entry, context);
        }
    }
    shapesOnly = false;
    glDisable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
    if (!shadow) {
        glDisable(GL_BLEND);
        glNormal3f(0, 0, 1);
        glTexCoord4f(0, 0, 0, 1);
        glColor4f(1, 1, 1, 1);
    }
}

} // namespace render::opengl
