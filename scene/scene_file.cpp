// The scene file (.zms): zScene::Load, LoadFromTag, SaveToTag and the
// preload pass; DuplicateItem, which copies an item through its kind's tag.
//
// Stored uids are remapped: a file whose largest stored uid is M reserves
// R = M + 1 scene uids from nextUid (N0), and the item stored with uid u
// becomes N0 + u, so a file can be loaded into a scene that holds items
// already and two loads never share a uid. Every later reference in the file
// (links, groups, skins, constraints) is a stored uid and goes through the
// remap table, range-checked. The table's size comes from the file, so a
// stored uid above StoredUidBound (far more than the file's items could
// use) does not size it: such an item takes the "Corrupt item" path.
#include <cmath>
#include <cstdio>
#include <memory>
#include <new>

#include "core/log.h"
#include "core/stopwatch.h"
#include "engine/engine.h"
#include "markup/math_tags.h"
#include "markup/meta_tag.h"
#include "markup/metafile.h"
#include "markup/reader.h"
#include "physics/physic_item.h"
#include "picture/tga.h"
#include "render/texture.h"
#include "scene/group.h"
#include "scene/instance.h"
#include "scene/item.h"
#include "scene/managed_camera.h"
#include "scene/managed_constraint.h"
#include "scene/managed_emitter.h"
#include "scene/managed_object.h"
#include "scene/managed_tags.h"
#include "scene/terrain.h"
#include "scene/trigger.h"
#include "scene/scene.h"

namespace {

// One row per item tag: the kind, its load flag, the scene's add operation,
// the kind's tag reader and writer. Rows without operations stand for kinds
// this scene cannot make yet; their tags are skipped like unknown ones.
struct SceneItemKind {
    const char* tag;
    u32 kind;
    u32 flag;
    zMItem* (*add)(zScene& scene);
    bool (*parse)(zMItem* item, const zMetafile* document, const zMetaTag* tag);
    zMetaTag* (*serialize)(const zMItem* item);
};

// A kind list may hold other classes of that kind number (test doubles,
// later kinds): they neither read nor write.
template <typename Kind> bool ParseKind(zMItem* item, const zMetafile* document, const zMetaTag* tag) {
    auto* kind = dynamic_cast<Kind*>(item);
    return kind && kind->ParseTag(document, tag);
}

template <typename Kind> zMetaTag* SerializeKind(const zMItem* item) {
    auto* kind = dynamic_cast<const Kind*>(item);
    return kind ? kind->SerializeTag() : nullptr;
}

// In the writer's order: cameras, objects, lights, triggers, instances,
// emitters, terrains, constraints.
const SceneItemKind SceneItemKinds[] = {
    {"MCamera", ManagedKindCamera, SceneLoadCameras,
     [](zScene& scene) -> zMItem* { return scene.AddCamera(nullptr); }, ParseKind<zMCamera>,
     SerializeKind<zMCamera>},
    {"MObject", ManagedKindObject, SceneLoadObjects,
     [](zScene& scene) -> zMItem* { return scene.AddObject(nullptr, nullptr); }, ParseKind<zMObject>,
     SerializeKind<zMObject>},
    {"MLight", ManagedKindLight, SceneLoadLights,
     [](zScene& scene) -> zMItem* {
         return scene.AddLight(nullptr, LightTypePoint, zMLight::DefaultPriority);
     },
     ParseKind<zMLight>, SerializeKind<zMLight>},
    {"Trigger", ManagedKindTrigger, SceneLoadTriggers,
     [](zScene& scene) -> zMItem* { return scene.AddTrigger(nullptr); }, ParseKind<zTrigger>,
     SerializeKind<zTrigger>},
    {"Instance", ManagedKindInstance, SceneLoadInstances,
     [](zScene& scene) -> zMItem* { return scene.AddInstance(nullptr, nullptr); }, ParseKind<zInstance>,
     SerializeKind<zInstance>},
    {"MEmitter", ManagedKindEmitter, SceneLoadEmitters,
     [](zScene& scene) -> zMItem* { return scene.AddEmitter(nullptr); }, ParseKind<zMEmitter>,
     SerializeKind<zMEmitter>},
    {"MTerrain", ManagedKindTerrain, SceneLoadTerrains,
     [](zScene& scene) -> zMItem* { return scene.AddTerrain(nullptr); }, ParseKind<zMTerrain>,
     SerializeKind<zMTerrain>},
    {"MConstraint", ManagedKindConstraint, SceneLoadConstraints,
     [](zScene& scene) -> zMItem* { return scene.AddPointConstraint(nullptr); }, ParseKind<zMConstraint>,
     SerializeKind<zMConstraint>},
};

const SceneItemKind* FindItemKind(const zString& tag) {
    for (const SceneItemKind& entry : SceneItemKinds)
        if (tag == entry.tag && entry.add) return &entry;
    return nullptr;
}

const SceneItemKind* FindItemKindOf(u32 kind) {
    for (const SceneItemKind& entry : SceneItemKinds)
        if (entry.kind == kind && entry.serialize) return &entry;
    return nullptr;
}

// The float of a tag; integers are taken as well.
bool ReadNumber(const zMetaTag* tag, f32& out) {
    i32 whole = 0;
    if (tag->GetValue().GetFloat(out)) return true;
    if (!tag->GetValue().GetInt(whole)) return false;
    out = static_cast<f32>(whole);
    return true;
}

// The first three children by position, as the colour's x, y and z.
void ReadColour(const zMetaTag* tag, f32* colour) {
    zLinkedListIterator iterator{};
    for (u32 index = 0; index < 3; ++index) {
        const zMetaTag* child = tag->GetNextChild(iterator);
        if (!child) return;
        ReadNumber(child, colour[index]);
    }
}

zMetaTag* SerializeColour(const char* name, const f32* colour) {
    return SerializeVector(zVector(colour[0], colour[1], colour[2], 1.0f), name);
}

bool IsToolOnly(const zMetaTag* itemTag) {
    return itemTag->GetTag("MItem:ToolSpecific;") || itemTag->GetTag("MItem:Helper;");
}

// The stored uid of an item tag, when it has an integer one.
bool StoredUid(const zMetaTag* itemTag, i32& out) {
    const zMetaTag* tag = itemTag->GetTypedTag("MItem:UId;", VariantInt);
    if (!tag) return false;
    out = tag->GetRawInt();
    return true;
}

// A stored uid the remap table covers.
bool InTable(i64 uid, u32 tableSize) {
    return uid >= 0 && uid < static_cast<i64>(tableSize);
}

// Sends the end of a load however it ends once it has begun.
class zLoadEnd {
  public:
    zLoadEnd(zScene& scene, zEngine::EventInterface* events) : m_scene(scene), m_events(events) {}
    ~zLoadEnd() {
        if (m_events) m_events->OnLoadEnd();
        m_scene.NotifyListeners(SceneEventLoadEnd, nullptr);
    }
    zLoadEnd(const zLoadEnd&) = delete;
    zLoadEnd& operator=(const zLoadEnd&) = delete;

