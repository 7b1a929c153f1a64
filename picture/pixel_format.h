// Pixel formats: how many bits a pixel takes and where each channel sits in
// the pixel word. Every picture carries one; conversion, the TGA reader and
// writer, the codecs, blits and sampling all work from it. Beside the record
// live a few byte and bit-stream utilities the pixel code uses.
#pragma once

#include "core/types.h"

// Indices of the derived shift and count arrays. The arrays are stored in the
// order alpha, red, blue, green, and every reader indexes them that way.
enum zPixelChannel : u8 {
    PixelChannelAlpha = 0,
    PixelChannelRed = 1,
    PixelChannelBlue = 2,
    PixelChannelGreen = 3,
};

// Number of trailing zero bits of the mask (32 for a zero mask) and its
// population count.
constexpr void GetMaskShiftAndCount(u32 mask, u8& shift, u8& count) {
    u8 s = 0;
    while (s < 32 && ((mask >> s) & 1u) == 0) ++s;
    u8 c = 0;
    for (u32 m = mask; m != 0; m &= m - 1) ++c;
    shift = s;
    count = c;
}

class zPixelFormat {
public:
    constexpr zPixelFormat() : shift{32, 32, 32, 32}, count{0, 0, 0, 0} {}
    constexpr zPixelFormat(u32 formatId, u32 alpha, u32 red, u32 green, u32 blue, u8 bits, u8 isFloat)
        : id(formatId), alphaMask(alpha), redMask(red), greenMask(green), blueMask(blue),
          bitsPerPixel(bits), floatFlag(isFloat), shift{}, count{} {
        Derive();
    }
    constexpr zPixelFormat(const zPixelFormat& other)
        : zPixelFormat(other.id, other.alphaMask, other.redMask, other.greenMask, other.blueMask,
                       other.bitsPerPixel, other.floatFlag) {}
    constexpr zPixelFormat& operator=(const zPixelFormat& other) {
        Set(other.id, other.alphaMask, other.redMask, other.greenMask, other.blueMask, other.bitsPerPixel,
            other.floatFlag);
        return *this;
    }

    // Stores the fields and derives shifts and bit counts.
    constexpr void Set(u32 formatId, u32 alpha, u32 red, u32 green, u32 blue, u8 bits, u8 isFloat) {
        id = formatId;
        alphaMask = alpha;
        redMask = red;
        greenMask = green;
        blueMask = blue;
        bitsPerPixel = bits;
        floatFlag = isFloat;
        Derive();
    }

    // The derived arrays are not compared.
    bool operator==(const zPixelFormat& other) const {
        return id == other.id && bitsPerPixel == other.bitsPerPixel && alphaMask == other.alphaMask &&
               redMask == other.redMask && greenMask == other.greenMask && blueMask == other.blueMask &&
               floatFlag == other.floatFlag;
    }
    bool operator!=(const zPixelFormat& other) const { return !(*this == other); }

    u8 GetBitsPerPixel() const { return bitsPerPixel; }
    u8 GetFloatFlag() const { return floatFlag; }
    u32 GetBytesPerPixel() const { return bitsPerPixel / 8u; }
    // Mask of a channel, indexed like the derived arrays.
    u32 GetMask(zPixelChannel channel) const;

    // Packs a colour (each channel clamped to 0..1) into a 32-bit pixel.
    // Other depths log "[*] Unimplemented formatting.\n" and give 0.
    u32 PackColor(f32 red, f32 green, f32 blue, f32 alpha) const;

    // The 8-bit value of a channel in an assembled pixel word; 0 when the
    // format lacks the channel. Narrow channels are shifted up without
    // replicating bits (a 5-bit 31 becomes 248).
    u32 ExpandChannel(u32 pixel, zPixelChannel channel) const;
    // An 8-bit value narrowed and placed at the channel's position.
    u32 NarrowChannel(u32 value8, zPixelChannel channel) const;

