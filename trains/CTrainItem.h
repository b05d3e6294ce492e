#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "model/Geometry.h"
#include "model/LineItem.h"
#include "platform/ByteWriter.h"
#include "trains/CTrainItemWheel.h"
#include "trains/TrackMotion.h"
#include "trains/TrainHooks.h"
#include "trains/VehicleTypes.h"

namespace model {
class CTrackItem;
}
namespace items {
class C3DItemObject;
}

namespace trains {

// Byte size of the fixed head of a vehicle record.
inline constexpr std::size_t kVehicleRecordHead = 304;

// One vehicle on the layout. Vehicles form trains through their front and rear links, which
// hold registry identities; every link is looked up before use, so a deleted neighbour reads
// as none. Chain walks stop at a missing link, back at their start, or at any vehicle met
// twice (a loop that a damaged file created), so they always end.
class CTrainItem {
public:
    // Placed on `tile` when given (and then entered in the controller's list).
    CTrainItem(model::CTrackItem* tile, std::int32_t typeCode, std::string_view modelName);
    virtual ~CTrainItem();
    CTrainItem(const CTrainItem&) = delete;
    CTrainItem& operator=(const CTrainItem&) = delete;

    VehicleId id() const { return id_; }

    // Placement. Both fail for an unregistered tile, a tile without a usable line, an invalid
    // position or a line the vehicle cannot run on.
    bool placeOnTile(model::CTrackItem* tile, bool backward);
    bool setPosition(const TrackPosition& position);
    const TrackPosition& position() const { return position_; }
    model::CTrackItem* currentTile() const;
    int currentLayer() const { return layer1_; }

    // Running.
    void restart();
    void halt();
    // One move: the acceleration rule's distance (useAcceleration) or `distance`. A moving
    // self-propelled vehicle moves its whole train by the same distance.
    void advance(bool useAcceleration, double distance, double target, double dt);
    double speed() const { return speed_; }
    // At most 80 for an automobile; the wheel follows.
    void setSpeed(double v);
    double speedRatio() const { return speedRatio_; }
    void setSpeedRatio(double r) { speedRatio_ = r; }
    // Distance to move in dt seconds towards target × speedRatio, with acceleration and
    // braking in steps every 0.2 s.
    double stepDistance(double target, double dt);
    double accelState() const { return accelState_; }
    void stopOrBrake(bool immediate);
    bool isBrakedToStop() const { return accelState_ < 0 && speed_ == 0; }
    void resetAcceleration();
    void haltBlocked();
    // The tile reached by crossing max(1, lineCount) line ends ahead of wheel set 1.
    bool tileAhead(model::CTrackItem*& tile, int lineCount) const;

    // Trains.
    void turn(bool propagate, bool reverseRunning);
    void flipChainLinks();
    // Couples v at this train's tail (atTail) or head. Fails for a missing or incompatible
    // vehicle, an automobile, a vehicle already in this train, no free ends or no room on the
    // track; v's chain may have had its links exchanged to offer a free end.
    bool couple(CTrainItem* v, bool atTail);
    // Puts v at coupling distance behind or ahead of this vehicle, in its direction.
    bool placeBeside(CTrainItem* v, bool behind);
    void uncouple(bool rearEnd);
    CTrainItem* head();
    CTrainItem* tail();
    // Ends of the chain; a chain that leads back to this vehicle is cut there first.
    CTrainItem* firstVehicle();
    CTrainItem* lastVehicle();
    CTrainItem* rearNeighbour() const { return findLinked(rearLink_); }
    CTrainItem* frontNeighbour() const { return findLinked(frontLink_); }
    // The vehicles reached from this one through front (or rear) links, this one excluded.
    std::vector<CTrainItem*> chain(bool front) const;
    // The whole train from the first vehicle along rear links.
    std::vector<CTrainItem*> trainMembers();
    // Appends trainMembers() to `out`.
    void appendTrainMembers(std::vector<CTrainItem*>& out);
    int motiveVehicles(std::vector<CTrainItem*>& out);
    CTrainItem* firstMotiveVehicle();
    VehicleId frontLink() const { return frontLink_; }
    VehicleId rearLink() const { return rearLink_; }
    void setFrontLink(VehicleId id) { frontLink_ = id; }
    void setRearLink(VehicleId id) { rearLink_ = id; }

