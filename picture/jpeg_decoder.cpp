#include "picture/jpeg_decoder.h"

#include <cassert>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr int InputBufferSize = 4096;
constexpr int InputReserve = 8;  // room in front of the data for bytes put back
constexpr int InputFiller = 128;  // FF D9 pairs after the data
constexpr int MaxPoolBlocks = 100;
constexpr int MaxBlocksPerMcu = 6;
constexpr int MaxBlocksPerRow = 6144;
constexpr int MaxSide = 8192;
constexpr int RestartSearchLimit = 1536;
constexpr int SoiSearchLimit = 512;

enum Marker : int {
    MarkerSof0 = 0xC0,
    MarkerSof1 = 0xC1,
    MarkerSof2 = 0xC2,
    MarkerSof3 = 0xC3,
    MarkerDht = 0xC4,
    MarkerJpg = 0xC8,
    MarkerSof9 = 0xC9,
    MarkerDac = 0xCC,
    MarkerSof15 = 0xCF,
    MarkerRst0 = 0xD0,
    MarkerRst7 = 0xD7,
    MarkerSoi = 0xD8,
    MarkerEoi = 0xD9,
    MarkerSos = 0xDA,
    MarkerDqt = 0xDB,
    MarkerDri = 0xDD,
    MarkerTem = 0x01,
};

// Zig-zag position -> natural (row-major) position; 16 spare entries keep
// runs that overshoot inside the block.
constexpr u8 ZigZagToNatural[64 + 16] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13,
    6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51, 58, 59, 52, 45, 38, 31,
    39, 46, 53, 60, 61, 54, 47, 55, 62, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63};

// Thrown by Stop once the error is recorded; caught at the public entry points.
struct DecoderStopped {};

// Bits looked at in one table step.
constexpr int LookupBits = 10;
constexpr int LookupSize = 1 << LookupBits;
// Frames of fewer blocks decode quicker than the pairs of their tables fill.
constexpr u64 PairedBlocksMin = 512;
constexpr u64 FastBlocksMin = 256;
// Frames of fewer blocks refine quicker selecting bits by a loop.
constexpr u64 SmallFrameBlocks = 1024;

struct HuffmanTable {
    bool defined = false;
    bool ac = false;
    bool fastReady = false;  // fast filled in (PrepareFast)
    bool paired = false;     // second coefficients filled in (BuildPairs)
    u8 counts[17];           // codes of each length
    u8 symbols[256];
    // By the next LookupBits bits: code length << 8 | symbol, or 0 when the
    // code is longer.
    u16 lookup[LookupSize];
    // AC tables: for a coefficient whose code and extra bits both fit in the
    // next LookupBits bits, else 0: in the low word its value << 16 |
    // run << 8 | bits used, in the high word the bits it uses alone
    // (FastLength). EOB and ZRL, whose values are 0, have none. When the
    // bits left in the look hold a second such coefficient and the table is
    // paired, the high word also has its value (FastSecondValue) and the
    // steps from the first to it (FastSecondStep, its run plus one), and the
    // low word's bits used cover both. Only AC tables have them (LookupSize
    // entries in the decoder's state); DC tables keep none.
    u64* fast = nullptr;
    // Canonical decoding of the longer codes: largest code of each length and
    // the offset from a code to its symbol index.
    i32 maxCode[18];
    i32 valueOffset[18];
};

inline int FastLength(u64 entry) { return int(entry >> 32) & 63; }
inline int FastSecondStep(u64 entry) { return int(entry >> 40) & 31; }
inline i32 FastSecondValue(u64 entry) { return i32(i64(entry) >> 48); }

struct Component {
    int id = 0;
    int horizontal = 1;
    int vertical = 1;
    int quantTable = 0;
    int dcTable = 0;
    int acTable = 4;
    i32 dcPredictor = 0;
    // Blocks covering the component without MCU padding, and with it.
    int blocksPerLine = 0;
    int blocksPerColumn = 0;
    int paddedBlocksPerLine = 0;
    int paddedBlocksPerColumn = 0;
    i16* coefficients = nullptr;  // buffered files: 64 per block, zig-zag order
    int clearedRows = 0;          // block rows of coefficients zeroed so far
    u8* plane = nullptr;          // samples of the current MCU row
    int planeStride = 0;
};

