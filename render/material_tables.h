// The tables of the material file, kept in one place: stage types with their
// names and "Channel" words, and the render flags with their "RenderMask"
// words. Rows are in the order the writer emits them.
#pragma once

#include "core/types.h"

struct zStageTypeRow {
    const char* name;         // GetStageTypeName
    const char* writtenWord;  // "Channel" written; null writes none (Diffuse) or nothing valid (None)
    const char* readWords[4]; // "Channel" words read, null-ended
};

// Indexed by stage type 0..10.
inline constexpr zStageTypeRow StageTypeRows[] = {
    {"None", nullptr, {nullptr}},
    {"Diffuse", nullptr, {"Diffuse", nullptr}},
    {"Decal", "Decal", {"Decal", "Detail", nullptr}},
    {"Opacity", "Opacity", {"Opacity", nullptr}},
    {"Specular", "Specular", {"Specular", nullptr}},
    {"Glossiness", "Glossiness", {"Glossiness", nullptr}},
    {"Normal", "Normal", {"Normal", nullptr}},
    {"Reflection", "Reflection", {"Reflection", nullptr}},
    {"Self-Illum (Emissive)", "SelfIllum", {"SelfIllum", nullptr}},
    {"Lightmap", "Light", {"Light", "VertexColor", "Color", nullptr}},
    {"Blend RGB", "BlendRGB", {"BlendRGB", nullptr}},
};

struct zRenderFlagRow {
    u32 bit;
    const char* word;  // read and written
    const char* alias; // also read, or null
};

// In writing order: Toon (0x80000) comes before AlphaToFrame (0x40000).
inline constexpr zRenderFlagRow RenderFlagRows[] = {
    {0x1, "Shadeless", nullptr},
    {0x2, "Smoothing", nullptr},
    {0x4, "Additive", nullptr},
    {0x8, "DoubleSided", nullptr},
    {0x10, "Wireframe", nullptr},
    {0x20, "VertexColor", "RGB"},
    {0x40, "SoftBody", nullptr},
    {0x80, "Subtractive", "Substractive"},
    {0x100, "ForceVertexNormal", nullptr},
    {0x400, "NormalMapTangent", nullptr},
    {0x1000, "ParralaxDisp", nullptr},
    {0x2000, "NoZWrite", nullptr},
    {0x4000, "NoZTest", nullptr},
    {0x10000, "NoFog", nullptr},
    {0x20000, "FixedFunction", nullptr},
    {0x80000, "Toon", nullptr},
    {0x40000, "AlphaToFrame", nullptr},
    {0x100000, "AlphaSoftZ", nullptr},
};

// UV source words by value; 0 has none, 1 is not written.
inline constexpr const char* UVSourceWords[] = {nullptr, "UVMap", "LSNormal", "FrontMap"};
// Operator words by value.
inline constexpr const char* OperatorWords[] = {nullptr, "Multiply", "Add"};

// Colour defaults by MaterialColor index (diffuse, specular, self, ambient).
inline constexpr f32 MaterialDefaultColors[4][4] = {
    {1.0f, 1.0f, 1.0f, 1.0f},
    {1.0f, 1.0f, 1.0f, 1.0f},
    {0.0f, 0.0f, 0.0f, 1.0f},
    {1.0f, 1.0f, 1.0f, 1.0f},
};
