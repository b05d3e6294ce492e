#include "render/opengl/CachedLists.h"

#include <GL/gl.h>

#include "render/opengl/GLErrors.h"

namespace render::opengl {

bool CachedLists::call(std::int32_t key) {
    if (key == 0) {
        return false;
    }
    const auto found = lists_.find(key);
    if (found == lists_.end()) {
        return false;
    }
    if (found->second == 0 || glIsList(found->second) != GL_TRUE) {
        found->second = 0;
        return false;
    }
    glCallList(found->second);
    ++called_;
    return true;
}

bool CachedLists::begin(std::int32_t key) {
    if (key == 0 || recording_ || listBeingCompiled()) {
        return false;
    }
    const auto found = lists_.find(key);
    if (found != lists_.end() && found->second != 0 && glIsList(found->second) == GL_TRUE) {
        return false;
    }
    const GLuint name = glGenLists(1);
    if (checkGLError("CachedLists::begin glGenLists") != 0 || name == 0) {
        if (found != lists_.end()) {
            lists_.erase(found);
        }
        return false;
    }
    // Compiled, then called: a list drawn while it is recorded would not always give the
    // same pixels as the list called later (the rails' material changes, for one).
    glNewList(name, GL_COMPILE);
    if (checkGLError("CachedLists::begin glNewList") != 0) {
        glDeleteLists(name, 1);
        if (found != lists_.end()) {
            lists_.erase(found);
        }
        return false;
    }
    lists_[key] = name;
    recordingName_ = name;
    ++compiled_;
    compiling_ = true;
    recording_ = true;
    return true;
}

void CachedLists::end() {
    if (!recording_) {
        return;
    }
    glEndList();
    recording_ = false;
    glCallList(recordingName_);
}

void CachedLists::remove(std::int32_t key) {
    const auto found = lists_.find(key);
    if (found == lists_.end()) {
        return;
    }
    if (found->second != 0 && glIsList(found->second) == GL_TRUE) {
        glDeleteLists(found->second, 1);
    }
    lists_.erase(found);
}

void CachedLists::removeRange(std::int32_t first, std::int32_t last) {
    for (auto it = lists_.lower_bound(first); it != lists_.end() && it->first <= last;) {
        if (it->second != 0 && glIsList(it->second) == GL_TRUE) {
            glDeleteLists(it->second, 1);
        }
        it = lists_.erase(it);
    }
}

void CachedLists::releaseAll() {
    for (const auto& [key, name] : lists_) {
        if (name != 0 && glIsList(name) == GL_TRUE) {
            glDeleteLists(name, 1);
        }
    }
    lists_.clear();
    compiling_ = false;
}

unsigned CachedLists::listName(std::int32_t key) const {
    const auto found = lists_.find(key);
    return found == lists_.end() ? 0u : found->second;
}

} // namespace render::opengl
