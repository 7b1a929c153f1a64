#include "squirrel/sqstring.h"

#include "squirrel/sqstate.h"

#include <cstdlib>
#include <cstring>
#include <new>

SQStringTable::SQStringTable(SQSharedState *ss) : _sharedstate(ss) { Resize(256); }

SQStringTable::~SQStringTable() {
    // Strings still alive here belong to objects that outlive the state by mistake; leave them.
    sq_vm_free(_strings);
}

void SQStringTable::Resize(SQUnsignedInteger size) {
    SQString **fresh = (SQString **)sq_vm_malloc(size * sizeof(SQString *));
    std::memset(fresh, 0, size * sizeof(SQString *));
    for (SQUnsignedInteger i = 0; i < _numofslots; i++) {
        SQString *p = _strings[i];
        while (p) {
            SQString *next = p->_next;
            SQHash h = p->_hash & (size - 1);
            p->_next = fresh[h];
            fresh[h] = p;
            p = next;
        }
    }
    sq_vm_free(_strings);
    _strings = fresh;
    _numofslots = size;
}

SQString *SQStringTable::Find(const SQChar *s, SQInteger len, SQHash hash) {
    for (SQString *str = _strings[hash & (_numofslots - 1)]; str; str = str->_next) {
        if (str->_hash == hash && str->_len == len && std::memcmp(s, str->_val, (size_t)len) == 0)
            return str;
    }
    return nullptr;
}

SQString *SQStringTable::Add(const SQChar *s, SQInteger len) {
    CachedText *cached = nullptr;
    if (len < 0) {
        // A C string: its text ends at the first zero, so an entry matches when the texts do.
        uintptr_t address = (uintptr_t)s;
        cached = &_textcache[(address ^ (address >> 7)) % TextCacheSize];
        if (cached->text == s && std::strcmp(s, cached->str->_val) == 0) return cached->str;
        len = (SQInteger)std::strlen(s);
    }
    SQHash newhash = sq_hashstring(s, (size_t)len);
    SQString *found = Find(s, len, newhash);
    if (!found) found = Create(s, len, newhash);
    if (cached) {
        if (cached->str) cached->str->_cacheentries--;
        cached->text = s;
        cached->str = found;
        found->_cacheentries++;
    }
    return found;
}

SQString *SQStringTable::Create(const SQChar *s, SQInteger len, SQHash newhash) {
    SQHash h = newhash & (_numofslots - 1);
    // The table grows first: a failure leaves it as it was, with no string half made.
    if (_slotused + 1 > _numofslots) {
        Resize(_numofslots * 2);
        h = newhash & (_numofslots - 1);
    }
    void *mem = sq_vm_malloc(sizeof(SQString) + (size_t)len);
    SQString *t = new (mem) SQString;
    t->_sharedstate = _sharedstate;
    if (len) std::memcpy(t->_val, s, (size_t)len);
    t->_val[len] = 0;
    t->_len = len;
    t->_hash = newhash;
    t->_next = _strings[h];
    _strings[h] = t;
    _slotused++;
    return t;
}

void SQStringTable::Remove(SQString *bs) {
    for (size_t i = 0; bs->_cacheentries > 0 && i < TextCacheSize; i++) {
        if (_textcache[i].str != bs) continue;
        _textcache[i] = CachedText{nullptr, nullptr};
        bs->_cacheentries--;
    }
    SQHash h = bs->_hash & (_numofslots - 1);
    SQString *prev = nullptr;
    for (SQString *s = _strings[h]; s; prev = s, s = s->_next) {
        if (s == bs) {
            if (prev)
                prev->_next = s->_next;
            else
                _strings[h] = s->_next;
            _slotused--;
            s->~SQString();
            sq_vm_free(s);
            return;
        }
    }
    assert(0 && "string not in its table");
}

SQString *SQString::Create(SQSharedState *ss, const SQChar *s, SQInteger len) {
    return ss->_stringtable->Add(s, len);
}

void SQString::Release() { _sharedstate->_stringtable->Remove(this); }

SQInteger SQString::Next(const SQObjectPtr &refpos, SQObjectPtr &outkey, SQObjectPtr &outval) {
    SQInteger idx = sqtype(refpos) == OT_NULL ? 0 : (SQInteger)tointeger(refpos);
    if (idx >= 0 && idx < _len) {
        outkey = idx;
        outval = (SQInteger)_val[idx];
        return idx + 1;
    }
    return -1;
}
