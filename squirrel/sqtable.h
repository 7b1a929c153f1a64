// Tables: a scatter table of nodes with chained collisions inside one power-of-two node array.
//
// Every key has a main position: its hash masked by the array size. A new key takes its main
// position when that node is free. Otherwise it takes a free node chained from there; but when
// the key already in the main position is a guest (its own main position is elsewhere), the
// guest moves to the free node and the new key takes its place. So a key's chain starts at its
// main position, and a lookup walks one short chain.
// The first free index (kept in _spare) only ever walks down the array looking for a free node; when it reaches the
// bottom, the table is rehashed: doubled when three quarters or more are in use, halved when a
// quarter or less is, otherwise rebuilt at the same size. Removing a key nulls its node in place,
// leaving the links as they are (a later key may take the node again), and may shrink the table.
// A null key marks a free node, so null is never a key.
//
// Strings are interned, so a string key compares by pointer and hashes once. Iteration walks
// the node array in index order: with keys that hash by value (strings, numbers, bools) the
// order is a function of the sequence of insertions and removals alone; other keys hash by
// address. Values may be weak references; Get resolves them, GetSlot does not.
#pragma once

#include "squirrel/sqstring.h"

#define SQ_TABLE_MINPOWER2 4

inline SQHash sq_hashobject(const SQObject &key) {
    switch (sqtype(key)) {
    case OT_STRING: return _string(key)->_hash;
    case OT_FLOAT: return (SQHash)sq_ftoi(_float(key));
    case OT_BOOL:
    case OT_INTEGER: return (SQHash)_integer(key);
    default: return (SQHash)(((uintptr_t)key._unVal.pRefCounted) >> 3);
    }
}

struct SQTable : public SQDelegable {
    // A node is 32 bytes: the key keeps its type and value words (read with sqtype and
    // _rawval like any object), and the chain link, an index, fills the word beside the type.
    struct NodeKey {
        SQObjectValue _unVal;
        SQObjectType _type;
        SQInt32 _next;  // index of the next node of the chain, -1 at its end
        NodeKey() {
            _unVal.raw = 0;
            _type = OT_NULL;
            _next = -1;
        }
        NodeKey(const NodeKey &) = delete;
        NodeKey &operator=(const NodeKey &) = delete;
        ~NodeKey() { Null(); }
        SQObject Get() const {
            SQObject o;
            o._type = _type;
            o._unVal = _unVal;
            return o;
        }
        // Takes a new reference to o; the one held before goes.
        void Set(const SQObject &o) {
            SQObject old = Get();
            _type = o._type;
            _unVal = o._unVal;
            if (ISREFCOUNTED(_type)) _unVal.pRefCounted->_uiRef++;
            if (ISREFCOUNTED(old._type) && --old._unVal.pRefCounted->_uiRef == 0)
                old._unVal.pRefCounted->Release();
        }
        void Null() {
            SQObject old = Get();
            _type = OT_NULL;
            _unVal.raw = 0;
            if (ISREFCOUNTED(old._type) && --old._unVal.pRefCounted->_uiRef == 0)
                old._unVal.pRefCounted->Release();
        }
    };
    struct HashNode : SQAllocated {
        SQObjectPtr val;
        NodeKey key;
    };

    static SQTable *Create(SQSharedState *ss, SQInteger initialSize);
    ~SQTable() override;
    void Mark(SQGCMarker &marker) override;
    void Finalize() override;
    SQObjectType GetType() override { return OT_TABLE; }

