#include "tools/datagen/ModelKit.h"

#include "image/PngCodec.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace datagen {

namespace {

Vec3d add(const Vec3d& a, const Vec3d& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec3d sub(const Vec3d& a, const Vec3d& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec3d mul(const Vec3d& a, double k) {
    return {a.x * k, a.y * k, a.z * k};
}
double dot(const Vec3d& a, const Vec3d& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec3d cross(const Vec3d& a, const Vec3d& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec3d normalised(const Vec3d& a) {
    const double length = std::sqrt(dot(a, a));
    return length > 0.0 ? mul(a, 1.0 / length) : Vec3d{};
}

// A point on the circle of `radius` about `centre` in the plane across `axis`, at angle a.
Vec3d ringPoint(ModelKit::Axis axis, const Vec3d& centre, double radius, double a, double along) {
    const double c = radius * std::cos(a);
    const double s = radius * std::sin(a);
    switch (axis) {
    case ModelKit::Axis::X:
        return {centre.x + along, centre.y + c, centre.z + s};
    case ModelKit::Axis::Y:
        return {centre.x + c, centre.y + along, centre.z + s};
    case ModelKit::Axis::Z:
        break;
    }
    return {centre.x + c, centre.y + s, centre.z + along};
}

Vec3d axisVector(ModelKit::Axis axis) {
    switch (axis) {
    case ModelKit::Axis::X:
        return {1, 0, 0};
    case ModelKit::Axis::Y:
        return {0, 1, 0};
    case ModelKit::Axis::Z:
        break;
    }
    return {0, 0, 1};
}

} // namespace

ModelKit::ModelKit(items::C3DObject& root) : root_(root) {
    groups_.push_back(&root_);
}

void ModelKit::beginGroup(const Vec3d& translation, const Vec3d& scale) {
    items::C3DObject& group = groups_.back()->createChild();
    group.setTranslation(translation);
    group.setScale(scale);
    groups_.push_back(&group);
}

void ModelKit::endGroup() {
    if (groups_.size() > 1) {
        groups_.pop_back();
    }
}

ModelKit::Part ModelKit::newPart(Rgb colour) {
    items::C3DObject& node = groups_.back()->createChild();
    node.setColourComponent(0, colour.r);
    node.setColourComponent(1, colour.g);
    node.setColourComponent(2, colour.b);
    node.setColourComponent(3, 1.0);
    auto faces = std::make_unique<items::CIndexedFaceSet>(&node);
    items::CIndexedFaceSet* raw = faces.get();
    node.setFaceSet(std::move(faces));
    return Part{&node, raw};
}

std::int32_t ModelKit::Part::point(const Vec3d& p) {
    const auto index = static_cast<std::int32_t>(faces->pointCount());
    faces->addPoint(p);
    return index;
}

void ModelKit::Part::quad(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) {
    for (const std::int32_t i : {a, b, c, d, -1}) {
        faces->addCoordIndex(i);
    }
}

void ModelKit::Part::triangle(std::int32_t a, std::int32_t b, std::int32_t c) {
    for (const std::int32_t i : {a, b, c, -1}) {
        faces->addCoordIndex(i);
    }
}

namespace {

// Adds a flat face of 3 or 4 new points, wound so that its normal points along `outward`.
void flatFace(items::CIndexedFaceSet& faces, std::vector<Vec3d> points, const Vec3d& outward) {
    const Vec3d normal = cross(sub(points[1], points[0]), sub(points[2], points[0]));
    if (dot(normal, outward) < 0.0) {
        std::reverse(points.begin(), points.end());
    }
    const auto first = static_cast<std::int32_t>(faces.pointCount());
    for (const Vec3d& p : points) {
        faces.addPoint(p);
    }
    for (std::size_t i = 0; i < points.size(); ++i) {
        faces.addCoordIndex(first + static_cast<std::int32_t>(i));
    }
    faces.addCoordIndex(-1);
}

Vec3d centreOf(const std::vector<Vec3d>& points) {
    Vec3d sum;
    for (const Vec3d& p : points) {
        sum = add(sum, p);
    }
    return mul(sum, 1.0 / static_cast<double>(points.size()));
}

// Adds a convex polyhedron given by its faces; each face is turned to face away from the
// solid's centre.
void convexSolid(items::CIndexedFaceSet& faces, const std::vector<std::vector<Vec3d>>& polygons,
                 const Vec3d& centre) {
    for (const auto& polygon : polygons) {
        flatFace(faces, polygon, sub(centreOf(polygon), centre));
    }
}

} // namespace

void ModelKit::box(Rgb colour, const Vec3d& centre, const Vec3d& size) {
    const Vec3d half = mul(size, 0.5);
    boxFromTo(colour, sub(centre, half), add(centre, half));
}

void ModelKit::boxFromTo(Rgb colour, const Vec3d& a, const Vec3d& b) {
    Part part = newPart(colour);
    const double x0 = std::min(a.x, b.x), x1 = std::max(a.x, b.x);
    const double y0 = std::min(a.y, b.y), y1 = std::max(a.y, b.y);
    const double z0 = std::min(a.z, b.z), z1 = std::max(a.z, b.z);
    const Vec3d centre{(x0 + x1) / 2, (y0 + y1) / 2, (z0 + z1) / 2};
    convexSolid(*part.faces,
                {{{x0, y0, z0}, {x0, y0, z1}, {x0, y1, z1}, {x0, y1, z0}},
                 {{x1, y0, z0}, {x1, y0, z1}, {x1, y1, z1}, {x1, y1, z0}},
                 {{x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1}},
                 {{x0, y1, z0}, {x1, y1, z0}, {x1, y1, z1}, {x0, y1, z1}},
                 {{x0, y0, z0}, {x1, y0, z0}, {x1, y1, z0}, {x0, y1, z0}},
                 {{x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}}},
                centre);
}

void ModelKit::cylinder(Rgb colour, Axis axis, const Vec3d& centre, double radius, double length,
                        int segments) {
    const Vec3d base = sub(centre, mul(axisVector(axis), length / 2));
    cone(colour, axis, base, radius, radius, length, segments);
}

void ModelKit::cone(Rgb colour, Axis axis, const Vec3d& base, double baseRadius, double topRadius,
                    double height, int segments) {
    segments = std::max(segments, 3);
    Part part = newPart(colour);
    const Vec3d up = axisVector(axis);
    const Vec3d top = add(base, mul(up, height));
    const double towardsTop = height < 0.0 ? -1.0 : 1.0;
    std::vector<Vec3d> lower;
    std::vector<Vec3d> upper;
    for (int i = 0; i < segments; ++i) {
        const double a = 2.0 * std::numbers::pi * i / segments;
        lower.push_back(ringPoint(axis, base, baseRadius, a, 0.0));
        upper.push_back(ringPoint(axis, base, topRadius, a, height));
    }
    // Sides share their ring points, so that the face set smooths across them.
    const auto lowerFirst = static_cast<std::int32_t>(part.faces->pointCount());
    for (const Vec3d& p : lower) {
        part.point(p);
    }
    const auto upperFirst = static_cast<std::int32_t>(part.faces->pointCount());
    const bool apex = topRadius <= 0.0;
    if (apex) {
        part.point(top);
    } else {
        for (const Vec3d& p : upper) {
            part.point(p);
        }
    }
    for (int i = 0; i < segments; ++i) {
        const int j = (i + 1) % segments;
        const Vec3d outward = sub(centreOf({lower[i], lower[j]}), base);
        const Vec3d normal = cross(sub(lower[j], lower[i]), sub(apex ? top : upper[j], lower[i]));
        const bool forward = dot(normal, outward) >= 0.0;
        if (apex) {
            forward ? part.triangle(lowerFirst + i, lowerFirst + j, upperFirst)
                    : part.triangle(upperFirst, lowerFirst + j, lowerFirst + i);
        } else if (forward) {
            part.quad(lowerFirst + i, lowerFirst + j, upperFirst + j, upperFirst + i);
        } else {
            part.quad(upperFirst + i, upperFirst + j, lowerFirst + j, lowerFirst + i);
        }
    }
    // Caps as fans of triangles with points of their own.
    const auto cap = [&](const std::vector<Vec3d>& ring, const Vec3d& centre,
                         const Vec3d& outward) {
        for (int i = 0; i < segments; ++i) {
            flatFace(*part.faces, {centre, ring[i], ring[(i + 1) % segments]}, outward);
        }
    };
    cap(lower, base, mul(up, -towardsTop));
    if (!apex) {
        cap(upper, top, mul(up, towardsTop));
    }
}

void ModelKit::wedge(Rgb colour, const Vec3d& min, const Vec3d& max, double lowHeight,
                     bool lowAtMin) {
    Part part = newPart(colour);
    const double x0 = lowAtMin ? max.x : min.x, x1 = lowAtMin ? min.x : max.x;
    const double y0 = min.y, z0 = min.z, z1 = max.z;
    const double yh = max.y;
    const double yl = min.y + lowHeight;
    const Vec3d centre{(x0 + x1) / 2, (y0 + (yh + yl) / 2) / 2, (z0 + z1) / 2};
    std::vector<std::vector<Vec3d>> faces = {
        {{x0, y0, z0}, {x0, y0, z1}, {x0, yh, z1}, {x0, yh, z0}},
        {{x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1}},
        {{x0, yh, z0}, {x1, yl, z0}, {x1, yl, z1}, {x0, yh, z1}},
        {{x0, y0, z0}, {x1, y0, z0}, {x1, yl, z0}, {x0, yh, z0}},
        {{x0, y0, z1}, {x1, y0, z1}, {x1, yl, z1}, {x0, yh, z1}}};
    if (lowHeight > 0.0) {
        faces.push_back({{x1, y0, z0}, {x1, y0, z1}, {x1, yl, z1}, {x1, yl, z0}});
    }
    convexSolid(*part.faces, faces, centre);
}

void ModelKit::roof(Rgb colour, const Vec3d& min, const Vec3d& max, double base, double height) {
    Part part = newPart(colour);
    const double x0 = min.x, x1 = max.x, z0 = min.z, z1 = max.z;
    const double zm = (z0 + z1) / 2;
    const double top = base + height;
    const Vec3d centre{(x0 + x1) / 2, base + height / 3, zm};
    convexSolid(*part.faces,
                {{{x0, base, z0}, {x1, base, z0}, {x1, top, zm}, {x0, top, zm}},
                 {{x0, base, z1}, {x1, base, z1}, {x1, top, zm}, {x0, top, zm}},
                 {{x0, base, z0}, {x1, base, z0}, {x1, base, z1}, {x0, base, z1}},
                 {{x0, base, z0}, {x0, base, z1}, {x0, top, zm}},
                 {{x1, base, z0}, {x1, base, z1}, {x1, top, zm}}},
                centre);
}

void ModelKit::bar(Rgb colour, const Vec3d& a, const Vec3d& b, double width, double depth) {
    const Vec3d dir = normalised(sub(b, a));
    if (dot(dir, dir) == 0.0) {
        return;
    }
    const Vec3d helper = std::abs(dir.z) > 0.99 ? Vec3d{0, 1, 0} : Vec3d{0, 0, 1};
    const Vec3d s1 = mul(normalised(cross(dir, helper)), width / 2);
    const Vec3d s2 = mul(normalised(cross(dir, s1)), depth / 2);
    Part part = newPart(colour);
    const auto corner = [&](const Vec3d& end, double i, double j) {
        return add(end, add(mul(s1, i), mul(s2, j)));
    };
    std::vector<std::vector<Vec3d>> faces;
    const double signs[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    for (int k = 0; k < 4; ++k) {
        const auto* p = signs[k];
        const auto* q = signs[(k + 1) % 4];
        faces.push_back({corner(a, p[0], p[1]), corner(a, q[0], q[1]), corner(b, q[0], q[1]),
                         corner(b, p[0], p[1])});
    }
    faces.push_back({corner(a, -1, -1), corner(a, 1, -1), corner(a, 1, 1), corner(a, -1, 1)});
    faces.push_back({corner(b, -1, -1), corner(b, 1, -1), corner(b, 1, 1), corner(b, -1, 1)});
    convexSolid(*part.faces, faces, centreOf({a, b}));
}

void ModelKit::sphere(Rgb colour, const Vec3d& centre, double radius, int rings) {
    rings = std::max(rings, 3);
    const int segments = 2 * rings;
    Part part = newPart(colour);
    std::vector<std::int32_t> index;
    for (int i = 0; i <= rings; ++i) {
        const double polar = std::numbers::pi * i / rings;
        for (int j = 0; j < segments; ++j) {
            const double a = 2.0 * std::numbers::pi * j / segments;
            index.push_back(part.point({centre.x + radius * std::sin(polar) * std::cos(a),
                                        centre.y + radius * std::cos(polar),
                                        centre.z + radius * std::sin(polar) * std::sin(a)}));
        }
    }
    const auto at = [&](int i, int j) { return index[i * segments + (j % segments)]; };
    for (int i = 0; i < rings; ++i) {
        for (int j = 0; j < segments; ++j) {
            // Seen from outside, (i, j) → (i, j+1) → (i+1, j+1) runs counter-clockwise.
            if (i == 0) {
                part.triangle(at(0, j), at(1, j + 1), at(1, j));
            } else if (i == rings - 1) {
                part.triangle(at(i, j), at(i, j + 1), at(i + 1, j));
            } else {
                part.quad(at(i, j), at(i, j + 1), at(i + 1, j + 1), at(i + 1, j));
            }
        }
    }
}

void ModelKit::band(Rgb colour, const std::vector<Vec3d>& path, double width, double thickness) {
    if (path.size() < 2) {
        return;
    }
    Part part = newPart(colour);
    // Each point is moved sideways along the mean of its two segment directions, so that
    // consecutive pieces meet without gaps on curves.
    std::vector<Vec3d> side;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const Vec3d& a = path[i == 0 ? 0 : i - 1];
        const Vec3d& b = path[i + 1 < path.size() ? i + 1 : i];
        const Vec3d along = normalised({b.x - a.x, 0.0, b.z - a.z});
        side.push_back({-along.z * width / 2, 0.0, along.x * width / 2});
    }
    const Vec3d lift{0.0, thickness, 0.0};
    for (std::size_t i = 0; i + 1 < path.size(); ++i) {
        const Vec3d a0 = sub(path[i], side[i]), a1 = add(path[i], side[i]);
        const Vec3d b0 = sub(path[i + 1], side[i + 1]), b1 = add(path[i + 1], side[i + 1]);
        const Vec3d centre = add(centreOf({path[i], path[i + 1]}), mul(lift, 0.5));
        convexSolid(*part.faces,
                    {{a0, b0, b1, a1},
                     {add(a0, lift), add(b0, lift), add(b1, lift), add(a1, lift)},
                     {a0, b0, add(b0, lift), add(a0, lift)},
                     {a1, b1, add(b1, lift), add(a1, lift)}},
                    centre);
    }
}

// --- Thumbnails ---

namespace {

struct Triangle {
    std::array<Vec3d, 3> p;
    Rgb colour;
};

void collectTriangles(const items::C3DObject& node, const Vec3d& offset, const Vec3d& scale,
                      std::vector<Triangle>& out) {
    const Vec3d t = node.translation();
    const Vec3d s = node.scale();
    const Vec3d nodeOffset{offset.x + scale.x * t.x, offset.y + scale.y * t.y,
                           offset.z + scale.z * t.z};
    const Vec3d nodeScale{scale.x * s.x, scale.y * s.y, scale.z * s.z};
    const auto place = [&](const Vec3d& p) {
        return Vec3d{nodeOffset.x + nodeScale.x * p.x, nodeOffset.y + nodeScale.y * p.y,
                     nodeOffset.z + nodeScale.z * p.z};
    };
    if (const items::CIndexedFaceSet* faces = node.faceSet()) {
        const auto& c = node.colour();
        const Rgb colour{c[0], c[1], c[2]};
        std::vector<Vec3d> polygon;
        const std::size_t count = faces->pointCount();
        bool valid = true;
        for (const std::int32_t index : faces->coordIndices()) {
            if (index >= 0) {
                valid = valid && static_cast<std::size_t>(index) < count;
                if (valid) {
                    polygon.push_back(place(faces->point(static_cast<std::size_t>(index))));
                }
                continue;
            }
            if (valid && (polygon.size() == 3 || polygon.size() == 4)) {
                out.push_back({{polygon[0], polygon[1], polygon[2]}, colour});
                if (polygon.size() == 4) {
                    out.push_back({{polygon[2], polygon[3], polygon[0]}, colour});
                }
            }
            polygon.clear();
            valid = true;
        }
    }
    for (const auto& child : node.children()) {
        collectTriangles(*child, nodeOffset, nodeScale, out);
    }
}

std::uint8_t toByte(double value) {
    return static_cast<std::uint8_t>(std::clamp(std::lround(value * 255.0), 0L, 255L));
}

} // namespace

image::Picture renderThumbnail(const items::C3DObject& root, ThumbnailView view, int size,
                               const ThumbnailFrame* frame, Rgb background) {
    size = std::max(size, 8);
    constexpr int kSamples = 2;
    const int n = size * kSamples;

    // Screen axes: u to the right, v downwards, depth towards the viewer.
    Vec3d right{1, 0, 0};
    Vec3d down{0, 0, 1};
    Vec3d toViewer{0, 1, 0};
    if (view == ThumbnailView::ThreeQuarter) {
        const double azimuth = 35.0 * std::numbers::pi / 180.0;
        const double elevation = 28.0 * std::numbers::pi / 180.0;
        toViewer = {std::sin(azimuth) * std::cos(elevation), std::sin(elevation),
                    std::cos(azimuth) * std::cos(elevation)};
        right = normalised(cross({0, 1, 0}, toViewer));
        down = mul(cross(toViewer, right), -1.0);
        frame = nullptr;
    }
    const Vec3d light = normalised({-0.45, 1.0, -0.35});

    std::vector<Triangle> triangles;
    collectTriangles(root, {}, {1, 1, 1}, triangles);

    double u0 = 0, u1 = 1, v0 = 0, v1 = 1;
    if (frame != nullptr) {
        u0 = frame->minX;
        u1 = frame->maxX;
        v0 = frame->minZ;
        v1 = frame->maxZ;
    } else if (!triangles.empty()) {
        u0 = v0 = 1e300;
        u1 = v1 = -1e300;
        for (const Triangle& t : triangles) {
            for (const Vec3d& p : t.p) {
                u0 = std::min(u0, dot(p, right));
                u1 = std::max(u1, dot(p, right));
                v0 = std::min(v0, dot(p, down));
                v1 = std::max(v1, dot(p, down));
            }
        }
        const double extent = std::max({u1 - u0, v1 - v0, 1e-6}) * 1.1;
        const double cu = (u0 + u1) / 2, cv = (v0 + v1) / 2;
        u0 = cu - extent / 2;
        u1 = cu + extent / 2;
        v0 = cv - extent / 2;
        v1 = cv + extent / 2;
    }
    const double su = n / std::max(u1 - u0, 1e-9);
    const double sv = n / std::max(v1 - v0, 1e-9);

    std::vector<Rgb> colour(static_cast<std::size_t>(n) * n, background);
    std::vector<double> depth(static_cast<std::size_t>(n) * n, -1e300);
    for (const Triangle& t : triangles) {
        std::array<double, 3> x{}, y{}, d{};
        for (int i = 0; i < 3; ++i) {
            x[i] = (dot(t.p[i], right) - u0) * su;
            y[i] = (dot(t.p[i], down) - v0) * sv;
            d[i] = dot(t.p[i], toViewer);
        }
        const double area = (x[1] - x[0]) * (y[2] - y[0]) - (x[2] - x[0]) * (y[1] - y[0]);
        if (std::abs(area) < 1e-12) {
            continue;
        }
        Vec3d normal = normalised(cross(sub(t.p[1], t.p[0]), sub(t.p[2], t.p[0])));
        if (dot(normal, toViewer) < 0.0) {
            normal = mul(normal, -1.0);
        }
        const double shade = 0.5 + 0.5 * std::max(0.0, dot(normal, light));
        const Rgb lit{t.colour.r * shade, t.colour.g * shade, t.colour.b * shade};
        const int xMin = std::max(0, static_cast<int>(std::floor(std::min({x[0], x[1], x[2]}))));
        const int xMax = std::min(n - 1, static_cast<int>(std::ceil(std::max({x[0], x[1], x[2]}))));
        const int yMin = std::max(0, static_cast<int>(std::floor(std::min({y[0], y[1], y[2]}))));
        const int yMax = std::min(n - 1, static_cast<int>(std::ceil(std::max({y[0], y[1], y[2]}))));
        for (int py = yMin; py <= yMax; ++py) {
            for (int px = xMin; px <= xMax; ++px) {
                const double cx = px + 0.5, cy = py + 0.5;
                const double w0 = ((x[1] - cx) * (y[2] - cy) - (x[2] - cx) * (y[1] - cy)) / area;
                const double w1 = ((x[2] - cx) * (y[0] - cy) - (x[0] - cx) * (y[2] - cy)) / area;
                const double w2 = 1.0 - w0 - w1;
                if (w0 < 0.0 || w1 < 0.0 || w2 < 0.0) {
                    continue;
                }
                const double z = w0 * d[0] + w1 * d[1] + w2 * d[2];
                const std::size_t at = static_cast<std::size_t>(py) * n + px;
                if (z > depth[at]) {
                    depth[at] = z;
                    colour[at] = lit;
                }
            }
        }
    }

    image::Picture picture(size, size, 24);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            Rgb sum{0, 0, 0};
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const Rgb& c =
                        colour[static_cast<std::size_t>(y * kSamples + sy) * n + x * kSamples + sx];
                    sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
                }
            }
            const double k = 1.0 / (kSamples * kSamples);
            std::uint8_t* p = picture.pixel(x, y);
            p[0] = toByte(sum.b * k);
            p[1] = toByte(sum.g * k);
            p[2] = toByte(sum.r * k);
        }
    }
    return picture;
}

std::vector<std::uint8_t> thumbnailPng(const items::C3DObject& root, ThumbnailView view, int size,
                                       const ThumbnailFrame* frame, Rgb background) {
    return image::encodePngPicture(renderThumbnail(root, view, size, frame, background));
}

float modelSizeInTiles(const items::C3DObject& root) {
    const items::BoundingBox box = root.localBounds();
    const double extent = std::max(box.max.x - box.min.x, box.max.z - box.min.z);
    if (!(extent > 0.0) || extent > 1e5) {
        return 1.0f;
    }
    return static_cast<float>(extent / 40.0);
}

} // namespace datagen
