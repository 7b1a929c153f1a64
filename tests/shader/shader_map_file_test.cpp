#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "render/shader/shader_map.h"
#include "render/shader/shader_map_file.h"
#include "tests/markup/tree_dump.h"
#include "tests/shader/shader_fixtures.h"
#include "tests/support/log_capture.h"

namespace {

// Reads the first root of a ZML text into a new map.
std::unique_ptr<zShaderMap> ParseText(const std::string& body, zTextureLoader* loader = nullptr,
                                      bool* parsed = nullptr) {
    ZmlText text(body);
    auto map = std::make_unique<zShaderMap>();
    EXPECT_NE(text.root, nullptr) << body;
    const bool ok = text.root && map->Parse(loader, text.root);
    if (parsed) *parsed = ok;
    return map;
}

// Writes the map as ZML text and reads it back into a new map.
std::unique_ptr<zShaderMap> RoundTrip(const zShaderMap& map, zTextureLoader* loader = nullptr) {
    zMetaTag* tag = map.Serialize();
    EXPECT_NE(tag, nullptr);
    const std::string text = WriteZml(tag);
    auto copy = std::make_unique<zShaderMap>();
    zMetafile doc;
    EXPECT_TRUE(ParseMetafile(text.data(), text.size(), doc)) << text;
    zLinkedListIterator iterator;
    const zMetaTag* root = doc.GetNextRoot(iterator);
    EXPECT_NE(root, nullptr);
    if (root) {
        EXPECT_TRUE(copy->Parse(loader, root));
    }
    return copy;
}

std::string Dump(zMetaTag* tag) {
    zMetafile doc;
    doc.AddRoot(tag);
    return DumpTree(doc);
}

template <typename T> T* As(zShaderBlock* block) {
    return static_cast<T*>(block);
}

// ---- Writing ----

// Diffuse = Mul(S, Color), Specular = S, S = Sampler(Texture, UV 0).
struct SharedSamplerMap {
    FakeTextureLoader textures;
    zShaderMap map;
    zShaderBlock* sampler;

