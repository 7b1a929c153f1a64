// The Ogg Vorbis demuxer on any bytes through a media stream: open, decode to
// the end in steps, then seeks to the start, into the file and far past its
// end (which must fail, not loop).
#include "audio/lmr/stream.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/stream_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    zFuzzRound round;
    round.AddFile("s.ogg", data, size);
    FuzzOutput output;
    lmr_Stream stream(nullptr, &output);
    if (!stream.Open("s.ogg", false)) return 0;
    // Each step takes at least one frame of at least one byte.
    for (size_t steps = 0; stream.GetState() == StreamPlaying; ++steps) {
        if (steps > size + 1) FuzzFail("the stream never ends");
        stream.Update(1);
    }
    for (u32 time : {5u, 700u, 0xFFFFFFFFu}) {
        stream.Seek(time);
        stream.Update(1);
    }
    return 0;
}
