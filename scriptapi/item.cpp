// The Item group: scripts read and change a managed item (its registry,
// command list, motion slots, transformation, hierarchy, visibility, physics
// body and script units). The physics natives live in item_physics.cpp.
//
// Motion slots are the positions of the item's playing animation sources.
#include <cstdint>

#include "core/log.h"
#include "core/matrix.h"
#include "markup/meta_tag.h"
#include "markup/variant.h"
#include "scene/item.h"
#include "scene/managed_item.h"
#include "scene/motion.h"
#include "scene/object.h"
#include "scene/scene.h"
#include "script/script_api.h"
#include "script/script_kind.h"
#include "script/script_object.h"
#include "script/squirrel_vm.h"
#include "script/value_classes.h"
#include "scriptapi/item_natives.h"
#include "scriptapi/script_api_groups.h"
#include "scriptapi/script_units.h"

zMItem* ItemArgumentAt(ScriptArgs& args, int position) {
    return args.Object<zMItem>(position, ScriptKindItem);
}

zMItem* ItemArgument(ScriptArgs& args) {
    return ItemArgumentAt(args, 1);
}

zItem* ItemNodeArgument(ScriptArgs& args) {
    zMItem* item = ItemArgument(args);
    if (!item) return nullptr;
    if (!item->GetItem()) args.Error("Item is null");
    return item->GetItem();
}

