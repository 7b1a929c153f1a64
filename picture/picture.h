// The engine's in-memory bitmap: a reference-counted pixel buffer with its
// size, pixel format and the name of the file it came from. Textures, script
// pictures, decoded files and raytraced frames are pictures.
//
// Rows run top to bottom, packed without gaps; the buffer holds
// (bits per pixel / 8) x width x height bytes. Every picture buffer comes from
// AllocatePictureBuffer and goes back through FreePictureBuffer, including
// buffers handed in by codecs. Sizes are computed in 64 bits and capped at
// PictureMaxSide per side and PictureMaxBytes in all.
#pragma once

#include "core/shared_object.h"
#include "core/types.h"
#include "core/zstring.h"
#include "picture/pixel_format.h"
#include "core/rect.h"

constexpr u32 PictureMaxSide = 16384;
constexpr u64 PictureMaxBytes = u64(1) << 30;

// Bytes of a width x height buffer at bytesPerPixel, or 0 when a side is 0
// or the size passes the caps.
u64 GetPictureBufferSize(u32 width, u32 height, u32 bytesPerPixel);
// A zero-filled buffer of that size, or null (size 0, over the caps, no memory).
u8* AllocatePictureBuffer(u32 width, u32 height, u32 bytesPerPixel);
// The same without the zero fill, for decoders that write every byte before
// the buffer leaves them (a large zeroed block costs a pass over memory).
u8* AllocateUnclearedPictureBuffer(u32 width, u32 height, u32 bytesPerPixel);
void FreePictureBuffer(void* buffer);

// Blend modes of Blit, published to scripts under these names.
enum zBlendMode : u32 {
    BlendReplace = 0,
    BlendCompose = 1,
    BlendAdd = 2,
    BlendMultiply = 3,
    BlendMultiply2x = 4,
    BlendAlphaAdd = 5,
    BlendAlphaMultiply = 6,
    BlendAlphaMultiply2x = 7,
    RgbToAlpha = 8,
};

class zPicture : public zSharedObject {
public:
    static constexpr u32 FlagVirtualSize = 4;

    zPicture();
    zPicture(const zPicture& other);
    zPicture& operator=(const zPicture&) = delete;
    ~zPicture() override;

    // Clears every field without freeing the buffer.
    void Reset();
    void FreeBuffer();
    void Free();

    // Same size and depth without an external buffer: only the format changes.
    // Otherwise the buffer is replaced by the external one (the picture owns
    // it from here on, also on failure) or by a zero-filled new one.
    bool Allocate(u32 width, u32 height, const zPixelFormat& format, u8* externalBuffer = nullptr);
    void SetVirtualSize(u32 width, u32 height);
    // Size, format and pixels of the source; not the name. A source that is
    // neither virtual nor has pixels fails with the allocation failure line.
    bool Copy(const zPicture& source);
    // Installs a buffer from AllocatePictureBuffer; null changes nothing.
    void AdoptBuffer(u8* buffer, u32 width, u32 height, const zPixelFormat& format);

    u32 GetBitsPerPixel() const { return m_format.bitsPerPixel; }
    u32 GetRowSize() const { return m_format.GetBytesPerPixel() * m_width; }
    u64 GetBufferSize() const { return u64(GetRowSize()) * m_height; }
    const zPixelFormat& GetFormat() const { return m_format; }
    u32 GetWidth() const { return m_width; }
    u32 GetHeight() const { return m_height; }
    u8* GetPixels() { return m_pixels; }
    const u8* GetPixels() const { return m_pixels; }
    const zString& GetName() const { return m_name; }
    void SetName(const zString& name) { m_name = name; }
    bool IsVirtual() const { return (m_flags & FlagVirtualSize) != 0; }
    u32 GetChecksum() const { return m_checksum; }

