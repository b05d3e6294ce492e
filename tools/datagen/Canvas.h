#pragma once
#include "image/Picture.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace datagen {

// A colour with components in 0 … 1.
struct Rgba {
    double r = 0;
    double g = 0;
    double b = 0;
    double a = 1;
};

// 0xRRGGBB as a colour.
Rgba hex(std::uint32_t rgb, double alpha = 1);
Rgba mix(const Rgba& from, const Rgba& to, double t);
// The colour's red, green and blue times `factor` (alpha kept).
Rgba shade(const Rgba& colour, double factor);
double clamp01(double value);
double smoothstep(double edge0, double edge1, double x);

// A picture being painted, in floating point: rows from the top, pixel (x, y) centred at
// (x + 0.5, y + 0.5). Shapes are anti-aliased from their signed distance in pixels; with
// `wrap` they repeat across the edges, so that a tiling texture stays seamless.
class Canvas {
public:
    Canvas(int width, int height, bool alpha = false);

    int width() const { return width_; }
    int height() const { return height_; }
    bool hasAlpha() const { return alpha_; }

    Rgba& at(int x, int y) { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }
    const Rgba& at(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }

    // Sets every pixel to f(u, v) with u = (x + 0.5) / width and v = (y + 0.5) / height.
    template <typename F> void fill(F f) {
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                at(x, y) = f((x + 0.5) / width_, (y + 0.5) / height_);
            }
        }
    }

    // Blends `colour` over the pixels where distance(px, py) < 0 (pixel units), looking only
    // at the box [x0, x1] × [y0, y1].
    void paint(const std::function<double(double, double)>& distance, double x0, double y0,
               double x1, double y1, const Rgba& colour, bool wrap);

    void fillRect(double x0, double y0, double x1, double y1, const Rgba& colour, bool wrap = false,
                  double radius = 0);
    void fillEllipse(double cx, double cy, double rx, double ry, double angle, const Rgba& colour,
                     bool wrap = false);
    void line(double x0, double y0, double x1, double y1, double width, const Rgba& colour,
              bool wrap = false);

    // 8-bit RGB (or RGBA) rows, rounded.
    std::vector<std::uint8_t> rgbBytes() const;
    std::vector<std::uint8_t> png() const;
    image::Picture picture() const;

private:
    void blend(int x, int y, const Rgba& colour, double coverage);

    int width_;
    int height_;
    bool alpha_;
    std::vector<Rgba> pixels_;
};

} // namespace datagen
