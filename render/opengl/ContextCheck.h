#pragma once
#include <string>

namespace render::opengl {

// What the current OpenGL context offers the renderer.
struct ContextFacts {
    // A context is current and reports a version of at least 1.1.
    bool usable = false;
    // The context rasterises in software (no accelerator).
    bool software = false;
    std::string vendor;
    std::string renderer;
    std::string version;
};

// Reads the current context's vendor, renderer and version strings; nothing usable when no
// context is current.
ContextFacts inspectCurrentContext();

// True for the renderer names of software rasterisers.
bool isSoftwareRenderer(const std::string& rendererName);

} // namespace render::opengl
