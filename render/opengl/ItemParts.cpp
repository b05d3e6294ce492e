#include "render/opengl/ItemParts.h"

#include "items/geometry/CDXF_3DFACE.h"
#include "items/geometry/CIndexedFaceSet.h"
#include "items/geometry/CPrimitive.h"
#include "items/geometry/CRIB_Attribute.h"

#include <GL/glu.h>
#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

namespace render::opengl {
namespace {

using items::Vec3d;

constexpr int kMinSegments = 3;
constexpr int kMaxSegments = 360;

struct Rgb8 {
    std::uint8_t r, g, b;
};

// Entries 10 … 249 of the DXF colour index: 24 hues 15 degrees apart, each in five shades,
// full colour and a pale tint of each shade.
Rgb8 dxfHueEntry(int number) {
    static constexpr double kShade[5] = {255.0, 204.0, 153.0, 127.0, 76.0};
    const int hue = (number - 10) / 10;
    const int step = (number - 10) % 10;
    const double value = kShade[step / 2];
    const double low = (step % 2 == 0) ? 0.0 : value * 2.0 / 3.0;
    const double h = hue * 15.0 / 60.0; // sector 0 … 6
    const int sector = static_cast<int>(h);
    const double f = h - sector;
    const double rising = low + (value - low) * f;
    const double falling = value - (value - low) * f;
    double r = value, g = low, b = low;
    switch (sector) {
    case 0:
        r = value, g = rising, b = low;
        break;
    case 1:
        r = falling, g = value, b = low;
        break;
    case 2:
        r = low, g = value, b = rising;
        break;
    case 3:
        r = low, g = falling, b = value;
        break;
    case 4:
        r = rising, g = low, b = value;
        break;
    default:
        r = value, g = low, b = falling;
        break;
    }
    auto byte = [](double v) { return static_cast<std::uint8_t>(std::lround(v)); };
    return {byte(r), byte(g), byte(b)};
}

Rgb8 dxfEntry(int number) {
    static constexpr Rgb8 kFirst[10] = {
        {0, 0, 0},   {255, 0, 0},   {255, 255, 0},   {0, 255, 0},  {0, 255, 255},
        {0, 0, 255}, {255, 0, 255}, {255, 255, 255}, {65, 65, 65}, {128, 128, 128}};
    static constexpr Rgb8 kGreys[6] = {{51, 51, 51},    {80, 80, 80},    {105, 105, 105},
                                       {130, 130, 130}, {190, 190, 190}, {255, 255, 255}};
    if (number < 0 || number > 255) {
        number = 7;
    }
    if (number < 10) {
        return kFirst[number];
    }
    if (number >= 250) {
        return kGreys[number - 250];
    }
    return dxfHueEntry(number);
}

Vec3d cross(const Vec3d& a, const Vec3d& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// The normal of a polygon by the sum of its edge cross products (Newell's rule), normalised;
// it points to the side from which the corners run counter-clockwise.
Vec3d polygonNormal(const std::vector<Vec3d>& points) {
    Vec3d n;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Vec3d& a = points[i];
        const Vec3d& b = points[(i + 1) % points.size()];
        n.x += (a.y - b.y) * (a.z + b.z);
        n.y += (a.z - b.z) * (a.x + b.x);
        n.z += (a.x - b.x) * (a.y + b.y);
    }
    const double length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    if (length > 0.0) {
        n = {n.x / length, n.y / length, n.z / length};
    }
    return n;
}

void vertex(const Vec3d& p) {
    glVertex3d(p.x, p.y, p.z);
}

void normal(const Vec3d& n) {
    glNormal3d(n.x, n.y, n.z);
}

struct QuadricDeleter {
    void operator()(GLUquadric* quadric) const { gluDeleteQuadric(quadric); }
};

std::unique_ptr<GLUquadric, QuadricDeleter> newQuadric() {
    std::unique_ptr<GLUquadric, QuadricDeleter> quadric(gluNewQuadric());
    if (quadric) {
        gluQuadricNormals(quadric.get(), GLU_SMOOTH);
    }
    return quadric;
}

int clampSegments(std::int32_t segments) {
    return std::clamp<std::int32_t>(segments, kMinSegments, kMaxSegments);
}

void drawSphere(double radius, int segments) {
    auto quadric = newQuadric();
    if (quadric) {
        gluSphere(quadric.get(), radius, segments, segments);
    }
}

// One face of a DXF list: corners after dropping repeats, drawn with the normal for the
// winding of front faces.
void drawDxfFace(std::vector<Vec3d> corners, bool counterClockwise) {
    Vec3d n = polygonNormal(corners);
    if (!counterClockwise) {
        n = {-n.x, -n.y, -n.z};
    }
    if (corners.size() == 3) {
        glBegin(GL_TRIANGLES);
        normal(n);
        for (const Vec3d& p : corners) {
            vertex(p);
        }
        glEnd();
        return;
    }
    // A quad whose corner cross products all differ from the first one's (or all equal it) is
    // drawn whole; otherwise it is split starting at the first corner of the smaller group.
    std::array<Vec3d, 4> c;
    for (std::size_t i = 0; i < 4; ++i) {
        c[i] = cross(corners[i], corners[(i + 1) % 4]);
    }
    std::vector<std::size_t> groupA;
    std::vector<std::size_t> groupB;
    for (std::size_t i = 0; i < 4; ++i) {
        (c[i] == c[0] ? groupA : groupB).push_back(i);
    }
    glBegin(GL_TRIANGLES);
    normal(n);
    if (groupB.empty()) {
        for (std::size_t i : {0, 1, 2, 2, 3, 0}) {
            vertex(corners[i]);
        }
    } else {
        const std::size_t h = groupA.size() < groupB.size() ? groupA.front() : groupB.front();
        for (std::size_t i : {0, 1, 2, 2, 3, 0}) {
            vertex(corners[(h + i) % 4]);
        }
    }
    glEnd();
}

} // namespace

std::array<float, 3> dxfColour(int number) {
    const Rgb8 entry = dxfEntry(number);
    auto channel = [](std::uint8_t c) {
        return static_cast<float>((static_cast<double>(c) * 256.0 + 255.0) / 65535.0);
    };
    return {channel(entry.r), channel(entry.g), channel(entry.b)};
}

void drawSolidBox(const items::BoundingBox& box) {
    const Vec3d& a = box.min;
    const Vec3d& b = box.max;
    glBegin(GL_QUADS);
    glNormal3d(0, 0, 1); // front (+z)
    glVertex3d(a.x, a.y, b.z), glVertex3d(b.x, a.y, b.z), glVertex3d(b.x, b.y, b.z),
        glVertex3d(a.x, b.y, b.z);
    glNormal3d(0, 0, -1); // back (-z)
    glVertex3d(b.x, a.y, a.z), glVertex3d(a.x, a.y, a.z), glVertex3d(a.x, b.y, a.z),
        glVertex3d(b.x, b.y, a.z);
    glNormal3d(1, 0, 0); // +x
    glVertex3d(b.x, a.y, b.z), glVertex3d(b.x, a.y, a.z), glVertex3d(b.x, b.y, a.z),
        glVertex3d(b.x, b.y, b.z);
    glNormal3d(-1, 0, 0); // -x
    glVertex3d(a.x, a.y, a.z), glVertex3d(a.x, a.y, b.z), glVertex3d(a.x, b.y, b.z),
        glVertex3d(a.x, b.y, a.z);
    glNormal3d(0, 1, 0); // top
    glVertex3d(a.x, b.y, b.z), glVertex3d(b.x, b.y, b.z), glVertex3d(b.x, b.y, a.z),
        glVertex3d(a.x, b.y, a.z);
    glNormal3d(0, -1, 0); // bottom
    glVertex3d(a.x, a.y, a.z), glVertex3d(b.x, a.y, a.z), glVertex3d(b.x, a.y, b.z),
        glVertex3d(a.x, a.y, b.z);
    glEnd();
}

void drawBoxEdges(const items::BoundingBox& box) {
    const Vec3d& a = box.min;
    const Vec3d& b = box.max;
    glBegin(GL_LINE_LOOP);
    glVertex3d(a.x, a.y, a.z), glVertex3d(b.x, a.y, a.z), glVertex3d(b.x, a.y, b.z),
        glVertex3d(a.x, a.y, b.z);
    glEnd();
    glBegin(GL_LINE_LOOP);
    glVertex3d(a.x, b.y, a.z), glVertex3d(b.x, b.y, a.z), glVertex3d(b.x, b.y, b.z),
        glVertex3d(a.x, b.y, b.z);
    glEnd();
    glBegin(GL_LINES);
    glVertex3d(a.x, a.y, a.z), glVertex3d(a.x, b.y, a.z);
    glVertex3d(b.x, a.y, a.z), glVertex3d(b.x, b.y, a.z);
    glVertex3d(b.x, a.y, b.z), glVertex3d(b.x, b.y, b.z);
    glVertex3d(a.x, a.y, b.z), glVertex3d(a.x, b.y, b.z);
    glEnd();
}

void drawClosedCylinder(double radius, double length, int segments) {
    auto quadric = newQuadric();
    if (!quadric) {
        return;
    }
    segments = clampSegments(segments);
    glPushMatrix();
    glTranslated(0, 0, -length / 2);
    gluCylinder(quadric.get(), radius, radius, length, segments, 1);
    gluQuadricOrientation(quadric.get(), GLU_INSIDE);
    gluDisk(quadric.get(), 0, radius, segments, 1);
    gluQuadricOrientation(quadric.get(), GLU_OUTSIDE);
    glTranslated(0, 0, length);
    gluDisk(quadric.get(), 0, radius, segments, 1);
    glPopMatrix();
}

void drawPrimitive(const items::CPrimitive& primitive) {
    switch (static_cast<items::PrimitiveType>(primitive.type())) {
    case items::PrimitiveType::Box: {
        const double x = primitive.sizeX() / 2;
        const double y = primitive.sizeY() / 2;
        const double z = primitive.sizeZ() / 2;
        drawSolidBox({{-x, -y, -z}, {x, y, z}});
        break;
    }
    case items::PrimitiveType::Sphere:
        drawSphere(primitive.radius(), clampSegments(primitive.segments()));
        break;
    case items::PrimitiveType::Cylinder:
        glPushMatrix();
        glRotated(90, 1, 0, 0);
        drawClosedCylinder(primitive.radius(), primitive.height(), primitive.segments());
        glPopMatrix();
        break;
    default:
        break;
    }
}

void drawDxfFaces(const items::CDXF_3DFACE& faces, bool colours, bool doubleSided,
                  bool counterClockwise) {
    if (colours) {
        glColor4f(1, 1, 1, 1);
    }
    std::vector<Vec3d> corners;
    for (const items::DxfFace& face : faces.faces()) {
        corners.clear();
        for (const Vec3d& p : face.vertices) {
            if (std::find(corners.begin(), corners.end(), p) == corners.end()) {
                corners.push_back(p);
            }
        }
        if (corners.size() != 3 && corners.size() != 4) {
            continue;
        }
        if (colours) {
            const std::array<float, 3> rgb = dxfColour(face.colour);
            glColor4f(rgb[0], rgb[1], rgb[2], 1.0f);
        }
        drawDxfFace(corners, counterClockwise);
        if (doubleSided) {
            std::reverse(corners.begin(), corners.end());
            drawDxfFace(corners, counterClockwise);
        }
    }
}

void drawRibPolygons(const items::CRIB_Attribute& polygons, bool colours) {
    std::vector<Vec3d> points;
    std::vector<Vec3d> normals; // one per point
    std::vector<bool> hasNormal;
    auto drawPolygon = [&] {
        if (points.size() < 3) {
            return;
        }
        const Vec3d face = items::CIndexedFaceSet::faceNormal(points[0], points[1], points[2]);
        glBegin(GL_POLYGON);
        for (std::size_t i = 0; i < points.size(); ++i) {
            normal(i < hasNormal.size() && hasNormal[i] ? normals[i] : face);
            vertex(points[i]);
        }
        glEnd();
    };
    for (const items::RibRecord& record : polygons.records()) {
        if (record.type == items::RibRecord::Colour) {
            if (colours) {
                glColor4f(record.r, record.g, record.b, 1.0f);
            }
            continue;
        }
        const std::size_t pointCount = record.points.size() / 3;
        auto pointAt = [&](std::size_t i) {
            return Vec3d{record.points[3 * i], record.points[3 * i + 1], record.points[3 * i + 2]};
        };
        if (record.type == items::RibRecord::GeneralPolygon) {
            std::size_t next = 0;
            for (std::int32_t count : record.vertexCounts) {
                if (count < 0 || static_cast<std::size_t>(count) > pointCount - next) {
                    break;
                }
                points.clear();
                hasNormal.clear();
                for (std::int32_t i = 0; i < count; ++i) {
                    points.push_back(pointAt(next++));
                }
                drawPolygon();
            }
        } else if (record.type == items::RibRecord::PointsPolygons) {
            const std::size_t normalCount = record.normals.size() / 3;
            std::size_t next = 0;
            for (std::int32_t count : record.vertexCounts) {
                if (count < 0 ||
                    static_cast<std::size_t>(count) > record.vertexIndices.size() - next) {
                    break;
                }
                points.clear();
                normals.clear();
                hasNormal.clear();
                for (std::int32_t i = 0; i < count; ++i) {
                    const std::int32_t index = record.vertexIndices[next++];
                    if (index < 0 || static_cast<std::size_t>(index) >= pointCount) {
                        continue;
                    }
                    const auto k = static_cast<std::size_t>(index);
                    points.push_back(pointAt(k));
                    hasNormal.push_back(k < normalCount);
                    normals.push_back(k < normalCount
                                          ? Vec3d{record.normals[3 * k], record.normals[3 * k + 1],
                                                  record.normals[3 * k + 2]}
                                          : Vec3d{});
                }
                drawPolygon();
            }
        }
    }
}

} // namespace render::opengl
