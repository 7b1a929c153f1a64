#include "picture/picture.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/log.h"

namespace {

constexpr bool HostIsBigEndian = __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__;

u32 SwapWord(u32 v) {
    return (v >> 24) | ((v >> 8) & 0xff00u) | ((v << 8) & 0xff0000u) | (v << 24);
}

// Four 8-bit channels in a 32-bit pixel: each channel sits on a whole byte.
bool HasFourByteChannels(const zPixelFormat& f) {
    if (f.bitsPerPixel != 32 || f.floatFlag) return false;
    for (u32 c = 0; c < 4; ++c)
        if (f.count[c] != 8 || f.shift[c] % 8 != 0) return false;
    return true;
}

// A float channel scaled to 0..255, truncated; NaN and negatives give 0.
u32 FloatToByte(f32 v) {
    f32 scaled = v * 255.0f;
    if (!(scaled > 0.0f)) return 0;
    if (scaled > 255.0f) return 255;
    return u32(scaled);
}

f32 ReadFloat(const u8* pixel, u32 index) {
    f32 value;
    std::memcpy(&value, pixel + 4 * (index < 3 ? index : 0), 4);
    return value;
}

void WriteFloat(u8* pixel, u32 index, f32 value) { std::memcpy(pixel + 4 * (index < 3 ? index : 0), &value, 4); }

// The four channels of an integer pixel widened to 8 bits, in A, R, B, G order.
void ExpandPixel(const zPixelFormat& f, u32 pixel, u32 out[4]) {
    for (u32 c = 0; c < 4; ++c) out[c] = f.ExpandChannel(pixel, zPixelChannel(c));
}

}  // namespace

u64 GetPictureBufferSize(u32 width, u32 height, u32 bytesPerPixel) {
    if (width == 0 || height == 0 || bytesPerPixel == 0) return 0;
    if (width > PictureMaxSide || height > PictureMaxSide) return 0;
    u64 size = u64(width) * u64(height) * u64(bytesPerPixel);
    return size > PictureMaxBytes ? 0 : size;
}

u8* AllocatePictureBuffer(u32 width, u32 height, u32 bytesPerPixel) {
    u64 size = GetPictureBufferSize(width, height, bytesPerPixel);
    if (size == 0) return nullptr;
    return static_cast<u8*>(std::calloc(size_t(size), 1));
}

u8* AllocateUnclearedPictureBuffer(u32 width, u32 height, u32 bytesPerPixel) {
    u64 size = GetPictureBufferSize(width, height, bytesPerPixel);
    if (size == 0) return nullptr;
    return static_cast<u8*>(std::malloc(size_t(size)));
}

void FreePictureBuffer(void* buffer) { std::free(buffer); }

zPicture::zPicture() { Reset(); }

zPicture::zPicture(const zPicture& other) : zSharedObject() {
    Reset();
    Copy(other);
}

zPicture::~zPicture() {
    FreeBuffer();
    Reset();
}

void zPicture::Reset() {
    m_pixels = nullptr;
    m_checksum = 0;
    m_width = 0;
    m_height = 0;
    m_format = PixelFormatEmpty;
    m_flags = 0;
}

void zPicture::FreeBuffer() {
    FreePictureBuffer(m_pixels);
    m_pixels = nullptr;
}

void zPicture::Free() {
    FreeBuffer();
    Reset();
}

bool zPicture::Allocate(u32 width, u32 height, const zPixelFormat& format, u8* externalBuffer) {
    if (!externalBuffer && m_pixels && width == m_width && height == m_height &&
        format.bitsPerPixel == m_format.bitsPerPixel) {
        m_format = format;
        return true;
    }
    FreeBuffer();
    m_checksum = 0;
    u32 bits = format.bitsPerPixel;
    if (width != 0 && height != 0 && bits != 0) {
        if (externalBuffer) {
            if (GetPictureBufferSize(width, height, bits / 8) != 0) {
                m_pixels = externalBuffer;
            } else {
                FreePictureBuffer(externalBuffer);
            }
            externalBuffer = nullptr;
        } else {
            m_pixels = AllocatePictureBuffer(width, height, bits / 8);
        }
        m_width = width;
        m_height = height;
        m_format = format;
        m_flags &= ~FlagVirtualSize;
    }
    FreePictureBuffer(externalBuffer);
    if (m_pixels) return true;
    GetLog() << "[!] Failed to allocate picture buffer (" << width << "x" << height << "@" << bits << "bpp).\n";
    return false;
}

void zPicture::SetVirtualSize(u32 width, u32 height) {
    FreeBuffer();
    Reset();
    m_flags |= FlagVirtualSize;
    m_width = width;
    m_height = height;
}

