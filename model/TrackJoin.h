#pragma once
#include <cstdint>

#include "model/LineItem.h"

namespace model {

// Seeds the generator that picks among several kind 2 … 4 continuations (repeatable runs).
void seedLineRandom(std::uint32_t seed);

// Whether a line of `moving` may continue on `candidate`, entering it at its tile-local end
// (x, z): the kinds must match by network, and ends off the 3 × 3 grid join only for the
// diagonal shape pairs.
bool linesCompatible(const LineItem& moving, const LineItem& candidate, int x, int z);

// The line that follows `line` when leaving it at its last point (backward false) or its
// first point (backward true), with the direction it is entered in; a null line when none.
// The result is searched afresh, never taken from or stored in the link cache.
TrackPosition findNextLine(const LineItem& line, bool backward);

// As findNextLine, through the line's start or end link cache (filled on a find).
TrackPosition nextLine(LineItem& line, bool backward);

} // namespace model