int Clamp255(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

// The JFIF colour equations in 16.16 fixed point.
constexpr i32 RedFromCr = i32(1.40200 * 65536 + 0.5);
constexpr i32 BlueFromCb = i32(1.77200 * 65536 + 0.5);
constexpr i32 GreenFromCr = i32(0.71414 * 65536 + 0.5);
constexpr i32 GreenFromCb = i32(0.34414 * 65536 + 0.5);

// Sign extension of an s-bit magnitude category value.
inline int Extend(u32 value, int bits) {
    if (bits == 0) return 0;
    return value < (1u << (bits - 1)) ? int(value) - int((1u << bits) - 1) : int(value);
}

// Fixed-point constants of the inverse transform (13 bits).
constexpr int Fix0298631336 = 2446;
constexpr int Fix0390180644 = 3196;
constexpr int Fix0541196100 = 4433;
constexpr int Fix0765366865 = 6270;
constexpr int Fix0899976223 = 7373;
constexpr int Fix1175875602 = 9633;
constexpr int Fix1501321110 = 12299;
constexpr int Fix1847759065 = 15137;
constexpr int Fix1961570560 = 16069;
constexpr int Fix2053119869 = 16819;
constexpr int Fix2562915447 = 20995;
constexpr int Fix3072711026 = 25172;
constexpr int ConstBits = 13;
constexpr int Pass1Bits = 2;

// Blocks whose DC is within +-1024 and whose AC terms are within +-600 keep
// every intermediate of both passes inside 32 bits (the 1-D transform at most
// multiplies by 7.5, its integer terms by 103489); others use 64 bits.
constexpr i32 NarrowDcLimit = 1024;
constexpr i32 NarrowAcLimit = 600;

// One 1-D pass of the LLM inverse transform on eight values; results are
// left unscaled.
template <typename T>
inline void InverseTransform8(const T* in, T out[8]) {
    // Even part.
    T z2 = in[2];
    T z3 = in[6];
    T z1 = (z2 + z3) * Fix0541196100;
    T tmp2 = z1 - z3 * Fix1847759065;
    T tmp3 = z1 + z2 * Fix0765366865;
    T tmp0 = (in[0] + in[4]) * (T(1) << ConstBits);
    T tmp1 = (in[0] - in[4]) * (T(1) << ConstBits);
    T tmp10 = tmp0 + tmp3;
    T tmp13 = tmp0 - tmp3;
    T tmp11 = tmp1 + tmp2;
    T tmp12 = tmp1 - tmp2;
    // Odd part.
    T o0 = in[7];
    T o1 = in[5];
    T o2 = in[3];
    T o3 = in[1];
    T s1 = o0 + o3;
    T s2 = o1 + o2;
    T s3 = o0 + o2;
    T s4 = o1 + o3;
    T s5 = (s3 + s4) * Fix1175875602;
    o0 *= Fix0298631336;
    o1 *= Fix2053119869;
    o2 *= Fix3072711026;
    o3 *= Fix1501321110;
    s1 *= -Fix0899976223;
    s2 *= -Fix2562915447;
    s3 = s3 * -Fix1961570560 + s5;
    s4 = s4 * -Fix0390180644 + s5;
    o0 += s1 + s3;
    o1 += s2 + s4;
    o2 += s2 + s3;
    o3 += s1 + s4;
    out[0] = tmp10 + o3;
    out[7] = tmp10 - o3;
    out[1] = tmp11 + o2;
    out[6] = tmp11 - o2;
    out[2] = tmp12 + o1;
    out[5] = tmp12 - o1;
    out[3] = tmp13 + o0;
    out[4] = tmp13 - o0;
}

template <typename T>
inline T Descale(T x, int n) {
    return (x + (T(1) << (n - 1))) >> n;
}

inline u8 ClampSample(i64 v) { return u8(v < 0 ? 0 : (v > 255 ? 255 : v)); }

// Dequantised natural-order coefficients to 8 x 8 samples.
template <typename T>
void InverseTransformBlockAs(const i32* coefficients, u8* out, int stride) {
    T workspace[64];
    for (int column = 0; column < 8; ++column) {
        const i32* in = coefficients + column;
        if (in[8] == 0 && in[16] == 0 && in[24] == 0 && in[32] == 0 && in[40] == 0 && in[48] == 0 &&
            in[56] == 0) {
            T dc = T(in[0]) * (1 << Pass1Bits);
            for (int r = 0; r < 8; ++r) workspace[r * 8 + column] = dc;
            continue;
        }
        T values[8], result[8];
        for (int r = 0; r < 8; ++r) values[r] = in[r * 8];
        InverseTransform8(values, result);
        for (int r = 0; r < 8; ++r) workspace[r * 8 + column] = Descale<T>(result[r], ConstBits - Pass1Bits);
    }
    for (int row = 0; row < 8; ++row) {
        const T* w = workspace + row * 8;
        u8* line = out + row * stride;
        if (w[1] == 0 && w[2] == 0 && w[3] == 0 && w[4] == 0 && w[5] == 0 && w[6] == 0 && w[7] == 0) {
            std::memset(line, ClampSample(i64(Descale<T>(w[0], Pass1Bits + 3)) + 128), 8);
            continue;
        }
        T result[8];
        InverseTransform8(w, result);
        for (int c = 0; c < 8; ++c) line[c] = ClampSample(i64(Descale<T>(result[c], ConstBits + Pass1Bits + 3)) + 128);
    }
}

// Blocks within the narrow limits: every coefficient and every value between
// the passes fits in 16 bits (a pass multiplies by at most 7.5, and
// 4 * (1024 + 7 * 600 * 1.4) < 32768), and all sums in 32 bits.
#if defined(__SSE2__)

// With SSE2 a narrow block is transformed eight columns, then eight rows, at a
// time: x[k] holds value k of the eight lanes. The products of the one-lane
// form are regrouped into sums of two 16-bit values times 16-bit constants,
// one multiply-add each; the exact integer sums give the same samples.
inline __m128i PairConstant(i32 first, i32 second) {
    return _mm_set1_epi32(i32(u32(u16(i16(first))) | (u32(u16(i16(second))) << 16)));
}

struct Halves {
    __m128i low;
    __m128i high;
};

inline Halves Interleave(__m128i first, __m128i second) {
    return {_mm_unpacklo_epi16(first, second), _mm_unpackhi_epi16(first, second)};
}

inline Halves MultiplyAdd(const Halves& pair, __m128i constants) {
    return {_mm_madd_epi16(pair.low, constants), _mm_madd_epi16(pair.high, constants)};
}

inline Halves operator+(const Halves& a, const Halves& b) {
    return {_mm_add_epi32(a.low, b.low), _mm_add_epi32(a.high, b.high)};
}

inline Halves operator-(const Halves& a, const Halves& b) {
    return {_mm_sub_epi32(a.low, b.low), _mm_sub_epi32(a.high, b.high)};
}

template <int Shift>
inline __m128i DescalePack(const Halves& value) {
    return _mm_packs_epi32(_mm_srai_epi32(value.low, Shift), _mm_srai_epi32(value.high, Shift));
}

template <int Shift>
inline void InverseTransformPassSse2(const __m128i* x, __m128i* out) {
    constexpr i32 F = Fix1175875602;
    const __m128i rounding = _mm_set1_epi32(1 << (Shift - 1));
    const Halves x26 = Interleave(x[2], x[6]);
    const Halves x04 = Interleave(x[0], x[4]);
    const Halves tmp2 = MultiplyAdd(x26, PairConstant(Fix0541196100, Fix0541196100 - Fix1847759065));
    const Halves tmp3 = MultiplyAdd(x26, PairConstant(Fix0541196100 + Fix0765366865, Fix0541196100));
    Halves tmp0 = MultiplyAdd(x04, PairConstant(1 << ConstBits, 1 << ConstBits));
    Halves tmp1 = MultiplyAdd(x04, PairConstant(1 << ConstBits, -(1 << ConstBits)));
    tmp0 = {_mm_add_epi32(tmp0.low, rounding), _mm_add_epi32(tmp0.high, rounding)};
    tmp1 = {_mm_add_epi32(tmp1.low, rounding), _mm_add_epi32(tmp1.high, rounding)};
    const Halves tmp10 = tmp0 + tmp3;
    const Halves tmp13 = tmp0 - tmp3;
    const Halves tmp11 = tmp1 + tmp2;
    const Halves tmp12 = tmp1 - tmp2;
    const Halves x75 = Interleave(x[7], x[5]);
    const Halves x31 = Interleave(x[3], x[1]);
    const Halves o0 = MultiplyAdd(x75, PairConstant(Fix0298631336 - Fix0899976223 - Fix1961570560 + F, F)) +
                      MultiplyAdd(x31, PairConstant(F - Fix1961570560, F - Fix0899976223));
    const Halves o1 = MultiplyAdd(x75, PairConstant(F, Fix2053119869 - Fix2562915447 - Fix0390180644 + F)) +
                      MultiplyAdd(x31, PairConstant(F - Fix2562915447, F - Fix0390180644));
    const Halves o2 = MultiplyAdd(x75, PairConstant(F - Fix1961570560, F - Fix2562915447)) +
                      MultiplyAdd(x31, PairConstant(Fix3072711026 - Fix2562915447 - Fix1961570560 + F, F));
    const Halves o3 = MultiplyAdd(x75, PairConstant(F - Fix0899976223, F - Fix0390180644)) +
                      MultiplyAdd(x31, PairConstant(F, Fix1501321110 - Fix0899976223 - Fix0390180644 + F));
    out[0] = DescalePack<Shift>(tmp10 + o3);
    out[7] = DescalePack<Shift>(tmp10 - o3);
    out[1] = DescalePack<Shift>(tmp11 + o2);
    out[6] = DescalePack<Shift>(tmp11 - o2);
    out[2] = DescalePack<Shift>(tmp12 + o1);
    out[5] = DescalePack<Shift>(tmp12 - o1);
    out[3] = DescalePack<Shift>(tmp13 + o0);
    out[4] = DescalePack<Shift>(tmp13 - o0);
}

inline void Transpose8x8Sse2(const __m128i* r, __m128i* t) {
    const __m128i a0 = _mm_unpacklo_epi16(r[0], r[1]), a1 = _mm_unpackhi_epi16(r[0], r[1]);
    const __m128i a2 = _mm_unpacklo_epi16(r[2], r[3]), a3 = _mm_unpackhi_epi16(r[2], r[3]);
    const __m128i a4 = _mm_unpacklo_epi16(r[4], r[5]), a5 = _mm_unpackhi_epi16(r[4], r[5]);
    const __m128i a6 = _mm_unpacklo_epi16(r[6], r[7]), a7 = _mm_unpackhi_epi16(r[6], r[7]);
    const __m128i b0 = _mm_unpacklo_epi32(a0, a2), b1 = _mm_unpackhi_epi32(a0, a2);
    const __m128i b2 = _mm_unpacklo_epi32(a1, a3), b3 = _mm_unpackhi_epi32(a1, a3);
    const __m128i b4 = _mm_unpacklo_epi32(a4, a6), b5 = _mm_unpackhi_epi32(a4, a6);
    const __m128i b6 = _mm_unpacklo_epi32(a5, a7), b7 = _mm_unpackhi_epi32(a5, a7);
    t[0] = _mm_unpacklo_epi64(b0, b4);
    t[1] = _mm_unpackhi_epi64(b0, b4);
    t[2] = _mm_unpacklo_epi64(b1, b5);
    t[3] = _mm_unpackhi_epi64(b1, b5);
    t[4] = _mm_unpacklo_epi64(b2, b6);
    t[5] = _mm_unpackhi_epi64(b2, b6);
    t[6] = _mm_unpacklo_epi64(b3, b7);
    t[7] = _mm_unpackhi_epi64(b3, b7);
}

void InverseTransformBlockNarrow(const i32* coefficients, u8* out, int stride) {
    __m128i rows[8], columns[8];
    for (int r = 0; r < 8; ++r) {
        const __m128i* source = reinterpret_cast<const __m128i*>(coefficients + r * 8);
        rows[r] = _mm_packs_epi32(_mm_loadu_si128(source), _mm_loadu_si128(source + 1));
    }
    InverseTransformPassSse2<ConstBits - Pass1Bits>(rows, columns);
    Transpose8x8Sse2(columns, rows);
    InverseTransformPassSse2<ConstBits + Pass1Bits + 3>(rows, columns);
    Transpose8x8Sse2(columns, rows);
    const __m128i centre = _mm_set1_epi16(128);
    for (int r = 0; r < 8; ++r) {
        const __m128i samples = _mm_add_epi16(rows[r], centre);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + r * stride), _mm_packus_epi16(samples, samples));
    }
}

#else

void InverseTransformBlockNarrow(const i32* coefficients, u8* out, int stride) {
    InverseTransformBlockAs<i32>(coefficients, out, stride);
}

#endif

void InverseTransformBlock(const i32* coefficients, bool narrow, u8* out, int stride) {
    if (narrow) InverseTransformBlockNarrow(coefficients, out, stride);
    else InverseTransformBlockAs<i64>(coefficients, out, stride);
}

// A block whose only coefficient is DC.
void FillBlock(i32 dc, u8* out, int stride) {
    u8 sample = ClampSample(Descale<i64>(i64(dc) * (1 << Pass1Bits), Pass1Bits + 3) + 128);
    for (int row = 0; row < 8; ++row) std::memset(out + row * stride, sample, 8);
}

#if defined(__SSE2__)

// Eight pixels at a time: the chroma terms of the tables computed exactly in
// 16-bit lanes. Each coefficient is split into a multiple of 65536 (which
// passes the shift whole) and a remainder that fits a 16-bit multiplier.
struct ChromaTerms8 {
    __m128i red;
    __m128i green;
    __m128i blue;
};

inline __m128i CentredSamples8(const u8* samples) {
    const __m128i values = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(samples)),
                                             _mm_setzero_si128());
    return _mm_sub_epi16(values, _mm_set1_epi16(128));
}

