// "STB": every format stb_image reads (PNG, BMP, GIF, PSD, ...), forced to
// four 8-bit channels and swizzled to BGRA8. stb_image allocates with the
// malloc family, like every picture buffer, and refuses sides past the
// picture cap before allocating.
#include <cstdlib>
#include <cstring>

#include "core/log.h"
#include "io/handle.h"
#include "picture/codec.h"
#include "picture/picture.h"

#define STBI_MALLOC(size) std::malloc(size)
#define STBI_REALLOC(pointer, size) std::realloc(pointer, size)
#define STBI_FREE(pointer) std::free(pointer)
#define STBI_MAX_DIMENSIONS 16384
#define STBI_NO_STDIO
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmisleading-indentation"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

static_assert(STBI_MAX_DIMENSIONS == PictureMaxSide, "stb_image must refuse what pictures refuse");

namespace {

// stb_image 2.27 (Debian's) overruns its buffers on some files it should
// refuse; those files are refused here before it sees them:
// - JPEG (0xFF fill bytes, then SOI): Huffman tables whose counts pass 256,
//   or that are used undefined, are read and written out of bounds. JPEG
//   files are read by Small and Jpeglib, which come first.
// - PNM (P5, P6): a size of ten or more digits overflows its int, and a
//   16-bit file (maximum value past 255) is converted past its buffer.
// - PNG: an IDAT chunk longer than the bytes left grows its data buffer to
//   that length (gigabytes from a few bytes) before finding the data
//   missing, and an empty IDAT chunk before any data is copied into a null
//   buffer.
bool IsStbJpeg(const u8* bytes, u64 size) {
    u64 i = 0;
    while (i < size && bytes[i] == 0xFF) ++i;
    return i > 0 && i < size && bytes[i] == 0xD8;
}

bool IsUnsafeStbPnm(const u8* bytes, u64 size) {
    if (size < 2 || bytes[0] != 'P' || (bytes[1] != '5' && bytes[1] != '6')) return false;
    u64 i = 2;
    u64 value = 0;
    for (int field = 0; field < 3; ++field) {
        // Blanks and '#' comments, as stb_image skips them.
        while (i < size && (bytes[i] == ' ' || (bytes[i] >= '\t' && bytes[i] <= '\r') || bytes[i] == '#')) {
            if (bytes[i] == '#')
                while (i < size && bytes[i] != '\n' && bytes[i] != '\r') ++i;
            else
                ++i;
        }
        u32 digits = 0;
        value = 0;
        for (; i < size && bytes[i] >= '0' && bytes[i] <= '9'; ++i, ++digits) {
            if (digits >= 9) return true;
            value = value * 10 + (bytes[i] - '0');
        }
    }
    return value > 255;
}

u64 Big32(const u8* bytes) {
    return (u64(bytes[0]) << 24) | (u64(bytes[1]) << 16) | (u64(bytes[2]) << 8) | bytes[3];
}

// Walks the chunks as stb_image reads them, up to IEND or the first chunk
// that does not fit (where stb_image stops too).
bool IsUnsafeStbPng(const u8* bytes, u64 size) {
    static const u8 signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size < 8 || std::memcmp(bytes, signature, 8) != 0) return false;
    u64 at = 8;
    bool dataSeen = false;
    while (size - at >= 8) {
        const u64 length = Big32(bytes + at);
        const u8* type = bytes + at + 4;
        at += 8;
        if (std::memcmp(type, "IEND", 4) == 0) return false;
        if (std::memcmp(type, "IDAT", 4) == 0) {
            if (length > size - at || (length == 0 && !dataSeen)) return true;
            dataSeen = true;
        }
        if (length + 4 > size - at) return false;
        at += length + 4; // data and CRC
    }
    return false;
}

} // namespace

zPictureIOSTBCodec::zPictureIOSTBCodec() : zPictureIOCodec("STB", "STB image read-only codec (stb_image).", 1) {}

bool zPictureIOSTBCodec::DecodeMemory(const u8* bytes, u64 size, u32& width, u32& height, u8*& pixels) {
    pixels = nullptr;
    if (!bytes || size == 0 || size > 0x7fffffffu) return false;
    if (IsStbJpeg(bytes, size) || IsUnsafeStbPnm(bytes, size) || IsUnsafeStbPng(bytes, size)) return false;
    int w = 0, h = 0, components = 0;
    stbi_uc* decoded = stbi_load_from_memory(bytes, int(size), &w, &h, &components, 4);
    if (!decoded) return false;
    if (GetPictureBufferSize(u32(w), u32(h), 4) == 0) {
        stbi_image_free(decoded);
        return false;
    }
    const u64 count = u64(w) * u64(h);
    for (u64 i = 0; i < count; ++i) {
        const u8 red = decoded[i * 4];
        decoded[i * 4] = decoded[i * 4 + 2];
        decoded[i * 4 + 2] = red;
    }
    width = u32(w);
    height = u32(h);
    pixels = decoded;
    return true;
}

bool zPictureIOSTBCodec::Decode(zIOHandle& handle, u32& width, u32& height, u8*& pixels) {
    pixels = nullptr;
    const u32 size = handle.GetSize();
    u8* bytes = static_cast<u8*>(std::malloc(size ? size : 1));
    if (!bytes) {
        GetLog() << "[!] STB: Failed to allocate " << size << " bytes.\n";
        return false;
    }
    handle.Rewind();
    if (handle.Read(bytes, size) != size) {
        GetLog() << "[!] STB: Failed to read " << size << " bytes.\n";
        std::free(bytes);
        return false;
    }
    const bool decoded = DecodeMemory(bytes, size, width, height, pixels);
    std::free(bytes);
    return decoded;
}
