#include "tools/datagen/Noise.h"
#include "tools/datagen/Random.h"
#include "tools/datagen/TextureMakers.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace datagen::makers {

namespace {

constexpr int kSize = 256;
constexpr double kTau = 2 * std::numbers::pi;

// Where a point falls in a running bond of blocks: `rows` courses per period, `columns`
// blocks per course, every other course shifted by half a block. Gives the block's id and
// the distance (in pixels of a kSize picture) from the point to the block's nearest edge.
struct BondCell {
    std::uint32_t id = 0;
    double edgeDistance = 0;
    double localV = 0; // 0 at the top of the block, 1 at the bottom
};

BondCell bond(double u, double v, int rows, int columns) {
    const double y = v * rows;
    const int row = static_cast<int>(std::floor(y));
    const double x = u * columns + (row % 2 != 0 ? 0.5 : 0.0);
    const int column = wrapIndex(static_cast<int>(std::floor(x)), columns);
    const double fx = x - std::floor(x);
    const double fy = y - row;
    const double blockWidth = static_cast<double>(kSize) / columns;
    const double blockHeight = static_cast<double>(kSize) / rows;
    BondCell cell;
    cell.id = hashPoint(column, wrapIndex(row, rows), 7u);
    cell.edgeDistance =
        std::min(std::min(fx, 1 - fx) * blockWidth, std::min(fy, 1 - fy) * blockHeight);
    cell.localV = fy;
    return cell;
}

Rgba between(std::uint32_t id, const Rgba& low, const Rgba& high) {
    return mix(low, high, static_cast<double>(id % 997) / 996.0);
}

// Fine grain of wood running along u.
double woodGrain(double u, double v, std::uint32_t seed, int rings) {
    const double warp = fractalNoise(u, v, 2, 4, 4, 0.5, seed);
    const double streak = fractalNoise(u, v, 2, 64, 3, 0.5, seed + 1);
    const double ring = 0.5 + 0.5 * std::sin(kTau * (v * rings + 2.0 * warp));
    return 0.55 * ring + 0.45 * streak;
}

Canvas concreteWith(const Rgba& tone, std::uint32_t seed) {
    Canvas canvas(kSize, kSize);
    canvas.fill([&](double u, double v) {
        const double stain = fractalNoise(u, v, 4, 4, 5, 0.55, seed);
        const double speck = valueNoise(u, v, kSize, kSize, seed + 1);
        const double pore = smoothstep(0.94, 0.99, valueNoise(u, v, 96, 96, seed + 2));
        return shade(tone, (0.86 + 0.2 * stain + 0.06 * speck) * (1 - 0.35 * pore));
    });
    return canvas;
}

// Darkens the lines u = k / count (vertical joints) of a concrete canvas.
void panelJoints(Canvas& canvas, int count, double strength) {
    for (int k = 0; k < count; ++k) {
        const double x = static_cast<double>(k) * canvas.width() / count;
        canvas.line(x, -2, x, canvas.height() + 2, 2.0, Rgba{0, 0, 0, strength}, true);
    }
}

} // namespace

Canvas woodBase() {
    Canvas canvas(kSize, kSize);
    canvas.fill([](double u, double v) {
        const double grain = woodGrain(u, v, 1, 10);
        return mix(hex(0x3f2412), hex(0x7a4a26), grain);
    });
    return canvas;
}

Canvas brick() {
    Canvas canvas(kSize, kSize);
    canvas.fill([](double u, double v) {
        const BondCell cell = bond(u, v, 8, 4);
        const double noise = fractalNoise(u, v, 16, 16, 3, 0.5, 41);
        const Rgba face = shade(between(cell.id, hex(0x8a3520), hex(0xb85a35)), 0.85 + 0.3 * noise);
        const Rgba mortar = shade(hex(0xb9b2a4), 0.9 + 0.15 * noise);
        return mix(mortar, face, smoothstep(1.2, 2.6, cell.edgeDistance));
    });
    return canvas;
}

Canvas ashlar() {
    Canvas canvas(kSize, kSize);
    canvas.fill([](double u, double v) {
        const BondCell cell = bond(u, v, 4, 3);
        const double noise = fractalNoise(u, v, 8, 8, 5, 0.55, 61);
        const Rgba face = shade(between(cell.id, hex(0x7f786b), hex(0xa59d8c)), 0.8 + 0.35 * noise);
        const double bevel = smoothstep(2, 8, cell.edgeDistance);
        return mix(hex(0x403c36), shade(face, 0.8 + 0.2 * bevel),
                   smoothstep(1.5, 3.0, cell.edgeDistance));
    });
    return canvas;
}

