#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <semaphore>
#include <span>
#include <vector>

#include "sound/AudioOut.h"
#include "sound/WaveFile.h"

namespace sound {

// The player of the running sound: streams one wave file through three buffers of 12288
// bytes on a waveform output. Its volume is a gain applied to the samples as they are copied
// into the buffers (the system's mixer is never touched): the low 16 bits the left channel,
// the high 16 bits the right, 0xFFFF full. The completion call of the output may run on a
// thread of its own; the state, the queued count and the buffer cycling change only under the
// lock.
class CPlaySound {
public:
    static constexpr int kBufferCount = 3;
    static constexpr std::int32_t kBufferSize = 0x3000;

    // Lists the output's devices; without an output, the system's (ALSA, or silent).
    explicit CPlaySound(std::unique_ptr<AudioOut> out = {});
    virtual ~CPlaySound();
    CPlaySound(const CPlaySound&) = delete;
    CPlaySound& operator=(const CPlaySound&) = delete;

    // The stream's volume; 0 when no device is open.
    virtual std::uint32_t getVolume();
    // Nothing when no device is open.
    virtual void setVolume(std::uint32_t volume);

    bool loadWaveFile(const std::filesystem::path& path);
    // The same from bytes in memory (`name` stands in for the path in messages).
    bool loadWaveBytes(std::vector<std::uint8_t> bytes, std::string name);
    // Stops, closes any open device, then opens the listed device at `index` with `format`.
    bool openDevice(int index, const WaveFormat& format);
    bool play();
    bool stop();
    std::int32_t state();
    // Queues buffers of the wave file until three are queued or the data ends; false only
    // without a wave file. Call it holding the lock.
    bool FillBuffer();

    const std::vector<AudioDevice>& devices() const { return devices_; }
    std::int32_t queued();
    const CWaveFile* waveFile() const { return waveFile_.get(); }
    bool isDeviceOpen() const { return deviceOpen_; }

    // Scales the samples of `bytes` (8-bit unsigned or 16-bit signed PCM, channels
    // interleaved) by the volume; other formats are left as they are.
    static void applyGain(std::span<std::uint8_t> bytes, const WaveFormat& format,
                          std::uint32_t volume);

private:
    void bufferDone(int buffer);
    void closeDevice();

    std::unique_ptr<AudioOut> out_;
    std::vector<AudioDevice> devices_;
    bool deviceOpen_ = false;
    std::int32_t deviceId_ = 0;
    WaveFormat format_;
    std::array<std::vector<std::uint8_t>, kBufferCount> buffers_;
    std::int32_t nextBuffer_ = 0;
    std::int32_t queued_ = 0;
    std::unique_ptr<CWaveFile> waveFile_;
    std::int32_t state_ = 0;
    std::uint32_t savedVolume_ = 0xFFFFFFFFu;
    std::atomic<std::uint32_t> volume_{0xFFFFFFFFu};
    std::binary_semaphore lock_{1};
};

} // namespace sound