bool zPicture::Copy(const zPicture& source) {
    if (&source == this) return true;
    FreeBuffer();
    Reset();
    if (source.IsVirtual()) {
        SetVirtualSize(source.m_width, source.m_height);
        return true;
    }
    if (!source.m_pixels) {
        // Nothing to copy from (an empty picture, or one left by a failed Allocate).
        GetLog() << "[!] Failed to allocate picture buffer (" << source.m_width << "x" << source.m_height << "@"
                 << u32(source.m_format.bitsPerPixel) << "bpp).\n";
        return false;
    }
    if (!Allocate(source.m_width, source.m_height, source.m_format)) return false;
    std::memcpy(m_pixels, source.m_pixels, size_t(GetBufferSize()));
    return true;
}

void zPicture::AdoptBuffer(u8* buffer, u32 width, u32 height, const zPixelFormat& format) {
    if (!buffer) return;
    FreeBuffer();
    m_checksum = 0;
    m_pixels = buffer;
    m_width = width;
    m_height = height;
    m_format = format;
    m_flags &= ~FlagVirtualSize;
}

bool zPicture::SetFormat(const zPixelFormat& format) {
    if (format.bitsPerPixel == m_format.bitsPerPixel) {
        m_format = format;
        return true;
    }
    GetLog() << "[!] (Picture::SetFormat) Target format requires a data conversion. See Convert().\n";
    return false;
}

bool zPicture::Convert(const zPixelFormat& target) {
    if (target == m_format) return true;
    if (target.bitsPerPixel == 0) {
        Free();
        return true;
    }
    if (!m_pixels) return false;
    const u64 pixelCount = u64(m_width) * m_height;
    const u32 sourceBytes = m_format.GetBytesPerPixel();
    const u32 targetBytes = target.GetBytesPerPixel();

    if (!m_format.floatFlag && !target.floatFlag && HasFourByteChannels(m_format) && HasFourByteChannels(target)) {
        // Swizzle in place: each channel byte moves to its new position.
        u32 from[4], to[4];
        for (u32 c = 0; c < 4; ++c) {
            from[c] = m_format.shift[c] / 8;
            to[c] = target.shift[c] / 8;
        }
        u8* pixel = m_pixels;
        for (u64 i = 0; i < pixelCount; ++i, pixel += 4) {
            u8 in[4] = {pixel[0], pixel[1], pixel[2], pixel[3]};
            for (u32 c = 0; c < 4; ++c) pixel[to[c]] = in[from[c]];
        }
        m_format = target;
        return true;
    }

    if (m_format.floatFlag) {
        u8* buffer = AllocatePictureBuffer(m_width, m_height, targetBytes);
        if (!buffer) return false;
        const u8* in = m_pixels;
        u8* out = buffer;
        for (u64 i = 0; i < pixelCount; ++i, in += sourceBytes, out += targetBytes) {
            f32 red = ReadFloat(in, m_format.redMask);
            f32 green = ReadFloat(in, m_format.greenMask);
            f32 blue = ReadFloat(in, m_format.blueMask);
            if (target.floatFlag) {
                WriteFloat(out, target.redMask, red);
                WriteFloat(out, target.greenMask, green);
                WriteFloat(out, target.blueMask, blue);
                continue;
            }
            u32 word = target.NarrowChannel(FloatToByte(red), PixelChannelRed) +
                       target.NarrowChannel(FloatToByte(green), PixelChannelGreen) +
                       target.NarrowChannel(FloatToByte(blue), PixelChannelBlue) +
                       target.NarrowChannel(255, PixelChannelAlpha);
            if (HostIsBigEndian) word = SwapWord(word);
            WritePixelWord(out, targetBytes, word);
        }
        AdoptBuffer(buffer, m_width, m_height, target);
        return true;
    }

    if (sourceBytes < 1 || sourceBytes > 4 || m_format.bitsPerPixel % 8 != 0) return false;
    u8* buffer = AllocatePictureBuffer(m_width, m_height, targetBytes);
    if (!buffer) return false;
    const u8* in = m_pixels;
    u8* out = buffer;
    for (u64 i = 0; i < pixelCount; ++i, in += sourceBytes, out += targetBytes) {
        u32 channels[4];
        ExpandPixel(m_format, ReadPixelWord(in, sourceBytes), channels);
        if (target.floatFlag) {
            WriteFloat(out, target.redMask, f32(channels[PixelChannelRed]) / 255.0f);
            WriteFloat(out, target.greenMask, f32(channels[PixelChannelGreen]) / 255.0f);
            WriteFloat(out, target.blueMask, f32(channels[PixelChannelBlue]) / 255.0f);
            continue;
        }
        u32 word = 0;
        for (u32 c = 0; c < 4; ++c) word += target.NarrowChannel(channels[c], zPixelChannel(c));
        if (HostIsBigEndian) word = SwapWord(word);
        WritePixelWord(out, targetBytes, word);
    }
    AdoptBuffer(buffer, m_width, m_height, target);
    return true;
}

