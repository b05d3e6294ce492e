#include "tools/datagen/Noise.h"

#include "tools/datagen/Random.h"

#include <algorithm>
#include <cmath>

namespace datagen {

namespace {

double fade(double t) {
    return t * t * t * (t * (t * 6 - 15) + 10);
}

} // namespace

double valueNoise(double u, double v, int cellsX, int cellsY, std::uint32_t seed) {
    cellsX = std::max(cellsX, 1);
    cellsY = std::max(cellsY, 1);
    const double x = u * cellsX;
    const double y = v * cellsY;
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    const int x0 = wrapIndex(static_cast<int>(fx), cellsX);
    const int y0 = wrapIndex(static_cast<int>(fy), cellsY);
    const int x1 = wrapIndex(x0 + 1, cellsX);
    const int y1 = wrapIndex(y0 + 1, cellsY);
    const double tx = fade(x - fx);
    const double ty = fade(y - fy);
    const double a = hashUnit(x0, y0, seed);
    const double b = hashUnit(x1, y0, seed);
    const double c = hashUnit(x0, y1, seed);
    const double d = hashUnit(x1, y1, seed);
    const double top = a + (b - a) * tx;
    const double bottom = c + (d - c) * tx;
    return top + (bottom - top) * ty;
}

double fractalNoise(double u, double v, int cellsX, int cellsY, int octaves, double gain,
                    std::uint32_t seed) {
    double sum = 0;
    double weight = 1;
    double total = 0;
    for (int octave = 0; octave < octaves; ++octave) {
        sum += weight * valueNoise(u, v, cellsX << octave, cellsY << octave,
                                   seed + static_cast<std::uint32_t>(octave) * 1013u);
        total += weight;
        weight *= gain;
    }
    return total > 0 ? sum / total : 0;
}

CellSample cellNoise(double u, double v, int cellsX, int cellsY, std::uint32_t seed,
                     double jitter) {
    cellsX = std::max(cellsX, 1);
    cellsY = std::max(cellsY, 1);
    const double x = u * cellsX;
    const double y = v * cellsY;
    const int cx = static_cast<int>(std::floor(x));
    const int cy = static_cast<int>(std::floor(y));
    CellSample best{1e9, 1e9, 0};
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            const int gx = cx + dx;
            const int gy = cy + dy;
            const int wx = wrapIndex(gx, cellsX);
            const int wy = wrapIndex(gy, cellsY);
            const double px = gx + 0.5 + (hashUnit(wx, wy, seed) - 0.5) * jitter;
            const double py = gy + 0.5 + (hashUnit(wx, wy, seed ^ 0x5bd1e995u) - 0.5) * jitter;
            const double distance = std::hypot(px - x, py - y);
            if (distance < best.f1) {
                best.f2 = best.f1;
                best.f1 = distance;
                best.id = hashPoint(wx, wy, seed ^ 0x68e31da4u);
            } else if (distance < best.f2) {
                best.f2 = distance;
            }
        }
    }
    return best;
}

} // namespace datagen
