#include <gtest/gtest.h>

#include "render/shader/shader_map.h"
#include "tests/shader/shader_fixtures.h"

namespace {

TEST(ShaderMapOutputs, NamesAndExpectedTypesInSlotOrder) {
    const struct {
        u32 output;
        const char* name;
        u32 type;
    } cases[] = {
        {ShaderOutputNormal, "Normal", ShaderTypeVec3},
        {ShaderOutputDiffuse, "Diffuse", ShaderTypeVec4},
        {ShaderOutputModulate, "Modulate", ShaderTypeFloat},
        {ShaderOutputSpecular, "Specular", ShaderTypeVec4},
        {ShaderOutputGlossiness, "Glossiness", ShaderTypeFloat},
        {ShaderOutputConstant, "Constant", ShaderTypeVec4},
        {ShaderOutputOpacity, "Opacity", ShaderTypeFloat},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(GetShaderOutputName(c.output), c.name);
        EXPECT_EQ(GetShaderOutputType(c.output), c.type) << c.name;
    }
    EXPECT_EQ(GetShaderOutputName(ShaderOutputCount), nullptr);
    EXPECT_EQ(GetShaderOutputType(ShaderOutputCount), u32(ShaderTypeNone));
}

TEST(ShaderMap, StartsEmpty) {
    zShaderMap map;
    for (u32 output = 0; output < ShaderOutputCount; ++output)
        EXPECT_EQ(map.GetOutput(output), nullptr);
    EXPECT_EQ(map.GetX(), 0.0f);
    EXPECT_EQ(map.GetY(), 0.0f);
    EXPECT_TRUE(map.GetName().IsEmpty());
    EXPECT_EQ(map.GetSpareWord(), 0u);
}

// Diffuse and Specular share a sampler graph; each block must be deleted
// exactly once, through its own destructor.
TEST(ShaderMapFreeBlocks, SharedSubGraphIsDeletedOnce) {
    int destroyed = 0;
    auto* shared = new CountedBlock(&destroyed);
    auto* onlyDiffuse = new CountedBlock(&destroyed);
    auto* add = new zAddOperatorShaderBlock(shared, onlyDiffuse);
    auto* mul = new zMulOperatorShaderBlock(add, shared);

    zShaderMap map;
    map.SetOutput(ShaderOutputDiffuse, mul);
    map.SetOutput(ShaderOutputSpecular, add);
    map.SetOutput(ShaderOutputGlossiness, shared);
    map.FreeBlocks();
    EXPECT_EQ(destroyed, 2);
    for (u32 output = 0; output < ShaderOutputCount; ++output)
        EXPECT_EQ(map.GetOutput(output), nullptr);

    map.FreeBlocks();
    EXPECT_EQ(destroyed, 2);
}

TEST(ShaderMapFreeBlocks, DestructorFreesTheGraph) {
    int destroyed = 0;
    {
        zShaderMap map;
        auto* clock = new CountedBlock(&destroyed);
        map.SetOutput(ShaderOutputOpacity, new zSinusShaderBlock(clock));
        map.SetOutput(ShaderOutputModulate, new zCosinusShaderBlock(clock));
    }
    EXPECT_EQ(destroyed, 1);
}

TEST(ShaderMapFreeBlocks, AdoptedBlocksAreFreedEvenWhenNoOutputReachesThem) {
    int destroyed = 0;
    {
        zShaderMap map;
        auto* loose = new CountedBlock(&destroyed);
        map.AdoptBlock(loose);
        map.AdoptBlock(loose);
        map.AdoptBlock(nullptr);
        // A block adopted and also reached from an output is freed once.
        auto* used = new CountedBlock(&destroyed);
        map.AdoptBlock(used);
        map.SetOutput(ShaderOutputGlossiness, used);
        // Inputs of an adopted block that nothing else holds.
        auto* below = new CountedBlock(&destroyed);
        map.AdoptBlock(new zSinusShaderBlock(below));
    }
    EXPECT_EQ(destroyed, 3);
}

TEST(ShaderMapSetOutput, ReplacedGraphStaysOwned) {
    int destroyed = 0;
    {
        zShaderMap map;
        auto* first = new CountedBlock(&destroyed);
        map.SetOutput(ShaderOutputOpacity, new zSinusShaderBlock(first));
        map.SetOutput(ShaderOutputOpacity, new CountedBlock(&destroyed));
        map.SetOutput(ShaderOutputOpacity, nullptr);
        EXPECT_EQ(destroyed, 0);
        EXPECT_EQ(map.GetOutput(ShaderOutputOpacity), nullptr);
    }
    EXPECT_EQ(destroyed, 2);
}

} // namespace