Canvas stoneWall() {
    Canvas canvas(kSize, kSize);
    canvas.fill([](double u, double v) {
        const CellSample cell = cellNoise(u, v, 7, 7, 311, 0.8);
        const double noise = fractalNoise(u, v, 8, 8, 5, 0.55, 312);
        const Rgba face = shade(between(cell.id, hex(0x767269), hex(0xa8a396)),
                                (0.8 + 0.3 * noise) * (1.08 - 0.25 * cell.f1));
        return mix(hex(0x35322d), face, smoothstep(0.02, 0.07, cell.f2 - cell.f1));
    });
    return canvas;
}

Canvas concrete() {
    return concreteWith(hex(0xa9a8a2), 111);
}

Canvas asphalt() {
    Canvas canvas(kSize, kSize);
    canvas.fill([](double u, double v) {
        const double patch = fractalNoise(u, v, 4, 4, 4, 0.5, 121);
        const double grit = valueNoise(u, v, kSize, kSize, 122);
        const double stone = smoothstep(0.85, 0.95, valueNoise(u, v, 128, 128, 123));
        return shade(hex(0x414144), 0.85 + 0.2 * patch + 0.15 * grit + 0.35 * stone);
    });
    return canvas;
}

Canvas road() {
    Canvas canvas = asphalt();
    const Rgba white = hex(0xe8e8e0, 0.92);
    canvas.fillRect(-4, 0.07 * kSize, kSize + 4, 0.1 * kSize, white, true);
    canvas.fillRect(-4, 0.9 * kSize, kSize + 4, 0.93 * kSize, white, true);
    for (int dash = 0; dash < 2; ++dash) {
        const double x = dash * kSize / 2.0 + 16;
        canvas.fillRect(x, 0.485 * kSize, x + kSize / 4.0, 0.515 * kSize, white, true, 1);
    }
    return canvas;
}

Canvas paving() {
    Canvas canvas(kSize, kSize);
    canvas.fill([](double u, double v) {
        const int slabs = 4;
        const double x = u * slabs;
        const double y = v * slabs;
        const double fx = x - std::floor(x);
        const double fy = y - std::floor(y);
        const double edge = std::min(std::min(fx, 1 - fx), std::min(fy, 1 - fy)) * kSize / slabs;
        const std::uint32_t id = hashPoint(static_cast<int>(x), static_cast<int>(y), 291);
        const double noise = fractalNoise(u, v, 8, 8, 4, 0.5, 292);
        const Rgba slab = shade(between(id, hex(0x9c9b96), hex(0xbab8b1)), 0.9 + 0.15 * noise);
        return mix(hex(0x5c5b57), slab, smoothstep(0.8, 2.0, edge));
    });
    return canvas;
}

Canvas planks() {
    Canvas canvas(kSize, kSize);
    canvas.fill([](double u, double v) {
        const int boards = 8;
        const int row = static_cast<int>(v * boards);
        const double fy = v * boards - row;
        // Two butt joints per board at positions fixed by the row.
        const double joint = hashUnit(row, 0, 321);
        const double a = std::abs(std::remainder(u - joint, 0.5)) * kSize;
        const std::uint32_t id =
            hashPoint(row, static_cast<int>(std::floor((u - joint) * 2 + 8)), 322);
        const double grain = woodGrain(u, v + row * 0.37, 323, 16);
        const Rgba wood = shade(between(id, hex(0x7c5a38), hex(0xa47b4f)), 0.8 + 0.3 * grain);
        const double edge = std::min(a, std::min(fy, 1 - fy) * kSize / boards);
        return mix(hex(0x3b2a1a), wood, smoothstep(0.6, 1.8, edge));
    });
    return canvas;
}

Canvas roofTiles() {
    Canvas canvas(kSize, kSize);
    canvas.fill([](double u, double v) {
        const int rows = 8;
        const int columns = 8;
        const double y = v * rows;
        const int row = static_cast<int>(y);
        const double fy = y - row;
        const double x = u * columns + (row % 2 != 0 ? 0.5 : 0.0);
        const double fx = x - std::floor(x);
        // A rounded lower edge: the tile's bottom bulges in its middle.
        const double rounded = fy - 0.12 * std::sin(std::numbers::pi * fx);
        const double ridge = 0.75 + 0.35 * std::sin(std::numbers::pi * fx);
        const double shadow = smoothstep(0.65, 0.95, rounded);
        const std::uint32_t id =
            hashPoint(wrapIndex(static_cast<int>(std::floor(x)), columns), row, 331);
        const Rgba tile = between(id, hex(0x454c57), hex(0x5d6572));
        return shade(tile, ridge * (1 - 0.55 * shadow));
    });
    return canvas;
}

