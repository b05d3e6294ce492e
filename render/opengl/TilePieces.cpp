#include "render/opengl/TilePieces.h"

#include <GL/gl.h>

#include <cmath>
#include <numbers>
#include <string>

#include "items/C3DItemObject.h"
#include "model/CTrackControlItem.h"
#include "model/CTrackItem.h"
#include "model/CTrackStructureItem.h"
#include "render/opengl/BuiltinTextures.h"
#include "render/opengl/CachedLists.h"
#include "render/opengl/ItemDrawer.h"
#include "render/opengl/TileContents.h"
#include "render/opengl/TreeDrawer.h"

namespace render::opengl {
namespace {

constexpr int kBushKeys[2] = {27, 37}; // normal, shadow (+ fade level)
constexpr int kLeafTexture = 1;
constexpr int kDigitTexture = 55;
constexpr float kDarkWood[3] = {0.1797f, 0.1500f, 0.1125f};
constexpr float kLightWood[3] = {0.4492f, 0.3750f, 0.2813f};

void colour(const TileContentsContext& context, const float rgb[3], float alpha) {
    if (!context.shadowPass) {
        glColor4f(rgb[0], rgb[1], rgb[2], alpha);
    }
}

// A quad with its normal; the corners counter-clockwise seen from the normal's side.
void quad(const double n[3], const double a[3], const double b[3], const double c[3],
          const double d[3]) {
    glNormal3dv(n);
    glTexCoord2d(0, 0), glVertex3dv(a);
    glTexCoord2d(1, 0), glVertex3dv(b);
    glTexCoord2d(1, 1), glVertex3dv(c);
    glTexCoord2d(0, 1), glVertex3dv(d);
}

void block(double x0, double y0, double z0, double x1, double y1, double z1) {
    const double p[8][3] = {{x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1},
                            {x0, y1, z0}, {x1, y1, z0}, {x1, y1, z1}, {x0, y1, z1}};
    const double up[3] = {0, 1, 0}, down[3] = {0, -1, 0};
    const double px[3] = {1, 0, 0}, nx[3] = {-1, 0, 0};
    const double pz[3] = {0, 0, 1}, nz[3] = {0, 0, -1};
    glBegin(GL_QUADS);
    quad(up, p[4], p[7], p[6], p[5]);
    quad(down, p[0], p[1], p[2], p[3]);
    quad(pz, p[3], p[2], p[6], p[7]);
    quad(nz, p[1], p[0], p[4], p[5]);
    quad(px, p[2], p[1], p[5], p[6]);
    quad(nx, p[0], p[3], p[7], p[4]);
    glEnd();
}

// The wooden structure: a plank shed on four dark posts under a pitched roof, inside the box
// (−0.5, 0, −0.5) … (0.2, 0.9375, 0.5) tiles about the tile centre.
void drawWoodenStructure(const TileContentsContext& context, float alpha) {
    const double s = context.metrics.tileSize;
    colour(context, kDarkWood, alpha);
    for (const double x : {-0.48, 0.12}) {
        for (const double z : {-0.48, 0.42}) {
            block(x * s, 0, z * s, (x + 0.06) * s, 0.7 * s, (z + 0.06) * s);
        }
    }
    colour(context, kLightWood, alpha);
    block(-0.45 * s, 0, -0.45 * s, 0.15 * s, 0.65 * s, 0.45 * s);
    // The roof: two slopes meeting at the ridge along z, with its gable ends.
    colour(context, kDarkWood, alpha);
    const double eave = 0.65 * s, ridge = 0.9375 * s;
    const double x0 = -0.5 * s, x1 = 0.2 * s, xm = -0.15 * s;
    const double z0 = -0.5 * s, z1 = 0.5 * s;
    const double run = xm - x0, rise = ridge - eave;
    const double len = std::hypot(run, rise);
    const double left[3] = {-rise / len, run / len, 0};
    const double right[3] = {rise / len, run / len, 0};
    const double a[3] = {x0, eave, z1}, b[3] = {xm, ridge, z1}, c[3] = {xm, ridge, z0},
                 d[3] = {x0, eave, z0};
    const double e[3] = {x1, eave, z0}, f[3] = {x1, eave, z1};
    glBegin(GL_QUADS);
    quad(left, d, a, b, c);
    quad(right, f, e, c, b);
    glEnd();
    colour(context, kLightWood, alpha);
    glBegin(GL_TRIANGLES);
    for (const double z : {z0 + 0.05 * s, z1 - 0.05 * s}) {
        const double n = z > 0 ? 1 : -1;
        glNormal3d(0, 0, n);
        const double g[3][3] = {
            {x0 + 0.05 * s, eave, z}, {x1 - 0.05 * s, eave, z}, {xm, ridge - 0.03 * s, z}};
        if (n > 0) {
            glVertex3dv(g[0]), glVertex3dv(g[1]), glVertex3dv(g[2]);
        } else {
            glVertex3dv(g[1]), glVertex3dv(g[0]), glVertex3dv(g[2]);
        }
    }
    glEnd();
}

// Three leaf masses about (0.4, 0, 0.4) tiles from the tile's corner.
void drawBushes(const DrawListEntry& entry, const TileContentsContext& context) {
    const double s = context.metrics.tileSize;
    const bool cacheable = entry.level >= 0 && entry.level <= 9;
    const int key = cacheable ? kBushKeys[context.shadowPass ? 1 : 0] + entry.level : 0;
    context.lists.draw(key, [&] {
        // The foliage of trees, smaller and paler: cards seen from both sides, lit on the
        // side that faces out, their clear texels leaving colour and depth alone.
        static constexpr float kBushColour[3] = {0.9f, 1.0f, 0.9f};
        LeafMass mass;
        mass.segments = 16;
        mass.side = 0.32 * s;
        mass.layerHeight = 0.15 * s / 16;
        mass.colour = kBushColour;
        mass.texture = kLeafTexture;
        for (int i = 0; i < 3; ++i) {
            glPushMatrix();
            glTranslated(0.4 * s, 0, 0.4 * s);
            glRotated(i * 120.0, 0, 1, 0);
            glTranslated(0.28 * s, 0.15 * s + (i == 1 ? 0.1 * s : 0), 0);
            glRotated(i * 25.0, 0, 1, 0);
            drawLeafMass(mass, s, entry.alpha, context.shadowPass, context.textures);
            glPopMatrix();
        }
        if (!context.shadowPass) {
            if (entry.alpha < 1) {
                glEnable(GL_BLEND); // the rest of a faded tile still blends
            }
            glNormal3f(0, 0, 1);
            glTexCoord4f(0, 0, 0, 1);
            glColor4f(1, 1, 1, entry.alpha);
        }
    });
}

} // namespace

void drawTileStructure(const DrawListEntry& entry, const TileContentsContext& context) {
    const model::CTrackStructureItem* structure = entry.tile->getStructure();
    if (structure == nullptr || !(entry.alpha > 0)) {
        return;
    }
    const double s = context.metrics.tileSize;
    const double base = entry.tile->level() * context.metrics.layerHeight;
    const int category = structure->getCategory();
    glPushMatrix();
    if (category == model::StructureBushes) {
        // The bushes keep the tile's own frame.
        glTranslated(entry.column * s, base, entry.row * s);
        drawBushes(entry, context);
        glPopMatrix();
        return;
    }
    const model::Orientation orientation = structure->orientation();
    glTranslated((entry.column + 0.5) * s, base, (entry.row + 0.5) * s);
    if (orientation.mirror == -1) {
        glScaled(-1, 1, 1);
    }
    if (orientation.angle != 0) {
        glRotated(orientation.angle, 0, 1, 0);
    }
    const GLenum front = orientation.mirror == -1 ? GL_CW : GL_CCW;
    if (category == model::StructureWooden) {
        glFrontFace(front);
        drawWoodenStructure(context, entry.alpha);
        glFrontFace(GL_CCW);
        if (!context.shadowPass) {
            glNormal3f(0, 0, 1);
            glColor4f(1, 1, 1, entry.alpha);
        }
    } else if (category == model::StructureItemModel) {
        if (items::C3DItemObject* model = structure->itemModel()) {
            if (!context.shadowPass) {
                context.items.prepare(*model);
            }
            ItemDrawOptions options;
            options.mode = context.shadowPass ? 1 : 0;
            options.opacity = entry.alpha;
            options.frontFace = front;
            glFrontFace(front);
            context.items.drawItem(*model, s, options);
            glFrontFace(GL_CCW);
        }
    }
    glPopMatrix();
}

double pointNumberCellWidth(int number, double s) {
    const std::size_t digits = std::to_string(number).size();
    const bool small = number < 1000;
    const double w = small ? s / 3 : s / 4;
    if (digits >= (small ? 3u : 4u)) {
        return w * 0.5;
    }
    return digits == 2 ? w * 0.6 : w * 0.8;
}

void drawPointNumberBillboard(const DrawListEntry& entry, const TileContentsContext& context) {
    const model::CTrackControlItem* point = entry.tile->pointItem();
    if (context.shadowPass || point == nullptr || !(entry.alpha > 0)) {
        return;
    }
    const int number = entry.tile->getPointNumber();
    if (number <= 0) {
        return;
    }
    const double s = context.metrics.tileSize;
    const double cx = (entry.column + 0.5) * s;
    const double cy = entry.tile->level() * context.metrics.layerHeight + 0.1 * s;
    const double cz = (entry.row + 0.5) * s;
    const std::string text = std::to_string(number);
    const double w = pointNumberCellWidth(number, s);
    const double height = 0.33 * s;
    glPushMatrix();
    glTranslated(cx, cy, cz);
    // The card's face (+z) turns to the eye.
    const double yaw =
        std::atan2(context.eye.x - cx, context.eye.z - cz) * 180.0 / std::numbers::pi;
    glRotated(yaw, 0, 1, 0);
    glDisable(GL_LIGHTING);
    const unsigned texture = context.textures.name(kDigitTexture);
    if (texture != 0) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, texture);
    }
    glColor4f(1, 1, 1, entry.alpha);
    glBegin(GL_QUADS);
    glNormal3d(0, 0, 1);
    double x = -static_cast<double>(text.size()) * w / 2;
    for (const char c : text) {
        const double u = 0.1 * (c - '0');
        glTexCoord2d(u, 1), glVertex3d(x, 0, 0);
        glTexCoord2d(u + 0.1, 1), glVertex3d(x + w, 0, 0);
        glTexCoord2d(u + 0.1, 0), glVertex3d(x + w, height, 0);
        glTexCoord2d(u, 0), glVertex3d(x, height, 0);
        x += w;
    }
    glEnd();
    glDisable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
    glEnable(GL_LIGHTING);
    glNormal3f(0, 0, 1);
    glTexCoord4f(0, 0, 0, 1);
    glPopMatrix();
}

} // namespace render::opengl
