#include "squirrel/stdlib/sqstdblob.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "squirrel/stdlib/registration.h"
#include "squirrel/stdlib/sqstdio.h"
#include "squirrel/stdlib/stream.h"

#define SQSTD_BLOB_TYPE_TAG (SQSTD_STREAM_TYPE_TAG | 0x00000002)

namespace {

// A byte buffer with a read/write position. Invariants: 0 <= position <= size <= capacity.
// Writing past the end grows the size; resize() sets the capacity and only ever shrinks the size.
class SQBlob : public SQStream {
  public:
    explicit SQBlob(SQInteger size) : m_size(size), m_capacity(size) {
        m_bytes = static_cast<unsigned char*>(calloc((size_t)size + 1, 1));
    }
    ~SQBlob() override { free(m_bytes); }
    SQBlob(const SQBlob&) = delete;
    SQBlob& operator=(const SQBlob&) = delete;

    SQInteger Write(void* buffer, SQInteger size) override {
        if (size <= 0) return 0;
        if (m_position + size > m_size) {
            if (!Grow(m_position + size - m_size)) return 0;
        }
        memcpy(m_bytes + m_position, buffer, (size_t)size);
        m_position += size;
        return size;
    }

    SQInteger Read(void* buffer, SQInteger size) override {
        SQInteger available = m_size - m_position;
        if (size > available) size = available;
        if (size <= 0) return 0;
        memcpy(buffer, m_bytes + m_position, (size_t)size);
        m_position += size;
        return size;
    }

    bool Resize(SQInteger capacity) {
        if (capacity < 0) return false;
        if (capacity == m_capacity) return true;
        unsigned char* bytes = static_cast<unsigned char*>(calloc((size_t)capacity + 1, 1));
        if (bytes == nullptr) return false;
        memcpy(bytes, m_bytes, (size_t)(m_size < capacity ? m_size : capacity));
        free(m_bytes);
        m_bytes = bytes;
        m_capacity = capacity;
        if (m_size > capacity) m_size = capacity;
        if (m_position > capacity) m_position = capacity;
        return true;
    }

    SQInteger Seek(SQInteger offset, SQInteger origin) override {
        int64_t base;
        switch (origin) {
        case SQ_SEEK_SET:
            base = 0;
            break;
        case SQ_SEEK_CUR:
            base = m_position;
            break;
        case SQ_SEEK_END:
            base = m_size;
            break;
        default:
            return -1;
        }
        int64_t target = base + offset;
        if (target < 0 || target > m_size) return -1;
        m_position = (SQInteger)target;
        return 0;
    }

    bool IsValid() override { return m_bytes != nullptr; }
    bool EOS() override { return m_position == m_size; }
    SQInteger Flush() override { return 0; }
    SQInteger Tell() override { return m_position; }
    SQInteger Len() override { return m_size; }
    unsigned char* Bytes() { return m_bytes; }

  private:
    bool Grow(SQInteger extra) {
        int64_t needed = (int64_t)m_size + extra;
        if (needed > INT32_MAX) return false;
        if (needed > m_capacity) {
            int64_t doubled = (int64_t)m_size * 2;
            int64_t capacity = needed > doubled ? needed : doubled;
            if (capacity > INT32_MAX) capacity = needed;
            if (!Resize((SQInteger)capacity)) return false;
        }
        m_size = (SQInteger)needed;
        return true;
    }

