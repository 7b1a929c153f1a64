// The Scene group: scripts load, run, draw and edit 3D scenes. Every native
// takes the scene first (kind 9) unless its row says otherwise; item handles
// hold the zMItem of the managed item, whatever kind of the item family they
// carry.
#include <cmath>
#include <memory>

#include "core/log.h"
#include "engine/engine.h"
#include "physics/physic_item.h"
#include "physics/physic_world.h"
#include "render/geometry_merge.h"
#include "render/renderer.h"
#include "scene/animation.h"
#include "scene/group.h"
#include "scene/instance.h"
#include "scene/managed_camera.h"
#include "scene/managed_object.h"
#include "scene/scene.h"
#include "script/script_api.h"
#include "script/script_args.h"
#include "script/script_kind.h"
#include "script/script_object.h"
#include "script/script_unit.h"
#include "scriptapi/script_api_groups.h"
#include "scriptapi/script_units.h"

namespace {

// Render flags of SceneRenderSetup and SceneRender.
constexpr SQInteger SceneRenderFlagClearViewport = 1;

zScene* SceneArgument(ScriptArgs& args) {
    return args.Object<zScene>(1, ScriptKindScene);
}

// A handle of the item family; any other kind raises the Item kind error.
zMItem* ItemArgument(ScriptArgs& args, int position) {
    const i32 kind = args.Kind(position);
    return args.Object<zMItem>(position, IsScriptItemKind(kind) ? kind : i32(ScriptKindItem));
}

SQInteger ReturnItem(ScriptArgs& args, zMItem* item, i32 kind = ScriptKindItem) {
    return args.ReturnObject(item, kind);
}

// The four floats of a Vector argument, "Invalid instance type" for any
// other value.
zVector VectorArgument(ScriptArgs& args, int position) {
    float values[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    if (args && !GetVectorArgument(args.Vm(), position + 1, values)) args.Error("Invalid instance type");
    return zVector(values[0], values[1], values[2], values[3]);
}

// The scene's own render target: the engine's current renderer.
zRenderer* EngineRenderer(const zScene& scene) {
    return scene.GetEngine() ? scene.GetEngine()->GetRenderer() : nullptr;
}

// A scene, or an item handle holding an instance (kind 24, item type 6).
struct SceneOrInstance {
    zScene* scene = nullptr;
    zInstance* instance = nullptr;
};

void SceneOrInstanceArgument(ScriptArgs& args, int position, SceneOrInstance& out) {
    const i32 kind = args.Kind(position);
    zMItem* item = kind == ScriptKindItem ? args.ObjectOrNull<zMItem>(position, kind) : nullptr;
    if (kind == ScriptKindScene) {
        out.scene = args.ObjectOrNull<zScene>(position, kind);
    } else if (kind != ScriptKindItem || (item && item->GetKind() != ManagedKindInstance)) {
        args.Error("Expected scene or instance");
        return;
    }
    out.instance = dynamic_cast<zInstance*>(item);
    if (!out.scene && !out.instance) args.Error("Null object");
}

// Deletion goes through the item's own scene: its queue is the one its
// lists are unlinked from when it dies.
void QueueItemDeletion(zScene& scene, zMItem* item) {
    zScene* owner = item->GetScene();
    (owner ? owner : &scene)->QueueForDeletion(item);
}

// An array of the items that pass, in the scene's list order, as kind 24.
template <typename Pass> SQInteger ReturnItemArray(ScriptArgs& args, const zScene& scene, Pass pass) {
    HSQUIRRELVM vm = args.Vm();
    sq_newarray(vm, 0);
    for (auto* node = scene.GetAllItems().GetHead(); node; node = node->next) {
        if (!pass(node->value) || !PushScriptObject(vm, node->value, ScriptKindItem, false)) continue;
        sq_arrayappend(vm, -2);
    }
    return 1;
}

SQInteger SetMotion(HSQUIRRELVM vm, bool keepOthers) {
    ScriptArgs args(vm);
    zScene* scene = SceneArgument(args);
    const char* name = args.String(2);
    const f32 blendTime = args.Number(3);
    if (!args) return args.Fail();
    std::unique_ptr<zAnimationSourceList> sources;
    scene->SetMotion(name, &sources, blendTime, keepOthers, 1.0f);
    return args.ReturnOwnedObject(sources.release(), ScriptKindAnimationSource);
}

SQInteger SceneSetMotion(HSQUIRRELVM vm) {
    return SetMotion(vm, false);
}

SQInteger SceneSetMotionAdd(HSQUIRRELVM vm) {
    return SetMotion(vm, true);
}

// The natives that pass one path to the scene and return its bool.
template <bool (*Operation)(zScene&, const char*)> SQInteger ScenePathNative(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = SceneArgument(args);
    const char* path = args.String(2);
    if (!args) return args.Fail();
    return args.Return(Operation(*scene, path));
}

bool PreloadSceneResources(zScene& scene, const char* path) {
    return scene.PreloadResources(path);
}

bool LoadSceneFile(zScene& scene, const char* path) {
    return scene.LoadFromFile(path);
}

SQInteger SceneFromFileStoreGroup(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = SceneArgument(args);
    const char* path = args.String(2);
    const SQInteger flags = args.Integer(3);
    if (!args) return args.Fail();
    zGroup* group = nullptr;
    scene->Load(path, &group, u32(flags));
    return args.ReturnObject(group, ScriptKindGroup);
}

SQInteger SceneDeleteItem(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = SceneArgument(args);
    zMItem* item = ItemArgument(args, 2);
    if (!args) return args.Fail();
    zScene* owner = item->GetScene();
    if (owner != scene) {
        GetLog() << "[*] Deleting item '" << item->GetName() << "' (uid=" << item->GetUid()
                 << ") using the wrong owner scene '" << scene->GetName() << "' (current owner is scene '"
                 << (owner ? owner->GetName() : "") << "').\n";
    }
    QueueItemDeletion(*scene, item);
    return args.None();
}

// The natives that take the scene alone and return nothing; a null scene
// raises "CObject is null".
template <void (*Operation)(zScene&)> SQInteger SceneNative(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = SceneArgument(args);
    if (!args) return args.Fail();
    Operation(*scene);
    return args.None();
}

void EndScene(zScene& scene) {
    scene.SetFlags(scene.GetFlags() | SceneEndRequested);
}

void SetSceneGlobals(zScene& scene) {
    scene.SetScriptGlobals(nullptr);
}

void SetupScene(zScene& scene) {
    scene.Setup(true, 1);
}

void UpdateScene(zScene& scene) {
    scene.Update(UpdateAll);
}

void AuditScene(zScene& scene) {
    scene.Audit();
}

void RecordSceneLocation(zScene& scene) {
    scene.RecordLocation();
}

void DeleteSceneContent(zScene& scene) {
    scene.DeleteContent(true);
}

void FlushSceneDeletionQueue(zScene& scene) {
    scene.FlushDeletionQueue();
}

void DeleteAllLights(zScene& scene) {
    for (auto* node = scene.GetKindList(ManagedKindLight).GetHead(); node; node = node->next)
        scene.QueueForDeletion(node->value);
}

void RenderSceneToQueue(zScene& scene) {
    scene.RenderToQueue(RenderClear);
}

void RenderSceneUI(zScene& scene) {
    scene.RenderUI(0);
}

void UpdateSceneProfiler(zScene& scene) {
    scene.UpdateProfiler(0.025f, 0.05f, true, nullptr);
}

void PrintSceneItemList(zScene& scene) {
    scene.PrintItemList();
}

void DebugNothing(zScene& /*scene*/) {}

void DebugScenePaths(zScene& scene) {
    scene.DebugPath(EngineRenderer(scene));
}

void DebugScene(zScene& scene) {
    scene.Debug(EngineRenderer(scene), nullptr, nullptr, SceneDebugAll);
}

SQInteger SceneGetScriptInstance(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = SceneArgument(args);
    if (!args) return args.Fail();
    auto* node = scene->GetScriptUnits().GetHead();
    if (!node) return args.Error("No script unit");
    return ReturnUnitInstance(args, *node->value);
}

SQInteger SceneGetScriptInstanceFromClass(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = SceneArgument(args);
    const char* className = args.String(2);
    if (!args) return args.Fail();
    const zScriptUnit* unit = FindUnitOfClass(*scene, className);
    if (!unit) return args.Error("Script unit not found");
    return ReturnUnitInstance(args, *unit);
}

SQInteger SceneSetScript(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = SceneArgument(args);
    const char* scriptPath = args.String(2);
    const char* className = args.String(3);
    if (!args) return args.Fail();
    auto* node = scene->GetScriptUnits().GetHead();
    zScriptUnit* unit = node ? node->value.get() : scene->NewScriptUnit();
    if (unit) {
        unit->SetScriptPath(scriptPath);
        unit->SetClassName(className);
    }
    return args.None();
}

SQInteger SceneSuspendScriptUpdate(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = SceneArgument(args);
    const SQInteger count = args.Integer(2);
    if (!args) return args.Fail();
    if (auto* node = scene->GetScriptUnits().GetHead()) {
        if (auto* unit = dynamic_cast<zSceneScriptUnit*>(node->value.get())) unit->SetDelay(i32(count));
    }
    return args.None();
}

SQInteger SceneGetName(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = SceneArgument(args);
    if (!args) return args.Fail();
    return args.Return(scene->GetName());
}

SQInteger SceneReset(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = args.ObjectOrNull<zScene>(1, ScriptKindScene);
    if (!args) return args.Fail();
    if (scene) scene->Reset();
    return args.None();
}

SQInteger SceneSetItemDeletionDelay(HSQUIRRELVM /*vm*/) {
    GetLog() << "[|] SceneSetItemDeletionDelay() is deprecated, please use SceneEnableItemDeletionQueue() "
                "instead.\n";
    return 0;
}

SQInteger SceneEnableItemDeletionQueue(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = SceneArgument(args);
    const bool enabled = args.Bool(2);
    if (!args) return args.Fail();
    scene->SetManualDeletion(enabled);
    return args.None();
}

SQInteger SceneGetCurrentCamera(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = SceneArgument(args);
    if (!args) return args.Fail();
    return ReturnItem(args, scene->GetCurrentCamera(), ScriptKindCamera);
}

SQInteger SceneSetCurrentCamera(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = SceneArgument(args);
    zMItem* camera = args.Object<zMItem>(2, ScriptKindCamera);
    if (!args) return args.Fail();
    scene->SetCurrentCamera(dynamic_cast<zMCamera*>(camera));
    return args.None();
}

// A new item, set up and reset, as a handle of the kind (a null handle when
// the scene could not make it).
template <typename Add> SQInteger AddItemNative(HSQUIRRELVM vm, i32 kind, Add add) {
    ScriptArgs args(vm);
    zScene* scene = SceneArgument(args);
    const char* name = args.String(2);
    if (!args) return args.Fail();
    zMItem* item = add(*scene, name);
    if (item) {
        item->Setup();
        item->Reset();
    }
    return ReturnItem(args, item, kind);
}

SQInteger SceneAddCamera(HSQUIRRELVM vm) {
    return AddItemNative(vm, ScriptKindCamera,
                         [](zScene& scene, const char* name) -> zMItem* { return scene.AddCamera(name); });
}

SQInteger SceneAddLight(HSQUIRRELVM vm) {
    return AddItemNative(vm, ScriptKindLight, [](zScene& scene, const char* name) -> zMItem* {
        return scene.AddLight(name, 1, 0.5f);
    });
}

SQInteger SceneAddObject(HSQUIRRELVM vm) {
    return AddItemNative(vm, ScriptKindObject, [](zScene& scene, const char* name) -> zMItem* {
        return scene.AddObject(name, nullptr);
    });
}

SQInteger SceneDeleteLight(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = SceneArgument(args);
    const char* name = args.String(2);
    if (!args) return args.Fail();
    // A name no light has queues nothing.
    if (zMItem* light = scene->FindByName(ManagedKindLight, name)) scene->QueueForDeletion(light);
    return args.None();
}

SQInteger SceneDeleteObject(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = SceneArgument(args);
    zMItem* object = args.Object<zMItem>(2, ScriptKindObject);
    if (!args) return args.Fail();
    QueueItemDeletion(*scene, object);
    return args.None();
}

// The geometry to merge of an object: its own when it holds a mesh, else a
// fresh copy of its file (bypassing the cache, so the shared one stays as it
// is) held in reload. Null when the copy has no mesh either.
zGeometry* MergeSource(zEngine& engine, zGeometry* geometry, zSharedPtr<zGeometry>& reload) {
    if (geometry->GetVertexCount() && geometry->GetPolygonCount()) return geometry;
    reload = zSharedPtr<zGeometry>(engine.LoadGeometry(geometry->GetName().CStr(), false, true));
    if (!reload || !reload->GetVertexCount() || !reload->GetPolygonCount()) return nullptr;
    return reload.Get();
}

// The collision shapes of source, moved into the world, appended to target.
// Primitives keep their dimensions and meshes their geometry file; other
// types only the matrix.
void CopyShapesInWorld(zMItem& source, const zMatrix4& world, zPhysicItem& target) {
    const zPhysicItem* from = source.GetPhysicItem();
    if (!from) return;
    for (auto* node = from->GetShapes().GetHead(); node; node = node->next) {
        const zPhysicShape* shape = node->value.get();
        zPhysicShape* copy = target.AddCollisionShape();
        if (!copy) return;
        copy->SetMatrix(zMatrix4::Multiply(world, shape->GetMatrix()));
        switch (shape->type) {
        case PhysicShapeBox:
        case PhysicShapeSphere:
        case PhysicShapeCone:
        case PhysicShapeCapsule:
            copy->SetPrimitive(shape->type, shape->dimensions);
            break;
        case PhysicShapeConvex:
        case PhysicShapeMesh:
            copy->SetMesh(shape->type, shape->geometryName.CStr());
            break;
        default:
            break;
        }
    }
}

// A new object "merged" holding both geometries in world space and both
// items' collision shapes; the two items stay as they are. A merge the
// geometry side refuses (logged there) gives a null handle.
SQInteger SceneMergeItems(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = SceneArgument(args);
    zMItem* a = ItemArgument(args, 2);
    zMItem* b = ItemArgument(args, 3);
    if (!args) return args.Fail();
    if (a->GetKind() != ManagedKindObject || b->GetKind() != ManagedKindObject)
        return args.Error("Only objects can be merged.");
    auto* objectA = dynamic_cast<zMObject*>(a);
    auto* objectB = dynamic_cast<zMObject*>(b);
    if (!objectA || !objectB || !objectA->GetGeometry() || !objectB->GetGeometry())
        return args.Error("Only objects with a geometry can be merged.");
    zEngine* engine = scene->GetEngine();
    if (!engine) return args.Error("Failed to load geometry to merge.");
    zSharedPtr<zGeometry> reloadA, reloadB;
    zGeometry* geometryA = MergeSource(*engine, objectA->GetGeometry(), reloadA);
    zGeometry* geometryB = MergeSource(*engine, objectB->GetGeometry(), reloadB);
    if (!geometryA || !geometryB) return args.Error("Failed to load geometry to merge.");

    const zMatrix4 worldA = *objectA->GetWorldMatrix();
    const zMatrix4 worldB = *objectB->GetWorldMatrix();
    zSharedPtr<zGeometry> merged = MergeItemGeometries(geometryA, geometryB, &worldA, &worldB);
    if (!merged) return ReturnItem(args, nullptr);
    merged->SetName("merged");
    merged->Setup();
    zMObject* object = scene->AddObject("merged", merged.Get());
    if (!object) return ReturnItem(args, nullptr);
    if (zPhysicItem* physic = object->GetPhysicItem()) {
        CopyShapesInWorld(*a, worldA, *physic);
        CopyShapesInWorld(*b, worldB, *physic);
        physic->UpdateInertiaTensorFromCollision();
    }
    return ReturnItem(args, object);
}

// Getters and setters of one float of the scene.
template <f32 zScene::*Field> SQInteger SceneGetFloat(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = SceneArgument(args);
    if (!args) return args.Fail();
    return args.Return(SQFloat(scene->*Field));
}

template <f32 zScene::*Field> SQInteger SceneSetFloat(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = SceneArgument(args);
    const SQFloat value = args.Number(2);
    if (!args) return args.Fail();
    scene->*Field = value;
    return args.None();
}

// Colours of four floats.
template <f32 (zScene::*Color)[4]> SQInteger SceneGetColor(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = SceneArgument(args);
    if (!args) return args.Fail();
    const f32* color = scene->*Color;
    return args.ReturnVector(zVector(color[0], color[1], color[2], color[3]));
}

void CopyColor(f32 (&target)[4], const zVector& color) {
    target[0] = color.x;
    target[1] = color.y;
    target[2] = color.z;
    target[3] = color.w;
}

template <f32 (zScene::*Color)[4]> SQInteger SceneSetColor(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = SceneArgument(args);
    const zVector color = args.Vector(2);
    if (!args) return args.Fail();
    CopyColor(scene->*Color, color);
    return args.None();
}

SQInteger SceneGetFogColor(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = SceneArgument(args);
    if (!args) return args.Fail();
    const f32* color = scene->fogColor;
    return PushVectorValue(vm, color[0], color[1], color[2], color[3]) ? 1 : args.Fail();
}

SQInteger SceneSetFog(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = SceneArgument(args);
    const bool enabled = args.Bool(2);
    const zVector color = args.Vector(3);
    const f32 fogNear = args.Number(4);
    const f32 fogFar = args.Number(5);
    if (!args) return args.Fail();
    CopyColor(scene->fogColor, color);
    scene->fogNear = enabled ? fogNear : 0.0f;
    scene->fogFar = enabled ? fogFar : 0.0f;
    return args.None();
}

SQInteger SceneSetRenderless(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = SceneArgument(args);
    const bool renderless = args.Bool(2);
    if (!args) return args.Fail();
    const u32 flags = scene->GetFlags();
    scene->SetFlags(renderless ? (flags | SceneRenderless) : (flags & ~u32(SceneRenderless)));
    return args.None();
}

SQInteger SceneRegisterAsPropertyCallback(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = SceneArgument(args);
    auto* renderer = args.Object<zRenderer>(2, ScriptKindRenderer);
    if (!args) return args.Fail();
    scene->RegisterAsPropertyCallback(renderer);
    return args.None();
}

SQInteger SceneRenderSetup(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = SceneArgument(args);
    const SQInteger flags = args.Integer(2);
    if (!args) return args.Fail();
    scene->RenderSetup(u32(flags));
    return args.None();
}

SQInteger SceneRender(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = SceneArgument(args);
    const u32 flags = u32(args.Integer(2));
    if (!args) return args.Fail();
    zRenderer* renderer = EngineRenderer(*scene);
    scene->RegisterAsPropertyCallback(renderer);
    scene->RenderSetup(flags);
    scene->RenderToQueue(flags);
    if (renderer) renderer->RenderQueue();
    scene->RenderUI(0);
    return args.None();
}

SQInteger SceneCreateProfiler(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = args.ObjectOrNull<zScene>(1, ScriptKindScene);
    const char* fontPath = args.String(2);
    const char* fontName = args.String(3);
    if (!args) return args.Fail();
    if (scene) scene->CreateProfiler(fontPath, fontName);
    return args.None();
}

SQInteger SceneGetItemList(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = SceneArgument(args);
    if (!args) return args.Fail();
    return ReturnItemArray(args, *scene, [](const zMItem*) { return true; });
}

SQInteger SceneGetItemChildrenList(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = SceneArgument(args);
    zMItem* parent = ItemArgument(args, 2);
    if (!args) return args.Fail();
    return ReturnItemArray(args, *scene,
                           [parent](const zMItem* item) { return item->GetParentItem() == parent; });
}

SQInteger SceneFindItem(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    SceneOrInstance target;
    SceneOrInstanceArgument(args, 1, target);
    const char* name = args.String(2);
    if (!args) return args.Fail();
    zGroup* group = target.instance ? target.instance->GetGroup() : nullptr;
    zMItem* item = target.scene ? target.scene->FindItem(name, nullptr)
                   : group      ? group->FindItem(name)
                                : nullptr;
    return ReturnItem(args, item);
}

SQInteger SceneFindItemChild(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    SceneOrInstance target;
    SceneOrInstanceArgument(args, 1, target);
    zMItem* parent = ItemArgument(args, 2);
    const char* name = args.String(3);
    if (!args) return args.Fail();
    zMItem* item = target.scene ? target.scene->FindItem(name, parent->GetItem()) : nullptr;
    return ReturnItem(args, item);
}

SQInteger SceneDuplicateItem(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = SceneArgument(args);
    zMItem* item = ItemArgument(args, 2);
    if (!args) return args.Fail();
    return ReturnItem(args, scene->DuplicateItem(item));
}

SQInteger SceneDeleteGroup(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = args.ObjectOrNull<zScene>(1, ScriptKindScene);
    auto* group = args.ObjectOrNull<zGroup>(2, ScriptKindGroup);
    if (!args) return args.Fail();
    if (scene && group) scene->DeleteGroup(group);
    return args.None();
}

SQInteger SceneFindGroup(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    SceneOrInstance target;
    SceneOrInstanceArgument(args, 1, target);
    const char* name = args.String(2);
    if (!args) return args.Fail();
    zGroup* instanceGroup = target.instance ? target.instance->GetGroup() : nullptr;
    zGroup* group = target.scene    ? target.scene->FindGroup(name)
                    : instanceGroup ? instanceGroup->FindGroup(name)
                                    : nullptr;
    return args.ReturnObject(group, ScriptKindGroup);
}

SQInteger ScenePhysicAllocateCollisionNode(HSQUIRRELVM /*vm*/) {
    GetLog() << "ScenePhysicAllocateCollisionNode is obsolete.\n";
    return 0;
}

SQInteger SceneSetPhysicFrequency(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = SceneArgument(args);
    const f32 hertz = args.Number(2);
    if (!args) return args.Fail();
    // A frequency that gives no finite positive step is refused by the world.
    if (zPhysicWorld* world = scene->GetPhysicWorld()) world->SetFixedTimeStep(1.0f / hertz);
    return args.None();
}

SQInteger SceneGetPhysicFrequency(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = SceneArgument(args);
    if (!args) return args.Fail();
    zPhysicWorld* world = scene->GetPhysicWorld();
    return args.Return(SQFloat(world ? 1.0f / world->GetFixedTimeStep() : 0.0f));
}

SQInteger SceneSetGravity(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = SceneArgument(args);
    const zVector gravity = VectorArgument(args, 2);
    if (!args) return args.Fail();
    if (zPhysicWorld* world = scene->GetPhysicWorld())
        world->SetGravity(zVector(gravity.x, gravity.y, gravity.z, 1.0f));
    return args.None();
}

SQInteger SceneFindConstraint(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    return args.ReturnObject(nullptr, ScriptKindPhysicConstraint);
}

// One slot of the table on top of the stack, its value pushed by push.
template <typename Push> void SetTableSlot(HSQUIRRELVM vm, const char* key, Push push) {
    sq_pushstring(vm, key, -1);
    if (push()) {
        sq_newslot(vm, -3, SQFalse);
    } else {
        sq_pop(vm, 1);
    }
}

SQInteger SceneCollisionRaytrace(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = SceneArgument(args);
    zVector from = VectorArgument(args, 2);
    zVector to = VectorArgument(args, 3);
    const SQInteger group = args.Integer(4);
    const SQInteger extra = args.Integer(5);
    const f32 distance = args.Number(6);
    if (!args) return args.Fail();
    from.w = to.w = 1.0f;
    zPhysicWorld* world = scene->GetPhysicWorld();
    if (!world) return args.None();
    zPhysicRayResult result;
    const bool hit = world->Raytrace(from, to, result, u32(group), u32(extra), distance);
    sq_newtable(vm);
    SetTableSlot(vm, "hit", [&] {
        sq_pushbool(vm, hit ? SQTrue : SQFalse);
        return true;
    });
    if (!hit) return 1;
    // The world's ray test reports no shape or material: their handles hold none.
    SetTableSlot(vm, "shape", [&] { return PushScriptObject(vm, nullptr, ScriptKindCollisionShape, false); });
    zMItem* item = result.item ? result.item->GetOwner() : nullptr;
    SetTableSlot(vm, "item", [&] { return PushScriptObject(vm, item, ScriptKindItem, false); });
    SetTableSlot(vm, "material", [&] { return PushScriptObject(vm, nullptr, ScriptKindMaterial, false); });
    const zVector& p = result.position;
    const zVector& n = result.normal;
    SetTableSlot(vm, "p", [&] { return PushVector(vm, p.x, p.y, p.z, p.w); });
    SetTableSlot(vm, "n", [&] { return PushVector(vm, n.x, n.y, n.z, n.w); });
    const f32 dx = p.x - from.x, dy = p.y - from.y, dz = p.z - from.z;
    SetTableSlot(vm, "d", [&] {
        sq_pushfloat(vm, std::sqrt(dx * dx + dy * dy + dz * dz));
        return true;
    });
    return 1;
}

SQInteger SceneRaytraceTriggerList(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = args.ObjectOrNull<zScene>(1, ScriptKindScene);
    const zVector from = args.Vector(2);
    const zVector to = args.Vector(3);
    const f32 length = args.Number(4);
    if (!args) return args.Fail();
    return ReturnItem(args, scene ? scene->RaytraceTriggerList(from, to, length, nullptr) : nullptr);
}

const ScriptNative g_sceneNatives[] = {
    {"SceneSetMotion", ".xsn", SceneSetMotion},
    {"SceneSetMotionAdd", ".xsn", SceneSetMotionAdd},
    {"ScenePreloadResources", ".xs", ScenePathNative<PreloadSceneResources>},
    {"SceneFromFile", ".xs", ScenePathNative<LoadSceneFile>},
    {"SceneFromZML", ".xs", ScenePathNative<LoadSceneFile>},
    {"SceneFromFileStoreGroup", ".xsi", SceneFromFileStoreGroup},
    {"SceneFromZMLStoreGroup", ".xsi", SceneFromFileStoreGroup},
    {"SceneDeleteItem", ".xx", SceneDeleteItem},
    {"SceneEnd", ".x", SceneNative<EndScene>},
    {"SceneSetGlobal", ".x", SceneNative<SetSceneGlobals>},
    {"SceneGetScriptInstance", ".x", SceneGetScriptInstance},
    {"SceneGetScriptInstanceFromClass", ".xs", SceneGetScriptInstanceFromClass},
    {"SceneSetScript", ".xss", SceneSetScript},
    {"SceneSuspendScriptUpdate", ".xn", SceneSuspendScriptUpdate},
    {"SceneGetName", ".x", SceneGetName},
    {"SceneGetPath", ".x", SceneGetName},
    {"SceneSetup", ".x", SceneNative<SetupScene>},
    {"SceneReset", ".x", SceneReset},
    {"SceneUpdate", ".x", SceneNative<UpdateScene>},
    {"SceneAudit", ".x", SceneNative<AuditScene>},
    {"SceneRecordLocation", ".x", SceneNative<RecordSceneLocation>},
    {"SceneSetItemDeletionDelay", ".xn", SceneSetItemDeletionDelay},
    {"SceneEnableItemDeletionQueue", ".xb", SceneEnableItemDeletionQueue},
    {"SceneDeleteContent", ".x", SceneNative<DeleteSceneContent>},
    {"SceneFlushDeletionQueue", ".x", SceneNative<FlushSceneDeletionQueue>},
    {"SceneGetCurrentCamera", ".x", SceneGetCurrentCamera},
    {"SceneSetCurrentCamera", ".xx", SceneSetCurrentCamera},
    {"SceneAddCamera", ".xs", SceneAddCamera},
    {"SceneAddLight", ".xs", SceneAddLight},
    {"SceneDeleteLight", ".xs", SceneDeleteLight},
    {"SceneDeleteAllLights", ".x", SceneNative<DeleteAllLights>},
    {"SceneAddObject", ".xs", SceneAddObject},
    {"SceneDeleteObject", ".xx", SceneDeleteObject},
    {"SceneMergeItems", ".xxx", SceneMergeItems},
    {"SceneGetAmbientIntensity", ".x", SceneGetFloat<&zScene::ambientIntensity>},
    {"SceneSetAmbientIntensity", ".xn", SceneSetFloat<&zScene::ambientIntensity>},
    {"SceneGetAmbientColor", ".x", SceneGetColor<&zScene::ambientColor>},
    {"SceneSetAmbientColor", ".xx", SceneSetColor<&zScene::ambientColor>},
    {"SceneGetBackgroundColor", ".x", SceneGetColor<&zScene::backgroundColor>},
    {"SceneSetBackgroundColor", ".xx", SceneSetColor<&zScene::backgroundColor>},
    {"SceneGetFogColor", ".x", SceneGetFogColor},
    {"SceneGetFogNear", ".x", SceneGetFloat<&zScene::fogNear>},
    {"SceneGetFogFar", ".x", SceneGetFloat<&zScene::fogFar>},
    {"SceneSetFog", ".xbxnn", SceneSetFog},
    {"SceneSetRenderless", ".xb", SceneSetRenderless},
    {"SceneRegisterAsPropertyCallback", ".xx", SceneRegisterAsPropertyCallback},
    {"SceneRenderSetup", ".xi", SceneRenderSetup},
    {"SceneRender", ".xi", SceneRender},
    {"SceneRenderToQueue", ".x", SceneNative<RenderSceneToQueue>},
    {"SceneRenderUI", ".x", SceneNative<RenderSceneUI>},
    {"SceneCreateProfiler", ".xss", SceneCreateProfiler},
    {"SceneUpdateProfiler", ".x", SceneNative<UpdateSceneProfiler>},
    {"ScenePrintItemList", ".x", SceneNative<PrintSceneItemList>},
    {"SceneDebugCollisionSystem", ".x", SceneNative<DebugNothing>},
    {"SceneDebugPhysicSystem", ".x", SceneNative<DebugNothing>},
    {"SceneDebugPath", ".x", SceneNative<DebugScenePaths>},
    {"SceneDebug", ".x", SceneNative<DebugScene>},
    {"SceneGetItemList", ".x", SceneGetItemList},
    {"SceneGetItemChildrenList", ".xx", SceneGetItemChildrenList},
    {"SceneFindItem", ".xs", SceneFindItem},
    {"SceneFindItemChild", ".xxs", SceneFindItemChild},
    {"SceneDuplicateItem", ".xx", SceneDuplicateItem},
    {"SceneDeleteGroup", ".xx", SceneDeleteGroup},
    {"SceneFindGroup", ".xs", SceneFindGroup},
    {"ScenePhysicAllocateCollisionNode", ".xii", ScenePhysicAllocateCollisionNode},
    {"ScenePhysicEnableDeactivation", ".xb", ScriptDoNothing},
    {"SceneSetPhysicContactSolverIteration", ".xi", ScriptDoNothing},
    {"SceneSetPhysicConstraintSolverIteration", ".xi", ScriptDoNothing},
    {"SceneSetPhysicFrequency", ".xn", SceneSetPhysicFrequency},
    {"SceneGetPhysicFrequency", ".x", SceneGetPhysicFrequency},
    {"SceneSetGravity", ".xx", SceneSetGravity},
    {"SceneFindConstraint", ".xs", SceneFindConstraint},
    {"SceneCollisionRaytrace", ".xxxiin", SceneCollisionRaytrace},
    {"SceneRaytraceTriggerList", ".xxxn", SceneRaytraceTriggerList},
};

// The load flags, once under each of their two names.
#define ZE_SCENE_LOAD_FLAGS(prefix)                                                                          \
    {prefix "Camera", 1}, {prefix "Light", 2}, {prefix "Object", 4}, {prefix "Trigger", 8},                  \
        {prefix "Group", 32}, {prefix "Motion", 64}, {prefix "Settings", 128}, {prefix "Globals", 256},      \
        {prefix "Collision", 512}, {prefix "Physic", 1024}, {prefix "Path", 2048}, {                         \
        prefix "All", -1                                                                                     \
    }

const ScriptIntConstant g_sceneConstants[] = {
    {"SceneRenderFlagNone", 0},          {"SceneRenderFlagClearViewport", SceneRenderFlagClearViewport},
    {"SceneRenderFlagDisableScript", 2}, {"SceneRenderFlagDefault", SceneRenderFlagClearViewport},
    ZE_SCENE_LOAD_FLAGS("FlagLoad"),     ZE_SCENE_LOAD_FLAGS("ImportFlag"),
};

#undef ZE_SCENE_LOAD_FLAGS

} // namespace

bool RegisterSceneScriptApi(HSQUIRRELVM vm) {
    // The source lists SceneSetMotion hands out die with their handle.
    SetScriptObjectDestroyer(ScriptKindAnimationSource,
                             [](void* sources) { delete static_cast<zAnimationSourceList*>(sources); });
    const bool natives = RegisterScriptNatives(vm, g_sceneNatives);
    const bool constants = RegisterScriptConstants(vm, g_sceneConstants);
    return RegisterScriptNullHandle(vm, "NullItem", ScriptKindItem) && natives && constants;
}
