#include "picture/picture_ops.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "core/log.h"
#include "picture/blend.h"
#include "picture/picture.h"

namespace {

// Byte positions of the channels of a 32-bit format with four 8-bit
// channels; false for any other format.
struct ByteLayout {
    u32 red, green, blue, alpha;
};

bool GetByteLayout(const zPixelFormat& f, ByteLayout& layout) {
    if (f.bitsPerPixel != 32 || f.floatFlag) return false;
    for (u32 c = 0; c < 4; ++c)
        if (f.count[c] != 8 || f.shift[c] % 8 != 0) return false;
    layout = {f.shift[PixelChannelRed] / 8u, f.shift[PixelChannelGreen] / 8u, f.shift[PixelChannelBlue] / 8u,
              f.shift[PixelChannelAlpha] / 8u};
    return true;
}

// A float colour channel as a byte: clamped to 0..1, times 255, truncated.
u32 ChannelByte(f32 v) {
    if (!(v > 0.0f)) return 0;
    return v >= 1.0f ? 255u : u32(v * 255.0f);
}

u8 ClampByte(f32 v) {
    if (!(v > 0.0f)) return 0;
    return v >= 255.0f ? 255 : u8(v);
}

// Derives a negative side from the other keeping the aspect ratio; false
// when both are negative or the picture has a zero side.
bool DeriveSize(i32& width, i32& height, u32 oldWidth, u32 oldHeight) {
    if (width < 0 && height < 0) return false;
    if (width < 0) {
        if (oldHeight == 0) return false;
        width = i32(i64(oldWidth) * height / oldHeight);
    } else if (height < 0) {
        if (oldWidth == 0) return false;
        height = i32(i64(oldHeight) * width / oldWidth);
    }
    return width > 0 && height > 0;
}

f32 Bicubic(f32 p0, f32 p1, f32 p2, f32 p3, f32 t) {
    const f32 t2 = t * t;
    return p1 + (t / 2) * ((p2 - p0) + t * (p0 - 2 * p1 + p2) + t2 * (3 * (p0 - p3) + 9 * (p2 - p1)) +
                           t2 * t * (5 * (p3 - p0) + 15 * (p1 - p2)) + t2 * t2 * (2 * (p0 - p3) + 6 * (p2 - p1)));
}

}  // namespace

i32 ClampInt(i32 value, i32 low, i32 high) { return value < low ? low : (value < high ? value : high); }

i32 FloorToInt(f32 x) {
    if (std::isnan(x)) return 0;
    f64 v = x >= 0 ? f64(x) : f64(x) - 1.0;
    if (v >= 2147483647.0) return 2147483647;
    if (v <= -2147483648.0) return i32(-2147483647 - 1);
    return i32(v);
}

i32 TruncUpToInt(f32 x) {
    if (std::isnan(x)) return 0;
    f64 v = x >= 0 ? f64(x) + 1.0 : f64(x);
    if (v >= 2147483647.0) return 2147483647;
    if (v <= -2147483648.0) return i32(-2147483647 - 1);
    return i32(v);
}

zRectF IntersectRectF(const zRectF& a, const zRectF& b) {
    return {std::fmax(a.left, b.left), std::fmax(a.top, b.top), std::fmin(a.right, b.right),
            std::fmin(a.bottom, b.bottom)};
}

bool ClipScaledRects(zRectF& source, zRectF& destination, const zRectF& sourceBounds,
                     const zRectF& destinationBounds) {
    const f32 sourceWidth = source.Width();
    const f32 sourceHeight = source.Height();
    if (!(sourceWidth > 0) || !(sourceHeight > 0)) return false;
    const f32 scaleX = destination.Width() / sourceWidth;
    const f32 scaleY = destination.Height() / sourceHeight;
    if (!(scaleX > 0) || !(scaleY > 0)) return false;
    // Against the source bounds, moving the destination edges in step.
    if (source.left < sourceBounds.left) {
        destination.left += (sourceBounds.left - source.left) * scaleX;
        source.left = sourceBounds.left;
    }
    if (source.top < sourceBounds.top) {
        destination.top += (sourceBounds.top - source.top) * scaleY;
        source.top = sourceBounds.top;
    }
    if (source.right > sourceBounds.right) {
        destination.right -= (source.right - sourceBounds.right) * scaleX;
        source.right = sourceBounds.right;
    }
    if (source.bottom > sourceBounds.bottom) {
        destination.bottom -= (source.bottom - sourceBounds.bottom) * scaleY;
        source.bottom = sourceBounds.bottom;
    }
    // Against the destination bounds, moving the source edges in step.
    if (destination.left < destinationBounds.left) {
        source.left += (destinationBounds.left - destination.left) / scaleX;
        destination.left = destinationBounds.left;
    }
    if (destination.top < destinationBounds.top) {
        source.top += (destinationBounds.top - destination.top) / scaleY;
        destination.top = destinationBounds.top;
    }
    if (destination.right > destinationBounds.right) {
        source.right -= (destination.right - destinationBounds.right) / scaleX;
        destination.right = destinationBounds.right;
    }
    if (destination.bottom > destinationBounds.bottom) {
        source.bottom -= (destination.bottom - destinationBounds.bottom) / scaleY;
        destination.bottom = destinationBounds.bottom;
    }
    return source.Width() > 0 && source.Height() > 0 && destination.Width() > 0 && destination.Height() > 0;
}

