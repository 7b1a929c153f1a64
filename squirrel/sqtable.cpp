// The scatter table described in sqtable.h.
#include "squirrel/sqtable.h"

#include "squirrel/sqstate.h"

#include <new>

SQTable::SQTable(SQSharedState *ss, SQInteger initialSize, bool hasinline)
    : SQDelegable(ss), _usednodes(0), _hasinline(hasinline ? 1u : 0u) {
    SQInteger pow2size = SQ_TABLE_MINPOWER2;
    while (initialSize > pow2size) pow2size = pow2size << 1;
    AllocNodes(pow2size);
    _usednodes = 0;
}

SQTable *SQTable::Create(SQSharedState *ss, SQInteger initialSize) {
    if (initialSize > SQ_TABLE_MINPOWER2) return new SQTable(ss, initialSize, false);
    // The constructor allocates nothing more here: its nodes are the room after it.
    void *mem = sq_vm_malloc(sizeof(SQTable) + sizeof(HashNode) * SQ_TABLE_MINPOWER2);
    return new (mem) SQTable(ss, initialSize, true);
}

SQTable::~SQTable() {
    SetDelegate(nullptr);
    FreeNodes(_nodes, _numofnodes);
}

void SQTable::AllocNodes(SQInteger size) {
    HashNode *nodes;
    if (size == SQ_TABLE_MINPOWER2 && _hasinline && _nodes != InlineNodes())
        nodes = InlineNodes();
    else
        nodes = static_cast<HashNode *>(sq_vm_malloc(sizeof(HashNode) * (size_t)size));
    for (SQInteger i = 0; i < size; i++) new (&nodes[i]) HashNode();
    _nodes = nodes;
    _numofnodes = size;
    _spare = _numofnodes - 1;
}

void SQTable::FreeNodes(HashNode *nodes, SQInteger count) {
    for (SQInteger i = 0; i < count; i++) nodes[i].~HashNode();
    if (!(_hasinline && nodes == InlineNodes())) sq_vm_free(nodes);
}

// Grows to twice the size when three quarters or more of the nodes are used, shrinks to half
// when a quarter or less are, and otherwise, when forced (no free node left), rebuilds at the
// same size to gather the nodes that removals left behind. Keys are inserted anew.
void SQTable::Rehash(bool force) {
    SQInteger oldsize = _numofnodes;
    if (oldsize < 4) oldsize = 4;
    SQInteger oldcount = _numofnodes;
    HashNode *nold = _nodes;
    SQInteger nelems = CountUsed();
    if (nelems >= oldsize - oldsize / 4)
        AllocNodes(oldsize * 2);
    else if (nelems <= oldsize / 4 && oldsize > SQ_TABLE_MINPOWER2)
        AllocNodes(oldsize / 2);
    else if (force)
        AllocNodes(oldsize);
    else
        return;
    _usednodes = 0;
    for (SQInteger i = 0; i < oldsize; i++) {
        HashNode *old = nold + i;
        if (sqtype(old->key) != OT_NULL) NewSlot(old->key.Get(), old->val);
    }
    FreeNodes(nold, oldcount);
}

SQTable *SQTable::Clone() {
    SQTable *nt = Create(_sharedstate, _numofnodes);
    for (SQInteger i = 0; i < _numofnodes; i++) {
        if (sqtype(_nodes[i].key) != OT_NULL) nt->NewSlot(_nodes[i].key.Get(), _nodes[i].val);
    }
    nt->SetDelegate(_delegate);
    return nt;
}

