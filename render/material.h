// zMaterial: how a surface is shaded. Colours and factors, six texture
// stages, a render-flag word, an optional shader graph (zShaderMap) and the
// physical part (zPhysicMaterial). Geometries hold materials by shared
// reference; the current renderer keeps its own data per material and is
// told of every change (SetupMaterial, UpdateMaterial, FreeMaterial).
//
// The "Material" tag reader and writer are in material_file.cpp, the
// conversion of the stages into a shader graph in material_fixed_function.cpp.
//
// Invariant: the stage-by-type table holds, for each type 0..10, the first
// of the six stages of that type, or null; CheckStages rebuilds it, so it is
// only as fresh as the last CheckStages (Update, Setup and Parse run it).
#pragma once

#include <memory>

#include "core/matrix.h"
#include "core/shared_object.h"
#include "core/types.h"
#include "core/zstring.h"
#include "render/material_physic.h"
#include "render/renderable.h"
#include "render/render_host.h"
#include "render/shader/texture_loader.h"
#include "render/texture.h"

class zMetaTag;
class zShaderBlock;
class zShaderMap;

// Render flags ("RenderMask" in the file).
enum : u32 {
    MaterialFlagShadeless = 0x1,
    MaterialFlagSmoothing = 0x2,
    MaterialFlagAdditive = 0x4,
    MaterialFlagDoubleSided = 0x8,
    MaterialFlagWireframe = 0x10,
    MaterialFlagVertexColor = 0x20,
    MaterialFlagParticle = 0x20, // set by the particle model reader
    MaterialFlagSoftBody = 0x40,
    MaterialFlagSubtractive = 0x80,
    MaterialFlagForceVertexNormal = 0x100,
    MaterialFlagNormalMapTangent = 0x400,
    MaterialFlagParralaxDisp = 0x1000,
    MaterialFlagNoZWrite = 0x2000,
    MaterialFlagNoZTest = 0x4000,
    MaterialFlagSkinned = 0x8000, // set by a skinned geometry, never read or written
    MaterialFlagNoFog = 0x10000,
    MaterialFlagFixedFunction = 0x20000,
    MaterialFlagAlphaToFrame = 0x40000,
    MaterialFlagToon = 0x80000,
    MaterialFlagAlphaSoftZ = 0x100000,
};

// Texture stage types (the "Channel" of a stage).
enum zMaterialStageType : u32 {
    StageTypeNone = 0,
    StageTypeDiffuse = 1,
    StageTypeDecal = 2,
    StageTypeOpacity = 3,
    StageTypeSpecular = 4,
    StageTypeGlossiness = 5,
    StageTypeNormal = 6,
    StageTypeReflection = 7,
    StageTypeSelfIllum = 8,
    StageTypeLightmap = 9,
    StageTypeBlendRGB = 10,
    StageTypeCount = 11,
};

// Where a stage takes its texture coordinates.
enum : u32 {
    StageUVSourceNone = 0, // the stage is sampled at (0.5, 0.5)
    StageUVSourceUVMap = 1,
    StageUVSourceLSNormal = 2,
    StageUVSourceFrontMap = 3,
};

// How a reflection stage combines.
enum : u32 {
    StageOperatorNone = 0,
    StageOperatorMultiply = 1,
    StageOperatorAdd = 2,
};

// The material colours, by the index that Material Parameter blocks use.
enum : u32 {
    MaterialColorDiffuse = 0,
    MaterialColorSpecular = 1,
    MaterialColorSelfIllum = 2,
    MaterialColorAmbient = 3,
    MaterialColorCount = 4,
};

// "None", "Diffuse", ..., "Blend RGB"; "Invalid" past the last type.
const char* GetStageTypeName(u32 type);

// One texture stage. The UV map index names one of the geometry's three UV
// channels; 3 and above is invalid and deactivates the stage.
struct zTextureStage {
    u8 active = 0;
    u8 wrapU = 1; // 1 repeats, 0 clamps
    u8 wrapV = 1;
    u8 uvMapIndex = 0;
    u32 type = StageTypeNone;
    zSharedPtr<zTexture> texture;
    u32 uvSource = StageUVSourceUVMap;
    zMatrix4 matrix;
    u32 op = StageOperatorNone;

    // All fields to their defaults; releases the texture.
    void Reset() { *this = zTextureStage(); }
};

// What a material needs of its engine besides zRenderHost: the texture
// cache through which stage and shader-graph textures load, and the debug
// channel. The engine implements it.
class zMaterialHost : public zTextureLoader {
  public:
    // A stage type that Setup shows alone as the diffuse texture; -1 off.
    virtual i32 GetDebugChannel() const = 0;

  protected:
    ~zMaterialHost() = default;
};

class zMaterial : public zSharedObject, public zPhysicMaterial {
  public:
    static constexpr u32 StageCount = 6;
    static constexpr f32 MinGlossiness = 0.01f;
    static constexpr f32 MaxGlossiness = 16.0f;

    // host may be null: no textures are loaded and there is no debug channel.
    explicit zMaterial(zRenderHost* engine, zMaterialHost* host = nullptr);
    // Frees the shader map and the renderer's data through the current renderer.
    ~zMaterial() override;
    zMaterial(const zMaterial&) = delete;
    zMaterial& operator=(const zMaterial&) = delete;

