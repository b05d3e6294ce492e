#pragma once
#include <cstdint>
#include <span>

#include "platform/ByteWriter.h"

namespace persistence {

// Appends the "LnI2" chunk of every landscape item in container order; nothing when there
// is no item.
void writeLandscapeChunk(platform::ByteWriter& out);

// Reads a whole "LnI2" (or older "LnIV") chunk, head included: deletes every landscape item,
// then reads the counted "Lnd2" and "LndI" records from offset 28. A record with another tag,
// a length below 8 or one reaching past the chunk ends the chunk; a record its item refuses
// is left out. Chunks shorter than 28 bytes or with another tag change nothing. The result is
// the offset in the chunk where damage ended it before the counted records were all read, or
// 0 when nothing was cut off.
std::size_t readLandscapeChunk(std::span<const std::uint8_t> chunk);

} // namespace persistence