    SharedSamplerMap() {
        zTexture* texture = textures.Add("t.tga");
        sampler = new zSampler2dShaderBlock(new zTextureShaderBlock(texture), new zGeometryUVShaderBlock(0));
        auto* mul = new zMulOperatorShaderBlock(sampler, new zColorShaderBlock(1.0f, 0.5f, 0.25f, 1.0f));
        map.SetOutput(ShaderOutputDiffuse, mul);
        map.SetOutput(ShaderOutputSpecular, sampler);
        map.SetPosition(3.0f, -2.0f);
        sampler->SetPosition(10.0f, 20.0f);
    }
};

TEST(ShaderMapWrite, TableInPreOrderAndBranchesByIndex) {
    SharedSamplerMap fixture;
    const char* expected = "ShaderMap\n"
                           "  Pos\n"
                           "    X = float 3\n"
                           "    Y = float -2\n"
                           "  Map\n"
                           "    Entry\n"
                           "      Type = string \"Multiply\"\n"
                           "      Pos\n"
                           "        X = float 0\n"
                           "        Y = float 0\n"
                           "      Param\n"
                           "    Entry\n"
                           "      Type = string \"Sampler 2D\"\n"
                           "      Pos\n"
                           "        X = float 10\n"
                           "        Y = float 20\n"
                           "      Param\n"
                           "        WrapU = bool True\n"
                           "        WrapV = bool True\n"
                           "    Entry\n"
                           "      Type = string \"Texture\"\n"
                           "      Pos\n"
                           "        X = float 0\n"
                           "        Y = float 0\n"
                           "      Param\n"
                           "        Texture = string \"t.tga\"\n"
                           "    Entry\n"
                           "      Type = string \"Geometry UV\"\n"
                           "      Pos\n"
                           "        X = float 0\n"
                           "        Y = float 0\n"
                           "      Param\n"
                           "        Channel = int 0\n"
                           "    Entry\n"
                           "      Type = string \"Color\"\n"
                           "      Pos\n"
                           "        X = float 0\n"
                           "        Y = float 0\n"
                           "      Param\n"
                           "        Color\n"
                           "          X = float 1\n"
                           "          Y = float 0.5\n"
                           "          Z = float 0.25\n"
                           "          W = float 1\n"
                           "  Diffuse\n"
                           "    Block\n"
                           "      Index = int 0\n"
                           "      Input\n"
                           "        Block\n"
                           "          Index = int 1\n"
                           "          Input\n"
                           "            Block\n"
                           "              Index = int 2\n"
                           "            Block\n"
                           "              Index = int 3\n"
                           "        Block\n"
                           "          Index = int 4\n"
                           "  Specular\n"
                           "    Block\n"
                           "      Index = int 1\n";
    EXPECT_EQ(Dump(fixture.map.Serialize()), expected);
}

TEST(ShaderMapWrite, UnsetInputIsWrittenAsNoneAndEmptyMapHasOnlyPosAndMap) {
    zShaderMap empty;
    EXPECT_EQ(Dump(empty.Serialize()), "ShaderMap\n  Pos\n    X = float 0\n    Y = float 0\n  Map\n");

    zShaderMap map;
    map.SetOutput(ShaderOutputOpacity,
                  new zMixOperatorShaderBlock(nullptr, new zClockShaderBlock(), nullptr));
    const std::string dump = Dump(map.Serialize());
    EXPECT_NE(dump.find("  Opacity\n"
                        "    Block\n"
                        "      Index = int 0\n"
                        "      Input\n"
                        "        None\n"
                        "        Block\n"
                        "          Index = int 1\n"
                        "        None\n"),
              std::string::npos)
        << dump;
}

// ---- Round trips ----

TEST(ShaderMapRoundTrip, KeepsSharedBlocksShared) {
    SharedSamplerMap fixture;
    auto copy = RoundTrip(fixture.map, &fixture.textures);
    zShaderBlock* diffuse = copy->GetOutput(ShaderOutputDiffuse);
    zShaderBlock* specular = copy->GetOutput(ShaderOutputSpecular);
    ASSERT_NE(diffuse, nullptr);
    ASSERT_NE(specular, nullptr);
    EXPECT_EQ(diffuse->GetType(), u32(ShaderBlockMul));
    EXPECT_EQ(diffuse->GetInput(0), specular);
    EXPECT_EQ(specular->GetType(), u32(ShaderBlockSampler2d));
    EXPECT_EQ(specular->GetX(), 10.0f);
    EXPECT_EQ(specular->GetY(), 20.0f);
    EXPECT_EQ(copy->GetX(), 3.0f);
    EXPECT_EQ(copy->GetY(), -2.0f);
    auto* texture = As<zTextureShaderBlock>(specular->GetInput(0));
    EXPECT_EQ(texture->GetTexture(), fixture.textures.textures["t.tga"].Get());
    EXPECT_EQ(fixture.textures.lastPath, "t.tga");
    EXPECT_EQ(diffuse->GetOutputType(), u32(ShaderTypeVec4));
    for (u32 output : {ShaderOutputNormal, ShaderOutputModulate, ShaderOutputGlossiness, ShaderOutputConstant,
                       ShaderOutputOpacity}) {
        EXPECT_EQ(copy->GetOutput(output), nullptr);
    }
}

// Each level adds a block whose two inputs are the level below: written out
// in full at every use, the text doubled with each level.
TEST(ShaderMapRoundTrip, SharedInputsDoNotMultiplyTheText) {
    constexpr int Levels = 48;
    zShaderMap map;
    zShaderBlock* top = new zColorShaderBlock(0.5f, 0.5f, 0.5f, 1.0f);
    for (int i = 0; i < Levels; ++i)
        top = new zAddOperatorShaderBlock(top, top);
    map.SetOutput(ShaderOutputDiffuse, top);
    map.SetOutput(ShaderOutputSpecular, top->GetInput(0));

    const std::string text = WriteZml(map.Serialize());
    EXPECT_LT(text.size(), 40000u);
    auto copy = RoundTrip(map);
    zShaderBlock* block = copy->GetOutput(ShaderOutputDiffuse);
    EXPECT_EQ(block->GetInput(0), copy->GetOutput(ShaderOutputSpecular));
    int depth = 0;
    while (block->GetType() == ShaderBlockAdd) {
        ASSERT_NE(block->GetInput(0), nullptr);
        EXPECT_EQ(block->GetInput(0), block->GetInput(1));
        block = block->GetInput(0);
        ++depth;
    }
    EXPECT_EQ(depth, Levels);
    EXPECT_EQ(block->GetType(), u32(ShaderBlockColor));
    EXPECT_EQ(copy->GetOutput(ShaderOutputDiffuse)->GetOutputType(), u32(ShaderTypeVec4));
}

TEST(ShaderMapRoundTrip, EveryKindKeepsItsData) {
    FakeTextureLoader textures;
    zTexture* brick = textures.Add("maps/brick.tga");
    zShaderMap map;

    auto* uv = new zGeometryUVShaderBlock(2);
    auto* buffer = new zRenderBufferShaderBlock(3);
    auto* sampler = new zSampler2dShaderBlock(buffer, uv);
    sampler->SetWrap(false, true);
    auto* constant = new zConstantShaderBlock();
    constant->SetConstantType(ShaderTypeVec4);
    constant->SetValues(0.5f, -1.0f, 2.0f, 0.25f);
    auto* color = new zColorShaderBlock(0.1f, 0.2f, 0.3f, 0.4f);
    auto* mix = new zMixOperatorShaderBlock(sampler, color, new zMaterialParamShaderBlock(5));
    auto* swizzle = new zSwizzleShaderBlock(mix, SwizzleW, SwizzleZ, SwizzleNone, SwizzleX);
    auto* build =
        new zBuildShaderBlock(swizzle, BuildY, nullptr, BuildOne, nullptr, BuildZero, swizzle, BuildX);
    auto* textureSampler =
        new zSampler2dShaderBlock(new zTextureShaderBlock(brick), new zGeometryUVShaderBlock(0));
    auto* normal = new zGeometryNormalShaderBlock(1);
    map.SetOutput(ShaderOutputNormal, new zNormalizeOperatorShaderBlock(new zMulOperatorShaderBlock(
                                          new zNormalViewMatrixShaderBlock(), normal)));
    map.SetOutput(ShaderOutputDiffuse, new zAddOperatorShaderBlock(constant, build));
    map.SetOutput(ShaderOutputConstant, textureSampler);
    map.SetOutput(ShaderOutputOpacity, new zGeometryVertexShaderBlock());

    auto copy = RoundTrip(map, &textures);
    auto* add = copy->GetOutput(ShaderOutputDiffuse);
    ASSERT_EQ(add->GetType(), u32(ShaderBlockAdd));
    auto* readConstant = As<zConstantShaderBlock>(add->GetInput(0));
    EXPECT_EQ(readConstant->GetConstantType(), u32(ShaderTypeVec4));
    EXPECT_EQ(readConstant->GetValue(0), 0.5f);
    EXPECT_EQ(readConstant->GetValue(1), -1.0f);
    EXPECT_EQ(readConstant->GetValue(2), 2.0f);
    EXPECT_EQ(readConstant->GetValue(3), 0.25f);

    auto* readBuild = As<zBuildShaderBlock>(add->GetInput(1));
    ASSERT_EQ(readBuild->GetType(), u32(ShaderBlockBuild));
    const u32 buildCodes[] = {BuildY, BuildOne, BuildZero, BuildX};
    for (u32 i = 0; i < 4; ++i)
        EXPECT_EQ(readBuild->GetComponent(i), buildCodes[i]);
    EXPECT_EQ(readBuild->GetInput(1), nullptr);
    EXPECT_EQ(readBuild->GetInput(0), readBuild->GetInput(3));

    auto* readSwizzle = As<zSwizzleShaderBlock>(readBuild->GetInput(0));
    const u32 swizzleCodes[] = {SwizzleW, SwizzleZ, SwizzleNone, SwizzleX};
    for (u32 i = 0; i < 4; ++i)
        EXPECT_EQ(readSwizzle->GetComponent(i), swizzleCodes[i]);

    auto* readMix = readSwizzle->GetInput(0);
    ASSERT_EQ(readMix->GetType(), u32(ShaderBlockMix));
    auto* readSampler = As<zSampler2dShaderBlock>(readMix->GetInput(0));
    EXPECT_FALSE(readSampler->GetWrapU());
    EXPECT_TRUE(readSampler->GetWrapV());
    EXPECT_EQ(As<zRenderBufferShaderBlock>(readSampler->GetInput(0))->GetBuffer(), 3u);
    EXPECT_EQ(As<zGeometryUVShaderBlock>(readSampler->GetInput(1))->GetChannel(), 2u);
    auto* readColor = As<zColorShaderBlock>(readMix->GetInput(1));
    EXPECT_EQ(readColor->GetValue(0), 0.1f);
    EXPECT_EQ(readColor->GetValue(3), 0.4f);
    EXPECT_EQ(As<zMaterialParamShaderBlock>(readMix->GetInput(2))->GetParam(), 5u);

    auto* readTextureSampler = copy->GetOutput(ShaderOutputConstant);
    EXPECT_EQ(As<zTextureShaderBlock>(readTextureSampler->GetInput(0))->GetTexture(), brick);

    auto* readNormalize = copy->GetOutput(ShaderOutputNormal);
    ASSERT_EQ(readNormalize->GetType(), u32(ShaderBlockNormalize));
    EXPECT_EQ(readNormalize->GetOutputType(), u32(ShaderTypeVec3));
    EXPECT_EQ(readNormalize->GetInput(0)->GetInput(0)->GetType(), u32(ShaderBlockNormalViewMatrix));
    // The smooth flag is not part of the file form.
    EXPECT_EQ(readNormalize->GetInput(0)->GetInput(1)->GetType(), u32(ShaderBlockGeometryNormal));

    EXPECT_EQ(copy->GetOutput(ShaderOutputOpacity)->GetType(), u32(ShaderBlockGeometryVertex));
}

TEST(ShaderMapRoundTrip, TextureWithoutNameOrLoaderStaysEmpty) {
    FakeTextureLoader textures;
    zTexture* unnamed = textures.Add("");
    zShaderMap map;
    map.SetOutput(ShaderOutputDiffuse,
                  new zSampler2dShaderBlock(new zTextureShaderBlock(unnamed), new zGeometryUVShaderBlock(1)));
    const std::string dump = Dump(map.Serialize());
    EXPECT_EQ(dump.find("Texture = string"), std::string::npos) << dump;
    auto copy = RoundTrip(map, &textures);
    EXPECT_EQ(textures.calls, 0);
    EXPECT_EQ(As<zTextureShaderBlock>(copy->GetOutput(ShaderOutputDiffuse)->GetInput(0))->GetTexture(),
              nullptr);
}

// ---- Reading ----

TEST(ShaderMapRead, RefusesAnotherRootTag) {
    LogCapture log;
    bool parsed = true;
    auto map = ParseText("<Material=<Map>>", nullptr, &parsed);
    EXPECT_FALSE(parsed);
    EXPECT_EQ(log.Text(), "[!] Could not parse shader map. Root tag id is incorrect (Material).\n");
}

TEST(ShaderMapRead, BlockTableRefusesAnotherTag) {
    LogCapture log;
    ZmlText text("<Table=<Entry=<Type=\"Clock\">>>");
    zShaderMap owner;
    zShaderBlockTable table;
    EXPECT_FALSE(ReadShaderBlockTable(nullptr, text.root, owner, table));
    EXPECT_TRUE(table.empty());
    EXPECT_EQ(log.Text(), "[!] Could not parse map. Root tag id is incorrect (Table).\n");
}

TEST(ShaderMapRead, ForeignTagTakesNoIndex) {
    LogCapture log;
    auto map = ParseText("<ShaderMap=<Map=<Entry=<Type=\"Clock\">><X=1><Entry=<Type=\"Viewport\">>>"
                         "<Opacity=<Block=<Index=0>>><Diffuse=<Block=<Index=1>>>>");
    EXPECT_EQ(log.Text(), "[*] Unexpected tag 'X' in shader map.\n");
    EXPECT_EQ(map->GetOutput(ShaderOutputOpacity)->GetType(), u32(ShaderBlockClock));
    EXPECT_EQ(map->GetOutput(ShaderOutputDiffuse)->GetType(), u32(ShaderBlockViewport));
}

TEST(ShaderMapRead, NoneLeavesItsInputEmpty) {
    auto map = ParseText("<ShaderMap=<Map=<Entry=<Type=\"Add\">><Entry=<Type=\"Color\">>>"
                         "<Diffuse=<Block=<Index=0><Input=<None><Block=<Index=1>>>>>>");
    zShaderBlock* add = map->GetOutput(ShaderOutputDiffuse);
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add->GetInput(0), nullptr);
    ASSERT_NE(add->GetInput(1), nullptr);
    EXPECT_EQ(add->GetInput(1)->GetType(), u32(ShaderBlockColor));
}

