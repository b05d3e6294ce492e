#pragma once
#include <cstdint>

namespace datagen {

// Noise fields over texture coordinates (u, v), periodic with period 1 in both, so textures
// sampled from them tile without seams. `cellsX` and `cellsY` are the lattice cells per period
// (at least 1).

// Smooth value noise in [0, 1].
double valueNoise(double u, double v, int cellsX, int cellsY, std::uint32_t seed);

// Fractal sum of `octaves` value-noise layers, each with twice the cells of the last and
// `gain` times its weight; normalised to [0, 1].
double fractalNoise(double u, double v, int cellsX, int cellsY, int octaves, double gain,
                    std::uint32_t seed);

// Cellular noise: one jittered feature point per cell. f1 and f2 are the distances (in units
// of one cell) to the nearest and second nearest point; id identifies the nearest point's
// cell (the same for every repetition of the period).
struct CellSample {
    double f1 = 0;
    double f2 = 0;
    std::uint32_t id = 0;
};
CellSample cellNoise(double u, double v, int cellsX, int cellsY, std::uint32_t seed,
                     double jitter = 0.9);

// Wraps an integer into 0 … period − 1.
inline int wrapIndex(int value, int period) {
    const int r = value % period;
    return r < 0 ? r + period : r;
}

} // namespace datagen