u8* ResampleBicubic(const u8* pixels, u32 width, u32 height, u32 newWidth, u32 newHeight) {
    if (!pixels || width == 0 || height == 0) return nullptr;
    u8* out = AllocatePictureBuffer(newWidth, newHeight, 3);
    if (!out) return nullptr;
    auto sample = [&](i64 x, i64 y, u32 channel) {
        x = x < 0 ? 0 : (x >= i64(width) ? width - 1 : x);
        y = y < 0 ? 0 : (y >= i64(height) ? height - 1 : y);
        return f32(pixels[(u64(y) * width + u64(x)) * 3 + channel]);
    };
    for (u32 row = 0; row < newHeight; ++row) {
        const f32 y = f32(f64(row) * height / newHeight);
        const i64 j = i64(y);
        const f32 ty = y - f32(j);
        for (u32 column = 0; column < newWidth; ++column) {
            const f32 x = f32(f64(column) * width / newWidth);
            const i64 i = i64(x);
            const f32 tx = x - f32(i);
            for (u32 channel = 0; channel < 3; ++channel) {
                // Rows and columns j-1 .. j+2 around the sample, so that the
                // interpolation runs from sample j to j+1.
                f32 rows[4];
                for (i64 k = 0; k < 4; ++k) {
                    const i64 sy = j - 1 + k;
                    rows[k] = Bicubic(sample(i - 1, sy, channel), sample(i, sy, channel), sample(i + 1, sy, channel),
                                      sample(i + 2, sy, channel), tx);
                }
                out[(u64(row) * newWidth + column) * 3 + channel] =
                    ClampByte(Bicubic(rows[0], rows[1], rows[2], rows[3], ty));
            }
        }
    }
    return out;
}

