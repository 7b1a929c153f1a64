// The engine's small JPEG decoder on any bytes: header, then every scanline
// until the decoder ends or records an error. Greyscale files are decoded
// too, although the codec in front of it only hands on colour pictures.
//
// A header may claim megapixels that a few bytes of data then fill with
// padding, and the decoder rightly spends time on every claimed pixel: so
// baseline scanlines are taken only up to a pixel budget, and progressive
// pictures (decoded whole by begin_decoding) only below it, so that an
// input's time follows its bytes rather than its claimed size.
#include "picture/jpeg_decoder.h"

namespace {

// Far more scanlines than any picture has: a decoder that keeps delivering
// rows past its height is caught here rather than by the time limit.
constexpr u32 MaxScanlines = 65536 + 16;
constexpr u64 MaxPixels = u64(1) << 18;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    jpeg_decoder_memory_stream stream(data, size);
    jpeg_decoder decoder(&stream);
    if (decoder.get_error_code() != 0) return 0;
    u64 width = u64(decoder.get_width());
    if (decoder.is_progressive() && width * u64(decoder.get_height()) > MaxPixels) return 0;
    if (decoder.begin_decoding() != 0) return 0;
    u32 rowBytes = u32(decoder.get_bytes_per_scan_line());
    volatile u8 sink = 0;
    for (u32 row = 0; row < MaxScanlines; ++row) {
        if (row * width > MaxPixels) return 0;
        const void* line = nullptr;
        u32 length = 0;
        int status = decoder.decode(&line, &length);
        if (status != 0) return 0;
        if (!line || length < rowBytes) __builtin_trap();
        // Touch both ends of the line so that a short buffer shows.
        const u8* bytes = static_cast<const u8*>(line);
        if (length) sink = sink + bytes[0] + bytes[length - 1];
    }
    __builtin_trap();
}