  private:
    zScene& m_scene;
    zEngine::EventInterface* m_events;
};

} // namespace

bool zScene::ParseRootTag(zMetafile& document, zMetaTag* root) {
    return LoadFromTag(&document, root, nullptr, SceneLoadAll);
}

zMetaTag* zScene::BuildRootTag(zMetafile& document) {
    return SaveToTag(&document, nullptr, SceneLoadAll);
}

bool zScene::Load(const char* path, zGroup** group, u32 flags) {
    zMetafile document;
    if (!LoadMetafileFromFile(path, document)) return false;
    const zMetaTag* root = nullptr;
    zLinkedListIterator iterator{};
    while (const zMetaTag* tag = document.GetNextRoot(iterator)) {
        if (tag->GetName() == "Scene") {
            root = tag;
            break;
        }
    }
    if (!root) {
        GetLog() << "[!] No <Scene> tag in '" << (path ? path : "") << "'.\n";
        return false;
    }
    const bool loaded = LoadFromTag(&document, root, group, flags);
    if (group && *group) (*group)->SetName(path);
    return loaded;
}

zMItem* zScene::ResolveStoredUidTag(const zMetaTag* parent, const char* path, const i32* table, u32 tableSize,
                                    u32 kind) {
    const zMetaTag* tag = parent ? parent->GetTypedTag(path, VariantInt) : nullptr;
    if (!tag) {
        GetLog() << "[!] Invalid UID tag.\n";
        return nullptr;
    }
    const i32 stored = tag->GetRawInt();
    if (!table || !InTable(stored, tableSize)) {
        GetLog() << "[!] Invalid item UID.\n";
        return nullptr;
    }
    zMItem* item = GetManagedItemByUid(table[stored]);
    if (!item) return nullptr;
    if (kind != ManagedKindNone && item->GetKind() != kind) {
        GetLog() << "[!] Invalid item type.\n";
        return nullptr;
    }
    return item;
}

