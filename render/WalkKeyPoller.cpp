#include "render/WalkKeyPoller.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "render/CDocumentRenderer.h"
#include "render/VectorTurns.h"
#include "trains/CTrainItem.h"
#include "trains/VehicleRegistry.h"

namespace render {
namespace {

double steadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Adds the speed gained in one poll: the time the keys have been held × the acceleration,
// three times that below half the maximum, never above the maximum.
double accelerate(double speed, double held, double acceleration, double maximum) {
    const double gain = held * acceleration * (speed < maximum / 2 ? 3.0 : 1.0);
    return std::min(speed + gain, maximum);
}

} // namespace

WalkKeyBindings WalkKeyBindings::fromPreferences(const model::PreferenceData& preferences) {
    const auto code = [&](model::WalkKey key) { return preferences.keys[key].keyCode; };
    WalkKeyBindings b;
    b.forward = code(model::WalkForward);
    b.back = code(model::WalkBack);
    b.turnLeft = code(model::WalkTurnLeft);
    b.turnRight = code(model::WalkTurnRight);
    b.run = code(model::WalkRun);
    b.strafeLeft = code(model::WalkMoveLeft);
    b.strafeRight = code(model::WalkMoveRight);
    b.stand = code(model::WalkStand);
    b.crouch = code(model::WalkCrouch);
    return b;
}

WalkKeysHeld WalkKeysHeld::read(const KeyStateTable& keys, const WalkKeyBindings& b) {
    // A slot without a key (code 0) is never held.
    const auto down = [&](int code) { return code != 0 && keys.isDown(code); };
    WalkKeysHeld h;
    h.forward = down(b.forward) || keys.isDown(kVirtualUp);
    h.back = down(b.back) || keys.isDown(kVirtualDown);
    h.turnLeft = down(b.turnLeft) || keys.isDown(kVirtualLeft);
    h.turnRight = down(b.turnRight) || keys.isDown(kVirtualRight);
    h.strafeLeft = down(b.strafeLeft);
    h.strafeRight = down(b.strafeRight);
    h.stand = down(b.stand);
    h.crouch = down(b.crouch);
    h.run = keys.isDown(kVirtualShift);
    return h;
}

WalkKeyPoller::WalkKeyPoller(Clock clock) : clock_(std::move(clock)) {
    if (!clock_) {
        clock_ = steadySeconds;
    }
}

void WalkKeyPoller::reset() {
    motion_ = WalkMotion{};
}

WalkPollResult WalkKeyPoller::poll(const KeyStateTable& keys, CDocumentRenderer& renderer) {
    if (renderer.cameraMode() != lastMode_) {
        reset();
        lastMode_ = renderer.cameraMode();
    }
    trains::CTrainItem* vehicle =
        renderer.cameraMode() == ModeChase ? trains::cameraTrain() : nullptr;
    if (vehicle == nullptr) {
        return poll(keys, renderer.camera(), renderer.walkArea());
    }
    ChaseOffsets chase{vehicle->chaseHeightOffset(), vehicle->chaseSideOffset()};
    const WalkPollResult result = poll(keys, renderer.camera(), renderer.walkArea(), &chase);
    vehicle->setChaseOffsets(chase.height, chase.side);
    return result;
}

WalkPollResult WalkKeyPoller::poll(const KeyStateTable& keys, Camera& camera, const WalkArea& area,
                                   ChaseOffsets* chase) {
    const WalkKeysHeld held = WalkKeysHeld::read(keys, bindings_);
    if (camera.state().mode == ModeWalk) {
        return pollWalk(held, camera, area);
    }
    const int yaw = (held.turnRight ? 1 : 0) - (held.turnLeft ? 1 : 0);
    const int pitch = (held.back ? 1 : 0) - (held.forward ? 1 : 0);
    WalkPollResult result;
    result.keepPolling = held.any();
    if (camera.state().mode == ModeChase && chase != nullptr) {
        // The first of forward, back, strafe left and strafe right moves the chasing eye.
        ChaseOffsets next = *chase;
        if (held.forward) {
            next.height += kChaseStep;
        } else if (held.back) {
            next.height -= kChaseStep;
        } else if (held.strafeLeft) {
            next.side -= kChaseStep;
        } else if (held.strafeRight) {
            next.side += kChaseStep;
        }
        const auto inside = [](double v) { return v > -kChaseLimit && v < kChaseLimit; };
        if ((next.height != chase->height || next.side != chase->side) && inside(next.height) &&
            inside(next.side)) {
            *chase = next;
            result.moved = true;
        }
    }
    if (yaw != 0 || pitch != 0) {
        const CameraState before = camera.state();
        camera.keyTurn(yaw, pitch, held.run);
        const CameraState& after = camera.state();
        result.moved = result.moved || after.layoutYaw != before.layoutYaw ||
                       after.layoutPitch != before.layoutPitch || after.rideYaw != before.rideYaw ||
                       after.ridePitch != before.ridePitch;
    }
    return result;
}

WalkPollResult WalkKeyPoller::pollWalk(const WalkKeysHeld& held, Camera& camera,
                                       const WalkArea& area) {
    using namespace turns;
    WalkMotion& m = motion_;
    const double now = clock_();
    const bool pressed = held.any();
    if (pressed) {
        if (!m.pressing) {
            m.pressing = true;
            m.pressTime = now;
            m.lastStepTime = now;
        }
        m.releasing = false;
        const double heldFor = std::max(now - m.pressTime, 0.0);
        m.moveSpeed = accelerate(m.moveSpeed, heldFor, m.moveAcceleration, m.maxMoveSpeed);
        m.turnSpeed = accelerate(m.turnSpeed, heldFor, m.turnAcceleration, m.maxTurnSpeed);
        m.lastKeys = held;
    } else {
        m.pressing = false;
        if (!m.releasing) {
            m.releasing = true;
            m.releaseTime = now;
        }
    }
    const bool gliding = !pressed && (m.moveSpeed > 0 || m.turnSpeed > 0);
    const WalkKeysHeld acting = pressed ? held : gliding ? m.lastKeys : WalkKeysHeld{};
    const double factor = acting.run ? 3.0 : 1.0;
    const double t = area.metrics().tileSize;
    const double dt = std::max(now - m.lastStepTime, 0.0);

    CameraState& s = camera.state();
    CameraPose pose{s.eye, s.target, {0, 1, 0}};
    bool moved = false;

    // Turning: left turns the view anticlockwise seen from above.
    if (acting.turnLeft != acting.turnRight) {
        const double angle = dt * m.turnSpeed * factor * (acting.turnLeft ? 1.0 : -1.0);
        CameraPose turned = pose;
        turned.target = add(pose.eye, turnAboutY(sub(pose.target, pose.eye), angle));
        if (angle != 0 && area.check(turned, false)) {
            pose = turned;
            moved = true;
        }
    }

    // Moving: sideways, forward and back relative to the direction of view, on level ground
    // or down, never up a step of 0.35 tiles or more.
    const double distance = dt * m.moveSpeed * t * factor;
    const struct {
        bool on;
        double ahead;
        double side;
    } moves[] = {{acting.strafeLeft, 0, -1},
                 {acting.strafeRight, 0, 1},
                 {acting.forward, 1, 0},
                 {acting.back, -1, 0}};
    for (const auto& move : moves) {
        if (!move.on || !(distance > 0)) {
            continue;
        }
        const double dx = pose.target.x - pose.eye.x;
        const double dz = pose.target.z - pose.eye.z;
        const double length = std::hypot(dx, dz);
        if (!(length > 0)) {
            continue;
        }
        const double fx = dx / length;
        const double fz = dz / length;
        // Right of the direction of view, y up.
        const double mx = distance * (move.ahead * fx - move.side * fz);
        const double mz = distance * (move.ahead * fz + move.side * fx);
        CameraPose next = pose;
        next.eye.x += mx;
        next.eye.z += mz;
        next.target.x += mx;
        next.target.z += mz;
        const double groundBefore = area.groundAt(pose.eye.x, pose.eye.z);
        const double groundAfter = area.groundAt(next.eye.x, next.eye.z);
        if (groundAfter - groundBefore >= kStepUpLimit * t || !area.check(next, false)) {
            continue;
        }
        if (groundBefore > 0 && groundAfter == 0) {
            s.ridePitch = 0;
        }
        pose = next;
        moved = true;
    }

    // Crouching and standing up, only while the key is held.
    if (held.crouch && pose.eye.y - kCrouchStep >= kCrouchStep) {
        pose.eye.y -= kCrouchStep;
        pose.target.y -= kCrouchStep;
        moved = true;
    } else if (held.stand && pose.eye.y + kCrouchStep <= kWalkEyeHeightLimit * t) {
        pose.eye.y += kCrouchStep;
        pose.target.y += kCrouchStep;
        moved = true;
    }

    if (moved) {
        CameraPose settled = pose;
        if (area.check(settled, true)) {
            s.eye = settled.eye;
            s.target = settled.target;
        } else {
            moved = false;
        }
    }
    // Each step covers the time since the previous poll, gliding or not.
    m.lastStepTime = now;
    if (!pressed && (m.moveSpeed > 0 || m.turnSpeed > 0)) {
        const double since = std::max(now - m.releaseTime, 0.0);
        m.moveSpeed = std::max(m.moveSpeed - since * m.moveAcceleration / 2, 0.0);
        m.turnSpeed = std::max(m.turnSpeed - since * m.turnAcceleration / 2, 0.0);
    }
    WalkPollResult result;
    result.moved = moved;
    result.keepPolling = pressed || m.moveSpeed > 0 || m.turnSpeed > 0;
    return result;
}

} // namespace render
