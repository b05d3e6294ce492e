#include "model/RampSpline.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_set>

namespace model {

namespace {

// Second derivatives of a natural cubic spline with unit spacing (tridiagonal solve).
std::vector<double> secondDerivatives(const std::vector<double>& y) {
    const std::size_t n = y.size();
    std::vector<double> m(n, 0.0);
    if (n < 3) {
        return m;
    }
    std::vector<double> c(n, 0.0);
    std::vector<double> d(n, 0.0);
    // Interior equations: m[i-1] + 4 m[i] + m[i+1] = 6 (y[i+1] - 2 y[i] + y[i-1]).
    for (std::size_t i = 1; i + 1 < n; ++i) {
        const double rhs = 6.0 * (y[i + 1] - 2.0 * y[i] + y[i - 1]);
        const double denominator = 4.0 - (i > 1 ? c[i - 1] : 0.0);
        c[i] = 1.0 / denominator;
        d[i] = (rhs - (i > 1 ? d[i - 1] : 0.0)) / denominator;
    }
    for (std::size_t i = n - 2; i >= 1; --i) {
        m[i] = d[i] - c[i] * m[i + 1];
        if (i == 1) {
            break;
        }
    }
    return m;
}

} // namespace

RampSpline::RampSpline(std::vector<Vec3d> points) : points_(std::move(points)) {
    std::vector<double> xs, ys, zs;
    for (const Vec3d& p : points_) {
        xs.push_back(p.x);
        ys.push_back(p.y);
        zs.push_back(p.z);
    }
    const auto mx = secondDerivatives(xs);
    const auto my = secondDerivatives(ys);
    const auto mz = secondDerivatives(zs);
    second_.resize(points_.size());
    for (std::size_t i = 0; i < points_.size(); ++i) {
        second_[i] = Vec3d{mx[i], my[i], mz[i]};
    }
}

Vec3d RampSpline::at(double s) const {
    if (points_.empty()) {
        return {};
    }
    if (points_.size() == 1) {
        return points_[0];
    }
    const double last = static_cast<double>(points_.size() - 1);
    s = std::clamp(s, 0.0, last);
    std::size_t i = static_cast<std::size_t>(std::floor(s));
    if (i >= points_.size() - 1) {
        i = points_.size() - 2;
    }
    const double t = s - static_cast<double>(i);
    const double a = 1.0 - t;
    auto component = [&](double p0, double p1, double m0, double m1) {
        return a * p0 + t * p1 + ((a * a * a - a) * m0 + (t * t * t - t) * m1) / 6.0;
    };
    const Vec3d& p0 = points_[i];
    const Vec3d& p1 = points_[i + 1];
    const Vec3d& m0 = second_[i];
    const Vec3d& m1 = second_[i + 1];
    return Vec3d{component(p0.x, p1.x, m0.x, m1.x), component(p0.y, p1.y, m0.y, m1.y),
                 component(p0.z, p1.z, m0.z, m1.z)};
}

namespace ramps {

namespace {

struct Registry {
    std::mutex mutex;
    std::map<const RampSpline*, std::pair<std::unique_ptr<RampSpline>, int>> splines;
    // The splines no line has taken yet: the only ones dropUnused can find.
    std::unordered_set<const RampSpline*> untaken;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

} // namespace

RampSpline* create(std::vector<Vec3d> points) {
    auto spline = std::make_unique<RampSpline>(std::move(points));
    RampSpline* raw = spline.get();
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    r.splines.emplace(raw, std::make_pair(std::move(spline), 0));
    r.untaken.insert(raw);
    return raw;
}

bool retain(const RampSpline* spline) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    auto it = r.splines.find(spline);
    if (it == r.splines.end()) {
        return false;
    }
    if (it->second.second++ == 0) {
        r.untaken.erase(spline);
    }
    return true;
}

bool release(const RampSpline* spline) {
    std::unique_ptr<RampSpline> doomed;
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    auto it = r.splines.find(spline);
    if (it == r.splines.end()) {
        return false;
    }
    if (--it->second.second <= 0) {
        doomed = std::move(it->second.first);
        r.splines.erase(it);
        r.untaken.erase(spline);
    }
    return true;
}

void dropUnused() {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    // A spline's count drops to zero only from one (release then deletes it), so the
    // unused ones are exactly those never taken.
    for (const RampSpline* spline : r.untaken) {
        r.splines.erase(spline);
    }
    r.untaken.clear();
}

std::size_t liveCount() {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    return r.splines.size();
}

int userCount(const RampSpline* spline) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    auto it = r.splines.find(spline);
    return it != r.splines.end() ? it->second.second : 0;
}

} // namespace ramps

} // namespace model
