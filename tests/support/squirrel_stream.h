// A byte stream in memory for sq_writeclosure and sq_readclosure, with a write
// failure that tests can arm.
#pragma once

#include "squirrel/squirrel.h"

#include <cstring>
#include <vector>

struct SquirrelByteStream {
    std::vector<unsigned char> bytes;
    size_t readPos = 0;
    SQInteger failAfter = -1;  // write failure after this many bytes
};

// The SQWRITEFUNC and SQREADFUNC over a SquirrelByteStream.
inline SQInteger WriteBytes(SQUserPointer up, SQUserPointer data, SQInteger size) {
    SquirrelByteStream *b = (SquirrelByteStream *)up;
    if (b->failAfter >= 0 && (SQInteger)b->bytes.size() + size > b->failAfter) return -1;
    b->bytes.insert(b->bytes.end(), (unsigned char *)data, (unsigned char *)data + size);
    return size;
}

inline SQInteger ReadBytes(SQUserPointer up, SQUserPointer data, SQInteger size) {
    SquirrelByteStream *b = (SquirrelByteStream *)up;
    if (b->readPos + (size_t)size > b->bytes.size()) return -1;
    std::memcpy(data, b->bytes.data() + b->readPos, (size_t)size);
    b->readPos += (size_t)size;
    return size;
}
