#include "persistence/LineRecord.h"

#include "model/LineItem.h"
#include "persistence/LayoutFormat.h"

namespace persistence {

void writeLineRecord(platform::ByteWriter& out, const std::vector<model::Pt>& points, int kind,
                     bool reversed) {
    out.i32(static_cast<std::int32_t>(points.size()));
    out.i32(kind);
    out.zeros(12);
    if (reversed) {
        for (auto it = points.rbegin(); it != points.rend(); ++it) {
            out.i32(it->x);
            out.i32(it->z);
        }
    } else {
        for (const model::Pt& point : points) {
            out.i32(point.x);
            out.i32(point.z);
        }
    }
}

bool readLineRecord(platform::ByteReader& in, std::vector<model::Pt>& points, int& kind) {
    if (!in.has(kLineRecordHeadLength)) {
        in.fail();
        return false;
    }
    const std::int32_t count = in.i32();
    kind = in.i32();
    in.skip(12);
    if (count < 0 || !in.has(static_cast<std::size_t>(count) * 8)) {
        in.fail();
        return false;
    }
    if (kind == 0) {
        kind = model::LineKindTrack;
    }
    // The whole point block was checked above; decode it in one pass.
    const std::span<const std::uint8_t> block = in.bytes(static_cast<std::size_t>(count) * 8);
    const auto word = [&block](std::size_t at) {
        return static_cast<std::int32_t>(
            (std::uint32_t{block[at]} << 24) | (std::uint32_t{block[at + 1]} << 16) |
            (std::uint32_t{block[at + 2]} << 8) | std::uint32_t{block[at + 3]});
    };
    points.clear();
    points.reserve(static_cast<std::size_t>(count));
    for (std::size_t at = 0; at < block.size(); at += 8) {
        points.emplace_back(word(at), word(at + 4));
    }
    return true;
}

} // namespace persistence
