#include "sound/AudioOut.h"

#include <chrono>

#include "platform/Clock.h"

namespace sound {

SilentAudioOut::SilentAudioOut(Clock clock) : clock_(std::move(clock)) {}

SilentAudioOut::~SilentAudioOut() {
    close();
}

std::vector<AudioDevice> SilentAudioOut::devices() {
    return {AudioDevice{-1, "silent"}};
}

std::uint64_t SilentAudioOut::now() const {
    return clock_ ? clock_() : platform::monotonicMillis();
}

bool SilentAudioOut::open(std::int32_t deviceId, const WaveFormat& format, AudioDone done) {
    close();
    if (deviceId != -1) {
        return false;
    }
    {
        const std::lock_guard lock(mutex_);
        format_ = format;
        done_ = std::move(done);
        open_ = true;
        quit_ = false;
        lastEnd_ = 0;
        bytesWritten_ = 0;
    }
    if (!clock_) {
        thread_ = std::thread([this] { runPump(); });
    }
    return true;
}

bool SilentAudioOut::isOpen() const {
    const std::lock_guard lock(mutex_);
    return open_;
}

void SilentAudioOut::close() {
    reset();
    {
        const std::lock_guard lock(mutex_);
        quit_ = true;
        open_ = false;
    }
    wake_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
    const std::lock_guard lock(mutex_);
    done_ = nullptr;
}

bool SilentAudioOut::write(int buffer, std::span<const std::uint8_t> bytes) {
    {
        const std::lock_guard lock(mutex_);
        if (!open_) {
            return false;
        }
        const std::uint64_t t = now();
        const std::uint64_t rate = format_.averageBytesPerSecond;
        // A format without a byte rate plays each buffer for a millisecond.
        const std::uint64_t length =
            rate > 0 ? std::max<std::uint64_t>(1, bytes.size() * 1000 / rate) : 1;
        const std::uint64_t start = std::max(t, lastEnd_);
        lastEnd_ = start + length;
        queue_.push_back(Pending{buffer, lastEnd_});
        bytesWritten_ += bytes.size();
        lastWrite_.assign(bytes.begin(), bytes.end());
    }
    wake_.notify_all();
    return true;
}

void SilentAudioOut::deliver(const std::vector<int>& buffers) {
    AudioDone done;
    {
        const std::lock_guard lock(mutex_);
        done = done_;
    }
    if (done) {
        for (int b : buffers) {
            done(b);
        }
    }
}

void SilentAudioOut::reset() {
    // Waits for a delivery in progress, so no completion call runs after this returns.
    const std::lock_guard delivering(deliverMutex_);
    std::vector<int> returned;
    {
        const std::lock_guard lock(mutex_);
        for (const auto& p : queue_) {
            returned.push_back(p.buffer);
        }
        queue_.clear();
        lastEnd_ = 0;
    }
    deliver(returned);
}

void SilentAudioOut::pump() {
    const std::lock_guard delivering(deliverMutex_);
    std::vector<int> due;
    {
        const std::lock_guard lock(mutex_);
        const std::uint64_t t = now();
        while (!queue_.empty() && queue_.front().end <= t) {
            due.push_back(queue_.front().buffer);
            queue_.pop_front();
        }
    }
    deliver(due);
}

void SilentAudioOut::runPump() {
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            wake_.wait_for(lock, std::chrono::milliseconds(2));
            if (quit_) {
                return;
            }
        }
        pump();
    }
}

std::size_t SilentAudioOut::pending() const {
    const std::lock_guard lock(mutex_);
    return queue_.size();
}

std::uint64_t SilentAudioOut::bytesWritten() const {
    const std::lock_guard lock(mutex_);
    return bytesWritten_;
}

std::vector<std::uint8_t> SilentAudioOut::lastWrite() const {
    const std::lock_guard lock(mutex_);
    return lastWrite_;
}

} // namespace sound
