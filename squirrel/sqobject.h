// Object model shared by every part of the library: the counted handle SQObjectPtr, the base
// classes of reference-counted and collectable objects, weak references and the metamethod list.
//
// Invariants: a value word holding a 32-bit integer, float or bool has its upper bits zero, so
// two values of one type are equal exactly when their raw words are equal. Every collectable
// object sits in its shared state's chain from construction until it is destroyed.
#pragma once

#include "squirrel/squirrel.h"

#include <cassert>
#include <cstdint>
#include <cstring>
#include "squirrel/sqmem.h"

struct SQSharedState;
struct SQGCMarker;

// Metamethods, in the order of their names in SQSharedState::_metamethodnames.
enum SQMetaMethod {
    MT_ADD = 0,
    MT_SUB,
    MT_MUL,
    MT_DIV,
    MT_UNM,
    MT_MODULO,
    MT_SET,
    MT_GET,
    MT_TYPEOF,
    MT_NEXTI,
    MT_CMP,
    MT_CALL,
    MT_CLONED,
    MT_NEWSLOT,
    MT_DELSLOT,
    MT_TOSTRING,
    MT_NEWMEMBER,
    MT_INHERITED,
    MT_LAST
};

#define SQ_METAMETHOD_NAMES                                                                          \
    "_add", "_sub", "_mul", "_div", "_unm", "_modulo", "_set", "_get", "_typeof", "_nexti", "_cmp",  \
        "_call", "_cloned", "_newslot", "_delslot", "_tostring", "_newmember", "_inherited"

struct SQCollectable;

// The header every counted object starts with. The count comes last so that a subclass's first
// 4-byte member fills the padding after it.
struct SQRefCounted : public SQAllocated {
    union {
        struct SQWeakRef *_weakref = nullptr;
        // A collectable whose release waits in the queue (its weak reference is gone by then).
        SQCollectable *_pendingnext;
    };
    SQUnsignedInteger _uiRef = 0;
    virtual ~SQRefCounted();
    SQWeakRef *GetWeakRef(SQObjectType type);
    // Called when the count reaches zero; frees the object.
    virtual void Release() = 0;
};

struct SQWeakRef : public SQRefCounted {
    SQObject _obj;
    void Release() override;
};

// The value accessors used everywhere.
#define sqtype(obj) ((obj)._type)
#define is_delegable(t) (sqtype(t) & SQOBJECT_DELEGABLE)
#define raw_type(obj) _RAW_TYPE((obj)._type)
#define _integer(obj) ((obj)._unVal.nInteger)
#define _float(obj) ((obj)._unVal.fFloat)
#define _string(obj) ((obj)._unVal.pString)
#define _table(obj) ((obj)._unVal.pTable)
#define _array(obj) ((obj)._unVal.pArray)
#define _closure(obj) ((obj)._unVal.pClosure)
#define _generator(obj) ((obj)._unVal.pGenerator)
#define _nativeclosure(obj) ((obj)._unVal.pNativeClosure)
#define _userdata(obj) ((obj)._unVal.pUserData)
#define _userpointer(obj) ((obj)._unVal.pUserPointer)
#define _thread(obj) ((obj)._unVal.pThread)
#define _funcproto(obj) ((obj)._unVal.pFunctionProto)
#define _class(obj) ((obj)._unVal.pClass)
#define _instance(obj) ((obj)._unVal.pInstance)
#define _delegable(obj) ((SQDelegable *)(obj)._unVal.pDelegable)
#define _weakref(obj) ((obj)._unVal.pWeakRef)
#define _outer(obj) ((obj)._unVal.pOuter)
#define _refcounted(obj) ((obj)._unVal.pRefCounted)
#define _rawval(obj) ((obj)._unVal.raw)
#define _stringval(obj) (obj)._unVal.pString->_val

SQInteger sq_ftoi(SQFloat f);
#define tofloat(num) ((sqtype(num) == OT_INTEGER) ? (SQFloat)_integer(num) : _float(num))
#define tointeger(num) ((sqtype(num) == OT_FLOAT) ? sq_ftoi(_float(num)) : _integer(num))

