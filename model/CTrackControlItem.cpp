#include "model/CTrackControlItem.h"

#include <mutex>
#include <unordered_set>

namespace model {

namespace {

// The control-item registry and the point-number map, guarded together so that the train
// threads can validate addresses while the user-interface thread edits.
struct ControlItemContainers {
    std::mutex mutex;
    std::unordered_set<const CTrackControlItem*> registry;
    std::map<int, CTrackControlItem*> points;
};

ControlItemContainers& containers() {
    static ControlItemContainers instance;
    return instance;
}

} // namespace

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

void CTrackControlItem::copyFrom(const CTrackControlItem& other) {
    rect_ = other.rect_;
    kind_ = other.kind_;
    occupant_ = other.occupant_;
    value_ = other.value_;
}

bool CTrackControlItem::setNumber(int n) {
    if (n < 0) {
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
    return true;
}

void CTrackControlItem::assignFreeNumber() {
    if (number_ != 0) {
        return;
    }
    int candidate = 1;
    {
        auto& c = containers();
        std::lock_guard lock(c.mutex);
        for (const auto& [n, item] : c.points) {
            if (n > candidate) {
                break;
            }
            if (n == candidate) {
                ++candidate;
            }
        }
    }
    setNumber(candidate);
}

CTrackControlItem* validControlItem(const void* address) {
    auto& c = containers();
    std::lock_guard lock(c.mutex);
    auto it = c.registry.find(static_cast<const CTrackControlItem*>(address));
    return it != c.registry.end() ? const_cast<CTrackControlItem*>(*it) : nullptr;
}

CTrackControlItem* pointWithNumber(int number) {
    auto& c = containers();
    std::lock_guard lock(c.mutex);
    auto it = c.points.find(number);
    return it != c.points.end() ? it->second : nullptr;
}

} // namespace model
