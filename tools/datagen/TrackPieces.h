#pragma once
#include "tools/datagen/Catalogue.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace datagen {

// One track piece of the track catalogue: the header values that make it (kind, line flags,
// item flags) and what its catalogue entry is meant to carry.
struct TrackPieceSpec {
    std::string_view file;         // below the track folder, e.g. "基本/Straight.zn3"
    std::string_view description;  // short English description
    std::int32_t kind;             // 0 … 2, or a negative built-in combination
    std::int32_t lineFlags;        // item value 1
    std::int32_t itemFlags;        // item value 2
    std::vector<int> lineKinds;    // the kinds of the entry's lines, in order
    std::vector<int> controlKinds; // the kinds of its control items, ascending
    int structureCategory;         // 0 none, else the category of its structure
};

// Every track piece, in catalogue order.
const std::vector<TrackPieceSpec>& trackPieceSpecs();

// The files of the track pieces, each with a top-view thumbnail of its content.
std::vector<GeneratedItem> trackPieceFiles();

} // namespace datagen
