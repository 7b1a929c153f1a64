// The MPEG audio demuxer on any bytes: ID3 skip and sync test, every
// 1024-byte piece fed, then a seek.
#include "audio/lmr/mpa_demuxer.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/stream_fuzz.h"
#include "io/handle.h"

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    zFuzzRound round;
    round.AddFile("s.mp3", data, size);
    zIOHandle input;
    if (!input.Open("s.mp3", true)) return 0;
    FuzzOutput output;
    FuzzStream stream(&output);
    lmr_MPADemuxer demuxer(&input);
    if (!demuxer.Open(stream) || !demuxer.Setup(stream, false)) return 0;
    for (size_t pieces = 0; !demuxer.Read(stream); ++pieces)
        if (pieces > size / lmr_MPADemuxer::FeedSize + 1) FuzzFail("the demuxer reads past the end");
    demuxer.Seek(stream, 500);
    return 0;
}