Canvas hazardStripes() {
    Canvas canvas(kSize / 2, kSize / 2);
    canvas.fill([](double u, double v) {
        const double s = (u + v) * 2; // two stripe pairs across the picture
        const double f = s - std::floor(s);
        const double boundary = std::min({f, 1 - f, std::abs(f - 0.5)});
        const Rgba yellow = hex(0xf0c020);
        const Rgba black = hex(0x1e1e1e);
        const Rgba pure = f < 0.5 ? yellow : black;
        return mix(mix(yellow, black, 0.5), pure, smoothstep(0.0, 0.02, boundary));
    });
    return canvas;
}

Canvas concreteSide() {
    Canvas canvas = concreteWith(hex(0xb7b4ab), 401);
    for (int k = 0; k < 4; ++k) {
        const double y = k * kSize / 4.0;
        canvas.line(-4, y, kSize + 4, y, 1.5, Rgba{0, 0, 0, 0.18}, true);
    }
    return canvas;
}

Canvas beamSideNarrow() {
    Canvas canvas = concreteWith(hex(0xc2c0b9), 421);
    panelJoints(canvas, 2, 0.3);
    return canvas;
}

Canvas beamSidePlain() {
    Canvas canvas = concreteWith(hex(0xcfccc4), 431);
    panelJoints(canvas, 1, 0.3);
    return canvas;
}

Canvas beamSideBand() {
    Canvas canvas = beamSidePlain();
    canvas.fillRect(-4, 0.16 * kSize, kSize + 4, 0.3 * kSize, hex(0x2f7d5a), true);
    canvas.fillRect(-4, 0.3 * kSize, kSize + 4, 0.33 * kSize, hex(0xe2e0d8), true);
    return canvas;
}

Canvas beamTop() {
    Canvas canvas = concreteWith(hex(0xb1aea6), 451);
    for (double lane : {0.27, 0.73}) {
        canvas.fillRect(-4, (lane - 0.08) * kSize, kSize + 4, (lane + 0.08) * kSize,
                        Rgba{0.15, 0.15, 0.15, 0.25}, true, 6);
    }
    return canvas;
}

Canvas sleepers() {
    Canvas canvas(kSize, kSize);
    canvas.fill([](double u, double v) {
        const double grain = woodGrain(u, v, 471, 12);
        const double crack = smoothstep(0.93, 0.98, fractalNoise(u, v, 1, 48, 2, 0.5, 472));
        return shade(mix(hex(0x3e2a1d), hex(0x6a4a33), grain), 1 - 0.5 * crack);
    });
    return canvas;
}

Canvas railSteel() {
    Canvas canvas(kSize, kSize);
    canvas.fill([](double u, double v) {
        const double brushed = fractalNoise(u, v, 2, 96, 3, 0.5, 481);
        const double rust = smoothstep(0.55, 0.75, fractalNoise(u, v, 6, 6, 5, 0.55, 482));
        const Rgba steel = shade(hex(0x6f7378), 0.85 + 0.3 * brushed);
        return mix(steel, hex(0x7a4a2c), rust * 0.7);
    });
    return canvas;
}

Canvas checkerPlate() {
    Canvas canvas(kSize, kSize);
    canvas.fill([](double u, double v) {
        const int cells = 8;
        const double x = u * cells;
        const double y = v * cells;
        const int cx = static_cast<int>(std::floor(x));
        const int cy = static_cast<int>(std::floor(y));
        const double angle = ((cx + cy) % 2 == 0 ? 1 : -1) * std::numbers::pi / 4;
        const double lx = (x - cx - 0.5) * std::cos(angle) + (y - cy - 0.5) * std::sin(angle);
        const double ly = -(x - cx - 0.5) * std::sin(angle) + (y - cy - 0.5) * std::cos(angle);
        const double r = std::hypot(lx / 0.36, ly / 0.09);
        const double bump = smoothstep(1.05, 0.9, r);
        const double light = 1 + 0.35 * bump * (ly < 0 ? 1 : -0.6);
        const double noise = fractalNoise(u, v, 8, 8, 3, 0.5, 501);
        return shade(hex(0x8c9196), light * (0.9 + 0.15 * noise));
    });
    return canvas;
}

