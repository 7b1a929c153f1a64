// The CObject methods that reach scenes, items, physics, the 2D scene and the
// engine, added to the class the VM's open made (which holds the first six).
//
// A method finds its handle at stack index 1 and its arguments from 2 on (the
// reader's positions 1, 2, ...). It checks the handle's kind against the kinds
// it serves and the pointer against null, with its own words, reads its
// arguments, acts and pushes its result. Item handles (kinds 24 to 27 and 31)
// hold the managed item; the item's node carries its transformation.
#include <new>
#include <type_traits>

#include "core/zstring.h"
#include "engine/engine.h"
#include "physics/physic_item.h"
#include "physics/physic_world.h"
#include "render/geometry.h"
#include "scene/group.h"
#include "scene/instance.h"
#include "scene/item.h"
#include "scene/managed_camera.h"
#include "scene/managed_item.h"
#include "scene/managed_object.h"
#include "scene/scene.h"
#include "script/script_args.h"
#include "script/script_class.h"
#include "script/script_kind.h"
#include "script/script_object.h"
#include "script/value_classes.h"
#include "scriptapi/script_api_groups.h"
#include "ui/scene2d.h"

namespace {

bool IsItemKind(i32 kind) {
    return kind == ScriptKindItem || kind == ScriptKindCamera || kind == ScriptKindObject ||
           kind == ScriptKindLight || kind == ScriptKindTrigger;
}

// One method call. The constructor reads this ("Invalid instance type",
// "Internal failure"); each accessor gives the engine object when this holds
// the kinds it serves, else raises the kind word given or its own, and for a
// handle holding nothing its null word. As with the reader, only the first
// error is raised and every later read gives a default.
class CObjectMethod : public ScriptArgs {
  public:
    explicit CObjectMethod(HSQUIRRELVM vm) : ScriptArgs(vm), m_self(GetScriptObjectRecord(vm, 1)) {
        if (!m_self) Raised();
    }

    // -1 when this is no handle.
    i32 Kind() const { return m_self ? m_self->kind : -1; }
    bool HoldsItem() const { return IsItemKind(Kind()); }

    zMItem* Item(const char* kindText = "Object is not an item") {
        return static_cast<zMItem*>(Expect(HoldsItem(), kindText, "Item is null"));
    }
    // The item's node, where its transformation lives.
    zItem* Node(const char* kindText = "Object is not an item") {
        zMItem* item = Item(kindText);
        if (item && !item->GetItem()) Error("Item is null");
        return item ? item->GetItem() : nullptr;
    }
    // The item's physics component.
    zPhysicItem* Physics() {
        zMItem* item = Item();
        if (item && !item->GetPhysicItem()) Error("Item has no physics component.");
        return item ? item->GetPhysicItem() : nullptr;
    }
    zScene* Scene(const char* kindText = "Object is not a scene") {
        return static_cast<zScene*>(Expect(Kind() == ScriptKindScene, kindText, "Scene is null"));
    }
    zScene2D* Scene2D(const char* kindText = "Object is not a scene 2d") {
        return static_cast<zScene2D*>(Expect(Kind() == ScriptKindWindowSystem, kindText, "Scene 2d is null"));
    }
    zGroup* Group() {
        return static_cast<zGroup*>(
            Expect(Kind() == ScriptKindGroup, "Object is not a group", "Object is null"));
    }
    zPhysicShape* Shape() {
        return static_cast<zPhysicShape*>(
            Expect(Kind() == ScriptKindCollisionShape, "Invalid type", "Object is null"));
    }
    zEngine* Engine() {
        return static_cast<zEngine*>(Expect(Kind() == ScriptKindEngine, "Invalid type", "Object is null"));
    }

