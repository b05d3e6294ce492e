#include "sound/CPlaySound.h"

#include <algorithm>
#include <cstdio>

#include "platform/Debug.h"

namespace sound {

namespace {

// The semaphore used as a mutex.
class Held {
public:
    explicit Held(std::binary_semaphore& s) : s_(&s) { s_->acquire(); }
    ~Held() { release(); }
    void release() {
        if (s_ != nullptr) {
            s_->release();
            s_ = nullptr;
        }
    }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

private:
    std::binary_semaphore* s_;
};

void debugLine(const char* format, const std::string& name, int id) {
    char text[512];
    std::snprintf(text, sizeof text, format, name.c_str(), id);
    platform::debugOut(text);
}

} // namespace

CPlaySound::CPlaySound(std::unique_ptr<AudioOut> out)
    : out_(out ? std::move(out) : makeSystemAudioOut()) {
    for (auto& b : buffers_) {
        b.assign(kBufferSize, 0);
    }
    platform::debugOut("== Creating WAVE OUT Device List ==\n");
    for (const auto& d : out_->devices()) {
        devices_.push_back(d);
        debugLine("New wave output device : %s (%d)\n", d.name, d.id);
    }
    platform::debugOut("== End ==\n");
}

CPlaySound::~CPlaySound() {
    stop();
    closeDevice();
    waveFile_.reset();
}

void CPlaySound::closeDevice() {
    if (deviceOpen_) {
        setVolume(savedVolume_);
        out_->close();
        deviceOpen_ = false;
        const Held held(lock_);
        queued_ = 0;
        nextBuffer_ = 0;
    }
}

std::uint32_t CPlaySound::getVolume() {
    return deviceOpen_ ? volume_.load() : 0u;
}

void CPlaySound::setVolume(std::uint32_t volume) {
    if (deviceOpen_) {
        volume_ = volume;
    }
}

bool CPlaySound::loadWaveFile(const std::filesystem::path& path) {
    waveFile_.reset();
    auto file = std::make_unique<CWaveFile>();
    if (!file->open(path)) {
        return false;
    }
    waveFile_ = std::move(file);
    return true;
}

bool CPlaySound::loadWaveBytes(std::vector<std::uint8_t> bytes, std::string name) {
    waveFile_.reset();
    auto file = std::make_unique<CWaveFile>();
    if (!file->openBytes(std::move(bytes), std::move(name))) {
        return false;
    }
    waveFile_ = std::move(file);
    return true;
}

bool CPlaySound::openDevice(int index, const WaveFormat& format) {
    stop();
    closeDevice();
    if (index < 0 || index >= static_cast<int>(devices_.size())) {
        return false;
    }
    const AudioDevice& device = devices_[static_cast<std::size_t>(index)];
    deviceId_ = device.id;
    format_ = format;
    if (out_->open(deviceId_, format_, [this](int buffer) { bufferDone(buffer); })) {
        deviceOpen_ = true;
        debugLine("WAVE OUT Device Open Success : %s(%d)\n", device.name, device.id);
        return true;
    }
    debugLine("WAVE Out Device Open Error : %s(%d)\n", device.name, device.id);
    return false;
}

void CPlaySound::applyGain(std::span<std::uint8_t> bytes, const WaveFormat& format,
                           std::uint32_t volume) {
    if (format.formatTag != kWaveFormatPcm || format.channels == 0 || volume == 0xFFFFFFFFu) {
        return;
    }
    const std::uint32_t gains[2] = {volume & 0xFFFFu, volume >> 16};
    const std::size_t channels = format.channels;
    if (format.bitsPerSample == 16) {
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
            const std::uint32_t g = gains[(i / 2) % channels == 0 ? 0 : 1];
            const auto s = static_cast<std::int16_t>(bytes[i] | (bytes[i + 1] << 8));
            const auto scaled = static_cast<std::int16_t>(static_cast<std::int32_t>(s) *
                                                          static_cast<std::int32_t>(g) / 0xFFFF);
            const auto u = static_cast<std::uint16_t>(scaled);
            bytes[i] = static_cast<std::uint8_t>(u & 0xFF);
            bytes[i + 1] = static_cast<std::uint8_t>(u >> 8);
        }
    } else if (format.bitsPerSample == 8) {
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const std::uint32_t g = gains[i % channels == 0 ? 0 : 1];
            const int centred = static_cast<int>(bytes[i]) - 128;
            bytes[i] = static_cast<std::uint8_t>(centred * static_cast<int>(g) / 0xFFFF + 128);
        }
    }
}

bool CPlaySound::FillBuffer() {
    if (!waveFile_) {
        return false;
    }
    while (queued_ < kBufferCount) {
        auto& buffer = buffers_[static_cast<std::size_t>(nextBuffer_)];
        const std::size_t n = waveFile_->read(buffer);
        if (n == 0) {
            break;
        }
        const std::span<std::uint8_t> filled(buffer.data(), n);
        applyGain(filled, waveFile_->format(), volume_);
        if (!out_->write(nextBuffer_, filled)) {
            platform::debugOut("Error in CPlaySound::FillBuffer\n");
            break;
        }
        queued_ = std::min(queued_ + 1, kBufferCount);
        nextBuffer_ = (nextBuffer_ + 1) % kBufferCount;
    }
    return true;
}

void CPlaySound::bufferDone(int /*buffer*/) {
    const Held held(lock_);
    queued_ = std::max(queued_ - 1, 0);
    if (state_ != 0) {
        FillBuffer();
        if (queued_ == 0) {
            // Everything has played: stop and start from the beginning next time.
            state_ = 0;
            if (waveFile_) {
                waveFile_->rewind();
            }
        }
    }
}

bool CPlaySound::play() {
    const Held held(lock_);
    if (!deviceOpen_) {
        return false;
    }
    savedVolume_ = getVolume();
    if (state_ == 0) {
        if (!FillBuffer()) {
            return false;
        }
        state_ = 1;
    }
    return true;
}

bool CPlaySound::stop() {
    Held held(lock_);
    if (!deviceOpen_) {
        return false;
    }
    if (state_ == 1) {
        state_ = 0;
        // The reset returns the buffers through the completion call, which takes the lock.
        held.release();
        out_->reset();
        if (waveFile_) {
            waveFile_->rewind();
        }
    }
    return true;
}

std::int32_t CPlaySound::state() {
    const Held held(lock_);
    return state_;
}

std::int32_t CPlaySound::queued() {
    const Held held(lock_);
    return queued_;
}

} // namespace sound
