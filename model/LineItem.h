#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "model/CurveBlock.h"
#include "model/Pt.h"

namespace model {

class CTrackItem;
class LineItem;
class RampSpline;

// Line kinds: 1 ordinary track, 2 … 4 a second network, 100 and 101 two more networks.
enum LineKind : int {
    LineKindTrack = 1,
    LineKindSecondFirst = 2,
    LineKindSecondBallast = 3,
    LineKindSecondLast = 4,
    LineKindThird = 100,
    LineKindFourth = 101,
};

// A place on a line: a fractional point index and the direction of travel (backward: towards
// lower indices, leaving at the first point). A null line means "none".
struct TrackPosition {
    LineItem* line = nullptr;
    double pointIndex = 0;
    std::uint8_t backward = 0;

    explicit operator bool() const { return line != nullptr; }
    friend bool operator==(const TrackPosition&, const TrackPosition&) = default;
};

// The point list the tile editor creates for a standard shape 1 … 6; empty for others.
std::vector<Pt> standardShapePoints(int shape);

// Shape of a line from its first and last points: 1 … 6, or 0 when they fit no shape.
int shapeFromEnds(const Pt& first, const Pt& last);

// One track line of a tile: a polyline of integer tile-local points and its recognised shape.
// Every live line is registered so that stored addresses can be validated.
class LineItem {
public:
    LineItem(std::vector<Pt> points, int kind, CTrackItem* owner);
    ~LineItem();
    LineItem(const LineItem&) = delete;
    LineItem& operator=(const LineItem&) = delete;

    int getShape() const { return shape_; }
    // The owning tile, or null for a line outside a tile. A live line's owner is always a
    // live tile (a tile deletes its lines first).
    CTrackItem* getOwner() const;
    CTrackItem* rawOwner() const { return owner_; }
    void setOwner(CTrackItem* owner);
    TilePos ownerPos() const;

    int getKind() const { return kind_; }
    void setKind(int kind);
    bool isKind1() const { return kind_ == LineKindTrack; }
    bool isKind2to4() const { return kind_ >= LineKindSecondFirst && kind_ <= LineKindSecondLast; }
    bool isKind3() const { return kind_ == LineKindSecondBallast; }
    bool isKind100() const { return kind_ == LineKindThird; }
    bool isKind101() const { return kind_ == LineKindFourth; }

    const std::vector<Pt>& points() const { return points_; }
    std::vector<Pt>& points() { return points_; }
    // Replaces the points and recomputes shape and 3D positions.
    void setPoints(std::vector<Pt> points);
    bool samePoints(std::span<const Pt> other) const;

    void rotate90();
    void mirrorX();
    void mirrorZ();
    void shiftX(int d);
    void shiftZ(int d);
    // mode 0 rotate 90, 1 mirror x, 2 mirror z, 3 shift x, 4 shift z; then reset heights,
    // drop links and recompute. Other modes change nothing.
    void transform(int mode, int amount);

    void resetHeights();
    float startHeight() const;
    float endHeight() const;

    // Recomputes the shape and the 3D X and Z of every point; stored heights stay.
    void recompute();
    void dropLinks();
    // Forgets what tied the line to its tile before it moved to another: links, remembered
    // searches, its ramp and the renderer's geometry. With points unchanged since its last
    // recompute (made, transformed or set since) it is then what a new line with the same
    // points and kind is.
    void forgetPlacement();
    // The last search for the line following the start (backward) or the end, when it still
    // holds at this track revision; see findNextLine.
    bool rememberedNext(bool backward, std::uint64_t revision, TrackPosition& next) const {
        const int end = backward ? 0 : 1;
        if (searchRevision_[end] != revision) {
            return false;
        }
        next = searched_[end];
        return true;
    }
    void rememberNext(bool backward, std::uint64_t revision, const TrackPosition& next) const {
        const int end = backward ? 0 : 1;
        searched_[end] = next;
        searchRevision_[end] = revision;
    }
    const TrackPosition& startLink() const { return startLink_; }
    const TrackPosition& endLink() const { return endLink_; }
    void setStartLink(const TrackPosition& link) { startLink_ = link; }
    void setEndLink(const TrackPosition& link) { endLink_ = link; }

    int lastIndex() const { return static_cast<int>(points_.size()) - 1; }

    const CurveBlock& getCurve() const { return curve_; }
    // Length in layout units (the analytic length; the polyline's for a non-standard shape).
    double length() const { return curve_.length; }
    double lengthInTiles(double factor) const { return 0.025 * length() * factor; }
    double distanceAt(double pointIndex) const;
    double indexAt(double distance) const;

    // Shares a ramp spline: this line's points run from parameter `from` to `to` on it.
    // Replacing a ramp releases the old one.
    void setRamp(RampSpline* spline, double from, double to);
    void releaseRamp();
    const RampSpline* ramp() const { return ramp_; }
    double rampFrom() const { return rampFrom_; }
    double rampTo() const { return rampTo_; }

    // Height in levels at a fractional point index: the ramp when there is one, else the
    // stored heights interpolated; an unset height reads as 0 unless `force` (then −100).
    double heightAt(double pointIndex, bool force = false) const;
    double heightTimes(double pointIndex, double factor) const {
        return heightAt(pointIndex) * factor;
    }
    // Tile-local position on the curve (y: the height in levels).
    Vec3d localPoint(double pointIndex) const;
    // Board-wide position: (x, z) in global layout units times `scale`, y the height times
    // `scale`.
    Vec3d globalPoint(double pointIndex, double scale) const;
    // The global integer point nearest to a fractional index.
    void gridPoint(double pointIndex, int& x, int& z) const;

private:
    // Records that this line's tile changed, for the next height recomputation.
    void markOwner() const;
    void evaluateXZ(double pointIndex, double& x, double& z) const;

    int shape_ = -1;
    int kind_ = LineKindTrack;
    CTrackItem* owner_ = nullptr;
    std::vector<Pt> points_;
    TrackPosition startLink_;
    TrackPosition endLink_;
    mutable TrackPosition searched_[2];
    mutable std::uint64_t searchRevision_[2] = {0, 0}; // revisions count from 1
    CurveBlock curve_;
    RampSpline* ramp_ = nullptr;
    double rampFrom_ = 0;
    double rampTo_ = 0;
};

// The line at a registered address, else null.
LineItem* validLine(const void* address);
// Makes room in the line registry for this many more lines (see reserveTileRegistry).
void reserveLineRegistry(std::size_t additional);

} // namespace model
