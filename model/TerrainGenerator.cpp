#include "model/TerrainGenerator.h"

#include <algorithm>
#include <cmath>

namespace model {

namespace {

constexpr int kEdge = kTerrainGridEdge;

float& cell(std::vector<float>& grid, int x, int y) {
    const int wx = ((x % kEdge) + kEdge) % kEdge;
    const int wy = ((y % kEdge) + kEdge) % kEdge;
    return grid[static_cast<std::size_t>(wy) * kEdge + wx];
}

} // namespace

std::vector<float> generateTerrainGrid(std::uint32_t seed) {
    std::vector<float> grid(static_cast<std::size_t>(kEdge) * kEdge, 0.0f);
    TerrainRandom random(seed);
    double range = 32.0;
    auto offset = [&random, &range]() {
        return static_cast<float>(-range / 2 + random.next() * range / TerrainRandom::kMax);
    };
    for (int step = kEdge; step > 1; step /= 2) {
        const int half = step / 2;
        // Square step: the centre of every square from its four corners.
        for (int y = 0; y < kEdge; y += step) {
            for (int x = 0; x < kEdge; x += step) {
                const float mean = (cell(grid, x, y) + cell(grid, x + step, y) +
                                    cell(grid, x, y + step) + cell(grid, x + step, y + step)) /
                                   4.0f;
                cell(grid, x + half, y + half) = mean + offset();
            }
        }
        // Diamond step: the midpoint of every edge from its four neighbours.
        for (int y = 0; y < kEdge; y += half) {
            const int first = (y / half) % 2 == 0 ? half : 0;
            for (int x = first; x < kEdge; x += step) {
                const float mean = (cell(grid, x - half, y) + cell(grid, x + half, y) +
                                    cell(grid, x, y - half) + cell(grid, x, y + half)) /
                                   4.0f;
                cell(grid, x, y) = mean + offset();
            }
        }
        range *= std::pow(2.0, -0.95);
    }
    const auto [low, high] = std::minmax_element(grid.begin(), grid.end());
    const float minimum = *low;
    const float maximum = *high;
    if (maximum > minimum) {
        for (float& value : grid) {
            value = (value - minimum) / (maximum - minimum);
        }
    }
    return grid;
}

image::Picture terrainGridPicture(const std::vector<float>& grid) {
    if (grid.size() != static_cast<std::size_t>(kEdge) * kEdge) {
        return {};
    }
    image::Picture picture(kEdge, kEdge, 24);
    for (int y = 0; y < kEdge; ++y) {
        for (int x = 0; x < kEdge; ++x) {
            const float value =
                std::clamp(grid[static_cast<std::size_t>(y) * kEdge + x], 0.0f, 1.0f);
            const auto grey = static_cast<std::uint32_t>(value * 255.0f);
            picture.setColourAt(x, y, grey * 0x010101u);
        }
    }
    return picture;
}

} // namespace model
