#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "render/shader/glsl_generator.h"
#include "render/shader/shader_map.h"
#include "tests/shader/shader_fixtures.h"
#include "tests/support/log_capture.h"

namespace {

// Owns the blocks a test builds; the generator never owns them.
struct Blocks {
    std::vector<std::unique_ptr<zShaderBlock>> owned;
    template <typename Block, typename... Args> Block* Make(Args&&... args) {
        owned.push_back(std::make_unique<Block>(std::forward<Args>(args)...));
        return static_cast<Block*>(owned.back().get());
    }
};

std::string Str(const zString& text) {
    return text.CStr() ? text.CStr() : "";
}

TEST(GLSLGenerator, DesktopAddOfTwoColoursGoldenText) {
    Blocks b;
    zShaderBlock* add =
        b.Make<zAddOperatorShaderBlock>(b.Make<zColorShaderBlock>(), b.Make<zColorShaderBlock>());
    zGLSLCompiledMap map(GLSLFormDesktop);
    zGLSLVariable* result = CompileShaderBlock(map, add, "DiffuseSink_");
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(Str(result->name), "_n_add0002");
    EXPECT_EQ(result->type, u32(ShaderTypeVec4));
    EXPECT_EQ(Str(map.fragmentDeclarations), "uniform vec4 _n_color0000;\nuniform vec4 _n_color0001;\n");
    EXPECT_EQ(Str(map.fragmentBody), "vec4 _n_add0002 = _n_color0000 + _n_color0001;\n");
    EXPECT_EQ(Str(map.signature), "DiffuseSink_Add_Color_Color_");
    EXPECT_EQ(Str(GetFragmentProgram(map)),
              "uniform vec4 _n_color0000;\nuniform vec4 _n_color0001;\n"
              "void main()\n{\nvec4 _n_add0002 = _n_color0000 + _n_color0001;\n\n}\n");
    // No vertex body: the vertex program is its declarations only.
    EXPECT_EQ(Str(GetVertexProgram(map)), "");
    EXPECT_EQ(map.blocks.GetCount(), 1u);
    EXPECT_EQ(map.nameCounter, 3u);
}

TEST(GLSLGenerator, DesktopSamplerOfATextureGoldenText) {
    Blocks b;
    zShaderBlock* sampler =
        b.Make<zSampler2dShaderBlock>(b.Make<zTextureShaderBlock>(), b.Make<zGeometryUVShaderBlock>(0));
    zGLSLCompiledMap map(GLSLFormDesktop);
    ASSERT_NE(CompileShaderBlock(map, sampler, nullptr), nullptr);
    EXPECT_EQ(Str(map.vertexDeclarations), "varying vec2 _n_uv0001;\n");
    EXPECT_EQ(Str(map.vertexBody), "_n_uv0001 = vec2(gl_MultiTexCoord0);\n");
    EXPECT_EQ(Str(map.fragmentDeclarations),
              "uniform sampler2D _n_sampler2D0000;\nvarying vec2 _n_uv0001;\n");
    EXPECT_EQ(Str(map.fragmentBody), "vec4 _n_color0002 = texture2D(_n_sampler2D0000, _n_uv0001);\n");
    EXPECT_EQ(Str(GetVertexProgram(map)),
              "varying vec2 _n_uv0001;\nvoid main()\n{\n_n_uv0001 = vec2(gl_MultiTexCoord0);\n\n}\n");
    EXPECT_EQ(map.samplerCounter, 1u);
}

TEST(GLSLGenerator, SharedTextureAndUVAreDeclaredOnce) {
    Blocks b;
    NoRendererHost host;
    zSharedPtr<zTexture> texture(new zTexture(&host));
    zShaderBlock* tex1 = b.Make<zTextureShaderBlock>(texture.Get());
    zShaderBlock* tex2 = b.Make<zTextureShaderBlock>(texture.Get());
    zShaderBlock* diffuse = b.Make<zSampler2dShaderBlock>(tex1, b.Make<zGeometryUVShaderBlock>(0));
    zShaderBlock* specular = b.Make<zSampler2dShaderBlock>(tex2, b.Make<zGeometryUVShaderBlock>(0));
    zShaderBlock* other = b.Make<zSampler2dShaderBlock>(tex1, b.Make<zGeometryUVShaderBlock>(1));
    zGLSLCompiledMap map(GLSLFormDesktop);
    ASSERT_NE(CompileShaderBlock(map, diffuse, nullptr), nullptr);
    ASSERT_NE(CompileShaderBlock(map, specular, nullptr), nullptr);
    ASSERT_NE(CompileShaderBlock(map, other, nullptr), nullptr);
    EXPECT_EQ(Str(map.fragmentDeclarations), "uniform sampler2D _n_sampler2D0000;\nvarying vec2 _n_uv0001;\n"
                                             "varying vec2 _n_uv0004;\n");
    EXPECT_EQ(map.samplerCounter, 1u);
    // The same sampler block reached twice is computed once too.
    zShaderBlock* sum = b.Make<zAddOperatorShaderBlock>(diffuse, diffuse);
    zGLSLVariable* added = CompileShaderBlock(map, sum, nullptr);
    ASSERT_NE(added, nullptr);
    EXPECT_NE(Str(map.fragmentBody).find("vec4 _n_add0006 = _n_color0002 + _n_color0002;\n"),
              std::string::npos);
}

TEST(GLSLGenerator, NamesAreUniqueOverTheMapAndResetStartsAgain) {
    zGLSLCompiledMap map(GLSLFormDesktop);
    zString name;
    MakeUniqueName(map, name, "x");
    MakeUniqueName(map, name, nullptr);
    EXPECT_EQ(Str(name), "_n_var0001");
    MakeUniqueName(map, name, "x");
    EXPECT_EQ(Str(name), "_n_x0002");
    map.signature.Set("s");
    map.fragmentBody.Set("b");
    Reset(map, nullptr);
    EXPECT_EQ(map.nameCounter, 0u);
    EXPECT_TRUE(map.signature.IsEmpty());
    EXPECT_EQ(Str(GetFragmentProgram(map)), "");
}

struct ErrorCase {
    const char* what;
    std::function<zShaderBlock*(Blocks&)> build;
    const char* expectedLog;
};

zShaderBlock* Vec2Constant(Blocks& b) {
    return b.Make<zConstantShaderBlock>(1.0f, 2.0f);
}

TEST(GLSLGenerator, RefusalsAreLoggedAndGiveNull) {
    const ErrorCase cases[] = {
        {"add vec3 and vec4",
         [](Blocks& b) -> zShaderBlock* {
             zShaderBlock* color = b.Make<zColorShaderBlock>();
             return b.Make<zAddOperatorShaderBlock>(
                 b.Make<zSwizzleShaderBlock>(color, SwizzleX, SwizzleY, SwizzleZ),
                 b.Make<zColorShaderBlock>());
         },
         "[!] Cannot add blocks, output do not match.\n"},
        {"mix with a vec2 factor",
         [](Blocks& b) -> zShaderBlock* {
             return b.Make<zMixOperatorShaderBlock>(b.Make<zColorShaderBlock>(), b.Make<zColorShaderBlock>(),
                                                    Vec2Constant(b));
         },
         "[!] Cannot mix blocks, incorrect type (8).\n"},
        {"cross of vec2",
         [](Blocks& b) -> zShaderBlock* {
             return b.Make<zCrossOperatorShaderBlock>(Vec2Constant(b), Vec2Constant(b));
         },
         "[!] Cannot only compute cross product on Vector3.\n"},
        {"sub of matrices",
         [](Blocks& b) -> zShaderBlock* {
             return b.Make<zSubOperatorShaderBlock>(b.Make<zModelMatrixShaderBlock>(),
                                                    b.Make<zModelMatrixShaderBlock>());
         },
         "[!] Cannot subtract blocks (128).\n"},
        {"mul of textures",
         [](Blocks& b) -> zShaderBlock* {
             return b.Make<zMulOperatorShaderBlock>(b.Make<zTextureShaderBlock>(),
                                                    b.Make<zTextureShaderBlock>());
         },
         "[!] Cannot multiply textures.\n"},
        {"mul of vec2 and vec4",
         [](Blocks& b) -> zShaderBlock* {
             return b.Make<zMulOperatorShaderBlock>(Vec2Constant(b), b.Make<zColorShaderBlock>());
         },
         "[!] Cannot multiply blocks, output do not match.\n"},
        {"dot of vec2 and vec4",
         [](Blocks& b) -> zShaderBlock* {
             return b.Make<zDotOperatorShaderBlock>(Vec2Constant(b), b.Make<zColorShaderBlock>());
         },
         "[!] Cannot compute dot operator, output do not match.\n"},
        {"divide mismatch",
         [](Blocks& b) -> zShaderBlock* {
             return b.Make<zDivOperatorShaderBlock>(Vec2Constant(b), b.Make<zColorShaderBlock>());
         },
         "[!] Cannot divide blocks, output do not match.\n"},
        {"sampler of a colour",
         [](Blocks& b) -> zShaderBlock* {
             return b.Make<zSampler2dShaderBlock>(b.Make<zColorShaderBlock>(),
                                                  b.Make<zGeometryUVShaderBlock>(0));
         },
         "[!] Invalid input to the sampler2D block.\n"},
        {"constant of no type", [](Blocks& b) -> zShaderBlock* { return b.Make<zConstantShaderBlock>(); },
         "[!] Unsupported parameter type (1).\n"},
        {"swizzle w of vec2",
         [](Blocks& b) -> zShaderBlock* { return b.Make<zSwizzleShaderBlock>(Vec2Constant(b), SwizzleW); },
         "[!] Impossible swizzle.\n"},
        {"swizzle y of a float",
         [](Blocks& b) -> zShaderBlock* {
             return b.Make<zSwizzleShaderBlock>(b.Make<zClockShaderBlock>(), SwizzleX, SwizzleY);
         },
         "[!] Impossible swizzle.\n"},
        {"swizzle without component",
         [](Blocks& b) -> zShaderBlock* { return b.Make<zSwizzleShaderBlock>(Vec2Constant(b)); },
         "[!] Invalid swizzle, no output.\n"},
        {"sinus of vec2",
         [](Blocks& b) -> zShaderBlock* { return b.Make<zSinusShaderBlock>(Vec2Constant(b)); },
         "[!] Incompatible source type.\n"},
        {"pow of vec2",
         [](Blocks& b) -> zShaderBlock* {
             return b.Make<zPowShaderBlock>(Vec2Constant(b), b.Make<zClockShaderBlock>());
         },
         "[!] Incompatible value type.\n"},
        {"pow by vec2",
         [](Blocks& b) -> zShaderBlock* {
             return b.Make<zPowShaderBlock>(b.Make<zClockShaderBlock>(), Vec2Constant(b));
         },
         "[!] Incompatible power type.\n"},
        {"abs of a matrix",
         [](Blocks& b) -> zShaderBlock* {
             return b.Make<zAbsShaderBlock>(b.Make<zNormalMatrixShaderBlock>());
         },
         "[!] Incompatible value type.\n"},
        {"unpack of vec2",
         [](Blocks& b) -> zShaderBlock* { return b.Make<zUnpackColorToVectorShaderBlock>(Vec2Constant(b)); },
         "[!] Invalid input to unpack to vector.\n"},
        {"pack of a float",
         [](Blocks& b) -> zShaderBlock* {
             return b.Make<zPackVectorToColorShaderBlock>(b.Make<zClockShaderBlock>());
         },
         "[!] Invalid input to pack to vector.\n"},
        {"build z of vec2",
         [](Blocks& b) -> zShaderBlock* { return b.Make<zBuildShaderBlock>(Vec2Constant(b), BuildZ); },
         "[!] Impossible swizzle.\n"},
        {"material parameter 6",
         [](Blocks& b) -> zShaderBlock* { return b.Make<zMaterialParamShaderBlock>(6); },
         "[!] Unsupported material parameter (6).\n"},
        {"uv channel 3", [](Blocks& b) -> zShaderBlock* { return b.Make<zGeometryUVShaderBlock>(3); },
         "[!] Unsupported UV channel (3).\n"},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.what);
        Blocks b;
        zShaderBlock* root = c.build(b);
        zGLSLCompiledMap map(GLSLFormDesktop);
        LogCapture log;
        EXPECT_EQ(CompileShaderBlock(map, root, nullptr), nullptr);
        EXPECT_EQ(log.Text(), c.expectedLog);
        // The failed entry stays with no type.
        ASSERT_NE(map.variables.GetTail(), nullptr);
        EXPECT_EQ(map.variables.GetHead()->value->block, root);
        EXPECT_EQ(map.variables.GetHead()->value->type, u32(ShaderTypeNone));
    }
}

