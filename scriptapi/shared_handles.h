// Owned handles of reference-counted engine objects (scenes and pictures
// that scripts make): the handle holds one reference and gives it back with
// its last script reference. When that was the object's last reference,
// every other handle of it becomes "Deleted native" first.
#pragma once

#include "core/shared_object.h"
#include "script/script_args.h"
#include "script/script_object.h"

// The destroyer to install for the kind (SetScriptObjectDestroyer). T is the
// handle's object type exactly: the handle holds a T*.
// An owned handle made without a reference (the object at count 0, as the
// framework's own picture destroyer takes them) deletes the object.
template <class T> void ReleaseSharedHandle(void* object) {
    T* shared = static_cast<T*>(object);
    const u32 references = shared->GetRefCount();
    if (references <= 1) InvalidateScriptRecords(object);
    if (references == 0) {
        delete shared;
        return;
    }
    shared->Release();
}

// An owned handle of the object, holding a reference; an empty handle for
// null.
template <class T> SQInteger ReturnSharedHandle(ScriptArgs& args, T* object, i32 kind) {
    if (!object) return args.ReturnObject(nullptr, kind);
    object->AddRef();
    if (args.ReturnOwnedObject(object, kind) == 1) return 1;
    object->Release();
    return args.Fail();
}