    // Wheel sets and 3D placement.
    bool worldPoint1(const WorldScales& scales, model::Vec3d& point) const;
    bool layoutPoint1(model::Vec3d& point) const;
    // The grid point as the record's two 16-bit numbers: past 32 767 layout units (about 819
    // tiles) they wrap. Distances are measured on gridPoint1Raw, which does not.
    bool gridPoint1(std::int16_t& x, std::int16_t& z) const;
    std::array<std::int32_t, 2> gridPoint1Raw() const { return grid1_; }
    bool height1(double& h) const;
    bool worldPoint2(const WorldScales& scales, model::Vec3d& point) const;
    bool layoutPoint2(model::Vec3d& point) const;
    bool gridPoint2(std::int16_t& x, std::int16_t& z) const;
    std::array<std::int32_t, 2> gridPoint2Raw() const { return grid2_; }
    // The two grid points in layout units over the whole board (no wrap), for drawing and
    // hit-testing on the board; false while the wheel set has no valid position.
    bool boardPoint1(int& x, int& z) const;
    bool boardPoint2(int& x, int& z) const;
    bool height2(double& h) const;
    const TrackPosition& wheelSet1() const { return wheelSet1_; }
    const TrackPosition& wheelSet2() const { return wheelSet2_; }
    bool headingVectors(const WorldScales& scales, model::Vec3d& forward, model::Vec3d& side) const;
    // World points of both wheel sets; when they coincide (the track ends within the wheel
    // base), wheel set 2 is put a short way along the vehicle's last heading instead.
    bool wheelSetWorldPoints(const WorldScales& scales, model::Vec3d& p1, model::Vec3d& p2) const;
    // Wheel set 1, the yaw (−180 more when running reversed, minus the heading angle) and
    // the pitch of the line from wheel set 1 to wheel set 2, in degrees.
    bool worldPlacement(const WorldScales& scales, model::Vec3d& point, double& yaw,
                        double& pitch) const;
    bool modelBoxCorners(const WorldScales& scales, std::array<model::Vec3d, 8>& corners) const;
    bool lampTransform(int lamp, const WorldScales& scales, model::Vec3d& point) const;
    bool wheelSet1Backward() const { return wheelSet1_.backward != 0; }

    // Where the chase view stands, moved from the model's chase point by the chase keys: up
    // and to the side, in tiles. Kept for the running session only.
    double chaseHeightOffset() const { return chaseHeightOffset_; }
    double chaseSideOffset() const { return chaseSideOffset_; }
    void setChaseOffsets(double height, double side) {
        chaseHeightOffset_ = height;
        chaseSideOffset_ = side;
    }

    // Flags and predicates.
    bool isReversedRunning() const { return reversedRunning_; }
    bool isDirectionFlipped() const { return directionFlipped_; }
    bool isActive() const { return active_; }
    void setActive(bool on) { active_ = on; }
    bool isSelfPropelled() const;
    bool isBlocked() const { return blocked_; }
    void setBlocked(bool on) { blocked_ = on; }
    bool trainHasActiveDriver();
    bool isCompatibleWith(const CTrainItem* v) const;
    bool isRailVehicle() const { return isRailType(typeCode_); }
    bool isAutomobile() const { return isAutomobileType(typeCode_); }
    bool isMonorailA() const { return typeCode_ == TypeMonorailA; }
    bool isMonorailB() const { return typeCode_ == TypeMonorailB; }
    bool isMonorail() const { return isMonorailType(typeCode_); }
    bool isLocomotive() const { return isLocomotiveType(typeCode_); }
    bool isSteamLocomotive() const { return isSteamType(typeCode_); }
    bool isCameraTrain();
    bool hasNoFrontNeighbour() const { return frontLink_ == 0; }
    bool hasNoRearNeighbour() const { return rearLink_ == 0; }
    bool isHead();
    bool isTail();
    bool isSameTrain(const CTrainItem* v) const;
    bool canRunOnLine(const model::LineItem* line) const;
    bool canRunOnCurrentLine() const { return canRunOnLine(position_.line); }
    bool isOnRailLine() const;
    bool isOnRoadLine() const;
    bool isOnOwnMonorailLine() const;
    double lastSmokeTime() const { return lastSmokeTime_; }
    void setLastSmokeTime(double t) { lastSmokeTime_ = t; }
    std::int32_t typeCode() const { return typeCode_; }
    void setTypeCode(std::int32_t code) { typeCode_ = code; }
    items::C3DItemObject* findModel() const;
    const std::string& modelName() const { return modelName_; }
    void setModelName(std::string_view name) { modelName_ = std::string(name); }
    bool isEngineStopped() const { return engineStopped_; }
    void setEngineStopped(bool on) { engineStopped_ = on; }
    bool savedAsTail() const { return savedAsTail_; }
    CTrainItemWheel& wheel() { return *wheel_; }
    VehiclePane* pane() const { return pane_.get(); }
    void setPane(std::unique_ptr<VehiclePane> pane) { pane_ = std::move(pane); }
    const std::vector<model::LineItem*>& traversedLines() const { return traversedLines_; }
    // Tells the tiles of the lines passed in the last move (those still registered) that the
    // train of `head` enters or leaves them.
    void notifyTraversedTiles(VehicleId head, bool entering) const;

