// The scene's AI paths: the separate path file, the scene file's "Paths"
// section, lookup by name and the debug drawing of the chains.
#include <cstring>
#include <new>

#include "core/log.h"
#include "markup/meta_tag.h"
#include "markup/metafile.h"
#include "markup/reader.h"
#include "render/debug_draw.h"
#include "render/renderer.h"
#include "scene/ai_path.h"
#include "scene/item.h"
#include "scene/scene.h"

namespace {

zAIPath* AsPath(zLinkedListEntry* entry) {
    return static_cast<zAIPath*>(entry);
}

} // namespace

bool zScene::LoadAIPath(const char* path) {
    zMetafile document;
    if (!LoadMetafileFromFile(path, document)) return false;
    const zMetaTag* section = document.GetTag("Scene:Paths;");
    if (!section) section = document.GetTag("Scene:Motions;");
    if (!section) {
        GetLog() << "[!] No AI path in '" << (path ? path : "") << "'.\n";
        return false;
    }
    zLinkedListIterator iterator{};
    while (const zMetaTag* child = section->GetNextChild(iterator)) {
        if (child->GetName() != "Motion") continue;
        auto* aiPath = new (std::nothrow) zAIPath;
        if (!aiPath) {
            GetLog() << "[*] Failed to allocate a new AI path.\n";
            continue;
        }
        aiPath->GetMotion().ParseTag(child);
        aiPath->BuildNodes();
        aiPaths.AppendUnlinked(aiPath);
    }
    GetLog() << static_cast<i32>(aiPaths.GetCount()) << " AI path(s) in world.\n";
    return true;
}

bool zScene::ParseAIPathsTag(const zMetafile* /*document*/, const zMetaTag* tag) {
    zLinkedListIterator iterator{};
    while (const zMetaTag* child = tag ? tag->GetNextChild(iterator) : nullptr) {
        if (child->GetName() != "Motion") {
            GetLog() << "[*] Unexpected tag '" << child->GetName() << "' in <Paths>.\n";
            continue;
        }
        auto* aiPath = new (std::nothrow) zAIPath("Unnamed");
        if (!aiPath) {
            GetLog() << "[*] Failed to allocate a new AI path.\n";
            continue;
        }
        aiPaths.AppendUnlinked(aiPath);
        aiPath->GetMotion().ParseTag(child);
        aiPath->BuildNodes();
    }
    return true;
}

zMetaTag* zScene::SerializeAIPathsTag(const zMetafile* /*document*/) const {
    auto* section = new (std::nothrow) zMetaTag("Paths");
    if (!section) return nullptr;
    for (zLinkedListEntry* entry = aiPaths.GetHead(); entry; entry = entry->GetNext())
        if (!AttachTag(section, AsPath(entry)->GetMotion().SerializeTag()))
            GetLog() << "[!] Failed to allocate AI path tag.\n";
    return section;
}

zAIPath* zScene::FindAIPath(const char* name) const {
    for (zLinkedListEntry* entry = aiPaths.GetHead(); entry; entry = entry->GetNext()) {
        zAIPath* aiPath = AsPath(entry);
        const zString& pathName = aiPath->GetName();
        const bool match = pathName.IsEmpty() ? !name : (name && std::strcmp(pathName.CStr(), name) == 0);
        if (match) return aiPath;
    }
    GetLog() << "[*] Could not find AI path '" << (name ? name : "") << "'.\n";
    return nullptr;
}

void zScene::DebugPath(zRenderer* renderer) {
    if (!renderer) return;
    for (zLinkedListEntry* entry = aiPaths.GetHead(); entry; entry = entry->GetNext()) {
        zAIPath* aiPath = AsPath(entry);
        const zMatrix4& matrix = *aiPath->GetMatrix();
        for (zLinkedListEntry* node = aiPath->GetNodes().GetHead(); node && node->GetNext();
             node = node->GetNext()) {
            const zVector from = static_cast<zAIPathNode*>(node)->GetPosition().ApplyMatrix(matrix);
            const zVector to = static_cast<zAIPathNode*>(node->GetNext())->GetPosition().ApplyMatrix(matrix);
            DrawCross(renderer, from, 1.0f);
            renderer->DrawLine(from, to, nullptr);
        }
    }
}
