#include "render/shader/shader_library.h"

#include <new>

#include "core/log.h"
#include "markup/metafile.h"
#include "markup/reader.h"
#include "render/render_host.h"
#include "render/renderer.h"

zShader::~zShader() = default;

bool zShader::Setup(const char* name, const char* /*vertexSource*/, const char* /*pixelSource*/) {
    m_name.Set(name);
    return true;
}

void zShader::Free() {}

zShaderLibrary::~zShaderLibrary() {
    Clear();
}

void zShaderLibrary::Clear() {
    m_shaders.Clear();
}

zShader* zShaderLibrary::Find(const char* name) const {
    if (!name) return nullptr;
    for (auto* node = m_shaders.GetHead(); node; node = node->next) {
        if (node->value && node->value->GetName().IsEqual(name)) return node->value.Get();
    }
    return nullptr;
}

bool zShaderLibrary::Load(const char* path, const char* profile) {
    return LoadChained(path, profile, nullptr, 0);
}

namespace {

// The string of a child, or null when it is missing or holds no string.
const char* ChildString(const zMetaTag* tag, const char* name) {
    const zMetaTag* child = tag->GetTypedTag(name, VariantString);
    return child ? child->GetValue().GetStringValue().CStr() : nullptr;
}

} // namespace

bool zShaderLibrary::LoadChained(const char* path, const char* profile, const IncludeLink* chain, u32 depth) {
    if (!path) return false;
    zString loadedPath(path);
    for (const IncludeLink* link = chain; link; link = link->outer) {
        if (*link->path == loadedPath) {
            GetLog() << "[!] Shader library '" << loadedPath << "' includes itself.\n";
            return false;
        }
    }
    if (depth > MaxIncludeDepth) {
        GetLog() << "[!] Shader library '" << loadedPath << "' is included more than " << MaxIncludeDepth
                 << " levels deep.\n";
        return false;
    }

    zRenderHost* host = m_renderer ? m_renderer->GetEngine() : nullptr;
    zMetafile doc;
    if (!LoadMetafileFromFile(loadedPath, doc)) {
        if (!host || !host->RedirectMissingFile(loadedPath)) return false;
        doc.Clear();
        if (!LoadMetafileFromFile(loadedPath, doc)) return false;
    }
    if (host) host->NotifyFileOpened(loadedPath);

    const char* profileName = profile ? profile : "Default";
    const zMetaTag* profileTag = doc.GetTag(profileName);
    if (!profileTag) {
        GetLog() << "[!] profile '" << profileName << "' not found.\n";
        return false;
    }
    if (!profileTag->IsNode()) {
        GetLog() << "[!] profile '" << profileName << "' empty.\n";
        return false;
    }

    const IncludeLink link{&loadedPath, chain};
    zLinkedListIterator iterator{};
    while (const zMetaTag* entry = profileTag->GetNextChild(iterator)) {
        if (entry->GetName() == "Include") {
            const char* uri = ChildString(entry, "Uri");
            const char* tag = ChildString(entry, "Tag");
            if (!uri || !tag) continue;
            if (!LoadChained(uri, tag, &link, depth + 1)) {
                GetLog() << "[!] Failed to include external shader library '" << uri << "'.\n";
            }
        } else if (entry->GetName() == "Shader") {
            const char* name = ChildString(entry, "Name");
            const char* vertex = ChildString(entry, "Vertex");
            const char* pixel = ChildString(entry, "Pixel");
            if (!name || !vertex || !pixel || !m_renderer) continue;
            zSharedPtr<zShader> shader(m_renderer->NewShader());
            if (!shader) continue;
            // Named before Setup, so that a program that fails still answers Find.
            shader->SetName(name);
            if (!shader->Setup(name, vertex, pixel)) {
                GetLog() << "[*] Shader '" << name << "' of library '" << loadedPath
                         << "' did not set up; it stays in the library.\n";
            }
            if (!m_shaders.Add(shader)) {
                GetLog() << "Failed to allocate the shader list entry of '" << name << "'.\n";
                return false;
            }
        }
    }
    GetLog() << m_shaders.GetCount() << " shader in library '" << loadedPath << "'.\n";
    return true;
}
