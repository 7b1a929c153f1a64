#include "squirrel/sqobject.h"

#include "squirrel/squserdata.h"
#include "squirrel/sqvm.h"

#include <cmath>
#include <cstdlib>
#include <new>

namespace {
// Collectables freed while another one is being freed wait here, so that freeing a long chain of
// objects never nests deeper than kMaxReleaseDepth native frames.
constexpr int kMaxReleaseDepth = 32;
thread_local int releaseDepth = 0;
// Linked through _pendingnext: queueing a release must not allocate.
thread_local SQCollectable *pendingReleases = nullptr;

void ReleaseRef(SQRefCounted *p) {
    if (p && --p->_uiRef == 0) p->Release();
}
}  // namespace

SQInteger sq_ftoi(SQFloat f) {
    // Out-of-range values and NaN give INT_MIN, as the x86 conversion does, instead of undefined behaviour.
    if (!(f > -2147483904.0f && f < 2147483648.0f)) return (SQInteger)0x80000000u;
    return (SQInteger)f;
}

SQRefCounted::~SQRefCounted() {
    if (_weakref) {
        _weakref->_obj._type = OT_NULL;
        _weakref->_obj._unVal.raw = 0;
    }
}

SQWeakRef *SQRefCounted::GetWeakRef(SQObjectType type) {
    if (!_weakref) {
        _weakref = new SQWeakRef();
        _weakref->_obj._type = type;
        _weakref->_obj._unVal.raw = 0;
        _weakref->_obj._unVal.pRefCounted = this;
    }
    return _weakref;
}

void SQWeakRef::Release() {
    if (ISREFCOUNTED(_obj._type)) _obj._unVal.pRefCounted->_weakref = nullptr;
    delete this;
}

SQCollectable::SQCollectable(SQSharedState *ss) : _sharedstate(ss) {
    _next = ss->_gc_chain;
    if (_next) _next->_prev = this;
    ss->_gc_chain = this;
}

SQCollectable::~SQCollectable() {
    if (_prev)
        _prev->_next = _next;
    else
        _sharedstate->_gc_chain = _next;
    if (_next) _next->_prev = _prev;
}

void SQCollectable::Release() {
    if (_weakref) {
        _weakref->_obj._type = OT_NULL;
        _weakref->_obj._unVal.raw = 0;
        _weakref = nullptr;
    }
    if (releaseDepth >= kMaxReleaseDepth) {
        _pendingnext = pendingReleases;
        pendingReleases = this;
        return;
    }
    ++releaseDepth;
    delete this;
    --releaseDepth;
    if (releaseDepth == 0) {
        while (pendingReleases) {
            SQCollectable *next = pendingReleases;
            pendingReleases = next->_pendingnext;
            next->_pendingnext = nullptr;  // shares its word with _weakref, which the destructors read
            ++releaseDepth;
            delete next;
            --releaseDepth;
        }
    }
}

void SQGCMarker::Mark(const SQObject &o) {
    switch (sqtype(o)) {
    case OT_TABLE: Mark(_table(o)); break;
    case OT_ARRAY: Mark(_array(o)); break;
    case OT_USERDATA: Mark(_userdata(o)); break;
    case OT_CLOSURE: Mark(_closure(o)); break;
    case OT_NATIVECLOSURE: Mark(_nativeclosure(o)); break;
    case OT_GENERATOR: Mark(_generator(o)); break;
    case OT_THREAD: Mark(_thread(o)); break;
    case OT_CLASS: Mark(_class(o)); break;
    case OT_INSTANCE: Mark(_instance(o)); break;
    case OT_OUTER: Mark(_outer(o)); break;
    case OT_WEAKREF: break;  // weak: does not keep the target alive
    default: break;
    }
}