Canvas ironPlates() {
    Canvas canvas(kSize, kSize);
    canvas.fill([](double u, double v) {
        const double noise = fractalNoise(u, v, 6, 6, 5, 0.5, 511);
        const double x = u * 2;
        const double y = v * 4;
        const double fx = x - std::floor(x);
        const double fy = y - std::floor(y);
        const double edge =
            std::min(std::min(fx, 1 - fx) * kSize / 2, std::min(fy, 1 - fy) * kSize / 4);
        const Rgba paint = shade(hex(0x56605b), 0.85 + 0.25 * noise);
        return shade(paint, 0.7 + 0.3 * smoothstep(0.5, 2.0, edge));
    });
    // Rivet rows beside every seam.
    for (int row = 0; row < 4; ++row) {
        for (double offset : {5.0, -5.0}) {
            const double y = row * kSize / 4.0 + offset;
            for (int k = 0; k < 16; ++k) {
                const double x = k * kSize / 16.0 + 8;
                canvas.fillEllipse(x, y, 2.2, 2.2, 0, hex(0x6c7872), true);
                canvas.fillEllipse(x - 0.6, y - 0.6, 0.9, 0.9, 0, hex(0x9aa59f), true);
            }
        }
    }
    return canvas;
}

Canvas rust() {
    Canvas canvas(kSize, kSize);
    canvas.fill([](double u, double v) {
        const double broad = fractalNoise(u, v, 4, 4, 6, 0.6, 521);
        const double pits = smoothstep(0.8, 0.9, valueNoise(u, v, 64, 64, 522));
        return shade(mix(hex(0x6b3419), hex(0xad5d2d), broad), 1 - 0.4 * pits);
    });
    return canvas;
}

Canvas ironLattice() {
    Canvas canvas(kSize, kSize);
    canvas.fill([](double u, double v) {
        const double noise = fractalNoise(u, v, 8, 8, 4, 0.5, 531);
        return shade(hex(0x2c1c18), 0.8 + 0.3 * noise);
    });
    const Rgba paint = hex(0x7e3426);
    const double chord = kSize * 0.12;
    for (int panel = 0; panel < 2; ++panel) {
        const double x0 = panel * kSize / 2.0;
        const double x1 = x0 + kSize / 2.0;
        canvas.line(x0, chord, x1, kSize - chord, 12, paint, true);
        canvas.line(x0, kSize - chord, x1, chord, 12, paint, true);
        canvas.fillRect(x0 - 7, 0, x0 + 7, kSize, shade(paint, 1.08), true);
    }
    canvas.fillRect(-4, 0, kSize + 4, chord, shade(paint, 1.12), true);
    canvas.fillRect(-4, kSize - chord, kSize + 4, kSize, shade(paint, 1.12), true);
    for (int k = 0; k < 32; ++k) {
        const double x = k * kSize / 32.0 + 4;
        for (double y : {chord * 0.3, chord * 0.7, kSize - chord * 0.7, kSize - chord * 0.3}) {
            canvas.fillEllipse(x, y, 1.8, 1.8, 0, shade(paint, 1.4), true);
        }
    }
    return canvas;
}

Canvas cobbles() {
    Canvas canvas(kSize, kSize);
    canvas.fill([](double u, double v) {
        const CellSample cell = cellNoise(u, v, 16, 16, 561, 0.5);
        const double noise = fractalNoise(u, v, 16, 16, 3, 0.5, 562);
        const Rgba stone = shade(between(cell.id, hex(0x6c6861), hex(0x9a958b)),
                                 (1.15 - 0.55 * cell.f1) * (0.9 + 0.15 * noise));
        return mix(hex(0x2f2c28), stone, smoothstep(0.03, 0.1, cell.f2 - cell.f1));
    });
    return canvas;
}

Canvas corrugated() {
    Canvas canvas(kSize, kSize);
    canvas.fill([](double u, double v) {
        const double rib = std::sin(kTau * u * 16);
        const double stain = fractalNoise(u, v, 4, 4, 5, 0.55, 571);
        return shade(hex(0x9aa1a6), (0.85 + 0.18 * rib) * (0.85 + 0.25 * stain));
    });
    return canvas;
}

} // namespace datagen::makers
