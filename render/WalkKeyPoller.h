#pragma once
#include <functional>

#include "model/DocumentRecords.h"
#include "render/Camera.h"
#include "render/KeyStateTable.h"
#include "render/WalkArea.h"

namespace render {

class CDocumentRenderer;

// The virtual-key codes of the walk keys, in the order of the preference table.
struct WalkKeyBindings {
    int forward = 'W';
    int back = 'S';
    int turnLeft = 37;
    int turnRight = 39;
    int run = 16;
    int strafeLeft = 'A';
    int strafeRight = 'D';
    int stand = 'X';
    int crouch = 'Z';

    static WalkKeyBindings fromPreferences(const model::PreferenceData& preferences);
};

inline constexpr int kVirtualShift = 16;
inline constexpr int kVirtualLeft = 37;
inline constexpr int kVirtualUp = 38;
inline constexpr int kVirtualRight = 39;
inline constexpr int kVirtualDown = 40;

// The walk keys as one poll reads them: forward, back and the turns also answer to the
// arrows; running is the Shift key itself, whatever the table says.
struct WalkKeysHeld {
    bool forward = false;
    bool back = false;
    bool turnLeft = false;
    bool turnRight = false;
    bool strafeLeft = false;
    bool strafeRight = false;
    bool stand = false;
    bool crouch = false;
    bool run = false;

    static WalkKeysHeld read(const KeyStateTable& keys, const WalkKeyBindings& bindings);
    // Any of the keys that move or turn (Shift alone is not a press).
    bool any() const {
        return forward || back || turnLeft || turnRight || strafeLeft || strafeRight || stand ||
               crouch;
    }
};

// The walker's speeds and times, reset each time polling starts.
struct WalkMotion {
    double moveSpeed = 0;
    double maxMoveSpeed = 1.0;
    double moveAcceleration = 0.35;
    double turnSpeed = 0;
    double maxTurnSpeed = 30.0;
    double turnAcceleration = 6.0;
    bool pressing = false;
    double pressTime = 0;
    bool releasing = false;
    double releaseTime = 0;
    double lastStepTime = 0;
    WalkKeysHeld lastKeys;
};

// The chase view's offsets from the camera vehicle's chase point (tiles up and to the side),
// which the chase keys move in steps of 0.1 while they stay inside ±1.5.
struct ChaseOffsets {
    double height = 0;
    double side = 0;
};

struct WalkPollResult {
    // The camera changed: the view should repaint.
    bool moved = false;
    // Keys are down or the walker still slows down: poll again in 10 ms.
    bool keepPolling = false;
};

// Moves the camera from held keys, polled every 10 ms while keys are down. The standard and
// riding views turn by whole-degree steps; the walk view accelerates to 1 tile (3 running) a
// second and 30 degrees a second, glides to a stop after the keys are released, and only
// goes where the walk area allows and the ground does not rise by 0.35 tiles or more in one
// step.
class WalkKeyPoller {
public:
    using Clock = std::function<double()>;
    // `clock` gives seconds; the steady clock when empty.
    explicit WalkKeyPoller(Clock clock = {});

    void setBindings(const WalkKeyBindings& bindings) { bindings_ = bindings; }
    const WalkKeyBindings& bindings() const { return bindings_; }
    // Back to standing still; the next poll starts a new press.
    void reset();
    const WalkMotion& motion() const { return motion_; }

    // One poll of `keys` acting on `camera`. The walk view's moves are tested by `area`; in the
    // chase view forward / back raise / lower the eye and strafe moves it aside, through
    // `chase` (nothing when null).
    WalkPollResult poll(const KeyStateTable& keys, Camera& camera, const WalkArea& area,
                        ChaseOffsets* chase = nullptr);
    // The same on the renderer's camera and walk area, with the chase offsets of the camera
    // train. A change of mode since the last poll starts over from standing still.
    WalkPollResult poll(const KeyStateTable& keys, CDocumentRenderer& renderer);

    static constexpr double kStepUpLimit = 0.35;
    static constexpr double kCrouchStep = 0.03125;
    // The stored eye rises at most this many tiles above the ground.
    static constexpr double kWalkEyeHeightLimit = 0.5;
    static constexpr double kChaseStep = 0.1;
    static constexpr double kChaseLimit = 1.5;

private:
    WalkPollResult pollWalk(const WalkKeysHeld& held, Camera& camera, const WalkArea& area);

    Clock clock_;
    WalkKeyBindings bindings_;
    WalkMotion motion_;
    int lastMode_ = -1;
};

} // namespace render
