// User data: a block of host memory owned by the VM, with a delegate, a type tag and a release hook.
#pragma once

#include "squirrel/sqtable.h"

struct SQUserData : public SQDelegable {
    SQInteger _size = 0;
    SQRELEASEHOOK _hook = nullptr;
    SQUserPointer _typetag = nullptr;

    static SQUserData *Create(SQSharedState *ss, SQInteger size);
    ~SQUserData() override;
    void Mark(SQGCMarker &marker) override {
        if (_delegate) marker.Mark(_delegate);
    }
    void Finalize() override { SetDelegate(nullptr); }
    SQObjectType GetType() override { return OT_USERDATA; }
    SQUserPointer Data() { return (SQUserPointer)(this + 1); }
    static void *operator new(size_t size, SQInteger extra) { return sq_vm_malloc(size + (size_t)extra); }
    static void operator delete(void *p) { sq_vm_free(p); }
    static void operator delete(void *p, SQInteger) { sq_vm_free(p); }

private:
    explicit SQUserData(SQSharedState *ss) : SQDelegable(ss) {}
};