bool zScene::LoadFromTag(const zMetafile* document, const zMetaTag* root, zGroup** group, u32 flags) {
    zStopwatch stopwatch;
    stopwatch.Start();
    if (!root || root->GetName() != "Scene") {
        GetLog() << "[!] Could not parse scene. Root tag id is incorrect ("
                 << (root ? TextOf(root->GetName()) : "") << ").\n";
        return false;
    }
    const char* fileName = document ? TextOf(document->GetFileName()) : "";
    GetLog() << "[H] Loading scene '" << fileName << "' (flag: " << static_cast<i32>(flags) << ")\n";
    NotifyListeners(SceneEventLoadBegin, nullptr);
    zEngine::EventInterface* events = m_engine ? m_engine->GetEventInterface() : nullptr;
    if (events) events->OnLoadBegin();
    // OnLoadEnd and event 12 on every way out from here.
    zLoadEnd loadEnd(*this, events);
    if (flags & SceneLoadGlobals) SetName(fileName);
    ResetCommandList();
    if (group && !*group) *group = AddGroup(fileName);

    // The remap table: R entries, -1 for a stored uid that made no item.
    u32 tableSize = 1;
    std::unique_ptr<i32[]> table;
    const i64 firstUid = m_nextUid;
    const zMetaTag* items = root->GetTag("Items;");
    u32 progressTotal = 1;
    if (items) {
        const i64 bound = 16 * static_cast<i64>(items->GetChildCount()) + 65536;
        i64 largest = 0;
        zLinkedListIterator iterator{};
        while (const zMetaTag* child = items->GetNextChild(iterator)) {
            i32 stored = 0;
            if (!StoredUid(child, stored) || stored > bound || stored <= largest) continue;
            largest = stored;
            ++progressTotal;
        }
        tableSize = static_cast<u32>(largest + 1);
        table.reset(new (std::nothrow) i32[tableSize]);
        // Scene uids are signed 32-bit: a scene that ran out of them takes no
        // more files.
        if (!table || firstUid + tableSize > 0x7fffffff) {
            GetLog() << "[!] Could not allocate item uid remap array.\n";
            return false;
        }
        for (u32 index = 0; index < tableSize; ++index)
            table[index] = -1;
        m_nextUid = static_cast<u32>(firstUid + tableSize);

        const bool ownEvents = m_engine && m_engine->UsesOwnEventInterface();
        const u32 toolMode = m_engine ? m_engine->GetToolMode() : 0;
        const bool toolItems = (flags & SceneLoadToolItems) && toolMode != 0 && toolMode != 3;
        u32 progressCalls = 0;
        iterator = zLinkedListIterator{};
        while (const zMetaTag* child = items->GetNextChild(iterator)) {
            const SceneItemKind* entry = FindItemKind(child->GetName());
            if (!entry) {
                GetLog() << "[*] Unexpected <" << child->GetName() << "> sub-tag in <Items>.\n";
                continue;
            }
            if (!(flags & entry->flag)) continue;
            if (IsToolOnly(child) && !toolItems) continue;
            zMItem* item = entry->add(*this);
            if (!item) continue;
            if (ownEvents && events) {
                const zMetaTag* idTag = child->GetTypedTag("MItem:Id;", VariantString);
                char text[512];
                if (idTag)
                    std::snprintf(text, sizeof text, "Loading item '%s'...",
                                  TextOf(idTag->GetValue().GetStringValue()));
                else
                    std::snprintf(text, sizeof text, "Loading items...");
                events->OnLoadStatus(text,
                                     static_cast<f32>(progressCalls++) / static_cast<f32>(progressTotal));
            }
            // A reader that fails, or leaves a uid the table does not cover
            // or another item took, gives the creation uid back.
            const i32 creationUid = item->GetUid();
            if (entry->parse(item, document, child)) {
                const i64 stored = item->GetUid();
                if (InTable(stored, tableSize) && table[stored] == -1) {
                    const i32 uid = static_cast<i32>(firstUid + stored);
                    item->SetUid(uid);
                    table[stored] = uid;
                    --m_nextUid;
                } else {
                    GetLog() << "[*] Corrupt item '" << item->GetName() << "' source UID ("
                             << static_cast<i32>(stored) << "/" << tableSize << ") while loading scene '"
                             << fileName << "'.\n";
                    item->SetUid(creationUid);
                }
            } else {
                item->SetUid(creationUid);
            }
            if (group && *group) (*group)->AddItem(item, false);
            if (!item->IsActive()) UnlinkItem(zMItem::SceneListActive, item);
        }
    }
    if (events) events->OnLoadStatus("Parsing scene globals...", 1.0f);
    // Without "Items" the table is one entry that nothing fills.
    if (!table) {
        table.reset(new (std::nothrow) i32[1]);
        if (!table) {
            GetLog() << "[!] Could not allocate item uid remap array.\n";
            return false;
        }
        table[0] = -1;
    }
    ReadLinks(root, table.get(), tableSize);
    ReadConstraints(root, table.get(), tableSize);
    ReadSkins(root, table.get(), tableSize);
    if (flags & SceneLoadGroups) ReadGroups(root, table.get(), tableSize, group);

    if (flags & SceneLoadScripts) {
        if (const zMetaTag* units = root->GetTag("ScriptedObject;")) {
            zScriptedObject::ParseTag(document, units);
        } else if (const zMetaTag* unitTag = root->GetTag("ScriptUnit;")) {
            if (zScriptUnit* unit = NewScriptUnit()) unit->Parse(document, unitTag);
        }
    }
    if (!group || (flags & SceneLoadGlobals)) ReadGlobals(root);
    if (flags & SceneLoadPaths)
        if (const zMetaTag* paths = root->GetTag("Paths;")) ParseAIPathsTag(document, paths);
    if ((flags & SceneLoadPhysics) && m_physicWorld) {
        const zMetaTag* physics = root->GetTag("Physics;");
        if (!physics) physics = root->GetTag("Tau;");
        zLinkedListIterator iterator{};
        while (const zMetaTag* child = physics ? physics->GetNextChild(iterator) : nullptr) {
            f32 frequency = 0.0f;
            if (child->GetName() != "Frequency" || !ReadNumber(child, frequency)) continue;
            // The world refuses, with a warning, a step that is not finite
            // and above 0: a frequency of 0, below 0 or NaN keeps the step.
            m_physicWorld->SetFixedTimeStep(1.0f / frequency);
        }
    }
    if (group && *group)
        GetLog() << "Group '" << (*group)->GetName() << "': " << (*group)->GetItems().GetCount()
                 << " item(s).\n";
    if ((flags & SceneLoadCurrentCamera) && (flags & SceneLoadCameras)) {
        const zMetaTag* current = root->GetTypedTag("CurrentCamera;", VariantString);
        zMItem* found = current ? FindItem(TextOf(current->GetValue().GetStringValue()), nullptr) : nullptr;
        if (found && found->GetKind() == ManagedKindCamera) SetCurrentCamera(dynamic_cast<zMCamera*>(found));
    }
    table.reset();
    if (!m_currentCamera && !(m_engine && m_engine->GetToolMode() == 1)) {
        zMCamera* camera = AddCamera("Default");
        SetCurrentCamera(camera);
        zMatrix4 view;
        if (const zMetaTag* viewTag = root->GetTag("ViewMatrix;"))
            if (camera && ParseMatrix4(viewTag, view)) camera->SetMatrix(view);
    }
    stopwatch.Stop();
    char elapsed[64];
    std::snprintf(elapsed, sizeof elapsed, "%.3f", static_cast<double>(stopwatch.GetElapsedMs()));
    GetLog() << "Done loading scene in " << elapsed << "ms.\n";
    return true;
}

