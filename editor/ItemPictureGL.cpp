#include "editor/ItemPictureGL.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>

#include <memory>
#include <string>

#include "image/FileBytes.h"
#include "items/C3DItemObject.h"
#include "render/opengl/ItemPreview.h"

namespace editor {

namespace {

// Makes the previous context current again when the picture is done.
class RestoreContext {
public:
    RestoreContext()
        : context_(QOpenGLContext::currentContext()),
          surface_(context_ ? context_->surface() : nullptr) {}
    ~RestoreContext() {
        if (context_ && surface_) {
            context_->makeCurrent(surface_);
        }
    }
    RestoreContext(const RestoreContext&) = delete;
    RestoreContext& operator=(const RestoreContext&) = delete;

private:
    QOpenGLContext* context_;
    QSurface* surface_;
};

} // namespace

QImage renderItemPictureGL(const std::filesystem::path& file, QSize size) {
    render::opengl::ItemView view;
    view.width = size.width();
    view.height = size.height();
    const auto [drawWidth, drawHeight] = render::opengl::previewDrawSize(view);
    if (size.isEmpty() || drawWidth > render::opengl::kMaxPreviewSize * 2) {
        return {};
    }
    const auto bytes = image::readFileBytes(file);
    auto item = std::make_unique<items::C3DItemObject>();
    if (!bytes || !item->loadFromMemory(*bytes) || !render::opengl::hasDrawableParts(*item)) {
        return {};
    }
    const RestoreContext restore;
    QSurfaceFormat format;
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setDepthBufferSize(24);
    QOffscreenSurface surface;
    surface.setFormat(format);
    surface.create();
    QOpenGLContext context;
    context.setFormat(format);
    if (!surface.isValid() || !context.create() || !context.makeCurrent(&surface)) {
        return {};
    }
    QImage out;
    {
        QOpenGLFramebufferObject target(drawWidth, drawHeight,
                                        QOpenGLFramebufferObject::CombinedDepthStencil);
        if (target.isValid() && target.bind()) {
            std::string error;
            const auto picture = render::opengl::drawItemPreviewHere(*item, view, error);
            if (picture) {
                out = QImage(picture->rgb.data(), picture->width, picture->height,
                             picture->width * 3, QImage::Format_RGB888)
                          .copy();
            }
            target.release();
        }
    }
    context.doneCurrent();
    return out;
}

} // namespace editor
