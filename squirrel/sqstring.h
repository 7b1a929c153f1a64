// Interned strings. Every string of a shared state exists once, so string equality is pointer
// equality and the hash is computed once at creation.
#pragma once

#include "squirrel/sqobject.h"

struct SQString : public SQRefCounted {
    SQSharedState *_sharedstate;
    SQString *_next;  // chain of the string table bucket
    SQInteger _len;
    SQHash _hash;
    SQInteger _cacheentries = 0;  // entries of the string table's text cache naming this string
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
    // C strings added lately, by their address: a name the API passes again and again skips the
    // length, the hash and the bucket walk. An entry is checked against its text before use, and
    // goes with its string.
    struct CachedText {
        const SQChar *text;
        SQString *str;
    };
    static constexpr size_t TextCacheSize = 64;

    void Resize(SQUnsignedInteger size);
    SQString *Find(const SQChar *s, SQInteger len, SQHash hash);
    SQString *Create(const SQChar *s, SQInteger len, SQHash hash);
    SQSharedState *_sharedstate;
    SQString **_strings = nullptr;
    SQUnsignedInteger _numofslots = 0;
    SQUnsignedInteger _slotused = 0;
    CachedText _textcache[TextCacheSize] = {};
};