bool zPicture::Blit(const zPicture& source, const zRect* sourceRect, const zRect* destinationRect, u32 mode) {
    if (!source.m_pixels || !m_pixels) return false;
    const zRect sourceBounds{0, 0, i32(source.m_width), i32(source.m_height)};
    const zRect wanted = sourceRect ? *sourceRect : sourceBounds;
    zRect from = wanted.Intersection(sourceBounds);
    if (from.Width() < 1 || from.Height() < 1) return false;
    const i32 x = (destinationRect ? destinationRect->left : 0) + (from.left - wanted.left);
    const i32 y = (destinationRect ? destinationRect->top : 0) + (from.top - wanted.top);
    const zRect placed{x, y, x + from.Width(), y + from.Height()};
    const zRect to = placed.Intersection(zRect{0, 0, i32(m_width), i32(m_height)});
    if (to.Width() < 1 || to.Height() < 1) return false;
    from.left += to.left - placed.left;
    from.top += to.top - placed.top;
    const i32 width = to.Width();
    const i32 height = to.Height();

    if (mode != BlendReplace && mode != BlendCompose && mode != RgbToAlpha) return true;
    ByteLayout layout{};
    if (mode != BlendReplace && !GetByteLayout(m_format, layout)) return false;

    // The source in this picture's format; the destination itself is never converted.
    const bool sourceHasAlpha = source.m_format.alphaMask != 0 || source.m_format.floatFlag;
    zPicture converted;
    const zPicture* in = &source;
    if (source.m_format != m_format || &source == this) {
        if (!converted.Copy(source) || !converted.Convert(m_format)) return false;
        in = &converted;
        if (!sourceHasAlpha && mode == BlendCompose) {
            // A source without alpha is opaque.
            u8* p = converted.m_pixels;
            for (u64 i = 0, n = u64(converted.m_width) * converted.m_height; i < n; ++i) p[i * 4 + layout.alpha] = 255;
        }
    }
    const u32 bytes = m_format.GetBytesPerPixel();
    const u32 keepMask = sourceHasAlpha ? 0u : m_format.alphaMask;
    for (i32 row = 0; row < height; ++row) {
        const u8* src = in->m_pixels + (u64(from.top + row) * in->m_width + u64(from.left)) * bytes;
        u8* dst = m_pixels + (u64(to.top + row) * m_width + u64(to.left)) * bytes;
        if (mode == BlendReplace) {
            if (keepMask == 0 || bytes > 4) {
                std::memmove(dst, src, size_t(width) * bytes);
                continue;
            }
            // Colour from the source, alpha kept from the destination.
            for (i32 i = 0; i < width; ++i) {
                u32 s = ReadPixelWord(src + i * bytes, bytes);
                u32 d = ReadPixelWord(dst + i * bytes, bytes);
                WritePixelWord(dst + i * bytes, bytes, (s & ~keepMask) | (d & keepMask));
            }
        } else if (mode == BlendCompose) {
            for (i32 i = 0; i < width; ++i, src += 4, dst += 4) {
                const u32 sa = src[layout.alpha];
                const u32 da = dst[layout.alpha];
                const u32 ra = BlendAlphaUnion(sa, da);
                for (u32 b : {layout.red, layout.green, layout.blue})
                    dst[b] = u8(BlendColorComponent(dst[b], src[b], da, sa, ra));
                dst[layout.alpha] = u8(ra);
            }
        } else {
            for (i32 i = 0; i < width; ++i, src += 4, dst += 4)
                dst[layout.alpha] = u8((u32(src[layout.red]) + src[layout.green] + src[layout.blue]) / 3);
        }
    }
    return true;
}

void zPicture::PutPixel(f32 x, f32 y, f32 red, f32 green, f32 blue, f32 alpha, const zRectF* clip) {
    if (!m_pixels || m_format.bitsPerPixel != 32 || m_format.floatFlag) return;
    if (clip && !(x >= clip->left && x < clip->right && y >= clip->top && y < clip->bottom)) return;
    if (!(x >= 0 && x < f32(m_width) && y >= 0 && y < f32(m_height))) return;
    u8* pixel = m_pixels + (u64(u32(y)) * m_width + u32(x)) * 4;
    BlendPixelRGBA(pixel, ChannelByte(red), ChannelByte(green), ChannelByte(blue), ChannelByte(alpha));
}

void zPicture::PutPixelFiltered(f32 x, f32 y, f32 red, f32 green, f32 blue, f32 alpha, const zRectF* clip) {
    if (!m_pixels || m_format.bitsPerPixel != 32 || m_format.floatFlag) return;
    if (clip && !(x >= clip->left && x < clip->right - 1 && y >= clip->top && y < clip->bottom - 1)) return;
    if (!(x >= 0 && x < f32(m_width) - 1 && y >= 0 && y < f32(m_height) - 1)) return;
    const f32 fx = std::floor(x);
    const f32 fy = std::floor(y);
    const f32 wx = fx + 1 - x;
    const f32 wy = fy + 1 - y;
    const f32 a = f32(ChannelByte(alpha));
    const u32 r = ChannelByte(red), g = ChannelByte(green), b = ChannelByte(blue);
    u8* base = m_pixels + (u64(u32(y)) * m_width + u32(x)) * 4;
    const u64 row = u64(m_width) * 4;
    BlendPixelRGBA(base, r, g, b, u32(a * wx * wy) & 0xffu);
    BlendPixelRGBA(base + 4, r, g, b, u32(a * (x - fx) * wy) & 0xffu);
    BlendPixelRGBA(base + row, r, g, b, u32(a * wx * (y - fy)) & 0xffu);
    BlendPixelRGBA(base + row + 4, r, g, b, u32(a * (x - fx) * (y - fy)) & 0xffu);
}

