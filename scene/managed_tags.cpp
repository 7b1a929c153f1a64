#include "scene/managed_tags.h"

#include <memory>
#include <new>

#include "core/log.h"
#include "markup/meta_tag.h"
#include "scene/item.h"
#include "scene/managed_item.h"
#include "scene/scene.h"

const char* TextOf(const zString& text) {
    return text.CStr() ? text.CStr() : "";
}

bool ParseManagedTag(zMItem& item, const zMetafile* document, const zMetaTag* tag,
                     const zManagedTagNames& names, const std::function<bool(const zMetaTag*)>& parseNode) {
    if (!tag || tag->GetName() != names.root) {
        GetLog() << "[!] Could not parse " << names.kindText << ". Root tag id is incorrect ("
                 << (tag ? TextOf(tag->GetName()) : "") << ").\n";
        return false;
    }
    const i32 creationUid = item.GetUid();
    bool complete = true;
    zLinkedListIterator iterator{};
    while (const zMetaTag* child = tag->GetNextChild(iterator)) {
        const zString& name = child->GetName();
        if (name == "MItem") {
            complete = item.ParseTag(document, child) && complete;
        } else if (name == names.nodeTag) {
            complete = parseNode(child) && complete;
        } else {
            GetLog() << "[*] Unknown tag '" << name << "' in <" << names.root << ">.\n";
        }
    }
    if (!complete) item.SetUid(creationUid);
    return complete;
}

zMetaTag* SerializeManagedTag(const zMItem& item, const zManagedTagNames& names, zMetaTag* nodeTag) {
    std::unique_ptr<zMetaTag> node(nodeTag);
    std::unique_ptr<zMetaTag> root(new (std::nothrow) zMetaTag(names.root));
    bool complete = root != nullptr;
    if (complete) complete = AppendChildTag(root.get(), item.SerializeTag());
    if (complete) complete = AppendChildTag(root.get(), node.release());
    if (!complete) {
        GetLog() << names.serializeError;
        return nullptr;
    }
    return root.release();
}

void SetManagedParent(zMItem& item, zItem* parent) {
    zScene* scene = item.GetScene();
    if (scene) scene->NotifyListeners(SceneEventReparenting, nullptr);
    if (item.GetItem()) item.GetItem()->zItem::SetParent(parent);
    if (scene) scene->NotifyListeners(SceneEventReparented, nullptr);
}
