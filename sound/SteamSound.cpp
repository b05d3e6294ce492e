#include "sound/SteamSound.h"

#include "sound/CPlaySound.h"

namespace sound {

SteamSoundDecision decideSteamSound(bool noSound, const SteamSoundInputs& inputs) {
    SteamSoundDecision d;
    if (noSound || !inputs.hasController) {
        return d;
    }
    for (const auto& v : inputs.vehicles) {
        if (v.steam && v.active && !v.blocked && v.speed > 0) {
            d.wanted = true;
            break;
        }
    }
    if (d.wanted && inputs.hasRenderer) {
        if (inputs.cameraMode != 0 && inputs.cameraMode != 5) {
            d.volume = inputs.cameraTrainIsSteam ? kVolumeFull : kVolumeQuarter;
        } else {
            d.volume = kVolumeHalf;
        }
    }
    return d;
}

SteamSound::SteamSound(std::unique_ptr<CPlaySound> player, bool noSound)
    : player_(std::move(player)), noSound_(noSound) {}

SteamSound::~SteamSound() {
    if (player_ && player_->state() != 0) {
        player_->stop();
    }
}

void SteamSound::tick(const SteamSoundInputs& inputs) {
    const SteamSoundDecision d = decideSteamSound(noSound_, inputs);
    if (d.wanted) {
        if (player_->state() == 1) {
            return;
        }
        player_->play();
        if (player_->getVolume() != d.volume) {
            player_->setVolume(d.volume);
        }
    } else if (player_->state() != 0) {
        player_->stop();
    }
}

} // namespace sound