TEST(ShaderMapRead, TypeNamesWithTheirAliases) {
    auto map =
        ParseText("<ShaderMap=<Map=<Entry=<Type=\"Normal Matrix\">><Entry=<Type=\"Normal Matrix \">>"
                  "<Entry=<Type=\"Invalid\">>>"
                  "<Normal=<Block=<Index=0>>><Specular=<Block=<Index=1>>><Diffuse=<Block=<Index=2>>>>");
    EXPECT_EQ(map->GetOutput(ShaderOutputNormal)->GetType(), u32(ShaderBlockNormalViewMatrix));
    EXPECT_EQ(map->GetOutput(ShaderOutputSpecular)->GetType(), u32(ShaderBlockNormalMatrix));
    EXPECT_EQ(map->GetOutput(ShaderOutputDiffuse)->GetType(), u32(ShaderBlockGeometryVertex));

    const std::string dump = Dump(map->Serialize());
    EXPECT_NE(dump.find("Type = string \"Normal View Matrix\""), std::string::npos) << dump;
    EXPECT_NE(dump.find("Type = string \"Normal Matrix \""), std::string::npos) << dump;
    EXPECT_NE(dump.find("Type = string \"Invalid\""), std::string::npos) << dump;
}

TEST(ShaderMapRead, ParametersByTypeWithDefaults) {
    LogCapture log;
    FakeTextureLoader textures;
    zTexture* grass = textures.Add("grass.tga");
    auto map = ParseText(
        "<ShaderMap=<Pos=<X=5.0><Y=6.0>><Map="
        "<Entry=<Type=\"Constant\"><Param>>"                                       // 0: w = 1 with a Param
        "<Entry=<Type=\"Constant\">>"                                              // 1: all zero without
        "<Entry=<Type=\"Constant\"><Param=<Type=8><Value=<X=1.0><Y=2.0><Z=3.0>>>>" // 2: w kept
        "<Entry=<Type=\"Color\"><Param=<Color=<X=0.5>>>>"              // 3: bad vector, default kept
        "<Entry=<Type=\"Sampler 2D\"><Param=<WrapU=0><WrapV=\"no\">>>" // 4: int flag, string ignored
        "<Entry=<Type=\"Geometry UV\"><Param=<Channel=1.5>>>"          // 5: float channel ignored
        "<Entry=<Type=\"Texture\"><Param=<Texture=\"grass.tga\">>>"    // 6
        "<Entry=<Type=\"Texture\"><Param=<Texture=\"missing.tga\">>>"  // 7
        "<Entry=<Type=\"Material Parameter\"><Param=<Param=4>><Pos=<X=-1.0><Y=2.5>>>" // 8
        "<Entry=<Type=\"Build\"><Param=<Build=\"10\">>>"     // 9: two read, then defaults
        "<Entry=<Type=\"Swizzle\"><Param>>"                  // 10: no string, defaults
        "<Entry=<Type=\"Render Buffer\"><Param=<Buffer=7>>>" // 11
        ">"
        "<Normal=<Block=<Index=0>>><Diffuse=<Block=<Index=1>>><Modulate=<Block=<Index=2>>>"
        "<Specular=<Block=<Index=3>>><Glossiness=<Block=<Index=8>>>>",
        &textures);
    EXPECT_EQ(map->GetX(), 5.0f);
    EXPECT_EQ(map->GetY(), 6.0f);

    auto* withParam = As<zConstantShaderBlock>(map->GetOutput(ShaderOutputNormal));
    EXPECT_EQ(withParam->GetConstantType(), u32(ShaderTypeNone));
    EXPECT_EQ(withParam->GetValue(3), 1.0f);
    auto* withoutParam = As<zConstantShaderBlock>(map->GetOutput(ShaderOutputDiffuse));
    EXPECT_EQ(withoutParam->GetValue(3), 0.0f);
    auto* vec2 = As<zConstantShaderBlock>(map->GetOutput(ShaderOutputModulate));
    EXPECT_EQ(vec2->GetOutputType(), u32(ShaderTypeVec2));
    EXPECT_EQ(vec2->GetValue(0), 1.0f);
    EXPECT_EQ(vec2->GetValue(2), 3.0f);
    EXPECT_EQ(vec2->GetValue(3), 1.0f);
    auto* color = As<zColorShaderBlock>(map->GetOutput(ShaderOutputSpecular));
    for (u32 i = 0; i < 4; ++i)
        EXPECT_EQ(color->GetValue(i), 1.0f);
    auto* param = As<zMaterialParamShaderBlock>(map->GetOutput(ShaderOutputGlossiness));
    EXPECT_EQ(param->GetParam(), 4u);
    EXPECT_EQ(param->GetX(), -1.0f);
    EXPECT_EQ(param->GetY(), 2.5f);
    EXPECT_EQ(log.Text(), "[!] Unexpected end of build mask.\n");

    // The remaining entries through the table itself.
    ZmlText text("<Map=<Entry=<Type=\"Sampler 2D\"><Param=<WrapU=0><WrapV=\"no\">>>"
                 "<Entry=<Type=\"Geometry UV\"><Param=<Channel=1.5>>>"
                 "<Entry=<Type=\"Texture\"><Param=<Texture=\"grass.tga\">>>"
                 "<Entry=<Type=\"Texture\"><Param=<Texture=\"missing.tga\">>>"
                 "<Entry=<Type=\"Build\"><Param=<Build=\"10\">>>"
                 "<Entry=<Type=\"Swizzle\"><Param>>"
                 "<Entry=<Type=\"Render Buffer\"><Param=<Buffer=7>>>"
                 "<Entry=<Param>>>");
    zShaderMap owner;
    zShaderBlockTable table;
    ASSERT_TRUE(ReadShaderBlockTable(&textures, text.root, owner, table));
    ASSERT_EQ(table.size(), 8u);
    auto* sampler = As<zSampler2dShaderBlock>(table[0]);
    EXPECT_FALSE(sampler->GetWrapU());
    EXPECT_TRUE(sampler->GetWrapV());
    EXPECT_EQ(As<zGeometryUVShaderBlock>(table[1])->GetChannel(), 0u);
    EXPECT_EQ(As<zTextureShaderBlock>(table[2])->GetTexture(), grass);
    EXPECT_EQ(As<zTextureShaderBlock>(table[3])->GetTexture(), nullptr);
    auto* build = As<zBuildShaderBlock>(table[4]);
    const u32 buildCodes[] = {BuildOne, BuildZero, BuildZ, BuildW};
    for (u32 i = 0; i < 4; ++i)
        EXPECT_EQ(build->GetComponent(i), buildCodes[i]);
    auto* swizzle = As<zSwizzleShaderBlock>(table[5]);
    for (u32 i = 0; i < 4; ++i)
        EXPECT_EQ(swizzle->GetComponent(i), u32(SwizzleNone));
    EXPECT_EQ(As<zRenderBufferShaderBlock>(table[6])->GetBuffer(), 7u);
    EXPECT_EQ(table[7], nullptr);
}