    unsigned char* m_bytes = nullptr; // capacity + 1 bytes, so a blob of size 0 still owns memory
    SQInteger m_size = 0;
    SQInteger m_capacity = 0;
    SQInteger m_position = 0;
};

SQInteger BlobReleaseHook(SQUserPointer p, SQInteger /*size*/) {
    delete static_cast<SQBlob*>(p);
    return 1;
}

SQBlob* GetBlob(HSQUIRRELVM v, SQRESULT* result) {
    SQUserPointer up = nullptr;
    if (SQ_FAILED(sq_getinstanceup(v, 1, &up, (SQUserPointer)SQSTD_BLOB_TYPE_TAG))) {
        *result = sq_throwerror(v, "invalid type tag");
        return nullptr;
    }
    SQBlob* self = static_cast<SQBlob*>(up);
    if (self == nullptr || !self->IsValid()) {
        *result = sq_throwerror(v, "the blob is invalid");
        return nullptr;
    }
    return self;
}

#define SETUP_BLOB(v)                                                                                        \
    SQRESULT setupResult = SQ_OK;                                                                            \
    SQBlob* self = GetBlob(v, &setupResult);                                                                 \
    if (self == nullptr) return setupResult

SQInteger BlobConstructor(HSQUIRRELVM v) {
    SQInteger size = 0;
    if (sq_gettop(v) == 2) sq_getinteger(v, 2, &size);
    if (size < 0) return sq_throwerror(v, "cannot create blob with negative size");
    SQBlob* blob = new SQBlob(size);
    if (!blob->IsValid()) {
        delete blob;
        return sq_throwerror(v, "cannot create blob");
    }
    if (SQ_FAILED(sqstd::SetInstanceObject(v, (SQUserPointer)SQSTD_BLOB_TYPE_TAG, blob, BlobReleaseHook))) {
        delete blob;
        return SQ_ERROR;
    }
    return 0;
}

SQInteger BlobResize(HSQUIRRELVM v) {
    SETUP_BLOB(v);
    SQInteger size = 0;
    sq_getinteger(v, 2, &size);
    if (size < 0) return sq_throwerror(v, "cannot resize blob with negative size");
    if (!self->Resize(size)) return sq_throwerror(v, "resize failed");
    return 0;
}

void SwapBytes(unsigned char* bytes, int width) {
    for (int low = 0, high = width - 1; low < high; ++low, --high) {
        unsigned char t = bytes[low];
        bytes[low] = bytes[high];
        bytes[high] = t;
    }
}

SQInteger BlobSwap(HSQUIRRELVM v, int width) {
    SETUP_BLOB(v);
    SQInteger count = self->Len() / width;
    for (SQInteger i = 0; i < count; ++i)
        SwapBytes(self->Bytes() + i * width, width);
    return 0;
}

SQInteger BlobSwap2(HSQUIRRELVM v) {
    return BlobSwap(v, 2);
}
SQInteger BlobSwap4(HSQUIRRELVM v) {
    return BlobSwap(v, 4);
}

SQInteger BlobSet(HSQUIRRELVM v) {
    SETUP_BLOB(v);
    SQInteger index = 0, value = 0;
    sq_getinteger(v, 2, &index);
    sq_getinteger(v, 3, &value);
    if (index < 0 || index >= self->Len()) return sq_throwerror(v, "index out of range");
    self->Bytes()[index] = (unsigned char)value;
    sq_push(v, 3);
    return 1;
}

SQInteger BlobGet(HSQUIRRELVM v) {
    SETUP_BLOB(v);
    SQInteger index = 0;
    sq_getinteger(v, 2, &index);
    if (index < 0 || index >= self->Len()) return sq_throwerror(v, "index out of range");
    sq_pushinteger(v, self->Bytes()[index]);
    return 1;
}

SQInteger BlobNexti(HSQUIRRELVM v) {
    SETUP_BLOB(v);
    if (sq_gettype(v, 2) == OT_NULL) {
        if (self->Len() > 0)
            sq_pushinteger(v, 0);
        else
            sq_pushnull(v);
        return 1;
    }
    SQInteger index = 0;
    if (sq_gettype(v, 2) != OT_INTEGER || SQ_FAILED(sq_getinteger(v, 2, &index)))
        return sq_throwerror(v, "internal error (_nexti) wrong argument type");
    if (index + 1 < self->Len())
        sq_pushinteger(v, index + 1);
    else
        sq_pushnull(v);
    return 1;
}

SQInteger BlobTypeof(HSQUIRRELVM v) {
    sq_pushstring(v, "blob", -1);
    return 1;
}

SQInteger BlobCloned(HSQUIRRELVM v) {
    SQUserPointer up = nullptr;
    if (SQ_FAILED(sq_getinstanceup(v, 2, &up, (SQUserPointer)SQSTD_BLOB_TYPE_TAG)) || up == nullptr)
        return SQ_ERROR;
    SQBlob* other = static_cast<SQBlob*>(up);
    SQBlob* copy = new SQBlob(other->Len());
    if (!copy->IsValid()) {
        delete copy;
        return sq_throwerror(v, "cannot clone blob");
    }
    memcpy(copy->Bytes(), other->Bytes(), (size_t)other->Len());
    if (SQ_FAILED(sqstd::SetInstanceObject(v, (SQUserPointer)SQSTD_BLOB_TYPE_TAG, copy, BlobReleaseHook))) {
        delete copy;
        return SQ_ERROR;
    }
    return 0;
}

const SQRegFunction kBlobMethods[] = {
    {"constructor", BlobConstructor, -1, "xn"},
    {"resize", BlobResize, 2, "xn"},
    {"swap2", BlobSwap2, 1, "x"},
    {"swap4", BlobSwap4, 1, "x"},
    {"_set", BlobSet, 3, "xnn"},
    {"_get", BlobGet, 2, "xn"},
    {"_typeof", BlobTypeof, 1, "x"},
    {"_nexti", BlobNexti, 2, "x"},
    {"_cloned", BlobCloned, 2, "xx"},
    {nullptr, nullptr, 0, nullptr},
};

// The global helpers reinterpret bits; memcpy keeps that free of aliasing faults.
SQInteger GlobalCasti2f(HSQUIRRELVM v) {
    SQInteger i = 0;
    sq_getinteger(v, 2, &i);
    SQFloat f;
    memcpy(&f, &i, sizeof(f));
    sq_pushfloat(v, f);
    return 1;
}

SQInteger GlobalCastf2i(HSQUIRRELVM v) {
    SQFloat f = 0;
    sq_getfloat(v, 2, &f);
    SQInteger i;
    memcpy(&i, &f, sizeof(i));
    sq_pushinteger(v, i);
    return 1;
}

SQInteger GlobalSwap2(HSQUIRRELVM v) {
    SQInteger i = 0;
    sq_getinteger(v, 2, &i);
    unsigned int low16 = (unsigned int)i & 0xFFFFu;
    sq_pushinteger(v, (SQInteger)(((low16 & 0xFFu) << 8) | (low16 >> 8)));
    return 1;
}

SQInteger GlobalSwap4(HSQUIRRELVM v) {
    SQInteger i = 0;
    sq_getinteger(v, 2, &i);
    SwapBytes(reinterpret_cast<unsigned char*>(&i), 4);
    sq_pushinteger(v, i);
    return 1;
}

SQInteger GlobalSwapfloat(HSQUIRRELVM v) {
    SQFloat f = 0;
    sq_getfloat(v, 2, &f);
    SwapBytes(reinterpret_cast<unsigned char*>(&f), 4);
    sq_pushfloat(v, f);
    return 1;
}

const SQRegFunction kBlobGlobals[] = {
    {"casti2f", GlobalCasti2f, 2, ".n"},     {"castf2i", GlobalCastf2i, 2, ".n"},
    {"swap2", GlobalSwap2, 2, ".n"},         {"swap4", GlobalSwap4, 2, ".n"},
    {"swapfloat", GlobalSwapfloat, 2, ".n"}, {nullptr, nullptr, 0, nullptr},
};

} // namespace

