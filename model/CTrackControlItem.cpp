#include "model/CTrackControlItem.h"

#include <algorithm>
#include <mutex>

#include "items/C3DItemObject.h"
#include "items/ItemRegistry.h"
#include "model/AddressSet.h"
#include "model/CTrackItem.h"
#include "model/PieceSeams.h"
#include "model/TrackHeights.h"
#include "model/TrackTiles.h"

namespace model {

namespace {

// The control-item registry and the point-number map, guarded together so that the train
// threads can validate addresses while the user-interface thread edits.
struct ControlItemContainers {
    std::mutex mutex;
    // Open-addressed: registering an item allocates nothing.
    AddressSet registry;
    std::map<int, CTrackControlItem*> points;
    // The points without a number, so that handing out missing numbers need not walk the
    // board.
    AddressSet numberless;
};

ControlItemContainers& containers() {
    static ControlItemContainers instance;
    return instance;
}

} // namespace

void CTrackControlItem::trackNumberless() {
    auto& c = containers();
    if (kind_ == KindPoint && number_ == 0) {
        c.numberless.insert(this);
    } else {
        c.numberless.erase(this);
    }
}

LayoutRect CTrackControlItem::defaultRectFor(int kind) {
    switch (kind) {
    case KindPoint:
        return {0, 0, 10, 10};
    case KindCrossing:
        return {2, 2, 11, 11};
    case KindReversing:
        return {12, 32, 28, 40};
    case KindItemPiece:
        return {1, 23, 40, 33};
    case KindHolding:
        return {1, 12, 40, 29};
    case KindStation1:
    case KindStation2:
    case KindStation3:
        return {0, 0, 20, 39};
    case KindPierPlain:
        return {10, 10, 30, 30};
    default:
        if (kind >= KindPierFirst && kind <= KindPierLast) {
            return {10, 10, 30, 30};
        }
        return defaultRect();
    }
}

CTrackControlItem::CTrackControlItem(int kind) : kind_(kind) {
    rect_ = defaultRectFor(kind);
    auto& c = containers();
    std::lock_guard lock(c.mutex);
    c.registry.insert(this);
    trackNumberless();
}

CTrackControlItem::~CTrackControlItem() {
    auto& c = containers();
    std::lock_guard lock(c.mutex);
    if (number_ > 0) {
        auto it = c.points.find(number_);
        if (it != c.points.end() && it->second == this) {
            c.points.erase(it);
        }
    }
    c.registry.erase(this);
    c.numberless.erase(this);
}

void CTrackControlItem::rotate(double degrees) {
    CTrackItemobject::rotate(degrees);
    labelPos_.rotate(degrees);
}

void CTrackControlItem::mirrorLeftRight() {
    CTrackItemobject::mirrorLeftRight();
    labelPos_.mirrorLeftRight();
}

void CTrackControlItem::mirrorTopBottom() {
    CTrackItemobject::mirrorTopBottom();
    labelPos_.mirrorTopBottom();
}

PieceHooks& pieceHooks() {
    static PieceHooks hooks;
    return hooks;
}

void CTrackControlItem::refreshOwner() const {
    if (CTrackItem* tile = owner()) {
        tile->refresh();
    }
}

void CTrackControlItem::handToController() {
    timerStart_ = 0;
    if (auto& hook = pieceHooks().activate) {
        hook(*this);
    }
}

void CTrackControlItem::handBack() {
    timerStart_ = 0;
    if (auto& hook = pieceHooks().deactivate) {
        hook(*this);
    }
}

void CTrackControlItem::holdTick() {
    if (!isHoldingKind(kind_)) {
        return;
    }
    if (auto& hook = pieceHooks().holdTick) {
        hook(*this);
    }
}

void CTrackControlItem::copyFrom(const CTrackControlItem& other) {
    if (other.kind_ != KindPoint) {
        releaseNumber();
    }
    rect_ = other.rect_;
    occupant_ = other.occupant_;
    value_ = other.value_;
    auto& c = containers();
    std::lock_guard lock(c.mutex);
    kind_ = other.kind_;
    trackNumberless();
}

bool CTrackControlItem::localBounds(double s, SceneBox& out) const {
    out = SceneBox{};
    if (kind_ == KindCrossing) {
        out = SceneBox{{-0.6 * s, 0, -0.6 * s}, {-0.4 * s, 1.2 * s, -0.4 * s}};
        return true;
    }
    if (isPierKind(kind_)) {
        return pierBounds(s, out);
    }
    if (!modelName_.empty()) {
        const items::C3DItemObject* model = items::getItemByFileName(modelName_);
        if (model == nullptr || model->isEmpty()) {
            return false;
        }
        const items::BoundingBox box = model->boundingBox(s);
        out = SceneBox{{box.min.x, box.min.y, box.min.z}, {box.max.x, box.max.y, box.max.z}};
        if (out.isEmpty()) {
            out = SceneBox{};
            return false;
        }
        return true;
    }
    return false;
}

bool CTrackControlItem::pierBounds(double s, SceneBox& out) const {
    out = SceneBox{};
    CTrackItem* tile = owner();
    if (tile == nullptr) {
        return false;
    }
    LineItem* line = nullptr;
    for (const auto& candidate : tile->lines()) {
        if (!candidate->points().empty()) {
            line = candidate.get();
            break;
        }
    }
    if (line == nullptr) {
        return false;
    }
    constexpr double kLayerHeight = 1.2;
    const std::size_t middle = line->points().size() / 2;
    const Pt& support = line->points()[middle];
    double level = 0;
    if (line->ramp() != nullptr) {
        level = line->heightAt(static_cast<double>(middle));
    } else {
        double a = 0;
        double b = 0;
        junctionHeights(*line, a, b);
        const double last = static_cast<double>(line->lastIndex());
        level = last > 0 ? a + (b - a) * static_cast<double>(middle) / last : a;
    }
    double top = level * kLayerHeight * s;
    const bool railOrRoad =
        std::any_of(tile->lines().begin(), tile->lines().end(), [](const auto& l) {
            return l->getKind() == LineKindTrack || l->getKind() == LineKindSecondFirst;
        });
    if (railOrRoad) {
        if (tile->getElevationOffset() > 0) {
            top -= 0.1 * s;
        }
    } else if (tile->hasKind101()) {
        top += 0.78125 * s;
    } else if (tile->hasKind100()) {
        top += 0.09375 * s;
    }
    double highest = 0;
    double lowest = 0;
    tile->combinedTerrainRange(highest, lowest);
    const double foot = std::min(lowest * s, 0.0);
    const bool arch = kind_ == KindPierLast - 1 || kind_ == KindPierLast;
    const double half = arch ? 0.5 * s : 0.3 * s;
    const double cx = arch ? 0.0 : (support.x - kTileCentre) * 0.025 * s;
    const double cz = arch ? 0.0 : (support.z - kTileCentre) * 0.025 * s;
    out = SceneBox{{cx - half, std::min(foot, top), cz - half},
                   {cx + half, std::max(foot, top), cz + half}};
    return true;
}

bool CTrackControlItem::setNumber(int n) {
    if (n < 0 || n > kLastPointNumber || (n > 0 && kind_ != KindPoint)) {
        return false;
    }
    auto& c = containers();
    std::lock_guard lock(c.mutex);
    if (n > 0) {
        auto used = c.points.find(n);
        if (used != c.points.end() && used->second != this && c.registry.contains(used->second)) {
            return false;
        }
    }
    if (number_ > 0) {
        auto it = c.points.find(number_);
        if (it != c.points.end() && it->second == this) {
            c.points.erase(it);
        }
    }
    number_ = n;
    if (n > 0) {
        c.points[n] = this;
    }
    trackNumberless();
    return true;
}

void CTrackControlItem::assignFreeNumber() {
    if (number_ != 0 || kind_ != KindPoint) {
        return;
    }
    auto& c = containers();
    std::lock_guard lock(c.mutex);
    // Every number taken: nothing to walk (a board may hold many more points than numbers).
    if (c.points.size() >= static_cast<std::size_t>(kLastPointNumber - kFirstPointNumber + 1)) {
        return;
    }
    int candidate = kFirstPointNumber;
    for (const auto& [n, item] : c.points) {
        if (n > candidate) {
            break;
        }
        if (n == candidate) {
            ++candidate;
        }
    }
    if (candidate > kLastPointNumber) {
        return;
    }
    number_ = candidate;
    c.points[candidate] = this;
    c.numberless.erase(this);
}

void CTrackControlItem::assignFreeNumbers(std::span<CTrackControlItem* const> items) {
    auto& c = containers();
    std::lock_guard lock(c.mutex);
    // Every number below `candidate` is taken, and `used` is the first taken number from
    // `candidate` on; both only move forward as numbers are handed out.
    int candidate = kFirstPointNumber;
    auto used = c.points.begin();
    for (CTrackControlItem* item : items) {
        if (item->number_ != 0 || item->kind_ != KindPoint) {
            continue;
        }
        for (; used != c.points.end() && used->first <= candidate; ++used) {
            if (used->first == candidate) {
                ++candidate;
            }
        }
        if (candidate > kLastPointNumber) {
            return;
        }
        item->number_ = candidate;
        c.points.emplace_hint(used, candidate, item);
        c.numberless.erase(item);
        ++candidate;
    }
}

CTrackControlItem* validControlItem(const void* address) {
    auto& c = containers();
    std::lock_guard lock(c.mutex);
    return c.registry.contains(address)
               ? static_cast<CTrackControlItem*>(const_cast<void*>(address))
               : nullptr;
}

std::vector<CTrackControlItem*> numberlessPoints() {
    auto& c = containers();
    std::lock_guard lock(c.mutex);
    std::vector<CTrackControlItem*> items;
    // With every number taken none could be handed out.
    if (c.points.size() >= static_cast<std::size_t>(kLastPointNumber - kFirstPointNumber + 1)) {
        return items;
    }
    items.reserve(c.numberless.size());
    c.numberless.forEach([&](const void* address) {
        items.push_back(static_cast<CTrackControlItem*>(const_cast<void*>(address)));
    });
    return items;
}

CTrackControlItem* pointWithNumber(int number) {
    auto& c = containers();
    std::lock_guard lock(c.mutex);
    auto it = c.points.find(number);
    return it != c.points.end() ? it->second : nullptr;
}

} // namespace model