// WrapU and WrapV are read from a bool or an int (non-zero repeats); any
// other value keeps the default, repeat.
TEST(ShaderMapRead, SamplerWrapFlagsFromBoolOrInt) {
    const struct {
        const char* value;
        bool wrap;
    } cases[] = {
        {"False", false}, {"True", true}, {"0", false},    {"2", true},
        {"-1", true},     {"0.0", true},  {"\"0\"", true},
    };
    for (const auto& c : cases) {
        const std::string value = c.value;
        ZmlText text("<Map=<Entry=<Type=\"Sampler 2D\"><Param=<WrapU=" + value + "><WrapV=" + value + ">>>>");
        zShaderMap owner;
        zShaderBlockTable table;
        ASSERT_TRUE(ReadShaderBlockTable(nullptr, text.root, owner, table)) << value;
        ASSERT_EQ(table.size(), 1u) << value;
        auto* sampler = As<zSampler2dShaderBlock>(table[0]);
        EXPECT_EQ(sampler->GetWrapU(), c.wrap) << value;
        EXPECT_EQ(sampler->GetWrapV(), c.wrap) << value;
        EXPECT_STREQ(sampler->GetPrefix().CStr(), c.wrap ? "Spl2dTT_" : "Spl2dFF_") << value;
    }
}

