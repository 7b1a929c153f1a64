// Fixtures of the material tests: a host that is both the render host and
// the material host (textures by name, a debug channel), a renderer that
// journals the material calls, and helpers that read a material from ZML
// text held in a (bytes, size) buffer.
#pragma once

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "markup/metafile.h"
#include "markup/reader.h"
#include "markup/writer.h"
#include "picture/pixel_format.h"
#include "render/material.h"
#include "tests/render/render_fixtures.h"

struct FakeMaterialHost : FakeRenderHost, zMaterialHost {
    std::map<std::string, zSharedPtr<zTexture>> textures;
    std::vector<std::string> loads;
    i32 debugChannel = -1;

    ~FakeMaterialHost() { textures.clear(); }

    // A 2 x 2 RGBA texture of that name; opaque unless translucent, when one
    // pixel has alpha 128.
    zTexture* Add(const char* name, bool translucent = false) {
        zTexture* texture = new zTexture(this);
        texture->SetName(name);
        texture->Allocate(2, 2, PixelFormatRGBA8);
        std::memset(texture->GetPixels(), 0xff, 16);
        if (translucent) texture->GetPixels()[7] = 128;
        textures[name] = texture;
        return texture;
    }
    zSharedPtr<zTexture> LoadSharedTexture(const char* path, bool) override {
        loads.push_back(path);
        auto found = textures.find(path);
        return found == textures.end() ? zSharedPtr<zTexture>() : found->second;
    }
    i32 GetDebugChannel() const override { return debugChannel; }
};

struct MaterialJournalRenderer : RecordingRenderer {
    MaterialJournalRenderer(zRenderHost* host, std::vector<std::string>* journal)
        : RecordingRenderer(host, true, journal) {}
    bool setupResult = true;
    bool SetupMaterial(zMaterial*) override {
        Note("SetupMaterial");
        return setupResult;
    }
    void UpdateMaterial(zMaterial*) override { Note("UpdateMaterial"); }
    void FreeMaterial(zMaterial*) override { Note("FreeMaterial"); }
};

// The first root of a ZML document held in a buffer; null when it does not parse.
struct MaterialDocument {
    zMetafile doc;
    const zMetaTag* root = nullptr;

    MaterialDocument(const char* bytes, size_t size) { Read(bytes, size); }
    // A body without the ZML header line.
    explicit MaterialDocument(const std::string& body) {
        const std::string text = "<ZML=1.0>\n" + body;
        Read(text.data(), text.size());
    }

  private:
    void Read(const char* bytes, size_t size) {
        if (!ParseMetafile(bytes, size, doc)) return;
        zLinkedListIterator iterator{};
        root = doc.GetNextRoot(iterator);
    }
};

// Reads the ZML text of a "Material" tag into material.
inline bool ParseMaterialText(zMaterial& material, const std::string& body) {
    MaterialDocument document(body);
    return document.root && material.Parse(document.root);
}

// The ZML text of a tag; the tag is deleted.
inline std::string MaterialTagText(zMetaTag* tag) {
    zMetafile doc;
    doc.AddRoot(tag);
    std::string text;
    SerializeMetafile(doc, text);
    return text;
}

// The names of a tag's children, in order, joined by blanks.
inline std::string ChildNames(const zMetaTag* tag) {
    std::string names;
    zLinkedListIterator iterator{};
    while (const zMetaTag* child = tag->GetNextChild(iterator)) {
        if (!names.empty()) names += ' ';
        names += child->GetName().CStr();
    }
    return names;
}
