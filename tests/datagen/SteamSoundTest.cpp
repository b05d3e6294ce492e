#include "tools/datagen/SteamSound.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

TEST(SteamSound, LoopJoinsItsStartWithoutAJump) {
    const std::vector<std::int16_t> samples = datagen::steamRunningSound();
    ASSERT_EQ(samples.size(), datagen::kSteamLoopSamples);
    std::vector<int> steps;
    for (std::size_t i = 0; i + 1 < samples.size(); ++i) {
        steps.push_back(std::abs(samples[i + 1] - samples[i]));
    }
    std::sort(steps.begin(), steps.end());
    const int joint = std::abs(samples.front() - samples.back());
    // The step over the joint is an ordinary one: within the bulk of the neighbour steps,
    // far from the largest.
    EXPECT_LE(joint, steps[steps.size() * 99 / 100]);
    // The few milliseconds either side of the joint carry the same level of sound.
    auto rms = [&](std::size_t from, std::size_t count) {
        double sum = 0;
        for (std::size_t i = from; i < from + count; ++i) {
            sum += double(samples[i]) * samples[i];
        }
        return std::sqrt(sum / count);
    };
    const std::size_t window = 110;
    const double before = rms(samples.size() - window, window);
    const double after = rms(0, window);
    EXPECT_LT(std::abs(before - after), 0.5 * std::max(before, after) + 200);
}

TEST(SteamSound, BeatsStandOutOfTheSteadyNoise) {
    const std::vector<std::int16_t> samples = datagen::steamRunningSound();
    const std::size_t window = samples.size() / 80; // 25 ms
    std::vector<double> levels;
    for (std::size_t start = 0; start + window <= samples.size(); start += window) {
        double sum = 0;
        for (std::size_t i = start; i < start + window; ++i) {
            sum += double(samples[i]) * samples[i];
        }
        levels.push_back(std::sqrt(sum / window));
    }
    // Count the rises of the level envelope through half its peak: one per exhaust beat.
    const double peak = *std::max_element(levels.begin(), levels.end());
    int beats = 0;
    for (std::size_t i = 0; i < levels.size(); ++i) {
        const double previous = levels[(i + levels.size() - 1) % levels.size()];
        if (previous < peak * 0.45 && levels[i] >= peak * 0.45) {
            ++beats;
        }
    }
    EXPECT_GE(beats, 4);
    EXPECT_LE(beats, 8);
    EXPECT_GT(peak, 3000);
}

TEST(SteamSound, IsTheSameEveryTime) {
    EXPECT_EQ(datagen::steamRunningSound(), datagen::steamRunningSound());
}

} // namespace
