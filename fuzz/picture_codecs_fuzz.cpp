// The picture road on any bytes: zPicture::Load through the file road tries
// the TGA reader, then every registered codec (Small, Jpeglib, STB) in turn,
// as the engine loads a texture. Inputs whose header claims more pixels than
// the budget are skipped (fuzz/picture_budget.h).
#include "fuzz/fuzz_support.h"
#include "fuzz/picture_budget.h"
#include "picture/codec.h"
#include "picture/picture.h"

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    zFuzzRound round; // silences the registration
    RegisterPictureCodecs(false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    if (ClaimedPictureArea(data, size) > FuzzMaxPictureArea) return 0;
    zFuzzRound round;
    round.AddFile("picture", data, size);
    zPicture picture;
    if (picture.Load("picture") && picture.GetBufferSize() && !picture.GetPixels())
        FuzzFail("a loaded picture has no pixels");
    return 0;
}
