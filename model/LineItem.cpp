#include "model/LineItem.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <mutex>

#include "model/AddressSet.h"
#include "model/CTrackItem.h"
#include "model/EditedCells.h"
#include "model/LookupMemo.h"
#include "model/ModelSeams.h"
#include "model/RampSpline.h"
#include "model/TrackTiles.h"

namespace model {

namespace {

struct LineRegistry {
    std::mutex mutex;
    AddressSet lines;
    std::atomic<std::uint64_t> revision{1}; // bumped by every registration and removal
};

LineRegistry& lineRegistry() {
    static LineRegistry registry;
    return registry;
}

bool inInterior(int v) {
    return v >= 1 && v <= 39;
}

// The shape, curve and 3D (X, Z) of recently computed point lists, on the calling thread. A
// line's geometry follows from its integer points alone, and a layout holds the same few
// standard lines over and over: a line whose points match a remembered list copies its
// results instead of fitting the curve and evaluating it at every point again.
class GeometryMemo {
public:
    // Longer lists (hand-drawn polylines) are computed every time.
    static constexpr std::size_t kMaxPoints = 64;

    // Sets shape, curve and every point's X and Z as the computation `compute` does, from
    // memory when these points were computed before.
    template <typename Compute>
    void apply(std::vector<Pt>& points, int& shape, CurveBlock& curve, Compute&& compute) {
        if (points.size() > kMaxPoints) {
            compute();
            return;
        }
        Entry& entry = entries_[slotOf(points)];
        if (entry.matches(points)) {
            shape = entry.shape;
            curve = entry.curve;
            for (std::size_t i = 0; i < points.size(); ++i) {
                points[i].X = entry.xz[2 * i];
                points[i].Z = entry.xz[2 * i + 1];
            }
            return;
        }
        compute();
        entry.points.clear();
        entry.xz.clear();
        for (const Pt& p : points) {
            entry.points.push_back(p.x);
            entry.points.push_back(p.z);
            entry.xz.push_back(p.X);
            entry.xz.push_back(p.Z);
        }
        entry.shape = shape;
        entry.curve = curve;
        entry.used = true;
    }

private:
    static constexpr int kSlotBits = 6;
    struct Entry {
        bool used = false;
        std::vector<std::int32_t> points; // x, z of each point
        std::vector<double> xz;           // X, Z of each point
        int shape = -1;
        CurveBlock curve;