TEST(GLSLGenerator, NullBlockAndUnconnectedInputGiveNullSilently) {
    Blocks b;
    zGLSLCompiledMap map(GLSLFormDesktop);
    LogCapture log;
    EXPECT_EQ(CompileShaderBlock(map, nullptr, "lead"), nullptr);
    EXPECT_TRUE(map.signature.IsEmpty());
    EXPECT_EQ(CompileShaderBlock(map, b.Make<zNormalizeOperatorShaderBlock>(), nullptr), nullptr);
    EXPECT_EQ(log.Text(), "");
}

struct TextCase {
    const char* what;
    std::function<zShaderBlock*(Blocks&)> build;
    const char* fragmentBody; // the text of the last statement
};

TEST(GLSLGenerator, StatementTexts) {
    const TextCase cases[] = {
        {"float swizzle repeats the name",
         [](Blocks& b) -> zShaderBlock* {
             return b.Make<zSwizzleShaderBlock>(b.Make<zClockShaderBlock>(), SwizzleX, SwizzleX, SwizzleX);
         },
         "vec3 _n_swizzle0001 = vec3(_n_clock0000, _n_clock0000, _n_clock0000);\n"},
        {"vector swizzle letters",
         [](Blocks& b) -> zShaderBlock* {
             return b.Make<zSwizzleShaderBlock>(b.Make<zColorShaderBlock>(), SwizzleW, SwizzleX);
         },
         "vec2 _n_swizzle0001 = _n_color0000.wx;\n"},
        {"build of a float takes the bare name",
         [](Blocks& b) -> zShaderBlock* {
             zShaderBlock* clock = b.Make<zClockShaderBlock>();
             return b.Make<zBuildShaderBlock>(clock, BuildX, clock, BuildX, nullptr, BuildOne, nullptr,
                                              BuildZero);
         },
         "vec4 _n_built0001 = vec4(_n_clock0000, _n_clock0000, 1.0, 0.0);\n"},
        {"build stops at an unconnected input",
         [](Blocks& b) -> zShaderBlock* {
             return b.Make<zBuildShaderBlock>(b.Make<zColorShaderBlock>(), BuildW, nullptr, BuildY);
         },
         "float _n_built0001 = _n_color0000.w;\n"},
        {"mix puts B first",
         [](Blocks& b) -> zShaderBlock* {
             return b.Make<zMixOperatorShaderBlock>(b.Make<zColorShaderBlock>(), b.Make<zColorShaderBlock>(),
                                                    b.Make<zClockShaderBlock>());
         },
         "vec4 _n_mix0003 = mix(_n_color0001, _n_color0000, _n_clock0002);\n"},
        {"mat3 times vec3",
         [](Blocks& b) -> zShaderBlock* {
             return b.Make<zMulOperatorShaderBlock>(b.Make<zNormalViewMatrixShaderBlock>(),
                                                    b.Make<zGeometryNormalShaderBlock>());
         },
         "vec3 _n_mul0003 = _n_normal_view_matrix0000 * _n_normal0002;\n"},
        {"abs of vec4",
         [](Blocks& b) -> zShaderBlock* { return b.Make<zAbsShaderBlock>(b.Make<zColorShaderBlock>()); },
         "vec4 _n_abs0001 = abs(_n_color0000);\n"},
        {"pack vec4",
         [](Blocks& b) -> zShaderBlock* {
             return b.Make<zPackVectorToColorShaderBlock>(b.Make<zColorShaderBlock>());
         },
         "vec4 _n_packed_vector0001 = (_n_color0000 + vec4(1.0, 1.0, 1.0, 0.0)) * vec4(0.5, 0.5, 0.5, "
         "1.0);\n"},
        {"glossiness parameter",
         [](Blocks& b) -> zShaderBlock* { return b.Make<zMaterialParamShaderBlock>(4); },
         "float _n_mat_param0000 = gl_FrontMaterial.shininess / 256.0;\n"},
        {"screen uv", [](Blocks& b) -> zShaderBlock* { return b.Make<zScreenUVShaderBlock>(); },
         "vec2 _n_screen_uv0000 = vec2(gl_FragCoord.x, gl_FragCoord.y);\n"},
        {"tangent frame with its normal",
         [](Blocks& b) -> zShaderBlock* { return b.Make<zGeometryTangentFrameShaderBlock>(); },
         "mat3 _n_tangent_frame0002 = mat3(normalize(_T), normalize(_B), _n_normal0001);\n"},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.what);
        Blocks b;
        zGLSLCompiledMap map(GLSLFormDesktop);
        ASSERT_NE(CompileShaderBlock(map, c.build(b), nullptr), nullptr);
        const std::string body = Str(map.fragmentBody);
        const std::string expected = c.fragmentBody;
        ASSERT_GE(body.size(), expected.size());
        EXPECT_EQ(body.substr(body.size() - expected.size()), expected);
    }
}

