#pragma once
#include <cstdint>
#include <memory>
#include <vector>

namespace sound {

class CPlaySound;

// What the running sound depends on, read from the trains and the 3D view at one tick.
struct SteamSoundInputs {
    // A vehicle of the train controller as the sound sees it.
    struct Vehicle {
        bool steam = false;
        bool active = false;
        bool blocked = false;
        double speed = 0;
    };
    bool hasController = false;
    std::vector<Vehicle> vehicles;
    bool hasRenderer = false;
    int cameraMode = 0;
    bool cameraTrainIsSteam = false;
};

struct SteamSoundDecision {
    bool wanted = false;
    // 0 (silent) without a renderer.
    std::uint32_t volume = 0;
};

inline constexpr std::uint32_t kVolumeFull = 0xFFFFFFFFu;
inline constexpr std::uint32_t kVolumeHalf = 0x80008000u;
inline constexpr std::uint32_t kVolumeQuarter = 0x40004000u;

// Wanted when the sound is allowed and some steam locomotive is active, not blocked and
// moving. The volume: half in the layout and walking camera modes (0 and 5), else full when
// the camera rides a steam locomotive and a quarter when it does not.
SteamSoundDecision decideSteamSound(bool noSound, const SteamSoundInputs& inputs);

// The running sound of one 3D view: the "no sound" preference is read once, when the view is
// made, and kept.
class SteamSound {
public:
    SteamSound(std::unique_ptr<CPlaySound> player, bool noSound);
    ~SteamSound();

    // One tick of the view's 5 ms timer: starts the sound (setting the volume as it starts)
    // when it is wanted and not playing, stops it when it is not wanted.
    void tick(const SteamSoundInputs& inputs);
    CPlaySound& player() { return *player_; }
    bool noSound() const { return noSound_; }

private:
    std::unique_ptr<CPlaySound> player_;
    bool noSound_;
};

} // namespace sound