    // The four floats of the Vector argument; "Invalid instance type" for
    // anything else.
    zVector VectorArgument(int position) {
        float values[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        if (*this && !GetScriptValueBlock(Vm(), position + 1, g_VectorClass, values, 4))
            Error("Invalid instance type");
        return zVector(values[0], values[1], values[2], values[3]);
    }
    // The record of the CObject argument ("Invalid instance type", "Internal
    // failure").
    zCObject* HandleArgument(int position) {
        if (!*this) return nullptr;
        zCObject* record = GetScriptObjectRecord(Vm(), position + 1);
        if (!record) Raised();
        return record;
    }
    // An item of the argument handle; "Object is not an item", and "Item is
    // null" for a handle holding nothing.
    zMItem* ItemArgument(int position) {
        zCObject* record = HandleArgument(position);
        if (!record) return nullptr;
        if (!IsItemKind(record->kind))
            Error("Object is not an item");
        else if (!record->object)
            Error("Item is null");
        return *this ? static_cast<zMItem*>(record->object) : nullptr;
    }

    // One argument of a property's type; one result of it.
    void Read(int position, bool& out) { out = Bool(position); }
    void Read(int position, f32& out) { out = Number(position); }
    void Read(int position, u32& out) { out = u32(Integer(position)); }
    void Read(int position, zVector& out) { out = VectorArgument(position); }
    SQInteger Result(bool value) { return Return(value); }
    SQInteger Result(u32 value) { return Return(value); }
    SQInteger Result(f32 value) { return Return(value); }
    SQInteger Result(const zVector& value) { return ReturnVector(value); }

    SQInteger ReturnItem(zMItem* item, i32 kind) { return ReturnObject(item, kind); }
    SQInteger ReturnMatrix(const zMatrix4& matrix) {
        return PushMatrix4Instance(Vm(), matrix) ? 1 : Error("Failed to create Matrix4 instance.");
    }

  private:
    void* Expect(bool kindMatches, const char* kindText, const char* nullText) {
        if (!*this) return nullptr;
        if (!kindMatches) {
            Error(kindText);
            return nullptr;
        }
        if (!m_self->object) Error(nullText);
        return m_self->object;
    }

    zCObject* m_self;
};

// Properties: this through Of, then the getter's value, or the one argument
// handed to the setter.
template <typename Target> using Access = Target* (*)(CObjectMethod&);
zPhysicItem* PhysicsOf(CObjectMethod& m) {
    return m.Physics();
}
zScene2D* Scene2DOf(CObjectMethod& m) {
    return m.Scene2D();
}

template <typename Target, Access<Target> Of, typename Value, Value (Target::*Get)() const>
SQInteger GetProperty(HSQUIRRELVM vm) {
    CObjectMethod m(vm);
    Target* target = Of(m);
    return m ? m.Result((target->*Get)()) : m.Fail();
}

template <typename Target, Access<Target> Of, typename Value, void (Target::*Set)(Value)>
SQInteger SetProperty(HSQUIRRELVM vm) {
    CObjectMethod m(vm);
    Target* target = Of(m);
    std::decay_t<Value> value{};
    m.Read(1, value);
    if (!m) return m.Fail();
    (target->*Set)(value);
    return m.None();
}

// ---------------------------------------------------------------- command lists

SQInteger IsCommandListDone(HSQUIRRELVM vm) {
    CObjectMethod m(vm);
    const char* kindText = "Object cannot execute command lists";
    zACEUnit* unit = nullptr;
    if (m.Kind() == ScriptKindWindowSystem)
        unit = m.Scene2D(kindText);
    else
        unit = m.Item(kindText);
    if (!m) return m.Fail();
    return m.Return(unit->GetCursor() == nullptr);
}

SQInteger SetCommandList(HSQUIRRELVM vm) {
    CObjectMethod m(vm);
    const char* kindText = "Object cannot execute command lists";
    zACEManager* manager = nullptr;
    zACEUnit* unit = nullptr;
    if (m.Kind() == ScriptKindWindowSystem) {
        zScene2D* scene2D = m.Scene2D(kindText);
        manager = scene2D;
        unit = scene2D;
    } else if (zMItem* item = m.Item(kindText)) {
        manager = item->GetScene();
        unit = item;
    }
    const char* text = m.String(1);
    if (!m) return m.Fail();
    if (!manager) return m.Error("Item has no scene");
    return m.Return(SQInteger(manager->LoadCommandList(text, *unit)));
}

// ---------------------------------------------------------------- names and transformations

SQInteger Name(HSQUIRRELVM vm) {
    CObjectMethod m(vm);
    const char* kindText = "Object has no name";
    if (m.Kind() == ScriptKindScene) {
        zScene* scene = m.Scene(kindText);
        return m ? m.Return(scene->GetName()) : m.Fail();
    }
    zMItem* item = m.Item(kindText);
    return m ? m.Return(item->GetName()) : m.Fail();
}

SQInteger SetName(HSQUIRRELVM vm) {
    CObjectMethod m(vm);
    zMItem* item = m.Item("Cannot set object name");
    const char* name = m.String(1);
    if (!m) return m.Fail();
    item->SetName(name);
    return m.None();
}

SQInteger Load(HSQUIRRELVM vm) {
    CObjectMethod m(vm);
    zScene* scene = m.Scene("Object cannot be loaded");
    const char* path = m.String(1);
    // The load flags; only an integer counts.
    u32 flags = m.Type(2) == OT_INTEGER ? u32(m.Integer(2)) : SceneLoadAll;
    if (!m) return m.Fail();
    zGroup* group = nullptr;
    scene->Load(path, &group, flags);
    return m.ReturnObject(group, ScriptKindGroup);
}

// setPosition / setRotation: the item's setter, or the shape's field.
template <void (zItem::*SetItem)(const zVector&), zVector zPhysicShape::*ShapeField>
SQInteger SetPlacement(HSQUIRRELVM vm, const char* kindText) {
    CObjectMethod m(vm);
    if (m.Kind() == ScriptKindCollisionShape) {
        zPhysicShape* shape = m.Shape();
        zVector value = m.VectorArgument(1);
        if (!m) return m.Fail();
        shape->*ShapeField = value;
        return m.None();
    }
    zItem* node = m.Node(kindText);
    zVector value = m.VectorArgument(1);
    if (!m) return m.Fail();
    (node->*SetItem)(value);
    return m.None();
}

template <const zVector* (zItem::*GetOfItem)() const, zVector zPhysicShape::*ShapeField>
SQInteger GetPlacement(HSQUIRRELVM vm, const char* kindText) {
    CObjectMethod m(vm);
    if (m.Kind() == ScriptKindCollisionShape) {
        zPhysicShape* shape = m.Shape();
        return m ? m.ReturnVector(shape->*ShapeField) : m.Fail();
    }
    zItem* node = m.Node(kindText);
    return m ? m.ReturnVector(*(node->*GetOfItem)()) : m.Fail();
}

SQInteger SetPosition(HSQUIRRELVM vm) {
    return SetPlacement<&zItem::SetPosition, &zPhysicShape::position>(vm, "Object has no position");
}
SQInteger Position(HSQUIRRELVM vm) {
    return GetPlacement<&zItem::GetPosition, &zPhysicShape::position>(vm, "Object has no position");
}
SQInteger SetRotation(HSQUIRRELVM vm) {
    return SetPlacement<&zItem::SetRotation, &zPhysicShape::rotation>(vm, "Object has no rotation");
}
SQInteger Rotation(HSQUIRRELVM vm) {
    return GetPlacement<&zItem::GetRotation, &zPhysicShape::rotation>(vm, "Object has no rotation");
}

SQInteger OwnerScene(HSQUIRRELVM vm) {
    CObjectMethod m(vm);
    zMItem* item = m.Item();
    return m ? m.ReturnObject(item->GetScene(), ScriptKindScene) : m.Fail();
}

SQInteger SetNoTarget(HSQUIRRELVM vm) {
    CObjectMethod m(vm);
    zItem* node = m.Node();
    if (!m) return m.Fail();
    node->SetTarget(nullptr);
    return m.None();
}

SQInteger SetParent(HSQUIRRELVM vm) {
    CObjectMethod m(vm);
    zItem* node = m.Node();
    zCObject* other = m.HandleArgument(1);
    zMItem* parent = other && other->object ? m.ItemArgument(1) : nullptr;
    if (!m) return m.Fail();
    node->SetParent(parent ? parent->GetItem() : nullptr);
    return m.None();
}

SQInteger Matrix(HSQUIRRELVM vm) {
    CObjectMethod m(vm);
    zItem* node = m.Node();
    return m ? m.ReturnMatrix(*node->GetWorldMatrix()) : m.Fail();
}

SQInteger WorldPosition(HSQUIRRELVM vm) {
    CObjectMethod m(vm);
    zItem* node = m.Node();
    return m ? m.ReturnVector(node->GetWorldMatrix()->GetRow(3, true)) : m.Fail();
}

// ---------------------------------------------------------------- scenes

SQInteger UserInterface(HSQUIRRELVM vm) {
    CObjectMethod m(vm);
    zScene* scene = m.Scene();
    if (!m) return m.Fail();
    zSceneUserInterface* ui = scene->GetUserInterface();
    return m.ReturnObject(ui ? ui->GetScene2D() : nullptr, ScriptKindWindowSystem);
}

SQInteger CurrentCamera(HSQUIRRELVM vm) {
    CObjectMethod m(vm);
    zScene* scene = m.Scene();
    return m ? m.ReturnItem(scene->GetCurrentCamera(), ScriptKindCamera) : m.Fail();
}

// Any handle of the item family is taken, as long as the item it holds is a
// camera of this scene: the scene draws through it and forgets it only when
// one of its own items goes.
SQInteger SetCurrentCamera(HSQUIRRELVM vm) {
    CObjectMethod m(vm);
    zScene* scene = m.Scene();
    zMItem* item = m.ItemArgument(1);
    if (!m) return m.Fail();
    if (item->GetKind() != ManagedKindCamera) return m.Error("Item is not a camera");
    if (item->GetScene() != scene) return m.Error("Camera is not in this scene");
    scene->SetCurrentCamera(static_cast<zMCamera*>(item));
    return m.None();
}

// The group an instance item holds; null for any other item.
zGroup* InstancedGroup(zMItem* item) {
    if (!item || item->GetKind() != ManagedKindInstance) return nullptr;
    return static_cast<zInstance*>(item)->GetGroup();
}

SQInteger FindGroup(HSQUIRRELVM vm) {
    CObjectMethod m(vm);
    const char* kindText = "Object does not manage groups";
    // Without a name the lookups search for the empty one.
    const char* name = m.Count() >= 1 ? m.String(1) : nullptr;
    zGroup* found = nullptr;
    switch (m.Kind()) {
    case ScriptKindScene:
        if (zScene* scene = m.Scene()) found = scene->FindGroup(name);
        break;
    case ScriptKindGroup:
        if (zGroup* group = m.Group()) found = group->FindGroup(name);
        break;
    case ScriptKindItem:
        if (zGroup* group = InstancedGroup(m.Item())) found = group->FindGroup(name);
        break;
    default:
        m.Error(kindText);
        break;
    }
    return m ? m.ReturnObject(found, ScriptKindGroup) : m.Fail();
}

SQInteger FindItem(HSQUIRRELVM vm) {
    CObjectMethod m(vm);
    const bool byUid = m.Type(1) == OT_INTEGER;
    const SQInteger uid = byUid ? m.Integer(1) : 0;
    const char* name = byUid ? nullptr : m.String(1);
    zGroup* group = nullptr;
    zMItem* found = nullptr;
    switch (m.Kind()) {
    case ScriptKindScene:
        if (zScene* scene = m.Scene())
            found = byUid ? scene->GetManagedItemByUid(uid) : scene->FindItem(name, nullptr);
        break;
    case ScriptKindGroup:
        group = m.Group();
        break;
    case ScriptKindItem:
        group = InstancedGroup(m.Item());
        break;
    default:
        m.Error("Object does not manage items");
        break;
    }
    if (!m) return m.Fail();
    if (group) found = byUid ? group->FindItemByUid(uid) : group->FindItem(name);
    return m.ReturnItem(found, ScriptKindItem);
}

SQInteger AddObject(HSQUIRRELVM vm) {
    CObjectMethod m(vm);
    zScene* scene = m.Scene();
    const char* name = "New Object";
    zGeometry* geometry = nullptr;
    const SQInteger count = m.Count();
    if (m && count > 2) return m.Error("Too many parameters");
    if (m && count >= 1) {
        if (m.Type(1) != OT_STRING) return m.Error("Expected string as object name");
        const SQChar* text = nullptr;
        if (SQ_SUCCEEDED(sq_getstring(vm, 2, &text)) && text) name = text;
    }
    if (m && count == 2) {
        zCObject* record = m.HandleArgument(2);
        if (record && !record->object) return m.Error("C Object is null");
        // Only a geometry may be drawn as one.
        if (record && record->kind != ScriptKindGeometry) {
            zString text;
            text.Format("Expected '%s' got '%s'", ScriptObjectKindName(ScriptKindGeometry),
                        ScriptObjectKindName(record->kind));
            return m.Error(text);
        }
        if (record) geometry = static_cast<zGeometry*>(record->object);
    }
    if (!m) return m.Fail();
    zMObject* object = scene->AddObject(name, geometry);
    return m.ReturnItem(object, ScriptKindObject);
}

SQInteger PhysicsFrequency(HSQUIRRELVM vm) {
    CObjectMethod m(vm);
    zScene* scene = m.Scene();
    if (!m) return m.Fail();
    // As the scene natives have it: 0 without a world.
    const zPhysicWorld* world = scene->GetPhysicWorld();
    return m.Return(world ? 1.0f / world->GetFixedTimeStep() : 0.0f);
}

SQInteger SetPhysicsFrequency(HSQUIRRELVM vm) {
    CObjectMethod m(vm);
    zScene* scene = m.Scene();
    const f32 frequency = m.Number(1);
    if (!m) return m.Fail();
    // A step that is not finite and above 0 is refused, with its warning.
    if (zPhysicWorld* world = scene->GetPhysicWorld()) world->SetFixedTimeStep(1.0f / frequency);
    return m.None();
}

// ---------------------------------------------------------------- item physics

// A property of the physics component read through its getter, or set from
// the one argument.
template <typename Value, Value (zPhysicItem::*Get)() const> SQInteger PhysicsGet(HSQUIRRELVM vm) {
    return GetProperty<zPhysicItem, PhysicsOf, Value, Get>(vm);
}
template <typename Value, void (zPhysicItem::*Set)(Value)> SQInteger PhysicsSet(HSQUIRRELVM vm) {
    return SetProperty<zPhysicItem, PhysicsOf, Value, Set>(vm);
}

// An impulse or a force, at the centre or (atPoint) at the second argument.
template <void (zPhysicItem::*Apply)(const zVector&, const zVector*), bool AtPoint>
SQInteger ApplyToBody(HSQUIRRELVM vm) {
    CObjectMethod m(vm);
    zPhysicItem* physics = m.Physics();
    const zVector value = m.VectorArgument(1);
    const zVector point = AtPoint ? m.VectorArgument(2) : zVector();
    if (!m) return m.Fail();
    (physics->*Apply)(value, AtPoint ? &point : nullptr);
    return m.None();
}

SQInteger CollisionShapeCount(HSQUIRRELVM vm) {
    CObjectMethod m(vm);
    zPhysicItem* physics = m.Physics();
    return m ? m.Return(physics->GetShapes().GetCount()) : m.Fail();
}

SQInteger CollisionShape(HSQUIRRELVM vm) {
    CObjectMethod m(vm);
    zPhysicItem* physics = m.Physics();
    // A negative index is past the end as well.
    const u32 index = u32(m.Integer(1));
    if (!m) return m.Fail();
    auto* node = physics->GetShapes().GetNodeAt(index);
    return m.ReturnObject(node ? node->value.get() : nullptr, ScriptKindCollisionShape);
}

SQInteger AddCollisionShape(HSQUIRRELVM vm) {
    CObjectMethod m(vm);
    zPhysicItem* physics = m.Physics();
    if (!m) return m.Fail();
    zPhysicShape* shape = physics->AddCollisionShape();
    if (!shape) return m.Error("Failed to add collision shape.");
    return m.ReturnObject(shape, ScriptKindCollisionShape);
}

// ---------------------------------------------------------------- collision shapes

template <f32 zPhysicShape::*Field> SQInteger ShapeNumber(HSQUIRRELVM vm) {
    CObjectMethod m(vm);
    zPhysicShape* shape = m.Shape();
    return m ? m.Return(shape->*Field) : m.Fail();
}

template <f32 zPhysicShape::*Field> SQInteger SetShapeNumber(HSQUIRRELVM vm) {
    CObjectMethod m(vm);
    zPhysicShape* shape = m.Shape();
    const f32 value = m.Number(1);
    if (!m) return m.Fail();
    shape->*Field = value;
    return m.None();
}

SQInteger SetBox(HSQUIRRELVM vm) {
    CObjectMethod m(vm);
    zPhysicShape* shape = m.Shape();
    const zVector size = m.VectorArgument(1);
    if (!m) return m.Fail();
    shape->SetPrimitive(PhysicShapeBox, size);
    return m.None();
}

// Capsules and cylinders: (first, second, 0, 1).
template <u32 Type> SQInteger SetRound(HSQUIRRELVM vm) {
    CObjectMethod m(vm);
    zPhysicShape* shape = m.Shape();
    const f32 first = m.Number(1);
    const f32 second = m.Number(2);
    if (!m) return m.Fail();
    shape->SetPrimitive(Type, zVector(first, second, 0.0f, 1.0f));
    return m.None();
}

SQInteger SetSphere(HSQUIRRELVM vm) {
    CObjectMethod m(vm);
    zPhysicShape* shape = m.Shape();
    const f32 radius = m.Number(1);
    if (!m) return m.Fail();
    shape->SetPrimitive(PhysicShapeSphere, zVector(radius, 0.0f, 0.0f, 1.0f));
    return m.None();
}

template <u32 Type> SQInteger SetShapeMesh(HSQUIRRELVM vm) {
    CObjectMethod m(vm);
    zPhysicShape* shape = m.Shape();
    const char* geometryName = m.String(1);
    if (!m) return m.Fail();
    shape->SetMesh(Type, geometryName);
    return m.None();
}

// ---------------------------------------------------------------- engine and 2D scene

SQInteger LoadGeometry(HSQUIRRELVM vm) {
    CObjectMethod m(vm);
    zEngine* engine = m.Engine();
    const char* path = m.String(1);
    // A third argument of another type than bool counts as false.
    const bool bypassCache = m.Type(2) == OT_BOOL && m.Bool(2);
    if (!m) return m.Fail();
    return m.ReturnObject(engine->LoadGeometry(path, false, bypassCache), ScriptKindGeometry);
}

// Rows 6 to 65 of the class's table, after the six of script/.
const ScriptMethodEntry g_CObjectEngineMethods[] = {
    {"isCommandListDone", IsCommandListDone, 1, "."},
    {"setCommandList", SetCommandList, 2, ".s"},
    {"name", Name, 1, "."},
    {"setName", SetName, 2, ".s"},
    {"load", Load, -2, ".s"},
    {"setPosition", SetPosition, 2, ".x"},
    {"position", Position, 1, "."},
    {"setRotation", SetRotation, 2, ".x"},
    {"rotation", Rotation, 1, "."},
    {"scene", OwnerScene, 1, "."},
    {"setNoTarget", SetNoTarget, 1, "."},
    {"setParent", SetParent, 2, ".x"},
    {"matrix", Matrix, 1, "."},
    {"worldPosition", WorldPosition, 1, "."},
    {"ui", UserInterface, 1, "."},
    {"currentCamera", CurrentCamera, 1, "."},
    {"setCurrentCamera", SetCurrentCamera, 2, ".x"},
    {"findGroup", FindGroup, -1, ".s"},
    {"addObject", AddObject, -1, ".sx"},
    {"findItem", FindItem, 2, ".s|i"},
    {"physicsFrequency", PhysicsFrequency, 1, "."},
    {"setPhysicsFrequency", SetPhysicsFrequency, 2, ".n"},
    {"physicsActive", PhysicsGet<bool, &zPhysicItem::IsCollisionActive>, 1, "."},
    {"setPhysicsActive", PhysicsSet<bool, &zPhysicItem::CollisionActivate>, 2, ".b"},
    {"physicsMode", PhysicsGet<u32, &zPhysicItem::GetMode>, 1, "."},
    {"setPhysicsMode", PhysicsSet<u32, &zPhysicItem::SetMode>, 2, ".i"},
    {"linearVelocity", PhysicsGet<zVector, &zPhysicItem::GetLinearVelocity>, 1, "."},
    {"setLinearVelocity", PhysicsSet<const zVector&, &zPhysicItem::SetLinearVelocity>, 2, ".x"},
    {"angularVelocity", PhysicsGet<zVector, &zPhysicItem::GetAngularVelocity>, 1, "."},
    {"setAngularVelocity", PhysicsSet<const zVector&, &zPhysicItem::SetAngularVelocity>, 2, ".x"},
    {"applyLinearImpulse", ApplyToBody<&zPhysicItem::ApplyImpulse, false>, 2, ".x"},
    {"applyImpulse", ApplyToBody<&zPhysicItem::ApplyImpulse, true>, 3, ".xx"},
    {"applyLinearForce", ApplyToBody<&zPhysicItem::ApplyForce, false>, 2, ".x"},
    {"applyForce", ApplyToBody<&zPhysicItem::ApplyForce, true>, 3, ".xx"},
    {"collisionShapeCount", CollisionShapeCount, 1, "."},
    {"collisionShape", CollisionShape, 2, ".i"},
    {"addCollisionShape", AddCollisionShape, 1, "."},
    {"collisionMask", PhysicsGet<u32, &zPhysicItem::GetCollisionMask>, 1, "."},
    {"setCollisionMask", PhysicsSet<u32, &zPhysicItem::SetCollisionMask>, 2, ".i"},
    {"selfMask", PhysicsGet<u32, &zPhysicItem::GetSelfMask>, 1, "."},
    {"setSelfMask", PhysicsSet<u32, &zPhysicItem::SetSelfMask>, 2, ".i"},
    {"setLinearFactor", PhysicsSet<const zVector&, &zPhysicItem::SetLinearFactor>, 2, ".x"},
    {"setAngularFactor", PhysicsSet<const zVector&, &zPhysicItem::SetAngularFactor>, 2, ".x"},
    {"mass", ShapeNumber<&zPhysicShape::mass>, 1, "."},
    {"setMass", SetShapeNumber<&zPhysicShape::mass>, 2, ".n"},
    {"staticFriction", ShapeNumber<&zPhysicShape::staticFriction>, 1, "."},
    {"setStaticFriction", SetShapeNumber<&zPhysicShape::staticFriction>, 2, ".n"},
    {"dynamicFriction", ShapeNumber<&zPhysicShape::dynamicFriction>, 1, "."},
    {"setDynamicFriction", SetShapeNumber<&zPhysicShape::dynamicFriction>, 2, ".n"},
    {"restitution", ShapeNumber<&zPhysicShape::restitution>, 1, "."},
    {"setRestitution", SetShapeNumber<&zPhysicShape::restitution>, 2, ".n"},
    {"setBox", SetBox, 2, ".x"},
    {"setCapsule", SetRound<PhysicShapeCapsule>, 3, ".nn"},
    {"setConvex", SetShapeMesh<PhysicShapeConvex>, 2, ".s"},
    {"setCylinder", SetRound<PhysicShapeCylinder>, 3, ".nn"},
    {"setMesh", SetShapeMesh<PhysicShapeMesh>, 2, ".s"},
    {"setSphere", SetSphere, 2, ".n"},
    {"loadGeometry", LoadGeometry, -2, ".sb"},
    {"globalFade", GetProperty<zScene2D, Scene2DOf, f32, &zScene2D::GetGlobalFade>, 1, "."},
    {"setGlobalFade", SetProperty<zScene2D, Scene2DOf, f32, &zScene2D::SetGlobalFadeEffect>, 2, ".n"},
    {nullptr, nullptr, 0, nullptr},
};

} // namespace

bool RegisterCObjectMethods(HSQUIRRELVM vm) {
    return AddScriptClassMethods(vm, g_CObjectClass.className, g_CObjectEngineMethods);
}
