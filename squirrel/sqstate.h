// State shared by a VM and all its threads: the string table, the registry and constant
// tables, default delegates, host references, handlers and the cycle collector.
#pragma once

#include "squirrel/sqstring.h"
#include "squirrel/sqtable.h"

#include <unordered_map>

struct SQRefEntry {
    SQObjectPtr obj;
    SQUnsignedInteger refs = 0;
};

using SQRefTable = std::unordered_map<SQRefCounted *, SQRefEntry, std::hash<SQRefCounted *>, std::equal_to<SQRefCounted *>,
                                      SQAllocator<std::pair<SQRefCounted *const, SQRefEntry>>>;

struct SQSharedState : SQAllocated {
    SQSharedState();
    ~SQSharedState();
    void Init();
    // Releases every object, running every remaining release hook.
    void Close();

    SQChar *GetScratchPad(SQInteger size);
    SQInteger GetMetaMethodIdxByName(const SQObjectPtr &name);
    // Frees every collectable that no root reaches; returns how many were freed.
    SQInteger CollectGarbage(SQVM *vm);

    void AddRef(SQObject &obj);
    bool Release(SQObject &obj);
    SQUnsignedInteger GetRefCount(SQObject &obj);

    SQStringTable *_stringtable;
    SQObjectPtrVec _metamethods;
    SQObjectPtr _metamethodsmap;
    SQObjectPtr _registry;
    SQObjectPtr _consts;
    SQObjectPtr _constructoridx;
    SQObjectPtr _outofmemory;  // the error of a failed allocation, made before it is needed
    SQCollectable *_gc_chain = nullptr;
    SQObjectPtr _root_vm;
    SQRefTable _refs_table;

    SQObjectPtr _table_default_delegate;
    SQObjectPtr _array_default_delegate;
    SQObjectPtr _string_default_delegate;
    SQObjectPtr _number_default_delegate;
    SQObjectPtr _generator_default_delegate;
    SQObjectPtr _closure_default_delegate;
    SQObjectPtr _thread_default_delegate;
    SQObjectPtr _class_default_delegate;
    SQObjectPtr _instance_default_delegate;
    SQObjectPtr _weakref_default_delegate;

    SQCOMPILERERROR _compilererrorhandler = nullptr;
    SQPRINTFUNCTION _printfunc = nullptr;
    SQPRINTFUNCTION _errorfunc = nullptr;
    bool _debuginfo = false;
    bool _notifyallexceptions = false;
    bool _closing = false;

private:
    sqvector<SQChar> _scratchpad;
};

#define _ss(vm) ((vm)->_sharedstate)
#define SQSTR(ss, s) SQObjectPtr(SQString::Create(ss, s, -1))