void zScene::ReadLinks(const zMetaTag* root, const i32* table, u32 tableSize) {
    const zMetaTag* links = root->GetTag("Links;");
    zLinkedListIterator iterator{};
    while (const zMetaTag* link = links ? links->GetNextChild(iterator) : nullptr) {
        if (link->GetName() != "Link") {
            GetLog() << "[*] Unexpected <" << link->GetName() << "> sub-tag in <Links>.\n";
            continue;
        }
        i32 childUid = -1;
        i32 parentUid = -1;
        zLinkedListIterator parts{};
        while (const zMetaTag* part = link->GetNextChild(parts)) {
            if (part->GetName() == "Item") {
                part->GetValue().GetInt(childUid);
            } else if (part->GetName() == "Link") {
                part->GetValue().GetInt(parentUid);
            } else {
                GetLog() << "[*] Unexpected <" << part->GetName() << "> sub-tag in <Link>.\n";
            }
        }
        if (childUid == -1 || parentUid == -1) {
            GetLog() << "[*] Incomplete link tag.\n";
            continue;
        }
        if (!InTable(childUid, tableSize) || !InTable(parentUid, tableSize)) {
            GetLog() << "[!] Invalid item UID.\n";
            continue;
        }
        if (table[childUid] == -1 || table[parentUid] == -1) continue;
        zMItem* child = GetManagedItemByUid(table[childUid]);
        zMItem* parent = GetManagedItemByUid(table[parentUid]);
        if (child && parent && child->GetItem() && parent->GetItem())
            child->GetItem()->SetParent(parent->GetItem());
    }
}

