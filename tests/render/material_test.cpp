#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/material.h"
#include "render/shader/shader_map.h"
#include "tests/render/material_fixtures.h"
#include "tests/support/log_capture.h"

namespace {

void ExpectColor(const f32* color, f32 r, f32 g, f32 b, f32 a) {
    EXPECT_FLOAT_EQ(color[0], r);
    EXPECT_FLOAT_EQ(color[1], g);
    EXPECT_FLOAT_EQ(color[2], b);
    EXPECT_FLOAT_EQ(color[3], a);
}

void ExpectDefaults(const zMaterial& material) {
    EXPECT_TRUE(material.GetShaderName().IsEmpty());
    ExpectColor(material.GetDiffuse(), 1, 1, 1, 1);
    ExpectColor(material.GetSpecular(), 1, 1, 1, 1);
    ExpectColor(material.GetSelfIllum(), 0, 0, 0, 1);
    ExpectColor(material.GetAmbient(), 1, 1, 1, 1);
    EXPECT_FLOAT_EQ(material.GetGlossiness(), 0.4f);
    EXPECT_FLOAT_EQ(material.GetOpacity(), 1.0f);
    EXPECT_FLOAT_EQ(material.GetReflection(), 0.0f);
    EXPECT_FLOAT_EQ(material.GetIOR(), 1.0f);
    EXPECT_FLOAT_EQ(material.GetAlphaThreshold(), 0.1f);
    EXPECT_FLOAT_EQ(material.GetMaxSmoothingAngle(), 0.0f);
    EXPECT_EQ(material.GetFlags(), 0u);
    EXPECT_EQ(material.GetTransparent(), 0u);
    EXPECT_EQ(material.GetShaderMap(), nullptr);
    EXPECT_EQ(material.GetStageCount(), 0u);
    for (u32 type = 0; type < StageTypeCount; ++type)
        EXPECT_EQ(material.GetStageByType(type), nullptr) << type;
    for (u32 i = 0; i < zMaterial::StageCount; ++i) {
        const zTextureStage& stage = material.GetStage(i);
        EXPECT_EQ(stage.active, 0);
        EXPECT_EQ(stage.wrapU, 1);
        EXPECT_EQ(stage.wrapV, 1);
        EXPECT_EQ(stage.uvMapIndex, 0);
        EXPECT_EQ(stage.type, u32(StageTypeNone));
        EXPECT_EQ(stage.texture.Get(), nullptr);
        EXPECT_EQ(stage.uvSource, u32(StageUVSourceUVMap));
        EXPECT_EQ(stage.op, u32(StageOperatorNone));
        for (int e = 0; e < 16; ++e)
            EXPECT_FLOAT_EQ(stage.matrix.e[e], zMatrix4::Identity.e[e]);
    }
}

// A stage made active with the given type and texture.
zTextureStage& SetStage(zMaterial& material, u32 index, u32 type, zTexture* texture,
                        u32 uvSource = StageUVSourceUVMap) {
    zTextureStage& stage = material.GetStage(index);
    stage.active = 1;
    stage.type = type;
    stage.texture = texture;
    stage.uvSource = uvSource;
    return stage;
}

TEST(Material, ConstructionGivesTheDefaults) {
    FakeMaterialHost host;
    zMaterial material(&host, &host);
    EXPECT_TRUE(material.GetName().IsEmpty());
    EXPECT_EQ(material.GetRenderData(), nullptr);
    ExpectDefaults(material);
    EXPECT_FLOAT_EQ(material.mass, 0.0f);
    EXPECT_FLOAT_EQ(material.staticFriction, 0.5f);
    EXPECT_FLOAT_EQ(material.dynamicFriction, 0.5f);
}

TEST(Material, StageTypeNames) {
    const struct {
        u32 type;
        const char* name;
    } cases[] = {
        {0, "None"},
        {1, "Diffuse"},
        {2, "Decal"},
        {3, "Opacity"},
        {4, "Specular"},
        {5, "Glossiness"},
        {6, "Normal"},
        {7, "Reflection"},
        {8, "Self-Illum (Emissive)"},
        {9, "Lightmap"},
        {10, "Blend RGB"},
        {11, "Invalid"},
        {0xFFFFFFFFu, "Invalid"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(GetStageTypeName(c.type), c.name) << c.type;
}

TEST(Material, ResetRestoresDefaultsFreesTheMapAndReleasesTextures) {
    FakeMaterialHost host;
    zTexture* texture = host.Add("t.tga");
    const u32 references = texture->GetRefCount();
    zMaterial material(&host, &host);
    material.SetName("kept");
    material.SetShaderName("glow");
    material.SetColor(MaterialColorAmbient, 0.1f, 0.2f, 0.3f, 0.4f);
    material.SetGlossiness(3.0f);
    material.SetFlags(MaterialFlagAdditive);
    SetStage(material, 2, StageTypeSpecular, texture).op = StageOperatorAdd;
    material.Update();
    material.SetShaderMap(material.BuildShaderMapFromFixedFunction());
    EXPECT_GT(texture->GetRefCount(), references);

    material.Reset();
    ExpectDefaults(material);
    EXPECT_STREQ(material.GetName().CStr(), "kept");
    EXPECT_EQ(texture->GetRefCount(), references);
}

TEST(Material, CheckStagesDeactivatesUnusableUVMappedStages) {
    FakeMaterialHost host;
    zTexture* texture = host.Add("t.tga");
    zMaterial material(&host, &host);
    material.SetName("rock");
    SetStage(material, 0, StageTypeDiffuse, nullptr);
    SetStage(material, 1, StageTypeNormal, nullptr, StageUVSourceLSNormal);
    SetStage(material, 2, StageTypeSpecular, texture).uvMapIndex = 3;
    SetStage(material, 3, StageTypeDecal, texture).uvMapIndex = 2;
    SetStage(material, 4, StageTypeReflection, nullptr, StageUVSourceFrontMap);

    LogCapture log;
    material.CheckStages();
    EXPECT_EQ(log.Text(), "[*] No stage texture in material 'rock', 'Diffuse' stage deactivated.\n"
                          "[*] Invalid UVmap index in material 'rock', 'Specular' stage deactivated.\n");
    EXPECT_EQ(material.GetStage(0).active, 0);
    EXPECT_EQ(material.GetStage(1).active, 1) << "LSNormal stages need no texture";
    EXPECT_EQ(material.GetStage(2).active, 0);
    EXPECT_EQ(material.GetStage(3).active, 1);
    EXPECT_EQ(material.GetStage(4).active, 1);
}

TEST(Material, StageByTypeIsTheFirstStageOfEachTypeActiveOrNot) {
    FakeMaterialHost host;
    zTexture* texture = host.Add("t.tga");
    zMaterial material(&host, &host);
    SetStage(material, 1, StageTypeOpacity, texture).active = 0;
    SetStage(material, 3, StageTypeOpacity, texture);
    SetStage(material, 4, StageTypeBlendRGB, texture);
    material.CheckStages();
    EXPECT_EQ(material.GetStageByType(StageTypeOpacity), &material.GetStage(1));
    EXPECT_EQ(material.GetStageByType(StageTypeBlendRGB), &material.GetStage(4));
    EXPECT_EQ(material.GetStageByType(StageTypeNone), &material.GetStage(0));
    EXPECT_EQ(material.GetStageByType(StageTypeDiffuse), nullptr);
    EXPECT_EQ(material.GetStageByType(StageTypeCount), nullptr);
}

// The flag is taken from the stages as Update leaves them: a stage made
// since the last CheckStages counts, one that CheckStages deactivates does not.
TEST(Material, TransparencyFollowsFlagsAndTheOpacityStage) {
    enum Opacity { NoStage, Textured, Untextured, Inactive, BadUVMap };
    const struct {
        const char* label;
        u32 flags;
        Opacity opacity;
        u32 transparent;
    } cases[] = {
        {"plain", 0, NoStage, 0},
        {"additive", MaterialFlagAdditive, NoStage, 1},
        {"subtractive", MaterialFlagSubtractive, NoStage, 1},
        {"other flags", MaterialFlagDoubleSided | MaterialFlagToon, NoStage, 0},
        {"opacity stage", 0, Textured, 1},
        {"opacity stage without texture", 0, Untextured, 0},
        {"inactive opacity stage", 0, Inactive, 0},
        {"opacity stage whose UV map became invalid", 0, BadUVMap, 0},
        {"additive with an opacity stage whose UV map became invalid", MaterialFlagAdditive, BadUVMap, 1},
    };
    for (const auto& c : cases) {
        FakeMaterialHost host;
        zTexture* texture = host.Add("a.tga");
        zMaterial material(&host, &host);
        material.SetFlags(c.flags);
        if (c.opacity != NoStage) {
            zTextureStage& stage =
                SetStage(material, 2, StageTypeOpacity, c.opacity == Untextured ? nullptr : texture);
            stage.active = c.opacity != Inactive;
            if (c.opacity == BadUVMap) {
                material.CheckStages(); // the table already holds the stage
                stage.uvMapIndex = 3;
            }
        }
        LogCapture log;
        material.Update();
        EXPECT_EQ(material.GetTransparent(), c.transparent) << c.label << " after Update";
        material.Setup();
        EXPECT_EQ(material.GetTransparent(), c.transparent) << c.label << " after Setup";
    }
}

TEST(Material, AddStageReusesFillsOrRefuses) {
    FakeMaterialHost host;
    zTexture* diffuse = host.Add("d.tga");
    zTexture* opacity = host.Add("o.tga");
    zMaterial material(&host, &host);
    SetStage(material, 0, StageTypeDiffuse, diffuse);
    SetStage(material, 1, StageTypeNone, diffuse).active = 0;
    material.GetStage(2).type = StageTypeSpecular;
    material.CheckStages();

    EXPECT_EQ(material.AddStage(StageTypeDiffuse, opacity, StageUVSourceLSNormal, 2), &material.GetStage(0));
    EXPECT_EQ(material.GetStage(0).texture.Get(), diffuse) << "an active textured stage is kept as it is";

    const u32 references = opacity->GetRefCount();
    zTextureStage* added = material.AddStage(StageTypeOpacity, opacity, StageUVSourceFrontMap, 2);
    ASSERT_EQ(added, &material.GetStage(1)) << "the first stage of type None";
    EXPECT_EQ(added->active, 1);
    EXPECT_EQ(added->type, u32(StageTypeOpacity));
    EXPECT_EQ(added->texture.Get(), opacity);
    EXPECT_EQ(added->uvSource, u32(StageUVSourceFrontMap));
    EXPECT_EQ(added->uvMapIndex, 2);
    EXPECT_EQ(opacity->GetRefCount(), references + 1);

    for (u32 i = 3; i < zMaterial::StageCount; ++i)
        material.GetStage(i).type = StageTypeDecal;
    LogCapture log;
    EXPECT_EQ(material.AddStage(StageTypeGlossiness, opacity, StageUVSourceUVMap, 0), nullptr);
    EXPECT_EQ(log.Text(), "[*] No texture stage left to create a new stage.\n");
}

TEST(Material, SetupCallsSetupMaterialThenUpdateMaterial) {
    FakeMaterialHost host;
    std::vector<std::string> journal;
    MaterialJournalRenderer renderer(&host, &journal);
    for (bool result : {true, false}) {
        journal.clear();
        renderer.setupResult = result;
        zMaterial material(&host, &host);
        EXPECT_EQ(material.Setup(), result);
        EXPECT_EQ(journal, (std::vector<std::string>{"SetupMaterial", "UpdateMaterial"}));
    }
    EXPECT_EQ(journal.back(), "FreeMaterial") << "the destructor frees the renderer's data";
}

TEST(Material, SetupWithoutRendererFails) {
    FakeMaterialHost host;
    zMaterial material(&host, &host);
    EXPECT_FALSE(material.Setup());
}

TEST(Material, UpdateCallsUpdateMaterial) {
    FakeMaterialHost host;
    std::vector<std::string> journal;
    MaterialJournalRenderer renderer(&host, &journal);
    zMaterial material(&host, &host);
    material.Update();
    EXPECT_EQ(journal, (std::vector<std::string>{"UpdateMaterial"}));
}

TEST(Material, DebugChannelShowsThatStageAloneAsDiffuse) {
    FakeMaterialHost host;
    host.debugChannel = StageTypeNormal;
    zTexture* diffuse = host.Add("d.tga");
    zTexture* normal = host.Add("n.tga");
    zMaterial material(&host, &host);
    material.SetShaderName("bumpy");
    material.SetColor(MaterialColorDiffuse, 0.2f, 0.3f, 0.4f, 0.5f);
    material.SetColor(MaterialColorSpecular, 0.6f, 0.7f, 0.8f, 0.9f);
    SetStage(material, 0, StageTypeDiffuse, diffuse);
    zTextureStage& normalStage = SetStage(material, 3, StageTypeNormal, normal);
    normalStage.uvMapIndex = 1;
    normalStage.wrapU = 0;
    SetStage(material, 4, StageTypeSpecular, diffuse);

    material.Setup();
    const zTextureStage& shown = material.GetStage(0);
    EXPECT_EQ(shown.active, 1);
    EXPECT_EQ(shown.type, u32(StageTypeDiffuse));
    EXPECT_EQ(shown.texture.Get(), normal);
    EXPECT_EQ(shown.uvMapIndex, 1);
    EXPECT_EQ(shown.wrapU, 0);
    for (u32 i = 1; i < zMaterial::StageCount; ++i)
        EXPECT_EQ(material.GetStage(i).active, 0) << i;
    ExpectColor(material.GetDiffuse(), 1, 1, 1, 1);
    ExpectColor(material.GetSpecular(), 0, 0, 0, 1);
    EXPECT_TRUE(material.GetShaderName().IsEmpty());
}

TEST(Material, DebugChannelWithoutThatStageChangesNothing) {
    const struct {
        const char* label;
        i32 channel;
        bool textured;
    } cases[] = {
        {"no such stage", StageTypeGlossiness, true},
        {"stage without texture", StageTypeNormal, false},
        {"channel off", -1, true},
        {"channel past the types", 11, true},
    };
    for (const auto& c : cases) {
        FakeMaterialHost host;
        host.debugChannel = c.channel;
        zTexture* diffuse = host.Add("d.tga");
        zMaterial material(&host, &host);
        material.SetShaderName("kept");
        SetStage(material, 0, StageTypeDiffuse, diffuse);
        SetStage(material, 1, StageTypeNormal, c.textured ? diffuse : nullptr, StageUVSourceLSNormal);
        material.Setup();
        EXPECT_EQ(material.GetStage(0).texture.Get(), diffuse) << c.label;
        EXPECT_EQ(material.GetStage(1).active, 1) << c.label;
        EXPECT_STREQ(material.GetShaderName().CStr(), "kept") << c.label;
    }
}

TEST(Material, SetShaderMapReplacesAndFreesTheOldMap) {
    FakeMaterialHost host;
    zTexture* texture = host.Add("d.tga");
    const u32 references = texture->GetRefCount();
    zMaterial material(&host, &host);
    SetStage(material, 0, StageTypeDiffuse, texture);
    material.CheckStages();
    material.SetShaderMap(material.BuildShaderMapFromFixedFunction());
    EXPECT_GT(texture->GetRefCount(), references);
    material.SetShaderMap(new zShaderMap());
    material.GetStage(0).Reset();
    EXPECT_EQ(texture->GetRefCount(), references) << "the old map's texture blocks are gone";
}

} // namespace
