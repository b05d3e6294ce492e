#pragma once
#include <QPoint>

#include <filesystem>
#include <string_view>

namespace editing {
class UndoStore;
}
namespace trains {
class CTrainItem;
}

namespace editor {

// The format a dragged catalogue vehicle travels under (its item file's UTF-8 path).
inline constexpr std::string_view kTrainTypeItemFormat = "CTrainTypeItem";

// Half the side of a vehicle marker's square picture, in board pixels.
inline constexpr int kMarkerHalfSize = 28;

// The vehicle whose marker covers a board point on a layer (the one drawn last, i.e. the last
// of the controller's list), or null.
trains::CTrainItem* vehicleMarkerAt(int layer, QPoint boardPoint);

// Places the catalogue piece or structure of an item model file with its top-left at `cell`
// of a track layer, merging with what the tiles hold where the lines allow. False when the
// file gives no piece or the cell is off the board.
bool dropCataloguePiece(const std::filesystem::path& file, int layer, QPoint cell,
                        editing::UndoStore& undo);

// Places a catalogue vehicle dropped at a board point of a track layer: onto a vehicle's
// marker it is coupled at the rear-link end of that vehicle's train; elsewhere it stands on
// the tile under the point, which must carry track it can run on. Null (and nothing changed)
// when refused.
trains::CTrainItem* dropCatalogueVehicle(const std::filesystem::path& file, int layer,
                                         QPoint boardPoint);

// Whether a catalogue vehicle may be dropped at a board point: onto a compatible vehicle's
// marker, or onto a tile that holds track.
bool acceptsCatalogueVehicle(const std::filesystem::path& file, int layer, QPoint boardPoint);

} // namespace editor
