// GL3_RenderMap: what one material needs to draw one pass with its generated
// program: the program (shared through the renderer's per-pass cache), the
// textures to bind and the sampler uniforms they feed, the uniform records the
// binder fills at every draw, and the UV channels the program reads.
//
// Limits: six texture slots and UV channels 0..2. A binding past the sixth
// slot or a channel above 2 is logged and dropped by the assembly.
#pragma once

#include "core/linked_list.h"
#include "core/shared_object.h"
#include "core/types.h"
#include "render/texture.h"

class zGL3Shader;
class zMaterial;

// One uniform of a generated program, filled by the binder at each draw.
struct GL3_ShaderUniform : zLinkedListEntryId {
    u32 blockType = 0;   // type id of the declaring block
    u32 storedValue = 1; // 0: computed at every draw (material parameter 5)
    u32 typeMask = 1;
    i32 location = -1;
    f32 value[4] = {0.0f, 0.0f, 0.0f, 1.0f};
};

struct GL3_RenderMap {
    static constexpr u32 SlotCount = 6;
    static constexpr u32 UVChannelCount = 3;

    GL3_RenderMap() = default;
    ~GL3_RenderMap();
    GL3_RenderMap(const GL3_RenderMap&) = delete;
    GL3_RenderMap& operator=(const GL3_RenderMap&) = delete;

    zGL3Shader* program = nullptr; // the cache owns it
    zMaterial* material = nullptr;
    zSharedPtr<zTexture> textures[SlotCount];
    i32 samplerLocations[SlotCount] = {-1, -1, -1, -1, -1, -1};
    u8 wrap[SlotCount][2] = {{1, 1}, {1, 1}, {1, 1}, {1, 1}, {1, 1}, {1, 1}}; // 1 repeat, 0 clamp to edge
    u8 uvChannels[UVChannelCount] = {0, 0, 0};
    zLinkedListId uniforms; // owns its GL3_ShaderUniform records
};
