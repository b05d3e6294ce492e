#include "tools/datagen/Glyphs.h"
#include "tools/datagen/Noise.h"
#include "tools/datagen/TextureMakers.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace datagen::makers {

namespace {

struct Point {
    double x;
    double y;
};

// Fills a convex polygon (corners in order), anti-aliased by its signed edge distances.
void fillPolygon(Canvas& canvas, const std::vector<Point>& corners, const Rgba& colour) {
    double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
    double area = 0;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const Point& a = corners[i];
        const Point& b = corners[(i + 1) % corners.size()];
        area += a.x * b.y - b.x * a.y;
        x0 = std::min(x0, a.x);
        y0 = std::min(y0, a.y);
        x1 = std::max(x1, a.x);
        y1 = std::max(y1, a.y);
    }
    const double orientation = area >= 0 ? 1 : -1;
    canvas.paint(
        [&](double px, double py) {
            double d = -1e9;
            for (std::size_t i = 0; i < corners.size(); ++i) {
                const Point& a = corners[i];
                const Point& b = corners[(i + 1) % corners.size()];
                const double ex = b.x - a.x;
                const double ey = b.y - a.y;
                const double length = std::hypot(ex, ey);
                if (length > 0) {
                    d = std::max(d, -orientation * (ex * (py - a.y) - ey * (px - a.x)) / length);
                }
            }
            return d;
        },
        x0, y0, x1, y1, colour, false);
}

Canvas whiteCanvas(int width, int height) {
    Canvas canvas(width, height);
    canvas.fill([](double, double) { return hex(0xffffff); });
    return canvas;
}

void centredText(Canvas& canvas, const std::string& text, double centreY, double height,
                 const Rgba& colour) {
    const double width = textWidth(text, height);
    drawText(canvas, text, (canvas.width() - width) / 2, centreY - height / 2, height, colour);
}

} // namespace

Canvas reversingSign() {
    Canvas canvas(128, 128);
    canvas.fill([](double, double) { return hex(0x3a3a3a); });
    canvas.fillRect(6, 6, 122, 122, hex(0xf4f4f0), false, 8);
    canvas.fillRect(14, 14, 114, 114, hex(0xc8281e), false, 4);
    canvas.fillRect(26, 54, 102, 74, hex(0xf4f4f0), false, 3);
    return canvas;
}

Canvas namePlate() {
    Canvas canvas(256, 64);
    canvas.fill([](double u, double v) {
        const double bevel = std::min({u * 256, (1 - u) * 256, v * 64, (1 - v) * 64});
        const double lightSide = v < 0.5 ? 1.15 : 0.8;
        const double brush = fractalNoise(u, v, 2, 32, 3, 0.5, 81);
        const Rgba brass = shade(mix(hex(0xa98434), hex(0xd9b862), v), 0.9 + 0.15 * brush);
        return shade(brass, bevel < 4 ? lightSide : 1.0);
    });
    canvas.fillRect(8, 8, 248, 56, Rgba{0.25, 0.17, 0.06, 0.0}, false);
    for (double inset : {8.0}) {
        const Rgba line = hex(0x5a4014);
        canvas.line(inset, inset, 256 - inset, inset, 1.5, line);
        canvas.line(inset, 64 - inset, 256 - inset, 64 - inset, 1.5, line);
        canvas.line(inset, inset, inset, 64 - inset, 1.5, line);
        canvas.line(256 - inset, inset, 256 - inset, 64 - inset, 1.5, line);
    }
    centredText(canvas, "ZARNOLT", 32.5, 28, hex(0x3b2a10));
    centredText(canvas, "ZARNOLT", 31.5, 28, hex(0x4a3614, 0.6));
    return canvas;
}

Canvas stationBoard() {
    Canvas canvas = whiteCanvas(256, 128);
    const Rgba frame = hex(0x1f1f1f);
    canvas.fillRect(0, 0, 256, 5, frame);
    canvas.fillRect(0, 123, 256, 128, frame);
    canvas.fillRect(0, 0, 5, 128, frame);
    canvas.fillRect(251, 0, 256, 128, frame);
    canvas.fillRect(5, 88, 251, 104, hex(0x1f5fa8));
    centredText(canvas, "STATION", 47, 34, hex(0x111111));
    return canvas;
}

Canvas digitStrip() {
    constexpr int width = 512;
    constexpr int height = 64;
    Canvas canvas = whiteCanvas(width, height);
    const double cell = width / 10.0;
    const double glyphHeight = 46;
    for (int digit = 0; digit < 10; ++digit) {
        const std::string text(1, static_cast<char>('0' + digit));
        const double x = digit * cell + (cell - textWidth(text, glyphHeight)) / 2;
        drawText(canvas, text, x, (height - glyphHeight) / 2, glyphHeight, hex(0x101010));
    }
    return canvas;
}

