#include "render/opengl/GLErrors.h"

#include <GL/gl.h>

#include <string>

#include "platform/Debug.h"

namespace render::opengl {

unsigned checkGLError(const char* label) {
    const GLenum first = glGetError();
    if (first == GL_NO_ERROR) {
        return 0;
    }
    for (int i = 0; i < 6 && glGetError() != GL_NO_ERROR; ++i) {
    }
    if (platform::debugEnabled()) {
        platform::debugOut(std::string("GL error ") + std::to_string(first) + " at " + label);
    }
    return first;
}

bool listBeingCompiled() {
    GLint index = 0;
    glGetIntegerv(GL_LIST_INDEX, &index);
    return index != 0;
}

} // namespace render::opengl