bool SQDelegable::SetDelegate(SQTable *mt) {
    SQTable *temp = mt;
    if (temp == this) return false;
    while (temp) {
        if (temp->_delegate == this) return false;  // cycle detected
        temp = temp->_delegate;
    }
    if (mt) mt->_uiRef++;
    SQTable *old = _delegate;
    _delegate = mt;
    ReleaseRef(old);
    return true;
}

bool SQDelegable::GetMetaMethod(SQVM *v, SQMetaMethod mm, SQObjectPtr &res) {
    if (_delegate) return _delegate->GetStr(_string(_ss(v)->_metamethods[mm]), res);
    return false;
}

const SQChar *IdType2Name(SQObjectType type) {
    switch (_RAW_TYPE(type)) {
    case _RT_NULL: return "null";
    case _RT_INTEGER: return "integer";
    case _RT_FLOAT: return "float";
    case _RT_BOOL: return "bool";
    case _RT_STRING: return "string";
    case _RT_TABLE: return "table";
    case _RT_ARRAY: return "array";
    case _RT_GENERATOR: return "generator";
    case _RT_CLOSURE:
    case _RT_NATIVECLOSURE: return "function";
    case _RT_USERDATA: return "userdata";
    case _RT_USERPOINTER: return "userpointer";
    case _RT_THREAD: return "thread";
    case _RT_FUNCPROTO: return "function";
    case _RT_CLASS: return "class";
    case _RT_INSTANCE: return "instance";
    case _RT_WEAKREF: return "weakref";
    case _RT_OUTER: return "outer";
    default: return nullptr;
    }
}

const SQChar *GetTypeName(const SQObjectPtr &obj1) { return IdType2Name(sqtype(obj1)); }

bool SQ_IsFalse(const SQObject &o) {
    if ((sqtype(o) & SQOBJECT_CANBEFALSE) &&
        ((sqtype(o) == OT_FLOAT) ? (_float(o) == SQFloat(0.0)) : (_integer(o) == 0)))
        return true;
    return false;
}

// ---- user data

SQUserData *SQUserData::Create(SQSharedState *ss, SQInteger size) {
    SQUserData *ud = new (size) SQUserData(ss);
    ud->_size = size;
    return ud;
}

SQUserData::~SQUserData() {
    if (_hook) {
        SQRELEASEHOOK hook = _hook;
        _hook = nullptr;
        hook(Data(), _size);
    }
    SetDelegate(nullptr);
}

// ---- closures

SQClosure *SQClosure::Create(SQSharedState *ss, SQFunctionProto *func) {
    size_t nouters = func->_outervalues.size(), ndefaults = func->_defaultparams.size();
    // Nothing below allocates: the closure is whole once its memory is.
    void *mem = sq_vm_malloc(sizeof(SQClosure) + sizeof(SQObjectPtr) * (nouters + ndefaults));
    SQClosure *c = new (mem) SQClosure(ss);
    SQObjectPtr *values = reinterpret_cast<SQObjectPtr *>(c + 1);
    for (size_t i = 0; i < nouters + ndefaults; i++) new (&values[i]) SQObjectPtr();
    c->_outervalues = SQInlineValues{values, nouters};
    c->_defaultparams = SQInlineValues{values + nouters, ndefaults};
    c->_function = func;
    return c;
}

SQClosure *SQClosure::Clone() {
    SQClosure *ret = Create(_sharedstate, Proto());
    ret->_env = _env;
    ret->SetBase(_base);
    for (size_t i = 0; i < _outervalues.size(); i++) ret->_outervalues[i] = _outervalues[i];
    for (size_t i = 0; i < _defaultparams.size(); i++) ret->_defaultparams[i] = _defaultparams[i];
    return ret;
}

SQClosure::~SQClosure() {
    SetBase(nullptr);
    SQObjectPtr *values = _outervalues._items;
    size_t count = _outervalues.size() + _defaultparams.size();
    _outervalues = SQInlineValues();
    _defaultparams = SQInlineValues();
    for (size_t i = 0; i < count; i++) values[i].~SQObjectPtr();
}