struct SQObjectPtr : public SQObject {
    SQObjectPtr() {
        _type = OT_NULL;
        _unVal.raw = 0;
    }
    SQObjectPtr(const SQObjectPtr &o) {
        _type = o._type;
        _unVal = o._unVal;
        if (ISREFCOUNTED(_type)) _unVal.pRefCounted->_uiRef++;
    }
    SQObjectPtr(const SQObject &o) {
        _type = o._type;
        _unVal = o._unVal;
        if (ISREFCOUNTED(_type)) _unVal.pRefCounted->_uiRef++;
    }
#define SQ_REFOBJECT_INIT(TYPE, FIELD, CTYPE) \
    SQObjectPtr(CTYPE *x) {                   \
        _unVal.raw = 0;                       \
        _type = TYPE;                         \
        _unVal.FIELD = x;                     \
        assert(x);                            \
        _unVal.pRefCounted->_uiRef++;         \
    }                                         \
    SQObjectPtr &operator=(CTYPE *x) {        \
        SQObjectPtr t(x);                     \
        Swap(t);                              \
        return *this;                         \
    }
    SQ_REFOBJECT_INIT(OT_TABLE, pTable, SQTable)
    SQ_REFOBJECT_INIT(OT_CLASS, pClass, SQClass)
    SQ_REFOBJECT_INIT(OT_INSTANCE, pInstance, SQInstance)
    SQ_REFOBJECT_INIT(OT_ARRAY, pArray, SQArray)
    SQ_REFOBJECT_INIT(OT_CLOSURE, pClosure, SQClosure)
    SQ_REFOBJECT_INIT(OT_NATIVECLOSURE, pNativeClosure, SQNativeClosure)
    SQ_REFOBJECT_INIT(OT_OUTER, pOuter, SQOuter)
    SQ_REFOBJECT_INIT(OT_GENERATOR, pGenerator, SQGenerator)
    SQ_REFOBJECT_INIT(OT_STRING, pString, SQString)
    SQ_REFOBJECT_INIT(OT_USERDATA, pUserData, SQUserData)
    SQ_REFOBJECT_INIT(OT_WEAKREF, pWeakRef, SQWeakRef)
    SQ_REFOBJECT_INIT(OT_THREAD, pThread, SQVM)
    SQ_REFOBJECT_INIT(OT_FUNCPROTO, pFunctionProto, SQFunctionProto)
#undef SQ_REFOBJECT_INIT
    SQObjectPtr(SQInteger n) {
        _type = OT_INTEGER;
        _unVal.raw = 0;
        _unVal.nInteger = n;
    }
    SQObjectPtr(SQFloat f) {
        _type = OT_FLOAT;
        _unVal.raw = 0;
        _unVal.fFloat = f;
    }
    SQObjectPtr(bool b) {
        _type = OT_BOOL;
        _unVal.raw = 0;
        _unVal.nInteger = b ? 1 : 0;
    }
    SQObjectPtr(SQUserPointer p) {
        _type = OT_USERPOINTER;
        _unVal.raw = 0;
        _unVal.pUserPointer = p;
    }
    ~SQObjectPtr() {
        if (ISREFCOUNTED(_type) && --_unVal.pRefCounted->_uiRef == 0) _unVal.pRefCounted->Release();
    }
    void Swap(SQObjectPtr &o) {
        SQObjectType t = _type;
        SQObjectValue v = _unVal;
        _type = o._type;
        _unVal = o._unVal;
        o._type = t;
        o._unVal = v;
    }
    SQObjectPtr &operator=(SQInteger n) {
        SQObjectPtr t(n);
        Swap(t);
        return *this;
    }
    SQObjectPtr &operator=(SQFloat f) {
        SQObjectPtr t(f);
        Swap(t);
        return *this;
    }
    SQObjectPtr &operator=(bool b) {
        SQObjectPtr t(b);
        Swap(t);
        return *this;
    }
    SQObjectPtr &operator=(SQUserPointer p) {
        SQObjectPtr t(p);
        Swap(t);
        return *this;
    }
    // The old value is released only after the new one is in place: a release hook that re-enters
    // the VM then sees a consistent slot.
    SQObjectPtr &operator=(const SQObjectPtr &o) {
        SQObjectType oldType = _type;
        SQObjectValue oldVal = _unVal;
        _type = o._type;
        _unVal = o._unVal;
        if (ISREFCOUNTED(_type)) _unVal.pRefCounted->_uiRef++;
        if (ISREFCOUNTED(oldType) && --oldVal.pRefCounted->_uiRef == 0) oldVal.pRefCounted->Release();
        return *this;
    }
    SQObjectPtr &operator=(const SQObject &o) {
        SQObjectType oldType = _type;
        SQObjectValue oldVal = _unVal;
        _type = o._type;
        _unVal = o._unVal;
        if (ISREFCOUNTED(_type)) _unVal.pRefCounted->_uiRef++;
        if (ISREFCOUNTED(oldType) && --oldVal.pRefCounted->_uiRef == 0) oldVal.pRefCounted->Release();
        return *this;
    }
    void Null() {
        SQObjectType oldType = _type;
        SQObjectValue oldVal = _unVal;
        _type = OT_NULL;
        _unVal.raw = 0;
        if (ISREFCOUNTED(oldType) && --oldVal.pRefCounted->_uiRef == 0) oldVal.pRefCounted->Release();
    }

private:
    SQObjectPtr(const SQChar *) = delete;  // a string needs the shared state
};

