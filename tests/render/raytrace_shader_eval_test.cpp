#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/color.h"
#include "render/raytrace/shader_eval.h"
#include "render/shader/shader_block.h"
#include "render/shader/shader_map.h"
#include "tests/render/geometry_fixtures.h"

namespace {

struct FakeClock : zShaderEvaluationOwner {
    u64 ticks = 0;
    u64 GetClockTicks() const override { return ticks; }
};

// Blocks made here are owned by one map.
struct Graph {
    zShaderMap map;
    template <typename Block, typename... Args> Block* Make(Args&&... args) {
        Block* block = new Block(std::forward<Args>(args)...);
        map.AdoptBlock(block);
        return block;
    }
    zShaderBlock* Constant(f32 a, f32 b, f32 c, f32 d) {
        auto* block = Make<zConstantShaderBlock>();
        block->SetValues(a, b, c, d);
        block->SetConstantType(ShaderTypeVec4);
        return block;
    }
};

zShaderValue Eval(const zShaderBlock* block, const zShaderHitContext& context = zShaderHitContext(),
                  u64 ticks = 0) {
    FakeClock clock;
    clock.ticks = ticks;
    zShaderValue value;
    EXPECT_TRUE(EvaluateBlock(clock, context, block, value));
    return value;
}

void ExpectVector(const zShaderValue& value, f32 x, f32 y, f32 z, f32 w) {
    ASSERT_EQ(value.kind, ShaderValueVector);
    EXPECT_NEAR(value.vector.x, x, 1e-5);
    EXPECT_NEAR(value.vector.y, y, 1e-5);
    EXPECT_NEAR(value.vector.z, z, 1e-5);
    EXPECT_NEAR(value.vector.w, w, 1e-5);
}

TEST(ShaderEvaluation, NullBlockLeavesTheValueUntouched) {
    FakeClock clock;
    zShaderValue value;
    value.SetScalar(7.0f);
    EXPECT_TRUE(EvaluateBlock(clock, zShaderHitContext(), nullptr, value));
    EXPECT_FLOAT_EQ(value.vector.x, 7.0f);
}

TEST(ShaderEvaluation, ArithmeticBlocks) {
    Graph g;
    zShaderBlock* a = g.Constant(1, 2, 3, 4);
    zShaderBlock* b = g.Constant(0.5f, -1, 2, 0);
    zShaderBlock* one = g.Constant(1, 0, 0, 0);
    zShaderBlock* zero = g.Constant(0, 0, 0, 0);
    struct Case {
        const char* name;
        zShaderBlock* block;
        zVector expected;
    };
    const Case cases[] = {
        {"mix t = 1 is input 0", g.Make<zMixOperatorShaderBlock>(a, b, one), zVector(1, 2, 3, 4)},
        {"mix t = 0 is input 1", g.Make<zMixOperatorShaderBlock>(a, b, zero), zVector(0.5f, -1, 2, 0)},
        {"add", g.Make<zAddOperatorShaderBlock>(a, b), zVector(1.5f, 1, 5, 4)},
        {"sub", g.Make<zSubOperatorShaderBlock>(a, b), zVector(0.5f, 3, 1, 4)},
        {"mul", g.Make<zMulOperatorShaderBlock>(a, b), zVector(0.5f, -2, 6, 0)},
        {"div", g.Make<zDivOperatorShaderBlock>(a, g.Constant(2, 4, 3, 8)), zVector(0.5f, 0.5f, 1, 0.5f)},
        {"dot", g.Make<zDotOperatorShaderBlock>(a, b), zVector(4.5f, 0, 0, 0)},
        {"cross", g.Make<zCrossOperatorShaderBlock>(g.Constant(1, 0, 0, 0), g.Constant(0, 1, 0, 0)),
         zVector(0, 0, 1, 1)},
        {"clamp", g.Make<zClampShaderBlock>(a, g.Constant(2, 0, 0, 0), g.Constant(3, 1, 1, 5)),
         zVector(2, 1, 1, 4)},
        {"normalize", g.Make<zNormalizeOperatorShaderBlock>(g.Constant(3, 0, 4, 1)),
         zVector(0.6f, 0, 0.8f, 1)},
        {"swizzle", g.Make<zSwizzleShaderBlock>(a, SwizzleW, SwizzleX, SwizzleNone, SwizzleY),
         zVector(4, 1, 0, 2)},
        {"build", g.Make<zBuildShaderBlock>(a, BuildZ, b, BuildOne, a, BuildZero, b, BuildX),
         zVector(3, 1, 0, 0.5f)},
        {"sinus", g.Make<zSinusShaderBlock>(g.Constant(0.5f, 0, 0, 0)), zVector(std::sin(0.5f), 0, 0, 0)},
        {"cosinus", g.Make<zCosinusShaderBlock>(g.Constant(0.5f, 0, 0, 0)), zVector(std::cos(0.5f), 0, 0, 0)},
        {"pow", g.Make<zPowShaderBlock>(g.Constant(2, 0, 0, 0), g.Constant(3, 0, 0, 0)), zVector(8, 0, 0, 0)},
        {"abs", g.Make<zAbsShaderBlock>(b), zVector(0.5f, 1, 2, 0)},
        {"unpack", g.Make<zUnpackColorToVectorShaderBlock>(g.Constant(0.5f, 1.0f, 0.7f, 0.2f)),
         zVector(0, 1, 0.7f, 1)},
        {"pack", g.Make<zPackVectorToColorShaderBlock>(g.Constant(0, 1, 0.7f, 0.2f)),
         zVector(0.5f, 1, 0.7f, 1)},
        {"color", g.Make<zColorShaderBlock>(0.1f, 0.2f, 0.3f, 0.4f), zVector(0.1f, 0.2f, 0.3f, 0.4f)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectVector(Eval(c.block), c.expected.x, c.expected.y, c.expected.z, c.expected.w);
    }
}

TEST(ShaderEvaluation, BlocksWithoutACpuValueGiveNothing) {
    Graph g;
    const zShaderBlock* blocks[] = {
        g.Make<zGeometryTangentFrameShaderBlock>(),
        g.Make<zGeometrySkinningShaderBlock>(),
        g.Make<zRenderBufferShaderBlock>(),
        g.Make<zScreenUVShaderBlock>(),
        g.Make<zViewportShaderBlock>(),
        // Operands of the wrong kind.
        g.Make<zAddOperatorShaderBlock>(g.Make<zModelMatrixShaderBlock>(), g.Constant(1, 1, 1, 1)),
        g.Make<zAbsShaderBlock>(g.Make<zNormalMatrixShaderBlock>()),
        g.Make<zSampler2dShaderBlock>(g.Constant(1, 1, 1, 1), g.Constant(0, 0, 0, 0)),
    };
    for (const zShaderBlock* block : blocks) {
        SCOPED_TRACE(block->GetType());
        EXPECT_EQ(Eval(block).kind, ShaderValueNone);
    }
}

TEST(ShaderEvaluation, MatricesAndTheirProducts) {
    Graph g;
    zShaderHitContext context;
    context.world = zMatrix4::Compose(zVector(1, 2, 3), zVector(0, 0, 0), zVector(2, 2, 2), zVector(0, 0, 0));
    context.inverse = context.world.Inverse();
    context.localPoint = zVector(1, 0, 0);
    context.direction = zVector(0, 0, 1);
    context.origin = zVector(0, 0, -5);

    zShaderValue model = Eval(g.Make<zModelMatrixShaderBlock>(), context);
    ASSERT_EQ(model.kind, ShaderValueMatrix4);
    EXPECT_FALSE(model.matrix4.DiffersFrom(context.world));

    ExpectVector(Eval(g.Make<zGeometryVertexShaderBlock>(), context), 3, 2, 3, 1);
    // A point through the model matrix, in either order.
    ExpectVector(
        Eval(g.Make<zMulOperatorShaderBlock>(g.Make<zModelMatrixShaderBlock>(), g.Constant(0, 1, 0, 1)),
             context),
        1, 4, 3, 1);
    ExpectVector(
        Eval(g.Make<zMulOperatorShaderBlock>(g.Constant(0, 1, 0, 1), g.Make<zModelMatrixShaderBlock>()),
             context),
        1, 4, 3, 1);
    // The normal matrix undoes the scale: a unit normal shrinks by 2.
    zShaderValue normal = Eval(g.Make<zNormalMatrixShaderBlock>(), context);
    ASSERT_EQ(normal.kind, ShaderValueMatrix3);
    ExpectVector(
        Eval(g.Make<zMulOperatorShaderBlock>(g.Constant(0, 0, 1, 0), g.Make<zNormalMatrixShaderBlock>()),
             context),
        0, 0, 0.5f, 1);
    // Looking along +z from (0, 0, -5): the model-view matrix moves the item's origin to (1, 2, 8).
    ExpectVector(
        Eval(g.Make<zMulOperatorShaderBlock>(g.Make<zModelViewMatrixShaderBlock>(), g.Constant(0, 0, 0, 1)),
             context),
        1, 2, 8, 1);
    EXPECT_EQ(Eval(g.Make<zMulOperatorShaderBlock>(g.Make<zNormalViewMatrixShaderBlock>(),
                                                   g.Make<zNormalMatrixShaderBlock>()),
                   context)
                  .kind,
              ShaderValueMatrix3);
    ExpectVector(Eval(g.Make<zViewVectorShaderBlock>(), context), 0, 0, 1, 1);
    ExpectVector(Eval(g.Make<zClockShaderBlock>(), context, 25000), 2.5f, 0, 0, 0);
}

TEST(ShaderEvaluation, GeometryAttributesAreWeightedOverTheHitTriangle) {
    GeometryHost host;
    auto quad = MakeGeometry(&host, QuadVertices(), {{{0, 1, 2, 3}}});
    ASSERT_TRUE(quad->AllocateBindingNormals());
    ASSERT_TRUE(quad->AllocateBindingColors());
    ASSERT_TRUE(quad->AllocateUVChannels(1));
    for (u32 b = 0; b < 4; ++b) {
        quad->GetBindingNormals()[b] = zVector(f32(b), 0, 0, 0);
        quad->GetBindingColors()[b] = zVector(0, f32(b), 0, 1);
        quad->GetUVChannel(0)[b] = zVector2(f32(b) * 0.1f, 1.0f);
    }
    zShaderHitContext context;
    context.geometry = quad.Get();
    context.polygon = 0;
    context.fanTriangle = 1; // corners 0, 2, 3
    context.w0 = 0.5f;
    context.w1 = 0.25f;
    context.w2 = 0.25f;
    Graph g;
    ExpectVector(Eval(g.Make<zGeometryNormalShaderBlock>(), context), 1.25f, 0, 0, 0);
    ExpectVector(Eval(g.Make<zGeometryVertexColorShaderBlock>(), context), 0, 1.25f, 0, 1);
    ExpectVector(Eval(g.Make<zGeometryUVShaderBlock>(0u), context), 0.125f, 1, 0, 0);
    EXPECT_EQ(Eval(g.Make<zGeometryUVShaderBlock>(2u), context).kind, ShaderValueNone);
}

TEST(ShaderEvaluation, MaterialParameters) {
    FakeMaterialHost host;
    zSharedPtr<zMaterial> material(new zMaterial(&host));
    material->SetColor(MaterialColorDiffuse, 0.1f, 0.2f, 0.3f, 0.4f);
    material->SetColor(MaterialColorAmbient, 0.5f, 0.6f, 0.7f, 0.8f);
    material->SetGlossiness(0.75f);
    material->SetOpacity(0.25f);
    zShaderHitContext context;
    context.material = material.Get();
    Graph g;
    ExpectVector(Eval(g.Make<zMaterialParamShaderBlock>(0u), context), 0.1f, 0.2f, 0.3f, 0.4f);
    ExpectVector(Eval(g.Make<zMaterialParamShaderBlock>(3u), context), 0.5f, 0.6f, 0.7f, 0.8f);
    ExpectVector(Eval(g.Make<zMaterialParamShaderBlock>(4u), context), 0.75f, 0, 0, 0);
    ExpectVector(Eval(g.Make<zMaterialParamShaderBlock>(5u), context), 0.25f, 0, 0, 0);
    EXPECT_EQ(Eval(g.Make<zMaterialParamShaderBlock>(6u), context).kind, ShaderValueNone);
}

TEST(ShaderEvaluation, Sampler2dWrapsItsCoordinates) {
    FakeMaterialHost host;
    zSharedPtr<zTexture> texture(new zTexture(&host));
    ASSERT_TRUE(texture->Allocate(4, 1, PixelFormatRGBA8));
    for (u32 x = 0; x < 4; ++x) {
        u8* pixel = texture->GetPixels() + 4 * x;
        pixel[0] = u8(60 * x);
        pixel[1] = 10;
        pixel[2] = 20;
        pixel[3] = 255;
    }
    Graph g;
    zShaderBlock* sampler = g.Make<zTextureShaderBlock>(texture.Get());
    auto at = [&](f32 u) { return Eval(g.Make<zSampler2dShaderBlock>(sampler, g.Constant(u, 0.5f, 0, 0))); };
    auto direct = [&](f32 u) { return zColor::FromRGBA32(texture->SamplePacked(u, 0.5f)); };
    const struct { f32 u, sampledAt; } cases[] = {{-0.25f, 0.75f}, {1.0f, 0.0f}, {0.3f, 0.3f}, {2.5f, 0.5f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.u);
        const zColor expected = direct(c.sampledAt);
        ExpectVector(at(c.u), expected.r, expected.g, expected.b, expected.a);
    }
    // A Texture block without a texture samples black.
    ExpectVector(Eval(g.Make<zSampler2dShaderBlock>(g.Make<zTextureShaderBlock>(), g.Constant(0, 0, 0, 0))),
                 0, 0, 0, 1);
}

} // namespace
