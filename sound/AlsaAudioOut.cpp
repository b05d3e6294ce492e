#include "sound/AlsaAudioOut.h"

#include <alsa/asoundlib.h>

#include <cstdarg>
#include <cstdio>

#include "platform/Debug.h"

namespace sound {

namespace {

snd_pcm_t* handle(void* p) {
    return static_cast<snd_pcm_t*>(p);
}

// ALSA's own error lines go to the debug output, not to the user's terminal.
void quietErrors(const char* file, int line, const char* function, int err, const char* fmt, ...) {
    if (!platform::debugEnabled()) {
        return;
    }
    char text[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    char full[768];
    std::snprintf(full, sizeof full, "ALSA %s:%d %s (%d): %s", file, line, function, err, text);
    platform::debugOut(full);
}

std::string deviceName(std::int32_t id) {
    return id < 0 ? std::string("default") : "plughw:" + std::to_string(id);
}

} // namespace

AlsaAudioOut::AlsaAudioOut() {
    snd_lib_error_set_handler(&quietErrors);
}

AlsaAudioOut::~AlsaAudioOut() {
    close();
}

std::vector<AudioDevice> AlsaAudioOut::devices() {
    std::vector<AudioDevice> list;
    list.push_back(AudioDevice{-1, "default"});
    int card = -1;
    while (snd_card_next(&card) == 0 && card >= 0) {
        char* name = nullptr;
        if (snd_card_get_name(card, &name) == 0 && name != nullptr) {
            list.push_back(AudioDevice{card, name});
            std::free(name);
        }
    }
    return list;
}

bool AlsaAudioOut::open(std::int32_t deviceId, const WaveFormat& format, AudioDone done) {
    close();
    snd_pcm_format_t sampleFormat = SND_PCM_FORMAT_UNKNOWN;
    if (format.formatTag == kWaveFormatPcm && format.bitsPerSample == 8) {
        sampleFormat = SND_PCM_FORMAT_U8;
    } else if (format.formatTag == kWaveFormatPcm && format.bitsPerSample == 16) {
        sampleFormat = SND_PCM_FORMAT_S16_LE;
    }
    if (sampleFormat == SND_PCM_FORMAT_UNKNOWN || format.channels == 0 ||
        format.samplesPerSecond == 0) {
        return false;
    }
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, deviceName(deviceId).c_str(), SND_PCM_STREAM_PLAYBACK, 0) < 0) {
        return false;
    }
    if (snd_pcm_set_params(pcm, sampleFormat, SND_PCM_ACCESS_RW_INTERLEAVED, format.channels,
                           format.samplesPerSecond, 1, 200000) < 0) {
        snd_pcm_close(pcm);
        return false;
    }
    pcm_ = pcm;
    frameBytes_ = static_cast<std::size_t>(format.channels) * (format.bitsPerSample / 8);
    done_ = std::move(done);
    quit_ = false;
    resetAsked_ = false;
    thread_ = std::thread([this] { run(); });
    return true;
}

bool AlsaAudioOut::isOpen() const {
    const std::lock_guard lock(mutex_);
    return pcm_ != nullptr;
}

void AlsaAudioOut::close() {
    if (!thread_.joinable()) {
        return;
    }
    reset();
    {
        const std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    thread_.join();
    snd_pcm_close(handle(pcm_));
    const std::lock_guard lock(mutex_);
    pcm_ = nullptr;
    done_ = nullptr;
}

bool AlsaAudioOut::write(int buffer, std::span<const std::uint8_t> bytes) {
    {
        const std::lock_guard lock(mutex_);
        if (pcm_ == nullptr || quit_) {
            return false;
        }
        queue_.push_back(Item{buffer, bytes});
    }
    wake_.notify_all();
    return true;
}

void AlsaAudioOut::reset() {
    std::unique_lock lock(mutex_);
    if (!thread_.joinable() || quit_) {
        return;
    }
    resetAsked_ = true;
    wake_.notify_all();
    resetDone_.wait(lock, [this] { return !resetAsked_; });
}

void AlsaAudioOut::run() {
    // Buffers are written in pieces so that a reset is seen within one piece.
    constexpr std::size_t kPieceFrames = 1024;
    for (;;) {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [this] { return quit_ || resetAsked_ || !queue_.empty(); });
        if (resetAsked_) {
            std::vector<int> returned;
            for (const auto& item : queue_) {
                returned.push_back(item.buffer);
            }
            queue_.clear();
            lock.unlock();
            snd_pcm_drop(handle(pcm_));
            snd_pcm_prepare(handle(pcm_));
            for (int b : returned) {
                done_(b);
            }
            lock.lock();
            resetAsked_ = false;
            resetDone_.notify_all();
            continue;
        }
        if (quit_) {
            return;
        }
        const Item item = queue_.front();
        lock.unlock();
        std::size_t offset = 0;
        bool interrupted = false;
        while (offset + frameBytes_ <= item.bytes.size()) {
            {
                const std::lock_guard check(mutex_);
                if (resetAsked_ || quit_) {
                    interrupted = true;
                    break;
                }
            }
            const std::size_t frames =
                std::min(kPieceFrames, (item.bytes.size() - offset) / frameBytes_);
            snd_pcm_sframes_t n = snd_pcm_writei(handle(pcm_), item.bytes.data() + offset,
                                                 static_cast<snd_pcm_uframes_t>(frames));
            if (n < 0) {
                n = snd_pcm_recover(handle(pcm_), static_cast<int>(n), 1);
                if (n < 0) {
                    break; // the device failed: the buffer counts as played
                }
                continue;
            }
            offset += static_cast<std::size_t>(n) * frameBytes_;
        }
        if (interrupted) {
            continue; // the reset returns the buffer with the rest of the queue
        }
        lock.lock();
        if (!queue_.empty() && queue_.front().buffer == item.buffer) {
            queue_.pop_front();
        }
        lock.unlock();
        done_(item.buffer);
    }
}

} // namespace sound

namespace sound {

namespace {

// ALSA when the device opens, else the silent output; the choice is made at each open.
class SystemAudioOut final : public AudioOut {
public:
    std::vector<AudioDevice> devices() override { return alsa_.devices(); }
    bool open(std::int32_t deviceId, const WaveFormat& format, AudioDone done) override {
        close();
        if (alsa_.open(deviceId, format, done)) {
            active_ = &alsa_;
            platform::debugOut("Audio output: ALSA");
            return true;
        }
        active_ = &silent_;
        platform::debugOut("Audio output: no ALSA device opens; playing silently");
        return silent_.open(-1, format, std::move(done));
    }
    bool isOpen() const override { return active_ != nullptr && active_->isOpen(); }
    void close() override {
        if (active_ != nullptr) {
            active_->close();
            active_ = nullptr;
        }
    }
    bool write(int buffer, std::span<const std::uint8_t> bytes) override {
        return active_ != nullptr && active_->write(buffer, bytes);
    }
    void reset() override {
        if (active_ != nullptr) {
            active_->reset();
        }
    }
    ~SystemAudioOut() override { close(); }

private:
    AlsaAudioOut alsa_;
    SilentAudioOut silent_;
    AudioOut* active_ = nullptr;
};

} // namespace

std::unique_ptr<AudioOut> makeSystemAudioOut() {
    return std::make_unique<SystemAudioOut>();
}

} // namespace sound
