#include "render/QuadRuns.h"

#include <cmath>
#include <cstdint>
#include <unordered_map>

namespace render {
namespace {

struct P {
    double x, y, z;
};
P position(const TrackVertex& v) {
    return {v.x, v.y, v.z};
}
P minus(P a, P b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
double length(P a) {
    return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
}
bool near(const TrackVertex& a, const TrackVertex& b, double tolerance) {
    return length(minus(position(a), position(b))) <= tolerance;
}
bool sameNormal(const TrackVertex& a, const TrackVertex& b) {
    return std::abs(a.nx - b.nx) < 1e-5f && std::abs(a.ny - b.ny) < 1e-5f &&
           std::abs(a.nz - b.nz) < 1e-5f;
}
// The same direction: unit vectors less than about 0.001 radians apart.
bool sameDirection(P a, P b) {
    const double la = length(a);
    const double lb = length(b);
    if (!(la > 0) || !(lb > 0)) {
        return false;
    }
    const double dot = (a.x * b.x + a.y * b.y + a.z * b.z) / (la * lb);
    return dot > 1 - 5e-7;
}

// A hash key of an edge from its two end points, rounded to the tolerance.
struct EdgeKey {
    std::int64_t k[6];
    bool operator==(const EdgeKey&) const = default;
};
struct EdgeHash {
    std::size_t operator()(const EdgeKey& e) const {
        std::uint64_t h = 1469598103934665603ull;
        for (const std::int64_t v : e.k) {
            h = (h ^ static_cast<std::uint64_t>(v)) * 1099511628211ull;
        }
        return static_cast<std::size_t>(h);
    }
};
EdgeKey keyOf(const TrackVertex& a, const TrackVertex& b, double tolerance) {
    const double cell = tolerance * 4;
    auto q = [&](float v) { return static_cast<std::int64_t>(std::llround(v / cell)); };
    return {{q(a.x), q(a.y), q(a.z), q(b.x), q(b.y), q(b.z)}};
}

// Whether quad `b` continues quad `a` (a's last edge is b's first) so that one quad can take
// both; `du`, `dv` are the whole repeats to add to b's texture coordinates to continue a's.
bool continues(const TrackVertex* a, const TrackVertex* b, bool textured, double tolerance,
               float& du, float& dv) {
    if (!near(a[2], b[1], tolerance) || !near(a[3], b[0], tolerance)) {
        return false;
    }
    for (int k = 0; k < 4; ++k) {
        if (!sameNormal(a[0], a[k]) || !sameNormal(a[0], b[k])) {
            return false;
        }
    }
    // Both long sides run on in the same direction, so the joint is straight and the four
    // outer corners bound exactly the two parts.
    const P along = minus(position(a[2]), position(a[1]));
    if (!sameDirection(along, minus(position(b[2]), position(b[1]))) ||
        !sameDirection(along, minus(position(a[3]), position(a[0]))) ||
        !sameDirection(along, minus(position(b[3]), position(b[0])))) {
        return false;
    }
    du = 0;
    dv = 0;
    if (!textured) {
        return true;
    }
    const float shiftU = a[2].u - b[1].u;
    const float shiftV = a[2].v - b[1].v;
    if (std::abs((a[3].u - b[0].u) - shiftU) > 1e-4f ||
        std::abs((a[3].v - b[0].v) - shiftV) > 1e-4f ||
        std::abs(shiftU - std::round(shiftU)) > 1e-4f ||
        std::abs(shiftV - std::round(shiftV)) > 1e-4f) {
        return false;
    }
    // The same coordinates per unit of length along both parts, on both long sides.
    for (const int from : {0, 1}) {
        const int to = from == 1 ? 2 : 3;
        const double aLength = length(minus(position(a[to]), position(a[from])));
        const double bLength = length(minus(position(b[to]), position(b[from])));
        if (!(aLength > 0) || !(bLength > 0)) {
            return false;
        }
        const double aU = (a[to].u - a[from].u) / aLength;
        const double bU = (b[to].u - b[from].u) / bLength;
        const double aV = (a[to].v - a[from].v) / aLength;
        const double bV = (b[to].v - b[from].v) / bLength;
        if (std::abs(aU - bU) > 1e-4 * (1 + std::abs(aU)) ||
            std::abs(aV - bV) > 1e-4 * (1 + std::abs(aV))) {
            return false;
        }
    }
    du = std::round(shiftU);
    dv = std::round(shiftV);
    return true;
}

} // namespace

std::vector<TrackVertex> joinStraightRuns(const std::vector<TrackVertex>& quads, bool textured,
                                          double tolerance) {
    std::vector<TrackVertex> out;
    out.reserve(quads.size());
    // The first and the last edge of every run so far, by where they lie. Quads run along
    // their line or against it, depending on their winding, so a new quad may continue a
    // run at either end.
    std::unordered_map<EdgeKey, std::size_t, EdgeHash> firstEdges;
    std::unordered_map<EdgeKey, std::size_t, EdgeHash> lastEdges;
    for (std::size_t q = 0; q + 3 < quads.size(); q += 4) {
        const TrackVertex* next = &quads[q];
        float du = 0;
        float dv = 0;
        auto after = lastEdges.find(keyOf(next[1], next[0], tolerance));
        if (after != lastEdges.end() &&
            continues(&out[after->second], next, textured, tolerance, du, dv)) {
            TrackVertex* run = &out[after->second];
            for (const int k : {2, 3}) {
                run[k] = next[k];
                run[k].u += du;
                run[k].v += dv;
            }
            const std::size_t at = after->second;
            lastEdges.erase(after);
            lastEdges[keyOf(run[2], run[3], tolerance)] = at;
            continue;
        }
        auto before = firstEdges.find(keyOf(next[2], next[3], tolerance));
        if (before != firstEdges.end() &&
            continues(next, &out[before->second], textured, tolerance, du, dv)) {
            TrackVertex* run = &out[before->second];
            for (const int k : {0, 1}) {
                run[k] = next[k];
                run[k].u -= du;
                run[k].v -= dv;
            }
            const std::size_t at = before->second;
            firstEdges.erase(before);
            firstEdges[keyOf(run[1], run[0], tolerance)] = at;
            continue;
        }
        const std::size_t at = out.size();
        out.insert(out.end(), next, next + 4);
        firstEdges[keyOf(next[1], next[0], tolerance)] = at;
        lastEdges[keyOf(next[2], next[3], tolerance)] = at;
    }
    return out;
}

} // namespace render
