#include "render/opengl/ItemPreview.h"

#include "items/C3DItemObject.h"
#include "render/opengl/ItemDrawer.h"
#include "render/opengl/OffscreenContext.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace render::opengl {
namespace {

using items::Vec3d;

constexpr double kFovY = 30.0;
// Share of the half field of view the framed box may fill.
constexpr double kFill = 0.9;
// Largest side of the context a frame is drawn into.
constexpr int kMaxContextSize = 2 * kMaxPreviewSize;
constexpr int kSupersample = 2;

Vec3d add(const Vec3d& a, const Vec3d& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec3d sub(const Vec3d& a, const Vec3d& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec3d mul(const Vec3d& a, double k) {
    return {a.x * k, a.y * k, a.z * k};
}
double dot(const Vec3d& a, const Vec3d& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

bool finite(const Vec3d& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

double radians(double degrees) {
    return degrees * std::numbers::pi / 180.0;
}

} // namespace

std::pair<double, double> ItemCamera::project(const Vec3d& point) const {
    const Vec3d v = sub(point, eye);
    const double depth = dot(v, forward);
    const double t = std::tan(radians(fovYDegrees) / 2);
    const double ndcX = dot(v, right) / (depth * t * aspect);
    const double ndcY = dot(v, up) / (depth * t);
    return {(ndcX + 1.0) / 2.0 * width, (1.0 - ndcY) / 2.0 * height};
}

std::optional<ItemCamera> frameBox(const items::BoundingBox& box, const ItemView& view) {
    if (view.width < 1 || view.height < 1 || view.width > kMaxContextSize ||
        view.height > kMaxContextSize || !finite(box.min) || !finite(box.max) ||
        !std::isfinite(view.yawDegrees) || !std::isfinite(view.pitchDegrees)) {
        return std::nullopt;
    }
    ItemCamera camera;
    camera.width = view.width;
    camera.height = view.height;
    camera.aspect = static_cast<double>(view.width) / view.height;
    camera.fovYDegrees = kFovY;
    camera.target = mul(add(box.min, box.max), 0.5);

    const double yaw = radians(view.yawDegrees);
    const double pitch = radians(std::clamp(view.pitchDegrees, -89.0, 89.0));
    // From the target towards the eye.
    const Vec3d back{std::sin(yaw) * std::cos(pitch), std::sin(pitch),
                     std::cos(yaw) * std::cos(pitch)};
    camera.forward = mul(back, -1.0);
    camera.right = {std::cos(yaw), 0.0, -std::sin(yaw)};
    // up = right × forward
    const Vec3d& r = camera.right;
    const Vec3d& f = camera.forward;
    camera.up = {r.y * f.z - r.z * f.y, r.z * f.x - r.x * f.z, r.x * f.y - r.y * f.x};

    const double tanY = std::tan(radians(kFovY) / 2) * kFill;
    const double tanX = std::tan(radians(kFovY) / 2) * camera.aspect * kFill;
    double distance = 0.0;
    double nearest = 0.0;  // largest extent towards the eye
    double farthest = 0.0; // largest extent away from the eye
    for (int corner = 0; corner < 8; ++corner) {
        const Vec3d p{(corner & 1) ? box.max.x : box.min.x, (corner & 2) ? box.max.y : box.min.y,
                      (corner & 4) ? box.max.z : box.min.z};
        const Vec3d v = sub(p, camera.target);
        const double towardsEye = dot(v, back);
        distance = std::max(distance, towardsEye + std::max(std::abs(dot(v, camera.right)) / tanX,
                                                            std::abs(dot(v, camera.up)) / tanY));
        nearest = std::max(nearest, towardsEye);
        farthest = std::max(farthest, -towardsEye);
    }
    const double extent = std::max(nearest, farthest);
    if (!(distance > 0.0)) {
        distance = 1.0; // a box without extent: any distance shows its point
    }
    if (!std::isfinite(distance) || distance > 1e12) {
        return std::nullopt;
    }
    camera.eye = add(camera.target, mul(back, distance));
    camera.nearPlane = std::max((distance - nearest) * 0.5, distance * 1e-3);
    camera.farPlane = distance + farthest + extent + 1.0;
    return camera;
}

void beginPreviewFrame(const ItemCamera& camera) {
    glViewport(0, 0, camera.width, camera.height);
    glClearColor(kPreviewBackground[0] / 255.0f, kPreviewBackground[1] / 255.0f,
                 kPreviewBackground[2] / 255.0f, 1.0f);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(camera.fovYDegrees, camera.aspect, camera.nearPlane, camera.farPlane);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    // The light shines from above the viewer's left shoulder, fixed to the view.
    const GLfloat position[4] = {-0.4f, 0.7f, 0.6f, 0.0f};
    const GLfloat diffuse[4] = {0.85f, 0.85f, 0.85f, 1.0f};
    const GLfloat ambient[4] = {0.35f, 0.35f, 0.35f, 1.0f};
    const GLfloat black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_SPECULAR, black);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);

    gluLookAt(camera.eye.x, camera.eye.y, camera.eye.z, camera.target.x, camera.target.y,
              camera.target.z, camera.up.x, camera.up.y, camera.up.z);

    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_NORMALIZE);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glFrontFace(GL_CCW);
    glShadeModel(GL_SMOOTH);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
}

namespace {

bool nodeHasDrawableParts(const items::C3DObject& node, int depth) {
    if (depth > 2 * items::kMaxNodeDepth) {
        return false;
    }
    if (!node.primitives().empty() || (node.dxfFaces() && !node.dxfFaces()->faces().empty())) {
        return true;
    }
    if (node.ribPolygons()) {
        for (const items::RibRecord& record : node.ribPolygons()->records()) {
            if (record.type != items::RibRecord::Colour) {
                return true;
            }
        }
    }
    if (node.faceSet() && node.faceSet()->sizeCounts().faces > 0 &&
        node.faceSet()->pointCount() >= 3) {
        return true;
    }
    for (const auto& child : node.children()) {
        if (nodeHasDrawableParts(*child, depth + 1)) {
            return true;
        }
    }
    return false;
}

} // namespace

bool hasDrawableParts(const items::C3DItemObject& item) {
    return item.geometryRoot() != nullptr && nodeHasDrawableParts(*item.geometryRoot(), 0);
}

items::BoundingBox previewBox(const items::C3DItemObject& item) {
    items::BoundingBox box = item.boundingBox(1.0);
    for (int i = 0; i < 2; ++i) {
        if ((item.lampMask() & (1u << i)) == 0) {
            continue;
        }
        const double reach = 0.05 * item.lamp(i).size;
        for (bool mirrored : {false, true}) {
            const Vec3d p = item.lampPoint(i, 1.0, mirrored);
            items::expandBox(box, sub(p, {reach, reach, reach}));
            items::expandBox(box, add(p, {reach, reach, reach}));
        }
    }
    return box;
}

namespace {

bool validPreviewSize(const ItemView& view, std::string& error) {
    if (view.width < 1 || view.height < 1 || view.width > kMaxPreviewSize ||
        view.height > kMaxPreviewSize) {
        error = "the picture size must be 1 to " + std::to_string(kMaxPreviewSize) +
                " pixels on each side";
        return false;
    }
    return true;
}

ItemView supersampled(const ItemView& view) {
    ItemView large = view;
    large.width *= kSupersample;
    large.height *= kSupersample;
    return large;
}

} // namespace

std::pair<int, int> previewDrawSize(const ItemView& view) {
    const ItemView large = supersampled(view);
    return {large.width, large.height};
}

std::optional<PreviewPicture> drawItemPreviewHere(const items::C3DItemObject& item,
                                                  const ItemView& view, std::string& error) {
    if (!validPreviewSize(view, error)) {
        return std::nullopt;
    }
    const ItemView large = supersampled(view);
    const std::optional<ItemCamera> camera = frameBox(previewBox(item), large);
    if (!camera) {
        error = "the item model has no finite bounds to frame";
        return std::nullopt;
    }
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(large.width) *
                                     static_cast<std::size_t>(large.height) * 4);
    {
        ItemDrawer drawer;
        beginPreviewFrame(*camera);
        drawer.prepare(item);
        drawer.drawItem(item, 1.0);
        drawer.drawLamps(item, 1.0);
        glFinish();
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, large.width, large.height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    }
    if (glGetError() != GL_NO_ERROR) {
        error = "drawing the item model failed in OpenGL";
        return std::nullopt;
    }