Canvas defaultPiece() {
    Canvas canvas = whiteCanvas(40, 40);
    canvas.fillRect(2, 2, 38, 38, hex(0x6e6e6e), false, 4);
    canvas.fillRect(3.5, 3.5, 36.5, 36.5, hex(0xf2f2f2), false, 3);
    // A small box seen from above and the side.
    const Point top{20, 8}, left{9, 14}, right{31, 14}, middle{20, 20};
    const Point bottom{20, 33}, leftFoot{9, 27}, rightFoot{31, 27};
    fillPolygon(canvas, {top, right, middle, left}, hex(0xc9d5e2));
    fillPolygon(canvas, {left, middle, bottom, leftFoot}, hex(0x8ea3b9));
    fillPolygon(canvas, {middle, right, rightFoot, bottom}, hex(0x5e738b));
    return canvas;
}

Canvas skyDomeHeights() {
    Canvas canvas(256, 256);
    canvas.fill([](double u, double v) {
        const double r = std::hypot(u - 0.5, v - 0.5) * 2;
        const double height = std::pow(clamp01(1 - r * r), 0.7);
        return Rgba{height, height, height, 1};
    });
    return canvas;
}

// The default vehicle pictures are top views on white, heading right (+x), 56 × 56.

Canvas steamLocomotiveTop() {
    Canvas canvas = whiteCanvas(56, 56);
    const double top = 21;
    const double bottom = 35;
    canvas.fillRect(2, top, 16, bottom, hex(0x2a2a2a), false, 1);          // tender
    canvas.fillRect(4, top + 2, 14, bottom - 2, hex(0x111111), false, 1);  // coal
    canvas.fillRect(17, top - 1, 27, bottom + 1, hex(0x1b1b1b), false, 1); // cab roof
    canvas.fillRect(27, top + 1, 49, bottom - 1, hex(0x262626));           // running boards
    canvas.fillRect(27, top + 3, 50, bottom - 3, hex(0x303030), false, 3); // boiler
    canvas.line(28, 27.2, 49, 27.2, 1.2, hex(0x5a5a5a));                   // boiler highlight
    canvas.fillEllipse(37, 28, 2.6, 2.6, 0, hex(0x3c3c3c));                // dome
    canvas.fillEllipse(46, 28, 2.4, 2.4, 0, hex(0x0a0a0a));                // chimney
    canvas.fillRect(52, top, 54, bottom, hex(0xb3261e));                   // buffer beam
    return canvas;
}

Canvas electricLocomotiveTop() {
    Canvas canvas = whiteCanvas(56, 56);
    canvas.fillRect(3, 20, 53, 36, hex(0x2f5f9e), false, 2);
    canvas.fillRect(5, 23, 51, 33, hex(0x8e969e));
    canvas.fillRect(3, 20, 7, 36, hex(0x1d2f47), false, 2);
    canvas.fillRect(49, 20, 53, 36, hex(0x1d2f47), false, 2);
    for (double x : {17.0, 39.0}) {
        const Rgba arm = hex(0x222222);
        canvas.line(x - 5, 28, x, 23.5, 1.2, arm);
        canvas.line(x, 23.5, x + 5, 28, 1.2, arm);
        canvas.line(x + 5, 28, x, 32.5, 1.2, arm);
        canvas.line(x, 32.5, x - 5, 28, 1.2, arm);
        canvas.line(x, 21.5, x, 34.5, 1.6, arm);
    }
    return canvas;
}

Canvas boxCarTop() {
    Canvas canvas = whiteCanvas(56, 56);
    canvas.fillRect(4, 20, 52, 36, hex(0x7a3a22), false, 1);
    for (int k = 1; k < 12; ++k) {
        const double x = 4 + k * 4.0;
        canvas.line(x, 20.5, x, 35.5, 0.8, hex(0x5c2a18));
    }
    canvas.line(4.5, 28, 51.5, 28, 1.0, hex(0x9a5638));
    return canvas;
}

Canvas automobileTop() {
    Canvas canvas = whiteCanvas(56, 56);
    canvas.fillRect(14, 21, 43, 35, hex(0xb8322a), false, 4);
    canvas.fillRect(31, 22.5, 35, 33.5, hex(0x22344a), false, 1.5); // windscreen
    canvas.fillRect(19, 23, 22, 33, hex(0x22344a), false, 1.5);     // rear window
    canvas.fillRect(22, 22.5, 31, 33.5, hex(0xcf463c), false, 1);   // roof
    canvas.fillEllipse(42, 23.5, 0.9, 1.4, 0, hex(0xfff2b0));       // lamps
    canvas.fillEllipse(42, 32.5, 0.9, 1.4, 0, hex(0xfff2b0));
    return canvas;
}

} // namespace datagen::makers
