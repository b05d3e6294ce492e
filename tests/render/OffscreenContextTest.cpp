#include "render/opengl/OffscreenContext.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

using render::opengl::OffscreenContext;

// Proves the 3D stack works without a display: a context with depth and stencil, a display
// list, and pixels read back where the triangle was and was not drawn.
TEST(OffscreenContext, DrawsATriangleThroughADisplayList) {
    OffscreenContext context(64, 64);
    ASSERT_TRUE(context.valid());
    EXPECT_GE(context.depthBits(), 24);
    EXPECT_EQ(context.stencilBits(), 8);

    glViewport(0, 0, 64, 64);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 64, 0, 64, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);

    const GLuint list = glGenLists(1);
    ASSERT_NE(list, 0u);
    glNewList(list, GL_COMPILE);
    glColor3f(1, 0, 0);
    glBegin(GL_TRIANGLES);
    glVertex2f(0, 0);
    glVertex2f(64, 0);
    glVertex2f(0, 64);
    glEnd();
    glEndList();
    glCallList(list);
    glDeleteLists(list, 1);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    const std::vector<std::uint8_t> pixels = context.readPixels();
    auto at = [&](int x, int y) {
        const size_t offset = (static_cast<size_t>(y) * 64 + static_cast<size_t>(x)) * 4;
        return std::array<int, 3>{pixels[offset], pixels[offset + 1], pixels[offset + 2]};
    };
    EXPECT_EQ(at(8, 8), (std::array<int, 3>{255, 0, 0})) << "inside the triangle";
    EXPECT_EQ(at(56, 56), (std::array<int, 3>{0, 0, 255})) << "outside the triangle";
}
