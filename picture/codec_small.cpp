// "Small": the engine's own JPEG decoder behind the codec interface. Only
// three-component files are taken; greyscale files fall through to Jpeglib.
#include <memory>
#include <new>

#include "core/log.h"
#include "io/handle.h"
#include "picture/codec.h"
#include "picture/jpeg_decoder.h"
#include "picture/jpeg_file_stream.h"
#include "picture/picture.h"

namespace {

// Runs the decoder to the end into a BGRA8 buffer; the buffer is freed on
// any failure, so a partly decoded picture never escapes.
bool DecodeStream(jpeg_decoder_stream& stream, u32& width, u32& height, u8*& pixels) {
    pixels = nullptr;
    std::unique_ptr<jpeg_decoder> decoder;
    try {
        decoder.reset(new jpeg_decoder(&stream));
    } catch (const std::bad_alloc&) {
        // The decoder and its state cannot be had: its own out-of-memory code.
        GetLog() << "[!] Small JPEG decoder failed (begin)! Error status: " << JpegNotEnoughMemory << ".\n";
        return false;
    }
    if (decoder->get_error_code() != 0) {
        GetLog() << "[!] Small JPEG decoder failed (begin)! Error status: " << decoder->get_error_code() << ".\n";
        return false;
    }
    if (decoder->get_num_components() != 3) {
        GetLog() << "[!] Small JPEG interface only implements RGB (3 components) decoding!\n";
        return false;
    }
    if (decoder->begin_decoding() != 0) {
        GetLog() << "[!] Small JPEG decoder failed (begin)! Error status: " << decoder->get_error_code() << ".\n";
        return false;
    }
    const u32 w = u32(decoder->get_width());
    const u32 h = u32(decoder->get_height());
    u8* buffer = AllocateUnclearedPictureBuffer(w, h, 4);
    if (!buffer) {
        // No line end: the message joins the next line the log receives.
        GetLog() << "[!] Small JPEG decoder failed to allocate output buffer!";
        return false;
    }
    if (decoder->get_bytes_per_pixel() < 3) {
        GetLog() << "[!] Small JPEG interface only implements RGB24/BGR8 (3 or 4 bytes) decoding!\n";
        FreePictureBuffer(buffer);
        return false;
    }
    // Rows come out in the picture's own BGRA8, straight into the buffer.
    decoder->set_bgra_output(true);
    const u64 pitch = u64(w) * 4;
    for (u32 row = 0; row < h; ++row) {
        if (decoder->decode_into(buffer + row * pitch) != 0) {
            GetLog() << "[!] Small JPEG decoder failed (decode)! Error status: " << decoder->get_error_code()
                     << ".\n";
            FreePictureBuffer(buffer);
            return false;
        }
    }
    width = w;
    height = h;
    pixels = buffer;
    return true;
}

bool StartsWithSoi(const u8* bytes, u64 size) { return size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8; }

}  // namespace

zPictureIOSmallCodec::zPictureIOSmallCodec() : zPictureIOCodec("Small", "JPEG Small read-only codec.", 1) {}

bool zPictureIOSmallCodec::Decode(zIOHandle& handle, u32& width, u32& height, u8*& pixels) {
    pixels = nullptr;
    handle.Rewind();
    u8 start[2];
    if (handle.Read(start, 2) != 2 || !StartsWithSoi(start, 2)) return false;
    handle.Rewind();
    jpeg_decoder_file_stream stream(handle);
    return DecodeStream(stream, width, height, pixels);
}

bool zPictureIOSmallCodec::DecodeMemory(const u8* bytes, u64 size, u32& width, u32& height, u8*& pixels) {
    pixels = nullptr;
    if (!bytes || !StartsWithSoi(bytes, size)) return false;
    jpeg_decoder_memory_stream stream(bytes, size);
    return DecodeStream(stream, width, height, pixels);
}
