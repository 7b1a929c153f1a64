#include "engine/texture_stream.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "audio/lmr/stream.h"
#include "tests/support/log_capture.h"
#include "tests/support/recording_renderer.h"

namespace {

struct UploadRenderer : zNull_Renderer {
    explicit UploadRenderer(zRenderHost* host) : zNull_Renderer(host, false) {}
    bool SetupTexture(zTexture* texture) override {
        ++setups;
        return zNull_Renderer::SetupTexture(texture);
    }
    void UpdateTexture(zTexture*, const u8* pixels, u32 width, u32 height, u32 x, u32 y) override {
        uploads.push_back({pixels[0], pixels[1], pixels[2], pixels[3], width, height, x, y});
    }
    int setups = 0;
    std::vector<std::vector<u32>> uploads;
};

struct TextureStreamFixture {
    TextureStreamFixture() : renderer(&host), texture(&host) { host.current = &renderer; }
    FakeRenderHost host;
    UploadRenderer renderer;
    zTexture texture;
};

TEST(TextureStream, SetFormatReallocatesOnlyOnChange) {
    TextureStreamFixture f;
    zTextureStreamInterface stream(&f.texture);
    LogCapture log;
    EXPECT_TRUE(stream.SetFormat({1, 4, 2}));
    EXPECT_TRUE(stream.SetFormat({1, 4, 2}));
    EXPECT_EQ(log.Text(), "TextureStreamInterface::SetFormat(4, 2).\n");
    EXPECT_EQ(f.renderer.setups, 1);
    EXPECT_EQ(f.texture.GetWidth(), 4u);
    EXPECT_EQ(f.texture.GetHeight(), 2u);
    EXPECT_TRUE(f.texture.GetFlags() & TextureFlagRendererOwn);
    EXPECT_TRUE(stream.SetFormat({2, 4, 2}));
    EXPECT_EQ(f.renderer.setups, 2);
}

TEST(TextureStream, PlanarFrameIsWrittenAndPresented) {
    TextureStreamFixture f;
    zTextureStreamInterface stream(&f.texture);
    LogCapture log;
    ASSERT_TRUE(stream.SetFormat({1, 2, 1}));
    f.texture.GetPixels()[3] = 0x77;
    const u8 a[] = {1, 2}, b[] = {3, 4}, c[] = {5, 6};
    const u8* planes[] = {a, b, c};
    EXPECT_TRUE(stream.NeedsFrame());
    EXPECT_TRUE(stream.WriteFrame(planes, 6));
    EXPECT_TRUE(stream.IsFrameReady());
    const u8* pixels = f.texture.GetPixels();
    EXPECT_EQ(std::vector<u8>(pixels, pixels + 8), (std::vector<u8>{1, 3, 5, 0x77, 2, 4, 6, pixels[7]}));
    EXPECT_TRUE(stream.PresentFrame());
    EXPECT_FALSE(stream.IsFrameReady());
    ASSERT_EQ(f.renderer.uploads.size(), 1u);
    EXPECT_EQ(f.renderer.uploads[0], (std::vector<u32>{1, 3, 5, 0x77, 2, 1, 0, 0}));
}

TEST(TextureStream, PackedFrameSwapsRedAndBlue) {
    TextureStreamFixture f;
    zTextureStreamInterface stream(&f.texture);
    LogCapture log;
    ASSERT_TRUE(stream.SetFormat({2, 1, 2}));
    u8* pixels = f.texture.GetPixels();
    for (u8 i = 0; i < 8; ++i) pixels[i] = i;
    EXPECT_TRUE(stream.WriteFrame(nullptr, 0));
    EXPECT_EQ(std::vector<u8>(pixels, pixels + 8), (std::vector<u8>{2, 1, 0, 3, 6, 5, 4, 7}));
    stream.Flush();
    EXPECT_TRUE(stream.NeedsFrame());
}

TEST(TextureStream, ProgramStreamDropsVideoAfterOneWarningAndRewindsAtTheEnd) {
    // A pack header and a few MPEG-2 video packets.
    std::vector<u8> content = {0, 0, 1, 0xBA, 0x44, 0, 4, 0, 4, 1, 1, 0x89, 0xC3, 0xF8};
    for (int i = 0; i < 5; ++i) {
        const u8 packet[] = {0, 0, 1, 0xE0, 0, 13, 0x81, 0x00, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
        content.insert(content.end(), packet, packet + sizeof packet);
    }
    const std::string path = ::testing::TempDir() + "texture_stream.mpg";
    FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fwrite(content.data(), 1, content.size(), out);
    std::fclose(out);

    TextureStreamFixture f;
    LogCapture log;
    zTextureStream* opened = OpenTextureStream(&f.texture, path.c_str());
    ASSERT_NE(opened, nullptr);
    f.texture.SetStream(opened);
    const std::string warning = "[*] (SelectVideoDecoder) Lumaro built with no MPEG I/II video support.\n";
    EXPECT_EQ(log.Text().find("Open texture stream interface: '" + path + "'\n"), 0u);
    EXPECT_NE(log.Text().find("SelectVideoDemuxer(): Using 'MPEG-PS demuxer'.\n"), std::string::npos);
    EXPECT_EQ(log.Text().find(warning), log.Text().rfind(warning));
    auto* stream = static_cast<zTextureStreamInterface*>(opened);
    lmr_Stream* media = stream->GetMediaStream();
    EXPECT_EQ(media->GetState(), StreamEnded); // nothing decodes: the video side ran out
    f.texture.SetStreamState(1);                // paused: nothing moves
    f.texture.UpdateStream(10);
    EXPECT_EQ(media->GetState(), StreamEnded);
    f.texture.SetStreamState(0);
    f.texture.UpdateStream(10); // ended: rewound instead of advanced
    EXPECT_EQ(media->GetState(), StreamPlaying);
    f.texture.CloseStream();
    EXPECT_EQ(f.texture.GetStream(), nullptr);
    std::remove(path.c_str());
}

TEST(TextureStream, FailedOpenKeepsTheInterfaceAttached) {
    TextureStreamFixture f;
    LogCapture log;
    EXPECT_EQ(OpenTextureStream(&f.texture, "/nonexistent/clip.mpg"), nullptr);
    EXPECT_NE(f.texture.GetStream(), nullptr);
    EXPECT_NE(log.Text().find("[!] Failed to open content stream.\n"), std::string::npos);
}

} // namespace