// A file may repeat a shared block's inputs at every branch that uses it;
// that reads as the same graph as inputs written once.
TEST(ShaderMapRead, InputsRepeatedAtEveryReferenceReadAsOneGraph) {
    LogCapture log;
    FakeTextureLoader textures;
    zTexture* texture = textures.Add("t.tga");
    auto map = ParseText(
        "<ShaderMap=<Map=<Entry=<Type=\"Multiply\">><Entry=<Type=\"Sampler 2D\">>"
        "<Entry=<Type=\"Texture\"><Param=<Texture=\"t.tga\">>><Entry=<Type=\"Geometry UV\">>"
        "<Entry=<Type=\"Color\">>>"
        "<Diffuse=<Block=<Index=0><Input=<Block=<Index=1><Input=<Block=<Index=2>><Block=<Index=3>>>>"
        "<Block=<Index=4>>>>>"
        "<Specular=<Block=<Index=1><Input=<Block=<Index=2>><Block=<Index=3>>>>>>",
        &textures);
    EXPECT_EQ(log.Text(), "");
    zShaderBlock* diffuse = map->GetOutput(ShaderOutputDiffuse);
    zShaderBlock* specular = map->GetOutput(ShaderOutputSpecular);
    ASSERT_NE(diffuse, nullptr);
    ASSERT_NE(specular, nullptr);
    EXPECT_EQ(diffuse->GetInput(0), specular);
    EXPECT_EQ(As<zTextureShaderBlock>(specular->GetInput(0))->GetTexture(), texture);
    EXPECT_EQ(diffuse->GetOutputType(), u32(ShaderTypeVec4));
    zList<zShaderBlock*> blocks;
    CollectBlocks(diffuse, blocks);
    CollectBlocks(specular, blocks);
    EXPECT_EQ(blocks.GetCount(), 5u);
}

