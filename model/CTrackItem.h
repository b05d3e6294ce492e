#pragma once
#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "model/CTrack.h"
#include "model/CTrackControlItem.h"
#include "model/CTrackStructureItem.h"
#include "model/Geometry.h"
#include "model/ModelSeams.h"
#include "model/TileBox.h"

namespace model {

// Terrain heights a landscape item has under a tile.
struct TerrainRange {
    double highest = 0;
    double lowest = 0;
    int a = 0;
    int b = 0;
};

// Eight flags in the neighbour order left, up, right, down, up-left, up-right, down-right,
// down-left (for the line-end flags: the same order).
using NeighbourFlags = std::array<bool, 8>;

// A cached tile box: 8 corners and a key; the key 100000.0 marks an empty entry.
struct BoundsCacheEntry {
    std::array<Vec3d, 8> corners{};
    double key = 100000.0;
};

// The control items of a tile by kind, owned.
using ControlItemMap = std::map<int, std::unique_ptr<CTrackControlItem>>;

// What a tile holds and copyFrom copies: its elevation, lines, picture, structure and control
// items, owned. Moving it from tile to tile keeps every line and item at its address.
struct TileContent {
    int elevationOffset = 0;
    CTrack::Lines lines;
    std::unique_ptr<TilePicture> picture;
    std::unique_ptr<CTrackStructureItem> structure;
    ControlItemMap controlItems;

    // As the tile's rotate90 and mirrors turn its content (the lines drop their links).
    void rotate90();
    void mirrorLeftRight();
    void mirrorTopBottom();
};

// One occupied tile of one track layer (layer −1 for a catalogue entry): its lines, picture,
// structure and control items, and the cover and neighbour flags of the tunnel logic.
// Constructing a tile registers it; board tiles are made through createTile, which enters
// them in their layer map.
class CTrackItem {
public:
    CTrackItem(TilePos pos, int layer);
    virtual ~CTrackItem();
    CTrackItem(const CTrackItem&) = delete;
    CTrackItem& operator=(const CTrackItem&) = delete;

    BoardRect getOutline() const;
    // No line, no picture, no control item and no structure.
    bool isEmpty() const;
    bool isInSelection() const;
    // 0 … 3 on layers 1 … 4; ignored on other layers or out of range.
    void setElevationOffset(int offset);
    int getElevationOffset() const { return elevationOffset_; }
    int heightMetresFor(int offset) const { return model::heightMetres(layer_, offset); }
    int heightMetres() const { return model::heightMetres(layer_, elevationOffset_); }
    std::string heightText() const { return model::heightText(layer_, elevationOffset_); }

    const CTrack::Lines& lines() const { return track_.lines(); }
    // The index counts only lines passing the filter: 0 any, 1 kind 1, 2 … 4 kinds 2 … 4.
    LineItem* getLine(std::size_t index, int kindFilter) const;
    const std::vector<Pt>* getLinePoints(std::size_t index, int kindFilter) const;
    TilePos getPosition() const { return position_; }
    CTrack& getTrack() { return track_; }
    const CTrack& getTrack() const { return track_; }
    int getLayer() const { return layer_; }