// (first * a + second * b + 32768) >> 16 per lane, for 16-bit a and b.
inline __m128i ScaledSum8(__m128i a, __m128i b, __m128i constants) {
    const __m128i half = _mm_set1_epi32(1 << 15);
    const __m128i low = _mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(a, b), constants), half);
    const __m128i high = _mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(a, b), constants), half);
    return _mm_packs_epi32(_mm_srai_epi32(low, 16), _mm_srai_epi32(high, 16));
}

inline ChromaTerms8 ComputeChromaTerms8(const u8* cb, const u8* cr) {
    const __m128i blue = CentredSamples8(cb);
    const __m128i red = CentredSamples8(cr);
    const __m128i zero = _mm_setzero_si128();
    ChromaTerms8 terms;
    // RedFromCr = 65536 + r: (RedFromCr x + 32768) >> 16 = x + ((r x + 32768) >> 16).
    terms.red = _mm_add_epi16(red, ScaledSum8(red, zero, PairConstant(RedFromCr - 65536, 0)));
    // BlueFromCb = 131072 - b.
    terms.blue = _mm_add_epi16(_mm_add_epi16(blue, blue), ScaledSum8(blue, zero, PairConstant(BlueFromCb - 131072, 0)));
    // -GreenFromCr = -65536 + g.
    terms.green = _mm_sub_epi16(ScaledSum8(blue, red, PairConstant(-GreenFromCb, 65536 - GreenFromCr)), red);
    return terms;
}

// Eight pixels from eight luma samples and their terms.
template <bool Bgra>
inline void StorePixels8(u8* out, const u8* luma, __m128i red, __m128i green, __m128i blue) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i y = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(luma)), zero);
    const __m128i r = _mm_packus_epi16(_mm_add_epi16(y, red), zero);
    const __m128i g = _mm_packus_epi16(_mm_add_epi16(y, green), zero);
    const __m128i b = _mm_packus_epi16(_mm_add_epi16(y, blue), zero);
    const __m128i fourth = Bgra ? _mm_set1_epi8(char(0xFF)) : zero;
    const __m128i firstSecond = _mm_unpacklo_epi8(Bgra ? b : r, g);
    const __m128i thirdFourth = _mm_unpacklo_epi8(Bgra ? r : b, fourth);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi16(firstSecond, thirdFourth));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), _mm_unpackhi_epi16(firstSecond, thirdFourth));
}

// Each of eight terms twice, into sixteen entries.
inline void StoreTwice(i16* out, __m128i terms) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi16(terms, terms));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), _mm_unpackhi_epi16(terms, terms));
}

inline __m128i LoadTerms8(const i16* terms) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(terms));
}

#endif

// One pixel word: R, G, B, 0 in memory, or B, G, R, 255 for the engine's BGRA8.
template <bool Bgra>
inline void StorePixel(u8* out, u32 red, u32 green, u32 blue) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    // One word per pixel, which the compiler vectorises.
    const u32 pixel = Bgra ? (blue | green << 8 | red << 16 | 0xFF000000u) : (red | green << 8 | blue << 16);
    std::memcpy(out, &pixel, 4);
#else
    out[0] = u8(Bgra ? blue : red);
    out[1] = u8(green);
    out[2] = u8(Bgra ? red : blue);
    out[3] = Bgra ? 255 : 0;
#endif
}

// Pixels from luma and the chroma terms of each pixel; the buffers do not
// overlap.
template <bool Bgra>
void StorePixels(const u8* __restrict luma, const i16* __restrict redTerms, const i16* __restrict greenTerms,
                 const i16* __restrict blueTerms, u8* __restrict out, int width) {
    int x = 0;
#if defined(__SSE2__)
    for (; x + 8 <= width; x += 8)
        StorePixels8<Bgra>(out + 4 * x, luma + x, LoadTerms8(redTerms + x), LoadTerms8(greenTerms + x),
                           LoadTerms8(blueTerms + x));
#endif
    for (; x < width; ++x) {
        const int luminance = luma[x];
        StorePixel<Bgra>(out + 4 * x, u32(Clamp255(luminance + redTerms[x])),
                         u32(Clamp255(luminance + greenTerms[x])), u32(Clamp255(luminance + blueTerms[x])));
    }
}

// Zeroes 64 coefficients with plain vector stores, cheaper than the string
// instruction the compiler picks for a memset of this size.
inline void ClearBlock(i32* block) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (int i = 0; i < 64; i += 4) _mm_storeu_si128(reinterpret_cast<__m128i*>(block + i), zero);
#else
    std::memset(block, 0, 64 * sizeof(i32));
#endif
}

// Bit k set when coefficient k of the block is not zero.
inline u64 NonZeroMask(const i16* block) {
    u64 mask = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (int group = 0; group < 8; group += 2) {
        const __m128i first = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 8 * group)), zero);
        const __m128i second =
            _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 8 * group + 8)), zero);
        const u32 zeros = u32(_mm_movemask_epi8(_mm_packs_epi16(first, second)));
        mask |= u64(~zeros & 0xFFFFu) << (8 * group);
    }
#else
    for (int k = 0; k < 64; ++k)
        if (block[k] != 0) mask |= 1ull << k;
#endif
    return mask;
}