void zScene::ReadConstraints(const zMetaTag* root, const i32* table, u32 tableSize) {
    const zMetaTag* constraints = root->GetTag("Constraints;");
    zLinkedListIterator iterator{};
    while (const zMetaTag* tag = constraints ? constraints->GetNextChild(iterator) : nullptr) {
        if (tag->GetName() != "Constraint") continue;
        auto* constraint = dynamic_cast<zMConstraint*>(
            ResolveStoredUidTag(tag, "Uid;", table, tableSize, ManagedKindConstraint));
        if (!constraint) continue;
        // The writer leaves "UidA" or "UidB" out for a side without an item,
        // so only a present side is resolved (and checked).
        zMItem* itemA = tag->GetTag("UidA;") ? ResolveStoredUidTag(tag, "UidA;", table, tableSize, ManagedKindNone) : nullptr;
        zMItem* itemB = tag->GetTag("UidB;") ? ResolveStoredUidTag(tag, "UidB;", table, tableSize, ManagedKindNone) : nullptr;
        zPhysicConstraint* physics = constraint->GetConstraint();
        if (!physics) {
            GetLog() << "[*] Constraint '" << constraint->GetName()
                     << "' has no physics world to bind its items in.\n";
            continue;
        }
        physics->SetItemA(itemA ? itemA->GetPhysicItem() : nullptr);
        physics->SetItemB(itemB ? itemB->GetPhysicItem() : nullptr);
    }
}

void zScene::ReadSkins(const zMetaTag* root, const i32* table, u32 tableSize) {
    const zMetaTag* skins = root->GetTag("Skins;");
    zLinkedListIterator iterator{};
    while (const zMetaTag* skin = skins ? skins->GetNextChild(iterator) : nullptr) {
        if (skin->GetName() != "Skin") continue;
        auto* object =
            dynamic_cast<zMObject*>(ResolveStoredUidTag(skin, "UId;", table, tableSize, ManagedKindObject));
        if (!object) continue;
        if (object->GetBoneCount() == 0) {
            GetLog() << "[!] Invalid skin information, object '" << object->GetName()
                     << "' is not bound to a skinned geometry.\n";
            continue;
        }
        zLinkedListIterator bones{};
        while (const zMetaTag* bone = skin->GetNextChild(bones)) {
            if (bone->GetName() != "Bone") continue;
            const zMetaTag* indexTag = bone->GetTypedTag("Index;", VariantInt);
            const zMetaTag* uidTag = bone->GetTypedTag("UId;", VariantInt);
            if (!indexTag || !uidTag) {
                GetLog() << "[!] Invalid bone information, incomplete bone tag.\n";
                continue;
            }
            const i32 index = indexTag->GetRawInt();
            const i32 stored = uidTag->GetRawInt();
            if (index < 0 || static_cast<u32>(index) >= object->GetBoneCount()) {
                GetLog() << "[!] Invalid bone information, bone index out of bound.\n";
                continue;
            }
            if (!InTable(stored, tableSize)) {
                GetLog() << "[!] Invalid bone information, item Uid out of bound.\n";
                continue;
            }
            zMItem* driver = table[stored] == -1 ? nullptr : GetManagedItemByUid(table[stored]);
            if (!driver || !driver->GetItem()) {
                GetLog() << "[!] Invalid bone information, item Uid does not exist.\n";
                continue;
            }
            object->SetBone(static_cast<u32>(index), driver->GetItem());
        }
    }
}

void zScene::ReadGroups(const zMetaTag* root, const i32* table, u32 tableSize, zGroup** fileGroup) {
    const zMetaTag* groups = root->GetTag("Groups;");
    zLinkedListIterator iterator{};
    while (const zMetaTag* groupTag = groups ? groups->GetNextChild(iterator) : nullptr) {
        if (groupTag->GetName() != "Group") continue;
        const zMetaTag* idTag = groupTag->GetTypedTag("Id;", VariantString);
        if (!idTag) {
            GetLog() << "[*] Could not read group, no identifier found.\n";
            continue;
        }
        const char* id = TextOf(idTag->GetValue().GetStringValue());
        zGroup* group = AddGroup(id);
        if (!group) {
            GetLog() << "[!] Failed to allocate group '" << id << "'.\n";
            continue;
        }
        zLinkedListIterator members{};
        while (const zMetaTag* member = groupTag->GetNextChild(members)) {
            i32 stored = -1;
            if (member->GetName() != "Item") continue;
            if (!member->GetValue().GetInt(stored) || !InTable(stored, tableSize)) {
                GetLog() << "[!] Invalid item UID.\n";
                continue;
            }
            if (table[stored] == -1) {
                GetLog() << "[*] Group member masked out during import.\n";
                continue;
            }
            group->AddItem(GetManagedItemByUid(table[stored]), false);
        }
        if (fileGroup && *fileGroup) (*fileGroup)->AddGroup(group, false);
    }
}