bool zPicture::Equals(const zPicture& other) const {
    if (m_width != other.m_width || m_height != other.m_height) return false;
    if (m_format != other.m_format) return false;
    return !MemCompare(m_pixels, other.m_pixels, GetBufferSize());
}

bool zPicture::HasTranslucentPixel() const {
    if (!m_pixels || m_width == 0 || m_height == 0) return false;
    const u32 alphaBits = m_format.count[PixelChannelAlpha];
    const u32 bytes = m_format.GetBytesPerPixel();
    if (alphaBits == 0 || m_format.floatFlag || bytes < 1 || bytes > 4) return false;
    // The raw channel against its own maximum, so narrow alphas (4 bits) count too.
    const u32 opaque = alphaBits >= 32 ? 0xffffffffu : (1u << alphaBits) - 1;
    const u32 shift = m_format.shift[PixelChannelAlpha];
    const u64 pixelCount = u64(m_width) * m_height;
    const u8* pixel = m_pixels;
    for (u64 i = 0; i < pixelCount; ++i, pixel += bytes) {
        const u32 alpha = (ReadPixelWord(pixel, bytes) & m_format.alphaMask) >> shift;
        if (alpha < opaque) return true;
    }
    return false;
}

bool zPicture::ComputeChecksum() {
    if (!m_pixels || m_width == 0 || m_height == 0) return false;
    const u32 bytes = m_format.GetBytesPerPixel();
    const u64 pixelCount = u64(m_width) * m_height;
    const u8* pixel = m_pixels;
    u32 sum = 0;
    for (u64 i = 0; i < pixelCount; ++i, pixel += bytes) {
        u32 a, r, g, b;
        if (m_format.floatFlag) {
            a = 255;
            r = FloatToByte(ReadFloat(pixel, m_format.redMask));
            g = FloatToByte(ReadFloat(pixel, m_format.greenMask));
            b = FloatToByte(ReadFloat(pixel, m_format.blueMask));
        } else {
            u32 channels[4];
            ExpandPixel(m_format, ReadPixelWord(pixel, bytes), channels);
            a = channels[PixelChannelAlpha];
            r = channels[PixelChannelRed];
            g = channels[PixelChannelGreen];
            b = channels[PixelChannelBlue];
        }
        sum += (a << 24) | (r << 16) | (g << 8) | b;
    }
    m_checksum = sum;
    return true;
}

void zPicture::InvertChannels(bool red, bool green, bool blue, bool alpha) {
    if (!m_pixels || m_format.bitsPerPixel != 32 || m_format.floatFlag) return;
    if (!red && !green && !blue && !alpha) return;
    u32 mask = 0;
    auto select = [&](bool on, zPixelChannel channel) {
        if (on && m_format.shift[channel] < 32) mask |= 0xffu << (m_format.shift[channel] / 8 * 8);
    };
    select(red, PixelChannelRed);
    select(green, PixelChannelGreen);
    select(blue, PixelChannelBlue);
    select(alpha, PixelChannelAlpha);
    const u64 pixelCount = u64(m_width) * m_height;
    for (u64 i = 0; i < pixelCount; ++i) {
        u32 word = ReadPixelWord(m_pixels + 4 * i, 4);
        WritePixelWord(m_pixels + 4 * i, 4, word ^ mask);
    }
}

bool zPicture::Fill(f32 red, f32 green, f32 blue, f32 alpha, const zRect* rect) {
    if (!m_pixels || m_format.bitsPerPixel != 32 || m_format.floatFlag) return false;
    zRect area{0, 0, i32(m_width), i32(m_height)};
    if (rect) {
        if (rect->left >= rect->right || rect->top >= rect->bottom) return false;
        area = area.Intersection(*rect);
        if (area.left >= area.right || area.top >= area.bottom) return false;
    }
    const u32 colour = m_format.PackColor(red, green, blue, alpha);
    for (i32 y = area.top; y < area.bottom; ++y) {
        u8* row = m_pixels + u64(y) * GetRowSize();
        for (i32 x = area.left; x < area.right; ++x) std::memcpy(row + 4 * x, &colour, 4);
    }
    return true;
}

