#pragma once
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "model/CTrackItemobject.h"
#include "model/Pt.h"
#include "model/TileBox.h"

namespace model {

// Control item kinds.
enum ControlKind : int {
    KindReading = 300, // only while an item is being read; as a filter: all kinds
    KindPoint = 301,
    KindCrossing = 302,
    KindReversing = 303,
    KindPierPlain = 304,
    KindItemPiece = 305,
    KindHolding = 306,
    KindStation1 = 307,
    KindStation2 = 308,
    KindStation3 = 309,
    KindPierFirst = 310,
    KindPierLast = 315,
};

// Point numbers run from 1 to 999.
inline constexpr int kFirstPointNumber = 1;
inline constexpr int kLastPointNumber = 999;

inline constexpr bool isPierKind(int kind) {
    return kind == KindPierPlain || (kind >= KindPierFirst && kind <= KindPierLast);
}
inline constexpr bool isStationKind(int kind) {
    return kind >= KindStation1 && kind <= KindStation3;
}
// Kinds that a vehicle holds and that run hold ticks.
inline constexpr bool isHoldingKind(int kind) {
    return kind == KindCrossing || kind == KindReversing ||
           (kind >= KindHolding && kind <= KindStation3);
}

// The data of a control item on a tile: kind, rect, occupant (for a point: its setting),
// number (points), stop or wait value, label position. Every live item is registered; a
// point registers its number in the process-wide point-number map.
class CTrackControlItem : public CTrackItemobject {
public:
    explicit CTrackControlItem(int kind);
    ~CTrackControlItem() override;
    CTrackControlItem(const CTrackControlItem&) = delete;
    CTrackControlItem& operator=(const CTrackControlItem&) = delete;

    static LayoutRect defaultRectFor(int kind);

    int getKind() const { return kind_; }
    // Asks the owner tile, while it is registered, to repaint.
    void refreshOwner() const;
    // Hands the item to the point-control manager and takes it back (hooks in PieceSeams.h);
    // both clear the hold start time.
    void handToController();
    void handBack();
    // One hold tick, for the holding kinds only.
    void holdTick();
    // Rotate and mirror also move the label position.
    void rotate(double degrees) override;
    void mirrorLeftRight() override;
    void mirrorTopBottom() override;

    void setOccupant(std::uintptr_t occupant) { occupant_ = occupant; }
    std::uintptr_t getOccupant() const { return occupant_; }
    void setValue(int value) { value_ = value; }
    int getValue() const { return value_; }
    double getTimerStart() const { return timerStart_; }
    void setTimerStart(double start) { timerStart_ = start; }
    const std::string& getModelName() const { return modelName_; }
    void setModelName(std::string name) { modelName_ = std::move(name); }
    // Takes rect, kind, occupant and value (the number and label stay; an item that stops
    // being a point leaves its number).
    void copyFrom(const CTrackControlItem& other);

    // Bounds about the tile centre for a tile size `s`: a fixed box for a crossing, the pier
    // bounds for piers, the named model's box for an item with a model name; false for none.
    bool localBounds(double s, SceneBox& out) const;
    // The support under the owner tile's first line with points: a column 0.6 s wide (the
    // width of the line for arches) around the line's middle point, from the lowest terrain
    // under the tile (or 0 when higher) up to the rail height. False without an owner or line.
    bool pierBounds(double s, SceneBox& out) const;

    int getNumber() const { return number_; }
    // Points only. n in 1 … 999: taken only when no other live point holds it; 0: leaves the
    // number; other values and items of other kinds: nothing. True when the number changed.
    bool setNumber(int n);
    // A point without a number takes the lowest free number in 1 … 999 (none when all are
    // taken).
    void assignFreeNumber();
    // As assignFreeNumber for each of `items` in turn, with one walk of the number map for
    // them all.
    static void assignFreeNumbers(std::span<CTrackControlItem* const> items);
    void releaseNumber() { setNumber(0); }

    void setLabelPos(int x, int z) { labelPos_ = Pt(x, z); }
    const Pt& getLabelPos() const { return labelPos_; }

private:
    // Files the item among the numberless points, or takes it out; under the registry lock.
    void trackNumberless();

    int kind_;
    std::uintptr_t occupant_ = 0;
    double timerStart_ = 0;
    std::string modelName_;
    int number_ = 0;
    int value_ = 0;
    Pt labelPos_;
};

// The item at a registered address, else null.
CTrackControlItem* validControlItem(const void* address);
// The live point items without a number, in no particular order; none while every number is
// taken, since then none could get one.
std::vector<CTrackControlItem*> numberlessPoints();
// The live point item holding `number`, else null.
CTrackControlItem* pointWithNumber(int number);

} // namespace model
