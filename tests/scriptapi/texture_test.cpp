// The Texture group: "t" a texture with CPU-side pixels, "empty" one
// without, "nt" a Texture handle holding nothing; a counting renderer is
// the engine's current one while a test runs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "audio/lmr/stream.h"
#include "engine/texture_stream.h"

#include "picture/pixel_format.h"
#include "render/null_renderer.h"
#include "render/texture.h"
#include "tests/scriptapi/api_fixture.h"

namespace {

struct UpdateCountingRenderer : zNull_Renderer {
    using zNull_Renderer::zNull_Renderer;
    void UpdateTexture(zTexture* texture, const u8* pixels, u32 width, u32 height, u32 x, u32 y) override {
        ++updates;
        lastTexture = texture;
        lastPixels = pixels;
        lastSize[0] = width;
        lastSize[1] = height;
        lastOrigin[0] = x;
        lastOrigin[1] = y;
    }
    int updates = 0;
    zTexture* lastTexture = nullptr;
    const u8* lastPixels = nullptr;
    u32 lastSize[2] = {};
    u32 lastOrigin[2] = {9, 9};
};

// A stream that only keeps its state word.
struct StateStream : zTextureStream {
    void Update(i32) override {}
    void SetState(u32 word) override { state = word; }
    u32 state = 7;
};

class TextureApi : public ScriptApiFixture {
  public:
    void SetUp() override {
        ScriptApiFixture::SetUp();
        ASSERT_TRUE(texture->Allocate(3, 2, PixelFormatRGBA8));
        SetHandle("t", texture.Get(), ScriptKindTexture);
        SetHandle("empty", empty.Get(), ScriptKindTexture);
        log.Reset();
    }

    UpdateCountingRenderer counting{&engine, true};
    zSharedPtr<zTexture> texture{new zTexture(&engine)};
    zSharedPtr<zTexture> empty{new zTexture(&engine)};
};

TEST_F(TextureApi, PictureIsTheTextureItself) {
    const ScriptRow rows[] = {
        {"local p = TextureGetPicture(t); print(p.type() + \" \" + ObjectIsSame(p, t))", "22 true"},
        {"TextureGetPicture(NullTexture)", "error: CObject is null"},
        {"print(NullTexture.type() + \" \" + ObjectIsValid(NullTexture) + \" \" + TextureIsValid(t))",
         "34 false true"},
        {"TextureGetPicture(g_render)", "error: Expected 'Texture' got 'Renderer'"},
        {"print(StreamPlaying + \" \" + StreamPaused)", "0 1"},
    };
    ExpectScripts(rows);
}

TEST_F(TextureApi, UpdateUploadsCpuPixelsThroughTheCurrentRenderer) {
    EXPECT_EQ(Printed("TextureUpdate(t)"), "");
    ASSERT_EQ(counting.updates, 1);
    EXPECT_EQ(counting.lastTexture, texture.Get());
    EXPECT_EQ(counting.lastPixels, texture->GetPixels());
    EXPECT_EQ(counting.lastSize[0], 3u);
    EXPECT_EQ(counting.lastSize[1], 2u);
    EXPECT_EQ(counting.lastOrigin[0], 0u);
    EXPECT_EQ(counting.lastOrigin[1], 0u);

    EXPECT_EQ(Printed("TextureUpdate(empty); print(\"returned\")"), "returned");
    EXPECT_NE(log.Text().find("[!] Cannot update texture, CPU-side data missing.\n"), std::string::npos)
        << log.Text();
    EXPECT_EQ(counting.updates, 1);
    EXPECT_EQ(Printed("TextureUpdate(NullTexture)"), "error: CObject is null");
}

// A texture's picture handle holds no reference: once the texture is freed
// (its last handle gone, or the cache cleared) the handle is a dead one.
TEST_F(TextureApi, APictureHandleOutlivingItsTextureIsDead) {
    const ScriptRow rows[] = {
        {"::held <- TextureGetPicture(EngineCreateTexture(g_engine, 4, 4, false)); print(held.type())", "22"},
        {"print(ObjectIsValid(held)); PictureGetRect(held)",
         "false\nerror: Expected 'Picture' got 'Deleted native'"},
        {"::cached <- TextureGetPicture(EngineLoadTexture(g_engine, \"none.tga\")); "
         "print(ObjectIsValid(cached))",
         "true"},
        {"EngineClearResourceCache(g_engine); PictureFill(cached, Vector(1, 0, 0, 1))",
         "error: Expected 'Picture' got 'Deleted native'"},
        // Texture handles hold theirs: the picture lives while one does.
        {"local t = EngineCreateTexture(g_engine, 2, 2, false), p = TextureGetPicture(t);"
         "EngineClearResourceCache(g_engine); print(PictureGetRect(p).ex)",
         "2"},
    };
    ExpectScripts(rows);
}

// Without a stream there is nothing to drive; any stream takes the state
// word, and only a media stream behind a stream interface rewinds.
TEST_F(TextureApi, StreamNativesDriveTheTexturesStream) {
    const ScriptRow idle[] = {
        {"TextureSetStreamState(t, StreamPaused); TextureRewindStream(t); print(\"nothing\")", "nothing"},
        {"TextureSetStreamState(t, 1.0)",
         "error: parameter 2 has an invalid type 'float' ; expected: 'integer'"},
        {"TextureRewindStream(NullTexture)", "error: CObject is null"},
        {"TextureSetStreamState(NullTexture, 0)", "error: CObject is null"},
    };
    ExpectScripts(idle);
    auto* plain = new StateStream;
    texture->SetStream(plain);
    EXPECT_EQ(Printed("TextureSetStreamState(t, StreamPaused); TextureRewindStream(t)"), "");
    EXPECT_EQ(plain->state, 1u);
    EXPECT_EQ(Printed("TextureSetStreamState(t, StreamPlaying)"), "");
    EXPECT_EQ(plain->state, 0u);
}

TEST_F(TextureApi, RewindPlaysAnEndedMediaStreamAgain) {
    // A pack header and one MPEG-2 video packet: nothing decodes it, so the
    // stream has ended once opened.
    const std::vector<u8> content = {0,    0, 1,  0xBA, 0x44, 0, 4, 0, 4, 1, 1, 0x89, 0xC3, 0xF8, 0, 0, 1,
                                     0xE0, 0, 13, 0x81, 0,    0, 1, 2, 3, 4, 5, 6,    7,    8,    9, 10};
    const std::string path = ::testing::TempDir() + "texture_api_" + std::to_string(getpid()) + ".mpg";
    FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fwrite(content.data(), 1, content.size(), out);
    std::fclose(out);
    zTextureStream* opened = OpenTextureStream(texture.Get(), path.c_str());
    std::remove(path.c_str());
    ASSERT_NE(opened, nullptr);
    texture->SetStream(opened);
    auto* stream = static_cast<zTextureStreamInterface*>(opened);
    lmr_Stream* media = stream->GetMediaStream();
    ASSERT_EQ(media->GetState(), StreamEnded);

    EXPECT_EQ(Printed("TextureSetStreamState(t, StreamPaused)"), "");
    EXPECT_EQ(stream->GetState(), 1u);
    EXPECT_EQ(Printed("TextureRewindStream(t)"), "");
    EXPECT_EQ(media->GetState(), StreamPlaying);
    EXPECT_EQ(Printed("TextureSetStreamState(t, StreamPlaying)"), "");
    EXPECT_EQ(stream->GetState(), 0u);
}

} // namespace
