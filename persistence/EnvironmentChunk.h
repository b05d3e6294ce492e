#pragma once
#include <cstdint>
#include <optional>
#include <span>

#include "model/DocumentRecords.h"
#include "platform/ByteWriter.h"

namespace persistence {

// The "Cenv" chunk (92 bytes): the environment record field by field, big-endian.
void writeEnvironmentChunk(platform::ByteWriter& out, const model::EnvironmentRecord& record);

// The record of a whole "Cenv" chunk (head included); nothing when it is shorter than 92
// bytes or has another tag.
std::optional<model::EnvironmentRecord> readEnvironmentChunk(std::span<const std::uint8_t> chunk);

} // namespace persistence
