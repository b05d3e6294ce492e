#include "tools/datagen/SteamSound.h"

#include "sound/WaveFile.h"
#include "tools/datagen/Random.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <system_error>

namespace fs = std::filesystem;

namespace datagen {

namespace {

constexpr double kRate = kSteamSampleRate;
constexpr std::size_t kLength = kSteamLoopSamples;

// A first-order low-pass or high-pass filter.
class OnePole {
public:
    OnePole(double cutoff, bool highPass)
        : coefficient_(std::exp(-2 * std::numbers::pi * cutoff / kRate)), highPass_(highPass) {}

    double operator()(double input) {
        low_ = (1 - coefficient_) * input + coefficient_ * low_;
        return highPass_ ? input - low_ : low_;
    }

private:
    double coefficient_;
    bool highPass_;
    double low_ = 0;
};

// Band-limited noise around the loop: white noise repeating every loop, filtered for two laps
// so that the filters' start-up has died away and the second lap joins its own start.
std::vector<double> loopedNoise(Random& random, double lowCut, double highCut) {
    std::vector<double> white(kLength);
    for (double& sample : white) {
        sample = random.range(-1, 1);
    }
    OnePole highPass(lowCut, true);
    OnePole lowPass(highCut, false);
    OnePole lowPass2(highCut, false);
    std::vector<double> out(kLength);
    for (std::size_t lap = 0; lap < 2; ++lap) {
        for (std::size_t i = 0; i < kLength; ++i) {
            out[i] = lowPass2(lowPass(highPass(white[i])));
        }
    }
    double peak = 0;
    for (double sample : out) {
        peak = std::max(peak, std::abs(sample));
    }
    for (double& sample : out) {
        sample = peak > 0 ? sample / peak : 0;
    }
    return out;
}

// Adds a burst that starts at `start` (samples), wrapping its tail to the start of the loop.
// `burst(t)` gives the burst's value t seconds after its start, for t below `duration`.
template <typename F>
void addBurst(std::vector<double>& mix, double start, double duration, F burst) {
    const auto first = static_cast<std::size_t>(std::ceil(start));
    const auto count = static_cast<std::size_t>(duration * kRate);
    for (std::size_t k = 0; k < count; ++k) {
        const double t = (static_cast<double>(first + k) - start) / kRate;
        mix[(first + k) % kLength] += burst(t);
    }
}

} // namespace

std::vector<std::int16_t> steamRunningSound() {
    Random random(0x5713A4C0FFEEull);
    std::vector<double> mix(kLength, 0.0);

    // The steady part: a hiss of leaking steam and a low rumble that swells with each turn of
    // the driving wheels (two turns per loop).
    const std::vector<double> hiss = loopedNoise(random, 2500, 7000);
    const std::vector<double> rumble = loopedNoise(random, 30, 160);
    for (std::size_t i = 0; i < kLength; ++i) {
        const double turn = 2 * std::numbers::pi * 2 * static_cast<double>(i) / kLength;
        mix[i] += 0.035 * hiss[i] + 0.10 * rumble[i] * (0.75 + 0.25 * std::sin(turn));
    }

    // Exhaust beats: four per wheel turn, alternately strong and weak, each a burst of
    // filtered noise with a quick attack and a long breath, over a short low thump.
    constexpr double kBeatStrength[] = {1.0, 0.68, 0.88, 0.62};
    const double beatSpacing = static_cast<double>(kLength) / 8;
    for (int beat = 0; beat < 8; ++beat) {
        const double strength = kBeatStrength[beat % 4] * random.range(0.92, 1.05);
        const double start = beat * beatSpacing + random.range(0, 0.012) * kRate;
        std::vector<double> white(static_cast<std::size_t>(0.3 * kRate));
        OnePole highPass(random.range(280, 360), true);
        OnePole lowPass(random.range(1500, 2100), false);
        OnePole lowPass2(2600, false);
        for (double& sample : white) {
            sample = lowPass2(lowPass(highPass(random.range(-1, 1))));
        }
        const double thumpPitch = random.range(55, 68);
        addBurst(mix, start, 0.3, [&](double t) {
            const double attack = std::min(1.0, t / 0.006);
            const double breath = 0.75 * std::exp(-t / 0.045) + 0.25 * std::exp(-t / 0.12);
            const double fadeOut = std::min(1.0, (0.3 - t) / 0.05);
            const auto index = std::min(white.size() - 1, static_cast<std::size_t>(t * kRate));
            const double noise = 3.2 * white[index] * attack * breath;
            const double thump = 0.35 * std::sin(2 * std::numbers::pi * thumpPitch * t) * attack *
                                 std::exp(-t / 0.035);
            return strength * fadeOut * (noise + thump);
        });
    }

    // Rail joints: a double click under the front and rear bogies.
    for (double joint : {0.62, 1.62}) {
        for (double offset : {0.0, 0.085}) {
            OnePole highPass(900, true);
            const double pitch = random.range(1800, 2300);
            std::vector<double> white(static_cast<std::size_t>(0.04 * kRate));
            for (double& sample : white) {
                sample = highPass(random.range(-1, 1));
            }
            addBurst(mix, (joint + offset) * kRate, 0.04, [&](double t) {
                const auto index = std::min(white.size() - 1, static_cast<std::size_t>(t * kRate));
                const double ring = std::sin(2 * std::numbers::pi * pitch * t);
                const double fadeOut = std::min(1.0, (0.04 - t) / 0.01);
                return 0.22 * std::exp(-t / 0.008) * (0.6 * white[index] + 0.4 * ring) *
                       std::min(1.0, t / 0.0005) * fadeOut;
            });
        }
    }

    double peak = 0;
    for (double sample : mix) {
        peak = std::max(peak, std::abs(sample));
    }
    const double gain = peak > 0 ? 0.8 / peak : 0;
    std::vector<std::int16_t> samples(kLength);
    for (std::size_t i = 0; i < kLength; ++i) {
        samples[i] = static_cast<std::int16_t>(std::lround(mix[i] * gain * 32767));
    }
    return samples;
}

bool writeSounds(const fs::path& dataFolder) {
    const fs::path folder = dataFolder / "Sounds_Buildin";
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        return false;
    }
    const std::vector<std::int16_t> samples = steamRunningSound();
    return sound::writeWaveFile(folder / "128.wav", sound::pcmFormat(1, kSteamSampleRate, 16),
                                sound::pcm16Bytes(samples));
}

} // namespace datagen
