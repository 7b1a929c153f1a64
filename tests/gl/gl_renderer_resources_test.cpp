// Resources of the "gl2" renderer on Mesa: texture uploads by flags, buffer
// objects of geometries, and every material's programs in each pass.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "render/material.h"
#include "render/shader/shader_map.h"
#include "tests/gl/gl_renderer_fixture.h"
#include "tests/gl/material_cases.h"

namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

using GLRendererResources = GLRendererFixture;

zSharedPtr<zTexture> MakeTexture(zRenderHost* host, const char* name, u32 width, u32 height) {
    zSharedPtr<zTexture> texture(new zTexture(host));
    texture->SetName(zString(name));
    if (width && height) {
        EXPECT_TRUE(texture->Allocate(width, height, PixelFormatRGBA8));
        for (u32 i = 0; i < width * height * 4; ++i)
            texture->GetPixels()[i] = u8(i * 7);
    }
    return texture;
}

TEST_F(GLRendererResources, UploadFormatAndVideoMemoryFollowTheTextureFlags) {
    ASSERT_TRUE(OpenHidden(true)); // no targets: only the 1 x 1 white texture
    const u64 base = renderer->GetTextureBytes();
    EXPECT_EQ(base, 4u);
    struct Case {
        const char* what;
        u32 systemBits;
        u32 width;
        GLint format;
        std::string line;
        u64 total;
    };
    const Case cases[] = {
        {"neither flag", 0, 512, GLint(zgl::Rgba4), "Setup t (512x512), VRAM: 0.50mo\n", 512 * 512 * 2},
        {"no compression", SystemTextureNoCompression, 512, GLint(zgl::Rgba8),
         "Setup t (512x512), VRAM: 1.50mo\n", 512 * 512 * 6},
        {"force true colour", SystemTextureForceTrueColor, 512, GLint(zgl::CompressedRgbaS3tcDxt5),
         "Setup t (512x512), VRAM: 1.75mo\n", 512 * 512 * 7},
        {"empty", 0, 0, 0, "[*] Invalid texture 't'. Uploading error bitmap.\nSetup t (0x0), VRAM: 1.75mo\n",
         512 * 512 * 7 + 4},
    };
    std::vector<zSharedPtr<zTexture>> keep;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        renderer->SetSystemWord(SystemTextureNoCompression | SystemTextureForceTrueColor, false);
        renderer->SetSystemWord(c.systemBits, true);
        zSharedPtr<zTexture> texture = MakeTexture(&host, "t", c.width, c.width);
        LogCapture log;
        ASSERT_TRUE(renderer->SetupTexture(texture.Get()));
        EXPECT_EQ(log.Text(), c.line);
        EXPECT_EQ(renderer->GetTextureBytes(), base + c.total);
        if (c.width) {
            GLint w = 0, h = 0, format = 0;
            Level(texture.Get(), w, h, format);
            EXPECT_EQ(format, c.format);
            EXPECT_EQ(w, GLint(c.width));
        }
        // Set up twice: nothing more.
        EXPECT_TRUE(renderer->SetupTexture(texture.Get()));
        EXPECT_EQ(renderer->GetTextureBytes(), base + c.total);
        keep.push_back(texture);
    }
    LogCapture log;
    renderer->FreeTexture(keep[0].Get());
    EXPECT_EQ(log.Text(), "Release texture 't'.\n");
    EXPECT_EQ(renderer->GetTextureBytes(), base + u64(512 * 512 * 5 + 4));
    EXPECT_EQ(keep[0]->GetRenderData(), nullptr);
    for (auto& texture : keep)
        renderer->FreeTexture(texture.Get());
    EXPECT_EQ(renderer->GetTextureBytes(), base);
    EXPECT_EQ(renderer->GetGL().glGetError(), GLenum(zgl::NoError));
}

TEST_F(GLRendererResources, TextureSetUpRefusedWhileClosed) {
    zSharedPtr<zTexture> texture = MakeTexture(&host, "t", 4, 4);
    EXPECT_FALSE(renderer->SetupTexture(texture.Get()));
    EXPECT_EQ(texture->GetRenderData(), nullptr);
}

