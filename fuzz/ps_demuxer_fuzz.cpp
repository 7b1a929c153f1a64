// The MPEG program-stream demuxer on any bytes, read in 4096-byte blocks:
// duration scan, every block delivered to both sides, then seeks forward,
// behind and past the end.
#include "audio/lmr/ps_demuxer.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/stream_fuzz.h"
#include "io/handle.h"

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    zFuzzRound round;
    round.AddFile("s.mpg", data, size);
    zIOHandle input;
    if (!input.Open("s.mpg", true)) return 0;
    FuzzStream stream(nullptr);
    lmr_PSDemuxer demuxer(&input);
    if (!demuxer.Open(stream) || !demuxer.Setup(stream, true)) return 0;
    demuxer.AddSide(DemuxerSideAudio | DemuxerSideVideo);
    for (size_t blocks = 0; !demuxer.Read(stream); ++blocks)
        if (blocks > size / lmr_Demuxer::BlockSize + 1) FuzzFail("the demuxer reads past the end");
    for (u32 time : {1000u, 10u, 100000000u}) demuxer.Seek(stream, time);
    return 0;
}
