// The WAV sample reader on any bytes, through the file road as a sound loads.
#include "audio/pcm_sample.h"
#include "audio/wav_reader.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    zFuzzRound round;
    round.AddFile("s.wav", data, size);
    zPCMSample sample;
    if (DecodeWAVSample("s.wav", sample) && sample.frameCount && !sample.data)
        FuzzFail("a loaded sample has frames but no data");
    return 0;
}
