// Script handles of engine objects. A script sees an engine object as a
// CObject instance whose user pointer is a zCObject record: the object, its
// script object kind and whether the script owns it. Every record lives in
// one global registry from construction to destruction, so the engine can
// turn the handles of an object it destroys into "Deleted native" handles.
// The registry chains the records of each object together and finds a chain
// by its object, so invalidating one object costs its own handles only.
//
// Locking: one recursive registry mutex guards the chains and the records'
// kind and object. No script call and no owned destruction happens while it
// is held: a destructor unlinks under the lock and destroys after it.
#pragma once

#include <unordered_set>

#include "core/types.h"
#include "markup/script_value.h"
#include "script/script_class.h"
#include "squirrel/squirrel.h"

class SquirrelObject;
class zMetafile;

struct zCObject {
    // Kinds 34 to 36 (texture, geometry, material) take a reference on the object.
    zCObject(i32 kind, void* object, bool owned);
    // Gives the reference back; an owned object is destroyed by its kind's
    // destroyer, or kept with "[!] Type <description> lifetime should not be
    // managed by the VM." when its kind has none.
    ~zCObject();

    u8 owned;
    // False when the registry could not take the record (out of memory).
    bool registered;
    i32 kind;
    void* object;
    // The other records of the same object (the registry's chain).
    zCObject* previousOfObject;
    zCObject* nextOfObject;

  private:
    zCObject(const zCObject&) = delete;
    zCObject& operator=(const zCObject&) = delete;
};

// Destroys an owned engine object of one kind. Pictures and metafiles have
// theirs built in (a metafile's records and its tags' records die with it);
// subsystems above this one install theirs (raytracer, scene, raster font,
// animation source) when they start.
using ScriptObjectDestroyer = void (*)(void* object);
void SetScriptObjectDestroyer(i32 kind, ScriptObjectDestroyer destroyer);

// Records alive now.
u32 GetScriptObjectCount();

// Every record holding object becomes kind 1 with no object; returns how many.
u32 InvalidateScriptRecords(void* object);
// The same for every object of the set, in one walk of the records.
u32 InvalidateScriptRecords(const std::unordered_set<const void*>& objects);

// Every record holding a tag of the document (roots and all their
// descendants) becomes kind 1, before the tags go; one walk over the tree
// and one pass over the records. Returns how many.
u32 InvalidateMetaTagScriptRecords(const zMetafile& document);

// Pushes a new CObject instance holding a new record. On failure logs
// "[!] Could not allocate C Object.", destroys the record and pushes nothing.
bool PushScriptObject(HSQUIRRELVM vm, void* object, i32 kind, bool owned);

// The release hook of every CObject instance: destroys its record.
SQInteger ReleaseScriptObject(SQUserPointer record, SQInteger size);

// Pushes a new handle holding the same kind and object. The copy never owns:
// one object has at most one owner.
bool PushScriptObjectCopy(HSQUIRRELVM vm, const zCObject* record);
// The copy held by a SquirrelObject (null when it cannot be made).
SquirrelObject MakeScriptObjectCopy(HSQUIRRELVM vm, const zCObject* record);

// Binds record to the CObject instance at stack index 1, freeing a record it
// held before; returns 1. Anything else at index 1 (another class's instance,
// a value that is no instance) destroys record and raises "Invalid instance type".
SQInteger BindScriptObject(HSQUIRRELVM vm, zCObject* record);

// Pushes a zScriptValue: a variant as float, bool, integer or string, a held
// script object as itself, an engine object as a new CObject (not owned).
// False, nothing pushed, for values without a script form (none, list,
// binary block, a holder of another or a closed VM).
bool PushScriptVariant(HSQUIRRELVM vm, const zScriptValue& value);

// The record of the CObject at a stack index; null after raising "Invalid
// instance type" (not a CObject) or "Internal failure" (no record).
zCObject* GetScriptObjectRecord(HSQUIRRELVM vm, SQInteger index);

// The CObject class: its type tag and the methods that need only this
// framework (_typeof, constructor, _cmp, isValid, isNull, type).
extern const ScriptClassDescriptor g_CObjectClass;
