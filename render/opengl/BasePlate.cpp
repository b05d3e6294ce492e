#include "render/opengl/BasePlate.h"

#include <GL/gl.h>

#include "render/opengl/BuiltinTextures.h"

namespace render::opengl {
namespace {

constexpr int kBaseTexture = 0;
constexpr int kNamePlateTexture = 8;

// One quad with a normal and texture coordinates (u, v) from (0, 0) to (u1, v1); the corners
// run counter-clockwise as seen from the side the normal points to.
void quad(const double (&a)[3], const double (&b)[3], const double (&c)[3], const double (&d)[3],
          const double (&normal)[3], double u1, double v1) {
    glNormal3dv(normal);
    glTexCoord2d(0, v1);
    glVertex3dv(a);
    glTexCoord2d(u1, v1);
    glVertex3dv(b);
    glTexCoord2d(u1, 0);
    glVertex3dv(c);
    glTexCoord2d(0, 0);
    glVertex3dv(d);
}

// A box between two corners with one normal a face; the texture repeats once per `unit`.
void box(double x0, double y0, double z0, double x1, double y1, double z1, double unit) {
    const double dx = (x1 - x0) / unit;
    const double dy = (y1 - y0) / unit;
    const double dz = (z1 - z0) / unit;
    glBegin(GL_QUADS);
    quad({x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}, {0, 0, 1}, dx, dy);  // front
    quad({x1, y0, z0}, {x0, y0, z0}, {x0, y1, z0}, {x1, y1, z0}, {0, 0, -1}, dx, dy); // back
    quad({x1, y0, z1}, {x1, y0, z0}, {x1, y1, z0}, {x1, y1, z1}, {1, 0, 0}, dz, dy);  // right
    quad({x0, y0, z0}, {x0, y0, z1}, {x0, y1, z1}, {x0, y1, z0}, {-1, 0, 0}, dz, dy); // left
    quad({x0, y1, z1}, {x1, y1, z1}, {x1, y1, z0}, {x0, y1, z0}, {0, 1, 0}, dx, dz);  // top
    quad({x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1}, {0, -1, 0}, dx, dz); // bottom
    glEnd();
}

} // namespace

void drawBasePlate(const SceneMetrics& metrics, BuiltinTextures& textures) {
    const double w = metrics.width;
    const double d = metrics.depth;
    const double t = metrics.basePlateThickness;
    const double r = 0.2 * t;
    const double h = r / 2;

    glColor4f(1, 1, 1, 1);
    glEnable(GL_TEXTURE_2D);
    textures.bind(kBaseTexture);
    // The rims lie centred on the board's edges, from the underside up to the board. Their
    // tops share the board's plane: pushed back in depth, the board's edge wins over them
    // at any distance instead of flickering through them.
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(1.0f, 2.0f);
    box(-h, -t, d - h, w + h, 0, d + h, t); // front
    box(-h, -t, -h, w + h, 0, h, t);        // back
    box(-h, -t, -h, h, 0, d + h, t);        // left
    box(w - h, -t, -h, w + h, 0, d + h, t); // right
    glPolygonOffset(0.0f, 0.0f);
    glDisable(GL_POLYGON_OFFSET_FILL);
    // The underside, facing down, the texture once over the board.
    glBegin(GL_QUADS);
    quad({0, -t, 0}, {w, -t, 0}, {w, -t, d}, {0, -t, d}, {0, -1, 0}, 1, 1);
    glEnd();

    // The name plate, just in front of the front rim, centred on it.
    textures.bind(kNamePlateTexture);
    const double z = d + 1.01 * h;
    const double cx = metrics.centreX;
    glBegin(GL_QUADS);
    quad({cx - t / 2, -0.75 * t, z}, {cx + t / 2, -0.75 * t, z}, {cx + t / 2, -0.25 * t, z},
         {cx - t / 2, -0.25 * t, z}, {0, 0, 1}, 1, 1);
    glEnd();
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
}

void drawBaseFloor(const SceneMetrics& metrics, const std::array<float, 4>& colour) {
    const double w = metrics.width;
    const double d = metrics.depth;
    const double y = -metrics.basePlateThickness;
    const double e = 2 * metrics.maxExtent();
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT);
    // Colour material off as well: the floor's colour must not become the lit material.
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glColor4f(colour[0], colour[1], colour[2], colour[3]);
    glNormal3d(0, 1, 0);
    glBegin(GL_QUADS);
    const double rects[4][4] = {
        {-e, -e, w + e, 0},    // behind the board
        {-e, d, w + e, d + e}, // in front
        {-e, 0, 0, d},         // left
        {w, 0, w + e, d},      // right
    };
    for (const auto& rect : rects) {
        // Counter-clockwise seen from above.
        glVertex3d(rect[0], y, rect[1]);
        glVertex3d(rect[0], y, rect[3]);
        glVertex3d(rect[2], y, rect[3]);
        glVertex3d(rect[2], y, rect[1]);
    }
    glEnd();
    glPopAttrib();
}

} // namespace render::opengl