    void copyFrom(const CTrackItem& other);
    // Takes the other's content and point number; the other is cleared and queued for
    // deferred deletion, and the selection is cleared.
    void moveFrom(CTrackItem& other);
    void mergeFrom(const CTrackItem& other);
    // Hands over the content, without the copies copyFrom makes: the tile is left without
    // lines, picture, structure or items (its flags and caches as they were; clear() resets
    // them) and the lines and items keep their point number but no owner. Like clear(), it
    // drops the links of the lines around the tile, unless the caller has done so.
    TileContent takeContent(bool dropLinksAroundFirst = true);
    // Replaces the content by `content`, ending as copyFrom from a tile holding it ends
    // (repeated lines left out, point items rebuilt when they do not match the lines). Each
    // line forgets its links, searches, ramp and drawn geometry; its points must be as its
    // last recompute left them (a line made or transformed since it last changed), which
    // spares a second pass over them.
    void putContent(TileContent content);
    // Leaves the lines copyFrom would copy (repeated ones deleted) and rebuilds the point
    // items when they do not match them, as copyFrom does on its copy.
    void normalizeAsCopy();
    void clear();
    // Replaces all lines by one kind-1 line of a standard shape; 0 leaves no lines. The
    // point and crossing items follow (as after copyFrom and mergeFrom).
    void setShape(int shape);
    void addShape(int shape, int kind);
    // Creates an item of the kind; refused (false) when the kind is present.
    bool addControlItem(int kind);
    bool addControlItem(std::unique_ptr<CTrackControlItem> item);
    // Recreates the point (301) and crossing (302) items from the lines, keeping the point
    // number; every operation that changes the lines runs it.
    void rebuildPointItems();
    // Whether the tile has a point item exactly when its lines branch and a crossing item
    // exactly when they cross.
    bool pointItemsMatchLines() const;
    // The first free label box; false and an all-zero rect when none is free.
    bool pointLabelBox(LayoutRect& rect, bool skipTaken) const;
    void refresh();
    std::size_t lineCount() const { return track_.lineCount(); }
    // Where the lines end; true when the tile has lines. Points go to `ends` when given.
    bool diagonalEnds(NeighbourFlags& flags, std::vector<Pt>* ends = nullptr) const;

    // Ends of this elevated tile's lines whose next line lies on the layer directly below
    // (flags: left, top, right, bottom, top-left, top-right, bottom-right, bottom-left);
    // downIntoCovered counts only those continuing on a covered tile. True when any is set.
    bool downConnections(NeighbourFlags& flags) const;
    bool downIntoCovered(NeighbourFlags& flags) const;

    // Global layout coordinates.
    void globalOrigin(int& x, int& z) const;
    bool globalLinePoint(std::size_t line, std::size_t point, int& x, int& z) const;
    void globalPoint(int localX, int localZ, int& x, int& z) const;

    double level() const { return tileLevel(layer_, elevationOffset_); }
    double levelTimes(double factor) const { return level() * factor; }
    bool hasLongDiagonal() const;
    bool hasKind1() const { return track_.hasKind1(); }
    bool hasKind2to4() const { return track_.hasKind2to4(); }
    bool hasKind3() const { return track_.hasKind3(); }
    bool hasKind100() const { return track_.hasKind100(); }
    bool hasKind101() const { return track_.hasKind101(); }

    TilePicture* getPicture() const { return picture_.get(); }
    void setPicture(std::unique_ptr<TilePicture> picture) { picture_ = std::move(picture); }
    void removePicture() { picture_.reset(); }
    void copyPictureFrom(const CTrackItem& other);

    void rotate90();
    void mirrorLeftRight();
    void mirrorTopBottom();

    const ControlItemMap& controlItems() const { return controlItems_; }
    void removeStructure() { structure_.reset(); }
    // Kind 300 removes every item.
    void removeControlItems(int kind);
    std::size_t controlItemCount() const { return controlItems_.size(); }
    CTrackControlItem* findControlItem(int kind) const;
    bool hasControlItems() const { return !controlItems_.empty(); }
    CTrackControlItem* pointItem() const { return findControlItem(KindPoint); }
    CTrackControlItem* crossingItem() const { return findControlItem(KindCrossing); }
    CTrackControlItem* reversingItem() const { return findControlItem(KindReversing); }
    CTrackControlItem* stationItem() const;
    CTrackControlItem* itemPiece() const { return findControlItem(KindItemPiece); }
    CTrackControlItem* pierItem() const;
    // 1 … 6 for piers 310 … 315, 0 for none.
    int pierType() const;
    int getPointNumber() const;
    void setPointNumber(int number);
    // Kinds 310 … 315 replace any pier; other values are ignored.
    void setPierType(int kind);
    void removePiers();

    bool hasStructure() const { return structure_ != nullptr; }
    CTrackStructureItem* getStructure() const { return structure_.get(); }
    void setStructure(std::unique_ptr<CTrackStructureItem> structure);

    void dropLinks() { track_.dropLinks(); }
    // Drops the renderer's cached geometry of the 3 × 3 cells around the tile, all layers.
    void dropCachedGeometry() const;

