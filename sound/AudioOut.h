#pragma once
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "sound/WaveFile.h"

namespace sound {

// One output device: id −1 is the system's default output.
struct AudioDevice {
    std::int32_t id = -1;
    std::string name;
};

// Called when the device has finished with a written buffer (or returned it on reset), with
// the buffer's index. It may run on a thread of the device.
using AudioDone = std::function<void(int buffer)>;

// A waveform output: buffers are written whole and come back through the completion call
// once played. The bytes of a written buffer must stay valid until it comes back.
class AudioOut {
public:
    virtual ~AudioOut() = default;
    virtual std::vector<AudioDevice> devices() = 0;
    virtual bool open(std::int32_t deviceId, const WaveFormat& format, AudioDone done) = 0;
    virtual bool isOpen() const = 0;
    // Returns every pending buffer (reset), then closes.
    virtual void close() = 0;
    // Queues a buffer after those already written; false when closed or refused.
    virtual bool write(int buffer, std::span<const std::uint8_t> bytes) = 0;
    // Stops playing and returns every pending buffer through the completion call before it
    // returns. Never call it while holding a lock that the completion call takes.
    virtual void reset() = 0;
};

// An output that plays nothing but keeps the timing of a real one: each buffer lasts its
// bytes ÷ the format's byte rate and comes back when that time has passed after the buffer
// before it. With a clock given, time is whatever the clock says and buffers come back only
// from pump(); without one, a thread of its own pumps on the monotonic clock.
class SilentAudioOut final : public AudioOut {
public:
    using Clock = std::function<std::uint64_t()>; // milliseconds
    explicit SilentAudioOut(Clock clock = {});
    ~SilentAudioOut() override;

    std::vector<AudioDevice> devices() override;
    bool open(std::int32_t deviceId, const WaveFormat& format, AudioDone done) override;
    bool isOpen() const override;
    void close() override;
    bool write(int buffer, std::span<const std::uint8_t> bytes) override;
    void reset() override;

    // Returns the buffers whose time has ended by now.
    void pump();
    std::size_t pending() const;
    // How many bytes have been written since opening, and the bytes of the last write.
    std::uint64_t bytesWritten() const;
    std::vector<std::uint8_t> lastWrite() const;

private:
    struct Pending {
        int buffer;
        std::uint64_t end;
    };
    std::uint64_t now() const;
    void deliver(const std::vector<int>& buffers);
    void runPump();

    Clock clock_;
    mutable std::mutex mutex_;
    std::mutex deliverMutex_;
    std::condition_variable wake_;
    std::deque<Pending> queue_;
    WaveFormat format_;
    AudioDone done_;
    bool open_ = false;
    bool quit_ = false;
    std::uint64_t lastEnd_ = 0;
    std::uint64_t bytesWritten_ = 0;
    std::vector<std::uint8_t> lastWrite_;
    std::thread thread_;
};

// The system's output: ALSA when a device opens, else the silent output on the monotonic
// clock, so that playing keeps its timing either way.
std::unique_ptr<AudioOut> makeSystemAudioOut();

} // namespace sound
