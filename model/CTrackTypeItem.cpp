#include "model/CTrackTypeItem.h"

#include "image/FileBytes.h"
#include "items/C3DItemObject.h"
#include "items/ItemHeader.h"
#include "model/PieceSeams.h"

namespace model {

namespace {

constexpr int kStraight = 1;
constexpr int kCurve = 2;
constexpr int kLongDiagonal = 6;

} // namespace

CTrackTypeItem::CTrackTypeItem(int category) : CTrackItem(TilePos{0, 0}, -1), category_(category) {
    if (category >= 1 && category <= 6) {
        addPieceLine(category, LineKindTrack);
    } else if (isStructurePiece()) {
        setStructure(std::make_unique<CTrackStructureItem>(category, std::string()));
    } else if (isControlPiece()) {
        addControlItem(category);
    }
    setPictureFromSource();
}

std::unique_ptr<CTrackTypeItem> CTrackTypeItem::fromItemFile(const std::filesystem::path& path) {
    const auto header = items::readItemHeader(path);
    if (!header || header->kind >= 3) {
        return nullptr;
    }
    auto entry = std::make_unique<CTrackTypeItem>(kPieceFromItemModel);
    if (CTrackStructureItem* structure = entry->getStructure()) {
        structure->setModelName(path.filename().string());
    }

    // The model is read from the file itself, so that the entry does not depend on the
    // shared cache; a file that does not load counts as an empty model.
    items::C3DItemObject model;
    const auto bytes = image::readFileBytes(path);
    const bool loaded = bytes && model.loadFromMemory(*bytes);
    entry->modelHasGeometry_ = loaded && !model.isEmpty();

    std::int32_t lineFlags = header->itemValue1;
    if (header->kind < 0) {
        lineFlags |= entry->applyBuiltinCombination(header->kind);
    } else if (header->kind == 1) {
        entry->addPieceLine(kStraight, LineKindTrack);
    } else if (header->kind == 2) {
        entry->addPieceLine(kStraight, LineKindTrack);
        entry->addControlItem(KindReversing);
    }
    entry->applyLineFlags(lineFlags);
    entry->applyItemFlags(header->itemValue2);

    if (loaded && !model.thumbnail().empty()) {
        entry->pictureBytes_ = model.thumbnail();
        entry->pictureNumber_ = 0;
    }
    entry->setPictureFromSource();

    if (lineFlags != 0 && !entry->modelHasGeometry_) {
        entry->removeStructure();
    }
    return entry;
}

bool CTrackTypeItem::carriesTrack() const {
    if (category_ >= 1 && category_ <= 6) {
        return true;
    }
    if (category_ != kPieceFromItemModel) {
        return false;
    }
    const CTrackStructureItem* structure = getStructure();
    if (structure == nullptr) {
        return lineCount() > 0;
    }
    const items::C3DItemObject* model = structure->itemModel();
    return lineCount() > 0 && model != nullptr && model->isEmpty();
}

bool CTrackTypeItem::isStructurePiece() const {
    if (category_ == StructureTree || category_ == StructureWooden) {
        return true;
    }
    if (category_ != kPieceFromItemModel) {
        return false;
    }
    const CTrackStructureItem* structure = getStructure();
    if (structure == nullptr) {
        return true;
    }
    const items::C3DItemObject* model = structure->itemModel();
    return !(model != nullptr && model->isEmpty());
}

void CTrackTypeItem::addPieceLine(int shape, int kind) {
    auto points = standardShapePoints(shape);
    if (points.empty()) {
        return;
    }
    getTrack().addLine(std::move(points), kind);
    rebuildPointItems();
}

void CTrackTypeItem::applyLineFlags(std::int32_t flags) {
    const auto bit = [flags](int i) { return (flags & (1 << i)) != 0; };
    for (int i = 0; i < 5; ++i) {
        if (bit(i)) {
            addPieceLine(i + 1, LineKindTrack);
        }
    }
    if (bit(5)) {
        rotate90();
        addPieceLine(kStraight, LineKindTrack);
    }
    if (bit(6)) {
        addPieceLine(kLongDiagonal, LineKindTrack);
    }
    if (bit(7)) {
        rotate90();
        addPieceLine(kStraight, LineKindSecondFirst);
        rotate90();
    }
    if (bit(8)) {
        rotate90();
        addPieceLine(kLongDiagonal, LineKindTrack);
    }
}

void CTrackTypeItem::applyItemFlags(std::int32_t flags) {
    static constexpr int kKinds[14] = {
        KindPoint,    KindCrossing, KindReversing, 0,   KindItemPiece, KindHolding, KindStation1,
        KindStation2, KindStation3, 310,           311, 312,           313,         314};
    for (int i = 0; i < 14; ++i) {
        if (kKinds[i] != 0 && (flags & (1 << i)) != 0) {
            addControlItem(kKinds[i]);
        }
    }
}

std::int32_t CTrackTypeItem::applyBuiltinCombination(std::int32_t kind) {
    CTrackStructureItem* structure = getStructure();
    if (structure == nullptr) {
        setStructure(std::make_unique<CTrackStructureItem>(kPieceFromItemModel, std::string()));
        structure = getStructure();
    }
    structure->setModelName(std::string());
    constexpr std::int32_t kBit0 = 1;
    constexpr std::int32_t kBit1 = 2;
    switch (kind) {
    case -128:
        structure->setCategory(StructureTree);
        return 0;
    case -127:
        structure->setCategory(StructureWooden);
        return 0;
    case -126:
        structure->setCategory(StructureBushes);
        return 0;
    case -125:
        addPieceLine(kStraight, LineKindSecondFirst);
        return kBit0;
    case -124:
        addPieceLine(kCurve, LineKindSecondFirst);
        return kBit1;
    case -123:
        addPieceLine(kStraight, LineKindSecondFirst);
        addPieceLine(kCurve, LineKindSecondFirst);
        return kBit0 | kBit1;
    case -122:
        addPieceLine(kCurve, LineKindSecondFirst);
        mirrorLeftRight();
        addPieceLine(kCurve, LineKindSecondFirst);
        return kBit1;
    case -121:
        addPieceLine(kStraight, LineKindSecondFirst);
        rotate90();
        addPieceLine(kStraight, LineKindSecondFirst);
        return kBit0;
    case -90:
        addPieceLine(kStraight, LineKindThird);
        return kBit0 | applyBuiltinCombination(-87);
    case -89:
        addPieceLine(kCurve, LineKindThird);
        return kBit1 | applyBuiltinCombination(-86);
    case -88:
        addPieceLine(kStraight, LineKindThird);
        addPieceLine(kCurve, LineKindThird);
        return kBit0 | kBit1 | applyBuiltinCombination(-85);
    case -87:
        addPieceLine(kStraight, LineKindFourth);
        return kBit0;
    case -86:
        addPieceLine(kCurve, LineKindFourth);
        return kBit1;
    case -85:
        addPieceLine(kStraight, LineKindFourth);
        addPieceLine(kCurve, LineKindFourth);
        return kBit0 | kBit1;
    default:
        structure->setCategory(kPieceFromItemModel);
        return 0;
    }
}

void CTrackTypeItem::setPictureFromSource() {
    const PieceHooks& hooks = pieceHooks();
    std::unique_ptr<TilePicture> picture;
    if (!pictureBytes_.empty() && hooks.pictureFromPng) {
        picture = hooks.pictureFromPng(pictureBytes_);
    }
    if (!picture && hooks.builtinPicture) {
        picture = hooks.builtinPicture(kDefaultPiecePicture);
    }
    setPicture(std::move(picture));
}

} // namespace model