// A weak reference stored in a container slot reads as the object it points to.
inline const SQObject &sq_realval(const SQObject &o) {
    return sqtype(o) != OT_WEAKREF ? o : _weakref(o)->_obj;
}

inline void sq_makenull(SQObject &o) {
    o._type = OT_NULL;
    o._unVal.raw = 0;
}

// Collectable objects live in the shared state's chain so that the cycle collector can find
// the ones no root reaches.
struct SQCollectable : public SQRefCounted {
    // Collector scratch, kept in _prev while a collection runs: the chain is then walked forward
    // only, and the back links are rebuilt before anything is freed.
    struct GCScratch {
        SQInteger refs;  // references not accounted for by other collectables
        bool marked;
    };
    // Free for the subclass: it sits in the padding after the count (a table keeps its first
    // free node index here), which keeps a small table with its nodes in one 208-byte block.
    SQInt32 _spare = 0;
    SQCollectable *_next = nullptr;
    union {
        SQCollectable *_prev = nullptr;
        GCScratch _gc;
    };
    SQSharedState *_sharedstate = nullptr;
    explicit SQCollectable(SQSharedState *ss);
    ~SQCollectable() override;
    // Pushes every object this one references.
    virtual void Mark(SQGCMarker &marker) = 0;
    // Drops every reference this object holds, breaking cycles.
    virtual void Finalize() = 0;
    virtual SQObjectType GetType() = 0;
    // Frees the object; deep structures are freed through a queue so that native recursion stays bounded.
    void Release() override;
};

// Visitor of the references a collectable holds. In counting mode every visit subtracts one from
// the target's scratch count (trial deletion); otherwise it marks the target reachable on an explicit
// stack, so marking depth never becomes native recursion.
struct SQGCMarker {
    bool counting = false;
    sqvector<SQCollectable *> gray;
    void Mark(const SQObject &o);
    void Mark(SQCollectable *c) {
        if (!c) return;
        if (counting) {
            c->_gc.refs--;
        } else if (!c->_gc.marked) {
            c->_gc.marked = true;
            gray.push_back(c);
        }
    }
};

struct SQDelegable : public SQCollectable {
    struct SQTable *_delegate = nullptr;
    explicit SQDelegable(SQSharedState *ss) : SQCollectable(ss) {}
    bool GetMetaMethod(SQVM *v, SQMetaMethod mm, SQObjectPtr &res);
    bool SetDelegate(SQTable *m);
};

const SQChar *IdType2Name(SQObjectType type);
const SQChar *GetTypeName(const SQObjectPtr &obj1);
bool SQ_IsFalse(const SQObject &o);

typedef sqvector<SQObjectPtr> SQObjectPtrVec;
