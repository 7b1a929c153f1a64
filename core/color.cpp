#include "core/color.h"

namespace {

constexpr f32 ByteScale = 0.003921569f; // 1/255

u32 ChannelToByte(f32 value) {
    // Out-of-range floats would make the integer conversion undefined.
    if (!(value > 0.0f)) return 0;
    if (value >= 1.0f) return 255;
    return static_cast<u32>(value * 255.0f);
}

} // namespace

zColor zColor::FromRGBA32(u32 packed) {
    zColor color;
    color.r = static_cast<f32>(packed & 0xffu) * ByteScale;
    color.g = static_cast<f32>((packed >> 8) & 0xffu) * ByteScale;
    color.b = static_cast<f32>((packed >> 16) & 0xffu) * ByteScale;
    color.a = static_cast<f32>((packed >> 24) & 0xffu) * ByteScale;
    return color;
}

u32 zColor::ToRGBA32() const {
    return ChannelToByte(r) | (ChannelToByte(g) << 8) | (ChannelToByte(b) << 16) | (ChannelToByte(a) << 24);
}
