// Frames of the "gl2" renderer read back from Mesa: one object in both
// pipelines, the picture's orientation and channel order, the line list,
// material state and the present of odd supersample factors.
#include <gtest/gtest.h>

#include <string>

#include "render/material.h"
#include "render/shader/shader_map.h"
#include "tests/gl/gl_frame_fixture.h"

namespace {

TEST_F(GLRendererFrame, FixedFunctionFrameShowsTheObjectWhereTheCameraProjectsIt) {
    ASSERT_TRUE(OpenHidden(true));
    RedQuad(MaterialFlagShadeless);
    DrawFrame();
    // A marker in the top-left corner of the view (world y near +1).
    const zVector marker[3] = {zVector(-1.0f, 0.75f, 0.5f), zVector(-0.75f, 0.75f, 0.5f),
                               zVector(-1.0f, 1.0f, 0.5f)};
    renderer->DrawTriangle(marker, Green, nullptr, nullptr, 0);
    const zPicture picture = Grab();
    ASSERT_EQ(picture.GetWidth(), Width);
    ASSERT_EQ(picture.GetHeight(), Height);
    EXPECT_TRUE(Near(picture, Width / 2, Height / 2, 255, 0, 0));
    EXPECT_TRUE(Near(picture, Width - 2, Height - 2, 51, 102, 153));
    // The picture is top-down: the marker is in its first rows.
    EXPECT_TRUE(Near(picture, 1, 1, 0, 255, 0));
    EXPECT_TRUE(Near(picture, 1, Height - 2, 51, 102, 153));
    EXPECT_EQ(renderer->GetGL().glGetError(), GLenum(zgl::NoError));
}

TEST_F(GLRendererFrame, DeferredFrameShowsTheObjectUnderAmbientOne) {
    ASSERT_TRUE(OpenHidden());
    RedQuad(0);
    const zPicture picture = DrawFrame();
    EXPECT_TRUE(Near(picture, Width / 2, Height / 2, 255, 0, 0));
    EXPECT_TRUE(Near(picture, Width / 2 + 10, Height / 2 - 8, 255, 0, 0));
    EXPECT_TRUE(Near(picture, 2, 2, 51, 102, 153));
    EXPECT_TRUE(Near(picture, Width - 2, Height - 2, 51, 102, 153));
    EXPECT_EQ(renderer->GetGL().glGetError(), GLenum(zgl::NoError));
}

TEST_F(GLRendererFrame, DebugViewsShowTheGBufferOverTheFrame) {
    ASSERT_TRUE(OpenHidden());
    RedQuad(0);
    // Left of the object: the clear colour without the views.
    const u32 x = 11, y = 23;
    {
        const zPicture picture = DrawFrame();
        EXPECT_TRUE(Near(picture, x, y, 51, 102, 153));
    }
    renderer->SetSystemWord(SystemEnableDebug, true);
    // The diffuse view ("attr1_map") covers that spot with the view's middle.
    const zPicture picture = DrawFrame();
    EXPECT_TRUE(Near(picture, x, y, 255, 0, 0));
    EXPECT_EQ(renderer->GetGL().glGetError(), GLenum(zgl::NoError));
}

TEST_F(GLRendererFrame, TexturedFixedFunctionMaterialModulatesByItsTexture) {
    ASSERT_TRUE(OpenHidden(true));
    zMaterial* material = RedQuad(MaterialFlagShadeless);
    zTexture* texture = host.Add("half.tga");
    for (u32 i = 0; i < 4; ++i) {
        u8* p = texture->GetPixels() + i * 4;
        p[0] = 0, p[1] = 0x88, p[2] = 255, p[3] = 255; // exact in 4 bits a channel
    }
    zTextureStage& stage = material->GetStage(0);
    stage.active = 1;
    stage.type = StageTypeDiffuse;
    stage.texture = texture;
    stage.uvSource = StageUVSourceUVMap;
    material->CheckStages();
    const zPicture picture = DrawFrame();
    // Under a texture the colour is white: the texel shows as it is.
    EXPECT_TRUE(Near(picture, Width / 2, Height / 2, 0, 0x88, 255));
}

// Blended objects are drawn from the tail of the sorted list: the head (the
// smallest sort key) is drawn last and ends on top.
TEST_F(GLRendererFrame, BlendedPassDrawsTheListFromItsTail) {
    ASSERT_TRUE(OpenHidden(true));
    auto translucent = [this](const char* name, u8 r, u8 b) {
        zSharedPtr<zGeometry> geometry = Quad(-0.5f, -0.5f, 0.5f, 0.5f);
        zMaterial* material = geometry->GetMaterial(0);
        zTexture* texture = host.Add(name);
        for (u32 i = 0; i < 4; ++i) {
            u8* p = texture->GetPixels() + i * 4;
            p[0] = r, p[1] = 0, p[2] = b, p[3] = 0x88;
        }
        zTextureStage& stage = material->GetStage(0);
        stage.active = 1;
        stage.type = StageTypeOpacity;
        stage.texture = texture;
        material->SetFlags(material->GetFlags() | MaterialFlagShadeless);
        material->Update(); // stages, transparency
        EXPECT_NE(material->GetTransparent(), 0u);
        // The geometry's own set-up: materials, then the renderer, keeping
        // what the renderer points to.
        LogCapture quiet;
        EXPECT_TRUE(geometry->Setup());
        EXPECT_NE(geometry->GetRenderData(), nullptr);
        return geometry;
    };
    zSharedPtr<zGeometry> red = translucent("red.tga", 255, 0);
    zSharedPtr<zGeometry> blue = translucent("blue.tga", 0, 255);
    MeshRenderable redMesh, blueMesh;
    redMesh.geometry = red.Get();
    blueMesh.geometry = blue.Get();
    renderer->SetViewItem(&view);
    renderer->ApplyView();
    for (bool blueFirst : {true, false}) {
        SCOPED_TRACE(blueFirst ? "blue at the head" : "red at the head");
        blueMesh.sortKey = blueFirst ? 1.0f : 2.0f;
        redMesh.sortKey = blueFirst ? 2.0f : 1.0f;
        renderer->ResetRenderQueue();
        renderer->QueueRenderable(&redMesh);
        renderer->QueueRenderable(&blueMesh);
        LogCapture quiet;
        renderer->ClearFrame(0.0f, 0.0f, 0.0f, 1.0f, 1.0f, ClearAll);
        renderer->RenderQueue();
        const zPicture picture = Grab();
        int rgb[3];
        PixelAt(picture, Width / 2, Height / 2, rgb);
        if (blueFirst) {
            EXPECT_GT(rgb[2], rgb[0] + 40) << rgb[0] << " " << rgb[2];
        } else {
            EXPECT_GT(rgb[0], rgb[2] + 40) << rgb[0] << " " << rgb[2];
        }
    }
    renderer->ResetRenderQueue();
    renderer->FreeGeometry(red.Get());
    renderer->FreeGeometry(blue.Get());
}

TEST_F(GLRendererFrame, DeferredAmbientScalesTheAlbedo) {
    ASSERT_TRUE(OpenHidden());
    RedQuad(0);
    scene.ambient = zVector(0.5f, 0.5f, 0.5f, 1.0f);
    const zPicture picture = DrawFrame();
    EXPECT_TRUE(Near(picture, Width / 2, Height / 2, 128, 0, 0, 3));
}

TEST_F(GLRendererFrame, ForwardRenderedMaterialIsDrawnAfterTheLights) {
    ASSERT_TRUE(OpenHidden());
    RedQuad(MaterialFlagFixedFunction | MaterialFlagShadeless);
    scene.ambient = zVector(0.0f, 0.0f, 0.0f, 1.0f);
    const zPicture picture = DrawFrame();
    // Not in the g-buffer (ambient 0 would have made it black): drawn forward.
    EXPECT_TRUE(Near(picture, Width / 2, Height / 2, 255, 0, 0));
}

TEST_F(GLRendererFrame, SupersampledFramesArePresented) {
    // 2.5 is not a power of two: the halving steps still end in the output.
    for (f32 sample : {1.3f, 2.0f, 2.5f, 4.0f}) {
        SCOPED_TRACE(sample);
        renderer = std::make_unique<zGL3Renderer>(&host, true);
        const zVariant enable(true), factor(sample);
        renderer->GetRegistry().SetKey("Antialising:Enable;", &enable);
        renderer->GetRegistry().SetKey("Antialising:Sample;", &factor);
        ASSERT_TRUE(OpenHidden());
        EXPECT_FLOAT_EQ(renderer->GetSupersample(), sample);
        RedQuad(0);
        const zPicture picture = DrawFrame();
        EXPECT_TRUE(Near(picture, Width / 2, Height / 2, 255, 0, 0, 3));
        EXPECT_TRUE(Near(picture, 2, 2, 51, 102, 153, 3));
        EXPECT_TRUE(Near(picture, Width - 3, Height - 3, 51, 102, 153, 3));
        TearDown();
        SetUp();
    }
}

TEST_F(GLRendererFrame, MaterialWithoutDiffuseDrawsMagentaInTheForwardProgram) {
    ASSERT_TRUE(OpenHidden());
    zMaterial* material = RedQuad(0);
    material->SetShaderMap(new zShaderMap()); // no output at all
    {
        LogCapture quiet;
        renderer->UpdateMaterial(material);
    }
    const auto* data = dynamic_cast<const zGL3Renderer::GL_MaterialData*>(material->GetRenderData());
    ASSERT_NE(data, nullptr);
    const GL3_RenderMap* forward = data->maps[zGL3Renderer::GL_MaterialData::SlotForward].get();
    ASSERT_NE(forward, nullptr);
    ASSERT_NE(forward->program, nullptr);
    renderer->SetViewItem(&view);
    renderer->ApplyView();
    {
        LogCapture quiet;
        renderer->ClearFrame(0.0f, 0.0f, 0.0f, 1.0f, 1.0f, ClearAll);
    }
    const zGLFunctions& gl = renderer->GetGL();
    gl.glBindFramebufferEXT(zgl::Framebuffer, 0);
    gl.glUseProgramObjectARB(forward->program->GetProgram());
    const zVector corners[3] = {zVector(-1.0f, -1.0f, 0.0f), zVector(1.0f, -1.0f, 0.0f),
                                zVector(0.0f, 1.0f, 0.0f)};
    renderer->DrawTriangle(corners, nullptr, nullptr, nullptr, TriangleNoCulling);
    gl.glUseProgramObjectARB(0);
    const zPicture picture = Grab();
    EXPECT_TRUE(Near(picture, Width / 2, Height / 2, 255, 0, 255));
}

TEST_F(GLRendererFrame, LineListOverflowDropsLinesAndWarnsOnce) {
    ASSERT_TRUE(OpenHidden(true));
    renderer->SetViewItem(&view);
    LogCapture log;
    for (int frame = 0; frame < 2; ++frame) {
        for (u32 i = 0; i <= zGL3Renderer::LineCapacity; ++i)
            renderer->DrawLine(zVector(0, 0, 0), zVector(1, 1, 0), nullptr);
        EXPECT_EQ(renderer->GetLineCount(), zGL3Renderer::LineCapacity);
        renderer->RenderQueue();
        EXPECT_EQ(renderer->GetLineCount(), 0u);
    }
    const std::string warning =
        "[!] The line display list is full, please increase its capacity or flush it more frequently.\n";
    const std::string text = log.Text();
    ASSERT_NE(text.find(warning), std::string::npos) << text;
    EXPECT_EQ(text.find(warning, text.find(warning) + 1), std::string::npos);
}

TEST_F(GLRendererFrame, ShininessIsClampedToTheRangeGLAccepts) {
    ASSERT_TRUE(OpenHidden(true));
    zSharedPtr<zMaterial> material(new zMaterial(&host, &host));
    const zGLFunctions& gl = renderer->GetGL();
    for (f32 glossiness : {0.25f, 0.9f}) {
        material->SetGlossiness(glossiness);
        renderer->ApplyMaterialState(material.Get());
        f32 shininess = -1.0f;
        gl.glGetMaterialfv(zgl::Front, zgl::Shininess, &shininess);
        EXPECT_FLOAT_EQ(shininess, glossiness > 0.5f ? 128.0f : glossiness * 256.0f);
    }
    EXPECT_EQ(gl.glGetError(), GLenum(zgl::NoError));
}

// The g-buffer's colours are cleared whatever the flags ask of the frame.
TEST_F(GLRendererFrame, DeferredClearWithoutFlagsStillClearsTheGBufferColours) {
    ASSERT_TRUE(OpenHidden());
    {
        LogCapture quiet;
        renderer->ClearFrame(0.2f, 0.4f, 0.6f, 1.0f, 1.0f, 0);
    }
    const zGLFunctions& gl = renderer->GetGL();
    GLuint probe = 0;
    gl.glGenFramebuffersEXT(1, &probe);
    gl.glBindFramebufferEXT(zgl::Framebuffer, probe);
    for (const char* name : {"attr1_map", "attr2_map", "attr3_map"}) {
        SCOPED_TRACE(name);
        gl.glFramebufferTexture2DEXT(zgl::Framebuffer, zgl::ColorAttachment0, zgl::Texture2D,
                                     Name(renderer->GetTarget(name)), 0);
        ASSERT_EQ(gl.glCheckFramebufferStatusEXT(zgl::Framebuffer), GLenum(zgl::FramebufferComplete));
        gl.glReadBuffer(zgl::ColorAttachment0);
        u8 pixel[4] = {};
        gl.glPixelStorei(zgl::PackAlignment, 1);
        gl.glReadPixels(Width / 2, Height / 2, 1, 1, zgl::Rgba, zgl::UnsignedByte, pixel);
        EXPECT_NEAR(pixel[0], 51, 2);
        EXPECT_NEAR(pixel[1], 102, 2);
        EXPECT_NEAR(pixel[2], 153, 2);
        EXPECT_EQ(pixel[3], 0); // alpha 0: nothing drawn there
    }
    gl.glBindFramebufferEXT(zgl::Framebuffer, 0);
    gl.glDeleteFramebuffersEXT(1, &probe);
    gl.glReadBuffer(zgl::Back);
    EXPECT_EQ(gl.glGetError(), GLenum(zgl::NoError));
}

TEST_F(GLRendererFrame, TargetTextureWithoutRendererDataChangesNothing) {
    ASSERT_TRUE(OpenHidden());
    const zGLFunctions& gl = renderer->GetGL();
    gl.glBindFramebufferEXT(zgl::Framebuffer, 0);
    zSharedPtr<zTexture> bare(new zTexture(&host));
    renderer->SetTargetTexture(bare.Get());
    EXPECT_EQ(gl.glGetError(), GLenum(zgl::NoError));
    GLint bound = -1;
    gl.glGetIntegerv(0x8CA6 /* frame-buffer binding */, &bound);
    EXPECT_EQ(bound, 0);
}

} // namespace