    SQTable *Clone();
    bool Get(const SQObjectPtr &key, SQObjectPtr &val) {
        if (sqtype(key) == OT_NULL) return false;
        HashNode *n = GetNode(key, sq_hashobject(key) & (_numofnodes - 1));
        if (n) {
            val = sq_realval(n->val);
            return true;
        }
        return false;
    }
    // The slot of key, or null; the value is raw (a weak reference is not resolved).
    SQObjectPtr *GetSlot(const SQObjectPtr &key) {
        if (sqtype(key) == OT_STRING) {  // interned: the same string is the same pointer
            HashNode *n = &_nodes[_string(key)->_hash & (_numofnodes - 1)];
            do {
                if (_rawval(n->key) == _rawval(key) && sqtype(n->key) == OT_STRING) return &n->val;
            } while ((n = Next(n)));
            return nullptr;
        }
        if (sqtype(key) == OT_NULL) return nullptr;
        HashNode *n = GetNode(key, sq_hashobject(key) & (_numofnodes - 1));
        return n ? &n->val : nullptr;
    }
    HashNode *Next(const HashNode *n) { return n->key._next >= 0 ? &_nodes[n->key._next] : nullptr; }
    HashNode *GetNode(const SQObjectPtr &key, SQHash hash) {
        HashNode *n = &_nodes[hash];
        do {
            if (_rawval(n->key) == _rawval(key) && sqtype(n->key) == sqtype(key)) return n;
        } while ((n = Next(n)));
        return nullptr;
    }
    // The last node found for a string key, with the node array it was found in. It is only
    // trusted while the table has that same array and the node still holds the key: a rehash
    // (new array) or the removal of the key makes it miss, and a miss simply looks up again.
    // It holds no reference, and one cache may be used with any number of tables.
    struct SlotCache {
        uintptr_t nodes = 0;
        SQInteger numofnodes = -1;
        HashNode *node = nullptr;
    };
    // GetSlot, trying the node in c first for a string key and remembering the node found.
    SQObjectPtr *GetSlot(const SQObjectPtr &key, SlotCache &c) {
        if (sqtype(key) != OT_STRING) return GetSlot(key);
        if (c.nodes == (uintptr_t)_nodes && c.numofnodes == _numofnodes && _rawval(c.node->key) == _rawval(key) &&
            sqtype(c.node->key) == OT_STRING)
            return &c.node->val;
        HashNode *n = &_nodes[_string(key)->_hash & (_numofnodes - 1)];
        do {
            if (_rawval(n->key) == _rawval(key) && sqtype(n->key) == OT_STRING) {
                c.nodes = (uintptr_t)_nodes;
                c.numofnodes = _numofnodes;
                c.node = n;
                return &n->val;
            }
        } while ((n = Next(n)));
        return nullptr;
    }
    // Fast path for interned string keys.
    bool GetStr(SQString *key, SQObjectPtr &val) {
        HashNode *n = &_nodes[key->_hash & (_numofnodes - 1)];
        do {
            if (sqtype(n->key) == OT_STRING && _string(n->key) == key) {
                val = sq_realval(n->val);
                return true;
            }
        } while ((n = Next(n)));
        return false;
    }
    void Remove(const SQObjectPtr &key);
    bool Set(const SQObjectPtr &key, const SQObjectPtr &val);
    // Returns true when a new slot was made, false when an existing one was overwritten.
    bool NewSlot(const SQObjectPtr &key, const SQObjectPtr &val);
    SQInteger Next(bool getweakrefs, const SQObjectPtr &refpos, SQObjectPtr &outkey, SQObjectPtr &outval);
    SQInteger CountUsed() { return (SQInteger)_usednodes; }
    void Clear();

private:
    SQTable(SQSharedState *ss, SQInteger initialSize, bool hasinline);
    void AllocNodes(SQInteger size);
    // Destroys count nodes and frees their array unless it is the table's own.
    void FreeNodes(HashNode *nodes, SQInteger count);
    HashNode *InlineNodes() { return reinterpret_cast<HashNode *>(this + 1); }
    void Rehash(bool force);

    // _spare (in the header): no free node above this index; the next one is searched below.
    HashNode *_nodes = nullptr;  // _numofnodes nodes, a power of two
    SQInteger _numofnodes = 0;
    SQUnsignedInteger _usednodes : 31;  // nodes holding a key
    // A table made small has room for SQ_TABLE_MINPOWER2 nodes right after itself (one
    // allocation for the object and its nodes); it uses it whenever it has that many nodes and
    // the room is not the array being replaced.
    SQUnsignedInteger _hasinline : 1;
};
#if UINTPTR_MAX > 0xffffffffu
static_assert(sizeof(SQTable) == 72, "a small table and its nodes fill one 208-byte block");
#endif