// Set bits of a mask; without the population-count instruction the builtin
// is a library call, slower than these few operations.
inline int CountBits(u64 mask) {
#if defined(__POPCNT__)
    return __builtin_popcountll(mask);
#else
    mask -= (mask >> 1) & 0x5555555555555555ull;
    mask = (mask & 0x3333333333333333ull) + ((mask >> 2) & 0x3333333333333333ull);
    mask = (mask + (mask >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return int((mask * 0x0101010101010101ull) >> 56);
#endif
}

// By byte value: the positions of its set bits, lowest first.
struct ByteSelectTable {
    u8 position[256][8];
    constexpr ByteSelectTable() : position() {
        for (int value = 0; value < 256; ++value) {
            int found = 0;
            for (int bit = 0; bit < 8; ++bit)
                if ((value >> bit) & 1) position[value][found++] = u8(bit);
        }
    }
};
constexpr ByteSelectTable ByteSelect;

// Position of set bit number n (0 is the lowest) of mask, or 64 when it has
// no more than n set bits; no loop over the bits skipped.
inline int SelectBit(u64 mask, int n) {
    constexpr u64 Ones = 0x0101010101010101ull;
    constexpr u64 Highs = 0x8080808080808080ull;
    u64 counts = mask - ((mask >> 1) & 0x5555555555555555ull);
    counts = (counts & 0x3333333333333333ull) + ((counts >> 2) & 0x3333333333333333ull);
    counts = (counts + (counts >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    // Byte i: set bits in bytes 0 to i (at most 64, no carries).
    const u64 prefix = counts * Ones;
    // Top bit of each byte whose prefix exceeds n.
    const u64 beyond = ((prefix | Highs) - u64(n + 1) * Ones) & Highs;
    if (!beyond) return 64;
    const int byte = __builtin_ctzll(beyond) >> 3;
    const int before = byte ? int((prefix >> (8 * byte - 8)) & 0xFF) : 0;
    return 8 * byte + ByteSelect.position[(mask >> (8 * byte)) & 0xFF][n - before];
}

// The same by dropping the bits before it one at a time: fewer
// instructions for the short runs of refinement, quicker on small frames.
inline int SelectBitByLoop(u64 mask, int n) {
    for (int i = 0; i < n; ++i) mask &= mask - 1;
    return mask ? __builtin_ctzll(mask) : 64;
}

bool IsNarrow(i32 dc, i32 largestAc) {
    return dc >= -NarrowDcLimit && dc <= NarrowDcLimit && largestAc <= NarrowAcLimit;
}

}  // namespace

int jpeg_decoder_memory_stream::read(u8* buffer, int maxBytes, bool* endOfStream) {
    u64 left = m_size - m_position;
    u64 count = u64(maxBytes) < left ? u64(maxBytes) : left;
    if (count) std::memcpy(buffer, m_bytes + m_position, size_t(count));
    m_position += count;
    if (count < u64(maxBytes)) *endOfStream = true;
    return int(count);
}

struct jpeg_decoder_state {
    explicit jpeg_decoder_state(jpeg_decoder_stream* input) : stream(input) {
        for (int i = 0; i < 4; ++i) huffman[4 + i].fast = fastAc[i];
    }

    // --- errors and memory -------------------------------------------------

    [[noreturn]] void Stop(int code) {
        if (error == 0) error = code;
        ReleaseAll();
        throw DecoderStopped{};
    }

    void ReleaseAll() {
        for (int i = 0; i < poolCount; ++i) std::free(pool[i]);
        poolCount = 0;
        for (Component& c : components) {
            c.coefficients = nullptr;
            c.plane = nullptr;
        }
        output = nullptr;
        redTerms = greenTerms = blueTerms = nullptr;
        if (stream) {
            stream->detach();
            stream = nullptr;
        }
    }

    // A zero-filled pool block (calloc aligns to at least 8 bytes), or one
    // left as it comes.
    void* Allocate(u64 size, bool cleared = true) {
        if (poolCount >= MaxPoolBlocks) Stop(JpegTooManyBlocks);
        void* block = size ? (cleared ? std::calloc(size_t(size), 1) : std::malloc(size_t(size))) : nullptr;
        if (!block) Stop(JpegNotEnoughMemory);
        pool[poolCount++] = block;
        return block;
    }

    // --- input ---------------------------------------------------------------

    void Refill() {
        inputPointer = inputBuffer + InputReserve;
        inputLeft = 0;
        while (inputLeft < InputBufferSize && !endOfStream && stream) {
            int count = stream->read(inputPointer + inputLeft, InputBufferSize - inputLeft, &endOfStream);
            if (count < 0) Stop(JpegStreamReadError);
            inputLeft += count;
            totalBytesRead += u64(count);
        }
        for (int i = 0; i < InputFiller; i += 2) {
            inputPointer[inputLeft + i] = 0xFF;
            inputPointer[inputLeft + i + 1] = MarkerEoi;
        }
    }

    u8 NextByte() {
        if (inputLeft == 0) {
            if (!endOfStream) Refill();
            if (inputLeft == 0) {
                // Past the end: an endless end-of-image marker.
                toggle ^= 1;
                return toggle ? 0xFF : u8(MarkerEoi);
            }
        }
        --inputLeft;
        return *inputPointer++;
    }

    void PutBack(u8 byte) {
        if (inputPointer <= inputBuffer) Stop(JpegAssertionError);
        *--inputPointer = byte;
        ++inputLeft;
    }

    u32 Next16() {
        u32 high = NextByte();
        return (high << 8) | NextByte();
    }

    // A byte of entropy-coded data: stuffed zeros dropped; a marker is put
    // back for the marker reader and one-bits are supplied meanwhile.
    u32 NextEntropyByte() {
        u8 byte = NextByte();
        if (byte != 0xFF) return byte;
        u8 next = NextByte();
        if (next == 0) return 0xFF;
        PutBack(next);
        PutBack(0xFF);
        return 0xFF;
    }

    // The bit buffer holds its bitCount unread bits at the top, first bit
    // highest; the bits below them are always zero, so bytes are or-ed in.
    void FillBits() {
        // Whole bytes up to 57..64 bits; eight bytes at a time when none is 0xFF.
        if (inputLeft >= 8) {
            const int count = (64 - bitCount) >> 3;
            if (count == 0) return;
            u64 word;
            std::memcpy(&word, inputPointer, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
            word = __builtin_bswap64(word);
#endif
            // A zero byte of ~word is a 0xFF byte among the bytes taken.
            const u64 inverted = ~word;
            const u64 zeroBytes = (inverted - 0x0101010101010101ull) & ~inverted & 0x8080808080808080ull;
            const u64 takenMask = count == 8 ? ~0ull : ~(~0ull >> (8 * count));
            if ((zeroBytes & takenMask) == 0) {
                bitBuffer |= (word & takenMask) >> bitCount;
                bitCount += 8 * count;
                inputPointer += count;
                inputLeft -= count;
                return;
            }
        }
        while (bitCount <= 56) {
            u32 byte;
            if (inputLeft > 0 && *inputPointer != 0xFF) {
                byte = *inputPointer++;
                --inputLeft;
            } else {
                byte = NextEntropyByte();
            }
            bitBuffer |= u64(byte) << (56 - bitCount);
            bitCount += 8;
        }
    }

    // Drops count (1..63) bits from the top of the buffer.
    void SkipBits(int count) {
        bitBuffer <<= count;
        bitCount -= count;
    }

    u32 GetBits(int count) {
        if (count == 0) return 0;
        if (bitCount < count) FillBits();
        const u32 value = u32(bitBuffer >> (64 - count));
        SkipBits(count);
        return value;
    }

    u32 GetBit() { return GetBits(1); }

    int DecodeSymbol(const HuffmanTable& table) {
        if (bitCount < 16) FillBits();
        u32 entry = table.lookup[bitBuffer >> (64 - LookupBits)];
        if (entry) {
            SkipBits(int(entry >> 8));
            return int(entry & 0xFF);
        }
        u32 code16 = u32(bitBuffer >> 48);
        for (int length = LookupBits + 1; length <= 16; ++length) {
            i32 code = i32(code16 >> (16 - length));
            if (code <= table.maxCode[length]) {
                SkipBits(length);
                return table.symbols[(code + table.valueOffset[length]) & 0xFF];
            }
        }
        // No such code (one-bits after a cut-off scan): treat as symbol 0.
        SkipBits(16);
        return 0;
    }

    void ResetBits() {
        bitBuffer = 0;
        bitCount = 0;
        FillBits();
    }

    // --- markers -------------------------------------------------------------

    void LocateSoi() {
        u32 last = NextByte();
        u32 current = NextByte();
        int searched = 0;
        while (!(last == 0xFF && current == MarkerSoi)) {
            if (++searched > SoiSearchLimit) Stop(JpegNotJpeg);
            last = current;
            current = NextByte();
        }
        u8 following = NextByte();
        if (following != 0xFF) Stop(JpegNotJpeg);
        PutBack(following);
    }

    int NextMarker() {
        u8 byte;
        do {
            byte = NextByte();
        } while (byte != 0xFF);
        do {
            byte = NextByte();
        } while (byte == 0xFF);
        return byte;
    }

    // Reads table segments until a frame, SOI, EOI or SOS marker, which is returned.
    int ProcessMarkers() {
        for (;;) {
            int marker = NextMarker();
            switch (marker) {
            case MarkerSof0: case MarkerSof1: case MarkerSof2: case MarkerSof3:
            case 0xC5: case 0xC6: case 0xC7: case MarkerSof9: case 0xCA: case 0xCB:
            case 0xCD: case 0xCE: case MarkerSof15:
            case MarkerSoi: case MarkerEoi: case MarkerSos:
                return marker;
            case MarkerDht: ReadDht(); break;
            case MarkerDac: Stop(JpegNoArithmeticSupport);
            case MarkerDqt: ReadDqt(); break;
            case MarkerDri: ReadDri(); break;
            case MarkerJpg: case MarkerTem:
            case 0xD0: case 0xD1: case 0xD2: case 0xD3: case 0xD4: case 0xD5: case 0xD6: case MarkerRst7:
                Stop(JpegUnexpectedMarker);
            case 0x00: break;
            default: SkipVariableMarker(); break;
            }
        }
    }

    void SkipVariableMarker() {
        u32 length = Next16();
        if (length < 2) Stop(JpegBadVariableMarker);
        for (length -= 2; length > 0; --length) NextByte();
    }

    void ReadDht() {
        u32 length = Next16();
        if (length < 2) Stop(JpegBadDhtMarker);
        length -= 2;
        while (length > 0) {
            if (length < 17) Stop(JpegBadDhtMarker);
            u32 index = NextByte();
            u8 counts[17] = {0};
            u32 total = 0;
            for (int i = 1; i <= 16; ++i) {
                counts[i] = NextByte();
                total += counts[i];
            }
            if (total > 255) Stop(JpegBadDhtCounts);
            length -= 17;
            if (length < total) Stop(JpegBadDhtMarker);
            u32 tableIndex = (index & 0x0F) + ((index & 0x10) ? 4 : 0);
            if (tableIndex > 7) Stop(JpegBadDhtIndex);
            HuffmanTable& table = huffman[tableIndex];
            std::memset(table.symbols, 0, sizeof(table.symbols));
            for (u32 i = 0; i < total; ++i) table.symbols[i] = NextByte();
            length -= total;
            BuildHuffman(table, counts, tableIndex >= 4);
        }
    }

    // Codes of up to LookupBits bits fill every lookup entry they prefix;
    // longer ones are left to the canonical search. Codes that overflow
    // their length (a damaged table) are never filled. Canonical codes
    // prefix ascending, disjoint runs of entries, so each entry is written
    // once, the gaps with 0. The fast entries wait for a scan that reads
    // them (PrepareFast).
    static void BuildHuffman(HuffmanTable& table, const u8 counts[17], bool ac) {
        std::memcpy(table.counts, counts, sizeof(table.counts));
        table.ac = ac;
        i32 code = 0;
        int symbolIndex = 0;
        int filled = 0;
        for (int length = 1; length <= 16; ++length) {
            table.valueOffset[length] = symbolIndex - code;
            for (int i = 0; i < counts[length]; ++i, ++code, ++symbolIndex) {
                if (length > LookupBits || code >= (1 << length)) continue;
                const int shift = LookupBits - length;
                const int start = code << shift;
                for (; filled < start; ++filled) table.lookup[filled] = 0;
                const u16 entry = u16((length << 8) | table.symbols[symbolIndex & 0xFF]);
                for (int fill = 0; fill < (1 << shift); ++fill) table.lookup[start + fill] = entry;
                filled = start + (1 << shift);
            }
            table.maxCode[length] = counts[length] ? code - 1 : -1;
            code <<= 1;
        }
        for (; filled < LookupSize; ++filled) table.lookup[filled] = 0;
        table.maxCode[17] = 0x7FFFFFFF;
        table.fastReady = false;
        table.paired = false;
        table.defined = true;
    }

    // Fills the fast entries of an AC table's codes, in the same single pass
    // as the lookup: each value of the extra bits prefixes a run of equal
    // entries.
    static void PrepareFast(HuffmanTable& table) {
        assert(table.ac);
        if (table.fastReady) return;
        i32 code = 0;
        int symbolIndex = 0;
        int filled = 0;
        for (int length = 1; length <= LookupBits; ++length) {
            for (int i = 0; i < table.counts[length]; ++i, ++code, ++symbolIndex) {
                if (code >= (1 << length)) continue;
                const int start = code << (LookupBits - length);
                for (; filled < start; ++filled) table.fast[filled] = 0;
                // Values whose extra bits fit in the same look (not EOB or ZRL).
                const int symbol = table.symbols[symbolIndex & 0xFF];
                const int run = symbol >> 4;
                const int bits = symbol & 15;
                if (bits == 0 || length + bits > LookupBits) continue;
                const u64 used = u64(length + bits);
                const int repeat = 1 << (LookupBits - length - bits);
                u64* out = table.fast + start;
                for (u32 extra = 0; extra < (1u << bits); ++extra, out += repeat) {
                    const u64 entry = used << 32 | u64(u32(Extend(extra, bits)) << 16 | u32(run) << 8) | used;
                    for (int fill = 0; fill < repeat; ++fill) out[fill] = entry;
                }
                filled = start + (1 << (LookupBits - length));
            }
            code <<= 1;
        }
        for (; filled < LookupSize; ++filled) table.fast[filled] = 0;
        table.fastReady = true;
    }

    // Fills in the second coefficients of an AC table: the bits after a first
    // coefficient, shifted up, index its successor, which counts when it uses
    // only bits of the same look.
    static void BuildPairs(HuffmanTable& table) {
        assert(table.fastReady);
        for (int index = 0; index < LookupSize; ++index) {
            const u64 entry = table.fast[index];
            if (!entry) continue;
            const int used = FastLength(entry);
            const u64 next = table.fast[(index << used) & (LookupSize - 1)];
            if (!next || used + FastLength(next) > LookupBits) continue;
            const u64 step = u64(((next >> 8) & 15) + 1);
            const u64 secondValue = u64(u16(i16(i32(u32(next)) >> 16)));
            table.fast[index] = secondValue << 48 | step << 40 | u64(used) << 32 |
                                (entry & 0xFFFFFFC0ull) | u64(used + FastLength(next));
        }
        table.paired = true;
    }

    void ReadDqt() {
        u32 length = Next16();
        if (length < 2) Stop(JpegBadDqtMarker);
        length -= 2;
        while (length > 0) {
            u32 info = NextByte();
            bool wide = (info >> 4) != 0;
            u32 number = info & 0x0F;
            if (number >= 4) Stop(JpegBadDqtTable);
            u32 needed = wide ? 129 : 65;
            if (length < needed) Stop(JpegBadDqtLength);
            for (int i = 0; i < 64; ++i) quant[number][i] = u16(wide ? Next16() : NextByte());
            quantDefined[number] = true;
            length -= needed;
        }
    }

    void ReadDri() {
        if (Next16() != 4) Stop(JpegBadDriLength);
        restartInterval = int(Next16());
    }

    void ReadSof() {
        u32 length = Next16();
        if (NextByte() != 8) Stop(JpegBadPrecision);
        height = int(Next16());
        if (height < 1 || height > MaxSide) Stop(JpegBadHeight);
        width = int(Next16());
        if (width < 1 || width > MaxSide) Stop(JpegBadWidth);
        componentCount = NextByte();
        if (componentCount > 4) Stop(JpegTooManyComponents);
        if (length != u32(8 + 3 * componentCount)) Stop(JpegBadSofLength);
        for (int i = 0; i < componentCount; ++i) {
            Component& c = components[i];
            c.id = NextByte();
            u32 sampling = NextByte();
            c.horizontal = int(sampling >> 4);
            c.vertical = int(sampling & 15);
            c.quantTable = NextByte();
        }
    }

    void LocateSof() {
        int marker = ProcessMarkers();
        if (marker == MarkerSof2) {
            progressive = true;
        } else if (marker == MarkerSof0 || marker == MarkerSof1) {
            progressive = false;
        } else if (marker == MarkerSof9) {
            Stop(JpegNoArithmeticSupport);
        } else {
            Stop(JpegUnsupportedMarker);
        }
        ReadSof();
    }

    void ReadSos() {
        u32 length = Next16();
        int count = NextByte();
        if (length != u32(6 + 2 * count) || count < 1 || count > 4) Stop(JpegBadSosLength);
        scanCount = count;
        for (int i = 0; i < count; ++i) {
            int id = NextByte();
            int tables = NextByte();
            int found = -1;
            for (int c = 0; c < componentCount; ++c)
                if (components[c].id == id) found = c;
            if (found < 0) Stop(JpegBadSosComponentId);
            scanComponents[i] = found;
            components[found].dcTable = tables >> 4;
            components[found].acTable = (tables & 15) + 4;
        }
        spectralStart = NextByte();
        spectralEnd = NextByte();
        int approximation = NextByte();
        approxHigh = approximation >> 4;
        approxLow = approximation & 15;
        if (!progressive) {
            spectralStart = 0;
            spectralEnd = 63;
            approxHigh = approxLow = 0;
            return;
        }
        if (spectralStart > spectralEnd || spectralEnd > 63) Stop(JpegBadSosSpectral);
        if (spectralStart == 0 ? spectralEnd != 0 : count != 1) Stop(JpegBadSosSpectral);
        if (approxHigh != 0 && approxLow != approxHigh - 1) Stop(JpegBadSosSuccessive);
    }

    // Checks tables and resets the per-scan state before entropy data.
    void StartScan() {
        for (int i = 0; i < componentCount; ++i)
            if (components[i].quantTable > 3 || !quantDefined[components[i].quantTable])
                Stop(JpegUndefinedQuantTable);
        for (int i = 0; i < scanCount; ++i) {
            const Component& c = components[scanComponents[i]];
            bool needsDc = spectralStart == 0 && approxHigh == 0;
            bool needsAc = spectralEnd > 0;
            if (needsDc && (c.dcTable > 3 || !huffman[c.dcTable].defined)) Stop(JpegUndefinedHuffTable);
            if (needsAc && (c.acTable > 7 || !huffman[c.acTable].defined)) Stop(JpegUndefinedHuffTable);
        }
        // Only AC scans that are not refinements read fast entries; only the
        // sequential block decoder takes two coefficients a look.
        const bool paired =
            !buffered && u64(mcusPerRow) * u64(mcusPerColumn) * u64(blocksPerMcu) >= PairedBlocksMin;
        // Scans of few blocks in a buffered file decode quicker through the
        // plain lookup than the fast entries take to fill.
        const u64 scanBlocks = scanCount == 1 ? u64(components[scanComponents[0]].blocksPerLine) *
                                                    u64(components[scanComponents[0]].blocksPerColumn)
                                              : u64(mcusPerRow) * u64(mcusPerColumn) * u64(blocksPerMcu);
        const bool readsFast = approxHigh == 0 && spectralEnd > 0 && (!buffered || scanBlocks >= FastBlocksMin);
        scanFast = readsFast;
        for (int i = 0; readsFast && i < scanCount; ++i) {
            HuffmanTable& table = huffman[components[scanComponents[i]].acTable];
            PrepareFast(table);
            if (paired && !table.paired) BuildPairs(table);
        }
        for (Component& c : components) c.dcPredictor = 0;
        restartsLeft = restartInterval;
        nextRestart = 0;
        endOfBandRun = 0;
        ResetBits();
    }

    void ProcessRestart() {
        int searched = 0;
        while (NextByte() != 0xFF)
            if (++searched >= RestartSearchLimit) Stop(JpegBadRestartMarker);
        u8 marker;
        do {
            marker = NextByte();
        } while (marker == 0xFF);
        if (marker != MarkerRst0 + nextRestart) Stop(JpegBadRestartMarker);
        for (Component& c : components) c.dcPredictor = 0;
        restartsLeft = restartInterval;
        endOfBandRun = 0;
        nextRestart = (nextRestart + 1) & 7;
        ResetBits();
    }

    // Counts one MCU against the restart interval.
    void BeforeMcu() {
        if (restartInterval == 0) return;
        if (restartsLeft == 0) ProcessRestart();
        --restartsLeft;
    }

    // --- frame geometry ------------------------------------------------------

    void SetUpGeometry() {
        if (componentCount == 1) {
            components[0].horizontal = components[0].vertical = 1;
            blocksPerMcu = 1;
            mcuWidth = mcuHeight = 8;
            bytesPerPixel = 1;
        } else if (componentCount == 3) {
            const Component& luma = components[0];
            bool chromaPlain = components[1].horizontal == 1 && components[1].vertical == 1 &&
                               components[2].horizontal == 1 && components[2].vertical == 1;
            bool lumaKnown = (luma.horizontal == 1 || luma.horizontal == 2) &&
                             (luma.vertical == 1 || luma.vertical == 2);
            if (!chromaPlain || !lumaKnown) Stop(JpegUnsupportedSamplingFactors);
            blocksPerMcu = luma.horizontal * luma.vertical + 2;
            mcuWidth = 8 * luma.horizontal;
            mcuHeight = 8 * luma.vertical;
            bytesPerPixel = 4;
        } else {
            Stop(JpegUnsupportedColorspace);
        }
        if (blocksPerMcu > MaxBlocksPerMcu) Stop(JpegAssertionError);
        maxHorizontal = components[0].horizontal;
        maxVertical = components[0].vertical;
        mcusPerRow = (width + mcuWidth - 1) / mcuWidth;
        mcusPerColumn = (height + mcuHeight - 1) / mcuHeight;
        if (mcusPerRow * blocksPerMcu > MaxBlocksPerRow) Stop(JpegAssertionError);
        smallFrame = u64(mcusPerRow) * u64(mcusPerColumn) * u64(blocksPerMcu) < SmallFrameBlocks;
        for (int i = 0; i < componentCount; ++i) {
            Component& c = components[i];
            int componentWidth = (width * c.horizontal + maxHorizontal - 1) / maxHorizontal;
            int componentHeight = (height * c.vertical + maxVertical - 1) / maxVertical;
            c.blocksPerLine = (componentWidth + 7) / 8;
            c.blocksPerColumn = (componentHeight + 7) / 8;
            c.paddedBlocksPerLine = mcusPerRow * c.horizontal;
            c.paddedBlocksPerColumn = mcusPerColumn * c.vertical;
            c.planeStride = c.paddedBlocksPerLine * 8;
            c.plane = static_cast<u8*>(Allocate(u64(c.planeStride) * 8 * c.vertical));
        }
        scanlineLength = width * bytesPerPixel;
        // The colour terms share the output's block, after it.
        const u64 paddedWidth = u64(mcusPerRow) * mcuWidth;
        const u64 outputSize = (paddedWidth * bytesPerPixel + 16 + 15) / 16 * 16;
        const u64 termsSize = componentCount == 3 ? 3 * paddedWidth * sizeof(i16) : 0;
        output = static_cast<u8*>(Allocate(outputSize + termsSize));
        if (termsSize) {
            redTerms = reinterpret_cast<i16*>(output + outputSize);
            greenTerms = redTerms + paddedWidth;
            blueTerms = greenTerms + paddedWidth;
        }
        termsLine = -1;
        rowsLeft = height;
        mcuLinesLeft = 0;
        mcuRow = 0;
        // The tables serve only the pixels after the last group of eight;
        // with SSE2 a width of whole groups of sixteen leaves none.
#if defined(__SSE2__)
        if (componentCount == 3 && width % 16 != 0) BuildColourTables();
#else
        if (componentCount == 3) BuildColourTables();
#endif
    }

    void BuildColourTables() {
        const i32 half = 1 << 15;
        for (int i = 0; i < 256; ++i) {
            i32 x = i - 128;
            redFromCr[i] = (RedFromCr * x + half) >> 16;
            blueFromCb[i] = (BlueFromCb * x + half) >> 16;
            greenFromCr[i] = -GreenFromCr * x;
            greenFromCb[i] = -GreenFromCb * x + half;
        }
    }

    // --- entropy decoding ----------------------------------------------------

    // An AC coefficient whose code and extra bits fit in one table look:
    // moves k over its run, takes its bits and gives its value. False when
    // the symbol needs the slow path.
    bool TakeFastAc(const HuffmanTable& table, int& k, i32& value) {
        if (!scanFast) return false;
        if (bitCount < 16) FillBits();
        const u64 entry = table.fast[bitBuffer >> (64 - LookupBits)];
        const i32 fast = i32(u32(entry));
        if (!fast) return false;
        k += (fast >> 8) & 15;
        if (k > 63) Stop(JpegDecodeError);
        SkipBits(FastLength(entry));
        value = fast >> 16;
        return true;
    }

    // The next DC difference.
    i32 DecodeDcDifference(const HuffmanTable& table) {
        int size = DecodeSymbol(table);
        if (size > 16) Stop(JpegDecodeError);
        return Extend(GetBits(size), size);
    }

    // One sequential block, dequantised into natural order. Returns whether
    // any AC coefficient is set; largestAc receives the largest magnitude.
    // The bit buffer lives in locals over the fast AC path, stored back
    // around every call that reads bits through the members. A fast entry's
    // low six bits are its length, so x86 shifts by the entry itself.
    bool DecodeBlock(Component& c, i32* __restrict block, i32& largestAc) {
        const HuffmanTable& acTable = huffman[c.acTable];
        // The table's own address in a register: one load per look, with no
        // address sum ahead of it on the decode's critical path.
        const u64* fastAc = acTable.fast;
#if defined(__GNUC__)
        asm("" : "+r"(fastAc));
#endif
        const u16* q = quant[c.quantTable];
        const i32 difference = DecodeDcDifference(huffman[c.dcTable]);
        c.dcPredictor = i32(u32(c.dcPredictor) + u32(difference));
        ClearBlock(block);
        block[0] = i32(i16(c.dcPredictor)) * i32(q[0]);
        bool hasAc = false;
        i32 largest = 0;
        u64 buffer = bitBuffer;
        int count = bitCount;
        for (int k = 1; k < 64; ++k) {
            if (count < 16) {
                bitBuffer = buffer;
                bitCount = count;
                FillBits();
                buffer = bitBuffer;
                count = bitCount;
            }
            const u64 entry = fastAc[buffer >> (64 - LookupBits)];
            const i32 fast = i32(u32(entry));
            if (fast) {
                // One or two coefficients. Without a second, the step is 0
                // and its zero value is stored first, under the first one.
                const int first = k + ((fast >> 8) & 15);
                int second = first + FastSecondStep(entry);
                int used = fast & 63;
                i32 secondValue = FastSecondValue(entry);
                if (second > 63) {
                    if (first > 63) Stop(JpegDecodeError);
                    // A first coefficient at 63 ends the block: the bits
                    // after it are the next block's.
                    second = first;
                    used = FastLength(entry);
                    secondValue = 0;
                }
                buffer <<= used;
                count -= used;
                secondValue *= i32(q[second]);
                block[ZigZagToNatural[second]] = secondValue;
                const i32 value = (fast >> 16) * i32(q[first]);
                block[ZigZagToNatural[first]] = value;
                const i32 magnitude = value < 0 ? -value : value;
                const i32 secondMagnitude = secondValue < 0 ? -secondValue : secondValue;
                largest = magnitude > largest ? magnitude : largest;
                largest = secondMagnitude > largest ? secondMagnitude : largest;
                hasAc = true;
                k = second;
                continue;
            }
            bitBuffer = buffer;
            bitCount = count;
            int symbol = DecodeSymbol(acTable);
            int run = symbol >> 4;
            int bits = symbol & 15;
            if (bits) {
                k += run;
                if (k > 63) Stop(JpegDecodeError);
                const i32 value = Extend(GetBits(bits), bits) * i32(q[k]);
                buffer = bitBuffer;
                count = bitCount;
                block[ZigZagToNatural[k]] = value;
                const i32 magnitude = value < 0 ? -value : value;
                largest = magnitude > largest ? magnitude : largest;
                hasAc = true;
            } else {
                buffer = bitBuffer;
                count = bitCount;
                if (run != 15) break;
                k += 15;
            }
        }
        bitBuffer = buffer;
        bitCount = count;
        largestAc = largest;
        return hasAc;
    }

    // The same into a coefficient buffer, undequantised, zig-zag order.
    void DecodeBlockBuffered(Component& c, i16* block) {
        c.dcPredictor = i32(u32(c.dcPredictor) + u32(DecodeDcDifference(huffman[c.dcTable])));
        block[0] = i16(c.dcPredictor);
        const HuffmanTable& acTable = huffman[c.acTable];
        for (int k = 1; k < 64; ++k) {
            i32 value;
            if (TakeFastAc(acTable, k, value)) {
                block[k] = i16(value);
                continue;
            }
            int symbol = DecodeSymbol(acTable);
            int run = symbol >> 4;
            int bits = symbol & 15;
            if (bits) {
                k += run;
                if (k > 63) Stop(JpegDecodeError);
                block[k] = i16(Extend(GetBits(bits), bits));
            } else {
                if (run != 15) break;
                k += 15;
            }
        }
    }

    void DecodeDcFirst(Component& c, i16* block) {
        c.dcPredictor = i32(u32(c.dcPredictor) + u32(DecodeDcDifference(huffman[c.dcTable])));
        block[0] = i16(u32(c.dcPredictor) << approxLow);
    }

    void DecodeDcRefine(i16* block) {
        if (GetBit()) block[0] = i16(block[0] | (1 << approxLow));
    }

    void DecodeAcFirst(Component& c, i16* block) {
        if (endOfBandRun > 0) {
            --endOfBandRun;
            return;
        }
        const HuffmanTable& table = huffman[c.acTable];
        for (int k = spectralStart; k <= spectralEnd; ++k) {
            i32 value;
            if (TakeFastAc(table, k, value)) {
                block[k] = i16(u32(value) << approxLow);
                continue;
            }
            int symbol = DecodeSymbol(table);
            int run = symbol >> 4;
            int bits = symbol & 15;
            if (bits) {
                k += run;
                if (k > 63) Stop(JpegDecodeError);
                block[k] = i16(u32(Extend(GetBits(bits), bits)) << approxLow);
            } else if (run == 15) {
                k += 15;
            } else {
                endOfBandRun = (1u << run) - 1;
                if (run) endOfBandRun += GetBits(run);
                break;
            }
        }
    }

    // Refines every non-zero coefficient whose bit is set in positions, in
    // order, one correction bit each. The bits are taken from the buffer in
    // batches: as many as it holds, at most one per position left.
    void RefineAll(i16* block, u64 positions) {
        if (!positions) return;
        const i32 bit = 1 << approxLow;
        int left = CountBits(positions);
        while (left > 0) {
            if (bitCount < left) FillBits();
            const int take = left < bitCount ? left : bitCount;
            // The taken bits at the top, first one highest.
            u64 bits = bitBuffer;
            SkipBits(take);
            left -= take;
            for (int i = 0; i < take; ++i) {
                i16* coefficient = block + __builtin_ctzll(positions);
                positions &= positions - 1;
                const i32 value = *coefficient;
                const bool correct = i64(bits) < 0 && (value & bit) == 0;
                bits <<= 1;
                const i32 step = value >= 0 ? bit : -bit;
                *coefficient = i16(value + (correct ? step : 0));
            }
        }
    }

    void DecodeAcRefine(Component& c, i16* block) {
        const HuffmanTable& table = huffman[c.acTable];
        const int positive = 1 << approxLow;
        // Refinement never makes a coefficient zero, and new ones appear only
        // behind k: the mask of non-zero coefficients stays right ahead of k.
        const u64 nonZero = NonZeroMask(block);
        const u64 band = (2ull << spectralEnd) - 1;  // positions up to spectralEnd
        int k = spectralStart;
        if (endOfBandRun == 0) {
            for (; k <= spectralEnd; ++k) {
                int symbol = DecodeSymbol(table);
                int run = symbol >> 4;
                int bits = symbol & 15;
                int value = 0;
                if (bits) {
                    if (bits != 1) Stop(JpegDecodeError);
                    value = GetBit() ? positive : -positive;
                } else if (run != 15) {
                    endOfBandRun = 1u << run;
                    if (run) endOfBandRun += GetBits(run);
                    break;
                }
                // Skip 'run' zero coefficients, refining the non-zero ones
                // met; stop at the next zero, or past the band.
                const u64 ahead = ~0ull << k;
                const u64 zeros = ~nonZero & band & ahead;
                const int found = smallFrame ? SelectBitByLoop(zeros, run) : SelectBit(zeros, run);
                const int target = found < 64 ? found : spectralEnd + 1;
                const u64 before = target >= 64 ? ~0ull : (1ull << target) - 1;
                RefineAll(block, nonZero & ahead & before);
                k = target;
                if (value) {
                    if (k > 63) Stop(JpegDecodeError);
                    block[k] = i16(value);
                }
            }
        }
        if (endOfBandRun > 0) {
            if (k <= spectralEnd) RefineAll(block, nonZero & band & (~0ull << k));
            --endOfBandRun;
        }
    }

    // Every access to the coefficient buffers goes through here. Scans walk
    // the rows top to bottom, so each row is zeroed when first reached,
    // while it is about to be used, instead of the whole buffer up front.
    i16* BlockAt(Component& c, int blockX, int blockY) {
        if (blockX < 0 || blockY < 0 || blockX >= c.paddedBlocksPerLine || blockY >= c.paddedBlocksPerColumn)
            Stop(JpegAssertionError);
        const u64 rowSize = u64(c.paddedBlocksPerLine) * 64;
        if (blockY >= c.clearedRows) {
            std::memset(c.coefficients + u64(c.clearedRows) * rowSize, 0,
                        size_t(u64(blockY + 1 - c.clearedRows) * rowSize * sizeof(i16)));
            c.clearedRows = blockY + 1;
        }
        return c.coefficients + u64(blockY) * rowSize + u64(blockX) * 64;
    }

    enum class ScanKind { Sequential, DcFirst, DcRefine, AcFirst, AcRefine };

    template <ScanKind Kind>
    void DecodeBufferedBlock(Component& c, i16* block) {
        if constexpr (Kind == ScanKind::Sequential) DecodeBlockBuffered(c, block);
        else if constexpr (Kind == ScanKind::DcFirst) DecodeDcFirst(c, block);
        else if constexpr (Kind == ScanKind::DcRefine) DecodeDcRefine(block);
        else if constexpr (Kind == ScanKind::AcFirst) DecodeAcFirst(c, block);
        else DecodeAcRefine(c, block);
    }

    // One scan of a buffered file into the coefficient buffers; the kind of
    // scan is chosen once, outside the loops over its blocks.
    void DecodeBufferedScan() {
        StartScan();
        if (!progressive) DecodeBufferedScanAs<ScanKind::Sequential>();
        else if (spectralStart == 0) {
            if (approxHigh == 0) DecodeBufferedScanAs<ScanKind::DcFirst>();
            else DecodeBufferedScanAs<ScanKind::DcRefine>();
        } else if (approxHigh == 0) {
            DecodeBufferedScanAs<ScanKind::AcFirst>();
        } else {
            DecodeBufferedScanAs<ScanKind::AcRefine>();
        }
    }

    template <ScanKind Kind>
    void DecodeBufferedScanAs() {
        if (scanCount == 1) {
            Component& c = components[scanComponents[0]];
            for (int by = 0; by < c.blocksPerColumn; ++by) {
                // blocksPerLine never exceeds the padded line BlockAt checks.
                i16* row = BlockAt(c, 0, by);
                for (int bx = 0; bx < c.blocksPerLine; ++bx) {
                    BeforeMcu();
                    DecodeBufferedBlock<Kind>(c, row + bx * 64);
                }
            }
            return;
        }
        for (int my = 0; my < mcusPerColumn; ++my)
            for (int mx = 0; mx < mcusPerRow; ++mx) {
                BeforeMcu();
                for (int i = 0; i < scanCount; ++i) {
                    Component& c = components[scanComponents[i]];
                    for (int by = 0; by < c.vertical; ++by) {
                        i16* first = BlockAt(c, mx * c.horizontal + c.horizontal - 1, my * c.vertical + by) -
                                     (c.horizontal - 1) * 64;
                        for (int bx = 0; bx < c.horizontal; ++bx) DecodeBufferedBlock<Kind>(c, first + bx * 64);
                    }
                }
            }
    }

    void DecodeAllScans() {
        for (;;) {
            DecodeBufferedScan();
            int marker = ProcessMarkers();
            if (marker == MarkerEoi) return;
            if (marker != MarkerSos) Stop(JpegUnexpectedMarker);
            ReadSos();
        }
    }

    // --- output --------------------------------------------------------------

    // Transforms the blocks of the next MCU row into the component planes.
    void DecodeMcuRow() {
        i32 block[64];
        if (buffered) {
            for (int i = 0; i < componentCount; ++i) {
                Component& c = components[i];
                const u16* q = quant[c.quantTable];
                for (int by = 0; by < c.vertical; ++by)
                    for (int bx = 0; bx < c.paddedBlocksPerLine; ++bx) {
                        const i16* coefficients = BlockAt(c, bx, mcuRow * c.vertical + by);
                        const i32 dc = i32(coefficients[0]) * i32(q[0]);
                        u8* out = c.plane + by * 8 * c.planeStride + bx * 8;
                        // Only the non-zero AC coefficients are visited.
                        u64 acPositions = NonZeroMask(coefficients) & ~1ull;
                        if (!acPositions) {
                            FillBlock(dc, out, c.planeStride);
                            continue;
                        }
                        i32 largestAc = 0;
                        ClearBlock(block);
                        block[0] = dc;
                        do {
                            const int k = __builtin_ctzll(acPositions);
                            acPositions &= acPositions - 1;
                            const i32 value = i32(coefficients[k]) * i32(q[k]);
                            block[ZigZagToNatural[k]] = value;
                            const i32 magnitude = value < 0 ? -value : value;
                            largestAc = magnitude > largestAc ? magnitude : largestAc;
                        } while (acPositions);
                        InverseTransformBlock(block, IsNarrow(dc, largestAc), out, c.planeStride);
                    }
            }
        } else {
            for (int mx = 0; mx < mcusPerRow; ++mx) {
                BeforeMcu();
                for (int i = 0; i < scanCount; ++i) {
                    Component& c = components[scanComponents[i]];
                    for (int by = 0; by < c.vertical; ++by)
                        for (int bx = 0; bx < c.horizontal; ++bx) {
                            u8* out = c.plane + by * 8 * c.planeStride + (mx * c.horizontal + bx) * 8;
                            i32 largestAc;
                            if (DecodeBlock(c, block, largestAc))
                                InverseTransformBlock(block, IsNarrow(block[0], largestAc), out, c.planeStride);
                            else FillBlock(block[0], out, c.planeStride);
                        }
                }
            }
        }
        ++mcuRow;
        mcuLine = 0;
        mcuLinesLeft = mcuHeight;
        termsLine = -1;
    }

    // Scanline `line` of the current MCU row into out (scanlineLength bytes).
    void ConvertLine(int line, u8* out) {
        const Component& luma = components[0];
        const u8* y = luma.plane + line * luma.planeStride;
        if (componentCount == 1) {
            std::memcpy(out, y, size_t(width));
            return;
        }
        const int chromaLine = line / maxVertical;
        const u8* cb = components[1].plane + chromaLine * components[1].planeStride;
        const u8* cr = components[2].plane + chromaLine * components[2].planeStride;
        if (maxHorizontal == 1 && maxVertical == 1) {
            // Full-resolution chroma serves one pixel once: no terms to keep.
            if (bgraOutput) ConvertFullChroma<true>(y, cb, cr, out);
            else ConvertFullChroma<false>(y, cb, cr, out);
            return;
        }
        if (chromaLine != termsLine) {
            // The chroma terms of each pixel, shared by the rows of one chroma line.
            if (maxHorizontal == 2) {
                const int chromaWidth = (width + 1) >> 1;
                int x = 0;
#if defined(__SSE2__)
                // Eight chroma samples give sixteen pixels' terms, each twice.
                for (; x + 8 <= chromaWidth; x += 8) {
                    const ChromaTerms8 terms = ComputeChromaTerms8(cb + x, cr + x);
                    StoreTwice(redTerms + 2 * x, terms.red);
                    StoreTwice(greenTerms + 2 * x, terms.green);
                    StoreTwice(blueTerms + 2 * x, terms.blue);
                }
#endif
                for (; x < chromaWidth; ++x) {
                    const int blue = cb[x];
                    const int red = cr[x];
                    const i16 redTerm = i16(redFromCr[red]);
                    const i16 greenTerm = i16((greenFromCb[blue] + greenFromCr[red]) >> 16);
                    const i16 blueTerm = i16(blueFromCb[blue]);
                    redTerms[2 * x] = redTerms[2 * x + 1] = redTerm;
                    greenTerms[2 * x] = greenTerms[2 * x + 1] = greenTerm;
                    blueTerms[2 * x] = blueTerms[2 * x + 1] = blueTerm;
                }
            } else {
                int x = 0;
#if defined(__SSE2__)
                for (; x + 8 <= width; x += 8) {
                    const ChromaTerms8 terms = ComputeChromaTerms8(cb + x, cr + x);
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(redTerms + x), terms.red);
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(greenTerms + x), terms.green);
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(blueTerms + x), terms.blue);
                }
#endif
                for (; x < width; ++x) {
                    const int blue = cb[x];
                    const int red = cr[x];
                    redTerms[x] = i16(redFromCr[red]);
                    greenTerms[x] = i16((greenFromCb[blue] + greenFromCr[red]) >> 16);
                    blueTerms[x] = i16(blueFromCb[blue]);
                }
            }
            termsLine = chromaLine;
        }
        if (bgraOutput) StorePixels<true>(y, redTerms, greenTerms, blueTerms, out, width);
        else StorePixels<false>(y, redTerms, greenTerms, blueTerms, out, width);
    }

    template <bool Bgra>
    void ConvertFullChroma(const u8* __restrict y, const u8* __restrict cb, const u8* __restrict cr,
                           u8* __restrict out) const {
        int x = 0;
#if defined(__SSE2__)
        for (; x + 8 <= width; x += 8) {
            const ChromaTerms8 terms = ComputeChromaTerms8(cb + x, cr + x);
            StorePixels8<Bgra>(out + 4 * x, y + x, terms.red, terms.green, terms.blue);
        }
#endif
        for (; x < width; ++x) {
            const int luminance = y[x];
            const int blue = cb[x];
            const int red = cr[x];
            StorePixel<Bgra>(out + 4 * x, u32(Clamp255(luminance + redFromCr[red])),
                             u32(Clamp255(luminance + ((greenFromCb[blue] + greenFromCr[red]) >> 16))),
                             u32(Clamp255(luminance + blueFromCb[blue])));
        }
    }

    // --- state ---------------------------------------------------------------

    jpeg_decoder_stream* stream;
    int error = 0;
    bool begun = false;
    u64 totalBytesRead = 0;

    int width = 0;
    int height = 0;
    bool progressive = false;
    bool buffered = false;  // progressive, or sequential scans of single components
    int componentCount = 0;
    Component components[4];
    int scanCount = 0;
    int scanComponents[4] = {0, 0, 0, 0};
    int spectralStart = 0;
    int spectralEnd = 63;
    int approxHigh = 0;
    int approxLow = 0;

    u16 quant[4][64] = {};  // zig-zag order
    bool quantDefined[4] = {false, false, false, false};
    HuffmanTable huffman[8];  // DC 0-3, AC 4-7
    u64 fastAc[4][LookupSize];  // the fast entries of AC tables 4-7

    int restartInterval = 0;
    int restartsLeft = 0;
    int nextRestart = 0;
    u32 endOfBandRun = 0;
    bool scanFast = false;  // the scan's AC tables have their fast entries
    bool smallFrame = false;  // fewer than SmallFrameBlocks blocks

    int blocksPerMcu = 0;
    int mcuWidth = 8;
    int mcuHeight = 8;
    int maxHorizontal = 1;
    int maxVertical = 1;
    int mcusPerRow = 0;
    int mcusPerColumn = 0;

    u64 bitBuffer = 0;
    int bitCount = 0;

    u8 inputBuffer[InputReserve + InputBufferSize + InputFiller];
    u8* inputPointer = inputBuffer + InputReserve;
    int inputLeft = 0;
    bool endOfStream = false;
    u8 toggle = 0;

    i32 redFromCr[256];
    i32 blueFromCb[256];
    i32 greenFromCb[256];
    i32 greenFromCr[256];

    void* pool[MaxPoolBlocks];
    int poolCount = 0;

    u8* output = nullptr;
    // Per pixel of the padded width: the red, green and blue terms of the
    // chroma line termsLine of the current MCU row (-1: none yet).
    i16* redTerms = nullptr;
    i16* greenTerms = nullptr;
    i16* blueTerms = nullptr;
    int termsLine = -1;
    int bytesPerPixel = 0;
    bool bgraOutput = false;
    int scanlineLength = 0;
    int rowsLeft = 0;
    int mcuRow = 0;
    int mcuLine = 0;
    int mcuLinesLeft = 0;
};

jpeg_decoder::jpeg_decoder(jpeg_decoder_stream* stream) : m_state(new jpeg_decoder_state(stream)) {
    jpeg_decoder_state& s = *m_state;
    if (!stream) {
        s.error = JpegStreamReadError;
        return;
    }
    stream->attach();
    try {
        s.LocateSoi();
        s.LocateSof();
    } catch (const DecoderStopped&) {
    }
}

jpeg_decoder::~jpeg_decoder() {
    m_state->ReleaseAll();
    delete m_state;
}

int jpeg_decoder::begin_decoding() {
    jpeg_decoder_state& s = *m_state;
    if (s.error) return -1;
    if (s.begun) return 0;
    try {
        s.SetUpGeometry();
        int marker = s.ProcessMarkers();
        if (marker != MarkerSos) s.Stop(JpegUnexpectedMarker);
        s.ReadSos();
        s.buffered = s.progressive || s.scanCount != s.componentCount;
        if (s.buffered) {
            for (int i = 0; i < s.componentCount; ++i) {
                Component& c = s.components[i];
                c.coefficients = static_cast<i16*>(
                    s.Allocate(u64(c.paddedBlocksPerLine) * c.paddedBlocksPerColumn * 64 * sizeof(i16), false));
                c.clearedRows = 0;
            }
            s.DecodeAllScans();
        } else {
            s.StartScan();
        }
        s.begun = true;
    } catch (const DecoderStopped&) {
        return -1;
    }
    return 0;
}

// The next scanline into out; 0, 1 when done, -1 on an error.
static int DecodeScanline(jpeg_decoder_state& s, u8* out) {
    if (s.error || !s.begun) return -1;
    if (s.rowsLeft == 0) return 1;
    try {
        if (s.mcuLinesLeft == 0) s.DecodeMcuRow();
        s.ConvertLine(s.mcuLine, out);
        ++s.mcuLine;
        --s.mcuLinesLeft;
        --s.rowsLeft;
    } catch (const DecoderStopped&) {
        return -1;
    }
    return 0;
}

int jpeg_decoder::decode(const void** scanline, u32* length) {
    jpeg_decoder_state& s = *m_state;
    const int status = DecodeScanline(s, s.output);
    if (status != 0) return status;
    *scanline = s.output;
    *length = u32(s.scanlineLength);
    return 0;
}

int jpeg_decoder::decode_into(u8* destination) {
    if (!destination) return -1;
    return DecodeScanline(*m_state, destination);
}

void jpeg_decoder::set_bgra_output(bool bgra) { m_state->bgraOutput = bgra; }

int jpeg_decoder::get_width() const { return m_state->width; }
int jpeg_decoder::get_height() const { return m_state->height; }
int jpeg_decoder::get_num_components() const { return m_state->componentCount; }
int jpeg_decoder::get_bytes_per_pixel() const { return m_state->bytesPerPixel; }
int jpeg_decoder::get_bytes_per_scan_line() const { return m_state->scanlineLength; }
int jpeg_decoder::get_error_code() const { return m_state->error; }
u64 jpeg_decoder::get_total_bytes_read() const { return m_state->totalBytesRead; }
bool jpeg_decoder::is_progressive() const { return m_state->progressive; }
