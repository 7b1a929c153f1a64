#include "fuzz/squirrel_streams.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "fuzz/fuzz_support.h"

namespace {

struct MemoryStream {
    std::string* written = nullptr;
    const std::string* read = nullptr;
    size_t readPos = 0;
};

SQInteger WriteBytes(SQUserPointer up, SQUserPointer data, SQInteger size) {
    MemoryStream* stream = static_cast<MemoryStream*>(up);
    stream->written->append(static_cast<const char*>(data), size_t(size));
    return size;
}

SQInteger ReadBytes(SQUserPointer up, SQUserPointer data, SQInteger size) {
    MemoryStream* stream = static_cast<MemoryStream*>(up);
    if (size < 0 || size_t(size) > stream->read->size() - stream->readPos) return -1;
    std::memcpy(data, stream->read->data() + stream->readPos, size_t(size));
    stream->readPos += size_t(size);
    return size;
}

void DropPrint(HSQUIRRELVM, const SQChar*, ...) {}

void DropCompilerError(HSQUIRRELVM, const SQChar*, const SQChar*, SQInteger, SQInteger) {}

} // namespace

HSQUIRRELVM OpenQuietSquirrel() {
    HSQUIRRELVM v = sq_open(1024);
    sq_setprintfunc(v, DropPrint, DropPrint);
    sq_setcompilererrorhandler(v, DropCompilerError);
    return v;
}

bool WriteClosure(HSQUIRRELVM v, std::string& stream) {
    stream.clear();
    MemoryStream memory;
    memory.written = &stream;
    return SQ_SUCCEEDED(sq_writeclosure(v, WriteBytes, &memory));
}

bool ReadClosure(HSQUIRRELVM v, const std::string& stream, size_t* consumed) {
    MemoryStream memory;
    memory.read = &stream;
    bool read = SQ_SUCCEEDED(sq_readclosure(v, ReadBytes, &memory));
    if (consumed) *consumed = memory.readPos;
    return read;
}

void ExpectSameStreams(const std::string& expected, const std::string& actual, const char* what) {
    if (expected == actual) return;
    size_t at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) ++at;
    std::fprintf(stderr, "streams of %zu and %zu bytes part at byte %zu\n", expected.size(), actual.size(), at);
    FuzzFail(what);
}

void ExpectTop(HSQUIRRELVM v, SQInteger expectedTop, const char* what) {
    if (sq_gettop(v) != expectedTop) FuzzFail(what);
}

void ExpectStableRoundTrip(HSQUIRRELVM v) {
    ExpectTop(v, 1, "the closure is not the one value on the stack");
    std::string written;
    if (!WriteClosure(v, written)) FuzzFail("the closure cannot be written");
    size_t consumed = 0;
    if (!ReadClosure(v, written, &consumed)) FuzzFail("a written closure does not read back");
    if (consumed != written.size()) FuzzFail("a written closure reads back short of its end");
    std::string rewritten;
    if (!WriteClosure(v, rewritten)) FuzzFail("a closure read back cannot be written");
    ExpectSameStreams(written, rewritten, "a written closure reads back to other code");
    ExpectTop(v, 2, "reading a closure left the stack unbalanced");
}
