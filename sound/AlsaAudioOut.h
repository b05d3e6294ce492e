#pragma once
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "sound/AudioOut.h"

namespace sound {

// Waveform output through ALSA. Device −1 is "default"; the sound cards follow by number as
// "plughw:N". Buffers are played in order by a thread of its own, which then returns them;
// reset drops what is queued and returns every pending buffer.
class AlsaAudioOut final : public AudioOut {
public:
    AlsaAudioOut();
    ~AlsaAudioOut() override;

    std::vector<AudioDevice> devices() override;
    bool open(std::int32_t deviceId, const WaveFormat& format, AudioDone done) override;
    bool isOpen() const override;
    void close() override;
    bool write(int buffer, std::span<const std::uint8_t> bytes) override;
    void reset() override;

private:
    struct Item {
        int buffer;
        std::span<const std::uint8_t> bytes;
    };
    void run();

    void* pcm_ = nullptr; // snd_pcm_t
    std::size_t frameBytes_ = 0;
    AudioDone done_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable resetDone_;
    std::deque<Item> queue_;
    bool quit_ = false;
    bool resetAsked_ = false;
    std::thread thread_;
};

} // namespace sound
