// Classes and their instances. A class keeps one table from member name to slot: fields get
// a per-instance copy of their default value, methods and static members live in the class.
// A function under a metamethod name (_add, _tostring, ...) is kept in the metamethod table
// only: it is no member, so iteration, 'in' and lookups never see it.
// A class is locked once it has an instance: fields can no longer be added. Members change only
// through new-slot; '=' on a class, or on a method or static reached through an instance, fails.
#pragma once

#include "squirrel/sqtable.h"

#define SQ_MEMBER_TYPE_METHOD 0x01000000
#define SQ_MEMBER_TYPE_FIELD 0x02000000
#define sq_ismethod(o) (_integer(o) & SQ_MEMBER_TYPE_METHOD)
#define sq_isfield(o) (_integer(o) & SQ_MEMBER_TYPE_FIELD)
#define sq_member_idx(o) (_integer(o) & 0x00FFFFFF)

struct SQInstance;

struct SQClassMember {
    SQObjectPtr val;
    SQObjectPtr attrs;
};

struct SQClass : public SQCollectable {
    SQTable *_members;
    SQClass *_base;
    sqvector<SQClassMember> _defaultvalues;
    sqvector<SQClassMember> _methods;
    SQObjectPtr _metamethods[MT_LAST];
    SQObjectPtr _attributes;
    SQUserPointer _typetag = nullptr;
    SQRELEASEHOOK _hook = nullptr;
    bool _locked = false;
    SQInteger _constructoridx = -1;
    SQInteger _udsize = 0;

    static SQClass *Create(SQSharedState *ss, SQClass *base) { return new SQClass(ss, base); }
    ~SQClass() override;
    bool NewSlot(SQSharedState *ss, const SQObjectPtr &key, const SQObjectPtr &val, bool bstatic);
    bool Get(const SQObjectPtr &key, SQObjectPtr &val) {
        SQObjectPtr idx;
        if (_members->Get(key, idx)) {
            if (sq_isfield(idx))
                val = sq_realval(_defaultvalues[(size_t)sq_member_idx(idx)].val);
            else
                val = _methods[(size_t)sq_member_idx(idx)].val;
            return true;
        }
        return false;
    }
    bool GetConstructor(SQObjectPtr &ctor) {
        if (_constructoridx != -1) {
            ctor = _methods[(size_t)_constructoridx].val;
            return true;
        }
        return false;
    }
    bool SetAttributes(const SQObjectPtr &key, const SQObjectPtr &val);
    bool GetAttributes(const SQObjectPtr &key, SQObjectPtr &outval);
    void Lock() {
        _locked = true;
        if (_base) _base->Lock();
    }
    SQInstance *CreateInstance();
    SQInteger Next(const SQObjectPtr &refpos, SQObjectPtr &outkey, SQObjectPtr &outval);
    void Mark(SQGCMarker &marker) override;
    void Finalize() override;
    SQObjectType GetType() override { return OT_CLASS; }

private:
    SQClass(SQSharedState *ss, SQClass *base);
};

struct SQInstance : public SQDelegable {
    SQClass *_class;
    SQUserPointer _userpointer = nullptr;
    SQRELEASEHOOK _hook = nullptr;
    SQInteger _nvalues;
    SQObjectPtr *_values;  // _nvalues slots allocated after the object, then the class's user data

    static SQInstance *Create(SQSharedState *ss, SQClass *theclass);
    SQInstance *Clone(SQSharedState *ss);
    ~SQInstance() override;
    bool Get(const SQObjectPtr &key, SQObjectPtr &val) {
        SQObjectPtr idx;
        if (_class->_members->Get(key, idx)) {
            if (sq_isfield(idx))
                val = sq_realval(_values[sq_member_idx(idx)]);
            else
                val = _class->_methods[(size_t)sq_member_idx(idx)].val;
            return true;
        }
        return false;
    }
    // The slot of member key (this instance's field or the class's method), or null.
    SQObjectPtr *GetMemberSlot(const SQObjectPtr &key, bool &isfield) {
        const SQObjectPtr *idx = _class->_members->GetSlot(key);
        if (!idx) return nullptr;
        isfield = sq_isfield(*idx) != 0;
        return isfield ? &_values[sq_member_idx(*idx)] : &_class->_methods[(size_t)sq_member_idx(*idx)].val;
    }
    bool Set(const SQObjectPtr &key, const SQObjectPtr &val) {
        SQObjectPtr idx;
        if (_class->_members->Get(key, idx) && sq_isfield(idx)) {
            _values[sq_member_idx(idx)] = val;
            return true;
        }
        return false;
    }
    bool InstanceOf(SQClass *trg);
    bool GetMetaMethod(SQMetaMethod mm, SQObjectPtr &res) {
        if (sqtype(_class->_metamethods[mm]) != OT_NULL) {
            res = _class->_metamethods[mm];
            return true;
        }
        return false;
    }
    void Mark(SQGCMarker &marker) override;
    void Finalize() override;
    SQObjectType GetType() override { return OT_INSTANCE; }

private:
    SQInstance(SQSharedState *ss, SQClass *c);
};
