#pragma once
#include <cstdint>

namespace trains {

// The state of the point numbered `number` (0 straight, 1 set), or −1 when no live point has
// that number. Trains never change a point's state; only the user does.
std::int64_t pointState(int number);
// Sets the state of the point numbered `number` and repaints its tile; unknown numbers are
// ignored.
void setPointState(int number, std::int64_t state);

} // namespace trains
