// The engine's own compact JPEG decoder: baseline and progressive Huffman
// JPEG with 8-bit samples, greyscale or three-component YCbCr (luma sampling
// 1x1, 2x1, 1x2 or 2x2, chroma 1x1), with restart markers. It reads through a
// jpeg_decoder_stream, takes its memory from a pool of at most 100 blocks and
// never aborts the process: any fault records one of the error codes below,
// frees every block and stops.
//
// Use: construct on a stream, begin_decoding(), then decode() until it
// returns 1. Colour scanlines hold R, G, B and a 0 byte per pixel; greyscale
// scanlines one byte per pixel. The inverse transform is the 13-bit integer
// LLM algorithm and the colour maths the JFIF equations in 16.16 fixed point,
// with replicated chroma.
#pragma once

#include "core/types.h"

enum jpeg_decoder_error : int {
    JpegBadDhtCounts = -200,
    JpegBadDhtIndex = -201,
    JpegBadDhtMarker = -202,
    JpegBadDqtMarker = -203,
    JpegBadDqtTable = -204,
    JpegBadPrecision = -205,
    JpegBadHeight = -206,
    JpegBadWidth = -207,
    JpegTooManyComponents = -208,
    JpegBadSofLength = -209,
    JpegBadVariableMarker = -210,
    JpegBadDriLength = -211,
    JpegBadSosLength = -212,
    JpegBadSosComponentId = -213,
    JpegNoArithmeticSupport = -215,
    JpegUnexpectedMarker = -216,
    JpegNotJpeg = -217,
    JpegUnsupportedMarker = -218,
    JpegBadDqtLength = -219,
    JpegTooManyBlocks = -221,
    JpegUndefinedQuantTable = -222,
    JpegUndefinedHuffTable = -223,
    JpegUnsupportedColorspace = -225,
    JpegUnsupportedSamplingFactors = -226,
    JpegDecodeError = -227,
    JpegBadRestartMarker = -228,
    JpegAssertionError = -229,
    JpegBadSosSpectral = -230,
    JpegBadSosSuccessive = -231,
    JpegStreamReadError = -232,
    JpegNotEnoughMemory = -233,
};

// Input of the decoder.
class jpeg_decoder_stream {
public:
    virtual ~jpeg_decoder_stream() = default;
    // Up to maxBytes into the buffer: the count read, or -1 on a read error.
    // Sets *endOfStream when fewer bytes than asked came back.
    virtual int read(u8* buffer, int maxBytes, bool* endOfStream) = 0;
    virtual void attach() {}
    // Called when the decoder releases its memory.
    virtual void detach() {}
};

// A stream over bytes in memory (the caller keeps them alive).
class jpeg_decoder_memory_stream : public jpeg_decoder_stream {
public:
    jpeg_decoder_memory_stream(const u8* bytes, u64 size) : m_bytes(bytes), m_size(size) {}
    int read(u8* buffer, int maxBytes, bool* endOfStream) override;

private:
    const u8* m_bytes;
    u64 m_size;
    u64 m_position = 0;
};

struct jpeg_decoder_state;

class jpeg_decoder {
public:
    // Locates SOI, reads the markers up to the frame header and the header.
    explicit jpeg_decoder(jpeg_decoder_stream* stream);
    ~jpeg_decoder();
    jpeg_decoder(const jpeg_decoder&) = delete;
    jpeg_decoder& operator=(const jpeg_decoder&) = delete;

    // 0, or -1 when an error is recorded. Progressive files are decoded
    // completely here. A second call returns 0.
    int begin_decoding();
    // 0 with the next scanline, 1 when every row has been delivered, -1 on an
    // error or before begin_decoding.
    int decode(const void** scanline, u32* length);
    // As decode, but the scanline (get_bytes_per_scan_line() bytes) is
    // written to destination.
    int decode_into(u8* destination);
    // Colour scanlines then hold B, G, R, 255 (the engine's BGRA8) instead of
    // R, G, B, 0.
    void set_bgra_output(bool bgra);

    int get_width() const;
    int get_height() const;
    int get_num_components() const;
    int get_bytes_per_pixel() const;
    int get_bytes_per_scan_line() const;
    int get_error_code() const;
    u64 get_total_bytes_read() const;
    bool is_progressive() const;

private:
    jpeg_decoder_state* m_state;
};