void SQClosure::SetBase(SQClass *base) {
    if (base) base->_uiRef++;
    SQClass *old = _base;
    _base = base;
    ReleaseRef(old);
}

void SQClosure::Mark(SQGCMarker &marker) {
    marker.Mark(_env);
    if (_base) marker.Mark(_base);
    for (auto &o : _outervalues) marker.Mark(o);
    for (auto &o : _defaultparams) marker.Mark(o);
}

void SQClosure::Finalize() {
    _env.Null();
    SetBase(nullptr);
    for (auto &o : _outervalues) o.Null();
    for (auto &o : _defaultparams) o.Null();
}

// ---- function prototypes

void SQFunctionProto::Prepare() {
    SQFuseInstructions(_instructions.data(), (SQInteger)_instructions.size());
    _plaincallargs = (_varparams || _bgenerator) ? -1 : (SQInteger)_parameters.size();
}

SQInteger SQFunctionProto::GetLine(SQInteger op) const {
    if (_lineinfos.empty()) return 0;
    // Last record starting at or before op.
    size_t lo = 0, hi = _lineinfos.size();
    while (hi - lo > 1) {
        size_t mid = (lo + hi) / 2;
        if (_lineinfos[mid]._op <= op)
            lo = mid;
        else
            hi = mid;
    }
    return _lineinfos[lo]._line;
}

const SQChar *SQFunctionProto::GetLocal(SQVM *vm, SQInteger stackbase, SQInteger nseq, SQInteger nop) {
    for (auto &lvi : _localvarinfos) {
        if (lvi._start_op <= nop && lvi._end_op >= nop) {
            if (nseq == 0) {
                vm->Push(vm->_stack[(size_t)(stackbase + lvi._pos)]);
                return _stringval(lvi._name);
            }
            nseq--;
        }
    }
    return nullptr;
}

// ---- classes

SQClass::SQClass(SQSharedState *ss, SQClass *base) : SQCollectable(ss), _members(nullptr), _base(nullptr) {
    // Everything that allocates comes first: when it throws, the destructor does not run, so the
    // references are taken only after it.
    SQObjectPtr members(base ? base->_members->Clone() : SQTable::Create(ss, 0));
    if (base) {
        _constructoridx = base->_constructoridx;
        _udsize = base->_udsize;
        _defaultvalues = base->_defaultvalues;
        _methods = base->_methods;
        for (int i = 0; i < MT_LAST; i++) _metamethods[i] = base->_metamethods[i];
        _base = base;
        _base->_uiRef++;
    }
    _members = _table(members);
    _members->_uiRef++;
}

SQClass::~SQClass() {
    ReleaseRef(_members);
    _members = nullptr;
    ReleaseRef(_base);
    _base = nullptr;
}

bool SQClass::NewSlot(SQSharedState *ss, const SQObjectPtr &key, const SQObjectPtr &val, bool bstatic) {
    SQObjectPtr temp;
    bool isFunction = sqtype(val) == OT_CLOSURE || sqtype(val) == OT_NATIVECLOSURE;
    bool belongsToStatic = isFunction || bstatic;
    if (_locked && !belongsToStatic) return false;
    if (_members->Get(key, temp) && sq_isfield(temp)) {
        _defaultvalues[(size_t)sq_member_idx(temp)].val = val;
        return true;
    }
    if (belongsToStatic) {
        SQObjectPtr theval = val;
        if (sqtype(val) == OT_CLOSURE) {
            theval = _closure(val)->Clone();
            _closure(theval)->SetBase(_base);
        }
        // A function under a metamethod name is a metamethod only, not a member.
        SQInteger mmidx;
        if (isFunction && (mmidx = ss->GetMetaMethodIdxByName(key)) != -1) {
            _metamethods[mmidx] = theval;
            return true;
        }
        if (sqtype(temp) == OT_NULL) {
            bool isconstructor;
            SQVM::IsEqual(ss->_constructoridx, key, isconstructor);
            if (isconstructor) _constructoridx = (SQInteger)_methods.size();
            SQClassMember m;
            m.val = theval;
            _members->NewSlot(key, SQObjectPtr((SQInteger)(SQ_MEMBER_TYPE_METHOD | (SQInteger)_methods.size())));
            _methods.push_back(m);
        } else {
            _methods[(size_t)sq_member_idx(temp)].val = theval;
        }
        return true;
    }
    SQClassMember m;
    m.val = val;
    _members->NewSlot(key, SQObjectPtr((SQInteger)(SQ_MEMBER_TYPE_FIELD | (SQInteger)_defaultvalues.size())));
    _defaultvalues.push_back(m);
    return true;
}

