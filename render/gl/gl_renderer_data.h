// The blocks zGL3Renderer attaches to engine resources. Only the renderer
// reads them; each is deleted through the zRenderData base.
#pragma once

#include <memory>

#include "render/gl/gl_renderer.h"

// One triangle list's buffer objects and layout. Offsets are byte offsets in
// the vertex buffer; Absent marks a block the list does not have.
struct zGL3Renderer::GL_GeometryList {
    u32 indexCount = 0;
    GLuint indexBuffer = 0;
    GLuint vertexBuffer = 0;
    u32 normalOffset = Absent;
    u32 tangentOffset = Absent;
    u32 bitangentOffset = Absent;
    u32 boneIndexOffset = Absent;
    u32 boneWeightOffset = Absent;
    u32 colorOffset = Absent;
    u32 uvOffset[3] = {Absent, Absent, Absent};
    u32 vertexBytes = 0;
    u32 boneCount = 0;
    std::unique_ptr<u16[]> bones; // geometry bone per palette entry
    u32 materialIndex = 0;
    zMaterial* material = nullptr; // the geometry holds it
};

class zGL3Renderer::GL_GeometryData : public zRenderData {
  public:
    ~GL_GeometryData() override;
    u32 listCount = 0;
    std::unique_ptr<GL_GeometryList[]> lists;
};

class zGL3Renderer::GL_TextureData : public zRenderData {
  public:
    ~GL_TextureData() override;
    GLuint name = 0;
    u32 bytes = 0; // counted in the renderer's video-memory total
};

class zGL3Renderer::GL_MaterialData : public zRenderData {
  public:
    // The render maps by slot: pass 2, pass 3, an unused slot, pass 0, pass 5.
    enum : u32 { SlotNormalDepth = 0, SlotGBuffer = 1, SlotUnused = 2, SlotForward = 3, SlotDepth = 4 };
    ~GL_MaterialData() override;
    std::unique_ptr<GL3_RenderMap> maps[MaterialMapCount];
    // Pass 5 without the clip-plane test, for shadow passes drawn with no
    // plane set; made at the first of them (null until then).
    std::unique_ptr<GL3_RenderMap> unclippedDepth;
    // The slot of a pass, or MaterialMapCount for a pass without one.
    static u32 SlotOf(u32 pass);
};

// A light's choice of core shaders and its shadow records. The shaders are
// kept by name and found in the library at each use: the library goes with
// the context, the light outlives both.
// Point lights: the view and projection of each cube face.
struct zGL3Renderer::GL_CubeRecord {
    zMatrix4 view[6];
    zMatrix4 projection[6];
};

// Parallel lights: four splits, each from the camera's near plane.
struct zGL3Renderer::GL_PSSMRecord {
    struct Split {
        f32 sliceDistance = 0.0f;
        zMatrix4 view;
        zMatrix4 projection;
    };
    Split splits[4];
};

class zGL3Renderer::GL_LightData : public zRenderData {
  public:
    ~GL_LightData() override;
    zString lightShader;      // empty: none
    zString volumetricShader; // empty: none
    std::unique_ptr<GL_CubeRecord> cube;
    std::unique_ptr<GL_PSSMRecord> pssm;
};