TEST_F(GLRendererResources, GeometryBuffersHoldTheListLayout) {
    ASSERT_TRUE(OpenHidden());
    zSharedPtr<zGeometry> quad = Quad(0, 0, 1, 1);
    ASSERT_TRUE(quad->AllocateUVChannels(1));
    renderer->SetCleanResourceOnSetup(false);
    LogCapture log;
    ASSERT_TRUE(renderer->SetupGeometry(quad.Get()));
    EXPECT_FALSE(Contains(log.Text(), "[!]")) << log.Text();
    const auto* data = dynamic_cast<const zGL3Renderer::GL_GeometryData*>(quad->GetRenderData());
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(data->listCount, 1u);
    const zGL3Renderer::GL_GeometryList& list = data->lists[0];
    EXPECT_EQ(list.indexCount, 6u);
    ASSERT_GT(list.vertexBytes, 0u);
    // Positions 12, normals 12 and one UV channel 8 bytes per vertex.
    ASSERT_EQ(list.vertexBytes % 32, 0u);
    const u32 n = list.vertexBytes / 32;
    EXPECT_EQ(list.normalOffset, 12 * n);
    EXPECT_EQ(list.uvOffset[0], 24 * n);
    EXPECT_EQ(list.uvOffset[1], zGL3Renderer::Absent);
    EXPECT_EQ(list.colorOffset, zGL3Renderer::Absent);
    EXPECT_EQ(list.tangentOffset, zGL3Renderer::Absent);
    EXPECT_EQ(renderer->GetGeometryBytes(), u64(list.vertexBytes));
    const GLuint buffer = list.vertexBuffer;
    EXPECT_TRUE(renderer->SetupGeometry(quad.Get()));
    EXPECT_EQ(data->lists[0].vertexBuffer, buffer);
    renderer->FreeGeometry(quad.Get());
    EXPECT_EQ(quad->GetRenderData(), nullptr);
    EXPECT_EQ(renderer->GetGeometryBytes(), 0u);

    renderer->Close();
    log.Reset();
    EXPECT_FALSE(renderer->SetupGeometry(quad.Get()));
    EXPECT_EQ(log.Text(), "[!] cannot setup geometry 'mesh', system not ready.\n");
}

TEST_F(GLRendererResources, EmptyGeometryIsRefused) {
    ASSERT_TRUE(OpenHidden());
    zSharedPtr<zGeometry> empty(new zGeometry(&host));
    empty->SetName("void");
    LogCapture log;
    EXPECT_FALSE(renderer->SetupGeometry(empty.Get()));
    EXPECT_EQ(log.Text(), "[!] cannot setup geometry 'void', geometry is empty.\n");
    EXPECT_EQ(empty->GetRenderData(), nullptr);
}

// Materials.

const zGL3Renderer::GL_MaterialData* DataOf(const zMaterial& material) {
    return dynamic_cast<const zGL3Renderer::GL_MaterialData*>(material.GetRenderData());
}

TEST_F(GLRendererResources, EveryFixedFunctionMaterialLinksInEachPass) {
    ASSERT_TRUE(OpenHidden());
    const std::vector<MaterialCase> cases = FixedFunctionMaterialCases();
    for (const MaterialCase& c : cases) {
        SCOPED_TRACE(c.what);
        zSharedPtr<zMaterial> material(new zMaterial(&host, &host));
        c.setup(*material, host);
        material->CheckStages();
        LogCapture log;
        ASSERT_TRUE(renderer->SetupMaterial(material.Get()));
        EXPECT_FALSE(Contains(log.Text(), "[!]")) << log.Text();
        const auto* data = DataOf(*material);
        ASSERT_NE(data, nullptr);
        using Data = zGL3Renderer::GL_MaterialData;
        for (u32 slot : {Data::SlotForward, Data::SlotNormalDepth, Data::SlotDepth, Data::SlotGBuffer}) {
            ASSERT_NE(data->maps[slot], nullptr) << "slot " << slot;
            ASSERT_NE(data->maps[slot]->program, nullptr) << "slot " << slot;
            EXPECT_NE(data->maps[slot]->program->GetProgram(), 0u) << "slot " << slot;
        }
        EXPECT_EQ(data->maps[Data::SlotUnused], nullptr);
        renderer->FreeMaterial(material.Get());
        EXPECT_EQ(material->GetRenderData(), nullptr);
    }
}

