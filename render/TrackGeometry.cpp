#include "render/TrackGeometry.h"

#include <algorithm>
#include <cmath>

#include "model/CTrackItem.h"
#include "model/LineItem.h"
#include "model/TrackHeights.h"

namespace render {
namespace {

constexpr double kLayoutUnit = 0.025; // one layout unit in tile sizes

struct V3 {
    double x = 0, y = 0, z = 0;
};
V3 operator+(V3 a, V3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
V3 operator-(V3 a, V3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
V3 operator*(V3 a, double k) {
    return {a.x * k, a.y * k, a.z * k};
}

// A point of the line's centre and its horizontal direction, at a point-index parameter.
struct Frame {
    V3 centre;
    V3 right; // horizontal, unit, to the right of the direction of travel
};

class LineSampler {
public:
    LineSampler(const model::LineItem& line, double tileSize, double layerHeight,
                double fallbackLevel)
        : line_(line), scale_(tileSize * kLayoutUnit), layerHeight_(layerHeight),
          fallback_(fallbackLevel), last_(line.lastIndex()) {
        // Unset heights run between the levels where the line meets its neighbours.
        if (line.getOwner() != nullptr) {
            model::junctionHeights(const_cast<model::LineItem&>(line), startLevel_, endLevel_);
        } else {
            startLevel_ = endLevel_ = fallbackLevel;
        }
    }

    V3 at(double t) const {
        const model::Vec3d p = line_.localPoint(t * last_);
        double level = line_.heightAt(t * last_, true);
        if (level < -50) {
            level = line_.getOwner() != nullptr && line_.getOwner()->getLayer() > 0
                        ? startLevel_ + (endLevel_ - startLevel_) * t
                        : fallback_;
        }
        return {p.x * scale_, level * layerHeight_, p.z * scale_};
    }

    Frame frame(double t) const {
        const double h = 1e-3;
        const V3 a = at(std::max(0.0, t - h));
        const V3 b = at(std::min(1.0, t + h));
        double dx = b.x - a.x;
        double dz = b.z - a.z;
        const double n = std::hypot(dx, dz);
        if (n > 0) {
            dx /= n;
            dz /= n;
        } else {
            dx = 1;
            dz = 0;
        }
        return {at(t), V3{-dz, 0, dx}};
    }

private:
    const model::LineItem& line_;
    double scale_;
    double layerHeight_;
    double fallback_;
    int last_;
    double startLevel_ = 0;
    double endLevel_ = 0;
};

V3 cross(V3 a, V3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double dot(V3 a, V3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// Appends a quad wound counter-clockwise seen from the side its normal points to.
void pushQuad(TrackMesh& mesh, const std::array<V3, 4>& p, V3 normal,
              const std::array<std::array<float, 2>, 4>& uv) {
    const bool flip = dot(cross(p[1] - p[0], p[2] - p[1]), normal) < 0;
    for (int k = 0; k < 4; ++k) {
        const int i = flip ? 3 - k : k;
        TrackVertex v;
        v.x = static_cast<float>(p[i].x);
        v.y = static_cast<float>(p[i].y);
        v.z = static_cast<float>(p[i].z);
        v.nx = static_cast<float>(normal.x);
        v.ny = static_cast<float>(normal.y);
        v.nz = static_cast<float>(normal.z);
        v.u = uv[i][0];
        v.v = uv[i][1];
        mesh.quads.push_back(v);
    }
}

// Carries a rectangular section (width across, height up, centred `offset` to the right and
// `lift` above the line) along parameters t0 … t1 in `steps` steps: top, bottom and both
// sides. Sections of no height give the top face only.
void sweepBar(TrackMesh& mesh, const LineSampler& line, double t0, double t1, int steps,
              double offset, double width, double height, double lift, double uPerUnit) {
    const V3 up{0, 1, 0};
    double along = 0;
    Frame prev = line.frame(t0);
    for (int i = 1; i <= steps; ++i) {
        const double t = t0 + (t1 - t0) * i / steps;
        const Frame next = line.frame(t);
        const double segment =
            std::hypot(next.centre.x - prev.centre.x, next.centre.z - prev.centre.z);
        const float u0 = static_cast<float>(along * uPerUnit);
        const float u1 = static_cast<float>((along + segment) * uPerUnit);
        along += segment;
        auto corner = [&](const Frame& f, double across, double upward) {
            return f.centre + f.right * (offset + across) + up * (lift + upward);
        };
        const double w = width / 2;
        const double h = height / 2;
        const V3 right = prev.right;
        // Top: from left edge to right edge.
        pushQuad(mesh,
                 {corner(prev, w, h), corner(prev, -w, h), corner(next, -w, h), corner(next, w, h)},
                 up, {{{u0, 1}, {u0, 0}, {u1, 0}, {u1, 1}}});
        if (height <= 0) {
            prev = next;
            continue;
        }
        pushQuad(
            mesh,
            {corner(prev, -w, -h), corner(prev, w, -h), corner(next, w, -h), corner(next, -w, -h)},
            up * -1, {{{u0, 0}, {u0, 1}, {u1, 1}, {u1, 0}}});
        pushQuad(mesh,
                 {corner(prev, w, -h), corner(prev, w, h), corner(next, w, h), corner(next, w, -h)},
                 right, {{{u0, 0}, {u0, 1}, {u1, 1}, {u1, 0}}});
        pushQuad(
            mesh,
            {corner(prev, -w, h), corner(prev, -w, -h), corner(next, -w, -h), corner(next, -w, h)},
            right * -1, {{{u0, 1}, {u0, 0}, {u1, 0}, {u1, 1}}});
        prev = next;
    }
}

// Curves need more steps than straights to look round.
int sweepSteps(const model::LineItem& line) {
    const int shape = line.getShape();
    const bool straight = shape == 1 || shape == 6 || line.points().size() <= 2;
    const int figure = std::max(1, sleeperCount(line.length()));
    return straight ? 1 : std::clamp(figure * 2, 8, 64);
}

// The tops of a line's sleepers as one strip, as wide and as high as the bars' tops, swept
// in the rails' steps. u runs from 0 to `sleepers` along the line's parameter, so sleeper i
// is centred on u = i + 0.5 as the bars are; v is the share of each period a bar covers.
TrackMesh sleeperStrip(const LineSampler& sampler, const model::LineItem& line, int sleepers,
                       int steps, double tileSize) {
    TrackMesh mesh;
    mesh.colour = kSleeperColour;
    mesh.texture = kSleeperPatternTexture;
    const double lengthScene = line.length() * kLayoutUnit * tileSize;
    const double bar = kRailSection * tileSize;
    const float share =
        lengthScene > 0 ? static_cast<float>(std::min(1.0, sleepers * bar / lengthScene)) : 1.0f;
    const double w = kRailGauge * tileSize / 2;
    const V3 up{0, 1, 0};
    Frame prev = sampler.frame(0);
    for (int i = 1; i <= steps; ++i) {
        const double t0 = static_cast<double>(i - 1) / steps;
        const double t1 = static_cast<double>(i) / steps;
        const Frame next = sampler.frame(t1);
        const float u0 = static_cast<float>(t0 * sleepers);
        const float u1 = static_cast<float>(t1 * sleepers);
        pushQuad(mesh,
                 {prev.centre + prev.right * w, prev.centre + prev.right * -w,
                  next.centre + next.right * -w, next.centre + next.right * w},
                 up, {{{u0, share}, {u0, share}, {u1, share}, {u1, share}}});
        prev = next;
    }
    return mesh;
}

} // namespace

LineSection lineSection(int kind) {
    switch (kind) {
    case model::LineKindTrack:
        return {kRailGauge, 0, kRailSection, 0, 0, 0, true};
    case 2:
        return {0.5, 0, 0.09375, 41, 40, 40, false};
    case 3:
        return {0.75, 0, 0, 49, 49, 49, false};
    case 4:
        return {0.25, 0, 0.00003125, 46, 0, 46, false};
    case model::LineKindThird:
        return {0.125, 0.09375, 0.09375, 40, 42, 40, false};
    case model::LineKindFourth:
        return {0.25, 0.78125, 0.175, 45, 43, 44, false};
    default:
        return {0.5, 0, 0.09375, 0, 0, 0, false};
    }
}

int sleeperCount(double lengthLayoutUnits) {
    if (!(lengthLayoutUnits > 0) || !std::isfinite(lengthLayoutUnits)) {
        return 0;
    }
    const int figure = static_cast<int>(lengthLayoutUnits * kLayoutUnit * 9 + 2);
    return figure > 2 ? figure : 0;
}

std::vector<TrackMesh> sweepLine(const model::LineItem& line, int kind, double tileSize,
                                 double layerHeight, double fallbackLevel, SleeperForm form) {
    std::vector<TrackMesh> meshes;
    if (line.points().size() < 2) {
        return meshes;
    }
    const LineSampler sampler(line, tileSize, layerHeight, fallbackLevel);
    const LineSection section = lineSection(kind);
    const int steps = sweepSteps(line);
    if (section.rails) {
        const double bar = kRailSection * tileSize;
        const double lift = -bar / 2;
        const int sleepers = sleeperCount(line.length());
        if (sleepers > 0 && form == SleeperForm::Strip) {
            meshes.push_back(sleeperStrip(sampler, line, sleepers, steps, tileSize));
        } else if (sleepers > 0) {
            TrackMesh mesh;
            mesh.colour = kSleeperColour;
            // Each sleeper is a short bar across the track, centred on its own parameter.
            const double lengthScene = line.length() * kLayoutUnit * tileSize;
            const double half = lengthScene > 0 ? bar / 2 / lengthScene : 0;
            for (int i = 0; i < sleepers; ++i) {
                const double t = (i + 0.5) / sleepers;
                // A sleeper is the rail section turned across the track.
                TrackMesh one;
                sweepBar(one, sampler, std::max(0.0, t - half), std::min(1.0, t + half), 1, 0,
                         kRailGauge * tileSize, bar, lift, 0);
                mesh.quads.insert(mesh.quads.end(), one.quads.begin(), one.quads.end());
            }
            meshes.push_back(std::move(mesh));
        }
        for (const double side : {-1.0, 1.0}) {
            TrackMesh rail;
            rail.colour = kRailColour;
            rail.metal = true;
            sweepBar(rail, sampler, 0, 1, steps, side * kRailGauge * tileSize / 2, bar, bar, lift,
                     0);
            meshes.push_back(std::move(rail));
        }
        return meshes;
    }
    TrackMesh bed;
    bed.texture = section.topTexture;
    const double width = section.width * tileSize;
    const double height = section.sectionHeight * tileSize;
    const double lift = (section.baseHeight - section.sectionHeight / 2) * tileSize;
    sweepBar(bed, sampler, 0, 1, steps, 0, width, height, lift, width > 0 ? 1 / width : 0);
    meshes.push_back(std::move(bed));
    return meshes;
}

} // namespace render

namespace render {

bool pierPlacement(const model::CTrackItem& tile, double tileSize, double layerHeight,
                   PierPlacement& out, int kind) {
    const model::CTrackControlItem* item = kind != 0 ? tile.findControlItem(kind) : tile.pierItem();
    if (item == nullptr) {
        return false;
    }
    for (const auto& line : tile.lines()) {
        if (line == nullptr || line->points().empty()) {
            continue;
        }
        const auto& points = line->points();
        const std::size_t middle = points.size() / 2;
        const double scale = tileSize * kLayoutUnit;
        out.kind = item->getKind();
        out.x = points[middle].X * scale;
        out.z = points[middle].Z * scale;
        const double dx = points.back().X - points.front().X;
        const double dz = points.back().Z - points.front().Z;
        out.direction = std::atan2(dz, dx) * 180.0 / 3.14159265358979323846;
        double level = line->heightAt(static_cast<double>(middle), true);
        if (level < -50) {
            level = tile.level();
        }
        out.top = level * layerHeight;
        out.trackHeight = out.top;
        if (tile.hasKind1() || tile.hasKind2to4()) {
            if (tile.getElevationOffset() > 0) {
                out.top -= 0.1 * tileSize;
            }
        } else if (tile.hasKind101()) {
            out.top += 0.78125 * tileSize;
        } else if (tile.hasKind100()) {
            out.top += 0.09375 * tileSize;
        }
        return true;
    }
    return false;
}

TrackMesh taperedColumn(double top, double foot, double topWidth, double footWidth, int texture,
                        double tileSize) {
    TrackMesh mesh;
    mesh.texture = texture;
    if (!(top > foot)) {
        return mesh;
    }
    const double t = topWidth / 2;
    const double f = footWidth / 2;
    const float repeat = static_cast<float>((top - foot) / (0.6 * tileSize));
    pushQuad(mesh, {V3{-t, top, -t}, V3{-t, top, t}, V3{t, top, t}, V3{t, top, -t}}, V3{0, 1, 0},
             {{{0, 0}, {0, 1}, {1, 1}, {1, 0}}});
    // The four sides, each facing outwards along x or z (slightly up for the taper).
    const double lean = (f - t) / (top - foot);
    const std::array<V3, 4> outward{V3{1, lean, 0}, V3{0, lean, 1}, V3{-1, lean, 0},
                                    V3{0, lean, -1}};
    for (const V3& n : outward) {
        const V3 across{-n.z, 0, n.x};
        const V3 axis{n.x, 0, n.z};
        pushQuad(mesh,
                 {axis * t + across * t + V3{0, top, 0}, axis * t - across * t + V3{0, top, 0},
                  axis * f - across * f + V3{0, foot, 0}, axis * f + across * f + V3{0, foot, 0}},
                 n, {{{0, repeat}, {1, repeat}, {1, 0}, {0, 0}}});
    }
    return mesh;
}

TrackMesh archBody(const model::LineItem& line, double tileSize, double layerHeight,
                   double fallbackLevel, double topOffset, double foot, double width,
                   double archRise, int texture) {
    TrackMesh mesh;
    mesh.texture = texture;
    if (line.points().size() < 2) {
        return mesh;
    }
    const LineSampler sampler(line, tileSize, layerHeight, fallbackLevel);
    constexpr int kSteps = 16;
    const V3 up{0, 1, 0};
    const double w = width / 2;
    const double repeat = 0.6 * tileSize;
    // The underside at parameter t: on the foot at both ends, a round arch in between.
    auto underside = [&](const Frame& f, double t) {
        const double top = f.centre.y + topOffset;
        const double free = std::max(0.0, top - foot - 0.15 * tileSize);
        const double rise = std::sqrt(std::max(0.0, std::sin(3.14159265358979323846 * t)));
        return foot + free * archRise * rise;
    };
    Frame prev = sampler.frame(0);
    double prevBottom = underside(prev, 0);
    double along = 0;
    for (int i = 1; i <= kSteps; ++i) {
        const double t = static_cast<double>(i) / kSteps;
        const Frame next = sampler.frame(t);
        const double nextBottom = underside(next, t);
        const double segment =
            std::hypot(next.centre.x - prev.centre.x, next.centre.z - prev.centre.z);
        const float u0 = static_cast<float>(along / repeat);
        const float u1 = static_cast<float>((along + segment) / repeat);
        along += segment;
        const double prevTop = prev.centre.y + topOffset;
        const double nextTop = next.centre.y + topOffset;
        if (prevTop > prevBottom || nextTop > nextBottom) {
            auto at = [](const Frame& f, double across, double y) {
                V3 p = f.centre + f.right * across;
                p.y = y;
                return p;
            };
            auto v = [&](double y) { return static_cast<float>((y - foot) / repeat); };
            const V3 right = prev.right;
            pushQuad(mesh,
                     {at(prev, w, prevTop), at(prev, -w, prevTop), at(next, -w, nextTop),
                      at(next, w, nextTop)},
                     up, {{{u0, 1}, {u0, 0}, {u1, 0}, {u1, 1}}});
            pushQuad(mesh,
                     {at(prev, -w, prevBottom), at(prev, w, prevBottom), at(next, w, nextBottom),
                      at(next, -w, nextBottom)},
                     up * -1, {{{u0, 0}, {u0, 1}, {u1, 1}, {u1, 0}}});
            for (const double side : {1.0, -1.0}) {
                pushQuad(mesh,
                         {at(prev, side * w, prevBottom), at(prev, side * w, prevTop),
                          at(next, side * w, nextTop), at(next, side * w, nextBottom)},
                         right * side,
                         {{{u0, v(prevBottom)},
                           {u0, v(prevTop)},
                           {u1, v(nextTop)},
                           {u1, v(nextBottom)}}});
            }
        }
        prev = next;
        prevBottom = nextBottom;
    }
    // Both ends closed, facing back along the line and forward.
    for (const double t : {0.0, 1.0}) {
        const Frame f = sampler.frame(t);
        const double top = f.centre.y + topOffset;
        if (!(top > foot)) {
            continue;
        }
        const V3 forward{f.right.z, 0, -f.right.x};
        const V3 normal = t == 0 ? forward * -1 : forward;
        auto at = [&](double across, double y) {
            V3 p = f.centre + f.right * across;
            p.y = y;
            return p;
        };
        const float v = static_cast<float>((top - foot) / repeat);
        pushQuad(mesh, {at(-w, foot), at(w, foot), at(w, top), at(-w, top)}, normal,
                 {{{0, 0}, {1, 0}, {1, v}, {0, v}}});
    }
    return mesh;
}

} // namespace render