void zScene::ReadGlobals(const zMetaTag* root) {
    const zMetaTag* globals = root->GetTag("Globals;");
    if (!globals) return;
    visualisationScale = 1.0f;
    zLinkedListIterator iterator{};
    while (const zMetaTag* child = globals->GetNextChild(iterator)) {
        const zString& name = child->GetName();
        if (name == "BackgroundColor") {
            ReadColour(child, backgroundColor);
        } else if (name == "AmbientColor") {
            ReadColour(child, ambientColor);
        } else if (name == "FogColor") {
            ReadColour(child, fogColor);
        } else if (name == "AmbientIntensity") {
            ReadNumber(child, ambientIntensity);
        } else if (name == "TargetExposure") {
            ReadNumber(child, targetExposure);
        } else if (name == "VisualisationScale") {
            ReadNumber(child, visualisationScale);
        } else if (name == "FogNear") {
            ReadNumber(child, fogNear);
        } else if (name == "FogFar") {
            ReadNumber(child, fogFar);
        }
    }
}

// The writer

bool zScene::PassesSaveTest(const zMItem* item, const zGroup* filter, u32 flags) const {
    if (!item) return false;
    if (filter && !filter->IsMember(item)) return false;
    const u32 kind = item->GetKind();
    if (kind < ManagedKindCamera || kind > ManagedKindTerrain) return true;
    for (const SceneItemKind& entry : SceneItemKinds)
        if (entry.kind == kind) return (flags & entry.flag) != 0;
    return true;
}