SQInstance *SQClass::CreateInstance() {
    if (!_locked) Lock();
    return SQInstance::Create(_sharedstate, this);
}

SQInteger SQClass::Next(const SQObjectPtr &refpos, SQObjectPtr &outkey, SQObjectPtr &outval) {
    SQObjectPtr oval;
    SQInteger idx = _members->Next(false, refpos, outkey, oval);
    if (idx != -1) {
        if (sq_ismethod(oval))
            outval = _methods[(size_t)sq_member_idx(oval)].val;
        else
            outval = sq_realval(_defaultvalues[(size_t)sq_member_idx(oval)].val);
    }
    return idx;
}

bool SQClass::SetAttributes(const SQObjectPtr &key, const SQObjectPtr &val) {
    SQObjectPtr idx;
    if (_members->Get(key, idx)) {
        if (sq_isfield(idx))
            _defaultvalues[(size_t)sq_member_idx(idx)].attrs = val;
        else
            _methods[(size_t)sq_member_idx(idx)].attrs = val;
        return true;
    }
    return false;
}

bool SQClass::GetAttributes(const SQObjectPtr &key, SQObjectPtr &outval) {
    SQObjectPtr idx;
    if (_members->Get(key, idx)) {
        outval = (sq_isfield(idx) ? _defaultvalues[(size_t)sq_member_idx(idx)].attrs
                                  : _methods[(size_t)sq_member_idx(idx)].attrs);
        return true;
    }
    return false;
}

void SQClass::Mark(SQGCMarker &marker) {
    marker.Mark(_members);
    if (_base) marker.Mark(_base);
    marker.Mark(_attributes);
    for (auto &m : _defaultvalues) {
        marker.Mark(m.val);
        marker.Mark(m.attrs);
    }
    for (auto &m : _methods) {
        marker.Mark(m.val);
        marker.Mark(m.attrs);
    }
    for (auto &m : _metamethods) marker.Mark(m);
}

void SQClass::Finalize() {
    _attributes.Null();
    sqvector<SQClassMember> a, b;
    a.swap(_defaultvalues);
    b.swap(_methods);
    for (auto &m : _metamethods) m.Null();
    SQClass *base = _base;
    _base = nullptr;
    ReleaseRef(base);
}

// ---- instances

SQInstance::SQInstance(SQSharedState *ss, SQClass *c) : SQDelegable(ss) {
    this->_class = c;
    c->_uiRef++;
    _nvalues = (SQInteger)c->_defaultvalues.size();
    _values = reinterpret_cast<SQObjectPtr *>(this + 1);
    for (SQInteger i = 0; i < _nvalues; i++) new (&_values[i]) SQObjectPtr(c->_defaultvalues[(size_t)i].val);
    if (c->_udsize > 0) _userpointer = reinterpret_cast<SQUserPointer>(_values + _nvalues);
}

SQInstance *SQInstance::Create(SQSharedState *ss, SQClass *theclass) {
    size_t size = sizeof(SQInstance) + sizeof(SQObjectPtr) * theclass->_defaultvalues.size() +
                  (size_t)(theclass->_udsize > 0 ? theclass->_udsize : 0);
    return new (sq_vm_malloc(size)) SQInstance(ss, theclass);
}

