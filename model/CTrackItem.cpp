#include "model/CTrackItem.h"

#include <algorithm>
#include <cmath>

#include "model/EditedCells.h"
#include "model/PieceSeams.h"
#include "model/TrackJoin.h"
#include "model/TrackTiles.h"

namespace model {

namespace {

constexpr int kDx[8] = {-1, 0, 1, 0, -1, 1, 1, -1};
constexpr int kDz[8] = {0, -1, 0, 1, -1, -1, 1, 1};
constexpr int kOpposite[8] = {2, 3, 0, 1, 6, 7, 4, 5};

bool allSet(const std::array<bool, 8>& flags) {
    return std::all_of(flags.begin(), flags.end(), [](bool b) { return b; });
}
bool anySet(const std::array<bool, 8>& flags) {
    return std::any_of(flags.begin(), flags.end(), [](bool b) { return b; });
}

TilePos neighbour(TilePos pos, int direction) {
    return TilePos{static_cast<std::int16_t>(pos.column + kDx[direction]),
                   static_cast<std::int16_t>(pos.row + kDz[direction])};
}

bool isTwin(const LineItem& l, const LineItem& m) {
    const Pt& lf = l.points().front();
    const Pt& ll = l.points().back();
    const Pt& mf = m.points().front();
    const Pt& ml = m.points().back();
    return (lf.sameXZ(mf) && ll.sameXZ(ml)) || (lf.sameXZ(ml) && ll.sameXZ(mf));
}

// All of B's lines with points, then A's lines (filtered) that have no twin among B's.
std::vector<const LineItem*> lineUnion(const CTrackItem& a, const CTrackItem& b, bool aKind1Only) {
    std::vector<const LineItem*> result;
    for (const auto& line : b.lines()) {
        if (!line->points().empty()) {
            result.push_back(line.get());
        }
    }
    const std::size_t fromB = result.size();
    for (const auto& line : a.lines()) {
        if (line->points().empty() || (aKind1Only && !line->isKind1())) {
            continue;
        }
        bool twin = false;
        for (std::size_t i = 0; i < fromB && !twin; ++i) {
            twin = isTwin(*line, *result[i]);
        }
        if (!twin) {
            result.push_back(line.get());
        }
    }
    return result;
}

bool onGrid(int v) {
    return v == 0 || v == 20 || v == 40;
}

bool kindsAgreeForBranch(const LineItem& l, const LineItem& m) {
    return (l.isKind1() && m.isKind1()) || (l.isKind100() && m.isKind100()) ||
           (l.isKind101() && m.isKind101());
}

} // namespace

int branchCount(const CTrackItem& a, const CTrackItem& b) {
    const auto lines = lineUnion(a, b, false);
    int count = 0;
    for (const LineItem* l : lines) {
        for (const LineItem* m : lines) {
            if (l == m || isTwin(*l, *m)) {
                continue;
            }
            const Pt* ends1[2] = {&l->points().front(), &l->points().back()};
            const Pt* ends2[2] = {&m->points().front(), &m->points().back()};
            const Pt* shared = nullptr;
            for (int i = 0; i < 2 && shared == nullptr; ++i) {
                for (int j = 0; j < 2; ++j) {
                    if (ends1[i]->sameXZ(*ends2[j]) && !ends1[1 - i]->sameXZ(*ends2[1 - j])) {
                        shared = ends1[i];
                        break;
                    }
                }
            }
            if (shared == nullptr || !kindsAgreeForBranch(*l, *m)) {
                continue;
            }
            const int s1 = l->getShape();
            const int s2 = m->getShape();
            if ((onGrid(shared->x) && onGrid(shared->z)) || (s1 == 3 && s2 == 5) ||
                (s1 == 5 && s2 == 3)) {
                ++count;
            }
        }
    }
    return count / 2;
}

int crossingCount(const CTrackItem& a, const CTrackItem& b) {
    if (!a.hasKind1() && !b.hasKind1()) {
        return 0;
    }
    const auto lines = lineUnion(a, b, true);
    int count = 0;
    for (const LineItem* l : lines) {
        for (const LineItem* m : lines) {
            if (l == m || isTwin(*l, *m)) {
                continue;
            }
            const double x1 = l->points().front().x, z1 = l->points().front().z;
            const double x2 = l->points().back().x, z2 = l->points().back().z;
            const double x3 = m->points().front().x, z3 = m->points().front().z;
            const double x4 = m->points().back().x, z4 = m->points().back().z;
            const double denominator = (x1 - x2) * (z3 - z4) - (z1 - z2) * (x3 - x4);
            if (denominator == 0.0) {
                continue;
            }
            const double u = x1 * z2 - z1 * x2;
            const double v = x3 * z4 - z3 * x4;
            const double x = (u * (x3 - x4) - (x1 - x2) * v) / denominator;
            const double z = (u * (z3 - z4) - (z1 - z2) * v) / denominator;
            if (x > 0 && x < kTileEdge && z > 0 && z < kTileEdge) {
                ++count;
            }
        }
    }
    return count / 2;
}

CTrackItem::CTrackItem(TilePos pos, int layer) : position_(pos), layer_(layer) {
    detail::registerTile(this);
    track_.setOwner(this);
}

CTrackItem::~CTrackItem() {
    edited::markTile(*this);
    if (view_ != nullptr) {
        TileViewAttachment* view = view_;
        view_ = nullptr;
        view->close();
    }
    if (isTrackLayer(layer_) && isValidTilePos(position_) && !detail::bulkDeletionInProgress()) {
        dropLinksAround();
    }
    track_.dropLinks();
    picture_.reset();
    controlItems_.clear();
    structure_.reset();
    track_.deleteLines();
    terrainRanges_.clear();
    detail::unregisterTile(this);
}

BoardRect CTrackItem::getOutline() const {
    const int top = kTileEdge * position_.row;
    const int left = kTileEdge * position_.column;
    return BoardRect{top, left, top + kTileEdge, left + kTileEdge};
}

bool CTrackItem::isEmpty() const {
    return track_.lineCount() == 0 && picture_ == nullptr && controlItems_.empty() &&
           structure_ == nullptr;
}

bool CTrackItem::isInSelection() const {
    const TileSelection& s = selection();
    return position_.column >= s.minColumn && position_.column <= s.maxColumn &&
           position_.row >= s.minRow && position_.row <= s.maxRow;
}

void CTrackItem::setElevationOffset(int offset) {
    if (layer_ >= 1 && layer_ <= 4 && offset >= 0 && offset <= 3) {
        edited::markTile(*this);
        elevationOffset_ = offset;
    }
}

LineItem* CTrackItem::getLine(std::size_t index, int kindFilter) const {
    std::size_t seen = 0;
    for (const auto& line : track_.lines()) {
        const bool passes = kindFilter == 0 || (kindFilter == 1 && line->isKind1()) ||
                            (kindFilter >= 2 && kindFilter <= 4 && line->isKind2to4());
        if (!passes) {
            continue;
        }
        if (seen++ == index) {
            return line.get();
        }
    }
    return nullptr;
}

const std::vector<Pt>* CTrackItem::getLinePoints(std::size_t index, int kindFilter) const {
    const LineItem* line = getLine(index, kindFilter);
    return line != nullptr ? &line->points() : nullptr;
}

void CTrackItem::copyFrom(const CTrackItem& other) {
    if (&other == this) {
        return;
    }
    clear();
    if (layer_ >= 1) {
        edited::markTile(*this);
        elevationOffset_ = other.elevationOffset_;
    }
    track_.copyLines(other.track_);
    copyPictureFrom(other);
    if (other.structure_) {
        auto structure = std::make_unique<CTrackStructureItem>(other.structure_->getCategory(),
                                                               other.structure_->getModelName());
        structure->copyRectFrom(*other.structure_);
        setStructure(std::move(structure));
    }
    for (const auto& [kind, item] : other.controlItems_) {
        auto copy = std::make_unique<CTrackControlItem>(kind);
        copy->copyFrom(*item);
        addControlItem(std::move(copy));
    }
    // The copied items already match lines that were edited here; a source read from
    // elsewhere may lack them or carry stale ones.
    if (!pointItemsMatchLines()) {
        rebuildPointItems();
    }
}

void TileContent::rotate90() {
    for (auto& line : lines) {
        line->transform(0, 0);
    }
    if (picture) {
        picture->rotate90();
    }
    if (structure) {
        structure->rotate(90.0);
    }
    for (auto& [kind, item] : controlItems) {
        item->rotate(90.0);
    }
}

void TileContent::mirrorLeftRight() {
    for (auto& line : lines) {
        line->transform(1, 0);
    }
    if (picture) {
        picture->mirrorLeftRight();
    }
    if (structure) {
        structure->mirrorLeftRight();
    }
    for (auto& [kind, item] : controlItems) {
        item->mirrorLeftRight();
    }
}

void TileContent::mirrorTopBottom() {
    for (auto& line : lines) {
        line->transform(2, 0);
    }
    if (picture) {
        picture->mirrorTopBottom();
    }
    if (structure) {
        structure->mirrorTopBottom();
    }
    for (auto& [kind, item] : controlItems) {
        item->mirrorTopBottom();
    }
}

TileContent CTrackItem::takeContent(bool dropLinksAroundFirst) {
    if (dropLinksAroundFirst && track_.lineCount() > 0 && validTile(this) != nullptr) {
        dropLinksAround();
    }
    edited::markTile(*this);
    TileContent content;
    content.elevationOffset = elevationOffset_;
    elevationOffset_ = 0;
    content.lines = track_.takeLines();
    for (auto& line : content.lines) {
        line->setOwner(nullptr);
    }
    content.picture = std::move(picture_);
    content.structure = std::move(structure_);
    if (content.structure) {
        content.structure->setOwner(nullptr);
    }
    content.controlItems.swap(controlItems_);
    for (auto& [kind, item] : content.controlItems) {
        item->setOwner(nullptr);
    }
    return content;
}

void CTrackItem::putContent(TileContent content) {
    clear();
    if (layer_ >= 1) {
        edited::markTile(*this);
        elevationOffset_ = content.elevationOffset;
    }
    track_.adoptLines(std::move(content.lines));
    for (const auto& line : track_.lines()) {
        line->forgetPlacement();
    }
    picture_ = std::move(content.picture);
    setStructure(std::move(content.structure));
    controlItems_.swap(content.controlItems);
    for (auto& [kind, item] : controlItems_) {
        item->setOwner(this);
    }
    if (!pointItemsMatchLines()) {
        rebuildPointItems();
    }
}

void CTrackItem::normalizeAsCopy() {
    track_.dropRepeatedLines();
    if (!pointItemsMatchLines()) {
        rebuildPointItems();
    }
}

void CTrackItem::moveFrom(CTrackItem& other) {
    if (&other == this) {
        return;
    }
    const int number = other.getPointNumber();
    other.setPointNumber(0);
    copyFrom(other);
    setPointNumber(number);
    clearSelection();
    other.clear();
    queueForDeletion(&other);
}

void CTrackItem::mergeFrom(const CTrackItem& other) {
    if (&other == this) {
        return;
    }
    if (isEmpty()) {
        setElevationOffset(other.elevationOffset_);
    }
    const std::size_t linesBefore = track_.lineCount();
    track_.mergeLines(other.track_);
    if (other.structure_) {
        auto structure = std::make_unique<CTrackStructureItem>(other.structure_->getCategory(),
                                                               other.structure_->getModelName());
        structure->copyRectFrom(*other.structure_);
        setStructure(std::move(structure));
    }
    if (other.picture_) {
        copyPictureFrom(other);
    }
    for (const auto& [kind, item] : other.controlItems_) {
        auto copy = std::make_unique<CTrackControlItem>(kind);
        copy->copyFrom(*item);
        addControlItem(std::move(copy));
    }
    if (track_.lineCount() != linesBefore || !pointItemsMatchLines()) {
        rebuildPointItems();
    }
}

void CTrackItem::clear() {
    if (track_.lineCount() > 0 && validTile(this) != nullptr) {
        dropLinksAround();
    }
    edited::markTile(*this);
    elevationOffset_ = 0;
    track_.deleteLines();
    picture_.reset();
    structure_.reset();
    controlItems_.clear();
    resetCoverFlags();
    resetBoundsCaches();
    refresh();
}

void CTrackItem::setShape(int shape) {
    if (track_.lineCount() > 0) {
        dropLinksAround();
    }
    track_.deleteLines();
    if (shape != 0) {
        auto points = standardShapePoints(shape);
        if (!points.empty()) {
            track_.addLine(std::move(points), LineKindTrack);
        }
    }
    rebuildPointItems();
}

void CTrackItem::addShape(int shape, int kind) {
    auto points = standardShapePoints(shape);
    if (points.empty()) {
        return;
    }
    const bool wasEmpty = isEmpty();
    track_.addLine(std::move(points), kind);
    rebuildPointItems();
    if (wasEmpty && isInSelection()) {
        clearSelection();
    }
}

bool CTrackItem::addControlItem(int kind) {
    return addControlItem(std::make_unique<CTrackControlItem>(kind));
}

bool CTrackItem::addControlItem(std::unique_ptr<CTrackControlItem> item) {
    if (!item) {
        return false;
    }
    const int kind = item->getKind();
    if (controlItems_.contains(kind)) {
        return false;
    }
    item->setOwner(this);
    controlItems_.emplace(kind, std::move(item));
    return true;
}

bool CTrackItem::pointLabelBox(LayoutRect& rect, bool skipTaken) const {
    static constexpr LayoutRect boxes[8] = {
        {0, 0, 10, 10},  {31, 0, 41, 10}, {31, 31, 41, 41}, {0, 31, 10, 41},
        {15, 0, 25, 10}, {0, 15, 10, 25}, {15, 31, 25, 41}, {31, 15, 41, 25},
    };
    bool taken[8] = {};
    for (const auto& line : track_.lines()) {
        if (line->points().empty()) {
            continue;
        }
        for (const Pt* p : {&line->points().front(), &line->points().back()}) {
            const int x = p->x;
            const int z = p->z;
            if (x < 20 && z < 20) {
                taken[0] = true;
            } else if (x < 20 && z > 20) {
                taken[1] = true;
            } else if (x > 20 && z > 20) {
                taken[2] = true;
            } else if (x > 20 && z < 20) {
                taken[3] = true;
            }
            if (x == 0 && z == 20) {
                taken[4] = true;
            } else if (x == 20 && z == 0) {
                taken[5] = true;
            } else if (x == 40 && z == 20) {
                taken[6] = true;
            } else if (x == 20 && z == 40) {
                taken[7] = true;
            }
        }
    }
    if (skipTaken) {
        for (int kind : {KindPoint, KindCrossing}) {
            if (const CTrackControlItem* item = findControlItem(kind)) {
                for (int i = 0; i < 8; ++i) {
                    if (boxes[i] == item->getRect()) {
                        taken[i] = true;
                    }
                }
            }
        }
    }
    for (int i = 0; i < 8; ++i) {
        if (!taken[i]) {
            rect = boxes[i];
            return true;
        }
    }
    rect = LayoutRect{};
    return false;
}

void CTrackItem::rebuildPointItems() {
    const int number = getPointNumber();
    removeControlItems(KindPoint);
    removeControlItems(KindCrossing);
    if (track_.lineCount() < 2) {
        return;
    }
    LayoutRect box;
    if (branchCount(*this, *this) > 0) {
        addControlItem(KindPoint);
        if (pointLabelBox(box, true)) {
            pointItem()->setRect(box);
        }
    }
    setPointNumber(number);
    if (crossingCount(*this, *this) > 0) {
        addControlItem(KindCrossing);
        if (pointLabelBox(box, true)) {
            crossingItem()->setRect(box);
        }
    }
    if (CTrackControlItem* point = pointItem()) {
        if (pointLabelBox(box, true)) {
            point->setLabelPos(box.left, box.top);
        }
    }
}

bool CTrackItem::pointItemsMatchLines() const {
    const bool lined = track_.lineCount() >= 2;
    const bool point = lined && branchCount(*this, *this) > 0;
    const bool crossing = lined && crossingCount(*this, *this) > 0;
    return (pointItem() != nullptr) == point && (crossingItem() != nullptr) == crossing;
}

void CTrackItem::refresh() {
    if (view_ != nullptr) {
        view_->repaint();
    }
}

bool CTrackItem::diagonalEnds(NeighbourFlags& flags, std::vector<Pt>* ends) const {
    flags.fill(false);
    for (const auto& line : track_.lines()) {
        if (line->points().empty()) {
            continue;
        }
        const int shape = line->getShape();
        for (const Pt* p : {&line->points().front(), &line->points().back()}) {
            const int x = p->x;
            const int z = p->z;
            if (shape == 3 || shape == 5 || shape == 6) {
                if (x < 20 && z < 20) {
                    flags[4] = true;
                } else if (x > 20 && z < 20) {
                    flags[5] = true;
                } else if (x > 20 && z > 20) {
                    flags[6] = true;
                } else if (x < 20 && z > 20) {
                    flags[7] = true;
                }
            }
            if (shape != 6) {
                flags[0] = flags[0] || x == 0;
                flags[1] = flags[1] || z == 0;
                flags[2] = flags[2] || x == 40;
                flags[3] = flags[3] || z == 40;
            }
            if (ends != nullptr) {
                ends->push_back(*p);
            }
        }
    }
    return track_.lineCount() > 0;
}

bool CTrackItem::downConnections(NeighbourFlags& flags) const {
    return downFlags(flags, false);
}

bool CTrackItem::downIntoCovered(NeighbourFlags& flags) const {
    return downFlags(flags, true);
}

bool CTrackItem::downFlags(NeighbourFlags& flags, bool onlyCovered) const {
    flags.fill(false);
    if (layer_ < 1 || layer_ > 4) {
        return false;
    }
    for (const auto& owned : track_.lines()) {
        LineItem& line = *owned;
        if (line.points().size() < 2) {
            continue;
        }
        for (bool backward : {true, false}) {
            const TrackPosition next = nextLine(line, backward);
            if (!next || next.line == &line) {
                continue;
            }
            const CTrackItem* other = next.line->getOwner();
            if (other == nullptr || other->getLayer() != layer_ - 1 ||
                (onlyCovered && !other->isCovered())) {
                continue;
            }
            const Pt& p = backward ? line.points().front() : line.points().back();
            if (line.getShape() == 6) {
                if (p.x < 20 && p.z < 20) {
                    flags[4] = true;
                } else if (p.x > 20 && p.z < 20) {
                    flags[5] = true;
                } else if (p.x > 20 && p.z > 20) {
                    flags[6] = true;
                } else if (p.x < 20 && p.z > 20) {
                    flags[7] = true;
                }
            } else {
                flags[0] = flags[0] || p.x == 0;
                flags[1] = flags[1] || p.z == 0;
                flags[2] = flags[2] || p.x == 40;
                flags[3] = flags[3] || p.z == 40;
            }
        }
    }
    return anySet(flags);
}

void CTrackItem::globalOrigin(int& x, int& z) const {
    x = kTileEdge * position_.column;
    z = kTileEdge * position_.row;
}

bool CTrackItem::globalLinePoint(std::size_t line, std::size_t point, int& x, int& z) const {
    int lx = 0;
    int lz = 0;
    if (!track_.getLinePoint(line, point, lx, lz)) {
        return false;
    }
    globalPoint(lx, lz, x, z);
    return true;
}

void CTrackItem::globalPoint(int localX, int localZ, int& x, int& z) const {
    globalOrigin(x, z);
    x += localX;
    z += localZ;
}

bool CTrackItem::hasLongDiagonal() const {
    return std::any_of(track_.lines().begin(), track_.lines().end(),
                       [](const auto& line) { return line->getShape() == 6; });
}

void CTrackItem::copyPictureFrom(const CTrackItem& other) {
    picture_ = other.picture_ ? other.picture_->clone() : nullptr;
}

void CTrackItem::rotate90() {
    track_.rotate90();
    if (picture_) {
        picture_->rotate90();
    }
    if (structure_) {
        structure_->rotate(90.0);
    }
    for (auto& [kind, item] : controlItems_) {
        item->rotate(90.0);
    }
    dropLinksOfTileAndNeighbours();
    refresh();
}

void CTrackItem::mirrorLeftRight() {
    track_.mirrorX();
    if (picture_) {
        picture_->mirrorLeftRight();
    }
    if (structure_) {
        structure_->mirrorLeftRight();
    }
    for (auto& [kind, item] : controlItems_) {
        item->mirrorLeftRight();
    }
    dropLinksOfTileAndNeighbours();
    refresh();
}

void CTrackItem::mirrorTopBottom() {
    track_.mirrorZ();
    if (picture_) {
        picture_->mirrorTopBottom();
    }
    if (structure_) {
        structure_->mirrorTopBottom();
    }
    for (auto& [kind, item] : controlItems_) {
        item->mirrorTopBottom();
    }
    dropLinksOfTileAndNeighbours();
    refresh();
}

void CTrackItem::removeControlItems(int kind) {
    if (kind == KindReading) {
        controlItems_.clear();
    } else {
        controlItems_.erase(kind);
    }
}

CTrackControlItem* CTrackItem::findControlItem(int kind) const {
    auto it = controlItems_.find(kind);
    return it != controlItems_.end() ? it->second.get() : nullptr;
}

CTrackControlItem* CTrackItem::stationItem() const {
    for (int kind : {KindStation1, KindStation2, KindStation3}) {
        if (CTrackControlItem* item = findControlItem(kind)) {
            return item;
        }
    }
    return nullptr;
}

CTrackControlItem* CTrackItem::pierItem() const {
    if (CTrackControlItem* item = findControlItem(KindPierPlain)) {
        return item;
    }
    for (int kind = KindPierFirst; kind <= KindPierLast; ++kind) {
        if (CTrackControlItem* item = findControlItem(kind)) {
            return item;
        }
    }
    return nullptr;
}

int CTrackItem::pierType() const {
    for (int kind = KindPierFirst; kind <= KindPierLast; ++kind) {
        if (findControlItem(kind) != nullptr) {
            return kind - KindPierFirst + 1;
        }
    }
    return 0;
}

int CTrackItem::getPointNumber() const {
    const CTrackControlItem* point = pointItem();
    return point != nullptr ? point->getNumber() : 0;
}

void CTrackItem::setPointNumber(int number) {
    if (CTrackControlItem* point = pointItem()) {
        point->setNumber(number);
    }
}

void CTrackItem::setPierType(int kind) {
    if (kind < KindPierFirst || kind > KindPierLast) {
        return;
    }
    removePiers();
    addControlItem(kind);
}

void CTrackItem::removePiers() {
    if (controlItems_.empty()) {
        return;
    }
    removeControlItems(KindPierPlain);
    for (int kind = KindPierFirst; kind <= KindPierLast; ++kind) {
        removeControlItems(kind);
    }
}

void CTrackItem::setStructure(std::unique_ptr<CTrackStructureItem> structure) {
    structure_ = std::move(structure);
    if (structure_) {
        structure_->setOwner(this);
    }
}

void CTrackItem::dropCachedGeometry() const {
    auto& drop = modelHooks().dropCellGeometry;
    if (!drop) {
        return;
    }
    for (int layer = 0; layer < kTrackLayers; ++layer) {
        for (int dz = -1; dz <= 1; ++dz) {
            for (int dx = -1; dx <= 1; ++dx) {
                drop(layer, TilePos{static_cast<std::int16_t>(position_.column + dx),
                                    static_cast<std::int16_t>(position_.row + dz)});
            }
        }
    }
}

bool CTrackItem::landscapeItemsOver(std::vector<const LandscapeCover*>& out, bool requireAll,
                                    int which) const {
    out.clear();
    auto& provider = modelHooks().landscapeItems;
    if (!provider) {
        return false;
    }
    for (const LandscapeCover* item : provider()) {
        if (item == nullptr || (which == 1 && item->isHollow()) ||
            (which == 2 && !item->isHollow())) {
            continue;
        }
        const auto flags = item->coverFlags(*this);
        if (requireAll ? allSet(flags) : anySet(flags)) {
            out.push_back(item);
        }
    }
    return !out.empty();
}

bool CTrackItem::hollowCoversFully() const {
    std::vector<const LandscapeCover*> items;
    return landscapeItemsOver(items, true, 2);
}

const NeighbourFlags& CTrackItem::neighbourFlagsA(bool* any) const {
    if (any != nullptr) {
        *any = anyNeighbourA_;
    }
    return neighbourFlagsA_;
}

const NeighbourFlags& CTrackItem::neighbourFlagsB(bool* any) const {
    if (any != nullptr) {
        *any = anyNeighbourB_;
    }
    return neighbourFlagsB_;
}

void CTrackItem::updateTerrainRange(const LandscapeCover* item, const TerrainRange& range) {
    terrainRanges_[item] = range;
}

void CTrackItem::removeTerrainRange(const LandscapeCover* item) {
    terrainRanges_.erase(item);
}

bool CTrackItem::combinedTerrainRange(double& highest, double& lowest) const {
    highest = 0;
    lowest = 0;
    bool first = true;
    for (const auto& [item, range] : terrainRanges_) {
        const double sign = item->isHollow() ? -1.0 : 1.0;
        const double high = range.highest * item->getHeightScale() * sign;
        const double low = range.lowest * item->getHeightScale() * sign;
        highest = first ? high : std::max(highest, high);
        lowest = first ? low : std::min(lowest, low);
        first = false;
    }
    return !first;
}

std::uintptr_t CTrackItem::heldVehicle() const {
    for (int kind : {KindCrossing, KindStation1, KindStation2, KindStation3}) {
        if (const CTrackControlItem* item = findControlItem(kind)) {
            return item->getOccupant();
        }
    }
    return 0;
}

void CTrackItem::notifyVehicle(std::uintptr_t vehicle, bool arrives) const {
    auto& hook = pieceHooks().vehicleNotice;
    if (!hook) {
        return;
    }
    for (const auto& [kind, item] : controlItems_) {
        if (isHoldingKind(kind)) {
            hook(*item, vehicle, arrives);
        }
    }
}

void CTrackItem::dropLinksOfTileAndNeighbours() {
    if (isTrackLayer(layer_) && isValidTilePos(position_) && tileAt(layer_, position_) == this) {
        dropLinksAround();
    }
    track_.dropLinks();
}

void CTrackItem::dropLinksAround() const {
    // The 3 × 3 cells row by row, each found by cell (no search in the layer map).
    const int firstColumn = std::max(position_.column - 1, 0);
    const int lastColumn = std::min(position_.column + 1, kMaxBoardSize);
    for (int layer = 0; layer < kTrackLayers; ++layer) {
        if (layerTileCount(layer) == 0 || firstColumn > lastColumn) {
            continue;
        }
        for (int dz = -1; dz <= 1; ++dz) {
            const int row = position_.row + dz;
            if (row < 0 || row > kMaxBoardSize) {
                continue;
            }
            for (int column = firstColumn; column <= lastColumn; ++column) {
                if (CTrackItem* tile = tileAt(layer, {static_cast<std::int16_t>(column),
                                                      static_cast<std::int16_t>(row)})) {
                    tile->track_.dropLinks();
                }
            }
        }
    }
}

void CTrackItem::computeCovered() {
    covered_ = false;
    if (layer_ != GroundLayer || track_.lineCount() == 0 || hollowCoversFully()) {
        return;
    }
    std::vector<const LandscapeCover*> items;
    if (!landscapeItemsOver(items, true, 0)) {
        return;
    }
    for (const LandscapeCover* item : items) {
        if (item->isHollow()) {
            covered_ = false;
            return;
        }
        covered_ = true;
    }
}

void CTrackItem::computeNeighbourFlagsB() {
    neighbourFlagsB_.fill(false);
    anyNeighbourB_ = false;
    if (!covered_) {
        return;
    }
    if (layer_ == GroundLayer && track_.lineCount() > 0) {
        NeighbourFlags own;
        diagonalEnds(own);
        std::array<std::array<bool, 8>, 8> f{};
        std::vector<const LandscapeCover*> items;
        landscapeItemsOver(items, true, 0);
        for (const LandscapeCover* item : items) {
            if (item->isHollow()) {
                continue;
            }
            for (int i = 0; i < 8; ++i) {
                CTrackItem* nb = tileAt(GroundLayer, neighbour(position_, i));
                if (nb == nullptr || nb->isCovered()) {
                    continue;
                }
                const auto k = item->coverFlags(*nb);
                NeighbourFlags theirs;
                nb->diagonalEnds(theirs);
                const bool linked = own[i] && theirs[kOpposite[i]];
                if (nb->hollowCoversFully() && allSet(k)) {
                    if (!allSet(f[i]) && linked) {
                        f[i][i] = true;
                    }
                } else if (allSet(k)) {
                    f[i].fill(true);
                } else if (!anySet(k)) {
                    // the item does not reach the neighbour
                } else if (!allSet(f[i])) {
                    if (i < 4) {
                        if (k[i] && linked) {
                            f[i] = k;
                        }
                    } else {
                        static constexpr int facing[4][3] = {
                            {0, 1, 4}, {2, 1, 5}, {2, 3, 6}, {0, 3, 7}};
                        const int* sides = facing[i - 4];
                        if (linked && (k[sides[0]] || k[sides[1]] || k[sides[2]])) {
                            f[i] = k;
                        }
                    }
                }
            }
        }
        for (int i = 0; i < 8; ++i) {
            neighbourFlagsB_[i] = anySet(f[i]) && !allSet(f[i]);
        }
        for (int i = 0; i < 8; ++i) {
            const CTrackItem* above = tileAt(ElevatedLayer1, neighbour(position_, i));
            NeighbourFlags down;
            if (above != nullptr && above->downIntoCovered(down) && down[kOpposite[i]]) {
                neighbourFlagsB_[i] = true;
            }
        }
    }
    anyNeighbourB_ = anySet(neighbourFlagsB_);
}

void CTrackItem::computeNeighbourFlagsA() {
    neighbourFlagsA_.fill(false);
    anyNeighbourA_ = false;
    if (covered_) {
        return;
    }
    for (int i = 0; i < 8; ++i) {
        if (const CTrackItem* nb = tileAt(GroundLayer, neighbour(position_, i))) {
            neighbourFlagsA_[i] = nb->neighbourFlagsB()[kOpposite[i]];
        }
    }
    anyNeighbourA_ = anySet(neighbourFlagsA_);
}

void CTrackItem::resetCoverFlags() {
    covered_ = false;
    anyNeighbourA_ = false;
    anyNeighbourB_ = false;
    neighbourFlagsA_.fill(false);
    neighbourFlagsB_.fill(false);
}

void CTrackItem::resetBoundsCaches() {
    boundsCache_.reset();
}

void CTrackItem::storeBoundsCache(int which, const std::array<Vec3d, 8>& corners, double key) {
    if (which == 0 || which == 1) {
        if (!boundsCache_) {
            boundsCache_ = std::make_unique<std::array<BoundsCacheEntry, 2>>();
        }
        (*boundsCache_)[which] = BoundsCacheEntry{corners, key};
    }
}

bool CTrackItem::readBoundsCache(int which, std::array<Vec3d, 8>& corners, double& key) const {
    if (which != 0 && which != 1) {
        return false;
    }
    const BoundsCacheEntry entry = boundsCache_ ? (*boundsCache_)[which] : BoundsCacheEntry{};
    corners = entry.corners;
    key = entry.key;
    return key != 100000.0;
}

} // namespace model
