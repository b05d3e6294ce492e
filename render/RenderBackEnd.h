#pragma once
#include "render/Camera.h"

namespace render {

class CDocumentRenderer;

// The graphics back end of the renderer: every call into the graphics library goes through
// it, so the renderer's own state stays testable without a context. It draws into whatever
// context is current on the calling thread.
class RenderBackEnd {
public:
    virtual ~RenderBackEnd() = default;

    // Loads the built-in textures and the HUD font into the current context; false when no
    // context is current.
    virtual bool initialise(CDocumentRenderer& renderer) = 0;
    // How many light units the context offers (at least 1).
    virtual int lightUnitCount() const = 0;
    // Depth test, colour material, normalize, lighting, auto-normal, face culling, smooth
    // shading and the stencil test on; model-view identity.
    virtual void initState() = 0;
    virtual void applyClearColour(CDocumentRenderer& renderer) = 0;
    virtual void applyProjection(const CameraState& camera) = 0;
    virtual void applyLookAt(const CameraPose& pose) = 0;
    // One whole frame in the renderer's order; the caller holds the render lock.
    virtual void drawFrame(CDocumentRenderer& renderer) = 0;
    // Releases every cached list, texture and font of the current context.
    virtual void shutdown() = 0;
};

} // namespace render
