// zShaderMap: the shader graph of one material. Seven output slots name the
// blocks that drive the material's outputs; null leaves an output undriven.
//
// Ownership: the map frees every block it owns, each once: the blocks
// reachable from its outputs, and every block adopted with AdoptBlock (the
// file reader adopts each block it creates, so blocks that no output reaches
// are freed too). Replacing an output keeps the graph it led to owned.
// A block belongs to one map only.
#pragma once

#include <unordered_set>

#include "core/types.h"
#include "core/zstring.h"
#include "render/shader/shader_block.h"

class zMetaTag;
class zTextureLoader;

enum zShaderOutput : u32 {
    ShaderOutputNormal = 0,
    ShaderOutputDiffuse = 1,
    ShaderOutputModulate = 2,
    ShaderOutputSpecular = 3,
    ShaderOutputGlossiness = 4,
    ShaderOutputConstant = 5,
    ShaderOutputOpacity = 6,
    ShaderOutputCount = 7,
};

// "Normal", "Diffuse", ... ; null past the last output.
const char* GetShaderOutputName(u32 output);
// The value type an output expects: Normal vec3; Diffuse, Specular and
// Constant vec4; the others float. ShaderTypeNone past the last output.
u32 GetShaderOutputType(u32 output);

class zShaderMap {
  public:
    zShaderMap();
    // Frees the blocks, then the name.
    ~zShaderMap();
    zShaderMap(const zShaderMap&) = delete;
    zShaderMap& operator=(const zShaderMap&) = delete;

    zShaderBlock* GetOutput(u32 output) const;
    void SetOutput(u32 output, zShaderBlock* block);

    // The map frees the block with its graph; null is ignored.
    void AdoptBlock(zShaderBlock* block);
    // Clears the outputs and deletes every owned block once.
    void FreeBlocks();

    // Fills the position and the outputs from a "ShaderMap" tag; the loader
    // (may be null) gives the textures of Texture blocks. False only for a
    // tag of another name.
    bool Parse(zTextureLoader* loader, const zMetaTag* tag);
    // A new "ShaderMap" tag that the caller owns, or null.
    zMetaTag* Serialize() const;

    f32 GetX() const { return m_x; }
    f32 GetY() const { return m_y; }
    void SetPosition(f32 x, f32 y) {
        m_x = x;
        m_y = y;
    }
    const zString& GetName() const { return m_name; }
    void SetName(const char* name) { m_name.Set(name); }
    u32 GetSpareWord() const { return m_spareWord; }
    void SetSpareWord(u32 word) { m_spareWord = word; }

  private:
    f32 m_x = 0.0f;
    f32 m_y = 0.0f;
    zString m_name;      // neither read nor written by the file form
    u32 m_spareWord = 0; // not used by the player
    zShaderBlock* m_outputs[ShaderOutputCount] = {};
    // Blocks created for this map, whether or not an output reaches them.
    std::unordered_set<zShaderBlock*> m_owned;
};