    u32 id = 0;
    u32 alphaMask = 0;
    u32 redMask = 0;
    u32 greenMask = 0;
    u32 blueMask = 0;
    u8 bitsPerPixel = 0;
    u8 floatFlag = 0;  // 1: three 32-bit floats per pixel; masks hold component indices
    u8 shift[4];       // alpha, red, blue, green
    u8 count[4];       // alpha, red, blue, green

private:
    constexpr void Derive() {
        GetMaskShiftAndCount(alphaMask, shift[PixelChannelAlpha], count[PixelChannelAlpha]);
        GetMaskShiftAndCount(redMask, shift[PixelChannelRed], count[PixelChannelRed]);
        GetMaskShiftAndCount(blueMask, shift[PixelChannelBlue], count[PixelChannelBlue]);
        GetMaskShiftAndCount(greenMask, shift[PixelChannelGreen], count[PixelChannelGreen]);
    }
};

// The standard formats. All have id 1.
inline constexpr zPixelFormat PixelFormatEmpty{};
inline constexpr zPixelFormat PixelFormatBGRA8{1, 0xff000000u, 0x00ff0000u, 0x0000ff00u, 0x000000ffu, 32, 0};
inline constexpr zPixelFormat PixelFormatRGBA8{1, 0xff000000u, 0x000000ffu, 0x0000ff00u, 0x00ff0000u, 32, 0};
inline constexpr zPixelFormat PixelFormatARGB8{1, 0x000000ffu, 0x0000ff00u, 0x00ff0000u, 0xff000000u, 32, 0};
inline constexpr zPixelFormat PixelFormatBGR8{1, 0, 0x00ff0000u, 0x0000ff00u, 0x000000ffu, 24, 0};
inline constexpr zPixelFormat PixelFormatRGB8{1, 0, 0x000000ffu, 0x0000ff00u, 0x00ff0000u, 24, 0};
inline constexpr zPixelFormat PixelFormatRGB555{1, 0, 0x001fu, 0x03e0u, 0x7c00u, 16, 0};
inline constexpr zPixelFormat PixelFormatRGB565{1, 0, 0x001fu, 0x07e0u, 0xf800u, 16, 0};
inline constexpr zPixelFormat PixelFormatRGBA4444{1, 0xf000u, 0x000fu, 0x00f0u, 0x0f00u, 16, 0};
inline constexpr zPixelFormat PixelFormatRGBFloat{1, 0, 0, 1, 2, 96, 1};
// The format that texture and script picture allocation use.
inline constexpr const zPixelFormat& PixelFormatDefault = PixelFormatRGBA8;

// Blends two packed 32-bit colours per 8-bit channel with a 16.16 weight;
// t is clamped to 0..1.
u32 LerpColor(u32 colorA, u32 colorB, f32 t);

// Bit streams: bit 0 of each byte is the first bit of the stream; values go
// most significant bit first. Bits are only ORed in: clear the target first.
// WriteBits returns the bit position following the value within its byte.
u32 WriteBits(u8* buffer, u32 bitOffset, u32 count, u32 value);
u32 ReadBits(const u8* buffer, u32 bitOffset, u32 count);
u32 WriteBits16(u8* buffer, u32 bitOffset, u32 value);
u32 ReadBits16(const u8* buffer, u32 bitOffset);

// True when the blocks differ, or when either pointer is null.
bool MemCompare(const void* a, const void* b, u64 size);
void MemCopy(void* destination, const void* source, u64 size);
void MemFill(void* destination, u8 value, u64 size);
inline void SetFlags(u32& word, u32 bits) { word |= bits; }
inline void ClearFlags(u32& word, u32 bits) { word &= ~bits; }

// Assembles a pixel of 1 to 4 bytes little-endian; writes one back.
u32 ReadPixelWord(const u8* bytes, u32 bytesPerPixel);
void WritePixelWord(u8* bytes, u32 bytesPerPixel, u32 pixel);
