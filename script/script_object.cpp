#include "script/script_object.h"

#include <new>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/log.h"
#include "core/mutex.h"
#include "markup/metafile.h"
#include "picture/picture.h"
#include "render/geometry.h"
#include "render/material.h"
#include "render/texture.h"
#include "script/script_kind.h"
#include "script/squirrel_object.h"
#include "script/squirrel_vm.h"

namespace {

zMutex& RegistryMutex() {
    static zMutex* mutex = new zMutex;
    return *mutex;
}

// The first record of each object's chain; records holding no object are
// counted only.
struct RecordRegistry {
    std::unordered_map<const void*, zCObject*> firstByObject;
    u32 count = 0;
};

RecordRegistry& Registry() {
    static RecordRegistry* registry = new RecordRegistry;
    return *registry;
}

// Links a record into its object's chain; false when the index cannot grow.
bool LinkRecord(zCObject* record) {
    RecordRegistry& registry = Registry();
    if (record->object) {
        try {
            auto [first, added] = registry.firstByObject.try_emplace(record->object, record);
            if (!added) {
                record->nextOfObject = first->second;
                first->second->previousOfObject = record;
                first->second = record;
            }
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    ++registry.count;
    return true;
}

void UnlinkRecord(zCObject* record) {
    RecordRegistry& registry = Registry();
    if (record->object) {
        if (record->previousOfObject) {
            record->previousOfObject->nextOfObject = record->nextOfObject;
        } else if (record->nextOfObject) {
            registry.firstByObject[record->object] = record->nextOfObject;
        } else {
            registry.firstByObject.erase(record->object);
        }
        if (record->nextOfObject) record->nextOfObject->previousOfObject = record->previousOfObject;
        record->previousOfObject = nullptr;
        record->nextOfObject = nullptr;
    }
    --registry.count;
}

void DestroyPicture(void* object) {
    delete static_cast<zPicture*>(object);
}
void DestroyMetafile(void* object) {
    zMetafile* document = static_cast<zMetafile*>(object);
    InvalidateScriptRecords(document);
    InvalidateMetaTagScriptRecords(*document);
    delete document;
}

ScriptObjectDestroyer g_destroyers[ScriptKindCount] = {};

ScriptObjectDestroyer DestroyerOf(i32 kind) {
    if (kind == ScriptKindPicture) return g_destroyers[kind] ? g_destroyers[kind] : DestroyPicture;
    if (kind == ScriptKindMetafile) return g_destroyers[kind] ? g_destroyers[kind] : DestroyMetafile;
    return kind >= 0 && kind < ScriptKindCount ? g_destroyers[kind] : nullptr;
}

// Kinds whose records hold a reference on their resource.
zSharedObject* SharedResource(i32 kind, void* object) {
    if (!object) return nullptr;
    switch (kind) {
    case ScriptKindTexture:
        return static_cast<zTexture*>(object);
    case ScriptKindGeometry:
        return static_cast<zGeometry*>(object);
    case ScriptKindMaterial:
        return static_cast<zMaterial*>(object);
    default:
        return nullptr;
    }
}

const SQUserPointer CObjectTag = const_cast<ScriptClassDescriptor*>(&g_CObjectClass);

} // namespace

zCObject::zCObject(i32 kind, void* object, bool owned)
    : owned(owned ? 1 : 0), registered(false), kind(kind), object(object), previousOfObject(nullptr),
      nextOfObject(nullptr) {
    zScopedLock lock(RegistryMutex());
    if (zSharedObject* shared = SharedResource(kind, object)) shared->AddRef();
    registered = LinkRecord(this);
}

zCObject::~zCObject() {
    i32 lastKind;
    void* lastObject;
    {
        zScopedLock lock(RegistryMutex());
        if (registered) UnlinkRecord(this);
        registered = false;
        lastKind = kind;
        lastObject = object;
        object = nullptr;
    }
    if (!lastObject) return;
    // Outside the lock: destruction may run script callbacks that make or
    // drop handles.
    if (zSharedObject* shared = SharedResource(lastKind, lastObject)) shared->Release();
    if (!owned) return;
    if (ScriptObjectDestroyer destroy = DestroyerOf(lastKind)) {
        destroy(lastObject);
    } else {
        GetLog() << "[!] Type " << ScriptObjectKindName(lastKind)
                 << " lifetime should not be managed by the VM.\n";
    }
}

void SetScriptObjectDestroyer(i32 kind, ScriptObjectDestroyer destroyer) {
    if (kind >= 0 && kind < ScriptKindCount) g_destroyers[kind] = destroyer;
}

u32 GetScriptObjectCount() {
    zScopedLock lock(RegistryMutex());
    return Registry().count;
}

namespace {

// Every record of the object becomes kind 1 with no object; the caller
// holds the registry mutex.
u32 InvalidateChain(const void* object) {
    RecordRegistry& registry = Registry();
    auto first = registry.firstByObject.find(object);
    if (first == registry.firstByObject.end()) return 0;
    u32 count = 0;
    for (zCObject* record = first->second; record;) {
        zCObject* next = record->nextOfObject;
        // A resource record keeps no reference to a dead object.
        record->kind = ScriptKindDeleted;
        record->object = nullptr;
        record->previousOfObject = nullptr;
        record->nextOfObject = nullptr;
        record = next;
        ++count;
    }
    registry.firstByObject.erase(first);
    return count;
}

} // namespace

u32 InvalidateScriptRecords(void* object) {
    if (!object) return 0;
    zScopedLock lock(RegistryMutex());
    return InvalidateChain(object);
}

u32 InvalidateScriptRecords(const std::unordered_set<const void*>& objects) {
    zScopedLock lock(RegistryMutex());
    u32 count = 0;
    for (const void* object : objects) {
        if (object) count += InvalidateChain(object);
    }
    return count;
}

u32 InvalidateMetaTagScriptRecords(const zMetafile& document) {
    std::unordered_set<const void*> tags;
    std::vector<const zLinkedListEntry*> pending;
    // Depth first without recursion: scripts may nest tags without limit.
    for (const zLinkedListEntry* root = document.GetRoots().GetHead(); root; root = root->GetNext())
        pending.push_back(root);
    while (!pending.empty()) {
        const zMetaTag* tag = static_cast<const zMetaTag*>(pending.back());
        pending.pop_back();
        tags.insert(tag);
        for (const zLinkedListEntry* child = tag->GetChildren().GetHead(); child; child = child->GetNext())
            pending.push_back(child);
    }
    return InvalidateScriptRecords(tags);
}

SQInteger ReleaseScriptObject(SQUserPointer record, SQInteger /*size*/) {
    delete static_cast<zCObject*>(record);
    return 1;
}

namespace {

// Pushes a CObject instance for a record made by the caller; destroys the
// record when that fails.
bool PushRecord(HSQUIRRELVM vm, zCObject* record) {
    if (record && record->registered &&
        CreateScriptClassInstance(vm, g_CObjectClass.className, record, ReleaseScriptObject))
        return true;
    GetLog() << "[!] Could not allocate C Object.\n";
    delete record;
    return false;
}

} // namespace

bool PushScriptObject(HSQUIRRELVM vm, void* object, i32 kind, bool owned) {
    return PushRecord(vm, new (std::nothrow) zCObject(kind, object, owned));
}

bool PushScriptObjectCopy(HSQUIRRELVM vm, const zCObject* record) {
    if (!record) return false;
    return PushRecord(vm, new (std::nothrow) zCObject(record->kind, record->object, false));
}

SquirrelObject MakeScriptObjectCopy(HSQUIRRELVM vm, const zCObject* record) {
    SquirrelObject copy(vm);
    if (PushScriptObjectCopy(vm, record)) {
        copy.SetFromStack(-1);
        sq_pop(vm, 1);
    }
    return copy;
}

SQInteger BindScriptObject(HSQUIRRELVM vm, zCObject* record) {
    SQUserPointer previous = nullptr;
    // Another class's instance keeps its own block and hook (the constructor
    // called on it through call()), and a value that is no instance has none.
    if (SQ_FAILED(sq_getinstanceup(vm, 1, &previous, CObjectTag))) {
        delete record;
        return sq_throwerror(vm, "Invalid instance type");
    }
    if (previous && previous != record) {
        sq_setreleasehook(vm, 1, nullptr);
        sq_setinstanceup(vm, 1, nullptr);
        delete static_cast<zCObject*>(previous);
    }
    sq_setinstanceup(vm, 1, record);
    sq_setreleasehook(vm, 1, ReleaseScriptObject);
    return 1;
}

bool PushScriptVariant(HSQUIRRELVM vm, const zScriptValue& value) {
    switch (value.GetKind()) {
    case ScriptValueVariant: {
        const zVariant& variant = value.GetVariant();
        switch (variant.GetType()) {
        case VariantFloat: {
            f32 number = 0;
            variant.GetFloat(number);
            sq_pushfloat(vm, number);
            return true;
        }
        case VariantBool: {
            bool flag = false;
            variant.GetBool(flag);
            sq_pushbool(vm, flag ? SQTrue : SQFalse);
            return true;
        }
        case VariantInt: {
            i32 number = 0;
            variant.GetInt(number);
            sq_pushinteger(vm, number);
            return true;
        }
        case VariantString: {
            const zString& text = variant.GetStringValue();
            sq_pushstring(vm, text.CStr() ? text.CStr() : "", (SQInteger)text.GetLength());
            return true;
        }
        default:
            return false;
        }
    }
    case ScriptValueObject: {
        auto* holder = dynamic_cast<zSquirrelObject*>(value.GetObject());
        zSquirrelVM* owner = holder ? holder->GetOwner() : nullptr;
        if (!owner || owner != zSquirrelVM::FromHandle(vm)) return false;
        sq_pushobject(vm, holder->GetHandle());
        return true;
    }
    case ScriptValueNative:
        return PushScriptObject(vm, value.GetNative(), (i32)value.GetTypeId(), false);
    default:
        return false;
    }
}

// ---------------------------------------------------------------- CObject

zCObject* GetScriptObjectRecord(HSQUIRRELVM vm, SQInteger index) {
    SQUserPointer record = nullptr;
    if (SQ_FAILED(sq_getinstanceup(vm, index, &record, CObjectTag))) {
        sq_throwerror(vm, "Invalid instance type");
        return nullptr;
    }
    if (!record) {
        sq_throwerror(vm, "Internal failure");
        return nullptr;
    }
    return static_cast<zCObject*>(record);
}

namespace {

// A method of this alone: push(vm, record) pushes its one result.
template <typename Push> SQInteger ThisMethod(HSQUIRRELVM vm, Push push) {
    zCObject* self = GetScriptObjectRecord(vm, 1);
    if (!self) return SQ_ERROR;
    push(vm, *self);
    return 1;
}

SQInteger CObjectTypeOf(HSQUIRRELVM vm) {
    sq_pushstring(vm, "CObject", -1);
    return 1;
}

SQInteger CObjectConstructor(HSQUIRRELVM vm) {
    auto* record = new (std::nothrow) zCObject(ScriptKindUndefined, nullptr, false);
    if (!record || !record->registered) {
        delete record;
        return sq_throwerror(vm, "Could not allocate C Object.");
    }
    return BindScriptObject(vm, record);
}

SQInteger CObjectCompare(HSQUIRRELVM vm) {
    zCObject* self = GetScriptObjectRecord(vm, 1);
    zCObject* other = self ? GetScriptObjectRecord(vm, 2) : nullptr;
    if (!other) return SQ_ERROR;
    sq_pushbool(vm, self->object == other->object ? SQTrue : SQFalse);
    return 1;
}

SQInteger CObjectIsValid(HSQUIRRELVM vm) {
    return ThisMethod(
        vm, [](HSQUIRRELVM v, const zCObject& self) { sq_pushbool(v, self.object ? SQTrue : SQFalse); });
}

SQInteger CObjectIsNull(HSQUIRRELVM vm) {
    return ThisMethod(
        vm, [](HSQUIRRELVM v, const zCObject& self) { sq_pushbool(v, self.object ? SQFalse : SQTrue); });
}

SQInteger CObjectType(HSQUIRRELVM vm) {
    return ThisMethod(vm, [](HSQUIRRELVM v, const zCObject& self) { sq_pushinteger(v, self.kind); });
}

const ScriptMethodEntry g_CObjectMethods[] = {
    {"_typeof", CObjectTypeOf, 1, nullptr}, {"constructor", CObjectConstructor, -1, "."},
    {"_cmp", CObjectCompare, 2, ".xx"},     {"isValid", CObjectIsValid, 1, "."},
    {"isNull", CObjectIsNull, 1, "."},      {"type", CObjectType, 1, "."},
    {nullptr, nullptr, 0, nullptr},
};

} // namespace

const ScriptClassDescriptor g_CObjectClass = {"CObject", nullptr, g_CObjectMethods};
