#pragma once
#include <QByteArray>
#include <QPoint>

#include <filesystem>
#include <optional>
#include <string_view>

#include "trains/VehicleTypes.h"

namespace editing {
class UndoStore;
}
namespace model {
class CTrackItem;
}
namespace trains {
class CTrainItem;
}

namespace editor {

// The format a dragged catalogue vehicle travels under (its item file's UTF-8 path).
inline constexpr std::string_view kTrainTypeItemFormat = "CTrainTypeItem";

// The format a vehicle dragged from its marker travels under.
inline constexpr std::string_view kTrainItemFormat = "CTrainItem";

// A vehicle drag's bytes: this process's id and the vehicle's identity, 8 bytes each,
// big-endian; never an address.
QByteArray vehicleDragBytes(trains::VehicleId vehicle);
// The identity in a vehicle drag's bytes, or nothing when they are not 16 bytes or come from
// another process (whose identities mean nothing here).
std::optional<trains::VehicleId> vehicleFromDragBytes(const QByteArray& bytes);

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

// Whether a vehicle of a type code can stand on a tile: some line of it is of a class the
// type runs on.
bool tileFitsVehicle(const model::CTrackItem* tile, std::int32_t typeCode);

// A vehicle dragged from its marker to a board point of a track layer. Onto the marker of a
// compatible vehicle of another train it leaves its own train and is coupled at the rear-link
// end of that train; onto a tile whose track it can run on it leaves its train, a vehicle of its
// type and model stands on that tile and the dragged one is queued for deletion. Refused (false,
// nothing changed) onto a marker of its own train, an incompatible vehicle, a tile without fitting
// track, or when the vehicle is gone. `placed` receives the vehicle that now stands there.
bool acceptsDraggedVehicle(trains::VehicleId vehicle, int layer, QPoint boardPoint);
bool dropDraggedVehicle(trains::VehicleId vehicle, int layer, QPoint boardPoint,
                        trains::CTrainItem** placed = nullptr);

} // namespace editor
