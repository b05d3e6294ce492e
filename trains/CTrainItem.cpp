#include "trains/CTrainItem.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <unordered_set>

#include "items/C3DItemObject.h"
#include "items/ItemRegistry.h"
#include "model/CTrackItem.h"
#include "model/TrackTiles.h"
#include "platform/Debug.h"
#include "trains/CTrainControler.h"
#include "trains/VehicleRegistry.h"

namespace trains {

namespace {

constexpr double kWheelBase = 14.0;
constexpr double kAutomobileTopSpeed = 80.0;
constexpr double kAccelInterval = 0.2;

// Remembers the vehicles a walk has met; linear for short trains.
class Visited {
public:
    bool insert(const CTrainItem* v) {
        if (set_.empty() && count_ < list_.size()) {
            const auto end = list_.begin() + static_cast<std::ptrdiff_t>(count_);
            if (std::find(list_.begin(), end, v) != end) {
                return false;
            }
            list_[count_++] = v;
            return true;
        }
        if (set_.empty()) {
            set_.insert(list_.begin(), list_.end());
        }
        return set_.insert(v).second;
    }

private:
    // Short chains are searched in place, without taking memory; long ones move to a set.
    std::array<const CTrainItem*, 32> list_{};
    std::size_t count_ = 0;
    std::unordered_set<const CTrainItem*> set_;
};

// A list of vehicles that keeps short trains on the stack.
class ShortList {
public:
    void push(CTrainItem* v) {
        if (count_ < inline_.size()) {
            inline_[count_++] = v;
        } else {
            more_.push_back(v);
        }
    }
    template <typename Fn> void each(Fn&& fn) const {
        for (std::size_t i = 0; i < count_; ++i) {
            fn(inline_[i]);
        }
        for (CTrainItem* v : more_) {
            fn(v);
        }
    }

private:
    std::array<CTrainItem*, 32> inline_{};
    std::size_t count_ = 0;
    std::vector<CTrainItem*> more_;
};

model::Vec3d turnAboutZ(const model::Vec3d& p, double degrees) {
    const double a = degrees * M_PI / 180.0;
    return {p.x * std::cos(a) - p.y * std::sin(a), p.x * std::sin(a) + p.y * std::cos(a), p.z};
}

model::Vec3d turnAboutY(const model::Vec3d& p, double degrees) {
    const double a = degrees * M_PI / 180.0;
    return {p.x * std::cos(a) + p.z * std::sin(a), p.y, -p.x * std::sin(a) + p.z * std::cos(a)};
}

model::Vec3d plus(const model::Vec3d& a, const model::Vec3d& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}

// Half the coupling distance a vehicle brings: 22 layout units per model unit of length.
double couplingShare(const CTrainItem& v) {
    const items::C3DItemObject* model = v.findModel();
    if (model == nullptr) {
        return 0.0;
    }
    const items::BoundingBox box = model->boundingBox(1.0);
    if (box.max.x < box.min.x) {
        return 0.0; // a model without geometry has no length
    }
    return 22.0 * std::fabs(box.max.x - box.min.x);
}

// Keeps the horizontal direction from `from` to `to` when the two points differ.
void keepHeading(const model::Vec3d& from, const model::Vec3d& to, std::array<double, 2>& heading) {
    const double dx = to.x - from.x;
    const double dz = to.z - from.z;
    if (dx != 0 || dz != 0) {
        heading = {dx, dz};
    }
}

} // namespace

CTrainItem::CTrainItem(model::CTrackItem* tile, std::int32_t typeCode, std::string_view modelName)
    : typeCode_(typeCode) {
    installTrainSeams();
    wheel_ = std::make_unique<CTrainItemWheel>();
    id_ = detail::registerVehicle(this);
    if (tile != nullptr) {
        placeOnTile(tile, false);
    }
    modelName_ = std::string(modelName);
    if (tile != nullptr) {
        getOrCreateTrainController().addVehicle(this);
    }
}

CTrainItem::~CTrainItem() {
    if (CTrainControler* controller = trainController()) {
        controller->removeVehicle(this);
    }
    if (pane_) {
        pane_->place();
        pane_.reset();
    }
    uncouple(true);
    uncouple(false);
    wheel_.reset();
    if (cameraTrainId() == id_) {
        setCameraTrain(nullptr);
    }
    detail::unregisterVehicle(id_);
}

CTrainItem* CTrainItem::findLinked(VehicleId id) const {
    return id == 0 ? nullptr : findVehicle(id);
}

// ----- placement -----

model::CTrackItem* CTrainItem::currentTile() const {
    // The tile was registered when it was derived; while no tile has come or gone since, it
    // still is, and the registry need not be asked (a step asks for every vehicle's tile).
    if (tile1_ != nullptr && model::tileRegistryRevision() == tile1Revision_) {
        return tile1_;
    }
    return model::validTile(tile1_);
}

bool CTrainItem::placeOnTile(model::CTrackItem* tile, bool backward) {
    if (model::validTile(tile) == nullptr) {
        return false;
    }
    if (tile != currentTile()) {
        uncouple(true);
        uncouple(false);
        traversedLines_.clear();
    }
    for (const auto& line : tile->lines()) {
        if (line) {
            const auto n = static_cast<double>(line->points().size() / 2);
            return setPosition(TrackPosition{line.get(), n, static_cast<std::uint8_t>(backward)});
        }
    }
    return false;
}

bool CTrainItem::setPosition(const TrackPosition& position) {
    if (!isValidPosition(position) || !canRunOnLine(position.line)) {
        return false;
    }
    position_ = position;
    updatePlacement(true);
    return true;
}

void CTrainItem::updatePlacement(bool movePane) {
    updateCurrentStepInfo();
    if (movePane && pane_ && currentTile() != nullptr) {
        pane_->place();
    }
}

void CTrainItem::updateCurrentStepInfo() {
    if (!isValidPosition(position_)) {
        // Diagnostics go to the debug output: standard output carries the command-line
        // tool's data.
        platform::debugOut("!! error updateCurrentStepInfo (2)\n");
        return;
    }
    // Both positions are valid here (checked above, or reached by a move), so the line is read
    // without looking it up in the registry again.
    auto derive = [](const TrackPosition& p, model::CTrackItem*& tile, int& layer,
                     std::array<std::int32_t, 2>& grid, model::Vec3d& point, double& height) {
        tile = p.line->getOwner();
        layer = tile->getLayer();
        point = p.line->globalPoint(p.pointIndex, 1.0);
        int gx = 0;
        int gz = 0;
        p.line->gridPoint(p.pointIndex, gx, gz);
        grid = {gx, gz};
        height = std::max(0.0, point.y);
    };
    wheelSet1_ = position_;
    // The revision is read first: a tile that goes while the position is derived leaves a
    // later revision behind, and the next look-up asks the registry again.
    const std::uint64_t revision = model::tileRegistryRevision();
    derive(wheelSet1_, tile1_, layer1_, grid1_, point1_, height1_);
    tile1Revision_ = revision;
    TrackPosition second = wheelSet1_;
    bool crossed = false;
    if (movePosition(second, kWheelBase, crossed, nullptr)) {
        wheelSet2_ = second;
        derive(wheelSet2_, tile2_, layer2_, grid2_, point2_, height2_);
        keepHeading(point1_, point2_, heading_);
    } else {
        wheelSet2_ = wheelSet1_;
        // Placed near a track end with no heading yet: look back along the track instead.
        TrackPosition behind = wheelSet1_;
        if (heading_ == std::array<double, 2>{} &&
            movePosition(behind, -kWheelBase, crossed, nullptr)) {
            keepHeading(behind.line->globalPoint(behind.pointIndex, 1.0), point1_, heading_);
        }
    }
}

bool CTrainItem::tileAhead(model::CTrackItem*& tile, int lineCount) const {
    TrackPosition copy = wheelSet1_;
    if (!skipLines(copy, lineCount)) {
        return false;
    }
    tile = copy.line->getOwner();
    return tile != nullptr;
}

// ----- running -----

void CTrainItem::setSpeed(double v) {
    speed_ = isAutomobile() ? std::min(v, kAutomobileTopSpeed) : v;
    if (wheel_) {
        wheel_->followVehicleSpeed(speed_);
    }
}

double CTrainItem::stepDistance(double target, double dt) {
    const double t = target * speedRatio_;
    if (!(t > 0)) {
        return 0.0;
    }
    if (accelState_ == 0) {
        const double d = dt * speed_;
        if (speed_ != t) {
            setSpeed(t);
        }
        return d;
    }
    if (accelState_ > 0) {
        if (speed_ >= t) {
            accelState_ = 0;
            setSpeed(t);
            return dt * speed_;
        }
        if (accelTimer_ <= kAccelInterval) {
            accelTimer_ += dt;
            return dt * speed_;
        }
        setSpeed(speed_ == 0 ? 1.0 : (speed_ < 20 ? speed_ * 1.3 : speed_ * 1.2));
        accelTimer_ = 0;
        return dt * speed_;
    }
    if (accelTimer_ <= kAccelInterval) {
        accelTimer_ += dt;
        return dt * speed_;
    }
    setSpeed((speed_ > 20 || speed_ < 0.001) ? speed_ * 0.8 : 0.0);
    accelTimer_ = 0;
    return dt * speed_;
}

void CTrainItem::stopOrBrake(bool immediate) {
    if (immediate) {
        speed_ = 0;
        accelState_ = 0;
    } else {
        accelState_ = -1.0;
    }
    accelTimer_ = 0;
}

void CTrainItem::resetAcceleration() {
    speed_ = 0;
    accelTimer_ = 0;
    accelState_ = 1.0;
}

void CTrainItem::halt() {
    stopOrBrake(false);
    if (active_) {
        for (CTrainItem* v : trainMembers()) {
            v->active_ = false;
            v->resetAcceleration();
        }
    }
    if (speed_ == 0 && wheel_) {
        wheel_->stopTurning();
    }
}

void CTrainItem::restart() {
    resetAcceleration();
    if (!active_) {
        if (trainHooks().reverseAtDeadEnd) {
            trainHooks().reverseAtDeadEnd(*this);
        }
        const auto members = trainMembers();
        const bool anyBlocked =
            std::any_of(members.begin(), members.end(), [](CTrainItem* v) { return v->blocked_; });
        if (!anyBlocked) {
            for (CTrainItem* v : members) {
                v->active_ = true;
            }
        }
    }
    if (wheel_) {
        if (active_) {
            wheel_->startTurning();
        } else {
            wheel_->stopTurning();
        }
    }
    engineStopped_ = false;
}

void CTrainItem::haltBlocked() {
    for (CTrainItem* v : trainMembers()) {
        v->active_ = false;
        v->setSpeed(0);
    }
    active_ = false;
    blocked_ = true;
    setSpeed(0);
}

void CTrainItem::advance(bool useAcceleration, double distance, double target, double dt) {
    advanceKnowing(useAcceleration, distance, target, dt, std::nullopt);
}

void CTrainItem::advanceKnowing(bool useAcceleration, double distance, double target, double dt,
                                std::optional<const CTrainItem*> motive) {
    if (!active_) {
        // A halted or blocked vehicle stands: it does not take up the speed it would run at.
        if (useAcceleration && speed_ != 0) {
            setSpeed(0);
        }
        return;
    }
    const double d = useAcceleration ? stepDistance(target, dt) : distance;
    if (!(d > 0) || !isValidPosition(position_)) {
        return;
    }
    bool crossed = false;
    bool haltAsked = false;
    if (movePosition(position_, d, crossed, &traversedLines_)) {
        updatePlacement(true);
        if (crossed && isHead() && trainHooks().registerTileChange) {
            haltAsked = trainHooks().registerTileChange(*this);
        }
    } else {
        haltBlocked();
    }
    if (wheel_) {
        if (!motive) {
            motive = firstMotiveVehicle();
        }
        wheel_->followVehicleSpeed(*motive != nullptr ? (*motive)->speed_ : speed_);
        wheel_->setRotationDirection(reversedRunning_);
    }
    if (useAcceleration && isSelfPropelled()) {
        // Moving the train changes no links, so every car shares this first motive vehicle.
        for (bool front : {true, false}) {
            ShortList cars;
            walkChain(front, [&](CTrainItem* v) { cars.push(v); });
            cars.each([&](CTrainItem* v) { v->advanceKnowing(false, d, 0, 0, motive); });
        }
    }
    if (haltAsked) {
        halt();
        if (trainHooks().requestPanelRefresh) {
            trainHooks().requestPanelRefresh();
        }
    }
}

// ----- trains -----

std::vector<CTrainItem*> CTrainItem::chain(bool front) const {
    std::vector<CTrainItem*> result;
    walkChain(front, [&](CTrainItem* v) { result.push_back(v); });
    return result;
}

template <typename Sink> void CTrainItem::walkChain(bool front, Sink&& sink) const {
    Visited visited;
    visited.insert(this);
    const CTrainItem* at = this;
    for (;;) {
        CTrainItem* next = front ? at->frontNeighbour() : at->rearNeighbour();
        if (next == nullptr || !visited.insert(next)) {
            break;
        }
        sink(next);
        at = next;
    }
}

CTrainItem* CTrainItem::chainEnd(bool front) {
    for (;;) {
        Visited visited;
        visited.insert(this);
        CTrainItem* at = this;
        bool cut = false;
        for (;;) {
            CTrainItem* next = front ? at->frontNeighbour() : at->rearNeighbour();
            if (next == this) {
                // A circular chain: the vehicle leading back becomes the end.
                (front ? at->frontLink_ : at->rearLink_) = 0;
                cut = true;
                break;
            }
            if (next == nullptr || !visited.insert(next)) {
                break;
            }
            at = next;
        }
        if (!cut) {
            return at;
        }
    }
}

CTrainItem* CTrainItem::firstVehicle() {
    return chainEnd(true);
}

CTrainItem* CTrainItem::lastVehicle() {
    return chainEnd(false);
}

CTrainItem* CTrainItem::head() {
    return directionFlipped_ ? lastVehicle() : firstVehicle();
}

CTrainItem* CTrainItem::tail() {
    return directionFlipped_ ? firstVehicle() : lastVehicle();
}

bool CTrainItem::isHead() {
    return head() == this;
}

bool CTrainItem::isTail() {
    return tail() == this;
}

std::vector<CTrainItem*> CTrainItem::trainMembers() {
    std::vector<CTrainItem*> members;
    appendTrainMembers(members);
    return members;
}

void CTrainItem::appendTrainMembers(std::vector<CTrainItem*>& out) {
    CTrainItem* first = firstVehicle();
    out.push_back(first);
    // The chain behind the first vehicle, walked as chain(false) walks it.
    Visited visited;
    visited.insert(first);
    for (CTrainItem* at = first;;) {
        CTrainItem* next = at->rearNeighbour();
        if (next == nullptr || !visited.insert(next)) {
            break;
        }
        out.push_back(next);
        at = next;
    }
}

int CTrainItem::motiveVehicles(std::vector<CTrainItem*>& out) {
    out.clear();
    for (CTrainItem* v : trainMembers()) {
        if (v->isLocomotive() || v->isMonorail()) {
            out.push_back(v);
        }
    }
    return static_cast<int>(out.size());
}

CTrainItem* CTrainItem::firstMotiveVehicle() {
    // The first of motiveVehicles, found without listing the train.
    CTrainItem* first = firstVehicle();
    if (first->isLocomotive() || first->isMonorail()) {
        return first;
    }
    CTrainItem* found = nullptr;
    first->walkChain(false, [&](CTrainItem* v) {
        if (found == nullptr && (v->isLocomotive() || v->isMonorail())) {
            found = v;
        }
    });
    return found;
}

bool CTrainItem::isSameTrain(const CTrainItem* v) const {
    if (v == nullptr) {
        return false;
    }
    if (v == this) {
        return true;
    }
    for (bool front : {true, false}) {
        bool met = false;
        walkChain(front, [&](const CTrainItem* w) { met = met || w == v; });
        if (met) {
            return true;
        }
    }
    return false;
}

bool CTrainItem::trainHasActiveDriver() {
    const auto members = trainMembers();
    return std::any_of(members.begin(), members.end(),
                       [](CTrainItem* v) { return v->isSelfPropelled() && v->active_; });
}

bool CTrainItem::isSelfPropelled() const {
    return isLocomotive() || isAutomobile() || (isMonorail() && frontNeighbour() == nullptr);
}

bool CTrainItem::isCompatibleWith(const CTrainItem* v) const {
    return v != nullptr && typesCompatible(typeCode_, v->typeCode_);
}

bool CTrainItem::isCameraTrain() {
    return isSameTrain(cameraTrain());
}

void CTrainItem::turnOne(bool reverseRunning) {
    position_.backward = position_.backward ? 0 : 1;
    directionFlipped_ = !directionFlipped_;
    if (reverseRunning) {
        reversedRunning_ = !reversedRunning_;
    }
    heading_ = {-heading_[0], -heading_[1]};
    updateCurrentStepInfo();
}

void CTrainItem::turn(bool propagate, bool reverseRunning) {
    runUnderRenderLock([&] {
        turnOne(reverseRunning);
        if (propagate) {
            for (bool front : {true, false}) {
                for (CTrainItem* v : chain(front)) {
                    v->turnOne(reverseRunning);
                }
            }
        }
    });
}

void CTrainItem::flipChainLinks() {
    const auto members = trainMembers();
    for (std::size_t i = 0; i < members.size(); ++i) {
        members[i]->frontLink_ = i + 1 < members.size() ? members[i + 1]->id_ : 0;
        members[i]->rearLink_ = i > 0 ? members[i - 1]->id_ : 0;
    }
}

void CTrainItem::uncouple(bool rearEnd) {
    if (rearEnd) {
        if (CTrainItem* n = rearNeighbour()) {
            n->frontLink_ = 0;
            rearLink_ = 0;
        }
    } else if (CTrainItem* n = frontNeighbour()) {
        n->rearLink_ = 0;
        frontLink_ = 0;
    }
}

bool CTrainItem::couple(CTrainItem* v, bool atTail) {
    CTrainItem* p = atTail ? tail() : head();
    if (p == nullptr || v == nullptr || !isValidPosition(position_) || isAutomobile() ||
        v->isAutomobile() || !isCompatibleWith(v) || isSameTrain(v) ||
        p->position_.line == nullptr || model::validLine(p->position_.line) == nullptr ||
        p->position_.line->points().empty()) {
        return false;
    }
    const bool D = p->directionFlipped_;
    const bool vBehind = (!D && atTail) || (D && !atTail);
    auto vLink = [&]() -> VehicleId& { return vBehind ? v->frontLink_ : v->rearLink_; };
    VehicleId& pLink = vBehind ? p->rearLink_ : p->frontLink_;
    if (vLink() != 0) {
        v->flipChainLinks();
    }
    if (pLink != 0 || vLink() != 0 || !p->placeBeside(v, atTail)) {
        return false;
    }
    pLink = v->id_;
    vLink() = p->id_;
    v->reversedRunning_ = reversedRunning_;
    v->directionFlipped_ = directionFlipped_;
    return true;
}

bool CTrainItem::placeBeside(CTrainItem* v, bool behind) {
    if (v == nullptr || v == this) {
        return false;
    }
    double s = couplingShare(*this);
    if (s == 0) {
        s = 44.0;
    }
    s += couplingShare(*v);
    TrackPosition placed = position_;
    bool crossed = false;
    if (!movePosition(placed, behind ? -s : s, crossed, nullptr)) {
        return false;
    }
    if (behind) {
        placed.backward = placed.backward ? 0 : 1;
    }
    v->position_ = placed;
    v->updateCurrentStepInfo();
    v->updatePlacement(true);
    return true;
}

// ----- lines -----

bool CTrainItem::canRunOnLine(const model::LineItem* line) const {
    return line != nullptr && typeRunsOnKind(typeCode_, line->getKind());
}

bool CTrainItem::isOnRailLine() const {
    return isValidPosition(position_) && position_.line->getKind() == 1;
}

bool CTrainItem::isOnRoadLine() const {
    return isValidPosition(position_) && position_.line->isKind2to4();
}

bool CTrainItem::isOnOwnMonorailLine() const {
    return isValidPosition(position_) && ((isMonorailA() && position_.line->isKind100()) ||
                                          (isMonorailB() && position_.line->isKind101()));
}

items::C3DItemObject* CTrainItem::findModel() const {
    return modelName_.empty() ? nullptr : items::getItemByFileName(modelName_);
}

void CTrainItem::notifyTraversedTiles(VehicleId head, bool entering) const {
    for (model::LineItem* line : traversedLines_) {
        if (model::validLine(line) == nullptr) {
            continue;
        }
        if (const model::CTrackItem* tile = line->getOwner()) {
            tile->notifyVehicle(head, entering);
        }
    }
}

// ----- wheel sets and 3D placement -----

bool CTrainItem::worldPoint1(const WorldScales& scales, model::Vec3d& point) const {
    return worldPointAt(wheelSet1_, scales, point);
}

bool CTrainItem::layoutPoint1(model::Vec3d& point) const {
    if (!isValidPosition(wheelSet1_)) {
        return false;
    }
    point = point1_;
    return true;
}

bool CTrainItem::gridPoint1(std::int16_t& x, std::int16_t& z) const {
    if (!isValidPosition(wheelSet1_)) {
        return false;
    }
    x = static_cast<std::int16_t>(grid1_[0]);
    z = static_cast<std::int16_t>(grid1_[1]);
    return true;
}

bool CTrainItem::boardPoint1(int& x, int& z) const {
    if (!isValidPosition(wheelSet1_)) {
        return false;
    }
    x = grid1_[0];
    z = grid1_[1];
    return true;
}

bool CTrainItem::boardPoint2(int& x, int& z) const {
    if (!isValidPosition(wheelSet2_)) {
        return false;
    }
    const std::array<std::int32_t, 2>& grid = wheelSet2_ == wheelSet1_ ? grid1_ : grid2_;
    x = grid[0];
    z = grid[1];
    return true;
}

bool CTrainItem::height1(double& h) const {
    if (!isValidPosition(wheelSet1_)) {
        return false;
    }
    h = height1_;
    return true;
}

bool CTrainItem::worldPoint2(const WorldScales& scales, model::Vec3d& point) const {
    return worldPointAt(wheelSet2_, scales, point);
}

bool CTrainItem::layoutPoint2(model::Vec3d& point) const {
    if (!isValidPosition(wheelSet2_)) {
        return false;
    }
    point = wheelSet2_ == wheelSet1_ ? point1_ : point2_;
    return true;
}

bool CTrainItem::gridPoint2(std::int16_t& x, std::int16_t& z) const {
    if (!isValidPosition(wheelSet2_)) {
        return false;
    }
    x = static_cast<std::int16_t>(wheelSet2_ == wheelSet1_ ? grid1_[0] : grid2_[0]);
    z = static_cast<std::int16_t>(wheelSet2_ == wheelSet1_ ? grid1_[1] : grid2_[1]);
    return true;
}

bool CTrainItem::height2(double& h) const {
    if (!isValidPosition(wheelSet2_)) {
        return false;
    }
    h = wheelSet2_ == wheelSet1_ ? height1_ : height2_;
    return true;
}

bool CTrainItem::wheelSetWorldPoints(const WorldScales& scales, model::Vec3d& p1,
                                     model::Vec3d& p2) const {
    if (!worldPoint1(scales, p1) || !worldPoint2(scales, p2)) {
        return false;
    }
    if (wheelSet2_ == wheelSet1_ && heading_ != std::array<double, 2>{}) {
        p2 = {p1.x + heading_[0] * 0.025 * scales.x, p1.y, p1.z + heading_[1] * 0.025 * scales.z};
    }
    return true;
}

bool CTrainItem::headingVectors(const WorldScales& scales, model::Vec3d& forward,
                                model::Vec3d& side) const {
    model::Vec3d p1;
    model::Vec3d p2;
    if (!wheelSetWorldPoints(scales, p1, p2)) {
        return false;
    }
    const double dx = p2.x - p1.x;
    const double dy = p2.y - p1.y;
    const double dz = p2.z - p1.z;
    const double horizontal = std::hypot(dx, dz);
    forward =
        horizontal > 0 ? model::Vec3d{dx / horizontal, 0, dz / horizontal} : model::Vec3d{1, 0, 0};
    const double full = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (full > 0) {
        // Up, less its share along the direction P1 → P2.
        const model::Vec3d d{dx / full, dy / full, dz / full};
        model::Vec3d up{-d.y * d.x, 1 - d.y * d.y, -d.y * d.z};
        const double n = std::sqrt(up.x * up.x + up.y * up.y + up.z * up.z);
        side = n > 0 ? model::Vec3d{up.x / n, up.y / n, up.z / n} : model::Vec3d{0, 1, 0};
    } else {
        side = {0, 1, 0};
    }
    return true;
}

bool CTrainItem::worldPlacement(const WorldScales& scales, model::Vec3d& point, double& yaw,
                                double& pitch) const {
    model::Vec3d p1;
    model::Vec3d p2;
    if (!wheelSetWorldPoints(scales, p1, p2)) {
        return false;
    }
    point = p1;
    yaw = reversedRunning_ ? -180.0 : 0.0;
    double h = model::directionAngle(p1.x, p1.z, p2.x, p2.z);
    if (h != 0) {
        h = std::fmod(h, 360.0);
        yaw -= h;
    }
    pitch = 0;
    if (p1.y != p2.y) {
        const double d = std::hypot(p2.x - p1.x, p2.z - p1.z);
        if (d != 0) {
            const double hp = model::directionAngle(0, p1.y, d, p2.y);
            pitch = reversedRunning_ ? -hp : hp;
        }
    }
    return true;
}

bool CTrainItem::modelBoxCorners(const WorldScales& scales,
                                 std::array<model::Vec3d, 8>& corners) const {
    const items::C3DItemObject* model = findModel();
    model::Vec3d p1;
    double yaw = 0;
    double pitch = 0;
    if (model == nullptr || !worldPlacement(scales, p1, yaw, pitch)) {
        return false;
    }
    const items::BoundingBox box = model->boundingBox(1.0);
    for (int i = 0; i < 8; ++i) {
        const model::Vec3d c{(i & 1) ? box.max.x : box.min.x, (i & 2) ? box.max.y : box.min.y,
                             (i & 4) ? box.max.z : box.min.z};
        corners[i] = plus(turnAboutY(turnAboutZ(c, pitch), yaw), p1);
    }
    return true;
}

bool CTrainItem::lampTransform(int lamp, const WorldScales& scales, model::Vec3d& point) const {
    const items::C3DItemObject* model = findModel();
    model::Vec3d p1;
    double yaw = 0;
    double pitch = 0;
    if (model == nullptr || lamp < 0 || lamp > 1 || (model->lampMask() & (1u << lamp)) == 0 ||
        !worldPlacement(scales, p1, yaw, pitch)) {
        return false;
    }
    const auto lampPoint = model->lampPoint(lamp, 1.0, reversedRunning_);
    const model::Vec3d local{lampPoint.x, lampPoint.y, lampPoint.z};
    point = plus(turnAboutY(turnAboutZ(local, pitch), yaw), p1);
    return true;
}

} // namespace trains
