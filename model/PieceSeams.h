#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

namespace model {

class CTrackItem;
class CTrackControlItem;
class TilePicture;

// Hooks through which the control items and track pieces reach libraries built later: the
// point-control manager, the train controller, the editor's renumber dialog and the tile
// picture type. Every entry may be empty; an empty hook is skipped.
struct PieceHooks {
    // The point-control manager takes the item into its active set (hold timer started).
    std::function<void(CTrackControlItem&)> activate;
    // The point-control manager drops the item from its active set.
    std::function<void(CTrackControlItem&)> deactivate;
    // One hold tick of a holding item (crossing, reversing point, level crossing, stations).
    std::function<void(CTrackControlItem&)> holdTick;
    // A vehicle arrives on (true) or leaves (false) the item's tile.
    std::function<void(CTrackControlItem&, std::uintptr_t vehicle, bool arrives)> vehicleNotice;
    // Open the point renumber dialog for a tile that carries a point.
    std::function<void(CTrackItem&)> openRenumberDialog;
    // A tile picture from the bytes of a PNG file; null when they do not decode.
    std::function<std::unique_ptr<TilePicture>(std::span<const std::uint8_t> png)> pictureFromPng;
    // A tile picture from a built-in picture number; null when the picture is missing.
    std::function<std::unique_ptr<TilePicture>(int number)> builtinPicture;
};

PieceHooks& pieceHooks();

} // namespace model