TEST(ShaderMapRead, ShortSwizzleKeepsTheComponentsRead) {
    LogCapture log;
    auto map = ParseText(
        "<ShaderMap=<Map=<Entry=<Type=\"Swizzle\"><Param=<Swizzle=\"xyz\">>><Entry=<Type=\"Color\">>>"
        "<Diffuse=<Block=<Index=0><Input=<Block=<Index=1>>>>>>");
    EXPECT_EQ(log.Text(), "[!] Unexpected end of swizzle mask.\n");
    auto* swizzle = As<zSwizzleShaderBlock>(map->GetOutput(ShaderOutputDiffuse));
    ASSERT_NE(swizzle, nullptr);
    EXPECT_EQ(swizzle->GetComponent(0), u32(SwizzleX));
    EXPECT_EQ(swizzle->GetComponent(2), u32(SwizzleZ));
    EXPECT_EQ(swizzle->GetComponent(3), u32(SwizzleNone));
    EXPECT_EQ(swizzle->GetOutputType(), u32(ShaderTypeVec3));
}

TEST(ShaderMapRead, MapWithoutOwnTableReadsEachBranchFromItsOwn) {
    auto map = ParseText("<ShaderMap>");
    for (u32 output = 0; output < ShaderOutputCount; ++output)
        EXPECT_EQ(map->GetOutput(output), nullptr);

    auto branches = ParseText("<ShaderMap="
                              "<Diffuse=<Block=<Map=<Entry=<Type=\"Color\">><Entry=<Type=\"Abs\">>><Index=1><"
                              "Input=<Block=<Index=0>>>>>"
                              "<Opacity=<Block=<Map=<Entry=<Type=\"Clock\">>><Index=0>>>"
                              ">");
    zShaderBlock* abs = branches->GetOutput(ShaderOutputDiffuse);
    ASSERT_NE(abs, nullptr);
    EXPECT_EQ(abs->GetType(), u32(ShaderBlockAbs));
    EXPECT_EQ(abs->GetInput(0)->GetType(), u32(ShaderBlockColor));
    EXPECT_EQ(branches->GetOutput(ShaderOutputOpacity)->GetType(), u32(ShaderBlockClock));
}

