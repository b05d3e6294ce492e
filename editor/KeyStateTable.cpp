#include "editor/KeyStateTable.h"

#include <Qt>

#include <cmath>

#include "render/CDocumentRenderer.h"

namespace editor {

void KeyStateTable::press(int key, bool autoRepeat) {
    if (!autoRepeat) {
        down_.insert(key);
    }
}

void KeyStateTable::release(int key, bool autoRepeat) {
    if (!autoRepeat) {
        down_.erase(key);
    }
}

bool pollWalkKeys(const KeyStateTable& keys, render::CDocumentRenderer& renderer) {
    const bool forward = keys.isDown(Qt::Key_W) || keys.isDown(Qt::Key_Up);
    const bool back = keys.isDown(Qt::Key_S) || keys.isDown(Qt::Key_Down);
    const bool left = keys.isDown(Qt::Key_Left);
    const bool right = keys.isDown(Qt::Key_Right);
    const bool strafeLeft = keys.isDown(Qt::Key_A);
    const bool strafeRight = keys.isDown(Qt::Key_D);
    const bool run = keys.isDown(Qt::Key_Shift);
    const int turn = (right ? 1 : 0) - (left ? 1 : 0);
    const int ahead = (forward ? 1 : 0) - (back ? 1 : 0);
    const int side = (strafeRight ? 1 : 0) - (strafeLeft ? 1 : 0);

    if (renderer.cameraMode() != render::ModeWalk) {
        // Forward is a negative pitch step: the view tips towards the layout.
        if (turn == 0 && ahead == 0) {
            return false;
        }
        renderer.keyTurn(turn, -ahead, run);
        return true;
    }
    if (turn == 0 && ahead == 0 && side == 0) {
        return false;
    }
    const render::CameraState& state = renderer.cameraState();
    render::Vec3 eye = state.eye;
    render::Vec3 target = state.target;
    if (turn != 0) {
        // The walk yaw is used up by the next pose; turning left is a positive yaw.
        renderer.setWalkAngles(-turn * (run ? 6.0 : 2.0), state.ridePitch);
    }
    const double dx = target.x - eye.x;
    const double dz = target.z - eye.z;
    const double length = std::hypot(dx, dz);
    if ((ahead != 0 || side != 0) && length > 0) {
        const double step = renderer.sceneMetrics().tileSize * (run ? 0.15 : 0.05);
        const double fx = dx / length;
        const double fz = dz / length;
        // Right of the direction of view, y up.
        const double rx = -fz;
        const double rz = fx;
        const double mx = step * (ahead * fx + side * rx);
        const double mz = step * (ahead * fz + side * rz);
        eye.x += mx;
        eye.z += mz;
        target.x += mx;
        target.z += mz;
        renderer.setEyeTarget(eye, target);
    }
    return true;
}

} // namespace editor
