#include "tools/datagen/Noise.h"
#include "tools/datagen/Random.h"
#include "tools/datagen/TextureMakers.h"

#include <cmath>
#include <numbers>

namespace datagen::makers {

namespace {

constexpr int kSkySize = 256;
constexpr double kTau = 2 * std::numbers::pi;

// The sky dome seen from below: the zenith in the middle of the picture, the horizon at its
// rim. `cover` (0 … 1) is how much of the sky the clouds take; `cloud` their lit colour.
Canvas skyWith(const Rgba& zenith, const Rgba& horizon, double cover, const Rgba& cloud,
               double streak, std::uint32_t seed) {
    Canvas canvas(kSkySize, kSkySize);
    canvas.fill([&](double u, double v) {
        const double r = std::min(1.0, std::hypot(u - 0.5, v - 0.5) * 2);
        const Rgba sky = mix(zenith, horizon, std::pow(r, 1.6));
        // Streaky clouds stretch along u; puffy ones use the same cells both ways.
        const int cellsV = streak > 0 ? 12 : 4;
        const double n = fractalNoise(u, v, 3, cellsV, 6, 0.55, seed);
        const double threshold = 1 - cover;
        const double density = smoothstep(threshold - 0.12, threshold + 0.12, n);
        const double lit = 0.82 + 0.3 * fractalNoise(u, v, 6, 6, 3, 0.5, seed + 7);
        return mix(sky, shade(cloud, lit), density * 0.95);
    });
    return canvas;
}

} // namespace

Canvas skyBlue1() {
    return skyWith(hex(0x2a66c9), hex(0xd5e6f5), 0.3, hex(0xffffff), 0, 341);
}
Canvas skyBlue2() {
    return skyWith(hex(0x4a8ddf), hex(0xe3eef8), 0.3, hex(0xf8fbff), 1, 351);
}
Canvas skyCloudy1() {
    return skyWith(hex(0x5a86bd), hex(0xd9e2ea), 0.45, hex(0xf2f2f2), 0, 361);
}
Canvas skyCloudy2() {
    return skyWith(hex(0x7d93ab), hex(0xd0d5da), 0.68, hex(0xd8dadd), 0, 371);
}
Canvas skyCloudy3() {
    return skyWith(hex(0x767d86), hex(0xaeb3b8), 0.92, hex(0x9ca1a7), 0, 381);
}

Canvas skyNight() {
    constexpr int size = 128;
    Canvas canvas(size, size);
    canvas.fill([](double u, double v) {
        const double haze = fractalNoise(u, v, 4, 4, 4, 0.5, 391);
        return mix(hex(0x050918), hex(0x121c3c), haze * 0.8);
    });
    Random random(392);
    for (int star = 0; star < 26; ++star) {
        const double x = random.range(0, size);
        const double y = random.range(0, size);
        const double brightness = random.range(0.55, 1.0);
        const double radius = random.range(0.5, 1.1);
        const Rgba tint =
            mix(hex(0xffffff), random.unit() < 0.5 ? hex(0xbcd0ff) : hex(0xfff0c8), random.unit());
        canvas.fillEllipse(x, y, radius * 2.2, radius * 2.2, 0,
                           Rgba{tint.r, tint.g, tint.b, 0.25 * brightness}, true);
        canvas.fillEllipse(x, y, radius, radius, 0, Rgba{tint.r, tint.g, tint.b, brightness}, true);
    }
    return canvas;
}

Canvas water(int frame) {
    constexpr int size = 128;
    constexpr int frames = 14;
    // Waves with whole numbers of crests per picture (so they tile) whose phases advance by
    // whole turns over the 14 frames (so the sequence loops).
    struct Wave {
        int kx, ky, turns;
        double amplitude, phase;
    };
    constexpr Wave waves[] = {
        {2, 1, 1, 1.0, 0.3}, {-1, 3, 2, 0.7, 1.9},   {3, -2, -1, 0.55, 4.0},
        {5, 4, 3, 0.3, 2.2}, {-6, 5, -2, 0.25, 5.1}, {8, -3, 4, 0.15, 0.7},
    };
    const double time = static_cast<double>(frame) / frames;
    Canvas canvas(size, size);
    canvas.fill([&](double u, double v) {
        double dx = 0;
        double dy = 0;
        double height = 0;
        for (const Wave& w : waves) {
            const double angle = kTau * (w.kx * u + w.ky * v + w.turns * time) + w.phase;
            height += w.amplitude * std::sin(angle);
            dx += w.amplitude * w.kx * std::cos(angle);
            dy += w.amplitude * w.ky * std::cos(angle);
        }
        // Light from the upper left: slopes facing it glint.
        const double light = clamp01(0.5 + 0.04 * (-dx - dy));
        const double glint = smoothstep(0.72, 0.9, light);
        const Rgba deep = hex(0x1d4b73);
        const Rgba shallow = hex(0x4f88b4);
        const Rgba colour = mix(deep, shallow, clamp01(0.5 + 0.15 * height));
        return mix(shade(colour, 0.8 + 0.4 * light), hex(0xd4ecfa), glint * 0.8);
    });
    return canvas;
}

Canvas smokePuff() {
    constexpr int size = 128;
    Canvas canvas(size, size, true);
    canvas.fill([](double u, double v) {
        const double r = std::hypot(u - 0.5, v - 0.5) * 2;
        const double billow = fractalNoise(u, v, 4, 4, 4, 0.55, 131);
        const double density = clamp01(smoothstep(0.95, 0.35, r + 0.4 * (billow - 0.5)));
        Rgba colour = shade(hex(0xe6e4e0), 0.82 + 0.25 * billow);
        colour.a = density * (0.8 + 0.2 * billow);
        return colour;
    });
    return canvas;
}

} // namespace datagen::makers
