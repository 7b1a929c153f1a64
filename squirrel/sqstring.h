// Interned strings. Every string of a shared state exists once, so string equality is pointer
// equality and the hash is computed once at creation.
#pragma once

#include "squirrel/sqobject.h"

struct SQString : public SQRefCounted {
    SQSharedState *_sharedstate;
    SQString *_next;  // chain of the string table bucket
    SQInteger _len;
    SQHash _hash;
    SQChar _val[1];  // _len characters plus a terminating zero

    static SQString *Create(SQSharedState *ss, const SQChar *s, SQInteger len = -1);
    // Iterates the characters: key is the index, value the character code.
    SQInteger Next(const SQObjectPtr &refpos, SQObjectPtr &outkey, SQObjectPtr &outval);
    void Release() override;
};

inline SQHash sq_hashstring(const SQChar *s, size_t length) {
    SQHash h = (SQHash)length;
    size_t step = (length >> 5) | 1;  // long strings hash a sample of their characters
    for (; length >= step; length -= step) h = h ^ ((h << 5) + (h >> 2) + (unsigned short)*(s++));
    return h;
}

struct SQStringTable : SQAllocated {
    explicit SQStringTable(SQSharedState *ss);
    ~SQStringTable();
    SQString *Add(const SQChar *s, SQInteger len);
    void Remove(SQString *bs);

private:
    void Resize(SQUnsignedInteger size);
    SQSharedState *_sharedstate;
    SQString **_strings = nullptr;
    SQUnsignedInteger _numofslots = 0;
    SQUnsignedInteger _slotused = 0;
};
