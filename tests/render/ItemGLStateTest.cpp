// The scoped GL state savers put back what they saved, also when they are compiled into a
// display list and the state at the call differs from the state at compilation.
#include "render/opengl/OffscreenContext.h"
#include "render/opengl/StGLState.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using namespace render::opengl;

struct SaverCase {
    const char* name;
    std::function<void()> setBefore;     // the state the saver must keep
    std::function<void()> saveAndChange; // makes a saver and changes the state in its scope
    std::function<std::vector<double>()> read;
};

std::vector<double> currentColour() {
    GLfloat c[4];
    glGetFloatv(GL_CURRENT_COLOR, c);
    return {c[0], c[1], c[2], c[3]};
}

std::vector<double> integer(GLenum name) {
    GLint value = 0;
    glGetIntegerv(name, &value);
    return {static_cast<double>(value)};
}

class StateSaver : public testing::TestWithParam<SaverCase> {
protected:
    void SetUp() override {
        context_ = std::make_unique<OffscreenContext>(8, 8);
        ASSERT_TRUE(context_->valid());
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    std::unique_ptr<OffscreenContext> context_;
};

TEST_P(StateSaver, RestoresTheStateOnLeavingItsScope) {
    GetParam().setBefore();
    const std::vector<double> before = GetParam().read();
    GetParam().saveAndChange();
    EXPECT_EQ(GetParam().read(), before);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_P(StateSaver, RestoresTheStateInForceWhenItsListRuns) {
    // Compiled while the state is the default, run after it was set otherwise.
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    GetParam().saveAndChange();
    glEndList();
    GetParam().setBefore();
    const std::vector<double> before = GetParam().read();
    glCallList(list);
    glDeleteLists(list, 1);
    EXPECT_EQ(GetParam().read(), before);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

INSTANTIATE_TEST_SUITE_P(
    Savers, StateSaver,
    testing::Values(SaverCase{"Colour", [] { glColor4f(0.25f, 0.5f, 0.75f, 1.0f); },
                              [] {
                                  StGLColor saved;
                                  glColor4f(1, 0, 0, 0.5f);
                              },
                              currentColour},
                    SaverCase{"FrontFace", [] { glFrontFace(GL_CW); },
                              [] {
                                  StGLFrontFace saved(GL_CCW);
                                  glCullFace(GL_FRONT);
                              },
                              [] {
                                  auto v = integer(GL_FRONT_FACE);
                                  v.push_back(integer(GL_CULL_FACE_MODE)[0]);
                                  return v;
                              }},
                    SaverCase{"Depth",
                              [] {
                                  glDepthMask(GL_FALSE);
                                  glDepthFunc(GL_GREATER);
                              },
                              [] {
                                  StGLDepth saved;
                                  glDepthMask(GL_TRUE);
                                  glDepthFunc(GL_ALWAYS);
                                  glDisable(GL_DEPTH_TEST);
                              },
                              [] {
                                  auto v = integer(GL_DEPTH_WRITEMASK);
                                  v.push_back(integer(GL_DEPTH_FUNC)[0]);
                                  v.push_back(glIsEnabled(GL_DEPTH_TEST));
                                  return v;
                              }},
                    SaverCase{"Blend",
                              [] {
                                  glEnable(GL_BLEND);
                                  glBlendFunc(GL_ONE, GL_ZERO);
                              },
                              [] {
                                  StGLBlend saved;
                                  glDisable(GL_BLEND);
                                  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
                                  glEnable(GL_TEXTURE_2D);
                              },
                              [] {
                                  auto v = integer(GL_BLEND_SRC);
                                  v.push_back(integer(GL_BLEND_DST)[0]);
                                  v.push_back(glIsEnabled(GL_BLEND));
                                  v.push_back(glIsEnabled(GL_TEXTURE_2D));
                                  return v;
                              }},
                    SaverCase{"Matrix", [] { glTranslated(1, 2, 3); },
                              [] {
                                  StGLMatrix saved;
                                  glRotated(30, 0, 1, 0);
                                  glScaled(2, 2, 2);
                              },
                              [] {
                                  GLdouble m[16];
                                  glGetDoublev(GL_MODELVIEW_MATRIX, m);
                                  return std::vector<double>(m, m + 16);
                              }}),
    [](const testing::TestParamInfo<SaverCase>& info) { return std::string(info.param.name); });

} // namespace
