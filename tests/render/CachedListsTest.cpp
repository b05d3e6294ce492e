// The keyed display-list cache and the built-in texture store in an offscreen context.
#include "render/opengl/CachedLists.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "render/opengl/BuiltinTextures.h"
#include "render/opengl/GLErrors.h"
#include "render/opengl/OffscreenContext.h"
#include "support/TempFolder.h"

namespace {

using render::opengl::BuiltinTextures;
using render::opengl::CachedLists;
using render::opengl::OffscreenContext;

class GLResources : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(context_.valid()); }
    OffscreenContext context_{16, 16};
};

TEST_F(GLResources, KeyZeroDrawsEveryTimeWithoutCaching) {
    CachedLists lists;
    int drawn = 0;
    lists.draw(0, [&] { ++drawn; });
    lists.draw(0, [&] { ++drawn; });
    EXPECT_EQ(drawn, 2);
    EXPECT_EQ(lists.size(), 0u);
    EXPECT_FALSE(lists.call(0));
    EXPECT_FALSE(lists.begin(0));
    EXPECT_FALSE(lists.compiling());
}

TEST_F(GLResources, AKeyedListIsRecordedOnceAndCalledAfterwards) {
    CachedLists lists;
    int drawn = 0;
    for (int i = 0; i < 3; ++i) {
        lists.draw(328, [&] { ++drawn; });
    }
    EXPECT_EQ(drawn, 1);
    EXPECT_TRUE(lists.compiling()) << "set by the recording";
    EXPECT_EQ(glIsList(lists.listName(328)), GL_TRUE);
    lists.resetCompiling();
    EXPECT_FALSE(lists.compiling());
    lists.remove(328);
    EXPECT_FALSE(lists.contains(328));
    EXPECT_FALSE(lists.call(328));
}

TEST_F(GLResources, AStaleListNameIsZeroedAndCompiledAgain) {
    CachedLists lists;
    int drawn = 0;
    lists.draw(7, [&] { ++drawn; });
    const unsigned name = lists.listName(7);
    ASSERT_NE(name, 0u);
    glDeleteLists(name, 1); // the list disappears behind the cache's back
    EXPECT_FALSE(lists.call(7));
    EXPECT_TRUE(lists.contains(7));
    EXPECT_EQ(lists.listName(7), 0u) << "the stale name is zeroed";
    lists.draw(7, [&] { ++drawn; });
    EXPECT_EQ(drawn, 2) << "drawn and recorded again";
    EXPECT_EQ(glIsList(lists.listName(7)), GL_TRUE);
    EXPECT_TRUE(lists.call(7));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GLResources, NothingIsCreatedWhileAnotherListIsRecorded) {
    CachedLists lists;
    BuiltinTextures textures; // the data pack's textures, none loaded yet
    bool innerRecorded = true;
    bool textureLoaded = true;
    lists.draw(1, [&] {
        EXPECT_TRUE(render::opengl::listBeingCompiled());
        // A nested keyed list is drawn into the outer one instead of being started.
        lists.draw(2, [&] { innerRecorded = lists.contains(2); });
        textureLoaded = textures.load(13);
        textures.bind(13);
    });
    EXPECT_FALSE(innerRecorded);
    EXPECT_FALSE(lists.contains(2));
    EXPECT_FALSE(textureLoaded);
    EXPECT_EQ(textures.name(13), 0u);
    EXPECT_FALSE(render::opengl::listBeingCompiled());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    // Outside the recording the same texture loads.
    EXPECT_TRUE(textures.load(13));
    EXPECT_NE(textures.name(13), 0u);
    textures.release();
    lists.releaseAll();
}

TEST_F(GLResources, BuiltinTexturesLoadOnceAndOutOfRangeBindsNothing) {
    BuiltinTextures textures;
    textures.loadAll();
    for (int n = 0; n < BuiltinTextures::kCount; ++n) {
        EXPECT_EQ(glIsTexture(textures.name(n)), GL_TRUE) << n;
    }
    const unsigned name8 = textures.name(8);
    textures.loadAll();
    EXPECT_EQ(textures.name(8), name8) << "loaded once";
    for (int n : {-1, 58, 1000}) {
        textures.bind(8);
        textures.bind(n);
        GLint bound = -1;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(bound, 0) << n;
        EXPECT_EQ(textures.name(n), 0u) << n;
        EXPECT_FALSE(textures.load(n)) << n;
    }
    textures.release();
    EXPECT_EQ(textures.name(8), 0u);
    EXPECT_EQ(glIsTexture(name8), GL_FALSE);
}

TEST_F(GLResources, AMissingOrDamagedTextureStaysZeroAndIsRetried) {
    testsupport::TempFolder data;
    std::filesystem::create_directories(data / "Texture_Buildin");
    testsupport::ScopedEnv env("ZARNOLT_DATA", data.path().string());
    {
        std::ofstream damaged(data / "Texture_Buildin" / "1003.png", std::ios::binary);
        damaged << "\x89PNG\r\n\x1a\n this is not a picture";
    }
    BuiltinTextures textures;
    textures.loadAll();
    for (int n = 0; n < BuiltinTextures::kCount; ++n) {
        EXPECT_EQ(textures.name(n), 0u) << n;
    }
    textures.bind(3);
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
    // A picture that appears later is loaded on the next bind.
    std::filesystem::copy_file(std::string(ZARNOLT_BUILD_DIR) +
                                   "/bin/データ/Texture_Buildin/1005.png",
                               data / "Texture_Buildin" / "1005.png");
    textures.bind(5);
    EXPECT_NE(textures.name(5), 0u);
    textures.release();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