    TileViewAttachment* getViewAttachment() const { return view_; }
    void setViewAttachment(TileViewAttachment* view) { view_ = view; }

    // Landscape items covering this tile (all flags set with requireAll, else any flag set);
    // which: 0 all, 1 raised only, 2 hollows only. True when the list is not empty.
    bool landscapeItemsOver(std::vector<const LandscapeCover*>& out, bool requireAll,
                            int which) const;
    bool hollowCoversFully() const;
    bool isCovered() const { return covered_; }
    const NeighbourFlags& neighbourFlagsA(bool* any = nullptr) const;
    const NeighbourFlags& neighbourFlagsB(bool* any = nullptr) const;

    bool hasTerrainRanges() const { return !terrainRanges_.empty(); }
    void updateTerrainRange(const LandscapeCover* item, const TerrainRange& range);
    void removeTerrainRange(const LandscapeCover* item);
    const std::map<const LandscapeCover*, TerrainRange>& terrainRanges() const {
        return terrainRanges_;
    }
    // Highest and lowest terrain under the tile over all items, each scaled by its item's
    // height scale and negated for a hollow; false (and zeros) without ranges.
    bool combinedTerrainRange(double& highest, double& lowest) const;

    // The vehicle held by the first item of kind 302, 307, 308 or 309 (0 for none).
    std::uintptr_t heldVehicle() const;
    // Tells the items of kinds 302, 303 and 306 … 309 that a vehicle arrives or leaves.
    void notifyVehicle(std::uintptr_t vehicle, bool arrives) const;

    // The station run through this tile: its own station item first, then those of the tiles
    // reached along its first kind-1 line in both directions, each direction ending at a
    // tile without a station or one already collected. Empty without a station item.
    std::vector<CTrackControlItem*> stationRun() const;

    // The box around the tile's contents for tile size `s` and level height `h`: the
    // structure (else the control items) and, with includeLines, the lines; turned like the
    // structure and moved to the tile centre. False (a flat box at the centre) when empty.
    bool contentBox(double s, double h, TileCorners& corners, bool includeLines) const;
    // The structure's part boxes and one box (identifier −1) around all control items,
    // placed like contentBox. True when the list is not empty.
    bool contentBoxes(double s, std::vector<ContentBox>& out) const;

    // Drops the cached links of every line on the 3 × 3 cells around this tile on all
    // layers, so that no neighbour keeps a link into lines this tile is about to change.
    void dropLinksAround() const;
    // Drops this tile's links and, for a tile on the board, those of its neighbours.
    void dropLinksOfTileAndNeighbours();

    void computeCovered();
    void computeNeighbourFlagsA();
    void computeNeighbourFlagsB();
    void resetCoverFlags();
    void resetBoundsCaches();
    void storeBoundsCache(int which, const std::array<Vec3d, 8>& corners, double key);
    bool readBoundsCache(int which, std::array<Vec3d, 8>& corners, double& key) const;

private:
    bool downFlags(NeighbourFlags& flags, bool onlyCovered) const;

    TileViewAttachment* view_ = nullptr;
    CTrack track_;
    TilePos position_;
    int layer_;
    int elevationOffset_ = 0;
    std::unique_ptr<TilePicture> picture_;
    ControlItemMap controlItems_;
    std::unique_ptr<CTrackStructureItem> structure_;
    std::map<const LandscapeCover*, TerrainRange> terrainRanges_;
    bool covered_ = false;
    bool anyNeighbourA_ = false;
    bool anyNeighbourB_ = false;
    NeighbourFlags neighbourFlagsB_{};
    NeighbourFlags neighbourFlagsA_{};
    // Made on the first store: most tiles of a large board are never boxed by the renderer,
    // and two inline entries would be two thirds of a tile's size.
    std::unique_ptr<std::array<BoundsCacheEntry, 2>> boundsCache_;
};

// Counts over the union of two tiles' lines (a tile alone is passed twice).
int branchCount(const CTrackItem& a, const CTrackItem& b);
int crossingCount(const CTrackItem& a, const CTrackItem& b);

} // namespace model
