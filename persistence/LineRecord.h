#pragma once
#include <vector>

#include "model/Pt.h"
#include "platform/ByteReader.h"
#include "platform/ByteWriter.h"

namespace persistence {

// The line record of the track section (and of the vehicle records): point count, line kind,
// 12 reserved bytes, then x and z of every point as int32. Only the integer positions are
// stored; heights and 3D positions are recomputed from them.

// Appends the record of a line; with `reversed` the points go in reverse order.
void writeLineRecord(platform::ByteWriter& out, const std::vector<model::Pt>& points, int kind,
                     bool reversed = false);

// Reads one record at the reader's position into `points` and `kind` (a stored kind 0 reads
// as 1). False, with the reader failed, when the head or the points it counts do not fit in
// the remaining bytes or the count is negative.
bool readLineRecord(platform::ByteReader& in, std::vector<model::Pt>& points, int& kind);

} // namespace persistence
