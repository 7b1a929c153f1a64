// "Jpeglib": JPEG through libjpeg (the 6b API), decoding from and encoding to
// memory. libjpeg's errors jump back to the calling routine with longjmp, so
// a bad file or a failed encode returns false instead of ending the process.
// The routines that call setjmp keep their state in a heap context and hold
// no C++ objects with destructors.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

#include "core/log.h"
#include "io/handle.h"
#include "picture/codec.h"
#include "picture/picture.h"

namespace {

constexpr int EncodeQuality = 60;

constexpr size_t FirstOutputSize = 64 * 1024;

// Destination manager writing into a malloc'd buffer that doubles when full.
struct MemoryDestination {
    jpeg_destination_mgr manager;
    u8* data;
    size_t capacity;
    size_t size;
};

struct JpegContext {
    jpeg_error_mgr errors;  // first: libjpeg hands it back as cinfo->err
    jmp_buf jump;
    u8* pixels;  // decode output, freed on a jump
    MemoryDestination destination;
};

[[noreturn]] void JumpOnError(j_common_ptr cinfo) {
    JpegContext* context = reinterpret_cast<JpegContext*>(cinfo->err);
    std::longjmp(context->jump, 1);
}

// Warnings (such as a premature end of data) are not printed.
void IgnoreMessage(j_common_ptr, int) {}

[[noreturn]] void RaiseWriteError(j_compress_ptr cinfo) {
    cinfo->err->msg_code = JERR_FILE_WRITE;
    (*cinfo->err->error_exit)(reinterpret_cast<j_common_ptr>(cinfo));
    std::abort();  // error_exit never returns
}

MemoryDestination* DestinationOf(j_compress_ptr cinfo) {
    return reinterpret_cast<MemoryDestination*>(cinfo->dest);
}

void InitDestination(j_compress_ptr cinfo) {
    MemoryDestination* d = DestinationOf(cinfo);
    d->data = static_cast<u8*>(std::malloc(FirstOutputSize));
    if (!d->data) RaiseWriteError(cinfo);
    d->capacity = FirstOutputSize;
    d->size = 0;
    d->manager.next_output_byte = d->data;
    d->manager.free_in_buffer = d->capacity;
}

boolean GrowDestination(j_compress_ptr cinfo) {
    MemoryDestination* d = DestinationOf(cinfo);
    const size_t used = d->capacity;
    u8* grown = static_cast<u8*>(std::realloc(d->data, d->capacity * 2));
    if (!grown) RaiseWriteError(cinfo);
    d->data = grown;
    d->capacity *= 2;
    d->manager.next_output_byte = d->data + used;
    d->manager.free_in_buffer = d->capacity - used;
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
    MemoryDestination* d = DestinationOf(cinfo);
    d->size = d->capacity - d->manager.free_in_buffer;
}

JpegContext* NewContext() {
    JpegContext* context = static_cast<JpegContext*>(std::calloc(1, sizeof(JpegContext)));
    if (!context) return nullptr;
    jpeg_std_error(&context->errors);
    context->errors.error_exit = JumpOnError;
    context->errors.emit_message = IgnoreMessage;
    return context;
}

// Rows handed to libjpeg per read call.
constexpr int RowsPerRead = 16;

// Decompresses into a BGRA8 buffer. Three- and one-component files are
// converted by libjpeg-turbo straight into the picture's BGRA rows (its
// extended colour spaces; alpha 255), several rows per call. Four-component
// files take their first byte as alpha and the next three as red, green, blue.
bool DecompressFromMemory(const u8* bytes, u64 size, u8** pixels, u32* width, u32* height) {
    *pixels = nullptr;
    JpegContext* context = NewContext();
    if (!context) return false;
    jpeg_decompress_struct* cinfo = static_cast<jpeg_decompress_struct*>(std::calloc(1, sizeof(jpeg_decompress_struct)));
    if (!cinfo) {
        std::free(context);
        return false;
    }
    cinfo->err = &context->errors;
    if (setjmp(context->jump)) {
        jpeg_destroy_decompress(cinfo);
        FreePictureBuffer(context->pixels);
        std::free(cinfo);
        std::free(context);
        return false;
    }
    jpeg_create_decompress(cinfo);
    jpeg_mem_src(cinfo, bytes, static_cast<unsigned long>(size));
    jpeg_read_header(cinfo, TRUE);
    const bool direct = cinfo->num_components != 4;
    // Greyscale comes out as grey BGRA too.
    if (direct) cinfo->out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(cinfo);
    const u32 w = cinfo->output_width;
    const u32 h = cinfo->output_height;
    const int components = cinfo->output_components;
    context->pixels = AllocateUnclearedPictureBuffer(w, h, 4);
    if (!context->pixels || (direct ? components != 4 : components != 4 && components != 3)) {
        if (!context->pixels)
            GetLog() << "[!] Jpeglib: cannot allocate a picture of " << w << "x" << h << ".\n";
        std::longjmp(context->jump, 1);
    }
    const u64 pitch = u64(w) * 4;
    if (direct) {
        JSAMPARRAY rows = static_cast<JSAMPARRAY>((*cinfo->mem->alloc_small)(
            reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, RowsPerRead * sizeof(JSAMPROW)));
        while (cinfo->output_scanline < h) {
            const u32 first = cinfo->output_scanline;
            const u32 count = h - first < u32(RowsPerRead) ? h - first : u32(RowsPerRead);
            for (u32 i = 0; i < count; ++i) rows[i] = context->pixels + (first + i) * pitch;
            if (jpeg_read_scanlines(cinfo, rows, count) == 0) std::longjmp(context->jump, 1);
        }
    } else {
        JSAMPARRAY row = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                                      JDIMENSION(w * u32(components)), 1);
        while (cinfo->output_scanline < h) {
            u8* out = context->pixels + u64(cinfo->output_scanline) * pitch;
            if (jpeg_read_scanlines(cinfo, row, 1) != 1) std::longjmp(context->jump, 1);
            const u8* in = row[0];
            for (u32 x = 0; x < w; ++x, out += 4) {
                u8 alpha = 255;
                if (components == 4) alpha = *in++;
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
                out[3] = alpha;
                in += 3;
            }
        }
    }
    jpeg_finish_decompress(cinfo);
    jpeg_destroy_decompress(cinfo);
    *pixels = context->pixels;
    *width = w;
    *height = h;
    std::free(cinfo);
    std::free(context);
    return true;
}

