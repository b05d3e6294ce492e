#pragma once
#include <cstdint>
#include <vector>

#include "image/Picture.h"

namespace model {

// The pseudo-random integers 0 … 32767 of the terrain generator: a linear congruential
// sequence fixed by its seed, so that a seed always gives the same terrain.
class TerrainRandom {
public:
    static constexpr int kMax = 32767;

    explicit TerrainRandom(std::uint32_t seed) : state_(seed) {}
    int next() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFFu);
    }

private:
    std::uint32_t state_;
};

inline constexpr int kTerrainGridEdge = 64;

// A 64 × 64 grid of heights (row by row) by diamond-square subdivision of a grid that wraps
// at its edges, normalised to span exactly 0 … 1 (left as generated when every value came out
// equal).
std::vector<float> generateTerrainGrid(std::uint32_t seed);

// The grid as a 64 × 64 grey picture: each value × 255, truncated, in red, green and blue.
// Empty unless the grid holds 64 × 64 values.
image::Picture terrainGridPicture(const std::vector<float>& grid);

} // namespace model