TEST_F(GLRendererResources, EqualGraphsShareOneProgramPerPassAndUnchangedUpdatesCompileNothing) {
    ASSERT_TRUE(OpenHidden());
    LogCapture quiet;
    zSharedPtr<zMaterial> first(new zMaterial(&host, &host));
    zSharedPtr<zMaterial> second(new zMaterial(&host, &host));
    ASSERT_TRUE(renderer->SetupMaterial(first.Get()));
    const u32 compiled = renderer->GetProgramCompileCount();
    EXPECT_EQ(compiled, 4u);
    ASSERT_TRUE(renderer->SetupMaterial(second.Get()));
    EXPECT_EQ(renderer->GetProgramCompileCount(), compiled);
    for (u32 pass : {zGL3Renderer::PassForward, zGL3Renderer::PassNormalDepth, zGL3Renderer::PassDepth,
                     zGL3Renderer::PassGBuffer}) {
        EXPECT_EQ(renderer->GetPrograms(pass).GetCount(), 1u) << pass;
    }
    using Data = zGL3Renderer::GL_MaterialData;
    EXPECT_EQ(DataOf(*first)->maps[Data::SlotForward]->program,
              DataOf(*second)->maps[Data::SlotForward]->program);
    EXPECT_NE(DataOf(*first)->maps[Data::SlotForward].get(), DataOf(*second)->maps[Data::SlotForward].get());
    EXPECT_NE(DataOf(*first)->maps[Data::SlotForward]->program,
              DataOf(*first)->maps[Data::SlotGBuffer]->program);
    renderer->UpdateMaterial(first.Get());
    EXPECT_EQ(renderer->GetProgramCompileCount(), compiled);
    // Setting up twice is refused.
    EXPECT_FALSE(renderer->SetupMaterial(first.Get()));
}

TEST_F(GLRendererResources, RenderMapRecordsAndSlots) {
    ASSERT_TRUE(OpenHidden());
    LogCapture quiet;
    // No stage: opacity is material parameter 5 (a record computed at each
    // draw), diffuse parameter 0 reads gl_FrontMaterial (no record).
    zSharedPtr<zMaterial> plain(new zMaterial(&host, &host));
    ASSERT_TRUE(renderer->SetupMaterial(plain.Get()));
    using Data = zGL3Renderer::GL_MaterialData;
    const GL3_RenderMap& forward = *DataOf(*plain)->maps[Data::SlotForward];
    u32 parameterRecords = 0;
    for (const zLinkedListEntry* entry = forward.uniforms.GetHead(); entry; entry = entry->GetNext()) {
        const auto& record = *static_cast<const GL3_ShaderUniform*>(entry);
        if (record.blockType == ShaderBlockMaterialParam) {
            ++parameterRecords;
            EXPECT_EQ(record.storedValue, 0u);
        }
    }
    EXPECT_EQ(parameterRecords, 1u);
    // The dithered alpha test binds the dither texture after the graph's
    // textures, repeating.
    ASSERT_NE(forward.program, nullptr);
    EXPECT_NE(forward.program->GetLocation(zGL3Shader::LocationAlphaThreshold), -1);
    u32 used = 0;
    while (used < GL3_RenderMap::SlotCount && forward.textures[used])
        ++used;
    ASSERT_GE(used, 1u);
    EXPECT_EQ(forward.textures[used - 1].Get(), renderer->GetDitherTexture());
    EXPECT_EQ(forward.wrap[used - 1][0], 1);
    EXPECT_EQ(forward.wrap[used - 1][1], 1);
    // Normal and depth: no opacity test, no dither.
    const GL3_RenderMap& normal = *DataOf(*plain)->maps[Data::SlotNormalDepth];
    EXPECT_EQ(normal.textures[0].Get(), nullptr);

    zSharedPtr<zMaterial> textured(new zMaterial(&host, &host));
    Stage(*textured, host, 0, StageTypeDiffuse);
    textured->CheckStages();
    ASSERT_TRUE(renderer->SetupMaterial(textured.Get()));
    const GL3_RenderMap& gbuffer = *DataOf(*textured)->maps[Data::SlotGBuffer];
    EXPECT_EQ(gbuffer.textures[0].Get(), host.textures["a.tga"].Get());
    EXPECT_NE(gbuffer.samplerLocations[0], -1);
    EXPECT_EQ(gbuffer.uvChannels[0], 1);
    EXPECT_EQ(gbuffer.uvChannels[1], 0);
}

} // namespace