    // Replaces the format record when the depth stays the same.
    bool SetFormat(const zPixelFormat& format);
    bool Convert(const zPixelFormat& format);
    // Same size, same format and the same pixel bytes.
    bool Equals(const zPicture& other) const;
    bool HasTranslucentPixel() const;
    bool ComputeChecksum();
    void InvertChannels(bool red, bool green, bool blue, bool alpha);
    // 32-bit pictures only; the rectangle is clipped to the picture.
    bool Fill(f32 red, f32 green, f32 blue, f32 alpha, const zRect* rect = nullptr);
    bool Flip(bool horizontal, bool vertical);
    // Bilinear sample at normalised coordinates into red, green, blue, alpha.
    // The overrides scale the coordinates; pixels are always addressed inside
    // the picture. Without pixels or in an unsupported depth: magenta.
    void Sample(f32 u, f32 v, f32 colour[4], u32 widthOverride = 0, u32 heightOverride = 0) const;
    // Sample packed as 32-bit RGBA (red in the lowest byte).
    u32 SamplePacked(f32 u, f32 v, u32 widthOverride = 0, u32 heightOverride = 0) const;
    // Normal of the picture read as a height map: x, y, z = 4, w = 1.
    void HeightToNormal(f32 u, f32 v, f32 normal[4]) const;

    // Loads a TGA file or any file a registered codec reads.
    bool Load(const char* path);

    // Picture operations.
    // Blits the source into this picture at the destination rectangle's
    // left/top (whole pictures by default). The source is converted to this
    // picture's format; compose and RgbToAlpha need a 32-bit picture.
    bool Blit(const zPicture& source, const zRect* sourceRect = nullptr, const zRect* destinationRect = nullptr,
              u32 mode = BlendReplace);
    // Blends one pixel in RGBA8 byte order; positions outside the picture or
    // the clip are dropped.
    void PutPixel(f32 x, f32 y, f32 red, f32 green, f32 blue, f32 alpha, const zRectF* clip = nullptr);
    // Spreads the colour over the 2 x 2 pixels around a sub-pixel position.
    void PutPixelFiltered(f32 x, f32 y, f32 red, f32 green, f32 blue, f32 alpha, const zRectF* clip = nullptr);
    // A one-pixel-wide anti-aliased segment (line_drawing.cpp): the start is
    // snapped to the pixel grid on the major axis, the segment clipped to
    // clip (left, top, right, bottom), then one PutPixelFiltered sample per
    // step of the major axis, the end point excluded. The clip is always
    // narrowed to (0, 0, width - 1, height - 1) (the whole picture when null),
    // so a step count never exceeds the picture's size and no sample lands
    // outside it. Silently nothing on pictures PutPixelFiltered refuses.
    void DrawLine(f32 x0, f32 y0, f32 x1, f32 y1, f32 red, f32 green, f32 blue, f32 alpha,
                  const f32* clip = nullptr);
    // Integer kernel normalised by the sum of its weights (1 when that sum is
    // 0). A rectangle restricts the pixels written.
    bool ApplyConvolution(u32 kernelWidth, u32 kernelHeight, const i32* weights, const zRect* rect = nullptr);
    // A negative side keeps the aspect ratio.
    bool Resize(i32 width, i32 height);
    bool Shrink(i32 width, i32 height);
    // Moves the edges: negative left/top and positive right/bottom add margins.
    bool ResizeCanvas(i32 left, i32 top, i32 right, i32 bottom, const f32* colour = nullptr);
    // One byte per pixel into each plane (width x height bytes each).
    void SplitYCbCr(u8* lumaPlane, u8* blueDiffPlane, u8* redDiffPlane) const;
    void MergeYCbCr(const u8* lumaPlane, const u8* blueDiffPlane, const u8* redDiffPlane);

private:
    u8* m_pixels = nullptr;
    u32 m_checksum = 0;
    u32 m_width = 0;
    u32 m_height = 0;
    zPixelFormat m_format;
    u32 m_flags = 0;
    zString m_name;
};