// The items an instance loaded from its template are written like any other;
// a reloaded scene loads the template again at its setup, so a saved scene
// with loaded instances holds that content twice. Only a scene saved before
// its setup round-trips exactly.
zMetaTag* zScene::SaveToTag(const zMetafile* document, const zGroup* filter, u32 flags) {
    std::unique_ptr<zMetaTag> root(new (std::nothrow) zMetaTag("Scene"));
    if (!root) {
        GetLog() << "[!] Could not create scene root tag to serialize.\n";
        return nullptr;
    }
    if (!filter && GetScriptUnits().GetCount() > 0) {
        if (zMetaTag* units = zScriptedObject::SerializeTag()) AttachTag(root.get(), units);
        GetScriptUnits().GetHead()->value->Serialize(root.get());
    }
    zMetaTag* items = new (std::nothrow) zMetaTag("Items");
    if (!AttachTag(root.get(), items)) {
        GetLog() << "[!] Failed to allocate <Items> root tag.\n";
        return nullptr;
    }
    for (const SceneItemKind& entry : SceneItemKinds) {
        if (!(flags & entry.flag)) continue;
        for (auto* node = m_kindLists[entry.kind].GetHead(); node; node = node->next) {
            const SceneItemKind* writer = FindItemKindOf(entry.kind);
            if (!writer || (filter && !filter->IsMember(node->value))) continue;
            AttachTag(items, writer->serialize(node->value));
        }
    }
    std::unique_ptr<zMetaTag> links(new (std::nothrow) zMetaTag("Links"));
    if (!links) {
        GetLog() << "[!] Failed to allocate <Links> root tag.\n";
        return nullptr;
    }
    for (auto* node = m_allItems.GetHead(); node; node = node->next) {
        zMItem* item = node->value;
        zItem* parentNode = item->GetItem() ? item->GetItem()->GetParent() : nullptr;
        zMItem* parent = zItem::GetManagedItem(parentNode);
        if (!parent || !PassesSaveTest(item, filter, flags) || !PassesSaveTest(parent, filter, flags))
            continue;
        std::unique_ptr<zMetaTag> link(new (std::nothrow) zMetaTag("Link"));
        bool complete = link != nullptr;
        if (complete) complete = AttachTag(link.get(), new (std::nothrow) zMetaTag("Item", item->GetUid()));
        if (complete) complete = AttachTag(link.get(), new (std::nothrow) zMetaTag("Link", parent->GetUid()));
        if (!complete || !AttachTag(links.get(), link.release()))
            GetLog() << "[!] Failed to allocate link tag.\n";
    }
    if (!AttachTag(root.get(), links.release())) {
        GetLog() << "[!] Failed to allocate <Links> root tag.\n";
        return nullptr;
    }
    zMetaTag* skins = new (std::nothrow) zMetaTag("Skins");
    if (!AttachTag(root.get(), skins)) {
        GetLog() << "[!] Failed to allocate <Skins> root tag.\n";
        return nullptr;
    }
    for (auto* node = m_kindLists[ManagedKindObject].GetHead(); node; node = node->next) {
        auto* object = dynamic_cast<zMObject*>(node->value);
        if (!object || object->GetBoneCount() == 0 || (filter && !filter->IsMember(object))) continue;
        std::unique_ptr<zMetaTag> skin(new (std::nothrow) zMetaTag("Skin"));
        bool complete = skin && AttachTag(skin.get(), new (std::nothrow) zMetaTag("UId", object->GetUid()));
        for (u32 index = 0; complete && index < object->GetBoneCount(); ++index) {
            zMItem* driver = zItem::GetManagedItem(object->GetBone(index));
            if (!driver || (filter && !filter->IsMember(driver))) continue;
            std::unique_ptr<zMetaTag> bone(new (std::nothrow) zMetaTag("Bone"));
            bool boneComplete = bone != nullptr;
            if (boneComplete)
                boneComplete =
                    AttachTag(bone.get(), new (std::nothrow) zMetaTag("Index", static_cast<i32>(index)));
            if (boneComplete)
                boneComplete = AttachTag(bone.get(), new (std::nothrow) zMetaTag("UId", driver->GetUid()));
            if (boneComplete)
                boneComplete =
                    AttachTag(bone.get(), SerializeMatrix4(object->GetBoneMatrix(index), "BindMatrix"));
            if (!boneComplete || !AttachTag(skin.get(), bone.release()))
                GetLog() << "[!] Failed to allocate bone tag.\n";
        }
        if (!complete || !AttachTag(skins, skin.release())) GetLog() << "[!] Failed to allocate skin tag.\n";
    }
    // Written whatever the flags; a failure to make it only leaves it out.
    if (zMetaTag* constraints = new (std::nothrow) zMetaTag("Constraints")) {
        SaveConstraints(*constraints, filter);
        AttachTag(root.get(), constraints);
    }
    if (flags & SceneLoadPaths) AttachTag(root.get(), SerializeAIPathsTag(document));
    if (filter) return root.release();

    if ((flags & SceneLoadGroups) && m_groups.GetCount() > 0) {
        std::unique_ptr<zMetaTag> groups(new (std::nothrow) zMetaTag("Groups"));
        bool complete = groups != nullptr;
        for (auto* node = m_groups.GetHead(); complete && node; node = node->next) {
            const zGroup& group = *node->value;
            std::unique_ptr<zMetaTag> groupTag(new (std::nothrow) zMetaTag("Group"));
            complete = groupTag &&
                       AttachTag(groupTag.get(), new (std::nothrow) zMetaTag("Id", TextOf(group.GetName())));
            for (auto* member = group.GetItems().GetHead(); complete && member; member = member->next)
                complete =
                    AttachTag(groupTag.get(), new (std::nothrow) zMetaTag("Item", member->value->GetUid()));
            complete = complete && AttachTag(groups.get(), groupTag.release());
        }
        if (!complete || !AttachTag(root.get(), groups.release())) {
            GetLog() << "[!] Failed to allocate <Groups> root tag.\n";
            return nullptr;
        }
    }
    if (flags & SceneLoadGlobals) {
        std::unique_ptr<zMetaTag> globals(new (std::nothrow) zMetaTag("Globals"));
        bool complete = globals != nullptr;
        if (complete)
            complete = AttachTag(globals.get(), SerializeColour("BackgroundColor", backgroundColor));
        if (complete) complete = AttachTag(globals.get(), SerializeColour("AmbientColor", ambientColor));
        if (complete)
            complete =
                AttachTag(globals.get(), new (std::nothrow) zMetaTag("AmbientIntensity", ambientIntensity));
        if (complete)
            complete =
                AttachTag(globals.get(), new (std::nothrow) zMetaTag("TargetExposure", targetExposure));
        if (complete && visualisationScale != 1.0f)
            complete = AttachTag(globals.get(),
                                 new (std::nothrow) zMetaTag("VisualisationScale", visualisationScale));
        if (complete) complete = AttachTag(globals.get(), new (std::nothrow) zMetaTag("FogNear", fogNear));
        if (complete) complete = AttachTag(globals.get(), new (std::nothrow) zMetaTag("FogFar", fogFar));
        if (complete) complete = AttachTag(globals.get(), SerializeColour("FogColor", fogColor));
        if (!complete || !AttachTag(root.get(), globals.release())) {
            GetLog() << "[!] Failed to allocate <Globals> root tag.\n";
            return nullptr;
        }
    }
    if ((flags & SceneLoadPhysics) && m_physicWorld) {
        std::unique_ptr<zMetaTag> physics(new (std::nothrow) zMetaTag("Physics"));
        if (physics && AttachTag(physics.get(), new (std::nothrow) zMetaTag(
                                                    "Frequency", 1.0f / m_physicWorld->GetFixedTimeStep())))
            AttachTag(root.get(), physics.release());
    }
    if (m_currentCamera)
        AttachTag(root.get(),
                  new (std::nothrow) zMetaTag("CurrentCamera", TextOf(m_currentCamera->GetName())));
    return root.release();
}

