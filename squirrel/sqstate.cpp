#include "squirrel/sqstate.h"

#include "squirrel/sqvm.h"

#include <cstdarg>
#include <cstdio>

SQSharedState::SQSharedState() { _stringtable = new SQStringTable(this); }

SQSharedState::~SQSharedState() {
    // After a close cut short, values may still be held here: they go before the strings.
    _metamethods.clear();
    _metamethodsmap.Null();
    _constructoridx.Null();
    _outofmemory.Null();
    _root_vm.Null();
    delete _stringtable;
}

void SQSharedState::Init() {
    static const SQChar *const names[] = {SQ_METAMETHOD_NAMES};
    _outofmemory = SQSTR(this, "out of memory");
    _metamethodsmap = SQTable::Create(this, MT_LAST);
    for (SQInteger i = 0; i < MT_LAST; i++) {
        SQObjectPtr name = SQSTR(this, names[i]);
        _metamethods.push_back(name);
        _table(_metamethodsmap)->NewSlot(name, SQObjectPtr(i));
    }
    _constructoridx = SQSTR(this, "constructor");
    _registry = SQTable::Create(this, 0);
    _consts = SQTable::Create(this, 0);
}

SQInteger SQSharedState::GetMetaMethodIdxByName(const SQObjectPtr &name) {
    if (sqtype(name) != OT_STRING) return -1;
    SQObjectPtr ret;
    if (_table(_metamethodsmap)->Get(name, ret)) return _integer(ret);
    return -1;
}

SQChar *SQSharedState::GetScratchPad(SQInteger size) {
    if (size < 0) size = 0;
    if ((size_t)size > _scratchpad.size() || _scratchpad.empty()) _scratchpad.resize((size_t)size + 64);
    return _scratchpad.data();
}

void SQSharedState::AddRef(SQObject &obj) {
    if (!ISREFCOUNTED(sqtype(obj))) return;
    SQRefEntry &e = _refs_table[obj._unVal.pRefCounted];
    if (e.refs == 0) e.obj = obj;
    e.refs++;
}

bool SQSharedState::Release(SQObject &obj) {
    if (!ISREFCOUNTED(sqtype(obj))) return true;
    auto it = _refs_table.find(obj._unVal.pRefCounted);
    if (it == _refs_table.end()) return true;
    if (--it->second.refs == 0) {
        SQObjectPtr hold = it->second.obj;  // released after the entry is gone
        _refs_table.erase(it);
        return true;
    }
    return false;
}

SQUnsignedInteger SQSharedState::GetRefCount(SQObject &obj) {
    if (!ISREFCOUNTED(sqtype(obj))) return 0;
    auto it = _refs_table.find(obj._unVal.pRefCounted);
    return it == _refs_table.end() ? 0 : it->second.refs;
}

namespace {
void DestroyGarbage(sqvector<SQCollectable *> &garbage) {
    for (SQCollectable *c : garbage) c->_uiRef++;
    for (SQCollectable *c : garbage) c->Finalize();
    for (SQCollectable *c : garbage) {
        if (--c->_uiRef == 0) c->Release();
    }
}
}  // namespace

SQInteger SQSharedState::CollectGarbage(SQVM *vm) {
    (void)vm;
    // The scratch lives in the back links: they are rebuilt however the marking ends (it
    // allocates, so it may run out of memory).
    struct RelinkChain {
        SQCollectable *head;
        void Run() {
            SQCollectable *prev = nullptr;
            for (SQCollectable *c = head; c; c = c->_next) {
                c->_prev = prev;
                prev = c;
            }
            head = nullptr;
        }
        ~RelinkChain() { Run(); }
    } relink{_gc_chain};
    SQGCMarker marker;
    for (SQCollectable *c = _gc_chain; c; c = c->_next) {
        c->_gc.refs = (SQInteger)c->_uiRef;
        c->_gc.marked = false;
    }
    marker.counting = true;
    for (SQCollectable *c = _gc_chain; c; c = c->_next) c->Mark(marker);
    marker.counting = false;
    // Anything referenced from outside the collectables (VM stacks held by the host, the shared
    // state's tables, host references, native locals) is a root.
    for (SQCollectable *c = _gc_chain; c; c = c->_next) {
        if (c->_gc.refs > 0) marker.Mark(c);
    }
    while (!marker.gray.empty()) {
        SQCollectable *c = marker.gray.back();
        marker.gray.pop_back();
        c->Mark(marker);
    }
    sqvector<SQCollectable *> garbage;
    for (SQCollectable *c = _gc_chain; c; c = c->_next) {
        if (!c->_gc.marked && c->_uiRef > 0) garbage.push_back(c);
    }
    relink.Run();
    SQInteger count = (SQInteger)garbage.size();
    DestroyGarbage(garbage);
    return count;
}

void SQSharedState::Close() {
    _closing = true;
    {
        SQRefTable refs;
        refs.swap(_refs_table);
    }
    _registry.Null();
    _consts.Null();
    _table_default_delegate.Null();
    _array_default_delegate.Null();
    _string_default_delegate.Null();
    _number_default_delegate.Null();
    _generator_default_delegate.Null();
    _closure_default_delegate.Null();
    _thread_default_delegate.Null();
    _class_default_delegate.Null();
    _instance_default_delegate.Null();
    _weakref_default_delegate.Null();
    // Every survivor is garbage now; release hooks may make new objects, so repeat until empty.
    // The chain is walked in place, so that closing needs no memory: every object is held while
    // the objects are finalized, so none is freed before its turn; objects made meanwhile go to
    // the head of the chain, before the walk's first, for the next round.
    for (int round = 0; _gc_chain && round < 16; round++) {
        SQCollectable *first = _gc_chain;
        for (SQCollectable *c = first; c; c = c->_next) c->_uiRef++;
        for (SQCollectable *c = first; c; c = c->_next) c->Finalize();
        for (SQCollectable *c = first; c;) {
            SQCollectable *next = c->_next;
            if (--c->_uiRef == 0) c->Release();
            c = next;
        }
    }
    _metamethodsmap.Null();
    _metamethods.clear();
    _constructoridx.Null();
    _outofmemory.Null();
}

SQString *sq_format_string(SQSharedState *ss, const SQChar *fmt, ...) {
    char buffer[512];
    va_list vl;
    va_start(vl, fmt);
    int n = vsnprintf(buffer, sizeof(buffer), fmt, vl);
    va_end(vl);
    if (n < (int)sizeof(buffer)) return SQString::Create(ss, buffer, n < 0 ? 0 : n);
    sqvector<char> big((size_t)n + 1);
    va_start(vl, fmt);
    vsnprintf(big.data(), big.size(), fmt, vl);
    va_end(vl);
    return SQString::Create(ss, big.data(), n);
}
