// Generated GLSL compiled and linked by Mesa: every material the
// fixed-function conversion can make, in both forms, and the graphs whose
// text the generator had to mend (scalar swizzles, vertex colours, skinning).
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "render/material.h"
#include "render/shader/glsl_generator.h"
#include "render/shader/shader_map.h"
#include "tests/gl/gl_fixture.h"
#include "tests/render/material_fixtures.h"
#include "tests/support/log_capture.h"

namespace {

// The value of an output as a vec4 term for gl_FragColor.
std::string AsVec4(const zGLSLVariable& variable) {
    const std::string name = variable.name.CStr();
    switch (variable.type) {
    case ShaderTypeFloat:
        return "vec4(" + name + ")";
    case ShaderTypeVec2:
        return "vec4(" + name + ", 0.0, 1.0)";
    case ShaderTypeVec3:
        return "vec4(" + name + ", 1.0)";
    case ShaderTypeVec4:
        return name;
    default:
        return "vec4(0.0)";
    }
}

struct GLSLOnMesa : GLContextFixture {
    void SetUp() override {
        GLContextFixture::SetUp();
        if (HasFatalFailure()) return;
        LogCapture quiet;
        LoadShaderObjects();
    }

    // Compiles every output of the map into one program pair of the form,
    // all outputs summed into gl_FragColor, and links it.
    void ExpectMapLinks(const zShaderMap& shaderMap, zGLSLForm form) {
        zGLSLCompiledMap map(form);
        zShaderParmList records;
        Reset(map, &records);
        std::string color = "vec4(0.0)";
        LogCapture log;
        for (u32 output = 0; output < ShaderOutputCount; ++output) {
            zShaderBlock* block = shaderMap.GetOutput(output);
            if (!block) continue;
            zGLSLVariable* variable = CompileShaderBlock(map, block, GetShaderOutputName(output));
            ASSERT_NE(variable, nullptr) << "output " << GetShaderOutputName(output) << ": " << log.Text();
            color += " + " + AsVec4(*variable);
        }
        EXPECT_EQ(log.Text(), "");
        map.vertexBody.Append(form == GLSLFormES ? "gl_Position = vec4(0.0, 0.0, 0.0, 1.0);\n"
                                                 : "gl_Position = ftransform();\n");
        map.fragmentBody.Append(("gl_FragColor = " + color + ";\n").c_str());
        const std::string header = GLSLVersionLine(form);
        std::string compileLog;
        EXPECT_TRUE(
            Link(header + GetVertexProgram(map).CStr(), header + GetFragmentProgram(map).CStr(), compileLog))
            << compileLog;
    }
};

struct MaterialCase {
    const char* what;
    std::function<void(zMaterial&, FakeMaterialHost&)> setup;
};

zTextureStage& Stage(zMaterial& material, FakeMaterialHost& host, u32 index, u32 type,
                     u32 uvSource = StageUVSourceUVMap) {
    static const char* const names[] = {"a.tga", "b.tga", "c.tga", "d.tga", "e.tga", "f.tga"};
    zTextureStage& stage = material.GetStage(index);
    stage.active = 1;
    stage.type = type;
    stage.texture = host.Add(names[index]);
    stage.uvSource = uvSource;
    return stage;
}

TEST_F(GLSLOnMesa, EveryFixedFunctionMaterialLinksInBothForms) {
    const MaterialCase cases[] = {
        {"no stage", [](zMaterial&, FakeMaterialHost&) {}},
        {"diffuse uv source none",
         [](zMaterial& m, FakeMaterialHost& h) { Stage(m, h, 0, StageTypeDiffuse, StageUVSourceNone); }},
        {"diffuse uv map", [](zMaterial& m, FakeMaterialHost& h) { Stage(m, h, 0, StageTypeDiffuse); }},
        {"diffuse normal map uv",
         [](zMaterial& m, FakeMaterialHost& h) { Stage(m, h, 0, StageTypeDiffuse, StageUVSourceLSNormal); }},
        {"diffuse front map",
         [](zMaterial& m, FakeMaterialHost& h) { Stage(m, h, 0, StageTypeDiffuse, StageUVSourceFrontMap); }},
        {"diffuse and blend rgb",
         [](zMaterial& m, FakeMaterialHost& h) {
             Stage(m, h, 0, StageTypeDiffuse);
             Stage(m, h, 1, StageTypeBlendRGB);
         }},
        {"blend rgb with vertex colour",
         [](zMaterial& m, FakeMaterialHost& h) {
             Stage(m, h, 0, StageTypeDiffuse);
             Stage(m, h, 1, StageTypeBlendRGB);
             m.SetFlags(m.GetFlags() | MaterialFlagVertexColor);
         }},
        {"vertex colour",
         [](zMaterial& m, FakeMaterialHost&) { m.SetFlags(m.GetFlags() | MaterialFlagVertexColor); }},
        {"decal",
         [](zMaterial& m, FakeMaterialHost& h) {
             Stage(m, h, 0, StageTypeDiffuse);
             Stage(m, h, 1, StageTypeDecal);
         }},
        {"light map", [](zMaterial& m, FakeMaterialHost& h) { Stage(m, h, 0, StageTypeLightmap); }},
        {"reflection multiply",
         [](zMaterial& m, FakeMaterialHost& h) {
             Stage(m, h, 0, StageTypeReflection).op = StageOperatorMultiply;
         }},
        {"reflection add",
         [](zMaterial& m, FakeMaterialHost& h) {
             Stage(m, h, 0, StageTypeReflection).op = StageOperatorAdd;
         }},
        {"normal map", [](zMaterial& m, FakeMaterialHost& h) { Stage(m, h, 0, StageTypeNormal); }},
        {"tangent normal map",
         [](zMaterial& m, FakeMaterialHost& h) {
             Stage(m, h, 0, StageTypeNormal);
             m.SetFlags(m.GetFlags() | MaterialFlagNormalMapTangent);
         }},
        {"opacity", [](zMaterial& m, FakeMaterialHost& h) { Stage(m, h, 0, StageTypeOpacity); }},
        {"glossiness", [](zMaterial& m, FakeMaterialHost& h) { Stage(m, h, 0, StageTypeGlossiness); }},
        {"specular and self illumination",
         [](zMaterial& m, FakeMaterialHost& h) {
             Stage(m, h, 0, StageTypeSpecular);
             Stage(m, h, 1, StageTypeSelfIllum);
         }},
        {"all stages",
         [](zMaterial& m, FakeMaterialHost& h) {
             Stage(m, h, 0, StageTypeDiffuse);
             Stage(m, h, 1, StageTypeNormal, StageUVSourceLSNormal);
             Stage(m, h, 2, StageTypeOpacity);
             Stage(m, h, 3, StageTypeGlossiness);
             Stage(m, h, 4, StageTypeReflection).op = StageOperatorMultiply;
             Stage(m, h, 5, StageTypeLightmap);
             m.SetFlags(m.GetFlags() | MaterialFlagVertexColor | MaterialFlagNormalMapTangent);
         }},
    };
    for (const MaterialCase& c : cases) {
        for (zGLSLForm form : {GLSLFormDesktop, GLSLFormES}) {
            SCOPED_TRACE(std::string(c.what) + (form == GLSLFormES ? " (ES)" : " (desktop)"));
            FakeMaterialHost host;
            zMaterial material(&host, &host);
            c.setup(material, host);
            material.CheckStages();
            std::unique_ptr<zShaderMap> shaderMap(material.BuildShaderMapFromFixedFunction());
            ASSERT_NE(shaderMap, nullptr);
            ExpectMapLinks(*shaderMap, form);
        }
    }
}

// Graphs beyond the conversion: every source kind the forms can emit, the
// scalar swizzle and build, skinning and the remaining operators.
TEST_F(GLSLOnMesa, HandWrittenGraphsLink) {
    for (zGLSLForm form : {GLSLFormDesktop, GLSLFormES}) {
        SCOPED_TRACE(form == GLSLFormES ? "ES" : "desktop");
        zShaderMap shaderMap;
        auto make = [&shaderMap](zShaderBlock* block) {
            shaderMap.AdoptBlock(block);
            return block;
        };
        zShaderBlock* clock = make(new zClockShaderBlock());
        zShaderBlock* skinned = make(new zMulOperatorShaderBlock(make(new zGeometrySkinningShaderBlock()),
                                                                 make(new zGeometryVertexShaderBlock())));
        zShaderBlock* wave =
            make(new zPowShaderBlock(make(new zSinusShaderBlock(clock)),
                                     make(new zAbsShaderBlock(make(new zCosinusShaderBlock(clock))))));
        zShaderBlock* built =
            make(new zBuildShaderBlock(wave, BuildX, clock, BuildX, nullptr, BuildOne, nullptr, BuildZero));
        zShaderBlock* spread = make(new zSwizzleShaderBlock(clock, SwizzleX, SwizzleX, SwizzleX, SwizzleX));
        zShaderBlock* viewDot = make(new zDotOperatorShaderBlock(
            make(new zNormalizeOperatorShaderBlock(make(new zViewVectorShaderBlock()))),
            make(new zCrossOperatorShaderBlock(make(new zGeometryNormalShaderBlock()),
                                               make(new zViewVectorShaderBlock())))));
        zShaderBlock* clamped =
            make(new zClampShaderBlock(viewDot, make(new zMaterialParamShaderBlock(5)), clock));
        zShaderBlock* mixed = make(new zMixOperatorShaderBlock(
            make(new zAddOperatorShaderBlock(built, spread)),
            make(new zDivOperatorShaderBlock(skinned, make(new zViewportShaderBlock()))), clamped));
        zShaderBlock* matrices = make(new zMulOperatorShaderBlock(
            make(new zModelViewMatrixShaderBlock()),
            make(new zSubOperatorShaderBlock(
                make(new zPackVectorToColorShaderBlock(make(new zGeometryVertexColorShaderBlock()))),
                make(new zUnpackColorToVectorShaderBlock(make(new zColorShaderBlock())))))));
        zShaderBlock* normals = make(new zMulOperatorShaderBlock(
            make(new zNormalMatrixShaderBlock()),
            make(new zMulOperatorShaderBlock(make(new zGeometryTangentFrameShaderBlock()),
                                             make(new zGeometryNormalShaderBlock())))));
        zConstantShaderBlock* constant = new zConstantShaderBlock();
        constant->SetConstantType(ShaderTypeVec3);
        make(constant);
        zShaderBlock* screen = make(new zMulOperatorShaderBlock(make(new zScreenUVShaderBlock()),
                                                                make(new zConstantShaderBlock(0.5f, 0.5f))));
        shaderMap.SetOutput(ShaderOutputDiffuse, make(new zAddOperatorShaderBlock(mixed, matrices)));
        shaderMap.SetOutput(ShaderOutputNormal, make(new zAddOperatorShaderBlock(normals, constant)));
        shaderMap.SetOutput(ShaderOutputGlossiness, make(new zSwizzleShaderBlock(screen, SwizzleY)));
        ExpectMapLinks(shaderMap, form);
    }
}

TEST_F(GLSLOnMesa, DesktopRenderBufferAndModelMatrixLink) {
    zShaderMap shaderMap;
    auto make = [&shaderMap](zShaderBlock* block) {
        shaderMap.AdoptBlock(block);
        return block;
    };
    zShaderBlock* sample = make(new zSampler2dShaderBlock(make(new zRenderBufferShaderBlock(1)),
                                                          make(new zGeometryUVShaderBlock(2))));
    shaderMap.SetOutput(ShaderOutputDiffuse,
                        make(new zMulOperatorShaderBlock(make(new zModelMatrixShaderBlock()), sample)));
    ExpectMapLinks(shaderMap, GLSLFormDesktop);
}

} // namespace
