// zShader and zShaderLibrary: the hand-written GLSL programs a renderer draws
// its light passes and screen effects with, read from a ZML library file.
//
// A library file holds one root tag per profile ("Default" unless the caller
// names another). A profile holds only children: `Shader` entries (strings
// `Name`, `Vertex`, `Pixel`) and `Include` entries (strings `Uri`, `Tag`) that
// pull in one profile of another library file at that point. Entries missing
// a string are skipped. Names may repeat; Find answers the first in file order.
//
// Each renderer makes its own zShader subclass (zRenderer::NewShader), whose
// Setup compiles. A shader whose Setup fails is still kept and findable, so
// callers that need a working program check it themselves; the library logs
// the failure. Include chains are bounded and a file that includes itself
// (directly or further down) is refused, since library files are outside input.
#pragma once

#include "core/list.h"
#include "core/shared_object.h"
#include "core/types.h"
#include "core/zstring.h"

class zRenderer;

class zShader : public zSharedObject {
  public:
    explicit zShader(zRenderer* renderer) : m_renderer(renderer) {}
    ~zShader() override;

    // The base keeps the name and accepts any text; renderers compile here.
    virtual bool Setup(const char* name, const char* vertexSource, const char* pixelSource);
    // Releases what Setup made; nothing in the base.
    virtual void Free();

    const zString& GetName() const { return m_name; }
    void SetName(const char* name) { m_name.Set(name); }
    zRenderer* GetRenderer() const { return m_renderer; }
    u32 GetWord() const { return m_word; }
    void SetWord(u32 word) { m_word = word; }

  private:
    zRenderer* m_renderer;
    u32 m_word = 0; // for the subclass
    zString m_name;
};

class zShaderLibrary : public zSharedObject {
  public:
    // Include nesting below the first file.
    static constexpr u32 MaxIncludeDepth = 16;

    explicit zShaderLibrary(zRenderer* renderer) : m_renderer(renderer) {}
    ~zShaderLibrary() override;

    // Appends the shaders of one profile of the file (null: "Default"). False
    // for a null path, a file that cannot be loaded (after the engine's
    // missing-file hook had its chance), a missing profile or a profile tag
    // holding a value; a failed include is logged and skipped.
    bool Load(const char* path, const char* profile);
    // The first shader of that name (case-sensitive), or null; no reference added.
    zShader* Find(const char* name) const;
    // Releases every shader.
    void Clear();

    u32 GetCount() const { return m_shaders.GetCount(); }
    const zList<zSharedPtr<zShader>>& GetShaders() const { return m_shaders; }
    const zString& GetName() const { return m_name; }
    zRenderer* GetRenderer() const { return m_renderer; }

  private:
    zShaderLibrary(const zShaderLibrary&) = delete;
    zShaderLibrary& operator=(const zShaderLibrary&) = delete;

    // One step of the include chain; chain lists the files being loaded.
    struct IncludeLink {
        const zString* path;
        const IncludeLink* outer;
    };
    bool LoadChained(const char* path, const char* profile, const IncludeLink* chain, u32 depth);

    zRenderer* m_renderer;
    zString m_name;
    zList<zSharedPtr<zShader>> m_shaders;
};