namespace {

// The fall-back depth texture after an incomplete g-buffer is 16-bit, so
// the retry can succeed (remaking the same 24-bit texture could not).
TEST_F(GLRendererResources, IncompleteGBufferFallsBackToSixteenBitDepth) {
    ASSERT_TRUE(OpenHidden());
    EXPECT_FALSE(renderer->GetDepthFallback());
    zGLFunctions& table = renderer->GetGLTable();
    const auto realCheck = table.glCheckFramebufferStatusEXT;
    table.glCheckFramebufferStatusEXT = [](GLenum) -> GLenum { return 0; };
    LogCapture log;
    ASSERT_TRUE(renderer->Resize(Width, Height));
    table.glCheckFramebufferStatusEXT = realCheck;
    EXPECT_TRUE(Contains(log.Text(),
                         "[*] Card does not appear to have support for 32 bit depth texture frame buffer.\n"))
        << log.Text();
    EXPECT_TRUE(renderer->GetDepthFallback());
    GLint w = 0, h = 0, format = 0;
    Level(renderer->GetTarget("depth_map"), w, h, format);
    EXPECT_EQ(format, GLint(zgl::DepthComponent16));
    EXPECT_EQ(w, GLint(Width));
}

// A pass needing more than six textures binds the first six and says which
// one it dropped.
TEST_F(GLRendererResources, TextureSlotsAreBoundedToSix) {
    ASSERT_TRUE(OpenHidden());
    zSharedPtr<zMaterial> material(new zMaterial(&host, &host));
    auto* graph = new zShaderMap();
    auto make = [graph](zShaderBlock* block) {
        graph->AdoptBlock(block);
        return block;
    };
    const char* const names[] = {"s0.tga", "s1.tga", "s2.tga", "s3.tga", "s4.tga", "s5.tga", "s6.tga"};
    zShaderBlock* uv = make(new zGeometryUVShaderBlock(0));
    zShaderBlock* sum = nullptr;
    for (const char* name : names) {
        zShaderBlock* sample =
            make(new zSampler2dShaderBlock(make(new zTextureShaderBlock(host.Add(name))), uv));
        sum = sum ? make(new zAddOperatorShaderBlock(sum, sample)) : sample;
    }
    graph->SetOutput(ShaderOutputDiffuse, sum);
    material->SetShaderMap(graph);
    LogCapture log;
    ASSERT_TRUE(renderer->SetupMaterial(material.Get()));
    EXPECT_TRUE(
        Contains(log.Text(), "[*] More than 6 textures in one material pass, 's6.tga' is not bound.\n"))
        << log.Text();
    const auto& map = *DataOf(*material)->maps[zGL3Renderer::GL_MaterialData::SlotGBuffer];
    ASSERT_NE(map.program, nullptr);
    for (u32 slot = 0; slot < GL3_RenderMap::SlotCount; ++slot) {
        EXPECT_EQ(map.textures[slot].Get(), host.textures[names[slot]].Get()) << slot;
        EXPECT_NE(map.samplerLocations[slot], -1) << slot;
    }
}

} // namespace