TEST(GLSLGenerator, ESFormDeclaresPrecisionAttributesAndRecords) {
    Blocks b;
    zShaderBlock* sampler =
        b.Make<zSampler2dShaderBlock>(b.Make<zTextureShaderBlock>(), b.Make<zGeometryUVShaderBlock>(1));
    zShaderBlock* diffuse =
        b.Make<zMulOperatorShaderBlock>(sampler, b.Make<zGeometryVertexColorShaderBlock>());
    zShaderParmList records;
    zGLSLCompiledMap map(GLSLFormES);
    Reset(map, &records);
    ASSERT_NE(CompileShaderBlock(map, diffuse, nullptr), nullptr);
    ASSERT_NE(CompileShaderBlock(map, b.Make<zGeometryUVShaderBlock>(1), nullptr), nullptr);
    const char* header = "\tprecision mediump float;\n\tprecision mediump int;\n\t\n\t";
    EXPECT_EQ(Str(map.vertexDeclarations),
              std::string(header) + "attribute mediump vec2 a_uv1;\nvarying vec2 _n_uv0001;\n"
                                    "attribute mediump vec4 a_rgb;\nvarying vec4 _n_vertex_color0003;\n");
    EXPECT_EQ(Str(map.vertexBody), "_n_uv0001 = a_uv1;\n_n_vertex_color0003 = a_rgb;\n");
    EXPECT_EQ(Str(map.fragmentBody), "vec4 _n_texel0002 = texture2D(_n_texture0000, _n_uv0001);\n"
                                     "vec4 _n_mul0004 = _n_texel0002 * _n_vertex_color0003;\n");
    ASSERT_EQ(records.GetCount(), 3u);
    const EGL_ShaderParm& texture = *records.GetHead()->value;
    EXPECT_EQ(Str(texture.glslName), "_n_texture0000");
    EXPECT_EQ(texture.semantic, u32(ParmTexture));
    EXPECT_EQ(texture.storage, u32(ParmStorageUniform));
    EXPECT_EQ(texture.stageMask, u32(ParmStageFragment));
    EXPECT_EQ(texture.textureUnit, 0u);
    const EGL_ShaderParm& uv = *records.GetHead()->next->value;
    EXPECT_EQ(Str(uv.glslName), "a_uv1");
    EXPECT_EQ(uv.semantic, u32(ParmUV0 + 1));
    EXPECT_EQ(uv.storage, u32(ParmStorageAttribute));
    EXPECT_EQ(Str(records.GetTail()->value->glslName), "a_rgb");
    // A once-only semantic asked again gives the first record, declared once.
    EXPECT_EQ(AddShaderParameter(map, "uv1", "a_uv1", ParmStageVertex, ParmStorageAttribute, ParmUV0 + 1,
                                 ShaderTypeVec2),
              &uv);
    EXPECT_EQ(records.GetCount(), 3u);
    // Reset empties the list it takes.
    Reset(map, &records);
    EXPECT_EQ(records.GetCount(), 0u);
    EXPECT_EQ(Str(map.fragmentDeclarations), header);
}