bool zPicture::Flip(bool horizontal, bool vertical) {
    if (!m_pixels || m_format.bitsPerPixel != 32 || m_format.floatFlag) return false;
    u32* pixels = reinterpret_cast<u32*>(m_pixels);  // calloc'd buffers are aligned for u32
    const u64 pixelCount = u64(m_width) * m_height;
    if (horizontal && vertical) {
        for (u64 i = 0, j = pixelCount - 1; i < j; ++i, --j) std::swap(pixels[i], pixels[j]);
    } else if (vertical) {
        for (u32 top = 0, bottom = m_height - 1; top < bottom; ++top, --bottom) {
            u32* a = pixels + u64(top) * m_width;
            u32* b = pixels + u64(bottom) * m_width;
            for (u32 x = 0; x < m_width; ++x) std::swap(a[x], b[x]);
        }
    } else if (horizontal) {
        for (u32 y = 0; y < m_height; ++y) {
            u32* row = pixels + u64(y) * m_width;
            for (u32 i = 0, j = m_width - 1; i < j; ++i, --j) std::swap(row[i], row[j]);
        }
    }
    return true;
}

void zPicture::Sample(f32 u, f32 v, f32 colour[4], u32 widthOverride, u32 heightOverride) const {
    colour[0] = 1.0f;
    colour[1] = 0.0f;
    colour[2] = 1.0f;
    colour[3] = 1.0f;
    if (!m_pixels || m_width == 0 || m_height == 0) return;
    const bool isFloat = m_format.floatFlag != 0;
    if (!isFloat && m_format.bitsPerPixel != 32) return;

    const u32 w = widthOverride ? widthOverride : m_width;
    const u32 h = heightOverride ? heightOverride : m_height;
    f32 x = f32(w) * u;
    f32 y = f32(h) * v;
    if (!(x > 0.0f)) x = 0.0f;  // also NaN
    if (!(y > 0.0f)) y = 0.0f;
    if (x >= f32(w)) x = f32(w - 1);
    if (y >= f32(h)) y = f32(h - 1);
    u32 ix = u32(x);
    u32 iy = u32(y);
    const f32 fx = x - f32(ix);
    const f32 fy = y - f32(iy);
    // The overrides only scale the coordinates; addressing stays inside the picture.
    if (ix >= m_width) ix = m_width - 1;
    if (iy >= m_height) iy = m_height - 1;
    const u32 ix1 = ix + 1 < m_width ? ix + 1 : ix;
    const u32 iy1 = iy + 1 < m_height ? iy + 1 : iy;
    const u32 bytes = m_format.GetBytesPerPixel();
    const u8* corner[4] = {
        m_pixels + (u64(iy) * m_width + ix) * bytes,
        m_pixels + (u64(iy) * m_width + ix1) * bytes,
        m_pixels + (u64(iy1) * m_width + ix) * bytes,
        m_pixels + (u64(iy1) * m_width + ix1) * bytes,
    };
    const f32 weight[4] = {(1 - fx) * (1 - fy), fx * (1 - fy), (1 - fx) * fy, fx * fy};
    f32 sum[4] = {0, 0, 0, 0};
    for (u32 k = 0; k < 4; ++k) {
        f32 channel[4];
        if (isFloat) {
            channel[0] = ReadFloat(corner[k], m_format.redMask);
            channel[1] = ReadFloat(corner[k], m_format.greenMask);
            channel[2] = ReadFloat(corner[k], m_format.blueMask);
            channel[3] = 1.0f;
        } else {
            u32 word;
            std::memcpy(&word, corner[k], 4);
            auto byteOf = [&](zPixelChannel c) {
                return m_format.shift[c] >= 32 ? 0.0f : f32((word >> m_format.shift[c]) & 0xffu) / 255.0f;
            };
            channel[0] = byteOf(PixelChannelRed);
            channel[1] = byteOf(PixelChannelGreen);
            channel[2] = byteOf(PixelChannelBlue);
            channel[3] = byteOf(PixelChannelAlpha);
        }
        for (u32 c = 0; c < 4; ++c) sum[c] += weight[k] * channel[c];
    }
    for (u32 c = 0; c < 4; ++c) colour[c] = sum[c];
}

u32 zPicture::SamplePacked(f32 u, f32 v, u32 widthOverride, u32 heightOverride) const {
    f32 colour[4];
    Sample(u, v, colour, widthOverride, heightOverride);
    return PixelFormatRGBA8.PackColor(colour[0], colour[1], colour[2], colour[3]);
}

void zPicture::HeightToNormal(f32 u, f32 v, f32 normal[4]) const {
    const f32 du = m_width ? 1.0f / f32(m_width) : 0.0f;
    const f32 dv = m_height ? 1.0f / f32(m_height) : 0.0f;
    auto grey = [&](f32 su, f32 sv) {
        f32 c[4];
        Sample(su, sv, c);
        return (c[0] + c[1] + c[2]) / 3.0f;
    };
    const f32 up = grey(u, v - dv);
    const f32 left = grey(u - du, v);
    const f32 right = grey(u + du, v);
    const f32 down = grey(u, v + dv);
    normal[0] = 4.0f * (right - left);
    normal[1] = 4.0f * (down - up);
    normal[2] = 4.0f;
    normal[3] = 1.0f;
}