// Lua's insertion: the key goes to its main position; a guest found there moves out to the free
// node, a resident stays and the new key takes the free node, chained behind it.
bool SQTable::NewSlot(const SQObjectPtr &key, const SQObjectPtr &val) {
    assert(sqtype(key) != OT_NULL);
    SQHash h = sq_hashobject(key) & (_numofnodes - 1);
    HashNode *n = GetNode(key, h);
    if (n) {
        n->val = val;
        return false;
    }
    HashNode *mp = &_nodes[h];
    n = mp;
    if (sqtype(mp->key) != OT_NULL) {
        n = &_nodes[_spare];
        SQHash mph = sq_hashobject(mp->key.Get()) & (_numofnodes - 1);
        HashNode *othern;
        SQInt32 nidx = (SQInt32)(n - _nodes), mpidx = (SQInt32)(mp - _nodes);
        if (mp > n && (othern = &_nodes[mph]) != mp) {
            // The colliding node is out of its main position: move it to the free node.
            while (othern->key._next != mpidx) othern = Next(othern);
            othern->key._next = nidx;
            n->key.Set(mp->key.Get());
            n->val = mp->val;
            n->key._next = mp->key._next;
            mp->key.Null();
            mp->val.Null();
            mp->key._next = -1;
        } else {
            n->key._next = mp->key._next;
            mp->key._next = nidx;
            mp = n;
        }
    }
    mp->key.Set(key);
    for (;;) {
        HashNode *ff = &_nodes[_spare];
        if (sqtype(ff->key) == OT_NULL && ff->key._next < 0) {
            mp->val = val;
            _usednodes++;
            return true;
        } else if (_spare == 0)
            break;
        else
            _spare--;
    }
    Rehash(true);
    return NewSlot(key, val);
}

bool SQTable::Set(const SQObjectPtr &key, const SQObjectPtr &val) {
    if (sqtype(key) == OT_NULL) return false;
    HashNode *n = GetNode(key, sq_hashobject(key) & (_numofnodes - 1));
    if (n) {
        n->val = val;
        return true;
    }
    return false;
}

void SQTable::Remove(const SQObjectPtr &key) {
    if (sqtype(key) == OT_NULL) return;
    HashNode *n = GetNode(key, sq_hashobject(key) & (_numofnodes - 1));
    if (n) {
        SQObjectPtr oldval = n->val, oldkey = n->key.Get();  // released after the node is consistent
        n->val.Null();
        n->key.Null();
        _usednodes--;
        Rehash(false);
    }
}

// The iterator is the index after the last node visited; weak references are resolved unless
// getweakrefs asks for them as they are. -1 at the end.
SQInteger SQTable::Next(bool getweakrefs, const SQObjectPtr &refpos, SQObjectPtr &outkey, SQObjectPtr &outval) {
    SQInteger idx = sqtype(refpos) == OT_NULL ? 0 : (SQInteger)tointeger(refpos);
    if (idx < 0) return -1;
    for (; idx < _numofnodes; idx++) {
        if (sqtype(_nodes[idx].key) != OT_NULL) {
            HashNode &n = _nodes[idx];
            outkey = n.key.Get();
            if (!getweakrefs && sqtype(n.val) == OT_WEAKREF)
                outval = _weakref(n.val)->_obj;
            else
                outval = n.val;
            return idx + 1;
        }
    }
    return -1;
}

void SQTable::Clear() {
    HashNode *old = _nodes;
    SQInteger oldsize = _numofnodes;
    AllocNodes(SQ_TABLE_MINPOWER2);
    _usednodes = 0;
    FreeNodes(old, oldsize);
}

void SQTable::Mark(SQGCMarker &marker) {
    if (_delegate) marker.Mark(_delegate);
    for (SQInteger i = 0; i < _numofnodes; i++) {
        marker.Mark(_nodes[i].key.Get());
        marker.Mark(_nodes[i].val);
    }
}

void SQTable::Finalize() {
    HashNode *old = _nodes;
    SQInteger oldsize = _numofnodes;
    try {
        AllocNodes(SQ_TABLE_MINPOWER2);
    } catch (const std::bad_alloc &) {
        // Without memory for fresh nodes the old ones are emptied in place.
        for (SQInteger i = 0; i < oldsize; i++) {
            old[i].key._next = -1;
            old[i].key.Null();
            old[i].val.Null();
        }
        _spare = _numofnodes - 1;
        _usednodes = 0;
        SetDelegate(nullptr);
        return;
    }
    _usednodes = 0;
    SetDelegate(nullptr);
    FreeNodes(old, oldsize);
}

static_assert(sizeof(SQTable::HashNode) == 32, "a node holds a value, a key and a chain index in 32 bytes");