    // Every shading field to its default: colours, factors, flags, shader
    // name, shader map (freed), stages (textures released), the stage-by-type
    // table and the stage count. The name, the physical part and the
    // renderer data stay.
    void Reset();
    // Deactivates, with a log line, each active UV-mapped stage whose UV map
    // index is invalid or that has no texture; rebuilds the stage-by-type table.
    void CheckStages();
    // CheckStages, the transparent flag, then the renderer's UpdateMaterial.
    void Update();
    // Applies the debug channel, then the renderer's SetupMaterial and an
    // Update; gives what the setup gave, false without a renderer.
    bool Setup();
    // The active, textured stage of that type when there is one; else the
    // first stage of type None takes the type, the texture (a new
    // reference), the UV source and index and becomes active. Null, logged,
    // when no stage is free. The stage-by-type table is left to CheckStages.
    zTextureStage* AddStage(u32 type, zTexture* texture, u32 uvSource, u32 uvMapIndex);

    // Reads a "Material" tag (material_file.cpp). False only for a tag of
    // another name; every other problem is logged and skipped. Afterwards the
    // material has a shader map: the file's, or one built from its stages.
    bool Parse(const zMetaTag* tag);
    // A new "Material" tag that the caller owns, or null (logged).
    zMetaTag* Serialize() const;

    // A new map equivalent to the stages and colours, which the caller owns;
    // null when it cannot be allocated (material_fixed_function.cpp). A
    // stage counts when it is the first of its type, active and textured.
    zShaderMap* BuildShaderMapFromFixedFunction() const;
    // The block that samples one stage, made in map, which owns every block
    // made; normal feeds the UV of LSNormal and FrontMap reflection stages.
    // Null when the sampler cannot be allocated.
    zShaderBlock* BuildStageSample(const zTextureStage& stage, zShaderBlock* normal, zShaderMap& map) const;

    zRenderHost* GetEngine() const { return m_engine; }
    zMaterialHost* GetHost() const { return m_host; }
    zRenderData* GetRenderData() const { return m_renderData; }
    void SetRenderData(zRenderData* data) { m_renderData = data; }

    const zString& GetName() const { return m_name; }
    void SetName(const char* name) { m_name.Set(name); }
    const zString& GetShaderName() const { return m_shaderName; }
    void SetShaderName(const char* name) { m_shaderName.Set(name); }

    u32 GetFlags() const { return m_flags; }
    void SetFlags(u32 flags) { m_flags = flags; }
    // 1 for additive, subtractive or textured-opacity materials; derived by
    // Update and Setup from the stages as their CheckStages leaves them.
    u32 GetTransparent() const { return m_transparent; }

    // color: MaterialColorDiffuse .. MaterialColorAmbient; four floats RGBA.
    const f32* GetColor(u32 color) const;
    void SetColor(u32 color, f32 red, f32 green, f32 blue, f32 alpha);
    const f32* GetDiffuse() const { return GetColor(MaterialColorDiffuse); }
    const f32* GetSpecular() const { return GetColor(MaterialColorSpecular); }
    const f32* GetSelfIllum() const { return GetColor(MaterialColorSelfIllum); }
    const f32* GetAmbient() const { return GetColor(MaterialColorAmbient); }

    f32 GetGlossiness() const { return m_glossiness; }
    void SetGlossiness(f32 glossiness) { m_glossiness = glossiness; }
    f32 GetOpacity() const { return m_opacity; }
    void SetOpacity(f32 opacity) { m_opacity = opacity; }
    f32 GetReflection() const { return m_reflection; }
    void SetReflection(f32 reflection) { m_reflection = reflection; }
    f32 GetIOR() const { return m_ior; }
    void SetIOR(f32 ior) { m_ior = ior; }
    f32 GetAlphaThreshold() const { return m_alphaThreshold; }
    void SetAlphaThreshold(f32 threshold) { m_alphaThreshold = threshold; }
    f32 GetMaxSmoothingAngle() const { return m_maxSmoothingAngle; }
    void SetMaxSmoothingAngle(f32 angle) { m_maxSmoothingAngle = angle; }

    zShaderMap* GetShaderMap() const { return m_shaderMap.get(); }
    // Takes ownership; the previous map and its blocks are freed.
    void SetShaderMap(zShaderMap* map);

    // index below StageCount.
    zTextureStage& GetStage(u32 index);
    const zTextureStage& GetStage(u32 index) const;
    // The first stage of that type as of the last CheckStages; null for none
    // and for a type past the last.
    zTextureStage* GetStageByType(u32 type) const;
    // "TextureStage" tags accepted by the last Parse.
    u32 GetStageCount() const { return m_stageCount; }

  private:
    // The transparent flag from the flags and the current table.
    void UpdateTransparency();
    void ApplyDebugChannel();
    // The "TextureStage" tag reader.
    void ParseStage(const zMetaTag* tag);
    void ParseRenderMask(const zMetaTag* tag);
    zMetaTag* SerializeStage(u32 index) const;
    // When the diffuse texture has alpha and there is no opacity stage, adds
    // one over the same texture.
    void AddOpacityStageForDiffuseAlpha();

    zRenderHost* m_engine;
    zMaterialHost* m_host;
    zString m_name;
    u32 m_transparent = 0;
    zString m_shaderName;
    f32 m_colors[MaterialColorCount][4];
    f32 m_glossiness = 0.4f;
    f32 m_opacity = 1.0f;
    f32 m_reflection = 0.0f;
    f32 m_ior = 1.0f;
    f32 m_alphaThreshold = 0.1f;
    f32 m_maxSmoothingAngle = 0.0f;
    u32 m_flags = 0;
    std::unique_ptr<zShaderMap> m_shaderMap;
    zTextureStage* m_stageByType[StageTypeCount] = {};
    u32 m_stageCount = 0;
    zTextureStage m_stages[StageCount];
    zRenderData* m_renderData = nullptr;
};