SQInstance *SQInstance::Clone(SQSharedState *ss) {
    SQInstance *newinst = Create(ss, _class);
    for (SQInteger i = 0; i < _nvalues; i++) newinst->_values[i] = _values[i];
    return newinst;
}

SQInstance::~SQInstance() {
    if (_hook) {
        SQRELEASEHOOK hook = _hook;
        _hook = nullptr;
        hook(_userpointer, 0);
    }
    for (SQInteger i = 0; i < _nvalues; i++) _values[i].~SQObjectPtr();
    _nvalues = 0;
    ReleaseRef(_class);
}

bool SQInstance::InstanceOf(SQClass *trg) {
    for (SQClass *parent = _class; parent; parent = parent->_base) {
        if (parent == trg) return true;
    }
    return false;
}

void SQInstance::Mark(SQGCMarker &marker) {
    marker.Mark(_class);
    for (SQInteger i = 0; i < _nvalues; i++) marker.Mark(_values[i]);
}

void SQInstance::Finalize() {
    for (SQInteger i = 0; i < _nvalues; i++) _values[i].Null();
}

// ---- generators

bool SQGenerator::Yield(SQVM *v, SQInteger target) {
    (void)target;
    if (_state != eRunning) {
        v->Raise_Error("internal vm error, yielding dead generator");
        return false;
    }
    SQInteger size = v->_top - v->_stackbase;
    // Room first: nothing below may fail half way.
    _stack.resize((size_t)size);
    _etraps.reserve(_etraps.size() + (size_t)v->ci->_etraps);
    for (SQInteger n = 0; n < size; n++) {
        _stack[(size_t)n] = v->_stack[(size_t)(v->_stackbase + n)];
    }
    v->CloseOuters(&v->_stack[(size_t)v->_stackbase]);
    for (SQInteger j = 0; j < size; j++) v->_stack[(size_t)(v->_stackbase + j)].Null();
    _ci = *v->ci;
    _ci._generator = nullptr;
    for (SQInteger i = 0; i < _ci._etraps; i++) {
        SQExceptionTrap trap = v->_etraps.back();
        trap._stackbase -= v->_stackbase;
        _etraps.push_back(trap);
        v->_etraps.pop_back();
    }
    _state = eSuspended;
    return true;
}

bool SQGenerator::Resume(SQVM *v, SQInteger target) {
    if (_state == eDead) {
        v->Raise_Error("resuming dead generator");
        return false;
    }
    if (_state == eRunning) {
        v->Raise_Error("resuming active generator");
        return false;
    }
    SQInteger size = (SQInteger)_stack.size();
    v->_etraps.reserve(v->_etraps.size() + (size_t)_ci._etraps);  // nothing below may fail half way
    if (!v->EnterFrame(v->_top, v->_top + size, false)) return false;
    v->ci->_generator = this;
    v->ci->_target = (SQInt32)target;
    v->ci->_closure = _ci._closure;
    v->ci->_ip = _ci._ip;
    v->ci->_literals = _ci._literals;
    v->ci->_ncalls = _ci._ncalls;
    v->ci->_etraps = _ci._etraps;
    v->ci->_root = _ci._root;
    for (SQInteger i = 0; i < _ci._etraps; i++) {
        SQExceptionTrap trap = _etraps.back();
        trap._stackbase += v->_stackbase;
        v->_etraps.push_back(trap);
        _etraps.pop_back();
    }
    for (SQInteger n = 0; n < size; n++) {
        v->_stack[(size_t)(v->_stackbase + n)] = _stack[(size_t)n];
        _stack[(size_t)n].Null();
    }
    _state = eRunning;
    if (sqtype(v->_debughook) != OT_NULL) v->CallDebugHook('c');
    return true;
}
