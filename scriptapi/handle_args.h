// Handle arguments and results of the groups over scene items (groups,
// instances, triggers, emitters, constraints, collision shapes): item
// arguments of the whole item family, handles whose managed item must be of
// one class, and arrays of Item handles.
#pragma once

#include "scene/managed_item.h"
#include "script/script_args.h"
#include "script/script_kind.h"

// The managed item of an item-family handle (Item, Camera, Object, Light,
// Trigger); any other kind raises "Expected 'Item' got '<kind>'", a handle
// holding nothing "CObject is null".
zMItem* ItemFamilyArgument(ScriptArgs& args, int position);

// The managed item of a handle of the kind, as its class T. A handle of the
// kind whose item is of another class raises wrongClass.
template <class T>
T* ManagedArgument(ScriptArgs& args, int position, i32 kind, const char* wrongClass = "Internal failure") {
    zMItem* item = args.Object<zMItem>(position, kind);
    if (!item) return nullptr;
    T* typed = dynamic_cast<T*>(item);
    if (!typed) args.Error(wrongClass);
    return typed;
}

// Appends an Item handle (kind 24) of item to the array on top of the stack;
// false, with the array popped and "Could not allocate C Object." raised,
// when the handle cannot be made.
bool AppendItemHandle(ScriptArgs& args, zMItem* item);

// A new array of Item handles, one per entry of the list whose item (itemOf
// of the entry's value) is not null, in list order.
template <class List, class ItemOf>
SQInteger ReturnItemArray(ScriptArgs& args, const List& list, ItemOf itemOf) {
    sq_newarray(args.Vm(), 0);
    for (auto* node = list.GetHead(); node; node = node->next) {
        zMItem* item = itemOf(node->value);
        if (item && !AppendItemHandle(args, item)) return args.Fail();
    }
    return 1;
}