// ---- Hostile files ----

struct HostileCase {
    const char* what;
    const char* body;
    const char* log;
};

// Each file must load without crash, write back and load again; the
// sanitizers check the memory.
TEST(ShaderMapRead, HostileFilesLoadSafely) {
    const HostileCase cases[] = {
        {"index past the table",
         "<ShaderMap=<Map=<Entry=<Type=\"Clock\">><Entry=<Type=\"Clock\">>><Diffuse=<Block=<Index=99>>>>",
         "[!] Shader block index 99 is outside the block table (2 blocks).\n"},
        {"negative index", "<ShaderMap=<Map=<Entry=<Type=\"Clock\">>><Diffuse=<Block=<Index=-1>>>>",
         "[!] Shader block index -1 is outside the block table (1 blocks).\n"},
        {"index into an empty table", "<ShaderMap=<Map><Diffuse=<Block=<Index=0>>>>",
         "[!] Shader block index 0 is outside the block table (0 blocks).\n"},
        {"block is its own input",
         "<ShaderMap=<Map=<Entry=<Type=\"Sinus\">>><Opacity=<Block=<Index=0><Input=<Block=<Index=0>>>>>>",
         "[!] Cannot connect 'Sinus' to input 0 of 'Sinus', it would make a cycle.\n"},
        {"input names its ancestor",
         "<ShaderMap=<Map=<Entry=<Type=\"Sinus\">><Entry=<Type=\"Cosinus\">>>"
         "<Opacity=<Block=<Index=0><Input=<Block=<Index=1><Input=<Block=<Index=0>>>>>>>>",
         "[!] Cannot connect 'Cosinus' to input 0 of 'Sinus', it would make a cycle.\n"},
        {"cycle across two outputs",
         "<ShaderMap=<Map=<Entry=<Type=\"Sinus\">><Entry=<Type=\"Cosinus\">>>"
         "<Opacity=<Block=<Index=0><Input=<Block=<Index=1>>>>>"
         "<Modulate=<Block=<Index=1><Input=<Block=<Index=0>>>>>>",
         // Modulate is read before Opacity.
         "[!] Cannot connect 'Cosinus' to input 0 of 'Sinus', it would make a cycle.\n"},
        {"unknown type keeps its slot",
         "<ShaderMap=<Map=<Entry=<Type=\"Bogus\">><Entry=<Type=\"Clock\">>>"
         "<Opacity=<Block=<Index=0>>><Modulate=<Block=<Index=1>>>>",
         "[!] Invalid block type 'Bogus'.\n"},
        {"type None", "<ShaderMap=<Map=<Entry=<Type=\"None\">>><Opacity=<Block=<Index=0>>>>",
         "[!] Invalid block type 'None'.\n"},
        {"branch without index", "<ShaderMap=<Map=<Entry=<Type=\"Clock\">>><Opacity=<Block=<Input>>>>",
         "[!] No block index found.\n"},
        {"index of another type", "<ShaderMap=<Map=<Entry=<Type=\"Clock\">>><Opacity=<Block=<Index=\"0\">>>>",
         "[!] No block index found.\n"},
        {"no table anywhere", "<ShaderMap=<Opacity=<Block=<Index=0>>>>",
         "[!] No map to build shader branch.\n"},
        {"more inputs than the block has",
         "<ShaderMap=<Map=<Entry=<Type=\"Sinus\">><Entry=<Type=\"Clock\">><Entry=<Type=\"Cosinus\">>>"
         "<Opacity=<Block=<Index=0><Input=<Block=<Index=1>><Block=<Index=2><Input=<Block=<Index=1>>>>>>>>",
         ""},
        {"mismatched input type is left empty",
         "<ShaderMap=<Map=<Entry=<Type=\"Sinus\">><Entry=<Type=\"Color\">>>"
         "<Opacity=<Block=<Index=0><Input=<Block=<Index=1>>>>>>",
         ""},
        {"swizzle mask with a bad letter",
         "<ShaderMap=<Map=<Entry=<Type=\"Swizzle\"><Param=<Swizzle=\"xq\">>>>"
         "<Diffuse=<Block=<Index=0>>>>",
         "[!] Unexpected end of swizzle mask.\n"},
        {"entries of no type", "<ShaderMap=<Map=<Entry><Entry=<Type=3>>><Opacity=<Block=<Index=1>>>>", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LogCapture log;
        bool parsed = false;
        auto map = ParseText(c.body, nullptr, &parsed);
        EXPECT_TRUE(parsed);
        EXPECT_EQ(log.Text(), c.log);
        log.Reset();
        auto copy = RoundTrip(*map);
        for (u32 output = 0; output < ShaderOutputCount; ++output) {
            EXPECT_EQ(copy->GetOutput(output) != nullptr, map->GetOutput(output) != nullptr) << output;
        }
        EXPECT_EQ(log.Text().find("[!]"), std::string::npos) << log.Text();
    }
}

TEST(ShaderMapRead, RefusedCycleLeavesAnAcyclicGraph) {
    LogCapture log;
    auto map = ParseText("<ShaderMap=<Map=<Entry=<Type=\"Sinus\">><Entry=<Type=\"Cosinus\">>>"
                         "<Opacity=<Block=<Index=0><Input=<Block=<Index=1><Input=<Block=<Index=0>>>>>>>>");
    zShaderBlock* sinus = map->GetOutput(ShaderOutputOpacity);
    ASSERT_NE(sinus, nullptr);
    EXPECT_EQ(sinus->GetInput(0), nullptr);
    zList<zShaderBlock*> blocks;
    CollectBlocks(sinus, blocks);
    EXPECT_EQ(blocks.GetCount(), 1u);
}

TEST(ShaderMapRead, UnknownTypeKeepsLaterIndices) {
    LogCapture log;
    auto map = ParseText("<ShaderMap=<Map=<Entry=<Type=\"Bogus\">><Entry=<Type=\"Clock\">>>"
                         "<Opacity=<Block=<Index=0>>><Modulate=<Block=<Index=1>>>>");
    EXPECT_EQ(map->GetOutput(ShaderOutputOpacity), nullptr);
    ASSERT_NE(map->GetOutput(ShaderOutputModulate), nullptr);
    EXPECT_EQ(map->GetOutput(ShaderOutputModulate)->GetType(), u32(ShaderBlockClock));
}

// Blocks no branch uses and the blocks of private tables belong to the map;
// LeakSanitizer reports any that is not freed with it.
TEST(ShaderMapRead, UnreferencedEntriesAndPrivateTablesAreFreed) {
    FakeTextureLoader textures;
    zTexture* texture = textures.Add("a.tga");
    const u32 references = texture->GetRefCount();
    {
        auto map = ParseText(
            "<ShaderMap=<Map=<Entry=<Type=\"Clock\">><Entry=<Type=\"Texture\"><Param=<Texture=\"a.tga\">>>"
            "<Entry=<Type=\"Add\">>>"
            "<Opacity=<Block=<Index=0>>>>",
            &textures);
        EXPECT_EQ(texture->GetRefCount(), references + 1);
        auto branches =
            ParseText("<ShaderMap=<Diffuse=<Block=<Map=<Entry=<Type=\"Color\">><Entry=<Type=\"Texture\">"
                      "<Param=<Texture=\"a.tga\">>>><Index=0>>>>",
                      &textures);
        EXPECT_EQ(texture->GetRefCount(), references + 2);
    }
    EXPECT_EQ(texture->GetRefCount(), references);
}

TEST(ShaderMapRead, ReadingOverAnExistingGraphFreesTheOldOne) {
    int destroyed = 0;
    {
        zShaderMap map;
        map.SetOutput(ShaderOutputOpacity, new zSinusShaderBlock(new CountedBlock(&destroyed)));
        ZmlText text("<ShaderMap=<Map=<Entry=<Type=\"Clock\">>><Opacity=<Block=<Index=0>>>>");
        ASSERT_TRUE(map.Parse(nullptr, text.root));
        EXPECT_EQ(map.GetOutput(ShaderOutputOpacity)->GetType(), u32(ShaderBlockClock));
        EXPECT_EQ(destroyed, 0);
    }
    EXPECT_EQ(destroyed, 1);
}

} // namespace