    // Average each square of samples; GL rows run from the bottom.
    PreviewPicture picture;
    picture.width = view.width;
    picture.height = view.height;
    picture.rgb.resize(static_cast<std::size_t>(view.width) * view.height * 3);
    const auto largeWidth = static_cast<std::size_t>(large.width);
    for (int y = 0; y < view.height; ++y) {
        for (int x = 0; x < view.width; ++x) {
            unsigned sum[3] = {0, 0, 0};
            for (int sy = 0; sy < kSupersample; ++sy) {
                const auto glRow =
                    static_cast<std::size_t>(large.height - 1 - (y * kSupersample + sy));
                for (int sx = 0; sx < kSupersample; ++sx) {
                    const std::size_t at =
                        (glRow * largeWidth + static_cast<std::size_t>(x * kSupersample + sx)) * 4;
                    for (int c = 0; c < 3; ++c) {
                        sum[c] += pixels[at + static_cast<std::size_t>(c)];
                    }
                }
            }
            std::uint8_t* out =
                &picture
                     .rgb[(static_cast<std::size_t>(y) * view.width + static_cast<std::size_t>(x)) *
                          3];
            constexpr unsigned samples = kSupersample * kSupersample;
            for (int c = 0; c < 3; ++c) {
                out[c] = static_cast<std::uint8_t>((sum[c] + samples / 2) / samples);
            }
        }
    }
    return picture;
}

std::optional<PreviewPicture> renderItemPreview(const items::C3DItemObject& item,
                                                const ItemView& view, std::string& error) {
    if (!validPreviewSize(view, error)) {
        return std::nullopt;
    }
    const ItemView large = supersampled(view);
    if (!frameBox(previewBox(item), large)) {
        error = "the item model has no finite bounds to frame";
        return std::nullopt;
    }
    OffscreenContext context(large.width, large.height);
    if (!context.valid()) {
        error = "no OpenGL context could be made";
        return std::nullopt;
    }
    return drawItemPreviewHere(item, view, error);
}

} // namespace render::opengl
