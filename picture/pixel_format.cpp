#include "picture/pixel_format.h"

#include <cmath>
#include <cstring>

#include "core/log.h"

namespace {

constexpr bool HostIsBigEndian = __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__;

u32 SwapWord(u32 v) {
    return (v >> 24) | ((v >> 8) & 0xff00u) | ((v << 8) & 0xff0000u) | (v << 24);
}

// Clamps to 0..1; NaN becomes 0.
f32 Clamp01(f32 v) {
    if (!(v > 0.0f)) return 0.0f;
    return v > 1.0f ? 1.0f : v;
}

// Shifts that reach 32 or more give 0 instead of undefined behaviour.
u32 ShiftLeft(u32 v, u32 bits) { return bits >= 32 ? 0u : v << bits; }
u32 ShiftRight(u32 v, u32 bits) { return bits >= 32 ? 0u : v >> bits; }

}  // namespace

u32 zPixelFormat::GetMask(zPixelChannel channel) const {
    switch (channel) {
    case PixelChannelAlpha: return alphaMask;
    case PixelChannelRed: return redMask;
    case PixelChannelBlue: return blueMask;
    case PixelChannelGreen: return greenMask;
    }
    return 0;
}

u32 zPixelFormat::ExpandChannel(u32 pixel, zPixelChannel channel) const {
    u32 bits = count[channel];
    if (bits == 0) return 0;
    u32 value = ShiftRight(pixel & GetMask(channel), shift[channel]);
    if (bits > 8) return (value >> (bits - 8)) & 0xffu;
    return ((value & 0xffu) << (8 - bits)) & 0xffu;
}

u32 zPixelFormat::NarrowChannel(u32 value8, zPixelChannel channel) const {
    u32 bits = count[channel];
    if (bits == 0) return 0;
    u32 narrowed = bits >= 8 ? (value8 & 0xffu) << (bits - 8) : (value8 & 0xffu) >> (8 - bits);
    return ShiftLeft(narrowed, shift[channel]) & GetMask(channel);
}

u32 zPixelFormat::PackColor(f32 red, f32 green, f32 blue, f32 alpha) const {
    if (bitsPerPixel != 32) {
        GetLog() << "[*] Unimplemented formatting.\n";
        return 0;
    }
    u32 pixel = ShiftLeft(u32(Clamp01(red) * 255.0f), shift[PixelChannelRed]) +
                ShiftLeft(u32(Clamp01(green) * 255.0f), shift[PixelChannelGreen]) +
                ShiftLeft(u32(Clamp01(blue) * 255.0f), shift[PixelChannelBlue]) +
                ShiftLeft(u32(Clamp01(alpha) * 255.0f), shift[PixelChannelAlpha]);
    return HostIsBigEndian ? SwapWord(pixel) : pixel;
}

u32 LerpColor(u32 colorA, u32 colorB, f32 t) {
    u32 weight = u32(Clamp01(t) * 65536.0f);
    u32 result = 0;
    for (u32 bit = 0; bit < 32; bit += 8) {
        u64 a = (colorA >> bit) & 0xffu;
        u64 b = (colorB >> bit) & 0xffu;
        u64 mixed = (a * (65536u - weight) + b * weight) >> 16;
        result |= u32(mixed & 0xffu) << bit;
    }
    return result;
}

u32 WriteBits(u8* buffer, u32 bitOffset, u32 count, u32 value) {
    u32 position = bitOffset;
    for (u32 i = 0; i < count; ++i) {
        u32 bit = (value >> (count - 1 - i)) & 1u;
        buffer[position >> 3] |= u8(bit << (position & 7));
        ++position;
    }
    return position & 7;
}

u32 ReadBits(const u8* buffer, u32 bitOffset, u32 count) {
    u32 value = 0;
    for (u32 i = 0; i < count; ++i) {
        u32 position = bitOffset + i;
        value = (value << 1) | ((buffer[position >> 3] >> (position & 7)) & 1u);
    }
    return value;
}

u32 WriteBits16(u8* buffer, u32 bitOffset, u32 value) { return WriteBits(buffer, bitOffset, 16, value); }
u32 ReadBits16(const u8* buffer, u32 bitOffset) { return ReadBits(buffer, bitOffset, 16); }

bool MemCompare(const void* a, const void* b, u64 size) {
    if (!a || !b) return true;
    const u8* left = static_cast<const u8*>(a);
    const u8* right = static_cast<const u8*>(b);
    u64 tail = size & 3u;
    for (u64 i = 0; i < tail; ++i)
        if (left[i] != right[i]) return true;
    for (u64 i = tail; i < size; i += 4) {
        u32 wordA, wordB;
        std::memcpy(&wordA, left + i, 4);
        std::memcpy(&wordB, right + i, 4);
        if (wordA != wordB) return true;
    }
    return false;
}

void MemCopy(void* destination, const void* source, u64 size) {
    if (size) std::memmove(destination, source, size);
}

void MemFill(void* destination, u8 value, u64 size) {
    if (size) std::memset(destination, value, size);
}

u32 ReadPixelWord(const u8* bytes, u32 bytesPerPixel) {
    u32 pixel = 0;
    for (u32 i = 0; i < bytesPerPixel && i < 4; ++i) pixel |= u32(bytes[i]) << (8 * i);
    return pixel;
}

void WritePixelWord(u8* bytes, u32 bytesPerPixel, u32 pixel) {
    for (u32 i = 0; i < bytesPerPixel && i < 4; ++i) bytes[i] = u8(pixel >> (8 * i));
}
