// Closures (script and native), outer variables and generators.
#pragma once

#include "squirrel/sqfuncproto.h"

struct SQClass;

// A captured variable: open while it points at a live stack slot, closed once it holds the value.
struct SQOuter : public SQCollectable {
    SQObjectPtr *_valptr;  // the stack slot while open, &_value once closed
    SQInteger _idx;        // absolute stack index while open
    SQObjectPtr _value;
    SQOuter *_next = nullptr;  // open outers of one VM, newest first (see sqvm.h)

    static SQOuter *Create(SQSharedState *ss, SQObjectPtr *outer) {
        SQOuter *o = new SQOuter(ss);
        o->_valptr = outer;
        return o;
    }
    void Mark(SQGCMarker &marker) override { marker.Mark(_value); }  // an open outer's slot belongs to its VM
    void Finalize() override { _value.Null(); }
    SQObjectType GetType() override { return OT_OUTER; }

private:
    explicit SQOuter(SQSharedState *ss) : SQCollectable(ss), _valptr(nullptr), _idx(0) {}
};

// A run of values stored right after the object that owns it; its length is fixed at creation.
struct SQInlineValues {
    SQObjectPtr *_items = nullptr;
    size_t _count = 0;
    SQObjectPtr &operator[](size_t i) { return _items[i]; }
    const SQObjectPtr &operator[](size_t i) const { return _items[i]; }
    size_t size() const { return _count; }
    SQObjectPtr *begin() { return _items; }
    SQObjectPtr *end() { return _items + _count; }
};

// A script closure: one allocation holding the object, then its outer values, then its
// default parameter values.
struct SQClosure : public SQCollectable {
    SQObjectPtr _function;  // the prototype
    SQObjectPtr _env;       // bound environment, null when unbound
    SQClass *_base = nullptr;
    SQInlineValues _outervalues;
    SQInlineValues _defaultparams;

    static SQClosure *Create(SQSharedState *ss, SQFunctionProto *func);
    SQClosure *Clone();
    ~SQClosure() override;
    void Mark(SQGCMarker &marker) override;
    void Finalize() override;
    SQObjectType GetType() override { return OT_CLOSURE; }
    SQFunctionProto *Proto() const { return _funcproto(_function); }
    void SetBase(SQClass *base);

private:
    explicit SQClosure(SQSharedState *ss) : SQCollectable(ss) {}
};

struct SQNativeClosure : public SQCollectable {
    SQFUNCTION _function = nullptr;
    SQObjectPtr _name;
    SQObjectPtr _env;
    SQObjectPtrVec _outervalues;
    SQInteger _nparamscheck = 0;
    sqvector<SQInteger> _typecheck;

    static SQNativeClosure *Create(SQSharedState *ss, SQFUNCTION func, SQInteger nouters) {
        SQNativeClosure *c = new SQNativeClosure(ss);
        c->_function = func;
        c->_outervalues.resize((size_t)nouters);
        return c;
    }
    SQNativeClosure *Clone() {
        SQNativeClosure *c = Create(_sharedstate, _function, 0);
        c->_name = _name;
        c->_env = _env;
        c->_outervalues = _outervalues;
        c->_nparamscheck = _nparamscheck;
        c->_typecheck = _typecheck;
        return c;
    }
    void Mark(SQGCMarker &marker) override {
        marker.Mark(_env);
        for (auto &o : _outervalues) marker.Mark(o);
    }
    void Finalize() override {
        _env.Null();
        SQObjectPtrVec old;
        old.swap(_outervalues);
    }
    SQObjectType GetType() override { return OT_NATIVECLOSURE; }

private:
    explicit SQNativeClosure(SQSharedState *ss) : SQCollectable(ss) {}
};

// One open try (see the layout in sqvm.h): what a throw restores before it runs the catch.
struct SQExceptionTrap {
    SQInteger _stackbase;        // the frame's base when the try began
    SQInteger _stacksize;        // _top then; slots above it are cleared
    const SQInstruction *_ip;    // first instruction of the catch
    SQInteger _extarget;         // register that receives the error
};

// One script frame (see the layout in sqvm.h). Offsets are relative to this frame's base.
struct SQCallInfo {
    const SQInstruction *_ip = nullptr;  // next instruction; stored back before anything may throw
    SQObjectPtr *_literals = nullptr;    // the running prototype's literals
    SQObjectPtr _closure;                // keeps the running closure alive
    SQGenerator *_generator = nullptr;   // the generator running in this frame, if any
    SQInt32 _etraps = 0;                 // traps this frame pushed and has not popped
    SQInt32 _prevstkbase = 0;            // this base minus the caller's base
    SQInt32 _prevtop = 0;                // the caller's top minus the caller's base
    SQInt32 _target = -1;                // caller's register for the result, -1 for none
    SQInt32 _ncalls = 1;                 // 1 plus the tail calls that reused this frame
    bool _root = false;                  // entered by this Execute: returning leaves it
};

struct SQGenerator : public SQCollectable {
    enum State { eRunning, eSuspended, eDead };
    SQObjectPtr _closure;
    SQObjectPtrVec _stack;
    SQCallInfo _ci;
    sqvector<SQExceptionTrap> _etraps;
    State _state = eRunning;

    static SQGenerator *Create(SQSharedState *ss, SQClosure *closure) {
        SQGenerator *g = new SQGenerator(ss);
        g->_closure = closure;
        return g;
    }
    void Kill() {
        _state = eDead;
        _stack.clear();
        _closure.Null();
    }
    // Moves the running frame of v into the generator.
    bool Yield(SQVM *v, SQInteger target);
    // Puts the generator's frame back on v's stack; the value yielded or returned goes to target.
    bool Resume(SQVM *v, SQInteger target);
    void Mark(SQGCMarker &marker) override {
        marker.Mark(_closure);
        marker.Mark(_ci._closure);
        for (auto &o : _stack) marker.Mark(o);
    }
    void Finalize() override {
        SQObjectPtrVec old;
        old.swap(_stack);
        _closure.Null();
        _ci._closure.Null();
        _state = eDead;
    }
    SQObjectType GetType() override { return OT_GENERATOR; }

private:
    explicit SQGenerator(SQSharedState *ss) : SQCollectable(ss) {}
};
