// The compiled-closure reader (sq_readclosure) on any bytes. A stream that
// fails leaves the stack as it was. A stream that reads is written again; the
// reader may fix it up once (widening the frame to its widest register,
// sending jumps to a return straight back), so from the first writing on the
// stream must read back and write the same bytes. The code is never run.
#include "fuzz/fuzz_support.h"
#include "fuzz/squirrel_streams.h"

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    HSQUIRRELVM v = OpenQuietSquirrel();
    std::string input(reinterpret_cast<const char*>(data), size);
    if (ReadClosure(v, input)) {
        ExpectStableRoundTrip(v);
    } else {
        ExpectTop(v, 0, "a failed read left values on the stack");
    }
    sq_close(v);
    return 0;
}