bool zPicture::ApplyConvolution(u32 kernelWidth, u32 kernelHeight, const i32* weights, const zRect* rect) {
    if (!m_pixels || m_format.bitsPerPixel != 32 || m_format.floatFlag) {
        GetLog() << "[!] Cannot apply convolution filter to a non RGB32 picture.\n";
        return false;
    }
    if (kernelWidth == 0 || kernelHeight == 0 || !weights) {
        GetLog() << "[!] Invalid kernel size (" << kernelWidth << "x" << kernelHeight << ").\n";
        return false;
    }
    i64 divisor = 0;
    for (u32 i = 0; i < kernelWidth * kernelHeight; ++i) divisor += weights[i];
    if (divisor == 0) divisor = 1;  // edge-detect kernels sum to 0
    zRect area{0, 0, i32(m_width), i32(m_height)};
    if (rect) area = area.Intersection(*rect);
    std::vector<u8> copy(m_pixels, m_pixels + GetBufferSize());
    const i64 w = m_width, h = m_height;
    for (i32 y = area.top; y < area.bottom; ++y)
        for (i32 x = area.left; x < area.right; ++x) {
            i64 sums[4] = {0, 0, 0, 0};
            for (u32 ky = 0; ky < kernelHeight; ++ky) {
                i64 sy = i64(y) - kernelHeight / 2 + ky;
                if (sy < 0 || sy >= h) sy = y;
                for (u32 kx = 0; kx < kernelWidth; ++kx) {
                    i64 sx = i64(x) - kernelWidth / 2 + kx;
                    if (sx < 0 || sx >= w) sx = x;
                    const i64 weight = weights[ky * kernelWidth + kx];
                    const u8* p = copy.data() + (sy * w + sx) * 4;
                    for (u32 c = 0; c < 4; ++c) sums[c] += weight * p[c];
                }
            }
            u8* out = m_pixels + (i64(y) * w + x) * 4;
            for (u32 c = 0; c < 4; ++c) {
                i64 v = sums[c] / divisor;
                out[c] = u8(v < 0 ? 0 : (v > 255 ? 255 : v));
            }
        }
    return true;
}

bool zPicture::Resize(i32 width, i32 height) {
    if (!DeriveSize(width, height, m_width, m_height)) return false;
    if (u32(width) == m_width && u32(height) == m_height) return true;
    if (!m_pixels) return false;
    const bool isFloat = m_format.floatFlag != 0;
    if (!isFloat && m_format.bitsPerPixel != 32) return false;
    const zPixelFormat& target = isFloat ? PixelFormatRGBFloat : PixelFormatRGBA8;
    u8* buffer = AllocatePictureBuffer(u32(width), u32(height), target.GetBytesPerPixel());
    if (!buffer) return false;
    u8* out = buffer;
    for (i32 row = 0; row < height; ++row)
        for (i32 column = 0; column < width; ++column) {
            const f32 u = f32(column) / f32(width);
            const f32 v = f32(row) / f32(height);
            if (isFloat) {
                f32 colour[4];
                Sample(u, v, colour);
                std::memcpy(out, colour, 12);
                out += 12;
            } else {
                const u32 packed = SamplePacked(u, v);
                std::memcpy(out, &packed, 4);
                out += 4;
            }
        }
    AdoptBuffer(buffer, u32(width), u32(height), target);
    return true;
}

bool zPicture::Shrink(i32 width, i32 height) {
    if (!DeriveSize(width, height, m_width, m_height)) return false;
    if (u32(width) > m_width || u32(height) > m_height) return false;
    if (!m_pixels || m_format.bitsPerPixel != 32 || m_format.floatFlag) return false;
    u8* buffer = AllocatePictureBuffer(u32(width), u32(height), 4);
    if (!buffer) return false;
    const f64 scaleX = f64(m_width) / width;
    const f64 scaleY = f64(m_height) / height;
    std::vector<f64> sums(size_t(width) * 4);
    for (i32 oy = 0; oy < height; ++oy) {
        std::fill(sums.begin(), sums.end(), 0.0);
        const f64 y0 = oy * scaleY, y1 = (oy + 1) * scaleY;
        for (u32 sy = u32(y0); sy < m_height && sy < y1; ++sy) {
            const f64 coverY = std::fmin(y1, sy + 1.0) - std::fmax(y0, f64(sy));
            if (coverY <= 0) continue;
            const u8* line = m_pixels + u64(sy) * m_width * 4;
            for (i32 ox = 0; ox < width; ++ox) {
                const f64 x0 = ox * scaleX, x1 = (ox + 1) * scaleX;
                for (u32 sx = u32(x0); sx < m_width && sx < x1; ++sx) {
                    const f64 cover = coverY * (std::fmin(x1, sx + 1.0) - std::fmax(x0, f64(sx)));
                    if (cover <= 0) continue;
                    for (u32 c = 0; c < 4; ++c) sums[size_t(ox) * 4 + c] += cover * line[sx * 4 + c];
                }
            }
        }
        const f64 area = scaleX * scaleY;
        u8* out = buffer + u64(oy) * width * 4;
        for (size_t i = 0; i < sums.size(); ++i) out[i] = ClampByte(f32(sums[i] / area + 0.5));
    }
    AdoptBuffer(buffer, u32(width), u32(height), m_format);
    return true;
}

