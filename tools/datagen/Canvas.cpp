#include "tools/datagen/Canvas.h"

#include "image/PngCodec.h"
#include "tools/datagen/Noise.h"

#include <algorithm>
#include <cmath>

namespace datagen {

Rgba hex(std::uint32_t rgb, double alpha) {
    return {((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0, alpha};
}

Rgba mix(const Rgba& from, const Rgba& to, double t) {
    return {from.r + (to.r - from.r) * t, from.g + (to.g - from.g) * t,
            from.b + (to.b - from.b) * t, from.a + (to.a - from.a) * t};
}

Rgba shade(const Rgba& colour, double factor) {
    return {colour.r * factor, colour.g * factor, colour.b * factor, colour.a};
}

double clamp01(double value) {
    return std::clamp(value, 0.0, 1.0);
}

double smoothstep(double edge0, double edge1, double x) {
    const double t = clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3 - 2 * t);
}

Canvas::Canvas(int width, int height, bool alpha)
    : width_(width), height_(height), alpha_(alpha),
      pixels_(static_cast<std::size_t>(width) * height, Rgba{0, 0, 0, alpha ? 0.0 : 1.0}) {}

void Canvas::blend(int x, int y, const Rgba& colour, double coverage) {
    const double k = clamp01(coverage) * clamp01(colour.a);
    if (k <= 0) {
        return;
    }
    Rgba& pixel = at(x, y);
    const double outAlpha = k + pixel.a * (1 - k);
    if (outAlpha <= 0) {
        return;
    }
    const double keep = pixel.a * (1 - k);
    pixel.r = (colour.r * k + pixel.r * keep) / outAlpha;
    pixel.g = (colour.g * k + pixel.g * keep) / outAlpha;
    pixel.b = (colour.b * k + pixel.b * keep) / outAlpha;
    pixel.a = outAlpha;
}

void Canvas::paint(const std::function<double(double, double)>& distance, double x0, double y0,
                   double x1, double y1, const Rgba& colour, bool wrap) {
    int left = static_cast<int>(std::floor(std::min(x0, x1))) - 1;
    int right = static_cast<int>(std::ceil(std::max(x0, x1))) + 1;
    int top = static_cast<int>(std::floor(std::min(y0, y1))) - 1;
    int bottom = static_cast<int>(std::ceil(std::max(y0, y1))) + 1;
    if (!wrap) {
        left = std::max(left, 0);
        top = std::max(top, 0);
        right = std::min(right, width_ - 1);
        bottom = std::min(bottom, height_ - 1);
    } else {
        // A shape wider than the picture would paint some pixels twice.
        right = std::min(right, left + width_ - 1);
        bottom = std::min(bottom, top + height_ - 1);
    }
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            const double d = distance(x + 0.5, y + 0.5);
            const double coverage = 0.5 - d;
            if (coverage > 0) {
                blend(wrapIndex(x, width_), wrapIndex(y, height_), colour, coverage);
            }
        }
    }
}

void Canvas::fillRect(double x0, double y0, double x1, double y1, const Rgba& colour, bool wrap,
                      double radius) {
    const double cx = (x0 + x1) / 2;
    const double cy = (y0 + y1) / 2;
    const double hx = std::abs(x1 - x0) / 2;
    const double hy = std::abs(y1 - y0) / 2;
    const double r = std::min({radius, hx, hy});
    paint(
        [=](double px, double py) {
            const double qx = std::abs(px - cx) - hx + r;
            const double qy = std::abs(py - cy) - hy + r;
            const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
            return outside + std::min(std::max(qx, qy), 0.0) - r;
        },
        x0, y0, x1, y1, colour, wrap);
}

void Canvas::fillEllipse(double cx, double cy, double rx, double ry, double angle,
                         const Rgba& colour, bool wrap) {
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const double extent = std::max(rx, ry);
    const double scale = std::min(rx, ry);
    paint(
        [=](double px, double py) {
            const double dx = px - cx;
            const double dy = py - cy;
            const double lx = (dx * c + dy * s) / rx;
            const double ly = (-dx * s + dy * c) / ry;
            return (std::hypot(lx, ly) - 1) * scale;
        },
        cx - extent, cy - extent, cx + extent, cy + extent, colour, wrap);
}

void Canvas::line(double x0, double y0, double x1, double y1, double width, const Rgba& colour,
                  bool wrap) {
    const double half = width / 2;
    const double dx = x1 - x0;
    const double dy = y1 - y0;
    const double length2 = dx * dx + dy * dy;
    paint(
        [=](double px, double py) {
            double t = length2 > 0 ? ((px - x0) * dx + (py - y0) * dy) / length2 : 0;
            t = clamp01(t);
            return std::hypot(px - (x0 + t * dx), py - (y0 + t * dy)) - half;
        },
        std::min(x0, x1) - half, std::min(y0, y1) - half, std::max(x0, x1) + half,
        std::max(y0, y1) + half, colour, wrap);
}

std::vector<std::uint8_t> Canvas::rgbBytes() const {
    const int channels = alpha_ ? 4 : 3;
    std::vector<std::uint8_t> out;
    out.reserve(pixels_.size() * channels);
    auto byte = [](double value) {
        return static_cast<std::uint8_t>(std::lround(clamp01(value) * 255));
    };
    for (const Rgba& pixel : pixels_) {
        out.push_back(byte(pixel.r));
        out.push_back(byte(pixel.g));
        out.push_back(byte(pixel.b));
        if (alpha_) {
            out.push_back(byte(pixel.a));
        }
    }
    return out;
}

std::vector<std::uint8_t> Canvas::png() const {
    return image::encodePngBytes(rgbBytes(), width_, height_, alpha_ ? 4 : 3);
}

image::Picture Canvas::picture() const {
    return image::decodePngPicture(png());
}

} // namespace datagen
