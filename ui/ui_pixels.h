// Pixel reads and blends of the widget and text drawing. Channels are found
// through each picture's own pixel format; the blend is the compose rule of
// picture/blend.h. Positions are checked by the callers (inside the picture).
#pragma once

#include <cstring>

#include "core/types.h"
#include "picture/blend.h"
#include "picture/picture.h"

// Integer byte pictures of 1 to 4 bytes per pixel; float pictures are not.
inline bool UIPictureReadable(const zPicture& picture) {
    const u32 bytes = picture.GetFormat().GetBytesPerPixel();
    return picture.GetPixels() && !picture.GetFormat().GetFloatFlag() && bytes >= 1 && bytes <= 4;
}

// The targets of widget and text drawing: 32-bit integer pictures.
inline bool UIPictureWritable(const zPicture& picture) {
    return picture.GetPixels() && !picture.GetFormat().GetFloatFlag() && picture.GetBitsPerPixel() == 32;
}

inline u32 UIPixelWord(const zPicture& picture, u32 x, u32 y) {
    const u32 bytes = picture.GetFormat().GetBytesPerPixel();
    u32 word = 0;
    std::memcpy(&word, picture.GetPixels() + u64(y) * picture.GetRowSize() + u64(x) * bytes, bytes);
    return word;
}

// 8-bit red, green, blue, alpha; a format without alpha reads as opaque.
inline void UIReadPixel(const zPicture& picture, u32 x, u32 y, u32 rgba[4]) {
    const zPixelFormat& format = picture.GetFormat();
    const u32 word = UIPixelWord(picture, x, y);
    rgba[0] = format.ExpandChannel(word, PixelChannelRed);
    rgba[1] = format.ExpandChannel(word, PixelChannelGreen);
    rgba[2] = format.ExpandChannel(word, PixelChannelBlue);
    rgba[3] = format.alphaMask ? format.ExpandChannel(word, PixelChannelAlpha) : 255u;
}

// Blends a colour of alpha a over a pixel of a writable picture.
inline void UIBlendPixel(zPicture& picture, u32 x, u32 y, u32 r, u32 g, u32 b, u32 a) {
    const zPixelFormat& format = picture.GetFormat();
    u32 pixel[4];
    UIReadPixel(picture, x, y, pixel);
    const u32 ra = BlendAlphaUnion(pixel[3], a);
    const u32 word =
        format.NarrowChannel(BlendColorComponent(pixel[0], r, pixel[3], a, ra), PixelChannelRed) |
        format.NarrowChannel(BlendColorComponent(pixel[1], g, pixel[3], a, ra), PixelChannelGreen) |
        format.NarrowChannel(BlendColorComponent(pixel[2], b, pixel[3], a, ra), PixelChannelBlue) |
        format.NarrowChannel(ra, PixelChannelAlpha);
    std::memcpy(picture.GetPixels() + u64(y) * picture.GetRowSize() + u64(x) * 4u, &word, 4);
}
