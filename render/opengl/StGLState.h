#pragma once
#include <GL/gl.h>

namespace render::opengl {

// Scoped savers of GL state. Each one saves a piece of state when created and puts it back
// when destroyed. They save through the attribute and matrix stacks, never by reading the
// state back, so they work the same when the calls are being compiled into a display list
// (the saved state is then the one in force when the list runs, not when it was compiled).
// Each one takes one entry of the attribute stack (at least 16 deep) or of the model-view
// stack (at least 32 deep): nest them per item, never per node of a tree.

// Saves the attribute groups of `mask` (GL_CURRENT_BIT, GL_ENABLE_BIT ...).
class StGLAttrib {
public:
    explicit StGLAttrib(GLbitfield mask) { glPushAttrib(mask); }
    virtual ~StGLAttrib() { glPopAttrib(); }
    StGLAttrib(const StGLAttrib&) = delete;
    StGLAttrib& operator=(const StGLAttrib&) = delete;
};

// The current colour (with the current normal and texture coordinates).
class StGLColor : public StGLAttrib {
public:
    StGLColor() : StGLAttrib(GL_CURRENT_BIT) {}
};

// The front-face winding (with the cull-face settings and polygon mode).
class StGLFrontFace : public StGLAttrib {
public:
    StGLFrontFace() : StGLAttrib(GL_POLYGON_BIT) {}
    // Saves, then sets the winding.
    explicit StGLFrontFace(GLenum winding) : StGLAttrib(GL_POLYGON_BIT) { glFrontFace(winding); }
};

// The depth-write mask, depth function and depth test.
class StGLDepth : public StGLAttrib {
public:
    StGLDepth() : StGLAttrib(GL_DEPTH_BUFFER_BIT | GL_ENABLE_BIT) {}
};

// Blending (enable, function) and texturing, lighting and the other enables.
class StGLBlend : public StGLAttrib {
public:
    StGLBlend() : StGLAttrib(GL_COLOR_BUFFER_BIT | GL_ENABLE_BIT) {}
};

// The model-view matrix.
class StGLMatrix {
public:
    StGLMatrix() { glPushMatrix(); }
    virtual ~StGLMatrix() { glPopMatrix(); }
    StGLMatrix(const StGLMatrix&) = delete;
    StGLMatrix& operator=(const StGLMatrix&) = delete;
};

} // namespace render::opengl
