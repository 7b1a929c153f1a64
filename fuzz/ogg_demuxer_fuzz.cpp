// The Ogg Vorbis demuxer on any audio pages through a media stream: the input
// follows the header pages of a fixed tone (Debian's stb_vorbis is not safe on
// malformed setup headers, so those stay whole), then open, decode to the end
// in steps, and seeks to the start, into the file and far past its end (which
// must fail, not loop).
#include <cstdio>
#include <string>

#include "audio/lmr/stream.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/stream_fuzz.h"

namespace {

// The identification, comment and setup pages of the tone.
constexpr size_t HeaderPagesSize = 3533;

const std::string& HeaderPages() {
    static const std::string pages = [] {
        std::string bytes(HeaderPagesSize, '\0');
        FILE* in = std::fopen(ZE_OGG_HEADER_FILE, "rb");
        if (!in || std::fread(&bytes[0], 1, bytes.size(), in) != bytes.size()) FuzzFail("no Ogg header pages");
        std::fclose(in);
        return bytes;
    }();
    return pages;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    const std::string content = HeaderPages() + std::string(reinterpret_cast<const char*>(data), size);
    zFuzzRound round;
    round.AddFile("s.ogg", content);
    FuzzOutput output;
    lmr_Stream stream(nullptr, &output);
    if (!stream.Open("s.ogg", false)) FuzzFail("the header pages no longer open");
    // Each step takes at least one frame of at least one byte.
    for (size_t steps = 0; stream.GetState() == StreamPlaying; ++steps) {
        if (steps > content.size() + 1) FuzzFail("the stream never ends");
        stream.Update(1);
    }
    for (u32 time : {5u, 700u, 0xFFFFFFFFu}) {
        stream.Seek(time);
        stream.Update(1);
    }
    return 0;
}