TEST(GLSLGenerator, ESSkinningUsesTheDeclaredNamesAndAPalette) {
    Blocks b;
    zGLSLCompiledMap map(GLSLFormES);
    ASSERT_NE(CompileShaderBlock(map, b.Make<zGeometrySkinningShaderBlock>(), nullptr), nullptr);
    const std::string declarations = Str(map.vertexDeclarations);
    EXPECT_NE(declarations.find("uniform mediump mat4 bone_mtx[16];\n"), std::string::npos);
    EXPECT_NE(declarations.find("attribute mediump vec4 bone_idx;\n"), std::string::npos);
    const std::string body = Str(map.vertexBody);
    EXPECT_NE(body.find("bone_mtx[int(bone_idx.x)] * bone_w.x"), std::string::npos);
    EXPECT_EQ(body.find("bone_id."), std::string::npos);
}

TEST(GLSLGenerator, ESRenderBufferHasNoEmitter) {
    Blocks b;
    zGLSLCompiledMap map(GLSLFormES);
    LogCapture log;
    EXPECT_EQ(CompileShaderBlock(map, b.Make<zRenderBufferShaderBlock>(1), nullptr), nullptr);
    EXPECT_EQ(log.Text(), "");
    zGLSLCompiledMap desktop(GLSLFormDesktop);
    ASSERT_NE(CompileShaderBlock(desktop, b.Make<zRenderBufferShaderBlock>(1), nullptr), nullptr);
    EXPECT_EQ(Str(desktop.fragmentDeclarations), "uniform sampler2D _n_render_buffer0000;\n");
}

