#include "tools/datagen/Noise.h"
#include "tools/datagen/Random.h"
#include "tools/datagen/TextureMakers.h"

#include <cmath>
#include <numbers>

namespace datagen::makers {

namespace {

constexpr int kSize = 256;
constexpr double kTau = 2 * std::numbers::pi;

// A colour between `low` and `high` picked by the id of a cell.
Rgba cellTone(std::uint32_t id, const Rgba& low, const Rgba& high) {
    return mix(low, high, static_cast<double>(id % 1000) / 999.0);
}

} // namespace

Canvas grass() {
    Canvas canvas(kSize, kSize);
    canvas.fill([](double u, double v) {
        const double broad = fractalNoise(u, v, 4, 4, 5, 0.55, 11);
        const double fine = valueNoise(u, v, 64, 64, 12);
        const Rgba base = mix(hex(0x3d6a27), hex(0x7aa543), smoothstep(0.25, 0.75, broad));
        return shade(base, 0.88 + 0.2 * fine);
    });
    Random random(21);
    for (int blade = 0; blade < 1800; ++blade) {
        const double x = random.range(0, kSize);
        const double y = random.range(0, kSize);
        const double angle = random.range(-0.5, 0.5) - std::numbers::pi / 2;
        const double length = random.range(4, 9);
        const Rgba colour = mix(hex(0x2f5a1e), hex(0xa4c964), random.unit());
        canvas.line(x, y, x + std::cos(angle) * length, y + std::sin(angle) * length, 1.1,
                    Rgba{colour.r, colour.g, colour.b, 0.7}, true);
    }
    return canvas;
}

Canvas leaves() {
    Canvas canvas(kSize, kSize, true);
    // The gaps carry a leaf green, so filtering at leaf edges blends towards green, not black.
    canvas.fill([](double, double) {
        Rgba gap = hex(0x4f8a35);
        gap.a = 0;
        return gap;
    });
    Random random(31);
    for (int leaf = 0; leaf < 260; ++leaf) {
        const double x = random.range(0, kSize);
        const double y = random.range(0, kSize);
        const double angle = random.range(0, kTau);
        const double length = random.range(9, 15);
        const double width = length * random.range(0.38, 0.5);
        const Rgba colour = mix(hex(0x2e6b22), hex(0x8fc456), random.unit());
        canvas.fillEllipse(x, y, length, width, angle, colour, true);
        const double c = std::cos(angle) * length * 0.85;
        const double s = std::sin(angle) * length * 0.85;
        canvas.line(x - c, y - s, x + c, y + s, 0.9, shade(colour, 0.7), true);
    }
    return canvas;
}

Canvas rock() {
    Canvas canvas(kSize, kSize);
    canvas.fill([](double u, double v) {
        // Layered rock: strata bent by broad noise, weathered by finer noise and a few cracks.
        const double bend = fractalNoise(u, v, 2, 2, 4, 0.5, 41);
        const double strata = 0.5 + 0.5 * std::sin(kTau * (v * 5 + 1.8 * bend));
        const double grain = fractalNoise(u, v, 8, 8, 5, 0.6, 42);
        const CellSample cell = cellNoise(u, v, 4, 4, 43, 0.9);
        const double crack = smoothstep(0.0, 0.035, cell.f2 - cell.f1);
        const Rgba base = mix(hex(0x6f6a60), hex(0xa39d90), 0.55 * strata + 0.45 * grain);
        return shade(base, (0.78 + 0.35 * grain) * (0.55 + 0.45 * crack));
    });
    return canvas;
}

Canvas gravel() {
    Canvas canvas(kSize, kSize);
    canvas.fill([](double u, double v) {
        const CellSample cell = cellNoise(u, v, 24, 24, 71);
        const double soil = fractalNoise(u, v, 8, 8, 4, 0.5, 72);
        const Rgba ground = shade(hex(0x5a4b3b), 0.8 + 0.3 * soil);
        const Rgba stone =
            shade(cellTone(cell.id, hex(0x7d7468), hex(0xb3a995)), 1.15 - 0.6 * cell.f1);
        return mix(ground, stone, smoothstep(0.5, 0.38, cell.f1));
    });
    return canvas;
}

Canvas sand() {
    Canvas canvas(kSize, kSize);
    canvas.fill([](double u, double v) {
        const double warp = fractalNoise(u, v, 3, 3, 4, 0.5, 281);
        const double ripple = 0.5 + 0.5 * std::sin(kTau * (v * 9 + u * 2 + 1.6 * warp));
        const double speck = valueNoise(u, v, kSize, kSize, 282);
        return shade(hex(0xd6c396), 0.86 + 0.1 * ripple + 0.1 * speck);
    });
    return canvas;
}

Canvas terrainDetail() {
    Canvas canvas(kSize, kSize);
    canvas.fill([](double u, double v) {
        const double broad = fractalNoise(u, v, 4, 4, 4, 0.5, 301);
        const double fine = fractalNoise(u, v, 32, 32, 2, 0.5, 302);
        const Rgba base = mix(hex(0xd3dfc4), hex(0xf4f1e4), broad);
        return shade(base, 0.9 + 0.1 * fine);
    });
    return canvas;
}

Canvas ballast() {
    Canvas canvas(kSize, kSize / 2, true);
    canvas.fill([](double u, double v) {
        const CellSample cell = cellNoise(u, v, 32, 16, 491);
        const double stone = smoothstep(0.52, 0.4, cell.f1);
        const Rgba gap = hex(0x3e3a35);
        const Rgba face =
            shade(cellTone(cell.id, hex(0x807b73), hex(0xbdb7ab)), 1.12 - 0.5 * cell.f1);
        Rgba colour = mix(gap, face, stone);
        const double edge = std::min(smoothstep(0.0, 0.2, v), smoothstep(1.0, 0.8, v));
        colour.a = clamp01(edge * (0.75 + 0.25 * stone) * 1.2);
        return colour;
    });
    return canvas;
}

Canvas dirtPath() {
    Canvas canvas(kSize, kSize);
    canvas.fill([](double u, double v) {
        const double earth = fractalNoise(u, v, 6, 6, 5, 0.55, 461);
        const CellSample pebble = cellNoise(u, v, 40, 40, 462);
        const Rgba base = mix(hex(0x7a5e3f), hex(0xa88a62), smoothstep(0.3, 0.7, earth));
        const Rgba stone = cellTone(pebble.id, hex(0x9b9284), hex(0xc9bfae));
        return mix(base, stone, smoothstep(0.25, 0.15, pebble.f1) * 0.8);
    });
    return canvas;
}

Canvas hedge() {
    Canvas canvas(kSize, kSize);
    canvas.fill([](double u, double v) {
        const CellSample leaf = cellNoise(u, v, 28, 28, 541);
        const double depth = fractalNoise(u, v, 4, 4, 4, 0.5, 542);
        const Rgba tone = cellTone(leaf.id, hex(0x24521c), hex(0x5f9a3a));
        return shade(tone, (1.15 - 0.7 * leaf.f1) * (0.6 + 0.5 * depth));
    });
    return canvas;
}

} // namespace datagen::makers
