#pragma once
#include <cstdint>
#include <map>
#include <string>

#include "model/CTrackItemobject.h"
#include "model/Pt.h"

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
    // Takes rect, kind, occupant and value (the number and label stay).
    void copyFrom(const CTrackControlItem& other);

    int getNumber() const { return number_; }
    // n > 0: taken only when no other live point holds it; 0: leaves the number; n < 0:
    // nothing. Returns true when the number changed.
    bool setNumber(int n);
    // Without a number: takes the lowest free number ≥ 1.
    void assignFreeNumber();
    void releaseNumber() { setNumber(0); }

    void setLabelPos(int x, int z) { labelPos_ = Pt(x, z); }
    const Pt& getLabelPos() const { return labelPos_; }

private:
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
// The live point item holding `number`, else null.
CTrackControlItem* pointWithNumber(int number);

} // namespace model
