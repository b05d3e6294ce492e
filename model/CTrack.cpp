#include "model/CTrack.h"

#include <algorithm>

#include "model/CTrackItem.h"
#include "model/TrackTiles.h"

namespace model {

CTrackItem* CTrack::getOwner() const {
    return validTile(owner_);
}

void CTrack::setOwner(CTrackItem* owner) {
    owner_ = owner;
    for (auto& line : lines_) {
        line->setOwner(owner);
    }
}

TilePos CTrack::ownerPos() const {
    const CTrackItem* owner = getOwner();
    return owner != nullptr ? owner->getPosition() : TilePos{};
}

bool CTrack::hasKind1() const {
    return std::any_of(lines_.begin(), lines_.end(), [](auto& l) { return l->isKind1(); });
}
bool CTrack::hasKind2to4() const {
    return std::any_of(lines_.begin(), lines_.end(), [](auto& l) { return l->isKind2to4(); });
}
bool CTrack::hasKind3() const {
    return std::any_of(lines_.begin(), lines_.end(), [](auto& l) { return l->isKind3(); });
}
bool CTrack::hasKind100() const {
    return std::any_of(lines_.begin(), lines_.end(), [](auto& l) { return l->isKind100(); });
}
bool CTrack::hasKind101() const {
    return std::any_of(lines_.begin(), lines_.end(), [](auto& l) { return l->isKind101(); });
}

bool CTrack::hasKind(int kind) const {
    if (kind == 2 || kind == 4) {
        return hasKind2to4();
    }
    return std::any_of(lines_.begin(), lines_.end(),
                       [kind](auto& l) { return l->getKind() == kind; });
}

bool CTrack::getLinePoint(std::size_t line, std::size_t point, int& x, int& z) const {
    if (line >= lines_.size() || point >= lines_[line]->points().size()) {
        return false;
    }
    const Pt& p = lines_[line]->points()[point];
    x = p.x;
    z = p.z;
    return true;
}

LineItem& CTrack::setLine(std::vector<Pt> points, int kind) {
    deleteLines();
    return addLine(std::move(points), kind);
}

LineItem& CTrack::addLine(std::vector<Pt> points, int kind) {
    lines_.push_back(std::make_unique<LineItem>(std::move(points), kind, owner_));
    return *lines_.back();
}

void CTrack::deleteLines() {
    lines_.clear();
}

void CTrack::dropLinks() {
    for (auto& line : lines_) {
        line->dropLinks();
    }
}

void CTrack::transform(int mode, int amount) {
    for (auto& line : lines_) {
        line->transform(mode, amount);
    }
}

void CTrack::rotate90() {
    transform(0, 0);
}
void CTrack::mirrorX() {
    transform(1, 0);
}
void CTrack::mirrorZ() {
    transform(2, 0);
}
void CTrack::shiftX(int d) {
    transform(3, d);
}
void CTrack::shiftZ(int d) {
    transform(4, d);
}

void CTrack::copyLines(const CTrack& other) {
    deleteLines();
    mergeLines(other);
}

void CTrack::mergeLines(const CTrack& other) {
    if (&other == this) {
        return;
    }
    for (const auto& line : other.lines_) {
        if (!hasLineOn(line->points())) {
            addLine(line->points(), line->getKind());
        }
    }
}

CTrack::Lines CTrack::takeLines() {
    Lines taken;
    taken.swap(lines_);
    return taken;
}

void CTrack::adoptLines(Lines lines) {
    deleteLines();
    lines_.reserve(lines.size());
    for (auto& line : lines) {
        if (!hasLineOn(line->points())) {
            line->setOwner(owner_);
            lines_.push_back(std::move(line));
        }
    }
}

void CTrack::dropRepeatedLines() {
    if (lines_.size() < 2) {
        return;
    }
    Lines all;
    all.swap(lines_);
    for (auto& line : all) {
        if (!hasLineOn(line->points())) {
            lines_.push_back(std::move(line));
        }
    }
}

void CTrack::forEachLine(const std::function<void(LineItem&)>& fn) {
    for (auto& line : lines_) {
        fn(*line);
    }
}

bool CTrack::hasLineOn(std::span<const Pt> points) const {
    for (const auto& line : lines_) {
        const auto& own = line->points();
        if (own.size() != points.size()) {
            continue;
        }
        bool all = true;
        for (const Pt& p : own) {
            if (std::none_of(points.begin(), points.end(),
                             [&p](const Pt& q) { return q.sameXZ(p); })) {
                all = false;
                break;
            }
        }
        if (all) {
            return true;
        }
    }
    return false;
}

} // namespace model
