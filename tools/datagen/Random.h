#pragma once
#include <cstdint>

namespace datagen {

// A small seeded generator (SplitMix64) with results fixed by its own arithmetic, so the data
// pack is the same on every machine and library (the standard distributions are not).
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1).
    double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
    double range(double low, double high) { return low + (high - low) * unit(); }
    // Uniform in 0 … count − 1 (0 when count ≤ 0).
    int below(int count) {
        return count <= 0 ? 0 : static_cast<int>(next() % static_cast<std::uint64_t>(count));
    }

private:
    std::uint64_t state_;
};

// A well-mixed hash of a lattice point and a seed.
inline std::uint32_t hashPoint(int x, int y, std::uint32_t seed) {
    std::uint32_t h = seed * 0x27D4EB2Du ^ static_cast<std::uint32_t>(x) * 0x85EBCA6Bu ^
                      static_cast<std::uint32_t>(y) * 0xC2B2AE35u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

// hashPoint as a value in [0, 1).
inline double hashUnit(int x, int y, std::uint32_t seed) {
    return static_cast<double>(hashPoint(x, y, seed) >> 8) * 0x1.0p-24;
}

} // namespace datagen