namespace {

// One side of a constraint, as the uid of the managed item owning the
// physics item it holds; a side without an item is left out.
bool AttachConstraintSide(zMetaTag& tag, const char* name, const zPhysicItem* side) {
    const zMItem* owner = side ? side->GetOwner() : nullptr;
    return !owner || AttachTag(&tag, new (std::nothrow) zMetaTag(name, owner->GetUid()));
}

} // namespace

void zScene::SaveConstraints(zMetaTag& section, const zGroup* filter) const {
    for (auto* node = m_kindLists[ManagedKindConstraint].GetHead(); node; node = node->next) {
        auto* constraint = dynamic_cast<const zMConstraint*>(node->value);
        if (!constraint || (filter && !filter->IsMember(node->value))) continue;
        const zPhysicConstraint* physics = constraint->GetConstraint();
        std::unique_ptr<zMetaTag> tag(new (std::nothrow) zMetaTag("Constraint"));
        bool complete = tag && AttachTag(tag.get(), new (std::nothrow) zMetaTag("Uid", constraint->GetUid()));
        if (complete && physics) complete = AttachConstraintSide(*tag, "UidA", physics->GetItemA());
        if (complete && physics) complete = AttachConstraintSide(*tag, "UidB", physics->GetItemB());
        if (!complete || !AttachTag(&section, tag.release()))
            GetLog() << "[!] Failed to allocate constraint tag.\n";
    }
}

zMItem* zScene::DuplicateItem(zMItem* item) {
    if (!item) return nullptr;
    // Emitters and terrains have no row that writes them.
    const u32 kind = item->GetKind();
    const SceneItemKind* row = FindItemKindOf(kind);
    if (!row || !row->add) return nullptr;
    std::unique_ptr<zMetaTag> tag(row->serialize(item));
    if (!tag) return nullptr;
    zMItem* copy = row->add(*this);
    if (!copy) return nullptr;
    copy->SetName("_");
    // The tag carries the original's uid; the copy keeps its own.
    const i32 uid = copy->GetUid();
    const bool read = row->parse(copy, nullptr, tag.get());
    copy->SetUid(uid);
    if (!read) {
        delete copy;
        return nullptr;
    }
    // As the scene file does: an inactive copy is not updated.
    if (!copy->IsActive()) UnlinkItem(zMItem::SceneListActive, copy);
    if (kind == ManagedKindInstance) {
        copy->SetupTemplate();
        copy->Setup();
        copy->SetupScript();
    }
    return copy;
}

bool zScene::PreloadResources(const char* path) {
    GetLog() << "[H] Preloading scene '" << (path ? path : "") << "' resources...\n";
    zMetafile document;
    if (!LoadMetafileFromFile(path, document)) return false;
    const zMetaTag* items = document.GetTag("Scene:Items;");
    zLinkedListIterator iterator{};
    while (const zMetaTag* child = items ? items->GetNextChild(iterator) : nullptr) {
        if (child->GetName() != "MObject") continue;
        const zMetaTag* geometry = child->GetTypedTag("Object:Geometry;", VariantString);
        // The cache keeps the geometry; nothing here holds it.
        if (geometry && m_engine)
            m_engine->LoadGeometry(TextOf(geometry->GetValue().GetStringValue()), false, false);
    }
    return true;
}

bool zScene::SaveTerrainData() {
    bool saved = true;
    for (auto* node = m_allItems.GetHead(); node; node = node->next) {
        if (node->value->GetKind() != ManagedKindTerrain) continue;
        auto* terrain = dynamic_cast<zMTerrain*>(node->value);
        if (!terrain) continue;
        // A terrain without a blend map has none to write.
        if (zTexture* blendMap = terrain->GetBlendMap()) {
            const char* name = TextOf(blendMap->GetName());
            if (!SaveTGA(name, *blendMap)) {
                GetLog() << "[!] Failed to save blend map '" << name << "' for terrain '" << terrain->GetName()
                         << "'.\n";
                saved = false;
            }
        }
        const char* path = TextOf(terrain->GetHeightmapPath());
        if (!terrain->SaveHeightmap(path)) {
            GetLog() << "[!] Failed to save height map '" << path << "' for terrain '" << terrain->GetName()
                     << "'.\n";
            saved = false;
        }
    }
    return saved;
}
