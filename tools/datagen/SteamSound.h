#pragma once
#include <cstdint>
#include <filesystem>
#include <vector>

namespace datagen {

inline constexpr std::uint32_t kSteamSampleRate = 22050;
// Two seconds: eight exhaust beats, two rail joints.
inline constexpr std::size_t kSteamLoopSamples = 2 * kSteamSampleRate;

// One loop of a steam locomotive running: exhaust beats (noise bursts with a low thump),
// a steady hiss and rumble, and the click of rail joints. 16-bit mono samples at
// kSteamSampleRate; every part is built around the loop, so the last sample joins the first
// as smoothly as any two neighbours.
std::vector<std::int16_t> steamRunningSound();

// Writes "Sounds_Buildin/128.wav" (PCM WAVE) into the data folder. False on a write failure.
bool writeSounds(const std::filesystem::path& dataFolder);

} // namespace datagen