    // The vehicle record: written with neighbour numbers from `listPosition` (1-based, 0 for
    // none) and read back. Reading fails for fewer than 305 bytes, another tag, a tile
    // position negative after the offset, no tile there or no usable line on it; the recorded
    // neighbour numbers are kept in recordedRear/recordedFront for the chunk reader.
    void writeRecord(platform::ByteWriter& out, std::int32_t rearNumber, std::int32_t frontNumber);
    bool readRecord(std::span<const std::uint8_t> bytes, model::TilePos tileOffset);
    std::int32_t recordedRear() const { return recordedRear_; }
    std::int32_t recordedFront() const { return recordedFront_; }

    void updatePlacement(bool movePane);
    // Recomputes both wheel sets from the position; an invalid position writes
    // "!! error updateCurrentStepInfo (2)" to the debug output and changes nothing.
    void updateCurrentStepInfo();

    // True for a catalogue entry.
    virtual bool isTypeItem() const { return false; }

private:
    // advance, for a vehicle whose train's first motive vehicle the caller already knows
    // (`motive` set; it may hold null), so that a train's cars don't each look it up.
    void advanceKnowing(bool useAcceleration, double distance, double target, double dt,
                        std::optional<const CTrainItem*> motive);
    CTrainItem* findLinked(VehicleId id) const;
    CTrainItem* chainEnd(bool front);
    // Hands each vehicle of chain(front) to `sink` in turn, without listing them.
    template <typename Sink> void walkChain(bool front, Sink&& sink) const;
    void turnOne(bool reverseRunning);

    VehicleId id_ = 0;
    std::unique_ptr<VehiclePane> pane_;
    VehicleId rearLink_ = 0;
    VehicleId frontLink_ = 0;
    std::int32_t typeCode_ = 0;
    bool reversedRunning_ = false;
    bool directionFlipped_ = false;
    bool active_ = true;
    bool blocked_ = false;
    bool engineStopped_ = false;
    double lastSmokeTime_ = 0;
    double chaseHeightOffset_ = 0;
    double chaseSideOffset_ = 0;
    std::string modelName_;
    std::unique_ptr<CTrainItemWheel> wheel_;
    TrackPosition position_;
    TrackPosition wheelSet1_;
    TrackPosition wheelSet2_;
    model::CTrackItem* tile1_ = nullptr;
    model::CTrackItem* tile2_ = nullptr;
    // The tile registry's revision when tile1_ was derived (see currentTile).
    std::uint64_t tile1Revision_ = 0;
    int layer1_ = 0;
    int layer2_ = 0;
    std::array<std::int32_t, 2> grid1_{}; // board-wide layout units, never wrapped
    std::array<std::int32_t, 2> grid2_{};
    model::Vec3d point1_;
    model::Vec3d point2_;
    double height1_ = 0;
    double height2_ = 0;
    // The last horizontal direction from wheel set 1 to wheel set 2 (layout units), kept for
    // when both sets stand on one point near a track end; zero while unknown.
    std::array<double, 2> heading_{};
    std::vector<model::LineItem*> traversedLines_;
    double speed_ = 0;
    double speedRatio_ = 1.0;
    double accelTimer_ = 0;
    double accelState_ = 1.0;
    bool savedAsTail_ = false;
    std::int32_t recordedRear_ = 0;
    std::int32_t recordedFront_ = 0;
};

} // namespace trains
