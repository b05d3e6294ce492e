#pragma once
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "model/LineItem.h"

namespace model {

// The lines of one tile, in order, owned; the owner tile is set by the tile.
class CTrack {
public:
    CTrack() = default;
    CTrack(const CTrack&) = delete;
    CTrack& operator=(const CTrack&) = delete;

    using Lines = std::vector<std::unique_ptr<LineItem>>;
    const Lines& lines() const { return lines_; }

    CTrackItem* getOwner() const;
    void setOwner(CTrackItem* owner);
    TilePos ownerPos() const;

    bool hasKind1() const;
    bool hasKind2to4() const;
    bool hasKind3() const;
    bool hasKind100() const;
    bool hasKind101() const;
    // 2 and 4 both mean kinds 2 … 4.
    bool hasKind(int kind) const;

    // Point p of line i; false when either is out of range.
    bool getLinePoint(std::size_t line, std::size_t point, int& x, int& z) const;
    // Deletes all lines, then adds one.
    LineItem& setLine(std::vector<Pt> points, int kind);
    LineItem& addLine(std::vector<Pt> points, int kind);
    // Makes room for this many lines in all, so that adding them allocates the list once.
    void reserveLines(std::size_t count) { lines_.reserve(count); }
    void deleteLines();
    void dropLinks();
    void rotate90();
    void mirrorX();
    void mirrorZ();
    void shiftX(int d);
    void shiftZ(int d);
    // Deletes all lines, then merges the other's.
    void copyLines(const CTrack& other);
    // Appends copies of the other's lines that hasLineOn does not find here.
    void mergeLines(const CTrack& other);
    // Hands over every line, leaving none; the lines keep their addresses and owner.
    Lines takeLines();
    // Deletes all lines, then takes the given ones that hasLineOn does not find among those
    // taken before them (as copyLines would leave them out) and makes this track's owner
    // theirs. The lines left out are deleted.
    void adoptLines(Lines lines);
    // Deletes every line that an earlier line covers in the sense of hasLineOn, leaving the
    // lines copyLines would give.
    void dropRepeatedLines();
    std::size_t lineCount() const { return lines_.size(); }
    void forEachLine(const std::function<void(LineItem&)>& fn);
    void transform(int mode, int amount);
    // True when a line has as many points as `points` and each of its points occurs there.
    bool hasLineOn(std::span<const Pt> points) const;

private:
    CTrackItem* owner_ = nullptr;
    Lines lines_;
};

} // namespace model