namespace {

using NodeNatives = ItemNatives<zItem, ItemNodeArgument>;
using ManagedNatives = ItemNatives<zMItem, ItemArgument>;

template <zMatrix4 (*Get)(zItem&)> SQInteger NodeMatrix(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zItem* node = ItemNodeArgument(args);
    if (!node) return args.Fail();
    return PushMatrix4Instance(vm, Get(*node)) ? 1 : args.Error("Failed to create Matrix4 instance.");
}

// A Matrix4 argument; "Invalid instance type" for a value of another class.
bool MatrixArgument(ScriptArgs& args, int position, zMatrix4& out) {
    if (!args) return false;
    if (GetMatrix4Argument(args.Vm(), SQInteger(position) + 1, out)) return true;
    args.Error("Invalid instance type");
    return false;
}

template <void (*Set)(zItem&, const zMatrix4&)> SQInteger SetNodeMatrix(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zItem* node = ItemNodeArgument(args);
    zMatrix4 matrix;
    if (!MatrixArgument(args, 2, matrix)) return args.Fail();
    Set(*node, matrix);
    return args.None();
}

// Natives on one motion slot: the item, then the slot index.
template <typename Result, Result (*Get)(zMItem&, u32)> SQInteger SlotValue(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMItem* item = ItemArgument(args);
    const SQInteger slot = args.Integer(2);
    if (!args) return args.Fail();
    return args.Return(Get(*item, u32(slot)));
}

// The source playing in a slot; null with "Motion slot <n> is empty" raised.
zAnimationSource* SlotArgument(ScriptArgs& args, zMItem* item, SQInteger slot) {
    if (!args) return nullptr;
    zAnimationSource* source = slot >= 0 ? item->GetSource(u32(slot)) : nullptr;
    if (!source) {
        zString text;
        text.Format("Motion slot %d is empty", int(slot));
        args.Error(text);
    }
    return source;
}

template <f32 (zAnimationSource::*Get)() const> SQInteger SlotNumber(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMItem* item = ItemArgument(args);
    const SQInteger slot = args.Integer(2);
    zAnimationSource* source = SlotArgument(args, item, slot);
    if (!source) return args.Fail();
    return args.Return(SQFloat((source->*Get)()));
}

template <void (zAnimationSource::*Set)(f32)> SQInteger SetSlotNumber(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMItem* item = ItemArgument(args);
    const SQInteger slot = args.Integer(2);
    const f32 value = args.Number(3);
    zAnimationSource* source = SlotArgument(args, item, slot);
    if (!source) return args.Fail();
    (source->*Set)(value);
    return args.None();
}

// The motion a source plays; null for a source of another kind.
zMotion* MotionOf(const zAnimationSource* source) {
    auto* motionSource = dynamic_cast<const zMotionAnimationSource*>(source);
    return motionSource ? const_cast<zMotion*>(motionSource->GetMotion()) : nullptr;
}

// A kind-30 handle of the motion in a source position (nothing when empty).
SQInteger SourceMotion(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMItem* item = ItemArgument(args);
    const SQInteger index = args.Integer(2);
    if (!args) return args.Fail();
    return args.ReturnObject(index >= 0 ? MotionOf(item->GetSource(u32(index))) : nullptr, ScriptKindMotion);
}

// The natives that answer the same fixed value whatever the item.
SQInteger AlwaysFalse(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    if (!ItemArgument(args)) return args.Fail();
    return args.Return(false);
}

SQInteger AlwaysUnitW(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    if (!ItemArgument(args)) return args.Fail();
    return args.ReturnVector(zVector(0.0f, 0.0f, 0.0f, 1.0f));
}

// The shared do-nothing native.
SQInteger DoNothing(HSQUIRRELVM) {
    return 0;
}

// ---------------------------------------------------------------- registry

SQInteger RegistrySetKey(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zItem* node = ItemNodeArgument(args);
    const char* key = args.String(2);
    if (!args) return args.Fail();
    zVariant value;
    switch (args.Type(3)) {
    case OT_STRING: value.SetString(args.String(3)); break;
    case OT_FLOAT: value.SetFloat(args.Number(3)); break;
    case OT_BOOL: value.SetBool(args.Bool(3)); break;
    case OT_INTEGER: value.SetInt(i32(args.Integer(3))); break;
    default: GetLog() << "[*] Incorrect binding argument count.\n"; break;
    }
    node->GetRegistry().SetKey(key, &value, true);
    return args.None();
}

// The key's value by its type; null for a missing key or a key without a value.
SQInteger RegistryGetKey(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zItem* node = ItemNodeArgument(args);
    const char* key = args.String(2);
    if (!args) return args.Fail();
    const zMetaTag* tag = node->GetRegistry().GetKey(key);
    if (!tag) return args.None();
    const zVariant& value = tag->GetValue();
    switch (value.GetType()) {
    case VariantFloat: return args.Return(SQFloat(value.GetRawFloat()));
    case VariantBool: {
        bool flag = false;
        value.GetBool(flag);
        return args.Return(flag);
    }
    case VariantInt: return args.Return(SQInteger(value.GetRawInt()));
    case VariantString: {
        const char* text = "";
        value.GetString(text);
        return args.Return(text);
    }
    default: return args.None();
    }
}

// ---------------------------------------------------------------- command list

SQInteger SetCommandList(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMItem* item = ItemArgument(args);
    const char* text = args.String(2);
    if (!args) return args.Fail();
    if (!item->GetScene()) return args.Error("Item has no scene");
    item->GetScene()->LoadCommandList(text, *item);
    return args.None();
}

void ResetCommandList(zMItem& item) { item.ResetCommandList(); }
bool IsCommandListDone(zMItem& item) { return item.GetCursor() == nullptr; }

// ---------------------------------------------------------------- bounds

zMinMax ZeroBounds() {
    return zMinMax{zVector(0.0f, 0.0f, 0.0f, 1.0f), zVector(0.0f, 0.0f, 0.0f, 1.0f)};
}

SQInteger GetMinMax(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zItem* node = ItemNodeArgument(args);
    if (!node) return args.Fail();
    zMinMax bounds = ZeroBounds();
    node->GetBounds(bounds);
    return args.ReturnMinMax(bounds);
}

// The geometry's box of an object, both corners at the origin for any other
// item; moved by the world translation when asked.
zMinMax LocalBounds(zMItem& item) {
    zMinMax bounds = ZeroBounds();
    if (!item.GetGeometryBox(bounds)) bounds = ZeroBounds();
    return bounds;
}

template <bool World> SQInteger ItemBounds(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMItem* item = ItemArgument(args);
    if (!item) return args.Fail();
    zMinMax bounds = LocalBounds(*item);
    if (World && item->GetItem()) {
        const zVector offset = item->GetItem()->GetWorldMatrix()->GetRow(3, true);
        bounds.min = bounds.min.Add(offset);
        bounds.max = bounds.max.Add(offset);
    }
    return args.ReturnMinMax(bounds);
}

void UpdateMatrices(zItem& node) { node.UpdateMatrices(); }

// ---------------------------------------------------------------- opacity

SQFloat GetOpacity(zItem& node) { return node.GetAlpha(); }
void SetOpacity(zItem& node, f32 alpha) { node.SetAlpha(alpha); }


// ---------------------------------------------------------------- motions

// The first item plays, from its own motions of the same names, what the
// second plays: same clocks, clock scales and weights.
SQInteger ReplicateItemMotion(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMItem* item = ItemArgument(args);
    zMItem* model = ItemArgumentAt(args, 2);
    if (!args) return args.Fail();
    if (item == model) return args.None();
    item->Stop();
    for (auto* node = model->GetSourceList().GetHead(); node; node = node->next) {
        const zAnimationSource* source = node->value.Get();
        const zMotion* played = MotionOf(source);
        const zMotion* own = played ? item->FindMotion(played->GetName()) : nullptr;
        if (!own) continue;
        item->SetSlotMotion(item->GetSourceCount(), own, source->GetClock(), 0.0f, source->GetWeight(),
                            source->GetClockScale());
    }
    return args.None();
}

SQInteger GetMotion(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMItem* item = ItemArgument(args);
    const char* name = args.String(2);
    if (!args) return args.Fail();
    return args.ReturnObject(item->FindMotion(name), ScriptKindMotion);
}

void StopMotion(zMItem& item) { item.Stop(); }

SQInteger MotionSlotStop(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMItem* item = ItemArgument(args);
    const SQInteger slot = args.Integer(2);
    if (!args) return args.Fail();
    if (slot >= 0) item->StopSource(u32(slot));
    return args.None();
}

// Numbers: the clock the motion starts at, the fade-in time, the weight and
// the clock scale. Only a motion of the item itself can play on it: the
// source keeps pointing at the motion, which its player owns.
SQInteger MotionSlotSet(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMItem* item = ItemArgument(args);
    const SQInteger slot = args.Integer(2);
    auto* motion = args.Object<zMotion>(3, ScriptKindMotion);
    const f32 clock = args.Number(4);
    const f32 fadeTime = args.Number(5);
    const f32 weight = args.Number(6);
    const f32 clockScale = args.Number(7);
    if (!args) return args.Fail();
    if (slot < 0) return args.Error("Motion slot index is negative");
    bool own = false;
    for (const auto& held : item->GetSlots())
        own = own || held.get() == motion;
    if (!own) return args.Error("Motion does not belong to the item");
    if (!item->SetSlotMotion(u32(slot), motion, clock, fadeTime, weight, clockScale))
        return args.Error("Could not play the motion");
    return args.None();
}

SQInteger MotionSetPropagation(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    ItemArgument(args);
    args.Bool(2);
    args.Bool(3);
    if (!args) return args.Fail();
    return args.Error("ItemMotionSetPropagation is not supported: the animation player has no propagation");
}

bool SlotIsDone(zMItem& item, u32 slot) {
    const zAnimationSource* source = item.GetSource(slot);
    return !source || source->IsDone();
}
bool SlotIsPlaying(zMItem& item, u32 slot) { return item.GetSource(slot) != nullptr; }
bool IsMotionPlaying(zMItem& item) { return item.IsPlaying(); }
bool IsMotionDone(zMItem& item) { return item.IsDone(); }
SQFloat MotionClockScale(zMItem& item) { return item.GetClockScale(); }
void SetMotionClockScale(zMItem& item, f32 scale) { item.SetClockScale(scale); }
void SetMotionPaused(zMItem& item, bool paused) { item.SetPaused(paused); }

// ---------------------------------------------------------------- transformation

void SetLinkOnlyPosition(zItem& node, bool on) {
    node.SetFlags(on ? node.GetFlags() | ItemLinkOnlyPosition : node.GetFlags() & ~u32(ItemLinkOnlyPosition));
    node.Invalidate(false);
}

zVector Position(zItem& node) { return *node.GetPosition(); }
void SetPosition(zItem& node, const zVector& value) { node.SetPosition(value); }
zVector Scale(zItem& node) { return *node.GetScale(); }
void SetScale(zItem& node, const zVector& value) { node.SetScale(value); }
zVector WorldPosition(zItem& node) { return node.GetWorldMatrix()->GetRow(3, true); }
zVector PreviousWorldPosition(zItem& node) { return node.GetPreviousWorldPosition()->GetRow(3, true); }
zVector Rotation(zItem& node) { return *node.GetRotation(); }
void SetRotation(zItem& node, const zVector& value) { node.SetRotation(value); }
zVector Pivot(zItem& node) { return node.GetPivot()->GetRow(3, true); }
void SetPivot(zItem& node, const zVector& value) {
    zMatrix4 pivot = *node.GetPivot();
    pivot.SetRow(3, value, true);
    node.SetPivot(pivot);
}
void SetTarget(zItem& node, const zVector& value) { node.SetTarget(&value); }
void SetNoTarget(zItem& node) { node.SetTarget(nullptr); }
zVector Target(zItem& node) { return *node.GetTarget(); }
bool HasTarget(zItem& node) { return (node.GetFlags() & ItemHasTarget) != 0; }
SQInteger RotationOrder(zItem& node) { return SQInteger(node.GetRotationOrder()); }
zMatrix4 WorldMatrix(zItem& node) { return *node.GetWorldMatrix(); }
zMatrix4 InverseMatrix(zItem& node) { return *node.GetInverseMatrix(); }
zMatrix4 LocalMatrix(zItem& node) { return *node.GetLocalMatrix(); }
void SetMatrix(zItem& node, const zMatrix4& matrix) { node.SetMatrix(matrix); }
void SnapshotMatrix(zItem& node, const zMatrix4& matrix) { node.SnapshotMatrix(matrix, false, false); }

void SnapshotTransformation(zItem& node) {
    const zMatrix4 world = *node.GetWorldMatrix();
    node.SnapshotMatrix(world, false, false);
}

SQInteger SetLogicTransformation(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMItem* item = ItemArgument(args);
    zMatrix4 matrix;
    if (!MatrixArgument(args, 2, matrix)) return args.Fail();
    item->SetLogicTransformation(matrix);
    return args.None();
}

SQInteger SetRotationOrder(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zItem* node = ItemNodeArgument(args);
    const SQInteger order = args.Integer(2);
    if (!args) return args.Fail();
    if (order < 0 || order >= SQInteger(RotationOrderCount)) return args.Error("Invalid rotation order");
    node->SetRotationOrder(u32(order));
    return args.None();
}

SQInteger GetRotationMatrix(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zItem* node = ItemNodeArgument(args);
    if (!node) return args.Fail();
    const zMatrix3 rotation = zMatrix3::FromMatrix4(*node->GetWorldMatrix());
    return PushMatrix3Instance(vm, rotation) ? 1 : args.Error("Failed to create Matrix3 instance.");
}

SQInteger SetRotationMatrix(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zItem* node = ItemNodeArgument(args);
    if (!args) return args.Fail();
    zMatrix3 rotation;
    if (!GetMatrix3Argument(vm, 3, rotation)) return args.Error("Invalid instance type");
    node->SetRotationMatrix(rotation);
    return args.None();
}

void RecordLocation(zMItem& item) { item.RecordLocation(); }

// ---------------------------------------------------------------- hierarchy

// A handle of the kind on what the item gives (a handle holding nothing for
// null).
template <i32 Kind, void* (*Get)(zMItem&)> SQInteger ItemObject(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMItem* item = ItemArgument(args);
    if (!item) return args.Fail();
    return args.ReturnObject(Get(*item), Kind);
}

void* ParentOf(zMItem& item) { return item.GetParentItem(); }

// A handle holding nothing as the parent unlinks the item.
SQInteger SetParent(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zItem* node = ItemNodeArgument(args);
    zMItem* parent = args.ObjectOrNull<zMItem>(2, ScriptKindItem);
    if (!args) return args.Fail();
    node->SetParent(parent ? parent->GetItem() : nullptr);
    return args.None();
}

SQInteger GetChildList(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zItem* node = ItemNodeArgument(args);
    if (!node) return args.Fail();
    sq_newarray(vm, 0);
    for (auto* child = node->GetChildren().GetHead(); child; child = child->next) {
        zMItem* item = zItem::GetManagedItem(child->value);
        if (!item) continue;
        if (!PushScriptObject(vm, item, ScriptKindItem, false)) {
            sq_pop(vm, 1);
            return args.Error("Could not allocate C Object.");
        }
        sq_arrayappend(vm, -2);
    }
    return 1;
}

// ---------------------------------------------------------------- casts

template <u32 Type, i32 Kind> SQInteger CastTo(HSQUIRRELVM vm, const char* refusal) {
    ScriptArgs args(vm);
    zMItem* item = ItemArgument(args);
    if (!item) return args.Fail();
    if (item->GetKind() != Type) return args.Error(refusal);
    return args.ReturnObject(item, Kind);
}

SQInteger CastToTrigger(HSQUIRRELVM vm) {
    return CastTo<ManagedKindTrigger, ScriptKindTrigger>(vm, "Cannot cast item to trigger");
}
SQInteger CastToLight(HSQUIRRELVM vm) {
    return CastTo<ManagedKindLight, ScriptKindLight>(vm, "Cannot cast item to light");
}
SQInteger CastToInstance(HSQUIRRELVM vm) {
    return CastTo<ManagedKindInstance, ScriptKindInstance>(vm, "Cannot cast item to instance");
}
SQInteger CastToEmitter(HSQUIRRELVM vm) {
    return CastTo<ManagedKindEmitter, ScriptKindEmitter>(vm, "Cannot cast item to emitter");
}

SQInteger DerivedCastToItem(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    void* object = nullptr;
    switch (args.Kind(1)) {
    case ScriptKindItem:
    case ScriptKindCamera:
    case ScriptKindObject:
    case ScriptKindLight:
    case ScriptKindEmitter:
    case ScriptKindTrigger: object = args.ObjectOrNull<void>(1, 0); break;
    default: break;
    }
    if (!args) return args.Fail();
    return args.ReturnObject(object, ScriptKindItem);
}

// ---------------------------------------------------------------- state

void Activate(zMItem& item, bool on) { item.Activate(on, false); }
void ActivateHierarchy(zMItem& item, bool on) { item.Activate(on, true); }
bool IsInvisible(zItem& node) { return (node.GetFlags() & ItemInvisible) != 0; }

void SetInvisibleBit(zItem& node, bool on) {
    node.SetFlags(on ? node.GetFlags() | ItemInvisible : node.GetFlags() & ~u32(ItemInvisible));
}

// The item and everything below it, walked once through the children lists.
void SetHierarchyInvisible(zItem& root, bool on) {
    zList<zItem*> pending;
    pending.Add(&root);
    while (auto* head = pending.GetHead()) {
        zItem* node = pending.Take(head);
        SetInvisibleBit(*node, on);
        for (auto* child = node->GetChildren().GetHead(); child; child = child->next)
            pending.Add(child->value);
    }
}

bool IsActive(zMItem& item) { return item.IsActive(); }
void Reset(zMItem& item) { item.Reset(); }
void Setup(zMItem& item) { item.Setup(); }
SQInteger ItemType(zMItem& item) { return SQInteger(item.GetKind()); }

SQInteger Compare(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMItem* first = ItemArgument(args);
    zMItem* second = ItemArgumentAt(args, 2);
    if (!args) return args.Fail();
    return args.Return(first == second);
}

SQInteger GetGeometry(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMItem* item = ItemArgument(args);
    if (!item) return args.Fail();
    auto* object = item->GetKind() == ManagedKindObject ? dynamic_cast<zObject*>(item) : nullptr;
    if (!object) return args.Error("Item is not an object, cannot get geometry");
    return args.ReturnObject(object->GetGeometry(), ScriptKindGeometry);
}

void SetPriority(zMItem& item, f32 priority) { item.SetPriority(priority); }
void* SceneOf(zMItem& item) { return item.GetScene(); }

void* EngineOf(zMItem& item) {
    if (item.GetScene()) return item.GetScene()->GetEngine();
    return item.GetItem() ? item.GetItem()->GetEngine() : nullptr;
}

const char* NameOf(zMItem& item) { return item.GetName(); }

SQInteger SetName(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMItem* item = ItemArgument(args);
    const char* name = args.String(2);
    if (!args) return args.Fail();
    item->SetName(name);
    return args.None();
}

// The flag word is the item's behaviour word.
SQInteger GetFlags(zMItem& item) { return SQInteger(item.GetBehaviour()); }

SQInteger SetFlags(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMItem* item = ItemArgument(args);
    const u32 bits = u32(args.Integer(2));
    const bool set = args.Bool(3);
    if (!args) return args.Fail();
    item->SetBehaviour(set ? item->GetBehaviour() | bits : item->GetBehaviour() & ~bits);
    return args.None();
}

// ---------------------------------------------------------------- script units

// The instance of a unit, pushed; "Script unit is not open" without one.
// The first unit takes the names (one is made when there is none); the item
// is then set up and reset again, so the class runs at once.
SQInteger SetScript(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMItem* item = ItemArgument(args);
    const char* path = args.String(2);
    const char* className = args.String(3);
    if (!args) return args.Fail();
    auto* head = item->GetScriptUnits().GetHead();
    zScriptUnit* unit = head ? head->value.get() : item->NewScriptUnit();
    if (!unit) return args.Error("Could not allocate script unit");
    unit->SetScriptPath(path);
    unit->SetClassName(className);
    unit->Unload();
    // The events run scripts, which may delete the item: its handle then
    // turns into a dead one and the native stops there.
    item->SetupScript();
    if (args.Kind(1) != ScriptKindItem) return args.None();
    item->Setup();
    if (args.Kind(1) != ScriptKindItem) return args.None();
    item->Reset();
    return args.None();
}

void SetupScript(zMItem& item) { item.SetupScript(); }
SQFloat LogicFrequency(zMItem& item) { return item.GetScriptLogicFrequency(); }
void SetLogicFrequency(zMItem& item, f32 frequency) { item.SetScriptLogicFrequency(frequency); }

// The instance of the unit Find picks; Find raises its own error when there
// is none.
template <const zScriptUnit* (*Find)(ScriptArgs&, zMItem&)> SQInteger UnitInstance(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMItem* item = ItemArgument(args);
    if (!item) return args.Fail();
    const zScriptUnit* unit = Find(args, *item);
    if (!unit) return args.Fail();
    return ReturnUnitInstance(args, *unit);
}

const zScriptUnit* FirstUnit(ScriptArgs& args, zMItem& item) {
    auto* head = item.GetScriptUnits().GetHead();
    if (!head) args.Error("Item has no script unit");
    return head ? head->value.get() : nullptr;
}

const zScriptUnit* UnitAtIndex(ScriptArgs& args, zMItem& item) {
    const SQInteger index = args.Integer(2);
    auto* node = args && index >= 0 ? item.GetScriptUnits().GetNodeAt(u32(index)) : nullptr;
    if (!node) args.Error("Script unit not found");
    return node ? node->value.get() : nullptr;
}

const zScriptUnit* UnitOfClassArgument(ScriptArgs& args, zMItem& item) {
    const char* className = args.String(2);
    const zScriptUnit* unit = args ? FindUnitOfClass(item, className) : nullptr;
    if (!unit) args.Error("Script unit not found");
    return unit;
}

SQInteger ScriptInstanceCount(zMItem& item) { return SQInteger(item.GetScriptUnits().GetCount()); }

SQInteger HasScript(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMItem* item = ItemArgument(args);
    const char* className = args.String(2);
    if (!args) return args.Fail();
    return args.Return(FindUnitOfClass(*item, className) != nullptr);
}

// All 64 bits of the address.
void Print(zMItem& item) {
    GetLog() << "Item at address @" << u64(reinterpret_cast<uintptr_t>(&item)) << "\n";
}

const ScriptNative g_ItemNatives[] = {
    {"ItemRegistrySetKey", ".xs.", RegistrySetKey},
    {"ItemRegistryGetKey", ".xs", RegistryGetKey},
    {"ItemSetCommandList", ".xs", SetCommandList},
    {"ItemResetCommandList", ".x", ManagedNatives::Action<ResetCommandList>},
    {"ItemIsCommandListDone", ".x", ManagedNatives::Value<bool, IsCommandListDone>},
    {"ItemGetMinMax", ".x", GetMinMax},
    {"ItemGetOpacity", ".x", NodeNatives::Value<SQFloat, GetOpacity>},
    {"ItemGetAlpha", ".x", NodeNatives::Value<SQFloat, GetOpacity>},
    {"ItemSetOpacity", ".xn", NodeNatives::SetNumber<SetOpacity>},
    {"ItemSetAlpha", ".xn", NodeNatives::SetNumber<SetOpacity>},
    {"ItemReplicateItemMotion", ".xx", ReplicateItemMotion},
    {"ItemGetMotion", ".xs", GetMotion},
    {"ItemGetMotionFromIndex", ".xi", SourceMotion},
    {"ItemStopMotion", ".x", ManagedNatives::Action<StopMotion>},
    {"ItemMotionSlotStop", ".xi", MotionSlotStop},
    {"ItemMotionSlotSet", ".xixnnnn", MotionSlotSet},
    {"ItemSetMotion", ".xixnnnn", MotionSlotSet},
    {"ItemMotionSlotGet", ".xi", SourceMotion},
    {"ItemMotionSetPropagation", ".xbb", MotionSetPropagation},
    {"ItemMotionSlotIsDone", ".xi", SlotValue<bool, SlotIsDone>},
    {"ItemMotionSlotIsPlaying", ".xi", SlotValue<bool, SlotIsPlaying>},
    {"ItemIsMotionPlaying", ".x", ManagedNatives::Value<bool, IsMotionPlaying>},
    {"ItemIsMotionDone", ".x", ManagedNatives::Value<bool, IsMotionDone>},
    {"ItemMotionSlotGetTime", ".xi", SlotNumber<&zAnimationSource::GetClock>},
    {"ItemMotionSlotSetTime", ".xin", SetSlotNumber<&zAnimationSource::SetClock>},
    {"ItemMotionSlotGetClockScale", ".xi", SlotNumber<&zAnimationSource::GetClockScale>},
    {"ItemMotionSlotSetClockScale", ".xin", SetSlotNumber<&zAnimationSource::SetClockScale>},
    {"ItemMotionGetClockScale", ".x", ManagedNatives::Value<SQFloat, MotionClockScale>},
    {"ItemMotionSetClockScale", ".xn", ManagedNatives::SetNumber<SetMotionClockScale>},
    {"ItemMotionGetPaused", ".x", AlwaysFalse},
    {"ItemMotionSetPaused", ".xb", ManagedNatives::SetBool<SetMotionPaused>},
    {"ItemSetLinkInheritsPositionOnly", ".xb", NodeNatives::SetBool<SetLinkOnlyPosition>},
    {"ItemGetPosition", ".x", NodeNatives::Vector<Position>},
    {"ItemSetPosition", ".xx", NodeNatives::SetVector<SetPosition>},
    {"ItemSetLogicTransformation", ".xx", SetLogicTransformation},
    {"ItemGetScale", ".x", NodeNatives::Vector<Scale>},
    {"ItemSetScale", ".xx", NodeNatives::SetVector<SetScale>},
    {"ItemGetWorldPosition", ".x", NodeNatives::Vector<WorldPosition>},
    {"ItemGetPreviousWorldPosition", ".x", NodeNatives::Vector<PreviousWorldPosition>},
    {"ItemGetRotation", ".x", NodeNatives::Vector<Rotation>},
    {"ItemSetRotation", ".xx", NodeNatives::SetVector<SetRotation>},
    {"ItemSetRotationQuaternion", ".xx", NodeNatives::SetVector<SetRotation>},
    {"ItemGetPivot", ".x", NodeNatives::Vector<Pivot>},
    {"ItemSetPivot", ".xx", NodeNatives::SetVector<SetPivot>},
    {"ItemSetOrientationMethod", ".xi", DoNothing},
    {"ItemComputeMatrix", ".x", NodeNatives::Action<UpdateMatrices>},
    {"ItemComputeLocalMatrix", ".x", NodeNatives::Action<UpdateMatrices>},
    {"ItemComputeMinMax", ".x", NodeNatives::Action<UpdateMatrices>},
    {"ItemGetParent", ".x", ItemObject<ScriptKindItem, ParentOf>},
    {"ItemSetLink", ".xx", SetParent},
    {"ItemSetParent", ".xx", SetParent},
    {"ItemGetChildList", ".x", GetChildList},
    {"ItemSetTarget", ".xx", NodeNatives::SetVector<SetTarget>},
    {"ItemSetNoTarget", ".x", NodeNatives::Action<SetNoTarget>},
    {"ItemGetTarget", ".x", NodeNatives::Vector<Target>},
    {"ItemHasTarget", ".x", NodeNatives::Value<bool, HasTarget>},
    {"ItemGetRotationOrder", ".x", NodeNatives::Value<SQInteger, RotationOrder>},
    {"ItemSetRotationOrder", ".xi", SetRotationOrder},
    {"ItemGetRotationMatrix", ".x", GetRotationMatrix},
    {"ItemSetRotationMatrix", ".xx", SetRotationMatrix},
    {"ItemGetMatrix", ".x", NodeMatrix<WorldMatrix>},
    {"ItemGetInverseMatrix", ".x", NodeMatrix<InverseMatrix>},
    {"ItemGetLocalMatrix", ".x", NodeMatrix<LocalMatrix>},
    {"ItemSetMatrix", ".xx", SetNodeMatrix<SetMatrix>},
    {"ItemRecordLocation", ".x", ManagedNatives::Action<RecordLocation>},
    {"ItemSnapshotTransformation", ".x", NodeNatives::Action<SnapshotTransformation>},
    {"ItemSnapshotMatrix", ".xx", SetNodeMatrix<SnapshotMatrix>},
    {"ItemGetLocalMinMax", ".x", ItemBounds<false>},
    {"ItemGetWorldMinMax", ".x", ItemBounds<true>},
    {"ItemCastToTrigger", ".x", CastToTrigger},
    {"ItemCastToLight", ".x", CastToLight},
    {"ItemCastToInstance", ".x", CastToInstance},
    {"ItemCastToEmitter", ".x", CastToEmitter},
    {"ItemDerivedCastToItem", ".x", DerivedCastToItem},
    {"ItemActivate", ".xb", ManagedNatives::SetBool<Activate>},
    {"ItemActivateHierarchy", ".xb", ManagedNatives::SetBool<ActivateHierarchy>},
    {"ItemIsInvisible", ".x", NodeNatives::Value<bool, IsInvisible>},
    {"ItemSetInvisible", ".xb", NodeNatives::SetBool<SetInvisibleBit>},
    {"ItemHierarchySetInvisible", ".xb", NodeNatives::SetBool<SetHierarchyInvisible>},
    {"ItemIsActive", ".x", ManagedNatives::Value<bool, IsActive>},
    {"ItemReset", ".x", ManagedNatives::Action<Reset>},
    {"ItemSetup", ".x", ManagedNatives::Action<Setup>},
    {"ItemGetType", ".x", ManagedNatives::Value<SQInteger, ItemType>},
    {"ItemCompare", ".xx", Compare},
    {"ItemGetGeometry", ".x", GetGeometry},
    {"ItemSetPriority", ".xn", ManagedNatives::SetNumber<SetPriority>},
    {"ItemGetScene", ".x", ItemObject<ScriptKindScene, SceneOf>},
    {"ItemGetEngine", ".x", ItemObject<ScriptKindEngine, EngineOf>},
    {"ItemGetName", ".x", ManagedNatives::Value<const char*, NameOf>},
    {"ItemSetName", ".xs", SetName},
    {"ItemGetFlags", ".x", ManagedNatives::Value<SQInteger, GetFlags>},
    {"ItemSetFlags", ".xib", SetFlags},
    {"ItemWake", ".x", ItemWake},
    {"ItemSleep", ".x", ItemSleep},
    {"ItemIsSleeping", ".x", ItemIsSleeping},
    {"ItemPhysicGetFlag", ".x", ItemPhysicGetFlag},
    {"ItemPhysicSetFlag", ".xi", ItemPhysicSetFlag},
    {"ItemSetInertiaTensorAndCom", ".xxx", ItemSetInertiaTensorAndCom},
    {"ItemUpdateInertiaTensorFromCollision", ".x", ItemUpdateInertiaTensorFromCollision},
    {"ItemGetSpeed", ".x", ItemGetSpeed},
    {"ItemApplyLinearForce", ".xx", ItemApplyLinearForce},
    {"ItemApplyForce", ".xxx", ItemApplyForce},
    {"ItemApplyLinearImpulse", ".xx", ItemApplyLinearImpulse},
    {"ItemApplyImpulse", ".xxx", ItemApplyImpulse},
    {"ItemApplyTorque", ".xx", ItemApplyTorque},
    {"ItemPhysicSetLinearFactor", ".xx", ItemPhysicSetLinearFactor},
    {"ItemPhysicSetAngularFactor", ".xx", ItemPhysicSetAngularFactor},
    {"ItemPhysicResetTransformation", ".xxx", ItemPhysicResetTransformation},
    {"ItemSetLinearDamping", ".xn", ItemSetLinearDamping},
    {"ItemSetAngularDamping", ".xn", ItemSetAngularDamping},
    {"ItemGetAngularVelocity", ".x", ItemGetAngularVelocity},
    {"ItemSetAngularVelocity", ".xx", ItemSetAngularVelocity},
    {"ItemGetPhysicMode", ".x", ItemGetPhysicMode},
    {"ItemSetPhysicMode", ".xi", ItemSetPhysicMode},
    {"ItemCollided", ".x", AlwaysFalse},
    {"ItemGetLinearAcceleration", ".x", AlwaysUnitW},
    {"ItemGetMass", ".x", ItemGetMass},
    {"ItemGetCenterOfMass", ".x", ItemGetCenterOfMass},
    {"ItemGetLinearVelocity", ".x", ItemGetLinearVelocity},
    {"ItemGetPreviousLinearVelocity", ".x", ItemGetLinearVelocity},
    {"ItemSetLinearVelocity", ".xx", ItemSetLinearVelocity},
    {"ItemSetGravityScale", ".xn", ItemSetGravityScale},
    {"ItemSetGravity", ".xx", ItemSetGravity},
    {"ItemGetGravity", ".x", ItemGetGravity},
    {"ItemWorldPointVelocity", ".xx", ItemWorldPointVelocity},
    {"ItemPointVelocity", ".xx", ItemPointVelocity},
    {"ItemGetPhysicPosition", ".x", ItemGetPhysicPosition},
    {"ItemSetPhysicPosition", ".xx", ItemSetPhysicPosition},
    {"ItemGetPhysicPreviousPosition", ".x", AlwaysUnitW},
    {"ItemGetPhysicRotation", ".x", ItemGetPhysicRotation},
    {"ItemSetPhysicRotation", ".xx", ItemSetPhysicRotation},
    {"ItemPhysicSynchronizeCollision", ".x", ItemPhysicSynchronizeCollision},
    {"ItemSetScript", ".xss", SetScript},
    {"ItemSetupScript", ".x", ManagedNatives::Action<SetupScript>},
    {"ItemGetScriptLogicFrequency", ".xn", ManagedNatives::Value<SQFloat, LogicFrequency>},
    {"ItemSetScriptLogicFrequency", ".xn", ManagedNatives::SetNumber<SetLogicFrequency>},
    {"ItemGetScriptInstance", ".x", UnitInstance<FirstUnit>},
    {"ItemGetScriptInstanceCount", ".x", ManagedNatives::Value<SQInteger, ScriptInstanceCount>},
    {"ItemGetScriptInstanceFromIndex", ".xi", UnitInstance<UnitAtIndex>},
    {"ItemGetScriptInstanceFromClass", ".xs", UnitInstance<UnitOfClassArgument>},
    {"ItemSetPhysicPreviousPosition", ".xx", ItemSetPhysicPreviousPosition},
    {"ItemHasScript", ".xs", HasScript},
    {"ItemPrint", ".x", ManagedNatives::Action<Print>},
};

} // namespace

bool RegisterItemScriptApi(HSQUIRRELVM vm) {
    return RegisterScriptNatives(vm, g_ItemNatives);
}