        bool matches(const std::vector<Pt>& list) const {
            if (!used || points.size() != 2 * list.size()) {
                return false;
            }
            for (std::size_t i = 0; i < list.size(); ++i) {
                if (points[2 * i] != list[i].x || points[2 * i + 1] != list[i].z) {
                    return false;
                }
            }
            return true;
        }
    };
    static std::size_t slotOf(const std::vector<Pt>& points) {
        std::uint64_t hash = points.size();
        for (const Pt& p : points) {
            hash = (hash ^ static_cast<std::uint32_t>(p.x)) * 0x100000001B3ull;
            hash = (hash ^ static_cast<std::uint32_t>(p.z)) * 0x100000001B3ull;
        }
        return static_cast<std::size_t>((hash * 0x9E3779B97F4A7C15ull) >> (64 - kSlotBits));
    }
    std::array<Entry, std::size_t{1} << kSlotBits> entries_{};
};

} // namespace

std::vector<Pt> standardShapePoints(int shape) {
    static const std::vector<std::pair<int, int>> shapes[6] = {
        {{0, 20}, {5, 20}, {10, 20}, {15, 20}, {20, 20}, {25, 20}, {30, 20}, {35, 20}, {40, 20}},
        {{0, 20}, {4, 20}, {8, 19}, {12, 17}, {15, 15}, {17, 12}, {19, 8}, {20, 4}, {20, 0}},
        {{0, 20}, {5, 20}, {10, 19}, {15, 18}, {20, 16}, {25, 14}, {29, 12}, {34, 9}, {40, 4}},
        {{0, 4}, {4, 0}},
        {{4, 40}, {8, 35}, {11, 32}, {15, 29}, {18, 27}, {23, 24}, {28, 22}, {35, 20}, {40, 20}},
        {{4, 40},
         {7, 37},
         {10, 34},
         {13, 31},
         {16, 28},
         {19, 25},
         {22, 22},
         {25, 19},
         {28, 16},
         {31, 13},
         {34, 10},
         {37, 7},
         {40, 4}},
    };
    std::vector<Pt> points;
    if (shape < 1 || shape > 6) {
        return points;
    }
    for (auto [x, z] : shapes[shape - 1]) {
        points.emplace_back(x, z);
    }
    return points;
}

int shapeFromEnds(const Pt& s, const Pt& e) {
    for (int v : {s.x, s.z, e.x, e.z}) {
        if (v == 9 || v == 13 || v == 27 || v == 31) {
            return 0;
        }
    }
    if ((s.x == 20 && e.x == 20) || (s.z == 20 && e.z == 20)) {
        return 1;
    }
    if ((s.x == 20 && e.z == 20) || (s.z == 20 && e.x == 20)) {
        return 2;
    }
    if ((inInterior(s.z) && inInterior(e.z)) || (inInterior(s.x) && inInterior(e.x))) {
        return 3;
    }
    if (s.x != 20 && s.z != 20 && e.x != 20 && e.z != 20) {
        return std::abs(s.z - e.z) < 20 && std::abs(s.x - e.x) < 20 ? 4 : 6;
    }
    return 5;
}

LineItem::LineItem(std::vector<Pt> points, int kind, CTrackItem* owner)
    : kind_(kind == 0 ? LineKindTrack : kind), owner_(owner), points_(std::move(points)) {
    auto& r = lineRegistry();
    {
        std::lock_guard lock(r.mutex);
        r.lines.insert(this);
        r.revision.fetch_add(1, std::memory_order_release);
    }
    markOwner();
    recompute();
}

LineItem::~LineItem() {
    markOwner();
    releaseRamp();
    if (auto& release = modelHooks().releaseLineGeometry) {
        release(*this);
    }
    auto& r = lineRegistry();
    std::lock_guard lock(r.mutex);
    r.lines.erase(this);
    r.revision.fetch_add(1, std::memory_order_release);
}

void reserveLineRegistry(std::size_t additional) {
    auto& r = lineRegistry();
    std::lock_guard lock(r.mutex);
    r.lines.reserve(r.lines.size() + additional);
}

LineItem* validLine(const void* address) {
    auto& r = lineRegistry();
    thread_local LookupMemo<LineItem*> memo;
    return memo.get(reinterpret_cast<std::uintptr_t>(address),
                    r.revision.load(std::memory_order_acquire), [&]() -> LineItem* {
                        std::lock_guard lock(r.mutex);
                        return r.lines.contains(address)
                                   ? static_cast<LineItem*>(const_cast<void*>(address))
                                   : nullptr;
                    });
}

CTrackItem* LineItem::getOwner() const {
    // No registry lookup: a tile deletes its lines before it leaves the registry, and a line
    // taken out of its tile has no owner, so a live line's owner is a live tile or null.
    return owner_;
}

TilePos LineItem::ownerPos() const {
    const CTrackItem* owner = getOwner();
    return owner != nullptr ? owner->getPosition() : TilePos{};
}

void LineItem::setPoints(std::vector<Pt> points) {
    markOwner();
    points_ = std::move(points);
    recompute();
}

bool LineItem::samePoints(std::span<const Pt> other) const {
    if (other.size() != points_.size()) {
        return false;
    }
    for (std::size_t i = 0; i < other.size(); ++i) {
        if (!points_[i].sameXZ(other[i])) {
            return false;
        }
    }
    return true;
}

void LineItem::rotate90() {
    markOwner();
    for (Pt& p : points_) {
        p.rotate(90.0);
    }
}

void LineItem::mirrorX() {
    markOwner();
    for (Pt& p : points_) {
        p.mirrorLeftRight();
    }
}

void LineItem::mirrorZ() {
    markOwner();
    for (Pt& p : points_) {
        p.mirrorTopBottom();
    }
}

void LineItem::shiftX(int d) {
    markOwner();
    for (Pt& p : points_) {
        p.x += d;
        p.X += d;
    }
}

void LineItem::shiftZ(int d) {
    markOwner();
    for (Pt& p : points_) {
        p.z += d;
        p.Z += d;
    }
}

void LineItem::transform(int mode, int amount) {
    switch (mode) {
    case 0:
        rotate90();
        break;
    case 1:
        mirrorX();
        break;
    case 2:
        mirrorZ();
        break;
    case 3:
        shiftX(amount);
        break;
    case 4:
        shiftZ(amount);
        break;
    default:
        return;
    }
    resetHeights();
    dropLinks();
    recompute();
}

void LineItem::resetHeights() {
    for (Pt& p : points_) {
        p.height = kHeightUnset;
        p.Y = -100.0;
    }
}

float LineItem::startHeight() const {
    return points_.empty() ? kHeightUnset : points_.front().height;
}
float LineItem::endHeight() const {
    return points_.empty() ? kHeightUnset : points_.back().height;
}

void LineItem::recompute() {
    thread_local GeometryMemo memo;
    memo.apply(points_, shape_, curve_, [this] {
        shape_ = points_.size() < 2 ? -1 : shapeFromEnds(points_.front(), points_.back());
        if (!CurveBlock::build(shape_, points_, curve_) && shape_ > 0) {
            // End points that no orientation of the shape fits: keep the polyline.
            shape_ = 0;
        }
        const int n = static_cast<int>(points_.size());
        for (int i = 0; i < n; ++i) {
            Pt& p = points_[i];
            if (shape_ > 0) {
                curve_.evaluate(shape_, static_cast<double>(i) / (n - 1), p.X, p.Z);
            } else {
                p.X = p.x;
                p.Z = p.z;
            }
        }
    });
}

double LineItem::distanceAt(double pointIndex) const {
    const int last = lastIndex();
    return last > 0 ? length() * pointIndex / last : 0.0;
}

double LineItem::indexAt(double distance) const {
    return length() > 0 ? lastIndex() * distance / length() : 0.0;
}

void LineItem::setRamp(RampSpline* spline, double from, double to) {
    if (spline != ramp_) {
        releaseRamp();
        if (spline != nullptr && ramps::retain(spline)) {
            ramp_ = spline;
        }
    }
    rampFrom_ = from;
    rampTo_ = to;
}

void LineItem::releaseRamp() {
    if (ramp_ != nullptr) {
        ramps::release(ramp_);
        ramp_ = nullptr;
    }
}

double LineItem::heightAt(double pointIndex, bool force) const {
    const int last = lastIndex();
    double height = kHeightUnset;
    if (ramp_ != nullptr && last > 0) {
        height = ramp_->at(rampFrom_ + pointIndex * (rampTo_ - rampFrom_) / last).y;
    } else if (last >= 0) {
        const double clamped = std::clamp(pointIndex, 0.0, static_cast<double>(last));
        const int i = std::min(static_cast<int>(clamped), std::max(last - 1, 0));
        const float a = points_[i].height;
        const float b = points_[std::min(i + 1, last)].height;
        if (a != kHeightUnset && b != kHeightUnset) {
            const double t = clamped - i;
            height = a + (b - a) * t;
        }
    }
    if (height == kHeightUnset && !force) {
        return 0.0;
    }
    return height;
}

void LineItem::evaluateXZ(double pointIndex, double& x, double& z) const {
    const int last = lastIndex();
    if (last <= 0) {
        x = last == 0 ? points_[0].X : 0.0;
        z = last == 0 ? points_[0].Z : 0.0;
        return;
    }
    if (shape_ > 0) {
        curve_.evaluate(shape_, pointIndex / last, x, z);
        return;
    }
    // A line of no standard shape follows its polyline.
    const double clamped = std::clamp(pointIndex, 0.0, static_cast<double>(last));
    const int i = std::min(static_cast<int>(clamped), last - 1);
    const double t = clamped - i;
    x = points_[i].X + (points_[i + 1].X - points_[i].X) * t;
    z = points_[i].Z + (points_[i + 1].Z - points_[i].Z) * t;
}

Vec3d LineItem::localPoint(double pointIndex) const {
    Vec3d p;
    evaluateXZ(pointIndex, p.x, p.z);
    p.y = heightAt(pointIndex);
    return p;
}

Vec3d LineItem::globalPoint(double pointIndex, double scale) const {
    Vec3d p = localPoint(pointIndex);
    const TilePos pos = ownerPos();
    return Vec3d{(p.x + kTileEdge * pos.column) * scale, p.y * scale,
                 (p.z + kTileEdge * pos.row) * scale};
}

void LineItem::gridPoint(double pointIndex, int& x, int& z) const {
    x = 0;
    z = 0;
    if (points_.empty()) {
        return;
    }
    const int last = lastIndex();
    const int i = static_cast<int>(std::lround(std::clamp(pointIndex, 0.0, double(last))));
    const TilePos pos = ownerPos();
    x = points_[i].x + kTileEdge * pos.column;
    z = points_[i].z + kTileEdge * pos.row;
}

void LineItem::dropLinks() {
    markOwner();
    startLink_ = {};
    endLink_ = {};
}

void LineItem::forgetPlacement() {
    releaseRamp();
    rampFrom_ = 0;
    rampTo_ = 0;
    dropLinks();
    searched_[0] = searched_[1] = TrackPosition{};
    searchRevision_[0] = searchRevision_[1] = 0;
    if (auto& release = modelHooks().releaseLineGeometry) {
        release(*this);
    }
}

void LineItem::setKind(int kind) {
    markOwner();
    kind_ = kind;
}

void LineItem::setOwner(CTrackItem* owner) {
    markOwner();
    owner_ = owner;
    markOwner();
}

void LineItem::markOwner() const {
    if (owner_ != nullptr) {
        edited::markTile(*owner_);
    }
}

} // namespace model
