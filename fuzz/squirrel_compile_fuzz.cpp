// The Squirrel compiler on any source text. A script that compiles is written
// as a compiled closure, read back and written again: both streams must be the
// same bytes. The code is never run (an endless loop or a huge allocation is a
// legal script).
#include "fuzz/fuzz_support.h"
#include "fuzz/squirrel_streams.h"

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    HSQUIRRELVM v = OpenQuietSquirrel();
    if (SQ_SUCCEEDED(sq_compilebuffer(v, reinterpret_cast<const SQChar*>(data), SQInteger(size), "fuzz", SQTrue))) {
        ExpectStableRoundTrip(v);
    } else {
        ExpectTop(v, 0, "a failed compile left values on the stack");
    }
    sq_close(v);
    return 0;
}