TEST(GLSLGenerator, DumpLogsBothPrograms) {
    Blocks b;
    zGLSLCompiledMap map(GLSLFormDesktop);
    ASSERT_NE(CompileShaderBlock(map, b.Make<zGeometryVertexShaderBlock>(), nullptr), nullptr);
    LogCapture log;
    DumpPrograms(map);
    EXPECT_EQ(log.Text(), "\nvarying vec4 _n_vertex0000;\nvoid main()\n{\n_n_vertex0000 = gl_Vertex;\n\n}\n"
                          "\n\nFragment:\n\nvarying vec4 _n_vertex0000;\n\n");
}

} // namespace

TEST(GLSLGenerator, VectorTermsWidenOrNarrowEachType) {
    struct Case {
        u32 type;
        u32 components;
        const char* expected;
    };
    const Case cases[] = {
        {ShaderTypeFloat, 3, "vec3(v)"},     {ShaderTypeFloat, 4, "vec4(v)"},
        {ShaderTypeVec2, 3, "vec3(v, 0.0)"}, {ShaderTypeVec2, 4, "vec4(v, 0.0, 1.0)"},
        {ShaderTypeVec3, 3, "v.xyz"},        {ShaderTypeVec3, 4, "vec4(v, 1.0)"},
        {ShaderTypeVec4, 3, "v.xyz"},        {ShaderTypeVec4, 4, "v"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        zGLSLVariable variable;
        variable.name.Set("v");
        variable.type = c.type;
        EXPECT_STREQ(GLSLVectorTerm(c.components, &variable, "absent").CStr(), c.expected);
    }
    EXPECT_STREQ(GLSLVectorTerm(4, nullptr, "vec4(0.0)").CStr(), "vec4(0.0)");
}
