#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/material.h"
#include "render/shader/shader_block.h"
#include "render/shader/shader_map.h"
#include "tests/render/material_fixtures.h"
#include "tests/support/log_capture.h"

namespace {

// Writes the material as ZML text and reads it back into copy.
void RoundTrip(const zMaterial& material, zMaterial& copy) {
    const std::string text = MaterialTagText(material.Serialize());
    MaterialDocument document(text.data(), text.size());
    ASSERT_NE(document.root, nullptr) << text;
    EXPECT_TRUE(copy.Parse(document.root)) << text;
}

void ExpectSameMaterial(const zMaterial& a, const zMaterial& b, const std::string& label) {
    EXPECT_STREQ(a.GetName().CStr(), b.GetName().CStr()) << label;
    EXPECT_STREQ(a.GetShaderName().CStr(), b.GetShaderName().CStr()) << label;
    for (u32 color = 0; color < MaterialColorCount; ++color)
        for (u32 i = 0; i < 4; ++i)
            EXPECT_FLOAT_EQ(a.GetColor(color)[i], b.GetColor(color)[i]) << label << " colour " << color;
    EXPECT_FLOAT_EQ(a.GetGlossiness(), b.GetGlossiness()) << label;
    EXPECT_FLOAT_EQ(a.GetOpacity(), b.GetOpacity()) << label;
    EXPECT_FLOAT_EQ(a.GetReflection(), b.GetReflection()) << label;
    EXPECT_FLOAT_EQ(a.GetIOR(), b.GetIOR()) << label;
    EXPECT_FLOAT_EQ(a.GetAlphaThreshold(), b.GetAlphaThreshold()) << label;
    EXPECT_FLOAT_EQ(a.GetMaxSmoothingAngle(), b.GetMaxSmoothingAngle()) << label;
    EXPECT_EQ(a.GetFlags(), b.GetFlags()) << label;
    EXPECT_FLOAT_EQ(a.mass, b.mass) << label;
    EXPECT_FLOAT_EQ(a.staticFriction, b.staticFriction) << label;
    EXPECT_FLOAT_EQ(a.dynamicFriction, b.dynamicFriction) << label;
    EXPECT_FLOAT_EQ(a.restitution, b.restitution) << label;
    EXPECT_FLOAT_EQ(a.damping, b.damping) << label;
    EXPECT_FLOAT_EQ(a.stiffness, b.stiffness) << label;
    EXPECT_FLOAT_EQ(a.torsion, b.torsion) << label;
    for (u32 i = 0; i < zMaterial::StageCount; ++i) {
        const zTextureStage& x = a.GetStage(i);
        const zTextureStage& y = b.GetStage(i);
        EXPECT_EQ(x.active, y.active) << label << " stage " << i;
        EXPECT_EQ(x.wrapU, y.wrapU) << label << " stage " << i;
        EXPECT_EQ(x.wrapV, y.wrapV) << label << " stage " << i;
        EXPECT_EQ(x.uvMapIndex, y.uvMapIndex) << label << " stage " << i;
        EXPECT_EQ(x.type, y.type) << label << " stage " << i;
        EXPECT_EQ(x.texture.Get(), y.texture.Get()) << label << " stage " << i;
        EXPECT_EQ(x.uvSource, y.uvSource) << label << " stage " << i;
        EXPECT_EQ(x.op, y.op) << label << " stage " << i;
    }
}

// ---- Round trips ----

TEST(MaterialFile, RoundTripKeepsEveryField) {
    const struct {
        const char* label;
        const char* body;
    } cases[] = {
        {"defaults", "<Material=<Id=\"plain\">>"},
        {"colours", "<Material=<Id=\"c\"><Diffuse=<X=0.5><Y=0.25><Z=0.125><W=0.75>>"
                    "<Specular=<X=0.1><Y=0.2><Z=0.3>><Self=<X=1.0><Y=0.0><Z=0.0>>"
                    "<Ambient=<X=0.0><Y=0.5><Z=1.0>>>"},
        {"factors", "<Material=<Glossiness=2.5><Opacity=0.5><Reflection=0.25><IOR=1.33>"
                    "<AlphaThreshold=0.5><MaxSmoothingAngle=60.0><Shader=\"water\">>"},
        {"physics", "<Material=<PhysicMaterial=<Mass=2.0><StaticFriction=0.75><DynamicFriction=0.25>"
                    "<Restitution=0.5><Damping=0.1><Stiffness=0.2><Torsion=0.3>>>"},
        {"all flags", "<Material=<RenderMask=<Shadeless><Smoothing><Additive><DoubleSided><Wireframe>"
                      "<VertexColor><SoftBody><Subtractive><ForceVertexNormal><NormalMapTangent>"
                      "<ParralaxDisp><NoZWrite><NoZTest><NoFog><FixedFunction><Toon><AlphaToFrame>"
                      "<AlphaSoftZ>>>"},
        {"channels", "<Material="
                     "<TextureStage=<Index=0><Texture=\"a.tga\"><Active>>"
                     "<TextureStage=<Index=1><Texture=\"b.tga\"><Active><Channel=\"Decal\"><UV=1>>"
                     "<TextureStage=<Index=2><Texture=\"a.tga\"><Active><Channel=\"Opacity\"><UV=2>>"
                     "<TextureStage=<Index=3><Texture=\"b.tga\"><Channel=\"Specular\">>"
                     "<TextureStage=<Index=4><Texture=\"a.tga\"><Active><Channel=\"Glossiness\">>"
                     "<TextureStage=<Index=5><Texture=\"b.tga\"><Active><Channel=\"Normal\">>>"},
        {"more channels", "<Material="
                          "<TextureStage=<Index=0><Texture=\"a.tga\"><Active><Channel=\"Reflection\">"
                          "<UVSource=\"FrontMap\"><Operator=\"Multiply\">>"
                          "<TextureStage=<Index=1><Texture=\"b.tga\"><Active><Channel=\"SelfIllum\">"
                          "<NoWrapU>>"
                          "<TextureStage=<Index=2><Texture=\"a.tga\"><Active><Channel=\"Light\"><NoWrapV>>"
                          "<TextureStage=<Index=3><Texture=\"b.tga\"><Active><Channel=\"BlendRGB\">"
                          "<UVSource=\"LSNormal\"><Operator=\"Add\">>>"},
    };
    for (const auto& c : cases) {
        FakeMaterialHost host;
        host.Add("a.tga");
        host.Add("b.tga");
        zMaterial material(&host, &host);
        LogCapture log;
        ASSERT_TRUE(ParseMaterialText(material, c.body)) << c.label;
        zMaterial copy(&host, &host);
        RoundTrip(material, copy);
        ExpectSameMaterial(material, copy, c.label);
        EXPECT_EQ(log.Text(), "") << c.label;
    }
}

TEST(MaterialFile, DefaultsWriteNoColoursNoFactorsAndNoRenderMask) {
    FakeMaterialHost host;
    zMaterial material(&host, &host);
    material.SetName("plain");
    zMetaTag* tag = material.Serialize();
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(ChildNames(tag), "Id PhysicMaterial");
    EXPECT_EQ(ChildNames(tag->GetTag("PhysicMaterial;")), "StaticFriction DynamicFriction Restitution");
    delete tag;
}

TEST(MaterialFile, WriterOrderAndForms) {
    FakeMaterialHost host;
    host.Add("a.tga");
    zMaterial material(&host, &host);
    ASSERT_TRUE(ParseMaterialText(material, "<Material=<Id=\"m\"><TextureStage=<Index=2><Channel=\"Normal\">"
                                            "<Texture=\"a.tga\"><Active><UV=1><NoWrapU><NoWrapV>"
                                            "<Operator=\"Add\"><UVSource=\"LSNormal\">>"
                                            "<Shader=\"s\"><RenderMask=<Toon><AlphaToFrame><Shadeless>>"
                                            "<Glossiness=1.0><Ambient=<X=0.5><Y=0.5><Z=0.5>>>"));
    zMetaTag* tag = material.Serialize();
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(ChildNames(tag),
              "Id Ambient Glossiness PhysicMaterial RenderMask Shader ShaderMap TextureStage");
    EXPECT_EQ(ChildNames(tag->GetTag("RenderMask;")), "Shadeless Toon AlphaToFrame");
    EXPECT_EQ(ChildNames(tag->GetTag("Ambient;")), "X Y Z")
        << "an ambient alpha at its default is not written";
    EXPECT_EQ(ChildNames(tag->GetTag("TextureStage;")),
              "Index Active Texture UV NoWrapU NoWrapV Operator Channel UVSource");
    delete tag;
}

TEST(MaterialFile, FlagsAreWrittenInTableOrder) {
    FakeMaterialHost host;
    zMaterial material(&host, &host);
    material.SetFlags(0xFFFFFFFFu);
    zMetaTag* tag = material.Serialize();
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(ChildNames(tag->GetTag("RenderMask;")),
              "Shadeless Smoothing Additive DoubleSided Wireframe VertexColor SoftBody Subtractive "
              "ForceVertexNormal NormalMapTangent ParralaxDisp NoZWrite NoZTest NoFog FixedFunction Toon "
              "AlphaToFrame AlphaSoftZ")
        << "bits without a word (the skinned bit among them) are not written";
    delete tag;
}

TEST(MaterialFile, FlagWordsAndAliases) {
    const struct {
        const char* word;
        u32 flags;
    } cases[] = {
        {"Shadeless", 0x1},
        {"Smoothing", 0x2},
        {"Additive", 0x4},
        {"DoubleSided", 0x8},
        {"Wireframe", 0x10},
        {"VertexColor", 0x20},
        {"RGB", 0x20},
        {"SoftBody", 0x40},
        {"Subtractive", 0x80},
        {"Substractive", 0x80},
        {"ForceVertexNormal", 0x100},
        {"NormalMapTangent", 0x400},
        {"ParralaxDisp", 0x1000},
        {"NoZWrite", 0x2000},
        {"NoZTest", 0x4000},
        {"NoFog", 0x10000},
        {"FixedFunction", 0x20000},
        {"AlphaToFrame", 0x40000},
        {"Toon", 0x80000},
        {"AlphaSoftZ", 0x100000},
        {"Lit", 0},
    };
    for (const auto& c : cases) {
        FakeMaterialHost host;
        zMaterial material(&host, &host);
        LogCapture log;
        ASSERT_TRUE(ParseMaterialText(material, std::string("<Material=<RenderMask=<") + c.word + ">>>"));
        EXPECT_EQ(material.GetFlags(), c.flags) << c.word;
        EXPECT_EQ(log.Text(), "") << c.word;
    }
}

TEST(MaterialFile, ChannelWordsGiveTheirStageType) {
    const struct {
        const char* channel; // null: no Channel tag
        u32 type;
        const char* written; // null: no Channel tag written
    } cases[] = {
        {nullptr, StageTypeDiffuse, nullptr},
        {"Diffuse", StageTypeDiffuse, nullptr},
        {"Decal", StageTypeDecal, "Decal"},
        {"Detail", StageTypeDecal, "Decal"},
        {"Opacity", StageTypeOpacity, "Opacity"},
        {"Specular", StageTypeSpecular, "Specular"},
        {"Glossiness", StageTypeGlossiness, "Glossiness"},
        {"Normal", StageTypeNormal, "Normal"},
        {"Reflection", StageTypeReflection, "Reflection"},
        {"SelfIllum", StageTypeSelfIllum, "SelfIllum"},
        {"Light", StageTypeLightmap, "Light"},
        {"VertexColor", StageTypeLightmap, "Light"},
        {"Color", StageTypeLightmap, "Light"},
        {"BlendRGB", StageTypeBlendRGB, "BlendRGB"},
    };
    for (const auto& c : cases) {
        FakeMaterialHost host;
        host.Add("a.tga");
        zMaterial material(&host, &host);
        std::string body = "<Material=<TextureStage=<Index=1><Texture=\"a.tga\"><Active>";
        if (c.channel) body += std::string("<Channel=\"") + c.channel + "\">";
        body += ">>";
        ASSERT_TRUE(ParseMaterialText(material, body));
        const char* label = c.channel ? c.channel : "(none)";
        EXPECT_EQ(material.GetStage(1).type, c.type) << label;
        EXPECT_EQ(material.GetStageCount(), 1u) << label;

        zMetaTag* tag = material.Serialize();
        const zMetaTag* channel = tag->GetTag("TextureStage:Channel;");
        if (!c.written) {
            EXPECT_EQ(channel, nullptr) << label;
        } else {
            ASSERT_NE(channel, nullptr) << label;
            EXPECT_STREQ(channel->GetValue().GetStringValue().CStr(), c.written) << label;
        }
        delete tag;
    }
}

TEST(MaterialFile, BogusStageValuesAreLoggedWhenWritten) {
    FakeMaterialHost host;
    zTexture* texture = host.Add("a.tga");
    zMaterial material(&host, &host);
    material.SetName("m");
    zTextureStage& stage = material.GetStage(2);
    stage.texture = texture;
    stage.type = 12;
    stage.uvSource = StageUVSourceNone;
    material.GetStage(3).texture = texture; // type None
    LogCapture log;
    zMetaTag* tag = material.Serialize();
    EXPECT_EQ(log.Text(), "[*] Bogus channel in texture stage 2 material 'm'.\n"
                          "[*] Bogus channel in texture stage 2 material 'm'.\n"
                          "[*] Bogus channel in texture stage 3 material 'm'.\n");
    EXPECT_EQ(ChildNames(tag->GetTag("TextureStage;")), "Index Texture UV");
    delete tag;
}

TEST(MaterialFile, StageFieldsAreRead) {
    FakeMaterialHost host;
    zTexture* texture = host.Add("rock.tga");
    zMaterial material(&host, &host);
    ASSERT_TRUE(ParseMaterialText(material,
                                  "<Material=<TextureStage=<Index=4><Texture=\"rock.tga\"><Active=0>"
                                  "<UV=2><NoWrapV><Operator=\"Multiply\"><UVSource=\"FrontMap\">"
                                  "<Channel=\"Reflection\">>>"));
    const zTextureStage& stage = material.GetStage(4);
    EXPECT_EQ(stage.active, 1) << "presence activates, whatever the value";
    EXPECT_EQ(stage.texture.Get(), texture);
    EXPECT_EQ(stage.uvMapIndex, 2);
    EXPECT_EQ(stage.wrapU, 1);
    EXPECT_EQ(stage.wrapV, 0);
    EXPECT_EQ(stage.op, u32(StageOperatorMultiply));
    EXPECT_EQ(stage.uvSource, u32(StageUVSourceFrontMap));
    EXPECT_EQ(stage.type, u32(StageTypeReflection));
    EXPECT_EQ(host.loads, (std::vector<std::string>{"rock.tga"}));
    EXPECT_EQ(texture->GetFlags() & TextureFlagNormalMap, 0u);
}

// A second tag of the same index resets only the active flag, type,
// operator and UV map index; wrap, texture and UV source stay.
TEST(MaterialFile, RepeatedStageIndexResetsOnlyPartOfTheStage) {
    FakeMaterialHost host;
    zTexture* texture = host.Add("a.tga");
    zMaterial material(&host, &host);
    ASSERT_TRUE(ParseMaterialText(material, "<Material=<TextureStage=<Index=1><Texture=\"a.tga\"><Active>"
                                            "<Channel=\"Reflection\"><UV=2><NoWrapU><NoWrapV>"
                                            "<Operator=\"Add\"><UVSource=\"FrontMap\">>"
                                            "<TextureStage=<Index=1>>>"));
    const zTextureStage& stage = material.GetStage(1);
    EXPECT_EQ(stage.active, 0);
    EXPECT_EQ(stage.type, u32(StageTypeDiffuse)) << "no Channel: Diffuse";
    EXPECT_EQ(stage.op, u32(StageOperatorNone));
    EXPECT_EQ(stage.uvMapIndex, 0);
    EXPECT_EQ(stage.wrapU, 0);
    EXPECT_EQ(stage.wrapV, 0);
    EXPECT_EQ(stage.texture.Get(), texture);
    EXPECT_EQ(stage.uvSource, u32(StageUVSourceFrontMap));
    EXPECT_EQ(material.GetStageCount(), 2u);
}

TEST(MaterialFile, NormalStageMarksItsTextureAsNormalMap) {
    FakeMaterialHost host;
    zTexture* texture = host.Add("n.tga");
    zMaterial material(&host, &host);
    ASSERT_TRUE(ParseMaterialText(material, "<Material=<TextureStage=<Index=0><Texture=\"n.tga\"><Active>"
                                            "<Channel=\"Normal\">>>"));
    EXPECT_NE(texture->GetFlags() & TextureFlagNormalMap, 0u);
}

TEST(MaterialFile, GlossinessIsClamped) {
    const struct {
        const char* value;
        f32 glossiness;
    } cases[] = {{"100.0", 16.0f}, {"0.0", 0.01f}, {"-3.0", 0.01f}, {"8", 8.0f}, {"0.5", 0.5f}};
    for (const auto& c : cases) {
        FakeMaterialHost host;
        zMaterial material(&host, &host);
        ASSERT_TRUE(ParseMaterialText(material, std::string("<Material=<Glossiness=") + c.value + ">>"));
        EXPECT_FLOAT_EQ(material.GetGlossiness(), c.glossiness) << c.value;
    }
}

TEST(MaterialFile, ReaderProblemsAreLoggedAndSkipped) {
    const struct {
        const char* label;
        const char* body;
        const char* log;
    } cases[] = {
        {"stage index 6", "<Material=<Id=\"m\"><TextureStage=<Index=6><Texture=\"a.tga\">>>",
         "[*] Illegal texture stage index 6 in material 'm'.\n"},
        {"stage index 7", "<Material=<Id=\"m\"><TextureStage=<Index=7>>>",
         "[*] Illegal texture stage index 7 in material 'm'.\n"},
        {"float index", "<Material=<Id=\"m\"><TextureStage=<Index=1.0>>>",
         "[*] Illegal index tag type in material 'm'.\n"},
        {"no index", "<Material=<Id=\"m\"><TextureStage=<Texture=\"a.tga\">>>",
         "[*] Illegal index tag type in material 'm'.\n"},
        {"unknown channel", "<Material=<Id=\"m\"><TextureStage=<Index=2><Channel=\"Bump\">>>",
         "[*] Unknown channel for texture stage 2 of material 'm'.\n"},
        {"unknown UV source", "<Material=<Id=\"m\"><TextureStage=<Index=3><UVSource=\"Sphere\">>>",
         "[*] Unknown UV source for texture stage 3 of material 'm'.\n"},
        {"AlphaMap flag", "<Material=<Id=\"m\"><RenderMask=<AlphaMap><Additive>>>",
         "[*] Unknown tag 'AlphaMap' in material 'm'.\n"},
        {"unknown tag", "<Material=<Id=\"m\"><Bumpiness=1.0>>",
         "[*] Unknown tag 'Bumpiness' in <Material>.\n"},
    };
    for (const auto& c : cases) {
        FakeMaterialHost host;
        host.Add("a.tga");
        zMaterial material(&host, &host);
        LogCapture log;
        EXPECT_TRUE(ParseMaterialText(material, c.body)) << c.label;
        EXPECT_EQ(log.Text(), c.log) << c.label;
        for (u32 i = 0; i < zMaterial::StageCount; ++i)
            EXPECT_EQ(material.GetStage(i).active, 0) << c.label << " stage " << i;
        EXPECT_NE(material.GetShaderMap(), nullptr) << c.label;
    }
}

TEST(MaterialFile, UnknownChannelLeavesTypeNone) {
    FakeMaterialHost host;
    host.Add("a.tga");
    zMaterial material(&host, &host);
    LogCapture log;
    ASSERT_TRUE(ParseMaterialText(material, "<Material=<TextureStage=<Index=2><Channel=\"Bump\">"
                                            "<Texture=\"a.tga\"><Active>>>"));
    EXPECT_EQ(material.GetStage(2).type, u32(StageTypeNone));
    EXPECT_EQ(material.GetStage(2).active, 1);
}

TEST(MaterialFile, NegativeStageIndexIsRefused) {
    FakeMaterialHost host;
    host.Add("a.tga");
    zMaterial material(&host, &host);
    material.SetName("before");
    LogCapture log;
    ASSERT_TRUE(ParseMaterialText(material, "<Material=<TextureStage=<Index=-1><Texture=\"a.tga\"><Active>"
                                            "<Channel=\"Specular\">>>"));
    EXPECT_EQ(log.Text(), "[*] Illegal texture stage index -1 in material 'before'.\n");
    EXPECT_EQ(material.GetStageCount(), 0u);
    EXPECT_EQ(material.GetStageByType(StageTypeSpecular), nullptr);
    EXPECT_STREQ(material.GetName().CStr(), "before") << "nothing before the stages was overwritten";
}

TEST(MaterialFile, OutOfRangeUVIndexStaysInvalid) {
    const char* values[] = {"258", "-1", "3"};
    for (const char* value : values) {
        FakeMaterialHost host;
        host.Add("a.tga");
        zMaterial material(&host, &host);
        material.SetName("m");
        LogCapture log;
        ASSERT_TRUE(ParseMaterialText(material, std::string("<Material=<Id=\"m\"><TextureStage=<Index=0>"
                                                            "<Texture=\"a.tga\"><Active><UV=") +
                                                    value + ">>>"));
        EXPECT_EQ(material.GetStage(0).active, 0) << value;
        EXPECT_EQ(log.Text(), "[*] Invalid UVmap index in material 'm', 'Diffuse' stage deactivated.\n")
            << value;
    }
}

TEST(MaterialFile, WrongRootTagFails) {
    FakeMaterialHost host;
    zMaterial material(&host, &host);
    material.SetGlossiness(2.0f);
    LogCapture log;
    EXPECT_FALSE(ParseMaterialText(material, "<Materials=<Id=\"m\">>"));
    EXPECT_EQ(log.Text(), "[!] Could not parse material. Root tag id is incorrect (Materials).\n");
    EXPECT_FLOAT_EQ(material.GetGlossiness(), 2.0f) << "nothing was reset";
}

TEST(MaterialFile, StageWithoutTextureIsDeactivatedAfterParse) {
    FakeMaterialHost host;
    zMaterial material(&host, &host);
    LogCapture log;
    ASSERT_TRUE(ParseMaterialText(material,
                                  "<Material=<Id=\"m\"><TextureStage=<Index=0><Texture=\"lost.tga\">"
                                  "<Active>><TextureStage=<Index=1><Active><Channel=\"Normal\">"
                                  "<UVSource=\"LSNormal\">>>"));
    EXPECT_EQ(log.Text(), "[*] No stage texture in material 'm', 'Diffuse' stage deactivated.\n");
    EXPECT_EQ(material.GetStage(0).active, 0);
    EXPECT_EQ(material.GetStage(1).active, 1);
    EXPECT_EQ(host.loads, (std::vector<std::string>{"lost.tga"}));
}

TEST(MaterialFile, WithoutHostTexturesAreNotLoaded) {
    FakeMaterialHost host;
    host.Add("a.tga");
    zMaterial material(&host);
    LogCapture log;
    ASSERT_TRUE(
        ParseMaterialText(material, "<Material=<TextureStage=<Index=0><Texture=\"a.tga\"><Active>>>"));
    EXPECT_EQ(material.GetStage(0).texture.Get(), nullptr);
    EXPECT_TRUE(host.loads.empty());
}

TEST(MaterialFile, ParseResetsThePreviousContent) {
    FakeMaterialHost host;
    host.Add("a.tga");
    zMaterial material(&host, &host);
    ASSERT_TRUE(ParseMaterialText(material, "<Material=<Id=\"first\"><Glossiness=3.0><RenderMask=<Additive>>"
                                            "<TextureStage=<Index=0><Texture=\"a.tga\"><Active>>>"));
    ASSERT_TRUE(ParseMaterialText(material, "<Material=<Opacity=0.5>>"));
    EXPECT_FLOAT_EQ(material.GetGlossiness(), 0.4f);
    EXPECT_FLOAT_EQ(material.GetOpacity(), 0.5f);
    EXPECT_EQ(material.GetFlags(), 0u);
    EXPECT_EQ(material.GetStage(0).texture.Get(), nullptr);
    EXPECT_EQ(material.GetStageCount(), 0u);
    EXPECT_STREQ(material.GetName().CStr(), "first") << "a file without Id keeps the name";
}

TEST(MaterialFile, DiffuseAlphaIsKeptWhenTheColourIsWhite) {
    FakeMaterialHost host;
    zMaterial material(&host, &host);
    material.SetColor(MaterialColorDiffuse, 1.0f, 1.0f, 1.0f, 0.5f);
    material.SetColor(MaterialColorSpecular, 1.0f, 1.0f, 1.0f, 0.25f);
    zMetaTag* tag = material.Serialize();
    ASSERT_NE(tag, nullptr);
    ASSERT_NE(tag->GetTag("Diffuse;"), nullptr);
    ASSERT_NE(tag->GetTag("Specular;"), nullptr);
    EXPECT_EQ(ChildNames(tag->GetTag("Diffuse;")), "X Y Z W");
    EXPECT_EQ(ChildNames(tag->GetTag("Specular;")), "X Y Z W");
    const std::string text = MaterialTagText(tag);
    MaterialDocument document(text.data(), text.size());
    zMaterial copy(&host, &host);
    ASSERT_TRUE(copy.Parse(document.root));
    EXPECT_FLOAT_EQ(copy.GetDiffuse()[3], 0.5f);
    EXPECT_FLOAT_EQ(copy.GetSpecular()[3], 0.25f);
}

TEST(MaterialFile, ColourReadsThreeOrFourComponents) {
    FakeMaterialHost host;
    zMaterial material(&host, &host);
    ASSERT_TRUE(ParseMaterialText(material,
                                  "<Material=<Diffuse=<X=0.5><Y=0.5><Z=0.5>><Self=<X=1><Y=2><Z=3><W=4>>"
                                  "<Specular=<X=0.5>>>"));
    EXPECT_FLOAT_EQ(material.GetDiffuse()[0], 0.5f);
    EXPECT_FLOAT_EQ(material.GetDiffuse()[3], 1.0f) << "alpha kept without W";
    EXPECT_FLOAT_EQ(material.GetSelfIllum()[3], 4.0f);
    EXPECT_FLOAT_EQ(material.GetSpecular()[0], 1.0f) << "a short vector changes nothing";
}

TEST(MaterialFile, PhysicMaterialTag) {
    zPhysicMaterial physics;
    physics.mass = 3.0f;
    physics.torsion = 0.5f;
    zMetaTag* tag = physics.Serialize();
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(ChildNames(tag), "Mass StaticFriction DynamicFriction Restitution Torsion");
    delete tag;

    MaterialDocument wrong(std::string("<Physics=<Mass=1.0>>"));
    LogCapture log;
    EXPECT_FALSE(physics.Parse(wrong.root));
    EXPECT_EQ(log.Text(), "[!] Could not parse physic material. Root tag id is incorrect (Physics).\n");

    MaterialDocument right(std::string("<PhysicMaterial=<Mass=2><Other=1.0><Restitution=0.5>>"));
    EXPECT_TRUE(physics.Parse(right.root));
    EXPECT_FLOAT_EQ(physics.mass, 2.0f);
    EXPECT_FLOAT_EQ(physics.restitution, 0.5f);
}

// ---- Embedded alpha ----

TEST(MaterialFile, DiffuseTextureWithAlphaAddsAnOpacityStage) {
    FakeMaterialHost host;
    zTexture* texture = host.Add("leaf.tga", true);
    zMaterial material(&host, &host);
    ASSERT_TRUE(ParseMaterialText(material, "<Material=<TextureStage=<Index=2><Texture=\"leaf.tga\"><Active>"
                                            "<UV=1>>>"));
    const zTextureStage* opacity = material.GetStageByType(StageTypeOpacity);
    ASSERT_EQ(opacity, &material.GetStage(0)) << "the first free stage";
    EXPECT_EQ(opacity->active, 1);
    EXPECT_EQ(opacity->texture.Get(), texture);
    EXPECT_EQ(opacity->uvMapIndex, 1) << "the diffuse stage's UV map";
    EXPECT_EQ(opacity->uvSource, u32(StageUVSourceUVMap));
    EXPECT_EQ(material.GetTransparent(), 1u);
    material.Setup();
    EXPECT_EQ(material.GetTransparent(), 1u) << "after Setup";
}

TEST(MaterialFile, NoOpacityStageForOpaqueTexturesOrExistingOpacity) {
    const struct {
        const char* label;
        bool translucent;
        const char* extra;
    } cases[] = {
        {"opaque texture", false, ""},
        {"opacity stage present", true,
         "<TextureStage=<Index=5><Texture=\"other.tga\"><Active><Channel=\"Opacity\">>"},
        {"inactive diffuse", true, ""},
    };
    for (const auto& c : cases) {
        FakeMaterialHost host;
        zTexture* leaf = host.Add("leaf.tga", c.translucent);
        host.Add("other.tga");
        zMaterial material(&host, &host);
        const std::string active = std::string(c.label) == "inactive diffuse" ? "" : "<Active>";
        ASSERT_TRUE(ParseMaterialText(material, "<Material=<TextureStage=<Index=0><Texture=\"leaf.tga\">" +
                                                    active + ">" + c.extra + ">"));
        for (u32 i = 0; i < zMaterial::StageCount; ++i) {
            if (material.GetStage(i).type == StageTypeOpacity) {
                EXPECT_NE(material.GetStage(i).texture.Get(), leaf) << c.label;
            }
        }
    }
}

TEST(MaterialFile, EmbeddedAlphaWithAllStagesUsedKeepsThemAndLogs) {
    FakeMaterialHost host;
    host.Add("leaf.tga", true);
    host.Add("b.tga");
    zMaterial material(&host, &host);
    std::string body = "<Material=<Id=\"full\"><TextureStage=<Index=0><Texture=\"leaf.tga\"><Active>>";
    const char* channels[] = {"Decal", "Specular", "Glossiness", "Light", "SelfIllum"};
    for (int i = 0; i < 5; ++i)
        body += "<TextureStage=<Index=" + std::to_string(i + 1) + "><Texture=\"b.tga\"><Active><Channel=\"" +
                channels[i] + "\">>";
    body += ">";
    LogCapture log;
    EXPECT_TRUE(ParseMaterialText(material, body));
    EXPECT_EQ(log.Text(),
              "[*] No texture stage left to create a new stage.\n"
              "[*] Diffuse channel texture has embedded alpha but there is no texture stage left to "
              "enable opacity in material 'full'.\n");
    EXPECT_EQ(material.GetStageByType(StageTypeOpacity), nullptr);
    EXPECT_EQ(material.GetStage(4).type, u32(StageTypeLightmap));
}

TEST(MaterialFile, OpacityStageForDiffuseAlphaReachesTheShaderMap) {
    FakeMaterialHost host;
    zTexture* texture = host.Add("leaf.tga", true);
    zMaterial material(&host, &host);
    ASSERT_TRUE(
        ParseMaterialText(material, "<Material=<TextureStage=<Index=0><Texture=\"leaf.tga\"><Active>>>"));
    ASSERT_NE(material.GetShaderMap(), nullptr);
    zShaderBlock* opacity = material.GetShaderMap()->GetOutput(ShaderOutputOpacity);
    ASSERT_NE(opacity, nullptr);
    ASSERT_EQ(opacity->GetType(), u32(ShaderBlockSwizzle));
    zShaderBlock* sampler = opacity->GetInput(0);
    ASSERT_NE(sampler, nullptr);
    ASSERT_EQ(sampler->GetType(), u32(ShaderBlockSampler2d));
    EXPECT_EQ(static_cast<zTextureShaderBlock*>(sampler->GetInput(0))->GetTexture(), texture);
    EXPECT_EQ(opacity->GetOutputType(), u32(ShaderTypeFloat));
}

// ---- Shader maps ----

TEST(MaterialFile, FileShaderMapIsKeptAndWrittenBack) {
    FakeMaterialHost host;
    host.Add("a.tga");
    zMaterial material(&host, &host);
    ASSERT_TRUE(ParseMaterialText(material, "<Material=<ShaderMap=<Map=<Entry=<Type=\"Clock\">>>"
                                            "<Opacity=<Block=<Index=0>>>>"
                                            "<ShaderMap=<Map=<Entry=<Type=\"Color\">>>"
                                            "<Diffuse=<Block=<Index=0>>>>"
                                            "<TextureStage=<Index=0><Texture=\"a.tga\"><Active>>>"));
    zShaderMap* map = material.GetShaderMap();
    ASSERT_NE(map, nullptr);
    ASSERT_NE(map->GetOutput(ShaderOutputDiffuse), nullptr) << "the last map read wins";
    EXPECT_EQ(map->GetOutput(ShaderOutputDiffuse)->GetType(), u32(ShaderBlockColor));
    EXPECT_EQ(map->GetOutput(ShaderOutputNormal), nullptr) << "no conversion when the file has a map";

    zMaterial copy(&host, &host);
    RoundTrip(material, copy);
    ASSERT_NE(copy.GetShaderMap(), nullptr);
    EXPECT_EQ(copy.GetShaderMap()->GetOutput(ShaderOutputDiffuse)->GetType(), u32(ShaderBlockColor));
    EXPECT_EQ(copy.GetShaderMap()->GetOutput(ShaderOutputNormal), nullptr);
}

// Texture blocks of a file's shader map load through the material's host
// and are written back by name.
TEST(MaterialFile, ShaderMapTexturesLoadThroughTheHost) {
    FakeMaterialHost host;
    zTexture* texture = host.Add("maps/bark.tga");
    zMaterial material(&host, &host);
    ASSERT_TRUE(ParseMaterialText(material, "<Material=<ShaderMap=<Map=<Entry=<Type=\"Sampler 2D\">>"
                                            "<Entry=<Type=\"Texture\"><Param=<Texture=\"maps/bark.tga\">>>"
                                            "<Entry=<Type=\"Geometry UV\">>>"
                                            "<Diffuse=<Block=<Index=0><Input=<Block=<Index=1>>"
                                            "<Block=<Index=2>>>>>>>"));
    EXPECT_EQ(host.loads, (std::vector<std::string>{"maps/bark.tga"}));
    zShaderBlock* sampler = material.GetShaderMap()->GetOutput(ShaderOutputDiffuse);
    ASSERT_NE(sampler, nullptr);
    EXPECT_EQ(static_cast<zTextureShaderBlock*>(sampler->GetInput(0))->GetTexture(), texture);
    EXPECT_EQ(sampler->GetOutputType(), u32(ShaderTypeVec4));

    zMaterial copy(&host, &host);
    RoundTrip(material, copy);
    zShaderBlock* copied = copy.GetShaderMap()->GetOutput(ShaderOutputDiffuse);
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(static_cast<zTextureShaderBlock*>(copied->GetInput(0))->GetTexture(), texture);
}

TEST(MaterialFile, MaterialWithoutShaderMapGetsTheConvertedOne) {
    FakeMaterialHost host;
    zTexture* texture = host.Add("a.tga");
    zMaterial material(&host, &host);
    ASSERT_TRUE(
        ParseMaterialText(material, "<Material=<TextureStage=<Index=3><Texture=\"a.tga\"><Active>>>"));
    ASSERT_NE(material.GetShaderMap(), nullptr);
    zShaderBlock* diffuse = material.GetShaderMap()->GetOutput(ShaderOutputDiffuse);
    ASSERT_NE(diffuse, nullptr);
    ASSERT_EQ(diffuse->GetType(), u32(ShaderBlockSampler2d));
    EXPECT_EQ(static_cast<zTextureShaderBlock*>(diffuse->GetInput(0))->GetTexture(), texture);
}

// Inputs from outside: none may crash or leak, and each still gives a usable material.
TEST(MaterialFile, HostileInputsLoad) {
    const char* bodies[] = {
        "<Material>",
        "<Material=1>",
        "<Material=<Id=3><Shader=1.0><Diffuse=\"red\"><Glossiness=\"x\"><RenderMask=1>>",
        "<Material=<TextureStage>>",
        "<Material=<TextureStage=<Index=2147483647>>>",
        "<Material=<TextureStage=<Index=-2147483647>>>",
        "<Material=<TextureStage=<Index=0><Channel=7><UVSource=2><Operator=1><Texture=5><UV=\"x\">>>",
        "<Material=<ShaderMap=<Diffuse=<Block=<Index=5>>>>>",
        "<Material=<ShaderMap>>",
        "<Material=<PhysicMaterial=<Mass=\"heavy\">>>",
        "<Material=<Glossiness=nan>>",
    };
    for (const char* body : bodies) {
        FakeMaterialHost host;
        zMaterial material(&host, &host);
        LogCapture log;
        MaterialDocument document{std::string(body)};
        if (!document.root) continue;
        EXPECT_TRUE(material.Parse(document.root)) << body;
        EXPECT_NE(material.GetShaderMap(), nullptr) << body;
        EXPECT_GE(material.GetGlossiness(), zMaterial::MinGlossiness) << body;
        zMetaTag* tag = material.Serialize();
        EXPECT_NE(tag, nullptr) << body;
        delete tag;
    }
}

} // namespace