bool zPicture::ResizeCanvas(i32 left, i32 top, i32 right, i32 bottom, const f32* colour) {
    if (!m_pixels || m_format.bitsPerPixel != 32 || m_format.floatFlag) return false;
    const i64 newWidth = i64(m_width) - left + right;
    const i64 newHeight = i64(m_height) - top + bottom;
    if (newWidth <= 0 || newHeight <= 0) return false;
    u8* buffer = newWidth > PictureMaxSide || newHeight > PictureMaxSide
                     ? nullptr
                     : AllocatePictureBuffer(u32(newWidth), u32(newHeight), 4);
    if (!buffer) {
        GetLog() << "[!] Failed to allocate destination buffer.\n";
        return false;
    }
    const u32 fill = colour ? m_format.PackColor(colour[0], colour[1], colour[2], colour[3])
                            : m_format.PackColor(0, 0, 0, 1);
    for (i64 i = 0; i < newWidth * newHeight; ++i) std::memcpy(buffer + i * 4, &fill, 4);
    // Columns kept: new x = old x - left.
    const i64 firstOld = std::max<i64>(0, left);
    const i64 lastOld = std::min<i64>(m_width, newWidth + left);
    for (i64 ny = 0; ny < newHeight; ++ny) {
        const i64 oy = ny + top;
        if (oy < 0 || oy >= i64(m_height) || firstOld >= lastOld) continue;
        std::memcpy(buffer + (ny * newWidth + (firstOld - left)) * 4, m_pixels + (oy * m_width + firstOld) * 4,
                    size_t(lastOld - firstOld) * 4);
    }
    AdoptBuffer(buffer, u32(newWidth), u32(newHeight), m_format);
    return true;
}

void zPicture::SplitYCbCr(u8* lumaPlane, u8* blueDiffPlane, u8* redDiffPlane) const {
    if (!lumaPlane || !blueDiffPlane || !redDiffPlane) return;
    if (!m_pixels || m_format.bitsPerPixel != 32 || m_format.floatFlag) return;
    const u64 count = u64(m_width) * m_height;
    for (u64 i = 0; i < count; ++i) {
        const f32 r = m_pixels[i * 4], g = m_pixels[i * 4 + 1], b = m_pixels[i * 4 + 2];
        lumaPlane[i] = ClampByte(0.299f * r + 0.587f * g + 0.114f * b + 0.5f);
        blueDiffPlane[i] = ClampByte(-0.1687f * r - 0.3313f * g + 0.5f * b + 128.0f + 0.5f);
        redDiffPlane[i] = ClampByte(0.5f * r - 0.4187f * g - 0.0813f * b + 128.0f + 0.5f);
    }
}

void zPicture::MergeYCbCr(const u8* lumaPlane, const u8* blueDiffPlane, const u8* redDiffPlane) {
    if (!lumaPlane || !blueDiffPlane || !redDiffPlane) return;
    if (!m_pixels || m_format.bitsPerPixel != 32 || m_format.floatFlag) return;
    const u64 count = u64(m_width) * m_height;
    for (u64 i = 0; i < count; ++i) {
        const f32 y = lumaPlane[i], cb = blueDiffPlane[i] - 128.0f, cr = redDiffPlane[i] - 128.0f;
        m_pixels[i * 4] = ClampByte(y + 1.402f * cr);
        m_pixels[i * 4 + 1] = ClampByte(y - 0.34414f * cb - 0.71414f * cr);
        m_pixels[i * 4 + 2] = ClampByte(y + 1.772f * cb);
    }
}
