#include "squirrel/stdlib/stream.h"

#include <cstring>
#include <string>

#include "squirrel/stdlib/registration.h"
#include "squirrel/stdlib/sqstdblob.h"

namespace sqstd {
namespace {

// Fetches the stream behind `this`, or raises the error and returns null.
SQStream* GetStream(HSQUIRRELVM v, SQRESULT* result) {
    SQUserPointer up = nullptr;
    if (SQ_FAILED(sq_getinstanceup(v, 1, &up, (SQUserPointer)SQSTD_STREAM_TYPE_TAG))) {
        *result = sq_throwerror(v, "invalid type tag");
        return nullptr;
    }
    SQStream* self = static_cast<SQStream*>(up);
    if (self == nullptr || !self->IsValid()) {
        *result = sq_throwerror(v, "the stream is invalid");
        return nullptr;
    }
    return self;
}

#define SETUP_STREAM(v)                                                                                      \
    SQRESULT setupResult = SQ_OK;                                                                            \
    SQStream* self = GetStream(v, &setupResult);                                                             \
    if (self == nullptr) return setupResult

SQInteger StreamReadblob(HSQUIRRELVM v) {
    SETUP_STREAM(v);
    SQInteger size = 0;
    sq_getinteger(v, 2, &size);
    if (size <= 0) return sq_throwerror(v, "invalid size");
    // Read in chunks so that a huge request on a short stream allocates only what exists.
    std::string data;
    const SQInteger chunkSize = 65536;
    while ((SQInteger)data.size() < size) {
        SQInteger want = size - (SQInteger)data.size();
        if (want > chunkSize) want = chunkSize;
        size_t before = data.size();
        data.resize(before + (size_t)want);
        SQInteger got = self->Read(&data[before], want);
        if (got < 0) got = 0;
        data.resize(before + (size_t)got);
        if (got < want) break;
    }
    if (data.empty()) return sq_throwerror(v, "no data left to read");
    SQUserPointer blob = sqstd_createblob(v, (SQInteger)data.size());
    if (blob == nullptr) return sq_throwerror(v, "cannot create blob");
    memcpy(blob, data.data(), data.size());
    return 1;
}

template <typename T> bool ReadValue(SQStream* self, T* value) {
    return self->Read(value, (SQInteger)sizeof(T)) == (SQInteger)sizeof(T);
}

SQInteger StreamReadn(HSQUIRRELVM v) {
    SETUP_STREAM(v);
    SQInteger format = 0;
    sq_getinteger(v, 2, &format);
    bool ok = false;
    switch (format) {
    case 'l': {
        SQInteger value;
        if ((ok = ReadValue(self, &value))) sq_pushinteger(v, value);
        break;
    }
    case 'i': {
        SQInt32 value;
        if ((ok = ReadValue(self, &value))) sq_pushinteger(v, value);
        break;
    }
    case 's': {
        short value;
        if ((ok = ReadValue(self, &value))) sq_pushinteger(v, value);
        break;
    }
    case 'w': {
        unsigned short value;
        if ((ok = ReadValue(self, &value))) sq_pushinteger(v, value);
        break;
    }
    case 'c': {
        signed char value;
        if ((ok = ReadValue(self, &value))) sq_pushinteger(v, value);
        break;
    }
    case 'b': {
        unsigned char value;
        if ((ok = ReadValue(self, &value))) sq_pushinteger(v, value);
        break;
    }
    case 'f': {
        float value;
        if ((ok = ReadValue(self, &value))) sq_pushfloat(v, value);
        break;
    }
    case 'd': {
        double value;
        if ((ok = ReadValue(self, &value))) sq_pushfloat(v, (SQFloat)value);
        break;
    }
    default:
        return sq_throwerror(v, "invalid format");
    }
    if (!ok) return sq_throwerror(v, "io error");
    return 1;
}

template <typename T> bool WriteValue(SQStream* self, T value) {
    return self->Write(&value, (SQInteger)sizeof(T)) == (SQInteger)sizeof(T);
}

SQInteger StreamWriten(HSQUIRRELVM v) {
    SETUP_STREAM(v);
    SQInteger format = 0;
    sq_getinteger(v, 3, &format);
    SQInteger integer = 0;
    SQFloat real = 0;
    bool ok = false;
    switch (format) {
    case 'l':
    case 'i':
        sq_getinteger(v, 2, &integer);
        ok = WriteValue<SQInt32>(self, integer);
        break;
    case 's':
        sq_getinteger(v, 2, &integer);
        ok = WriteValue<short>(self, (short)integer);
        break;
    case 'w':
        sq_getinteger(v, 2, &integer);
        ok = WriteValue<unsigned short>(self, (unsigned short)integer);
        break;
    case 'c':
        sq_getinteger(v, 2, &integer);
        ok = WriteValue<signed char>(self, (signed char)integer);
        break;
    case 'b':
        sq_getinteger(v, 2, &integer);
        ok = WriteValue<unsigned char>(self, (unsigned char)integer);
        break;
    case 'f':
        sq_getfloat(v, 2, &real);
        ok = WriteValue<float>(self, real);
        break;
    case 'd':
        sq_getfloat(v, 2, &real);
        ok = WriteValue<double>(self, real);
        break;
    default:
        return sq_throwerror(v, "invalid format");
    }
    if (!ok) return sq_throwerror(v, "io error");
    return 0;
}

SQInteger StreamWriteblob(HSQUIRRELVM v) {
    SETUP_STREAM(v);
    SQUserPointer data = nullptr;
    if (SQ_FAILED(sqstd_getblob(v, 2, &data))) return sq_throwerror(v, "invalid parameter");
    SQInteger size = sqstd_getblobsize(v, 2);
    if (self->Write(data, size) != size) return sq_throwerror(v, "io error");
    sq_pushinteger(v, size);
    return 1;
}

SQInteger StreamSeek(HSQUIRRELVM v) {
    SETUP_STREAM(v);
    SQInteger offset = 0;
    SQInteger origin = SQ_SEEK_SET;
    sq_getinteger(v, 2, &offset);
    if (sq_gettop(v) > 2) {
        SQInteger letter = 0;
        sq_getinteger(v, 3, &letter);
        switch (letter) {
        case 'b':
            origin = SQ_SEEK_SET;
            break;
        case 'c':
            origin = SQ_SEEK_CUR;
            break;
        case 'e':
            origin = SQ_SEEK_END;
            break;
        default:
            return sq_throwerror(v, "invalid origin");
        }
    }
    if (self->Seek(offset, origin) != 0) return sq_throwerror(v, "seek out of range");
    sq_pushinteger(v, 0);
    return 1;
}

SQInteger StreamTell(HSQUIRRELVM v) {
    SETUP_STREAM(v);
    sq_pushinteger(v, self->Tell());
    return 1;
}

SQInteger StreamLen(HSQUIRRELVM v) {
    SETUP_STREAM(v);
    sq_pushinteger(v, self->Len());
    return 1;
}

SQInteger StreamFlush(HSQUIRRELVM v) {
    SETUP_STREAM(v);
    if (self->Flush() == 0)
        sq_pushinteger(v, 1);
    else
        sq_pushnull(v);
    return 1;
}

SQInteger StreamEos(HSQUIRRELVM v) {
    SETUP_STREAM(v);
    if (self->EOS())
        sq_pushinteger(v, 1);
    else
        sq_pushnull(v);
    return 1;
}

const SQRegFunction kStreamMethods[] = {
    {"readblob", StreamReadblob, 2, "xn"},
    {"readn", StreamReadn, 2, "xn"},
    {"writeblob", StreamWriteblob, -2, "xx"},
    {"writen", StreamWriten, 3, "xnn"},
    {"seek", StreamSeek, -2, "xnn"},
    {"tell", StreamTell, 1, "x"},
    {"len", StreamLen, 1, "x"},
    {"eos", StreamEos, 1, "x"},
    {"flush", StreamFlush, 1, "x"},
    {nullptr, nullptr, 0, nullptr},
};

// Creates the base class once per VM: in the registry as `std_stream`, in the root table as `stream`.
void InitStreamClass(HSQUIRRELVM v) {
    sq_pushregistrytable(v);
    sq_pushstring(v, "std_stream", -1);
    if (SQ_SUCCEEDED(sq_get(v, -2))) {
        sq_pop(v, 2);
        return;
    }
    sq_pushstring(v, "std_stream", -1);
    sq_newclass(v, SQFalse);
    sq_settypetag(v, -1, (SQUserPointer)SQSTD_STREAM_TYPE_TAG);
    RegisterFunctions(v, kStreamMethods);
    sq_newslot(v, -3, SQFalse);
    sq_pushroottable(v);
    sq_pushstring(v, "stream", -1);
    sq_pushstring(v, "std_stream", -1);
    sq_get(v, -4);
    sq_newslot(v, -3, SQFalse);
    sq_pop(v, 2);
}

} // namespace

SQRESULT DeclareStream(HSQUIRRELVM v, const SQChar* name, SQUserPointer typetag, const SQChar* registryName,
                       const SQRegFunction* methods, const SQRegFunction* globals) {
    if (sq_gettype(v, -1) != OT_TABLE) return sq_throwerror(v, "table expected");
    SQInteger top = sq_gettop(v);
    InitStreamClass(v);
    sq_pushregistrytable(v);
    sq_pushstring(v, registryName, -1);
    sq_pushstring(v, "std_stream", -1);
    if (SQ_FAILED(sq_get(v, -3))) {
        sq_settop(v, top);
        return sq_throwerror(v, "cannot find the stream class");
    }
    sq_newclass(v, SQTrue);
    sq_settypetag(v, -1, typetag);
    RegisterFunctions(v, methods);
    sq_newslot(v, -3, SQFalse);
    sq_pop(v, 1);

    RegisterFunctions(v, globals);
    sq_pushstring(v, name, -1);
    sq_pushregistrytable(v);
    sq_pushstring(v, registryName, -1);
    sq_get(v, -2);
    sq_remove(v, -2);
    sq_newslot(v, -3, SQFalse);
    sq_settop(v, top);
    return SQ_OK;
}

} // namespace sqstd
