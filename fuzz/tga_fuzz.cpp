// The TGA reader on any bytes, through the file road as the player loads a
// picture. A picture that loads is written back as TGA; that file must read
// back to the same pixels.
//
// Headers may claim pictures far larger than their data; the reader writes
// only the rows the data reaches, so the time follows the bytes. Headers
// claiming a buffer over 256 MB (the fuzzer's memory limit is 2 GB) are not
// read, and only small pictures are written back.
#include <vector>

#include "fuzz/fuzz_support.h"
#include "io/handle.h"
#include "picture/picture.h"
#include "picture/tga.h"

namespace {

constexpr u64 MaxPixels = u64(1) << 26;
constexpr u64 MaxRoundTripBytes = u64(1) << 22;

// Width and height of the TGA header at bytes 12 to 15.
u64 ClaimedPixels(const u8* data, size_t size) {
    if (size < 16) return 0;
    return u64(data[12] | (data[13] << 8)) * u64(data[14] | (data[15] << 8));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    if (ClaimedPixels(data, size) > MaxPixels) return 0;
    zFuzzRound round;
    round.AddFile("p.tga", data, size);
    zIOHandle handle;
    if (!handle.Open("p.tga", true)) return 0;
    zPicture picture;
    bool loaded = LoadTGA(handle, picture);
    handle.Close();
    if (!loaded || picture.GetBufferSize() > MaxRoundTripBytes) return 0;

    std::vector<u8> file;
    if (!EncodeTGA(picture, file)) FuzzFail("a loaded TGA picture cannot be written");
    zPicture again;
    if (!DecodeTGA(file.data(), file.size(), again)) FuzzFail("a written TGA does not read back");
    if (!again.Equals(picture)) FuzzFail("a written TGA reads back other pixels");
    return 0;
}