extern "C" {

SQRESULT sqstd_getblob(HSQUIRRELVM v, SQInteger idx, SQUserPointer* ptr) {
    SQUserPointer up = nullptr;
    if (SQ_FAILED(sq_getinstanceup(v, idx, &up, (SQUserPointer)SQSTD_BLOB_TYPE_TAG)) || up == nullptr)
        return SQ_ERROR;
    *ptr = static_cast<SQBlob*>(up)->Bytes();
    return SQ_OK;
}

SQInteger sqstd_getblobsize(HSQUIRRELVM v, SQInteger idx) {
    SQUserPointer up = nullptr;
    if (SQ_FAILED(sq_getinstanceup(v, idx, &up, (SQUserPointer)SQSTD_BLOB_TYPE_TAG)) || up == nullptr)
        return -1;
    return static_cast<SQBlob*>(up)->Len();
}

SQUserPointer sqstd_createblob(HSQUIRRELVM v, SQInteger size) {
    if (size < 0) return nullptr;
    SQInteger top = sq_gettop(v);
    sq_pushregistrytable(v);
    sq_pushstring(v, "std_blob", -1);
    if (SQ_SUCCEEDED(sq_get(v, -2))) {
        sq_remove(v, -2);
        sq_pushroottable(v);
        sq_pushinteger(v, size);
        SQUserPointer up = nullptr;
        if (SQ_SUCCEEDED(sq_call(v, 2, SQTrue, SQFalse)) &&
            SQ_SUCCEEDED(sq_getinstanceup(v, -1, &up, (SQUserPointer)SQSTD_BLOB_TYPE_TAG)) && up != nullptr) {
            sq_remove(v, -2);
            return static_cast<SQBlob*>(up)->Bytes();
        }
    }
    sq_settop(v, top);
    return nullptr;
}

SQRESULT sqstd_register_bloblib(HSQUIRRELVM v) {
    return sqstd::DeclareStream(v, "blob", (SQUserPointer)SQSTD_BLOB_TYPE_TAG, "std_blob", kBlobMethods,
                                kBlobGlobals);
}

} // extern "C"
