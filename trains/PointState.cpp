#include "trains/PointState.h"

#include "model/CTrackControlItem.h"
#include "platform/RenderLock.h"

namespace trains {

std::int64_t pointState(int number) {
    platform::RenderLockGuard model;
    const model::CTrackControlItem* point = model::pointWithNumber(number);
    return point != nullptr ? static_cast<std::int64_t>(point->getOccupant()) : -1;
}

void setPointState(int number, std::int64_t state) {
    platform::RenderLockGuard model;
    model::CTrackControlItem* point = model::pointWithNumber(number);
    if (point == nullptr) {
        return;
    }
    point->setOccupant(static_cast<std::uintptr_t>(state));
    point->refreshOwner();
}

} // namespace trains
