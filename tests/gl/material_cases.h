// The materials the fixed-function conversion can make, as a table of
// set-ups: each texture stage kind and UV source, the operators, and the
// flags that change the generated text (vertex colour, tangent normal maps,
// the three opacity forms, skinning).
#pragma once

#include <functional>
#include <vector>

#include "render/material.h"
#include "tests/render/material_fixtures.h"

struct MaterialCase {
    const char* what;
    std::function<void(zMaterial&, FakeMaterialHost&)> setup;
};

inline zTextureStage& Stage(zMaterial& material, FakeMaterialHost& host, u32 index, u32 type,
                            u32 uvSource = StageUVSourceUVMap) {
    static const char* const names[] = {"a.tga", "b.tga", "c.tga", "d.tga", "e.tga", "f.tga"};
    zTextureStage& stage = material.GetStage(index);
    stage.active = 1;
    stage.type = type;
    stage.texture = host.Add(names[index]);
    stage.uvSource = uvSource;
    return stage;
}

inline void AddFlags(zMaterial& material, u32 flags) {
    material.SetFlags(material.GetFlags() | flags);
}

inline std::vector<MaterialCase> FixedFunctionMaterialCases() {
    return {
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
             AddFlags(m, MaterialFlagVertexColor);
         }},
        {"vertex colour", [](zMaterial& m, FakeMaterialHost&) { AddFlags(m, MaterialFlagVertexColor); }},
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
             AddFlags(m, MaterialFlagNormalMapTangent);
         }},
        {"opacity (dithered alpha test)",
         [](zMaterial& m, FakeMaterialHost& h) { Stage(m, h, 0, StageTypeOpacity); }},
        {"opacity soft z",
         [](zMaterial& m, FakeMaterialHost& h) {
             Stage(m, h, 0, StageTypeOpacity);
             AddFlags(m, MaterialFlagAlphaSoftZ);
         }},
        {"opacity to frame",
         [](zMaterial& m, FakeMaterialHost& h) {
             Stage(m, h, 0, StageTypeOpacity);
             AddFlags(m, MaterialFlagAlphaToFrame);
         }},
        {"glossiness", [](zMaterial& m, FakeMaterialHost& h) { Stage(m, h, 0, StageTypeGlossiness); }},
        {"specular and self illumination",
         [](zMaterial& m, FakeMaterialHost& h) {
             Stage(m, h, 0, StageTypeSpecular);
             Stage(m, h, 1, StageTypeSelfIllum);
         }},
        {"skinned", [](zMaterial& m, FakeMaterialHost&) { AddFlags(m, MaterialFlagSkinned); }},
        {"skinned normal map",
         [](zMaterial& m, FakeMaterialHost& h) {
             Stage(m, h, 0, StageTypeNormal);
             AddFlags(m, MaterialFlagSkinned);
         }},
        {"all stages",
         [](zMaterial& m, FakeMaterialHost& h) {
             Stage(m, h, 0, StageTypeDiffuse);
             Stage(m, h, 1, StageTypeNormal, StageUVSourceLSNormal);
             Stage(m, h, 2, StageTypeOpacity);
             Stage(m, h, 3, StageTypeGlossiness);
             Stage(m, h, 4, StageTypeReflection).op = StageOperatorMultiply;
             Stage(m, h, 5, StageTypeLightmap);
             AddFlags(m, MaterialFlagVertexColor | MaterialFlagNormalMapTangent);
         }},
    };
}
