#pragma once
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "model/CTrackItem.h"

namespace model {

// Catalogue entry categories besides the structure and control-item kinds.
inline constexpr int kPieceFromItemModel = 9000;
// The built-in picture of an entry whose model has no thumbnail.
inline constexpr int kDefaultPiecePicture = 11998;

// One entry of the track catalogue: a tile outside every layer (layer −1, cell (0, 0)) that
// carries the lines, structure, picture and control items of one piece. Placing the piece
// copies or merges this content into a board tile.
class CTrackTypeItem : public CTrackItem {
public:
    // An entry of a category: 1 … 6 a kind-1 line of that standard shape; 200, 201 and 9000
    // a structure of that category (nameless); 301 … 308 a control item of that kind; other
    // categories carry nothing. The picture is the built-in default picture.
    explicit CTrackTypeItem(int category);

    // The entry built from an item model file: its header's kind, line flags (item value 1)
    // and item flags (item value 2) choose the content; its thumbnail becomes the picture.
    // Null when the header cannot be read or the kind is 3 or more (not a layout piece). A
    // file whose geometry is missing, damaged or empty gives an entry whose model is empty.
    static std::unique_ptr<CTrackTypeItem> fromItemFile(const std::filesystem::path& path);

    int getReserved() const { return 0; }
    int getCategory() const { return category_; }
    // Whether placing the entry lays track: plain shapes always; an item-model piece when it
    // has lines and either no structure or a structure whose model is empty.
    bool carriesTrack() const;
    // Built-in structures 200 and 201; an item-model piece unless its structure's model is
    // found and empty.
    bool isStructurePiece() const;
    bool isControlPiece() const { return category_ >= 301 && category_ <= 308; }

    // Where the picture came from: the model's thumbnail (PNG bytes) or, when it has none,
    // the built-in picture number.
    const std::vector<std::uint8_t>& pictureBytes() const { return pictureBytes_; }
    int pictureNumber() const { return pictureNumber_; }
    // Whether the item model file had geometry (false for entries not made from a file).
    bool modelHasGeometry() const { return modelHasGeometry_; }

    // Applies line flags in bit order: bits 0 … 4 add kind-1 shapes 1 … 5; bit 5 turns the
    // piece and adds shape 1; bit 6 adds shape 6; bit 7 turns, adds a straight kind-2 line
    // and turns again; bit 8 turns and adds shape 6.
    void applyLineFlags(std::int32_t flags);
    // Adds the control items of item flags: bits 0 … 2 → 301 … 303, bits 4 … 8 → 305 … 309,
    // bits 9 … 13 → piers 310 … 314.
    void applyItemFlags(std::int32_t flags);
    // The content of a built-in combination (negative kind); returns the line flags the
    // combination adds. The structure stays nameless.
    std::int32_t applyBuiltinCombination(std::int32_t kind);

private:
    void addPieceLine(int shape, int kind);
    void setPictureFromSource();

    int category_;
    std::vector<std::uint8_t> pictureBytes_;
    int pictureNumber_ = kDefaultPiecePicture;
    bool modelHasGeometry_ = false;
};

} // namespace model
