// Fixtures of the shader graph tests: a host without renderer for textures,
// a texture loader over a fixed set of named textures, a block that counts
// its destructions, and ZML text helpers.
#pragma once

#include <map>
#include <string>

#include "markup/metafile.h"
#include "markup/reader.h"
#include "markup/writer.h"
#include "render/render_host.h"
#include "render/shader/shader_block.h"
#include "render/shader/texture_loader.h"
#include "render/texture.h"

struct NoRendererHost : zRenderHost {
    zRenderer* GetRenderer() const override { return nullptr; }
    zRenderer* GetDefaultRenderer() const override { return nullptr; }
    void SetRenderer(zRenderer*) override {}
    void SendEvent(u32, void*) override {}
    u32 GetStateWord() const override { return 0; }
};

// Knows the textures added to it by name; every other path fails.
struct FakeTextureLoader : zTextureLoader {
    NoRendererHost host;
    std::map<std::string, zSharedPtr<zTexture>> textures;
    std::string lastPath;
    int calls = 0;

    zTexture* Add(const char* name) {
        zTexture* texture = new zTexture(&host);
        texture->SetName(name);
        textures[name] = texture;
        return texture;
    }
    zSharedPtr<zTexture> LoadSharedTexture(const char* path, bool) override {
        ++calls;
        lastPath = path;
        auto found = textures.find(path);
        return found == textures.end() ? zSharedPtr<zTexture>() : found->second;
    }
};

// A source block that counts how often a block of its kind was destroyed.
struct CountedBlock : zClockShaderBlock {
    explicit CountedBlock(int* destroyed) : m_destroyed(destroyed) {}
    ~CountedBlock() override { ++*m_destroyed; }

  private:
    int* m_destroyed;
};

// The first root of a ZML text (with the header added), or null.
struct ZmlText {
    zMetafile doc;
    const zMetaTag* root = nullptr;

    explicit ZmlText(const std::string& body) {
        const std::string text = "<ZML=1.0>\n" + body;
        if (!ParseMetafile(text.data(), text.size(), doc)) return;
        zLinkedListIterator iterator;
        root = doc.GetNextRoot(iterator);
    }
};

// The ZML text of a tag; the tag is deleted.
inline std::string WriteZml(zMetaTag* tag) {
    zMetafile doc;
    doc.AddRoot(tag);
    std::string text;
    SerializeMetafile(doc, text);
    return text;
}
