#include "scene/instance.h"

#include <memory>
#include <new>

#include "core/alloc_category.h"
#include "core/log.h"
#include "engine/engine.h"
#include "markup/meta_tag.h"
#include "markup/metafile.h"
#include "markup/reader.h"
#include "scene/group.h"
#include "scene/managed_tags.h"
#include "scene/scene.h"

zInstance::zInstance(zScene* scene)
    : zMItem(scene, ManagedKindInstance), zItem(scene ? scene->GetEngine() : nullptr) {
    SetNode(this);
}

zInstance::~zInstance() {
    Teardown();
}

void zInstance::SetTemplate(const char* path) {
    m_template.Set(path);
    UnloadTemplate();
}

void zInstance::UnloadTemplate() {
    m_group = nullptr;
}

void zInstance::ForgetGroup(const zGroup* group) {
    if (m_group == group) m_group = nullptr;
}

void zInstance::SetParent(zItem* parent) {
    SetManagedParent(*this, parent);
}

bool zInstance::InTemplateChain(const zString& path) const {
    for (auto* node = m_templateChain.GetHead(); node; node = node->next)
        if (node->value == path) return true;
    return false;
}

void zInstance::LoadTemplate() {
    zScopedAllocCategory category(AllocCategoryScene);
    zScene* scene = GetScene();
    zEngine* engine = scene ? scene->GetEngine() : nullptr;
    if (!scene || !IsActive() || (engine && engine->GetToolMode() == 1) || m_group || m_template.IsEmpty())
        return;
    if (InTemplateChain(m_template) || m_templateDepth >= MaximumTemplateDepth) {
        GetLog() << "[!] Template '" << m_template << "' of instance '" << GetName()
                 << "' instantiates itself; not loaded.\n";
        return;
    }
    std::unique_ptr<zMetafile> document(NewMetafileFromFile(m_template.CStr()));
    if (!document) return;
    if (const zMetaTag* units = document->GetTag("Scene:ScriptedObject;"))
        zScriptedObject::ParseTag(document.get(), units);
    // The scene's result is not needed: a load that made no group leaves the
    // instance unloaded.
    scene->Load(m_template.CStr(), &m_group, TemplateLoadFlags);
    if (!m_group) return;
    m_group->SetName(m_template.CStr());
    m_group->SetRootItem(this);
    // Instances the template brought in carry the chain one step further.
    for (auto* node = m_group->GetItems().GetHead(); node; node = node->next) {
        auto* nested =
            node->value->GetKind() == ManagedKindInstance ? dynamic_cast<zInstance*>(node->value) : nullptr;
        if (!nested || nested == this) continue;
        nested->m_templateChain.Clear();
        for (auto* link = m_templateChain.GetHead(); link; link = link->next)
            nested->m_templateChain.Add(link->value);
        nested->m_templateChain.Add(m_template);
        // The depth bounds the nesting even when a chain node could not be
        // allocated.
        nested->m_templateDepth = m_templateDepth + 1;
    }
}

bool zInstance::ParseTag(const zMetafile* document, const zMetaTag* tag) {
    if (!tag || tag->GetName() != "Instance") {
        GetLog() << "[!] Could not parse instance. Root tag id is incorrect ("
                 << (tag ? tag->GetName().CStr() : "") << ").\n";
        return false;
    }
    zLinkedListIterator iterator{};
    while (const zMetaTag* child = tag->GetNextChild(iterator)) {
        const zString& name = child->GetName();
        const char* text = nullptr;
        if (name == "MItem") {
            zMItem::ParseTag(document, child);
        } else if (name == "Item") {
            zItem::ParseTag(child);
        } else if (name == "Template") {
            if (child->GetValue().GetString(text)) m_template.Set(text);
        } else {
            GetLog() << "[*] Unknown tag '" << name << "' in <Instance>.\n";
        }
    }
    // The reader succeeds whatever its parts did; the scene's reader checks
    // the uid the item part left.
    return true;
}

zMetaTag* zInstance::SerializeTag() const {
    static const zManagedTagNames Names = {"Instance", "instance", "Item",
                                           "[!] Could not create managed root tag to serialize.\n"};
    std::unique_ptr<zMetaTag> root(SerializeManagedTag(*this, Names, zItem::SerializeTag()));
    if (root && !AppendChildTag(root.get(), new (std::nothrow) zMetaTag(
                                                "Template", m_template.CStr() ? m_template.CStr() : ""))) {
        GetLog() << Names.serializeError;
        return nullptr;
    }
    return root.release();
}