// Compresses RGB8 rows into a malloc'd buffer that the caller frees.
bool CompressToMemory(u32 width, u32 height, const u8* pixels, int quality, u8** file, size_t* fileSize) {
    *file = nullptr;
    *fileSize = 0;
    JpegContext* context = NewContext();
    if (!context) return false;
    jpeg_compress_struct* cinfo = static_cast<jpeg_compress_struct*>(std::calloc(1, sizeof(jpeg_compress_struct)));
    if (!cinfo) {
        std::free(context);
        return false;
    }
    cinfo->err = &context->errors;
    if (setjmp(context->jump)) {
        jpeg_destroy_compress(cinfo);
        std::free(context->destination.data);
        std::free(cinfo);
        std::free(context);
        return false;
    }
    jpeg_create_compress(cinfo);
    context->destination.manager.init_destination = InitDestination;
    context->destination.manager.empty_output_buffer = GrowDestination;
    context->destination.manager.term_destination = TermDestination;
    cinfo->dest = &context->destination.manager;
    cinfo->image_width = width;
    cinfo->image_height = height;
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_RGB;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, quality, FALSE);
    jpeg_simple_progression(cinfo);
    cinfo->optimize_coding = TRUE;
    cinfo->dct_method = JDCT_FLOAT;
    jpeg_start_compress(cinfo, TRUE);
    while (cinfo->next_scanline < height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels + u64(cinfo->next_scanline) * width * 3);
        jpeg_write_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_compress(cinfo);
    jpeg_destroy_compress(cinfo);
    *file = context->destination.data;
    *fileSize = context->destination.size;
    std::free(cinfo);
    std::free(context);
    return true;
}

// The whole file from the start of the handle, or null.
u8* ReadWholeFile(zIOHandle& handle, u32& size) {
    size = handle.GetSize();
    u8* bytes = static_cast<u8*>(std::malloc(size ? size : 1));
    if (!bytes) return nullptr;
    handle.Rewind();
    size = handle.Read(bytes, size);
    return bytes;
}

}  // namespace

zPictureIOJpeglibCodec::zPictureIOJpeglibCodec() : zPictureIOCodec("Jpeglib", "Jpeglib read/write codec.", 43) {}

bool zPictureIOJpeglibCodec::DecodeMemory(const u8* bytes, u64 size, u32& width, u32& height, u8*& pixels) {
    pixels = nullptr;
    if (!bytes || size < 2 || bytes[0] != 0xFF || bytes[1] != 0xD8) return false;
    return DecompressFromMemory(bytes, size, &pixels, &width, &height);
}

bool zPictureIOJpeglibCodec::Decode(zIOHandle& handle, u32& width, u32& height, u8*& pixels) {
    pixels = nullptr;
    handle.Rewind();
    u8 start[2];
    if (handle.Read(start, 2) != 2 || start[0] != 0xFF || start[1] != 0xD8) return false;
    u32 size = 0;
    u8* bytes = ReadWholeFile(handle, size);
    if (!bytes) return false;
    const bool decoded = DecompressFromMemory(bytes, size, &pixels, &width, &height);
    std::free(bytes);
    return decoded;
}

bool zPictureIOJpeglibCodec::EncodeMemory(u32 width, u32 height, const u8* pixels, int quality,
                                          std::vector<u8>& file) {
    file.clear();
    if (!pixels || width == 0 || height == 0) return false;
    u8* encoded = nullptr;
    size_t encodedSize = 0;
    if (!CompressToMemory(width, height, pixels, quality, &encoded, &encodedSize)) {
        GetLog() << "[!] Jpeglib: failed to compress a picture of " << width << "x" << height << ".\n";
        return false;
    }
    file.assign(encoded, encoded + encodedSize);
    std::free(encoded);
    return true;
}

bool zPictureIOJpeglibCodec::Encode(zIOHandle& handle, u32 width, u32 height, const u8* pixels) {
    std::vector<u8> file;
    if (!EncodeMemory(width, height, pixels, EncodeQuality, file)) return false;
    return handle.Write(file.data(), u32(file.size())) == file.size();
}
